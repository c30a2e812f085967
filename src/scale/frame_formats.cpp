#include "scale/frame_formats.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/tis620.h"
#include "core/xbase.h"

namespace scale {
namespace {

using core::tis620::T;
using Outcome = FrameReading::Outcome;

constexpr char STX = 0x02;
constexpr char ETX = 0x03;
constexpr char CR = 0x0D;
constexpr char LF = 0x0A;

constexpr std::size_t kToledoLength = 17;  // without the checksum byte
constexpr std::size_t kTf0Length = 12;
constexpr std::size_t kEqualsLength = 9;
constexpr std::size_t kAsciiMaxLine = 40;
constexpr long long kWeightLimit = 999'999'999'999LL;  // what RDVAL gives at most
constexpr std::size_t kMaxDigits = 12;
constexpr std::size_t kMaxDecimals = 6;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

std::string lowerOf(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

FrameReading notAFrame()
{
    return {};
}

FrameReading refused(std::string message, long long kg = 0)
{
    FrameReading r;
    r.outcome = Outcome::Refused;
    r.kg = kg;
    r.refusal = std::move(message);
    return r;
}

std::string overRange()
{
    return T("น้ำหนักเกินพิกัดของเครื่องชั่ง !");
}

std::string notZeroed()
{
    return T("เครื่องชั่งยังไม่ได้ปรับศูนย์ !");
}

std::string unitRefused(std::string_view unit)
{
    return T("ไม่รับน้ำหนักในหน่วย ") + std::string(unit) + " !";
}

unsigned hexValue(char c)
{
    if (isDigit(c))
        return unsigned(c - '0');
    const char u = upper(c);
    return u >= 'A' && u <= 'F' ? unsigned(u - 'A' + 10) : 16;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

}  // namespace

std::optional<FrameKind> frameKindNamed(std::string_view text)
{
    const std::string name = core::xbase::alltrim(text);
    if (name.empty())
        return FrameKind::Indicator;
    for (std::size_t i = 0; i < kFrameFormats.size(); ++i) {
        const std::string_view f = kFrameFormats[i];
        const auto same = [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? char(b - 'A' + 'a') : b); };
        if (f.size() == name.size() && std::equal(f.begin(), f.end(), name.begin(), same))
            return FrameKind(i);
    }
    return std::nullopt;
}

const char* frameKindName(FrameKind kind)
{
    return kFrameFormats[std::size_t(kind)];
}

std::optional<long long> decimalKg(std::string_view text, long long factor, long long divisor)
{
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    std::string digits;
    std::size_t point = std::string::npos;
    for (const char c : text) {
        if (c == '.' && point == std::string::npos)
            point = digits.size();
        else if (isDigit(c))
            digits.push_back(c);
        else
            return std::nullopt;
    }
    if (digits.empty() || factor < 1 || factor > 1000 || divisor < 1 || divisor > 1000)
        return std::nullopt;
    const std::size_t decimals = point == std::string::npos ? 0 : digits.size() - point;
    const std::size_t first = std::min(digits.find_first_not_of('0'), digits.size());
    if (decimals > kMaxDecimals || digits.size() - first > kMaxDigits)
        return std::nullopt;
    long long mantissa = 0;
    for (std::size_t i = first; i < digits.size(); ++i)
        mantissa = mantissa * 10 + (digits[i] - '0');
    long long denominator = divisor;
    for (std::size_t i = 0; i < decimals; ++i)
        denominator *= 10;
    // mantissa < 10^12, factor <= 1000, denominator <= 10^9: no overflow.
    const long long numerator = mantissa * factor;
    long long kg = numerator / denominator;
    if (2 * (numerator % denominator) >= denominator)
        ++kg;
    return negative ? -kg : kg;
}

long long RDVAL(std::string_view text, long long previous, bool* repeat)
{
    std::string kept;
    bool control = false;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32)
            control = true;
        else if (c == '+' || c == '-' || isDigit(c))
            kept.push_back(c);
    }
    if (repeat)
        *repeat = control;
    if (control)
        return previous;
    // Zeros padding the field before its sign ("0-123") are not a reading of zero.
    const std::size_t sign = kept.find_first_not_of('0');
    if (sign != std::string::npos && sign > 0 && (kept[sign] == '-' || kept[sign] == '+'))
        kept.erase(0, sign);
    const double v = core::xbase::val(kept).value;
    if (!std::isfinite(v))
        return 0;
    return std::llround(std::clamp(v, double(-kWeightLimit), double(kWeightLimit)));
}

