#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "song/timemaps.h"

namespace kv {

// The logic of the time and note spin fields and of the time ruler's context
// menu, free of any window so that the controls only forward keys and clicks.

enum class TimePart { Measure, Beat, Tick };

// The part of a time text the caret is on: before "." the measure, after ":"
// the tick, otherwise the beat.
TimePart PartAtCaret(std::string_view text, size_t caret);

struct TimeFieldStep {
    std::string text;       // rebuilt with FormatTime
    size_t caret = 0;       // on the same part as before the step
    int32_t tick = 0;       // the time the text now shows
    bool overflow = false;  // the step ran past measure 9999 and was clamped
};

// One press of a spin arrow (step is +1 or -1, or larger for fast steps):
// reads the text, moves the part under the caret, normalises, rebuilds the
// text and puts the caret back on the same part. Times never go below 0.
TimeFieldStep StepTimeField(const TimeParams& p, std::string_view text, size_t caret, int32_t step,
                            bool measures);

// A note field's arrows: one key per press, an octave when the step is
// larger; kept within 0..127.
int StepNoteField(int key, int32_t step);

enum class TimeMenuCommand { PlayStart, SetFrom, SetTo };

struct TimeMenuItem {
    TimeMenuCommand command;
    int32_t tick;
    std::string text;
    bool isDefault;
};

inline constexpr const char* kPlayStartAtText = "Play Start at %s";
inline constexpr const char* kSetFromText = "Set From to %s";
inline constexpr const char* kSetToText = "Set To to %s";

// The six items offered by a right click on a time ruler at tick: play start,
// From and To at the clicked time, and at the start of its measure (To: the
// last tick of its measure). The first item is the default.
std::array<TimeMenuItem, 6> TimeContextMenu(const TimeParams& p, int32_t tick);

}  // namespace kv
