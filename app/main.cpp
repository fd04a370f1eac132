#include <QApplication>
#include <QScreen>

#include "app/mainframe.h"
#include "platform/qt/qtmessages.h"
#include "platform/settingsstore.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(kv::kCompanyKey);
    QApplication::setApplicationName(kv::kProgramAppKey);
    QApplication::setApplicationVersion(KV_VERSION);

    kv::QtMessages messages;
    kv::CMainFrame frame(messages);
    // Without a window manager (a bare X server) maximising is a no-op, so
    // start at the screen's full size as well.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        frame.setGeometry(screen->availableGeometry());
    frame.showMaximized();
    return app.exec();
}
