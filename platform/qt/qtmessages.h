#pragma once

#include <functional>

#include "platform/messages.h"

class QLabel;
class QStatusBar;

namespace kv {

// Message boxes over the active window with the program's caption; progress
// and prompt in the main window's status bar once it has one.
class QtMessages : public Messages {
public:
    // Called before the process ends on a fatal message (shuts the engine down).
    std::function<void()> onFatal;

    void SetStatusBar(QStatusBar* bar, QLabel* progressPane);

    Button Box(unsigned style, int number, const std::string& text) override;
    void Fatal(int number, const std::string& text) override;
    void Progress(int position, int maximum) override;
    void Prompt(int number) override;
    void WaitCursor(bool on) override;

private:
    QStatusBar* m_statusBar = nullptr;
    QLabel* m_progressPane = nullptr;
};

}  // namespace kv
