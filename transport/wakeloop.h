#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace kv {

class ProgramTransport;

// The engine's wake-up for a program without a window system (kvtool, tests):
// the engine's threads only signal; the main thread waits for a signal and
// then takes the notifications itself.
class WakeLoop {
public:
    // The callback to hand to ProgramTransport::SetWake. The loop must
    // outlive the library's binding.
    std::function<void()> Callback()
    {
        return [this] {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_woken = true;
            m_cv.notify_one();
        };
    }
    // Waits up to ms for a wake-up; true when one came.
    bool Wait(int ms)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        const bool woken = m_cv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_woken; });
        m_woken = false;
        return woken;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_woken = false;
};

// The main loop of a headless run: takes wake-ups and refreshes the position
// until the run has ended, asking for Stop once when stopWanted (may be
// empty) says so. False when the run had not ended after timeoutMs.
bool RunUntilStopped(ProgramTransport& transport, WakeLoop& loop, int64_t timeoutMs,
                     const std::function<bool()>& stopWanted = {});

}  // namespace kv
