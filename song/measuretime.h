#pragma once

#include <cstdint>

#include "song/timemaps.h"

namespace kv {

// A time split for display and entry. measure and beat are the numbers shown
// (counted from firstMeasure and firstBeat); tick is the tick within the beat.
// Beats and ticks may run past their measure or beat while a caller steps
// them; Normalize brings them back.
struct MeasureTime {
    int32_t measure = 0;
    int32_t beat = 0;
    int32_t tick = 0;
    int32_t measureTicks = 0;  // length of this measure in ticks
    int32_t beatTicks = 0;     // length of one beat in ticks
    int32_t absTick = 0;       // absolute tick this time stands for

    bool operator==(const MeasureTime&) const = default;
};

// The last measure number a time may reach; later ticks are clamped to the
// last tick of this measure.
inline constexpr int32_t kLastMeasure = 9999;

// The first tick past measure 9999: ticks from here on cannot be shown, and
// tracks are cut here. 0x80000000 when the measure lies beyond any tick.
int64_t MeasureLimit(const TimeParams& p);

// Splits a tick into measure, beat and tick. Returns true (overflow) when the
// tick lies past measure 9999; the result is then the last tick of measure
// 9999. 0x7FFFFFFF, the open end of a range, always reads as that tick.
// A negative tick (a count-in) steps back whole measures of the first
// signature from measure firstMeasure.
bool TickToMeasureTime(const TimeParams& p, int32_t tick, MeasureTime& out);

// The tick of a measure time. Beats and ticks past their measure or beat carry
// into later ones; measures before firstMeasure count back into a count-in.
// Saturates at the ends of the 32-bit range.
int32_t MeasureTimeToTick(const TimeParams& p, const MeasureTime& m);

// Brings beat and tick back into their measure and beat, never before tick 0
// and never past the last tick of measure 9999. Returns true on overflow.
bool Normalize(const TimeParams& p, MeasureTime& m);

bool AddMeasures(const TimeParams& p, MeasureTime& m, int32_t n);
bool AddBeats(const TimeParams& p, MeasureTime& m, int32_t n);
bool AddTicks(const TimeParams& p, MeasureTime& m, int32_t n);
// Sets measure (clamped to firstMeasure..9999), beat and tick, then
// normalises. Returns true when measure was above 9999.
bool SetMeasure(const TimeParams& p, MeasureTime& m, int32_t measure, int32_t beat, int32_t tick);

}  // namespace kv
