#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kv {

// Private profile text: "[Section]" lines and "key=value" lines. Sections
// and keys compare without case; the first of duplicate keys wins, as a
// hand-edited file is read top-down. Values are trimmed and cut to 255
// bytes. Bytes that are not UTF-8 are taken as Latin-1 so that old files
// written on other systems still show readable names; NUL bytes are dropped.
class IniFile {
public:
    static constexpr size_t kMaxValue = 255;

    // False when the file cannot be read; the object is then empty.
    bool Load(const std::filesystem::path& path);
    void Parse(std::string_view text);

    bool HasSection(std::string_view section) const;
    // nullptr when the section or key is missing.
    const std::string* Find(std::string_view section, std::string_view key) const;
    std::string GetString(std::string_view section, std::string_view key, std::string_view def = {}) const;
    // A decimal number (optionally signed); def for a missing or unreadable value.
    int GetInt(std::string_view section, std::string_view key, int def) const;
    // Every key of the section in file order (first occurrences only).
    std::vector<std::pair<std::string, std::string>> Keys(std::string_view section) const;

    // Writing: adds the section or key when missing, replaces the value otherwise.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    std::string Text() const;
    // Writes a temporary file beside the target and renames it over.
    bool Save(const std::filesystem::path& path) const;

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> keys;
        std::unordered_map<std::string, size_t> index;  // lower-case key -> position in keys
    };
    Section* FindSection(std::string_view name);
    const Section* FindSection(std::string_view name) const;
    Section& AddSection(std::string_view name);

    std::vector<Section> m_sections;
    std::unordered_map<std::string, size_t> m_sectionIndex;  // lower-case name -> position
};

bool EqualNoCase(std::string_view a, std::string_view b);
// Valid UTF-8 as it is; other bytes read as Latin-1; NUL bytes dropped.
std::string ToUtf8(std::string_view bytes);
// At most maxBytes bytes without splitting a UTF-8 sequence.
std::string TruncateUtf8(std::string_view text, size_t maxBytes);

}  // namespace kv
