#pragma once

#include <cstdint>
#include <functional>

#include "song/event.h"

namespace kv {

struct Song;

// Selection of a track's Events: the selected bit of each Event plus the
// track's selectedCount, firstSelected and lastSelected. Every routine
// expects the track's Events to be built (locked) and tells the views which
// index changed (kind 9).

// Selects index alone.
void SelectOne(Song& song, int track, int32_t index);
void ToggleOne(Song& song, int track, int32_t index);
void SetOne(Song& song, int track, int32_t index, bool on);
// Indexes a..b inclusive, in either order, clipped to the Events.
void SetRange(Song& song, int track, int32_t a, int32_t b, bool on);
void ClearAll(Song& song, int track);
// Recounts selectedCount, firstSelected and lastSelected from the bits.
void RecountSelection(Song& song, int track);

// What SelectMatching selects. Ranges are inclusive; the defaults match all.
struct SelectFilter {
    int kind = -1;  // an EventKind value (0x00..0xF0), -1 for any
    int32_t fromTime = 0;
    int32_t toTime = 0x7FFFFFFF;
    int lowChannel = 0;  // channel kinds only
    int highChannel = 15;
    int lowData1 = 0;
    int highData1 = 255;
    int lowData2 = 0;
    int highData2 = 255;
    int32_t lowValue = INT32_MIN;
    int32_t highValue = INT32_MAX;
    // The measure/beat pattern: given an event's time, whether it matches.
    // Empty matches every time. The caller builds it on the time maps.
    std::function<bool(int32_t)> pattern;
};

bool Matches(const SelectFilter& filter, const Event& e);
// Sets the selected bit of every matching Event to on; returns how many
// matched.
int32_t SelectMatching(Song& song, int track, const SelectFilter& filter, bool on = true);

}  // namespace kv
