#include "app/mainframe.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <algorithm>

#include "app/tipdialog.h"
#include "controls/spinlogic.h"
#include "controls/ui/kvspinbutton.h"
#include "libraries/patchlibrary.h"
#include "platform/qt/qtmessages.h"
#include "song/timeconvert.h"
#include "song/timetext.h"

namespace kv {
namespace {

// A toolbar picture drawn from a few characters, for the commands that have
// no standard icon.
QIcon GlyphIcon(const QString& text)
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QFont font = QApplication::font();
    font.setBold(true);
    font.setPixelSize(text.size() > 2 ? 8 : 11);
    painter.setFont(font);
    painter.setPen(QApplication::palette().color(QPalette::ButtonText));
    painter.drawRoundedRect(QRectF(1.5, 1.5, 21, 21), 3, 3);
    painter.drawText(QRect(0, 0, 24, 24), Qt::AlignCenter, text);
    return QIcon(pixmap);
}

// Widths counted in the interface font's average character width.
int CharWidths(const QWidget* w, double count)
{
    return int(w->fontMetrics().averageCharWidth() * count + 0.5);
}

struct WindowCommand {
    const char* name;
    const char* text;
    const char* glyph;
};

// The window commands, in menu and toolbar order. Their windows come with
// later parts of the program; until then the commands stay disabled.
constexpr WindowCommand kWindowCommands[] = {
    {"actionEventList", "&Event List", "EL"}, {"actionPianoRoll", "&Piano Roll", "PR"},
    {"actionScore", "&Score", "Sc"},          {"actionControllerView", "&Controller View", "CV"},
    {"actionDrumView", "&Drum View", "DV"},   {"actionSongView", "Song &View", "SV"},
    {"actionKeyboard", "&Keyboard", "Kb"},    {"actionStepRecord", "Step &Record", "SR"},
    {"actionMixer", "&Mixer", "Mx"},
};

}  // namespace

CMainFrame::CMainFrame(Parts parts, QWidget* parent)
    : QMainWindow(parent),
      m_messages(parts.messages),
      m_store(parts.store),
      m_settings(parts.settings),
      m_doc(parts.doc),
      m_programFolder(std::move(parts.programFolder)),
      m_shareFolder(std::move(parts.shareFolder))
{
    setObjectName("CMainFrame");
    setWindowTitle("Kelvane Professional");
    m_doc.onAddRecent = [this](const std::string& path) { AddRecent(path); };
    m_doc.onTitleChanged = [this] { RefreshTitle(); };
}

CMainFrame::~CMainFrame()
{
    m_doc.RemoveView(this);
    m_doc.onAddRecent = nullptr;
    m_doc.onTitleChanged = nullptr;
    m_messages.SetStatusBar(nullptr, nullptr);
}

void CMainFrame::CreateMainWindow()
{
    if (m_built)
        return;
    m_built = true;
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName("mdiArea");
    setCentralWidget(m_mdi);
    CreateMenus();
    CreateToolbars();
    CreateStatusPanes();
    m_messages.SetStatusBar(statusBar(), m_progressPane);
    m_messages.SetPrompt(Messages::kIdlePrompt);
    m_recent.Read(m_store);
    RefreshRecentMenu();
    m_doc.AddView(this);
}

QAction* CMainFrame::AddAction(QMenu* menu, const QString& name, const QString& text,
                               std::function<void()> run)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    if (run)
        connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
    else
        action->setEnabled(false);
    return action;
}

QAction* CMainFrame::ActionNamed(const QString& name) const
{
    return findChild<QAction*>(name);
}

