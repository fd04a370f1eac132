#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/settings/editorkeys.h"
#include "app/settings/enginesetup.h"
#include "app/settings/programfolder.h"
#include "app/settings/settingsio.h"
#include "platform/memorysettings.h"

namespace kv {
namespace {

constexpr const char* kFolder = "/data/Kelvane Professional/";

class FakeEngine : public EngineSetup {
public:
    bool Configure(const Settings& settings) override
    {
        configured.push_back(settings.config);
        return loads;
    }
    std::string CurrentConfig() const override { return current; }

    bool loads = true;
    std::vector<std::string> configured;
    std::string current;
};

// Every field moved off its default, within range.
Settings Edited()
{
    Settings s;
    s.sysExSize = 128;
    s.relStart = true;
    s.remap = 2;
    s.recFltr = 100;
    s.syncMode = 3;
    s.metro = 2;
    s.countIn = 2;
    s.cntRec = false;
    s.metPort = 5;
    s.sysXPort = 31;
    s.patchBse = 0;
    s.middleC = -2;
    s.soundIt = false;
    s.noteLen = 6;
    s.sxDelay = 1000;
    s.timer = 20;
    s.defVelc = 1;
    s.perSize = 1000;
    s.timeFmt = 0;
    s.wavePrep = 999;
    s.waveCutOff = false;
    s.sendSPP = true;
    s.metCh1 = 15;
    s.metNt2 = 127;
    s.metVc1 = 0;
    s.autoSave = 999;
    s.autoSaveOn = false;
    s.updateTimer = 0;
    s.sxExt = "DMP";
    s.remapCh = {15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
    s.autoSaveFile = "/elsewhere/auto.sav";
    s.prLine = "65280";
    s.scrLine = "16711680";
    s.config = "D2,1 O1:3";
    s.engineLibrary = "libkvmidi.so";
    for (int k = 0; k < kFolderKinds; ++k)
        s.folders[size_t(k)] = "/music/" + std::to_string(k);
    s.version = kSettingsVersion;
    return s;
}

TEST(ReadSettings, EmptyStoreGivesTheDefaults)
{
    MemorySettings store;
    Settings s;
    s.timeFmt = 0;  // a value left over must not survive
    ASSERT_TRUE(ReadSettings(store, s, true, kFolder, nullptr));

    Settings expected;
    expected.autoSaveFile = std::string(kFolder) + "KVP$Auto.sav";
    SetDefaultFolders(expected, kFolder);
    EXPECT_EQ(s, expected);
    EXPECT_EQ(s.config, "D0,0");
    EXPECT_EQ(s.recFltr, 228);  // the default all-ones byte
    const std::vector<std::string> folders = {
        "/data/Kelvane Professional/Song",    "/data/Kelvane Professional/Sysex",
        "/data/Kelvane Professional/Pattern", "/data/Kelvane Professional/Clips",
        "/data/Kelvane Professional/Waves",   "/data/Kelvane Professional/Song",
        "/data/Kelvane Professional",
    };
    EXPECT_EQ(std::vector<std::string>(s.folders.begin(), s.folders.end()), folders);
}

TEST(ReadSettings, WrittenSettingsReadBackEqual)
{
    MemorySettings store;
    const Settings written = Edited();
    WriteSettings(store, written, nullptr);
    Settings read;
    ASSERT_TRUE(ReadSettings(store, read, true, kFolder, nullptr));
    EXPECT_EQ(read, written);
}

TEST(WriteSettings, WritesEveryKeyWithVersionBuildAndTheEnginesConfig)
{
    MemorySettings store;
    FakeEngine engine;
    engine.current = "D1,0";
    Settings s;
    s.config = "D0,0";
    WriteSettings(store, s, &engine);
    EXPECT_EQ(store.GetInt("Kelvane Professional", "Editor", "Version", 0), 1286);
    EXPECT_EQ(store.GetInt("Kelvane Professional", "Editor", "Build", 0), 42);
    EXPECT_EQ(store.GetString("MIDI Support", "General", "Config", ""), "D1,0");
    EXPECT_FALSE(store.Has("Kelvane Professional", "General", "Config"));
    for (const EditorKey& key : EditorKeys())
        EXPECT_TRUE(store.Has("Kelvane Professional", "Editor", key.name)) << key.name;
    for (const char* key : {"SXExt", "RemapCh", "AutoSaveFile", "PRLine", "ScrLine"})
        EXPECT_TRUE(store.Has("Kelvane Professional", "Editor", key)) << key;
    for (int k = 0; k < kFolderKinds; ++k)
        EXPECT_TRUE(store.Has("Kelvane Professional", "Directories", "Dir" + std::to_string(k)));
    std::vector<uint8_t> remap;
    ASSERT_TRUE(store.GetBinary("Kelvane Professional", "Editor", "RemapCh", remap));
    EXPECT_EQ(remap.size(), 16u);
}

TEST(ReadSettings, SysExSizeZeroResetsTheWholeEditorSection)
{
    MemorySettings store;
    store.WriteInt("Kelvane Professional", "Editor", "SysExSize", 0);
    store.WriteInt("Kelvane Professional", "Editor", "TimeFmt", 1);
    store.WriteString("Kelvane Professional", "Editor", "SXExt", "BIN");
    Settings s;
    ReadSettings(store, s, true, kFolder, nullptr);
    EXPECT_EQ(s.sysExSize, 64);
    EXPECT_EQ(s.timeFmt, 3);
    EXPECT_EQ(s.sxExt, "SYX");
    EXPECT_FALSE(store.Has("Kelvane Professional", "Editor", "TimeFmt"));
}

TEST(ReadSettings, RecordFilterOfAllOnesBecomes228)
{
    struct Case {
        int stored;
        int expected;
    };
    const Case cases[] = {{255, 228}, {-1, 228}, {0, 0}, {231, 231}, {254, 254}, {256, 228}, {-7, 228}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        MemorySettings store;
        store.WriteInt("Kelvane Professional", "Editor", "RecFltr", c.stored);
        Settings s;
        ReadSettings(store, s, true, kFolder, nullptr);
        EXPECT_EQ(s.recFltr, c.expected);
    }
}

// Hand-edited files hold text everywhere: what a number must be, and numbers
// outside what the program can use.
TEST(ReadSettings, HostileValuesGiveDefaultsOrTheNearestValueInRange)
{
    struct Case {
        const char* key;
        const char* text;
        int32_t Settings::*field;
        int32_t expected;
    };
    const Case cases[] = {
        {"AutoSave", "-5", &Settings::autoSave, 1},           // clamped to the shortest interval
        {"AutoSave", "five", &Settings::autoSave, 5},         // not a number: default
        {"AutoSave", "99999999999", &Settings::autoSave, 5},  // not a 32-bit number: default
        {"TimeFmt", "9", &Settings::timeFmt, 3},              // no such format: default
        {"TimeFmt", "-1", &Settings::timeFmt, 3},
        {"TimeFmt", "0", &Settings::timeFmt, 0},
        {"SyncMode", "4", &Settings::syncMode, 0},
        {"MiddleC", "7", &Settings::middleC, 1},
        {"MiddleC", "-3", &Settings::middleC, -2},
        {"SysExSize", "5000", &Settings::sysExSize, 1024},
        {"SysExSize", "-2", &Settings::sysExSize, 1},
        {"MetCh1", "16", &Settings::metCh1, 15},
        {"DefVelc", "0", &Settings::defVelc, 1},
        {"Timer", "", &Settings::timer, 3},
        {"NoteLen", "12", &Settings::noteLen, 2},
        {"MetPort", "40", &Settings::metPort, 31},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.text);
        MemorySettings store;
        store.WriteString("Kelvane Professional", "Editor", c.key, c.text);
        Settings s;
        ReadSettings(store, s, true, kFolder, nullptr);
        EXPECT_EQ(s.*c.field, c.expected);
    }
}

TEST(ReadSettings, FlagsReadAnyNonZeroAsOnAndTextAsTheDefault)
{
    MemorySettings store;
    store.WriteInt("Kelvane Professional", "Editor", "Thru", 7);
    store.WriteString("Kelvane Professional", "Editor", "UseBAK", "yes");
    store.WriteInt("Kelvane Professional", "Editor", "AutoSaveOn", 0);
    Settings s;
    ReadSettings(store, s, true, kFolder, nullptr);
    EXPECT_TRUE(s.thru);
    EXPECT_TRUE(s.useBAK);
    EXPECT_FALSE(s.autoSaveOn);
}

TEST(ReadSettings, RemapTableFromBinaryOrHexadecimalText)
{
    const std::array<uint8_t, 16> identity = Settings{}.remapCh;
    std::array<uint8_t, 16> reversed;
    for (int i = 0; i < 16; ++i)
        reversed[size_t(i)] = uint8_t(15 - i);
    std::array<uint8_t, 16> firstUnmapped = reversed;
    firstUnmapped[0] = 0;  // a target of 0x20 is no channel

    struct Case {
        const char* name;
        std::vector<uint8_t> binary;  // used when text is null
        const char* text;
        std::array<uint8_t, 16> expected;
    };
    const Case cases[] = {
        {"binary", std::vector<uint8_t>(reversed.begin(), reversed.end()), nullptr, reversed},
        {"text", {}, "0F0E0D0C0B0A09080706050403020100", reversed},
        {"spaced text", {}, "0F 0E 0D 0C 0B 0A 09 08 07 06 05 04 03 02 01 00", reversed},
        {"three bytes", {1, 2, 3}, nullptr, identity},
        {"three bytes of text", {}, "010203", identity},
        {"seventeen bytes of text", {}, "0F0E0D0C0B0A0908070605040302010000", identity},
        {"not hexadecimal", {}, "zz0E0D0C0B0A09080706050403020100", identity},
        {"channel out of range", {}, "200E0D0C0B0A09080706050403020100", firstUnmapped},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemorySettings store;
        if (c.text)
            store.WriteString("Kelvane Professional", "Editor", "RemapCh", c.text);
        else
            store.WriteBinary("Kelvane Professional", "Editor", "RemapCh", c.binary);
        Settings s;
        ReadSettings(store, s, true, kFolder, nullptr);
        EXPECT_EQ(s.remapCh, c.expected);
    }
}

TEST(ReadSettings, TextsFallBackWhenEmptyOrUnusable)
{
    MemorySettings store;
    store.WriteString("Kelvane Professional", "Editor", "AutoSaveFile", "");
    store.WriteString("Kelvane Professional", "Editor", "SXExt", "SYSEX");
    store.WriteString("Kelvane Professional", "Editor", "PRLine", "red");
    store.WriteString("Kelvane Professional", "Editor", "ScrLine", "99999999");
    store.WriteString("MIDI Support", "General", "Config", "");
    Settings s;
    ReadSettings(store, s, true, kFolder, nullptr);
    EXPECT_EQ(s.autoSaveFile, "/data/Kelvane Professional/KVP$Auto.sav");
    EXPECT_EQ(s.sxExt, "SYS");
    EXPECT_EQ(s.prLine, "255");
    EXPECT_EQ(s.scrLine, "255");
    EXPECT_EQ(s.config, "D0,0");
}

TEST(ReadSettings, FoldersAreReadTheFirstTimeOnly)
{
    MemorySettings store;
    store.WriteString("Kelvane Professional", "Directories", "Dir0", "/songs");
    store.WriteString("Kelvane Professional", "Directories", "Dir4", "/waves");
    Settings s;
    ReadSettings(store, s, true, kFolder, nullptr);
    EXPECT_EQ(s.folders[kSongFolder], "/songs");
    EXPECT_EQ(s.folders[kWaveFolder], "/waves");
    EXPECT_EQ(s.folders[kSysExFolder], "");

    s.folders[kSongFolder] = "/chosen since";
    ReadSettings(store, s, false, kFolder, nullptr);
    EXPECT_EQ(s.folders[kSongFolder], "/chosen since");
}

TEST(ReadSettings, HandsTheConfigurationToTheEngineAndReportsItsResult)
{
    MemorySettings store;
    store.WriteString("MIDI Support", "General", "Config", "D3,2");
    store.WriteString("Kelvane Professional", "General", "Config", "ignored");
    FakeEngine engine;
    Settings s;
    EXPECT_TRUE(ReadSettings(store, s, true, kFolder, &engine));
    EXPECT_EQ(engine.configured, std::vector<std::string>{"D3,2"});
    engine.loads = false;
    EXPECT_FALSE(ReadSettings(store, s, false, kFolder, &engine));
}

TEST(ProgramFolder, FollowsTheXdgDataHome)
{
    struct Case {
        const char* xdg;
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"/xdg/data", "/home/u", "/xdg/data/Kelvane Professional/"},
        {"/xdg/data/", "/home/u", "/xdg/data/Kelvane Professional/"},
        {"relative/data", "/home/u", "/home/u/.local/share/Kelvane Professional/"},
        {"", "/home/u", "/home/u/.local/share/Kelvane Professional/"},
        {nullptr, "/home/u", "/home/u/.local/share/Kelvane Professional/"},
        {nullptr, nullptr, "./Kelvane Professional/"},
        {"/", nullptr, "/Kelvane Professional/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(ProgramFolderFrom(c.xdg, c.home), c.expected);
    }
}

}  // namespace
}  // namespace kv
