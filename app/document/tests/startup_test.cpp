#include <gtest/gtest.h>

#include <cstring>

#include "app/document/startup.h"
#include "app/document/tests/docfixture.h"
#include "app/document/windowlayout.h"
#include "app/settings/enginesetup.h"
#include "platform/memorysettings.h"

namespace kv::test {
namespace {

// Records the start-up calls in order.
class FakeHost : public StartupHost {
public:
    std::vector<std::string> calls;
    bool controlsOk = true;
    std::optional<WindowPlacement> placed;
    bool maximised = false;

    bool InitialiseControls() override
    {
        calls.push_back("controls");
        return controlsOk;
    }
    void CreateMainWindow() override { calls.push_back("main window"); }
    void ShowLogo() override { calls.push_back("logo"); }
    void PlaceMainWindow(const WindowPlacement* p) override
    {
        calls.push_back("place");
        maximised = p == nullptr;
        if (p)
            placed = *p;
    }
    void AcceptDrops() override { calls.push_back("drops"); }
    void LoadAssignments() override { calls.push_back("assignments"); }
    void CloseLogo() override { calls.push_back("close logo"); }
    void RestoreWindowLayout() override { calls.push_back("layout"); }
    void PostStartupTip() override { calls.push_back("tip"); }
};

class NoEngine : public EngineSetup {
public:
    bool Configure(const Settings&) override { return false; }
    std::string CurrentConfig() const override { return {}; }
};

// A program start over an in-memory store whose program folder is a
// temporary folder.
struct StartupFixture {
    TempFolder folder;
    MemorySettings store;
    FakeMessages messages;
    Settings settings;
    FakeClock clock;
    FakeTimer timer;
    FakeHost host;
    std::unique_ptr<CMidiDoc> doc;
    RecordingView view;

