#pragma once

#include <atomic>
#include <cstdint>

namespace kv::engine {

inline constexpr int kHeldNotes = 64;
inline constexpr uint8_t kNoChannel = 0xFF;
inline constexpr uint32_t kNoChange = 0x7F000000u;

// What a replacement brings: the new data and what the scan found in it.
struct Replacement {
    const uint8_t* data = nullptr;
    uint32_t block = 0;
    uint32_t byteLength = 0;
    int64_t tickLength = 0;
    int32_t loopCount = 1;
    int32_t port = 0;
    int32_t startOffset = 0;
    int8_t velocityOffset = 0;
    int8_t transpose = 0;
    // The old data, handed back to the window thread to be freed.
    uint32_t oldBlock = 0;
};

// One track as the scheduler plays it. Ticks are kept in 64 bits so that
// hostile delta times summed over a long track cannot wrap into the past.
// Fields the window thread reads while a run is active are atomics written
// by the timer thread with relaxed order (each stands alone); everything
// else belongs to the timer thread while running and to the window thread
// while stopped.
struct PlayTrack {
    const uint8_t* start = nullptr;
    const uint8_t* readPos = nullptr;
    const uint8_t* endPos = nullptr;
    uint32_t block = 0;
    uint32_t ownBlock = 0;  // the engine's copy while the track still reads it
    uint32_t byteLength = 0;
    std::atomic<int32_t> trackId{0};
    std::atomic<int32_t> eventIndex{-1};
    int32_t port = -1;
    int64_t tickLength = 0;
    int32_t loopCount = 1;
    int32_t loopsLeft = 1;
    int32_t startOffset = 0;
    int64_t timeToNext = 0;
    int64_t endGap = 0;
    int64_t passTick = 0;
    std::atomic<bool> finished{false};
    bool conductor = false;
    std::atomic<Replacement*> replacement{nullptr};
    std::atomic<uint16_t> heldNotes[kHeldNotes] = {};
    // Continuation block: queued by the window thread (MidiLibQueueBuffer
    // 65533), taken by the timer thread at the end of a pass, and cleared
    // again by the window thread once the old block has been handed back.
    std::atomic<uint32_t> queuedBlock{0};
    std::atomic<uint32_t> takenBlock{0};
    int64_t change1Tick = 0, change2Tick = 0;
    uint32_t change1Filter = kNoChange, change2Filter = kNoChange;
    uint32_t filter = kNoChange;
    uint64_t controllers[2] = {~0ull, ~0ull};
    int8_t transpose = 0;
    uint8_t channel = kNoChannel;
    uint8_t runningStatus = 0;
    int8_t velocityOffset = 0;

    bool ControllerAllowed(int c) const { return (controllers[c >> 6] >> (c & 63)) & 1; }
    int HeldCount() const;
};

// One event read from track data. data/length describe the payload of a
// meta or system exclusive event inside the block.
struct TrackEvent {
    enum Kind : uint8_t { kShort, kSysEx, kMeta };
    Kind kind = kShort;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
    uint8_t metaType = 0;
    const uint8_t* data = nullptr;
    uint32_t length = 0;
};

// Reads a delta time of at most five bytes; false at the end of the data
// (a delta cut off by the end counts as the end).
// Real-time: no allocation, no lock, no wait.
bool ReadDelta(PlayTrack& track, int64_t* delta);

// Reads the event at readPos. False when there is none: the end of the data,
// the end-of-track event, a length past the end, or a data byte without a
// running status (illegal: *illegal is set). Every failure leaves readPos at
// endPos, so a damaged track simply ends. A counted event advances
// eventIndex.
// Real-time: no allocation, no lock, no wait.
bool ReadEvent(PlayTrack& track, TrackEvent* event, bool* illegal = nullptr);

// The program's own sequencer-specific record: FF 7F len 00 00 5B type ...;
// returns the type byte or -1.
// Real-time: no allocation, no lock, no wait.
int OwnRecordType(const TrackEvent& event);

// Whether an event counts in the event index (reported with played events).
bool Counted(const TrackEvent& event);

// Scan results beyond what is stored in the track.
struct ScanResult {
    uint32_t fastestTempo = 0;  // microseconds per quarter; 0 = no tempo event
};

// Walks the whole track (it must be at its start): length, port, own track
// adjustments, and for the conductor the fastest tempo; leaves it rewound.
// outputs is the number of output ports (a named port beyond them gives 0).
void ScanTrack(PlayTrack& track, int outputs, ScanResult* result);

// Rewinds the read position to the start of the data.
// Real-time: no allocation, no lock, no wait.
void Rewind(PlayTrack& track);

// Held-note bookkeeping for a short message sent for the track.
// Real-time: no allocation, no lock, no wait.
void UpdateHeldNotes(PlayTrack& track, uint8_t status, uint8_t data1, uint8_t data2);

}  // namespace kv::engine
