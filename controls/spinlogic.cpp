#include "controls/spinlogic.h"

#include <cctype>
#include <limits>

namespace kv {

std::optional<int32_t> ParseSpinNumber(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    const size_t firstDigit = i;
    int64_t magnitude = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        magnitude = magnitude * 10 + (text[i] - '0');
        // Beyond 32 bits the typed text cannot be a value of any range.
        if (magnitude > int64_t(std::numeric_limits<int32_t>::max()) + 1)
            return std::nullopt;
        ++i;
    }
    if (i == firstDigit)
        return std::nullopt;
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i != text.size())
        return std::nullopt;
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return int32_t(value);
}

SpinLogic::SpinLogic(unsigned style, SpinHost& host) : m_host(host), m_style(style)
{
    // The empty state and the own edit only make sense with an edit.
    if ((m_style & spin::kHasEdit) == 0)
        m_style &= ~(spin::kAllowEmpty | spin::kOwnEdit | spin::kOwnEditScrolls);
}

int32_t SpinLogic::Clamp(int64_t v) const
{
    if (v < m_min)
        return m_min;
    if (v > m_max)
        return m_max;
    return int32_t(v);
}

std::optional<int64_t> SpinLogic::ReadText(int step)
{
    if (!m_hasEdit)
        return int64_t(m_value) + step;
    if (m_style & spin::kParentConverts) {
        m_pendingStep = step;
        m_convertedOk = false;
        m_converting = true;
        m_host.Notify(spin::kConvertText);
        m_converting = false;
        // The parent may have applied the step itself and set it to 0.
        const int remaining = m_pendingStep;
        m_pendingStep = 0;
        if (!m_convertedOk)
            return std::nullopt;
        return int64_t(m_converted) + remaining;
    }
    const std::optional<int32_t> typed = ParseSpinNumber(m_host.EditText());
    if (!typed)
        return std::nullopt;
    return int64_t(*typed) + step;
}

void SpinLogic::Display()
{
    if (!m_hasEdit)
        return;
    if (m_style & spin::kParentConverts)
        m_host.Notify(spin::kWriteText);
    else
        m_host.SetEditText(std::to_string(m_value));
}

int32_t SpinLogic::SetRange(int32_t min, int32_t max)
{
    if (max < min)
        return -1;
    const int32_t old = int32_t((uint32_t(m_min) & 0xFFFFu) | (uint32_t(m_max) << 16));
    m_min = min;
    m_max = max;
    if (!InRange(m_value)) {
        if (m_style & spin::kReportOutOfRange) {
            m_pending = true;
            m_host.Notify(spin::kOutOfRange);
        } else {
            m_value = int32_t((int64_t(min) + max) / 2);
            Display();
        }
    }
    m_host.Notify(spin::kRangeChanged);
    return old;
}

int32_t SpinLogic::GetValue()
{
    // A parent that asks for the value while answering a conversion gets the
    // stored one instead of another conversion request.
    if (!m_hasEdit || m_empty || m_converting)
        return m_value;
    const std::optional<int64_t> read = ReadText(0);
    if (!read)
        return m_value;
    if (!InRange(*read)) {
        if (m_style & spin::kReportOutOfRange) {
            m_pending = true;
            m_host.Notify(spin::kOutOfRange);
            return m_value;
        }
    }
    m_value = Clamp(*read);
    return m_value;
}

int32_t SpinLogic::SetValue(int32_t value)
{
    int32_t result = m_value;
    if (!InRange(value)) {
        if (m_style & spin::kReportOutOfRange)
            return -1;
        value = Clamp(value);
        result = -1;
    }
    m_value = value;
    m_pending = false;
    m_empty = false;
    Display();
    if (m_style & spin::kNotifySetValue)
        m_host.Notify(spin::kValueChanged);
    return result;
}

void SpinLogic::SetConverted(bool ok, int32_t value)
{
    m_convertedOk = ok;
    if (ok)
        m_converted = value;
}

void SpinLogic::Step(int delta)
{
    if (!m_hasEdit) {
        const int32_t moved = Clamp(int64_t(m_value) + (delta > 0 ? 1 : -1));
        if (moved == m_value)
            return;
        m_value = moved;
        if (m_style & spin::kNotifyByCommand)
            m_host.Notify(spin::kValueChanged);
        else
            m_host.Scroll(m_value);
        return;
    }
    std::optional<int64_t> read = ReadText(delta);
    // An unreadable text steps from the value last known.
    const int64_t next = read ? *read : int64_t(m_value) + delta;
    if (!InRange(next) && (m_style & spin::kReportOutOfRange)) {
        m_pending = true;
        m_host.Notify(spin::kOutOfRange);
        return;
    }
    m_value = Clamp(next);
    m_pending = false;
    m_empty = false;
    Display();
    m_host.Notify(spin::kValueChanged);
}

void SpinLogic::Commit()
{
    if (!m_hasEdit || m_empty)
        return;
    const std::optional<int64_t> read = ReadText(0);
    if (!read) {
        Display();
        return;
    }
    if (!InRange(*read) && (m_style & spin::kReportOutOfRange)) {
        m_pending = true;
        m_host.Notify(spin::kOutOfRange);
        return;
    }
    const int32_t next = Clamp(*read);
    const bool changed = next != m_value;
    m_value = next;
    m_pending = false;
    Display();
    if (changed)
        m_host.Notify(spin::kValueChanged);
}

void SpinLogic::TextEdited(const std::string& text)
{
    if ((m_style & spin::kAllowEmpty) == 0)
        return;
    const bool blank = text.find_first_not_of(' ') == std::string::npos;
    if (blank && !m_empty) {
        m_empty = true;
        m_host.Notify(spin::kValueChanged);
    } else if (!blank) {
        m_empty = false;
    }
}

bool SpinLogic::SetEmpty()
{
    if ((m_style & spin::kAllowEmpty) == 0)
        return m_empty;
    const bool was = m_empty;
    m_empty = true;
    if (m_hasEdit)
        m_host.SetEditText("");
    return was;
}

void SpinLogic::Setup(int32_t min, int32_t max, int32_t value)
{
    if (max <= min) {
        if (min == std::numeric_limits<int32_t>::max())
            --min;
        max = min + 1;
    }
    if (value < min || value > max)
        value = int32_t((int64_t(min) + max) / 2);
    SetRange(min, max);
    SetValue(value);
}

int SpinArrowAt(unsigned style, int width, int height, int x, int y)
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return 0;
    int direction;
    if (style & spin::kVertical)
        direction = y < height / 2 ? 1 : -1;
    else
        direction = x >= width / 2 ? 1 : -1;
    return (style & spin::kReversed) ? -direction : direction;
}

void AutoRepeat::Press(int64_t nowMs)
{
    m_active = true;
    m_next = nowMs + spin::kFirstRepeatMs;
}

int AutoRepeat::Poll(int64_t nowMs, bool onArrow)
{
    if (!m_active)
        return 0;
    int steps = 0;
    while (nowMs >= m_next) {
        if (onArrow)
            ++steps;
        m_next += spin::kRepeatMs;
    }
    return steps;
}

}  // namespace kv
