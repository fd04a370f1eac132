#include "song/timemaps.h"

#include <algorithm>

namespace kv {

namespace {

// Sequential conversions move forward a little at a time, so the entry after
// the cursor is tried first; anything else is a binary search. Either way the
// answer is the last entry whose key is not greater than the one asked for.
constexpr int32_t kCursorSteps = 4;

template <typename Entry, typename Key, typename KeyOf>
int32_t FindLast(const std::vector<Entry>& entries, int32_t& cursor, Key key, KeyOf keyOf)
{
    const int32_t n = static_cast<int32_t>(entries.size());
    if (n == 0)
        return 0;
    int32_t c = cursor;
    if (c >= 0 && c < n && keyOf(entries[c]) <= key) {
        for (int32_t step = 0; step < kCursorSteps; ++step) {
            if (c + 1 >= n || keyOf(entries[c + 1]) > key) {
                cursor = c;
                return c;
            }
            ++c;
        }
    }
    auto it = std::upper_bound(entries.begin(), entries.end(), key,
                               [&](Key k, const Entry& e) { return k < keyOf(e); });
    c = it == entries.begin() ? 0 : static_cast<int32_t>(it - entries.begin()) - 1;
    cursor = c;
    return c;
}

}  // namespace

int32_t FindTimeSig(const TimeSigMap& map, int32_t tick)
{
    return FindLast(map.entries, map.cursor, tick, [](const TimeSigEntry& e) { return e.tick; });
}

int32_t FindKeySig(const KeySigMap& map, int32_t tick)
{
    return FindLast(map.entries, map.cursor, tick, [](const KeySigEntry& e) { return e.tick; });
}

int32_t FindTempo(const TempoMap& map, int32_t tick)
{
    return FindLast(map.entries, map.cursor, tick, [](const TempoEntry& e) { return e.tick; });
}

int32_t FindTempoByMs(const TempoMap& map, uint32_t ms)
{
    return FindLast(map.entries, map.cursor, ms, [](const TempoEntry& e) { return e.ms; });
}

int32_t FindTimeSigByMeasure(const TimeSigMap& map, int32_t measure)
{
    // Measure lookups come from typed times, not from sweeps: the cursor is
    // left alone so that it keeps following the song position.
    int32_t scratch = -1;
    return FindLast(map.entries, scratch, measure, [](const TimeSigEntry& e) { return e.measure; });
}

}  // namespace kv
