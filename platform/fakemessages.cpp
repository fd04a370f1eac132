#include "platform/fakemessages.h"

#include <algorithm>

namespace kv {

std::vector<int> FakeMessages::numbers() const
{
    std::vector<int> result;
    for (const Shown& s : m_shown)
        result.push_back(s.number);
    return result;
}

bool FakeMessages::Has(int number) const
{
    return std::any_of(m_shown.begin(), m_shown.end(),
                       [number](const Shown& s) { return s.number == number; });
}

Button FakeMessages::Box(unsigned style, int number, const std::string& text)
{
    m_shown.push_back({style, number, text, false});
    if (!m_script.empty()) {
        Button b = m_script.front();
        m_script.pop_front();
        return b;
    }
    switch (style & box::kButtonMask) {
        case box::kYesNo:
        case box::kYesNoCancel:
            return Button::Yes;
        case box::kAbortRetryIgnore:
            return Button::Abort;
        case box::kRetryCancel:
            return Button::Retry;
        default:
            return Button::Ok;
    }
}

void FakeMessages::Fatal(int number, const std::string& text)
{
    m_shown.push_back({box::kOk | box::kIconStop, number, text, true});
}

void FakeMessages::Progress(int position, int maximum)
{
    progressPosition = position;
    progressMaximum = maximum;
}

}  // namespace kv
