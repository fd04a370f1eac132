#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/tests/enginefixture.h"

namespace kv::engine::testing {
namespace {

uint32_t Field(const uint8_t* block, size_t offset)
{
    return block[offset] | block[offset + 1] << 8 | block[offset + 2] << 16 |
           static_cast<uint32_t>(block[offset + 3]) << 24;
}

using EngineLifecycleTest = EngineTest;

TEST_F(EngineLifecycleTest, InfoBlockHoldsEveryField)
{
    uint8_t block[200];
    memset(block, 0xEE, sizeof block);
    EXPECT_EQ(MidiLibGetInfo(block, 200), 1328u);
    EXPECT_EQ(Field(block, info::kOutputCount), 0u);
    EXPECT_STREQ(reinterpret_cast<char*>(block + info::kConfig), "D0,0");
    ASSERT_EQ(MidiLibInit(("D0," + loopOut + "," + capture + ";" + loopIn).c_str()), 1);
    MidiLibGetInfo(block, 200);
    EXPECT_EQ(Field(block, info::kSize), 200u);
    EXPECT_EQ(Field(block, info::kVersion), 1328u);
    EXPECT_EQ(Field(block, info::kBuildDate), 19981104u);
    EXPECT_STREQ(reinterpret_cast<char*>(block + info::kLibraryName), "KVMidi");
    EXPECT_EQ(Field(block, info::kOutputCount), 2u);
    EXPECT_EQ(Field(block, 28), 1u);
    EXPECT_EQ(Field(block, info::kFirstMessage), 1124u);
    EXPECT_EQ(Field(block, info::kLastMessage), 1145u);
    EXPECT_EQ(Field(block, info::kOptionCount), 61u);
    EXPECT_EQ(Field(block, 44), 0u);
    for (size_t offset : {48u, 52u, 56u, 60u})
        EXPECT_EQ(Field(block, offset), 1u) << offset;
    EXPECT_EQ(Field(block, info::kOldestVersion), 522u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block + info::kConfig)),
              "D0," + loopOut + "," + capture + ";" + loopIn);
    EXPECT_EQ(Field(block, info::kThruFlag), 0u);
}

TEST_F(EngineLifecycleTest, InfoCopiesAtMostTheCountAskedFor)
{
    uint8_t block[8];
    memset(block, 0xEE, sizeof block);
    EXPECT_EQ(MidiLibGetInfo(block, 4), 1328u);
    EXPECT_EQ(Field(block, 0), 200u);
    EXPECT_EQ(Field(block, 4), 0xEEEEEEEEu);
    EXPECT_EQ(MidiLibGetInfo(block, 0), 1328u);
    EXPECT_EQ(MidiLibGetInfo(nullptr, 200), 1328u);
}

TEST_F(EngineLifecycleTest, GetErrorAfterGetInfoReturns31ThenZero)
{
    MidiLibGetInfo(nullptr, 0);
    char text[80];
    EXPECT_EQ(MidiLibGetError(text, sizeof text), 31);
    EXPECT_STREQ(text, "One of the required files is missing.  Please reinstall.");
    EXPECT_EQ(MidiLibGetError(text, sizeof text), 0);
    EXPECT_STREQ(text, "No Error");
}

TEST_F(EngineLifecycleTest, ErrorTextsAreCutToTheBuffer)
{
    char text[8];
    memset(text, 'x', sizeof text);
    MidiLibGetErrorText(10, text, 8);
    EXPECT_STREQ(text, "Invalid");
    MidiLibGetErrorText(10, text, 1);
    EXPECT_STREQ(text, "");
    text[0] = 'x';
    MidiLibGetErrorText(10, text, 0);
    EXPECT_EQ(text[0], 'x');
    MidiLibGetErrorText(10, nullptr, 8);
    MidiLibGetErrorText(37, text, 8);
    EXPECT_STREQ(text, "");
    MidiLibGetErrorText(-1, text, 8);
    EXPECT_STREQ(text, "");
}

