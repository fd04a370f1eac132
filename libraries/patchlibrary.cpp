#include "libraries/patchlibrary.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <new>
#include <set>

#include "libraries/inifile.h"
#include "libraries/setcompiler.h"
#include "platform/messages.h"
#include "platform/settingsstore.h"

namespace kv {

namespace {

constexpr const char* kListSection = "List of Patch Sets";
// A hand-edited "NumSets" may claim anything; more sets than this are not read.
constexpr int kMaxImportSets = 1024;

std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

std::string AssignmentSection(std::string_view portName)
{
    std::string section(portName);
    for (char& c : section) {
        if (c == '[')
            c = '(';
        else if (c == ']')
            c = ')';
    }
    return section + " Patches";
}

PatchLibrary::PatchLibrary(Messages& messages, SettingsStore& settings, ChannelSetTable& table,
                           std::filesystem::path dataFolder)
    : m_messages(messages), m_settings(settings), m_table(table), m_folder(std::move(dataFolder))
{
    m_assigned.fill(-1);
}

bool PatchLibrary::LoadDatabase()
{
    std::ifstream in(DatabasePath(), std::ios::binary);
    if (!in) {
        m_messages.ShowInfo(387);
        return false;
    }
    std::vector<uint8_t> bytes;
    try {
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::bad_alloc&) {
        m_messages.ShowInfo(365);
        return false;
    }
    std::vector<SetLocation> probe;
    if (ParsePatchFile(bytes, probe) != PatchFileStatus::Ok) {
        m_messages.ShowInfo(388);
        return false;
    }
    // The table points into the sets about to be replaced.
    m_table.ClearAll();
    m_assigned.fill(-1);
    m_db.Load(std::move(bytes));
    m_loaded = true;
    return true;
}

bool PatchLibrary::EnsureDatabase(const std::filesystem::path& shareFolder)
{
    std::error_code ec;
    if (std::filesystem::exists(DatabasePath(), ec)) {
        std::ifstream in(DatabasePath(), std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        std::vector<SetLocation> probe;
        if (ParsePatchFile(bytes, probe) == PatchFileStatus::Ok)
            return LoadDatabase();
        m_messages.ShowInfo(388);
    }
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(shareFolder, ec))
        if (entry.path().extension() == ".ini")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        m_messages.ShowInfo(387);
        return false;
    }
    return RebuildFrom(files);
}

bool PatchLibrary::RebuildFrom(const std::vector<std::filesystem::path>& iniFiles)
{
    std::vector<std::vector<uint8_t>> compiled;
    std::set<std::string> names;
    for (const std::filesystem::path& file : iniFiles) {
        IniFile ini;
        ini.Load(file);
        const int n = std::min(ini.GetInt(kListSection, "NumSets", 0), kMaxImportSets);
        for (int i = 1; i <= n; ++i) {
            const std::string name = ini.GetString(kListSection, "Set" + std::to_string(i));
            CompiledSet set;
            if (name.empty() || !names.insert(name).second || !CompileSet(ini, name, m_messages, set))
                continue;
            compiled.emplace_back();
            AppendSetEntry(compiled.back(), set);
        }
    }
    std::vector<std::span<const uint8_t>> entries(compiled.begin(), compiled.end());
    m_table.ClearAll();
    m_assigned.fill(-1);
    m_db.Clear();
    return WriteDatabase(entries) && LoadDatabase();
}

bool PatchLibrary::WriteDatabase(const std::vector<std::span<const uint8_t>>& entries)
{
    const std::vector<uint8_t> bytes = BuildPatchFile(entries);
    const std::filesystem::path temp = m_folder / kPatchTempName;
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (out)
            out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        out.flush();
        if (!out) {
            m_messages.ShowInfo(361, temp.string());
            return false;
        }
    }
    // Renaming over the old file replaces it in one step, so a failure
    // leaves the previous database in place.
    std::error_code ec;
    std::filesystem::rename(temp, DatabasePath(), ec);
    if (ec) {
        m_messages.ShowInfo(361, temp.string());
        return false;
    }
    return true;
}

void PatchLibrary::LoadAssignments()
{
    if (!m_loaded)
        LoadDatabase();
    m_table.ClearAll();
    m_assigned.fill(-1);
    if (m_ports.empty()) {
        if (m_db.SetCount() > 0)
            for (int c = 0; c < kChannels; ++c)
                Assign(0, c, 0);
        return;
    }
    for (int port = 0; port < int(m_ports.size()) && port < kPorts; ++port) {
        const std::string section = AssignmentSection(m_ports[size_t(port)]);
        for (int c = 0; c < kChannels; ++c) {
            const std::string name =
                m_settings.GetString(kProgramAppKey, section, "Chan" + std::to_string(c + 1),
                                     c == 9 ? kDefaultDrumSetName : kDefaultSetName);
            Assign(port, c, name == kNoSetName ? -1 : m_db.FindSet(name));
        }
    }
}

void PatchLibrary::SaveAssignments() const
{
    for (int port = 0; port < int(m_ports.size()) && port < kPorts; ++port) {
        const std::string section = AssignmentSection(m_ports[size_t(port)]);
        for (int c = 0; c < kChannels; ++c) {
            const int set = AssignedSet(port, c);
            m_settings.WriteString(kProgramAppKey, section, "Chan" + std::to_string(c + 1),
                                   set < 0 ? std::string(kNoSetName) : m_db.Set(set).name);
        }
    }
}

int PatchLibrary::AssignedSet(int port, int channel) const
{
    if (port < 0 || port >= kPorts || channel < 0 || channel >= kChannels)
        return -1;
    return m_assigned[size_t(port * kChannels + channel)];
}