FrameReading decodeIndicator(std::string_view frame, const FrameFormat& layout, const IndicatorSign& sign,
                             long long previous)
{
    FrameReading r;
    bool statusNegative = false;
    const int pos = sign.statusPosition;
    if (pos >= 1 && std::size_t(pos) <= frame.size())
        r.status = std::string(1, frame[std::size_t(pos - 1)]);
    if (sign.signFromStatus && !r.status.empty())
        statusNegative = (static_cast<unsigned char>(r.status[0]) & 2) != 0;
    const std::size_t width = std::min(frame.size(), std::size_t(std::max(layout.weightLength, 0)));
    bool repeat = false;
    const long long read = RDVAL(frame.substr(frame.size() - width), previous, &repeat);
    if (repeat) {
        // The previous weight stands as it was: signing it again would flip a negative reading.
        r.outcome = Outcome::Repeat;
        r.kg = previous;
        return r;
    }
    // A reading is negative however many places say so: the status bit, the digits, or both.
    r.outcome = Outcome::Weight;
    r.kg = statusNegative && read > 0 ? -read : read;
    return r;
}

FrameReading decodeToledo(std::string_view f)
{
    if ((f.size() != kToledoLength && f.size() != kToledoLength + 1) || f[0] != STX || f[kToledoLength - 1] != CR)
        return notAFrame();
    if (f.size() == kToledoLength + 1) {
        unsigned sum = 0;
        for (const char c : f)
            sum += static_cast<unsigned char>(c) & 0x7F;
        if ((sum & 0x7F) != 0) {
            FrameReading r;
            r.outcome = Outcome::BadChecksum;
            return r;
        }
    }
    const auto swa = static_cast<unsigned char>(f[1]) & 0x7F;
    const auto swb = static_cast<unsigned char>(f[2]) & 0x7F;
    // Bit 5 is always set in the status words; without it these are not status words.
    if (!(swa & 0x20) || !(swb & 0x20) || !(static_cast<unsigned char>(f[3]) & 0x20))
        return notAFrame();
    std::string digits(f.substr(4, 6));
    std::replace(digits.begin(), digits.end(), ' ', '0');
    if (!std::all_of(digits.begin(), digits.end(), isDigit) ||
        !std::all_of(f.begin() + 10, f.begin() + 16, [](char c) { return isDigit(c) || c == ' '; }))
        return notAFrame();
    // Decimal point: code 0 "XX00" and 1 "XXXXX0" mean dummy zeros, 2 none, 3..7 decimals 1..5.
    const unsigned point = swa & 7;
    const long long factor = point == 0 ? 100 : point == 1 ? 10 : 1;
    if (point >= 3)
        digits.insert(digits.size() - (point - 2), ".");
    const auto kg = decimalKg(digits, factor);
    if (!kg)
        return notAFrame();
    FrameReading r;
    const long long signedKg = (swb & 0x02) ? -*kg : *kg;
    if (swb & 0x04)
        r = refused(overRange(), signedKg);
    else if (swb & 0x40)
        r = refused(notZeroed(), signedKg);
    else if (!(swb & 0x10))
        r = refused(unitRefused("lb"), signedKg);
    else {
        r.outcome = Outcome::Weight;
        r.kg = signedKg;
    }
    r.status = std::string(1, f[2]);
    r.motion = (swb & 0x08) != 0;
    return r;
}

