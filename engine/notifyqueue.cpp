#include "engine/notifyqueue.h"

#include "engine/midilib.h"

namespace kv::engine {

void NotifyQueue::Publish(Slot& slot, const Notification& n)
{
    slot.wParam.store(n.wParam, std::memory_order_relaxed);
    slot.lParam.store(n.lParam, std::memory_order_relaxed);
    // release: the reader that sees the message also sees both parameters.
    slot.message.store(n.message, std::memory_order_release);
}

bool NotifyQueue::Append(const Notification& n, bool* overwrote)
{
    if (overwrote)
        *overwrote = false;
    uint32_t tail = m_tail.load(std::memory_order_acquire);
    for (;;) {
        uint32_t head = m_head.load(std::memory_order_acquire);
        if (tail - head >= kSlots - 1)
            break;
        Slot& slot = m_slots[tail % kSlots];
        // The slot past the tail is free once the reader retired it; a
        // reader still retiring it makes us retry with a fresh tail.
        uint32_t expected = kFree;
        if (slot.message.load(std::memory_order_acquire) != kFree) {
            tail = m_tail.load(std::memory_order_acquire);
            continue;
        }
        if (!m_tail.compare_exchange_weak(tail, tail + 1, std::memory_order_acq_rel))
            continue;
        if (slot.message.compare_exchange_strong(expected, kBusy, std::memory_order_acq_rel)) {
            Publish(slot, n);
            return true;
        }
        // Unreachable in practice: a reserved slot is always free.
        return false;
    }
    if (n.message != ML_ENGINE_WORK)
        return false;
    if (TakeOver(0, n))
        return true;
    if (overwrote)
        *overwrote = true;
    return TakeOver(kBusy, n);
}

// from == 0: the first consumed slot from the oldest on; from == kBusy (used
// as "any"): the oldest slot holding a notification that is not work.
bool NotifyQueue::TakeOver(uint32_t from, const Notification& n)
{
    uint32_t head = m_head.load(std::memory_order_acquire);
    uint32_t tail = m_tail.load(std::memory_order_acquire);
    for (uint32_t i = head; i != tail; ++i) {
        Slot& slot = m_slots[i % kSlots];
        uint32_t msg = slot.message.load(std::memory_order_acquire);
        bool candidate =
            from == 0 ? msg == 0 : (msg != 0 && msg != kFree && msg != kBusy && msg != ML_ENGINE_WORK);
        if (!candidate)
            continue;
        if (slot.message.compare_exchange_strong(msg, kBusy, std::memory_order_acq_rel)) {
            Publish(slot, n);
            return true;
        }
    }
    return false;
}

void NotifyQueue::RetireConsumed()
{
    uint32_t head = m_head.load(std::memory_order_relaxed);
    uint32_t tail = m_tail.load(std::memory_order_acquire);
    while (head != tail) {
        Slot& slot = m_slots[head % kSlots];
        uint32_t expected = 0;
        if (!slot.message.compare_exchange_strong(expected, kFree, std::memory_order_acq_rel))
            break;
        ++head;
        // release: writers that see the new head also see the slot freed.
        m_head.store(head, std::memory_order_release);
    }
}

int NotifyQueue::TakeWork(Notification* out, int max)
{
    int count = 0;
    uint32_t head = m_head.load(std::memory_order_relaxed);
    uint32_t tail = m_tail.load(std::memory_order_acquire);
    for (uint32_t i = head; i != tail && count < max; ++i) {
        Slot& slot = m_slots[i % kSlots];
        uint32_t msg = slot.message.load(std::memory_order_acquire);
        if (msg != ML_ENGINE_WORK)
            continue;
        Notification n{msg, slot.wParam.load(std::memory_order_relaxed),
                       slot.lParam.load(std::memory_order_relaxed)};
        // Work is never replaced by a writer, so this only fails if the slot
        // changed under us, which the next call will pick up.
        if (slot.message.compare_exchange_strong(msg, 0, std::memory_order_acq_rel))
            out[count++] = n;
    }
    RetireConsumed();
    return count;
}

bool NotifyQueue::Take(Notification* out)
{
    for (;;) {
        RetireConsumed();
        uint32_t head = m_head.load(std::memory_order_relaxed);
        if (head == m_tail.load(std::memory_order_acquire))
            return false;
        Slot& slot = m_slots[head % kSlots];
        uint32_t msg = slot.message.load(std::memory_order_acquire);
        if (msg == kBusy || msg == kFree)
            return false;  // still being written
        Notification n{msg, slot.wParam.load(std::memory_order_relaxed),
                       slot.lParam.load(std::memory_order_relaxed)};
        // A failed swap means an overflowing writer replaced the entry with
        // work between our reads; read the slot again.
        if (!slot.message.compare_exchange_strong(msg, 0, std::memory_order_acq_rel))
            continue;
        *out = n;
        RetireConsumed();
        return true;
    }
}

bool NotifyQueue::Empty() const
{
    return Count() == 0;
}

uint32_t NotifyQueue::Count() const
{
    uint32_t count = 0;
    uint32_t head = m_head.load(std::memory_order_acquire);
    uint32_t tail = m_tail.load(std::memory_order_acquire);
    for (uint32_t i = head; i != tail; ++i) {
        uint32_t msg = m_slots[i % kSlots].message.load(std::memory_order_acquire);
        if (msg != 0 && msg != kFree)
            ++count;
    }
    return count;
}

void NotifyQueue::Clear()
{
    Notification n;
    while (Take(&n)) {
    }
    Notification work[kSlots];
    TakeWork(work, kSlots);
}

}  // namespace kv::engine
