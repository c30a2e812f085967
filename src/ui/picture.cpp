#include "ui/picture.h"

#include <algorithm>
#include <cmath>

#include "core/date.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "expr/functions.h"

namespace ui {
namespace {

constexpr std::string_view kDateMask = "99/99/9999";

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool isAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isThaiDigit(unsigned char c) { return c >= 0xF0 && c <= 0xF9; }
unsigned char upperByte(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

bool isDefinedPrintable(unsigned char c)
{
    if (c < 0x20 || c == 0x7F)
        return false;
    if (c < 0x80)
        return true;
    return core::tis620::toUnicode(c) != U'\uFFFD';
}

bool isLetter(unsigned char c)
{
    return isAsciiLetter(c) || (c >= 0xA1 && isDefinedPrintable(c) && !isThaiDigit(c));
}

bool isTemplateChar(char c)
{
    switch (c) {
    case '9': case '#': case 'A': case 'N': case 'X': case '!': case 'L': case 'Y':
        return true;
    default:
        return false;
    }
}

}  // namespace

Picture Picture::text(int width, bool upper, bool digitsOnly)
{
    Picture p;
    p.m_kind = Kind::Text;
    p.m_width = std::max(0, width);
    p.m_upper = upper;
    p.m_digitsOnly = digitsOnly;
    return p;
}

Picture Picture::number(std::string_view digitTemplate)
{
    Picture p;
    p.m_kind = Kind::Number;
    // An entry field's number has digit places, separators and one point only; any other
    // character ("*" and "$" fills, literals) is dropped and "#" is a digit place.
    bool seenPoint = false;
    for (const char c : digitTemplate) {
        if (c == '9' || c == '#' || c == ',') {
            p.m_mask += c == '#' ? '9' : c;
        } else if (c == '.' && !seenPoint) {
            p.m_mask += c;
            seenPoint = true;
        }
    }
    if (p.m_mask.find('9') == std::string::npos)
        p.m_mask = "9999999999";
    p.m_width = int(p.m_mask.size());
    const auto point = p.m_mask.find('.');
    if (point != std::string::npos)
        for (std::size_t i = point + 1; i < p.m_mask.size(); ++i)
            p.m_decimals += p.m_mask[i] == '9';
    return p;
}

Picture Picture::date()
{
    Picture p;
    p.m_kind = Kind::Date;
    p.m_mask = std::string(kDateMask);
    p.m_width = int(p.m_mask.size());
    return p;
}

Picture Picture::parse(std::string_view picture, core::Value::Type type, int width)
{
    bool upper = false;
    bool digits = false;
    std::string_view tmpl = picture;
    if (!picture.empty() && picture.front() == '@') {
        const auto space = picture.find(' ');
        const std::string_view functions = picture.substr(1, space == std::string_view::npos ? picture.npos : space - 1);
        tmpl = space == std::string_view::npos ? std::string_view() : picture.substr(space + 1);
        upper = functions.find('!') != std::string_view::npos;
        digits = functions.find('9') != std::string_view::npos;
    }
    if (type == core::Value::Type::Date)
        return date();
    if (type == core::Value::Type::Number) {
        if (!tmpl.empty())
            return number(tmpl);
        return number(std::string(std::size_t(std::clamp(width, 1, 18)), '9'));
    }
    if (tmpl.empty())
        return text(width, upper, digits);
    Picture p;
    p.m_kind = Kind::Template;
    p.m_mask = std::string(tmpl);
    p.m_width = int(p.m_mask.size());
    p.m_upper = upper;
    return p;
}

bool Picture::editableAt(int pos) const
{
    if (pos < 0 || pos >= m_width)
        return false;
    switch (m_kind) {
    case Kind::Text:
        return true;
    case Kind::Number:
        return m_mask[std::size_t(pos)] == '9';
    case Kind::Date:
    case Kind::Template:
        return isTemplateChar(m_mask[std::size_t(pos)]);
    }
    return false;
}

unsigned char Picture::acceptText(unsigned char ch) const
{
    if (!isDefinedPrintable(ch))
        return 0;
    if (m_digitsOnly && !isDigit(ch))
        return 0;
    return m_upper ? upperByte(ch) : ch;
}

unsigned char Picture::acceptAt(int pos, unsigned char ch) const
{
    if (m_kind == Kind::Text)
        return acceptText(ch);
    if (!editableAt(pos) || !isDefinedPrintable(ch))
        return 0;
    const unsigned char up = upperByte(ch);
    bool ok = false;
    bool toUpper = m_upper;
    switch (m_mask[std::size_t(pos)]) {
    case '9': ok = isDigit(ch); break;
    case '#': ok = isDigit(ch) || ch == ' ' || ch == '+' || ch == '-'; break;
    case 'A': ok = isLetter(ch); break;
    case 'N': ok = isLetter(ch) || isDigit(ch); break;
    case 'X': ok = true; break;
    case '!': ok = true; toUpper = true; break;
    case 'L': ok = up == 'T' || up == 'F' || up == 'Y' || up == 'N'; toUpper = true; break;
    case 'Y': ok = up == 'Y' || up == 'N'; toUpper = true; break;
    default: break;
    }
    if (!ok)
        return 0;
    return toUpper ? up : ch;
}

std::string Picture::format(const core::Value& v) const
{
    switch (m_kind) {
    case Kind::Text: {
        const std::string s = v.isText() ? v.asText() : (v.isNil() ? std::string() : v.toDisplayText());
        return std::string(core::xbase::rtrimView(std::string_view(s).substr(0, std::size_t(m_width))));
    }
    case Kind::Template: {
        const std::string s = core::xbase::padRight(v.isText() ? v.asText() : std::string(), std::size_t(m_width));
        std::string out = s;
        for (int i = 0; i < m_width; ++i)
            if (!editableAt(i))
                out[std::size_t(i)] = m_mask[std::size_t(i)];
        return out;
    }
    case Kind::Number: {
        double n = 0;
        if (v.isNumber())
            n = v.asNumber();
        else if (v.isText())
            n = core::xbase::val(v.asText()).value;
        return formatNumber(n, m_mask);
    }
    case Kind::Date: {
        core::Date d = v.isDate() ? v.asDate() : (v.isText() ? core::Date::fromDtoc(v.asText()) : core::Date());
        return d.dtoc();
    }
    }
    return {};
}

core::Value Picture::toValue(std::string_view edited, bool& ok) const
{
    ok = true;
    switch (m_kind) {
    case Kind::Text:
    case Kind::Template:
        return core::Value::text(core::xbase::padRight(edited, std::size_t(m_width)));
    case Kind::Number: {
        std::string digits;
        for (char c : edited) {
            if (c == '*')
                ok = false;
            if (c != ',' && c != ' ')
                digits += c;
        }
        return core::Value::number(core::xbase::roundDecimal(core::xbase::val(digits).value, m_decimals), m_decimals);
    }
    case Kind::Date: {
        bool blank = true;
        for (std::size_t i = 0; i < edited.size(); ++i)
            if (editableAt(int(i)) && edited[i] != ' ')
                blank = false;
        if (blank)
            return core::Value::date(core::Date());
        const core::Date d = core::Date::fromDtoc(edited);
        ok = !d.isEmpty();
        return core::Value::date(d);
    }
    }
    return {};
}

std::string formatNumber(double value, std::string_view digitTemplate)
{
    std::string out;
    if (!expr::transform(core::Value::number(value), digitTemplate, out))
        out.assign(digitTemplate.size(), '*');
    return out;
}

}  // namespace ui
