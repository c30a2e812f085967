#include "support/pdf_text.h"

#include <algorithm>

#include "support/run_process.h"

namespace testsupport {
namespace {

std::string utf8(char32_t cp)
{
    std::string out;
    if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
    } else {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
    }
    out += char(0x80 | (cp & 0x3F));
    return out;
}

void replaceAll(std::string& s, const std::string& from, const std::string& to)
{
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
}

}  // namespace

std::string normalisePdfThai(std::string text)
{
    static const std::pair<char32_t, char32_t> marks[] = {
        {0xF70A, 0x0E48}, {0xF70B, 0x0E49}, {0xF70C, 0x0E4A}, {0xF70D, 0x0E4B}, {0xF70E, 0x0E4C},
        {0xF705, 0x0E48}, {0xF706, 0x0E49}, {0xF707, 0x0E4A}, {0xF708, 0x0E4B}, {0xF709, 0x0E4C},
        {0xF710, 0x0E31}, {0xF711, 0x0E4D}, {0xF712, 0x0E47}, {0xF713, 0x0E48}, {0xF714, 0x0E49},
        {0xF715, 0x0E4A}, {0xF716, 0x0E4B}, {0xF717, 0x0E4C}, {0xF718, 0x0E38}, {0xF719, 0x0E39},
        {0xF71A, 0x0E3A}, {0xF700, 0x0E10}, {0xF701, 0x0E34}, {0xF702, 0x0E35}, {0xF703, 0x0E36},
        {0xF704, 0x0E37},
    };
    for (const auto& [from, to] : marks)
        replaceAll(text, utf8(from), utf8(to));
    // NIKHAHIT, an optional tone mark, SARA AA -> the tone mark, SARA AM.
    const std::string nikhahit = utf8(0x0E4D), saraAa = utf8(0x0E32), saraAm = utf8(0x0E33);
    for (std::size_t at = text.find(nikhahit); at != std::string::npos; at = text.find(nikhahit, at + 1)) {
        std::size_t next = at + nikhahit.size();
        std::string tone;
        if (text.compare(next, 2, "\xE0\xB9") == 0 && next + 2 < text.size() &&
            (unsigned char)text[next + 2] >= 0x88 && (unsigned char)text[next + 2] <= 0x8B) {
            tone = text.substr(next, 3);
            next += 3;
        }
        if (text.compare(next, saraAa.size(), saraAa) == 0)
            text.replace(at, next + saraAa.size() - at, tone + saraAm);
    }
    // Canonical order (as NFC has it): a vowel below (SARA U, SARA UU, PHINTHU) before a tone mark.
    for (std::size_t at = 0; at + 6 <= text.size(); ++at) {
        const auto byte = [&](std::size_t i) { return (unsigned char)text[at + i]; };
        const bool tone = byte(0) == 0xE0 && byte(1) == 0xB9 && byte(2) >= 0x88 && byte(2) <= 0x8B;
        const bool below = byte(3) == 0xE0 && byte(4) == 0xB8 && byte(5) >= 0xB8 && byte(5) <= 0xBA;
        if (tone && below)
            std::swap_ranges(text.begin() + long(at), text.begin() + long(at) + 3, text.begin() + long(at) + 3);
    }
    return text;
}

std::string pdfText(const std::string& option, const std::string& pdf)
{
    return normalisePdfThai(runProcess("/usr/bin/pdftotext", {option, pdf, "-"}).out);
}

}  // namespace testsupport
