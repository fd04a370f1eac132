#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kv {

inline constexpr const char* kCompanyKey = "Kelvane Software";
inline constexpr const char* kProgramAppKey = "Kelvane Professional";

// The program's settings: per application key, named sections of named
// integer, text and binary values. The program uses QSettings, tests the
// in-memory store. Readers never fail: a missing or unreadable value gives
// the default (a hand-edited file may hold anything).
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual int GetInt(const std::string& app, const std::string& section, const std::string& key,
                       int def) const = 0;
    virtual std::string GetString(const std::string& app, const std::string& section, const std::string& key,
                                  const std::string& def) const = 0;
    // False (and out cleared) when there is no such value.
    virtual bool GetBinary(const std::string& app, const std::string& section, const std::string& key,
                           std::vector<uint8_t>& out) const = 0;
    virtual bool Has(const std::string& app, const std::string& section, const std::string& key) const = 0;

    virtual bool WriteInt(const std::string& app, const std::string& section, const std::string& key,
                          int value) = 0;
    virtual bool WriteString(const std::string& app, const std::string& section, const std::string& key,
                             const std::string& value) = 0;
    virtual bool WriteBinary(const std::string& app, const std::string& section, const std::string& key,
                             const std::vector<uint8_t>& value) = 0;
    virtual bool DeleteKey(const std::string& app, const std::string& section, const std::string& key) = 0;
    virtual bool DeleteSection(const std::string& app, const std::string& section) = 0;
};

}  // namespace kv
