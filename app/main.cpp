#include <QApplication>
#include <QTimer>
#include <string>

#include "app/program.h"
#include "app/settings/programfolder.h"
#include "platform/qt/qtsettings.h"
#include "platform/settingsstore.h"

// kvpro [--quit-after-startup] [--] [song.mid]
// --quit-after-startup ends the program as soon as the main window is up and
// idle, for timing the start-up.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(kv::kCompanyKey);
    QApplication::setApplicationName(kv::kProgramAppKey);
    QApplication::setApplicationVersion(KV_VERSION);

    // Qt has taken its own options out of argv. File names stay bytes: a
    // name need not be valid in any encoding.
    bool quitAfterStartup = false;
    std::string file;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quit-after-startup") {
            quitAfterStartup = true;
        } else if (arg == "--") {
            if (i + 1 < argc && file.empty())
                file = argv[i + 1];
            break;
        } else if (file.empty()) {
            file = arg;
        }
    }

    kv::QtSettings store;
    kv::Program::Options options{file, kv::ProgramFolder(),
                                 kv::ShareFolder(QCoreApplication::applicationDirPath().toStdString())};
    kv::Program program(store, options);
    if (!program.StartUp())
        return 1;
    if (quitAfterStartup)
        QTimer::singleShot(0, &app, [] {
            QCoreApplication::processEvents();
            QCoreApplication::quit();
        });
    return app.exec();
}