void CMainFrame::CreateMenus()
{
    QStyle* s = style();
    m_fileMenu = menuBar()->addMenu(tr("&File"));
    QAction* a = AddAction(m_fileMenu, "actionNew", tr("&New"), [this] { FileNew(); });
    a->setShortcut(QKeySequence::New);
    a->setIcon(s->standardIcon(QStyle::SP_FileIcon));
    a = AddAction(m_fileMenu, "actionOpen", tr("&Open..."), [this] { FileOpen(); });
    a->setShortcut(QKeySequence::Open);
    a->setIcon(s->standardIcon(QStyle::SP_DialogOpenButton));
    a = AddAction(m_fileMenu, "actionSave", tr("&Save"), [this] { FileSave(); });
    a->setShortcut(QKeySequence::Save);
    a->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
    AddAction(m_fileMenu, "actionSaveAs", tr("Save &As..."), [this] { FileSaveAs(); });
    m_fileMenu->addSeparator();
    AddAction(m_fileMenu, "actionPrint", tr("&Print..."), nullptr)->setIcon(GlyphIcon("Pr"));
    m_recentSeparator = m_fileMenu->addSeparator();
    for (int i = 0; i < kRecentFiles; ++i) {
        QAction* recent = m_fileMenu->addAction(QString());
        recent->setObjectName(QString("actionRecent%1").arg(i + 1));
        recent->setVisible(false);
        connect(recent, &QAction::triggered, this, [this, i] {
            if (size_t(i) < m_recent.Files().size())
                OpenFile(m_recent.Files()[size_t(i)]);
        });
        m_recentActions.push_back(recent);
    }
    m_fileMenu->addSeparator();
    a = AddAction(m_fileMenu, "actionExit", tr("E&xit"), [this] { close(); });
    a->setShortcut(QKeySequence::Quit);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    AddAction(edit, "actionUndo", tr("&Undo"), [this] {
        if (m_doc.journal().EditUndo(m_doc.song(), m_doc.IsPlaying(), false))
            m_doc.SongReplaced(false);
    })->setIcon(s->standardIcon(QStyle::SP_ArrowBack));
    edit->addSeparator();
    AddAction(edit, "actionCut", tr("Cu&t"), nullptr)->setIcon(GlyphIcon("Cut"));
    AddAction(edit, "actionCopy", tr("&Copy"), nullptr)->setIcon(GlyphIcon("Cp"));
    AddAction(edit, "actionPaste", tr("&Paste"), nullptr)->setIcon(GlyphIcon("Pst"));
    connect(edit, &QMenu::aboutToShow, this, [this] {
        ActionNamed("actionUndo")->setEnabled(m_doc.journal().CanUndo(m_doc.IsPlaying(), false));
    });

    QMenu* options = menuBar()->addMenu(tr("&Options"));
    AddAction(options, "actionPreferences", tr("&Preferences..."), [this] { OptionsPreferences(); });
    AddAction(options, "actionPatchNames", tr("Patch &Names..."), [this] { PatchNames(); });

    QMenu* window = menuBar()->addMenu(tr("&Window"));
    m_windowMenu = window;
    for (const WindowCommand& c : kWindowCommands)
        AddAction(window, c.name, tr(c.text), nullptr)->setIcon(GlyphIcon(c.glyph));
    window->addSeparator();
    AddAction(window, "actionSavePositions", tr("Save window positions now"),
              [this] { SaveWindowPositionsNow(); });
    AddAction(window, "actionRestorePositions", tr("Restore saved window positions now"),
              [this] { RestoreWindowPositions(); });
    m_alwaysSave =
        AddAction(window, "actionAlwaysSavePositions", tr("Always save window positions when exiting"),
                  [this] { m_settings.svSetting = m_alwaysSave->isChecked(); });
    m_alwaysSave->setCheckable(true);
    connect(window, &QMenu::aboutToShow, this, [this] { m_alwaysSave->setChecked(m_settings.svSetting); });

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    AddAction(help, "actionHelpTopics", tr("&Help Topics"), nullptr)->setIcon(GlyphIcon("?"));
    AddAction(help, "actionHelpContext", tr("&Context Help"), nullptr)->setIcon(GlyphIcon("?>"));
    help->addSeparator();
    AddAction(help, "actionTipOfTheDay", tr("&Tip of the Day..."), [this] { TipOfTheDay(false); });
    AddAction(help, "actionAbout", tr("&About Kelvane Professional..."), [this] { About(); });
}

void CMainFrame::CreateToolbars()
{
    CreateMainToolbar();
    CreatePlayToolbar();
    CreateWindowsToolbar();
    CreatePaletteToolbar();
}

