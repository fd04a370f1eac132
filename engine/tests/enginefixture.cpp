#include "engine/tests/enginefixture.h"

namespace kv::engine::testing {

namespace {

class NullOut final : public MidiOut {
public:
    bool Send(const uint8_t*, size_t) override { return true; }
};

class NullIn final : public MidiIn {
public:
    bool Start() override { return true; }
    void Stop() override {}
};

}  // namespace

MidiOut* FakeBackend::OpenOutput(int, OpenResult* result)
{
    *result = failWith;
    if (failWith != OpenResult::Ok)
        return nullptr;
    ++opened;
    return new NullOut;
}

MidiIn* FakeBackend::OpenInput(int, InputCallback, void*, OpenResult* result)
{
    *result = failWith;
    if (failWith != OpenResult::Ok)
        return nullptr;
    ++opened;
    return new NullIn;
}

FakeWindow::FakeWindow(uint32_t id, bool drainOnSync) : m_id(id), m_drainOnSync(drainOnSync)
{
    MidiLibWindowHost host{&FakeWindow::Post, &FakeWindow::Pending, this};
    MidiLibRegisterWindow(id, &host);
}

FakeWindow::~FakeWindow()
{
    MidiLibRegisterWindow(m_id, nullptr);
}

int32_t FakeWindow::Post(void* context, uint32_t, uint32_t message, int32_t w, int32_t l, int32_t sync)
{
    auto* self = static_cast<FakeWindow*>(context);
    if (self->refuse)
        return 0;
    {
        std::lock_guard<std::mutex> lock(self->m_mutex);
        self->m_posted.push_back({message, w, l, sync != 0});
    }
    if (sync && message == ML_QUEUE_READY && self->m_drainOnSync) {
        MidiLibMessage m;
        while (MidiLibGetMessage(&m))
            self->m_drained.push_back(m);
    }
    return 1;
}

int32_t FakeWindow::Pending(void* context, uint32_t)
{
    return static_cast<FakeWindow*>(context)->otherMessagesWaiting ? 1 : 0;
}

std::vector<FakeWindow::Posted> FakeWindow::TakePosted()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::exchange(m_posted, {});
}

size_t FakeWindow::CountPosted(uint32_t message)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    size_t n = 0;
    for (const Posted& p : m_posted)
        n += p.message == message;
    return n;
}

std::string KeyText(const char* name)
{
    return std::to_string(static_cast<uint32_t>(DeviceKey(name)));
}

void EngineTest::SetUp()
{
    engine.ResetForTests();
    auto fakeBackend = std::make_unique<FakeBackend>();
    fake = fakeBackend.get();
    fake->outputs = {"Fake Synth A", "Fake Synth B"};
    fake->inputs = {"Fake Keys", "Fake Clock"};
    std::vector<std::unique_ptr<Backend>> backends;
    backends.push_back(std::make_unique<VirtualBackend>(engine.Now()));
    backends.push_back(std::move(fakeBackend));
    engine.SetBackends(std::move(backends));
    window = std::make_unique<FakeWindow>(7);
    loopOut = KeyText(kLoopbackOutName);
    capture = KeyText(kCaptureName);
    loopIn = KeyText(kLoopbackInName);
}

void EngineTest::TearDown()
{
    window.reset();
    engine.ResetForTests();
}

void EngineTest::ConfigureAndConnect(const char* config)
{
    ASSERT_EQ(MidiLibInit(config), 1) << "error " << PeekError();
    ASSERT_EQ(MidiLibConnect(window->Id()), 1) << "error " << PeekError();
    TakeAll();
    window->TakePosted();
    TakeError();
}

std::vector<MidiLibMessage> EngineTest::TakeAll()
{
    std::vector<MidiLibMessage> all;
    MidiLibMessage m;
    while (MidiLibGetMessage(&m))
        all.push_back(m);
    return all;
}

}  // namespace kv::engine::testing
