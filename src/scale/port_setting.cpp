#include "scale/port_setting.h"

#include <algorithm>
#include <cmath>

#include "core/xbase.h"

namespace scale {
namespace {

constexpr std::size_t kSettingLength = 23;
constexpr std::size_t kCommas[] = {6, 8, 10, 12, 16, 20};  // 1-based

bool allDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int digitsValue(std::string_view s)
{
    int v = 0;
    for (const char c : s)
        v = v * 10 + (c - '0');
    return v;
}

bool fail(std::string* error, std::string message)
{
    if (error)
        *error = std::move(message);
    return false;
}

// The digits at 1-based positions [from, from + n) as a number, or a message naming them.
bool number(std::string_view text, std::size_t from, std::size_t n, const char* what, int& out, std::string* error)
{
    const std::string_view s = text.substr(from - 1, n);
    if (!allDigits(s))
        return fail(error, std::string(what) + " at characters " + std::to_string(from) + "-" +
                               std::to_string(from + n - 1) + " must be " + std::to_string(n) + " digits, not \"" +
                               std::string(s) + "\"");
    out = digitsValue(s);
    return true;
}

int numberSetting(const core::Settings& s, const char* name)
{
    const double v = core::xbase::val(core::xbase::alltrim(s.text(name))).value;
    if (!std::isfinite(v))
        return 0;
    return int(std::clamp(v, -1e9, 1e9));
}

}  // namespace

std::string PortSetting::modeText(int port) const
{
    return "COM" + std::to_string(port) + ":" + std::to_string(baud) + "," + parity + "," + std::to_string(dataBits) +
           "," + std::to_string(stopBits);
}

std::optional<PortSetting> parsePortSetting(std::string_view text, std::string* error)
{
    text = core::xbase::rtrimView(text);
    if (text.size() != kSettingLength) {
        fail(error, "a port setting has " + std::to_string(kSettingLength) +
                        " characters like 09600,E,7,1,002,005,005; this one has " + std::to_string(text.size()));
        return std::nullopt;
    }
    for (const std::size_t pos : kCommas) {
        if (text[pos - 1] != ',') {
            fail(error, "character " + std::to_string(pos) + " must be a comma");
            return std::nullopt;
        }
    }
    PortSetting p;
    int start = 0;
    if (!number(text, 1, 5, "the baud rate", p.baud, error) || !number(text, 9, 1, "the data bits", p.dataBits, error) ||
        !number(text, 11, 1, "the stop bits", p.stopBits, error) ||
        !number(text, 13, 3, "the start character code", start, error) ||
        !number(text, 17, 3, "the header length", p.frame.headerLength, error) ||
        !number(text, 21, 3, "the weight length", p.frame.weightLength, error))
        return std::nullopt;
    p.parity = char(text[6] >= 'a' && text[6] <= 'z' ? text[6] - 'a' + 'A' : text[6]);

    std::string why;
    if (p.baud < 1)
        why = "the baud rate must be above 0";
    else if (std::string_view("NEOMS").find(p.parity) == std::string_view::npos)
        why = "the parity (character 7) must be N, E, O, M or S";
    else if (p.dataBits < 5 || p.dataBits > 8)
        why = "the data bits (character 9) must be 5 to 8";
    else if (p.stopBits != 1 && p.stopBits != 2)
        why = "the stop bits (character 11) must be 1 or 2";
    else if (start > 255)
        why = "the start character code (characters 13-15) must be 000 to 255";
    else if (p.frame.headerLength < 1)
        why = "the header length (characters 17-19) must be at least 001: it counts the start character";
    else if (p.frame.weightLength < 1)
        why = "the weight length (characters 21-23) must be at least 001";
    if (!why.empty()) {
        fail(error, why);
        return std::nullopt;
    }
    p.frame.startChar = static_cast<unsigned char>(start);
    return p;
}

int defaultPort(const core::Settings& settings)
{
    const std::string t = core::xbase::alltrim(settings.text("CCPORT"));
    return !t.empty() && t[0] >= '1' && t[0] <= '4' ? t[0] - '0' : 0;
}

std::string devicePath(const core::Settings& settings, int port)
{
    const std::string configured = core::xbase::alltrim(settings.text("CCDEV" + std::to_string(port)));
    return configured.empty() ? "/dev/ttyS" + std::to_string(port - 1) : configured;
}

std::optional<FrameKind> frameKind(const core::Settings& settings, int port)
{
    return frameKindNamed(settings.text("CCFMT" + std::to_string(port)));
}

ReaderConfig readerConfig(const core::Settings& settings, const FrameFormat& frame, FrameKind kind)
{
    auto flag = [&](const char* name, const char* value) { return core::xbase::alltrim(settings.text(name)) == value; };
    ReaderConfig c;
    c.kind = kind;
    c.frame = frame;
    c.freshMs = std::max(std::min(timerInterval(settings), 60'000) * kFreshTicks, kFreshMinMs);
    c.statusPosition = numberSetting(settings, "CTLDST");
    c.signFromStatus = flag("CMINUS", "1");
    c.stableCount = std::max(numberSetting(settings, "CSTABLE"), 0);
    c.zeroFirst = flag("CZEROW", "1");
    c.handAccept = flag("CWREAD", "2");
    return c;
}

int timerInterval(const core::Settings& settings)
{
    return std::max(numberSetting(settings, "NINTERV"), 0);
}

}  // namespace scale
