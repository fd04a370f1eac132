#include "song/scan.h"

#include <algorithm>
#include <array>

#include "platform/messages.h"
#include "song/eventdecoder.h"
#include "song/mapbuild.h"
#include "song/measuretime.h"
#include "song/song.h"
#include "song/streamreader.h"
#include "song/trackstore.h"

namespace kv {

namespace {

uint32_t ReadLe(const uint8_t* p, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

void ClearSummary(Track& t)
{
    t.length = 0;
    t.contentFlags = 0;
    t.lowestNote = 127;
    t.highestNote = 0;
    if (t.channelMode != kNewTrackChannel)
        t.channelMode = kNoChannel;
    t.channel = 0;
    t.program = -1;
    t.bank = -1;
    t.aux.clear();
}

void ScanOwnRecord(Song& song, int track, Track& t, const RawEvent& raw)
{
    if (raw.length < 4 || raw.data[0] != 0 || raw.data[1] != 0 || raw.data[2] != 0x5B)
        return;
    const uint8_t type = raw.data[3];
    const uint8_t* d = raw.data + 4;
    const uint32_t n = raw.length - 4;
    if (type == 0x20 && n >= 8 && raw.time == 0) {
        t.transpose = int8_t(d[0]);
        t.velocityAdjust = int8_t(d[1]);
        const int loops = int(ReadLe(d + 2, 2));
        t.loops = std::clamp(loops, 1, 999);
        t.delay = int32_t(ReadLe(d + 4, 4) & 0x7FFFFFFF);
    } else if (type == 0x24 && n >= 1 && raw.time == 0) {
        t.muteFlags = d[0] ? (t.muteFlags | kMutedByCommand) : (t.muteFlags & ~kMutedByCommand);
    } else if (track == 0 && raw.time == 0) {
        if (type == 0x21 && n >= 12) {
            song.waveLead = int32_t(ReadLe(d, 4) & 0x7FFFFFFF);
            song.from = int32_t(ReadLe(d + 4, 4) & 0x7FFFFFFF);
            song.to = int32_t(ReadLe(d + 8, 4) & 0x7FFFFFFF);
        } else if (type == 0x22 && n >= 2) {
            song.flatChar = d[0];
            song.sharpChar = d[1];
        } else if (type == 0x23 && n >= 6) {
            std::copy(d, d + 6, song.documentRecord.begin());
        }
    }
}

void ScanMeta(Song& song, int track, Track& t, const RawEvent& raw)
{
    const bool atZero = raw.time == 0;
    switch (raw.metaType) {
        case 0x01:
        case 0x03:
            if (atZero && t.name.empty())
                t.name.assign(reinterpret_cast<const char*>(raw.data), raw.length);
            break;
        case 0x04:
            if (atZero && t.instrument.empty())
                t.instrument.assign(reinterpret_cast<const char*>(raw.data), raw.length);
            break;
        case 0x21:
            if (atZero && raw.length >= 1)
                t.port = raw.data[0] > 31 ? 31 : raw.data[0];
            break;
        case 0x51:
            song.tempoCount += track == 0 && raw.length >= 3;
            break;
        case 0x58:
            song.timeSigCount += track == 0 && raw.length >= 2;
            break;
        case 0x59:
            song.keySigCount += track == 0 && raw.length >= 2;
            break;
        case 0x54:
            if (track == 0 && atZero && raw.length >= 4)
                song.smpteOffset =
                    (uint32_t(raw.data[0]) << 24) | (raw.data[1] << 16) | (raw.data[2] << 8) | raw.data[3];
            break;
        case 0x7F:
            if (track == 0 && atZero && raw.length == 3 && raw.data[0] == 0 && raw.data[1] == 0 &&
                raw.data[2] == 0x41)
                song.authoringMark = true;
            ScanOwnRecord(song, track, t, raw);
            break;
        default:
            break;
    }
}

void FinishChannels(Track& t)
{
    if (t.channelMode == kSeveralChannels)
        t.program = -2;
}

}  // namespace

int32_t LastTickOfSong(const Song& song)
{
    TimeParams p = TimeParamsOf(song, 0);
    // A song that was never reset has no signature yet: 4/4 from tick 0.
    TimeSigMap fallback;
    if (song.timeSigMap.entries.empty()) {
        fallback.entries.assign(1, TimeSigEntry{0, song.firstMeasure});
        p.timeSigs = &fallback;
    }
    return int32_t(std::clamp<int64_t>(MeasureLimit(p) - 1, 0, 0x7FFFFFFF));
}

StreamScan::StreamScan(Song& song, int track) : m_song(song), m_track(track), m_t(song.tracks[track])
{
    ClearSummary(m_t);
    m_channels.mode = m_t.channelMode;
    m_t.polyphony = 0;
    if (track == 0) {
        song.timeSigCount = song.keySigCount = song.tempoCount = 0;
        // Only a stream can say the mark is absent; a track zero that has
        // none yet keeps what the song command set.
        if (m_t.HasStream())
            song.authoringMark = false;
    }
}

void StreamScan::Meta(const RawEvent& raw)
{
    ScanMeta(m_song, m_track, m_t, raw);
}

void StreamScan::AllNotesOff(int channel)
{
    m_channels.Note(channel);
    const size_t first = size_t(channel) * 128;
    for (size_t key = 0; key < 128; ++key) {
        m_sounding -= m_perKey[first + key];
        m_perKey[first + key] = 0;
    }
}

void StreamScan::Finish(const StreamReader& reader)
{
    m_t.length = reader.time();
    // Once the Events exist they are the count; a packed stream may hold fewer
    // records than Events (empty texts write nothing).
    if (!m_t.eventsBuilt)
        m_t.eventCount = m_storable;
    m_t.polyphony = uint8_t(std::min(m_most, 255));
    m_summary.Store(m_t, m_channels);
    FinishChannels(m_t);
    if (reader.fault() == StreamFault::BadStatus && m_song.messages)
        m_song.messages->ShowInfo(237, unsigned(reader.badByte()));
    if (m_track == 0 && m_song.timeMaps)
        m_song.timeMaps->TrackTimeSigMap(m_song);
}

void ScanStream(Song& song, int track)
{
    StreamScan scan(song, track);
    Track& t = song.tracks[track];
    const std::span<const uint8_t> stream(t.stream.data(), size_t(t.streamSize));
    StreamReader reader(stream);
    EventDecoder decoder(song, StreamPort(stream, t.port), true);
    RawEvent raw;
    Event e;
    while (reader.Next(raw)) {
        scan.Message(raw);
        switch (decoder.Decode(raw, e)) {
            case EventDecoder::Action::Skip:
                break;
            case EventDecoder::Action::NoteOff:
                scan.NoteOff(e);
                break;
            case EventDecoder::Action::AllNotesOff:
                scan.AllNotesOff(e.Channel());
                break;
            case EventDecoder::Action::Store:
                scan.Stored(e);
                break;
        }
    }
    scan.Finish(reader);
}

void RescanEvents(Song& song, int track)
{
    Track& t = song.tracks[track];
    if (!t.changed || !t.eventsBuilt)
        return;
    ClearSummary(t);
    EventSummary summary;
    summary.channels.mode = t.channelMode;
    const int32_t limit = LastTickOfSong(song);
    const int32_t count = t.eventCount;
    const Event* events = t.events.data();
    int64_t end = 0;
    bool stuck = false;
    int32_t previous = 0;  // the first Event only has to be at 0 or later
    int32_t i = 0;
    for (; i < count; ++i) {
        const Event& e = events[i];
        if (e.time < previous || e.time > limit)
            break;
        previous = e.time;
        // A note ends after its duration, anything else at its time.
        const bool note = e.Kind() == EventKind::NoteOn;
        stuck |= note & (e.value == 0x7FFFFFFF);
        const int32_t duration = std::max(e.value, 0) & -int32_t(note);
        end = std::max(end, int64_t(e.time) + duration);
        summary.Add(e);
    }
    summary.Store(t, summary.channels);
    if (i < count) {
        if (song.messages)
            song.messages->ShowInfo(241);
        // The cut Events go, and with them their payload blocks.
        for (int32_t j = i; j < count; ++j) {
            Event& e = t.events[size_t(j)];
            if (e.HasPayload())
                SubHeapFree(song, track, e.value);
            e = Event{};
        }
    }
    t.eventCount = i;
    t.length = int32_t(std::min<int64_t>(end, 0x7FFFFFFF));
    FinishChannels(t);
    if (stuck && song.messages)
        song.messages->ShowInfo(242);
    if (track == 0 && song.timeMaps)
        song.timeMaps->UpdateTimeSigMap(song);
}

void RescanConverted(Song& song, int track, const ConvertedSummary& converted)
{
    Track& t = song.tracks[track];
    if (!t.changed || !t.eventsBuilt)
        return;
    // Converted Events are in time order from 0 on: only the last can pass
    // the end of the song.
    const int32_t count = t.eventCount;
    if (count > 0 && t.events[size_t(count) - 1].time > LastTickOfSong(song)) {
        RescanEvents(song, track);
        return;
    }
    ClearSummary(t);
    // The Events' channels, counted from none; without channel events the
    // mode is what the clear left.
    ChannelUse channels = converted.summary.channels;
    if (channels.mode == kNoChannel)
        channels.mode = t.channelMode;
    converted.summary.Store(t, channels);
    t.length = int32_t(std::min<int64_t>(converted.end, 0x7FFFFFFF));
    FinishChannels(t);
    if (converted.stuck && song.messages)
        song.messages->ShowInfo(242);
    if (track == 0 && song.timeMaps)
        song.timeMaps->UpdateTimeSigMap(song);
}

}  // namespace kv
