#include "ui/thai_text.h"

#include "core/tis620.h"

namespace ui {

QString fromTis(std::string_view tis)
{
    QString out;
    out.reserve(qsizetype(tis.size()));
    for (const char c : tis)
        out.append(QChar(char16_t(core::tis620::toUnicode(static_cast<unsigned char>(c)))));
    return out;
}

unsigned char tisByte(QChar c)
{
    return core::tis620::fromUnicode(char32_t(c.unicode()));
}

std::string toTis(const QString& text)
{
    std::string out;
    out.reserve(std::size_t(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;  // a code point outside the BMP: one character TIS-620 cannot hold
        else if (c.unicode() == 0 || tisByte(c) != 0) {
            out += char(tisByte(c));
            continue;
        }
        out += '?';
    }
    return out;
}

}  // namespace ui
