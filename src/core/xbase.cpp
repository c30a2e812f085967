#include "core/xbase.h"

#include <charconv>
#include <cmath>

namespace core::xbase {
namespace {

char upperAscii(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }
char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

}  // namespace

std::string upper(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = upperAscii(c);
    return out;
}

std::string lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = lowerAscii(c);
    return out;
}

std::string_view rtrimView(std::string_view s)
{
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

std::string_view ltrimView(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

std::string rtrim(std::string_view s) { return std::string(rtrimView(s)); }
std::string ltrim(std::string_view s) { return std::string(ltrimView(s)); }
std::string alltrim(std::string_view s) { return std::string(ltrimView(rtrimView(s))); }

std::string padRight(std::string_view s, std::size_t width, char fill)
{
    std::string out(s.substr(0, width));
    out.resize(width, fill);
    return out;
}

std::string padLeft(std::string_view s, std::size_t width, char fill)
{
    if (s.size() >= width)
        return std::string(s.substr(0, width));
    std::string out(width - s.size(), fill);
    out.append(s);
    return out;
}

std::string padCenter(std::string_view s, std::size_t width, char fill)
{
    if (s.size() >= width)
        return std::string(s.substr(0, width));
    const std::size_t left = (width - s.size()) / 2;
    std::string out(left, fill);
    out.append(s);
    out.resize(width, fill);
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upperAscii(a[i]) != upperAscii(b[i]))
            return false;
    return true;
}

std::string decimalText(double value, int dec)
{
    if (!std::isfinite(value))
        return {};
    if (dec < 0)
        dec = 0;
    // Shortest fixed-notation text that reads back as the same double: the "decimal value".
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (res.ec != std::errc())
        return {};
    std::string_view text(buf, std::size_t(res.ptr - buf));
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    const auto point = text.find('.');
    std::string digits(text.substr(0, point));  // integer digits
    std::string_view frac = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);

    // Keep dec fraction digits, rounding half away from zero on the next one.
    std::string kept(frac.substr(0, std::size_t(dec)));
    kept.resize(std::size_t(dec), '0');
    const bool roundUp = frac.size() > std::size_t(dec) && frac[std::size_t(dec)] >= '5';
    std::string all = digits + kept;
    if (roundUp) {
        std::size_t i = all.size();
        while (i > 0) {
            --i;
            if (all[i] == '9') {
                all[i] = '0';
            } else {
                ++all[i];
                break;
            }
            if (i == 0) {
                all.insert(all.begin(), '1');
                break;
            }
        }
    }
    std::string intPart = all.substr(0, all.size() - std::size_t(dec));
    std::string fracPart = all.substr(all.size() - std::size_t(dec));
    const auto nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? "0" : intPart.substr(nz);
    const bool zero = intPart == "0" && fracPart.find_first_not_of('0') == std::string::npos;

    std::string out;
    if (negative && !zero)
        out.push_back('-');
    out += intPart;
    if (dec > 0) {
        out.push_back('.');
        out += fracPart;
    }
    return out;
}

bool formatFixed(double value, int width, int dec, std::string& out)
{
    if (width <= 0)
        return false;
    std::string text = decimalText(value, dec);
    if (text.empty() || text.size() > std::size_t(width))
        return false;
    out = padLeft(text, std::size_t(width));
    return true;
}

std::string str(double value, int width, int dec)
{
    std::string out;
    if (!formatFixed(value, width, dec, out))
        out.assign(std::size_t(width > 0 ? width : 0), '*');
    return out;
}

double roundDecimal(double value, int dec)
{
    if (!std::isfinite(value))
        return value;
    if (dec >= 0) {
        const std::string t = decimalText(value, dec);
        double r = 0;
        std::from_chars(t.data(), t.data() + t.size(), r);
        return r;
    }
    const double p = std::pow(10.0, -dec);
    const double q = roundDecimal(value / p, 0);
    return q * p;
}

ParsedNumber val(std::string_view s)
{
    ParsedNumber r;
    std::size_t i = 0;
    while (i < s.size() && isBlank(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        negative = s[i] == '-';
        ++i;
    }
    const std::size_t start = i;
    std::size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        const std::size_t point = i++;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            ++i, ++digits;
        r.decimals = int(i - point - 1);
    }
    if (digits == 0)
        return ParsedNumber{};
    double v = 0;
    std::from_chars(s.data() + start, s.data() + i, v);
    r.value = negative ? -v : v;
    return r;
}

}  // namespace core::xbase
