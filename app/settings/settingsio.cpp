#include "app/settings/settingsio.h"

#include <charconv>

#include "app/settings/editorkeys.h"
#include "app/settings/enginesetup.h"
#include "platform/settingsstore.h"
#include "song/timetext.h"

namespace kv {
namespace {

constexpr const char* kApp = kProgramAppKey;
constexpr int32_t kNoRecordFilter = 255;  // the all-ones byte a fresh store holds
constexpr int32_t kRecordFilter = 228;

std::string FolderKey(int kind)
{
    return "Dir" + std::to_string(kind);
}

void ReadEditorNumbers(const SettingsStore& store, Settings& s)
{
    const Settings defaults;
    for (const EditorKey& key : EditorKeys()) {
        if (key.flag) {
            s.*key.flag = store.GetInt(kApp, kEditorSection, key.name, defaults.*key.flag ? 1 : 0) != 0;
            continue;
        }
        const int32_t def = defaults.*key.number;
        s.*key.number = FixRange(key, store.GetInt(kApp, kEditorSection, key.name, def), def);
    }
    // The filter is one byte; -1 is how the store's default all-ones byte
    // reads back.
    const int32_t filter = store.GetInt(kApp, kEditorSection, "RecFltr", -1);
    s.recFltr =
        filter == -1 || filter == kNoRecordFilter || filter < 0 || filter > 255 ? kRecordFilter : filter;
}

// A colour stored as decimal RGB text.
std::string ReadColour(const SettingsStore& store, const char* key, const std::string& def)
{
    const std::string text = store.GetString(kApp, kEditorSection, key, def);
    int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < 0 ||
        value > 0xFFFFFF)
        return def;
    return text;
}

// Binary in a store that keeps it, hexadecimal text in one that keeps text
// only. A table of the wrong length is ignored; a target channel out of
// range leaves that channel unmapped.
void ReadRemapTable(const SettingsStore& store, Settings& s)
{
    const Settings defaults;
    s.remapCh = defaults.remapCh;
    std::vector<uint8_t> bytes;
    if (!store.GetBinary(kApp, kEditorSection, "RemapCh", bytes)) {
        const std::string text = store.GetString(kApp, kEditorSection, "RemapCh", "");
        uint8_t parsed[17] = {};
        const size_t n = ParseHexBytes(text, parsed, sizeof parsed);
        bytes.assign(parsed, parsed + n);
    }
    if (bytes.size() != s.remapCh.size())
        return;
    for (size_t ch = 0; ch < bytes.size(); ++ch)
        s.remapCh[ch] = bytes[ch] <= 15 ? bytes[ch] : uint8_t(ch);
}

void ReadEditorTexts(const SettingsStore& store, Settings& s, const std::string& programFolder)
{
    const Settings defaults;
    s.sxExt = store.GetString(kApp, kEditorSection, "SXExt", defaults.sxExt);
    if (s.sxExt.empty())
        s.sxExt = defaults.sxExt;
    if (s.sxExt.size() > 3)
        s.sxExt.resize(3);
    ReadRemapTable(store, s);
    s.autoSaveFile = store.GetString(kApp, kEditorSection, "AutoSaveFile", "");
    if (s.autoSaveFile.empty())
        s.autoSaveFile = programFolder + kAutoSaveFileName;
    s.prLine = ReadColour(store, "PRLine", defaults.prLine);
    s.scrLine = ReadColour(store, "ScrLine", defaults.scrLine);
}

void ReadFolders(const SettingsStore& store, Settings& s, const std::string& programFolder)
{
    if (store.GetString(kApp, kDirectoriesSection, FolderKey(0), "").empty()) {
        SetDefaultFolders(s, programFolder);
        return;
    }
    for (int kind = 0; kind < kFolderKinds; ++kind)
        s.folders[size_t(kind)] = store.GetString(kApp, kDirectoriesSection, FolderKey(kind), "");
}

}  // namespace

void SetDefaultFolders(Settings& settings, const std::string& programFolder)
{
    static const char* const kNames[kFolderKinds] = {"Song",  "Sysex", "Pattern", "Clips",
                                                     "Waves", "Song",  ""};
    for (int kind = 0; kind < kFolderKinds; ++kind)
        settings.folders[size_t(kind)] = programFolder + kNames[kind];
    // The program folder itself, without the separator the others follow.
    std::string& own = settings.folders[kProgramFolderKind];
    if (own.size() > 1 && own.back() == '/')
        own.pop_back();
}

bool ReadSettings(SettingsStore& store, Settings& settings, bool firstTime, const std::string& programFolder,
                  EngineSetup* engine)
{
    if (store.Has(kApp, kEditorSection, "SysExSize") &&
        store.GetInt(kApp, kEditorSection, "SysExSize", 64) == 0)
        store.DeleteSection(kApp, kEditorSection);
    ReadEditorNumbers(store, settings);
    ReadEditorTexts(store, settings, programFolder);
    if (firstTime)
        ReadFolders(store, settings, programFolder);
    settings.engineLibrary = store.GetString(kApp, kGeneralSection, "32BitMIDI", "");
    settings.config = store.GetString(kMidiSupportAppKey, kGeneralSection, "Config", kDefaultConfig);
    if (settings.config.empty())
        settings.config = kDefaultConfig;
    return engine ? engine->Configure(settings) : true;
}

void WriteSettings(SettingsStore& store, const Settings& settings, const EngineSetup* engine)
{
    for (int kind = 0; kind < kFolderKinds; ++kind)
        store.WriteString(kApp, kDirectoriesSection, FolderKey(kind), settings.folders[size_t(kind)]);
    store.WriteInt(kApp, kEditorSection, "Version", kSettingsVersion);
    store.WriteInt(kApp, kEditorSection, "Build", kSettingsBuild);
    for (const EditorKey& key : EditorKeys()) {
        if (key.number == &Settings::version)
            continue;
        const int32_t value = key.flag ? (settings.*key.flag ? 1 : 0) : settings.*key.number;
        store.WriteInt(kApp, kEditorSection, key.name, value);
    }
    store.WriteString(kApp, kEditorSection, "SXExt", settings.sxExt);
    store.WriteString(kApp, kEditorSection, "PRLine", settings.prLine);
    store.WriteString(kApp, kEditorSection, "ScrLine", settings.scrLine);
    store.WriteString(kApp, kEditorSection, "AutoSaveFile", settings.autoSaveFile);
    if (!settings.engineLibrary.empty())
        store.WriteString(kApp, kGeneralSection, "32BitMIDI", settings.engineLibrary);
    std::string config = engine ? engine->CurrentConfig() : std::string();
    if (config.empty())
        config = settings.config;
    store.WriteString(kMidiSupportAppKey, kGeneralSection, "Config", config);
    store.WriteBinary(kApp, kEditorSection, "RemapCh",
                      std::vector<uint8_t>(settings.remapCh.begin(), settings.remapCh.end()));
}

}  // namespace kv
