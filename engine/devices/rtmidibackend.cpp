#include "engine/devices/rtmidibackend.h"

#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <string>

namespace kv::engine {

namespace {

// RtMidi reports through this instead of printing or throwing; the engine
// learns of failures from the results of the calls it makes.
void QuietErrors(RtMidiError::Type, const std::string&, void*) {}

RtMidi::Api ApiOf(RtMidiBackend::System system)
{
    return system == RtMidiBackend::System::Alsa ? RtMidi::LINUX_ALSA : RtMidi::UNIX_JACK;
}

template <class T>
std::unique_ptr<T> Make(RtMidiBackend::System system)
{
    try {
        auto port = std::make_unique<T>(ApiOf(system), kClientName);
        port->setErrorCallback(QuietErrors, nullptr);
        return port;
    } catch (...) {
        return nullptr;
    }
}

template <class T>
std::vector<RtMidiBackend::Port> List(RtMidiBackend::System system)
{
    std::vector<RtMidiBackend::Port> ports;
    auto probe = Make<T>(system);
    if (!probe)
        return ports;
    try {
        unsigned count = probe->getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            std::string systemName = probe->getPortName(i);
            if (systemName.empty())
                break;
            // Our own ports are not devices to configure.
            if (systemName.rfind(kClientName, 0) == 0)
                continue;
            ports.push_back(
                {RtMidiBackend::ShortName(systemName, system == RtMidiBackend::System::Alsa), systemName});
        }
    } catch (...) {
    }
    return ports;
}

template <class T>
int FindPort(T& port, const std::string& systemName)
{
    unsigned count = port.getPortCount();
    for (unsigned i = 0; i < count; ++i)
        if (port.getPortName(i) == systemName)
            return static_cast<int>(i);
    return -1;
}

class RtOut final : public MidiOut {
public:
    explicit RtOut(std::unique_ptr<RtMidiOut> port) : m_port(std::move(port)) {}
    ~RtOut() override
    {
        try {
            m_port->closePort();
        } catch (...) {
        }
    }
    bool Send(const uint8_t* bytes, size_t length) override
    {
        try {
            m_port->sendMessage(bytes, length);
            return true;
        } catch (...) {
            return false;
        }
    }

private:
    std::unique_ptr<RtMidiOut> m_port;
};

class RtIn final : public MidiIn {
public:
    RtIn(std::unique_ptr<RtMidiIn> port, const Clock& clock, InputCallback callback, void* context)
        : m_port(std::move(port)), m_clock(clock), m_callback(callback), m_context(context)
    {
    }
    ~RtIn() override
    {
        try {
            m_port->cancelCallback();
            m_port->closePort();
        } catch (...) {
        }
    }
    bool Start() override
    {
        try {
            m_port->ignoreTypes(false, false, false);
            m_port->setCallback(&RtIn::Receive, this);
            return true;
        } catch (...) {
            return false;
        }
    }
    void Stop() override
    {
        try {
            m_port->cancelCallback();
        } catch (...) {
        }
    }

private:
    static void Receive(double, std::vector<unsigned char>* message, void* self)
    {
        auto* in = static_cast<RtIn*>(self);
        if (message == nullptr || message->empty())
            return;
        in->m_callback(in->m_context, message->data(), message->size(), in->m_clock.NowUs());
    }
    std::unique_ptr<RtMidiIn> m_port;
    const Clock& m_clock;
    InputCallback m_callback;
    void* m_context;
};

}  // namespace

RtMidiBackend::RtMidiBackend(System system, const Clock& clock) : m_system(system), m_clock(clock) {}

RtMidiBackend::~RtMidiBackend() = default;

bool JackServerRunning()
{
    const char* server = getenv("JACK_DEFAULT_SERVER");
    std::string name = server && *server ? server : "default";
    std::string socket = "/dev/shm/jack_" + name + "_" + std::to_string(getuid()) + "_0";
    return access(socket.c_str(), F_OK) == 0;
}

bool RtMidiBackend::Available() const
{
    if (m_system == System::Alsa)
        return access("/dev/snd/seq", R_OK | W_OK) == 0;
    return JackServerRunning();
}

void RtMidiBackend::Refresh()
{
    m_outputs.clear();
    m_inputs.clear();
    if (!Available())
        return;
    m_outputs = List<RtMidiOut>(m_system);
    m_inputs = List<RtMidiIn>(m_system);
}

std::string RtMidiBackend::ShortName(const std::string& systemName, bool alsa)
{
    std::string name = systemName;
    if (alsa) {
        // "Client:Port 20:0" -> drop " 20:0", whose numbers change between
        // sessions and would change the device's key.
        size_t space = name.rfind(' ');
        if (space != std::string::npos) {
            std::string tail = name.substr(space + 1);
            bool numbers = !tail.empty() && tail.find(':') != std::string::npos;
            for (char c : tail)
                if (!isdigit(static_cast<unsigned char>(c)) && c != ':')
                    numbers = false;
            if (numbers)
                name.resize(space);
        }
        size_t colon = name.find(':');
        if (colon != std::string::npos) {
            std::string client = name.substr(0, colon);
            std::string port = name.substr(colon + 1);
            if (port.rfind(client, 0) == 0)
                name = port;
        }
    }
    if (name.size() > kNameSize - 1)
        name.resize(kNameSize - 1);
    return name;
}

const char* RtMidiBackend::OutputName(int index) const
{
    if (index < 0 || index >= OutputCount())
        return "";
    return m_outputs[index].name.c_str();
}

const char* RtMidiBackend::InputName(int index) const
{
    if (index < 0 || index >= InputCount())
        return "";
    return m_inputs[index].name.c_str();
}

MidiOut* RtMidiBackend::OpenOutput(int index, OpenResult* result)
{
    *result = OpenResult::NoDevice;
    if (index < 0 || index >= OutputCount())
        return nullptr;
    auto port = Make<RtMidiOut>(m_system);
    if (!port)
        return nullptr;
    try {
        // The system's order can change after the list was built; open by name.
        int system = FindPort(*port, m_outputs[index].systemName);
        if (system < 0)
            return nullptr;
        port->openPort(system, "out");
        if (!port->isPortOpen()) {
            *result = OpenResult::Failed;
            return nullptr;
        }
    } catch (...) {
        *result = OpenResult::Failed;
        return nullptr;
    }
    *result = OpenResult::Ok;
    return new RtOut(std::move(port));
}

MidiIn* RtMidiBackend::OpenInput(int index, InputCallback callback, void* context, OpenResult* result)
{
    *result = OpenResult::NoDevice;
    if (index < 0 || index >= InputCount())
        return nullptr;
    auto port = Make<RtMidiIn>(m_system);
    if (!port)
        return nullptr;
    try {
        int system = FindPort(*port, m_inputs[index].systemName);
        if (system < 0)
            return nullptr;
        port->openPort(system, "in");
        if (!port->isPortOpen()) {
            *result = OpenResult::Failed;
            return nullptr;
        }
    } catch (...) {
        *result = OpenResult::Failed;
        return nullptr;
    }
    *result = OpenResult::Ok;
    return new RtIn(std::move(port), m_clock, callback, context);
}

}  // namespace kv::engine
