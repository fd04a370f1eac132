#include <cstring>
#include <string>

#include "engine/tests/playbackfixture.h"

namespace kv::engine::testing {
namespace {

using TrackPrepTest = PlaybackTest;
using LiveTrackTest = PlaybackTest;

std::vector<uint32_t> Messages(const std::vector<PlaybackTest::Sent>& sent)
{
    std::vector<uint32_t> out;
    for (const auto& s : sent)
        out.push_back(s.message);
    return out;
}

TEST_F(TrackPrepTest, ChaseSendsTheStateBeforeTheStart)
{
    ASSERT_EQ(MidiLibTrackCommand(7, 0, 300), 1);
    auto track = TrackBuilder()
                     .Raw(0, {0xB0, 7, 10})
                     .Raw(0, {0xC0, 5})
                     .Raw(0, {0x90, 60, 100})  // notes are not chased
                     .Raw(100, {0xB0, 7, 20})
                     .Raw(0, {0xB0, 6, 1})  // data entry: not chased, sent at once
                     .Raw(0, {0xE0, 0, 70})
                     .Raw(0, {0xF0, 3, 0x7E, 0x01, 0xF7})
                     .Raw(100, {0xB0, 7, 30})
                     .Raw(0, {0xC0, 9})
                     .Raw(0, {0x80, 60, 0})
                     .Raw(100, {0x90, 62, 90})  // exactly at the start: played
                     .End(10);
    MidiLibCaptureClear();
    Add({track});
    auto chased = Captured();
    // Song Position Pointer 300 x 4 / 96 = 12; in reading order what is
    // sent at once (CC 6, the system exclusive), then the cache: one message
    // per status and controller, the last value.
    const std::vector<uint32_t> expected = {Msg(0xF2, 12, 0), Msg(0xB0, 6, 1), 0x017EF0u,
                                            Msg(0xB0, 7, 30), Msg(0xC0, 9),    Msg(0xE0, 0, 70)};
    EXPECT_EQ(Messages(chased), expected);
    Go();
    RunTo(1000);
    auto played = Captured();
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].message, Msg(0x90, 62, 90));
    EXPECT_EQ(played[0].us, 0);
}

TEST_F(TrackPrepTest, ChaseOffSendsNothingAndLoopsSkipWholePasses)
{
    ASSERT_EQ(MidiLibSetFlag(kFlagChase, 0), 1);
    ASSERT_EQ(MidiLibSetFlag(kFlagSendSongPosition, 0), 1);
    ASSERT_EQ(MidiLibTrackCommand(7, 0, 2000), 1);
    // Loop count 3, 960 ticks long, start offset 480: passes at 480, 1440
    // and 2400; the first is skipped whole, the second is chased to 2000 so
    // its note at 1440 + 600 = 2040 is the first one played, 40 ticks in.
    auto track = TrackBuilder().Adjust(0, 0, 3, 480).Raw(0, {0xB0, 7, 1}).Raw(600, {0x90, 60, 1}).End(360);
    MidiLibCaptureClear();
    Add({track});
    EXPECT_TRUE(Captured().empty());
    Go();
    RunTo(20000);
    auto played = Captured();
    ASSERT_EQ(played.size(), 3u);  // note of pass 2, controller and note of pass 3
    EXPECT_EQ(played[0].us, Player::Get().TicksToUs(40));
    EXPECT_EQ(played[1].message, Msg(0xB0, 7, 1));
    EXPECT_EQ(played[1].us, Player::Get().TicksToUs(400));
    auto looped = Of(ML_TRACK_LOOPED);
    ASSERT_EQ(looped.size(), 1u);
    EXPECT_EQ(looped[0].wParam, 1);
    EXPECT_EQ(looped[0].lParam, 0);  // no pass after the one starting now
}

TEST_F(TrackPrepTest, AdjustmentsAndCommandsTransformWhatIsSent)
{
    // Own record: transpose +2, velocity +20.
    auto track = TrackBuilder()
                     .Adjust(2, 20, 1, 0)
                     .Raw(0, {0x90, 60, 100})
                     .Raw(0, {0x90, 126, 120})
                     .Raw(0, {0xB0, 1, 5})
                     .Raw(0, {0xB0, 2, 5})
                     .End(10);
    Add({track});
    ASSERT_EQ(MidiLibTrackCommand(38, 1, 3), 1);  // channel 4
    ASSERT_EQ(MidiLibTrackCommand(51, 3, 1), 1);  // channel 4 transposed +1
    ASSERT_EQ(MidiLibTrackCommand(54, 1, 2), 1);  // controller 2 does not play
    Go();
    RunTo(1000);
    const std::vector<uint32_t> expected = {Msg(0x93, 63, 120), Msg(0x93, 127, 127), Msg(0xB3, 1, 5)};
    EXPECT_EQ(Messages(Captured()), expected);
}

