#pragma once

#include <atomic>
#include <memory>

#include "engine/clock.h"
#include "engine/devices/device.h"
#include "engine/midilib.h"

namespace kv::engine {

inline constexpr const char* kLoopbackOutName = "Kelvane Loopback Out";
inline constexpr const char* kLoopbackInName = "Kelvane Loopback In";
inline constexpr const char* kCaptureName = "Kelvane Capture";

// Every message sent to the capture port, with its send time, in a fixed
// array allocated once. Messages beyond its capacity are counted but not kept.
class CaptureStore {
public:
    static constexpr uint32_t kCapacity = 1u << 18;
    // Real-time: no allocation, no lock, no wait.
    void Add(const uint8_t* bytes, size_t length, int64_t timeUs);
    uint32_t Count() const { return m_count.load(std::memory_order_acquire); }
    bool Read(uint32_t index, MidiLibCaptureRecord* record) const;
    void Clear();
    void Reserve();

private:
    std::unique_ptr<MidiLibCaptureRecord[]> m_records;
    std::unique_ptr<std::atomic<uint8_t>[]> m_ready;
    std::atomic<uint32_t> m_count{0};
};

CaptureStore& Capture();

// Ports that need no hardware: a loopback pair, where what is sent to the
// output arrives at the input stamped with the send time, and the capture
// output.
class VirtualBackend final : public Backend {
public:
    explicit VirtualBackend(const Clock& clock) : m_clock(clock) {}
    const char* Name() const override { return "virtual"; }
    void Refresh() override {}
    int OutputCount() const override { return 2; }
    int InputCount() const override { return 1; }
    const char* OutputName(int index) const override;
    const char* InputName(int index) const override;
    MidiOut* OpenOutput(int index, OpenResult* result) override;
    MidiIn* OpenInput(int index, InputCallback callback, void* context, OpenResult* result) override;

    // The loopback input as the output sees it; public for the port classes.
    struct LoopInput {
        std::atomic<InputCallback> callback{nullptr};
        std::atomic<void*> context{nullptr};
        std::atomic<bool> started{false};
        std::atomic<bool> open{false};
    };

private:
    const Clock& m_clock;
    LoopInput m_loop;
};

}  // namespace kv::engine
