#include "song/scan.h"

#include <algorithm>
#include <array>

#include "platform/messages.h"
#include "song/eventdecoder.h"
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

// Channel usage, shared by both scans: one channel gives mode 2, several 1.
void NoteChannel(Track& t, int channel)
{
    if (t.channelMode == kNoChannel || t.channelMode == kNewTrackChannel) {
        t.channelMode = kOneChannel;
        t.channel = uint8_t(channel);
    } else if (t.channelMode == kOneChannel && t.channel != channel) {
        t.channelMode = kSeveralChannels;
        t.channel = 0;
    }
}

// One program (and bank) for the whole track, else -2.
void NoteProgram(Track& t, int program, int bank)
{
    if (t.program == -1) {
        t.program = int16_t(program);
        t.bank = int16_t(bank);
    } else if (t.program != program || t.bank != bank) {
        t.program = -2;
    }
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

// A note event (stored, not a note-off) of either scan.
void NoteKey(Track& t, int key)
{
    t.lowestNote = uint8_t(std::min<int>(t.lowestNote, key));
    t.highestNote = uint8_t(std::max<int>(t.highestNote, key));
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

int32_t ContentFlagOf(const Event& e)
{
    switch (e.Kind()) {
        case EventKind::SysEx:
            return kContentSysEx;
        case EventKind::Tempo:
        case EventKind::TimeSig:
            return kContentTempoTimeSig;
        case EventKind::KeySig:
            return kContentKeySig;
        case EventKind::MetaTxt:
            return kContentText;
        case EventKind::Own:
            return kContentOwn;
        case EventKind::Wave:
            return kContentWave | kContentOwn;
        default:
            return e.IsChannelKind() ? kContentChannel : 0;
    }
}

// Sounding notes while scanning a stream, for the polyphony.
struct Sounding {
    std::array<uint16_t, 2048> perKey{};
    int total = 0;
    int most = 0;

    void On(int k)
    {
        ++perKey[k];
        most = std::max(most, ++total);
    }
    void Off(int k)
    {
        if (perKey[k] > 0) {
            --perKey[k];
            --total;
        }
    }
    void AllOff(int channel)
    {
        for (int key = 0; key < 128; ++key) {
            total -= perKey[channel * 128 + key];
            perKey[channel * 128 + key] = 0;
        }
    }
};

void ScanEvent(Track& t, const Event& e)
{
    t.contentFlags |= ContentFlagOf(e);
    if (!e.IsChannelKind())
        return;
    NoteChannel(t, e.Channel());
    if (e.Kind() == EventKind::NoteOn)
        NoteKey(t, e.data1 & 0x7F);
    else if (e.Kind() == EventKind::PgmChg)
        NoteProgram(t, e.data1, e.Bank());
}

void FinishChannels(Track& t)
{
    if (t.channelMode == kSeveralChannels)
        t.program = -2;
}

}  // namespace

int32_t LastTickOfSong(const Song& song)
{
    TimeSigEntry e;
    e.measure = song.firstMeasure;
    for (const TimeSigEntry& entry : song.timeSigMap.entries) {
        if (entry.measure > kLastMeasure)
            break;
        e = entry;
    }
    const int64_t measureTicks = std::max<int64_t>(1, MeasureTicks(e, song.timebase));
    const int64_t limit = int64_t(e.tick) + (int64_t(kLastMeasure) + 1 - e.measure) * measureTicks - 1;
    return int32_t(std::clamp<int64_t>(limit, 0, 0x7FFFFFFF));
}

void ScanStream(Song& song, int track)
{
    Track& t = song.tracks[track];
    ClearSummary(t);
    t.polyphony = 0;
    if (track == 0) {
        song.timeSigCount = song.keySigCount = song.tempoCount = 0;
        // Only a stream can say the mark is absent; a track zero that has
        // none yet keeps what the song command set.
        if (t.HasStream())
            song.authoringMark = false;
    }
    const std::span<const uint8_t> stream(t.stream.data(), size_t(t.streamSize));
    StreamReader reader(stream);
    EventDecoder decoder(song, StreamPort(stream, t.port), true);
    Sounding sounding;
    int32_t storable = 0;
    RawEvent raw;
    Event e;
    while (reader.Next(raw)) {
        if (raw.status == 0xFF)
            ScanMeta(song, track, t, raw);
        switch (decoder.Decode(raw, e)) {
            case EventDecoder::Action::Skip:
                break;
            case EventDecoder::Action::NoteOff:
                NoteChannel(t, e.Channel());
                sounding.Off(e.Channel() * 128 + (e.data1 & 0x7F));
                break;
            case EventDecoder::Action::AllNotesOff:
                NoteChannel(t, e.Channel());
                sounding.AllOff(e.Channel());
                break;
            case EventDecoder::Action::Store:
                ++storable;
                ScanEvent(t, e);
                if (e.Kind() == EventKind::NoteOn)
                    sounding.On(e.Channel() * 128 + (e.data1 & 0x7F));
                break;
        }
    }
    t.length = reader.time();
    // Once the Events exist they are the count; a packed stream may hold fewer
    // records than Events (empty texts write nothing).
    if (!t.eventsBuilt)
        t.eventCount = storable;
    t.polyphony = uint8_t(std::min(sounding.most, 255));
    FinishChannels(t);
    if (reader.fault() == StreamFault::BadStatus && song.messages)
        song.messages->ShowInfo(237, unsigned(reader.badByte()));
    if (track == 0 && song.timeMaps)
        song.timeMaps->TrackTimeSigMap(song);
}

void RescanEvents(Song& song, int track)
{
    Track& t = song.tracks[track];
    if (!t.changed || !t.eventsBuilt)
        return;
    ClearSummary(t);
    const int32_t limit = LastTickOfSong(song);
    const int32_t count = t.eventCount;
    int64_t end = 0;
    bool stuck = false;
    int32_t i = 0;
    for (; i < count; ++i) {
        const Event& e = t.events[size_t(i)];
        if (e.time < 0 || e.time > limit || (i > 0 && e.time < t.events[size_t(i) - 1].time))
            break;
        int64_t eventEnd = e.time;
        if (e.Kind() == EventKind::NoteOn) {
            stuck |= e.value == 0x7FFFFFFF;
            eventEnd += std::max(e.value, 0);
        }
        end = std::max(end, eventEnd);
        ScanEvent(t, e);
    }
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

}  // namespace kv
