#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/clock.h"
#include "engine/devices/device.h"

namespace kv::engine {

inline constexpr const char* kClientName = "Kelvane Professional";

// Whether a JACK server of the name JACK clients would use is running,
// judged by its socket, so that finding none costs no connection attempt
// (and none of the messages the JACK library prints for a failed one).
bool JackServerRunning();

// The desktop's MIDI ports through RtMidi: one instance for the ALSA
// sequencer, one for JACK. Each lists nothing when its system is absent (no
// /dev/snd/seq, no JACK server running); JACK is never started on our behalf.
class RtMidiBackend final : public Backend {
public:
    enum class System { Alsa, Jack };
    RtMidiBackend(System system, const Clock& clock);
    ~RtMidiBackend() override;
    const char* Name() const override { return m_system == System::Alsa ? "alsa" : "jack"; }
    void Refresh() override;
    int OutputCount() const override { return static_cast<int>(m_outputs.size()); }
    int InputCount() const override { return static_cast<int>(m_inputs.size()); }
    const char* OutputName(int index) const override;
    const char* InputName(int index) const override;
    MidiOut* OpenOutput(int index, OpenResult* result) override;
    MidiIn* OpenInput(int index, InputCallback callback, void* context, OpenResult* result) override;

    // Device names as listed: the system's port name without its volatile
    // client and port numbers, and without a client name it merely repeats.
    static std::string ShortName(const std::string& systemName, bool alsa);

    struct Port {
        std::string name;
        std::string systemName;
    };

private:
    bool Available() const;
    System m_system;
    const Clock& m_clock;
    std::vector<Port> m_outputs;
    std::vector<Port> m_inputs;
};

}  // namespace kv::engine
