// The text of a PDF the program wrote, as pdftotext extracts it, made comparable with what was
// printed: Qt's PDF writer maps Thai marks drawn in shifted positions (lowered tone marks, marks
// over tall consonants) to private-use code points, writes SARA AM as NIKHAHIT + SARA AA and may put
// a tone mark before a vowel below; those are mapped back to the usual (NFC) order. Pages are separated by form feeds ('\f').
#pragma once

#include <string>

namespace testsupport {

// pdftotext with the option given ("-raw", "-layout") on the file; UTF-8.
std::string pdfText(const std::string& option, const std::string& pdf);
// The same mapping applied to text extracted elsewhere.
std::string normalisePdfThai(std::string utf8);

}  // namespace testsupport
