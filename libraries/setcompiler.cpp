#include "libraries/setcompiler.h"

#include <array>
#include <charconv>
#include <map>
#include <set>

#include "platform/messages.h"

namespace kv {

namespace {

constexpr size_t kMaxKeyMapSection = 63;
// Deeper chains of "SimilarTo" than this are taken as a loop.
constexpr int kMaxSimilarDepth = 16;

using Names = std::array<std::string, 128>;

struct PatchNames {
    Names programs;
    std::array<Names, 128> keys;
    std::array<bool, 128> hasKeys{};
};

std::string TypeOf(const IniFile& ini, std::string_view section)
{
    return ini.GetString(section, "Type", "Patches");
}

bool ReadNumberedKeys(const IniFile& ini, std::string_view section, Names& names)
{
    bool any = false;
    for (int i = 0; i < 128; ++i) {
        const std::string* v = ini.Find(section, std::to_string(i));
        if (v != nullptr && !v->empty()) {
            names[size_t(i)] = *v;
            any = true;
        }
    }
    return any;
}

void ReadKeyMap(const IniFile& ini, const std::string& section, Messages& messages, Names& names)
{
    if (!EqualNoCase(TypeOf(ini, section), "NoteNames")) {
        messages.ShowInfo(363, section, "Note Names");
        return;
    }
    const std::string similar = ini.GetString(section, "SimilarTo");
    if (!similar.empty()) {
        if (ini.Find(similar, "SimilarTo") != nullptr)
            messages.ShowInfo(364, similar);
        else if (!EqualNoCase(TypeOf(ini, similar), "NoteNames"))
            messages.ShowInfo(363, similar, "Note Names");
        else
            ReadNumberedKeys(ini, similar, names);
    }
    ReadNumberedKeys(ini, section, names);
}

// The program names of a Patches section and of the sections it is similar
// to, the farthest first.
bool ReadProgramNames(const IniFile& ini, const std::string& section, Messages& messages, Names& names,
                      std::set<std::string>& visited)
{
    if (!EqualNoCase(TypeOf(ini, section), "Patches")) {
        messages.ShowInfo(363, section, "Patches Names");
        return false;
    }
    const std::string similar = ini.GetString(section, "SimilarTo");
    if (!similar.empty()) {
        std::string lower = similar;
        for (char& c : lower)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        if (visited.count(lower) != 0 || int(visited.size()) >= kMaxSimilarDepth)
            messages.ShowInfo(364, similar);
        else if (visited.insert(lower), true)
            ReadProgramNames(ini, similar, messages, names, visited);
    }
    ReadNumberedKeys(ini, section, names);
    return true;
}

PatchNames ReadPatches(const IniFile& ini, const std::string& section, Messages& messages)
{
    PatchNames result;
    const bool withKeys = EqualNoCase(ini.GetString(section, "NoteNames"), "yes");
    if (withKeys && ini.Find(section, "SimilarTo") != nullptr) {
        messages.ShowInfo(381, section);
        return result;
    }
    std::set<std::string> visited;
    std::string lower = section;
    for (char& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    visited.insert(lower);
    if (!ReadProgramNames(ini, section, messages, result.programs, visited))
        return result;
    bool any = false;
    for (int p = 0; p < 128; ++p) {
        if (result.programs[size_t(p)].empty())
            continue;
        any = true;
        if (!withKeys)
            continue;
        const std::string* map = ini.Find(section, "Name" + std::to_string(p));
        if (map == nullptr || map->empty()) {
            messages.ShowInfo(382, p, section);
            continue;
        }
        ReadKeyMap(ini, TruncateUtf8(*map, kMaxKeyMapSection), messages, result.keys[size_t(p)]);
        result.hasKeys[size_t(p)] = true;
    }
    if (!any)
        messages.ShowInfo(383, section);
    return result;
}

void AppendProgram(const PatchNames& names, int program, int16_t bank, std::vector<PatchRecord>& out)
{
    const std::string& name = names.programs[size_t(program)];
    if (name.empty())
        return;
    out.push_back({uint8_t(program), bank, kNoKey, name});
    if (!names.hasKeys[size_t(program)])
        return;
    for (int k = 0; k < 128; ++k) {
        const std::string& key = names.keys[size_t(program)][size_t(k)];
        if (!key.empty())
            out.push_back({uint8_t(program), bank, uint8_t(k), key});
    }
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

bool CompileBanks(const IniFile& ini, const std::string& section, Messages& messages, CompiledSet& out)
{
    const std::string method = ini.GetString(section, "Method");
    if (EqualNoCase(method, "CC0")) {
        out.method = 1;
    } else if (EqualNoCase(method, "CC32")) {
        out.method = 2;
    } else {
        messages.ShowInfo(385, section);
        return false;
    }
    out.defaultBank = -1;
    if (const std::string* def = ini.Find(section, "Default")) {
        if (const std::optional<int16_t> bank = ParseBank(*def))
            out.defaultBank = *bank;
        else
            messages.ShowInfoText("Default bank %s in section [%s] is not a bank number.", *def, section);
    }
    std::map<int16_t, PatchNames> banks;
    for (const auto& [key, value] : ini.Keys(section)) {
        if (!StartsWithNoCase(key, "Bank"))
            continue;
        const std::optional<int16_t> bank = ParseBank(std::string_view(key).substr(4));
        if (!bank) {
            messages.ShowInfoText("Key %s in section [%s] does not name a bank from 0/0 to 127/127.", key,
                                  section);
            continue;
        }
        if (banks.count(*bank) != 0) {
            messages.ShowInfo(386, int(*bank), section);
            continue;
        }
        banks.emplace(*bank, ReadPatches(ini, value, messages));
    }
    for (int p = 0; p < 128; ++p)
        for (const auto& [bank, names] : banks)
            AppendProgram(names, p, bank, out.records);
    return true;
}

}  // namespace

std::optional<int16_t> ParseBank(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    const size_t slash = text.find('/');
    auto number = [](std::string_view part) -> std::optional<int> {
        int v = 0;
        const auto [ptr, ec] = std::from_chars(part.data(), part.data() + part.size(), v);
        if (part.empty() || ec != std::errc() || ptr != part.data() + part.size() || v < 0 || v > 127)
            return std::nullopt;
        return v;
    };
    const std::optional<int> low = number(text.substr(0, slash));
    const std::optional<int> high =
        slash == std::string_view::npos ? std::optional<int>(0) : number(text.substr(slash + 1));
    if (!low || !high)
        return std::nullopt;
    return int16_t(*low + (*high << 8));
}

std::string FormatBank(int16_t bank)
{
    return std::to_string(bank & 0x7F) + "/" + std::to_string((bank >> 8) & 0x7F);
}

bool CompileSet(const IniFile& ini, const std::string& section, Messages& messages, CompiledSet& out)
{
    out = CompiledSet{};
    out.name = section;
    const std::string type = TypeOf(ini, section);
    if (EqualNoCase(type, "NoteNames")) {
        Names keys;
        ReadKeyMap(ini, section, messages, keys);
        for (int k = 0; k < 128; ++k)
            if (!keys[size_t(k)].empty())
                out.records.push_back({kKeyMapProgram, -1, uint8_t(k), keys[size_t(k)]});
        return true;
    }
    if (EqualNoCase(type, "Patches")) {
        const PatchNames names = ReadPatches(ini, section, messages);
        for (int p = 0; p < 128; ++p)
            AppendProgram(names, p, -1, out.records);
        return true;
    }
    if (EqualNoCase(type, "Banks"))
        return CompileBanks(ini, section, messages, out);
    messages.ShowInfo(384, section);
    return false;
}

}  // namespace kv
