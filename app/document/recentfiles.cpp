#include "app/document/recentfiles.h"

#include <algorithm>

#include "platform/settingsstore.h"

namespace kv {

void RecentFiles::Read(const SettingsStore& store)
{
    m_files.clear();
    for (int i = 1; i <= kRecentFiles; ++i) {
        const std::string path =
            store.GetString(kProgramAppKey, kRecentSection, "File" + std::to_string(i), "");
        if (!path.empty() && std::find(m_files.begin(), m_files.end(), path) == m_files.end())
            m_files.push_back(path);
    }
}

void RecentFiles::Write(SettingsStore& store) const
{
    for (int i = 1; i <= kRecentFiles; ++i) {
        const std::string key = "File" + std::to_string(i);
        if (size_t(i) <= m_files.size())
            store.WriteString(kProgramAppKey, kRecentSection, key, m_files[size_t(i - 1)]);
        else
            store.DeleteKey(kProgramAppKey, kRecentSection, key);
    }
}

void RecentFiles::Add(const std::string& path)
{
    if (path.empty())
        return;
    Remove(path);
    m_files.insert(m_files.begin(), path);
    if (m_files.size() > size_t(kRecentFiles))
        m_files.resize(size_t(kRecentFiles));
}

void RecentFiles::Remove(const std::string& path)
{
    m_files.erase(std::remove(m_files.begin(), m_files.end(), path), m_files.end());
}

TipState ReadTipState(const SettingsStore& store)
{
    TipState s;
    s.lastId = store.GetInt(kProgramAppKey, kTipsSection, "LastID", 99);
    s.show = store.GetInt(kProgramAppKey, kTipsSection, "Show", 1) != 0;
    return s;
}

void WriteTipState(SettingsStore& store, const TipState& state)
{
    store.WriteInt(kProgramAppKey, kTipsSection, "LastID", state.lastId);
    store.WriteInt(kProgramAppKey, kTipsSection, "Show", state.show ? 1 : 0);
}

}  // namespace kv
