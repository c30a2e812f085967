// Text as the tables hold it: TIS-620 bytes, xBase numbers and padding, stored passwords.
#include <gtest/gtest.h>
#include <iconv.h>

#include "core/password.h"
#include "core/tis620.h"
#include "core/xbase.h"

namespace tis = core::tis620;
namespace xb = core::xbase;
namespace pw = core::password;

namespace {

// glibc's converter is the reference for every byte TIS-620 defines.
std::string iconvToUtf8(unsigned char b, bool& ok)
{
    iconv_t cd = iconv_open("UTF-8", "TIS-620");
    char in[1] = {char(b)};
    char out[8];
    char* ip = in;
    char* op = out;
    size_t il = 1, ol = sizeof out;
    ok = iconv(cd, &ip, &il, &op, &ol) != size_t(-1);
    iconv_close(cd);
    return std::string(out, std::size_t(op - out));
}

// Every defined byte as iconv has it, the rest marked; Thai round-trips and what has no byte becomes '?'.
TEST(Tis620, MatchesIconvAndRoundTrips)
{
    for (int b = 0; b < 256; ++b) {
        bool defined = false;
        const std::string ref = iconvToUtf8((unsigned char)b, defined);
        const std::string ours = tis::toUtf8(std::string(1, char(b)));
        if (defined) {
            EXPECT_EQ(ours, ref) << "byte " << b;
            EXPECT_EQ(tis::fromUtf8(ours), std::string(1, char(b))) << "byte " << b;
        } else {
            EXPECT_EQ(ours, "\xEF\xBF\xBD") << "byte " << b;  // U+FFFD
        }
    }

    const std::string utf8 = "ชั่งซื้อ/รับเข้า น้ำหนัก 1,234 กก.";
    const std::string bytes = tis::fromUtf8(utf8);
    EXPECT_EQ(bytes.size(), 34u);  // one byte per character
    EXPECT_EQ(tis::toUtf8(bytes), utf8);

    EXPECT_EQ(tis::fromUtf8("caf\xC3\xA9"), "caf?");          // é has no TIS-620 byte
    EXPECT_EQ(tis::fromUtf8("\xE2\x82\xAC"), "?");            // euro sign
    EXPECT_EQ(tis::fromUtf8("a\x80" "b"), "a?b");             // stray continuation byte
    EXPECT_EQ(tis::fromUtf8("a\xE0\xB8"), "a?");              // truncated sequence
    EXPECT_EQ(tis::fromUtf8("\xC0\x80"), "?");                // overlong NUL
    EXPECT_EQ(tis::fromUtf8("\xF0\x9F\x98\x80!"), "?!");      // emoji
}

// STR rounds half away from zero on the decimal value; an overflow is reported, not cut.
TEST(XbaseNumber, StrRoundsOnTheDecimalValueAndReportsOverflow)
{
    struct Case {
        double v;
        int width, dec;
        const char* expected;
    };
    const Case cases[] = {
        {0.005, 6, 2, "  0.01"},  {-0.005, 6, 2, " -0.01"}, {2.675, 6, 2, "  2.68"},  {0.5, 4, 2, "0.50"},
        {-0.004, 6, 2, "  0.00"}, {99.995, 6, 2, "100.00"}, {1e15, 16, 0, "1000000000000000"},
        {-2.5, 3, 0, " -3"},      {-9, 2, 0, "-9"},         {999.994, 6, 2, "999.99"}, {-0.0625, 6, 3, "-0.063"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(xb::str(c.v, c.width, c.dec), c.expected) << c.v;

    EXPECT_EQ(xb::roundDecimal(-2.345, 2), -2.35);
    EXPECT_EQ(xb::roundDecimal(1250, -2), 1300);
    EXPECT_EQ(xb::decimalText(2.0, 1), "2.0");

    std::string out = "untouched";
    EXPECT_FALSE(xb::formatFixed(123456.0, 5, 0, out));
    EXPECT_FALSE(xb::formatFixed(999.995, 6, 2, out));  // rounds to 1000.00: seven characters
    EXPECT_FALSE(xb::formatFixed(-10, 2, 0, out));      // the minus sign takes a place
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
        {"\t\r\n 7.25", 7.25, 2},  // tabs and line ends are blanks too, as VAL in expressions
    };
    for (const Case& c : cases) {
        const auto r = xb::val(c.text);
        EXPECT_EQ(r.value, c.v) << c.text;
        EXPECT_EQ(r.decimals, c.dec) << c.text;
    }
}

// The plain cases are the evaluator's UPPER, TRIM, PADR and PADC rows (the same functions).
TEST(XbaseText, CaseTrimAndPadTouchOnlyAsciiAndBlanks)
{
    EXPECT_EQ(xb::lower("AbC\xCA"), "abc\xCA");
    EXPECT_EQ(xb::alltrim("\t a"), "\t a");  // only blanks are trimmed
    EXPECT_EQ(xb::padRight("abcdef", 4), "abcd");
    EXPECT_EQ(xb::padCenter("ab", 5), " ab  ");
    EXPECT_TRUE(xb::equalsNoCase("Port#1", "PORT#1"));
    EXPECT_FALSE(xb::equalsNoCase("\xA1", "\xC1"));
}

TEST(Password, ScrambleIsARotationOfXorAndTheStoredFormIgnoresCaseAndTrailingBlanks)
{
    // "ABC   ": n = 6, byte i = rotl(c ^ 6, i % 8)
    const std::string s = pw::scramble("ABC   ");
    ASSERT_EQ(s.size(), 6u);
    EXPECT_EQ((unsigned char)s[0], 0x41 ^ 6);
    EXPECT_EQ((unsigned char)s[1], (((0x42 ^ 6) << 1) | ((0x42 ^ 6) >> 7)) & 0xFF);
    EXPECT_EQ((unsigned char)s[5], (((0x20 ^ 6) << 5) | ((0x20 ^ 6) >> 3)) & 0xFF);
    for (const char* t : {"", "A", "SECRET", "ABCDEFGHIJ", "\xA1\xFB\x80\xFF"})
        EXPECT_EQ(pw::unscramble(pw::scramble(t)), t);

    EXPECT_EQ(pw::stored("abc"), pw::stored("ABC   "));
    EXPECT_EQ(pw::stored("abc").size(), 6u);
    EXPECT_NE(pw::stored("ABC"), std::string(6, ' '));
}

}  // namespace
