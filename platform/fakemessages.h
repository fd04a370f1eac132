#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/messages.h"

namespace kv {

// Messages for tests: records every box with its number, style and formatted
// text, and answers from a script of buttons (in order). When the script is
// empty it answers the box's default: Yes for Yes/No boxes, OK otherwise.
class FakeMessages : public Messages {
public:
    struct Shown {
        unsigned style;
        int number;
        std::string text;
        bool fatal;
    };

    void Answer(Button b) { m_script.push_back(b); }
    const std::vector<Shown>& shown() const { return m_shown; }
    std::vector<int> numbers() const;  // the numbers of every box, in order
    bool Has(int number) const;
    void Clear() { m_shown.clear(); }

    int progressPosition = 0;
    int progressMaximum = 0;
    int prompt = kIdlePrompt;
    int waitDepth = 0;

    Button Box(unsigned style, int number, const std::string& text) override;
    void Fatal(int number, const std::string& text) override;
    void Progress(int position, int maximum) override;
    void Prompt(int number) override { prompt = number; }
    void WaitCursor(bool on) override { waitDepth += on ? 1 : -1; }

private:
    std::deque<Button> m_script;
    std::vector<Shown> m_shown;
};

}  // namespace kv
