#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "song/event.h"
#include "song/streamreader.h"

namespace kv {

struct Song;

// Turns stream messages into Event records: the one place that decides which
// messages become Events, so that ScanStream's count and ToNote's output can
// never disagree (BuildEvents sizes the array from that count). Payloads are
// not copied here; the Event's value is 0 for payload kinds.
class EventDecoder {
public:
    enum class Action {
        Store,        // out holds an Event to store
        Skip,         // nothing to store
        NoteOff,      // ends the oldest pending note of out's channel and key
        AllNotesOff,  // ends every pending note of out's channel
    };

    // names: the first track name and instrument texts at time 0 are the
    // track's own, not Events. port: the track's output port until the stream
    // sets one with FF 21 at time 0.
    EventDecoder(const Song& song, int port, bool names);

    Action Decode(const RawEvent& raw, Event& out);
    int port() const { return m_port; }

private:
    Action DecodeMeta(const RawEvent& raw, Event& out);
    Action DecodeSystem(const RawEvent& raw, Event& out);
    Action DecodeChannel(const RawEvent& raw, Event& out);
    Action DecodeController(const RawEvent& raw);
    void ResetBanks();

    const Song& m_song;
    int m_port;
    bool m_names;
    bool m_nameSkipped = false;
    bool m_instrumentSkipped = false;
    std::array<int, 16> m_bank{};  // current bank per channel, -1 none
};

// Channel messages decode inline in the caller's walk; controllers 0, 32 and
// 123, meta and system exclusive events are rare and go out of line.

inline EventDecoder::Action EventDecoder::Decode(const RawEvent& raw, Event& out)
{
    if (raw.status >= 0xF0) {
        // Decoded apart, so that the caller's record need not live in
        // memory for the out-of-line call.
        Event system;
        const Action action = DecodeSystem(raw, system);
        out = system;
        return action;
    }
    return DecodeChannel(raw, out);
}

inline EventDecoder::Action EventDecoder::DecodeChannel(const RawEvent& raw, Event& out)
{
    // Built in a local and stored whole: a record written byte by byte and
    // then copied as a whole stalls the copy.
    const uint8_t kind = raw.status & 0xF0;
    Event e;
    e.time = raw.time;
    e.status = raw.status;
    e.data1 = raw.data1;
    e.data2 = raw.data2;
    if (kind == 0x80 || (kind == 0x90 && raw.data2 == 0)) {
        e.status = uint8_t(0x90 | (raw.status & 0x0F));
        out = e;
        return Action::NoteOff;
    }
    if (kind == 0xB0 && (raw.data1 == 0 || raw.data1 == 32 || raw.data1 == 123)) {
        out = e;
        return DecodeController(raw);
    }
    if (kind == 0xC0) {
        e.data2 = 0;
        e.SetBank(m_bank[raw.status & 0x0F]);
    }
    out = e;
    return Action::Store;
}

// The output port a stream sets for itself: the last FF 21 at time 0, capped
// at 31; fallback when there is none. Conversions start from it so that
// channel events placed before the port record decode the same everywhere.
int StreamPort(std::span<const uint8_t> stream, int fallback);

// Clicks per measure from a time signature's numerator and MIDI clocks per
// click: 0, or not dividing the numerator, becomes the numerator.
int32_t ClicksFromClocks(int numerator, int denomPower, int clocks);
// The MIDI clocks per click written for a stored signature.
uint8_t ClocksFromClicks(int numerator, int denomPower, int32_t clicks);
// Microseconds per quarter written for a tempo of beats per minute x 100,
// truncated and kept to the 24 bits of the tempo event. (Reading goes
// through TempoValueFromUs, which stops at the fastest tempo an Event holds.)
uint32_t MicrosFromTempo(int32_t bpm100);

}  // namespace kv
