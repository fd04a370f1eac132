// End to end: the transport plays songs through the real engine into its
// capture port, driven by the wake-up loop the program has. The engine's
// clock runs in real time, so the songs last a few hundred milliseconds.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "files/tests/smfbuilder.h"
#include "transport/tests/transportfixture.h"

namespace kv {
namespace {

using Clock = std::chrono::steady_clock;

bool IsNoteOff(const std::string& m, const std::string& channelAndKey)
{
    // "8c kk vv" or "9c kk 00"; channelAndKey is "c kk" as in "0 3C".
    return m.size() == 8 && ((m[0] == '8' && m.substr(1, 4) == channelAndKey) ||
                             (m[0] == '9' && m.substr(1, 4) == channelAndKey && m.substr(6) == "00"));
}

// The automatic reset: five messages for each of the 16 channels.
std::vector<std::string> AutomaticReset()
{
    std::vector<std::string> out;
    const char hex[] = "0123456789ABCDEF";
    for (int c = 0; c < 16; ++c) {
        const std::string ch(1, hex[c]);
        for (const char* m : {"B 7B 00", "B 01 00", "B 79 00", "B 40 00", "E 00 40"})
            out.push_back(m[0] + ch + (m + 1));
    }
    return out;
}

class PlayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.config = test::CaptureConfig();
        settings.updateTimer = 20;
    }
    // Loads the song, binds the engine and connects as the program does.
    void Start(std::initializer_list<test::Body> tracks)
    {
        ASSERT_TRUE(songs.Read(test::Smf(120, tracks)));
        transport = std::make_unique<ProgramTransport>(messages, settings, songs.song, host);
        transport->SetWake(loop.Callback());
        ASSERT_TRUE(transport->Setup().Configure(settings));
        transport->ConnectAtStartUp();
        ASSERT_NE(lib().CaptureClear, nullptr);
        lib().CaptureClear();
    }
    const MidiLibrary& lib() { return *transport->Engine().Lib(); }
    // The program's event loop: wake-ups and idle refreshes until the run
    // has ended or ms have passed.
    bool RunFor(int ms, bool untilStopped = true)
    {
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        while (Clock::now() < end && (!untilStopped || transport->IsPlaying())) {
            loop.Wait(5);
            transport->OnWake();
        }
        return !transport->IsPlaying();
    }
    // Channel messages only: the clock port may carry real-time bytes.
    std::vector<std::string> Captured()
    {
        std::vector<std::string> out;
        for (const std::string& m : test::CapturedMessages(lib()))
            if (!m.empty() && m[0] != 'F')
                out.push_back(m);
        return out;
    }
    // What the capture port holds once it holds count messages, or after ms.
    std::vector<std::string> CapturedWithin(int ms, size_t count)
    {
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        std::vector<std::string> got = Captured();
        while (got.size() < count && Clock::now() < end) {
            RunFor(5, false);
            got = Captured();
        }
        return got;
    }
    static test::Body Conductor() { return test::Body().Meta(0, 0x51, {0x07, 0xA1, 0x20}).End(0); }

    test::VirtualBackends backends;
    FakeMessages messages;
    Settings settings;
    test::SongFixture songs;
    test::RecordingHost host;
    WakeLoop loop;
    std::unique_ptr<ProgramTransport> transport;
};

TEST_F(PlayTest, ASongPlaysIntoTheCapturePortMutedTrackSilentThenTheResetSequence)
{
    // 120 ticks per quarter at 120 beats per minute: 24 ticks are 100 ms.
    Start({Conductor(), test::Body().Note(0, 0, 60, 100, 24).Note(0, 0, 62, 90, 24).End(0),
           test::Body().Note(0, 1, 64, 80, 48).End(0)});
    songs.song.tracks[2].muteFlags = kMutedByCommand;
    ASSERT_TRUE(transport->OnCommand(kCmdPlay));
    ASSERT_TRUE(transport->IsPlaying());
    ASSERT_TRUE(RunFor(3000)) << "the run ends by itself";
    EXPECT_TRUE(messages.numbers().empty());

    const std::vector<std::string> got = Captured();
    ASSERT_GE(got.size(), 4u + 80u);
    EXPECT_EQ(got[0], "90 3C 64");
    EXPECT_TRUE(IsNoteOff(got[1], "0 3C")) << got[1];
    EXPECT_EQ(got[2], "90 3E 5A");
    EXPECT_TRUE(IsNoteOff(got[3], "0 3E")) << got[3];
    const std::vector<std::string> reset(got.end() - 80, got.end());
    EXPECT_EQ(reset, AutomaticReset());
    for (const std::string& m : got)
        EXPECT_EQ(m.find("91 40"), std::string::npos) << "the muted track sounded: " << m;

    EXPECT_EQ(host.playingChanges, (std::vector<bool>{true, false}));
    EXPECT_EQ(host.tempos.front(), 120);
    EXPECT_EQ(host.position, 0) << "Auto Rewind";
    EXPECT_EQ(host.playPositions.back(), -1);
    EXPECT_FALSE(transport->EngineBusy());
    EXPECT_TRUE(transport->Engine().Connected()) << "reconnected after the run";
}

