#include "song/timeedit.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "song/measuretime.h"
#include "song/timetext.h"

namespace kv {

namespace {

struct PartRange {
    size_t begin;
    size_t end;
};

PartRange RangeOf(std::string_view text, TimePart part)
{
    const size_t dot = text.find('.');
    const size_t colon = text.find(':');
    const size_t beatBegin = dot == std::string_view::npos ? 0 : dot + 1;
    const size_t beatEnd = colon == std::string_view::npos ? text.size() : colon;
    switch (part) {
        case TimePart::Measure:
            return {0, dot == std::string_view::npos ? 0 : dot};
        case TimePart::Tick:
            return colon == std::string_view::npos ? PartRange{text.size(), text.size()}
                                                   : PartRange{colon + 1, text.size()};
        default:
            return {std::min(beatBegin, beatEnd), beatEnd};
    }
}

std::string Substitute(const char* format, const std::string& time)
{
    char text[96];
    std::snprintf(text, sizeof text, format, time.c_str());
    return text;
}

}  // namespace

TimePart PartAtCaret(std::string_view text, size_t caret)
{
    const size_t dot = text.find('.');
    const size_t colon = text.find(':');
    if (dot != std::string_view::npos && caret <= dot)
        return TimePart::Measure;
    if (colon != std::string_view::npos && caret > colon)
        return TimePart::Tick;
    return TimePart::Beat;
}

TimeFieldStep StepTimeField(const TimeParams& p, std::string_view text, size_t caret, int32_t step,
                            bool measures)
{
    caret = std::min(caret, text.size());
    const TimePart part = PartAtCaret(text, caret);
    const PartRange before = RangeOf(text, part);
    const size_t offset = caret - std::min(caret, before.begin);

    TimeFieldStep result;
    const int32_t tick = ParseTime(p, text, measures);
    if (measures && p.timeFormat != 0) {
        MeasureTime m;
        TickToMeasureTime(p, tick, m);
        if (part == TimePart::Measure)
            result.overflow = AddMeasures(p, m, step);
        else if (part == TimePart::Beat)
            result.overflow = AddBeats(p, m, step);
        else
            result.overflow = AddTicks(p, m, step);
        result.tick = m.absTick;
    } else {
        // A duration: the beat is that of the time signature used last,
        // which ParseTime just used.
        const TimeSigMap& map = *p.timeSigs;
        const int32_t last = std::clamp<int32_t>(map.cursor, 0, int32_t(map.entries.size()) - 1);
        const int64_t unit = part == TimePart::Tick ? 1 : BeatTicks(map.entries[last], p.timebase);
        result.tick = static_cast<int32_t>(
            std::clamp<int64_t>(tick + unit * step, 0, std::numeric_limits<int32_t>::max()));
    }
    result.text = FormatTime(p, result.tick, measures);
    const PartRange after = RangeOf(result.text, part);
    result.caret = after.begin + std::min(offset, after.end - after.begin);
    return result;
}

int StepNoteField(int key, int32_t step)
{
    const int move = step > 1 ? 12 : step < -1 ? -12 : step;
    return std::clamp(key + move, 0, 127);
}

std::array<TimeMenuItem, 6> TimeContextMenu(const TimeParams& p, int32_t tick)
{
    MeasureTime m;
    TickToMeasureTime(p, tick, m);
    m.beat = p.firstBeat;
    m.tick = 0;
    const int32_t start = MeasureTimeToTick(p, m);
    const int32_t last = static_cast<int32_t>(
        std::min<int64_t>(int64_t(start) + m.measureTicks - 1, std::numeric_limits<int32_t>::max()));
    const std::string clicked = FormatTime(p, tick, true);
    return {{
        {TimeMenuCommand::PlayStart, tick, Substitute(kPlayStartAtText, clicked), true},
        {TimeMenuCommand::PlayStart, start, Substitute(kPlayStartAtText, FormatTime(p, start, true)), false},
        {TimeMenuCommand::SetFrom, tick, Substitute(kSetFromText, clicked), false},
        {TimeMenuCommand::SetFrom, start, Substitute(kSetFromText, FormatTime(p, start, true)), false},
        {TimeMenuCommand::SetTo, tick, Substitute(kSetToText, clicked), false},
        {TimeMenuCommand::SetTo, last, Substitute(kSetToText, FormatTime(p, last, true)), false},
    }};
}

}  // namespace kv