TEST_F(EngineLifecycleTest, NullStringMeansD0Comma65535)
{
    // No device here has the key 65535 (31 characters sum to at most
    // 31 * 127 = 3937), so the default string is rejected.
    EXPECT_EQ(MidiLibInit(nullptr), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrInvalidRequest);
    EXPECT_FALSE(engine.Configured());
}

TEST_F(EngineLifecycleTest, EmptyOutputListOpensNothingAndStaysUnconfigured)
{
    EXPECT_EQ(MidiLibInit("D0,"), 1);
    EXPECT_EQ(engine.OutputCount(), 0);
    EXPECT_EQ(MidiLibConnect(window->Id()), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrNotConfigured);
}

TEST_F(EngineLifecycleTest, SecondInitKeepsTheFirstConfiguration)
{
    ASSERT_EQ(MidiLibInit(("D0," + loopOut).c_str()), 1);
    EXPECT_EQ(MidiLibInit(("D0," + capture).c_str()), 1);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrAlreadyConfigured);
    char name[32];
    EXPECT_EQ(MidiLibGetPortName(0, name, sizeof name), DeviceKey(kLoopbackOutName));
    EXPECT_STREQ(name, kLoopbackOutName);
}

TEST_F(EngineLifecycleTest, RejectedStringLeavesTheEngineUnconfigured)
{
    EXPECT_EQ(MidiLibInit("D0,12;"), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrInvalidRequest);
    EXPECT_FALSE(engine.Configured());
    EXPECT_EQ(MidiLibInit(("D0," + loopOut).c_str()), 1);
}

TEST_F(EngineLifecycleTest, OpenFailureGivesErrorTwoAndTheDeviceText)
{
    fake->failWith = OpenResult::InUse;
    std::string config = "D0," + loopOut + "," + KeyText("Fake Synth A");
    EXPECT_EQ(MidiLibInit(config.c_str()), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrNotConfigured);
    EXPECT_FALSE(engine.Configured());
    char text[256];
    EXPECT_EQ(MidiLibGetDeviceErrorText(text, sizeof text), 1);
    EXPECT_STREQ(text,
                 "The output device:\nFake Synth A\nis currently being used by another\n"
                 "program (possibly a sound server).");
}

TEST_F(EngineLifecycleTest, ConnectWhileConnectedReports33AndConnectsAgain)
{
    ConfigureAndConnect(("D0," + loopOut).c_str());
    EXPECT_EQ(MidiLibConnect(window->Id()), 1);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrCrashedConnection);
    EXPECT_EQ(engine.State(), kConnected);
    // The old connection was ended (ML_DISCONNECTED) before the new began.
    auto posted = window->TakePosted();
    ASSERT_GE(posted.size(), 2u);
    std::vector<MidiLibMessage> all = TakeAll();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].message, ML_CONNECTED);
}

TEST_F(EngineLifecycleTest, ConnectQueuesConnectedAndWakesSynchronously)
{
    FakeWindow drains(9, true);
    ASSERT_EQ(MidiLibInit(("D0," + loopOut).c_str()), 1);
    ASSERT_EQ(MidiLibConnect(drains.Id()), 1);
    auto posted = drains.TakePosted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, ML_QUEUE_READY);
    EXPECT_TRUE(posted[0].sync);
    ASSERT_EQ(drains.Drained().size(), 1u);
    EXPECT_EQ(drains.Drained()[0].message, ML_CONNECTED);
    EXPECT_EQ(drains.Drained()[0].window, 9u);
}

TEST_F(EngineLifecycleTest, ConnectRefusesAWindowThatIsNotOne)
{
    ASSERT_EQ(MidiLibInit(("D0," + loopOut).c_str()), 1);
    EXPECT_EQ(MidiLibConnect(12345), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrInvalidRequest);
    EXPECT_EQ(MidiLibConnect(0), 1);  // no window is allowed
}

