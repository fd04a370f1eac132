#pragma once

#include <QMainWindow>

class QLabel;

namespace kv {

class QtMessages;

// The program's main window.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit CMainFrame(QtMessages& messages, QWidget* parent = nullptr);

private:
    void CreateMenus();
    void CreateStatusBar();

    QtMessages& m_messages;
    QLabel* m_progressPane = nullptr;
};

}  // namespace kv
