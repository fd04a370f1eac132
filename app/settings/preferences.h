#pragma once

#include <cstdint>
#include <string>

#include "app/settings/settings.h"

namespace kv {

struct Song;

// What the Options Preferences sheet shows and returns, page by page.
struct PreferencesValues {
    // "Warnings"
    bool warnFile = true;
    bool warnSysEx = false;
    bool warnKV = true;
    bool warnCache = false;
    // "ROL Files"
    bool rolPitchWheel = true;
    bool rolSavePatches = true;
    // "General"
    int32_t patchBase = 1;      // 0 or 1
    int32_t middleCOctave = 5;  // 3..6: the octave key 60 is shown in
    int32_t timeFormat = 3;     // 0..4
    bool cutOffWave = true;
    // "Auto Save"
    int32_t autoSaveMinutes = 5;
    std::string autoSaveFile;
    bool autoSaveOn = true;

    bool operator==(const PreferencesValues&) const = default;
};

inline constexpr int32_t kLowestMiddleCOctave = 3;
inline constexpr int32_t kHighestMiddleCOctave = 6;
inline constexpr int32_t kMaxAutoSaveMinutes = 999;
inline constexpr const char* kPreferencesStep = "Options Preferences";

// The sheet's starting values.
PreferencesValues PreferencesFrom(const Settings& settings);

// OK of the sheet: every value is stored in settings (brought into range; an
// empty file name becomes the default automatic save file under
// programFolder). An existing automatic save file moves to a new name. A new
// time format rebuilds the song's time maps in the undo step "Options
// Preferences"; a song without tracks is reset instead and the views are
// told the key map changed. Nothing reaches the settings store until exit.
void ApplyPreferences(Settings& settings, Song& song, const PreferencesValues& values,
                      const std::string& programFolder);

// Moves an existing file from to the name to (replacing what is there).
// False when from exists and could not be moved.
bool MoveAutoSaveFile(const std::string& from, const std::string& to);

}  // namespace kv
