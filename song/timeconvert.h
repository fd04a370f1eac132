#pragma once

#include <cstdint>

#include "song/timemaps.h"

namespace kv {

// Unsigned (a * b + c / 2) / c with a 64-bit intermediate. A quotient that
// does not fit in 32 bits gives all ones; so does c = 0, which no rounding can
// answer, so a division by zero never happens here.
uint32_t MulDivRound(uint32_t a, uint32_t b, uint32_t c);

// Microseconds per quarter for a tempo value (beats per minute x 100). Value 0
// is no tempo at all and gives all ones, the slowest the map can hold.
uint32_t TempoUsFromValue(uint32_t value);
// The tempo value for microseconds per quarter as an Event holds it: truncated
// and kept to 16 bits, so 655.35 is the fastest tempo. Faster tempos (and 0,
// which no file should hold) become 655.35 instead of wrapping to a slow one.
uint16_t TempoValueFromUs(uint32_t usPerQuarter);

// Clock time in milliseconds of a tick through the TempoMap (120.00 when the
// map is empty). Negative ticks are 0 ms; results saturate at all ones.
uint32_t TickToMs(const TempoMap& map, int32_t timebase, int32_t tick);
// The tick at a clock time; saturates at 0x7FFFFFFF.
int32_t MsToTick(const TempoMap& map, int32_t timebase, uint32_t ms);

// Packed SMPTE time: bits 29..30 frame rate code, 24..28 hours, 16..21
// minutes, 8..13 seconds, 0..4 frames.
enum SmpteRate : uint32_t { kSmpte24 = 0, kSmpte25 = 1, kSmpte30Drop = 2, kSmpte30 = 3 };

inline uint32_t SmpteRateOf(uint32_t s)
{
    return (s >> 29) & 3;
}
inline uint32_t SmpteHours(uint32_t s)
{
    return (s >> 24) & 0x1F;
}
inline uint32_t SmpteMinutes(uint32_t s)
{
    return (s >> 16) & 0x3F;
}
inline uint32_t SmpteSeconds(uint32_t s)
{
    return (s >> 8) & 0x3F;
}
inline uint32_t SmpteFrames(uint32_t s)
{
    return s & 0x1F;
}
// Fields are masked to their widths.
uint32_t PackSmpte(uint32_t rate, uint32_t hours, uint32_t minutes, uint32_t seconds, uint32_t frames);

uint32_t SmpteToMs(uint32_t smpte);
// The SMPTE time of a clock time counted from the song's SMPTE offset, at the
// offset's frame rate. The rate bits of the result are not set. Hours wrap at
// 32 (the width of the field).
uint32_t MsToSmpte(uint32_t smpteOffset, uint32_t ms);

}  // namespace kv
