#pragma once

#include "engine/devices/device.h"

namespace kv::engine {

inline constexpr const char* kSynthName = "Kelvane GM Synth";

// The FluidSynth software synthesiser as one output port, so a user without
// MIDI hardware hears the song. It opens even where no audio device exists:
// the synthesiser then runs with no audio driver and renders nothing.
class FluidBackend final : public Backend {
public:
    const char* Name() const override { return "fluidsynth"; }
    void Refresh() override {}
    int OutputCount() const override { return 1; }
    int InputCount() const override { return 0; }
    const char* OutputName(int index) const override { return index == 0 ? kSynthName : ""; }
    const char* InputName(int) const override { return ""; }
    MidiOut* OpenOutput(int index, OpenResult* result) override;
    MidiIn* OpenInput(int, InputCallback, void*, OpenResult* result) override
    {
        *result = OpenResult::NoDevice;
        return nullptr;
    }
};

// The SoundFont the synthesiser loads: the larger General MIDI bank when
// installed, else the small one; null when neither exists.
const char* FindSoundFont();

}  // namespace kv::engine
