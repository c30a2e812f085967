// The text of a PDF the program wrote, as pdftotext extracts it, with no mapping on the reader's
// side: the program's PDFs read back as the Thai printed. Pages are separated by form feeds ('\f').
#pragma once

#include <string>

#include "support/run_process.h"

namespace testsupport {

// pdftotext with the option given ("-raw", "-layout") on the file; UTF-8.
inline std::string pdfText(const std::string& option, const std::string& pdf)
{
    return runProcess("/usr/bin/pdftotext", {option, pdf, "-"}).out;
}

}  // namespace testsupport
