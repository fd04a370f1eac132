#pragma once

#include <cstdint>
#include <vector>

namespace kv {

class EngineBinding;
class Messages;
struct Settings;

// The default channel reset strings, written for channel 1: all notes off,
// modulation 0, reset all controllers, sustain off, pitch bend centre; the
// manual one adds 90 00 00, a note off for every key.
std::vector<uint8_t> DefaultChannelReset(bool automatic);

// Sends the channel reset to every channel of every output port through the
// immediate port. Nothing (0) when the engine cannot be connected. The reset
// strings kept per port in the settings come with the MIDI Options sheet;
// until then every port gets the default.
int SendResets(EngineBinding& engine, const Settings& settings, Messages& messages, bool automatic);

}  // namespace kv
