#include "engine/settings.h"

#include "engine/engine.h"
#include "engine/errors.h"
#include "engine/player.h"

namespace kv::engine {

bool Settings::Chased(int controller) const
{
    if (controller < 0 || controller > 127)
        return false;
    return (chased[controller >> 6].load(std::memory_order_acquire) >> (controller & 63)) & 1;
}

void Settings::SetChased(int controller, bool on)
{
    if (controller < 0 || controller > 127)
        return;
    uint64_t bit = uint64_t{1} << (controller & 63);
    if (on)
        chased[controller >> 6].fetch_or(bit, std::memory_order_acq_rel);
    else
        chased[controller >> 6].fetch_and(~bit, std::memory_order_acq_rel);
}

void Settings::ChaseDefault()
{
    // Data entry (6, 38) and the (N)RPN selectors (96..101) only make sense
    // in sequence, so chasing their last values alone would corrupt them.
    for (int c = 0; c < 128; ++c)
        SetChased(c, !(c == 6 || c == 38 || (c >= 96 && c <= 101)));
}

void Settings::LoadDefaults()
{
    for (auto& f : flags)
        f.store(0, std::memory_order_relaxed);
    for (int code : {1, 2, 3, 4, 6, 7, 10})
        SetFlag(code, true);
    ChaseDefault();
    syncMode.store(0, std::memory_order_relaxed);
    systemReportMask.store(0xE3FF, std::memory_order_relaxed);
    timerResolutionMs.store(1, std::memory_order_relaxed);
    inSysExSize = outSysExSize = 4096;
    patchCachingDisabled = false;
    timerMessage.store(ML_WINDOW_TIMER, std::memory_order_relaxed);
    echoFilter.store(kNoFilter, std::memory_order_relaxed);
    interceptCount = 0;
    // Channel 10, velocity 64: accent note 36, normal click note 56.
    metronomeNotes[0].store(9 | 36 << 8 | 64 << 16, std::memory_order_relaxed);
    metronomeNotes[1].store(9 | 56 << 8 | 64 << 16, std::memory_order_relaxed);
    ConnectionDefaults();
}

void Settings::ConnectionDefaults()
{
    // Flags not marked "kept" get their connection defaults; 0, 1, 6, 7 and
    // 10 carry over from the previous connection.
    static const int kOn[] = {2, 3, 4, 5, 9, 14, 17, 22, 23};
    static const int kOff[] = {8, 11, 12, 13, 15, 16, 18, 19, 20, 21, 24};
    for (int code : kOn)
        SetFlag(code, true);
    for (int code : kOff)
        SetFlag(code, false);
    usPerQuarter.store(500000, std::memory_order_relaxed);
    tempoScale.store(1000, std::memory_order_relaxed);
    timebase.store(120, std::memory_order_relaxed);
    startTicks.store(0, std::memory_order_relaxed);
    countIn.store(0, std::memory_order_relaxed);
    metronomeMode.store(0, std::memory_order_relaxed);
    currentFilter = kNoFilter;
    playedFilter.store(kNoFilter, std::memory_order_relaxed);
    recordedFilter.store(kNoFilter, std::memory_order_relaxed);
    recordFilter.store(kNoFilter, std::memory_order_release);
    for (int i = 0; i < 16; ++i)
        inputRemap[i] = static_cast<uint8_t>(i);
}

void RunState::Reset()
{
    stopped.store(true, std::memory_order_relaxed);
    started.store(false, std::memory_order_relaxed);
    stopRequested.store(false, std::memory_order_relaxed);
    rawCapture.store(false, std::memory_order_relaxed);
    tracksAllocated.store(false, std::memory_order_relaxed);
    clockStartUs.store(0, std::memory_order_relaxed);
    clockTicks.store(0, std::memory_order_relaxed);
    lastEventTick.store(0, std::memory_order_relaxed);
    songTicks.store(0, std::memory_order_relaxed);
    soloIndex.store(0, std::memory_order_release);
    rawHandle = 0;
}

bool PassesFilter(uint32_t mask, uint8_t status, uint8_t data1, uint8_t data2)
{
    if (status < 0x80)
        return false;
    int cls = (status >> 4) - 8;
    if (cls == 1 && data2 == 0)
        cls = 0;  // note on with velocity 0 is a note off
    if (mask & (1u << cls))
        return false;
    if (cls == 3) {
        uint32_t lowest = (mask >> 16) & 0xFF;
        uint32_t highest = (mask >> 24) & 0xFF;
        if (data1 < lowest || data1 > highest)
            return false;
    }
    return true;
}

namespace {

bool PortInRange(Engine& engine, int32_t value)
{
    return value >= 0 && value < engine.OutputCount();
}

// Codes that are also accepted while a run is active.
bool RunningAllowed(int32_t code)
{
    switch (code) {
        case 13:
        case 14:
        case 19:
        case 20:
        case 21:
        case 22:
        case 24:
        case 25:
        case 31:
        case 34:
        case 35:
        case 61:
            return true;
        default:
            return false;
    }
}

bool KnownOption(int32_t code)
{
    if (code < 0 || code > 61)
        return false;
    return !((code >= 36 && code <= 40) || code == 43 || (code >= 47 && code <= 51) ||
             (code >= 54 && code <= 57) || code == 60);
}

// The codes that only switch a flag: code -> (flag, on).
bool FlagOption(int32_t code, int* flag, bool* on)
{
    static const struct {
        int code, flag;
        bool on;
    } kTable[] = {
        {0, kFlagThru, true},
        {1, kFlagThru, false},
        {5, kFlagRealTime, true},
        {6, kFlagRealTime, false},
        {8, kFlagClockNotify, false},
        {9, kFlagPlayedNotify, false},
        {10, kFlagRecordedNotify, false},
        {11, kFlagChaseNotify, true},
        {12, kFlagChaseNotify, false},
        {15, kFlagSendRealTime, true},
        {16, kFlagSendRealTime, false},
        {17, kFlagSendClock, true},
        {18, kFlagSendClock, false},
        {32, kFlagRecordSysEx, true},
        {33, kFlagRecordSysEx, false},
        {41, kFlagQueueMode, true},
        {42, kFlagQueueMode, false},
    };
    for (const auto& row : kTable)
        if (row.code == code) {
            *flag = row.flag;
            *on = row.on;
            return true;
        }
    return false;
}

int32_t Fail(int32_t code)
{
    SetError(code);
    return 0;
}

int32_t ApplyOption(Engine& engine, int32_t code, int32_t value)
{
    Settings& s = engine.Set();
    int flag;
    bool on;
    if (FlagOption(code, &flag, &on)) {
        s.SetFlag(flag, on);
        return 1;
    }
    switch (code) {
        case 2:
        case 3:
        case 4:
            s.syncMode.store(code - 2, std::memory_order_release);
            return 1;
        case 59:
            s.syncMode.store(3, std::memory_order_release);
            return 1;
        case 7: {
            int64_t ticks = int64_t{value} * s.timebase.load(std::memory_order_relaxed);
            // A start beyond the tick range would wrap into a negative position.
            if (value < 0 || ticks > INT32_MAX)
                return Fail(kErrInvalidRequest);
            s.startTicks.store(static_cast<int32_t>(ticks), std::memory_order_release);
            return 1;
        }
        case 13:
            if (value < 0 || value >= 256)
                return Fail(kErrInvalidRequest);
            s.currentFilter = (s.currentFilter & 0xFFFF0000u) | static_cast<uint32_t>(value);
            return 1;
        case 14:
            // Per-track filters belong to the tracks handed in for a run; with
            // none, there is no track of that id.
            if (!engine.Run().tracksAllocated.load(std::memory_order_acquire))
                return Fail(kErrInvalidRequest);
            {
                int32_t error = 0;
                Player::Get().CopyFilterToTrack(value, s.currentFilter, &error);
                if (error != 0)
                    return Fail(error);
            }
            return 1;
        case 19:
        case 20:
        case 21:
        case 22:
        case 23:
            if (!PortInRange(engine, value))
                return Fail(kErrInvalidRequest);
            engine.SetRolePort(static_cast<PortRole>(code - 19), value);
            return 1;
        case 24:
            s.playedFilter.store(s.currentFilter, std::memory_order_release);
            return 1;
        case 25:
            s.recordedFilter.store(s.currentFilter, std::memory_order_release);
            return 1;
        case 31:
            s.recordFilter.store(s.currentFilter, std::memory_order_release);
            return 1;
        case 52:
            s.echoFilter.store(s.currentFilter, std::memory_order_release);
            return 1;
        case 26: {
            int32_t ms = value < 1 ? 1 : (value > 50 ? 50 : value);
            s.timerResolutionMs.store(ms, std::memory_order_release);
            return 1;
        }
        case 27:
        case 29:
            // A buffer must at least hold F0 and F7; beyond a megabyte the
            // pools of 5 per port would take more memory than any dump needs.
            if (value < 2 || value > (1 << 20))
                return Fail(kErrInvalidRequest);
            (code == 27 ? s.inSysExSize : s.outSysExSize) = value;
            return 1;
        case 28:
        case 30:
            return 1;  // always 5 buffers
        case 34:
            if (value < 250 || value > 16000)
                return Fail(kErrInvalidRequest);
            s.tempoScale.store(value, std::memory_order_release);
            return 1;
        case 35:
            s.systemReportMask.store(static_cast<uint32_t>(value) & 0xFFFF, std::memory_order_release);
            return 1;
        case 44: {
            uint32_t low = value & 0xFF, high = (value >> 8) & 0xFF;
            if (value < 0 || value > 0xFFFF || high < low)
                return Fail(kErrInvalidRequest);
            s.currentFilter = (s.currentFilter & 0xFFFFu) | (low << 16) | (high << 24);
            return 1;
        }
        case 45:
        case 46:
            if (value < 0 || value > 127)
                return Fail(kErrInvalidRequest);
            s.SetChased(value, code == 45);
            return 1;
        case 58:
            if (value < 0xC000 || value > 0xFFFF)
                return Fail(kErrInvalidRequest);
            s.timerMessage.store(static_cast<uint32_t>(value), std::memory_order_release);
            return 1;
        case 61:
            if (!PortInRange(engine, value))
                return Fail(kErrInvalidRequest);
            s.defaultTrackPort.store(value, std::memory_order_release);
            return 1;
        default:
            return Fail(kErrInvalidRequest);
    }
}

}  // namespace

int32_t SetOption(Engine& engine, int32_t code, int32_t value)
{
    if (code == kOptNoPatchCaching) {
        engine.Set().patchCachingDisabled = true;
        return 1;
    }
    if (!engine.RequireConnected())
        return 0;
    if (engine.Run().rawCapture.load(std::memory_order_acquire))
        return Fail(kErrRawMode);
    if (!KnownOption(code))
        return Fail(kErrInvalidRequest);
    if (engine.Run().Running() && !RunningAllowed(code))
        return Fail(kErrBusy);
    return ApplyOption(engine, code, value);
}

int32_t SetFlag(Engine& engine, int32_t code, int32_t value)
{
    if (!engine.RequireConnected())
        return 0;
    if (code < 0 || code >= kFlagCount)
        return Fail(kErrInvalidRequest);
    if (code != kFlagRawNotify && engine.Run().rawCapture.load(std::memory_order_acquire))
        return Fail(kErrRawMode);
    if (engine.Run().Running())
        return Fail(kErrBusy);
    Settings& s = engine.Set();
    s.SetFlag(code, value != 0);
    if (code == kFlagChaseAllControllers)
        for (int c = 0; c < 128; ++c)
            s.SetChased(c, value != 0);
    return 1;
}

int32_t GetValue(Engine& engine, int32_t code)
{
    if (!engine.RequireConnected())
        return 0;
    RunState& run = engine.Run();
    switch (code) {
        case kValLastEventTick:
            return run.lastEventTick.load(std::memory_order_acquire);
        case kValClockMs: {
            if (!run.started.load(std::memory_order_acquire))
                return 0;
            int64_t start = run.clockStartUs.load(std::memory_order_acquire);
            return static_cast<int32_t>((engine.NowUs() - start) / 1000);
        }
        case kValSmpteTime:
        case kValLockSystemMs:
        case kValLockSmpte:
            // No time code has been locked to yet: the synchronisation code
            // replaces these once it measures.
            SetError(kErrWaitingSmpte);
            return -1;
        case kValClockTicks:
            return run.clockTicks.load(std::memory_order_acquire);
        case kValSmpteDeviation:
            return 0;
        case kValSongTicks:
            return Player::Get().SongTicksNow();
        case kValEngineMs:
            return static_cast<int32_t>(engine.NowUs() / 1000);
        default:
            SetError(kErrInvalidRequest);
            return -1;
    }
}

}  // namespace kv::engine
