#include "transport/wakeloop.h"

#include "transport/programtransport.h"

namespace kv {

bool RunUntilStopped(ProgramTransport& transport, WakeLoop& loop, int64_t timeoutMs,
                     const std::function<bool()>& stopWanted)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool stopAsked = false;
    while (transport.IsPlaying() && std::chrono::steady_clock::now() < end) {
        loop.Wait(5);
        transport.OnWake();
        transport.OnIdle();
        if (!stopAsked && stopWanted && stopWanted()) {
            transport.OnCommand(kCmdStop);
            stopAsked = true;
        }
    }
    return !transport.IsPlaying();
}

}  // namespace kv
