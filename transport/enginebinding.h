#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "app/settings/enginesetup.h"
#include "engine/midilib.h"
#include "transport/midilibrary.h"

namespace kv {

class Messages;
struct Settings;

// The id under which the main window is known to the engine.
inline constexpr uint32_t kMainWindowId = 1;
inline constexpr const char* kBuiltInSynthName = "Kelvane GM Synth";

// Connection policy modes.
enum ConnectMode : int {
    kConnectEnsure = 1,  // make sure the engine is connected
    kConnectDrop = 2,    // disconnect
    kConnectRenew = 3,   // disconnect when connected, then connect
    kConnectReport = 4,  // as kConnectRenew, and tell the user when it fails
};

// Whoever takes the engine's notifications: the transport for the main
// window, or a forward window (the system exclusive librarian) while one is
// set. Called on the main thread only.
class EngineNotificationSink {
public:
    virtual ~EngineNotificationSink() = default;
    virtual void OnEngineNotification(const MidiLibMessage& message) = 0;
    // After a wake-up took at least one notification.
    virtual void NotificationsTaken() {}
};

// The program's side of the engine: which library, its binding, the
// compatibility check and first configuration at start-up, the connection
// policy, and the wake-up that brings the engine's notifications to the main
// thread. Everything but the wake-up callback runs on the main thread.
class EngineBinding : public EngineSetup {
public:
    EngineBinding(Messages& messages, Settings& settings);
    ~EngineBinding() override;
    EngineBinding(const EngineBinding&) = delete;
    EngineBinding& operator=(const EngineBinding&) = delete;

    // wake is called on engine threads (timer, MIDI input) and must only
    // arrange for OnWake to run soon on the main thread (a queued event) and
    // return. Set it before the library is loaded; it must not change while
    // the library is loaded.
    void SetWake(std::function<void()> wake) { m_wake = std::move(wake); }
    // The main window's notification handler.
    void SetSink(EngineNotificationSink* sink) { m_sink = sink; }
    // Takes every waiting notification and hands each to the forward window
    // when one is set, else to the sink.
    void OnWake();

    // Loads and binds the library named by [General] 32BitMIDI at first use.
    // Message 202 when it cannot; every engine call then fails.
    bool EnsureLoaded();
    bool Loaded() const { return m_file.Loaded(); }
    // The loaded library's entry points; null when none is loaded.
    const MidiLibrary* Lib() const { return m_file.Loaded() ? &m_file.Lib() : nullptr; }
    // Ensures loaded, then fills info (kMidiLibInfoSize bytes) and returns
    // the interface version; 0 with the version field 0 when not loaded.
    uint32_t GetInfo(uint8_t* info);
    // Shuts the engine down and unloads the library (exit, failed start-up,
    // fatal exit).
    void Shutdown();
    // The engine's pending error (and its text), clearing it; -1 when no
    // library is loaded.
    int32_t GetError(std::string* text = nullptr);
    std::string ErrorText(int32_t code) const;

    // The connection policy; true when connected afterwards. forward is the
    // window that takes all notifications while set (null: the main window).
    bool Connect(int mode, EngineNotificationSink* forward = nullptr);
    bool Connected() const { return m_connected; }
    bool EngineBusy() const { return m_engineBusy; }
    void SetEngineBusy(bool busy) { m_engineBusy = busy; }
    EngineNotificationSink* ForwardWindow() const { return m_forward; }
    // Connects (mode 4 with report, else 3) and pushes thru, real-time,
    // clock, timer and clock-port settings.
    void ApplyMidiSettings(bool report);

    // Output ports configured, as the last info block said.
    int32_t OutputCount() const { return m_outputCount; }
    // When no output is configured and the built-in synthesiser exists, asks
    // the user whether to play through it and configures it when yes.
    bool OfferBuiltInSynth();
    // Makes the named output device the only output port, disconnecting
    // first, and keeps the new configuration in [General] Config.
    bool ChooseOutput(const std::string& deviceName);

    // EngineSetup: the start-up check and first configuration.
    bool Configure(const Settings& settings) override;
    std::string CurrentConfig() const override;

private:
    static int32_t Post(void* context, uint32_t window, uint32_t message, int32_t wParam, int32_t lParam,
                        int32_t sync);
    void PushConnectionSettings();
    void ReportConnectFailure();
    uint32_t ReadInfo(uint8_t* info) const;

    Messages& m_messages;
    Settings& m_settings;
    MidiLibraryFile m_file;
    bool m_connected = false;
    bool m_engineBusy = false;
    int32_t m_outputCount = 0;
    EngineNotificationSink* m_sink = nullptr;
    EngineNotificationSink* m_forward = nullptr;
    std::function<void()> m_wake;
    std::atomic<bool> m_wakePending{false};
    MidiLibWindowHost m_host{};
};

// Whether an info block describes an engine this program cannot use.
bool IncompatibleEngine(const uint8_t* info);

}  // namespace kv
