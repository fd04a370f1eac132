#include "engine/devices/virtualports.h"

#include <algorithm>
#include <cstring>

namespace kv::engine {

namespace {

class LoopOut final : public MidiOut {
public:
    LoopOut(const Clock& clock, VirtualBackend::LoopInput& loop) : m_clock(clock), m_loop(loop) {}
    bool Send(const uint8_t* bytes, size_t length) override
    {
        // A loopback wired back into itself through MIDI thru would recurse
        // without end; one level is all a test ever needs.
        thread_local int depth = 0;
        if (depth > 0)
            return true;
        // acquire: pairs with the release in Start, so callback and context
        // are complete when started reads true.
        if (!m_loop.started.load(std::memory_order_acquire))
            return true;
        InputCallback cb = m_loop.callback.load(std::memory_order_relaxed);
        if (cb == nullptr)
            return true;
        ++depth;
        cb(m_loop.context.load(std::memory_order_relaxed), bytes, length, m_clock.NowUs());
        --depth;
        return true;
    }

private:
    const Clock& m_clock;
    VirtualBackend::LoopInput& m_loop;
};

class CaptureOut final : public MidiOut {
public:
    explicit CaptureOut(const Clock& clock) : m_clock(clock) { Capture().Reserve(); }
    bool Send(const uint8_t* bytes, size_t length) override
    {
        Capture().Add(bytes, length, m_clock.NowUs());
        return true;
    }

private:
    const Clock& m_clock;
};

class LoopIn final : public MidiIn {
public:
    explicit LoopIn(VirtualBackend::LoopInput& loop) : m_loop(loop) {}
    ~LoopIn() override
    {
        m_loop.started.store(false, std::memory_order_release);
        m_loop.open.store(false, std::memory_order_release);
    }
    bool Start() override
    {
        m_loop.started.store(true, std::memory_order_release);
        return true;
    }
    void Stop() override { m_loop.started.store(false, std::memory_order_release); }

private:
    VirtualBackend::LoopInput& m_loop;
};

}  // namespace

CaptureStore& Capture()
{
    static CaptureStore store;
    return store;
}

void CaptureStore::Reserve()
{
    if (m_records)
        return;
    // Value-initialised, so every page is touched now: a page fault on the
    // timer thread would show up as lateness in every timing measurement.
    m_records.reset(new MidiLibCaptureRecord[kCapacity]());
    m_ready.reset(new std::atomic<uint8_t>[kCapacity]);
    for (uint32_t i = 0; i < kCapacity; ++i)
        m_ready[i].store(0, std::memory_order_relaxed);
}

void CaptureStore::Add(const uint8_t* bytes, size_t length, int64_t timeUs)
{
    uint32_t index = m_count.fetch_add(1, std::memory_order_acq_rel);
    if (!m_records || index >= kCapacity)
        return;
    MidiLibCaptureRecord& r = m_records[index];
    r.timeUs = timeUs;
    r.length = static_cast<uint32_t>(length);
    memset(r.bytes, 0, sizeof r.bytes);
    memcpy(r.bytes, bytes, std::min(length, sizeof r.bytes));
    // release: a reader that sees ready sees the record.
    m_ready[index].store(1, std::memory_order_release);
}

bool CaptureStore::Read(uint32_t index, MidiLibCaptureRecord* record) const
{
    if (record == nullptr || !m_records || index >= kCapacity || index >= Count())
        return false;
    if (m_ready[index].load(std::memory_order_acquire) == 0)
        return false;
    *record = m_records[index];
    return true;
}

void CaptureStore::Clear()
{
    if (m_records) {
        uint32_t n = std::min(Count(), kCapacity);
        for (uint32_t i = 0; i < n; ++i)
            m_ready[i].store(0, std::memory_order_relaxed);
    }
    m_count.store(0, std::memory_order_release);
}

const char* VirtualBackend::OutputName(int index) const
{
    if (index == 0)
        return kLoopbackOutName;
    if (index == 1)
        return kCaptureName;
    return "";
}

const char* VirtualBackend::InputName(int index) const
{
    return index == 0 ? kLoopbackInName : "";
}

MidiOut* VirtualBackend::OpenOutput(int index, OpenResult* result)
{
    *result = OpenResult::Ok;
    if (index == 0)
        return new LoopOut(m_clock, m_loop);
    if (index == 1)
        return new CaptureOut(m_clock);
    *result = OpenResult::NoDevice;
    return nullptr;
}

MidiIn* VirtualBackend::OpenInput(int index, InputCallback callback, void* context, OpenResult* result)
{
    if (index != 0) {
        *result = OpenResult::NoDevice;
        return nullptr;
    }
    bool expected = false;
    if (!m_loop.open.compare_exchange_strong(expected, true, std::memory_order_acq_rel)) {
        *result = OpenResult::InUse;
        return nullptr;
    }
    m_loop.callback.store(callback, std::memory_order_relaxed);
    m_loop.context.store(context, std::memory_order_relaxed);
    *result = OpenResult::Ok;
    return new LoopIn(m_loop);
}

}  // namespace kv::engine
