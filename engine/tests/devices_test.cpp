#include <gtest/gtest.h>

#include <memory>

#include "engine/devices/fluidbackend.h"
#include "engine/devices/rtmidibackend.h"
#include "engine/tests/enginefixture.h"

namespace kv::engine::testing {
namespace {

class EngineVirtualPortsTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        engine.UseClock(&clock);
        MidiLibCaptureClear();
        // Port 0 the loopback, port 1 the capture; the loopback input records.
        ConfigureAndConnect(("D0," + loopOut + "," + capture + ";" + loopIn).c_str());
    }
    SimClock clock;
};

TEST_F(EngineVirtualPortsTest, LoopbackDeliversToTheInputAndEchoesWithFlag19)
{
    ASSERT_EQ(MidiLibSetFlag(kFlagEchoInput, 1), 1);
    ASSERT_EQ(MidiLibSendShort(0x91, 60, 100), 1);
    ASSERT_EQ(MidiLibSendShort(0xC1, 5, 0), 1);
    auto all = TakeAll();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].message, ML_SHORT_ECHO);
    EXPECT_EQ(all[0].wParam, 0);
    EXPECT_EQ(all[0].lParam, 0x913C64);
    EXPECT_EQ(all[1].lParam, 0xC10500);
}

TEST_F(EngineVirtualPortsTest, EchoFilterAndSentEchoes)
{
    ASSERT_EQ(MidiLibSetFlag(kFlagEchoInput, 1), 1);
    ASSERT_EQ(MidiLibSetFlag(kFlagEchoSent, 1), 1);
    ASSERT_EQ(MidiLibSetOption(kOptFilterLow, 0xE4), 1);
    ASSERT_EQ(MidiLibSetOption(kOptEchoFilter, 0), 1);
    ASSERT_EQ(MidiLibSendShort(0xE0, 0, 64), 1);          // pitch bend: input echo filtered
    ASSERT_EQ(MidiLibSendShortToPort(1, 0x90, 1, 2), 1);  // to the capture: no input
    auto all = TakeAll();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].wParam, -1);  // MidiLibSendShort
    EXPECT_EQ(all[0].lParam, 0xE00040);
    EXPECT_EQ(all[1].wParam, -3);  // MidiLibSendShortToPort
}

TEST_F(EngineVirtualPortsTest, ThruCopiesInputToTheThruPort)
{
    ASSERT_EQ(MidiLibSetFlag(kFlagThru, 1), 1);
    ASSERT_EQ(MidiLibSetOption(kOptThruPort, 1), 1);
    ASSERT_EQ(MidiLibSendShort(0x90, 64, 1), 1);
    ASSERT_EQ(MidiLibCaptureCount(), 1u);
    MidiLibCaptureRecord r;
    ASSERT_EQ(MidiLibCaptureRead(0, &r), 1);
    EXPECT_EQ(r.length, 3u);
    EXPECT_EQ(r.bytes[1], 64);
}

TEST_F(EngineVirtualPortsTest, CaptureKeepsEveryMessageWithItsSendTime)
{
    int64_t start = clock.NowUs();
    ASSERT_EQ(MidiLibSendShortToPort(1, 0x90, 60, 100), 1);
    clock.Advance(2500);
    ASSERT_EQ(MidiLibSendShortToPort(1, 0xD0, 7, 0), 1);
    const uint8_t dump[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0, 1, 2, 3, 4, 5, 6, 7, 0xF7};
    ASSERT_EQ(MidiLibSetOption(kOptSysExPort, 1), 1);
    ASSERT_EQ(MidiLibSendSysEx(dump, sizeof dump), 1);
    ASSERT_EQ(MidiLibCaptureCount(), 3u);
    MidiLibCaptureRecord r[3];
    for (uint32_t i = 0; i < 3; ++i)
        ASSERT_EQ(MidiLibCaptureRead(i, &r[i]), 1);
    EXPECT_EQ(r[0].timeUs, start);
    EXPECT_EQ(r[1].timeUs, start + 2500);
    EXPECT_EQ(r[1].length, 2u);  // channel pressure has one data byte
    EXPECT_EQ(r[2].length, 14u);
    EXPECT_EQ(r[2].bytes[11], 6);  // long messages keep their first 12 bytes
    EXPECT_EQ(MidiLibCaptureRead(3, &r[0]), 0);
    EXPECT_EQ(MidiLibCaptureRead(0, nullptr), 0);
}

