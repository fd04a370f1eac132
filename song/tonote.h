#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "song/event.h"
#include "song/scan.h"
#include "song/streamreader.h"

namespace kv {

struct Song;

// Converts a TrackStream into Events in dest (capacity records), copying
// payloads into the track's SubHeap. names: the track name and instrument
// texts at time 0 stay out of the Events (ScanStream puts them in the Track).
// Returns the number of Events, or -1 when they do not fit. A damaged stream
// gives the Events read up to the damage; fault (optional) says what stopped
// the walk. Never reads outside stream.
int32_t ToNote(Song& song, int track, std::span<const uint8_t> stream, Event* dest, int32_t capacity,
               bool names, StreamFault* fault = nullptr);

// A payload left in the stream: the Event it belongs to, where it starts in
// the stream and its length.
struct PayloadRef {
    int32_t index = 0;
    int32_t offset = 0;
    uint32_t length = 0;
};

// ToNote (with names) and ScanStream in one walk of the track's own stream,
// for BuildEvents. The Events replace the contents of events, whose capacity
// must hold them: a stream of n bytes holds at most n / 2 messages (a delta
// time and a data byte at the least), so n / 2 + 1 is always enough.
// Payloads stay in the stream, listed in payloads, for StorePayloads: the
// undo journal must see the track locked before its SubHeap changes.
// converted gathers what RescanEvents would find in the Events (before any
// is dropped for its payload). Returns the number of Events, -1 when they did
// not fit (the summary is then incomplete and the maps not rebuilt).
int32_t ToNoteScanning(Song& song, int track, std::vector<Event>& events, std::vector<PayloadRef>& payloads,
                       ConvertedSummary& converted);

// Copies the listed payloads from the track's stream into its SubHeap, in
// order; an Event whose payload cannot be stored is dropped as ToNote drops
// it. Returns the number of Events left.
int32_t StorePayloads(Song& song, int track, Event* events, int32_t count,
                      std::span<const PayloadRef> payloads);

}  // namespace kv
