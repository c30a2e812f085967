// The program's own functions that stored expressions call, as plain C++ for the code that needs
// the same rules outside an expression: ticket calculation (XROUND), running numbers (ZERO), ticket
// printing (BAHT), reports (REPLINE's hook). All are pure except EQCHECK's message and REPLINE.
//
// Texts are TIS-620. The hook is process-wide and belongs to the UI thread.
#pragma once

#include <string>
#include <string_view>

#include "core/date.h"
#include "core/value.h"

namespace expr {

// STR(n) without a width: the number right-aligned in its own width (a table field's width, else
// ten integer places - twenty for ten thousand million and more - plus its decimals).
std::string str(const core::Value& number);

// CDECCOR as XROUND reads it: "Y" (blanks and letter case ignored) or unset means rounding up from
// a fraction of 0.499999; any other value rounds up only above one half.
bool decimalCorrection(const core::Value& cdeccor);

// XROUND(value, decimals): the amount rounding rule. The magnitude is scaled by 10^decimals; with
// decimal correction a fraction of at least 0.499999 rounds up (absorbing representation error, so
// 2.345 gives 2.35), otherwise only a fraction above 0.5 does; the sign is put back and the result
// rounded once more to remove floating-point noise. Negative values round by their magnitude.
double xround(double value, int decimals, bool decimalCorrection);

// ZERO(n, width): the whole part of n (towards zero) as digits with width "0"s in front, cut to its
// last width characters ("" for a width below 1).
std::string zero(double n, int width);

// STANG(amount): the fraction rounded to a quarter (0 .. 0.125 -> 0, .. 0.375 -> 0.25,
// .. 0.625 -> 0.5, .. 0.875 -> 0.75, above -> the next whole); a negative amount is returned as is.
double stang(double amount);

// DISC(amount, text): the total discount a discount text takes off an amount: digits and "." build
// a number, "%" takes that percentage of the running net off, "+" or "-" (and the end) take the
// number off as an amount; other characters are skipped. With roundSteps (CDISCFIX "Y") each
// percentage step is rounded with XROUND to 3 decimals.
double disc(double amount, std::string_view text, bool roundSteps, bool decimalCorrection);

// BAHT(amount): the amount in Thai words for printed documents, "(...บาทถ้วน)" or "(...สตางค์)";
// the sign is ignored and 0 gives "". Amounts of a thousand million and more are read on in the
// same way ("...พันล้าน...").
std::string baht(double amount);

// MONTHNAME(n): the Thai name of month n (1..12), "" for any other n.
std::string monthName(int month);

// BCYEAR(date): "วันที่  dd  <month name>  พ.ศ.yyyy" with the Buddhist-era year; "" for the empty date.
std::string bcYear(core::Date date);

// SPLIT(text, n, separator, numeric): the n-th field (from 1) of text split at separator (","
// when empty). Numeric: the field trimmed, kept to "0123456789.+-" and read with VAL (0 for a
// missing field); else the field as it is ("" for a missing field).
core::Value split(std::string_view text, double n, std::string_view separator, bool numeric);

// TRANSFORM(value, picture) for texts, numbers, dates and logicals. Picture functions after "@" up
// to the first blank: "!" upper case, "B" left-justified, "Z" blank when zero (or the empty date),
// "E" point and comma swapped in numbers, "R" template characters inserted into texts, "(" negative
// numbers in parentheses, "9" digits only (entry fields; no effect on output). Template: "9" and
// "#" digit places, "," thousands separators (a blank unless a digit stands to the left), "." the
// decimal point, "*" and "$" fill characters; for texts "X", "9", "#", "A", "N", "L" copy a
// character and "!" copies it in upper case; any other template character is printed as it is.
// False (leaving out alone) for a value of another type.
bool transform(const core::Value& value, std::string_view picture, std::string& out);

// REPLINE(n) moves the report engine's current line down by n; the engine installs the hook while
// it prints. Without a hook REPLINE does nothing (and still gives "").
class ReportLineHook {
public:
    virtual ~ReportLineHook() = default;
    virtual void advanceLines(double n) = 0;
};
// Installs a hook (nullptr removes it); returns the previous one.
ReportLineHook* setReportLineHook(ReportLineHook* hook);

}  // namespace expr
