#pragma once

#include <cstdint>
#include <string>

namespace kv {

// The settings the reader and writer obey, handed in by the caller (the
// program reads them from its settings store). Defaults are the program's.
struct FileSettings {
    bool warnFile = true;         // "WarnFile": warn about non-conforming files
    bool warnSysEx = false;       // "WarnSysEx": warn about system exclusive data
    bool warnKV = true;           // "WarnKV": warn about the program's own records on saving
    bool useBak = true;           // "UseBAK": keep the previous file as a backup on saving
    bool fastPlay = false;        // "FastPlay": pack every track right after loading
    int32_t wavePrep = 2;         // "WAVEPrep": wave preparation lead in quarter notes
    int32_t timeFormat = 3;       // "TimeFmt": the time format a reset song gets
    std::string autoSaveFile;     // "AutoSaveFile"
    std::string defaultSongFile;  // the program's share folder + kDefaultSongName
};

inline constexpr const char* kDefaultSongName = "KVP$DEF.MID";
inline constexpr const char* kAutoSaveName = "KVP$Auto.sav";

}  // namespace kv
