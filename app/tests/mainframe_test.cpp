#include "app/mainframe.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QToolBar>
#include <QUrl>
#include <filesystem>

#include <unistd.h>

#include "app/document/defaultsong.h"
#include "app/document/windowlayout.h"
#include "app/program.h"
#include "app/tipdialog.h"
#include "controls/ui/kvspinbutton.h"
#include "files/songfiles.h"
#include "platform/memorysettings.h"
#include "song/song.h"
#include "transport/programtransport.h"

namespace kv {
namespace {

class QtEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "kv_app_tests";
        static char* argv[] = {name, nullptr};
        // Only the engine's built-in virtual ports: with the synthesiser
        // present and no output configured, start-up would ask to use it,
        // and a test runs no user to answer.
        setenv("KVMIDI_BACKENDS", "virtual", 1);
        if (QApplication::instance() == nullptr)
            new QApplication(argc, argv);
    }
};
const auto* const kQt = testing::AddGlobalTestEnvironment(new QtEnvironment);

// A started program over an in-memory store and a temporary program folder.
struct Started {
    std::filesystem::path folder;
    MemorySettings store;
    std::unique_ptr<Program> program;

    explicit Started(const std::string& file = "")
    {
        static int serial = 0;
        // ctest runs test programs side by side: the process id keeps them apart.
        folder = std::filesystem::temp_directory_path() /
                 ("kvapp-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        program = std::make_unique<Program>(
            store, Program::Options{file, folder.string() + "/program/", KV_SHARE_DIR});
        // No tip dialog: a test runs no user.
        store.WriteInt(kProgramAppKey, "Tips", "Show", 0);
    }
    ~Started()
    {
        program.reset();
        std::filesystem::remove_all(folder);
    }
    CMainFrame& frame() { return program->frame(); }
};

TEST(CMainFrame, StartsWithTheDefaultSongToolbarsAndPanes)
{
    Started s;
    ASSERT_TRUE(s.program->StartUp());
    CMainFrame& f = s.frame();
    EXPECT_EQ(f.windowTitle(), "Kelvane Professional - Untitled");
    QStringList bars;
    for (QToolBar* bar : f.findChildren<QToolBar*>())
        bars << bar->windowTitle();
    for (const char* name : {"Main Toolbar", "Play Controls Toolbar", "Windows Toolbar", "Palette Toolbar"})
        EXPECT_TRUE(bars.contains(name)) << name;
    // The default song's 17 tracks and the next, empty track.
    ASSERT_NE(f.SelectTrackList(), nullptr);
    ASSERT_EQ(f.SelectTrackList()->count(), 18);
    EXPECT_EQ(f.SelectTrackList()->itemText(10), "10: Drums");
    EXPECT_EQ(f.SelectTrackList()->itemText(17), "17: <<Empty>>");
    ASSERT_NE(f.FromField()->Edit(), nullptr);
    EXPECT_EQ(f.FromField()->Edit()->text(), "1.1:000");
    EXPECT_EQ(f.TimeSigPane()->text(), "4/4");
    EXPECT_EQ(f.TempoField()->StoredValue(), 120);
    // Window commands wait for their windows.
    for (const char* name : {"actionEventList", "actionPianoRoll", "actionMixer", "actionStepRecord"}) {
        ASSERT_NE(f.ActionNamed(name), nullptr) << name;
        EXPECT_FALSE(f.ActionNamed(name)->isEnabled()) << name;
    }
    EXPECT_TRUE(f.ActionNamed("actionPreferences")->isEnabled());
    EXPECT_TRUE(f.ActionNamed("actionPatchNames")->isEnabled());
    EXPECT_TRUE(f.acceptDrops());
}

TEST(CMainFrame, ArrowOnTheFromFieldMovesFromByAMeasure)
{
    Started s;
    ASSERT_TRUE(s.program->StartUp());
    CMainFrame& f = s.frame();
    f.FromField()->Edit()->setCursorPosition(0);
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(f.FromField(), &up);
    // One 4/4 measure at 120 ticks per quarter.
    EXPECT_EQ(s.program->doc().song().from, 480);
    EXPECT_EQ(f.FromField()->Edit()->text(), "2.1:000");
}

TEST(CMainFrame, SteppedTickSurvivesLeavingTheField)
{
    Started s;
    ASSERT_TRUE(s.program->StartUp());
    CMainFrame& f = s.frame();
    QLineEdit* edit = f.FromField()->Edit();
    ASSERT_NE(edit, nullptr);
    for (int i = 0; i < 2; ++i) {
        edit->setCursorPosition(int(edit->text().size()));
        QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
        QApplication::sendEvent(f.FromField(), &up);
    }
    EXPECT_EQ(s.program->doc().song().from, 2);
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(edit, &out);
    EXPECT_EQ(s.program->doc().song().from, 2);
    EXPECT_EQ(edit->text(), "1.1:002");
}