TEST_F(EngineLifecycleTest, DisconnectLetsTheWindowTakeWhatWaitsThenEmptiesTheQueue)
{
    FakeWindow drains(9, true);
    ASSERT_EQ(MidiLibInit(("D0," + loopOut).c_str()), 1);
    ASSERT_EQ(MidiLibConnect(drains.Id()), 1);
    engine.Notify(ML_TEMPO, 1000, 120);
    ASSERT_EQ(MidiLibSetFlag(kFlagEchoInput, 1), 1);
    EXPECT_EQ(MidiLibDisconnect(), 1);
    auto drained = drains.Drained();
    ASSERT_EQ(drained.size(), 3u);
    EXPECT_EQ(drained[1].message, ML_TEMPO);
    EXPECT_EQ(drained[2].message, ML_DISCONNECTED);
    EXPECT_EQ(engine.State(), kIdle);
    EXPECT_FALSE(engine.Set().Flag(kFlagEchoInput));
    EXPECT_EQ(engine.Queue().Count(), 0u);
}

TEST_F(EngineLifecycleTest, ExportsNeedingAConnectionGive4Idle5Configuring)
{
    ASSERT_EQ(MidiLibInit(("D0," + loopOut).c_str()), 1);
    struct Case {
        const char* name;
        int32_t (*call)();
    };
    const Case cases[] = {
        {"Disconnect", [] { return MidiLibDisconnect(); }},
        {"Reconnect", [] { return MidiLibReconnect(); }},
        {"SetOption", [] { return MidiLibSetOption(0, 0); }},
        {"SetFlag", [] { return MidiLibSetFlag(0, 0); }},
        {"GetValue", [] { return MidiLibGetValue(9); }},
        {"GetMessage",
         [] {
             MidiLibMessage m;
             return MidiLibGetMessage(&m);
         }},
        {"SendShort", [] { return MidiLibSendShort(0x90, 60, 100); }},
        {"Go", [] { return MidiLibGo(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.call(), 0);
        EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrNotOpened);
    }
    ASSERT_EQ(MidiLibConfigureStep(kStepBegin, 0, nullptr), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.call(), 0);
        EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrNotOwner);
    }
}

TEST_F(EngineLifecycleTest, ReconfigureNeedsIdleAndReopens)
{
    ConfigureAndConnect(("D0," + loopOut).c_str());
    EXPECT_EQ(MidiLibReconfigure(("D0," + capture).c_str()), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrDevicesInUse);
    ASSERT_EQ(MidiLibDisconnect(), 1);
    EXPECT_EQ(MidiLibReconfigure(("D0," + capture).c_str()), 1);
    char name[32];
    EXPECT_EQ(MidiLibGetPortName(0, name, sizeof name), DeviceKey(kCaptureName));
    EXPECT_EQ(MidiLibReconfigure("D0,9"), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrInvalidRequest);
    EXPECT_FALSE(engine.Configured());
    EXPECT_EQ(engine.State(), kIdle);
}

