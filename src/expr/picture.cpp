// TRANSFORM(value, picture): the picture engine of xBase output formatting.
//
// A picture is "@" + function letters, a blank, and a template; or a template alone; or only
// functions. Numbers are first written as STR() with the width and decimals the template implies
// (every "9", "#", "*", "$" is a digit place, "." the point; without a template the number's own
// STR() width), then laid into the template from the left: digit places take the next character,
// "." the point, "," a separator when a digit stands to its left and otherwise whatever stands to
// its left (so a minus sign moves next to the digits), and any other character is printed as it is.
// A number that does not fit shows asterisks in its digit places.
#include <cctype>

#include "core/xbase.h"
#include "expr/detail.h"
#include "expr/functions.h"

namespace expr {
namespace {

struct Functions {
    bool upper = false;    // @!
    bool left = false;     // @B
    bool blankZero = false;  // @Z
    bool exchange = false; // @E
    bool insert = false;   // @R
    bool parens = false;   // @(
    std::size_t cut = 0;   // @S<n>
};

// Splits a picture into its functions and its template.
std::string_view parsePicture(std::string_view pic, Functions& f)
{
    if (pic.empty() || pic.front() != '@')
        return pic;
    std::size_t i = 1;
    for (; i < pic.size(); ++i) {
        const char c = pic[i];
        if (c == ' ' || c == '\t') {
            ++i;
            break;
        }
        switch (std::toupper(static_cast<unsigned char>(c))) {
        case '!': f.upper = true; break;
        case 'B': f.left = true; break;
        case 'Z': f.blankZero = true; break;
        case 'E': f.exchange = true; break;
        case 'R': f.insert = true; break;
        case '(': f.parens = true; break;
        case 'S':
            f.cut = 0;
            while (i + 1 < pic.size() && std::isdigit(static_cast<unsigned char>(pic[i + 1])) && f.cut < 100000)
                f.cut = f.cut * 10 + std::size_t(pic[++i] - '0');
            break;
        default: break;  // "9" (digits only) and others concern entry, not output
        }
    }
    return i < pic.size() ? pic.substr(i) : std::string_view();
}

bool isDataPlace(char c)
{
    switch (c) {
    case '!': case 'X': case 'x': case '9': case '#': case 'A': case 'a': case 'N': case 'n': case 'L': case 'l':
    case 'Y': case 'y':
        return true;
    default:
        return false;
    }
}

char upperAscii(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

std::string transformText(const std::string& value, std::string_view tpl, const Functions& f)
{
    if (tpl.empty())
        return f.upper ? core::xbase::upper(value) : value;
    std::string out;
    out.reserve(tpl.size());
    std::size_t vi = 0;
    for (const char pc : tpl) {
        if (vi < value.size()) {
            const char vc = value[vi++];
            if (pc == '!')
                out += upperAscii(vc);
            else if (pc == 'Y' || pc == 'y')
                out += (vc == 't' || vc == 'T' || vc == 'y' || vc == 'Y') ? 'Y' : 'N';
            else if (isDataPlace(pc))
                out += f.upper ? upperAscii(vc) : vc;
            else {
                out += pc;  // a literal replaces the character, or with @R is inserted before it
                if (f.insert)
                    --vi;
            }
        } else if (!f.insert) {
            break;
        } else {
            out += isDataPlace(pc) ? ' ' : pc;
        }
    }
    return out;
}

bool isDigitPlace(char c) { return c == '9' || c == '#' || c == '$' || c == '*'; }

std::string transformNumber(const core::Value& value, std::string_view tpl, Functions& f)
{
    double v = value.asNumber();
    int width = 0, dec = 0;
    for (std::size_t i = 0; i < tpl.size(); ++i) {
        if (tpl[i] == '.') {
            while (++i < tpl.size())
                if (isDigitPlace(tpl[i]))
                    ++width, ++dec;
            if (dec)
                ++width;
            break;
        }
        if (isDigitPlace(tpl[i]))
            ++width;
    }
    bool onlyDecimals = false;
    if (width == 0) {
        width = detail::strWidth(value);
        dec = std::max(value.decimals(), 0);
    } else if (dec > 0 && width - dec == 1) {
        onlyDecimals = true;  // ".99": written with a leading "0" that is then dropped
        ++width;
    }
    const bool negative = v < 0;
    if (f.parens && negative)
        v = -v;
    if (v != 0)
        f.blankZero = false;
    std::string digits = core::xbase::str(v, width, std::min(dec, width));
    if (onlyDecimals) {
        --width;
        if (digits.front() != '0')
            digits = "." + std::string(std::size_t(width - 1), '*');
        else
            digits.erase(0, 1);
    }

    std::string out;
    if (tpl.empty()) {
        out = digits;
        if (f.exchange) {
            const auto point = out.find('.');
            if (point != std::string::npos)
                out[point] = ',';
        }
    } else {
        out.assign(tpl.size(), ' ');
        std::size_t k = 0;
        const std::size_t n = digits.size();
        for (std::size_t i = 0; i < tpl.size(); ++i) {
            const char pc = tpl[i];
            if (pc == '9' || pc == '#') {
                out[i] = k < n ? digits[k++] : ' ';
            } else if (pc == '$' || pc == '*') {
                out[i] = k < n ? (digits[k] == ' ' ? pc : digits[k]) : ' ';
                if (k < n)
                    ++k;
            } else if (pc == '.' && k < n) {
                out[i] = f.exchange ? ',' : '.';
                ++k;
            } else if (pc == ',' && i > 0 && k < n) {
                if (std::isdigit(static_cast<unsigned char>(out[i - 1]))) {
                    out[i] = f.exchange ? '.' : ',';
                } else {
                    out[i] = out[i - 1];
                    if (out[i - 1] == '-')
                        out[i - 1] = i > 1 && out[i - 2] != '$' ? out[i - 2] : ' ';
                }
            } else {
                out[i] = pc;
            }
        }
    }
    if (f.parens && negative) {
        // The "(" takes the first place; a digit standing there means the number did not fit.
        if (!out.empty() && out.front() != ' ')
            for (char& c : out)
                if (std::isdigit(static_cast<unsigned char>(c)))
                    c = '*';
        if (!out.empty())
            out.front() = '(';
        out += ')';
    }
    return out;
}

std::string transformLogical(bool b, std::string_view tpl, const Functions& f)
{
    if (tpl.empty())
        return b ? "T" : "F";
    std::string out;
    bool written = false;
    for (const char pc : tpl) {
        if (pc == 'Y' || pc == 'y') {
            out += written ? ' ' : (b ? 'Y' : 'N');
            written = true;
        } else if (pc == 'L' || pc == 'l' || pc == '#') {
            out += written ? ' ' : (b ? 'T' : 'F');
            written = true;
        } else {
            out += pc;
        }
        if (!f.insert)
            break;
    }
    return out;
}

}  // namespace

bool transform(const core::Value& value, std::string_view picture, std::string& out)
{
    Functions f;
    const std::string_view tpl = parsePicture(picture, f);
    std::string result;
    std::size_t keepLeft = 0;  // "(" stays in front when left-justifying
    switch (value.type()) {
    case core::Value::Type::Text:
        result = transformText(value.asText(), tpl, f);
        break;
    case core::Value::Type::Number:
        result = transformNumber(value, tpl, f);
        keepLeft = f.parens && value.asNumber() < 0 ? 1 : 0;
        if (f.blankZero)
            result.assign(result.size(), ' ');
        break;
    case core::Value::Type::Date:
        result = value.asDate().dtoc();
        if (f.blankZero && value.asDate().isEmpty())
            result.assign(result.size(), ' ');
        break;
    case core::Value::Type::Logical:
        result = transformLogical(value.asLogical(), tpl, f);
        break;
    default:
        return false;
    }
    if (f.left) {
        const std::size_t first = result.find_first_not_of(' ', keepLeft);
        if (first != std::string::npos && first > keepLeft) {
            const std::size_t shift = first - keepLeft;
            result.erase(keepLeft, shift);
            result.append(shift, ' ');
        }
    }
    if (f.cut && result.size() > f.cut)
        result.resize(f.cut);
    out = std::move(result);
    return true;
}

}  // namespace expr