FrameReading decodeXk3190(std::string_view f)
{
    FrameReading r;
    if (f.size() == kTf0Length && f[0] == STX && f[11] == ETX) {
        if (f[1] != '+' && f[1] != '-' && f[1] != ' ')
            return notAFrame();
        if (!std::all_of(f.begin() + 2, f.begin() + 9, isDigit) || f[8] > '5')
            return notAFrame();
        unsigned x = 0;
        for (std::size_t i = 1; i <= 8; ++i)
            x ^= static_cast<unsigned char>(f[i]);
        const unsigned hi = hexValue(f[9]), lo = hexValue(f[10]);
        if (hi > 15 || lo > 15 || ((hi << 4) | lo) != x) {
            r.outcome = Outcome::BadChecksum;
            return r;
        }
        std::string digits(f.substr(2, 6));
        const std::size_t places = std::size_t(f[8] - '0');
        if (places > 0)
            digits.insert(digits.size() - places, ".");
        const auto kg = decimalKg(digits);
        if (!kg)
            return notAFrame();
        r.outcome = Outcome::Weight;
        r.kg = f[1] == '-' ? -*kg : *kg;
        return r;
    }
    if (f.size() == kEqualsLength && f[0] == '=') {
        // The display, read back to front: an optional sign, then digits with at most one point.
        std::string shown(f.rbegin(), f.rend() - 1);
        bool negative = false;
        if (shown[0] == '-' || shown[0] == '+') {
            negative = shown[0] == '-';
            shown.erase(0, 1);
        }
        std::replace(shown.begin(), shown.end(), ' ', '0');
        const auto kg = shown.find_first_of("+-") == std::string::npos ? decimalKg(shown) : std::nullopt;
        if (!kg)
            return notAFrame();
        r.outcome = Outcome::Weight;
        r.kg = negative ? -*kg : *kg;
        return r;
    }
    return notAFrame();
}

FrameReading decodeAscii(std::string_view line)
{
    while (!line.empty() && (line.back() == CR || line.back() == LF))
        line.remove_suffix(1);
    line = trimmed(line);

    // The header: comma-separated tokens, or without commas the leading letters in pairs.
    std::vector<std::string> tokens;
    std::string_view weight;
    if (line.find(',') != std::string_view::npos) {
        std::size_t from = 0;
        for (;;) {
            const std::size_t comma = line.find(',', from);
            if (comma == std::string_view::npos) {
                weight = line.substr(from);
                break;
            }
            tokens.emplace_back(trimmed(line.substr(from, comma - from)));
            from = comma + 1;
        }
    } else {
        std::size_t letters = 0;
        while (letters < line.size() && isLetter(line[letters]))
            ++letters;
        if (letters % 2 != 0)
            return notAFrame();
        for (std::size_t i = 0; i < letters; i += 2)
            tokens.emplace_back(line.substr(i, 2));
        weight = line.substr(letters);
    }
    if (tokens.empty())
        return notAFrame();
    FrameReading r;
    bool over = false;
    for (std::string& t : tokens) {
        for (char& c : t)
            c = upper(c);
        if (t == "ST")
            r.motion = false;
        else if (t == "US")
            r.motion = true;
        else if (t == "OL")
            over = true;
        else if (t != "GS" && t != "NT" && t != "GW" && t != "NW" && t != "WG" && t != "WN")
            return notAFrame();
    }
    r.status = tokens.front();
    auto refuse = [&r](std::string message) {
        r.outcome = Outcome::Refused;
        r.refusal = std::move(message);
        return r;
    };
    if (over)
        return refuse(overRange());

    // The weight: sign, digits with an optional point, the unit; blanks may stand between them.
    weight = trimmed(weight);
    std::size_t unitAt = weight.size();
    while (unitAt > 0 && isLetter(weight[unitAt - 1]))
        --unitAt;
    const std::string unit = lowerOf(weight.substr(unitAt));
    std::string number;
    for (const char c : weight.substr(0, unitAt))
        if (c != ' ')
            number.push_back(c);
    long long factor = 1, divisor = 1;
    if (unit == "t")
        factor = 1000;
    else if (unit == "g")
        divisor = 1000;
    else if (unit == "lb" || unit == "lbs")
        return refuse(unitRefused(weight.substr(unitAt)));
    else if (!unit.empty() && unit != "kg")
        return notAFrame();
    const auto kg = decimalKg(number, factor, divisor);
    if (!kg)
        return notAFrame();
    r.outcome = Outcome::Weight;
    r.kg = *kg;
    return r;
}

FrameDecoder::FrameDecoder(FrameKind kind, const FrameFormat& layout, const IndicatorSign& sign)
    : m_kind(kind), m_layout(layout), m_sign(sign)
{
    m_layout.headerLength = std::clamp(m_layout.headerLength, 1, 999);
    m_layout.weightLength = std::clamp(m_layout.weightLength, 1, 999);
}

