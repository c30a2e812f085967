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

// The start byte a format's reader synchronises on; noise and junk never contain it.
char startOf(Format f, const EncoderOptions& o)
{
    switch (f) {
    case Format::Indicator:
        return static_cast<char>(o.frame.startChar);
    case Format::Ascii:
        return 'S';
    default:
        return STX;
    }
}

// `n` printable bytes (0x21..0x7E) other than `avoid`, drawn from (seed, index, salt).
std::string randomBytes(std::size_t n, char avoid, std::uint64_t seed, std::uint64_t index, std::uint64_t salt)
{
    std::string out;
    out.reserve(n);
    std::uint64_t state = mix(seed ^ mix(index ^ mix(salt)));
    while (out.size() < n) {
        state = mix(state);
        const char c = static_cast<char>(0x21 + state % 94);
        if (c != avoid)
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
    case Format::Xk3190:
        return 12;
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
    const char swb = static_cast<char>(0x30 | (r.weight < 0 ? 0x02 : 0) | (fits(m, 6) ? 0 : 0x04) | (r.motion ? 0x08 : 0));
    std::string f{STX, 0x2A, swb, 0x20};
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
    f += digits(m, 7);
    insertControl(f, 7, 7, o, index);
    f += "kg";
    f.push_back(CR);
    f.push_back(LF);
    return f;
}

std::string xk3190Frame(const EncoderOptions& o, const Reading& r, std::uint64_t index)
{
    std::string f{STX, r.weight < 0 ? '-' : '+'};
    f += digits(magnitude(r.weight), 6);
    f.push_back('0');
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
    if (name == "xk3190")
        return Format::Xk3190;
    return std::nullopt;
}

std::string encode(Format format, const EncoderOptions& o, const Reading& r, std::uint64_t index, std::uint64_t seed)
{
    const char start = startOf(format, o);
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
    case Format::Xk3190:
        return out + xk3190Frame(o, r, index);
    }
    return out;
}

}  // namespace scale::sim
