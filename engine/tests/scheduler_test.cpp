#include <chrono>
#include <thread>

#include "engine/tests/playbackfixture.h"

namespace kv::engine::testing {
namespace {

using SchedulerTest = PlaybackTest;

TEST_F(SchedulerTest, EventsPlayAtTheirExactTimesInTrackOrder)
{
    struct Case {
        uint32_t tempo;
        int32_t scale;
        uint32_t tick;
        int64_t us;
    };
    // Timebase 96: one tick lasts tempo / 96 us at scale 1000.
    const Case cases[] = {
        {500000, 1000, 96, 500000},    // a quarter at 120 bpm
        {500000, 1000, 1, 5208},       // 500000 / 96 = 5208.33, rounded
        {500000, 2000, 96, 250000},    // double speed
        {500000, 250, 96, 2000000},    // quarter speed
        {171249, 1000, 960, 1712490},  // the fastest tempo accepted
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tick);
        ASSERT_EQ(MidiLibSetTempo(c.tempo), 1);
        ASSERT_EQ(MidiLibSetOption(kOptTempoScale, c.scale), 1);
        auto a = TrackBuilder().Raw(c.tick, {0x90, 60, 100}).End(10);
        auto b = TrackBuilder().Raw(c.tick, {0x91, 61, 100}).End(10);
        Add({a, b});
        Go();
        RunTo(5000);
        auto sent = Captured();
        ASSERT_EQ(sent.size(), 2u);
        EXPECT_EQ(sent[0].us, c.us);
        EXPECT_EQ(sent[0].message, Msg(0x90, 60, 100));
        EXPECT_EQ(sent[1].us, c.us);
        EXPECT_EQ(sent[1].message, Msg(0x91, 61, 100));
        auto stopped = Of(ML_STOPPED);
        ASSERT_EQ(stopped.size(), 1u);
        EXPECT_EQ(stopped[0].wParam, 1);
        ASSERT_EQ(MidiLibReleaseTracks(), 1);
    }
}

TEST_F(SchedulerTest, PeriodFollowsTheFastestTempoOfTheFirstTrack)
{
    // No tempo event: 100 bpm; 60000 / (100 x 120) = 5 ms.
    ASSERT_EQ(MidiLibSetTimebase(120), 1);
    Add({TrackBuilder().End(0)});
    EXPECT_EQ(Player::Get().PeriodMs(), 5);
    ASSERT_EQ(MidiLibReleaseTracks(), 1);
    // 50 bpm at timebase 48: 60000 / 2400 = 25 ms, the faster 100 bpm later
    // in the song gives 12.
    ASSERT_EQ(MidiLibSetTimebase(48), 1);
    Add({TrackBuilder().Tempo(0, 1200000).Tempo(10, 600000).End(0)});
    EXPECT_EQ(Player::Get().PeriodMs(), 12);
}

TEST_F(SchedulerTest, CountInClocksEveryQuarterAndDelaysTheFirstEvent)
{
    // One 4/4 measure plus one clock at timebase 96: 384 + 4 ticks.
    ASSERT_EQ(MidiLibSetMetronome(388, 0), 1);
    Add({TrackBuilder().Raw(0, {0x90, 60, 100}).End(96)});
    Go();
    RunTo(5000);
    std::vector<int32_t> clocks;
    for (const MidiLibMessage& m : Of(ML_CLOCK))
        clocks.push_back(m.lParam);
    const std::vector<int32_t> expected = {-384, -288, -192, -96, 0, 96};
    EXPECT_EQ(clocks, expected);
    auto sent = Captured();
    ASSERT_FALSE(sent.empty());
    // 388 ticks x 500000 / 96 us = 2020833.3
    EXPECT_EQ(sent[0].us, 2020833);
    EXPECT_EQ(MidiLibGetValue(kValClockTicks), 96);
}

TEST_F(SchedulerTest, StartAtZeroSendsStartAndLaterStartsSendContinue)
{
    ASSERT_EQ(MidiLibSetOption(kOptSendRealTimeOn, 0), 1);
    ASSERT_EQ(MidiLibSetOption(kOptSendClockOn, 0), 1);
    Add({TrackBuilder().Raw(0, {0x90, 60, 100}).End(8)});
    Go();
    RunTo(1000);
    auto sent = Captured();
    ASSERT_GE(sent.size(), 4u);
    // Start, then the clock of tick 0, then the note, all at time 0; the
    // second clock 4 ticks later; Stop at the end.
    EXPECT_EQ(sent[0].message, 0xFAu);
    EXPECT_EQ(sent[1].message, 0xF8u);
    EXPECT_EQ(sent[2].message, Msg(0x90, 60, 100));
    EXPECT_EQ(sent[2].us, 0);
    EXPECT_EQ(sent[3].message, 0xF8u);
    EXPECT_EQ(sent[3].us, 20833);  // 4 x 5208.3
    EXPECT_EQ(sent.back().message, 0xFCu);
    ASSERT_EQ(MidiLibReleaseTracks(), 1);

    ASSERT_EQ(MidiLibTrackCommand(7, 0, 480), 1);
    Add({TrackBuilder().Raw(480, {0x90, 60, 100}).End(8)});
    Go();
    RunTo(1000);
    sent = Captured();
    ASSERT_GE(sent.size(), 2u);
    // Song Position Pointer 480 x 4 / 96 = 20 sixteenths when the first
    // track was added; then Continue.
    EXPECT_EQ(sent[0].message, 0xFBu);
}

TEST_F(SchedulerTest, MetronomeModeTwoAccentsTheFirstBeatOfEachThreeFourMeasure)
{
    ASSERT_EQ(MidiLibSetMetronome(0, 2), 1);
    // 3/4 with 24 clocks per click: beat 96 ticks, measure 3 x 96 = 288.
    Add({TrackBuilder().TimeSig(0, 3, 2, 24).End(600)});
    Go();
    RunTo(3200);  // 600 ticks = 3125 ms
    std::vector<std::pair<int64_t, uint32_t>> clicks;
    for (const Sent& s : Captured())
        clicks.push_back({s.us, s.message});
    auto at = [&](int64_t tick) { return Player::Get().TicksToUs(tick); };
    // Default clicks: accent channel 10 note 36, normal note 56, velocity
    // 64; each note-off timebase / 12 = 8 ticks later.
    const std::vector<std::pair<int64_t, uint32_t>> expected = {
        {at(0), Msg(0x99, 36, 64)},   {at(8), Msg(0x99, 36, 0)},    {at(96), Msg(0x99, 56, 64)},
        {at(104), Msg(0x99, 56, 0)},  {at(192), Msg(0x99, 56, 64)}, {at(200), Msg(0x99, 56, 0)},
        {at(288), Msg(0x99, 36, 64)}, {at(296), Msg(0x99, 36, 0)},  {at(384), Msg(0x99, 56, 64)},
        {at(392), Msg(0x99, 56, 0)},  {at(480), Msg(0x99, 56, 64)}, {at(488), Msg(0x99, 56, 0)},
        {at(576), Msg(0x99, 36, 64)}, {at(584), Msg(0x99, 36, 0)},
    };
    EXPECT_EQ(clicks, expected);
}

TEST_F(SchedulerTest, TempoChangeReanchorsAtItsTick)
{
    auto conductor = TrackBuilder().Tempo(480, 250000).Raw(480, {0x90, 60, 1}).End(0);
    Add({conductor});
    Go();
    RunTo(5000);
    auto sent = Captured();
    ASSERT_EQ(sent.size(), 1u);
    // 480 ticks at 500000 / 96 (2.5 s) then 480 at 250000 / 96 (1.25 s).
    EXPECT_EQ(sent[0].us, 3750000);
    auto tempos = Of(ML_TEMPO);
    ASSERT_EQ(tempos.size(), 2u);
    EXPECT_EQ(tempos[0].wParam, 1000);  // at the start: scale, 120 bpm
    EXPECT_EQ(tempos[0].lParam, 120);
    EXPECT_EQ(tempos[1].lParam, 240);
    EXPECT_EQ(MidiLibGetTempo(), 250000u);
}

}  // namespace
}  // namespace kv::engine::testing