TEST_F(PlayTest, AMutedTracksEventMarkStillMoves)
{
    // The muted track's second note starts 48 ticks (200 ms) in.
    Start({Conductor(), test::Body().Note(0, 1, 64, 80, 24).Note(24, 1, 65, 80, 24).End(48)});
    songs.song.tracks[1].muteFlags = kMutedBySolo;
    ASSERT_TRUE(transport->OnCommand(kCmdPlay));
    ASSERT_TRUE(RunFor(3000));
    int32_t furthest = -1;
    for (const auto& [track, index] : host.marks)
        if (track == 1)
            furthest = std::max(furthest, index);
    EXPECT_GT(furthest, 0);
    EXPECT_TRUE(host.marks.back() == std::make_pair(1, -1)) << "cleared at the end";
}

TEST_F(PlayTest, ChaseSendsTheProgramAndControllersBeforeTheStartOnlyWhenOn)
{
    for (bool chase : {true, false}) {
        SCOPED_TRACE(chase);
        settings.chase = chase;
        settings.aReset = false;
        host.position = 24;
        Start({Conductor(), test::Body()
                                .At(0, {0xC0, 0x05})
                                .At(0, {0xB0, 0x07, 0x64})
                                .Note(0, 0, 60, 100, 24)
                                .Note(0, 0, 62, 90, 24)
                                .End(0)});
        ASSERT_TRUE(transport->OnCommand(kCmdPlay));
        ASSERT_TRUE(RunFor(3000));
        const std::vector<std::string> got = Captured();
        const bool program = std::find(got.begin(), got.end(), "C0 05") != got.end();
        const bool volume = std::find(got.begin(), got.end(), "B0 07 64") != got.end();
        EXPECT_EQ(program, chase);
        EXPECT_EQ(volume, chase);
        EXPECT_NE(std::find(got.begin(), got.end(), "90 3E 5A"), got.end());
        transport.reset();
    }
}

TEST_F(PlayTest, WithoutAutoRewindTheViewsStayWhereTheRunStopped)
{
    settings.aRewind = false;
    Start({Conductor(), test::Body().Note(0, 0, 60, 100, 24).End(0)});
    ASSERT_TRUE(transport->OnCommand(kCmdPlay));
    ASSERT_TRUE(RunFor(3000));
    // Where the engine's clock stopped: on its grid of 5 ticks (a MIDI clock
    // at 120 ticks per quarter), at the song's end of 24 ticks or just before.
    EXPECT_GE(host.position, 20);
    EXPECT_LE(host.position, 25);
}

TEST_F(PlayTest, AutoRewindReturnsToTheStartPositionAndTheRunStartsThere)
{
    host.position = 24;
    Start({Conductor(), test::Body().Note(0, 0, 60, 100, 24).Note(0, 0, 62, 90, 24).End(0)});
    ASSERT_TRUE(transport->OnCommand(kCmdPlay));
    ASSERT_TRUE(RunFor(3000));
    EXPECT_EQ(host.position, 24);
    const std::vector<std::string> got = Captured();
    // The first note ends at the start tick, so only its note-off is sent.
    ASSERT_GE(got.size(), 2u);
    EXPECT_TRUE(IsNoteOff(got[0], "0 3C")) << got[0];
    EXPECT_EQ(got[1], "90 3E 5A");
    for (const std::string& m : got)
        EXPECT_NE(m, "90 3C 64") << "the note before the start is not played";
}

TEST_F(PlayTest, SpaceStartsAndStopsARunWithoutStuckNotes)
{
    settings.aReset = false;
    // One note of 480 ticks: two seconds.
    Start({Conductor(), test::Body().Note(0, 0, 60, 100, 480).End(0)});
    ASSERT_TRUE(transport->OnCommand(kCmdPlayStop));
    ASSERT_TRUE(transport->IsPlaying());
    RunFor(100, false);
    ASSERT_TRUE(transport->OnCommand(kCmdPlayStop));
    ASSERT_TRUE(RunFor(1000));
    const std::vector<std::string> got = Captured();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], "90 3C 64");
    EXPECT_TRUE(IsNoteOff(got[1], "0 3C")) << got[1];
    EXPECT_TRUE(messages.numbers().empty());
}

