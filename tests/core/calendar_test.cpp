// Dates as the tables store and show them, and waiting on the clock.
#include <gtest/gtest.h>

#include "core/clock.h"
#include "core/date.h"
#include "support/seams.h"

using core::Date;

namespace {

TEST(Date, TextFormsAndTheirEmptyDate)
{
    const std::pair<const char*, const char*> twoDigitYears[] = {
        {"01/02/69", "20690201"}, {"01/02/70", "19700201"}, {"31/12/99", "19991231"},
        {"05/12/2026", "20261205"},
    };
    for (const auto& [dtoc, dtos] : twoDigitYears)  // two-digit years fall in 1970 to 2069
        EXPECT_EQ(Date::fromDtoc(dtoc).dtos(), dtos) << dtoc;

    const Date empty;
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_EQ(empty.dtos(), "        ");
    EXPECT_EQ(empty.dtoc(), "  /  /    ");
    EXPECT_EQ(empty.dayOfWeek(), 0);
    EXPECT_TRUE(empty.addDays(5).isEmpty());
    EXPECT_LT(empty, Date::fromYmd(1, 1, 1));
    for (const char* bad : {"", "        ", "2024023 ", "20240230", "2024-1-1", "abcdefgh"})
        EXPECT_TRUE(Date::fromDtos(bad).isEmpty()) << bad;
    for (const char* bad : {"  /  /    ", "31/02/2024", "1/13/2024", "x/1/2024", "1/1/20245", "1-1-2024"})
        EXPECT_TRUE(Date::fromDtoc(bad).isEmpty()) << bad;
}

TEST(Date, CalendarArithmeticAndJulianDayNumbersWithTheEmptyDateAsDayZero)
{
    const Date d = Date::fromYmd(2024, 2, 10);
    EXPECT_EQ(d.lastOfMonth().dtos(), "20240229");  // leap year
    EXPECT_EQ(Date::fromYmd(2023, 2, 10).lastOfMonth().dtos(), "20230228");
    EXPECT_EQ(Date::fromYmd(2100, 2, 1).lastOfMonth().day(), 28);
    EXPECT_EQ(Date::fromYmd(2000, 2, 1).lastOfMonth().day(), 29);
    EXPECT_EQ(d.firstOfMonth().dtos(), "20240201");
    EXPECT_EQ(Date::fromYmd(2026, 12, 31).addDays(1).dtos(), "20270101");
    EXPECT_EQ(Date::fromYmd(2027, 1, 1).addDays(-1).dtos(), "20261231");
    EXPECT_EQ(Date::fromYmd(2027, 1, 1) - Date::fromYmd(2026, 1, 1), 365);
    EXPECT_EQ(Date::fromYmd(2026, 12, 5).buddhistYear(), 2569);
    EXPECT_TRUE(Date::fromYmd(9999, 12, 31).addDays(1).isEmpty());
    EXPECT_EQ(Date::fromYmd(2026, 12, 6).dayOfWeek(), 1);  // a Sunday is day one
    EXPECT_EQ(Date::fromYmd(1970, 1, 1).dayOfWeek(), 5);   // a Thursday

    const Date day = Date::fromYmd(2026, 12, 5);
    EXPECT_EQ(day.julian(), 2461380);
    EXPECT_EQ(Date().julian(), 0);
    EXPECT_EQ(day - Date(), 2461380);
    EXPECT_EQ(Date::fromJulian(2461380), day);
    EXPECT_TRUE(Date::fromJulian(1721425).isEmpty());  // the day before 0001-01-01
    EXPECT_TRUE(Date::fromJulian(0).isEmpty());
    EXPECT_EQ(Date::fromJulian(Date::fromYmd(9999, 12, 31).julian()).dtos(), "99991231");
    EXPECT_TRUE(Date::fromJulian(Date::fromYmd(9999, 12, 31).julian() + 1).isEmpty());
}

TEST(Date, RoundTripsEveryDayOfFourCenturies)
{
    Date d = Date::fromYmd(1900, 1, 1);
    for (int i = 0; i < 146097; ++i, d = d.addDays(1)) {
        ASSERT_EQ(Date::fromDtos(d.dtos()), d);
        ASSERT_EQ(Date::fromDtoc(d.dtoc()), d);
        ASSERT_EQ(Date::fromYmd(d.year(), d.month(), d.day()), d);
    }
    EXPECT_EQ(d.dtos(), "23000101");
}

int g_idleCalls = 0;

TEST(Clock, TdelayWaitsOnTheMonotonicClockInShortIdleSteps)
{
    testsupport::FakeClock clock;
    core::setIdleHook([] { ++g_idleCalls; });
    const std::pair<double, std::int64_t> cases[] = {{1.5, 1500}, {0.0044, 4}, {-3, 0}};
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