void CMainFrame::CreateMainToolbar()
{
    QToolBar* bar = new QToolBar(tr("Main Toolbar"), this);
    bar->setObjectName("MainToolbar");
    bar->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    addToolBar(Qt::TopToolBarArea, bar);
    bar->addAction(ActionNamed("actionNew"));
    bar->addAction(ActionNamed("actionOpen"));
    bar->addAction(ActionNamed("actionSave"));
    bar->addSeparator();
    m_selectTrack = new QComboBox(bar);
    m_selectTrack->setObjectName("selectTrack");
    m_selectTrack->setToolTip(tr("Select Track"));
    m_selectTrack->setFixedWidth(CharWidths(m_selectTrack, 16) + 24);
    connect(m_selectTrack, &QComboBox::activated, this, [this](int index) {
        if (!m_updatingTracks)
            m_doc.ChooseTrack(index);
    });
    bar->addWidget(m_selectTrack);
    bar->addSeparator();
    for (const char* name : {"actionCut", "actionCopy", "actionPaste", "actionUndo"})
        bar->addAction(ActionNamed(name));
    bar->addSeparator();
    bar->addWidget(new QLabel(tr("From:"), bar));
    m_from = CreateTimeField(bar, "fromField", CMidiDoc::TimeField::From);
    bar->addSeparator();
    bar->addWidget(new QLabel(tr("To:"), bar));
    m_to = CreateTimeField(bar, "toField", CMidiDoc::TimeField::To);
    bar->addSeparator();
    for (const char* name : {"actionPrint", "actionHelpTopics", "actionHelpContext"})
        bar->addAction(ActionNamed(name));
}

void CMainFrame::CreatePlayToolbar()
{
    QToolBar* bar = new QToolBar(tr("Play Controls Toolbar"), this);
    bar->setObjectName("PlayControlsToolbar");
    // A second row: the main toolbar's fields and the transport do not fit
    // one row of a 1280-pixel screen.
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, bar);
    m_now = CreateTimeField(bar, "nowField", CMidiDoc::TimeField::Now);
    bar->addSeparator();
    // Transport and clock sources arrive with the engine binding.
    QStyle* s = style();
    const struct {
        const char* name;
        const char* text;
        QIcon icon;
    } transport[] = {
        {"actionRecord", "Record", GlyphIcon("Rec")},
        {"actionPlay", "Play", s->standardIcon(QStyle::SP_MediaPlay)},
        {"actionStop", "Stop", s->standardIcon(QStyle::SP_MediaStop)},
        {"actionRewind", "Rewind", s->standardIcon(QStyle::SP_MediaSkipBackward)},
        {"actionFastForward", "Fast Forward", s->standardIcon(QStyle::SP_MediaSeekForward)},
    };
    for (const auto& t : transport) {
        QAction* a = bar->addAction(t.icon, tr(t.text));
        a->setObjectName(t.name);
        a->setEnabled(false);
    }
    bar->addSeparator();
    const char* sources[][3] = {{"actionSyncInternal", "Internal", "Int"},
                                {"actionSyncMidi", "MIDI", "MID"},
                                {"actionSyncSmpte", "SMPTE", "SMP"},
                                {"actionSyncSoftware", "Software", "Sw"}};
    for (const auto& src : sources) {
        QAction* a = bar->addAction(GlyphIcon(src[2]), tr(src[1]));
        a->setObjectName(src[0]);
        a->setCheckable(true);
        a->setEnabled(false);
    }
    bar->addSeparator();
    bar->addWidget(new QLabel(tr("Tempo:"), bar));
    m_tempo = new KVSpinButton(spin::kVertical | spin::kHasEdit | spin::kOwnEdit, bar);
    m_tempo->setObjectName("tempoField");
    m_tempo->Setup(8, 350, 120);
    if (m_tempo->Edit()) {
        m_tempo->Edit()->setMaxLength(3);
        m_tempo->Edit()->setText("120");
    }
    m_tempo->setFixedWidth(CharWidths(m_tempo, 5.5) + 18);
    m_tempo->setFixedHeight(m_selectTrack->sizeHint().height());
    bar->addWidget(m_tempo);
}

void CMainFrame::CreateWindowsToolbar()
{
    QToolBar* bar = new QToolBar(tr("Windows Toolbar"), this);
    bar->setObjectName("WindowsToolbar");
    addToolBar(Qt::TopToolBarArea, bar);
    for (const WindowCommand& c : kWindowCommands)
        bar->addAction(ActionNamed(c.name));
}

