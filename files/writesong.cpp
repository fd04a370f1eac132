#include <vector>

#include "files/atomicfile.h"
#include "files/bytesink.h"
#include "files/compactwaves.h"
#include "files/filemessages.h"
#include "files/fileops.h"
#include "files/songfiles.h"
#include "files/tracklists.h"
#include "files/writesmf.h"
#include "platform/messages.h"
#include "song/pack.h"
#include "song/song.h"

namespace kv {
namespace {

// A track that cannot be packed has no stream: writing the file anyway
// would lose it, so the save fails instead.
bool PackAll(Song& song, Messages& messages)
{
    bool ok = true;
    for (int i = 0; i < song.trackCount && ok; ++i) {
        messages.SetProgress(i, song.trackCount);
        ok = Pack(song, i, true) == 0;
    }
    messages.SetProgress(0, 0);
    return ok;
}

// The checks before a document save; false when the user cancels.
bool CheckSong(const SongFiles& files, Messages& messages)
{
    const Song& song = files.song;
    const FileSettings& s = files.settings;
    if (s.warnFile) {
        const std::string tempos = TracksWithContent(song, kContentTempoTimeSig, true);
        if (!tempos.empty() && messages.AskYesNo(271, tempos))
            return false;
    }
    if (s.warnSysEx) {
        const std::string sysex = TracksWithContent(song, kContentSysEx, false);
        if (!sysex.empty())
            messages.ShowInfo(268, sysex);
    }
    if (s.warnKV) {
        const std::string own = TracksWithContent(song, kContentOwn, false);
        if (!own.empty())
            messages.ShowInfo(273, own);
    }
    return !(s.warnFile && TrackZeroHasChannelEvents(song) && messages.AskYesNo(272));
}

std::vector<int> TracksToWrite(const Song& song, bool selectedOnly)
{
    std::vector<int> tracks;
    for (int i = 0; i < song.trackCount; ++i)
        if (!selectedOnly || song.tracks[i].trackSelected)
            tracks.push_back(i);
    return tracks;
}

bool WriteToFile(SongFiles& files, const std::string& path, bool backup)
{
    FileOps real;
    AtomicFile file(files.ops ? *files.ops : real);
    const std::vector<int> tracks = TracksToWrite(files.song, false);
    return file.Open(path) && WriteSmf(file, files.song, tracks, &files.waves) && file.Commit(backup);
}

bool WriteToBlock(SongFiles& files, std::vector<uint8_t>& block)
{
    std::vector<uint8_t> data;
    data.reserve(1024);
    VectorSink sink(data);
    const std::vector<int> tracks = TracksToWrite(files.song, true);
    if (!WriteSmf(sink, files.song, tracks, nullptr))
        return false;
    block = std::move(data);
    return true;
}

}  // namespace

int WriteSong(SongFiles& files, bool toClipboard, bool autoSave, std::vector<uint8_t>* clipboard)
{
    SaveState& state = files.state;
    if (autoSave && state.changeCount == state.savedChangeCount)
        return 1;
    Song& song = files.song;
    FileMessages messages(song);
    const bool documentSave = !toClipboard && !autoSave;
    const std::string& path = autoSave ? files.settings.autoSaveFile : state.documentPath;

    const bool packed = PackAll(song, *messages);
    if (packed && documentSave && !CheckSong(files, *messages))
        return 1;
    bool ok = packed;
    if (ok) {
        CompactWaves(song, files.waves, *messages);
        WaitCursor wait(*messages);
        if (toClipboard)
            ok = clipboard && WriteToBlock(files, *clipboard);
        else
            ok = !path.empty() && WriteToFile(files, path, documentSave && files.settings.useBak);
    }
    if (!ok) {
        if (toClipboard)
            messages->ShowInfo(274);
        else
            messages->ShowInfo(275, path);
        return 1;
    }
    if (toClipboard)
        return 0;
    if (documentSave) {
        if (!files.settings.autoSaveFile.empty()) {
            FileOps real;
            (files.ops ? *files.ops : real).Remove(files.settings.autoSaveFile);
        }
        state.modified = false;
    }
    state.savedChangeCount = state.changeCount;
    return 0;
}

bool OnSaveDocument(SongFiles& files, const std::string& path)
{
    const std::string previous = files.state.documentPath;
    files.state.documentPath = path;
    if (WriteSong(files, false, false) != 0) {
        files.state.documentPath = previous;
        return false;
    }
    return true;
}

}  // namespace kv
