#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace kv {

// One argument of a printf-style message. The format comes from the string
// table at run time, so each argument carries its kind and the formatter
// checks every conversion against it instead of trusting a va_list.
class MsgArg {
public:
    enum class Kind { Signed, Unsigned, Real, Text };

    template <typename T, std::enable_if_t<std::is_integral_v<T> && std::is_signed_v<T>, int> = 0>
    MsgArg(T v) : m_kind(Kind::Signed), m_signed(v)
    {
    }
    template <typename T, std::enable_if_t<std::is_integral_v<T> && std::is_unsigned_v<T>, int> = 0>
    MsgArg(T v) : m_kind(Kind::Unsigned), m_unsigned(v)
    {
    }
    MsgArg(double v) : m_kind(Kind::Real), m_real(v) {}
    MsgArg(const char* s) : m_kind(Kind::Text), m_text(s ? s : "(null)") {}
    MsgArg(const std::string& s) : m_kind(Kind::Text), m_text(s) {}
    MsgArg(std::string_view s) : m_kind(Kind::Text), m_text(s) {}

    Kind kind() const { return m_kind; }
    int64_t asSigned() const { return m_kind == Kind::Unsigned ? int64_t(m_unsigned) : m_signed; }
    uint64_t asUnsigned() const { return m_kind == Kind::Signed ? uint64_t(m_signed) : m_unsigned; }
    double asReal() const { return m_real; }
    std::string_view asText() const { return m_text; }

private:
    Kind m_kind;
    int64_t m_signed = 0;
    uint64_t m_unsigned = 0;
    double m_real = 0;
    std::string_view m_text;  // arguments live only for the call that formats them
};

}  // namespace kv
