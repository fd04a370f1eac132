#pragma once

#include <cstdint>
#include <vector>

namespace kv {

// The three maps derived from track zero. They are rebuilt whole (mapbuild.h),
// never edited in place, so an index into one stays valid until the next
// rebuild. Each keeps a cursor on the entry used last: conversions walk a song
// from left to right, and the cursor turns those lookups into a step or two.
// The cursor is a cache only; it is mutable so that lookups can take the maps
// by const reference, which makes a map unsafe to share between threads.

struct TimeSigEntry {
    int32_t tick = 0;        // always the start of a measure
    int32_t measure = 0;     // measure number there, counted from firstMeasure
    uint8_t numerator = 4;   // beats per measure, 1 and up once validated
    uint8_t denomPower = 2;  // denominator as a power of two, 0..6 once validated
    int32_t clicks = 4;      // metronome clicks per measure; divides numerator

    bool operator==(const TimeSigEntry&) const = default;
};

struct TimeSigMap {
    std::vector<TimeSigEntry> entries;  // sorted by tick; never empty once reset
    mutable int32_t cursor = 0;

    bool operator==(const TimeSigMap& o) const { return entries == o.entries; }
};

struct KeySigEntry {
    int32_t tick = 0;
    uint8_t key = 7;  // sharps (positive) or flats (negative) plus 7: 0..14
    bool minor = false;

    bool operator==(const KeySigEntry&) const = default;
};

struct KeySigMap {
    std::vector<KeySigEntry> entries;  // sorted by tick; never empty once reset
    mutable int32_t cursor = 0;

    bool operator==(const KeySigMap& o) const { return entries == o.entries; }
};

struct TempoEntry {
    int32_t tick = 0;
    uint32_t usPerQuarter = 500000;  // 120.00 beats per minute; all ones for the slowest tempos
    uint32_t ms = 0;                 // clock time at tick, from the entries before; saturates

    bool operator==(const TempoEntry&) const = default;
};

struct TempoMap {
    std::vector<TempoEntry> entries;  // sorted by tick; empty means 120.00 throughout
    mutable int32_t cursor = 0;

    bool operator==(const TempoMap& o) const { return entries == o.entries; }
};

// Beat and measure lengths of a signature at a timebase. A beat is never
// shorter than one tick, even for a 64th-note beat at a tiny timebase.
inline int32_t BeatTicks(const TimeSigEntry& e, int32_t timebase)
{
    const int32_t ticks = e.denomPower < 31 ? (timebase * 4) >> e.denomPower : 0;
    return ticks > 0 ? ticks : 1;
}
inline int32_t MeasureTicks(const TimeSigEntry& e, int32_t timebase)
{
    return BeatTicks(e, timebase) * e.numerator;
}

// The song-wide values every time conversion and time text needs, gathered so
// the conversions can be used and tested without a whole song.
struct TimeParams {
    const TimeSigMap* timeSigs = nullptr;
    const KeySigMap* keySigs = nullptr;
    const TempoMap* tempos = nullptr;
    int32_t timebase = 120;
    int32_t timeFormat = 3;    // 0..4, see FirstMeasureFor/FirstBeatFor
    int32_t firstMeasure = 1;  // number shown for the first measure
    int32_t firstBeat = 1;     // number shown for the first beat of a measure
    uint32_t smpteOffset = 0x60000300;
    int32_t middleC = 0;  // octave number added to key / 12 in note names
};

// Index of the entry in effect at tick: the last entry whose tick is not
// later, or 0 when there is none. The map must not be empty. Each moves the
// map's cursor.
int32_t FindTimeSig(const TimeSigMap& map, int32_t tick);
int32_t FindKeySig(const KeySigMap& map, int32_t tick);
int32_t FindTempo(const TempoMap& map, int32_t tick);
// The last tempo entry whose clock time is not later than ms (0 when none).
int32_t FindTempoByMs(const TempoMap& map, uint32_t ms);
// The time signature entry with the greatest measure number not above
// measure (0 when none).
int32_t FindTimeSigByMeasure(const TimeSigMap& map, int32_t measure);

// The first measure and beat numbers that belong to a time format.
inline int32_t FirstMeasureFor(int32_t timeFormat)
{
    return timeFormat == 2 || timeFormat == 3 ? 1 : 0;
}
inline int32_t FirstBeatFor(int32_t timeFormat)
{
    return timeFormat == 3 || timeFormat == 4 ? 1 : 0;
}

}  // namespace kv
