#include "core/date.h"

#include <gtest/gtest.h>

using core::Date;

TEST(Date, TwoDigitYearsFallIn1970To2069)
{
    EXPECT_EQ(Date::fromDtoc("01/02/69").dtos(), "20690201");
    EXPECT_EQ(Date::fromDtoc("01/02/70").dtos(), "19700201");
    EXPECT_EQ(Date::fromDtoc("31/12/99").dtos(), "19991231");
    EXPECT_EQ(Date::fromDtoc("05/12/2026").dtos(), "20261205");
}

TEST(Date, EmptyDateForms)
{
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

TEST(Date, CalendarArithmetic)
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
}

TEST(Date, JulianDayNumbersWithTheEmptyDateAsDayZero)
{
    const Date d = Date::fromYmd(2026, 12, 5);
    EXPECT_EQ(d.julian(), 2461380);
    EXPECT_EQ(Date::fromYmd(1, 1, 1).julian(), 1721426);
    EXPECT_EQ(Date().julian(), 0);
    EXPECT_EQ(d - Date(), 2461380);
    EXPECT_EQ(Date() - d, -2461380);
    EXPECT_EQ(Date::fromJulian(2461380), d);
    EXPECT_TRUE(Date::fromJulian(1721425).isEmpty());  // the day before 0001-01-01
    EXPECT_TRUE(Date::fromJulian(0).isEmpty());
    EXPECT_EQ(Date::fromJulian(Date::fromYmd(9999, 12, 31).julian()).dtos(), "99991231");
    EXPECT_TRUE(Date::fromJulian(Date::fromYmd(9999, 12, 31).julian() + 1).isEmpty());
}

TEST(Date, DayOfWeekSundayIsOne)
{
    EXPECT_EQ(Date::fromYmd(2026, 12, 6).dayOfWeek(), 1);  // a Sunday
    EXPECT_EQ(Date::fromYmd(2026, 12, 5).dayOfWeek(), 7);  // a Saturday
    EXPECT_EQ(Date::fromYmd(1970, 1, 1).dayOfWeek(), 5);   // a Thursday
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
