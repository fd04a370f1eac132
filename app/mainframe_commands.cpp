// The main frame's commands: files, drops, exit, the window layout, the
// start-up steps, Tip of the Day, About, Preferences and Patch Names.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QSplashScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>

#include "app/document/windowlayout.h"
#include "app/mainframe.h"
#include "app/settings/settingsio.h"
#include "app/tipdialog.h"
#include "app/ui/preferencessheet.h"
#include "controls/exports.h"
#include "controls/ui/kvplib.h"
#include "libraries/patchlibrary.h"
#include "libraries/patchnamessheet.h"
#include "libraries/ui/patchnamesdialog.h"
#include "platform/qt/qtmessages.h"
#include "platform/settingsstore.h"
#include "transport/programtransport.h"

namespace kv {
namespace {

constexpr const char* kOpenFilter =
    "MIDI Files (*.mid *.mff);;RIFF MIDI Files (*.rmi);;Backup MIDI Files (*.bmid *.bak);;All Files (*)";
constexpr const char* kSaveFilter = "MIDI Files (*.mid)";

}  // namespace

// --- start-up steps ------------------------------------------------------------

bool CMainFrame::InitialiseControls()
{
    return Initialise(exports::kVersion) && RegisterClasses();
}

void CMainFrame::ShowLogo()
{
    const QPixmap logo = LoadLogo();
    if (logo.isNull())
        return;
    m_logo = new QSplashScreen(logo);
    m_logo->setObjectName("KVLogo");
    m_logo->show();
}

void CMainFrame::CloseLogo()
{
    if (m_logo) {
        m_logo->close();
        m_logo->deleteLater();
        m_logo = nullptr;
    }
}

void CMainFrame::ApplyPlacement(const WindowPlacement& p)
{
    setGeometry(p.left, p.top, p.Width(), p.Height());
    if (p.show == WindowPlacement::kMaximised)
        showMaximized();
    else if (p.show == WindowPlacement::kMinimised)
        showMinimized();
    else
        showNormal();
}

void CMainFrame::PlaceMainWindow(const WindowPlacement* placement)
{
    if (placement) {
        ApplyPlacement(*placement);
        return;
    }
    // Without a window manager (a bare X server) maximising does nothing, so
    // the window starts at the screen's full size as well.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    showMaximized();
}

void CMainFrame::AcceptDrops()
{
    setAcceptDrops(true);
}

void CMainFrame::LoadAssignments()
{
    m_patches = std::make_unique<PatchLibrary>(m_messages, m_store, m_doc.channelSets(),
                                               std::filesystem::path(m_programFolder));
    m_patches->EnsureDatabase(std::filesystem::path(m_shareFolder) / "patches");
    // The output ports come with the engine binding; until then port 0
    // carries the assignments.
    m_patches->SetPorts({});
    m_patches->LoadAssignments();
}

WindowPlacement CMainFrame::CurrentPlacement() const
{
    WindowPlacement p;
    p.show = isMaximized() ? WindowPlacement::kMaximised
                           : (isMinimized() ? WindowPlacement::kMinimised : WindowPlacement::kNormal);
    const QRect r = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    const QRect normal = r.isValid() ? r : geometry();
    p.left = normal.left();
    p.top = normal.top();
    p.right = normal.left() + normal.width();
    p.bottom = normal.top() + normal.height();
    return p;
}

void CMainFrame::SaveWindowPositionsNow()
{
    // No song window exists yet; each joins the list as its view arrives.
    SaveWindowPositions(m_store, CurrentPlacement(), {});
    const QByteArray state = saveState();
    m_store.WriteBinary(kProgramAppKey, kToolbarsSection, kToolbarsKey,
                        std::vector<uint8_t>(state.begin(), state.end()));
}

void CMainFrame::RestoreWindowPositions()
{
    const WindowLayout layout = ReadWindowLayout(m_store);
    if (!layout.main) {
        PlaceMainWindow(nullptr);
        return;
    }
    ApplyPlacement(isMaximized() ? *layout.main : KeepSize(*layout.main, width(), height()));
    std::vector<uint8_t> state;
    if (m_store.GetBinary(kProgramAppKey, kToolbarsSection, kToolbarsKey, state))
        restoreState(QByteArray(reinterpret_cast<const char*>(state.data()), qsizetype(state.size())));
    // Song windows are opened and placed by PlanRestore's actions once their
    // views exist; with none open and none to open, nothing more to do.
    (void)PlanRestore(layout, {});
}

void CMainFrame::RestoreWindowLayout()
{
    const WindowLayout layout = ReadWindowLayout(m_store);
    if (!layout.main)
        return;  // placed (maximised) already
    std::vector<uint8_t> state;
    if (m_store.GetBinary(kProgramAppKey, kToolbarsSection, kToolbarsKey, state))
        restoreState(QByteArray(reinterpret_cast<const char*>(state.data()), qsizetype(state.size())));
}

void CMainFrame::PostStartupTip()
{
    QTimer::singleShot(0, this, [this] { TipOfTheDay(true); });
}

// --- files ---------------------------------------------------------------------

std::string CMainFrame::ChooseFile(bool save)
{
    if (chooseFile)
        return chooseFile(save);
    const QString folder = QString::fromStdString(m_settings.folders[kSongFolder]);
    const QString chosen = save ? QFileDialog::getSaveFileName(this, tr("Save As"), folder, kSaveFilter)
                                : QFileDialog::getOpenFileName(this, tr("Open"), folder, kOpenFilter);
    if (chosen.isEmpty())
        return {};
    std::string path = chosen.toStdString();
    if (save && std::filesystem::path(path).extension().empty())
        path += ".mid";
    m_settings.folders[kSongFolder] = std::filesystem::path(path).parent_path().string() + "/";
    return path;
}

bool CMainFrame::SaveModified()
{
    if (!m_doc.IsModified())
        return true;
    const QMessageBox::StandardButton answer =
        askSave ? askSave()
                : QMessageBox::question(this, "Kelvane Professional",
                                        tr("Save changes to %1?").arg(QString::fromStdString(m_doc.Title())),
                                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel)
        return false;
    return answer != QMessageBox::Yes || FileSave();
}

void CMainFrame::FileNew()
{
    if (SaveModified())
        m_doc.OnNewDocument();
}

void CMainFrame::FileOpen()
{
    if (m_doc.IsPlaying() || !SaveModified())
        return;
    const std::string path = ChooseFile(false);
    if (!path.empty())
        m_doc.OpenDocumentFile(path);
}

bool CMainFrame::OpenFile(const std::string& path)
{
    if (m_doc.IsPlaying()) {
        m_messages.ShowInfo(393);
        return false;
    }
    if (!SaveModified())
        return false;
    return m_doc.OpenDocumentFile(path);
}

bool CMainFrame::FileSave()
{
    if (m_doc.PathName().empty())
        return FileSaveAs();
    return m_doc.OnSaveDocument(m_doc.PathName());
}

bool CMainFrame::FileSaveAs()
{
    const std::string path = ChooseFile(true);
    return !path.empty() && m_doc.OnSaveDocument(path);
}

void CMainFrame::AddRecent(const std::string& path)
{
    m_recent.Add(path);
    m_recent.Write(m_store);
    RefreshRecentMenu();
}

void CMainFrame::RefreshRecentMenu()
{
    const auto& files = m_recent.Files();
    for (int i = 0; i < m_recentActions.size(); ++i) {
        QAction* a = m_recentActions[i];
        if (size_t(i) < files.size()) {
            const QString name =
                QString::fromStdString(std::filesystem::path(files[size_t(i)]).filename().string());
            a->setText(QString("&%1 %2").arg(i + 1).arg(name));
            a->setToolTip(QString::fromStdString(files[size_t(i)]));
            a->setVisible(true);
        } else {
            a->setVisible(false);
        }
    }
    if (m_recentSeparator)
        m_recentSeparator->setVisible(!files.empty());
}

void CMainFrame::RefreshTitle()
{
    setWindowTitle(QString("Kelvane Professional - %1").arg(QString::fromStdString(m_doc.Title())));
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    event->acceptProposedAction();
    DropFiles(event->mimeData()->urls());
}

void CMainFrame::DropFiles(const QList<QUrl>& urls)
{
    // One song at a time: the first file dropped is opened.
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const QByteArray path = QFile::encodeName(url.toLocalFile());
        // The drop's data must not be in use while a message box runs its own
        // event loop.
        const std::string file(path.constData(), size_t(path.size()));
        QTimer::singleShot(0, this, [this, file] { OpenFile(file); });
        return;
    }
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!SaveModified()) {
        event->ignore();
        return;
    }
    CloseLogo();
    if (m_transport && m_transport->IsPlaying())
        m_transport->OnCommand(kCmdStop);
    WriteSettings(m_store, m_settings, m_transport ? &m_transport->Setup() : nullptr);
    m_recent.Write(m_store);
    if (m_settings.svSetting)
        SaveWindowPositionsNow();
    event->accept();
}

