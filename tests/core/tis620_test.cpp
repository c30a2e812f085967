#include "core/tis620.h"

#include <gtest/gtest.h>
#include <iconv.h>

namespace tis = core::tis620;

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

}  // namespace

TEST(Tis620, MatchesIconvOnEveryDefinedByteAndMarksTheRest)
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
}

TEST(Tis620, ThaiTextRoundTrips)
{
    const std::string utf8 = "ชั่งซื้อ/รับเข้า น้ำหนัก 1,234 กก.";
    const std::string bytes = tis::fromUtf8(utf8);
    EXPECT_EQ(bytes.size(), 34u);  // one byte per character
    EXPECT_EQ(tis::toUtf8(bytes), utf8);
}

TEST(Tis620, UnmappableAndMalformedInputBecomesQuestionMarks)
{
    EXPECT_EQ(tis::fromUtf8("caf\xC3\xA9"), "caf?");          // é has no TIS-620 byte
    EXPECT_EQ(tis::fromUtf8("\xE2\x82\xAC"), "?");            // euro sign
    EXPECT_EQ(tis::fromUtf8("a\x80" "b"), "a?b");             // stray continuation byte
    EXPECT_EQ(tis::fromUtf8("a\xE0\xB8"), "a?");              // truncated sequence
    EXPECT_EQ(tis::fromUtf8("\xC0\x80"), "?");                // overlong NUL
    EXPECT_EQ(tis::fromUtf8("\xF0\x9F\x98\x80!"), "?!");      // emoji
}
