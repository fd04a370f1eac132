#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "files/bytesource.h"
#include "files/filesettings.h"
#include "files/savestate.h"
#include "files/wavetable.h"

namespace kv {

struct Song;
class FileOps;

// Everything loading and saving a song touches: the song, its wave table,
// the settings in force and the document's save state. The document owns one;
// tests and kvtool make their own.
struct SongFiles {
    Song& song;
    WaveTable& waves;
    FileSettings settings;
    SaveState state;
    FileOps* ops = nullptr;   // the file system the writer uses; null = the real one
    int32_t fileFormat = -1;  // the header's format number of the last file read
};

// --- reading ---------------------------------------------------------------
// Loads the file as the song (File Open). On failure the song is reset and
// the caller starts a new song.
bool LoadSong(SongFiles& files, const std::string& path);
// Appends the file's tracks after the song's last track, rescaled to the
// song's timebase. On failure the song is as it was.
bool MergeSong(SongFiles& files, const std::string& path);
// Loads settings.defaultSongFile as the song; false when it is missing or
// unreadable (the document then makes an empty song with a conductor track).
bool LoadDefaultSong(SongFiles& files);
// Reads "Standard MIDI File" clipboard data into tracks from first on; the
// tracks lose their wave events (clipboard data carries no waves).
bool ReadBlock(SongFiles& files, std::span<const uint8_t> block, int first);
// Opens the file and reads it into tracks from first on (0 = a load).
bool LoadFile(SongFiles& files, const std::string& path, int first);
// The common body of every read.
bool ReadFile(SongFiles& files, ByteSource& in, int first, bool fromClipboard);

// --- writing ---------------------------------------------------------------
// 0 success, 1 failure or cancelled. With neither flag it saves the document
// to state.documentPath; autoSave writes settings.autoSaveFile; toClipboard
// writes the selected tracks into *clipboard.
int WriteSong(SongFiles& files, bool toClipboard, bool autoSave, std::vector<uint8_t>* clipboard = nullptr);
// File Save / Save As: saves to path and makes it the document's path.
bool OnSaveDocument(SongFiles& files, const std::string& path);

}  // namespace kv
