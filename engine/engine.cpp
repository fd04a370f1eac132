#include "engine/engine.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/devices/fluidbackend.h"
#include "engine/devices/rtmidibackend.h"
#include "engine/devices/virtualports.h"
#include "engine/errors.h"
#include "engine/player.h"

namespace kv::engine {

Engine& Engine::Get()
{
    static Engine engine;
    return engine;
}

Engine::Engine()
{
    LoadDefaults();
}

void Engine::LoadDefaults()
{
    m_settings.LoadDefaults();
    m_run.Reset();
    for (auto& role : m_roles)
        role.store(0, std::memory_order_relaxed);
    for (auto& w : m_work)
        w.store(nullptr, std::memory_order_relaxed);
}

void Engine::UseClock(SimClock* clock)
{
    if (clock) {
        m_timerThread.Stop();
        clock->SetSlots(&m_timers);
        m_clock.Point(clock);
        m_simulated = true;
    } else {
        m_clock.Point(&m_steady);
        m_simulated = false;
    }
}

void Engine::KickTimers()
{
    if (m_simulated)
        return;
    m_timerThread.Start();
    m_timerThread.Kick();
}

bool Engine::RequireConnected()
{
    int32_t state = State();
    if (state == kConnected)
        return true;
    SetError(state == kConfiguring ? kErrNotOwner : kErrNotOpened);
    return false;
}

bool Engine::RequireConfigured()
{
    if (Configured())
        return true;
    SetError(kErrNotConfigured);
    return false;
}

// --- devices

namespace {

// KVMIDI_BACKENDS (comma list of virtual, fluidsynth, alsa, jack) narrows the
// back-ends, so tests and headless runs see a known set of devices.
bool Wanted(const char* name)
{
    const char* list = getenv("KVMIDI_BACKENDS");
    if (list == nullptr || *list == '\0')
        return true;
    std::string s = std::string(",") + list + ",";
    return s.find(std::string(",") + name + ",") != std::string::npos;
}

}  // namespace

void Engine::SetBackends(std::vector<std::unique_ptr<Backend>> backends)
{
    m_backends = std::move(backends);
    m_backendsChosen = true;
}

void Engine::BuildDeviceLists()
{
    if (!m_backendsChosen) {
        if (Wanted("virtual"))
            m_backends.push_back(std::make_unique<VirtualBackend>(m_clock));
        if (Wanted("fluidsynth"))
            m_backends.push_back(std::make_unique<FluidBackend>());
        if (Wanted("alsa"))
            m_backends.push_back(std::make_unique<RtMidiBackend>(RtMidiBackend::System::Alsa, m_clock));
        if (Wanted("jack"))
            m_backends.push_back(std::make_unique<RtMidiBackend>(RtMidiBackend::System::Jack, m_clock));
        m_backendsChosen = true;
    }
    DeviceLists lists;
    for (int b = 0; b < static_cast<int>(m_backends.size()); ++b) {
        Backend& backend = *m_backends[b];
        backend.Refresh();
        for (int i = 0; i < backend.OutputCount() && lists.outputCount < kMaxOutputDevices; ++i) {
            SystemDevice& d = lists.outputs[lists.outputCount];
            CopyText(backend.OutputName(i), d.name, kNameSize);
            d.key = DeviceKey(d.name);
            d.id = lists.outputCount + 2;
            d.caching = backend.OutputCaches(i) && !m_settings.patchCachingDisabled;
            d.backend = b;
            d.backendIndex = i;
            ++lists.outputCount;
        }
        for (int i = 0; i < backend.InputCount() && lists.inputCount < kMaxInputDevices; ++i) {
            SystemDevice& d = lists.inputs[lists.inputCount];
            CopyText(backend.InputName(i), d.name, kNameSize);
            d.key = DeviceKey(d.name);
            d.id = lists.inputCount + 2;
            d.caching = false;
            d.backend = b;
            d.backendIndex = i;
            ++lists.inputCount;
        }
    }
    m_lists = lists;
}

const char* Engine::DeviceBackendName(bool input, int index) const
{
    const SystemDevice* list = input ? m_lists.inputs : m_lists.outputs;
    int count = input ? m_lists.inputCount : m_lists.outputCount;
    if (index < 0 || index >= count)
        return "";
    return m_backends[list[index].backend]->Name();
}

MidiOut* Engine::Output(int port) const
{
    if (port < 0 || port >= kMaxPorts)
        return nullptr;
    return m_outputs[port].load(std::memory_order_acquire);
}

bool Engine::SendToPort(int port, const uint8_t* bytes, size_t length)
{
    MidiOut* out = Output(port);
    return out != nullptr && out->Send(bytes, length);
}

namespace {

void FormatDeviceError(char* text, size_t size, bool input, const char* name, OpenResult why)
{
    switch (why) {
        case OpenResult::InUse:
            snprintf(text, size,
                     input ? "The input device:\n%s\nis currently being used by another\nprogram."
                           : "The output device:\n%s\nis currently being used by another\n"
                             "program (possibly a sound server).",
                     name);
            break;
        case OpenResult::NoDevice:
            snprintf(text, size, "%s",
                     input ? "Invalid MIDI Input device.\nPlease reconfigure your setup."
                           : "One or more of the MIDI devices doesn't exist.\n"
                             "Please reconfigure your setup.");
            break;
        default:
            snprintf(text, size, "Error opening %s.\n", name);
            break;
    }
}

int32_t MapOpenError(OpenResult why)
{
    switch (why) {
        case OpenResult::InUse:
            return kErrDevicesInUse;
        case OpenResult::NoDevice:
            return kErrMapping;
        default:
            return kErrNotConfigured;
    }
}

// The device an entry names in the current lists: where it was when parsed,
// else wherever a rescan since then has put it; -1 when it has gone.
int Locate(const SystemDevice* list, int count, int hint, const char* name)
{
    if (hint >= 0 && hint < count && strncmp(list[hint].name, name, kNameSize) == 0)
        return hint;
    for (int i = 0; i < count; ++i)
        if (strncmp(list[i].name, name, kNameSize) == 0)
            return i;
    return -1;
}

}  // namespace

int32_t Engine::OpenDevices()
{
    m_deviceError[0] = '\0';
    int outputs = m_config.OutputCount();
    OpenResult why = OpenResult::Ok;
    bool failedInput = false;
    const char* failedName = "";
    for (int i = 0; i < outputs && why == OpenResult::Ok; ++i) {
        const OutputEntry& entry = m_config.outputs[i];
        int index = Locate(m_lists.outputs, m_lists.outputCount, entry.device, entry.name);
        MidiOut* out = nullptr;
        if (index < 0)
            why = OpenResult::NoDevice;
        else
            out = m_backends[m_lists.outputs[index].backend]->OpenOutput(m_lists.outputs[index].backendIndex,
                                                                         &why);
        if (out)
            m_outputs[i].store(out, std::memory_order_release);
        else
            failedName = entry.name;
    }
    m_syncInput = -1;
    for (int i = 0; i < kMaxPorts && why == OpenResult::Ok; ++i) {
        const InputEntry& entry = m_config.inputs[i];
        if (entry.id == 0)
            break;
        int index = Locate(m_lists.inputs, m_lists.inputCount, entry.device, entry.name);
        MidiIn* in = nullptr;
        if (index < 0) {
            why = OpenResult::NoDevice;
        } else {
            const SystemDevice& d = m_lists.inputs[index];
            in = m_backends[d.backend]->OpenInput(d.backendIndex, &Engine::InputReceived, this, &why);
        }
        if (in == nullptr) {
            failedInput = true;
            failedName = entry.name;
            break;
        }
        m_inputs[i] = in;
        in->Start();
        if (entry.kind != kRecordInput)
            m_syncInput = i;
    }
    if (why != OpenResult::Ok) {
        FormatDeviceError(m_deviceError, sizeof m_deviceError, failedInput, failedName, why);
        int32_t mapped = MapOpenError(why);
        CloseDevices();
        m_config.Clear();
        return mapped;
    }
    for (auto& role : m_roles)
        role.store(0, std::memory_order_release);
    m_outputCount.store(outputs, std::memory_order_release);
    return 0;
}

void Engine::CloseDevices()
{
    for (MidiIn*& in : m_inputs) {
        if (in == nullptr)
            continue;
        in->Stop();
        delete in;
        in = nullptr;
    }
    // The callbacks are gone, so nothing can append while the queue empties.
    DrainQueue();
    // Count first, so senders that check it stop before the devices go.
    m_outputCount.store(0, std::memory_order_release);
    for (auto& slot : m_outputs)
        delete slot.exchange(nullptr, std::memory_order_acq_rel);
    for (auto& role : m_roles)
        role.store(0, std::memory_order_release);
    m_syncInput = -1;
}

// --- input

void Engine::InputReceived(void* context, const uint8_t* bytes, size_t length, int64_t)
{
    auto* engine = static_cast<Engine*>(context);
    if (bytes == nullptr || length == 0)
        return;
    engine->Rewake();
    uint8_t status = bytes[0];
    if (status >= 0x80 && status < 0xF0 && length >= 2) {
        uint8_t d1 = bytes[1], d2 = length > 2 ? bytes[2] : 0;
        Settings& s = engine->m_settings;
        if (s.Flag(kFlagThru))
            Player::Get().SendNow(OutputQueues::kThru, engine->RolePort(kThruPort),
                                  status | d1 << 8 | (length > 2 ? d2 << 16 : 0));
        if (s.Flag(kFlagEchoInput) &&
            PassesFilter(s.echoFilter.load(std::memory_order_acquire), status, d1, d2))
            engine->Notify(ML_SHORT_ECHO, 0, (status << 16) | (d1 << 8) | d2);
    }
    engine->Rewake();
}

// --- windows

bool Engine::RegisterWindow(uint32_t window, const MidiLibWindowHost* host)
{
    if (window == 0)
        return false;
    WindowSlot* free = nullptr;
    for (WindowSlot& slot : m_windows) {
        uint32_t id = slot.id.load(std::memory_order_acquire);
        if (id == window) {
            if (host == nullptr) {
                slot.id.store(0, std::memory_order_release);
                return true;
            }
            free = &slot;
            break;
        }
        if (id == 0 && free == nullptr)
            free = &slot;
    }
    if (host == nullptr || host->post == nullptr)
        return false;
    if (free == nullptr)
        return false;
    // Publish the callbacks before the id: a poster that finds the id finds
    // them complete.
    free->id.store(0, std::memory_order_release);
    free->post.store(host->post, std::memory_order_relaxed);
    free->pending.store(host->pending, std::memory_order_relaxed);
    free->context.store(host->context, std::memory_order_relaxed);
    free->id.store(window, std::memory_order_release);
    return true;
}

bool Engine::IsWindow(uint32_t window) const
{
    if (window == 0)
        return false;
    for (const WindowSlot& slot : m_windows)
        if (slot.id.load(std::memory_order_acquire) == window)
            return true;
    return false;
}

bool Engine::PostToWindow(uint32_t window, uint32_t message, int32_t w, int32_t l, bool sync)
{
    if (window == 0)
        return false;
    for (WindowSlot& slot : m_windows) {
        if (slot.id.load(std::memory_order_acquire) != window)
            continue;
        auto post = slot.post.load(std::memory_order_relaxed);
        if (post == nullptr)
            return false;
        return post(slot.context.load(std::memory_order_relaxed), window, message, w, l, sync ? 1 : 0) != 0;
    }
    return false;
}

// --- notifications

void Engine::Notify(uint32_t message, int32_t w, intptr_t l, bool send)
{
    if (State() != kConnected)
        return;
    if (!m_settings.Flag(kFlagQueueMode)) {
        uint32_t window = Window();
        if (window == 0 || !IsWindow(window)) {
            SetError(kErrNoWindow);
            return;
        }
        if (!PostToWindow(window, message, w, static_cast<int32_t>(l), send))
            SetError(kErrPostFailed);
        return;
    }
    if (message == ML_CLOCK && m_settings.Flag(kFlagCoalesceClock)) {
        m_clockPosition.store(static_cast<int32_t>(l), std::memory_order_relaxed);
        // release: the position is visible to the reader that sees pending.
        m_clockPending.store(true, std::memory_order_release);
    } else if (message == ML_SOLO_EVENT) {
        m_soloPending.store(true, std::memory_order_release);
    } else if (message == ML_RAW_DATA) {
        m_rawPending.store(true, std::memory_order_release);
    } else if (!m_queue.Append({message, w, l})) {
        SetError(kErrTooMuchData);
    }
    Deliver({message, w, l}, send);
}

bool Engine::Deliver(const Notification&, bool send)
{
    uint32_t window = Window();
    if (window == 0)
        return false;
    if (send)
        return PostToWindow(window, ML_QUEUE_READY, 0, 0, true);
    // Only the poster that flips the mark posts, so one wake-up is in flight.
    bool expected = false;
    if (!m_wakeOutstanding.compare_exchange_strong(expected, true, std::memory_order_acq_rel))
        return true;
    m_wakeTimeUs.store(NowUs(), std::memory_order_release);
    if (PostToWindow(window, ML_QUEUE_READY, 0, 0, false))
        return true;
    m_wakeOutstanding.store(false, std::memory_order_release);
    return false;
}

void Engine::Rewake()
{
    if (State() != kConnected || !m_settings.Flag(kFlagQueueMode))
        return;
    if (m_queue.Empty()) {
        m_wakeOutstanding.store(false, std::memory_order_release);
        return;
    }
    if (!m_wakeOutstanding.load(std::memory_order_acquire))
        return;
    int64_t now = NowUs();
    if (now - m_wakeTimeUs.load(std::memory_order_acquire) < 100000)
        return;
    m_wakeTimeUs.store(now, std::memory_order_release);
    PostToWindow(Window(), ML_QUEUE_READY, 0, 0, false);
}

void Engine::SetWorkHandler(int kind, WorkHandler handler)
{
    if (kind >= 0 && kind < kWorkKinds)
        m_work[kind].store(handler, std::memory_order_release);
}

void Engine::Perform(const Notification& n)
{
    if (n.wParam < 0 || n.wParam >= kWorkKinds)
        return;
    WorkHandler handler = m_work[n.wParam].load(std::memory_order_acquire);
    if (handler)
        handler(n.lParam);
}

void Engine::PerformWork()
{
    Notification work[NotifyQueue::kSlots];
    int n = m_queue.TakeWork(work, NotifyQueue::kSlots);
    for (int i = 0; i < n; ++i)
        Perform(work[i]);
}

void Engine::DrainQueue()
{
    PerformWork();
    Notification n;
    while (m_queue.Take(&n))
        if (n.message == ML_ENGINE_WORK)
            Perform(n);
    m_clockPending.store(false, std::memory_order_release);
    m_soloPending.store(false, std::memory_order_release);
    m_rawPending.store(false, std::memory_order_release);
    m_wakeOutstanding.store(false, std::memory_order_release);
}

int32_t Engine::GetMessage(MidiLibMessage* out)
{
    if (!RequireConnected())
        return 0;
    if (!m_settings.Flag(kFlagQueueMode) || out == nullptr) {
        SetError(kErrInvalidRequest);
        return 0;
    }
    PerformWork();
    Notification n;
    while (m_queue.Take(&n)) {
        if (n.message == ML_ENGINE_WORK) {
            Perform(n);
            continue;
        }
        *out = {Window(), n.message, n.wParam, static_cast<int32_t>(n.lParam)};
        return 1;
    }
    m_wakeOutstanding.store(false, std::memory_order_release);
    if (m_rawPending.exchange(false, std::memory_order_acq_rel)) {
        *out = {Window(), ML_RAW_DATA, 0, 0};
        return 1;
    }
    uint32_t window = Window();
    for (WindowSlot& slot : m_windows) {
        if (window == 0 || slot.id.load(std::memory_order_acquire) != window)
            continue;
        auto pending = slot.pending.load(std::memory_order_relaxed);
        if (pending && pending(slot.context.load(std::memory_order_relaxed), window))
            return 0;
    }
    if (m_soloPending.exchange(false, std::memory_order_acq_rel)) {
        *out = {window, ML_SOLO_EVENT, m_run.soloIndex.load(std::memory_order_acquire), 0};
        return 1;
    }
    if (m_clockPending.exchange(false, std::memory_order_acq_rel)) {
        *out = {window, ML_CLOCK, 0, m_clockPosition.load(std::memory_order_relaxed)};
        return 1;
    }
    return 0;
}

// --- window timers

void Engine::WindowTimerFired(void* context, int, int64_t)
{
    auto* timer = static_cast<WindowTimer*>(context);
    Engine& engine = Get();
    uint32_t window = timer->window.load(std::memory_order_acquire);
    int32_t value = timer->value.load(std::memory_order_acquire);
    int slot = timer->slot.exchange(-1, std::memory_order_acq_rel);
    engine.m_timers.Release(slot);
    // Free the slot before posting: the window may set a new timer at once.
    timer->busy.store(0, std::memory_order_release);
    engine.PostToWindow(window, engine.m_settings.timerMessage.load(std::memory_order_acquire), 0, value,
                        false);
}

int32_t Engine::SetWindowTimer(uint32_t window, uint32_t ms, int32_t value)
{
    if (!IsWindow(window)) {
        SetError(kErrInvalidRequest);
        return 0;
    }
    for (WindowTimer& timer : m_windowTimers) {
        int expected = 0;
        if (!timer.busy.compare_exchange_strong(expected, 1, std::memory_order_acq_rel))
            continue;
        int slot = m_timers.Claim(&Engine::WindowTimerFired, &timer);
        if (slot < 0) {
            timer.busy.store(0, std::memory_order_release);
            break;
        }
        timer.window.store(window, std::memory_order_relaxed);
        timer.value.store(value, std::memory_order_relaxed);
        timer.slot.store(slot, std::memory_order_release);
        int64_t period = ms == 0 ? 1 : ms;
        m_timers.Arm(slot, NowUs() + period * 1000);
        KickTimers();
        return 1;
    }
    SetError(kErrTooManyTimers);
    return 0;
}

void Engine::CancelWindowTimers()
{
    for (WindowTimer& timer : m_windowTimers) {
        int slot = timer.slot.exchange(-1, std::memory_order_acq_rel);
        if (slot >= 0) {
            m_timers.Disarm(slot);
            m_timers.Release(slot);
        }
        timer.busy.store(0, std::memory_order_release);
    }
}

// --- lifecycle

void Engine::EndConnection()
{
    // The run and its tracks go first, while the outputs can still take the
    // note-offs of what sounds.
    Player::Get().Reset();
    if (m_run.rawCapture.load(std::memory_order_acquire))
        m_run.rawCapture.store(false, std::memory_order_release);
    m_run.stopRequested.store(true, std::memory_order_release);
    m_run.stopped.store(true, std::memory_order_release);
    m_run.started.store(false, std::memory_order_release);
    m_run.tracksAllocated.store(false, std::memory_order_release);
    SetState(kConnected);
    Notify(ML_DISCONNECTED, 0, 0, true);
    DrainQueue();
    SetWindow(0);
    SetState(kIdle);
    for (int code : {kFlagEchoInput, kFlagEchoIntercepted, kFlagEchoSent})
        m_settings.SetFlag(code, false);
    m_settings.interceptCount = 0;
}

void Engine::Shutdown()
{
    if (State() != kIdle)
        EndConnection();
    Player::Get().Reset();
    CancelWindowTimers();
    CloseDevices();
    m_config.Clear();
    m_timerThread.Stop();
}

void Engine::ResetForTests()
{
    Shutdown();
    UseClock(nullptr);
    m_backends.clear();
    m_backendsChosen = false;
    m_lists = DeviceLists();
    for (WindowSlot& slot : m_windows)
        slot.id.store(0, std::memory_order_release);
    LoadDefaults();
    SetError(0);
}

}  // namespace kv::engine
