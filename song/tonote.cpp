#include "song/tonote.h"

#include <cstring>
#include <vector>

#include "platform/messages.h"
#include "song/eventdecoder.h"
#include "song/song.h"
#include "song/trackstore.h"

namespace kv {

namespace {

constexpr int32_t kNone = -1;
constexpr int32_t kStillPending = INT32_MIN;

// Notes waiting for their note-off, oldest first per channel and key. While
// a note waits, its Event's value links to the next waiting note of the same
// key, so the lists cost no memory beyond the heads and tails.
class PendingNotes {
public:
    PendingNotes()
    {
        m_head.fill(kNone);
        m_tail.fill(kNone);
    }

    void Add(Event* dest, int32_t index)
    {
        const int k = Key(dest[index]);
        dest[index].value = kNone;
        if (m_tail[k] == kNone)
            m_head[k] = index;
        else
            dest[m_tail[k]].value = index;
        m_tail[k] = index;
        m_any = true;
    }

    // Ends the oldest waiting note of the key at time; false when none waits.
    bool End(Event* dest, int k, int32_t time)
    {
        const int32_t i = m_head[k];
        if (i == kNone)
            return false;
        m_head[k] = dest[i].value;
        if (m_head[k] == kNone)
            m_tail[k] = kNone;
        dest[i].value = time - dest[i].time;
        return true;
    }

    void EndChannel(Event* dest, int channel, int32_t time)
    {
        for (int key = 0; key < 128; ++key)
            while (End(dest, channel * 128 + key, time)) {
            }
    }

    // Notes never ended last until the next note-on of their key, else until
    // the end of the stream.
    void Finish(Event* dest, int32_t count, int32_t endTime)
    {
        if (!m_any)
            return;
        bool left = false;
        for (int k = 0; k < 2048; ++k) {
            for (int32_t i = m_head[k]; i != kNone;) {
                const int32_t next = dest[i].value;
                dest[i].value = kStillPending;
                left = true;
                i = next;
            }
        }
        if (!left)
            return;
        std::vector<int32_t> nextOn(2048, kNone);
        for (int32_t i = count - 1; i >= 0; --i) {
            Event& e = dest[i];
            if (e.Kind() != EventKind::NoteOn)
                continue;
            const int k = Key(e);
            if (e.value == kStillPending) {
                const int32_t end = nextOn[k] != kNone ? dest[nextOn[k]].time : endTime;
                e.value = end > e.time ? end - e.time : 0;
            }
            nextOn[k] = i;
        }
    }

    static int Key(const Event& e) { return e.Channel() * 128 + (e.data1 & 0x7F); }

private:
    std::array<int32_t, 2048> m_head;
    std::array<int32_t, 2048> m_tail;
    bool m_any = false;
};

// Copies a payload into the track's SubHeap; false when it cannot be stored.
bool StorePayload(Song& song, int track, const RawEvent& raw, Event& e)
{
    const bool text = e.Kind() == EventKind::MetaTxt;
    const bool own = e.Kind() == EventKind::Own;
    const uint8_t* src = raw.data + (own ? 4 : 0);
    const uint32_t length = raw.length - (own ? 4 : 0);
    if (text && length == 0) {
        e.value = 0;  // an empty text needs no block
        return true;
    }
    if (length > uint32_t(INT32_MAX) - 1)
        return false;
    const int32_t handle = SubHeapAlloc(song, track, int32_t(length) + (text ? 1 : 0));
    if (handle == 0)
        return false;
    uint8_t* p = song.tracks[track].heap.Payload(handle);
    if (length > 0)
        std::memcpy(p, src, length);
    e.value = handle;
    return true;
}

}  // namespace

int32_t ToNote(Song& song, int track, std::span<const uint8_t> stream, Event* dest, int32_t capacity,
               bool names, StreamFault* fault)
{
    if (fault)
        *fault = StreamFault::None;
    if (!IsTrackIndex(track) || (dest == nullptr && capacity > 0)) {
        if (song.messages)
            song.messages->ShowWarning(302);
        return -1;
    }
    StreamReader reader(stream);
    EventDecoder decoder(song, StreamPort(stream, song.tracks[track].port), names);
    PendingNotes pending;
    int32_t count = 0;
    RawEvent raw;
    Event e;
    while (reader.Next(raw)) {
        switch (decoder.Decode(raw, e)) {
            case EventDecoder::Action::Skip:
                continue;
            case EventDecoder::Action::NoteOff:
                pending.End(dest, PendingNotes::Key(e), e.time);
                continue;
            case EventDecoder::Action::AllNotesOff:
                pending.EndChannel(dest, e.Channel(), e.time);
                continue;
            case EventDecoder::Action::Store:
                break;
        }
        if (count >= capacity) {
            pending.Finish(dest, count, reader.time());
            return -1;
        }
        if (e.HasPayload() && !StorePayload(song, track, raw, e))
            continue;
        dest[count] = e;
        if (e.Kind() == EventKind::NoteOn)
            pending.Add(dest, count);
        ++count;
    }
    pending.Finish(dest, count, reader.time());
    if (fault)
        *fault = reader.fault();
    return count;
}

}  // namespace kv