void CMainFrame::CreatePaletteToolbar()
{
    QToolBar* bar = new QToolBar(tr("Palette Toolbar"), this);
    bar->setObjectName("PaletteToolbar");
    addToolBar(Qt::RightToolBarArea, bar);
    // The editors' tools and note values; the editors enable them.
    const char* groups[][7][2] = {
        {{"Select", "Sel"},
         {"Erase", "Er"},
         {"Draw", "Dr"},
         {"Straight Line", "/"},
         {"Lyrics", "Ly"},
         {"Chord", "Ch"},
         {nullptr, nullptr}},
        {{"Step Record", "SR"}, {nullptr, nullptr}},
        {{"Whole", "1"},
         {"Half", "2"},
         {"Quarter", "4"},
         {"Eighth", "8"},
         {"Sixteenth", "16"},
         {"Thirty-second", "32"},
         {"Sixty-fourth", "64"}},
        {{"Dotted", "."}, {"Triplet", "3"}, {nullptr, nullptr}},
        {{"Natural", "n"}, {"Accidental", "#b"}, {nullptr, nullptr}},
    };
    bool first = true;
    for (const auto& group : groups) {
        if (!first)
            bar->addSeparator();
        first = false;
        for (const auto& item : group) {
            if (!item[0])
                break;
            QAction* a = bar->addAction(GlyphIcon(item[1]), tr(item[0]));
            a->setObjectName(QString("palette") + QString(item[0]).remove(' ').remove('-'));
            a->setEnabled(false);
        }
    }
}

void CMainFrame::CreateStatusPanes()
{
    QStatusBar* bar = statusBar();
    auto pane = [&](const char* name, const QString& sizedFor) {
        QLabel* label = new QLabel(bar);
        label->setObjectName(name);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(sizedFor));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        bar->addPermanentWidget(label);
        return label;
    };
    m_timePane = pane("timePane", "w00:00:00.00w");
    m_progressPane = pane("progressPane", "www100%www");
    m_timeSigPane = pane("timeSigPane", " 128/128 ");
    QWidget* edge = new QWidget(bar);
    edge->setFixedWidth(1);
    bar->addPermanentWidget(edge);
}

KVSpinButton* CMainFrame::CreateTimeField(QToolBar* bar, const QString& name, CMidiDoc::TimeField field)
{
    auto* spin =
        new KVSpinButton(spin::kVertical | spin::kHasEdit | spin::kOwnEdit | spin::kParentConverts, bar);
    spin->setObjectName(name);
    spin->Setup(0, 0x7FFFFFFF, 0);
    if (QLineEdit* edit = spin->Edit()) {
        edit->setMaxLength(11);
        // Enter commits the typed time as leaving the field does.
        connect(edit, &QLineEdit::returnPressed, edit, &QWidget::clearFocus);
    }
    // 10.5 average characters, but never narrower than the widest time, since
    // digits are wider than the average character in most fonts.
    spin->setFixedWidth(
        std::max(CharWidths(spin, 10.5), spin->fontMetrics().horizontalAdvance("9999.16:959")) + 24);
    spin->setFixedHeight(m_selectTrack ? m_selectTrack->sizeHint().height() : 24);
    connect(spin, &KVSpinButton::notify, this,
            [this, spin, field](int code) { TimeFieldNotify(spin, field, code); });
    bar->addWidget(spin);
    return spin;
}

void CMainFrame::TimeFieldNotify(KVSpinButton* spin, CMidiDoc::TimeField field, int code)
{
    QLineEdit* edit = spin->Edit();
    switch (code) {
        case spin::kConvertText: {
            const std::string text = edit ? edit->text().toStdString() : std::string();
            const int step = spin->PendingStep();
            if (step != 0) {
                const CMidiDoc::FieldStep s =
                    m_doc.StepTimeFieldText(text, edit ? size_t(edit->cursorPosition()) : 0, step);
                spin->SetPendingStep(0);
                if (!s.ok) {
                    // Playing: the field's spin state is reset and nothing moves.
                    spin->SetConverted(true, spin->StoredValue());
                    return;
                }
                m_fieldCaret = s.caret;
                spin->SetConverted(true, s.tick);
                return;
            }
            int32_t tick = 0;
            // Two statements: the order in which arguments are evaluated is
            // unspecified, and tick must be read after the parse.
            const bool ok = m_doc.ParseTimeFieldText(text, tick);
            spin->SetConverted(ok, tick);
            return;
        }
        case spin::kWriteText:
            if (edit) {
                edit->setText(QString::fromStdString(m_doc.FormatTimeField(spin->StoredValue())));
                if (m_fieldCaret != std::string::npos)
                    edit->setCursorPosition(int(m_fieldCaret));
                else
                    edit->selectAll();
                m_fieldCaret = std::string::npos;
            }
            return;
        case spin::kValueChanged:
            m_doc.CommitTimeField(field, spin->StoredValue());
            return;
        case spin::kEditFocused:
            m_doc.SetTimeFieldEditing(true);
            return;
        case spin::kEditUnfocused:
            m_doc.SetTimeFieldEditing(false);
            return;
        default:
            return;
    }
}

