// The transport's rules that need no real engine: a stand-in library that
// accepts every call, so a run "starts" and never ends on its own.
#include <gtest/gtest.h>

#include <memory>

#include "files/tests/smfbuilder.h"
#include "transport/tests/transportfixture.h"

namespace kv {
namespace {

class TransportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.engineLibrary = KV_FAKE_ENGINE;
        ASSERT_TRUE(songs.Read(test::Smf(120, {test::Body().Meta(0, 0x51, {0x07, 0xA1, 0x20}).End(0),
                                               test::Body().Note(0, 0, 60, 100, 480).End(0)})));
        transport = std::make_unique<ProgramTransport>(messages, settings, songs.song, host);
        ASSERT_TRUE(transport->Setup().Configure(settings));
        transport->ConnectAtStartUp();
    }
    Transport& core() { return transport->Core(); }

    FakeMessages messages;
    Settings settings;
    test::SongFixture songs;
    test::RecordingHost host;
    std::unique_ptr<ProgramTransport> transport;
};

TEST_F(TransportTest, FastForwardCyclesThroughDoubleAndFourfoldSpeedWhilePlaying)
{
    ASSERT_TRUE(transport->OnCommand(kCmdPlay));
    ASSERT_TRUE(transport->IsPlaying());
    EXPECT_EQ(core().FastForwardScale(), 1000);
    const int32_t expected[] = {2000, 4000, 1000, 2000};
    for (int32_t scale : expected) {
        EXPECT_TRUE(transport->OnCommand(kCmdFastForward));
        EXPECT_EQ(core().FastForwardScale(), scale);
    }
}

TEST_F(TransportTest, FastForwardIsRefusedWhilePlayingUnderRealTime)
{
    settings.realTime = true;
    ASSERT_TRUE(transport->OnCommand(kCmdPlay));
    EXPECT_FALSE(transport->OnCommand(kCmdFastForward));
    EXPECT_EQ(core().FastForwardScale(), 1000);
}

TEST_F(TransportTest, PlayWhilePlayingDoesNothing)
{
    ASSERT_TRUE(transport->OnCommand(kCmdPlay));
    for (int i = 0; i < 20; ++i)
        core().Play();
    EXPECT_EQ(host.playingChanges, std::vector<bool>{true});
    EXPECT_TRUE(messages.numbers().empty());
}

TEST_F(TransportTest, APlayStartsAtTheSongPositionAndRemembersIt)
{
    host.position = 240;
    core().Play();
    EXPECT_EQ(core().LastStartPosition(), 240);
    ASSERT_FALSE(host.playPositions.empty());
    EXPECT_EQ(host.playPositions.front(), -2);
    EXPECT_EQ(host.playPositions.back(), 240);
    EXPECT_EQ(host.statusTimes, std::vector<std::string>{kZeroClockText});
}

TEST_F(TransportTest, ANegativeSongPositionStartsAtZero)
{
    host.position = -50;
    core().Play();
    EXPECT_EQ(core().LastStartPosition(), 0);
    EXPECT_EQ(host.position, 0);
}

TEST_F(TransportTest, RewindAndFastForwardWhenStopped)
{
    // The song is 480 ticks long; the last run started at 120.
    host.position = 120;
    core().Play();
    // No stop report comes from the stand-in: end the run by hand.
    core().OnEngineNotification({kMainWindowId, ML_STOPPED, 1, 300});
    ASSERT_FALSE(core().IsPlaying());
    struct Case {
        int32_t command, from, to;
    };
    const Case cases[] = {
        {kCmdRewind, 300, 120},       // after the last start: back to it
        {kCmdRewind, 120, 0},         // at the last start: to the beginning
        {kCmdRewind, 60, 0},          // before it: to the beginning
        {kCmdFastForward, 60, 120},   // before the last start: to it
        {kCmdFastForward, 120, 480},  // from there on: to the end of the song
        {kCmdFastForward, 300, 480},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.command << " from " << c.from);
        host.position = c.from;
        EXPECT_TRUE(transport->OnCommand(c.command));
        EXPECT_EQ(host.position, c.to);
    }
}

TEST_F(TransportTest, AStopReportWithoutARunIsIgnored)
{
    host.position = 77;
    core().OnEngineNotification({kMainWindowId, ML_STOPPED, 5, 300});
    EXPECT_EQ(host.position, 77);
    EXPECT_TRUE(host.playingChanges.empty());
}

TEST_F(TransportTest, GoToAndTheJumpsMoveTheViews)
{
    songs.song.from = 96;
    songs.song.to = 384;
    EXPECT_TRUE(transport->OnCommand(kCmdGoTo));
    EXPECT_EQ(host.focused, 1);
    EXPECT_TRUE(transport->OnCommand(kCmdJumpFrom));
    EXPECT_EQ(host.position, 96);
    EXPECT_TRUE(transport->OnCommand(kCmdJumpTo));
    EXPECT_EQ(host.position, 384);
    core().Play();
    EXPECT_FALSE(transport->OnCommand(kCmdJumpFrom)) << "not while the engine is busy";
    EXPECT_EQ(host.position, 384);
}

TEST_F(TransportTest, TogglesFlipTheirSettings)
{
    struct Case {
        int32_t id;
        bool Settings::*flag;
    };
    const Case cases[] = {{kCmdAutoReset, &Settings::aReset},
                          {kCmdAutoRewind, &Settings::aRewind},
                          {kCmdQuickPlay, &Settings::fastPlay},
                          {kCmdPatchCache, &Settings::patchCache}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const bool before = settings.*c.flag;
        EXPECT_EQ(transport->IsChecked(c.id), before);
        EXPECT_TRUE(transport->OnCommand(c.id));
        EXPECT_EQ(settings.*c.flag, !before);
        EXPECT_EQ(transport->IsChecked(c.id), !before);
    }
}

TEST_F(TransportTest, PlayIsRefusedWhileStepRecording)
{
    host.stepRecording = true;
    core().Play();
    EXPECT_EQ(messages.numbers(), std::vector<int>{326});
    EXPECT_FALSE(core().IsPlaying());
    EXPECT_FALSE(transport->EngineBusy());
}

TEST_F(TransportTest, AnUnplayableTimebaseIsRefusedWith328)
{
    songs.song.timebase = 100;
    core().Play();
    ASSERT_EQ(messages.numbers(), std::vector<int>{328});
    EXPECT_NE(messages.shown()[0].text.find("Timebase of 100"), std::string::npos);
    EXPECT_FALSE(core().IsPlaying());
    EXPECT_FALSE(transport->EngineBusy());
}

}  // namespace
}  // namespace kv
