#include "song/song.h"

#include <algorithm>
#include <utility>

#include "song/selection.h"

namespace kv {

void Notify(Song& song, int kind, int track, int32_t a, int32_t b)
{
    if (song.notifier)
        song.notifier->Notify(CNotify{kind, track, a, b});
}

void SetModified(Song& song)
{
    if (song.notifier)
        song.notifier->SetModified();
}

int BankMethodFor(const Song& song, int port, int channel)
{
    return song.channelSets ? song.channelSets->BankMethod(port, channel) : 0;
}

int DefaultBankFor(const Song& song, int port, int channel)
{
    return song.channelSets ? song.channelSets->DefaultBank(port, channel) : -1;
}

int32_t SongLength(Song& song)
{
    int64_t longest = 0;
    for (int i = 0; i < song.trackCount; ++i) {
        const Track& t = song.tracks[i];
        longest = std::max(longest, int64_t(t.delay) + int64_t(t.loops) * t.length);
    }
    song.songLength = int32_t(std::min<int64_t>(longest, 0x7FFFFFFF));
    return song.songLength;
}

void SetCurrentTrack(Song& song, int index)
{
    index = std::clamp(index, 0, std::min(song.trackCount, kMaxTracks - 1));
    const int previous = song.currentTrack;
    if (IsTrackIndex(previous) && previous != index)
        ClearAll(song, previous);
    song.currentTrack = index;
    Notify(song, kNotifyCurrentTrack, index);
}

Track& CurrentTrack(Song& song)
{
    return song.tracks[std::clamp(song.currentTrack, 0, kMaxTracks - 1)];
}

bool InsertTracks(Song& song, int p, int n)
{
    if (n < 1 || p < 0 || p > song.trackCount || song.trackCount + n > kMaxTracks - 1)
        return false;
    if (song.undo)
        song.undo->UndoInsTrk(song, p, n);
    // Records p..trackCount (the next track included) move up by n.
    auto& table = song.tracks.tracks;
    std::move_backward(table.begin() + p, table.begin() + song.trackCount + 1,
                       table.begin() + song.trackCount + 1 + n);
    for (int i = p; i < p + n; ++i) {
        table[size_t(i)].Reset(false);
        table[size_t(i)].changed = 1;
    }
    song.trackCount += n;
    SetModified(song);
    return true;
}

}  // namespace kv
