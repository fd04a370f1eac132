#include "engine/clock.h"

#include <linux/futex.h>
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

namespace kv::engine {

namespace {

constexpr int64_t kSpinUs = 60;

}  // namespace

int64_t SteadyClock::NowUs() const
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

int TimerSlots::Claim(Callback callback, void* context)
{
    for (int i = 0; i < kSlots; ++i) {
        int expected = 0;
        // acq_rel: the claim must be ordered before the callback words below
        // and after a previous owner's release.
        if (m_slots[i].used.compare_exchange_strong(expected, 1, std::memory_order_acq_rel)) {
            m_slots[i].deadline.store(kDisarmed, std::memory_order_relaxed);
            m_slots[i].callback.store(callback, std::memory_order_relaxed);
            m_slots[i].context.store(context, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

void TimerSlots::Release(int slot)
{
    if (slot < 0 || slot >= kSlots)
        return;
    m_slots[slot].deadline.store(kDisarmed, std::memory_order_release);
    m_slots[slot].used.store(0, std::memory_order_release);
}

void TimerSlots::Arm(int slot, int64_t deadlineUs)
{
    if (slot < 0 || slot >= kSlots)
        return;
    // release: the callback and context written at claim time are visible to
    // the firing thread once it sees the deadline.
    m_slots[slot].deadline.store(deadlineUs, std::memory_order_release);
    m_generation.fetch_add(1, std::memory_order_release);
}

void TimerSlots::Disarm(int slot)
{
    if (slot < 0 || slot >= kSlots)
        return;
    m_slots[slot].deadline.store(kDisarmed, std::memory_order_release);
}

bool TimerSlots::Armed(int slot) const
{
    if (slot < 0 || slot >= kSlots)
        return false;
    return m_slots[slot].deadline.load(std::memory_order_acquire) != kDisarmed;
}

int64_t TimerSlots::FireDue(int64_t nowUs)
{
    for (Slot& s : m_slots) {
        int64_t deadline = s.deadline.load(std::memory_order_acquire);
        if (deadline > nowUs)
            continue;
        // Only the thread that disarms the slot fires it, so a deadline is
        // never fired twice even if two drivers race.
        if (!s.deadline.compare_exchange_strong(deadline, kDisarmed, std::memory_order_acq_rel))
            continue;
        Callback cb = s.callback.load(std::memory_order_acquire);
        if (cb)
            cb(s.context.load(std::memory_order_acquire), static_cast<int>(&s - m_slots), nowUs);
    }
    return Earliest();
}

int64_t TimerSlots::Earliest() const
{
    int64_t earliest = kDisarmed;
    for (const Slot& s : m_slots) {
        int64_t d = s.deadline.load(std::memory_order_acquire);
        if (d < earliest)
            earliest = d;
    }
    return earliest;
}

TimerThread::TimerThread(TimerSlots& slots) : m_slots(slots) {}

TimerThread::~TimerThread()
{
    Stop();
}

void TimerThread::Start()
{
    if (m_thread.joinable())
        return;
    m_quit.store(false, std::memory_order_relaxed);
    m_thread = std::thread([this] { Run(); });
}

void TimerThread::Stop()
{
    if (!m_thread.joinable())
        return;
    m_quit.store(true, std::memory_order_release);
    Kick();
    m_thread.join();
}

void TimerThread::Kick()
{
    m_slots.Generation().fetch_add(1, std::memory_order_release);
    syscall(SYS_futex, reinterpret_cast<uint32_t*>(&m_slots.Generation()), FUTEX_WAKE | FUTEX_PRIVATE_FLAG, 1,
            nullptr, nullptr, 0);
}

void TimerThread::Run()
{
    // Asked for, not required: without the privilege the thread stays at
    // normal priority and timing is merely less steady under load.
    sched_param param{};
    param.sched_priority = std::max(sched_get_priority_min(SCHED_FIFO), 40);
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    // Timer slack (50 us by default for normal threads) would otherwise be
    // added to every deadline the thread sleeps to.
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    SteadyClock clock;
    while (!m_quit.load(std::memory_order_acquire)) {
        // Read the generation before the deadlines: a deadline armed after
        // this read changes the word, so the futex wait below returns at once.
        uint32_t generation = m_slots.Generation().load(std::memory_order_acquire);
        int64_t next = m_slots.FireDue(clock.NowUs());
        // The kernel wakes a sleeper tens of microseconds late; sleeping to
        // a little before the deadline and spinning the rest makes the
        // deadline exact for the price of that much CPU per wake-up.
        if (next != TimerSlots::kDisarmed && next - clock.NowUs() <= kSpinUs) {
            while (clock.NowUs() < next && m_slots.Generation().load(std::memory_order_acquire) == generation)
                __builtin_ia32_pause();
            continue;
        }
        timespec until;
        timespec* timeout = nullptr;
        if (next != TimerSlots::kDisarmed) {
            int64_t wake = next - kSpinUs;
            until.tv_sec = wake / 1000000;
            until.tv_nsec = (wake % 1000000) * 1000;
            timeout = &until;
        }
        // FUTEX_WAIT_BITSET takes an absolute CLOCK_MONOTONIC deadline, so a
        // late wake-up never accumulates into drift.
        syscall(SYS_futex, reinterpret_cast<uint32_t*>(&m_slots.Generation()),
                FUTEX_WAIT_BITSET | FUTEX_PRIVATE_FLAG, generation, timeout, nullptr, FUTEX_BITSET_MATCH_ANY);
    }
}

void SimClock::Advance(int64_t us)
{
    int64_t target = m_now.load(std::memory_order_relaxed) + us;
    while (m_slots) {
        int64_t next = m_slots->Earliest();
        if (next > target)
            break;
        if (next > m_now.load(std::memory_order_relaxed))
            m_now.store(next, std::memory_order_release);
        m_slots->FireDue(m_now.load(std::memory_order_relaxed));
    }
    m_now.store(target, std::memory_order_release);
}

}  // namespace kv::engine
