#pragma once

#include <memory>
#include <string>

#include "app/autosavetimer.h"
#include "app/document/mididoc.h"
#include "app/settings/settings.h"
#include "platform/qt/qtmessages.h"
#include "platform/settingsstore.h"

namespace kv {

class CMainFrame;
class ProgramTransport;

// Where the program finds what it ships: <exe>/../share/kelvane when
// installed, else the source tree's share/ next to the build.
std::string ShareFolder(const std::string& executableFolder);

// The whole program: settings, document and main window, in the order the
// start-up sequence needs them. main() makes one; tests make their own over
// a settings store of their choosing.
class Program {
public:
    struct Options {
        std::string commandLineFile;
        std::string programFolder;  // ends in '/'
        std::string shareFolder;
    };
    Program(SettingsStore& store, Options options);
    ~Program();

    // Runs the start-up sequence. False when the program must end.
    bool StartUp();

    QtMessages& messages() { return m_messages; }
    Settings& settings() { return m_settings; }
    CMidiDoc& doc() { return *m_doc; }
    CMainFrame& frame() { return *m_frame; }
    ProgramTransport& transport() { return *m_transport; }

private:
    class Host;

    SettingsStore& m_store;
    Options m_options;
    QtMessages m_messages;
    Settings m_settings;
    SteadyClock m_clock;
    std::unique_ptr<QtAutoSaveTimer> m_timer;
    std::unique_ptr<CMidiDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<Host> m_host;
    std::unique_ptr<ProgramTransport> m_transport;
};

}  // namespace kv
