#pragma once

#include <cstdint>

#include "song/event.h"

namespace kv {

struct Song;

// Walks and edits the Events of one track between Open and Close. The track
// stays locked meanwhile: the cursor holds a pointer into its Events, so
// nothing else may Reserve or rebuild that track until Close.
class EventCursor {
public:
    explicit EventCursor(Song& song) : m_song(song) {}
    ~EventCursor() { Close(); }
    EventCursor(const EventCursor&) = delete;
    EventCursor& operator=(const EventCursor&) = delete;

    // LockNotes; with undo the journal copies the Events first. False when the
    // Events cannot be built. The cursor starts at index 0.
    bool Open(int track, bool undo);
    // Unlock, with the undo flag as the changed flag.
    void Close();

    bool IsOpen() const { return m_first != nullptr; }
    int track() const { return m_track; }
    int32_t Count() const;
    int32_t Index() const { return m_index; }
    bool Valid() const { return IsOpen() && m_index >= 0 && m_index < Count(); }
    void Next() { ++m_index; }
    // An index outside 0..Count() puts the cursor on index 0.
    void Seek(int32_t index);

    // The current Event; callers check Valid first.
    Event& Current() { return m_first[m_index]; }
    const Event& Current() const { return m_first[m_index]; }
    int32_t Time() const { return Current().time; }
    uint8_t Status() const { return Current().status; }
    EventKind Kind() const { return Current().Kind(); }
    int Channel() const { return Current().Channel(); }
    uint8_t Data1() const { return Current().data1; }
    uint8_t Data2() const { return Current().data2; }
    uint8_t Flags() const { return Current().flags; }
    int32_t Value() const { return Current().value; }
    bool Selected() const { return Current().Selected(); }
    int Bank() const { return Current().Bank(); }
    // Setting a time leaves the order to the caller (ResortAfterMove).
    void SetTime(int32_t t) { Current().time = t; }
    void SetStatus(uint8_t s) { Current().status = s; }
    void SetChannel(int ch) { Current().status = uint8_t((Current().status & 0xF0) | (ch & 0x0F)); }
    void SetData1(uint8_t d) { Current().data1 = d; }
    void SetData2(uint8_t d) { Current().data2 = d; }
    void SetFlags(uint8_t f) { Current().flags = f; }
    void SetValue(int32_t v) { Current().value = v; }
    void SetBank(int bank) { Current().SetBank(bank); }

    // Inserts before the first Event with a later time, or at the cursor when
    // the Event there has the same time; the cursor moves to the new Event.
    // False (nothing done) when the track is full.
    bool InsertSorted(const Event& e);
    // Frees the current Event's payload and closes the gap; the cursor then
    // stands on the Event that followed.
    void Delete();

private:
    Song& m_song;
    int m_track = -1;
    Event* m_first = nullptr;
    int32_t m_index = 0;
    bool m_undo = false;
};

}  // namespace kv
