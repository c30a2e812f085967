#include "support/pdf_text.h"

#include "support/run_process.h"

namespace testsupport {

std::string pdfText(const std::string& option, const std::string& pdf)
{
    return runProcess("/usr/bin/pdftotext", {option, pdf, "-"}).out;
}

}  // namespace testsupport
