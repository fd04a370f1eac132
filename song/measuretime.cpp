#include "song/measuretime.h"

#include <algorithm>
#include <limits>

namespace kv {

namespace {

constexpr int32_t kOpenEnd = std::numeric_limits<int32_t>::max();

int32_t Saturate(int64_t v)
{
    return static_cast<int32_t>(
        std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// Fills measure, beat and tick of out for d ticks into the measure-aligned
// stretch that starts with measure number `measure`.
void Split(const TimeParams& p, const TimeSigEntry& e, int32_t measure, int64_t d, MeasureTime& out)
{
    const int32_t beatTicks = BeatTicks(e, p.timebase);
    const int64_t beats = d / beatTicks;
    out.measure = Saturate(measure + beats / e.numerator);
    out.beat = static_cast<int32_t>(beats % e.numerator) + p.firstBeat;
    out.tick = static_cast<int32_t>(d % beatTicks);
    out.beatTicks = beatTicks;
    out.measureTicks = MeasureTicks(e, p.timebase);
}

void LastTickOfLastMeasure(const TimeParams& p, MeasureTime& out)
{
    const TimeSigMap& map = *p.timeSigs;
    const TimeSigEntry& e = map.entries[FindTimeSigByMeasure(map, kLastMeasure)];
    out.measure = kLastMeasure;
    out.beat = e.numerator - 1 + p.firstBeat;
    out.beatTicks = BeatTicks(e, p.timebase);
    out.measureTicks = MeasureTicks(e, p.timebase);
    out.tick = out.beatTicks - 1;
    out.absTick = Saturate(MeasureLimit(p) - 1);
}

}  // namespace

int64_t MeasureLimit(const TimeParams& p)
{
    const TimeSigMap& map = *p.timeSigs;
    const TimeSigEntry& e = map.entries[FindTimeSigByMeasure(map, kLastMeasure)];
    const int64_t limit = e.tick + int64_t(kLastMeasure + 1 - e.measure) * MeasureTicks(e, p.timebase);
    return std::min<int64_t>(limit, int64_t(kOpenEnd) + 1);
}

bool TickToMeasureTime(const TimeParams& p, int32_t tick, MeasureTime& out)
{
    const TimeSigMap& map = *p.timeSigs;
    out.absTick = tick;
    if (tick <= 0) {
        const TimeSigEntry& first = map.entries.front();
        const int32_t measureTicks = MeasureTicks(first, p.timebase);
        // Count-in: whole measures of the first signature before the first.
        const int64_t back = tick < 0 ? (-int64_t(tick) + measureTicks - 1) / measureTicks : 0;
        Split(p, first, p.firstMeasure - static_cast<int32_t>(back), tick + back * measureTicks, out);
        return false;
    }
    if (tick == kOpenEnd) {
        LastTickOfLastMeasure(p, out);
        return true;
    }
    const TimeSigEntry& e = map.entries[FindTimeSig(map, tick)];
    const int64_t limit = e.tick + int64_t(kLastMeasure + 1 - e.measure) * MeasureTicks(e, p.timebase);
    if (tick >= limit) {
        LastTickOfLastMeasure(p, out);
        return true;
    }
    Split(p, e, e.measure, int64_t(tick) - e.tick, out);
    return false;
}

int32_t MeasureTimeToTick(const TimeParams& p, const MeasureTime& m)
{
    const TimeSigMap& map = *p.timeSigs;
    const TimeSigEntry& e = map.entries[FindTimeSigByMeasure(map, m.measure)];
    const int64_t tick = e.tick + int64_t(MeasureTicks(e, p.timebase)) * (int64_t(m.measure) - e.measure) +
                         int64_t(BeatTicks(e, p.timebase)) * (int64_t(m.beat) - p.firstBeat) + m.tick;
    return Saturate(tick);
}

bool Normalize(const TimeParams& p, MeasureTime& m)
{
    const int32_t tick = std::max(MeasureTimeToTick(p, m), 0);
    return TickToMeasureTime(p, tick, m);
}

bool AddMeasures(const TimeParams& p, MeasureTime& m, int32_t n)
{
    m.measure = Saturate(int64_t(m.measure) + n);
    return Normalize(p, m);
}

bool AddBeats(const TimeParams& p, MeasureTime& m, int32_t n)
{
    m.beat = Saturate(int64_t(m.beat) + n);
    return Normalize(p, m);
}

bool AddTicks(const TimeParams& p, MeasureTime& m, int32_t n)
{
    m.tick = Saturate(int64_t(m.tick) + n);
    return Normalize(p, m);
}

bool SetMeasure(const TimeParams& p, MeasureTime& m, int32_t measure, int32_t beat, int32_t tick)
{
    const bool over = measure > kLastMeasure;
    m.measure = std::clamp(measure, p.firstMeasure, kLastMeasure);
    m.beat = beat;
    m.tick = tick;
    return Normalize(p, m) || over;
}

}  // namespace kv
