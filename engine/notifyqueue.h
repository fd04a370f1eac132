#pragma once

#include <atomic>
#include <cstdint>

namespace kv::engine {

// One queued notification. lParam is pointer-sized because engine work
// entries carry an address; everything handed to the window fits 32 bits.
struct Notification {
    uint32_t message;
    int32_t wParam;
    intptr_t lParam;
};

// The notification ring: 128 slots, one always left empty, many writers
// (timer thread, MIDI callbacks, window thread) and one reader (the window
// thread). Each slot's message word is its state: kFree outside the ring,
// kBusy while a writer fills it, 0 once consumed in place, else the message.
// Writers reserve by advancing the tail, or under overflow take over a
// consumed or a non-work slot inside the ring with a compare-and-swap on the
// message word; the reader retires consumed slots at the head the same way,
// so a slot is never owned by two parties.
class NotifyQueue {
public:
    static constexpr uint32_t kSlots = 128;
    static constexpr uint32_t kFree = 0xFFFFFFFFu;
    static constexpr uint32_t kBusy = 0xFFFFFFFEu;

    // Appends; false when the ring is full and the entry was dropped.
    // Engine work (ML_ENGINE_WORK) on a full ring takes a consumed slot, else
    // replaces the oldest entry that is not work; it is lost only when every
    // slot holds work. overwrote reports that a notification was lost.
    // Real-time: no allocation, no lock, no wait.
    bool Append(const Notification& n, bool* overwrote = nullptr);

    // Reader side (window thread only).
    // Takes every waiting ML_ENGINE_WORK entry, oldest first, marking it
    // consumed; returns how many were written to out (at most max).
    int TakeWork(Notification* out, int max);
    // Takes the oldest waiting notification; false when none is ready.
    bool Take(Notification* out);
    bool Empty() const;
    uint32_t Count() const;
    void Clear();

private:
    struct Slot {
        std::atomic<uint32_t> message{kFree};
        std::atomic<int32_t> wParam{0};
        std::atomic<intptr_t> lParam{0};
    };
    void Publish(Slot& slot, const Notification& n);
    bool TakeOver(uint32_t from, const Notification& n);
    void RetireConsumed();

    Slot m_slots[kSlots];
    std::atomic<uint32_t> m_head{0};  // next slot to read; written by the reader
    std::atomic<uint32_t> m_tail{0};  // next slot to reserve
};

}  // namespace kv::engine
