#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "song/timemaps.h"

namespace kv {

// Time and note texts: every time shown or typed anywhere goes through these,
// in the song's time format (TimeParams::timeFormat).

// With measures (timeFormat not 0 and measures asked for): "%d.%d:%03d" of
// measure, beat, tick; count-in (negative) times show measures before the
// first. Otherwise "%s%ld:%03ld" of sign, beats, ticks with the beat of the
// time signature used last, at most 9999 beats.
std::string FormatTime(const TimeParams& p, int32_t tick, bool measures);
// "%ld:%02ld:%02ld.%03ld" of hours, minutes, seconds, milliseconds.
std::string FormatClock(uint32_t ms);
// "%02ld:%02ld:%02ld.%02ld" of the fields of a packed SMPTE time.
std::string FormatSmpte(uint32_t smpte);

// Every text of one song position, as kvtool's times command prints it: the
// measure time, the beats:ticks time, the clock time of TickToMs and the SMPTE
// time of MsToSmpte. An absent tempo map reads as 120.00 throughout.
struct TickTexts {
    std::string measureTime;
    std::string beatsTicks;
    std::string clock;
    std::string smpte;
};
TickTexts DescribeTick(const TimeParams& p, int32_t tick);

// Typed time to tick; never negative. "/n" is a note length of timebase x 4 / n.
// Numbers too large for 32 bits saturate, and so does the result, at 0x7FFFFFFF.
int32_t ParseTime(const TimeParams& p, std::string_view text, bool measures);

// Two-character name spelled for the key signature in effect at tick, then
// "%2d" of the octave (key / 12 + middleC).
std::string NoteName(const TimeParams& p, int key, int32_t tick);
// Name of a key signature: key 0..14 (sharps or flats + 7), major or minor.
const char* KeyName(int key, bool minor);
// A typed key: a number 0..127, or a note letter, an accidental and an
// octave. Anything else, or a number outside 0..127, gives fallback.
int ParseNote(std::string_view text, int fallback, int middleC);

// Hexadecimal bytes typed as pairs of digits, with blanks and ";" comments.
// Returns the number of bytes stored (at most max); 0 when the text holds any
// other character before the buffer is full.
size_t ParseHexBytes(std::string_view text, uint8_t* buffer, size_t max);
// Writes "%02X " (spaced) or "%02X" per byte into buffer, whole bytes only,
// always NUL-terminated when size > 0. Returns the characters written.
size_t FormatHexBytes(const uint8_t* bytes, size_t count, char* buffer, size_t size, bool spaced);
std::string FormatHexBytes(const uint8_t* bytes, size_t count, bool spaced);

}  // namespace kv
