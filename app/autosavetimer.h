#pragma once

#include <QTimer>
#include <chrono>
#include <functional>

#include "app/document/autosave.h"

namespace kv {

// The automatic save's timer (window timer 20) on a QTimer, and its clock
// on the monotonic clock, so a change of the wall time neither hurries nor
// delays a save.
class QtAutoSaveTimer : public AutoSaveTimer {
public:
    explicit QtAutoSaveTimer(std::function<void()> fired)
    {
        m_timer.setObjectName("autoSaveTimer");
        QObject::connect(&m_timer, &QTimer::timeout, [fired = std::move(fired)] { fired(); });
    }
    bool Start(int intervalMs) override
    {
        m_timer.start(intervalMs);
        return m_timer.isActive();
    }
    void Stop() override { m_timer.stop(); }
    QTimer& timer() { return m_timer; }

private:
    QTimer m_timer;
};

class SteadyClock : public AutoSaveClock {
public:
    int64_t NowMs() const override
    {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
};

}  // namespace kv
