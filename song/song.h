#pragma once

#include <array>
#include <cstdint>

#include "song/channelset.h"
#include "song/notify.h"
#include "song/timemaphooks.h"
#include "song/timemaps.h"
#include "song/tracktable.h"
#include "song/undohooks.h"

namespace kv {

class Messages;

// What track zero's own records hold in a new song.
inline constexpr uint8_t kDefaultFlatChar = 'b';
inline constexpr uint8_t kDefaultSharpChar = '#';
inline constexpr std::array<uint8_t, 6> kNewDocumentRecord = {1, 0, 5, 6, 42, 0};

// The one song: its tracks and the song-wide values. The program owns one;
// core code takes it by reference and reaches the rest of the program only
// through the seams at the end (all optional: a null seam does nothing).
// Not copyable: the seams and the time maps' cursors belong to one song.
struct Song {
    Song() = default;
    Song(const Song&) = delete;
    Song& operator=(const Song&) = delete;

    TrackTable tracks;
    int32_t trackCount = 0;    // tracks in use, 0..256
    int32_t currentTrack = 0;  // 0..trackCount, at most 255
    int32_t timebase = 120;    // ticks per quarter note
    int32_t songLength = 0;    // max over tracks of delay + loops x length

    // --- time maps and times (rebuilt from track zero by the map builder) --
    TimeSigMap timeSigMap;
    KeySigMap keySigMap;
    TempoMap tempoMap;
    uint32_t smpteOffset = 0x60000300;  // 00:00:03.00 at 30 frames per second
    int32_t from = 0;
    int32_t to = 0x7FFFFFFF;
    int32_t waveLead = 240;  // "WAVEPrep" quarter notes x timebase
    int32_t timeFormat = 3;
    int32_t firstMeasure = 1;
    int32_t firstBeat = 1;
    // Counted by the last ScanStream of track zero, so the map builder can
    // check it found every signature and tempo.
    int32_t timeSigCount = 0;
    int32_t keySigCount = 0;
    int32_t tempoCount = 0;

    // --- what track zero's stream carries besides events -------------------
    bool authoringMark = false;           // FF 7F 03 00 00 41 at the start of track zero
    uint8_t flatChar = kDefaultFlatChar;  // score characters, own record 0x22
    uint8_t sharpChar = kDefaultSharpChar;
    // The document's settings record (own record 0x23), kept uninterpreted.
    std::array<uint8_t, 6> documentRecord = kNewDocumentRecord;
    int32_t waveCount = 0;  // entries in the song's wave table; own record 0x21 when not 0

    // --- packing -------------------------------------------------------------
    int32_t nextFileNumber = 1;  // the number the next packed track gets

    // --- seams ---------------------------------------------------------------
    Messages* messages = nullptr;
    SongNotifier* notifier = nullptr;
    UndoHooks* undo = nullptr;
    TimeMapHooks* timeMaps = nullptr;
    const ChannelSetTable* channelSets = nullptr;
};

// --- seam helpers: each does nothing when the seam is absent ----------------
void Notify(Song& song, int kind, int track, int32_t a = 0, int32_t b = 0);
void SetModified(Song& song);
int BankMethodFor(const Song& song, int port, int channel);
int DefaultBankFor(const Song& song, int port, int channel);

// --- song-wide operations ----------------------------------------------------
// Computes, stores and returns the song length.
int32_t SongLength(Song& song);
// Clamps the index to 0..trackCount and 255, clears the selection of the
// previous current track and tells the views.
void SetCurrentTrack(Song& song, int index);
Track& CurrentTrack(Song& song);
// Inserts n empty tracks at p. False when p is out of range, n < 1, or the
// song would reach more than 255 tracks.
bool InsertTracks(Song& song, int p, int n);

}  // namespace kv
