#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kv {

inline constexpr const char* kMidiSupportAppKey = "MIDI Support";
inline constexpr const char* kEditorSection = "Editor";
inline constexpr const char* kGeneralSection = "General";
inline constexpr const char* kDirectoriesSection = "Directories";
inline constexpr const char* kAutoSaveFileName = "KVP$Auto.sav";
inline constexpr const char* kDefaultConfig = "D0,0";
inline constexpr int32_t kSettingsVersion = 1286;
inline constexpr int32_t kSettingsBuild = 42;

// The folders kept for each kind of file ("Dir0".."Dir6").
enum FolderKind {
    kSongFolder = 0,
    kSysExFolder = 1,
    kPatternFolder = 2,
    kClipFolder = 3,
    kWaveFolder = 4,
    kSongFolder2 = 5,
    kProgramFolderKind = 6,
    kFolderKinds = 7,
};

// The program-wide settings, in memory from start-up (ReadSettings) to exit
// (WriteSettings); commands read and change these fields, never the store.
// Each field is the "Editor" key of the same name unless noted; the
// defaults are those of an empty store.
struct Settings {
    int32_t sysExSize = 64;  // K, 1..1024
    bool relStart = false;
    bool thru = false;
    int32_t remap = 0;      // 0 none, 1 to the current track's channel, 2 by remapCh
    int32_t recFltr = 228;  // record filter byte; a stored 255 (or -1) reads as 228
    bool sysExcl = false;
    bool realTime = false;
    int32_t syncMode = 0;  // 0..3
    bool autoStart = false;
    int32_t metro = 0;    // 0 off, 1 on, 2 accented
    int32_t countIn = 0;  // measures
    bool recOnly = false;
    bool cntRec = true;
    int32_t metPort = 0;
    int32_t thruPort = 0;
    int32_t rtPort = 0;
    int32_t sysXPort = 0;
    int32_t patchBse = 1;  // programs shown from 0 or 1
    int32_t middleC = 0;   // -2..1: key 60 is shown in octave 5 + middleC
    bool soundIt = true;
    bool rolPWhl = true;
    bool rolSvPat = true;
    bool triplet = false;
    bool dotted = false;
    int32_t noteLen = 2;  // 0 whole .. 6 sixty-fourth
    bool aReset = true;
    bool aRewind = true;
    int32_t sxDelay = 100;  // ms, 0..1000
    int32_t version = 1;    // as read; always written as kSettingsVersion
    int32_t timer = 3;      // ms, 1..20
    bool sortPatch = false;
    bool svSetting = false;
    bool warnFile = true;
    bool warnSysEx = false;
    bool warnKV = true;
    int32_t defVelc = 60;   // 1..127
    int32_t perSize = 100;  // 1..1000
    bool useBAK = true;
    bool warnCache = false;
    bool patchCache = false;
    int32_t timeFmt = 3;   // 0..4
    int32_t wavePrep = 2;  // quarter notes, 1..999
    bool waveCutOff = true;
    bool sendRT = false;
    bool sendClk = false;
    bool sendSPP = false;
    bool useSPP = false;
    bool chase = true;
    bool chSysex = true;
    bool freeWhl = false;
    bool fastPlay = false;
    bool automate = false;
    bool soundWave = true;
    bool clean = true;
    int32_t metCh1 = 9;  // 0..15
    int32_t metCh2 = 9;
    int32_t metNt1 = 36;  // 0..127
    int32_t metNt2 = 56;
    int32_t metVc1 = 64;  // 0..127
    int32_t metVc2 = 64;
    int32_t autoSave = 5;  // minutes, 1..999
    bool autoSaveOn = true;
    int32_t updateTimer = 100;  // ms; below 10 the display refreshes continuously
    std::string sxExt = "SYX";  // at most 3 characters
    std::array<uint8_t, 16> remapCh = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    std::string autoSaveFile;     // empty until read: program folder + kAutoSaveFileName
    std::string prLine = "255";   // piano roll play-line colour, decimal RGB
    std::string scrLine = "255";  // score play-line colour

    // Section "General".
    std::string config = kDefaultConfig;  // application key "MIDI Support"
    std::string engineLibrary;            // "32BitMIDI"; empty: the binding's choice

    // Section "Directories".
    std::array<std::string, kFolderKinds> folders;

    bool operator==(const Settings&) const = default;
};

}  // namespace kv
