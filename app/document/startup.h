#pragma once

#include <string>

#include "app/document/windowlayout.h"

namespace kv {

class CMidiDoc;
class EngineSetup;
class Messages;
class SettingsStore;
struct Settings;

// What start-up asks of the windows. The program's main frame implements
// it; tests record the calls.
class StartupHost {
public:
    virtual ~StartupHost() = default;
    // Checks the controls library's version (516) and readies its controls.
    virtual bool InitialiseControls() = 0;
    virtual void CreateMainWindow() = 0;
    virtual void ShowLogo() = 0;
    // Entry 0 of the saved layout, or nullptr: maximise.
    virtual void PlaceMainWindow(const WindowPlacement* placement) = 0;
    virtual void AcceptDrops() = 0;
    // The patch-name assignments of the configured ports.
    virtual void LoadAssignments() = 0;
    virtual void CloseLogo() = 0;
    // Restores the saved window layout (see PlanRestore).
    virtual void RestoreWindowLayout() = 0;
    // Posts the Tip of the Day command in its start-up form.
    virtual void PostStartupTip() = 0;
};

struct StartupContext {
    SettingsStore& store;
    Settings& settings;
    CMidiDoc& doc;
    Messages& messages;
    std::string programFolder;    // where the program writes, ending in '/'
    std::string defaultSongFile;  // the shipped default song
    std::string commandLineFile;  // empty: none
    EngineSetup* engine = nullptr;
};

// The start-up sequence, in order: controls, main window and logo, settings,
// main window placement, drops and patch assignments, the automatic save
// file (message 375) else the command-line file else a new song, kind 0 to
// the views, logo closed, layout restored, tip posted. False when start-up
// must end (messages 203 and 202 have been shown).
bool StartUp(StartupHost& host, StartupContext& context);

}  // namespace kv
