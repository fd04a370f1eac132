#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "song/timemaphooks.h"
#include "song/timemaps.h"

namespace kv {

struct Song;

// Which maps a rebuild really replaced; the document turns these into the
// hints for the time-signature, key-signature and tempo maps.
enum MapChange : unsigned {
    kTimeSigMapChanged = 0x1,
    kKeySigMapChanged = 0x2,
    kTempoMapChanged = 0x4,
};

// Rebuild all three maps from track zero, validating and repairing them:
// misplaced signatures move to the next measure start (message 236), invalid
// ones become 4/4 (243), a count that differs from the scan's shows 238 or 240.
// A map is replaced only when its contents differ; the result says which were.
// From track zero's TrackStream (after ScanStream, which counted the
// signatures in song.timeSigCount).
unsigned TrackTimeSigMap(Song& song);
// From track zero's Events (after RescanEvents).
unsigned UpdateTimeSigMap(Song& song);
// From whichever form track zero has (Events when built, else the stream,
// else none: the default maps). For a time format change and for tools.
unsigned RebuildTimeMaps(Song& song);

// The time conversions' view of a song. middleC is the "MiddleC" setting.
TimeParams TimeParamsOf(const Song& song, int32_t middleC = 0);

// The three maps as text lines, as kvtool's maps command prints them: time
// signatures with tick and measure, key signatures with their names, tempos
// with tick, microseconds per quarter, beats per minute and milliseconds.
std::vector<std::string> DescribeMaps(const Song& song);

// The song's map builder: plug it into Song::timeMaps. MapsChanged receives
// the changes of every rebuild that changed something; the document
// overrides it to tell its views.
class TimeMapBuilder : public TimeMapHooks {
public:
    void TrackTimeSigMap(Song& song) override;
    void UpdateTimeSigMap(Song& song) override;
    virtual void MapsChanged(Song& song, unsigned changes) { (void)song, (void)changes; }
};

}  // namespace kv
