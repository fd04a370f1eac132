#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "engine/midilib.h"

namespace kv {
namespace {

// Loads the library by file name and binds it exactly as the program does.
class EngineBindingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("KVMIDI_BACKENDS", "virtual", 1);
        std::string path = std::string(KV_BIN_DIR) + "/" + kMidiLibFileName;
        m_library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_library, nullptr) << dlerror();
        m_entry = reinterpret_cast<KVMidiEntryFn>(dlsym(m_library, kMidiLibEntryName));
        ASSERT_NE(m_entry, nullptr);
    }
    void TearDown() override
    {
        if (m_library) {
            if (auto shutdown = Bind<MidiLibShutdownFn>(kOrdShutdown))
                shutdown();
            dlclose(m_library);
        }
        unsetenv("KVMIDI_BACKENDS");
    }
    template <class F>
    F Bind(uint32_t ordinal)
    {
        return reinterpret_cast<F>(m_entry(ordinal));
    }
    void* m_library = nullptr;
    KVMidiEntryFn m_entry = nullptr;
};

TEST_F(EngineBindingTest, EveryOrdinalTheProgramBindsResolves)
{
    EXPECT_EQ(std::size(kProgramOrdinals), 48u);
    for (uint32_t ordinal : kProgramOrdinals)
        EXPECT_NE(m_entry(ordinal), nullptr) << ordinal;
    for (uint32_t ordinal : {63u, 67u, 90u, 91u, 92u, 93u, 94u, 95u})
        EXPECT_NE(m_entry(ordinal), nullptr) << ordinal;
}

TEST_F(EngineBindingTest, UnknownOrdinalsGiveNull)
{
    for (uint32_t ordinal : {0u, 1u, 2u, 5u, 99u, 100u, 0xFFFFFFFFu})
        EXPECT_EQ(m_entry(ordinal), nullptr) << ordinal;
}

TEST_F(EngineBindingTest, OnlyTheEntryIsExportedByName)
{
    EXPECT_EQ(dlsym(m_library, "MidiLibInit"), nullptr);
    EXPECT_EQ(dlsym(m_library, "_ZN2kv6engine11MidiLibInitEPKc"), nullptr);
}

TEST_F(EngineBindingTest, ABoundSessionRunsThroughTheVirtualPorts)
{
    auto getInfo = Bind<MidiLibGetInfoFn>(kOrdGetInfo);
    auto init = Bind<MidiLibInitFn>(kOrdInit);
    auto connect = Bind<MidiLibConnectFn>(kOrdConnect);
    auto getMessage = Bind<MidiLibGetMessageFn>(kOrdGetMessage);
    auto getError = Bind<MidiLibGetErrorFn>(kOrdGetError);
    auto disconnect = Bind<MidiLibDisconnectFn>(kOrdDisconnect);
    auto sendToPort = Bind<MidiLibSendShortToPortFn>(kOrdSendShortToPort);
    auto captureCount = Bind<MidiLibCaptureCountFn>(kOrdCaptureCount);
    ASSERT_TRUE(getInfo && init && connect && getMessage && getError && disconnect);
    uint8_t info[200];
    EXPECT_EQ(getInfo(info, sizeof info), kMidiLibVersion);
    EXPECT_EQ(getError(nullptr, 0), kErrFilesMissing);
    // "Kelvane Capture": the key is the byte sum of the name.
    int32_t key = 0;
    for (const char* p = "Kelvane Capture"; *p; ++p)
        key += *p;
    ASSERT_EQ(init(("D0," + std::to_string(key)).c_str()), 1);
    ASSERT_EQ(connect(0), 1);
    MidiLibMessage m;
    ASSERT_EQ(getMessage(&m), 1);
    EXPECT_EQ(m.message, ML_CONNECTED);
    EXPECT_EQ(getMessage(&m), 0);
    uint32_t before = captureCount();
    EXPECT_EQ(sendToPort(0, 0x90, 60, 100), 1);
    EXPECT_EQ(captureCount(), before + 1);
    EXPECT_EQ(disconnect(), 1);
}

}  // namespace
}  // namespace kv
