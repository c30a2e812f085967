// TIS-620 <-> UTF-8 conversion at the boundary between stored bytes and Unicode text.
//
// Everything the system stores, compares and prints internally is TIS-620 bytes (one byte per Thai
// character). Text becomes Unicode only where it meets Qt widgets, the terminal or a CSV for people.
//
// Mapping (the same as glibc's "TIS-620"): 0x00-0x7F are ASCII, 0xA1-0xDA are U+0E01-U+0E3A and
// 0xDF-0xFB are U+0E3F-U+0E5B. The bytes TIS-620 leaves undefined (0x80-0xA0, 0xDB-0xDE,
// 0xFC-0xFF) decode to U+FFFD. In the other direction a code point TIS-620 cannot hold, and any
// malformed UTF-8 sequence, becomes one '?' byte. Neither direction fails or throws.
#pragma once

#include <string>
#include <string_view>

namespace core::tis620 {

std::string toUtf8(std::string_view tis);
std::string fromUtf8(std::string_view utf8);

// The Unicode code point of one TIS-620 byte, or U+FFFD for an undefined byte.
char32_t toUnicode(unsigned char byte);
// The TIS-620 byte of a code point, or 0 when TIS-620 has none (U+0000 itself maps to 0 too).
unsigned char fromUnicode(char32_t cp);

// Shorthand for the many Thai literals in the program: source files are UTF-8, the program's
// texts are TIS-620.
inline std::string T(std::string_view utf8) { return fromUtf8(utf8); }

}  // namespace core::tis620
