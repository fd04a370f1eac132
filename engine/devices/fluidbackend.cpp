#include "engine/devices/fluidbackend.h"
#include "engine/devices/rtmidibackend.h"

#include <fluidsynth.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace kv::engine {

namespace {

const char* const kSoundFonts[] = {
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
};

// Drivers tried in turn. JACK only when a server already runs: asking the
// JACK driver otherwise could start a server behind the user's back. The
// "file" driver is not a fallback: it renders as fast as it can and would
// occupy a whole core writing to nowhere.
const char* const kDrivers[] = {"pipewire", "pulseaudio", "alsa", "jack"};

class SynthOut final : public MidiOut {
public:
    SynthOut(fluid_settings_t* settings, fluid_synth_t* synth, fluid_audio_driver_t* driver)
        : m_settings(settings), m_synth(synth), m_driver(driver)
    {
    }
    ~SynthOut() override
    {
        if (m_driver)
            delete_fluid_audio_driver(m_driver);
        delete_fluid_synth(m_synth);
        delete_fluid_settings(m_settings);
    }
    bool Send(const uint8_t* bytes, size_t length) override;

private:
    fluid_settings_t* m_settings;
    fluid_synth_t* m_synth;
    fluid_audio_driver_t* m_driver;
};

bool SynthOut::Send(const uint8_t* bytes, size_t length)
{
    if (length == 0)
        return false;
    uint8_t status = bytes[0];
    if (status == 0xF0) {
        if (length < 2)
            return false;
        size_t body = length - 1 - (bytes[length - 1] == 0xF7 ? 1 : 0);
        return fluid_synth_sysex(m_synth, reinterpret_cast<const char*>(bytes + 1), static_cast<int>(body),
                                 nullptr, nullptr, nullptr, 0) == FLUID_OK;
    }
    if (status == 0xFF)
        return fluid_synth_system_reset(m_synth) == FLUID_OK;
    if (status < 0x80 || status >= 0xF0)
        return true;  // real-time and common: nothing to do
    int channel = status & 0x0F;
    int d1 = length > 1 ? bytes[1] & 0x7F : 0;
    int d2 = length > 2 ? bytes[2] & 0x7F : 0;
    switch (status & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(m_synth, channel, d1);
            return true;
        case 0x90:
            if (d2 == 0)
                fluid_synth_noteoff(m_synth, channel, d1);
            else
                fluid_synth_noteon(m_synth, channel, d1, d2);
            return true;
        case 0xA0:
            fluid_synth_key_pressure(m_synth, channel, d1, d2);
            return true;
        case 0xB0:
            fluid_synth_cc(m_synth, channel, d1, d2);
            return true;
        case 0xC0:
            fluid_synth_program_change(m_synth, channel, d1);
            return true;
        case 0xD0:
            fluid_synth_channel_pressure(m_synth, channel, d1);
            return true;
        default:
            fluid_synth_pitch_bend(m_synth, channel, d1 | (d2 << 7));
            return true;
    }
}

fluid_audio_driver_t* OpenDriver(fluid_settings_t* settings, fluid_synth_t* synth)
{
    for (const char* driver : kDrivers) {
        if (std::string(driver) == "jack" && !JackServerRunning())
            continue;
        // Without sound devices the ALSA library only prints its failure.
        if (std::string(driver) == "alsa" && access("/dev/snd", F_OK) != 0)
            continue;
        if (fluid_settings_setstr(settings, "audio.driver", driver) != FLUID_OK)
            continue;
        fluid_audio_driver_t* d = new_fluid_audio_driver(settings, synth);
        if (d)
            return d;
    }
    return nullptr;
}

}  // namespace

const char* FindSoundFont()
{
    for (const char* path : kSoundFonts)
        if (access(path, R_OK) == 0)
            return path;
    return nullptr;
}

MidiOut* FluidBackend::OpenOutput(int index, OpenResult* result)
{
    *result = OpenResult::NoDevice;
    if (index != 0)
        return nullptr;
    // Probing drivers that are absent logs errors; they are expected here and
    // the engine reports its own failures.
    fluid_set_log_function(FLUID_ERR, nullptr, nullptr);
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_settings_t* settings = new_fluid_settings();
    if (settings == nullptr) {
        *result = OpenResult::Failed;
        return nullptr;
    }
    fluid_settings_setstr(settings, "synth.midi-bank-select", "gm");
    fluid_settings_setint(settings, "synth.reverb.active", 0);
    fluid_synth_t* synth = new_fluid_synth(settings);
    if (synth == nullptr) {
        delete_fluid_settings(settings);
        *result = OpenResult::Failed;
        return nullptr;
    }
    // Without a SoundFont the synthesiser still takes every message; it is
    // silent, which is better than refusing the configuration.
    if (const char* font = FindSoundFont())
        fluid_synth_sfload(synth, font, 1);
    fluid_audio_driver_t* driver = OpenDriver(settings, synth);
    *result = OpenResult::Ok;
    return new SynthOut(settings, synth, driver);
}

}  // namespace kv::engine