TEST_F(PlayTest, SpacePressedTwentyTimesASecondLeavesNoStuckNotes)
{
    settings.aReset = false;
    Start({Conductor(), test::Body().Note(0, 0, 60, 100, 12).Note(0, 0, 62, 100, 480).End(0)});
    for (int i = 0; i < 20; ++i) {
        transport->OnCommand(kCmdPlayStop);
        RunFor(50, false);
    }
    if (transport->IsPlaying())
        transport->OnCommand(kCmdStop);
    ASSERT_TRUE(RunFor(1000));
    EXPECT_TRUE(messages.numbers().empty());
    EXPECT_FALSE(transport->EngineBusy());
    // Every key that was struck was released again.
    int held[128] = {};
    for (const std::string& m : Captured()) {
        const int key = std::stoi(m.substr(3, 2), nullptr, 16);
        if (m.rfind("90", 0) == 0 && m.substr(6) != "00")
            ++held[key];
        else if (m[0] == '8' || m.rfind("90", 0) == 0)
            held[key] = 0;
    }
    for (int key = 0; key < 128; ++key)
        EXPECT_EQ(held[key], 0) << key;
}

TEST_F(PlayTest, AHeadlessRunStopsWhenAskedTo)
{
    settings.aReset = false;
    Start({Conductor(), test::Body().Note(0, 0, 60, 100, 480).End(0)});
    ASSERT_TRUE(transport->OnCommand(kCmdPlay));
    const auto start = Clock::now();
    EXPECT_TRUE(RunUntilStopped(*transport, loop, 2000,
                                [&] { return Clock::now() - start > std::chrono::milliseconds(100); }));
    const std::vector<std::string> got = Captured();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_TRUE(IsNoteOff(got[1], "0 3C")) << got[1];
}

TEST_F(PlayTest, RewindWhilePlayingStopsThenReturnsToTheLastStart)
{
    settings.aRewind = false;
    host.position = 12;
    Start({Conductor(), test::Body().Note(0, 0, 60, 100, 480).End(0)});
    ASSERT_TRUE(transport->OnCommand(kCmdPlay));
    RunFor(100, false);
    ASSERT_TRUE(transport->OnCommand(kCmdRewind));
    ASSERT_TRUE(RunFor(1000));
    EXPECT_EQ(host.position, 12);
}

TEST_F(PlayTest, MutingWhilePlayingSilencesTheHeldNoteAtOnce)
{
    settings.aReset = false;
    Start({Conductor(), test::Body().Note(0, 0, 60, 100, 480).End(0)});
    ASSERT_TRUE(transport->OnCommand(kCmdPlay));
    RunFor(60, false);
    songs.song.tracks[1].muteFlags = kMutedByCommand;
    transport->MuteSoloChanged();
    // The engine's timer sends the note-off on its next turn.
    const std::vector<std::string> got = CapturedWithin(200, 2);
    transport->OnCommand(kCmdStop);
    RunFor(1000);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_TRUE(IsNoteOff(got[1], "0 3C")) << got[1];
}

TEST_F(PlayTest, ATrackDeletedWhilePlayingFallsSilent)
{
    settings.aReset = false;
    Start({Conductor(), test::Body().Note(0, 0, 60, 100, 480).End(0)});
    ASSERT_TRUE(transport->OnCommand(kCmdPlay));
    RunFor(60, false);
    const int32_t fileNumber = songs.song.tracks[1].fileNumber;
    transport->RefreshPlaying({fileNumber});
    const std::vector<std::string> got = CapturedWithin(200, 2);
    transport->OnCommand(kCmdStop);
    RunFor(1000);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_TRUE(IsNoteOff(got[1], "0 3C")) << got[1];
}

TEST_F(PlayTest, TheStatusBarTimeFollowsTheClock)
{
    Start({Conductor(), test::Body().Note(0, 0, 60, 100, 72).End(0)});
    ASSERT_TRUE(transport->OnCommand(kCmdPlay));
    ASSERT_TRUE(RunFor(3000));
    // "0:00:00.000" at the start, then clock times from the position ticks.
    ASSERT_GE(host.statusTimes.size(), 3u);
    EXPECT_EQ(host.statusTimes.front(), kZeroClockText);
    bool moved = false;
    for (const std::string& t : host.statusTimes)
        moved |= t.rfind("0:00:00.", 0) == 0 && t != kZeroClockText;
    EXPECT_TRUE(moved);
}

}  // namespace
}  // namespace kv
