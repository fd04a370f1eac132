#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/outqueues.h"
#include "engine/playtrack.h"

namespace kv::engine {

class Engine;

inline constexpr int kMaxPendingOffs = 128;
inline constexpr int kChaseCache = 64;
inline constexpr int kCommandSlots = 256;

// The playback side of the engine: the track table, its preparation and
// chase, and the scheduler that the timer thread runs. Exports call it on
// the window thread; while a run is active the track table belongs to the
// timer thread, and the window thread reaches it only through the command
// ring, the replacement records and the atomics marked so.
//
// Time inside is kept in microseconds and every due time is computed from
// the last tempo anchor, so rounding never accumulates: an event's time is
// anchorUs + TicksToUs(ticks since the anchor), exact to a microsecond.
class Player {
public:
    static Player& Get();

    // --- window thread, exports (state checks done by the caller)
    int32_t AllocTracks(int32_t count);
    uint32_t AddTrack(const void* data, uint32_t count, int32_t trackId);
    uint32_t ReplaceTrack(const void* data, uint32_t count, int32_t trackId);
    int32_t TrackCommand(int32_t command, int32_t trackId, int32_t value);
    int32_t QueueContinuation(uint32_t handle, int32_t trackId);
    int32_t Go();
    int32_t Stop();
    int32_t ReleaseTracks();
    int32_t EventIndex(int32_t trackId) const;
    int32_t CountHeldNotes(int32_t trackId) const;
    int32_t SetPositionTimer(uint32_t ms);
    void TempoChanged();  // MidiLibSetTempo or option 34 while running
    void CopyFilterToTrack(int32_t trackId, uint32_t mask, int32_t* error);
    int32_t SongTicksNow() const;
    bool HasTracks() const { return m_count.load(std::memory_order_acquire) > 0; }
    // Any thread but the timer's: queues a short message and drains, retrying
    // every millisecond while the device is busy. Every short message goes
    // through the rings, so one device is never written from two threads at
    // once. False (error 17) when the ring is full.
    bool SendNow(OutputQueues::Ring ring, int port, uint32_t message);
    // Stops the timer and frees everything (disconnection, shutdown, tests).
    void Reset();

    // --- inspection for tests and tools
    int32_t PeriodMs() const { return m_periodMs; }
    OutputQueues& Queues() { return m_queues; }
    // Real-time: no allocation, no lock, no wait.
    int64_t TicksToUs(int64_t ticks) const;

private:
    Player();
    static constexpr int32_t kCopyFilter = 1000;  // option 14
    struct Command {
        int32_t command, track, value;
        uint32_t mask;
    };
    struct PendingOff {
        int64_t tick;
        uint32_t message;
        int32_t port;
    };

    // preparation (window thread)
    PlayTrack* Find(int32_t trackId) const;
    int FindIndex(int32_t trackId) const;
    bool StartPassAt(PlayTrack& t, int64_t target);
    void Chase(PlayTrack& t, int64_t target);
    void ChaseCache(PlayTrack& t, uint32_t* cache, int* cached, uint32_t message);
    // Places the track at its first event at or after target; timeToNext is
    // counted from reference.
    void Locate(PlayTrack& t, int64_t target, int64_t reference);
    bool ValidateCommand(int32_t command, int32_t value, int index);
    void ApplyCommand(const Command& c);
    void SetFinished(PlayTrack& t, bool finished);
    // Wakes the timer at once for work the window thread handed over.
    void Poke();
    void SendHeldOffs(PlayTrack& t, OutputQueues::Ring ring);
    void SongPositionPointer();
    void DrainOrRetry();
    static void FreeReplacement(intptr_t pointer);
    static void ReleaseContinuation(intptr_t pointer);

