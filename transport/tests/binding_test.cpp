#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/settings/settings.h"
#include "platform/fakemessages.h"
#include "transport/enginebinding.h"
#include "transport/tests/transportfixture.h"

namespace kv {
namespace {

class RecordingSink : public EngineNotificationSink {
public:
    void OnEngineNotification(const MidiLibMessage& m) override { messages.push_back(m.message); }
    std::vector<uint32_t> messages;
};

class BindingTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        unsetenv("KV_FAKE_MISSING");
        unsetenv("KV_FAKE_VERSION");
        unsetenv("KV_FAKE_DEVICE");
    }
    test::VirtualBackends backends;
    FakeMessages messages;
    Settings settings;
};

TEST_F(BindingTest, EmptyLibrarySettingLoadsTheEngineBesideTheProgramAndWritesItsNameBack)
{
    settings.config = test::CaptureConfig();
    EngineBinding engine(messages, settings);
    ASSERT_TRUE(engine.Configure(settings));
    EXPECT_EQ(settings.engineLibrary, kMidiLibFileName);
    EXPECT_TRUE(messages.numbers().empty());
    EXPECT_EQ(engine.OutputCount(), 1);
    EXPECT_EQ(engine.CurrentConfig(), settings.config);
    // Configured at start-up: the MIDI settings were applied, which connects.
    EXPECT_TRUE(engine.Connected());
}

TEST_F(BindingTest, MissingLibraryShows202ThenTheStartUpCheckRefusesWith297)
{
    settings.engineLibrary = "/nonexistent/libkvmidi.so";
    EngineBinding engine(messages, settings);
    EXPECT_FALSE(engine.Configure(settings));
    EXPECT_EQ(messages.numbers(), (std::vector<int>{202, 297}));
    EXPECT_EQ(engine.GetError(), -1);
    EXPECT_FALSE(engine.Connect(kConnectReport));
    EXPECT_EQ(engine.CurrentConfig(), "");
}

TEST_F(BindingTest, EveryOrdinalOfTheBindingTableIsRequired)
{
    settings.engineLibrary = KV_FAKE_ENGINE;
    {
        EngineBinding engine(messages, settings);
        ASSERT_TRUE(engine.EnsureLoaded()) << "the fake engine itself binds";
    }
    for (uint32_t ordinal : kProgramOrdinals) {
        SCOPED_TRACE(ordinal);
        setenv("KV_FAKE_MISSING", std::to_string(ordinal).c_str(), 1);
        messages.Clear();
        EngineBinding engine(messages, settings);
        EXPECT_FALSE(engine.EnsureLoaded());
        EXPECT_FALSE(engine.Loaded());
        EXPECT_EQ(messages.numbers(), std::vector<int>{202});
    }
}

TEST_F(BindingTest, APlatformAdditionMayBeMissing)
{
    settings.engineLibrary = KV_FAKE_ENGINE;
    setenv("KV_FAKE_MISSING", std::to_string(kOrdCaptureCount).c_str(), 1);
    EngineBinding engine(messages, settings);
    EXPECT_TRUE(engine.EnsureLoaded());
}