void CMainFrame::RefreshTimeFields()
{
    if (!m_built)
        return;
    const Song& song = m_doc.song();
    const struct {
        KVSpinButton* spin;
        int32_t tick;
    } fields[] = {{m_from, song.from}, {m_to, song.to}, {m_now, m_doc.NowTime()}};
    for (const auto& f : fields) {
        f.spin->SetValue(f.tick);
        if (f.spin->Edit() && !f.spin->Edit()->hasFocus())
            f.spin->Edit()->setText(QString::fromStdString(m_doc.FormatTimeField(f.tick)));
    }
    m_timePane->setText(
        QString::fromStdString(FormatClock(TickToMs(song.tempoMap, song.timebase, m_doc.NowTime()))));
}

void CMainFrame::RefreshTimeSig()
{
    RefreshTimeSig(m_doc.NowTime());
}

void CMainFrame::RefreshTimeSig(int32_t tick)
{
    if (!m_built)
        return;
    const TimeSigMap& map = m_doc.song().timeSigMap;
    const int32_t at = FindTimeSig(map, tick);
    if (at < 0 || size_t(at) >= map.entries.size()) {
        m_timeSigPane->clear();
        return;
    }
    const TimeSigEntry& e = map.entries[size_t(at)];
    m_timeSigPane->setText(QString::asprintf("%d/%d", e.numerator, 1 << e.denomPower));
}

void CMainFrame::RebuildTrackList()
{
    m_updatingTracks = true;
    m_selectTrack->clear();
    for (int i = 0; i < m_doc.SelectTrackEntryCount(); ++i)
        m_selectTrack->addItem(QString::fromStdString(m_doc.SelectTrackEntry(i)));
    m_selectTrack->setCurrentIndex(-1);
    m_updatingTracks = false;
}

void CMainFrame::RefreshTrackEntry(int track)
{
    if (track < 0)
        return;
    m_updatingTracks = true;
    // A change to the next track grows the list by the new next track.
    while (m_selectTrack->count() < m_doc.SelectTrackEntryCount())
        m_selectTrack->addItem(QString::fromStdString(m_doc.SelectTrackEntry(m_selectTrack->count())));
    if (track < m_selectTrack->count())
        m_selectTrack->setItemText(track, QString::fromStdString(m_doc.SelectTrackEntry(track)));
    m_updatingTracks = false;
}

void CMainFrame::OnUpdate(const CNotify& hint)
{
    if (!m_built)
        return;
    switch (hint.kind) {
        case kNotifySongReplaced:
            RebuildTrackList();
            RefreshTimeFields();
            RefreshTimeSig();
            if (!m_doc.song().tempoMap.entries.empty()) {
                const uint32_t us = m_doc.song().tempoMap.entries[0].usPerQuarter;
                m_tempo->SetValue(us ? int32_t((60000000ull + us / 2) / us) : 120);
                if (m_tempo->Edit())
                    m_tempo->Edit()->setText(QString::number(m_tempo->StoredValue()));
            }
            break;
        case kNotifyCurrentTrack:
            m_updatingTracks = true;
            m_selectTrack->setCurrentIndex(hint.track < m_selectTrack->count() ? hint.track : -1);
            m_updatingTracks = false;
            break;
        case kNotifyTrackChanged:
        case kNotifyEventsChanged:
        case kNotifyEventDeleted:
        case kNotifyEventInserted:
            RefreshTrackEntry(hint.track);
            break;
        case kNotifyGoToTime:
        case 10:
            RefreshTimeFields();
            RefreshTimeSig();
            break;
        case 12:
            RefreshTimeFields();
            break;
        case kNotifyPlayPosition:
            // While playing, the position field and the time-signature pane
            // follow the music; -1 and -2 mark a run starting or ending.
            if (hint.a >= 0) {
                m_now->SetValue(hint.a);
                if (m_now->Edit() && !m_now->Edit()->hasFocus())
                    m_now->Edit()->setText(QString::fromStdString(m_doc.FormatTimeField(hint.a)));
                RefreshTimeSig(hint.a);
            }
            break;
        default:
            break;
    }
}

}  // namespace kv
