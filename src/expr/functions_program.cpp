// The program's own functions (callable by their full names only): XROUND, ZERO, STANG, DISC, BAHT,
// MONTHNAME, BCYEAR, FIRSTDAY, LASTDAY, SPLIT, EQCHECK, REPLINE; and their C++ forms (functions.h).
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/prompts.h"
#include "core/seam.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "expr/detail.h"
#include "expr/functions.h"

namespace expr {
namespace {

using core::tis620::T;
namespace xb = core::xbase;

core::Seam<ReportLineHook> g_reportLines;

// Thai digit words 1..9, in TIS-620.
const std::string& digitWord(int d)
{
    static const std::string kWords[10] = {"",          T("หนึ่ง"), T("สอง"), T("สาม"), T("สี่"),
                                           T("ห้า"),    T("หก"),    T("เจ็ด"), T("แปด"), T("เก้า")};
    return kWords[d];
}

// Tens place: 2 "ยี่สิบ", 1 "สิบ", other d word(d) + "สิบ"; units: 1 after a non-zero tens digit "เอ็ด".
void appendTensUnits(int tens, int units, std::string& out)
{
    if (tens == 2)
        out += T("ยี่สิบ");
    else if (tens == 1)
        out += T("สิบ");
    else if (tens > 2)
        out += digitWord(tens) + T("สิบ");
    if (units == 1 && tens != 0)
        out += T("เอ็ด");
    else if (units > 0)
        out += digitWord(units);
}

// Up to six digits (leading zeros allowed): hundred thousands to units.
void appendGroup(std::string_view digits, std::string& out)
{
    static const char* const kPlaces[] = {"แสน", "หมื่น", "พัน", "ร้อย"};
    const std::size_t n = digits.size();
    for (std::size_t i = 0; i + 2 < n; ++i) {
        const int d = digits[i] - '0';
        const std::size_t place = 6 - (n - i);  // 0 hundred thousands .. 3 hundreds
        if (d != 0)
            out += digitWord(d) + T(kPlaces[place]);
    }
    const int tens = n >= 2 ? digits[n - 2] - '0' : 0;
    appendTensUnits(tens, digits[n - 1] - '0', out);
}

// A whole number of any length: the part above the millions is read as a number of its own and
// followed by "ล้าน" (so 21,000,000 is "ยี่สิบเอ็ดล้าน" and 1,000,000,000 "หนึ่งพันล้าน").
void appendInteger(std::string_view digits, std::string& out)
{
    if (digits.size() > 6) {
        appendInteger(digits.substr(0, digits.size() - 6), out);
        out += T("ล้าน");
        digits = digits.substr(digits.size() - 6);
    }
    appendGroup(digits, out);
}

const std::string& thaiMonth(int month)
{
    static const std::string kMonths[13] = {
        "",           T("มกราคม"),  T("กุมภาพันธ์"), T("มีนาคม"),    T("เมษายน"),    T("พฤษภาคม"), T("มิถุนายน"),
        T("กรกฎาคม"), T("สิงหาคม"), T("กันยายน"),   T("ตุลาคม"), T("พฤศจิกายน"), T("ธันวาคม")};
    return kMonths[month >= 1 && month <= 12 ? month : 0];
}

}  // namespace

bool decimalCorrection(const core::Value& cdeccor)
{
    if (cdeccor.isNil())
        return true;
    return xb::upper(xb::alltrim(cdeccor.asText())) == "Y";
}

double xround(double value, int decimals, bool correction)
{
    if (!std::isfinite(value))
        return value;
    decimals = std::clamp(decimals, -300, 300);
    const double scale = std::pow(10.0, decimals);
    double m = std::fabs(value) * scale;
    if (!std::isfinite(m) || m >= 4.5e15)  // no fraction left to round at this scale
        return value;
    const double whole = std::floor(m);
    const double fraction = m - whole;
    m = (correction ? fraction >= 0.499999 : fraction > 0.5) ? whole + 1 : whole;
    const double result = (value < 0 ? -m : m) / scale;
    return xb::roundDecimal(result, decimals);
}

std::string zero(double n, int width)
{
    if (width < 1)
        return {};
    const std::string digits = xb::decimalText(std::trunc(n), 0);
    std::string padded(std::size_t(width), '0');
    padded += digits;
    return padded.substr(padded.size() - std::size_t(width));
}

double stang(double amount)
{
    if (!(amount >= 0) || !std::isfinite(amount))
        return amount;
    double whole = std::trunc(amount);
    const double f = amount - whole;
    double quarter = 0;
    if (f > 0.875)
        whole += 1;
    else if (f > 0.625)
        quarter = 0.75;
    else if (f > 0.375)
        quarter = 0.5;
    else if (f > 0.125)
        quarter = 0.25;
    return whole + quarter;
}

double disc(double amount, std::string_view text, bool roundSteps, bool correction)
{
    double net = amount;
    std::string buffer;
    const auto take = [&buffer] {
        const double v = xb::val(buffer).value;
        buffer.clear();
        return v;
    };
    for (const char c : xb::alltrim(text)) {
        if ((c >= '0' && c <= '9') || c == '.') {
            buffer += c;
        } else if (c == '%') {
            double step = net * take() / 100;
            if (roundSteps)
                step = xround(step, 3, correction);
            net -= step;
        } else if (c == '+' || c == '-') {
            net -= take();
        }
    }
    net -= take();
    return amount - net;
}

std::string baht(double amount)
{
    if (!std::isfinite(amount))
        return {};
    const std::string text = xb::decimalText(std::fabs(amount), 2);  // "1250.50"
    const std::size_t point = text.find('.');
    const std::string_view integer = std::string_view(text).substr(0, point);
    const int tenSatang = text[point + 1] - '0', satang = text[point + 2] - '0';
    const bool hasBaht = integer != "0";
    if (!hasBaht && tenSatang == 0 && satang == 0)
        return {};
    std::string out = "(";
    if (hasBaht) {
        appendInteger(integer, out);
        out += T("บาท");
    }
    appendTensUnits(tenSatang, satang, out);
    out += tenSatang != 0 || satang != 0 ? T("สตางค์)") : T("ถ้วน)");
    return out;
}

std::string monthName(int month) { return thaiMonth(month); }

std::string bcYear(core::Date date)
{
    if (date.isEmpty())
        return {};
    char day[8], year[8];
    std::snprintf(day, sizeof day, "%02d", date.day());
    std::snprintf(year, sizeof year, "%04d", date.buddhistYear());
    return T("วันที่  ") + day + "  " + thaiMonth(date.month()) + T("  พ.ศ.") + year;
}

core::Value split(std::string_view text, double n, std::string_view separator, bool numeric)
{
    const std::string sep = separator.empty() ? std::string(",") : std::string(separator);
    std::string all(text);
    all += sep;
    std::string_view field;
    bool found = false;
    if (n >= 1 && n < 1e9) {
        const auto wanted = static_cast<std::size_t>(n);
        std::size_t pos = 0;
        for (std::size_t k = 1;; ++k) {
            const std::size_t end = all.find(sep, pos);
            if (end == std::string::npos)
                break;
            if (k == wanted) {
                field = std::string_view(all).substr(pos, end - pos);
                found = true;
                break;
            }
            pos = end + sep.size();
        }
    }
    if (!numeric)
        return core::Value::text(found ? std::string(field) : std::string());
    if (!found)
        return core::Value::number(0);
    std::string kept;
    for (const char c : xb::alltrim(field))
        if ((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-')
            kept += c;
    const auto v = xb::val(kept);
    return core::Value::number(v.value, v.decimals);
}

ReportLineHook* setReportLineHook(ReportLineHook* hook)
{
    return g_reportLines.install(hook);
}

namespace detail {
namespace {

using core::Value;

bool optionalText(const Value& v) { return v.isNil() || v.isText(); }

// A count or position argument as an int: NaN as 0, saturated far beyond any use.
int wholeInt(double v)
{
    if (!(v == v))
        return 0;
    return v >= 1e6 ? 1000000 : v <= -1e6 ? -1000000 : int(std::trunc(v));
}

FnStatus fnXround(FnCall& c)
{
    const Value &v = c.arg(0), &d = c.arg(1);
    if (!v.isNumber() || !(d.isNil() || d.isNumber()))
        return FnStatus::BadArg;
    const int dec = d.isNil() ? 0 : std::clamp(wholeInt(d.asNumber()), -30, 30);
    c.out = Value::number(xround(v.asNumber(), dec, decimalCorrection(c.settings[0])), std::max(dec, 0));
    return FnStatus::Ok;
}

FnStatus fnZero(FnCall& c)
{
    if (!c.arg(0).isNumber() || !c.arg(1).isNumber())
        return FnStatus::BadArg;
    const int width = wholeInt(c.arg(1).asNumber());
    if (width > int(kMaxTextLength))
        return FnStatus::Overflow;
    c.out = Value::text(zero(c.arg(0).asNumber(), width));
    return FnStatus::Ok;
}

FnStatus fnStang(FnCall& c)
{
    if (!c.arg(0).isNumber())
        return FnStatus::BadArg;
    const double v = c.arg(0).asNumber();
    c.out = Value::number(stang(v), v < 0 ? c.arg(0).decimals() : 2);
    return FnStatus::Ok;
}

FnStatus fnDisc(FnCall& c)
{
    if (!c.arg(0).isNumber() || !optionalText(c.arg(1)))
        return FnStatus::BadArg;
    const bool fix = xb::upper(xb::alltrim(c.settings[0].asText())) == "Y";
    const double d = disc(c.arg(0).asNumber(), c.arg(1).asText(), fix, decimalCorrection(c.settings[1]));
    c.out = Value::number(d, fix ? 3 : 2);
    return FnStatus::Ok;
}

FnStatus fnBaht(FnCall& c)
{
    if (!c.arg(0).isNumber())
        return FnStatus::BadArg;
    c.out = Value::text(baht(c.arg(0).asNumber()));
    return FnStatus::Ok;
}

FnStatus fnMonthname(FnCall& c)
{
    if (!c.arg(0).isNumber())
        return FnStatus::BadArg;
    c.out = Value::text(monthName(wholeInt(c.arg(0).asNumber())));
    return FnStatus::Ok;
}

FnStatus fnBcyear(FnCall& c)
{
    if (!c.arg(0).isDate())
        return FnStatus::BadArg;
    c.out = Value::text(bcYear(c.arg(0).asDate()));
    return FnStatus::Ok;
}

template <bool First>
FnStatus fnMonthEdge(FnCall& c)
{
    if (!c.arg(0).isDate())
        return FnStatus::BadArg;
    const core::Date d = c.arg(0).asDate();
    c.out = Value::date(First ? d.firstOfMonth() : d.lastOfMonth());
    return FnStatus::Ok;
}

FnStatus fnSplit(FnCall& c)
{
    const Value &text = c.arg(0), &n = c.arg(1), &sep = c.arg(2), &mode = c.arg(3);
    if (!text.isText() || !n.isNumber() || !optionalText(sep) || !optionalText(mode))
        return FnStatus::BadArg;
    const bool numeric = mode.isNil() || xb::upper(xb::alltrim(mode.asText())) == "N";
    c.out = split(text.asText(), n.asNumber(), sep.asText(), numeric);
    return FnStatus::Ok;
}

FnStatus fnEqcheck(FnCall& c)
{
    const Value &message = c.arg(0), &a = c.arg(1), &b = c.arg(2), &allow = c.arg(3);
    if (!optionalText(message) || !a.isNumber() || !b.isNumber() || !(allow.isNil() || allow.isLogical()))
        return FnStatus::BadArg;
    const bool correction = decimalCorrection(c.settings[0]);
    const bool differ = xround(a.asNumber(), 2, correction) != xround(b.asNumber(), 2, correction);
    if (differ && !allow.asLogical()) {
        core::prompts().message(core::MessageKind::Info, message.asText(), T("  ส่วนตรวจสอบความถูกต้อง"));
        c.out = Value::logical(false);
    } else {
        c.out = Value::logical(true);
    }
    return FnStatus::Ok;
}

FnStatus fnRepline(FnCall& c)
{
    if (!(c.arg(0).isNil() || c.arg(0).isNumber()))
        return FnStatus::BadArg;
    if (ReportLineHook* hook = g_reportLines.installed())
        hook->advanceLines(c.arg(0).asNumber());
    c.out = Value::text({});
    return FnStatus::Ok;
}

const FunctionDef kProgram[] = {
    {"BAHT", fnBaht, Kind::Text, 3012, false},
    {"BCYEAR", fnBcyear, Kind::Text, 3012, false},
    {"DISC", fnDisc, Kind::Number, 3012, false, Special::None, TableQuery::Deleted, {"CDISCFIX", "CDECCOR"}},
    {"EQCHECK", fnEqcheck, Kind::Logical, 3012, false, Special::None, TableQuery::Deleted, {"CDECCOR", nullptr}},
    {"FIRSTDAY", fnMonthEdge<true>, Kind::Date, 3012, false},
    {"LASTDAY", fnMonthEdge<false>, Kind::Date, 3012, false},
    {"MONTHNAME", fnMonthname, Kind::Text, 3012, false},
    {"REPLINE", fnRepline, Kind::Text, 3012, false},
    {"SPLIT", fnSplit, Kind::Any, 3012, false},
    {"STANG", fnStang, Kind::Number, 3012, false},
    {"XROUND", fnXround, Kind::Number, 3012, false, Special::None, TableQuery::Deleted, {"CDECCOR", nullptr}},
    {"ZERO", fnZero, Kind::Text, 3012, false},
};

}  // namespace

void addProgramFunctions(std::vector<const FunctionDef*>& out)
{
    for (const FunctionDef& d : kProgram)
        out.push_back(&d);
}

}  // namespace detail
}  // namespace expr
