#include <span>

#include "files/bytesource.h"
#include "files/filemessages.h"
#include "files/songfiles.h"
#include "platform/messages.h"
#include "song/pack.h"
#include "song/song.h"
#include "song/songreset.h"
#include "song/trackstore.h"
#include "song/undostep.h"

namespace kv {
namespace {

void ResetAll(SongFiles& files)
{
    ResetSong(files.song, SongResetSettings{files.settings.timeFormat, files.settings.wavePrep});
    files.waves.Clear();
    files.song.waveCount = 0;
}

// "FastPlay": every track packed now, so that Play need not pack.
void PackAll(Song& song, Messages& messages)
{
    for (int i = 0; i < song.trackCount; ++i) {
        messages.SetProgress(i, song.trackCount);
        Pack(song, i, false);
    }
    messages.SetProgress(0, 0);
}

// A merged file numbers its waves from 0, but its waves were appended after
// the song's own: its Wave events must follow them, or they would play the
// song's waves instead.
void ShiftMergedWaves(Song& song, int first, int32_t shift)
{
    for (int i = first; i < song.trackCount; ++i) {
        if (!(song.tracks[i].contentFlags & kContentWave))
            continue;
        Event* ev = LockNotes(song, i, false);
        if (!ev)
            continue;
        for (int32_t k = 0; k < song.tracks[i].eventCount; ++k)
            if (ev[k].Kind() == EventKind::Wave)
                ev[k].value += shift;
        Unlock(song, i, true);
    }
}

}  // namespace

bool LoadFile(SongFiles& files, const std::string& path, int first)
{
    FileMessages messages(files.song);
    FileSource in;
    if (!in.Open(path)) {
        messages->ShowInfo(269, path);
        return false;
    }
    WaitCursor wait(*messages);
    const int32_t wavesBefore = files.waves.Count();
    if (!ReadFile(files, in, first, false))
        return false;
    if (first > 0 && wavesBefore > 0 && files.waves.Count() > wavesBefore)
        ShiftMergedWaves(files.song, first, wavesBefore);
    if (files.settings.fastPlay)
        PackAll(files.song, *messages);
    return true;
}

// Loads and merges replace or append whole tracks: they run in steps that
// record nothing, so Edit Undo never half-restores a song across files.
bool LoadSong(SongFiles& files, const std::string& path)
{
    UndoStep step(files.song, "Load Song", true);
    ResetAll(files);
    files.state.documentPath = path;
    if (!LoadFile(files, path, 0)) {
        ResetAll(files);
        files.state.documentPath.clear();
        files.state.modified = false;
        return false;
    }
    files.state.modified = false;
    return true;
}

bool MergeSong(SongFiles& files, const std::string& path)
{
    Song& song = files.song;
    UndoStep step(song, "Merge Song", true);
    const int start = song.trackCount;
    const size_t wavesBefore = files.waves.waves.size();
    if (!LoadFile(files, path, start)) {
        for (int i = start; i < kMaxTracks; ++i)
            song.tracks[i].Reset(true);
        song.trackCount = start;
        files.waves.waves.resize(wavesBefore);
        song.waveCount = files.waves.Count();
        return false;
    }
    files.state.modified = true;
    return true;
}

bool LoadDefaultSong(SongFiles& files)
{
    UndoStep step(files.song, "Load Default Song", true);
    ResetAll(files);
    FileSource in;
    if (files.settings.defaultSongFile.empty() || !in.Open(files.settings.defaultSongFile))
        return false;
    if (!ReadFile(files, in, 0, false)) {
        ResetAll(files);
        return false;
    }
    files.state.modified = false;
    return true;
}

bool ReadBlock(SongFiles& files, std::span<const uint8_t> block, int first)
{
    if (!block.data()) {
        FileMessages messages(files.song);
        messages->ShowInfo(270);
        return false;
    }
    MemorySource in(block);
    return ReadFile(files, in, first, true);
}

}  // namespace kv
