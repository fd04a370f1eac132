// The playback scheduler. Go, Stop and the helpers they share run on the
// window thread; OnTimer and everything it calls run on the timer thread.

#include "engine/player.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "engine/blocks.h"
#include "engine/engine.h"
#include "engine/errors.h"

namespace kv::engine {

namespace {

constexpr int64_t kIdleWakeUs = 50000;  // a run with nothing due still re-wakes the window
constexpr int64_t kRetryUs = 1000;      // a busy device is tried again after a millisecond
constexpr size_t kSysExScratch = 1u << 20;

int Clamp(int v, int low, int high)
{
    return v < low ? low : (v > high ? high : v);
}

uint32_t Pack(uint8_t status, uint8_t data1, uint8_t data2)
{
    return status | (uint32_t{data1} << 8) | (uint32_t{data2} << 16);
}

// System exclusive of a played track goes out whole in one send, so it is
// assembled here once; sized like the largest output buffer the options allow.
uint8_t g_sysex[kSysExScratch];

}  // namespace

Player& Player::Get()
{
    static Player player;
    return player;
}

Player::Player() : m_engine(Engine::Get()) {}

bool Player::Flag(int code) const
{
    return m_engine.Set().Flag(code);
}

// Real-time: no allocation, no lock, no wait.
int64_t Player::TicksToUs(int64_t ticks) const
{
    // ticks x tempo x 1000 / (scale x timebase), rounded to the nearest
    // microsecond; 128-bit so that no tempo and tick count can overflow.
    __int128 num = static_cast<__int128>(ticks < 0 ? -ticks : ticks) * m_tempo * 1000;
    __int128 den = static_cast<__int128>(m_scale) * std::max(m_timebase, 1);
    auto us = static_cast<int64_t>((num + den / 2) / den);
    return ticks < 0 ? -us : us;
}

// Real-time: no allocation, no lock, no wait.
int64_t Player::UsToTicks(int64_t us) const
{
    __int128 num = static_cast<__int128>(us < 0 ? -us : us) * m_scale * std::max(m_timebase, 1);
    __int128 den = static_cast<__int128>(std::max<uint32_t>(m_tempo, 1)) * 1000;
    auto ticks = static_cast<int64_t>(num / den);
    return us < 0 ? -ticks : ticks;
}

// --- output

bool Player::SendNow(OutputQueues::Ring ring, int port, uint32_t message)
{
    if (!m_queues.Enqueue(ring, port, message))
        return false;
    DrainOrRetry();
    return true;
}

void Player::DrainOrRetry()
{
    if (!m_queues.Drain(m_engine))
        return;
    // Outside a run nothing else drains: a one-shot retry keeps trying every
    // millisecond while the device stays busy.
    int slot = m_retrySlot.load(std::memory_order_acquire);
    if (slot < 0) {
        slot = m_engine.Timers().Claim(&Player::RetryFired, this);
        int expected = -1;
        if (slot >= 0 && !m_retrySlot.compare_exchange_strong(expected, slot, std::memory_order_acq_rel)) {
            m_engine.Timers().Release(slot);
            slot = expected;
        }
    }
    if (slot >= 0) {
        m_engine.Timers().Arm(slot, m_engine.NowUs() + kRetryUs);
        m_engine.KickTimers();
    }
}

// Real-time: no allocation, no lock, no wait.
void Player::RetryFired(void* context, int slot, int64_t nowUs)
{
    auto* p = static_cast<Player*>(context);
    p->m_inCallback.fetch_add(1, std::memory_order_seq_cst);
    if (!p->m_shutdown.load(std::memory_order_seq_cst) && p->m_queues.Drain(p->m_engine))
        p->m_engine.Timers().Arm(slot, nowUs + kRetryUs);
    p->m_inCallback.fetch_sub(1, std::memory_order_release);
}

void Player::SongPositionPointer()
{
    int64_t value = int64_t{m_engine.Set().startTicks.load(std::memory_order_acquire)} * 4 /
                    std::max(1, m_engine.Set().timebase.load(std::memory_order_acquire));
    uint32_t message = Pack(0xF2, value & 0x7F, (value >> 7) & 0x7F);
    SendNow(OutputQueues::kImmediate, m_engine.RolePort(kClockPort), message);
}

// Real-time: no allocation, no lock, no wait.
bool Player::Transform(const PlayTrack& t, const TrackEvent& e, uint32_t* message) const
{
    uint8_t cls = e.status & 0xF0;
    uint8_t channel = t.channel != kNoChannel ? t.channel : (e.status & 0x0F);
    uint8_t status = cls | channel;
    int data1 = e.data1, data2 = e.data2;
    if (cls == 0x80 || cls == 0x90 || cls == 0xA0)
        data1 =
            Clamp(data1 + m_channelTranspose[channel].load(std::memory_order_relaxed) + t.transpose, 0, 127);
    if (cls == 0x90 && data2 > 0)
        data2 = Clamp(data2 + t.velocityOffset, 1, 127);
    if (cls == 0xB0 && !t.ControllerAllowed(data1))
        return false;
    if (!PassesFilter(t.filter, status, data1, data2))
        return false;
    *message = Pack(status, data1, data2);
    return true;
}

// Real-time: no allocation, no lock, no wait.
void Player::ReportPlayed(const PlayTrack& t, uint32_t value)
{
    if (!Flag(kFlagPlayedNotify))
        return;
    uint8_t status = value & 0xFF;
    uint32_t filter = m_engine.Set().playedFilter.load(std::memory_order_acquire);
    bool passes = status >= 0x80 ? PassesFilter(filter, status, (value >> 8) & 0xFF, (value >> 16) & 0xFF)
                                 : !(filter & 0x80);  // meta values: the system class
    if (!passes)
        return;
    value = (value & 0xFFFFFF) | (static_cast<uint32_t>(t.trackId.load(std::memory_order_relaxed)) << 24);
    m_engine.Notify(ML_EVENT_PLAYED, t.eventIndex.load(std::memory_order_relaxed),
                    static_cast<int32_t>(value));
}

// Real-time: no allocation, no lock, no wait.
void Player::SendSysEx(const PlayTrack& t, const TrackEvent& e)
{
    size_t n = 0;
    if (e.status == 0xF0)
        g_sysex[n++] = 0xF0;
    if (e.length + n > std::min<size_t>(kSysExScratch, m_engine.Set().outSysExSize)) {
        SetError(kErrSysExTooLong);
        return;
    }
    if (e.length == 0 && n == 0)
        return;
    memcpy(g_sysex + n, e.data, e.length);
    // The rings carry short messages only: what was queued before goes first.
    m_queues.Drain(m_engine);
    m_engine.SendToPort(t.port, g_sysex, n + e.length);
}

// Real-time: no allocation, no lock, no wait.
void Player::ConductorMeta(PlayTrack& t, const TrackEvent& e)
{
    if (e.metaType == 0x51 && e.length >= 3) {
        uint32_t tempo = (e.data[0] << 16) | (e.data[1] << 8) | e.data[2];
        if (tempo == 0)
            return;
        m_metaTempo = tempo;
        m_metaTempoPending = true;
    } else if (e.metaType == 0x58 && e.length >= 4) {
        m_pendBeat = int64_t{e.data[2]} * m_ticksPerClock;
        m_pendMeasure = int64_t{96 >> std::min<int>(e.data[1], 7)} * e.data[0] * m_ticksPerClock;
        m_pendTsTick = t.passTick;
        m_tsPending = true;
    }
}

// Real-time: no allocation, no lock, no wait.
void Player::PlayMeta(PlayTrack& t, const TrackEvent& e, bool chasing)
{
    uint32_t value = 0;
    if (t.conductor) {
        ConductorMeta(t, e);
        if (e.metaType == 0x51 && e.length >= 3 && m_metaTempoPending)
            value = 0x51 | ((60000000 / m_metaTempo) & 0xFFFF) << 8;
        else if (e.metaType == 0x58 && e.length >= 4)
            value = 0x58 | e.data[0] << 8 | e.data[1] << 16;
    }
    bool report = !chasing || Flag(kFlagChaseNotify);
    if (value != 0 && report)
        ReportPlayed(t, value);
    if (e.metaType == 0x7F && Flag(kFlagMetaNotify) && report)
        m_engine.Notify(ML_META_REACHED, static_cast<int32_t>(t.block), e.data - t.start);
    if (!chasing && OwnRecordType(e) == 0x00) {
        // The command text is copied out, zero-terminated, into a slot of a
        // fixed ring: the window thread runs it later, by which time the
        // track data may have been replaced and freed.
        char* text = m_mediaText[m_mediaNext++ % kMediaSlots];
        size_t n = std::min<size_t>(e.length - 4, kMediaTextSize - 1);
        memcpy(text, e.data + 4, n);
        text[n] = '\0';
        m_engine.Notify(ML_ENGINE_WORK, 5, reinterpret_cast<intptr_t>(text));
    }
}

// --- window thread: run control

int32_t Player::Go()
{
    Engine& engine = m_engine;
    Settings& s = engine.Set();
    RunState& run = engine.Run();
    int32_t mode = s.syncMode.load(std::memory_order_acquire);
    if ((mode == 1 || mode == 2) && engine.SyncInput() < 0) {
        SetError(kErrNeedsInput);
        return 0;
    }
    int n = m_count.load(std::memory_order_acquire);
    m_timebase = std::max(s.timebase.load(std::memory_order_acquire), 1);
    m_ticksPerClock = std::max(m_timebase / 24, 1);
    if (n == 0 && Flag(kFlagSendSongPosition))
        SongPositionPointer();
    int64_t countIn = s.countIn.load(std::memory_order_acquire);
    m_startPos = s.startTicks.load(std::memory_order_acquire);
    m_clockPos = -countIn;
    m_songPos = m_anchorTick = m_startPos - countIn;
    m_ticksSinceAnchor = 0;
    m_clickPending = false;
    m_pendingOffCount = 0;
    m_startTaken = false;
    if (m_tsPending && m_pendBeat >= 1 && m_pendMeasure >= m_pendBeat) {
        m_beat = m_pendBeat;
        m_measure = m_pendMeasure;
        m_tsTick = m_pendTsTick;
    } else {
        m_beat = m_timebase;
        m_measure = 4 * m_timebase;
        m_tsTick = 0;
    }
    m_tsPending = false;
    for (int i = 0; i < n; ++i)
        if (!m_tracks[i].finished.load(std::memory_order_relaxed))
            m_tracks[i].timeToNext += countIn;
    m_tempo = s.usPerQuarter.load(std::memory_order_acquire);
    if (m_metaTempoPending) {
        m_tempo = m_metaTempo;
        s.usPerQuarter.store(m_tempo, std::memory_order_release);
    }
    m_metaTempoPending = false;
    m_tempoPending.store(false, std::memory_order_relaxed);
    m_scale = static_cast<uint32_t>(s.tempoScale.load(std::memory_order_acquire));
    m_pubTempo.store(m_tempo, std::memory_order_relaxed);
    m_pubScale.store(m_scale, std::memory_order_relaxed);
    PickCurrent();
    if (n == 0)
        m_periodMs = std::max<int32_t>(static_cast<int32_t>(m_tempo / (m_timebase * 1000u)), 1);
    // The clock grid: the first clock falls on the first multiple of ticks
    // per clock at or after the count-in's start.
    int64_t x = m_clockPos + m_startPos;
    int64_t r = ((x % m_ticksPerClock) + m_ticksPerClock) % m_ticksPerClock;
    if (r == 0)
        r = m_ticksPerClock;
    m_clockPos = x - r;
    m_nextPositionUs = kNever;
    m_positionSet.store(false, std::memory_order_relaxed);
    m_positionMs.store(0, std::memory_order_relaxed);
    m_commandHead.store(m_commandTail.load(std::memory_order_acquire), std::memory_order_release);

    int slot = engine.Timers().Claim(&Player::TimerFired, this);
    if (slot < 0) {
        SetError(kErrRetry);
        return 0;
    }
    run.lastEventTick.store(static_cast<int32_t>(m_songPos), std::memory_order_relaxed);
    run.clockTicks.store(static_cast<int32_t>(m_clockPos), std::memory_order_relaxed);
    run.clockStartUs.store(engine.NowUs(), std::memory_order_relaxed);
    run.stopRequested.store(m_unfinished.load(std::memory_order_relaxed) == 0, std::memory_order_relaxed);
    run.started.store(true, std::memory_order_relaxed);
    run.stopped.store(false, std::memory_order_release);
    engine.Notify(ML_TEMPO, static_cast<int32_t>(m_scale & 0xFFFF), static_cast<int32_t>(60000000 / m_tempo));
    m_slot.store(slot, std::memory_order_release);
    // release (inside Arm): the timer thread that fires the slot sees every
    // track and run value written above.
    engine.Timers().Arm(slot, engine.NowUs());
    engine.KickTimers();
    return 1;
}

int32_t Player::Stop()
{
    RunState& run = m_engine.Run();
    run.stopRequested.store(true, std::memory_order_release);
    m_engine.Set().metronomeMode.store(0, std::memory_order_release);
    Poke();
    return 1;
}

void Player::Poke()
{
    // seq_cst: pairs with the fence in Rearm, so either the timer sees what
    // was handed over or this arm lands after the timer's own.
    std::atomic_thread_fence(std::memory_order_seq_cst);
    int slot = m_slot.load(std::memory_order_acquire);
    if (slot < 0)
        return;
    m_engine.Timers().Arm(slot, m_engine.NowUs());
    m_engine.KickTimers();
}

int32_t Player::SetPositionTimer(uint32_t ms)
{
    m_positionMs.store(static_cast<int32_t>(ms), std::memory_order_relaxed);
    m_positionSet.store(true, std::memory_order_release);
    Poke();
    return 1;
}

void Player::TempoChanged()
{
    m_tempoPending.store(true, std::memory_order_release);
}

int32_t Player::SongTicksNow() const
{
    RunState& run = m_engine.Run();
    if (!run.Running() || !run.started.load(std::memory_order_acquire))
        return run.lastEventTick.load(std::memory_order_acquire);
    int64_t anchorUs = m_pubAnchorUs.load(std::memory_order_acquire);
    if (anchorUs == 0)
        return run.lastEventTick.load(std::memory_order_acquire);
    __int128 us = m_engine.NowUs() - anchorUs;
    if (us < 0)
        us = 0;
    __int128 ticks =
        us * m_pubScale.load(std::memory_order_relaxed) * std::max(m_timebase, 1) /
        (static_cast<__int128>(std::max<uint32_t>(m_pubTempo.load(std::memory_order_relaxed), 1)) * 1000);
    return static_cast<int32_t>(m_pubAnchorTick.load(std::memory_order_relaxed) +
                                static_cast<int64_t>(ticks));
}

void Player::Reset()
{
    m_shutdown.store(true, std::memory_order_seq_cst);
    for (std::atomic<int>* s : {&m_slot, &m_retrySlot}) {
        int slot = s->exchange(-1, std::memory_order_acq_rel);
        if (slot >= 0) {
            m_engine.Timers().Disarm(slot);
            m_engine.Timers().Release(slot);
        }
    }
    // A callback already inside finishes before the tracks go.
    while (m_inCallback.load(std::memory_order_seq_cst) != 0)
        std::this_thread::yield();
    if (m_tracks)
        ReleaseTracks();
    int retry = m_retrySlot.exchange(-1, std::memory_order_acq_rel);
    if (retry >= 0) {
        m_engine.Timers().Disarm(retry);
        m_engine.Timers().Release(retry);
    }
    m_queues.Clear();
    m_commandHead.store(m_commandTail.load(std::memory_order_relaxed), std::memory_order_relaxed);
    m_replacePending.store(false, std::memory_order_relaxed);
    for (auto& c : m_channelTranspose)
        c.store(0, std::memory_order_relaxed);
    m_defaultControllers[0] = m_defaultControllers[1] = ~0ull;
    m_metaTempoPending = m_tsPending = false;
    m_shutdown.store(false, std::memory_order_seq_cst);
}

// --- timer thread

// Real-time: no allocation, no lock, no wait.
void Player::TimerFired(void* context, int, int64_t nowUs)
{
    auto* p = static_cast<Player*>(context);
    // seq_cst: pairs with Reset, which raises the flag and then waits for
    // this count to reach zero.
    p->m_inCallback.fetch_add(1, std::memory_order_seq_cst);
    if (!p->m_shutdown.load(std::memory_order_seq_cst))
        p->OnTimer(nowUs);
    p->m_inCallback.fetch_sub(1, std::memory_order_release);
}

// Real-time: no allocation, no lock, no wait.
void Player::TakeCommands()
{
    uint32_t head = m_commandHead.load(std::memory_order_relaxed);
    uint32_t tail = m_commandTail.load(std::memory_order_acquire);
    while (head != tail) {
        ApplyCommand(m_commands[head % kCommandSlots]);
        ++head;
    }
    m_commandHead.store(head, std::memory_order_release);
}

// Real-time: no allocation, no lock, no wait.
void Player::PickCurrent()
{
    int n = m_count.load(std::memory_order_acquire);
    m_current = -1;
    int64_t best = 0;
    for (int i = 0; i < n; ++i) {
        const PlayTrack& t = m_tracks[i];
        if (t.finished.load(std::memory_order_relaxed))
            continue;
        if (m_current < 0 || t.timeToNext < best) {
            m_current = i;
            best = t.timeToNext;
        }
    }
    m_nextEventUs = m_current < 0 ? kNever : TickUs(m_songPos + best);
}

// Real-time: no allocation, no lock, no wait.
int64_t Player::PendingOffTick() const
{
    int64_t tick = kNever;
    for (int i = 0; i < m_pendingOffCount; ++i)
        tick = std::min(tick, m_pendingOffs[i].tick);
    return tick;
}

// Real-time: no allocation, no lock, no wait.
void Player::SendPendingOffs(int64_t tick)
{
    int kept = 0;
    for (int i = 0; i < m_pendingOffCount; ++i) {
        const PendingOff& p = m_pendingOffs[i];
        if (p.tick <= tick)
            m_queues.Enqueue(tick == INT64_MAX ? OutputQueues::kImmediate : OutputQueues::kPlayback, p.port,
                             p.message);
        else
            m_pendingOffs[kept++] = p;
    }
    m_pendingOffCount = kept;
}

// Real-time: no allocation, no lock, no wait.
void Player::OnTimer(int64_t now)
{
    Engine& engine = m_engine;
    RunState& run = engine.Run();
    engine.Rewake();
    TakeCommands();
    if (run.stopRequested.load(std::memory_order_acquire)) {
        StopSequence(now);
        return;
    }
    if (m_queues.Drain(engine)) {
        engine.Timers().Arm(m_slot.load(std::memory_order_relaxed), now + kRetryUs);
        return;
    }
    if (!run.started.load(std::memory_order_acquire))
        return;
    if (m_positionSet.exchange(false, std::memory_order_acq_rel)) {
        int32_t ms = m_positionMs.load(std::memory_order_relaxed);
        m_nextPositionUs = ms > 0 ? now + int64_t{ms} * 1000 : kNever;
    }
    if (now >= m_nextPositionUs) {
        int64_t interval = int64_t{m_positionMs.load(std::memory_order_relaxed)} * 1000;
        m_nextPositionUs = interval > 0 ? std::max(m_nextPositionUs + interval, now + 1) : kNever;
        engine.Notify(ML_POSITION_TICK, 0, 0);
    }
    if (!m_startTaken) {
        m_startTaken = true;
        m_anchorUs = now;
        run.clockStartUs.store(now, std::memory_order_release);
        m_nextClockUs = TickUs(m_clockPos + m_ticksPerClock);
        PickCurrent();
        m_pubAnchorTick.store(m_anchorTick, std::memory_order_relaxed);
        m_pubAnchorUs.store(m_anchorUs, std::memory_order_release);
    }
    if (m_replacePending.exchange(false, std::memory_order_acq_rel)) {
        PerformReplacements();
        PickCurrent();
    }
    // Clock ticks, replaced tracks' note-offs and track events in time order;
    // at equal times the clock goes first (Start before the first note), then
    // note-offs (so a replaced note ends before a new one at its key).
    for (;;) {
        int64_t offTick = PendingOffTick();
        int64_t offUs = offTick == kNever ? kNever : TickUs(offTick);
        int64_t eventUs = m_current < 0 ? kNever : m_nextEventUs;
        int64_t due = std::min({m_nextClockUs, offUs, eventUs});
        if (due > now)
            break;
        if (m_nextClockUs == due) {
            ClockStep();
        } else if (offUs == due) {
            SendPendingOffs(offTick);
            m_queues.Drain(engine);
        } else if (!EventStep()) {
            break;
        }
        if (run.stopRequested.load(std::memory_order_relaxed))
            break;
    }
    run.lastEventTick.store(static_cast<int32_t>(m_songPos), std::memory_order_relaxed);
    run.clockTicks.store(static_cast<int32_t>(m_clockPos), std::memory_order_relaxed);
    engine.Rewake();
    Rearm(now);
}

// Real-time: no allocation, no lock, no wait.
void Player::Rearm(int64_t now)
{
    int slot = m_slot.load(std::memory_order_relaxed);
    int64_t offTick = PendingOffTick();
    int64_t deadline =
        std::min({m_nextClockUs, m_current < 0 ? kNever : m_nextEventUs,
                  offTick == kNever ? kNever : TickUs(offTick), m_nextPositionUs, now + kIdleWakeUs});
    if (!m_queues.Empty())
        deadline = now + kRetryUs;  // a device refused: try again in a millisecond
    if (m_engine.Run().stopRequested.load(std::memory_order_acquire))
        deadline = now;
    m_engine.Timers().Arm(slot, std::max(deadline, now));
    // seq_cst: pairs with the fence in Poke (see there).
    std::atomic_thread_fence(std::memory_order_seq_cst);
    bool handedOver =
        m_commandHead.load(std::memory_order_relaxed) != m_commandTail.load(std::memory_order_acquire) ||
        m_replacePending.load(std::memory_order_acquire) || m_positionSet.load(std::memory_order_acquire) ||
        m_engine.Run().stopRequested.load(std::memory_order_acquire);
    if (handedOver)
        m_engine.Timers().Arm(slot, now);
}

// Real-time: no allocation, no lock, no wait.
void Player::StopSequence(int64_t now)
{
    Engine& engine = m_engine;
    RunState& run = engine.Run();
    int slot = m_slot.load(std::memory_order_relaxed);
    if (m_clickPending) {
        m_queues.Enqueue(OutputQueues::kPlayback, engine.RolePort(kMetronomePort), m_clickOff);
        m_clickPending = false;
    }
    if (m_queues.Drain(engine)) {
        engine.Timers().Arm(slot, now + kRetryUs);
        return;
    }
    engine.Notify(ML_STOPPED, 1, static_cast<int32_t>(m_clockPos));
    run.started.store(false, std::memory_order_release);
    if (Flag(kFlagSendRealTime)) {
        m_queues.Enqueue(OutputQueues::kPlayback, engine.RolePort(kClockPort), 0xFC);
        m_queues.Drain(engine);
    }
    run.lastEventTick.store(static_cast<int32_t>(m_songPos), std::memory_order_relaxed);
    run.clockTicks.store(static_cast<int32_t>(m_clockPos), std::memory_order_relaxed);
    m_pubAnchorUs.store(0, std::memory_order_relaxed);
    m_slot.store(-1, std::memory_order_release);
    engine.Timers().Disarm(slot);
    engine.Timers().Release(slot);
    // release, last: once the window thread sees the run stopped, this
    // thread no longer touches the tracks.
    run.stopped.store(true, std::memory_order_release);
}

// Real-time: no allocation, no lock, no wait.
void Player::ClockStep()
{
    Engine& engine = m_engine;
    Settings& s = engine.Set();
    m_clockPos += m_ticksPerClock;
    if (Flag(kFlagClockNotify) && m_clockPos % m_timebase == 0)
        engine.Notify(ML_CLOCK, 0, static_cast<int32_t>(m_clockPos));
    int clockPort = engine.RolePort(kClockPort);
    if (Flag(kFlagSendRealTime) && m_clockPos == m_startPos)
        m_queues.Enqueue(OutputQueues::kPlayback, clockPort, m_startPos == 0 ? 0xFA : 0xFB);
    if (Flag(kFlagSendClock))
        m_queues.Enqueue(OutputQueues::kPlayback, clockPort, 0xF8);
    int metronomePort = engine.RolePort(kMetronomePort);
    if (m_clickPending && m_clockPos >= m_clickOffPos) {
        m_queues.Enqueue(OutputQueues::kPlayback, metronomePort, m_clickOff);
        m_clickPending = false;
    }
    if (m_tsPending && s.syncMode.load(std::memory_order_relaxed) != 1) {
        if (m_pendBeat >= 1 && m_pendMeasure >= m_pendBeat) {
            m_beat = m_pendBeat;
            m_measure = m_pendMeasure;
            m_tsTick = m_pendTsTick;
        }
        m_tsPending = false;
    }
    int32_t mode = s.metronomeMode.load(std::memory_order_relaxed);
    int64_t distance = m_clockPos - m_tsTick;
    if (mode != 0 && ((distance % m_beat) + m_beat) % m_beat == 0) {
        bool accent = mode == 2 && ((distance % m_measure) + m_measure) % m_measure == 0;
        uint32_t note = s.metronomeNotes[accent ? 0 : 1].load(std::memory_order_relaxed);
        uint8_t status = 0x90 | (note & 0x0F);
        m_queues.Enqueue(OutputQueues::kPlayback, metronomePort,
                         Pack(status, (note >> 8) & 0x7F, (note >> 16) & 0x7F));
        m_clickPending = true;
        m_clickOffPos = m_clockPos + m_timebase / 12;
        m_clickOff = Pack(status, (note >> 8) & 0x7F, 0);
    }
    m_nextClockUs = TickUs(m_clockPos + m_ticksPerClock);
    m_queues.Drain(engine);
}

// Real-time: no allocation, no lock, no wait.
bool Player::EventStep()
{
    RunState& run = m_engine.Run();
    if (m_unfinished.load(std::memory_order_relaxed) == 0 || m_current < 0) {
        run.stopRequested.store(true, std::memory_order_release);
        return false;
    }
    if (!m_queues.Empty())
        return false;
    PlayTrack& t = m_tracks[m_current];
    int64_t consumed = t.timeToNext;
    m_songPos += consumed;
    m_ticksSinceAnchor += consumed;
    int n = m_count.load(std::memory_order_acquire);
    for (int i = 0; i < n; ++i)
        if (!m_tracks[i].finished.load(std::memory_order_relaxed))
            m_tracks[i].timeToNext -= consumed;
    FilterChanges(t);
    TrackEvent e;
    bool illegal = false;
    if (ReadEvent(t, &e, &illegal)) {
        PlayEvent(t, e);
        m_queues.Drain(m_engine);
        bool scaleChanged =
            static_cast<uint32_t>(m_engine.Set().tempoScale.load(std::memory_order_relaxed)) != m_scale;
        if (m_metaTempoPending || scaleChanged || m_tempoPending.load(std::memory_order_relaxed))
            ApplyTempo();
        NextDelta(t);
    } else {
        if (illegal)
            SetError(kErrIllegalData);
        EndOfPass(t);
    }
    if (m_unfinished.load(std::memory_order_relaxed) == 0) {
        run.stopRequested.store(true, std::memory_order_release);
        m_current = -1;
        return false;
    }
    PickCurrent();
    return true;
}

// Real-time: no allocation, no lock, no wait.
void Player::PlayEvent(PlayTrack& t, const TrackEvent& e)
{
    if (e.kind == TrackEvent::kShort) {
        uint32_t message;
        if (!Transform(t, e, &message))
            return;
        m_queues.Enqueue(OutputQueues::kPlayback, t.port, message);
        UpdateHeldNotes(t, message & 0xFF, (message >> 8) & 0xFF, (message >> 16) & 0xFF);
        ReportPlayed(t, message);
        if (m_soloOn.load(std::memory_order_acquire) &&
            m_soloId.load(std::memory_order_relaxed) == t.trackId.load(std::memory_order_relaxed)) {
            m_engine.Run().soloIndex.store(t.eventIndex.load(std::memory_order_relaxed),
                                           std::memory_order_release);
            m_engine.Notify(ML_SOLO_EVENT, 0, 0);
        }
    } else if (e.kind == TrackEvent::kSysEx) {
        if (!(t.filter & 0x80))
            SendSysEx(t, e);
    } else {
        PlayMeta(t, e, false);
    }
}

// Real-time: no allocation, no lock, no wait.
void Player::NextDelta(PlayTrack& t)
{
    int64_t delta;
    if (!ReadDelta(t, &delta)) {
        EndOfPass(t);
        return;
    }
    if (t.endGap != 0 && t.endPos - t.readPos >= 2 && t.readPos[0] == 0xFF && t.readPos[1] == 0x2F)
        delta += t.endGap;
    t.timeToNext = delta;
    t.passTick += delta;
}

// Real-time: no allocation, no lock, no wait.
void Player::EndOfPass(PlayTrack& t)
{
    if (t.loopsLeft <= 1) {
        SetFinished(t, true);
        return;
    }
    uint32_t next = t.queuedBlock.exchange(0, std::memory_order_acq_rel);
    uint32_t size = 0;
    const uint8_t* data = next ? Blocks().Resolve(next, &size) : nullptr;
    if (data != nullptr) {
        bool own = t.block == t.ownBlock;
        if (own)
            t.ownBlock = 0;
        intptr_t work = (static_cast<intptr_t>(&t - m_tracks.get()) << 33) | (intptr_t{own} << 32) | t.block;
        t.takenBlock.store(next, std::memory_order_release);
        t.start = t.readPos = data;
        t.endPos = data + size;
        t.block = next;
        t.byteLength = size;
        t.runningStatus = 0;
        m_engine.Notify(ML_ENGINE_WORK, 3, work);
    } else {
        t.readPos = t.start;
        t.runningStatus = 0;
        m_engine.Notify(ML_TRACK_LOOPED, t.trackId.load(std::memory_order_relaxed),
                        (t.loopsLeft - 2) & 0xFFFF);
    }
    t.eventIndex.store(-1, std::memory_order_relaxed);
    --t.loopsLeft;
    int64_t delta;
    if (!ReadDelta(t, &delta)) {
        SetFinished(t, true);
        return;
    }
    t.timeToNext = delta;
    t.passTick += delta;
}

// Real-time: no allocation, no lock, no wait.
void Player::ApplyTempo()
{
    Settings& s = m_engine.Set();
    int64_t anchorUs = TickUs(m_songPos);
    if (m_tempoPending.exchange(false, std::memory_order_acq_rel))
        m_tempo = s.usPerQuarter.load(std::memory_order_acquire);
    if (m_metaTempoPending) {
        m_tempo = m_metaTempo;
        s.usPerQuarter.store(m_tempo, std::memory_order_release);
        m_metaTempoPending = false;
    }
    m_scale = static_cast<uint32_t>(s.tempoScale.load(std::memory_order_acquire));
    m_anchorUs = anchorUs;
    m_anchorTick = m_songPos;
    m_ticksSinceAnchor = 0;
    m_nextClockUs = TickUs(m_clockPos + m_ticksPerClock);
    m_pubTempo.store(m_tempo, std::memory_order_relaxed);
    m_pubScale.store(m_scale, std::memory_order_relaxed);
    m_pubAnchorTick.store(m_anchorTick, std::memory_order_relaxed);
    m_pubAnchorUs.store(m_anchorUs, std::memory_order_release);
    m_engine.Notify(ML_TEMPO, static_cast<int32_t>(m_scale & 0xFFFF),
                    static_cast<int32_t>(60000000 / m_tempo));
}

// Real-time: no allocation, no lock, no wait.
void Player::FilterChanges(PlayTrack& t)
{
    int index = static_cast<int>(&t - m_tracks.get());
    while (t.change1Tick != 0 && t.change1Tick <= m_songPos) {
        t.filter = t.change1Filter;
        t.change1Tick = t.change2Tick;
        t.change1Filter = t.change2Filter;
        t.change2Tick = 0;
        t.change2Filter = kNoChange;
        m_scheduledChanges[index].fetch_sub(1, std::memory_order_acq_rel);
        // Silenced here rather than through window-thread work: the held
        // notes belong to this thread while the run lasts.
        if ((t.filter & 0xFF) == 0xFF)
            SendHeldOffs(t, OutputQueues::kImmediate);
    }
}

// Real-time: no allocation, no lock, no wait.
void Player::PerformReplacements()
{
    int n = m_count.load(std::memory_order_acquire);
    for (int i = 0; i < n; ++i) {
        PlayTrack& t = m_tracks[i];
        Replacement* rep = t.replacement.load(std::memory_order_acquire);
        if (rep == nullptr)
            continue;
        // Note-offs of the notes still sounding, read ahead in the old data
        // and kept with their ticks so that they end where they would have.
        if (t.HeldCount() > 0 && !t.finished.load(std::memory_order_relaxed) && t.start != nullptr) {
            PlayTrack ahead;
            ahead.start = t.start;
            ahead.readPos = t.readPos;
            ahead.endPos = t.endPos;
            ahead.runningStatus = t.runningStatus;
            int64_t tick = t.passTick;
            TrackEvent e;
            int64_t delta;
            while (t.HeldCount() > 0 && ReadEvent(ahead, &e)) {
                uint8_t cls = e.status & 0xF0;
                bool noteOff = e.kind == TrackEvent::kShort && (cls == 0x80 || (cls == 0x90 && e.data2 == 0));
                bool pedalUp = e.kind == TrackEvent::kShort && cls == 0xB0 && e.data1 == 64 && e.data2 < 64;
                if (noteOff || pedalUp) {
                    uint8_t channel = t.channel != kNoChannel ? t.channel : (e.status & 0x0F);
                    int key = e.data1;
                    if (noteOff)
                        key = Clamp(
                            key + m_channelTranspose[channel].load(std::memory_order_relaxed) + t.transpose,
                            0, 127);
                    uint16_t entry = static_cast<uint16_t>(((noteOff ? 0x90 : 0xB0) | channel) | (key << 8));
                    for (auto& h : t.heldNotes) {
                        if (h.load(std::memory_order_relaxed) != entry)
                            continue;
                        h.store(0, std::memory_order_relaxed);
                        if (m_pendingOffCount < kMaxPendingOffs)
                            m_pendingOffs[m_pendingOffCount++] = {tick, entry, t.port};
                        break;
                    }
                }
                if (!ReadDelta(ahead, &delta))
                    break;
                tick += delta;
            }
        }
        rep->oldBlock = t.block == t.ownBlock ? t.block : 0;
        t.start = t.readPos = rep->data;
        t.endPos = rep->data + rep->byteLength;
        t.block = t.ownBlock = rep->block;
        t.byteLength = rep->byteLength;
        t.tickLength = rep->tickLength;
        t.startOffset = rep->startOffset;
        t.loopCount = rep->loopCount;
        t.velocityOffset = rep->velocityOffset;
        t.transpose = rep->transpose;
        t.port = rep->port;
        Locate(t, m_songPos + 1, m_songPos);
        // release: the window thread that finds the slot empty may attach a
        // new replacement, and frees this one through the work entry.
        t.replacement.store(nullptr, std::memory_order_release);
        m_engine.Notify(ML_ENGINE_WORK, 6, reinterpret_cast<intptr_t>(rep));
    }
}

}  // namespace kv::engine
