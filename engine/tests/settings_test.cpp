#include <gtest/gtest.h>

#include "engine/tests/enginefixture.h"

namespace kv::engine::testing {
namespace {

class EngineSettingsTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        // Two output ports, so port values 0 and 1 are valid and 2 is not.
        ConfigureAndConnect(("D0," + loopOut + "," + capture).c_str());
    }
    void SetRunning(bool running) { engine.Run().stopped.store(!running, std::memory_order_release); }
};

TEST_F(EngineSettingsTest, OptionCodesWithTheirRanges)
{
    struct Case {
        int32_t code;
        int32_t value;
        int32_t result;
        int32_t error;
    };
    const Case cases[] = {
        {0, 0, 1, 0},
        {1, 0, 1, 0},
        {2, 0, 1, 0},
        {3, 0, 1, 0},
        {4, 0, 1, 0},
        {59, 0, 1, 0},
        {5, 0, 1, 0},
        {6, 0, 1, 0},
        {7, 4, 1, 0},
        {7, -1, 0, 10},
        {7, INT32_MAX, 0, 10},
        {8, 0, 1, 0},
        {9, 0, 1, 0},
        {10, 0, 1, 0},
        {11, 0, 1, 0},
        {12, 0, 1, 0},
        {13, 0, 1, 0},
        {13, 255, 1, 0},
        {13, 256, 0, 10},
        {13, -1, 0, 10},
        {14, 3, 0, 10},  // no tracks yet: no track 3
        {15, 0, 1, 0},
        {16, 0, 1, 0},
        {17, 0, 1, 0},
        {18, 0, 1, 0},
        {19, 1, 1, 0},
        {19, 2, 0, 10},
        {19, -1, 0, 10},
        {20, 1, 1, 0},
        {21, 2, 0, 10},
        {22, 0, 1, 0},
        {23, 1, 1, 0},
        {23, 2, 0, 10},
        {24, 0, 1, 0},
        {25, 0, 1, 0},
        {26, 3, 1, 0},
        {26, 0, 1, 0},
        {26, 1000, 1, 0},
        {27, 8192, 1, 0},
        {27, 0, 0, 10},
        {27, -5, 0, 10},
        {28, 99, 1, 0},
        {29, 1024, 1, 0},
        {30, 0, 1, 0},
        {31, 0, 1, 0},
        {32, 0, 1, 0},
        {33, 0, 1, 0},
        {34, 250, 1, 0},
        {34, 16000, 1, 0},
        {34, 249, 0, 10},
        {34, 16001, 0, 10},
        {35, 0xFFFF, 1, 0},
        {41, 0, 1, 0},
        {44, 0x7F00, 1, 0},
        {44, 0x0505, 1, 0},
        {44, 0x0405, 0, 10},
        {44, 0x10000, 0, 10},
        {45, 0, 1, 0},
        {45, 127, 1, 0},
        {45, 128, 0, 10},
        {46, -1, 0, 10},
        {52, 0, 1, 0},
        {58, 0xC000, 1, 0},
        {58, 0xFFFF, 1, 0},
        {58, 0xBFFF, 0, 10},
        {58, 0x10000, 0, 10},
        {61, 1, 1, 0},
        {61, 2, 0, 10},
        // Codes that do not exist.
        {-1, 0, 0, 10},
        {36, 0, 0, 10},
        {40, 0, 0, 10},
        {43, 0, 0, 10},
        {47, 0, 0, 10},
        {51, 0, 0, 10},
        {54, 0, 0, 10},
        {57, 0, 0, 10},
        {60, 0, 0, 10},
        {62, 0, 0, 10},
        {INT32_MAX, 0, 0, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "code " << c.code << " value " << c.value);
        EXPECT_EQ(MidiLibSetOption(c.code, c.value), c.result);
        EXPECT_EQ(MidiLibGetError(nullptr, 0), c.error);
    }
}

