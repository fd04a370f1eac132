#pragma once

#include <cstdio>
#include <vector>

#include "platform/messages.h"

namespace kv {

// Messages on a terminal, for kvtool: every box is printed to a stream as
// "kvtool: message NNN: text" and recorded; questions get a fixed answer
// (yes by default: continue), so scripted runs never wait for input.
class ConsoleMessages : public Messages {
public:
    struct Shown {
        int number;
        std::string text;
    };

    explicit ConsoleMessages(std::FILE* out = stderr, bool answerYes = true) : m_out(out), m_yes(answerYes) {}

    const std::vector<Shown>& shown() const { return m_shown; }
    bool fatal() const { return m_fatal; }
    void SetQuiet(bool quiet) { m_quiet = quiet; }

    Button Box(unsigned style, int number, const std::string& text) override;
    void Fatal(int number, const std::string& text) override;
    void Progress(int, int) override {}
    void Prompt(int) override {}
    void WaitCursor(bool) override {}

private:
    std::FILE* m_out;
    bool m_yes;
    bool m_quiet = false;
    bool m_fatal = false;
    std::vector<Shown> m_shown;
};

}  // namespace kv