TEST_F(TrackPrepTest, CommandArgumentsAreChecked)
{
    Add({TrackBuilder().Raw(0, {0x90, 60, 1}).End(960)});
    struct Case {
        int32_t command, track, value, result, error;
    };
    const Case cases[] = {
        {38, 1, 0xFF, 1, 0},
        {38, 1, 0x10, 0, kErrInvalidRequest},
        {40, 1, 0, 0, kErrInvalidRequest},
        {40, 1, 1001, 0, kErrInvalidRequest},
        {40, 1, 1000, 1, 0},
        {47, 99, 0, 1, 0},
        {37, 99, 0, 0, kErrInvalidRequest},
        {51, 16, 0, 0, kErrInvalidRequest},
        {50, 1, 959, 0, kErrInvalidRequest},
        {50, 1, 1200, 1, 0},
        {36, 1, -1, 0, kErrInvalidRequest},
        {43, 1, 10, 0, kErrBusy},
        {49, 1, 0, 0, kErrBusy},
        {99, 1, 0, 0, kErrInvalidRequest},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        TakeError();
        EXPECT_EQ(MidiLibTrackCommand(c.command, c.track, c.value), c.result);
        EXPECT_EQ(TakeError(), c.error);
    }
}

TEST_F(TrackPrepTest, HostileTrackDataEndsTheTrackWithoutReadingPastIt)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> data;
        size_t played;
        int32_t error;
    };
    const Case cases[] = {
        {"truncated delta", {0x00, 0x90, 60, 1, 0x81}, 1, 0},
        {"length past the end", {0x00, 0x90, 60, 1, 0x00, 0xFF, 0x01, 0x20, 'a'}, 1, 0},
        {"sysex length past the end", {0x00, 0xF0, 0x85, 0x00, 0x01}, 0, 0},
        {"data byte without status", {0x00, 0x3C, 0x40}, 0, kErrIllegalData},
        {"meta length 0xFFFFFFF", {0x00, 0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0x7F, 0x00}, 0, 0},
        // 35 bits of delta: due in about two years of song time at 120 bpm.
        {"five-byte delta", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x90, 60, 1}, 0, 0},
        {"system status as running status", {0x00, 0xF4, 0x01, 0x02}, 0, kErrIllegalData},
        {"meta without type", {0x00, 0xFF}, 0, 0},
    };
    ASSERT_EQ(MidiLibSetOption(kOptClockOff, 0), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TakeError();
        Add({c.data});
        Go();
        RunTo(600000);  // ten minutes of simulated time
        if (engine.Run().Running()) {
            ASSERT_EQ(MidiLibStop(), 1);
            clock.Advance(0);
        }
        EXPECT_EQ(Captured().size(), c.played);
        EXPECT_EQ(PeekError(), c.error);
        EXPECT_EQ(Of(ML_STOPPED).size(), 1u);
        ASSERT_EQ(MidiLibReleaseTracks(), 1);
    }
}

TEST_F(LiveTrackTest, MuteSilencesHeldNotesAndLaterEvents)
{
    auto track =
        TrackBuilder().Raw(0, {0x90, 60, 100}).Raw(0, {0xB0, 64, 127}).Raw(480, {0x90, 62, 1}).End(480);
    Add({track});
    Go();
    RunTo(100);
    ASSERT_EQ(MidiLibCountHeldNotes(1), 2);  // the note and the pedal
    ASSERT_EQ(MidiLibTrackCommand(14, 1, 0xFF), 1);
    clock.Advance(0);
    EXPECT_EQ(MidiLibCountHeldNotes(1), 0);
    RunTo(10000);
    const std::vector<uint32_t> expected = {Msg(0x90, 60, 100), Msg(0xB0, 64, 127), Msg(0x90, 60, 0),
                                            Msg(0xB0, 64, 0)};
    EXPECT_EQ(Messages(Captured()), expected);
}