TEST_F(EngineSettingsTest, OptionEffects)
{
    Settings& s = engine.Set();
    ASSERT_EQ(MidiLibSetOption(kOptStartPosition, 4), 1);
    EXPECT_EQ(s.startTicks.load(), 480);  // 4 quarters at the default 120 ticks
    ASSERT_EQ(MidiLibSetOption(kOptSyncSoftware, 0), 1);
    EXPECT_EQ(s.syncMode.load(), 3);
    ASSERT_EQ(MidiLibSetOption(kOptFilterLow, 0xE4), 1);
    ASSERT_EQ(MidiLibSetOption(kOptControllerRange, 0x4007), 1);
    ASSERT_EQ(MidiLibSetOption(kOptEchoFilter, 0), 1);
    // Low byte 0xE4, lowest controller 7, highest 0x40.
    EXPECT_EQ(s.echoFilter.load(), 0x400700E4u);
    ASSERT_EQ(MidiLibSetOption(kOptTimerResolution, 1000), 1);
    EXPECT_EQ(s.timerResolutionMs.load(), 50);
    ASSERT_EQ(MidiLibSetOption(kOptChaseAdd, 6), 1);
    EXPECT_TRUE(s.Chased(6));
    ASSERT_EQ(MidiLibSetOption(kOptChaseRemove, 7), 1);
    EXPECT_FALSE(s.Chased(7));
    ASSERT_EQ(MidiLibSetOption(kOptClockPort, 1), 1);
    EXPECT_EQ(engine.RolePort(kClockPort), 1);
    ASSERT_EQ(MidiLibSetOption(kOptThruOn, 0), 1);
    EXPECT_TRUE(s.Flag(kFlagThru));
    ASSERT_EQ(MidiLibSetOption(kOptQueueOff, 0), 1);
    EXPECT_FALSE(s.Flag(kFlagQueueMode));
}

TEST_F(EngineSettingsTest, WhileRunningOnlyTheMarkedOptionsAreAccepted)
{
    SetRunning(true);
    const int32_t accepted[] = {13, 19, 20, 21, 22, 24, 25, 31, 34, 35, 61};
    const int32_t refused[] = {0, 2, 7, 8, 15, 23, 26, 27, 41, 44, 45, 52, 58, 59};
    for (int32_t code : accepted) {
        SCOPED_TRACE(code);
        EXPECT_EQ(MidiLibSetOption(code, code == 34 ? 1000 : 0), 1);
    }
    for (int32_t code : refused) {
        SCOPED_TRACE(code);
        EXPECT_EQ(MidiLibSetOption(code, 0xC000), 0);
        EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrBusy);
    }
    SetRunning(false);
}

TEST_F(EngineSettingsTest, PatchCachingCanBeDisabledInAnyState)
{
    ASSERT_EQ(MidiLibDisconnect(), 1);
    EXPECT_EQ(MidiLibSetOption(kOptNoPatchCaching, 0), 1);
    EXPECT_TRUE(engine.Set().patchCachingDisabled);
    EXPECT_EQ(MidiLibSetOption(kOptThruOn, 0), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrNotOpened);
}

TEST_F(EngineSettingsTest, RawCaptureBlocksOptionsAndFlagsButFlag24)
{
    ASSERT_EQ(MidiLibBeginRawCapture(0), 1);
    EXPECT_EQ(MidiLibSetOption(kOptThruOn, 0), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrRawMode);
    EXPECT_EQ(MidiLibSetFlag(kFlagThru, 1), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrRawMode);
    EXPECT_EQ(MidiLibSetFlag(kFlagRawNotify, 1), 1);
    ASSERT_EQ(MidiLibEndRawCapture(), 1);
    EXPECT_EQ(MidiLibEndRawCapture(), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrCannotStop);
}

TEST_F(EngineSettingsTest, FlagCodesAndStateChecks)
{
    for (int32_t code = 0; code < kFlagCount; ++code) {
        SCOPED_TRACE(code);
        EXPECT_EQ(MidiLibSetFlag(code, 1), 1);
        EXPECT_TRUE(engine.Set().Flag(code));
        EXPECT_EQ(MidiLibSetFlag(code, 0), 1);
        EXPECT_FALSE(engine.Set().Flag(code));
    }
    for (int32_t code : {-1, 25, 1000}) {
        EXPECT_EQ(MidiLibSetFlag(code, 1), 0);
        EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrInvalidRequest);
    }
    SetRunning(true);
    EXPECT_EQ(MidiLibSetFlag(kFlagThru, 1), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrBusy);
    SetRunning(false);
}

