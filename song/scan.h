#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

#include "song/event.h"
#include "song/song.h"
#include "song/streamreader.h"

namespace kv {

// The summary fields of a track from its stream: length, eventCount,
// contentFlags, notes, polyphony, channels, program, port, names,
// adjustments and mute; for track zero also the song-wide records, and then
// the time maps are rebuilt. A damaged stream stops the scan where it is
// damaged (message 237 for a bad status byte).
void ScanStream(Song& song, int track);

// Which channels a track's events use: one channel gives kOneChannel,
// several kSeveralChannels.
struct ChannelUse {
    uint8_t mode = kNoChannel;
    uint8_t channel = 0;

    void Note(int ch)
    {
        // Settled: several channels, or this one again.
        if (mode == kSeveralChannels || (mode == kOneChannel && channel == ch))
            return;
        if (mode == kOneChannel) {
            mode = kSeveralChannels;
            channel = 0;
        } else if (mode == kNoChannel || mode == kNewTrackChannel) {
            mode = kOneChannel;
            channel = uint8_t(ch);
        }
    }
};

// The summary fields stored Events give (content, channels, note range,
// program), gathered outside the Track so that a walk keeps them in
// registers.
struct EventSummary {
    int32_t contentFlags = 0;
    ChannelUse channels;             // of the Events added, from none
    std::array<uint64_t, 2> keys{};  // the keys of the notes, as bits
    int16_t program = -1;            // one program (and bank) for the whole track, else -2
    int16_t bank = -1;

    // SysEx counts among the channel kinds (status >= 0x80) for the channel
    // usage, but has a content flag of its own.
    void Add(const Event& e)
    {
        contentFlags |= kContentFlags[e.status >> 4];
        if (!e.IsChannelKind())
            return;
        channels.Note(e.Channel());
        // Notes and other channel events mix unpredictably: no branch on
        // the kind for the note range.
        const uint64_t note = e.Kind() == EventKind::NoteOn;
        const int key = e.data1 & 0x7F;
        keys[size_t(key >> 6)] |= note << (key & 63);
        if (e.Kind() == EventKind::PgmChg)
            Program(e.data1, e.Bank());
    }
    void Program(int p, int b)
    {
        if (program == -1) {
            program = int16_t(p);
            bank = int16_t(b);
        } else if (program != p || bank != b) {
            program = -2;
        }
    }
    // Into the track, with the channel usage given. (Its scan then says
    // that several channels leave no one program.)
    void Store(Track& t, ChannelUse use) const
    {
        t.contentFlags = contentFlags;
        t.channelMode = use.mode;
        t.channel = use.channel;
        // No notes leave the range empty: lowest 127, highest 0.
        t.lowestNote = keys[0]   ? uint8_t(std::countr_zero(keys[0]))
                       : keys[1] ? uint8_t(64 + std::countr_zero(keys[1]))
                                 : uint8_t(127);
        t.highestNote = keys[1]   ? uint8_t(127 - std::countl_zero(keys[1]))
                        : keys[0] ? uint8_t(63 - std::countl_zero(keys[0]))
                                  : uint8_t(0);
        t.program = program;
        t.bank = bank;
    }

    // The content flag of each kind, by the kind's nibble (0x60 and 0x70 are
    // never stored).
    static constexpr std::array<int32_t, 16> kContentFlags = [] {
        std::array<int32_t, 16> flags{};
        flags[0x0] = flags[0x1] = kContentTempoTimeSig;  // tempo, time signature
        flags[0x2] = kContentText;
        flags[0x3] = kContentOwn;
        flags[0x4] = kContentWave | kContentOwn;
        flags[0x5] = kContentKeySig;
        for (size_t kind = 0x8; kind <= 0xE; ++kind)
            flags[kind] = kContentChannel;
        flags[0xF] = kContentSysEx;
        return flags;
    }();
};

// What RescanEvents finds in Events just converted from a stream, gathered
// by the conversion's walk.
struct ConvertedSummary {
    EventSummary summary;  // over the Events stored
    int64_t end = 0;       // the latest end of an Event (a note's end, else its time)
    bool stuck = false;    // a note of the longest duration
};

// ScanStream's walk for a caller that walks the stream itself (BuildEvents
// converts and scans in one walk): fed every message and what the decoder
// made of it, it leaves the same summary, messages and maps as ScanStream.
class StreamScan {
public:
    // Clears the summary; track zero's song-wide counts start again.
    StreamScan(Song& song, int track);

    // Every message the walk reads, before it is decoded.
    void Message(const RawEvent& raw)
    {
        if (raw.status == 0xFF)
            Meta(raw);
    }
    // The decoder's NoteOff, AllNotesOff and Store results.
    void NoteOff(const Event& e)
    {
        m_channels.Note(e.Channel());
        const int k = e.Channel() * 128 + (e.data1 & 0x7F);
        if (m_perKey[size_t(k)] > 0) {
            --m_perKey[size_t(k)];
            --m_sounding;
        }
    }
    void AllNotesOff(int channel);
    void Stored(const Event& e)
    {
        ++m_storable;
        m_summary.Add(e);
        if (e.IsChannelKind())
            m_channels.Note(e.Channel());
        // Counted without a branch: notes mix unpredictably with the rest.
        const int note = e.Kind() == EventKind::NoteOn;
        m_perKey[size_t(e.Channel() * 128 + (e.data1 & 0x7F))] += uint16_t(note);
        m_sounding += note;
        m_most = std::max(m_most, m_sounding);
    }
    // After the walk: the length, count, polyphony, message 237 and, for
    // track zero, the time maps.
    void Finish(const StreamReader& reader);

    // The summary of the Store results alone.
    const EventSummary& summary() const { return m_summary; }

private:
    void Meta(const RawEvent& raw);

    Song& m_song;
    int m_track;
    Track& m_t;
    EventSummary m_summary;
    ChannelUse m_channels;  // note-offs count too
    int32_t m_storable = 0;
    std::array<uint16_t, 2048> m_perKey{};  // sounding notes per channel and key
    int m_sounding = 0;
    int m_most = 0;
};

// The summary fields from the Events, only when the track is changed. Events
// out of order or beyond measure 9999 cut the track there (message 241); a
// stuck note gives message 242. For track zero the time maps are rebuilt.
void RescanEvents(Song& song, int track);
// RescanEvents for Events just converted from the track's stream, from what
// the conversion gathered: the same results without walking the Events
// again, unless the song's end cuts them.
void RescanConverted(Song& song, int track, const ConvertedSummary& converted);

// The last tick of measure 9999 under the song's time-signature map.
int32_t LastTickOfSong(const Song& song);

}  // namespace kv
