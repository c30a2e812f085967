#include "core/clock.h"

#include <gtest/gtest.h>

#include "support/seams.h"

namespace {

int g_idleCalls = 0;

TEST(Clock, TdelayWaitsOnTheMonotonicClockInShortIdleSteps)
{
    testsupport::FakeClock clock;
    core::setIdleHook([] { ++g_idleCalls; });
    const std::pair<double, std::int64_t> cases[] = {{0.01, 10}, {1.5, 1500}, {0.0044, 4}, {0, 0}, {-3, 0}};
    for (const auto& [seconds, ms] : cases) {
        g_idleCalls = 0;
        const std::int64_t before = clock.monotonic;
        core::TDELAY(seconds);
        EXPECT_EQ(clock.monotonic - before, ms) << seconds;
        EXPECT_EQ(g_idleCalls, int((ms + 9) / 10)) << seconds;  // one idle call per step of at most 10 ms
    }
    core::setIdleHook(nullptr);
}

}  // namespace
