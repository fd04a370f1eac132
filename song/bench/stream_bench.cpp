// Throughput of the two track conversions on a generated 16-track song of one
// million events (notes, controllers, pitch bend, programs, some system
// exclusive and text): events per second, stream megabytes per second, and
// the bytes each Event costs.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "song/pack.h"
#include "song/song.h"
#include "song/tests/songgen.h"
#include "song/tonote.h"
#include "song/trackstore.h"

namespace {

using namespace kv;

constexpr int kTracks = 16;
constexpr int32_t kEventsPerTrack = 1000000 / kTracks;

struct BenchSong {
    BenchSong()
    {
        song->trackCount = kTracks;
        for (int i = 0; i < kTracks; ++i) {
            test::GenerateTrack(*song, i, uint32_t(1000 + i), kEventsPerTrack);
            Pack(*song, i, true);
            events += song->tracks[i].eventCount;
            streamBytes += song->tracks[i].streamSize;
        }
    }
    std::unique_ptr<Song> song = std::make_unique<Song>();
    int64_t events = 0;
    int64_t streamBytes = 0;
};

BenchSong& Shared()
{
    static BenchSong s;
    return s;
}

void Report(benchmark::State& state, const BenchSong& b)
{
    state.SetItemsProcessed(state.iterations() * b.events);
    state.SetBytesProcessed(state.iterations() * b.streamBytes);
    state.counters["events"] = double(b.events);
    state.counters["streamBytesPerEvent"] = double(b.streamBytes) / double(b.events);
}

// ToNote alone: the stream into an Events array of exact size, payloads into
// a fresh SubHeap, as BuildEvents does.
void BM_ToNote(benchmark::State& state)
{
    BenchSong& b = Shared();
    Song& s = *b.song;
    std::vector<std::vector<Event>> dest(kTracks);
    for (int i = 0; i < kTracks; ++i)
        dest[size_t(i)].resize(size_t(s.tracks[i].eventCount));
    for (auto _ : state) {
        for (int i = 0; i < kTracks; ++i) {
            Track& t = s.tracks[i];
            t.heap.Clear();
            const int32_t n =
                ToNote(s, i, t.stream, dest[size_t(i)].data(), int32_t(dest[size_t(i)].size()), true);
            benchmark::DoNotOptimize(n);
        }
    }
    Report(state, b);
}

// Pack alone: the Events into a stream buffer.
void BM_Pack(benchmark::State& state)
{
    BenchSong& b = Shared();
    Song& s = *b.song;
    std::vector<uint8_t> out;
    for (auto _ : state) {
        for (int i = 0; i < kTracks; ++i) {
            PackTo(s, i, PackMode::Normal, 0, 0x7FFFFFFF, out);
            benchmark::DoNotOptimize(out.data());
        }
    }
    Report(state, b);
}

// The whole routines as the program calls them: BuildEvents (scan, array,
// ToNote, rescan) and Pack (stream, shrink, scan).
void BM_BuildEvents(benchmark::State& state)
{
    BenchSong& b = Shared();
    Song& s = *b.song;
    for (auto _ : state)
        for (int i = 0; i < kTracks; ++i)
            BuildEvents(s, i);
    Report(state, b);
}

void BM_PackChanged(benchmark::State& state)
{
    BenchSong& b = Shared();
    Song& s = *b.song;
    for (auto _ : state) {
        for (int i = 0; i < kTracks; ++i) {
            s.tracks[i].changed = 1;
            Pack(s, i, false);
        }
    }
    Report(state, b);
}

// Memory held per Event once built: the Events arrays (capacity included)
// and, apart, the payload bytes in the SubHeaps.
void BM_MemoryPerEvent(benchmark::State& state)
{
    BenchSong& b = Shared();
    Song& s = *b.song;
    int64_t arrayBytes = 0;
    int64_t payloadBytes = 0;
    int64_t payloads = 0;
    for (auto _ : state) {
        arrayBytes = payloadBytes = payloads = 0;
        for (int i = 0; i < kTracks; ++i) {
            const Track& t = s.tracks[i];
            arrayBytes += int64_t(t.events.capacity() * sizeof(Event));
            for (int32_t k = 0; k < t.eventCount; ++k) {
                const Event& e = t.events[size_t(k)];
                if (e.HasPayload() && e.value != 0) {
                    payloadBytes += t.heap.PayloadSize(e.value);
                    ++payloads;
                }
            }
        }
    }
    state.counters["arrayBytesPerEvent"] = double(arrayBytes) / double(b.events);
    state.counters["payloads"] = double(payloads);
    state.counters["payloadBytes"] = double(payloadBytes);
}

BENCHMARK(BM_ToNote)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildEvents)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PackChanged)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryPerEvent)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
