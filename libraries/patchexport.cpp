#include <map>

#include "libraries/inifile.h"
#include "libraries/patchlibrary.h"
#include "libraries/setcompiler.h"

namespace kv {

namespace {

// Key-map section names are read back only up to 63 characters, so a long
// set name is shortened to keep the reference intact.
std::string KeyMapSection(const std::string& setName, const std::string& suffix)
{
    constexpr size_t kMax = 63;
    const size_t room = suffix.size() < kMax ? kMax - suffix.size() : 0;
    return TruncateUtf8(setName, room) + suffix;
}

void WriteKeys(IniFile& ini, const std::string& section, const PatchSet& set, const ProgramEntry& p)
{
    ini.Set(section, "Type", "NoteNames");
    for (uint32_t k = p.keysBegin; k < p.keysEnd; ++k)
        ini.Set(section, std::to_string(set.keys[k].key), set.keys[k].name);
}

// One Patches section with the programs of one bank (-1 for a set without banks).
void WritePatches(IniFile& ini, const std::string& section, const PatchSet& set, int16_t bank,
                  const std::string& keySuffix)
{
    ini.Set(section, "Type", "Patches");
    bool withKeys = false;
    for (const ProgramEntry& p : set.programs)
        withKeys = withKeys || (p.bank == bank && p.keysEnd > p.keysBegin);
    if (withKeys)
        ini.Set(section, "NoteNames", "yes");
    for (const ProgramEntry& p : set.programs) {
        if (p.bank != bank || p.name.empty())
            continue;
        ini.Set(section, std::to_string(p.program), p.name);
        if (!withKeys)
            continue;
        // With NoteNames every named program needs a key map, even an empty one.
        const std::string map = KeyMapSection(set.name, keySuffix + " Patch " + std::to_string(p.program));
        ini.Set(section, "Name" + std::to_string(p.program), map);
        WriteKeys(ini, map, set, p);
    }
}

}  // namespace

bool PatchLibrary::ExportSet(int setIndex, const std::filesystem::path& iniFile) const
{
    if (setIndex < 0 || setIndex >= m_db.SetCount())
        return false;
    const PatchSet& set = m_db.Set(setIndex);
    IniFile ini;
    ini.Set("List of Patch Sets", "NumSets", "1");
    ini.Set("List of Patch Sets", "Set1", set.name);
    if (set.keyMap) {
        ini.Set(set.name, "Type", "NoteNames");
        for (const ProgramEntry& p : set.programs)
            for (uint32_t k = p.keysBegin; k < p.keysEnd; ++k)
                ini.Set(set.name, std::to_string(set.keys[k].key), set.keys[k].name);
    } else if (set.header.bankMethod == 0) {
        WritePatches(ini, set.name, set, -1, "");
    } else {
        ini.Set(set.name, "Type", "Banks");
        ini.Set(set.name, "Method", set.header.bankMethod == 1 ? "CC0" : "CC32");
        if (set.header.defaultBank >= 0)
            ini.Set(set.name, "Default", FormatBank(set.header.defaultBank));
        std::map<int16_t, bool> banks;
        for (const ProgramEntry& p : set.programs)
            banks[p.bank] = true;
        for (const auto& [bank, unused] : banks) {
            const std::string text = FormatBank(bank);
            ini.Set(set.name, "Bank" + text, text);
            WritePatches(ini, text, set, bank, " " + text);
        }
    }
    std::error_code ec;
    std::filesystem::remove(iniFile, ec);
    return ini.Save(iniFile);
}

}  // namespace kv