TEST_F(LiveTrackTest, ScheduledFilterChangesMuteAndUnmuteAtTheirTicks)
{
    auto b = TrackBuilder();
    for (int i = 0; i < 12; ++i)
        b.Raw(100, {0xB0, 1, static_cast<uint8_t>(i)});  // value i at tick 100 (i + 1)
    Add({b.End(0)});
    Go();
    ASSERT_EQ(MidiLibSetOption(kOptFilterLow, 0xFF), 1);
    ASSERT_EQ(MidiLibTrackCommand(43, 1, 500), 1);
    ASSERT_EQ(MidiLibSetOption(kOptFilterLow, 0), 1);
    ASSERT_EQ(MidiLibTrackCommand(43, 1, 900), 1);
    EXPECT_EQ(MidiLibTrackCommand(43, 1, 1000), 0);  // both slots used
    EXPECT_EQ(TakeError(), kErrInvalidRequest);
    RunTo(20000);
    std::vector<int> values;
    for (const Sent& s : Captured())
        values.push_back((s.message >> 16) & 0x7F);
    // Silent from the event at 500 up to the one before 900.
    const std::vector<int> expected = {0, 1, 2, 3, 8, 9, 10, 11};
    EXPECT_EQ(values, expected);
}

TEST_F(LiveTrackTest, ReplacementKeepsTheOldNoteOffAtItsTick)
{
    auto old = TrackBuilder().Raw(0, {0x90, 60, 100}).Raw(960, {0x90, 60, 0}).End(0);
    auto fresh = TrackBuilder().Raw(480, {0x90, 64, 100}).Raw(960, {0x90, 64, 0}).End(0);
    Add({old});
    Go();
    RunTo(100);
    ASSERT_NE(MidiLibReplaceTrack(fresh.data(), static_cast<uint32_t>(fresh.size()), 1), 0u);
    EXPECT_EQ(MidiLibReplaceTrack(fresh.data(), static_cast<uint32_t>(fresh.size()), 1), 0u);
    EXPECT_EQ(TakeError(), kErrTooManyTimers);  // 16: one still pending
    clock.Advance(0);
    RunTo(20000);
    auto sent = Captured();
    ASSERT_EQ(sent.size(), 4u);
    auto at = [&](int64_t tick) { return Player::Get().TicksToUs(tick); };
    EXPECT_EQ(sent[1].message, Msg(0x90, 64, 100));
    EXPECT_EQ(sent[1].us, at(480));
    EXPECT_EQ(sent[2].message, Msg(0x90, 60, 0));
    EXPECT_EQ(sent[2].us, at(960));
    EXPECT_EQ(sent[3].us, at(1440));
    TakeAll();  // the old data is freed on this thread
    ASSERT_EQ(MidiLibReleaseTracks(), 1);
}

TEST_F(LiveTrackTest, TempoScaleWhilePlayingTakesEffectAtTheNextEvent)
{
    Add({TrackBuilder().Raw(96, {0x90, 60, 1}).Raw(96, {0x90, 61, 1}).Raw(96, {0x90, 62, 1}).End(0)});
    Go();
    RunTo(600);  // the first note at 500 ms
    ASSERT_EQ(MidiLibSetOption(kOptTempoScale, 2000), 1);
    RunTo(5000);
    auto sent = Captured();
    ASSERT_EQ(sent.size(), 3u);
    // The second note still at 1000 ms (its time was due before the scale
    // was picked up at it), the third a half quarter later.
    EXPECT_EQ(sent[1].us, 1000000);
    EXPECT_EQ(sent[2].us, 1250000);
    auto tempos = Of(ML_TEMPO);
    ASSERT_EQ(tempos.size(), 2u);
    EXPECT_EQ(tempos[1].wParam, 2000);
    EXPECT_EQ(tempos[1].lParam, 120);
}

TEST_F(LiveTrackTest, StopEndsTheRunAndReportsPlayedEvents)
{
    ASSERT_EQ(MidiLibSetOption(kOptSendRealTimeOn, 0), 1);
    Add({TrackBuilder().Raw(0, {0x90, 60, 100}).Raw(96, {0x90, 62, 100}).End(9600)});
    Go();
    ASSERT_EQ(MidiLibSetPositionTimer(100), 1);
    RunTo(700);
    EXPECT_EQ(MidiLibGetTrackEventIndex(1), 1);
    ASSERT_EQ(MidiLibStop(), 1);
    clock.Advance(0);
    EXPECT_EQ(MidiLibGetTrackEventIndex(1), -1);  // stopped
    auto all = TakeAll();
    std::vector<MidiLibMessage> played, stopped;
    int ticks = 0;
    for (const auto& m : all) {
        if (m.message == ML_EVENT_PLAYED)
            played.push_back(m);
        if (m.message == ML_STOPPED)
            stopped.push_back(m);
        ticks += m.message == ML_POSITION_TICK;
    }
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[1].wParam, 1);
    EXPECT_EQ(static_cast<uint32_t>(played[1].lParam), 0x01643E90u);  // track id 1 in the top byte
    ASSERT_EQ(stopped.size(), 1u);
    EXPECT_EQ(stopped[0].wParam, 1);
    EXPECT_EQ(ticks, 7);  // 100, 200, ... 700 ms
    EXPECT_EQ(Captured().back().message, 0xFCu);
    EXPECT_EQ(MidiLibCountHeldNotes(1), 2);
    MidiLibCaptureClear();
    ASSERT_EQ(MidiLibReleaseTracks(), 1);
    EXPECT_EQ(Messages(Captured()), (std::vector<uint32_t>{Msg(0x90, 60, 0), Msg(0x90, 62, 0)}));
}

}  // namespace
}  // namespace kv::engine::testing

