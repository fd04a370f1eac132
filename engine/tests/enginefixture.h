#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/devices/virtualports.h"
#include "engine/engine.h"
#include "engine/errors.h"
#include "engine/exports.h"

namespace kv::engine::testing {

// A back-end whose device names a test chooses; opening can be made to fail.
class FakeBackend final : public Backend {
public:
    std::vector<std::string> outputs;
    std::vector<std::string> inputs;
    OpenResult failWith = OpenResult::Ok;
    int opened = 0;

    const char* Name() const override { return "fake"; }
    void Refresh() override {}
    int OutputCount() const override { return static_cast<int>(outputs.size()); }
    int InputCount() const override { return static_cast<int>(inputs.size()); }
    const char* OutputName(int i) const override { return outputs[i].c_str(); }
    const char* InputName(int i) const override { return inputs[i].c_str(); }
    MidiOut* OpenOutput(int, OpenResult* result) override;
    MidiIn* OpenInput(int, InputCallback, void*, OpenResult* result) override;
};

// Stands in for the program's window: records what the engine posts. A sync
// ML_QUEUE_READY is answered as the program does, by taking notifications
// until none is left.
class FakeWindow {
public:
    struct Posted {
        uint32_t message;
        int32_t wParam;
        int32_t lParam;
        bool sync;
    };
    explicit FakeWindow(uint32_t id, bool drainOnSync = false);
    ~FakeWindow();
    uint32_t Id() const { return m_id; }
    std::vector<Posted> TakePosted();
    std::vector<MidiLibMessage> Drained() const { return m_drained; }
    size_t CountPosted(uint32_t message);
    bool refuse = false;
    bool otherMessagesWaiting = false;

private:
    static int32_t Post(void* context, uint32_t window, uint32_t message, int32_t w, int32_t l, int32_t sync);
    static int32_t Pending(void* context, uint32_t window);
    uint32_t m_id;
    bool m_drainOnSync;
    std::mutex m_mutex;
    std::vector<Posted> m_posted;
    std::vector<MidiLibMessage> m_drained;
};

// Each test starts from a freshly loaded engine with the virtual ports and a
// fake back-end, no real devices.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Configures with the given string and connects to the window.
    void ConfigureAndConnect(const char* config);
    std::vector<MidiLibMessage> TakeAll();

    Engine& engine = Engine::Get();
    FakeBackend* fake = nullptr;
    std::unique_ptr<FakeWindow> window;
    std::string loopOut, capture, loopIn;  // keys as decimal text
};

std::string KeyText(const char* name);

}  // namespace kv::engine::testing
