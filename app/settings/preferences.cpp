#include "app/settings/preferences.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "song/notify.h"
#include "song/song.h"
#include "song/songreset.h"
#include "song/trackstore.h"
#include "song/undostep.h"

namespace kv {
namespace {

// The document's hint for a replaced key-signature map.
constexpr int kKeySigMapChangedHint = 15;
// Key 60 is shown in octave 5 + MiddleC.
constexpr int32_t kMiddleCBase = 5;

void ChangeTimeFormat(Settings& settings, Song& song)
{
    song.timeFormat = settings.timeFmt;
    if (song.trackCount > 0) {
        // Locking and unlocking track zero as changed rebuilds the maps for
        // the new first measure and beat numbers.
        UndoStep step(song, kPreferencesStep);
        if (LockNotes(song, 0, true))
            Unlock(song, 0, true);
        return;
    }
    ResetSong(song, SongResetSettings{settings.timeFmt, settings.wavePrep});
    DiscardUndo(song);
    Notify(song, kKeySigMapChangedHint, -1);
}

}  // namespace

PreferencesValues PreferencesFrom(const Settings& s)
{
    PreferencesValues v;
    v.warnFile = s.warnFile;
    v.warnSysEx = s.warnSysEx;
    v.warnKV = s.warnKV;
    v.warnCache = s.warnCache;
    v.rolPitchWheel = s.rolPWhl;
    v.rolSavePatches = s.rolSvPat;
    v.patchBase = s.patchBse;
    v.middleCOctave = s.middleC + kMiddleCBase;
    v.timeFormat = s.timeFmt;
    v.cutOffWave = s.waveCutOff;
    v.autoSaveMinutes = s.autoSave;
    v.autoSaveFile = s.autoSaveFile;
    v.autoSaveOn = s.autoSaveOn;
    return v;
}

bool MoveAutoSaveFile(const std::string& from, const std::string& to)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (from.empty() || to.empty() || from == to || !fs::is_regular_file(from, ec))
        return true;
    fs::rename(from, to, ec);
    if (!ec)
        return true;
    // Another file system: copy, then remove the original only once the
    // copy is complete.
    if (!fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec))
        return false;
    fs::remove(from, ec);
    return true;
}

void ApplyPreferences(Settings& s, Song& song, const PreferencesValues& v, const std::string& programFolder)
{
    s.warnFile = v.warnFile;
    s.warnSysEx = v.warnSysEx;
    s.warnKV = v.warnKV;
    s.warnCache = v.warnCache;
    s.rolPWhl = v.rolPitchWheel;
    s.rolSvPat = v.rolSavePatches;
    s.patchBse = v.patchBase != 0 ? 1 : 0;
    s.middleC = std::clamp(v.middleCOctave, kLowestMiddleCOctave, kHighestMiddleCOctave) - kMiddleCBase;
    s.waveCutOff = v.cutOffWave;
    s.autoSave = std::clamp(v.autoSaveMinutes, 1, kMaxAutoSaveMinutes);
    s.autoSaveOn = v.autoSaveOn;

    const std::string file = v.autoSaveFile.empty() ? programFolder + kAutoSaveFileName : v.autoSaveFile;
    if (file != s.autoSaveFile) {
        MoveAutoSaveFile(s.autoSaveFile, file);
        s.autoSaveFile = file;
    }

    if (v.timeFormat >= 0 && v.timeFormat <= 4 && v.timeFormat != s.timeFmt) {
        s.timeFmt = v.timeFormat;
        ChangeTimeFormat(s, song);
    }
}

}  // namespace kv
