#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "libraries/patchdatabase.h"
#include "song/channelset.h"

namespace kv {

class Messages;
class SettingsStore;

inline constexpr const char* kPatchFileName = "patches.bin";
inline constexpr const char* kPatchTempName = "patches.$$$";
inline constexpr const char* kDefaultSetName = "General MIDI";
inline constexpr const char* kDefaultDrumSetName = "General MIDI Drums";
inline constexpr const char* kNoSetName = "Numbers";

struct PatchListEntry {
    std::string name;
    int program = 0;
    int bank = -1;
};

// The patch names database and its assignment to port channels: it owns the
// loaded "patches.bin" in the program's data folder and fills the song's
// ChannelSetTable. Every refill of the database clears the table first, so
// the table never points into a database that is gone.
class PatchLibrary {
public:
    PatchLibrary(Messages& messages, SettingsStore& settings, ChannelSetTable& table,
                 std::filesystem::path dataFolder);

    std::filesystem::path DatabasePath() const { return m_folder / kPatchFileName; }
    const PatchDatabase& Database() const { return m_db; }
    bool IsLoaded() const { return m_loaded; }

    // Reads patches.bin; on failure keeps the previous database (message 387
    // when missing, 388 when incompatible or corrupt).
    bool LoadDatabase();
    // At start-up: loads patches.bin and, when it is missing or cannot be
    // trusted, builds it afresh from the INI files of shareFolder.
    bool EnsureDatabase(const std::filesystem::path& shareFolder);
    // Builds patches.bin from scratch from these INI files, in this order.
    bool RebuildFrom(const std::vector<std::filesystem::path>& iniFiles);

    // The configured output ports by name; index = port number.
    void SetPorts(std::vector<std::string> outputPorts) { m_ports = std::move(outputPorts); }
    const std::vector<std::string>& Ports() const { return m_ports; }
    void LoadAssignments();
    void SaveAssignments() const;
    // The set index of a slot, -1 for none.
    int AssignedSet(int port, int channel) const;
    void Assign(int port, int channel, int set);
    std::array<int, kPorts * kChannels> Assignments() const { return m_assigned; }
    void RestoreAssignments(const std::array<int, kPorts * kChannels>& saved);

    std::string PatchName(int port, int channel, int program, int bank, bool numbered, int patchBase) const;
    std::string KeyName(int port, int channel, int program, int bank, int key, bool numbered) const;
    // The program and bank of the first program of that exact name, or (-1, -1).
    std::pair<int, int> FindPatch(int port, int channel, std::string_view name) const;
    std::vector<PatchListEntry> ListPatches(int port, int channel, std::string_view filter,
                                            bool sorted) const;

    bool ImportSets(const std::filesystem::path& iniFile);
    bool ExportSet(int set, const std::filesystem::path& iniFile) const;
    bool DeleteSet(int set);
    void CheckDuplicates();

private:
    bool WriteDatabase(const std::vector<std::span<const uint8_t>>& entries);

    Messages& m_messages;
    SettingsStore& m_settings;
    ChannelSetTable& m_table;
    std::filesystem::path m_folder;
    PatchDatabase m_db;
    bool m_loaded = false;
    std::vector<std::string> m_ports;
    std::array<int, kPorts * kChannels> m_assigned;
};

// The settings section of a port's assignments: its name with [ and ] turned
// into ( and ), followed by " Patches".
std::string AssignmentSection(std::string_view portName);

}  // namespace kv
