#include "transport/enginebinding.h"

#include <cstring>

#include "app/settings/settings.h"
#include "platform/messages.h"

namespace kv {

namespace {

uint32_t Read32(const uint8_t* info, size_t offset)
{
    return uint32_t(info[offset]) | uint32_t(info[offset + 1]) << 8 | uint32_t(info[offset + 2]) << 16 |
           uint32_t(info[offset + 3]) << 24;
}

// A notification sink can disconnect inside its handler (the end of a run
// reconnects); a runaway engine must not keep the main thread here forever.
constexpr int kMessagesPerWake = 4096;

}  // namespace

bool IncompatibleEngine(const uint8_t* info)
{
    return Read32(info, info::kVersion) < kMidiLibVersion ||
           Read32(info, info::kOldestVersion) > kMidiLibVersion ||
           Read32(info, info::kFirstMessage) > ML_STOPPED || Read32(info, info::kLastMessage) < ML_RAW_DATA ||
           Read32(info, info::kOptionCount) <= 60;
}

EngineBinding::EngineBinding(Messages& messages, Settings& settings)
    : m_messages(messages), m_settings(settings)
{
    m_host.post = &EngineBinding::Post;
    m_host.pending = nullptr;
    m_host.context = this;
}

EngineBinding::~EngineBinding()
{
    Shutdown();
}

// --- loading -------------------------------------------------------------------

bool EngineBinding::EnsureLoaded()
{
    if (m_file.Loaded())
        return true;
    if (m_settings.engineLibrary.empty())
        m_settings.engineLibrary = kMidiLibFileName;
    if (!m_file.Load(m_settings.engineLibrary)) {
        m_messages.ShowInfo(202);
        return false;
    }
    if (m_file.Lib().RegisterWindow)
        m_file.Lib().RegisterWindow(kMainWindowId, &m_host);
    return true;
}

uint32_t EngineBinding::ReadInfo(uint8_t* info) const
{
    std::memset(info, 0, kMidiLibInfoSize);
    if (!m_file.Loaded())
        return 0;
    const uint32_t version = m_file.Lib().GetInfo(info, kMidiLibInfoSize);
    // The engine leaves error 31 behind for callers that probe this way;
    // here it would only surface later as a stale error.
    m_file.Lib().GetError(nullptr, 0);
    return version;
}

uint32_t EngineBinding::GetInfo(uint8_t* info)
{
    EnsureLoaded();
    return ReadInfo(info);
}

void EngineBinding::Shutdown()
{
    if (!m_file.Loaded())
        return;
    if (m_file.Lib().RegisterWindow)
        m_file.Lib().RegisterWindow(kMainWindowId, nullptr);
    m_file.Unload();  // shuts the engine down first
    m_connected = m_engineBusy = false;
    m_forward = nullptr;
    m_outputCount = 0;
}

int32_t EngineBinding::GetError(std::string* text)
{
    if (!m_file.Loaded())
        return -1;
    char buffer[256] = "";
    const int32_t code = m_file.Lib().GetError(buffer, sizeof buffer);
    if (text)
        *text = buffer;
    return code;
}

std::string EngineBinding::ErrorText(int32_t code) const
{
    if (!m_file.Loaded())
        return {};
    char buffer[256] = "";
    m_file.Lib().GetErrorText(code, buffer, sizeof buffer);
    return buffer;
}

// --- start-up --------------------------------------------------------------------

bool EngineBinding::Configure(const Settings& settings)
{
    uint8_t info[kMidiLibInfoSize];
    GetInfo(info);
    if (IncompatibleEngine(info)) {
        m_messages.ShowInfo(297);
        return false;
    }
    const MidiLibrary& lib = m_file.Lib();
    const std::string config = settings.config;
    const bool initialised = lib.Init(config.empty() ? nullptr : config.c_str()) != 0;
    ReadInfo(info);
    m_outputCount = int32_t(Read32(info, info::kOutputCount));
    if (m_outputCount != 0)
        ApplyMidiSettings(false);
    const bool offered = m_outputCount == 0 && OfferBuiltInSynth();
    if (!initialised && !offered)
        m_messages.ShowInfo(298);
    return true;
}

std::string EngineBinding::CurrentConfig() const
{
    uint8_t info[kMidiLibInfoSize];
    if (ReadInfo(info) == 0)
        return {};
    const char* text = reinterpret_cast<const char*>(info + info::kConfig);
    return std::string(text, strnlen(text, info::kConfigSize));
}

bool EngineBinding::OfferBuiltInSynth()
{
    const MidiLibrary* lib = Lib();
    if (lib == nullptr)
        return false;
    bool found = false;
    const int32_t count = lib->GetDeviceCount(0);
    for (int32_t i = 0; i < count && !found; ++i) {
        char name[64] = "";
        found = lib->GetDeviceName(0, i, name, sizeof name) && std::strcmp(name, kBuiltInSynthName) == 0;
    }
    if (!found)
        return false;
    if (m_messages.AskYesNoText("No MIDI output device has been selected.  Play through the built-in %s?",
                                kBuiltInSynthName))
        return false;
    return ChooseOutput(kBuiltInSynthName);
}

bool EngineBinding::ChooseOutput(const std::string& deviceName)
{
    const MidiLibrary* lib = Lib();
    if (lib == nullptr)
        return false;
    Connect(kConnectDrop);
    const std::string config = "D0," + std::to_string(uint32_t(DeviceKeyOf(deviceName)));
    if (!lib->Reconfigure(config.c_str())) {
        std::string text;
        GetError(&text);
        m_messages.ShowInfoText("%s", text);
        return false;
    }
    uint8_t info[kMidiLibInfoSize];
    ReadInfo(info);
    m_outputCount = int32_t(Read32(info, info::kOutputCount));
    m_settings.config = CurrentConfig();
    if (m_outputCount != 0)
        ApplyMidiSettings(false);
    return m_outputCount != 0;
}

// --- connection --------------------------------------------------------------------

bool EngineBinding::Connect(int mode, EngineNotificationSink* forward)
{
    const MidiLibrary* lib = Lib();
    if (mode == kConnectDrop) {
        if (m_connected && lib)
            lib->Disconnect();
        m_connected = m_engineBusy = false;
        return false;
    }
    if (mode == kConnectEnsure && m_connected)
        return true;
    if (m_connected && lib)
        lib->Disconnect();
    m_connected = m_engineBusy = false;
    if (lib == nullptr)
        return false;
    lib->GetError(nullptr, 0);  // so that a 33 read below is this connection's
    if (!lib->Connect(kMainWindowId)) {
        if (mode == kConnectReport)
            ReportConnectFailure();
        return false;
    }
    if (lib->GetError(nullptr, 0) == kErrCrashedConnection)
        m_messages.ShowInfo(379);
    m_connected = true;
    m_forward = forward;
    PushConnectionSettings();
    return true;
}

void EngineBinding::ReportConnectFailure()
{
    std::string text;
    const int32_t code = GetError(&text);
    if (code == kErrNotConfigured)
        m_messages.ShowInfo(336);
    else
        m_messages.ShowInfoText("%s", text);
}

void EngineBinding::PushConnectionSettings()
{
    const MidiLibrary& lib = m_file.Lib();
    const Settings& s = m_settings;
    lib.SetOption(kOptTimerResolution, s.timer);
    lib.SetFlag(kFlagQueueMode, 1);
    static const int32_t kSyncOptions[] = {kOptSyncInternal, kOptSyncMidiClock, kOptSyncSmpte,
                                           kOptSyncSoftware};
    lib.SetOption(kSyncOptions[s.syncMode >= 0 && s.syncMode <= 3 ? s.syncMode : 0], 0);
    lib.SetOption(kOptThruPort, s.thruPort);
    // Polyphonic and channel aftertouch, pitch bend and system messages are
    // not echoed: only notes, controllers and programs reach remote control.
    lib.SetOption(kOptFilterLow, 228);
    lib.SetOption(kOptEchoFilter, 0);
    // A port setting beyond the configured ports is refused; that refusal
    // must not show up later as a run's error in the status bar.
    lib.GetError(nullptr, 0);
}

void EngineBinding::ApplyMidiSettings(bool report)
{
    if (!Connect(report ? kConnectReport : kConnectRenew))
        return;
    const MidiLibrary& lib = m_file.Lib();
    const Settings& s = m_settings;
    lib.SetFlag(kFlagThru, s.thru);
    lib.SetFlag(kFlagRealTime, s.realTime);
    lib.SetFlag(kFlagSendRealTime, s.sendRT);
    lib.SetFlag(kFlagSendClock, s.sendClk);
    lib.SetOption(kOptTimerResolution, s.timer);
    lib.SetOption(kOptClockPort, s.rtPort);
    lib.GetError(nullptr, 0);
}

// --- notifications --------------------------------------------------------------

int32_t EngineBinding::Post(void* context, uint32_t window, uint32_t message, int32_t wParam, int32_t lParam,
                            int32_t sync)
{
    (void)window, (void)wParam, (void)lParam;
    auto* self = static_cast<EngineBinding*>(context);
    // A sent wake-up arrives from inside an export on the main thread; taking
    // the queue right there would run transport handlers in the middle of
    // the call that caused it (a connect, a disconnect). It is taken on the
    // next turn of the event loop like a posted one.
    (void)sync;
    if (message != ML_QUEUE_READY)
        return 1;
    if (!self->m_wakePending.exchange(true, std::memory_order_acq_rel) && self->m_wake)
        self->m_wake();
    return 1;
}

void EngineBinding::OnWake()
{
    m_wakePending.store(false, std::memory_order_release);
    const MidiLibrary* lib = Lib();
    if (lib == nullptr || !m_connected)
        return;
    MidiLibMessage m{};
    int taken = 0;
    while (m_connected && taken < kMessagesPerWake && lib->GetMessage(&m)) {
        ++taken;
        if (m_forward)
            m_forward->OnEngineNotification(m);
        else if (m_sink)
            m_sink->OnEngineNotification(m);
    }
    if (taken == kMessagesPerWake && !m_wakePending.exchange(true) && m_wake)
        m_wake();
    if (taken > 0 && m_sink && !m_forward)
        m_sink->NotificationsTaken();
}

}  // namespace kv
