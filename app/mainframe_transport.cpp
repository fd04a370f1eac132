// The main window's side of the transport: the Transport menu, the Play
// Controls Toolbar's buttons, and what the transport shows in the window.
#include <QAction>
#include <QLabel>
#include <QMenuBar>

#include "app/mainframe.h"
#include "controls/ui/kvspinbutton.h"
#include "transport/programtransport.h"

namespace kv {
namespace {

// The toolbar buttons that run transport commands.
constexpr struct {
    const char* name;
    int32_t id;
} kTransportButtons[] = {
    {"actionRecord", kCmdRecord},
    {"actionPlay", kCmdPlay},
    {"actionStop", kCmdStop},
    {"actionRewind", kCmdRewind},
    {"actionFastForward", kCmdFastForward},
};

}  // namespace

void CMainFrame::AttachTransport(ProgramTransport* transport)
{
    m_transport = transport;
    if (!transport)
        return;
    auto bind = [this](QAction* action, int32_t id) {
        action->setProperty("transportCommand", id);
        connect(action, &QAction::triggered, this, [this, id] {
            if (m_transport)
                m_transport->OnCommand(id);
            RefreshTransportActions();
        });
        m_transportActions.push_back(action);
    };
    for (const auto& b : kTransportButtons)
        if (QAction* a = ActionNamed(b.name))
            bind(a, b.id);

    QMenu* menu = new QMenu(tr("&Transport"), this);
    menuBar()->insertMenu(m_windowMenu ? m_windowMenu->menuAction() : nullptr, menu);
    for (const TransportCommandInfo& c : TransportCommands()) {
        QAction* a = new QAction(this);
        if (c.accelerator)
            a->setShortcut(QKeySequence(QString::fromLatin1(c.accelerator)));
        a->setCheckable(c.checkable);
        if (c.menuText) {
            a->setText(QString::fromUtf8(c.menuText));
            menu->addAction(a);
        } else {
            // Space: no menu item, but the whole window answers it.
            a->setObjectName("actionPlayStop");
            addAction(a);
        }
        bind(a, c.id);
    }
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::RefreshTransportActions);
    RefreshTransportActions();
}

void CMainFrame::RefreshTransportActions()
{
    for (QAction* a : m_transportActions) {
        const int32_t id = a->property("transportCommand").toInt();
        a->setEnabled(m_transport && m_transport->IsEnabled(id));
        if (a->isCheckable())
            a->setChecked(m_transport && m_transport->IsChecked(id));
    }
}

void CMainFrame::ShowPlayTime(const std::string& text)
{
    if (m_timePane)
        m_timePane->setText(QString::fromStdString(text));
}

void CMainFrame::ShowTempo(int32_t beatsPerMinute)
{
    if (m_tempo)
        m_tempo->SetValue(beatsPerMinute);
}

void CMainFrame::FocusNowField()
{
    if (m_now)
        m_now->setFocus();
}

}  // namespace kv