namespace kv::engine::testing {
namespace {

using LiveTrackNotifyTest = PlaybackTest;

TEST_F(LiveTrackNotifyTest, SoloEventsAndReachedOwnRecords)
{
    ASSERT_EQ(MidiLibSetFlag(kFlagMetaNotify, 1), 1);
    auto track = TrackBuilder()
                     .Raw(10, {0xFF, 0x7F, 0x05, 0x00, 0x00, 0x5B, 0x01, 0x41})
                     .Raw(10, {0x90, 60, 9})
                     .End(0);
    Add({track});
    ASSERT_EQ(MidiLibTrackCommand(47, 1, 0), 1);
    Go();
    RunTo(1000);
    auto all = TakeAll();
    bool meta = false, solo = false;
    for (const MidiLibMessage& m : all) {
        if (m.message == ML_META_REACHED) {
            meta = true;
            EXPECT_EQ(m.lParam, 4);  // the record's data start after 0A FF 7F 05
        }
        if (m.message == ML_SOLO_EVENT) {
            solo = true;
            EXPECT_EQ(m.wParam, 1);  // the note: index 0 is the counted own record
        }
    }
    EXPECT_TRUE(meta);
    EXPECT_TRUE(solo);
}

TEST_F(LiveTrackNotifyTest, ContinuationBlocksFollowEachOtherAndAreHandedBack)
{
    auto own = TrackBuilder().Raw(0, {0x90, 60, 1}).End(96);
    auto a = TrackBuilder().Raw(0, {0x90, 62, 1}).End(96);
    auto b = TrackBuilder().Raw(0, {0x90, 64, 1}).End(96);
    auto block = [](const std::vector<uint8_t>& data) {
        uint32_t h = MidiLibAllocBlock(static_cast<uint32_t>(data.size()));
        memcpy(MidiLibLockBlock(h), data.data(), data.size());
        MidiLibUnlockBlock(h);
        return h;
    };
    uint32_t ha = block(a), hb = block(b);
    Add({own});
    ASSERT_EQ(MidiLibTrackCommand(40, 1, 3), 1);
    ASSERT_EQ(MidiLibQueueBuffer(ha, 65533, 1), 1);
    Go();
    RunTo(600);  // the first pass ends at 500 ms and the track moves on to A
    EXPECT_EQ(MidiLibQueueBuffer(hb, 65533, 1), 0);
    EXPECT_EQ(TakeError(), kErrAlreadyRecording);  // A is taken, not yet released
    TakeAll();                                     // releases the engine's own first block
    ASSERT_EQ(MidiLibQueueBuffer(hb, 65533, 1), 1);
    RunTo(3000);
    auto buffers = Of(ML_RECORD_BUFFER);
    ASSERT_EQ(buffers.size(), 1u);
    EXPECT_EQ(static_cast<uint32_t>(buffers[0].wParam), ha);
    EXPECT_EQ(buffers[0].lParam, -1);
    const std::vector<Sent> sent = Captured();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[1].message, Msg(0x90, 62, 1));
    EXPECT_EQ(sent[1].us, 500000);
    EXPECT_EQ(sent[2].message, Msg(0x90, 64, 1));
    EXPECT_EQ(sent[2].us, 1000000);
    ASSERT_EQ(MidiLibReleaseTracks(), 1);
    MidiLibFreeBlock(ha);
    MidiLibFreeBlock(hb);
}

}  // namespace
}  // namespace kv::engine::testing

