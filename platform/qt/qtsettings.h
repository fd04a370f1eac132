#pragma once

#include <map>
#include <memory>

#include "platform/settingsstore.h"

class QSettings;

namespace kv {

// Settings in QSettings files, one per application key: under the user's
// config folder ("Kelvane Software/<app>.conf"), or in a folder of the
// caller's choosing (tests).
class QtSettings : public SettingsStore {
public:
    QtSettings();
    explicit QtSettings(const std::string& folder);
    ~QtSettings() override;

    int GetInt(const std::string& app, const std::string& section, const std::string& key,
               int def) const override;
    std::string GetString(const std::string& app, const std::string& section, const std::string& key,
                          const std::string& def) const override;
    bool GetBinary(const std::string& app, const std::string& section, const std::string& key,
                   std::vector<uint8_t>& out) const override;
    bool Has(const std::string& app, const std::string& section, const std::string& key) const override;

    bool WriteInt(const std::string& app, const std::string& section, const std::string& key,
                  int value) override;
    bool WriteString(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override;
    bool WriteBinary(const std::string& app, const std::string& section, const std::string& key,
                     const std::vector<uint8_t>& value) override;
    bool DeleteKey(const std::string& app, const std::string& section, const std::string& key) override;
    bool DeleteSection(const std::string& app, const std::string& section) override;

    void Sync();

private:
    QSettings& For(const std::string& app) const;

    std::string m_folder;
    mutable std::map<std::string, std::unique_ptr<QSettings>> m_files;
};

}  // namespace kv
