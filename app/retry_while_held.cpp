#include "app/retry_while_held.h"

#include <algorithm>

std::uint32_t RetrySchedule::NextPauseMs() {
    const std::uint32_t pause = std::min(m_nextMs, m_leftMs);
    m_leftMs -= pause;
    m_nextMs = std::min<std::uint32_t>(m_nextMs * 2, 0x40000000);
    return pause;
}

bool RetryWhileHeld(const std::function<bool(std::uint32_t& error)>& attempt,
                    const std::function<bool(std::uint32_t error)>& transient,
                    RetrySchedule& schedule, const std::function<void(std::uint32_t)>& sleep,
                    std::uint32_t& error) {
    for (;;) {
        error = 0;
        if (attempt(error))
            return true;
        if (!transient(error))
            return false;
        const std::uint32_t pause = schedule.NextPauseMs();
        if (pause == 0)
            return false;
        sleep(pause);
    }
}
