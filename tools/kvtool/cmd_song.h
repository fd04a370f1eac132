#pragma once

#include <cstdio>
#include <string>

#include "files/songfiles.h"
#include "files/wavetable.h"
#include "platform/consolemessages.h"
#include "song/mapbuild.h"
#include "song/song.h"
#include "song/songreset.h"

namespace kv::tool {

// The commands that load a song file.
int RunInfo(int argc, char** argv);     // kvtool info FILE [--json] [--answer yes|no]
int RunDump(int argc, char** argv);     // kvtool dump FILE
int RunConvert(int argc, char** argv);  // kvtool convert IN OUT
int RunMaps(int argc, char** argv);     // kvtool maps FILE
int RunTimes(int argc, char** argv);    // kvtool times FILE TICK... [--format 0..4]

// A song as the program holds one, with the messages on the terminal: every
// question gets the fixed answer, so a scripted run never waits.
struct ToolSong {
    explicit ToolSong(bool answerYes = true, std::FILE* out = stderr) : messages(out, answerYes)
    {
        song.messages = &messages;
        song.timeMaps = &maps;
        ResetSong(song);
    }
    ToolSong(const ToolSong&) = delete;
    ToolSong& operator=(const ToolSong&) = delete;

    bool Load(const std::string& path) { return LoadSong(files, path); }

    Song song;
    WaveTable waves;
    TimeMapBuilder maps;
    ConsoleMessages messages;
    SongFiles files{song, waves};
};

}  // namespace kv::tool
