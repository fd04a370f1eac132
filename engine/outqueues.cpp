#include "engine/outqueues.h"

#include "engine/engine.h"
#include "engine/errors.h"

namespace kv::engine {

namespace {

// A device that keeps refusing (unplugged, broken) must not stall playback
// for ever: after this many refused drains the message is dropped with
// error 20. At one retry per millisecond that is a tenth of a second.
constexpr uint32_t kMaxRefusals = 100;

}  // namespace

int ShortLength(uint8_t status)
{
    if (status >= 0xF0) {
        if (status == 0xF2)
            return 3;
        if (status == 0xF1 || status == 0xF3)
            return 2;
        return 1;
    }
    uint8_t cls = status & 0xF0;
    return cls == 0xC0 || cls == 0xD0 ? 2 : 3;
}

bool OutputQueues::Enqueue(Ring ring, int port, uint32_t message)
{
    Queue& q = m_rings[ring];
    uint32_t tail = q.tail.load(std::memory_order_relaxed);
    for (;;) {
        // acquire: the head read pairs with the drainer's release after it
        // emptied a slot, so the slot is free to refill.
        uint32_t head = q.head.load(std::memory_order_acquire);
        if (tail - head >= kSlots - 1) {
            SetError(kErrTooMuchData);
            return false;
        }
        if (q.tail.compare_exchange_weak(tail, tail + 1, std::memory_order_acq_rel,
                                         std::memory_order_relaxed))
            break;
    }
    Slot& s = q.slots[tail % kSlots];
    s.port.store(port, std::memory_order_relaxed);
    s.message.store(message, std::memory_order_relaxed);
    // release: the drainer that sees ready sees port and message.
    s.ready.store(1, std::memory_order_release);
    return true;
}

bool OutputQueues::DrainOne(Engine& engine, Queue& q)
{
    uint32_t head = q.head.load(std::memory_order_relaxed);
    while (head != q.tail.load(std::memory_order_acquire)) {
        Slot& s = q.slots[head % kSlots];
        // A writer has reserved the slot but not filled it yet: what follows
        // waits for the next drain so that the order is kept.
        if (s.ready.load(std::memory_order_acquire) == 0)
            return true;
        uint32_t message = s.message.load(std::memory_order_relaxed);
        uint8_t bytes[3] = {static_cast<uint8_t>(message), static_cast<uint8_t>(message >> 8),
                            static_cast<uint8_t>(message >> 16)};
        if (!engine.SendToPort(s.port.load(std::memory_order_relaxed), bytes, ShortLength(bytes[0]))) {
            if (++q.refusals < kMaxRefusals)
                return true;
            SetError(kErrRetry);
        }
        q.refusals = 0;
        s.ready.store(0, std::memory_order_relaxed);
        ++head;
        q.head.store(head, std::memory_order_release);
    }
    return false;
}

bool OutputQueues::Drain(Engine& engine)
{
    bool expected = false;
    // acq_rel: whoever enters sees the ring positions the previous drainer
    // left, and publishes its own on leaving.
    if (!m_guard.compare_exchange_strong(expected, true, std::memory_order_acq_rel))
        return true;
    bool busy = false;
    // A send can make more to send (a loopback feeding MIDI thru); such
    // messages are taken in a further pass rather than left for a retry.
    for (int pass = 0; pass < 4; ++pass) {
        busy = false;
        for (Queue& q : m_rings)
            if (DrainOne(engine, q))
                busy = true;
        if (busy || Empty())
            break;
    }
    m_guard.store(false, std::memory_order_release);
    return busy;
}

bool OutputQueues::Empty() const
{
    for (const Queue& q : m_rings)
        if (q.head.load(std::memory_order_acquire) != q.tail.load(std::memory_order_acquire))
            return false;
    return true;
}

void OutputQueues::Clear()
{
    for (Queue& q : m_rings) {
        for (Slot& s : q.slots)
            s.ready.store(0, std::memory_order_relaxed);
        q.refusals = 0;
        q.head.store(0, std::memory_order_relaxed);
        q.tail.store(0, std::memory_order_release);
    }
}

}  // namespace kv::engine
