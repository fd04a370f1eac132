#include <QApplication>

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
    frame.showMaximized();
    return app.exec();
}
