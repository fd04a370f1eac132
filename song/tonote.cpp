#include "song/tonote.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/messages.h"
#include "song/eventdecoder.h"
#include "song/scan.h"
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
        m_latestEnd = std::max(m_latestEnd, time);
        m_stuck |= dest[i].value == 0x7FFFFFFF;
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
                m_latestEnd = std::max(m_latestEnd, e.time + e.value);
                m_stuck |= e.value == 0x7FFFFFFF;
            }
            nextOn[k] = i;
        }
    }

    static int Key(const Event& e) { return e.Channel() * 128 + (e.data1 & 0x7F); }

    // The latest end of a note ended so far, and whether one has the longest
    // duration.
    int32_t latestEnd() const { return m_latestEnd; }
    bool stuck() const { return m_stuck; }

private:
    std::array<int32_t, 2048> m_head;
    std::array<int32_t, 2048> m_tail;
    bool m_any = false;
    int32_t m_latestEnd = 0;
    bool m_stuck = false;
};

// Where a payload starts in the stream and its length; an own record's
// payload follows its four-byte prefix.
PayloadRef PayloadOf(const RawEvent& raw, const Event& e, const uint8_t* streamStart)
{
    const uint32_t skip = e.Kind() == EventKind::Own ? 4 : 0;
    return PayloadRef{0, int32_t(raw.data + skip - streamStart), raw.length - skip};
}

// Copies a payload into the track's SubHeap; false when it cannot be stored.
bool StorePayload(Song& song, int track, const uint8_t* src, uint32_t length, Event& e)
{
    const bool text = e.Kind() == EventKind::MetaTxt;
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
        if (e.HasPayload()) {
            const PayloadRef ref = PayloadOf(raw, e, raw.data);
            if (!StorePayload(song, track, raw.data + ref.offset, ref.length, e))
                continue;
        }
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

int32_t ToNoteScanning(Song& song, int track, std::vector<Event>& events, std::vector<PayloadRef>& payloads,
                       ConvertedSummary& converted)
{
    Track& t = song.tracks[track];
    const std::span<const uint8_t> stream(t.stream.data(), size_t(t.streamSize));
    StreamScan scan(song, track);
    StreamReader reader(stream);
    EventDecoder decoder(song, StreamPort(stream, t.port), true);
    // A local vector, so that its pointers may stay in registers.
    std::vector<Event> dest = std::move(events);
    dest.clear();
    const int32_t capacity = int32_t(std::min<size_t>(dest.capacity(), INT32_MAX));
    PendingNotes pending;
    RawEvent raw;
    Event e;
    int32_t count = 0;
    bool full = false;
    while (reader.Next(raw)) {
        scan.Message(raw);
        switch (decoder.Decode(raw, e)) {
            case EventDecoder::Action::Skip:
                continue;
            case EventDecoder::Action::NoteOff:
                scan.NoteOff(e);
                pending.End(dest.data(), PendingNotes::Key(e), e.time);
                continue;
            case EventDecoder::Action::AllNotesOff:
                scan.AllNotesOff(e.Channel());
                pending.EndChannel(dest.data(), e.Channel(), e.time);
                continue;
            case EventDecoder::Action::Store:
                break;
        }
        scan.Stored(e);
        // Never taken with the room the caller gives; the walk still ends
        // cleanly.
        if (count >= capacity) {
            full = true;
            continue;
        }
        if (e.HasPayload()) {
            PayloadRef ref = PayloadOf(raw, e, stream.data());
            ref.index = count;
            payloads.push_back(ref);
        }
        dest.push_back(e);  // within the capacity: the pending notes point into it
        if (e.Kind() == EventKind::NoteOn)
            pending.Add(dest.data(), count);
        ++count;
    }
    pending.Finish(dest.data(), count, reader.time());
    const int32_t lastTime = count > 0 ? dest[size_t(count) - 1].time : 0;
    events = std::move(dest);
    if (full)
        return -1;  // before the maps and messages: the caller scans again
    scan.Finish(reader);
    converted.summary = scan.summary();
    // The Events are in time order: the last is the latest.
    converted.end = std::max(lastTime, pending.latestEnd());
    converted.stuck = pending.stuck();
    return count;
}

int32_t StorePayloads(Song& song, int track, Event* events, int32_t count,
                      std::span<const PayloadRef> payloads)
{
    const uint8_t* stream = song.tracks[track].stream.data();
    std::vector<int32_t> dropped;
    for (const PayloadRef& ref : payloads)
        if (!StorePayload(song, track, stream + ref.offset, ref.length, events[ref.index]))
            dropped.push_back(ref.index);
    if (dropped.empty())
        return count;
    // As ToNote leaves them: the Events after a dropped one move up, and the
    // records freed at the end are empty.
    int32_t write = dropped.front();
    size_t next = 0;
    for (int32_t read = dropped.front(); read < count; ++read) {
        if (next < dropped.size() && dropped[next] == read) {
            ++next;
            continue;
        }
        events[write++] = events[read];
    }
    std::fill(events + write, events + count, Event{});
    return write;
}

}  // namespace kv
