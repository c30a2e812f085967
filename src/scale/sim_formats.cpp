#include "scale/sim_formats.h"

#include <algorithm>

namespace scale::sim {
namespace {

constexpr char STX = 0x02;
constexpr char ETX = 0x03;
constexpr char CR = 0x0D;
constexpr char LF = 0x0A;

unsigned long long magnitude(long long w)
{
    return w < 0 ? 0ULL - static_cast<unsigned long long>(w) : static_cast<unsigned long long>(w);
}

// |w| right-aligned in `width` digits with leading zeros; all nines when it does not fit.
std::string digits(unsigned long long v, std::size_t width)
{
    std::string d = std::to_string(v);
    if (d.size() > width)
        return std::string(width, '9');
    return std::string(width - d.size(), '0') + d;
}

bool fits(unsigned long long v, std::size_t width)
{
    return std::to_string(v).size() <= width;
}

// digits() with a point `decimals` places from the right.
std::string pointed(unsigned long long v, std::size_t width, int decimals)
{
    std::string d = digits(v, width);
    if (decimals > 0 && std::size_t(decimals) < width)
        d.insert(d.size() - std::size_t(decimals), ".");
    return d;
}

int decimalsOf(const EncoderOptions& o)
{
    return std::clamp(o.decimals, 0, 5);
}

// The bytes a format's reader synchronises on; noise and junk never contain them.
std::string startOf(Format f, const EncoderOptions& o)
{
    switch (f) {
    case Format::Indicator:
        return std::string(1, static_cast<char>(o.frame.startChar));
    case Format::Ascii:
        return "S";
    case Format::AsciiNoComma:
        return "W";
    case Format::Xk3190:
    case Format::Xk3190Equals:
        return std::string{STX, '='};
    case Format::Toledo:
        break;
    }
    return std::string(1, STX);
}

// `n` printable bytes (0x21..0x7E) none of `avoid`, drawn from (seed, index, salt).
std::string randomBytes(std::size_t n, std::string_view avoid, std::uint64_t seed, std::uint64_t index, std::uint64_t salt)
{
    std::string out;
    out.reserve(n);
    std::uint64_t state = mix(seed ^ mix(index ^ mix(salt)));
    while (out.size() < n) {
        state = mix(state);
        const char c = static_cast<char>(0x21 + state % 94);
        if (avoid.find(c) == std::string_view::npos)
            out.push_back(c);
    }
    return out;
}

std::size_t frameSize(Format f, const EncoderOptions& o)
{
    switch (f) {
    case Format::Indicator:
        return std::size_t(o.frame.length()) + o.eol.size();
    case Format::Toledo:
        return o.checksum ? 18 : 17;
    case Format::Ascii:
        return 18;
    case Format::AsciiNoComma:
        return 12;
    case Format::Xk3190:
        return 12;
    case Format::Xk3190Equals:
        return 9;
    }
    return 10;
}

char hexDigit(unsigned v)
{
    return static_cast<char>(v <= 9 ? 0x30 + v : 0x37 + v);
}

// A CR in the middle of the weight field [from, from + width) of every n-th frame.
void insertControl(std::string& frame, std::size_t from, std::size_t width, const EncoderOptions& o, std::uint64_t index)
{
    if (o.controlEvery > 0 && width > 0 && index % std::uint64_t(o.controlEvery) == std::uint64_t(o.controlEvery - 1))
        frame[from + width / 2] = CR;
}

std::string indicatorFrame(const EncoderOptions& o, const Reading& r, std::uint64_t index)
{
    const std::size_t header = std::size_t(std::max(o.frame.headerLength, 1));
    const std::size_t width = std::size_t(std::max(o.frame.weightLength, 1));
    const bool negative = r.weight < 0;
    std::string f(1, static_cast<char>(o.frame.startChar));
    f.append(header - 1, '0');
    if (o.statusPosition >= 2 && std::size_t(o.statusPosition) <= header)
        f[std::size_t(o.statusPosition - 1)] =
            static_cast<char>(0x30 | (negative && !o.signInDigits ? 0x02 : 0) | (r.motion ? 0x04 : 0));
    if (negative && o.signInDigits)
        f += width > 1 ? "-" + digits(magnitude(r.weight), width - 1) : "-";
    else
        f += digits(magnitude(r.weight), width);
    insertControl(f, header, width, o, index);
    return f + o.eol;
}

std::string toledoFrame(const EncoderOptions& o, const Reading& r, std::uint64_t index)
{
    const unsigned long long m = magnitude(r.weight);
    const char swa = static_cast<char>(0x28 | (2 + decimalsOf(o)));
    const char swb = static_cast<char>(0x20 | (o.unit == "lb" ? 0 : 0x10) | (r.weight < 0 ? 0x02 : 0) | (fits(m, 6) ? 0 : 0x04) |
                                       (r.motion ? 0x08 : 0));
    std::string f{STX, swa, swb, 0x20};
    f += digits(m, 6);
    f += "000000";
    insertControl(f, 4, 6, o, index);
    f.push_back(CR);
    if (o.checksum) {
        unsigned sum = 0;
        for (const char c : f)
            sum += static_cast<unsigned char>(c) & 0x7F;
        f.push_back(static_cast<char>((0u - sum) & 0x7F));
    }
    return f;
}

std::string asciiFrame(const EncoderOptions& o, const Reading& r, std::uint64_t index)
{
    const unsigned long long m = magnitude(r.weight);
    std::string f = !fits(m, 7) ? "OL" : r.motion ? "US" : "ST";
    f += ",GS,";
    f.push_back(r.weight < 0 ? '-' : '+');
    f += pointed(m, 7, decimalsOf(o));
    insertControl(f, 7, 7, o, index);
    f += o.unit;
    f.push_back(CR);
    f.push_back(LF);
    return f;
}

std::string asciiNoCommaFrame(const EncoderOptions& o, const Reading& r, std::uint64_t index)
{
    const unsigned long long m = magnitude(r.weight);
    std::string f = fits(m, 6) ? "WG" : "OLWG";
    const std::size_t from = f.size();
    if (r.weight < 0)
        f.push_back('-');
    f += pointed(m, 6, decimalsOf(o));
    insertControl(f, from, 6, o, index);
    f += o.unit;
    f.push_back(CR);
    f.push_back(LF);
    return f;
}

std::string xk3190EqualsFrame(const EncoderOptions& o, const Reading& r, std::uint64_t index)
{
    const unsigned long long m = magnitude(r.weight);
    const int places = decimalsOf(o);
    std::string shown = (r.weight < 0 ? "-" : "0") + pointed(m, places > 0 ? 6 : 7, places);
    insertControl(shown, 1, 6, o, index);
    return "=" + std::string(shown.rbegin(), shown.rend());
}

std::string xk3190Frame(const EncoderOptions& o, const Reading& r, std::uint64_t index)
{
    std::string f{STX, r.weight < 0 ? '-' : '+'};
    f += digits(magnitude(r.weight), 6);
    f.push_back(static_cast<char>('0' + decimalsOf(o)));
    insertControl(f, 2, 6, o, index);
    unsigned x = 0;
    for (std::size_t i = 1; i < f.size(); ++i)
        x ^= static_cast<unsigned char>(f[i]);
    f.push_back(hexDigit((x >> 4) & 0x0F));
    f.push_back(hexDigit(x & 0x0F));
    f.push_back(ETX);
    return f;
}

}  // namespace

std::optional<Format> formatNamed(std::string_view name)
{
    if (name == "indicator")
        return Format::Indicator;
    if (name == "toledo")
        return Format::Toledo;
    if (name == "ascii")
        return Format::Ascii;
    if (name == "ascii-nocomma")
        return Format::AsciiNoComma;
    if (name == "xk3190")
        return Format::Xk3190;
    if (name == "xk3190-equals")
        return Format::Xk3190Equals;
    return std::nullopt;
}

FrameKind readerKind(Format format)
{
    switch (format) {
    case Format::Toledo:
        return FrameKind::Toledo;
    case Format::Ascii:
    case Format::AsciiNoComma:
        return FrameKind::Ascii;
    case Format::Xk3190:
    case Format::Xk3190Equals:
        return FrameKind::Xk3190;
    case Format::Indicator:
        break;
    }
    return FrameKind::Indicator;
}

std::string encode(Format format, const EncoderOptions& o, const Reading& r, std::uint64_t index, std::uint64_t seed)
{
    const std::string start = startOf(format, o);
    switch (r.kind) {
    case Reading::Kind::Silence:
        return {};
    case Reading::Kind::Junk:
        return randomBytes(frameSize(format, o), start, seed, index, 2);
    case Reading::Kind::Weight:
        break;
    }
    std::string out = randomBytes(std::size_t(std::max(o.noiseBytes, 0)), start, seed, index, 1);
    switch (format) {
    case Format::Indicator:
        return out + indicatorFrame(o, r, index);
    case Format::Toledo:
        return out + toledoFrame(o, r, index);
    case Format::Ascii:
        return out + asciiFrame(o, r, index);
    case Format::AsciiNoComma:
        return out + asciiNoCommaFrame(o, r, index);
    case Format::Xk3190:
        return out + xk3190Frame(o, r, index);
    case Format::Xk3190Equals:
        return out + xk3190EqualsFrame(o, r, index);
    }
    return out;
}

}  // namespace scale::sim
