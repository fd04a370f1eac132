#include "app/mainframe.h"

#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>

#include "platform/qt/qtmessages.h"

namespace kv {

CMainFrame::CMainFrame(QtMessages& messages, QWidget* parent) : QMainWindow(parent), m_messages(messages)
{
    setObjectName("CMainFrame");
    setWindowTitle("Kelvane Professional");
    CreateMenus();
    CreateStatusBar();
    m_messages.SetStatusBar(statusBar(), m_progressPane);
    m_messages.SetPrompt(Messages::kIdlePrompt);
}

void CMainFrame::CreateMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* exit = file->addAction(tr("E&xit"), this, &QWidget::close);
    exit->setObjectName("actionExit");
    exit->setShortcut(QKeySequence::Quit);
}

void CMainFrame::CreateStatusBar()
{
    m_progressPane = new QLabel(this);
    m_progressPane->setObjectName("progressPane");
    m_progressPane->setAlignment(Qt::AlignCenter);
    m_progressPane->setMinimumWidth(fontMetrics().horizontalAdvance("www100%www"));
    statusBar()->addPermanentWidget(m_progressPane);
}

}  // namespace kv