    StartupFixture() { doc = std::make_unique<CMidiDoc>(messages, settings, clock, timer); }
    std::string ProgramFolder() const { return folder.Folder() + "program/"; }
    bool Run(const std::string& commandLine = "", const std::string& defaultSong = ShippedDefaultSong(),
             EngineSetup* engine = nullptr)
    {
        doc->AddView(&view);
        StartupContext c{store, settings, *doc, messages, ProgramFolder(), defaultSong, commandLine, engine};
        return StartUp(host, c);
    }
};

TEST(StartUp, FirstStartWithAnEmptyStore)
{
    StartupFixture f;
    ASSERT_TRUE(f.Run());
    const std::vector<std::string> order = {"controls",    "main window", "logo",   "place", "drops",
                                            "assignments", "close logo",  "layout", "tip"};
    EXPECT_EQ(f.host.calls, order);
    EXPECT_TRUE(f.host.maximised);
    EXPECT_TRUE(f.messages.shown().empty());
    // The settings are the defaults, with the program folder's files.
    EXPECT_EQ(f.settings.autoSaveFile, f.ProgramFolder() + "KVP$Auto.sav");
    EXPECT_TRUE(std::filesystem::is_directory(f.ProgramFolder()));
    // A new song from the shipped default song.
    EXPECT_EQ(f.doc->song().trackCount, 17);
    EXPECT_EQ(f.doc->Title(), "Untitled");
    EXPECT_FALSE(f.doc->IsModified());
    // The views were told the song was replaced, last without is-new.
    ASSERT_FALSE(f.view.hints.empty());
    EXPECT_EQ(f.view.hints.back().kind, kNotifySongReplaced);
    EXPECT_EQ(f.view.hints.back().a, 0);
}

TEST(StartUp, WithoutDefaultSongTheSongIsAConductorTrack)
{
    StartupFixture f;
    ASSERT_TRUE(f.Run("", f.folder.File("gone.mid")));
    ASSERT_EQ(f.doc->song().trackCount, 1);
    EXPECT_EQ(f.doc->song().tracks[0].name, "Conductor Track");
}

TEST(StartUp, IncompatibleControlsLibraryEndsWith203)
{
    StartupFixture f;
    f.host.controlsOk = false;
    EXPECT_FALSE(f.Run());
    EXPECT_EQ(f.messages.numbers(), std::vector<int>{203});
    EXPECT_EQ(f.host.calls, std::vector<std::string>{"controls"});
}

TEST(StartUp, EngineThatCannotLoadEndsWith202)
{
    StartupFixture f;
    NoEngine engine;
    EXPECT_FALSE(f.Run("", ShippedDefaultSong(), &engine));
    EXPECT_EQ(f.messages.numbers(), std::vector<int>{202});
    EXPECT_EQ(f.host.calls.back(), "close logo");
}

TEST(StartUp, SavedMainPlacementIsUsed)
{
    StartupFixture f;
    WindowPlacement p;
    p.left = 40;
    p.top = 30;
    p.right = 840;
    p.bottom = 630;
    SaveWindowPositions(f.store, p, {});
    ASSERT_TRUE(f.Run());
    EXPECT_FALSE(f.host.maximised);
    ASSERT_TRUE(f.host.placed.has_value());
    EXPECT_EQ(*f.host.placed, p);
}

TEST(StartUp, CommandLineFileIsOpened)
{
    StartupFixture f;
    const std::string path = f.folder.File("my song.mid");
    ASSERT_TRUE(WriteSongFile(path, 96));
    ASSERT_TRUE(f.Run(path));
    EXPECT_EQ(f.doc->PathName(), path);
    EXPECT_EQ(f.doc->song().timebase, 96);
    EXPECT_TRUE(f.messages.shown().empty());
}

TEST(StartUp, HostileCommandLineGivesAMessageAndASong)
{
    struct Case {
        const char* name;
        const char* content;  // nullptr: none written; "" with dir: a folder
        bool folder;
        int message;
    };
    const Case cases[] = {
        {"missing.mid", nullptr, false, 269},
        {"folder.mid", nullptr, true, 269},
        {"text.mid", "hello, not MIDI", false, 256},
        {"truncated.mid", "MThd\0\0", false, 257},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartupFixture f;
        const std::string path = f.folder.File(c.name);
        if (c.folder)
            std::filesystem::create_directories(path);
        else if (c.content)
            WriteBytes(
                path, std::string(c.content, std::string(c.name) == "truncated.mid" ? 6 : strlen(c.content)));
        ASSERT_TRUE(f.Run(path));
        const std::vector<int> numbers = f.messages.numbers();
        EXPECT_FALSE(numbers.empty());
        // The default song stands in.
        EXPECT_EQ(f.doc->song().trackCount, 17);
        EXPECT_EQ(f.doc->Title(), "Untitled");
        EXPECT_EQ(f.host.calls.back(), "tip");
    }
}

TEST(StartUp, AutomaticSaveFileFoundYesLoadsItNoStartsNew)
{
    for (const Button answer : {Button::Yes, Button::No}) {
        SCOPED_TRACE(answer == Button::Yes ? "Yes" : "No");
        StartupFixture f;
        std::filesystem::create_directories(f.ProgramFolder());
        const std::string autoFile = f.ProgramFolder() + "KVP$Auto.sav";
        ASSERT_TRUE(WriteSongFile(autoFile, 192));
        const std::string cmd = f.folder.File("cmd.mid");
        ASSERT_TRUE(WriteSongFile(cmd, 96));
        f.messages.Answer(answer);
        ASSERT_TRUE(f.Run(cmd));
        EXPECT_EQ(f.messages.numbers(), std::vector<int>{375});
        if (answer == Button::Yes) {
            EXPECT_EQ(f.doc->song().timebase, 192);
            EXPECT_EQ(f.doc->Title(), "Auto Save");
            EXPECT_TRUE(f.doc->IsModified());
        } else {
            // The command-line file is opened instead; the old file is gone.
            EXPECT_EQ(f.doc->song().timebase, 96);
            EXPECT_FALSE(std::filesystem::exists(autoFile));
        }
    }
}

}  // namespace
}  // namespace kv::test