    // scheduler (timer thread)
    static void TimerFired(void* context, int slot, int64_t nowUs);
    static void RetryFired(void* context, int slot, int64_t nowUs);
    void OnTimer(int64_t nowUs);
    void StopSequence(int64_t now);
    void ClockStep();
    bool EventStep();
    void PlayEvent(PlayTrack& t, const TrackEvent& e);
    // The output form of a channel message, false when the track does not
    // let it through (controller set, filter).
    bool Transform(const PlayTrack& t, const TrackEvent& e, uint32_t* message) const;
    void ReportPlayed(const PlayTrack& t, uint32_t value);
    void SendSysEx(const PlayTrack& t, const TrackEvent& e);
    void PlayMeta(PlayTrack& t, const TrackEvent& e, bool chasing);
    void ConductorMeta(PlayTrack& t, const TrackEvent& e);
    void NextDelta(PlayTrack& t);
    void EndOfPass(PlayTrack& t);
    void ApplyTempo();
    void FilterChanges(PlayTrack& t);
    void PerformReplacements();
    void TakeCommands();
    void PickCurrent();
    int64_t UsToTicks(int64_t us) const;
    void Rearm(int64_t nowUs);
    // Sends the pending note-offs due at or before tick.
    void SendPendingOffs(int64_t tick);
    int64_t TickUs(int64_t tick) const { return m_anchorUs + TicksToUs(tick - m_anchorTick); }
    int64_t PendingOffTick() const;
    bool Flag(int code) const;

    Engine& m_engine;
    OutputQueues m_queues;
    std::unique_ptr<PlayTrack[]> m_tracks;
    std::atomic<int32_t> m_count{0};
    int32_t m_capacity = 0;
    std::atomic<int> m_unfinished{0};

    // Engine-wide track settings.
    std::atomic<int8_t> m_channelTranspose[16] = {};
    uint64_t m_defaultControllers[2] = {~0ull, ~0ull};
    std::atomic<bool> m_soloOn{false};
    std::atomic<int32_t> m_soloId{0};

    // Window thread to timer thread.
    Command m_commands[kCommandSlots] = {};
    std::atomic<uint32_t> m_commandHead{0}, m_commandTail{0};
    std::atomic<bool> m_replacePending{false};
    std::atomic<bool> m_tempoPending{false};
    std::atomic<int32_t> m_positionMs{0};
    std::atomic<bool> m_positionSet{false};
    std::atomic<int32_t> m_scheduledChanges[256] = {};  // per track index, 0..2

    // Timer.
    std::atomic<int> m_slot{-1};
    std::atomic<int> m_retrySlot{-1};
    std::atomic<bool> m_shutdown{false};
    std::atomic<int> m_inCallback{0};
    int32_t m_periodMs = 1;
    uint32_t m_fastestTempo = 0;

    // Tempo and timing (timer thread while running).
    int32_t m_timebase = 120;
    int32_t m_ticksPerClock = 5;
    uint32_t m_tempo = 500000;
    uint32_t m_scale = 1000;
    bool m_metaTempoPending = false;
    uint32_t m_metaTempo = 0;
    int64_t m_beat = 120, m_measure = 480, m_tsTick = 0;
    bool m_tsPending = false;
    int64_t m_pendBeat = 0, m_pendMeasure = 0, m_pendTsTick = 0;
    int64_t m_startPos = 0;
    bool m_startTaken = false;
    int64_t m_anchorUs = 0;
    int64_t m_anchorTick = 0;
    int64_t m_ticksSinceAnchor = 0;
    int64_t m_songPos = 0;
    int64_t m_clockPos = 0;
    int64_t m_nextClockUs = 0;
    int64_t m_nextEventUs = 0;
    int64_t m_nextPositionUs = 0;
    int64_t m_lastWakeUs = 0;
    int m_current = -1;
    bool m_clickPending = false;
    int64_t m_clickOffPos = 0;
    uint32_t m_clickOff = 0;
    PendingOff m_pendingOffs[kMaxPendingOffs] = {};
    int m_pendingOffCount = 0;
    // Media-control command texts on their way to the window thread.
    static constexpr int kMediaSlots = 16;
    static constexpr size_t kMediaTextSize = 256;
    char m_mediaText[kMediaSlots][kMediaTextSize] = {};
    uint32_t m_mediaNext = 0;
    // Published for the window thread's interpolated position.
    std::atomic<int64_t> m_pubAnchorUs{0}, m_pubAnchorTick{0};
    std::atomic<uint32_t> m_pubTempo{500000}, m_pubScale{1000};
};

inline constexpr int64_t kNever = INT64_MAX / 4;

}  // namespace kv::engine