TEST_F(EngineLifecycleTest, PortNamesBySelector)
{
    // Fake Clock is the synchronisation input and also records (kind 2);
    // the loopback input records.
    std::string clock = KeyText("Fake Clock");
    std::string config = "D" + clock + "," + loopOut + ";" + clock + "," + loopIn;
    ASSERT_EQ(MidiLibInit(config.c_str()), 1);
    struct Case {
        int32_t selector;
        int32_t key;
        const char* name;
        int32_t error;
    };
    const Case cases[] = {
        {0, DeviceKey(kLoopbackOutName), kLoopbackOutName, 0},
        {1, 0, "", kErrInvalidRequest},
        {-1, DeviceKey("Fake Clock"), "Fake Clock", 0},
        {-2, DeviceKey(kLoopbackInName), kLoopbackInName, 0},
        {-3, 0, "", kErrNeedsInput},
        {-1000000, 0, "", kErrNeedsInput},
        {INT32_MIN, 0, "", kErrNeedsInput},
        {kSyncPortSelector, DeviceKey("Fake Clock"), "Fake Clock", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selector);
        char name[32] = "garbage";
        EXPECT_EQ(MidiLibGetPortName(c.selector, name, sizeof name), c.key);
        EXPECT_STREQ(name, c.name);
        EXPECT_EQ(MidiLibGetError(nullptr, 0), c.error);
    }
    char four[4];
    EXPECT_EQ(MidiLibGetPortName(0, four, 4), DeviceKey(kLoopbackOutName));
    EXPECT_STREQ(four, "Kel");
    char one[1] = {'x'};
    MidiLibGetPortName(0, one, 1);
    EXPECT_EQ(one[0], '\0');
    EXPECT_EQ(MidiLibGetPortName(0, nullptr, 0), DeviceKey(kLoopbackOutName));
    char info[200];
    MidiLibGetInfo(info, 200);
    EXPECT_EQ(std::string(info + info::kConfig), config);
}

TEST_F(EngineLifecycleTest, SyncOnlyInputAskedForAsRecordInputGives34)
{
    std::string clock = KeyText("Fake Clock");
    ASSERT_EQ(MidiLibInit(("D" + clock + "," + loopOut).c_str()), 1);
    char name[32];
    EXPECT_EQ(MidiLibGetPortName(-1, name, sizeof name), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrSyncOnly);
    MidiLibShutdown();
    ASSERT_EQ(MidiLibInit(("D0," + loopOut).c_str()), 1);
    EXPECT_EQ(MidiLibGetPortName(kSyncPortSelector, name, sizeof name), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrNeedsInput);
}

TEST_F(EngineLifecycleTest, PortNameNeedsAConfiguration)
{
    EXPECT_EQ(MidiLibGetPortName(0, nullptr, 0), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrNotConfigured);
}

TEST_F(EngineLifecycleTest, DeviceListsByIndex)
{
    // Virtual ports first, then the fake back-end's.
    EXPECT_EQ(MidiLibGetDeviceCount(0), 4);
    EXPECT_EQ(MidiLibGetDeviceCount(1), 3);
    char name[32];
    ASSERT_EQ(MidiLibGetDeviceName(0, 2, name, sizeof name), 1);
    EXPECT_STREQ(name, "Fake Synth A");
    ASSERT_EQ(MidiLibGetDeviceName(1, 0, name, sizeof name), 1);
    EXPECT_STREQ(name, kLoopbackInName);
    ASSERT_EQ(MidiLibGetDeviceBackend(0, 2, name, sizeof name), 1);
    EXPECT_STREQ(name, "fake");
    char small[5];
    ASSERT_EQ(MidiLibGetDeviceName(0, 2, small, sizeof small), 1);
    EXPECT_STREQ(small, "Fake");
    const int32_t bad[][2] = {{0, 4}, {0, -1}, {1, 3}, {1, INT32_MAX}};
    for (const auto& b : bad) {
        EXPECT_EQ(MidiLibGetDeviceName(b[0], b[1], name, sizeof name), 0);
        EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrInvalidRequest);
    }
    EXPECT_EQ(MidiLibGetDeviceName(0, 0, nullptr, 32), 0);
    EXPECT_EQ(MidiLibGetDeviceName(0, 0, name, 0), 0);
}

TEST_F(EngineLifecycleTest, LongAndEmptyDeviceNamesAreCutAndKeyed)
{
    fake->outputs = {std::string(500, 'Q'), ""};
    ASSERT_EQ(MidiLibGetDeviceCount(0), 4);
    char name[64];
    ASSERT_EQ(MidiLibGetDeviceName(0, 2, name, sizeof name), 1);
    EXPECT_EQ(std::string(name), std::string(31, 'Q'));
    // 31 * 'Q' (81) = 2511.
    ASSERT_EQ(MidiLibInit("D0,2511"), 1);
    EXPECT_EQ(MidiLibGetPortName(0, name, sizeof name), 2511);
}

