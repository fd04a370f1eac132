#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace kv::engine {

// The engine's monotonic clock in microseconds. The real one reads
// CLOCK_MONOTONIC; tests substitute a simulated one so that timers and, later,
// the playback scheduler run deterministically without sleeping.
class Clock {
public:
    virtual ~Clock() = default;
    // Real-time: no allocation, no lock, no wait.
    virtual int64_t NowUs() const = 0;
};

class SteadyClock final : public Clock {
public:
    int64_t NowUs() const override;
};

// A clock that reads whichever clock it currently points at, so devices made
// before a test swaps in simulated time still stamp with the engine's time.
class ForwardingClock final : public Clock {
public:
    explicit ForwardingClock(const Clock* target) : m_target(target) {}
    void Point(const Clock* target) { m_target.store(target, std::memory_order_release); }
    int64_t NowUs() const override { return m_target.load(std::memory_order_acquire)->NowUs(); }

private:
    std::atomic<const Clock*> m_target;
};

// A fixed set of one-shot timer slots. A slot is armed with an absolute
// deadline and fires once; a periodic user re-arms from its own callback.
// Arming and firing are lock-free so any thread may arm.
class TimerSlots {
public:
    static constexpr int kSlots = 32;
    using Callback = void (*)(void* context, int slot, int64_t nowUs);

    // Claims a free slot for callback; -1 when all are taken.
    int Claim(Callback callback, void* context);
    void Release(int slot);
    // Deadline in the clock's microseconds; disarmed slots hold kDisarmed.
    void Arm(int slot, int64_t deadlineUs);
    void Disarm(int slot);
    bool Armed(int slot) const;

    // Fires every slot whose deadline is at or before nowUs and returns the
    // earliest deadline still armed (kDisarmed when none).
    // Real-time: no allocation, no lock, no wait.
    int64_t FireDue(int64_t nowUs);
    int64_t Earliest() const;

    // Bumped whenever a deadline is set, so a sleeping driver re-reads them.
    std::atomic<uint32_t>& Generation() { return m_generation; }

    static constexpr int64_t kDisarmed = INT64_MAX;

private:
    struct Slot {
        std::atomic<int> used{0};
        std::atomic<int64_t> deadline{kDisarmed};
        std::atomic<Callback> callback{nullptr};
        std::atomic<void*> context{nullptr};
    };
    Slot m_slots[kSlots];
    std::atomic<uint32_t> m_generation{0};
};

// Runs the slots on a thread of its own that sleeps to absolute deadlines on
// CLOCK_MONOTONIC. A futex on the generation word wakes it early when a new
// deadline is set; no mutex is involved on either side.
class TimerThread {
public:
    explicit TimerThread(TimerSlots& slots);
    ~TimerThread();
    void Start();
    void Stop();
    // Called after arming so a sleeping thread picks up an earlier deadline.
    void Kick();

private:
    void Run();
    TimerSlots& m_slots;
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

// Simulated time for tests: Advance fires every timer that falls due in
// deadline order on the calling thread.
class SimClock final : public Clock {
public:
    explicit SimClock(TimerSlots* slots = nullptr) : m_slots(slots) {}
    int64_t NowUs() const override { return m_now.load(std::memory_order_acquire); }
    void SetSlots(TimerSlots* slots) { m_slots = slots; }
    void Advance(int64_t us);

private:
    std::atomic<int64_t> m_now{1000000};
    TimerSlots* m_slots;
};

}  // namespace kv::engine
