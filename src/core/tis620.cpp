#include "core/tis620.h"

namespace core::tis620 {

char32_t toUnicode(unsigned char b)
{
    if (b < 0x80)
        return b;
    if ((b >= 0xA1 && b <= 0xDA) || (b >= 0xDF && b <= 0xFB))
        return char32_t(0x0E01 + (b - 0xA1));
    return 0xFFFD;
}

unsigned char fromUnicode(char32_t cp)
{
    if (cp < 0x80)
        return (unsigned char)cp;
    if ((cp >= 0x0E01 && cp <= 0x0E3A) || (cp >= 0x0E3F && cp <= 0x0E5B))
        return (unsigned char)(cp - 0x0E01 + 0xA1);
    return 0;
}

std::string toUtf8(std::string_view tis)
{
    std::string out;
    out.reserve(tis.size() * 3);
    for (unsigned char b : tis) {
        const char32_t cp = toUnicode(b);
        if (cp < 0x80) {
            out.push_back(char(cp));
        } else {
            // Every non-ASCII result lies in U+0800..U+FFFF: three bytes.
            out.push_back(char(0xE0 | (cp >> 12)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::string fromUtf8(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        const unsigned char c = (unsigned char)s[i];
        if (c < 0x80) {
            out.push_back(char(c));
            ++i;
            continue;
        }
        int len;
        char32_t cp;
        if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            out.push_back('?');  // a stray continuation byte or an invalid lead byte
            ++i;
            continue;
        }
        int got = 1;
        while (got < len && i + got < n && (((unsigned char)s[i + got]) & 0xC0) == 0x80) {
            cp = (cp << 6) | (((unsigned char)s[i + got]) & 0x3F);
            ++got;
        }
        i += got;
        if (got < len) {
            out.push_back('?');  // truncated sequence
            continue;
        }
        const unsigned char b = fromUnicode(cp);
        out.push_back(b != 0 && cp >= 0x80 ? char(b) : '?');
    }
    return out;
}

}  // namespace core::tis620
