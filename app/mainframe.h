#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <functional>
#include <memory>
#include <string>

#include "app/document/mididoc.h"
#include "app/document/recentfiles.h"
#include "app/document/startup.h"

class QAction;
class QComboBox;
class QLabel;
class QMdiArea;
class QSplashScreen;
class QToolBar;
class QUrl;

namespace kv {

class KVSpinButton;
class PatchLibrary;
class ProgramTransport;
class QtMessages;
class SettingsStore;
class TipDialog;
struct Settings;

// The program's main window: menus, the four toolbars, the status bar, the
// file commands, drops and the window layout. The document decides; this
// window shows and forwards. It is also the host of the start-up sequence
// and a view of the document (the Select Track list, the time fields and
// the time-signature pane follow the hints).
class CMainFrame : public QMainWindow, public StartupHost, public DocView {
    Q_OBJECT

public:
    struct Parts {
        QtMessages& messages;
        SettingsStore& store;
        Settings& settings;
        CMidiDoc& doc;
        std::string programFolder;
        std::string shareFolder;
    };
    explicit CMainFrame(Parts parts, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // --- StartupHost ----------------------------------------------------
    bool InitialiseControls() override;
    void CreateMainWindow() override;
    void ShowLogo() override;
    void PlaceMainWindow(const WindowPlacement* placement) override;
    void AcceptDrops() override;
    void LoadAssignments() override;
    void CloseLogo() override;
    void RestoreWindowLayout() override;
    void PostStartupTip() override;

    // --- DocView -------------------------------------------------------------
    void OnUpdate(const CNotify& hint) override;

    // --- commands ------------------------------------------------------------
    void FileNew();
    void FileOpen();
    bool FileSave();
    bool FileSaveAs();
    // A file from the recent list, a drop or the command line.
    bool OpenFile(const std::string& path);
    // Files dropped on the window: the first local one is opened, once the
    // drop has ended.
    void DropFiles(const QList<QUrl>& urls);
    // Asks to save a modified song; false when the user cancelled.
    bool SaveModified();
    void SaveWindowPositionsNow();
    void RestoreWindowPositions();
    void TipOfTheDay(bool atStartup);
    void About();
    void OptionsPreferences();
    void PatchNames();

    // --- transport -----------------------------------------------------------
    // The transport drives the Play Controls Toolbar and the Transport menu;
    // without one they stay disabled.
    void AttachTransport(ProgramTransport* transport);
    void RefreshTransportActions();
    void ShowPlayTime(const std::string& text);
    void ShowTempo(int32_t beatsPerMinute);
    void FocusNowField();

    // The save question's answer, for tests; empty asks the user.
    std::function<QMessageBox::StandardButton()> askSave;
    // The file the Open and Save As dialogs return, for tests.
    std::function<std::string(bool save)> chooseFile;

    QComboBox* SelectTrackList() const { return m_selectTrack; }
    KVSpinButton* FromField() const { return m_from; }
    KVSpinButton* ToField() const { return m_to; }
    KVSpinButton* NowField() const { return m_now; }
    KVSpinButton* TempoField() const { return m_tempo; }
    QLabel* TimeSigPane() const { return m_timeSigPane; }
    QAction* ActionNamed(const QString& name) const;
    const RecentFiles& Recent() const { return m_recent; }
    TipDialog* Tips() const { return m_tips; }
    WindowPlacement CurrentPlacement() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QAction* AddAction(QMenu* menu, const QString& name, const QString& text, std::function<void()> run);
    void CreateMenus();
    void CreateToolbars();
    void CreateMainToolbar();
    void CreatePlayToolbar();
    void CreateWindowsToolbar();
    void CreatePaletteToolbar();
    void CreateStatusPanes();
    KVSpinButton* CreateTimeField(QToolBar* bar, const QString& name, CMidiDoc::TimeField field);
    void TimeFieldNotify(KVSpinButton* spin, CMidiDoc::TimeField field, int code);
    void RefreshTimeFields();
    void RefreshTimeSig();
    void RefreshTimeSig(int32_t tick);
    void RebuildTrackList();
    void RefreshTrackEntry(int track);
    void RefreshRecentMenu();
    void RefreshTitle();
    void AddRecent(const std::string& path);
    void ApplyPlacement(const WindowPlacement& p);
    std::string ChooseFile(bool save);

    QtMessages& m_messages;
    SettingsStore& m_store;
    Settings& m_settings;
    CMidiDoc& m_doc;
    std::string m_programFolder;
    std::string m_shareFolder;
    bool m_built = false;

    QMdiArea* m_mdi = nullptr;
    QComboBox* m_selectTrack = nullptr;
    KVSpinButton* m_from = nullptr;
    KVSpinButton* m_to = nullptr;
    KVSpinButton* m_now = nullptr;
    KVSpinButton* m_tempo = nullptr;
    QLabel* m_progressPane = nullptr;
    QLabel* m_timePane = nullptr;
    QLabel* m_timeSigPane = nullptr;
    QMenu* m_fileMenu = nullptr;
    QAction* m_recentSeparator = nullptr;
    QList<QAction*> m_recentActions;
    QAction* m_alwaysSave = nullptr;
    QSplashScreen* m_logo = nullptr;
    TipDialog* m_tips = nullptr;
    RecentFiles m_recent;
    std::unique_ptr<PatchLibrary> m_patches;
    ProgramTransport* m_transport = nullptr;
    QList<QAction*> m_transportActions;
    QMenu* m_windowMenu = nullptr;
    bool m_updatingTracks = false;
    size_t m_fieldCaret = std::string::npos;
};

}  // namespace kv