TEST_F(EngineLifecycleTest, StepwiseConfigurationByNames)
{
    ASSERT_EQ(MidiLibConfigureStep(kStepBegin, 0, nullptr), 1);
    EXPECT_EQ(engine.State(), kConfiguring);
    ASSERT_EQ(MidiLibConfigureStep(kStepAddOutput, 0, kLoopbackOutName), 1);
    ASSERT_EQ(MidiLibConfigureStep(kStepAddOutput, 1, "Fake Synth B"), 1);
    ASSERT_EQ(MidiLibConfigureStep(kStepAddInput, 0, kLoopbackInName), 1);
    // The same input again is dropped with 35; the configuration goes on.
    EXPECT_EQ(MidiLibConfigureStep(kStepAddInput, 1, kLoopbackInName), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrOpenTwice);
    EXPECT_EQ(engine.State(), kConfiguring);
    ASSERT_EQ(MidiLibConfigureStep(kStepSyncInput, 0, "Fake Clock"), 1);
    ASSERT_EQ(MidiLibConfigureStep(kStepEnd, 0, nullptr), 1);
    EXPECT_EQ(engine.State(), kIdle);
    EXPECT_EQ(engine.OutputCount(), 2);
    char info[200];
    MidiLibGetInfo(info, 200);
    // The synchronisation-only input is written first and not in the list.
    EXPECT_EQ(std::string(info + info::kConfig),
              "D" + KeyText("Fake Clock") + "," + loopOut + "," + KeyText("Fake Synth B") + ";" + loopIn);
}

TEST_F(EngineLifecycleTest, StepwiseSyncOnAConfiguredInputMakesItKindTwo)
{
    ASSERT_EQ(MidiLibConfigureStep(kStepBegin, 0, nullptr), 1);
    ASSERT_EQ(MidiLibConfigureStep(kStepAddOutput, 0, kCaptureName), 1);
    ASSERT_EQ(MidiLibConfigureStep(kStepAddInput, 0, "Fake Keys"), 1);
    ASSERT_EQ(MidiLibConfigureStep(kStepSyncInput, 0, "Fake Keys"), 1);
    ASSERT_EQ(MidiLibConfigureStep(kStepEnd, 0, nullptr), 1);
    char info[200];
    MidiLibGetInfo(info, 200);
    std::string keys = KeyText("Fake Keys");
    EXPECT_EQ(std::string(info + info::kConfig), "D" + keys + "," + capture + ";" + keys);
}

TEST_F(EngineLifecycleTest, RescanBetweenStepsStillOpensTheNamedDevice)
{
    ASSERT_EQ(MidiLibConfigureStep(kStepBegin, 0, nullptr), 1);
    ASSERT_EQ(MidiLibConfigureStep(kStepAddOutput, 0, "Fake Synth B"), 1);
    // A device plugged in meanwhile shifts the list when a dialog recounts.
    fake->outputs = {"Fake New Device", "Fake Synth A", "Fake Synth B"};
    ASSERT_EQ(MidiLibGetDeviceCount(0), 5);
    ASSERT_EQ(MidiLibConfigureStep(kStepEnd, 0, nullptr), 1);
    char name[32];
    EXPECT_EQ(MidiLibGetPortName(0, name, sizeof name), DeviceKey("Fake Synth B"));
    EXPECT_STREQ(name, "Fake Synth B");
    fake->outputs = {"Fake New Device"};
    ASSERT_EQ(MidiLibGetDeviceCount(0), 3);
    EXPECT_STREQ((MidiLibGetPortName(0, name, sizeof name), name), "Fake Synth B");
}

