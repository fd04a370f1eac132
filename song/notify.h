#pragma once

#include <cstdint>

namespace kv {

// The view-update hint. The song core raises kinds 0..9; the document adds
// 10..19 for its own changes and carries every hint to all views.
struct CNotify {
    int kind = 0;
    int track = -1;  // index into the TrackTable, -1 when the hint is song-wide
    int32_t a = 0;   // meaning by kind (index, time, flag)
    int32_t b = 0;
};

inline constexpr int kNotifySongReplaced = 0;  // a = is-new flag
inline constexpr int kNotifyCurrentTrack = 1;
inline constexpr int kNotifyTrackChanged = 2;
inline constexpr int kNotifyEventsChanged = 3;     // a = order-unchanged flag, b = first index
inline constexpr int kNotifyEventDeleted = 4;      // a = index
inline constexpr int kNotifyEventInserted = 5;     // a = index
inline constexpr int kNotifyPlayPosition = 6;      // a = position
inline constexpr int kNotifyShowEvent = 7;         // a = index
inline constexpr int kNotifyGoToTime = 8;          // a = time
inline constexpr int kNotifySelectionChanged = 9;  // a = index, -1 for the whole track

// Where the song core sends its hints and its "document modified" marks. The
// document implements it; the default drops everything, which is what a
// headless tool or a test without views wants. An implementation decides
// itself whether hints are suppressed (while loading, or when switched off).
class SongNotifier {
public:
    virtual ~SongNotifier() = default;
    virtual void Notify(const CNotify& hint) { (void)hint; }
    virtual void SetModified() {}
};

}  // namespace kv