TEST_F(BindingTest, IncompatibleInfoBlocksAreRefusedWith297)
{
    settings.engineLibrary = KV_FAKE_ENGINE;
    struct Case {
        const char* version;
        bool refused;
    };
    const Case cases[] = {{"1327", true}, {"1328", false}, {"1400", false}, {"0", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        setenv("KV_FAKE_VERSION", c.version, 1);
        messages.Clear();
        EngineBinding engine(messages, settings);
        EXPECT_EQ(engine.Configure(settings), !c.refused);
        EXPECT_EQ(messages.Has(297), c.refused);
    }
}

TEST_F(BindingTest, IncompatibleEngineLooksAtEveryField)
{
    uint8_t good[kMidiLibInfoSize] = {};
    auto put = [](uint8_t* b, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    put(good, info::kVersion, 1328);
    put(good, info::kOldestVersion, 522);
    put(good, info::kFirstMessage, 1124);
    put(good, info::kLastMessage, 1145);
    put(good, info::kOptionCount, 61);
    EXPECT_FALSE(IncompatibleEngine(good));
    struct Case {
        size_t offset;
        uint32_t value;
    };
    // Each one field off by one towards incompatible.
    const Case cases[] = {{info::kVersion, 1327},
                          {info::kOldestVersion, 1329},
                          {info::kFirstMessage, 1125},
                          {info::kLastMessage, 1144},
                          {info::kOptionCount, 60}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        uint8_t bad[kMidiLibInfoSize];
        std::copy(std::begin(good), std::end(good), bad);
        put(bad, c.offset, c.value);
        EXPECT_TRUE(IncompatibleEngine(bad));
    }
}

TEST_F(BindingTest, DefaultConfigStartsUnconfiguredAndTheFirstConnectionReports336)
{
    EngineBinding engine(messages, settings);  // Config "D0,0"
    ASSERT_TRUE(engine.Configure(settings));
    EXPECT_TRUE(messages.numbers().empty());
    EXPECT_EQ(engine.OutputCount(), 0);
    EXPECT_FALSE(engine.Connect(kConnectRenew));
    EXPECT_TRUE(messages.numbers().empty()) << "only mode 4 reports";
    EXPECT_FALSE(engine.Connect(kConnectReport));
    EXPECT_EQ(messages.numbers(), std::vector<int>{336});
}

TEST_F(BindingTest, AConfigurationNamingAMissingDeviceShows298AndStartUpGoesOn)
{
    settings.config = "D0,12345";
    EngineBinding engine(messages, settings);
    EXPECT_TRUE(engine.Configure(settings));
    EXPECT_EQ(messages.numbers(), std::vector<int>{298});
}

TEST_F(BindingTest, AnEmptyConfigurationOffersTheBuiltInSynthesiser)
{
    settings.engineLibrary = KV_FAKE_ENGINE;
    setenv("KV_FAKE_DEVICE", kBuiltInSynthName, 1);
    struct Case {
        Button answer;
        std::string config;
    };
    const std::string synth = "D0," + std::to_string(uint32_t(DeviceKeyOf(kBuiltInSynthName)));
    const Case cases[] = {{Button::Yes, synth}, {Button::No, kDefaultConfig}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.config);
        settings.config = kDefaultConfig;
        messages.Clear();
        messages.Answer(c.answer);
        EngineBinding engine(messages, settings);
        ASSERT_TRUE(engine.Configure(settings));
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_NE(messages.shown()[0].text.find(kBuiltInSynthName), std::string::npos);
        EXPECT_EQ(settings.config, c.config);
        EXPECT_EQ(engine.OutputCount(), c.answer == Button::Yes ? 1 : 0);
    }
}

TEST_F(BindingTest, NoOfferWithoutTheBuiltInSynthesiser)
{
    settings.engineLibrary = KV_FAKE_ENGINE;
    setenv("KV_FAKE_DEVICE", "Some Other Synth", 1);
    EngineBinding engine(messages, settings);
    ASSERT_TRUE(engine.Configure(settings));
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(BindingTest, ConnectionPolicyModes)
{
    settings.config = test::CaptureConfig();
    EngineBinding engine(messages, settings);
    ASSERT_TRUE(engine.Configure(settings));
    engine.SetEngineBusy(true);
    EXPECT_TRUE(engine.Connect(kConnectEnsure));
    EXPECT_TRUE(engine.EngineBusy()) << "mode 1 leaves a connected engine alone";
    EXPECT_FALSE(engine.Connect(kConnectDrop));
    EXPECT_FALSE(engine.Connected());
    EXPECT_FALSE(engine.EngineBusy());
    EXPECT_TRUE(engine.Connect(kConnectEnsure));
    engine.SetEngineBusy(true);
    EXPECT_TRUE(engine.Connect(kConnectRenew));
    EXPECT_FALSE(engine.EngineBusy());
    EXPECT_TRUE(messages.numbers().empty());
}

TEST_F(BindingTest, AConnectionLeftOpenByACrashedProgramShows379AndStaysConnected)
{
    settings.config = test::CaptureConfig();
    EngineBinding engine(messages, settings);
    ASSERT_TRUE(engine.Configure(settings));
    engine.Connect(kConnectDrop);
    // Another program (or this one before a crash) connected and never
    // disconnected.
    ASSERT_EQ(engine.Lib()->Connect(kMainWindowId), 1);
    EXPECT_TRUE(engine.Connect(kConnectRenew));
    EXPECT_EQ(messages.numbers(), std::vector<int>{379});
    EXPECT_TRUE(engine.Connected());
}

TEST_F(BindingTest, AForwardWindowTakesEveryNotification)
{
    settings.config = test::CaptureConfig();
    EngineBinding engine(messages, settings);
    WakeLoop loop;
    engine.SetWake(loop.Callback());
    RecordingSink main, forward;
    engine.SetSink(&main);
    ASSERT_TRUE(engine.Configure(settings));
    engine.OnWake();
    main.messages.clear();
    // The connection's own notification is the first one the new window sees.
    ASSERT_TRUE(engine.Connect(kConnectRenew, &forward));
    engine.OnWake();
    EXPECT_EQ(forward.messages, std::vector<uint32_t>{ML_CONNECTED});
    EXPECT_TRUE(main.messages.empty());
    ASSERT_TRUE(engine.Connect(kConnectRenew));
    engine.OnWake();
    EXPECT_EQ(main.messages, std::vector<uint32_t>{ML_CONNECTED});
    EXPECT_EQ(forward.messages.size(), 1u);
}

TEST_F(BindingTest, TheWakeUpReachesTheProgramOnceUntilItIsTaken)
{
    settings.config = test::CaptureConfig();
    EngineBinding engine(messages, settings);
    int wakes = 0;
    engine.SetWake([&wakes] { ++wakes; });
    RecordingSink main;
    engine.SetSink(&main);
    ASSERT_TRUE(engine.Configure(settings));
    const int afterStart = wakes;
    EXPECT_GE(afterStart, 1);
    // More notifications before the program takes them: no second wake-up.
    engine.Connect(kConnectRenew);
    EXPECT_EQ(wakes, afterStart);
    engine.OnWake();
    EXPECT_FALSE(main.messages.empty());
    engine.Connect(kConnectRenew);
    EXPECT_EQ(wakes, afterStart + 1);
}

}  // namespace
}  // namespace kv
