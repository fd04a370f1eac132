#include "libraries/inifile.h"

#include <cctype>
#include <charconv>
#include <fstream>
#include <iterator>
#include <system_error>

namespace kv {

namespace {

std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The length of the valid UTF-8 sequence at s[i], or 0.
size_t Utf8Length(std::string_view s, size_t i)
{
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c >= 0xE0 && c <= 0xEF)
        n = 3;
    else if (c >= 0xF0 && c <= 0xF4)
        n = 4;
    else
        return 0;
    if (i + n > s.size())
        return 0;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 0;
    return n;
}

}  // namespace

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        // A NUL would end a name early in the compiled file (and a name of
        // NULs alone would read as the end of all sets).
        if (bytes[i] == '\0') {
            ++i;
            continue;
        }
        const size_t n = Utf8Length(bytes, i);
        if (n > 0) {
            out.append(bytes.substr(i, n));
            i += n;
        } else {
            const unsigned char c = static_cast<unsigned char>(bytes[i]);
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
            ++i;
        }
    }
    return out;
}

std::string TruncateUtf8(std::string_view text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return std::string(text);
    size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return std::string(text.substr(0, end));
}

bool IniFile::Load(const std::filesystem::path& path)
{
    m_sections.clear();
    m_sectionIndex.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Parse(text);
    return true;
}

void IniFile::Parse(std::string_view text)
{
    m_sections.clear();
    m_sectionIndex.clear();
    Section* current = nullptr;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            const size_t close = line.find(']');
            if (close == std::string_view::npos) {
                current = nullptr;  // a broken header: its keys belong nowhere
                continue;
            }
            const std::string name = TruncateUtf8(ToUtf8(Trim(line.substr(1, close - 1))), kMaxValue);
            current = FindSection(name);
            if (current == nullptr)
                current = &AddSection(name);
            continue;
        }
        const size_t eq = line.find('=');
        if (current == nullptr || eq == std::string_view::npos)
            continue;
        const std::string key = ToUtf8(Trim(line.substr(0, eq)));
        if (key.empty())
            continue;
        if (current->index.try_emplace(Lower(key), current->keys.size()).second)
            current->keys.emplace_back(key, TruncateUtf8(ToUtf8(Trim(line.substr(eq + 1))), kMaxValue));
    }
}

IniFile::Section* IniFile::FindSection(std::string_view name)
{
    const auto it = m_sectionIndex.find(Lower(name));
    return it != m_sectionIndex.end() ? &m_sections[it->second] : nullptr;
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const
{
    const auto it = m_sectionIndex.find(Lower(name));
    return it != m_sectionIndex.end() ? &m_sections[it->second] : nullptr;
}

IniFile::Section& IniFile::AddSection(std::string_view name)
{
    m_sectionIndex.emplace(Lower(name), m_sections.size());
    m_sections.push_back({std::string(name), {}, {}});
    return m_sections.back();
}

bool IniFile::HasSection(std::string_view section) const
{
    return FindSection(section) != nullptr;
}

const std::string* IniFile::Find(std::string_view section, std::string_view key) const
{
    const Section* s = FindSection(section);
    if (s == nullptr)
        return nullptr;
    const auto it = s->index.find(Lower(key));
    return it != s->index.end() ? &s->keys[it->second].second : nullptr;
}

std::string IniFile::GetString(std::string_view section, std::string_view key, std::string_view def) const
{
    const std::string* v = Find(section, key);
    return v != nullptr ? *v : std::string(def);
}

int IniFile::GetInt(std::string_view section, std::string_view key, int def) const
{
    const std::string* v = Find(section, key);
    if (v == nullptr)
        return def;
    int value = 0;
    const char* first = v->data();
    const char* last = v->data() + v->size();
    if (first != last && *first == '+')
        ++first;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last)
        return def;
    return value;
}

std::vector<std::pair<std::string, std::string>> IniFile::Keys(std::string_view section) const
{
    const Section* s = FindSection(section);
    return s != nullptr ? s->keys : std::vector<std::pair<std::string, std::string>>{};
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value)
{
    Section* s = FindSection(section);
    if (s == nullptr)
        s = &AddSection(section);
    const auto [it, added] = s->index.try_emplace(Lower(key), s->keys.size());
    if (!added) {
        s->keys[it->second].second = std::string(value);
        return;
    }
    s->keys.emplace_back(std::string(key), std::string(value));
}

std::string IniFile::Text() const
{
    std::string out;
    for (const Section& s : m_sections) {
        if (!out.empty())
            out += '\n';
        out += '[' + s.name + "]\n";
        for (const auto& kv : s.keys)
            out += kv.first + '=' + kv.second + '\n';
    }
    return out;
}

bool IniFile::Save(const std::filesystem::path& path) const
{
    std::filesystem::path temp = path;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        const std::string text = Text();
        out.write(text.data(), std::streamsize(text.size()));
        out.flush();
        if (!out)
            return false;
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

}  // namespace kv
