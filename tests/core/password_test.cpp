#include "core/password.h"

#include <gtest/gtest.h>

namespace pw = core::password;

TEST(Password, ScrambleIsTheSpecifiedRotationOfXor)
{
    // "ABC   ": n = 6, byte i = rotl(c ^ 6, i % 8)
    const std::string s = pw::scramble("ABC   ");
    ASSERT_EQ(s.size(), 6u);
    EXPECT_EQ((unsigned char)s[0], 0x41 ^ 6);
    EXPECT_EQ((unsigned char)s[1], (((0x42 ^ 6) << 1) | ((0x42 ^ 6) >> 7)) & 0xFF);
    EXPECT_EQ((unsigned char)s[5], (((0x20 ^ 6) << 5) | ((0x20 ^ 6) >> 3)) & 0xFF);
    for (const char* t : {"", "A", "SECRET", "ABCDEFGHIJ", "\xA1\xFB\x80\xFF"})
        EXPECT_EQ(pw::unscramble(pw::scramble(t)), t);
}

TEST(Password, StoredFormIgnoresCaseAndTrailingBlanks)
{
    EXPECT_EQ(pw::stored("abc"), pw::stored("ABC   "));
    EXPECT_EQ(pw::stored("abc").size(), 6u);
    EXPECT_NE(pw::stored("ABC"), std::string(6, ' '));
}
