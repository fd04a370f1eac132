#include "transport/tests/transportfixture.h"

#include <cstdlib>

#include "song/timetext.h"

namespace kv::test {

std::string CaptureConfig()
{
    return "D0," + std::to_string(uint32_t(DeviceKeyOf("Kelvane Capture")));
}

VirtualBackends::VirtualBackends()
{
    setenv("KVMIDI_BACKENDS", "virtual", 1);
}

VirtualBackends::~VirtualBackends()
{
    unsetenv("KVMIDI_BACKENDS");
}

std::vector<std::string> CapturedMessages(const MidiLibrary& lib)
{
    std::vector<std::string> out;
    if (!lib.CaptureCount || !lib.CaptureRead)
        return out;
    const uint32_t n = lib.CaptureCount();
    for (uint32_t i = 0; i < n; ++i) {
        MidiLibCaptureRecord r{};
        if (!lib.CaptureRead(i, &r))
            continue;
        std::string text = FormatHexBytes(r.bytes, r.length < 12 ? r.length : 12, true);
        if (!text.empty() && text.back() == ' ')
            text.pop_back();
        out.push_back(text);
    }
    return out;
}

}  // namespace kv::test