TEST_F(EngineSettingsTest, Flag10ChasesAllOrNone)
{
    ASSERT_EQ(MidiLibSetFlag(kFlagChaseAllControllers, 0), 1);
    EXPECT_FALSE(engine.Set().Chased(7));
    ASSERT_EQ(MidiLibSetFlag(kFlagChaseAllControllers, 1), 1);
    EXPECT_TRUE(engine.Set().Chased(6));
    EXPECT_TRUE(engine.Set().Chased(100));
}

TEST_F(EngineSettingsTest, ConnectionResetsRunFlagsAndKeepsTheKeptOnes)
{
    // Kept: 0, 1, 6, 7, 10. Reset: e.g. 2 (on), 11 (off).
    ASSERT_EQ(MidiLibSetFlag(kFlagThru, 1), 1);
    ASSERT_EQ(MidiLibSetFlag(kFlagSendClock, 0), 1);
    ASSERT_EQ(MidiLibSetFlag(kFlagClockNotify, 0), 1);
    ASSERT_EQ(MidiLibSetFlag(kFlagCoalesceClock, 1), 1);
    ASSERT_EQ(MidiLibSetOption(kOptQueueOff, 0), 1);
    ASSERT_EQ(MidiLibSetOption(kOptTempoScale, 2000), 1);
    ASSERT_EQ(MidiLibConnect(window->Id()), 1);
    Settings& s = engine.Set();
    EXPECT_TRUE(s.Flag(kFlagThru));
    EXPECT_FALSE(s.Flag(kFlagSendClock));
    EXPECT_TRUE(s.Flag(kFlagClockNotify));
    EXPECT_FALSE(s.Flag(kFlagCoalesceClock));
    EXPECT_TRUE(s.Flag(kFlagQueueMode));
    EXPECT_EQ(s.tempoScale.load(), 1000);
    EXPECT_EQ(s.usPerQuarter.load(), 500000u);
    EXPECT_EQ(s.timebase.load(), 120);
}

TEST_F(EngineSettingsTest, ValueCodes)
{
    EXPECT_EQ(MidiLibGetValue(kValLastEventTick), 0);
    EXPECT_EQ(MidiLibGetValue(kValClockMs), 0);  // the clock has not started
    EXPECT_EQ(MidiLibGetValue(kValClockTicks), 0);
    EXPECT_EQ(MidiLibGetValue(kValSmpteDeviation), 0);
    EXPECT_EQ(MidiLibGetValue(kValSongTicks), 0);
    EXPECT_EQ(MidiLibGetValue(kValEngineMs), static_cast<int32_t>(engine.NowUs() / 1000));
    for (int32_t code : {kValSmpteTime, kValLockSystemMs, kValLockSmpte}) {
        EXPECT_EQ(MidiLibGetValue(code), -1);
        EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrWaitingSmpte);
    }
    for (int32_t code : {0, 10, -1}) {
        EXPECT_EQ(MidiLibGetValue(code), -1);
        EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrInvalidRequest);
    }
}

TEST_F(EngineSettingsTest, FilterMaskClassesAndControllerRange)
{
    struct Case {
        uint32_t mask;
        uint8_t status, d1, d2;
        bool passes;
    };
    const Case cases[] = {
        {kNoFilter, 0x90, 60, 100, true},   {0x7F000002, 0x90, 60, 100, false},  // note on filtered
        {0x7F000002, 0x90, 60, 0, true},                                         // velocity 0 is a note off
        {0x7F000001, 0x90, 60, 0, false},   {0x7F0000E4, 0xA0, 60, 1, false},    // the program's echo filter
        {0x7F0000E4, 0xB0, 7, 1, true},     {0x7F0000E4, 0xE0, 0, 64, false},
        {0x40070000, 0xB0, 6, 1, false},  // below the lowest controller kept
        {0x40070000, 0xB0, 7, 1, true},     {0x40070000, 0xB0, 0x40, 1, true},
        {0x40070000, 0xB0, 0x41, 1, false}, {0x7F000080, 0xF8, 0, 0, false},  // system class
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.mask << " " << int(c.status));
        EXPECT_EQ(PassesFilter(c.mask, c.status, c.d1, c.d2), c.passes);
    }
}

