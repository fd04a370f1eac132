#include "song/songreset.h"

#include "song/eventops.h"
#include "song/mapbuild.h"
#include "song/song.h"
#include "song/timeconvert.h"
#include "song/trackstore.h"
#include "song/undostep.h"

namespace kv {

void ResetSong(Song& song, const SongResetSettings& settings)
{
    for (int i = 0; i < kMaxTracks; ++i)
        song.tracks[i].Reset(true);
    song.trackCount = 0;
    song.currentTrack = 0;
    song.timebase = 120;
    song.songLength = 0;
    song.timeFormat = settings.timeFormat >= 0 && settings.timeFormat <= 4 ? settings.timeFormat : 3;
    song.firstMeasure = FirstMeasureFor(song.timeFormat);
    song.firstBeat = FirstBeatFor(song.timeFormat);
    // With time format 0 every measure is one beat, clicked once.
    const uint8_t beats = song.timeFormat == 0 ? 1 : 4;
    song.timeSigMap.entries.assign(1, TimeSigEntry{0, song.firstMeasure, beats, 2, beats});
    song.timeSigMap.cursor = 0;
    song.keySigMap.entries.assign(1, KeySigEntry{0, 7, false});
    song.keySigMap.cursor = 0;
    song.tempoMap.entries.assign(1, TempoEntry{0, TempoUsFromValue(12000), 0});
    song.tempoMap.cursor = 0;
    song.smpteOffset = 0x60000300;
    song.from = 0;
    song.to = 0x7FFFFFFF;
    song.waveLead = settings.wavePrep * song.timebase;
    song.waveCount = 0;
    song.timeSigCount = song.keySigCount = song.tempoCount = 0;
    song.authoringMark = false;
    // Records of the previous song's track zero must not leak into the next.
    song.flatChar = kDefaultFlatChar;
    song.sharpChar = kDefaultSharpChar;
    song.documentRecord = kNewDocumentRecord;
    song.nextFileNumber = 1;
    // The last step's snapshots belong to the song that is gone.
    DiscardUndo(song);
}

bool CreateTrackZero(Song& song)
{
    if (song.trackCount != 0 || !song.tracks[0].IsEmpty())
        return false;
    UndoStep step(song, kCreateTrackZeroStep, true);
    if (!LockNotes(song, 0, false))
        return false;
    Unlock(song, 0, false);
    if (Reserve(song, 0, 2) != 0)
        return false;
    Event tempo;
    tempo.status = uint8_t(EventKind::Tempo);
    tempo.SetTempo(12000);
    Event sig;
    sig.status = uint8_t(EventKind::TimeSig);
    sig.data1 = 4;
    sig.data2 = 2;
    sig.value = 4;
    song.tracks[0].name = kConductorTrackName;
    // Inserting into the next track grows the song to one track and rescans
    // track zero, which rebuilds the maps.
    if (InsertEvent(song, 0, tempo, -1, false) < 0 || InsertEvent(song, 0, sig, -1, false) < 0)
        return false;
    TrackChanged(song, 0, true);
    SetCurrentTrack(song, 1);
    return true;
}

}  // namespace kv
