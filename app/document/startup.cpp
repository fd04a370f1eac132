#include "app/document/startup.h"

#include <filesystem>

#include "app/document/mididoc.h"
#include "app/settings/settingsio.h"
#include "platform/messages.h"
#include "platform/settingsstore.h"

namespace kv {

bool StartUp(StartupHost& host, StartupContext& c)
{
    if (!host.InitialiseControls()) {
        c.messages.ShowInfo(203);
        return false;
    }
    host.CreateMainWindow();
    host.ShowLogo();
    c.doc.SetDefaultSongFile(c.defaultSongFile);
    if (!ReadSettings(c.store, c.settings, true, c.programFolder, c.engine)) {
        c.messages.ShowInfo(202);
        host.CloseLogo();
        return false;
    }
    // The automatic save file and the patch database are written here.
    std::error_code ec;
    std::filesystem::create_directories(c.programFolder, ec);
    const std::string autoSaveFolder = std::filesystem::path(c.settings.autoSaveFile).parent_path().string();
    if (!autoSaveFolder.empty())
        std::filesystem::create_directories(autoSaveFolder, ec);

    const WindowLayout layout = ReadWindowLayout(c.store);
    host.PlaceMainWindow(layout.main ? &*layout.main : nullptr);
    host.AcceptDrops();
    host.LoadAssignments();

    if (!c.doc.RecoverAutoSave()) {
        if (!c.commandLineFile.empty())
            c.doc.OpenDocumentFile(c.commandLineFile);
        else
            c.doc.OnNewDocument();
    }
    c.doc.Notify(kNotifySongReplaced, -1, 0);
    host.CloseLogo();
    host.RestoreWindowLayout();
    host.PostStartupTip();
    return true;
}

}  // namespace kv
