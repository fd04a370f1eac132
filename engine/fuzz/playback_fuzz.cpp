// Fuzzes track preparation and playback: the input is cut into a start
// position, two tracks and a replacement for the second; they are chased,
// played for a minute of simulated time, replaced halfway, stopped and
// released. No input may crash, read outside its block or hang the timer.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/devices/virtualports.h"
#include "engine/engine.h"
#include "engine/exports.h"

namespace {

using namespace kv;
using namespace kv::engine;

SimClock& Setup()
{
    static SimClock clock;
    static bool ready = false;
    if (!ready) {
        Engine& engine = Engine::Get();
        engine.ResetForTests();
        std::vector<std::unique_ptr<Backend>> backends;
        backends.push_back(std::make_unique<VirtualBackend>(engine.Now()));
        engine.SetBackends(std::move(backends));
        engine.UseClock(&clock);
        std::string config = "D0," + std::to_string(static_cast<uint32_t>(DeviceKey(kCaptureName)));
        MidiLibInit(config.c_str());
        MidiLibConnect(0);
        MidiLibSetTimebase(96);
        ready = true;
    }
    return clock;
}

void Drain()
{
    MidiLibMessage m;
    while (MidiLibGetMessage(&m)) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SimClock& clock = Setup();
    if (size < 3)
        return 0;
    int32_t start = data[0] * 7;
    size_t rest = size - 3;
    size_t cut1 = rest ? data[1] % (rest + 1) : 0;
    size_t cut2 = cut1 + (rest - cut1 ? data[2] % (rest - cut1 + 1) : 0);
    // Copies, so the sanitizers see reads past each part's own end.
    std::vector<uint8_t> a(data + 3, data + 3 + cut1), b(data + 3 + cut1, data + 3 + cut2),
        c(data + 3 + cut2, data + size);
    MidiLibTrackCommand(7, 0, start);
    MidiLibAllocTracks(2);
    if (!a.empty())
        MidiLibAddTrack(a.data(), static_cast<uint32_t>(a.size()), 1);
    if (!b.empty())
        MidiLibAddTrack(b.data(), static_cast<uint32_t>(b.size()), 2);
    MidiLibCaptureClear();
    if (MidiLibGo()) {
        clock.Advance(30000000);
        if (!c.empty())
            MidiLibReplaceTrack(c.data(), static_cast<uint32_t>(c.size()), 2);
        clock.Advance(30000000);
        Drain();
        MidiLibStop();
        clock.Advance(1000);
    }
    MidiLibReleaseTracks();
    Drain();
    MidiLibGetError(nullptr, 0);
    return 0;
}