namespace kv::engine::testing {
namespace {

std::string g_mediaCommand;

TEST_F(LiveTrackNotifyTest, MediaControlCommandsReachTheWindowThreadAsText)
{
    engine.SetWorkHandler(5, [](intptr_t p) { g_mediaCommand = reinterpret_cast<const char*>(p); });
    auto track = TrackBuilder().Meta(10, 0x7F, {0, 0, 0x5B, 0x00, 'p', 'l', 'a', 'y', ' ', 'a'}).End(0);
    Add({track});
    Go();
    RunTo(1000);
    g_mediaCommand.clear();
    TakeAll();
    EXPECT_EQ(g_mediaCommand, "play a");
}

// An output that refuses (not ready) a given number of sends first.
class BusyOut final : public MidiOut {
public:
    explicit BusyOut(const Clock& clock) : m_clock(clock) {}
    bool Send(const uint8_t* bytes, size_t) override
    {
        if (refusals > 0) {
            --refusals;
            return false;
        }
        sent.push_back({m_clock.NowUs(), bytes[1]});
        return true;
    }
    int refusals = 0;
    std::vector<std::pair<int64_t, uint8_t>> sent;  // time, first data byte

private:
    const Clock& m_clock;
};

class BusyBackend final : public Backend {
public:
    explicit BusyBackend(const Clock& clock) : m_clock(clock) {}
    const char* Name() const override { return "busy"; }
    void Refresh() override {}
    int OutputCount() const override { return 1; }
    int InputCount() const override { return 0; }
    const char* OutputName(int) const override { return "Busy Synth"; }
    const char* InputName(int) const override { return ""; }
    MidiOut* OpenOutput(int, OpenResult* result) override
    {
        *result = OpenResult::Ok;
        out = new BusyOut(m_clock);
        return out;
    }
    MidiIn* OpenInput(int, InputCallback, void*, OpenResult* result) override
    {
        *result = OpenResult::NoDevice;
        return nullptr;
    }
    BusyOut* out = nullptr;

private:
    const Clock& m_clock;
};

class BusyDeviceTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        engine.UseClock(&clock);
        auto b = std::make_unique<BusyBackend>(engine.Now());
        backend = b.get();
        std::vector<std::unique_ptr<Backend>> list;
        list.push_back(std::move(b));
        engine.SetBackends(std::move(list));
        ConfigureAndConnect(("D0," + KeyText("Busy Synth")).c_str());
        ASSERT_EQ(MidiLibSetOption(kOptSendClockOff, 0), 1);
        ASSERT_EQ(MidiLibSetOption(kOptSendRealTimeOff, 0), 1);
        ASSERT_EQ(MidiLibSetFlag(kFlagSendSongPosition, 0), 1);
        ASSERT_EQ(MidiLibSetTimebase(96), 1);
    }
    SimClock clock;
    BusyBackend* backend = nullptr;
};

TEST_F(BusyDeviceTest, ABusyDeviceIsRetriedEveryMillisecondAndKeepsTheOrder)
{
    auto track = TrackBuilder().Raw(96, {0x90, 1, 1}).Raw(0, {0x90, 2, 1}).Raw(96, {0x90, 3, 1}).End(0);
    ASSERT_EQ(MidiLibAllocTracks(1), 1);
    ASSERT_NE(MidiLibAddTrack(track.data(), static_cast<uint32_t>(track.size()), 1), 0u);
    ASSERT_NE(backend->out, nullptr);
    int64_t start = clock.NowUs();
    ASSERT_EQ(MidiLibGo(), 1);
    clock.Advance(0);
    backend->out->refusals = 5;
    clock.Advance(2000000);
    const auto& sent = backend->out->sent;
    ASSERT_EQ(sent.size(), 3u);
    // The first note is due at 500 ms and refused five times, once a
    // millisecond; the second waits behind it; the third is on time.
    EXPECT_EQ(sent[0], std::make_pair(start + 505000, uint8_t{1}));
    EXPECT_EQ(sent[1], std::make_pair(start + 505000, uint8_t{2}));
    EXPECT_EQ(sent[2], std::make_pair(start + 1000000, uint8_t{3}));
}

TEST_F(BusyDeviceTest, ADeviceThatNeverTakesAMessageCannotStallTheRun)
{
    auto track = TrackBuilder().Raw(96, {0x90, 1, 1}).Raw(96, {0x90, 2, 1}).End(0);
    ASSERT_EQ(MidiLibAllocTracks(1), 1);
    ASSERT_NE(MidiLibAddTrack(track.data(), static_cast<uint32_t>(track.size()), 1), 0u);
    ASSERT_EQ(MidiLibGo(), 1);
    clock.Advance(0);
    backend->out->refusals = 1000000;
    clock.Advance(5000000);
    // Each message is dropped after a tenth of a second of refusals.
    EXPECT_FALSE(engine.Run().Running());
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrRetry);
}

}  // namespace
}  // namespace kv::engine::testing
