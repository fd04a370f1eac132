#include "app/document/autosave.h"

#include <algorithm>

#include "platform/messages.h"

namespace kv {

bool AutoSave::Arm(int64_t dueInMs)
{
    if (!m_timer.Start(kTimerMs))
        return false;
    // 0 means "nothing pending", so a clock at 0 must not make a due time of 0.
    m_due = std::max<int64_t>(1, m_clock.NowMs() + dueInMs);
    return true;
}

void AutoSave::OnTimer()
{
    m_timer.Stop();
    if (m_due == 0)
        return;
    // A timer may fire a little early; without the slack a save due in one
    // minute would wait for the second firing.
    if (m_clock.NowMs() + kSlackMs < m_due) {
        if (!m_timer.Start(kTimerMs)) {
            m_due = 0;
            m_messages.ShowInfo(376);
            if (disable)
                disable();
        }
        return;
    }
    m_messages.SetPrompt(377);
    const Result result = save ? save() : Result::Skipped;
    m_messages.SetPrompt(Messages::kIdlePrompt);
    if (result != Result::Failed) {
        m_due = 0;
        return;
    }
    const int64_t interval = int64_t(minutes ? std::max(1, minutes()) : 5) * 60000;
    m_due = std::max<int64_t>(1, m_clock.NowMs() + interval);
    if (!m_timer.Start(kTimerMs)) {
        m_due = 0;
        m_messages.ShowInfo(376);
        if (disable)
            disable();
    }
}

void AutoSave::Cancel()
{
    m_due = 0;
    m_timer.Stop();
}

}  // namespace kv
