#include "core/date.h"

#include <algorithm>
#include <ctime>

namespace core {
namespace {

constexpr std::int32_t kLastDay = 3652059;  // day number of 9999-12-31

// Days since 0001-01-01 for a proleptic Gregorian date (H. Hinnant's civil algorithm,
// shifted so that March is the first month of the computational year).
std::int32_t daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const int era = y / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 306;  // 306: days from 0000-03-01 to 0001-01-01
}

void civilFromDays(std::int32_t z, int& y, int& m, int& d)
{
    z += 306;
    const int era = z / 146097;
    const int doe = z - era * 146097;
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = yoe + era * 400 + (m <= 2);
}

bool parseDigits(std::string_view s, int& out)
{
    if (s.empty())
        return false;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
        v = std::min(v * 10 + (c - '0'), 1000000);  // beyond any day, month or year; no overflow
    }
    out = v;
    return true;
}

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

void put2(std::string& out, int v)
{
    out.push_back(char('0' + v / 10 % 10));
    out.push_back(char('0' + v % 10));
}

}  // namespace

bool Date::isLeapYear(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int Date::daysInMonth(int y, int m)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12)
        return 0;
    return m == 2 && isLeapYear(y) ? 29 : kDays[m - 1];
}

Date Date::fromYmd(int y, int m, int d)
{
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m))
        return Date();
    return Date(daysFromCivil(y, m, d) + 1);
}

Date Date::fromJulian(std::int64_t julian)
{
    const std::int64_t n = julian - kJulianBeforeDayOne;
    return n >= 1 && n <= kLastDay ? Date(std::int32_t(n)) : Date();
}

Date Date::fromDtos(std::string_view s)
{
    int y, m, d;
    if (s.size() != 8 || !parseDigits(s.substr(0, 4), y) || !parseDigits(s.substr(4, 2), m)
        || !parseDigits(s.substr(6, 2), d))
        return Date();
    return fromYmd(y, m, d);
}

Date Date::fromDtoc(std::string_view s)
{
    s = trimBlanks(s);
    const auto p1 = s.find('/');
    if (p1 == std::string_view::npos)
        return Date();
    const auto p2 = s.find('/', p1 + 1);
    if (p2 == std::string_view::npos)
        return Date();
    int d, m, y;
    const std::string_view ys = trimBlanks(s.substr(p2 + 1));
    if (!parseDigits(trimBlanks(s.substr(0, p1)), d) || !parseDigits(trimBlanks(s.substr(p1 + 1, p2 - p1 - 1)), m)
        || ys.size() > 4 || !parseDigits(ys, y))
        return Date();
    if (ys.size() <= 2)
        y += y < 70 ? 2000 : 1900;  // two-digit years are read in 1970..2069
    return fromYmd(y, m, d);
}

Date Date::today()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return fromYmd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

int Date::year() const
{
    if (isEmpty())
        return 0;
    int y, m, d;
    civilFromDays(m_day - 1, y, m, d);
    return y;
}

int Date::month() const
{
    if (isEmpty())
        return 0;
    int y, m, d;
    civilFromDays(m_day - 1, y, m, d);
    return m;
}

int Date::day() const
{
    if (isEmpty())
        return 0;
    int y, m, d;
    civilFromDays(m_day - 1, y, m, d);
    return d;
}

int Date::dayOfWeek() const
{
    if (isEmpty())
        return 0;
    // Day number 1 (0001-01-01) was a Monday.
    return int(m_day % 7) + 1;
}

int Date::buddhistYear() const
{
    return isEmpty() ? 0 : year() + 543;
}

std::string Date::dtos() const
{
    if (isEmpty())
        return std::string(8, ' ');
    int y, m, d;
    civilFromDays(m_day - 1, y, m, d);
    std::string out;
    out.reserve(8);
    put2(out, y / 100);
    put2(out, y % 100);
    put2(out, m);
    put2(out, d);
    return out;
}

std::string Date::dtoc() const
{
    if (isEmpty())
        return "  /  /    ";
    int y, m, d;
    civilFromDays(m_day - 1, y, m, d);
    std::string out;
    out.reserve(10);
    put2(out, d);
    out.push_back('/');
    put2(out, m);
    out.push_back('/');
    put2(out, y / 100);
    put2(out, y % 100);
    return out;
}

Date Date::firstOfMonth() const
{
    return isEmpty() ? Date() : fromYmd(year(), month(), 1);
}

Date Date::lastOfMonth() const
{
    if (isEmpty())
        return Date();
    const int y = year(), m = month();
    return fromYmd(y, m, daysInMonth(y, m));
}

Date Date::addDays(std::int64_t n) const
{
    if (isEmpty())
        return Date();
    const std::int64_t r = std::int64_t(m_day) + n;
    return r >= 1 && r <= kLastDay ? Date(std::int32_t(r)) : Date();
}

}  // namespace core
