#include <algorithm>
#include <cstdint>

#include "controls/scale.h"
#include "files/filemessages.h"
#include "files/readcontext.h"
#include "files/songfiles.h"
#include "files/tracklists.h"
#include "platform/messages.h"
#include "song/song.h"
#include "song/trackstore.h"

namespace kv {
namespace {

constexpr int32_t kOpenEnd = 0x7FFFFFFF;

// A track's Events could not be built (too many for memory): it stays in
// the song, empty, so the tracks after it keep their numbers.
void EmptyTrack(ReadContext& ctx, int i)
{
    ctx.song.tracks[i].Reset(true);
    BuildEvents(ctx.song, i);
    ctx.messages.ShowInfo(265, i);
}

// Clipboard data carries no wave chunk, so its Wave events would name waves
// of another song.
void DropWaveEvents(Song& song, int i)
{
    Event* ev = LockNotes(song, i, false);
    if (!ev)
        return;
    Track& track = song.tracks[i];
    Event* end =
        std::remove_if(ev, ev + track.eventCount, [](const Event& e) { return e.Kind() == EventKind::Wave; });
    track.eventCount = int32_t(end - ev);
    Unlock(song, i, true);
}

int32_t ScaleTicks(int32_t ticks, int32_t to, int32_t from)
{
    const uint32_t scaled = ScaleUnsigned(uint32_t(std::max(ticks, 0)), uint32_t(to), uint32_t(from));
    return scaled > uint32_t(kOpenEnd) ? kOpenEnd : int32_t(scaled);
}

// Brings a merged or pasted track from the file's timebase to the song's.
// Scaling is monotonic, so the Events stay sorted.
void RescaleTrack(Song& song, int i, int32_t fileTimebase)
{
    Event* ev = LockNotes(song, i, false);
    if (!ev)
        return;
    const int32_t count = song.tracks[i].eventCount;
    for (int32_t k = 0; k < count; ++k) {
        Event& e = ev[k];
        e.time = ScaleTicks(e.time, song.timebase, fileTimebase);
        if (e.Kind() == EventKind::NoteOn)
            e.value = std::max(ScaleTicks(e.value, song.timebase, fileTimebase), 1);
    }
    Unlock(song, i, true);
}

void ReadTracks(ReadContext& ctx)
{
    Song& song = ctx.song;
    for (int i = ctx.first; i < song.trackCount; ++i) {
        ctx.messages.SetProgress(i - ctx.first, song.trackCount - ctx.first);
        if (i == song.trackCount - 1 && ctx.fileHasWaves) {
            ReadWaveChunk(ctx);
            --song.trackCount;
            break;
        }
        const ChunkRead read = ReadTrackChunk(ctx, i);
        if (read == ChunkRead::End) {
            song.trackCount = i;
            break;
        }
        if (BuildEvents(song, i) != 0)
            EmptyTrack(ctx, i);
        const Track& track = song.tracks[i];
        if (ctx.fromClipboard && (track.contentFlags & kContentWave))
            DropWaveEvents(song, i);
        if (ctx.fileTimebase != song.timebase)
            RescaleTrack(song, i, ctx.fileTimebase);
        if (track.contentFlags & kContentWave)
            ctx.fileHasWaves = true;
        if (i == 0)
            SetCurrentTrack(song, 0);
        if (read == ChunkRead::Partial) {
            song.trackCount = i + 1;
            break;
        }
    }
    // Tracks the header announced but the file did not hold stay empty.
    for (int i = song.trackCount; i < ctx.endTrack; ++i)
        song.tracks[i].Reset(true);
    ctx.messages.SetProgress(0, 0);
}

void ShowLoadWarnings(ReadContext& ctx)
{
    const Song& song = ctx.song;
    const FileSettings& s = ctx.files.settings;
    if (s.warnFile && TrackZeroHasChannelEvents(song))
        ctx.messages.ShowInfo(267);
    if (s.warnFile) {
        const std::string tempos = TracksWithContent(song, kContentTempoTimeSig, true);
        if (!tempos.empty())
            ctx.messages.ShowInfo(266, tempos);
        const std::string keys = TracksWithContent(song, kContentKeySig, true);
        if (!keys.empty())
            ctx.messages.ShowInfo(276, keys);
    }
    if (s.warnSysEx) {
        const std::string sysex = TracksWithContent(song, kContentSysEx, false);
        if (!sysex.empty())
            ctx.messages.ShowInfo(268, sysex);
    }
}

}  // namespace

bool ReadFile(SongFiles& files, ByteSource& in, int first, bool fromClipboard)
{
    Song& song = files.song;
    FileMessages messages(song);
    ReadContext ctx{files, song, *messages, in};
    ctx.first = std::clamp(first, 0, kMaxTracks);
    ctx.fromClipboard = fromClipboard;

    if (!ReadHeader(ctx))
        return false;
    if (ctx.first == 0) {
        song.timebase = ctx.fileTimebase;
        song.waveLead = files.settings.wavePrep * ctx.fileTimebase;
        song.from = 0;
        song.to = kOpenEnd;
    }
    song.trackCount = ctx.endTrack;
    ReadTracks(ctx);
    if (!fromClipboard)
        ShowLoadWarnings(ctx);
    return true;
}

}  // namespace kv
