#pragma once

#include <array>
#include <string>
#include <string_view>

#include "app/strings/stringtable.h"

namespace kv {

// Buttons of a message box; the values are the classic dialog result codes.
enum class Button { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// Box styles: one button set plus one icon, or'ed together.
namespace box {
inline constexpr unsigned kOk = 0x00;
inline constexpr unsigned kOkCancel = 0x01;
inline constexpr unsigned kAbortRetryIgnore = 0x02;
inline constexpr unsigned kYesNoCancel = 0x03;
inline constexpr unsigned kYesNo = 0x04;
inline constexpr unsigned kRetryCancel = 0x05;
inline constexpr unsigned kButtonMask = 0x0F;
inline constexpr unsigned kIconStop = 0x10;
inline constexpr unsigned kIconQuestion = 0x20;
inline constexpr unsigned kIconWarning = 0x30;
inline constexpr unsigned kIconInfo = 0x40;
inline constexpr unsigned kIconMask = 0xF0;
}  // namespace box

// Everything core code shows the user: numbered message boxes, the progress
// pane, the status prompt and the wait cursor. The program implements it with
// Qt, kvtool on the terminal, tests with FakeMessages.
//
// The routines take a string-table number and printf-style arguments:
//     msgs.ShowWarning(237, status);
// and format them into the 256-character message text.
class Messages {
public:
    virtual ~Messages() = default;

    // --- what an implementation provides -------------------------------
    // Shows one box. number is the string number, 0 for a literal text.
    virtual Button Box(unsigned style, int number, const std::string& text) = 0;
    // The fatal form: the program shuts the engine down and ends the process.
    // Other implementations record it and return, so callers must still
    // return their failure after calling ShowFatal.
    virtual void Fatal(int number, const std::string& text) = 0;
    // position and maximum as SetProgress below; (0, 0) hides the pane.
    virtual void Progress(int position, int maximum) = 0;
    // Status-bar prompt by string number; kIdlePrompt restores the idle text.
    virtual void Prompt(int number) = 0;
    virtual void WaitCursor(bool on) = 0;

    // --- what every subsystem calls ------------------------------------
    static constexpr int kIdlePrompt = 57345;

    // Information icon, OK and Cancel: 1 when the user pressed Cancel, else 0.
    template <typename... A>
    int ShowWarning(int id, const A&... a)
    {
        return Show(box::kOkCancel | box::kIconInfo, id, Args(a...)) == Button::Cancel ? 1 : 0;
    }
    // Question icon, Yes and No: 1 when the answer was not Yes, else 0.
    template <typename... A>
    int AskYesNo(int id, const A&... a)
    {
        return Show(box::kYesNo | box::kIconQuestion, id, Args(a...)) != Button::Yes ? 1 : 0;
    }
    // As AskYesNo with a literal format text.
    template <typename... A>
    int AskYesNoText(std::string_view format, const A&... a)
    {
        return ShowText(box::kYesNo | box::kIconQuestion, format, Args(a...)) != Button::Yes ? 1 : 0;
    }
    // Information icon, OK.
    template <typename... A>
    Button ShowInfo(int id, const A&... a)
    {
        return Show(box::kOk | box::kIconInfo, id, Args(a...));
    }
    template <typename... A>
    Button ShowInfoText(std::string_view format, const A&... a)
    {
        return ShowText(box::kOk | box::kIconInfo, format, Args(a...));
    }
    // The caller chooses buttons and icon.
    template <typename... A>
    Button ShowTyped(unsigned style, int id, const A&... a)
    {
        return Show(style, id, Args(a...));
    }
    template <typename... A>
    void ShowFatal(int id, const A&... a)
    {
        Fatal(id, FormatString(id, Args(a...)).text);
    }

    // Shows a percentage of position / maximum; (0, 0) hides it; a maximum of
    // -1 keeps the previous maximum.
    void SetProgress(int position, int maximum);
    void SetPrompt(int id) { Prompt(id); }

private:
    template <typename... A>
    static std::array<MsgArg, sizeof...(A)> Args(const A&... a)
    {
        return {MsgArg(a)...};
    }
    Button Show(unsigned style, int id, std::span<const MsgArg> args);
    Button ShowText(unsigned style, std::string_view format, std::span<const MsgArg> args);

    int m_progressMax = 0;
};

// Shows the wait cursor for the life of the object.
class WaitCursor {
public:
    explicit WaitCursor(Messages& m) : m_messages(m) { m_messages.WaitCursor(true); }
    ~WaitCursor() { m_messages.WaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    Messages& m_messages;
};

}  // namespace kv
