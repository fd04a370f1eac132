#include "engine/playtrack.h"

namespace kv::engine {

namespace {

// At most five bytes; the fifth ends the number whatever its top bit, so a
// run of 0xFF bytes cannot keep the reader going.
bool ReadVarLen(const uint8_t*& pos, const uint8_t* end, uint64_t* value)
{
    uint64_t v = 0;
    for (int i = 0; i < 5; ++i) {
        if (pos >= end)
            return false;
        uint8_t b = *pos++;
        v = (v << 7) | (b & 0x7F);
        if (!(b & 0x80) || i == 4)
            break;
    }
    *value = v;
    return true;
}

bool EndTrack(PlayTrack& track)
{
    track.readPos = track.endPos;
    return false;
}

int DataBytes(uint8_t status)
{
    uint8_t cls = status & 0xF0;
    return cls == 0xC0 || cls == 0xD0 ? 1 : 2;
}

}  // namespace

int PlayTrack::HeldCount() const
{
    int n = 0;
    for (const auto& h : heldNotes)
        n += h.load(std::memory_order_relaxed) != 0;
    return n;
}

bool ReadDelta(PlayTrack& track, int64_t* delta)
{
    uint64_t v;
    if (!ReadVarLen(track.readPos, track.endPos, &v))
        return EndTrack(track);
    *delta = static_cast<int64_t>(v);
    return true;
}

int OwnRecordType(const TrackEvent& event)
{
    if (event.kind != TrackEvent::kMeta || event.metaType != 0x7F || event.length < 4)
        return -1;
    const uint8_t* d = event.data;
    if (d[0] != 0 || d[1] != 0 || d[2] != 0x5B)
        return -1;
    return d[3];
}

bool Counted(const TrackEvent& event)
{
    switch (event.kind) {
        case TrackEvent::kSysEx:
            return true;
        case TrackEvent::kMeta: {
            uint8_t t = event.metaType;
            if ((t >= 1 && t <= 7) || t == 0x51 || t == 0x58 || t == 0x59)
                return true;
            int own = OwnRecordType(event);
            return own >= 0 && (own < 2 || own == 0x10);
        }
        default: {
            uint8_t cls = event.status & 0xF0;
            return !(cls == 0x80 || (cls == 0x90 && event.data2 == 0));
        }
    }
}

bool ReadEvent(PlayTrack& track, TrackEvent* event, bool* illegal)
{
    const uint8_t* end = track.endPos;
    const uint8_t*& pos = track.readPos;
    if (pos >= end)
        return false;
    uint8_t first = *pos;
    if (first == 0xFF) {
        if (end - pos < 2)
            return EndTrack(track);
        event->kind = TrackEvent::kMeta;
        event->metaType = pos[1];
        pos += 2;
        uint64_t length;
        if (!ReadVarLen(pos, end, &length) || length > static_cast<uint64_t>(end - pos) ||
            event->metaType == 0x2F)
            return EndTrack(track);
        event->data = pos;
        event->length = static_cast<uint32_t>(length);
        pos += length;
    } else if (first == 0xF0 || first == 0xF7) {
        ++pos;
        event->kind = TrackEvent::kSysEx;
        event->status = first;
        uint64_t length;
        if (!ReadVarLen(pos, end, &length) || length > static_cast<uint64_t>(end - pos))
            return EndTrack(track);
        event->data = pos;
        event->length = static_cast<uint32_t>(length);
        pos += length;
    } else {
        if (first & 0x80) {
            track.runningStatus = first;
            ++pos;
        }
        uint8_t status = track.runningStatus;
        if (status < 0x80 || status > 0xEF) {
            if (illegal)
                *illegal = true;
            return EndTrack(track);
        }
        int n = DataBytes(status);
        if (end - pos < n)
            return EndTrack(track);
        event->kind = TrackEvent::kShort;
        event->status = status;
        // Data bytes with the top bit set are corrupt; masking keeps them
        // from reaching a device as status bytes.
        event->data1 = pos[0] & 0x7F;
        event->data2 = n == 2 ? pos[1] & 0x7F : 0;
        pos += n;
    }
    if (Counted(*event))
        track.eventIndex.fetch_add(1, std::memory_order_relaxed);
    return true;
}

void Rewind(PlayTrack& track)
{
    track.readPos = track.start;
    track.eventIndex.store(-1, std::memory_order_relaxed);
    track.runningStatus = 0;
}

void ScanTrack(PlayTrack& track, int outputs, ScanResult* result)
{
    Rewind(track);
    track.port = -1;
    track.startOffset = 0;
    track.loopCount = 1;
    track.transpose = 0;
    track.velocityOffset = 0;
    int64_t tick = 0;
    int64_t delta;
    TrackEvent e;
    while (ReadDelta(track, &delta)) {
        tick += delta;
        if (!ReadEvent(track, &e))
            break;
        if (e.kind != TrackEvent::kMeta)
            continue;
        if (e.metaType == 0x21 && tick == 0 && e.length >= 1) {
            track.port = e.data[0] < outputs ? e.data[0] : 0;
        } else if (e.metaType == 0x51 && track.conductor && e.length >= 3) {
            uint32_t tempo = (e.data[0] << 16) | (e.data[1] << 8) | e.data[2];
            if (tempo != 0 && (result->fastestTempo == 0 || tempo < result->fastestTempo))
                result->fastestTempo = tempo;
        } else if (OwnRecordType(e) == 0x20 && e.length >= 12) {
            const uint8_t* d = e.data;
            track.transpose = static_cast<int8_t>(d[4]);
            track.velocityOffset = static_cast<int8_t>(d[5]);
            track.loopCount = d[6] | (d[7] << 8);
            uint32_t offset = d[8] | (d[9] << 8) | (d[10] << 16) | (uint32_t{d[11]} << 24);
            // A negative start offset would place the first pass before the
            // song's start.
            track.startOffset = offset > 0x7FFFFFFF ? 0 : static_cast<int32_t>(offset);
        }
    }
    track.tickLength = tick;
    Rewind(track);
}

void UpdateHeldNotes(PlayTrack& track, uint8_t status, uint8_t data1, uint8_t data2)
{
    uint8_t cls = status & 0xF0;
    uint16_t key;
    bool take;
    if (cls == 0x90 || cls == 0x80) {
        key = static_cast<uint16_t>((0x90 | (status & 0x0F)) | (data1 << 8));
        take = cls == 0x90 && data2 > 0;
    } else if (cls == 0xB0 && data1 == 64) {
        key = static_cast<uint16_t>(status | (64 << 8));
        take = data2 >= 64;
    } else {
        return;
    }
    if (take) {
        for (auto& h : track.heldNotes)
            if (h.load(std::memory_order_relaxed) == 0) {
                h.store(key, std::memory_order_relaxed);
                return;
            }
        return;
    }
    for (auto& h : track.heldNotes)
        if (h.load(std::memory_order_relaxed) == key) {
            h.store(0, std::memory_order_relaxed);
            return;
        }
}

}  // namespace kv::engine
