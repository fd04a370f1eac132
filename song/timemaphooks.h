#pragma once

namespace kv {

struct Song;

// Rebuilding the song's time-signature, key-signature and tempo maps from
// track zero. The track storage calls it after scanning track zero; the map
// builder implements it. The default leaves the maps as they are.
class TimeMapHooks {
public:
    virtual ~TimeMapHooks() = default;
    // From track zero's TrackStream (after ScanStream of track zero).
    virtual void TrackTimeSigMap(Song& song) { (void)song; }
    // From track zero's Events (after RescanEvents of track zero).
    virtual void UpdateTimeSigMap(Song& song) { (void)song; }
};

}  // namespace kv