TEST_F(EngineVirtualPortsTest, BadShortAndSysExArgumentsAreRefused)
{
    struct Short {
        int32_t port, status, d1, d2, error;
    };
    const Short shorts[] = {
        {0, 0x7F, 0, 0, kErrInvalidRequest},   {0, 0xF0, 0, 0, kErrInvalidRequest},
        {0, 0x90, 128, 0, kErrInvalidRequest}, {0, 0x90, 0, -1, kErrInvalidRequest},
        {2, 0x90, 0, 0, kErrInvalidRequest},   {-1, 0x90, 0, 0, kErrInvalidRequest},
    };
    for (const Short& s : shorts) {
        EXPECT_EQ(MidiLibSendShortToPort(s.port, s.status, s.d1, s.d2), 0);
        EXPECT_EQ(MidiLibGetError(nullptr, 0), s.error);
    }
    const uint8_t notSysEx[] = {0x90, 1, 2};
    EXPECT_EQ(MidiLibSendSysEx(notSysEx, 3), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrInvalidRequest);
    EXPECT_EQ(MidiLibSendSysEx(nullptr, 10), 0);
    EXPECT_EQ(MidiLibSendSysEx(notSysEx, 0), 0);
    std::vector<uint8_t> huge(5000, 0);
    huge[0] = 0xF0;
    huge.back() = 0xF7;
    EXPECT_EQ(MidiLibSendSysEx(huge.data(), huge.size()), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrSysExTooLong);
    EXPECT_EQ(MidiLibSendSysExToPort(0, 5, huge.data(), 10), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrInvalidRequest);
}

TEST(EngineFluidSynthTest, OpensAndPlaysEvenWithoutAnAudioDevice)
{
    FluidBackend synth;
    OpenResult why;
    std::unique_ptr<MidiOut> out(synth.OpenOutput(0, &why));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(why, OpenResult::Ok);
    const uint8_t program[] = {0xC0, 19};
    const uint8_t on[] = {0x90, 60, 100};
    const uint8_t off[] = {0x80, 60, 0};
    const uint8_t reset[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    EXPECT_TRUE(out->Send(program, 2));
    EXPECT_TRUE(out->Send(on, 3));
    EXPECT_TRUE(out->Send(off, 3));
    EXPECT_TRUE(out->Send(reset, sizeof reset));
    EXPECT_FALSE(out->Send(on, 0));
    EXPECT_EQ(synth.OpenOutput(1, &why), nullptr);
}

TEST(EngineRtMidiNamesTest, SystemNamesLoseVolatileNumbersAndRepeatedClientNames)
{
    struct Case {
        const char* system;
        bool alsa;
        const char* name;
    };
    const Case cases[] = {
        {"Midi Through:Midi Through Port-0 14:0", true, "Midi Through Port-0"},
        {"USB Keys:USB Keys MIDI 1 20:0", true, "USB Keys MIDI 1"},
        {"Synth:Out 128:3", true, "Synth:Out"},
        {"Synth:Out 2", true, "Synth:Out 2"},  // not a client:port pair
        {"A very long client name here:and its very long port 130:0", true,
         "A very long client name here:an"},  // cut to 31 characters
        {"peer:midi_out", false, "peer:midi_out"},
        {"", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.system);
        EXPECT_EQ(RtMidiBackend::ShortName(c.system, c.alsa), c.name);
    }
}

}  // namespace
}  // namespace kv::engine::testing