void PatchLibrary::Assign(int port, int channel, int set)
{
    if (port < 0 || port >= kPorts || channel < 0 || channel >= kChannels)
        return;
    if (set < 0 || set >= m_db.SetCount())
        set = -1;
    m_assigned[size_t(port * kChannels + channel)] = set;
    m_table.AssignSet(port, channel, set < 0 ? nullptr : &m_db.Set(set).header);
}

void PatchLibrary::RestoreAssignments(const std::array<int, kPorts * kChannels>& saved)
{
    for (int port = 0; port < kPorts; ++port)
        for (int c = 0; c < kChannels; ++c)
            Assign(port, c, saved[size_t(port * kChannels + c)]);
}

std::string PatchLibrary::PatchName(int port, int channel, int program, int bank, bool numbered,
                                    int patchBase) const
{
    std::string text;
    if (numbered)
        text = std::to_string(program + patchBase) + ":";
    const std::string_view name = m_db.ProgramName(AssignedSet(port, channel), program, bank);
    if (!name.empty())
        return text + std::string(name);
    if (numbered)
        return text + std::to_string(program + patchBase);
    return "Patch #" + std::to_string(program + patchBase);
}

std::string PatchLibrary::KeyName(int port, int channel, int program, int bank, int key, bool numbered) const
{
    std::string text;
    if (numbered)
        text = std::to_string(key) + ":";
    const std::string_view name = m_db.KeyName(AssignedSet(port, channel), program, bank, key);
    if (!name.empty())
        return text + std::string(name);
    if (numbered)
        return text;
    return "Key #" + std::to_string(key);
}

std::pair<int, int> PatchLibrary::FindPatch(int port, int channel, std::string_view name) const
{
    const ProgramEntry* p = m_db.FindProgram(AssignedSet(port, channel), name);
    if (p == nullptr)
        return {-1, -1};
    return {p->program, p->bank};
}

std::vector<PatchListEntry> PatchLibrary::ListPatches(int port, int channel, std::string_view filter,
                                                      bool sorted) const
{
    std::vector<PatchListEntry> list;
    const int set = AssignedSet(port, channel);
    if (set < 0)
        return list;
    const std::string needle = Lower(filter);
    for (const ProgramEntry& p : m_db.Set(set).programs) {
        if (p.name.empty())
            continue;
        if (!needle.empty() && Lower(p.name).find(needle) == std::string::npos)
            continue;
        list.push_back({std::string(p.name), p.program, p.bank});
    }
    if (sorted)
        std::stable_sort(list.begin(), list.end(), [](const PatchListEntry& a, const PatchListEntry& b) {
            return Lower(a.name) < Lower(b.name);
        });
    return list;
}

bool PatchLibrary::ImportSets(const std::filesystem::path& iniFile)
{
    IniFile ini;
    ini.Load(iniFile);
    const int n = std::min(ini.GetInt(kListSection, "NumSets", 0), kMaxImportSets);
    if (n <= 0) {
        m_messages.ShowInfo(389, iniFile.string());
        return false;
    }
    std::vector<std::string> names;
    for (int s = 0; s < m_db.SetCount(); ++s)
        m_db.Set(s).marked = false;
    for (int i = 1; i <= n; ++i) {
        const std::string name = ini.GetString(kListSection, "Set" + std::to_string(i));
        if (name.empty()) {
            m_messages.ShowInfo(362, iniFile.string(), i);
            continue;
        }
        if (std::find(names.begin(), names.end(), name) != names.end())
            continue;  // the same set twice in one file is read once
        names.push_back(name);
        for (int s = 0; s < m_db.SetCount(); ++s)
            if (m_db.Set(s).name == name)
                m_db.Set(s).marked = true;
    }

    std::vector<std::span<const uint8_t>> entries;
    for (int s = 0; s < m_db.SetCount(); ++s)
        if (!m_db.Set(s).marked)
            entries.push_back(m_db.Entry(s));
    std::vector<std::vector<uint8_t>> compiled;
    compiled.reserve(names.size());
    m_messages.WaitCursor(true);
    for (size_t i = 0; i < names.size(); ++i) {
        m_messages.SetProgress(int(i), int(names.size()));
        CompiledSet set;
        if (!CompileSet(ini, names[i], m_messages, set))
            continue;
        compiled.emplace_back();
        AppendSetEntry(compiled.back(), set);
    }
    m_messages.SetProgress(0, 0);
    m_messages.WaitCursor(false);
    for (const std::vector<uint8_t>& e : compiled)
        entries.emplace_back(e);
    if (!WriteDatabase(entries))
        return false;
    LoadDatabase();
    LoadAssignments();
    CheckDuplicates();
    return true;
}

bool PatchLibrary::DeleteSet(int set)
{
    if (set < 0 || set >= m_db.SetCount())
        return false;
    std::vector<std::span<const uint8_t>> entries;
    for (int s = 0; s < m_db.SetCount(); ++s)
        if (s != set)
            entries.push_back(m_db.Entry(s));
    if (!WriteDatabase(entries))
        return false;
    LoadDatabase();
    LoadAssignments();
    return true;
}

void PatchLibrary::CheckDuplicates()
{
    for (int s = 0; s < m_db.SetCount(); ++s) {
        m_messages.SetProgress(s, m_db.SetCount());
        const PatchSet& set = m_db.Set(s);
        // How many program names of each text are still to come.
        std::unordered_map<std::string_view, int> remaining;
        for (const ProgramEntry& p : set.programs)
            if (!p.name.empty())
                ++remaining[p.name];
        for (const ProgramEntry& p : set.programs) {
            if (p.name.empty() || --remaining[p.name] == 0)
                continue;
            if (m_messages.AskYesNo(366, std::string(p.name), set.name) != 0)
                break;
        }
    }
    m_messages.SetProgress(0, 0);
}

}  // namespace kv
