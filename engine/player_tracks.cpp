// Track preparation on the window thread: adding, scanning, the chase to the
// start position, locating, per-track commands, replacement and release.

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/blocks.h"
#include "engine/engine.h"
#include "engine/errors.h"
#include "engine/player.h"

namespace kv::engine {

namespace {

int32_t Fail(int32_t code)
{
    SetError(code);
    return 0;
}

bool IsChannelVoice(uint8_t cls)
{
    return cls == 0x80 || cls == 0x90 || cls == 0xA0;
}

// Copies data into a new engine block, locked; 0 when there is no memory.
uint32_t CopyToBlock(const void* data, uint32_t count, const uint8_t** address)
{
    uint32_t handle = Blocks().Alloc(count);
    if (handle == 0)
        return 0;
    uint8_t* bytes = Blocks().Lock(handle);
    memcpy(bytes, data, count);
    *address = bytes;
    return handle;
}

void FreeBlock(uint32_t handle)
{
    if (handle == 0)
        return;
    Blocks().Unlock(handle);
    Blocks().Free(handle);
}

void ResetRecord(PlayTrack& t)
{
    t.start = t.readPos = t.endPos = nullptr;
    t.block = t.ownBlock = t.byteLength = 0;
    t.eventIndex.store(-1, std::memory_order_relaxed);
    t.port = -1;
    t.tickLength = 0;
    t.loopCount = t.loopsLeft = 1;
    t.startOffset = 0;
    t.timeToNext = t.endGap = t.passTick = 0;
    t.finished.store(false, std::memory_order_relaxed);
    t.conductor = false;
    t.replacement.store(nullptr, std::memory_order_relaxed);
    for (auto& h : t.heldNotes)
        h.store(0, std::memory_order_relaxed);
    t.queuedBlock.store(0, std::memory_order_relaxed);
    t.takenBlock.store(0, std::memory_order_relaxed);
    t.change1Tick = t.change2Tick = 0;
    t.change1Filter = t.change2Filter = kNoChange;
    t.transpose = 0;
    t.channel = kNoChannel;
    t.runningStatus = 0;
    t.velocityOffset = 0;
}

}  // namespace

PlayTrack* Player::Find(int32_t trackId) const
{
    int i = FindIndex(trackId);
    return i < 0 ? nullptr : &m_tracks[i];
}

int Player::FindIndex(int32_t trackId) const
{
    int n = m_count.load(std::memory_order_acquire);
    for (int i = 0; i < n; ++i)
        if (m_tracks[i].trackId.load(std::memory_order_relaxed) == trackId)
            return i;
    return -1;
}

// Real-time: no allocation, no lock, no wait.
void Player::SetFinished(PlayTrack& t, bool finished)
{
    if (t.finished.load(std::memory_order_relaxed) == finished)
        return;
    t.finished.store(finished, std::memory_order_relaxed);
    m_unfinished.fetch_add(finished ? -1 : 1, std::memory_order_relaxed);
}

int32_t Player::AllocTracks(int32_t count)
{
    if (m_tracks)
        return Fail(kErrTooManyTracks);
    auto* table = new (std::nothrow) PlayTrack[count];
    if (table == nullptr)
        return Fail(kErrMemory);
    m_tracks.reset(table);
    m_capacity = count;
    m_count.store(0, std::memory_order_release);
    m_unfinished.store(0, std::memory_order_relaxed);
    for (auto& c : m_scheduledChanges)
        c.store(0, std::memory_order_relaxed);
    m_engine.SetWorkHandler(3, &Player::ReleaseContinuation);
    m_engine.SetWorkHandler(6, &Player::FreeReplacement);
    m_engine.Run().tracksAllocated.store(true, std::memory_order_release);
    return 1;
}

uint32_t Player::AddTrack(const void* data, uint32_t count, int32_t trackId)
{
    int n = m_count.load(std::memory_order_relaxed);
    if (!m_tracks || n >= m_capacity)
        return Fail(kErrTooManyTracks);
    const uint8_t* bytes;
    uint32_t handle = CopyToBlock(data, count, &bytes);
    if (handle == 0)
        return Fail(kErrMemory);
    PlayTrack& t = m_tracks[n];
    ResetRecord(t);
    t.start = t.readPos = bytes;
    t.endPos = bytes + count;
    t.block = t.ownBlock = handle;
    t.byteLength = count;
    t.trackId.store(trackId, std::memory_order_relaxed);
    t.filter = m_engine.Set().currentFilter;
    t.controllers[0] = m_defaultControllers[0];
    t.controllers[1] = m_defaultControllers[1];
    t.conductor = n == 0;
    m_unfinished.fetch_add(1, std::memory_order_relaxed);
    m_count.store(n + 1, std::memory_order_release);
    if (t.conductor) {
        if (Flag(kFlagSendSongPosition))
            SongPositionPointer();
        m_timebase = std::max(m_engine.Set().timebase.load(std::memory_order_acquire), 1);
        m_ticksPerClock = std::max(m_timebase / 24, 1);
        m_tsPending = false;
        m_metaTempoPending = false;
        m_beat = m_timebase;
        m_measure = 4 * m_timebase;
    }
    ScanResult scan;
    ScanTrack(t, m_engine.OutputCount(), &scan);
    if (t.conductor) {
        m_fastestTempo = scan.fastestTempo;
        int64_t bpm = scan.fastestTempo ? 60000000 / scan.fastestTempo : 100;
        int64_t period = 60000 / (std::max<int64_t>(bpm, 1) * std::max(m_timebase, 1));
        m_periodMs = static_cast<int32_t>(
            std::max<int64_t>(period, m_engine.Set().timerResolutionMs.load(std::memory_order_acquire)));
    }
    if (t.port < 0)
        t.port = m_engine.Set().defaultTrackPort.load(std::memory_order_acquire);
    if (t.port < 0 || t.port >= m_engine.OutputCount())
        t.port = 0;
    Chase(t, m_engine.Set().startTicks.load(std::memory_order_acquire));
    return handle;
}

void Player::ChaseCache(PlayTrack& t, uint32_t* cache, int* cached, uint32_t message)
{
    uint8_t status = message & 0xFF;
    bool controller = (status & 0xF0) == 0xB0;
    for (int i = 0; i < *cached; ++i) {
        uint32_t m = cache[i];
        if ((m & 0xFF) == status && (!controller || ((m >> 8) & 0xFF) == ((message >> 8) & 0xFF))) {
            cache[i] = message;
            return;
        }
    }
    if (*cached < kChaseCache)
        cache[(*cached)++] = message;
    else
        SendNow(OutputQueues::kImmediate, t.port, message);
}

// Rewinds the track to the start of the loop pass that holds target, whole
// passes before it skipped; false (and the track finished) when it plays no
// pass at all.
// Real-time: no allocation, no lock, no wait.
bool Player::StartPassAt(PlayTrack& t, int64_t target)
{
    Rewind(t);
    t.passTick = t.startOffset;
    t.loopsLeft = t.loopCount;
    if (t.loopCount < 1) {
        t.readPos = t.endPos;
        SetFinished(t, true);
        return false;
    }
    while (t.loopsLeft > 1 && t.passTick + t.tickLength <= target) {
        t.passTick += t.tickLength;
        --t.loopsLeft;
    }
    return true;
}

void Player::Chase(PlayTrack& t, int64_t target)
{
    if (!StartPassAt(t, target))
        return;
    bool chaseOn = Flag(kFlagChase);
    bool chaseSysEx = Flag(kFlagChaseSysEx);
    uint32_t cache[kChaseCache];
    int cached = 0;
    int64_t delta;
    TrackEvent e;
    for (;;) {
        if (!ReadDelta(t, &delta)) {
            SetFinished(t, true);
            break;
        }
        if (t.passTick + delta > target) {
            t.passTick += delta;
            break;
        }
        t.passTick += delta;
        const uint8_t* before = t.readPos;
        int32_t indexBefore = t.eventIndex.load(std::memory_order_relaxed);
        uint8_t statusBefore = t.runningStatus;
        bool illegal = false;
        if (!ReadEvent(t, &e, &illegal)) {
            if (illegal)
                SetError(kErrIllegalData);
            SetFinished(t, true);
            break;
        }
        if (t.passTick == target) {
            int own = OwnRecordType(e);
            bool ownTaken = own == 0x01 || (own >= 0x12 && own <= 0x14) || (own >= 0x20 && own <= 0x23);
            bool leave = !chaseOn || !chaseSysEx ||
                         (e.kind == TrackEvent::kShort && (e.status & 0xF0) == 0x90) || own == 0x00 ||
                         (own >= 0 && !ownTaken);
            if (leave) {
                t.readPos = before;
                t.eventIndex.store(indexBefore, std::memory_order_relaxed);
                t.runningStatus = statusBefore;
                break;
            }
        }
        if (e.kind == TrackEvent::kShort) {
            uint8_t cls = e.status & 0xF0;
            if (!chaseOn || IsChannelVoice(cls))
                continue;
            uint32_t message;
            if (!Transform(t, e, &message))
                continue;
            bool cacheIt = cls != 0xB0 || m_engine.Set().Chased(e.data1);
            if (cacheIt)
                ChaseCache(t, cache, &cached, message);
            else
                SendNow(OutputQueues::kImmediate, t.port, message);
            if (Flag(kFlagChaseNotify))
                ReportPlayed(t, message);
        } else if (e.kind == TrackEvent::kSysEx) {
            if (chaseSysEx && !(t.filter & 0x80))
                SendSysEx(t, e);
        } else {
            PlayMeta(t, e, true);
        }
    }
    if (!t.finished.load(std::memory_order_relaxed)) {
        t.timeToNext = t.passTick - target;
        if (t.timeToNext < 0)
            SetFinished(t, true);
    }
    for (int i = 0; i < cached; ++i)
        SendNow(OutputQueues::kImmediate, t.port, cache[i]);
}

// Real-time: no allocation, no lock, no wait.
void Player::Locate(PlayTrack& t, int64_t target, int64_t reference)
{
    SetFinished(t, false);
    if (!StartPassAt(t, target))
        return;
    int64_t delta;
    TrackEvent e;
    for (;;) {
        if (!ReadDelta(t, &delta)) {
            SetFinished(t, true);
            return;
        }
        t.passTick += delta;
        if (t.passTick >= target)
            break;
        if (!ReadEvent(t, &e)) {
            SetFinished(t, true);
            return;
        }
        if (t.conductor && e.kind == TrackEvent::kMeta)
            ConductorMeta(t, e);
    }
    t.timeToNext = t.passTick - reference;
    if (t.timeToNext < 0)
        SetFinished(t, true);
}

uint32_t Player::ReplaceTrack(const void* data, uint32_t count, int32_t trackId)
{
    if (!m_tracks)
        return Fail(kErrIllegalData);
    int index = FindIndex(trackId);
    int n = m_count.load(std::memory_order_relaxed);
    if (index < 0) {
        if (n < m_capacity) {
            PlayTrack& fresh = m_tracks[n];
            ResetRecord(fresh);
            fresh.finished.store(true, std::memory_order_relaxed);
            fresh.trackId.store(trackId, std::memory_order_relaxed);
            fresh.filter = m_engine.Set().currentFilter;
            fresh.controllers[0] = m_defaultControllers[0];
            fresh.controllers[1] = m_defaultControllers[1];
            fresh.port = 0;
            index = n;
            // release: the timer thread that sees the count sees the record.
            m_count.store(n + 1, std::memory_order_release);
        } else {
            for (int i = 0; i < n && index < 0; ++i)
                if (m_tracks[i].finished.load(std::memory_order_relaxed) &&
                    m_tracks[i].replacement.load(std::memory_order_acquire) == nullptr)
                    index = i;
            if (index < 0)
                return Fail(kErrIllegalData);
            m_tracks[index].trackId.store(trackId, std::memory_order_relaxed);
        }
    }
    PlayTrack& t = m_tracks[index];
    if (t.replacement.load(std::memory_order_acquire) != nullptr)
        return Fail(kErrTooManyTimers);
    auto* rep = new (std::nothrow) Replacement;
    if (rep == nullptr)
        return Fail(kErrMemory);
    const uint8_t* bytes;
    uint32_t handle = CopyToBlock(data, count, &bytes);
    if (handle == 0) {
        delete rep;
        return Fail(kErrMemory);
    }
    PlayTrack scratch;
    scratch.start = scratch.readPos = bytes;
    scratch.endPos = bytes + count;
    scratch.conductor = index == 0;
    ScanResult scan;
    ScanTrack(scratch, m_engine.OutputCount(), &scan);
    if (scratch.port < 0)
        scratch.port = m_engine.Set().defaultTrackPort.load(std::memory_order_acquire);
    if (scratch.port < 0 || scratch.port >= m_engine.OutputCount())
        scratch.port = 0;
    rep->data = bytes;
    rep->block = handle;
    rep->byteLength = count;
    rep->tickLength = scratch.tickLength;
    rep->loopCount = scratch.loopCount;
    rep->port = scratch.port;
    rep->startOffset = scratch.startOffset;
    rep->velocityOffset = scratch.velocityOffset;
    rep->transpose = scratch.transpose;
    // release: the timer thread that takes the record sees it complete.
    t.replacement.store(rep, std::memory_order_release);
    m_replacePending.store(true, std::memory_order_release);
    Poke();
    return handle;
}

void Player::FreeReplacement(intptr_t pointer)
{
    auto* rep = reinterpret_cast<Replacement*>(pointer);
    if (rep == nullptr)
        return;
    FreeBlock(rep->oldBlock);
    delete rep;
}

void Player::ReleaseContinuation(intptr_t pointer)
{
    Player& p = Get();
    int index = static_cast<int>(pointer >> 33);
    bool own = (pointer >> 32) & 1;
    auto old = static_cast<uint32_t>(pointer & 0xFFFFFFFF);
    // The engine's own copy of the first pass is freed; a program block
    // is unlocked and handed back.
    if (own) {
        FreeBlock(old);
    } else {
        Blocks().Unlock(old);
        p.m_engine.Notify(ML_RECORD_BUFFER, static_cast<int32_t>(old), -1);
    }
    if (p.m_tracks && index >= 0 && index < p.m_count.load(std::memory_order_acquire))
        p.m_tracks[index].takenBlock.store(0, std::memory_order_release);
}

int32_t Player::QueueContinuation(uint32_t handle, int32_t trackId)
{
    PlayTrack* t = m_tracks ? Find(trackId) : nullptr;
    if (t == nullptr)
        return Fail(kErrInvalidRequest);
    if (t->takenBlock.load(std::memory_order_acquire) != 0)
        return Fail(kErrAlreadyRecording);
    if (Blocks().Lock(handle) == nullptr)
        return Fail(kErrMemory);
    // acq_rel: the timer thread that takes the handle sees the lock above.
    uint32_t old = t->queuedBlock.exchange(handle, std::memory_order_acq_rel);
    if (old != 0)
        Blocks().Unlock(old);
    return 1;
}

// Real-time: no allocation, no lock, no wait.
void Player::SendHeldOffs(PlayTrack& t, OutputQueues::Ring ring)
{
    for (auto& h : t.heldNotes) {
        uint16_t held = h.exchange(0, std::memory_order_relaxed);
        if (held != 0)
            m_queues.Enqueue(ring, t.port, held);  // the entry's status and key, velocity 0
    }
}

int32_t Player::ReleaseTracks()
{
    SendPendingOffs(INT64_MAX);
    int n = m_count.load(std::memory_order_acquire);
    for (int i = n - 1; i >= 0; --i) {
        PlayTrack& t = m_tracks[i];
        SendHeldOffs(t, OutputQueues::kImmediate);
        if (t.block != 0 && t.block != t.ownBlock)
            Blocks().Unlock(t.block);
        FreeBlock(t.ownBlock);
        t.block = t.ownBlock = 0;
        if (uint32_t q = t.queuedBlock.exchange(0, std::memory_order_acq_rel))
            Blocks().Unlock(q);
        t.takenBlock.store(0, std::memory_order_relaxed);  // it is t.block, unlocked above
        if (Replacement* rep = t.replacement.exchange(nullptr, std::memory_order_acq_rel)) {
            FreeBlock(rep->block);
            delete rep;
        }
    }
    DrainOrRetry();
    m_tracks.reset();
    m_capacity = 0;
    m_count.store(0, std::memory_order_release);
    m_unfinished.store(0, std::memory_order_relaxed);
    m_soloOn.store(false, std::memory_order_relaxed);
    m_engine.Run().tracksAllocated.store(false, std::memory_order_release);
    return 1;
}

// --- per-track commands

bool Player::ValidateCommand(int32_t command, int32_t value, int index)
{
    RunState& run = m_engine.Run();
    bool started = run.started.load(std::memory_order_acquire);
    switch (command) {
        case 14:
        case 37:
        case 39:
        case 47:
        case 54:
        case 55:
            return (command != 54 && command != 55) || (value >= 0 && value <= 127) || value == 256 ||
                   Fail(kErrInvalidRequest);
        case 38:
            return (value & 0xFF) == 0xFF || (value & 0xF0) == 0 || Fail(kErrInvalidRequest);
        case 40:
            return (value >= 1 && value <= 1000) || Fail(kErrInvalidRequest);
        case 43: {
            if (!run.Running())
                return Fail(kErrBusy);
            std::atomic<int32_t>& used = m_scheduledChanges[index];
            int32_t n = used.load(std::memory_order_acquire);
            do {
                if (n >= 2)
                    return Fail(kErrInvalidRequest);
            } while (!used.compare_exchange_weak(n, n + 1, std::memory_order_acq_rel));
            return true;
        }
        case 36:
        case 50:
            return !started || Fail(kErrBusy);
        case 49:
            return (run.Running() && !started) || Fail(kErrBusy);
        default:
            return Fail(kErrInvalidRequest);
    }
}

int32_t Player::TrackCommand(int32_t command, int32_t trackId, int32_t value)
{
    RunState& run = m_engine.Run();
    switch (command) {
        case 7:
            if (run.started.load(std::memory_order_acquire))
                return Fail(kErrBusy);
            if (value < 0)
                return Fail(kErrInvalidRequest);
            m_engine.Set().startTicks.store(value, std::memory_order_release);
            return 1;
        case 48:
        case 60:
            // Synchronised starts and clock offsets come with external
            // synchronisation.
            return Fail(kErrNotAvailable);
        case 51:
            if (trackId < -1 || trackId > 15)
                return Fail(kErrInvalidRequest);
            for (int c = 0; c < 16; ++c)
                if (trackId == -1 || trackId == c)
                    m_channelTranspose[c].store(static_cast<int8_t>(value), std::memory_order_relaxed);
            return 1;
        case 56:
        case 57:
            if (!((value >= 0 && value <= 127) || value == 256))
                return Fail(kErrInvalidRequest);
            for (int c = 0; c < 128; ++c)
                if (value == 256 || value == c) {
                    uint64_t bit = uint64_t{1} << (c & 63);
                    if (command == 57)
                        m_defaultControllers[c >> 6] |= bit;
                    else
                        m_defaultControllers[c >> 6] &= ~bit;
                }
            return 1;
        default:
            break;
    }
    int index = m_tracks ? FindIndex(trackId) : -1;
    if (index < 0) {
        if (command == 47) {
            m_soloOn.store(false, std::memory_order_release);
            return 1;
        }
        return Fail(kErrInvalidRequest);
    }
    if (!ValidateCommand(command, value, index))
        return 0;
    PlayTrack& t = m_tracks[index];
    if (command == 36) {
        if (t.finished.load(std::memory_order_relaxed))
            return 1;
        int64_t offset = int64_t{t.startOffset} + value;
        if (offset < 0 || offset > INT32_MAX || t.timeToNext + value < 0)
            return Fail(kErrInvalidRequest);
        t.startOffset = static_cast<int32_t>(offset);
        t.timeToNext += value;
        return 1;
    }
    if (command == 50) {
        if (value < t.tickLength)
            return Fail(kErrInvalidRequest);
        t.endGap = value - t.tickLength;
        return 1;
    }
    if (command == 49) {
        Locate(t, value, value);
        return 1;
    }
    if (command == 47) {
        m_soloId.store(trackId, std::memory_order_relaxed);
        m_soloOn.store(true, std::memory_order_release);
        return 1;
    }
    Command c{command, index, value, m_engine.Set().currentFilter};
    if (!run.Running()) {
        ApplyCommand(c);
        return 1;
    }
    uint32_t tail = m_commandTail.load(std::memory_order_relaxed);
    if (tail - m_commandHead.load(std::memory_order_acquire) >= kCommandSlots) {
        if (command == 43)
            m_scheduledChanges[index].fetch_sub(1, std::memory_order_acq_rel);
        return Fail(kErrBusy);
    }
    m_commands[tail % kCommandSlots] = c;
    // release: the timer thread that sees the tail sees the command.
    m_commandTail.store(tail + 1, std::memory_order_release);
    Poke();
    return 1;
}

void Player::CopyFilterToTrack(int32_t trackId, uint32_t mask, int32_t* error)
{
    int index = m_tracks ? FindIndex(trackId) : -1;
    if (index < 0) {
        *error = kErrInvalidRequest;
        return;
    }
    Command c{kCopyFilter, index, 0, mask};
    if (!m_engine.Run().Running()) {
        ApplyCommand(c);
        return;
    }
    uint32_t tail = m_commandTail.load(std::memory_order_relaxed);
    if (tail - m_commandHead.load(std::memory_order_acquire) >= kCommandSlots) {
        *error = kErrBusy;
        return;
    }
    m_commands[tail % kCommandSlots] = c;
    m_commandTail.store(tail + 1, std::memory_order_release);
    Poke();
}

// Real-time: no allocation, no lock, no wait.
void Player::ApplyCommand(const Command& c)
{
    PlayTrack& t = m_tracks[c.track];
    bool running = m_engine.Run().Running();
    auto dropFirstChange = [&] {
        if (t.change1Tick == 0)
            return;
        t.change1Tick = t.change2Tick;
        t.change1Filter = t.change2Filter;
        t.change2Tick = 0;
        t.change2Filter = kNoChange;
        m_scheduledChanges[c.track].fetch_sub(1, std::memory_order_acq_rel);
    };
    switch (c.command) {
        case 14:
        case kCopyFilter:
            if (c.command == 14) {
                t.filter = (t.filter & 0xFFFF0000u) | (static_cast<uint32_t>(c.value) & 0xFF);
                dropFirstChange();
            } else {
                t.filter = c.mask;
                dropFirstChange();
                dropFirstChange();
            }
            if ((t.filter & 0xFF) == 0xFF && running)
                SendHeldOffs(t, OutputQueues::kImmediate);
            break;
        case 37:
            t.transpose = static_cast<int8_t>(c.value);
            break;
        case 38:
            t.channel = (c.value & 0xFF) == 0xFF ? kNoChannel : static_cast<uint8_t>(c.value & 0x0F);
            break;
        case 39:
            t.velocityOffset = static_cast<int8_t>(c.value);
            break;
        case 40:
            t.loopsLeft = c.value;
            break;
        case 43:
            // Equal times keep the order given: the later command goes second.
            if (t.change1Tick == 0) {
                t.change1Tick = c.value;
                t.change1Filter = c.mask;
            } else if (c.value < t.change1Tick) {
                t.change2Tick = t.change1Tick;
                t.change2Filter = t.change1Filter;
                t.change1Tick = c.value;
                t.change1Filter = c.mask;
            } else {
                t.change2Tick = c.value;
                t.change2Filter = c.mask;
            }
            break;
        case 54:
        case 55:
            for (int k = 0; k < 128; ++k)
                if (c.value == 256 || c.value == k) {
                    uint64_t bit = uint64_t{1} << (k & 63);
                    if (c.command == 55)
                        t.controllers[k >> 6] |= bit;
                    else
                        t.controllers[k >> 6] &= ~bit;
                }
            break;
        default:
            break;
    }
}

int32_t Player::EventIndex(int32_t trackId) const
{
    PlayTrack* t = m_tracks ? Find(trackId) : nullptr;
    if (t == nullptr) {
        SetError(kErrInvalidRequest);
        return -1;
    }
    return t->eventIndex.load(std::memory_order_relaxed);
}

int32_t Player::CountHeldNotes(int32_t trackId) const
{
    PlayTrack* t = m_tracks ? Find(trackId) : nullptr;
    if (t == nullptr) {
        SetError(kErrInvalidRequest);
        return -1;
    }
    return t->HeldCount();
}

}  // namespace kv::engine
