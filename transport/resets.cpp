#include "transport/resets.h"

#include "app/settings/settings.h"
#include "platform/messages.h"
#include "transport/enginebinding.h"

namespace kv {

std::vector<uint8_t> DefaultChannelReset(bool automatic)
{
    std::vector<uint8_t> bytes = {0xB0, 0x7B, 0x00, 0xB0, 0x01, 0x00, 0xB0, 0x79,
                                  0x00, 0xB0, 0x40, 0x00, 0xE0, 0x00, 0x40};
    if (!automatic)
        bytes.insert(bytes.end(), {0x90, 0x00, 0x00});
    return bytes;
}

namespace {

// Walks a channel reset string for one channel. A byte that is not a status
// of channel 1 ends the walk; a message cut short by the end of the string
// is not sent.
void SendChannelReset(const MidiLibrary& lib, const std::vector<uint8_t>& bytes, int channel)
{
    size_t i = 0;
    while (i < bytes.size()) {
        const uint8_t status = bytes[i];
        if (status < 0x80 || (status & 0x0F) != 0)
            return;
        if (status == 0x80 || status == 0x90) {
            for (int key = 0; key < 128; ++key)
                lib.SendShort(0x90 + channel, key, 0);
            i += 3;
            continue;
        }
        const size_t length = status == 0xC0 || status == 0xD0 ? 2 : 3;
        if (i + length > bytes.size())
            return;
        lib.SendShort(status + channel, bytes[i + 1], length == 3 ? bytes[i + 2] : 0);
        i += length;
    }
}

}  // namespace

int SendResets(EngineBinding& engine, const Settings& settings, Messages& messages, bool automatic)
{
    if (!engine.Connect(kConnectReport))
        return 0;
    const MidiLibrary& lib = *engine.Lib();
    WaitCursor wait(messages);
    lib.SetFlag(kFlagThru, settings.thru);
    lib.SetFlag(kFlagRealTime, settings.realTime);
    const std::vector<uint8_t> reset = DefaultChannelReset(automatic);
    for (int32_t port = 0; port < engine.OutputCount(); ++port) {
        lib.SetOption(kOptImmediatePort, port);
        for (int channel = 0; channel < 16; ++channel)
            SendChannelReset(lib, reset, channel);
    }
    lib.SetOption(kOptImmediatePort, 0);
    return 1;
}

}  // namespace kv
