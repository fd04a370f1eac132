// What the play position display costs the main thread: a dense song plays
// in real time into the capture port while the main thread takes the
// engine's wake-ups and refreshes the position, as the program does. The
// counter main_cpu_pct is the main thread's CPU time over the run's wall
// time, in percent of one core.
#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>
#include <cstdlib>
#include <memory>

#include "files/tests/smfbuilder.h"
#include "transport/tests/transportfixture.h"

namespace kv {
namespace {

double ThreadCpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Sixteen tracks, a note every sixteenth on each, for `seconds` at 120
// beats per minute.
test::Bytes DenseSong(int seconds)
{
    std::vector<test::Body> tracks;
    tracks.push_back(test::Body().Meta(0, 0x51, {0x07, 0xA1, 0x20}).End(0));
    const int notes = seconds * 8;
    for (int t = 0; t < 16; ++t) {
        test::Body body;
        for (int i = 0; i < notes; ++i)
            body.Note(i == 0 ? 0 : 15, t, 40 + (i + t) % 40, 90, 15);
        tracks.push_back(body.End(0));
    }
    test::Bytes out = test::Cat({test::Header(1, uint16_t(tracks.size()), 120)});
    for (const test::Body& b : tracks) {
        const test::Bytes chunk = test::TrackChunk(b);
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

void BM_PositionDisplayWhilePlaying(benchmark::State& state)
{
    const int updateTimer = int(state.range(0));
    test::VirtualBackends backends;
    FakeMessages messages;
    Settings settings;
    settings.config = test::CaptureConfig();
    settings.updateTimer = updateTimer;
    settings.aReset = false;
    test::SongFixture songs;
    if (!songs.Read(DenseSong(5))) {
        state.SkipWithError("song not read");
        return;
    }
    test::RecordingHost host;
    WakeLoop loop;
    ProgramTransport transport(messages, settings, songs.song, host);
    transport.SetWake(loop.Callback());
    if (!transport.Setup().Configure(settings)) {
        state.SkipWithError("engine not loaded");
        return;
    }
    transport.ConnectAtStartUp();
    for (auto _ : state) {
        const double cpu0 = ThreadCpuSeconds();
        const auto wall0 = std::chrono::steady_clock::now();
        transport.OnCommand(kCmdPlay);
        // An event loop that sleeps until woken, with the idle refresh the
        // program runs after each wake-up (continuous below 10 ms).
        while (transport.IsPlaying()) {
            if (!transport.OnIdle() || updateTimer >= 10)
                loop.Wait(50);
            transport.OnWake();
        }
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        state.counters["main_cpu_pct"] = 100.0 * (ThreadCpuSeconds() - cpu0) / wall;
        state.counters["status_texts"] = double(host.statusTimes.size());
    }
}
BENCHMARK(BM_PositionDisplayWhilePlaying)->Arg(100)->Arg(20)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace kv

BENCHMARK_MAIN();