// --- dialogs -------------------------------------------------------------------

void CMainFrame::TipOfTheDay(bool atStartup)
{
    if (atStartup && !ReadTipState(m_store).show)
        return;
    std::vector<std::string> tips = LoadTips();
    if (tips.empty())
        return;
    if (!m_tips) {
        m_tips = new TipDialog(m_store, std::move(tips), this);
        m_tips->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_tips, &QObject::destroyed, this, [this] { m_tips = nullptr; });
        m_tips->open();
    } else {
        m_tips->NextTip();
        m_tips->raise();
    }
}

void CMainFrame::About()
{
    QDialog box(this);
    box.setObjectName("AboutBox");
    box.setWindowTitle(tr("About Kelvane Professional"));
    auto* layout = new QVBoxLayout(&box);
    auto* picture = new QLabel(&box);
    picture->setPixmap(LoadLogo());
    picture->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture);
    auto* name = new QLabel(
        "<span style='font-family:\"Liberation Serif\",\"Times New Roman\",serif;"
        "font-size:20pt'>Kelvane <b>Professional</b></span>",
        &box);
    name->setAlignment(Qt::AlignCenter);
    layout->addWidget(name);
    auto* version = new QLabel(tr("Version %1 for Linux").arg(KV_VERSION), &box);
    version->setAlignment(Qt::AlignCenter);
    layout->addWidget(version);
    // The engine's version line, once the engine is bound.
    auto* engine = new QLabel(tr("MIDI engine: not loaded"), &box);
    engine->setObjectName("engineVersion");
    engine->setAlignment(Qt::AlignCenter);
    layout->addWidget(engine);
    box.adjustSize();
    box.exec();
}

void CMainFrame::OptionsPreferences()
{
    const int32_t timeFormat = m_settings.timeFmt;
    const int32_t middleC = m_settings.middleC;
    if (!kv::OptionsPreferences(this, m_settings, m_doc.song(), m_programFolder))
        return;
    // Every time on screen reads differently now, even where the maps
    // themselves came out the same.
    if (m_settings.timeFmt != timeFormat || m_settings.middleC != middleC)
        m_doc.TimeSigChanged();
}

void CMainFrame::PatchNames()
{
    if (!m_patches)
        LoadAssignments();
    PatchNamesSheet sheet(*m_patches, m_messages, [this] { m_doc.Notify(kNotifySongReplaced, -1, 0); });
    PatchNamesDialog dialog(sheet, this);
    dialog.exec();
}

}  // namespace kv
