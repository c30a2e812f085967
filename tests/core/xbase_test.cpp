#include "core/xbase.h"

#include <gtest/gtest.h>

namespace xb = core::xbase;

TEST(XbaseNumber, StrRoundsHalfAwayFromZeroOnTheDecimalValue)
{
    struct Case {
        double v;
        int width, dec;
        const char* expected;
    };
    const Case cases[] = {
        {0.005, 6, 2, "  0.01"},  {-0.005, 6, 2, " -0.01"}, {2.675, 6, 2, "  2.68"},
        {-12.345, 10, 2, "    -12.35"}, {0, 10, 2, "      0.00"}, {0.5, 4, 2, "0.50"},
        {-0.5, 5, 2, "-0.50"}, {-0.004, 6, 2, "  0.00"}, {1234, 5, 0, " 1234"},
        {99.995, 6, 2, "100.00"}, {1e15, 16, 0, "1000000000000000"}, {0.125, 5, 2, " 0.13"},
        {7849.5, 10, 2, "   7849.50"}, {1.5, 3, 0, "  2"}, {-2.5, 3, 0, " -3"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(xb::str(c.v, c.width, c.dec), c.expected) << c.v;
}

TEST(XbaseNumber, OverflowIsReportedNotCut)
{
    std::string out = "untouched";
    EXPECT_FALSE(xb::formatFixed(123456.0, 5, 0, out));
    EXPECT_FALSE(xb::formatFixed(999.995, 6, 2, out));  // rounds to 1000.00: seven characters
    EXPECT_FALSE(xb::formatFixed(std::numeric_limits<double>::infinity(), 10, 0, out));
    EXPECT_EQ(out, "untouched");
    EXPECT_EQ(xb::str(123456.0, 5, 0), "*****");
}

TEST(XbaseNumber, ValReadsTheLeadingNumberAndItsDecimals)
{
    struct Case {
        const char* text;
        double v;
        int dec;
    };
    const Case cases[] = {
        {"2.0", 2, 1}, {"  -1.5", -1.5, 1}, {"5", 5, 0}, {"12abc", 12, 0}, {"abc", 0, 0},
        {"", 0, 0}, {"-", 0, 0}, {".", 0, 0}, {".25", 0.25, 2}, {"+3.", 3, 0}, {"1 2", 1, 0},
    };
    for (const Case& c : cases) {
        const auto r = xb::val(c.text);
        EXPECT_EQ(r.value, c.v) << c.text;
        EXPECT_EQ(r.decimals, c.dec) << c.text;
    }
}

TEST(XbaseNumber, RoundDecimal)
{
    EXPECT_EQ(xb::roundDecimal(2.345, 2), 2.35);
    EXPECT_EQ(xb::roundDecimal(-2.345, 2), -2.35);
    EXPECT_EQ(xb::roundDecimal(1250, -2), 1300);
    EXPECT_EQ(xb::decimalText(2.0, 1), "2.0");
}

TEST(XbaseText, CaseTrimAndPadTouchOnlyAsciiAndBlanks)
{
    const std::string thai = "\xA1\xA2z";  // two Thai bytes, then a letter
    EXPECT_EQ(xb::upper(thai), "\xA1\xA2Z");
    EXPECT_EQ(xb::lower("AbC\xCA"), "abc\xCA");
    EXPECT_EQ(xb::rtrim("  a b  "), "  a b");
    EXPECT_EQ(xb::ltrim("  a b  "), "a b  ");
    EXPECT_EQ(xb::alltrim("  a b  "), "a b");
    EXPECT_EQ(xb::alltrim("\t a"), "\t a");  // only blanks are trimmed
    EXPECT_EQ(xb::padRight("ab", 4), "ab  ");
    EXPECT_EQ(xb::padRight("abcdef", 4), "abcd");
    EXPECT_EQ(xb::padLeft("ab", 4, '0'), "00ab");
    EXPECT_EQ(xb::padCenter("ab", 5), " ab  ");
    EXPECT_TRUE(xb::equalsNoCase("Port#1", "PORT#1"));
    EXPECT_FALSE(xb::equalsNoCase("\xA1", "\xC1"));
}
