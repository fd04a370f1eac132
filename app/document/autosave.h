#pragma once

#include <cstdint>
#include <functional>

namespace kv {

class Messages;

// The wall clock of the automatic save, in milliseconds; tests give a fake.
class AutoSaveClock {
public:
    virtual ~AutoSaveClock() = default;
    virtual int64_t NowMs() const = 0;
};

// The repeating timer (window timer 20) the automatic save runs on.
class AutoSaveTimer {
public:
    virtual ~AutoSaveTimer() = default;
    // False when no timer could be had.
    virtual bool Start(int intervalMs) = 0;
    virtual void Stop() = 0;
};

// The automatic save's state: the due time (0 = none pending) and the
// one-minute timer that checks it.
//
// A save that finds nothing changed clears the due time (the next change
// arms it again). A save that fails is tried again one interval later,
// rather than never again until a restart: until it works the edits exist
// only in memory.
class AutoSave {
public:
    enum class Result { Saved, Skipped, Failed };
    static constexpr int kTimerMs = 60000;
    static constexpr int64_t kSlackMs = 1000;

    AutoSave(Messages& messages, AutoSaveClock& clock, AutoSaveTimer& timer)
        : m_messages(messages), m_clock(clock), m_timer(timer)
    {
    }

    // Writes the automatic save file.
    std::function<Result()> save;
    // The interval in minutes ("AutoSave").
    std::function<int32_t()> minutes;
    // No timer could be had: "AutoSaveOn" goes off.
    std::function<void()> disable;

    bool Pending() const { return m_due != 0; }
    int64_t Due() const { return m_due; }
    // Starts the timer with the next save due dueInMs from now; false when no
    // timer could be had (the due time is then not set).
    bool Arm(int64_t dueInMs);
    // The timer fired.
    void OnTimer();
    // The song was replaced or saved: nothing is due any more.
    void Cancel();

private:
    Messages& m_messages;
    AutoSaveClock& m_clock;
    AutoSaveTimer& m_timer;
    int64_t m_due = 0;
};

}  // namespace kv
