#include "app/strings/formattext.h"

#include <cstdio>
#include <string>

namespace kv {
namespace {

constexpr const char* kBadConversion = "<?>";
// Widths and precisions above this are cut: the result is cut to the message
// size anyway, and a format like "%999999999d" must not allocate gigabytes.
constexpr int kMaxField = int(kMessageSize);

struct Conversion {
    std::string flags;
    int width = -1;
    int precision = -1;
    char type = 0;
};

bool IsFlag(char c)
{
    return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0';
}

// Reads a number or '*' (taken from the next argument). False when '*' has no
// integer argument.
bool ReadField(std::string_view f, size_t& i, std::span<const MsgArg> args, size_t& next, int& out)
{
    if (i < f.size() && f[i] == '*') {
        ++i;
        if (next >= args.size() || args[next].kind() == MsgArg::Kind::Text ||
            args[next].kind() == MsgArg::Kind::Real)
            return false;
        int64_t v = args[next++].asSigned();
        out = v < 0 ? -1 : int(std::min<int64_t>(v, kMaxField));
        return true;
    }
    int64_t v = -1;
    while (i < f.size() && f[i] >= '0' && f[i] <= '9') {
        v = (v < 0 ? 0 : v) * 10 + (f[i] - '0');
        v = std::min<int64_t>(v, kMaxField);
        ++i;
    }
    out = int(v);
    return true;
}

std::string Spec(const Conversion& c, const char* length, char type)
{
    std::string s = "%" + c.flags;
    if (c.width >= 0)
        s += std::to_string(c.width);
    if (c.precision >= 0)
        s += "." + std::to_string(c.precision);
    return s + length + type;
}

template <typename T>
void Append(std::string& out, const std::string& spec, T value)
{
    char buffer[kMessageSize * 2];
    int n = std::snprintf(buffer, sizeof buffer, spec.c_str(), value);
    if (n > 0)
        out.append(buffer, std::min<size_t>(size_t(n), sizeof buffer - 1));
}

// Formats one conversion; false when the argument does not fit it.
bool Convert(std::string& out, const Conversion& c, const MsgArg* arg)
{
    if (!arg)
        return false;
    const bool number = arg->kind() == MsgArg::Kind::Signed || arg->kind() == MsgArg::Kind::Unsigned;
    switch (c.type) {
        case 'd':
        case 'i':
            if (!number)
                return false;
            Append(out, Spec(c, "ll", c.type), (long long)arg->asSigned());
            return true;
        case 'u':
        case 'x':
        case 'X':
        case 'o':
            if (!number)
                return false;
            Append(out, Spec(c, "ll", c.type), (unsigned long long)arg->asUnsigned());
            return true;
        case 'c':
            if (!number)
                return false;
            Append(out, Spec(c, "", 'c'), int((unsigned char)arg->asUnsigned()));
            return true;
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
            if (arg->kind() != MsgArg::Kind::Real)
                return false;
            Append(out, Spec(c, "", c.type), arg->asReal());
            return true;
        case 's': {
            if (arg->kind() != MsgArg::Kind::Text)
                return false;
            std::string text(arg->asText().substr(0, kMessageSize));
            Append(out, Spec(c, "", 's'), text.c_str());
            return true;
        }
        default:
            return false;  // %n, %p and anything unknown are never passed on
    }
}

// Cuts to the message size without splitting a UTF-8 sequence.
void Truncate(std::string& s)
{
    if (s.size() < kMessageSize)
        return;
    size_t end = kMessageSize - 1;
    while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80)
        --end;
    s.resize(end);
}

}  // namespace

FormattedText FormatText(std::string_view f, std::span<const MsgArg> args)
{
    FormattedText result;
    std::string& out = result.text;
    size_t next = 0;
    size_t i = 0;
    while (i < f.size()) {
        char ch = f[i++];
        if (ch != '%') {
            out += ch;
            continue;
        }
        if (i < f.size() && f[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        Conversion c;
        while (i < f.size() && IsFlag(f[i]))
            c.flags += f[i++];
        bool fieldsOk = ReadField(f, i, args, next, c.width);
        if (i < f.size() && f[i] == '.') {
            ++i;
            fieldsOk = ReadField(f, i, args, next, c.precision) && fieldsOk;
            if (c.precision < 0)
                c.precision = 0;
        }
        while (i < f.size() && std::string_view("hlLqjzt").find(f[i]) != std::string_view::npos)
            ++i;
        c.type = i < f.size() ? f[i++] : 0;
        const MsgArg* arg = next < args.size() ? &args[next] : nullptr;
        if (arg)
            ++next;
        if (!fieldsOk || !Convert(out, c, arg)) {
            out += kBadConversion;
            result.ok = false;
        }
    }
    if (next != args.size())
        result.ok = false;
    Truncate(out);
    return result;
}

}  // namespace kv
