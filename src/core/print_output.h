// Where a print goes, decided without a window: whether the document is previewed and on which
// printer, and where a document saved as PDF from the preview lands and what the person is told.
//
// The printer rules are those of core/printer_choice.h. When they find no printer the person
// chooses in the preview (a printer, or a PDF file), so a document whose printer is not set up is
// always seen before it goes anywhere. A PDF saved from the preview goes to the folder "PDF" of
// the site (the folder the program runs in), named by the kind of document and the time:
// "Ticket-20261206-134501.pdf", with "-2", "-3" ... added when that name is taken.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/date.h"

namespace core {

struct PrintPlan {
    std::optional<std::string> printer;  // the printer the rules found; none: the person chooses
    bool preview = true;
};

// The rules for a kind of document ("Ticket", "Report") among the installed printers, with the
// preview setting (false: "Printer" is "N"). A document without a printer is always previewed.
PrintPlan planPrint(std::string_view kind, const std::vector<std::string>& installed, bool preview);

// The folder documents saved from a preview go to (native, relative to the site's folder).
std::string pdfFolder();
// "<kind>-YYYYMMDD-HHMMSS.pdf"; a kind that is empty or has characters unfit for a file name
// becomes "Document".
std::string pdfFileName(std::string_view kind, Date day, std::int64_t hundredthsSinceMidnight);
// The folder joined with the name, or with "-2", "-3" ... before ".pdf" when `taken` says so.
std::string freePdfPath(const std::string& folder, const std::string& name,
                        const std::function<bool(const std::string&)>& taken);

// What the person is told (TIS-620; paths and printer names as TIS-620 too).
std::string pdfSavedMessage(const std::string& path);
std::string pdfFailedMessage(const std::string& path);
std::string printedMessage(const std::string& printer);
std::string printFailedMessage(const std::string& printer);

}  // namespace core
