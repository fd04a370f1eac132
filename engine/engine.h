#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/clock.h"
#include "engine/config.h"
#include "engine/devices/device.h"
#include "engine/midilib.h"
#include "engine/notifyqueue.h"
#include "engine/settings.h"

namespace kv::engine {

enum EngineState : int32_t { kIdle = 0, kConfiguring = 1, kConnected = 3 };

// Roles of the special-purpose output ports.
enum PortRole { kMetronomePort, kImmediatePort, kClockPort, kThruPort, kSysExPort, kRoleCount };

inline constexpr int kWindowSlots = 16;
inline constexpr int kWindowTimers = 16;
inline constexpr int kWorkKinds = 7;

// Work handed from callback threads to the window thread; the handler runs
// inside MidiLibGetMessage, at disconnection and while an export waits.
using WorkHandler = void (*)(intptr_t pointer);

// The one process-wide engine. Exports run on the window thread; the timer
// thread and the MIDI callbacks touch only the atomics, the queue and the
// open devices. Members that only the window thread uses are plain.
class Engine {
public:
    static Engine& Get();

    // --- clock and timers
    const Clock& Now() const { return m_clock; }
    int64_t NowUs() const { return m_clock.NowUs(); }
    TimerSlots& Timers() { return m_timers; }
    // Tests hand in a simulated clock (null restores the real one); the
    // timer thread runs only with the real clock.
    void UseClock(SimClock* clock);
    void KickTimers();

    // --- state
    int32_t State() const { return m_state.load(std::memory_order_acquire); }
    void SetState(int32_t s) { m_state.store(s, std::memory_order_release); }
    bool Configured() const { return m_outputCount.load(std::memory_order_acquire) > 0; }
    int OutputCount() const { return m_outputCount.load(std::memory_order_acquire); }
    // Fails with 4 (idle) or 5 (configuring) unless connected.
    bool RequireConnected();
    bool RequireConfigured();

    // --- devices and configuration
    void SetBackends(std::vector<std::unique_ptr<Backend>> backends);
    void BuildDeviceLists();
    const DeviceLists& Lists() const { return m_lists; }
    const char* DeviceBackendName(bool input, int index) const;
    PortConfig& Config() { return m_config; }
    int32_t OpenDevices();  // 0 or the engine error code
    void CloseDevices();
    MidiOut* Output(int port) const;
    int RolePort(PortRole role) const { return m_roles[role].load(std::memory_order_acquire); }
    void SetRolePort(PortRole role, int port) { m_roles[role].store(port, std::memory_order_release); }
    // Real-time: no allocation, no lock, no wait.
    bool SendToPort(int port, const uint8_t* bytes, size_t length);
    const char* DeviceErrorText() const { return m_deviceError; }
    int SyncInput() const { return m_syncInput; }

    // --- windows and notifications
    bool RegisterWindow(uint32_t window, const MidiLibWindowHost* host);
    bool IsWindow(uint32_t window) const;
    // Posts straight to a window, bypassing the queue; false when refused.
    bool PostToWindow(uint32_t window, uint32_t message, int32_t w, int32_t l, bool sync);
    uint32_t Window() const { return m_window.load(std::memory_order_acquire); }
    void SetWindow(uint32_t w) { m_window.store(w, std::memory_order_release); }
    // Real-time (when send is false): no allocation, no lock, no wait.
    void Notify(uint32_t message, int32_t w, intptr_t l, bool send = false);
    void Rewake();
    int32_t GetMessage(MidiLibMessage* out);
    void PerformWork();
    void DrainQueue();
    void SetWorkHandler(int kind, WorkHandler handler);
    NotifyQueue& Queue() { return m_queue; }
    bool WakeOutstanding() const { return m_wakeOutstanding.load(std::memory_order_acquire); }

    // --- window timers
    int32_t SetWindowTimer(uint32_t window, uint32_t ms, int32_t value);
    void CancelWindowTimers();

    // --- settings
    Settings& Set() { return m_settings; }

    // --- lifecycle
    void EndConnection();
    void Shutdown();
    // Back to the state of a freshly loaded library (tests).
    void ResetForTests();

    // Run flags and positions shared with the scheduler (engine/player.h).
    RunState& Run() { return m_run; }

private:
    Engine();
    void LoadDefaults();
    static void InputReceived(void* context, const uint8_t* bytes, size_t length, int64_t timeUs);
    static void WindowTimerFired(void* context, int slot, int64_t nowUs);
    bool Deliver(const Notification& n, bool send);
    void Perform(const Notification& n);

    SteadyClock m_steady;
    ForwardingClock m_clock{&m_steady};
    TimerSlots m_timers;
    TimerThread m_timerThread{m_timers};
    bool m_simulated = false;

    std::atomic<int32_t> m_state{kIdle};
    std::atomic<int32_t> m_outputCount{0};

    std::vector<std::unique_ptr<Backend>> m_backends;
    bool m_backendsChosen = false;
    DeviceLists m_lists;
    PortConfig m_config;
    std::atomic<MidiOut*> m_outputs[kMaxPorts] = {};
    MidiIn* m_inputs[kMaxPorts] = {};
    int m_syncInput = -1;
    std::atomic<int> m_roles[kRoleCount] = {};
    char m_deviceError[256] = {};

    struct WindowSlot {
        std::atomic<uint32_t> id{0};
        std::atomic<decltype(MidiLibWindowHost::post)> post{nullptr};
        std::atomic<decltype(MidiLibWindowHost::pending)> pending{nullptr};
        std::atomic<void*> context{nullptr};
    };
    WindowSlot m_windows[kWindowSlots];
    std::atomic<uint32_t> m_window{0};

    NotifyQueue m_queue;
    std::atomic<bool> m_wakeOutstanding{false};
    std::atomic<int64_t> m_wakeTimeUs{0};
    std::atomic<bool> m_clockPending{false};
    std::atomic<int32_t> m_clockPosition{0};
    std::atomic<bool> m_soloPending{false};
    std::atomic<bool> m_rawPending{false};
    std::atomic<WorkHandler> m_work[kWorkKinds] = {};

    struct WindowTimer {
        std::atomic<int> busy{0};
        std::atomic<int> slot{-1};
        std::atomic<uint32_t> window{0};
        std::atomic<int32_t> value{0};
    };
    WindowTimer m_windowTimers[kWindowTimers];

    Settings m_settings;
    RunState m_run;
};

}  // namespace kv::engine
