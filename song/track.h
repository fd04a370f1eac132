#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "song/event.h"
#include "song/subheap.h"

namespace kv {

// contentFlags bits.
inline constexpr int32_t kContentText = 0x01;
inline constexpr int32_t kContentTempoTimeSig = 0x02;
inline constexpr int32_t kContentSysEx = 0x04;
inline constexpr int32_t kContentChannel = 0x08;
inline constexpr int32_t kContentOwn = 0x10;
inline constexpr int32_t kContentWave = 0x20;
inline constexpr int32_t kContentKeySig = 0x40;

// muteFlags bits.
inline constexpr int32_t kMutedByCommand = 0x01;  // saved as own record 0x24
inline constexpr int32_t kMutedBySolo = 0x02;     // not saved

// channelMode values.
inline constexpr uint8_t kNoChannel = 0;
inline constexpr uint8_t kSeveralChannels = 1;
inline constexpr uint8_t kOneChannel = 2;
inline constexpr uint8_t kNewTrackChannel = 3;

// One track: the TrackStream (the track as a Standard MIDI File track body),
// the Events built from it, and the SubHeap their payloads live in.
//
// The events array is always sized to capacity, so an Event pointer from
// LockNotes stays valid until the next Reserve or BuildEvents; eventCount says
// how many of its records are in use.
struct Track {
    std::vector<uint8_t> stream;  // empty when the track has no stream
    std::vector<Event> events;    // capacity records; meaningful only when eventsBuilt
    bool eventsBuilt = false;     // the "events block exists" state
    std::vector<uint8_t> aux;     // the song view's measure map; dropped on every rescan
    SubHeap heap;
    int32_t reserved1 = 0;  // not touched by Reset
    int32_t length = 0;     // end time in ticks
    int32_t streamSize = 0;
    int32_t eventCount = 0;
    int32_t capacity = 0;
    int32_t reserved2[2] = {0, 0};  // not touched by Reset
    int32_t changed = 0;            // Events changed since the stream was built
    int32_t muteFlags = 0;
    int32_t punchFlag = 0;
    int32_t trackSelected = 0;
    int32_t contentFlags = 0;
    int32_t loops = 1;  // 1..999
    int32_t delay = 0;  // initial delay in ticks
    uint8_t channelMode = kNoChannel;
    uint8_t channel = 0;
    int8_t transpose = 0;
    int8_t velocityAdjust = 0;
    uint8_t lowestNote = 127;
    uint8_t highestNote = 0;
    uint8_t polyphony = 0;
    uint8_t port = 0;  // 0..31
    int32_t portSetting = 3;
    std::string name;
    std::string instrument;
    int32_t fileNumber = -1;
    int32_t selectedCount = 0;
    int32_t firstSelected = 0;
    int32_t lastSelected = 0;
    int16_t program = -1;  // -1 none, -2 several
    int16_t bank = -1;

    bool HasStream() const { return streamSize > 0; }
    bool IsEmpty() const { return !HasStream() && (!eventsBuilt || eventCount == 0); }

    // Clears every field to its default. Buffers are owned, so they are
    // released either way; freeMemory is kept for callers that distinguish
    // a reset after moving a record away from a reset of a live track.
    void Reset(bool freeMemory);
    // Every field, both names and independent copies of the buffers: payload
    // handles stay valid in the copy.
    void Copy(const Track& source);
};

}  // namespace kv
