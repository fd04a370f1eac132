#include "app/program.h"

#include <filesystem>

#include "app/document/startup.h"
#include "app/mainframe.h"
#include "files/filesettings.h"

namespace kv {

std::string ShareFolder(const std::string& executableFolder)
{
    std::error_code ec;
    const std::filesystem::path installed =
        std::filesystem::path(executableFolder) / ".." / "share" / "kelvane";
    if (std::filesystem::is_directory(installed, ec))
        return std::filesystem::weakly_canonical(installed, ec).string();
    return KV_SHARE_DIR;
}

Program::Program(SettingsStore& store, Options options) : m_store(store), m_options(std::move(options))
{
    m_timer = std::make_unique<QtAutoSaveTimer>([this] { m_doc->OnAutoSaveTimer(); });
    m_doc = std::make_unique<CMidiDoc>(m_messages, m_settings, m_clock, *m_timer);
    m_frame = std::make_unique<CMainFrame>(CMainFrame::Parts{m_messages, m_store, m_settings, *m_doc,
                                                             m_options.programFolder, m_options.shareFolder});
}

Program::~Program()
{
    // The frame is a view of the document: it goes first.
    m_frame.reset();
}

bool Program::StartUp()
{
    StartupContext context{m_store,
                           m_settings,
                           *m_doc,
                           m_messages,
                           m_options.programFolder,
                           m_options.shareFolder + "/" + kDefaultSongName,
                           m_options.commandLineFile,
                           nullptr};
    return kv::StartUp(*m_frame, context);
}

}  // namespace kv
