#pragma once

#include <string>
#include <vector>

namespace kv {

class SettingsStore;

inline constexpr const char* kRecentSection = "Recent File List";
inline constexpr int kRecentFiles = 4;

// The recent-file list: most recent first, at most four, no duplicates,
// kept in section "Recent File List" as "File1".."File4".
class RecentFiles {
public:
    void Read(const SettingsStore& store);
    void Write(SettingsStore& store) const;
    void Add(const std::string& path);
    void Remove(const std::string& path);
    const std::vector<std::string>& Files() const { return m_files; }

private:
    std::vector<std::string> m_files;
};

// Section "Tips": the last tip shown and whether tips show at start-up.
struct TipState {
    int lastId = 99;
    bool show = true;
};
inline constexpr const char* kTipsSection = "Tips";
TipState ReadTipState(const SettingsStore& store);
void WriteTipState(SettingsStore& store, const TipState& state);

}  // namespace kv
