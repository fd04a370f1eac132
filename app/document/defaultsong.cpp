#include "app/document/defaultsong.h"

#include <array>

#include "files/songfiles.h"
#include "song/eventops.h"
#include "song/song.h"
#include "song/songreset.h"
#include "song/trackstore.h"

namespace kv {
namespace {

struct DefaultTrack {
    const char* name;
    int program;  // General MIDI program, counted from 0
};

// Channel n + 1 for entry n; channel 10 is the General MIDI drum channel.
constexpr std::array<DefaultTrack, 16> kTracks = {{
    {"Piano", 0},
    {"Bass", 33},
    {"Guitar", 25},
    {"Strings", 48},
    {"Brass", 61},
    {"Organ", 16},
    {"Lead", 80},
    {"Pad", 88},
    {"Choir", 52},
    {"Drums", 0},
    {"Electric Piano", 4},
    {"Vibraphone", 11},
    {"Flute", 73},
    {"Saxophone", 65},
    {"Nylon Guitar", 24},
    {"Synth Bass", 38},
}};

}  // namespace

bool BuildDefaultSong(Song& song)
{
    ResetSong(song);
    if (!CreateTrackZero(song))
        return false;
    for (int channel = 0; channel < 16; ++channel) {
        const int track = channel + 1;
        if (!LockNotes(song, track, false))
            return false;
        Unlock(song, track, false);
        if (Reserve(song, track, 1) != 0)
            return false;
        Event program;
        program.status = uint8_t(uint8_t(EventKind::PgmChg) | channel);
        program.data1 = uint8_t(kTracks[size_t(channel)].program);
        program.SetBank(-1);
        song.tracks[track].name = kTracks[size_t(channel)].name;
        if (InsertEvent(song, track, program, -1, false) < 0)
            return false;
        TrackChanged(song, track, true);
    }
    song.currentTrack = 1;
    return song.trackCount == 17;
}

bool WriteDefaultSong(const std::string& path, int timebase)
{
    Song song;
    if (!BuildDefaultSong(song))
        return false;
    if (timebase != 0)
        song.timebase = timebase;
    WaveTable waves;
    SongFiles files{song, waves, {}, {}, nullptr, -1};
    files.settings.useBak = false;
    files.settings.warnKV = false;
    files.state.documentPath = path;
    return WriteSong(files, false, false) == 0;
}

}  // namespace kv
