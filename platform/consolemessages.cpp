#include "platform/consolemessages.h"

namespace kv {

Button ConsoleMessages::Box(unsigned style, int number, const std::string& text)
{
    m_shown.push_back({number, text});
    if (!m_quiet && m_out)
        std::fprintf(m_out, "kvtool: message %d: %s\n", number, text.c_str());
    switch (style & box::kButtonMask) {
        case box::kOkCancel:
            return m_yes ? Button::Ok : Button::Cancel;
        case box::kYesNo:
        case box::kYesNoCancel:
            return m_yes ? Button::Yes : Button::No;
        case box::kRetryCancel:
            return Button::Cancel;
        case box::kAbortRetryIgnore:
            return Button::Abort;
        default:
            return Button::Ok;
    }
}

void ConsoleMessages::Fatal(int number, const std::string& text)
{
    m_fatal = true;
    Box(box::kOk | box::kIconStop, number, text);
}

}  // namespace kv
