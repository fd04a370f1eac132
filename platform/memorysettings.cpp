#include "platform/memorysettings.h"

#include <charconv>

namespace kv {

const MemorySettings::Value* MemorySettings::Find(const std::string& app, const std::string& section,
                                                  const std::string& key) const
{
    auto it = m_values.find({app, section, key});
    return it == m_values.end() ? nullptr : &it->second;
}

// A value written as text is read back as a number when it is one, as a
// settings file edited by hand stores everything as text.
int MemorySettings::GetInt(const std::string& app, const std::string& section, const std::string& key,
                           int def) const
{
    const Value* v = Find(app, section, key);
    if (!v)
        return def;
    if (const int* i = std::get_if<int>(v))
        return *i;
    if (const std::string* s = std::get_if<std::string>(v)) {
        int result = 0;
        auto [end, ec] = std::from_chars(s->data(), s->data() + s->size(), result);
        if (ec == std::errc() && end == s->data() + s->size() && !s->empty())
            return result;
    }
    return def;
}

std::string MemorySettings::GetString(const std::string& app, const std::string& section,
                                      const std::string& key, const std::string& def) const
{
    const Value* v = Find(app, section, key);
    if (!v)
        return def;
    if (const std::string* s = std::get_if<std::string>(v))
        return *s;
    if (const int* i = std::get_if<int>(v))
        return std::to_string(*i);
    return def;
}

bool MemorySettings::GetBinary(const std::string& app, const std::string& section, const std::string& key,
                               std::vector<uint8_t>& out) const
{
    out.clear();
    const Value* v = Find(app, section, key);
    const auto* bytes = v ? std::get_if<std::vector<uint8_t>>(v) : nullptr;
    if (!bytes)
        return false;
    out = *bytes;
    return true;
}

bool MemorySettings::Has(const std::string& app, const std::string& section, const std::string& key) const
{
    return Find(app, section, key) != nullptr;
}

bool MemorySettings::WriteInt(const std::string& app, const std::string& section, const std::string& key,
                              int value)
{
    m_values[{app, section, key}] = value;
    return true;
}

bool MemorySettings::WriteString(const std::string& app, const std::string& section, const std::string& key,
                                 const std::string& value)
{
    m_values[{app, section, key}] = value;
    return true;
}

bool MemorySettings::WriteBinary(const std::string& app, const std::string& section, const std::string& key,
                                 const std::vector<uint8_t>& value)
{
    m_values[{app, section, key}] = value;
    return true;
}

bool MemorySettings::DeleteKey(const std::string& app, const std::string& section, const std::string& key)
{
    return m_values.erase({app, section, key}) > 0;
}

bool MemorySettings::DeleteSection(const std::string& app, const std::string& section)
{
    auto it = m_values.lower_bound({app, section, std::string()});
    while (it != m_values.end() && std::get<0>(it->first) == app && std::get<1>(it->first) == section)
        it = m_values.erase(it);
    return true;
}

}  // namespace kv
