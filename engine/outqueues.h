#pragma once

#include <atomic>
#include <cstdint>

namespace kv::engine {

class Engine;

// The three output rings: playback (track events, clicks, clock and
// Start/Continue/Stop), thru, and immediate (sent at once: chase results,
// Song Position Pointer, note-offs of muted or released tracks). Any thread
// may append; draining is guarded by one word, so a second drainer returns
// "busy" instead of entering. A message refused by its device stays at the
// head of its ring for the next drain.
class OutputQueues {
public:
    enum Ring { kPlayback, kThru, kImmediate, kRings };
    static constexpr uint32_t kSlots = 128;  // one always stays empty

    // False (error 17 recorded) when the ring is full and the message dropped.
    // Real-time: no allocation, no lock, no wait.
    bool Enqueue(Ring ring, int port, uint32_t message);
    // Hands every queued message to its device, playback first; true when
    // something is still waiting (a device refused, or another drainer was
    // inside).
    // Real-time: no allocation, no lock, no wait.
    bool Drain(Engine& engine);
    bool Empty() const;
    void Clear();

private:
    struct Slot {
        std::atomic<uint32_t> ready{0};  // 1 once message and port are written
        std::atomic<int32_t> port{0};
        std::atomic<uint32_t> message{0};
    };
    struct Queue {
        Slot slots[kSlots];
        std::atomic<uint32_t> head{0};
        std::atomic<uint32_t> tail{0};
        uint32_t refusals = 0;  // drainer only
    };
    bool DrainOne(Engine& engine, Queue& q);
    Queue m_rings[kRings];
    std::atomic<bool> m_guard{false};
};

// Bytes of a short message packed status | data1 << 8 | data2 << 16.
// Real-time: no allocation, no lock, no wait.
int ShortLength(uint8_t status);

}  // namespace kv::engine
