// xBase text and number helpers shared by the evaluator, the table engine and the settings.
//
// Texts are byte strings (TIS-620): one byte is one character, so widths and padding are byte
// counts. Only ASCII letters have case; Thai bytes are never changed by UPPER/LOWER.
//
// Numbers are doubles that also carry a count of decimals, as xBase numbers do. Formatting rounds
// half away from zero on the *decimal* value of the double - the shortest text that reads back as
// the same double - so 2.675 (stored as 2.67499999...) rounds to 2.68, as a person expects and as
// the reference runtime writes it into tables.
#pragma once

#include <string>
#include <string_view>

namespace core::xbase {

std::string upper(std::string_view s);  // ASCII letters only
std::string lower(std::string_view s);  // ASCII letters only
std::string_view rtrimView(std::string_view s);  // trailing blanks removed
std::string_view ltrimView(std::string_view s);  // leading blanks removed
std::string rtrim(std::string_view s);
std::string ltrim(std::string_view s);
std::string alltrim(std::string_view s);
// Padded with blanks (or the given byte) to exactly width bytes; longer texts are cut to width.
std::string padRight(std::string_view s, std::size_t width, char fill = ' ');
std::string padLeft(std::string_view s, std::size_t width, char fill = ' ');
std::string padCenter(std::string_view s, std::size_t width, char fill = ' ');
// Case-insensitive comparison for names (ASCII letters fold, other bytes compare as they are).
bool equalsNoCase(std::string_view a, std::string_view b);

// The value rounded half away from zero to dec decimals (on its decimal value), as plain text:
// optional '-', at least one integer digit, and exactly dec digits after a '.' (none when dec is 0).
// A result that rounds to zero carries no sign. NaN and infinities give "".
std::string decimalText(double value, int dec);

// The value right-aligned in width with dec decimals (the rules of decimalText). Returns false,
// leaving out untouched, when it does not fit (xBase would show asterisks).
bool formatFixed(double value, int width, int dec, std::string& out);

// STR(value, width, dec): formatFixed, or width asterisks when the value does not fit.
std::string str(double value, int width, int dec);

// Round half away from zero on the decimal value, to dec decimals (dec may be negative).
double roundDecimal(double value, int dec);

struct ParsedNumber {
    double value = 0;
    int decimals = 0;
};
// A blank byte where a number may begin: space, tab, line end, vertical tab, form feed.
inline bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
// VAL(): leading blanks, an optional sign, digits, an optional '.' and digits; reading stops at the
// first other byte. The decimals are the digits written after the point ("2.0" -> 2 with 1).
// Text that does not start like a number gives 0 with no decimals.
ParsedNumber val(std::string_view s);

}  // namespace core::xbase
