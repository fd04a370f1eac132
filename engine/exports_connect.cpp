#include "engine/engine.h"
#include "engine/errors.h"
#include "engine/exports.h"

namespace kv::engine {

int32_t MidiLibRegisterWindow(uint32_t window, const MidiLibWindowHost* host)
{
    if (Engine::Get().RegisterWindow(window, host))
        return 1;
    SetError(kErrInvalidRequest);
    return 0;
}

int32_t MidiLibConnect(uint32_t window)
{
    Engine& engine = Engine::Get();
    bool leftOpen = engine.State() != kIdle;
    if (leftOpen)
        engine.EndConnection();
    if (!engine.Configured()) {
        SetError(kErrNotConfigured);
        return 0;
    }
    if (window != 0 && !engine.IsWindow(window)) {
        SetError(kErrInvalidRequest);
        return 0;
    }
    engine.Set().ConnectionDefaults();
    engine.Run().Reset();
    engine.Set().SetFlag(kFlagQueueMode, true);
    engine.SetWindow(window);
    engine.SetState(kConnected);
    // Reported after the work above so that it is the pending error the
    // caller reads right after a successful connect.
    if (leftOpen)
        SetError(kErrCrashedConnection);
    engine.Notify(ML_CONNECTED, 0, 0, true);
    return 1;
}

int32_t MidiLibDisconnect()
{
    Engine& engine = Engine::Get();
    if (!engine.RequireConnected())
        return 0;
    engine.EndConnection();
    return 1;
}

int32_t MidiLibReconnect()
{
    Engine& engine = Engine::Get();
    if (!engine.RequireConnected())
        return 0;
    uint32_t window = engine.Window();
    engine.EndConnection();
    return MidiLibConnect(window);
}

int32_t MidiLibGetMessage(MidiLibMessage* message)
{
    return Engine::Get().GetMessage(message);
}

int32_t MidiLibSetOption(int32_t code, int32_t value)
{
    return SetOption(Engine::Get(), code, value);
}

int32_t MidiLibSetFlag(int32_t code, int32_t value)
{
    return SetFlag(Engine::Get(), code, value);
}

int32_t MidiLibGetValue(int32_t code)
{
    return GetValue(Engine::Get(), code);
}

int32_t MidiLibSetWindowTimer(uint32_t window, uint32_t milliseconds, int32_t value)
{
    return Engine::Get().SetWindowTimer(window, milliseconds, value);
}

}  // namespace kv::engine
