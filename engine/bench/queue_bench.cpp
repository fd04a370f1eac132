// Costs on the real-time paths: appending and taking a notification, and
// keeping one message on the capture port.
#include <benchmark/benchmark.h>

#include "engine/devices/virtualports.h"
#include "engine/midilib.h"
#include "engine/notifyqueue.h"

namespace kv::engine {
namespace {

void BM_QueueAppendTake(benchmark::State& state)
{
    NotifyQueue queue;
    Notification n{ML_EVENT_PLAYED, 1, 2};
    Notification out;
    for (auto _ : state) {
        queue.Append(n);
        queue.Take(&out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_QueueAppendTake);

// A burst of 100 as the timer thread might post in one tick, then the window
// taking them all.
void BM_QueueBurst100(benchmark::State& state)
{
    NotifyQueue queue;
    Notification out;
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i)
            queue.Append({ML_EVENT_PLAYED, i, 0});
        while (queue.Take(&out))
            benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_QueueBurst100);

void BM_CaptureAdd(benchmark::State& state)
{
    CaptureStore& store = Capture();
    store.Reserve();
    const uint8_t note[3] = {0x90, 60, 100};
    int64_t t = 0;
    for (auto _ : state) {
        if (store.Count() >= CaptureStore::kCapacity)
            store.Clear();
        store.Add(note, 3, ++t);
    }
}
BENCHMARK(BM_CaptureAdd);

}  // namespace
}  // namespace kv::engine

BENCHMARK_MAIN();
