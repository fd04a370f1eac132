#include "song/mapbuild.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <span>
#include <vector>

#include "platform/messages.h"
#include "song/eventdecoder.h"
#include "song/measuretime.h"
#include "song/song.h"
#include "song/streamreader.h"
#include "song/timeconvert.h"
#include "song/timetext.h"

namespace kv {

namespace {

constexpr int kMsgMisplacedTimeSig = 236;
constexpr int kMsgStreamCount = 238;
constexpr int kMsgEventsCount = 240;
constexpr int kMsgInvalidTimeSig = 243;
constexpr int32_t kMaxTick = std::numeric_limits<int32_t>::max();
constexpr uint8_t kHighestDenomPower = 6;  // a 64th note beat

// Collects track zero's signatures and tempos in time order and turns them
// into maps (steps shared by the stream and the Events).
class MapCollector {
public:
    explicit MapCollector(int32_t timeFormat, int32_t expectedTimeSigs) : m_timeFormat(timeFormat)
    {
        m_sigs.entries.reserve(size_t(std::max(expectedTimeSigs, 0)) + 1);
        m_sigs.entries.push_back({0, 0, 4, 2, 4});
        m_keys.entries.push_back({0, 7, false});
    }

    void Add(const Event& e)
    {
        switch (e.Kind()) {
            case EventKind::TimeSig:
                AddTimeSig(e.time, e.data1, e.data2, e.value);
                break;
            case EventKind::KeySig:
                AddKeySig(e.time, uint8_t(std::min<int>(e.data1, 14)), e.data2 != 0);
                break;
            case EventKind::Tempo:
                AddTempo(e.time, TempoUsFromValue(uint32_t(e.value) & 0xFFFF));
                break;
            default:
                break;
        }
    }

    int32_t timeSigsSeen() const { return m_timeSigsSeen; }
    TimeSigMap& sigs() { return m_sigs; }
    KeySigMap& keys() { return m_keys; }
    TempoMap& tempos() { return m_tempos; }

private:
    void AddTimeSig(int32_t tick, uint8_t numerator, uint8_t denomPower, int32_t clicks)
    {
        ++m_timeSigsSeen;
        if (clicks <= 0 || numerator == 0 || numerator % clicks != 0)
            clicks = numerator;
        TimeSigEntry& last = m_sigs.entries.back();
        const TimeSigEntry e{tick, 0, numerator, denomPower, clicks};
        if (tick == last.tick) {
            last.numerator = numerator;
            last.denomPower = denomPower;
            last.clicks = clicks;
        } else if (m_timeFormat != 0 && !SameSignature(e, last)) {
            m_sigs.entries.push_back(e);
        }
    }

    void AddKeySig(int32_t tick, uint8_t key, bool minor)
    {
        auto& entries = m_keys.entries;
        const KeySigEntry e{tick, key, minor};
        if (tick == entries.back().tick) {
            entries.back() = e;
            // A replacement may now repeat the entry before it.
            if (entries.size() > 1 && SameKey(entries[entries.size() - 2], e))
                entries.pop_back();
        } else if (!SameKey(entries.back(), e)) {
            entries.push_back(e);
        }
    }

    void AddTempo(int32_t tick, uint32_t usPerQuarter)
    {
        auto& entries = m_tempos.entries;
        if (entries.empty() && tick != 0)
            entries.push_back({0, TempoUsFromValue(12000), 0});
        if (!entries.empty() && entries.back().tick == tick) {
            // Two tempos at one tick: the later is the one that plays.
            entries.back().usPerQuarter = usPerQuarter;
            if (entries.size() > 1 && entries[entries.size() - 2].usPerQuarter == usPerQuarter)
                entries.pop_back();
        } else if (entries.empty() || entries.back().usPerQuarter != usPerQuarter) {
            entries.push_back({tick, usPerQuarter, 0});
        }
    }

    static bool SameSignature(const TimeSigEntry& a, const TimeSigEntry& b)
    {
        return a.numerator == b.numerator && a.denomPower == b.denomPower && a.clicks == b.clicks;
    }
    static bool SameKey(const KeySigEntry& a, const KeySigEntry& b)
    {
        return a.key == b.key && a.minor == b.minor;
    }

