// Thai text at the boundary between the program (TIS-620 bytes) and Qt (Unicode QString).
//
// One TIS-620 byte is one Unicode code point of the Thai block (or ASCII), and every such code point
// is one QChar, so a field width in bytes is the same number of QChars. Characters TIS-620 cannot
// hold never reach the program: entry fields refuse them, and toTis turns them into '?'.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace ui {

QString fromTis(std::string_view tis);
std::string toTis(const QString& text);
// The TIS-620 byte of one character, 0 when TIS-620 has none (or for NUL).
unsigned char tisByte(QChar c);

}  // namespace ui