TEST_F(EngineLifecycleTest, DeviceGoneBeforeOpeningFailsWithItsText)
{
    ASSERT_EQ(MidiLibConfigureStep(kStepBegin, 0, nullptr), 1);
    ASSERT_EQ(MidiLibConfigureStep(kStepAddOutput, 0, "Fake Synth B"), 1);
    fake->outputs = {"Fake Synth A"};
    ASSERT_EQ(MidiLibGetDeviceCount(0), 3);
    EXPECT_EQ(MidiLibConfigureStep(kStepEnd, 0, nullptr), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrNotConfigured);
    EXPECT_EQ(engine.State(), kIdle);
    char text[256];
    ASSERT_EQ(MidiLibGetDeviceErrorText(text, sizeof text), 1);
    EXPECT_STREQ(text, "One or more of the MIDI devices doesn't exist.\nPlease reconfigure your setup.");
}

TEST_F(EngineLifecycleTest, FailingStepsAbandonTheConfiguration)
{
    struct Case {
        const char* why;
        int32_t step;
        int32_t index;
        const char* name;
        int32_t error;
    };
    const std::string longName(500, 'x');
    const Case cases[] = {
        {"unknown output", kStepAddOutput, 0, "No Such Synth", kErrDriverMissing},
        {"empty name", kStepAddOutput, 0, "", kErrDriverMissing},
        {"500-character name", kStepAddOutput, 0, longName.c_str(), kErrDriverMissing},
        {"null name", kStepAddOutput, 0, nullptr, kErrInvalidRequest},
        {"index not next", kStepAddOutput, 1, kCaptureName, kErrInvalidRequest},
        {"negative index", kStepAddInput, -1, kLoopbackInName, kErrInvalidRequest},
        {"unknown input", kStepAddInput, 0, "Nope", kErrDriverMissing},
        {"unknown step", 15, 0, kCaptureName, kErrInvalidRequest},
        {"step 9", 9, 0, kCaptureName, kErrInvalidRequest},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ASSERT_EQ(MidiLibConfigureStep(kStepBegin, 0, nullptr), 1);
        EXPECT_EQ(MidiLibConfigureStep(c.step, c.index, c.name), 0);
        EXPECT_EQ(MidiLibGetError(nullptr, 0), c.error);
        EXPECT_EQ(engine.State(), kIdle);
        EXPECT_FALSE(engine.Configured());
    }
}

TEST_F(EngineLifecycleTest, StepStateChecks)
{
    EXPECT_EQ(MidiLibConfigureStep(kStepAddOutput, 0, kCaptureName), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrNotOwner);
    EXPECT_EQ(MidiLibConfigureStep(kStepEnd, 0, nullptr), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrNotOwner);
    ConfigureAndConnect(("D0," + loopOut).c_str());
    EXPECT_EQ(MidiLibConfigureStep(kStepBegin, 0, nullptr), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrDevicesInUse);
    // A second synchronisation input is refused.
    ASSERT_EQ(MidiLibDisconnect(), 1);
    ASSERT_EQ(MidiLibConfigureStep(kStepBegin, 0, nullptr), 1);
    ASSERT_EQ(MidiLibConfigureStep(kStepSyncInput, 0, "Fake Clock"), 1);
    EXPECT_EQ(MidiLibConfigureStep(kStepSyncInput, 0, "Fake Keys"), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrInvalidRequest);
    EXPECT_EQ(engine.State(), kIdle);
}

TEST_F(EngineLifecycleTest, ShutdownClosesEverythingAndAllowsANewStart)
{
    ConfigureAndConnect(("D0," + loopOut + ";" + loopIn).c_str());
    MidiLibShutdown();
    EXPECT_EQ(engine.State(), kIdle);
    EXPECT_FALSE(engine.Configured());
    // The loopback input was closed, so it can be opened again.
    EXPECT_EQ(MidiLibInit(("D0," + loopOut + ";" + loopIn).c_str()), 1);
    MidiLibShutdown();
    MidiLibShutdown();  // twice is harmless
}

}  // namespace
}  // namespace kv::engine::testing
