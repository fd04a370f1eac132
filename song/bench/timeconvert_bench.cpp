// One million increasing ticks converted against maps of 1 and of 10,000
// entries: with the cursor the long map should cost only a little more.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "song/measuretime.h"
#include "song/timeconvert.h"

namespace {

constexpr int32_t kTimebase = 480;
constexpr int32_t kTicks = 1000000;

kv::TempoMap MakeTempoMap(int entries)
{
    // Spread over the million ticks, alternating between two tempos so no two
    // neighbours are equal.
    kv::TempoMap map;
    const int32_t spacing = kTicks / entries;
    uint32_t ms = 0;
    for (int i = 0; i < entries; ++i) {
        const uint32_t us = i % 2 ? 400000 : 500000;
        if (i > 0)
            ms += kv::MulDivRound(uint32_t(spacing), map.entries.back().usPerQuarter, kTimebase * 1000u);
        map.entries.push_back({i * spacing, us, ms});
    }
    return map;
}

kv::TimeSigMap MakeTimeSigMap(int entries)
{
    kv::TimeSigMap map;
    int32_t tick = 0;
    for (int i = 0; i < entries; ++i) {
        const uint8_t numerator = i % 2 ? 3 : 4;
        map.entries.push_back({tick, 1 + i, numerator, 2, numerator});
        tick += kTimebase * numerator;  // one measure each
    }
    return map;
}

void TickToMsIncreasing(benchmark::State& state)
{
    const kv::TempoMap map = MakeTempoMap(int(state.range(0)));
    for (auto _ : state) {
        uint64_t sum = 0;
        for (int32_t t = 0; t < kTicks; ++t)
            sum += kv::TickToMs(map, kTimebase, t);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kTicks);
}
BENCHMARK(TickToMsIncreasing)->Arg(1)->Arg(10000)->Unit(benchmark::kMillisecond);

void MsToTickIncreasing(benchmark::State& state)
{
    const kv::TempoMap map = MakeTempoMap(int(state.range(0)));
    const uint32_t end = kv::TickToMs(map, kTimebase, kTicks);
    for (auto _ : state) {
        int64_t sum = 0;
        for (int32_t i = 0; i < kTicks; ++i)
            sum += kv::MsToTick(map, kTimebase, uint32_t(uint64_t(end) * i / kTicks));
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kTicks);
}
BENCHMARK(MsToTickIncreasing)->Arg(1)->Arg(10000)->Unit(benchmark::kMillisecond);

void TickToMsRandom(benchmark::State& state)
{
    // No order to follow: every lookup is a binary search.
    const kv::TempoMap map = MakeTempoMap(int(state.range(0)));
    for (auto _ : state) {
        uint64_t sum = 0;
        uint32_t x = 12345;
        for (int32_t i = 0; i < kTicks; ++i) {
            x = x * 1664525u + 1013904223u;
            sum += kv::TickToMs(map, kTimebase, int32_t(x % kTicks));
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kTicks);
}
BENCHMARK(TickToMsRandom)->Arg(1)->Arg(10000)->Unit(benchmark::kMillisecond);

void TickToMeasureTimeIncreasing(benchmark::State& state)
{
    const kv::TimeSigMap map = MakeTimeSigMap(int(state.range(0)));
    kv::TimeParams p;
    p.timeSigs = &map;
    p.timebase = kTimebase;
    const int32_t end = map.entries.back().tick + kTimebase * 4;
    for (auto _ : state) {
        int64_t sum = 0;
        kv::MeasureTime m;
        for (int32_t i = 0; i < kTicks; ++i) {
            kv::TickToMeasureTime(p, int32_t(int64_t(end) * i / kTicks), m);
            sum += m.measure;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kTicks);
}
BENCHMARK(TickToMeasureTimeIncreasing)->Arg(1)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