    int32_t m_timeFormat;
    int32_t m_timeSigsSeen = 0;
    TimeSigMap m_sigs;
    KeySigMap m_keys;
    TempoMap m_tempos;
};

void ShowInvalid(Song& song, const TimeSigEntry& e)
{
    if (song.messages) {
        const int32_t denominator = e.denomPower < 31 ? int32_t(1) << e.denomPower : 0;
        song.messages->ShowInfo(kMsgInvalidTimeSig, int(e.numerator), denominator);
    }
}

// A signature no measure can be built from becomes 4/4 with 4 clicks.
void RepairInvalid(Song& song, TimeSigEntry& e)
{
    if (e.numerator != 0 && e.denomPower <= kHighestDenomPower)
        return;
    ShowInvalid(song, e);
    e.numerator = 4;
    e.denomPower = 2;
    e.clicks = 4;
}

// Puts every signature on a measure start and numbers the measures. Returns
// true when a signature had to be moved.
bool PlaceSignatures(Song& song, std::vector<TimeSigEntry>& entries)
{
    TimeSigEntry& first = entries.front();
    first.tick = 0;
    first.measure = song.firstMeasure;
    if (song.timeFormat == 0) {
        first.numerator = 1;
        first.denomPower = 2;
        first.clicks = 1;
    }
    // The first signature's denominator is checked like the others': past a
    // 64th, a beat at a small timebase would be shorter than a tick.
    RepairInvalid(song, first);
    bool corrected = false;
    size_t out = 1;
    for (size_t i = 1; i < entries.size(); ++i) {
        TimeSigEntry e = entries[i];
        const TimeSigEntry& prev = entries[out - 1];
        const int64_t measureTicks = MeasureTicks(prev, song.timebase);
        int64_t d = int64_t(e.tick) - prev.tick;
        // A signature on (or moved onto) the previous one's tick would never
        // be in effect; like one out of order it goes to the next measure.
        if (d <= 0) {
            d = measureTicks;
            corrected = true;
        } else if (d % measureTicks != 0) {
            d += measureTicks - d % measureTicks;
            corrected = true;
        }
        const int64_t tick = prev.tick + d;
        const int64_t measure = prev.measure + d / measureTicks;
        if (tick > kMaxTick || measure > kMaxTick) {
            // No tick can reach it: the rest of the map is past the song's end.
            corrected = true;
            break;
        }
        e.tick = int32_t(tick);
        e.measure = int32_t(measure);
        RepairInvalid(song, e);
        if (e.clicks <= 0 || e.numerator % e.clicks != 0)
            e.clicks = e.numerator;
        entries[out++] = e;
    }
    entries.resize(out);
    return corrected;
}

unsigned FinishTimeSigMap(Song& song, TimeSigMap& built)
{
    song.firstMeasure = FirstMeasureFor(song.timeFormat);
    song.firstBeat = FirstBeatFor(song.timeFormat);
    const bool corrected = PlaceSignatures(song, built.entries);
    if (built == song.timeSigMap)
        return 0;
    if (corrected && song.messages)
        song.messages->ShowInfo(kMsgMisplacedTimeSig);
    song.timeSigMap.entries.swap(built.entries);
    song.timeSigMap.cursor = 0;
    return kTimeSigMapChanged;
}

// Key signatures take effect at measure starts: the first beat, tick 0.
unsigned FinishKeySigMap(Song& song, KeySigMap& built)
{
    const TimeParams p = TimeParamsOf(song);
    std::vector<KeySigEntry> placed;
    placed.reserve(built.entries.size());
    for (KeySigEntry e : built.entries) {
        MeasureTime m;
        TickToMeasureTime(p, e.tick, m);
        if (m.beat != p.firstBeat || m.tick != 0) {
            MeasureTime next{m.measure + 1, p.firstBeat, 0, 0, 0, 0};
            e.tick = std::max(e.tick, MeasureTimeToTick(p, next));
        }
        if (!placed.empty() && placed.back().tick == e.tick)
            placed.back() = e;
        else
            placed.push_back(e);
    }
    built.entries.swap(placed);
    if (built == song.keySigMap)
        return 0;
    song.keySigMap.entries.swap(built.entries);
    song.keySigMap.cursor = 0;
    return kKeySigMapChanged;
}

unsigned FinishTempoMap(Song& song, TempoMap& built)
{
    auto& entries = built.entries;
    if (entries.empty())
        entries.push_back({0, TempoUsFromValue(12000), 0});
    const uint32_t perQuarter = uint32_t(song.timebase) * 1000u;
    for (size_t i = 1; i < entries.size(); ++i) {
        const TempoEntry& prev = entries[i - 1];
        const uint64_t ms = uint64_t(prev.ms) +
                            MulDivRound(uint32_t(entries[i].tick - prev.tick), prev.usPerQuarter, perQuarter);
        entries[i].ms = uint32_t(std::min<uint64_t>(ms, 0xFFFFFFFFu));
    }
    if (built == song.tempoMap)
        return 0;
    song.tempoMap.entries.swap(entries);
    song.tempoMap.cursor = 0;
    return kTempoMapChanged;
}

unsigned Finish(Song& song, MapCollector& c, int32_t expected, int countMessage)
{
    if (c.timeSigsSeen() != expected && song.messages)
        song.messages->ShowInfo(countMessage);
    unsigned changes = FinishTimeSigMap(song, c.sigs());
    changes |= FinishKeySigMap(song, c.keys());
    changes |= FinishTempoMap(song, c.tempos());
    return changes;
}

}  // namespace

TimeParams TimeParamsOf(const Song& song, int32_t middleC)
{
    TimeParams p;
    p.timeSigs = &song.timeSigMap;
    p.keySigs = &song.keySigMap;
    p.tempos = &song.tempoMap;
    p.timebase = song.timebase;
    p.timeFormat = song.timeFormat;
    p.firstMeasure = song.firstMeasure;
    p.firstBeat = song.firstBeat;
    p.smpteOffset = song.smpteOffset;
    p.middleC = middleC;
    return p;
}

unsigned TrackTimeSigMap(Song& song)
{
    const Track& zero = song.tracks[0];
    MapCollector collector(song.timeFormat, song.timeSigCount);
    const size_t size = std::min(zero.stream.size(), size_t(std::max(zero.streamSize, 0)));
    StreamReader reader(std::span<const uint8_t>(zero.stream.data(), size));
    EventDecoder decoder(song, zero.port, false);
    RawEvent raw;
    Event e;
    while (reader.Next(raw)) {
        if (raw.status != 0xFF || (raw.metaType != 0x51 && raw.metaType != 0x58 && raw.metaType != 0x59))
            continue;
        e = Event{};
        if (decoder.Decode(raw, e) == EventDecoder::Action::Store) {
            e.time = raw.time;
            collector.Add(e);
        }
    }
    return Finish(song, collector, song.timeSigCount, kMsgStreamCount);
}

unsigned UpdateTimeSigMap(Song& song)
{
    const Track& zero = song.tracks[0];
    const int32_t count =
        zero.eventsBuilt ? std::clamp<int32_t>(zero.eventCount, 0, int32_t(zero.events.size())) : 0;
    const std::span<const Event> events(zero.events.data(), size_t(count));
    const int32_t expected = int32_t(std::count_if(
        events.begin(), events.end(), [](const Event& e) { return e.Kind() == EventKind::TimeSig; }));
    MapCollector collector(song.timeFormat, expected);
    for (const Event& e : events)
        collector.Add(e);
    return Finish(song, collector, expected, kMsgEventsCount);
}

std::vector<std::string> DescribeMaps(const Song& song)
{
    std::vector<std::string> lines;
    char line[128];
    for (const TimeSigEntry& e : song.timeSigMap.entries) {
        std::snprintf(line, sizeof line, "TimeSig tick %d measure %d %d/%d clicks %d", e.tick, e.measure,
                      int(e.numerator), e.denomPower < 31 ? 1 << e.denomPower : 0, e.clicks);
        lines.push_back(line);
    }
    for (const KeySigEntry& e : song.keySigMap.entries) {
        std::snprintf(line, sizeof line, "KeySig tick %d %s", e.tick, KeyName(e.key, e.minor));
        lines.push_back(line);
    }
    for (const TempoEntry& e : song.tempoMap.entries) {
        const unsigned bpm100 = TempoValueFromUs(e.usPerQuarter);
        std::snprintf(line, sizeof line, "Tempo tick %d us %u bpm %u.%02u ms %u", e.tick, e.usPerQuarter,
                      bpm100 / 100, bpm100 % 100, e.ms);
        lines.push_back(line);
    }
    return lines;
}

unsigned RebuildTimeMaps(Song& song)
{
    const Track& zero = song.tracks[0];
    if (zero.eventsBuilt)
        return UpdateTimeSigMap(song);
    return TrackTimeSigMap(song);
}

void TimeMapBuilder::TrackTimeSigMap(Song& song)
{
    if (const unsigned changes = kv::TrackTimeSigMap(song))
        MapsChanged(song, changes);
}

void TimeMapBuilder::UpdateTimeSigMap(Song& song)
{
    if (const unsigned changes = kv::UpdateTimeSigMap(song))
        MapsChanged(song, changes);
}

}  // namespace kv
