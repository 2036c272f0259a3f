#pragma once
// Retrying what fails because another program holds a file for a moment, as on-access virus
// scanners hold freshly written executables for seconds.
#include <cstdint>
#include <functional>

// Growing pauses within one time budget: 50 ms, then twice the previous pause, the last one
// cut so that the pauses never add up to more than the budget.
class RetrySchedule {
public:
    explicit RetrySchedule(std::uint32_t budgetMs) : m_leftMs(budgetMs) {}
    // The next pause, or 0 when the budget is spent.
    std::uint32_t NextPauseMs();

private:
    std::uint32_t m_leftMs;
    std::uint32_t m_nextMs = 50;
};

// How long a delete or a start waits for a held file before it is given up.
constexpr std::uint32_t kHeldFileBudgetMs = 10000;

// Calls attempt until it succeeds, or until it fails with an error for which transient is
// false, or until the schedule's pauses are spent; sleep(ms) makes each pause. True when an
// attempt succeeded; error holds the last attempt's error otherwise.
bool RetryWhileHeld(const std::function<bool(std::uint32_t& error)>& attempt,
                    const std::function<bool(std::uint32_t error)>& transient,
                    RetrySchedule& schedule, const std::function<void(std::uint32_t)>& sleep,
                    std::uint32_t& error);
