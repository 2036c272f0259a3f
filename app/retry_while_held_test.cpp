#include "app/retry_while_held.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::uint32_t kSharingViolation = 32, kAccessDenied = 5, kNotFound = 2;

bool Transient(std::uint32_t error) {
    return error == kSharingViolation || error == kAccessDenied;
}

TEST(RetrySchedule, PausesGrowAndNeverAddUpToMoreThanTheBudget) {
    RetrySchedule schedule(1000);
    std::vector<std::uint32_t> pauses;
    for (std::uint32_t pause; (pause = schedule.NextPauseMs()) != 0;)
        pauses.push_back(pause);
    EXPECT_EQ(pauses, (std::vector<std::uint32_t>{50, 100, 200, 400, 250}));

    RetrySchedule none(0);
    EXPECT_EQ(none.NextPauseMs(), 0u);
}

// attempt fails with the errors given, one per call, then succeeds.
struct Script {
    std::vector<std::uint32_t> errors;
    std::size_t calls = 0;
    bool operator()(std::uint32_t& error) {
        if (calls < errors.size()) {
            error = errors[calls++];
            return false;
        }
        ++calls;
        return true;
    }
};

TEST(RetryWhileHeld, WaitsOutAHeldFileAndStopsAtOnceOnAnyOtherError) {
    const struct {
        const char* what;
        std::vector<std::uint32_t> errors;
        bool succeeds;
        std::size_t calls;
        std::uint32_t slept;
        std::uint32_t lastError;
    } rows[] = {
        {"no failure", {}, true, 1, 0, 0},
        {"held three times",
         {kSharingViolation, kAccessDenied, kSharingViolation},
         true,
         4,
         350,
         0},
        {"not found is final", {kNotFound}, false, 1, 0, kNotFound},
        {"held, then another error", {kSharingViolation, kNotFound}, false, 2, 50, kNotFound},
        // 50+100+...+3200, then the 3650 ms left: nine attempts in ten seconds.
        {"held for ever", std::vector<std::uint32_t>(100, kSharingViolation), false, 9, 10000,
         kSharingViolation},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Script script{row.errors};
        RetrySchedule schedule(kHeldFileBudgetMs);
        std::uint32_t slept = 0, error = 0;
        const bool ok = RetryWhileHeld(
            std::ref(script), Transient, schedule, [&](std::uint32_t ms) { slept += ms; }, error);
        EXPECT_EQ(ok, row.succeeds);
        EXPECT_EQ(script.calls, row.calls);
        EXPECT_EQ(slept, row.slept);
        EXPECT_EQ(error, row.lastError);
    }
}

} // namespace
