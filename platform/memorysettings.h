#pragma once

#include <map>
#include <tuple>
#include <variant>

#include "platform/settingsstore.h"

namespace kv {

// Settings held in memory, for tests and for kvtool runs that must not touch
// the user's settings.
class MemorySettings : public SettingsStore {
public:
    using Value = std::variant<int, std::string, std::vector<uint8_t>>;
    using Key = std::tuple<std::string, std::string, std::string>;

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

    const std::map<Key, Value>& values() const { return m_values; }

private:
    const Value* Find(const std::string& app, const std::string& section, const std::string& key) const;
    std::map<Key, Value> m_values;
};

}  // namespace kv