TEST(CMainFrame, ClickedArrowsThenAMenuKeepTheStep)
{
    Started s;
    ASSERT_TRUE(s.program->StartUp());
    CMainFrame& f = s.frame();
    KVSpinButton* spin = f.FromField();
    const QRect arrows = spin->ArrowRect();
    const QPointF up(arrows.center().x(), arrows.top() + 2);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, up, spin->mapToGlobal(up), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(spin, &e);
    }
    const int32_t stepped = s.program->doc().song().from;
    EXPECT_GT(stepped, 0);
    QFocusEvent out(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(spin->Edit(), &out);
    EXPECT_EQ(s.program->doc().song().from, stepped);
}

TEST(CMainFrame, DroppedFileIsOpenedAndJoinsTheRecentList)
{
    Started s;
    ASSERT_TRUE(s.program->StartUp());
    const std::string path = (s.folder / "dropped s\xc3\xb8ng.mid").string();
    ASSERT_TRUE(WriteDefaultSong(path));

    // A web address dropped first is passed over.
    s.frame().DropFiles(
        {QUrl("https://example.com/x.mid"), QUrl::fromLocalFile(QString::fromStdString(path))});
    QCoreApplication::processEvents();
    EXPECT_EQ(s.program->doc().PathName(), path);
    ASSERT_FALSE(s.frame().Recent().Files().empty());
    EXPECT_EQ(s.frame().Recent().Files()[0], path);
    EXPECT_EQ(s.store.GetString(kProgramAppKey, "Recent File List", "File1", ""), path);
}

TEST(CMainFrame, SaveAsThenExitWritesSettingsAndLayout)
{
    Started s;
    ASSERT_TRUE(s.program->StartUp());
    CMainFrame& f = s.frame();
    const std::string path = (s.folder / "saved.mid").string();
    f.chooseFile = [&](bool save) { return save ? path : std::string(); };
    ASSERT_TRUE(f.FileSaveAs());
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(f.windowTitle(), "Kelvane Professional - saved.mid");
    s.program->settings().svSetting = true;
    f.close();
    EXPECT_EQ(s.store.GetInt(kProgramAppKey, "Editor", "Version", 0), 1286);
    EXPECT_EQ(s.store.GetString(kProgramAppKey, kPlacementsSection, "Class0", ""), "CMainFrame");
    EXPECT_TRUE(s.store.Has(kProgramAppKey, kToolbarsSection, kToolbarsKey));
}

TEST(CMainFrame, CancelToTheSaveQuestionKeepsTheModifiedSong)
{
    Started s;
    ASSERT_TRUE(s.program->StartUp());
    CMainFrame& f = s.frame();
    s.program->doc().SetModifiedFlag();
    f.askSave = [] { return QMessageBox::Cancel; };
    f.FileNew();
    EXPECT_TRUE(s.program->doc().IsModified());
    f.askSave = [] { return QMessageBox::No; };
    f.FileNew();
    EXPECT_FALSE(s.program->doc().IsModified());
}

TEST(CMainFrame, TipOfTheDayStepsAndWrapsFromTheStoredId)
{
    Started s;
    ASSERT_TRUE(s.program->StartUp());
    CMainFrame& f = s.frame();
    s.store.WriteInt(kProgramAppKey, "Tips", "LastID", 178);  // the last of 79 tips
    f.TipOfTheDay(false);
    ASSERT_NE(f.Tips(), nullptr);
    EXPECT_EQ(f.Tips()->LastId(), 100);  // past the last: the first again
    f.Tips()->NextTip();
    EXPECT_EQ(f.Tips()->LastId(), 101);
    f.Tips()->accept();
    EXPECT_EQ(s.store.GetInt(kProgramAppKey, "Tips", "LastID", 0), 101);
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// The Play Controls Toolbar's buttons and the Transport menu run the
// transport's commands; Record waits for recording.
TEST(CMainFrame, TransportButtonsAndMenuRunTheTransport)
{
    Started s;
    ASSERT_TRUE(s.program->StartUp());
    CMainFrame& f = s.frame();
    QStringList menus;
    for (QAction* a : f.menuBar()->actions())
        menus << a->text();
    EXPECT_TRUE(menus.contains("&Transport")) << menus.join(",").toStdString();
    QAction* play = f.ActionNamed("actionPlay");
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(play->property("transportCommand").toInt(), kCmdPlay);
    QAction* record = f.ActionNamed("actionRecord");
    ASSERT_NE(record, nullptr);
    EXPECT_FALSE(record->isEnabled());
    EXPECT_FALSE(s.program->transport().IsPlaying());
}

}  // namespace
}  // namespace kv