TEST_F(EngineSettingsTest, RunExportRangesAndStates)
{
    EXPECT_EQ(MidiLibSetTempo(0), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrInvalidRequest);
    EXPECT_EQ(MidiLibSetTempo(400000), 1);
    EXPECT_EQ(MidiLibGetTempo(), 400000u);
    EXPECT_EQ(MidiLibSetMetronome(0, 3), 0);
    EXPECT_EQ(MidiLibSetMetronome(-1, 0), 0);
    EXPECT_EQ(MidiLibSetMetronome(480, 2), 1);
    const int32_t badNotes[][4] = {{2, 0, 60, 100}, {0, 16, 60, 100}, {0, 0, 128, 100},
                                   {0, 0, 60, 0},   {0, 0, 60, 128},  {-1, 0, 60, 100}};
    for (const auto& n : badNotes) {
        EXPECT_EQ(MidiLibSetMetronomeNote(n[0], n[1], n[2], n[3]), 0);
        EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrInvalidRequest);
    }
    EXPECT_EQ(MidiLibSetMetronomeNote(1, 9, 37, 127), 1);
    // Not running: these need a run.
    EXPECT_EQ(MidiLibSetPositionTimer(100), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrCannotStop);
    EXPECT_EQ(MidiLibGetTrackEventIndex(0), -1);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrCannotStop);
    SetRunning(true);
    EXPECT_EQ(MidiLibSetPositionTimer(9), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrInvalidRequest);
    EXPECT_EQ(MidiLibSetPositionTimer(3600001), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrInvalidRequest);
    EXPECT_EQ(MidiLibSetTimebase(96), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrBusy);
    SetRunning(false);
    EXPECT_EQ(MidiLibSetTimebase(96), 1);
    EXPECT_EQ(MidiLibSetTimebase(0), 0);
}

TEST_F(EngineSettingsTest, StopWhileStoppedReportsWParam5)
{
    // With nothing handed in there is nothing to stop.
    EXPECT_EQ(MidiLibStop(), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrCannotStop);
    const uint8_t track[] = {0x00, 0xFF, 0x2F, 0x00};
    ASSERT_EQ(MidiLibAllocTracks(1), 1);
    ASSERT_NE(MidiLibAddTrack(track, sizeof track, 1), 0u);
    TakeAll();
    EXPECT_EQ(MidiLibStop(), 1);
    auto all = TakeAll();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].message, ML_STOPPED);
    EXPECT_EQ(all[0].wParam, 5);
}

TEST_F(EngineSettingsTest, InputRemapAndInterceptList)
{
    uint8_t table[16];
    ASSERT_EQ(MidiLibInputRemap(65535, 1, table, 16), 1);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(table[i], i);
    table[0] = 9;
    ASSERT_EQ(MidiLibInputRemap(65535, 0, table, 16), 1);
    EXPECT_EQ(engine.Set().inputRemap[0], 9);
    table[1] = 16;
    EXPECT_EQ(MidiLibInputRemap(65535, 0, table, 16), 0);
    EXPECT_EQ(MidiLibInputRemap(65534, 1, table, 16), 0);
    EXPECT_EQ(MidiLibInputRemap(65535, 1, table, 15), 0);
    EXPECT_EQ(MidiLibInputRemap(65535, 1, nullptr, 16), 0);
    uint16_t list[300] = {};
    EXPECT_EQ(MidiLibSetInterceptList(list, 255), 1);
    EXPECT_EQ(MidiLibSetInterceptList(list, 256), 0);
    EXPECT_EQ(MidiLibSetInterceptList(nullptr, 3), 0);
    EXPECT_EQ(MidiLibSetInterceptList(nullptr, 0), 1);
    EXPECT_EQ(MidiLibSetInterceptList(list, -1), 0);
}

}  // namespace
}  // namespace kv::engine::testing