std::size_t FrameDecoder::maxLength() const
{
    switch (m_kind) {
    case FrameKind::Toledo:
        return kToledoLength + 1;
    case FrameKind::Xk3190:
        return kTf0Length;
    case FrameKind::Ascii:
        return kAsciiMaxLine;
    case FrameKind::Indicator:
        break;
    }
    return std::size_t(m_layout.length());
}

FrameDecoder::Push FrameDecoder::push(char c)
{
    switch (m_kind) {
    case FrameKind::Toledo:
        return pushToledo(c);
    case FrameKind::Xk3190:
        return pushXk3190(c);
    case FrameKind::Ascii:
        return pushAscii(c);
    case FrameKind::Indicator:
        break;
    }
    return pushIndicator(c);
}

FrameDecoder::Push FrameDecoder::pushIndicator(char c)
{
    if (m_frame.empty() && static_cast<unsigned char>(c) != m_layout.startChar)
        return Push::Skipped;
    m_frame.push_back(c);
    return m_frame.size() == std::size_t(m_layout.length()) ? Push::Complete : Push::Added;
}

FrameDecoder::Push FrameDecoder::pushToledo(char c)
{
    if (m_frame.size() == kToledoLength) {
        // After CR: the checksum byte, or (in a stream without them) the next frame's STX.
        if (c == STX && !m_toledoChecksum)
            return Push::CompleteBefore;
        m_frame.push_back(c);
        return Push::Complete;
    }
    // STX never stands inside a frame (status words have bit 5 set, the rest are digits): a new
    // frame starts there.
    if (c == STX) {
        m_frame.assign(1, c);
        return Push::Added;
    }
    if (m_frame.empty())
        return Push::Skipped;
    m_frame.push_back(c);
    if (m_frame.size() == kToledoLength && c != CR)
        return Push::Complete;  // not CR where it must be: taken as it is, and found no frame
    return Push::Added;
}

bool FrameDecoder::completeAtEnd()
{
    return m_kind == FrameKind::Toledo && !m_toledoChecksum && m_frame.size() == kToledoLength;
}

FrameDecoder::Push FrameDecoder::pushXk3190(char c)
{
    // STX and '=' never stand inside either frame: each starts one.
    if (c == STX || c == '=') {
        m_frame.assign(1, c);
        return Push::Added;
    }
    if (m_frame.empty())
        return Push::Skipped;
    m_frame.push_back(c);
    const std::size_t length = m_frame[0] == STX ? kTf0Length : kEqualsLength;
    return m_frame.size() == length ? Push::Complete : Push::Added;
}

FrameDecoder::Push FrameDecoder::pushAscii(char c)
{
    if (c == CR || c == LF) {
        const bool hadLine = m_lineStart && !m_frame.empty();
        m_lineStart = true;
        if (!hadLine) {
            m_frame.clear();
            return Push::Skipped;
        }
        m_frame.push_back(c);
        return Push::Complete;
    }
    if (!m_lineStart)
        return Push::Skipped;
    m_frame.push_back(c);
    if (m_frame.size() >= kAsciiMaxLine) {
        m_lineStart = false;  // too long for a frame: wait for the next line
        return Push::Complete;
    }
    return Push::Added;
}

void FrameDecoder::skipped(std::string_view rest)
{
    if (m_kind == FrameKind::Ascii)
        m_lineStart = rest.empty() ? m_lineStart : (rest.back() == CR || rest.back() == LF);
}

FrameReading FrameDecoder::take(long long previous)
{
    FrameReading r;
    switch (m_kind) {
    case FrameKind::Toledo:
        r = decodeToledo(m_frame);
        if (m_frame.size() == kToledoLength + 1 && r.outcome != Outcome::BadChecksum && r.outcome != Outcome::NotAFrame)
            m_toledoChecksum = true;
        break;
    case FrameKind::Xk3190:
        r = decodeXk3190(m_frame);
        break;
    case FrameKind::Ascii:
        r = decodeAscii(m_frame);
        break;
    case FrameKind::Indicator:
        r = decodeIndicator(m_frame, m_layout, m_sign, previous);
        break;
    }
    m_frame.clear();
    return r;
}

}  // namespace scale