namespace kv::engine::testing {
namespace {

using RealTimePlaybackTest = EngineTest;

TEST_F(RealTimePlaybackTest, PlaysIntoTheCapturePortInOrderAndRoughlyOnTime)
{
    MidiLibCaptureClear();
    ConfigureAndConnect(("D0," + capture).c_str());
    ASSERT_EQ(MidiLibSetOption(kOptSendClockOff, 0), 1);
    ASSERT_EQ(MidiLibSetOption(kOptSendRealTimeOff, 0), 1);
    ASSERT_EQ(MidiLibSetFlag(kFlagSendSongPosition, 0), 1);
    ASSERT_EQ(MidiLibSetTimebase(96), 1);
    TrackBuilder b;
    for (int i = 0; i < 10; ++i)
        b.Raw(i == 0 ? 0 : 2, {0x90, static_cast<uint8_t>(60 + i), 100});  // every 2 ticks: 10.4 ms
    auto track = b.End(2);
    ASSERT_EQ(MidiLibAllocTracks(1), 1);
    ASSERT_NE(MidiLibAddTrack(track.data(), static_cast<uint32_t>(track.size()), 1), 0u);
    ASSERT_EQ(MidiLibGo(), 1);
    bool stopped = false;
    for (int wait = 0; wait < 500 && !stopped; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        for (const MidiLibMessage& m : TakeAll())
            stopped |= m.message == ML_STOPPED;
    }
    ASSERT_TRUE(stopped);
    ASSERT_EQ(MidiLibCaptureCount(), 10u);
    MidiLibCaptureRecord first, r;
    ASSERT_EQ(MidiLibCaptureRead(0, &first), 1);
    for (uint32_t i = 0; i < 10; ++i) {
        ASSERT_EQ(MidiLibCaptureRead(i, &r), 1);
        EXPECT_EQ(r.bytes[1], 60 + i);
        // 2 ticks x 500000 / 96 us each; loose bounds, this only shows that
        // the timer thread paces the run.
        int64_t ideal = static_cast<int64_t>(i) * 10417;
        EXPECT_GE(r.timeUs - first.timeUs, ideal - 2000);
        EXPECT_LE(r.timeUs - first.timeUs, ideal + 50000);
    }
    ASSERT_EQ(MidiLibReleaseTracks(), 1);
}

}  // namespace
}  // namespace kv::engine::testing
