#pragma once

#include <cstdint>
#include <string_view>
#include <type_traits>

namespace kv {

// Song time in ticks from the start of the song; the timebase gives ticks per
// quarter note.
using Tick = int32_t;

// The high nibble of Event::status.
enum class EventKind : uint8_t {
    Tempo = 0x00,    // value = beats per minute x 100, data1/data2 = its low/high byte
    TimeSig = 0x10,  // data1 = numerator, data2 = denominator power, value = clicks
    MetaTxt = 0x20,  // data1 = text type 1..7, value = SubHeap handle (0 = empty)
    Own = 0x30,      // data1 = own subtype 0..15, value = SubHeap handle
    Wave = 0x40,     // value = wave number
    KeySig = 0x50,   // data1 = sharps/flats + 7, data2 = minor flag
    Error60 = 0x60,  // never stored
    Error70 = 0x70,  // never stored
    NoteOff = 0x80,  // never stored: notes carry their duration
    NoteOn = 0x90,   // data1 = key, data2 = velocity, value = duration (>= 1 once packed)
    KeyPres = 0xA0,
    CtrlChg = 0xB0,
    PgmChg = 0xC0,  // data1 = program, data2 + flags bits 0..6 = bank
    CnlPres = 0xD0,
    PtchBnd = 0xE0,  // data1 = LSB, data2 = MSB
    SysEx = 0xF0,    // data1 = 0xF0 or 0xF7 as read, value = SubHeap handle
};

inline constexpr uint8_t kSelectedFlag = 0x80;
inline constexpr uint8_t kBankHighMask = 0x7F;

// One stored event. Arrays of Events are contiguous and sorted by time; equal
// times keep their insertion order.
struct Event {
    int32_t time = 0;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
    uint8_t flags = 0;
    int32_t value = 0;

    EventKind Kind() const { return EventKind(status & 0xF0); }
    int Channel() const { return status & 0x0F; }
    bool IsChannelKind() const { return status >= 0x80; }
    // Kinds whose value names a SubHeapBlock of the track.
    bool HasPayload() const
    {
        const EventKind k = Kind();
        return k == EventKind::MetaTxt || k == EventKind::Own || k == EventKind::SysEx;
    }
    bool Selected() const { return (flags & kSelectedFlag) != 0; }
    void SetSelected(bool on) { flags = on ? (flags | kSelectedFlag) : (flags & ~kSelectedFlag); }

    // Program Change bank: 15 bits across data2 and flags bits 0..6. The
    // all-ones pattern means no bank and reads back as -1.
    int Bank() const
    {
        const int bank = data2 | ((flags & kBankHighMask) << 8);
        return bank == 0x7FFF ? -1 : bank;
    }
    void SetBank(int bank)
    {
        const int bits = bank < 0 ? 0x7FFF : (bank & 0x7FFF);
        data2 = uint8_t(bits & 0xFF);
        flags = uint8_t((flags & kSelectedFlag) | (bits >> 8));
    }
    // Tempo in beats per minute x 100, kept in data1/data2 as well.
    void SetTempo(int32_t bpm100)
    {
        value = bpm100 & 0xFFFF;
        data1 = uint8_t(value & 0xFF);
        data2 = uint8_t(value >> 8);
    }
    // The bend -8192..8191 of a pitch bend.
    int Bend() const { return (data2 * 128 + data1) - 8192; }

    bool operator==(const Event&) const = default;
};

static_assert(sizeof(Event) == 12, "Event must stay 12 bytes: arrays of them are the song");
static_assert(std::is_trivially_copyable_v<Event>);

// Labels shown wherever an event kind, text type or own subtype appears.
std::string_view EventKindLabel(EventKind kind);
std::string_view TextTypeLabel(int textType);   // 0..7
std::string_view OwnSubtypeLabel(int subtype);  // "MCI", "Chord", else the kind label

}  // namespace kv
