// The standard xBase functions that site templates and report definitions use (pure ones only),
// with the BASE subcodes xBase runtimes give their argument errors (3012 where a runtime has no
// code of its own for the function).
//
// Texts are bytes: lengths and positions count bytes, which for TIS-620 are characters.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/clock.h"
#include "core/xbase.h"
#include "expr/detail.h"
#include "expr/functions.h"

namespace expr::detail {
namespace {

using core::Value;
namespace xb = core::xbase;

// ---- argument helpers ----------------------------------------------------------------------------

// A count or position argument as an integer, saturated far beyond any text length.
std::int64_t whole(double v)
{
    if (!(v == v))
        return 0;
    if (v > 1e12)
        return 1'000'000'000'000;
    if (v < -1e12)
        return -1'000'000'000'000;
    return static_cast<std::int64_t>(v);
}

FnStatus setText(FnCall& c, std::string s)
{
    c.out = Value::text(std::move(s));
    return FnStatus::Ok;
}

FnStatus setNumber(FnCall& c, double v, int dec = 0)
{
    c.out = Value::number(v, dec);
    return FnStatus::Ok;
}

FnStatus setLogical(FnCall& c, bool b)
{
    c.out = Value::logical(b);
    return FnStatus::Ok;
}

FnStatus setDate(FnCall& c, core::Date d)
{
    c.out = Value::date(d);
    return FnStatus::Ok;
}

// The needle's first (or last) position in hay, from 1; 0 when it does not occur or is empty.
// Linear time whatever the texts (glibc's memmem is a two-way search).
std::size_t findText(std::string_view needle, std::string_view hay, bool last)
{
    if (needle.empty() || needle.size() > hay.size())
        return 0;
    if (!last) {
        const void* p = memmem(hay.data(), hay.size(), needle.data(), needle.size());
        return p ? std::size_t(static_cast<const char*>(p) - hay.data()) + 1 : 0;
    }
    const std::string rhay(hay.rbegin(), hay.rend()), rneedle(needle.rbegin(), needle.rend());
    const void* p = memmem(rhay.data(), rhay.size(), rneedle.data(), rneedle.size());
    if (!p)
        return 0;
    const std::size_t rpos = std::size_t(static_cast<const char*>(p) - rhay.data());
    return hay.size() - rpos - needle.size() + 1;
}

// ---- texts ---------------------------------------------------------------------------------------

FnStatus fnSubstr(FnCall& c)
{
    const Value &s = c.arg(0), &from = c.arg(1), &count = c.arg(2);
    if (!s.isText() || !from.isNumber() || !(count.isNil() || count.isNumber()))
        return FnStatus::BadArg;
    const std::string& text = s.asText();
    const auto size = std::int64_t(text.size());
    std::int64_t start = whole(from.asNumber());
    std::int64_t n = count.isNil() ? size : whole(count.asNumber());
    if (start > 0)
        --start;
    else if (start < 0)
        start = std::max<std::int64_t>(0, start + size);
    if (start >= size || n <= 0)
        return setText(c, {});
    return setText(c, text.substr(std::size_t(start), std::size_t(std::min(n, size - start))));
}

FnStatus fnLeft(FnCall& c)
{
    if (!c.arg(0).isText() || !c.arg(1).isNumber())
        return FnStatus::BadArg;
    const std::string& text = c.arg(0).asText();
    const std::int64_t n = whole(c.arg(1).asNumber());
    return setText(c, n <= 0 ? std::string() : text.substr(0, std::size_t(std::min<std::int64_t>(n, text.size()))));
}

FnStatus fnRight(FnCall& c)
{
    if (!c.arg(0).isText() || !c.arg(1).isNumber())
        return FnStatus::BadArg;
    const std::string& text = c.arg(0).asText();
    const std::int64_t n = std::min<std::int64_t>(whole(c.arg(1).asNumber()), text.size());
    return setText(c, n <= 0 ? std::string() : text.substr(text.size() - std::size_t(n)));
}

FnStatus fnLen(FnCall& c)
{
    const Value& v = c.arg(0);
    if (v.isText())
        return setNumber(c, double(v.asText().size()));
    if (v.isArray())
        return setNumber(c, double(v.asArray()->size()));
    return FnStatus::BadArg;
}

FnStatus fnAt(FnCall& c)
{
    if (!c.arg(0).isText() || !c.arg(1).isText())
        return FnStatus::BadArg;
    return setNumber(c, double(findText(c.arg(0).asText(), c.arg(1).asText(), false)));
}

FnStatus fnRat(FnCall& c)
{
    if (!c.arg(0).isText() || !c.arg(1).isText())
        return FnStatus::BadArg;
    return setNumber(c, double(findText(c.arg(0).asText(), c.arg(1).asText(), true)));
}

template <std::string (*F)(std::string_view)>
FnStatus textOp(FnCall& c)
{
    if (!c.arg(0).isText())
        return FnStatus::BadArg;
    return setText(c, F(c.arg(0).asText()));
}

// PADL/PADR/PADC: texts as they are, numbers as STR() without leading blanks, dates as DTOC().
enum class Pad { Left, Right, Center };
template <Pad P>
FnStatus fnPad(FnCall& c)
{
    const Value &v = c.arg(0), &width = c.arg(1), &fill = c.arg(2);
    if (!width.isNumber() || !(fill.isNil() || fill.isText()))
        return FnStatus::BadArg;
    std::string text;
    if (v.isText())
        text = v.asText();
    else if (v.isNumber())
        text = xb::ltrim(xb::str(v.asNumber(), strWidth(v), v.decimals()));
    else if (v.isDate())
        text = v.asDate().dtoc();
    else
        return FnStatus::BadArg;
    const std::int64_t n = whole(width.asNumber());
    if (n <= 0)
        return setText(c, {});
    if (n > std::int64_t(kMaxTextLength))
        return FnStatus::Overflow;
    const char f = fill.isText() && !fill.asText().empty() ? fill.asText().front() : ' ';
    switch (P) {
    case Pad::Left: return setText(c, xb::padLeft(text, std::size_t(n), f));
    case Pad::Right: return setText(c, xb::padRight(text, std::size_t(n), f));
    case Pad::Center: return setText(c, xb::padCenter(text, std::size_t(n), f));
    }
    return FnStatus::BadArg;
}

FnStatus fnReplicate(FnCall& c)
{
    if (!c.arg(0).isText() || !c.arg(1).isNumber())
        return FnStatus::BadArg;
    const std::string& unit = c.arg(0).asText();
    const std::int64_t n = whole(c.arg(1).asNumber());
    if (n <= 0 || unit.empty())
        return setText(c, {});
    if (n > std::int64_t(kMaxTextLength / unit.size()))
        return FnStatus::Overflow;
    std::string out;
    out.reserve(unit.size() * std::size_t(n));
    for (std::int64_t i = 0; i < n; ++i)
        out += unit;
    return setText(c, std::move(out));
}

FnStatus fnSpace(FnCall& c)
{
    if (!c.arg(0).isNumber())
        return FnStatus::BadArg;
    const std::int64_t n = whole(c.arg(0).asNumber());
    if (n > std::int64_t(kMaxTextLength))
        return FnStatus::Overflow;
    return setText(c, std::string(std::size_t(std::max<std::int64_t>(n, 0)), ' '));
}

// STUFF(text, start, delete, insert): delete characters from start (1-based; past the end means
// at the end) and put insert there.
FnStatus fnStuff(FnCall& c)
{
    const Value &s = c.arg(0), &start = c.arg(1), &del = c.arg(2), &ins = c.arg(3);
    if (!s.isText() || !start.isNumber() || !del.isNumber() || !(ins.isNil() || ins.isText()))
        return FnStatus::BadArg;
    const std::string& text = s.asText();
    const std::string& insert = ins.asText();
    const auto size = std::int64_t(text.size());
    const std::int64_t from = std::clamp<std::int64_t>(whole(start.asNumber()) - 1, 0, size);
    const std::int64_t removed = std::clamp<std::int64_t>(whole(del.asNumber()), 0, size - from);
    if (std::size_t(size - removed) + insert.size() > kMaxTextLength)
        return FnStatus::Overflow;
    std::string out = text.substr(0, std::size_t(from));
    out += insert;
    out.append(text, std::size_t(from + removed));
    return setText(c, std::move(out));
}

// STRTRAN(text, search, replace, first, count): replaces the occurrences of search from the
// first-th one on (default 1), at most count of them (default all).
FnStatus fnStrtran(FnCall& c)
{
    const Value &s = c.arg(0), &search = c.arg(1), &repl = c.arg(2), &first = c.arg(3), &count = c.arg(4);
    if (!s.isText() || !search.isText() || !(repl.isNil() || repl.isText()) || !(first.isNil() || first.isNumber())
        || !(count.isNil() || count.isNumber()))
        return FnStatus::BadArg;
    const std::string_view text = s.asText(), needle = search.asText(), with = repl.asText();
    const std::int64_t skip = first.isNil() ? 0 : whole(first.asNumber()) - 1;
    std::int64_t left = count.isNil() ? -1 : whole(count.asNumber());
    if (needle.empty() || (!count.isNil() && left <= 0))
        return setText(c, std::string(text));
    std::string out;
    std::size_t pos = 0;
    std::int64_t seen = 0;
    while (left != 0) {
        const void* p = memmem(text.data() + pos, text.size() - pos, needle.data(), needle.size());
        if (!p)
            break;
        const std::size_t at = std::size_t(static_cast<const char*>(p) - text.data());
        const bool replace = seen++ >= skip;
        out.append(text.substr(pos, at - pos));
        out.append(replace ? with : needle);
        if (replace && left > 0)
            --left;
        pos = at + needle.size();
        if (out.size() > kMaxTextLength)
            return FnStatus::Overflow;
    }
    out.append(text.substr(pos));
    return setText(c, std::move(out));
}

FnStatus fnChr(FnCall& c)
{
    if (!c.arg(0).isNumber())
        return FnStatus::BadArg;
    const std::int64_t n = whole(c.arg(0).asNumber());
    return setText(c, std::string(1, char(static_cast<unsigned char>(((n % 256) + 256) % 256))));
}

FnStatus fnAsc(FnCall& c)
{
    if (!c.arg(0).isText())
        return FnStatus::BadArg;
    const std::string& s = c.arg(0).asText();
    return setNumber(c, s.empty() ? 0 : double(static_cast<unsigned char>(s.front())));
}

// ---- numbers -------------------------------------------------------------------------------------

FnStatus fnVal(FnCall& c)
{
    if (!c.arg(0).isText())
        return FnStatus::BadArg;
    c.out = valNumber(c.arg(0).asText());
    return FnStatus::Ok;
}

// STR(n, width, decimals): without a width the number's own (strWidth) and decimals; with a
// width only, no decimals; without a usable width but with decimals, the number's integer places
// and those decimals. A value that does not fit shows asterisks.
FnStatus fnStr(FnCall& c)
{
    const Value &n = c.arg(0), &w = c.arg(1), &d = c.arg(2);
    if (!n.isNumber() || !(w.isNil() || w.isNumber()) || !(d.isNil() || d.isNumber()))
        return FnStatus::BadArg;
    std::int64_t width = w.isNil() ? 0 : whole(w.asNumber());
    std::int64_t dec = d.isNil() ? (width < 1 ? n.decimals() : 0) : std::max<std::int64_t>(0, whole(d.asNumber()));
    if (width < 1)
        width = integerPlaces(n) + (dec > 0 ? dec + 1 : 0);
    if (width > std::int64_t(kMaxTextLength))
        return FnStatus::Overflow;
    dec = std::min(dec, width);  // more decimals than the width never fit
    return setText(c, xb::str(n.asNumber(), int(width), int(dec)));
}

// STRZERO(): STR() with leading zeros, a minus sign moved to the front.
FnStatus fnStrzero(FnCall& c)
{
    const FnStatus st = fnStr(c);
    if (st != FnStatus::Ok)
        return st;
    std::string& s = c.out.textRef();
    const std::size_t minus = s.find('-');
    if (minus != std::string::npos)
        s[minus] = ' ';
    for (char& ch : s) {
        if (ch != ' ')
            break;
        ch = '0';
    }
    if (minus != std::string::npos && !s.empty())
        s[0] = '-';
    return FnStatus::Ok;
}

// A whole number without decimals: what INT() and ABS() give back with its own width.
bool isWhole(const Value& n) { return n.decimals() == 0 && n.asNumber() == std::trunc(n.asNumber()); }

// INT(): the integer places of the number stay its width.
FnStatus fnInt(FnCall& c)
{
    const Value& n = c.arg(0);
    if (!n.isNumber())
        return FnStatus::BadArg;
    if (isWhole(n)) {
        c.out = n;
        return FnStatus::Ok;
    }
    c.out = Value::number(std::trunc(n.asNumber()), 0, integerPlaces(n));
    return FnStatus::Ok;
}

FnStatus fnRound(FnCall& c)
{
    if (!c.arg(0).isNumber() || !c.arg(1).isNumber())
        return FnStatus::BadArg;
    const int dec = int(std::clamp<std::int64_t>(whole(c.arg(1).asNumber()), -30, 30));
    return setNumber(c, xb::roundDecimal(c.arg(0).asNumber(), dec), std::max(dec, 0));
}

// ABS(): a whole number that is not negative comes back as it is; any other is computed anew with
// its decimals.
FnStatus fnAbs(FnCall& c)
{
    const Value& n = c.arg(0);
    if (!n.isNumber())
        return FnStatus::BadArg;
    if (isWhole(n) && n.asNumber() >= 0) {
        c.out = n;
        return FnStatus::Ok;
    }
    return setNumber(c, std::fabs(n.asNumber()), n.decimals());
}

template <bool Max>
FnStatus fnMaxMin(FnCall& c)
{
    const Value &a = c.arg(0), &b = c.arg(1);
    bool firstWins;
    if (a.isNumber() && b.isNumber())
        firstWins = Max ? a.asNumber() >= b.asNumber() : a.asNumber() <= b.asNumber();
    else if (a.isDate() && b.isDate())
        firstWins = Max ? a.asDate() >= b.asDate() : a.asDate() <= b.asDate();
    else if (a.isLogical() && b.isLogical())
        firstWins = Max ? a.asLogical() >= b.asLogical() : a.asLogical() <= b.asLogical();
    else
        return FnStatus::BadArg;
    c.out = firstWins ? a : b;
    return FnStatus::Ok;
}

// MOD(a, b): the remainder with the sign of b (dBase), unlike a % b; SET DECIMALS decimals.
FnStatus fnMod(FnCall& c)
{
    if (!c.arg(0).isNumber() || !c.arg(1).isNumber())
        return FnStatus::BadArg;
    const double a = c.arg(0).asNumber(), b = c.arg(1).asNumber();
    if (b == 0)
        return FnStatus::ZeroDiv;
    double r = std::fmod(a, b);
    if (r != 0 && ((r < 0) != (b < 0)))
        r += b;
    return setNumber(c, r, kSetDecimals);
}

// ---- dates ---------------------------------------------------------------------------------------

const char* const kMonthsEn[] = {"January", "February", "March",     "April",   "May",      "June",
                                 "July",    "August",   "September", "October", "November", "December"};
const char* const kDaysEn[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

// YEAR() has width 5, the others 3.
template <int Part>  // 0 year, 1 month, 2 day, 3 day of week
FnStatus fnDatePart(FnCall& c)
{
    if (!c.arg(0).isDate())
        return FnStatus::BadArg;
    const core::Date d = c.arg(0).asDate();
    const int v = Part == 0 ? d.year() : Part == 1 ? d.month() : Part == 2 ? d.day() : d.dayOfWeek();
    c.out = Value::number(v, 0, Part == 0 ? 5 : 3);
    return FnStatus::Ok;
}

FnStatus fnCmonth(FnCall& c)
{
    if (!c.arg(0).isDate())
        return FnStatus::BadArg;
    const int m = c.arg(0).asDate().month();
    return setText(c, m ? kMonthsEn[m - 1] : "");
}

FnStatus fnCdow(FnCall& c)
{
    if (!c.arg(0).isDate())
        return FnStatus::BadArg;
    const int d = c.arg(0).asDate().dayOfWeek();
    return setText(c, d ? kDaysEn[d - 1] : "");
}

FnStatus fnDtoc(FnCall& c)
{
    if (!c.arg(0).isDate())
        return FnStatus::BadArg;
    return setText(c, c.arg(0).asDate().dtoc());
}

FnStatus fnCtod(FnCall& c)
{
    if (!c.arg(0).isText())
        return FnStatus::BadArg;
    return setDate(c, core::Date::fromDtoc(c.arg(0).asText()));
}

FnStatus fnStod(FnCall& c)
{
    if (!(c.arg(0).isNil() || c.arg(0).isText()))
        return FnStatus::BadArg;
    return setDate(c, core::Date::fromDtos(c.arg(0).asText()));
}

FnStatus fnDate(FnCall& c) { return setDate(c, core::clock().today()); }
FnStatus fnTime(FnCall& c) { return setText(c, core::timeOfDay()); }

// ---- any type ------------------------------------------------------------------------------------

FnStatus fnEmpty(FnCall& c)
{
    const Value& v = c.arg(0);
    switch (v.type()) {
    case Value::Type::Text:
        return setLogical(c, v.asText().find_first_not_of(" \t\r\n") == std::string::npos);
    case Value::Type::Number: return setLogical(c, v.asNumber() == 0);
    case Value::Type::Date: return setLogical(c, v.asDate().isEmpty());
    case Value::Type::Logical: return setLogical(c, !v.asLogical());
    case Value::Type::Array: return setLogical(c, v.asArray()->empty());
    case Value::Type::Nil: break;
    }
    return setLogical(c, true);
}

FnStatus fnValtype(FnCall& c) { return setText(c, std::string(1, c.arg(0).typeLetter())); }

FnStatus fnTransform(FnCall& c)
{
    const Value& pic = c.arg(1);
    if (!(pic.isNil() || pic.isText()))
        return FnStatus::BadArg;
    std::string out;
    if (!transform(c.arg(0), pic.asText(), out))
        return FnStatus::BadArg;
    return setText(c, std::move(out));
}

FnStatus fnNone(FnCall&) { return FnStatus::BadArg; }

constexpr FunctionDef table(const char* name, TableQuery q, Kind k)
{
    FunctionDef d{name, fnNone, k, 3012, true, Special::Table, q, {nullptr, nullptr}};
    return d;
}

const FunctionDef kStandard[] = {
    {"ABS", fnAbs, Kind::Number, 1089, true},
    {"ALLTRIM", textOp<xb::alltrim>, Kind::Text, 2022, true},
    {"ASC", fnAsc, Kind::Number, 1107, true},
    {"AT", fnAt, Kind::Number, 1108, true},
    table("BOF", TableQuery::Bof, Kind::Logical),
    {"CDOW", fnCdow, Kind::Text, 1117, true},
    {"CHR", fnChr, Kind::Text, 1104, true},
    {"CMONTH", fnCmonth, Kind::Text, 1116, true},
    {"CTOD", fnCtod, Kind::Date, 1119, true},
    {"DATE", fnDate, Kind::Date, 3012, true},
    {"DAY", fnDatePart<2>, Kind::Number, 1114, true},
    table("DELETED", TableQuery::Deleted, Kind::Logical),
    {"DOW", fnDatePart<3>, Kind::Number, 1115, true},
    {"DTOC", fnDtoc, Kind::Text, 1118, true},
    {"DTOS", fnNone, Kind::Text, 1120, true, Special::Dtos},
    {"EMPTY", fnEmpty, Kind::Logical, 3012, true},
    table("EOF", TableQuery::Eof, Kind::Logical),
    table("FOUND", TableQuery::Found, Kind::Logical),
    {"IF", fnNone, Kind::Any, 1066, false, Special::Iif},
    {"IIF", fnNone, Kind::Any, 1066, false, Special::Iif},
    {"INT", fnInt, Kind::Number, 1090, true},
    table("LASTREC", TableQuery::LastRec, Kind::Number),
    {"LEFT", fnLeft, Kind::Text, 1124, true},
    {"LEN", fnLen, Kind::Number, 1111, true},
    {"LOWER", textOp<xb::lower>, Kind::Text, 1103, true},
    {"LTRIM", textOp<xb::ltrim>, Kind::Text, 1101, true},
    {"MAX", fnMaxMin<true>, Kind::Any, 1093, true},
    {"MIN", fnMaxMin<false>, Kind::Any, 1092, true},
    {"MOD", fnMod, Kind::Number, 1085, true},
    {"MONTH", fnDatePart<1>, Kind::Number, 1113, true},
    {"PADC", fnPad<Pad::Center>, Kind::Text, 3012, true},
    {"PADL", fnPad<Pad::Left>, Kind::Text, 3012, true},
    {"PADR", fnPad<Pad::Right>, Kind::Text, 3012, true},
    {"RAT", fnRat, Kind::Number, 3012, true},
    table("RECCOUNT", TableQuery::RecCount, Kind::Number),
    table("RECNO", TableQuery::RecNo, Kind::Number),
    {"REPLICATE", fnReplicate, Kind::Text, 1106, true},
    {"RIGHT", fnRight, Kind::Text, 3012, true},
    {"ROUND", fnRound, Kind::Number, 1094, true},
    {"RTRIM", textOp<xb::rtrim>, Kind::Text, 1100, true},
    {"SPACE", fnSpace, Kind::Text, 1105, true},
    {"STOD", fnStod, Kind::Date, 3012, true},
    {"STR", fnStr, Kind::Text, 1099, true},
    {"STRTRAN", fnStrtran, Kind::Text, 1126, true},
    {"STRZERO", fnStrzero, Kind::Text, 3012, true},
    {"STUFF", fnStuff, Kind::Text, 3012, true},
    {"SUBSTR", fnSubstr, Kind::Text, 1110, true},
    {"TIME", fnTime, Kind::Text, 3012, true},
    {"TRANSFORM", fnTransform, Kind::Text, 1122, true},
    {"TRIM", textOp<xb::rtrim>, Kind::Text, 1100, true},
    {"UPPER", textOp<xb::upper>, Kind::Text, 1102, true},
    {"VAL", fnVal, Kind::Number, 1098, true},
    {"VALTYPE", fnValtype, Kind::Text, 3012, true},
    {"YEAR", fnDatePart<0>, Kind::Number, 1112, true},
};

}  // namespace

namespace {

constexpr int kMaxIntegerPlaces = 90;

// Ten integer places, twenty beyond them: the width of every computed number.
int computedPlaces(double v) { return v > 9999999999.0 || v < -999999999.0 ? 20 : 10; }

}  // namespace

int integerPlaces(const core::Value& n)
{
    if (n.width() > 0)
        return std::max(n.width() - wholeWidth(0, n.decimals()), 0);
    return computedPlaces(n.asNumber());
}

int strWidth(const core::Value& n)
{
    return wholeWidth(std::min(integerPlaces(n), kMaxIntegerPlaces), n.decimals());
}

core::Value numberLiteral(std::string_view digits)
{
    const auto n = xb::val(digits);
    const std::size_t point = std::min(digits.find('.'), digits.size());
    int width = 0;
    if (point >= 10) {
        // Digits as written, and a place for the sign when there are no decimals.
        const std::size_t places = std::min<std::size_t>(point + (n.decimals == 0 ? 1 : 0), kMaxIntegerPlaces);
        width = wholeWidth(int(places), n.decimals);
    }
    return Value::number(n.value, n.decimals, width);
}

// The width counts every byte before the point - blanks, sign, digits and whatever follows them -
// and the decimals every byte after the first point of the text, even past the digits ("12.5 " has
// two). A text without decimals gives its whole length; more than ten integer places,
// or a width beyond 99, give the computed width instead.
core::Value valNumber(std::string_view s)
{
    const double v = xb::val(s).value;
    std::size_t i = 0;
    while (i < s.size() && xb::isBlank(s[i]))
        ++i;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        ++i;
    std::size_t places = i, decimals = 0;
    bool point = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9') {
            ++(point ? decimals : places);
        } else if (c == '.' && !point) {
            point = true;
        } else {
            while (!point && i < s.size()) {
                if (s[i++] == '.')
                    point = true;
                else
                    ++places;
            }
            if (point)
                decimals += s.size() - i;
            break;
        }
    }
    const int dec = int(std::min<std::size_t>(decimals, kMaxDecimals));
    std::size_t width = 0;
    if (places > 10)
        width = 0;
    else if (decimals == 0)
        width = s.size();
    else
        width = wholeWidth(places == 0 ? 1 : v < 0 && places == 1 ? 2 : int(places), dec);
    return Value::number(v, dec, width > 99 ? 0 : int(width));
}

void addStandardFunctions(std::vector<const FunctionDef*>& out)
{
    for (const FunctionDef& d : kStandard)
        out.push_back(&d);
}

}  // namespace expr::detail

std::string expr::str(const core::Value& number)
{
    return core::xbase::str(number.asNumber(), detail::strWidth(number), number.decimals());
}
