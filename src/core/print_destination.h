// Where printed documents and reports go: the printer the rules of core/printer_choice.h give, with
// or without a preview; a PDF; a test's recording. One destination is in force for the program; the
// GUI installs one over Qt's printers (ui/qt_print_destination.h), the command line one that writes
// a PDF, tests one that records. One thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/print_job.h"
#include "core/printer_choice.h"

namespace core {

class PrintDestination {
public:
    virtual ~PrintDestination() = default;
    // A job for a document of that kind ("Ticket"), shown in a preview first or printed straight;
    // the title is the preview's caption and the printer dialog's title when the person is asked.
    // nullptr when the person cancelled the choice (or nothing can print).
    virtual std::unique_ptr<PrintJob> open(std::string_view printerKind, bool preview, const std::string& title) = 0;
    // RAWIM: hands bytes unchanged to the printer of the job opened last, once its document has
    // printed. False when that printer cannot take them (a preview, a PDF, a printer with a
    // driver); the caller then says so.
    virtual bool sendRaw(const std::string& bytes) { return (void)bytes, false; }
};

// The usual destination: the printer the rules of core/printer_choice.h give (the installed
// printer named like the kind, else the person's choice, asked each time), the job made by
// `makeJob` for that printer name ("" = the choice was a PDF file).
class ChoosingDestination : public PrintDestination {
public:
    using JobMaker = std::function<std::unique_ptr<PrintJob>(const std::string& printer, bool preview)>;
    ChoosingDestination(Printers& printers, JobMaker makeJob)
        : m_printers(printers), m_makeJob(std::move(makeJob))
    {
    }
    std::unique_ptr<PrintJob> open(std::string_view printerKind, bool preview, const std::string& title) override;

private:
    Printers& m_printers;
    JobMaker m_makeJob;
};

// The destination in force; until one is installed nothing can print (open() gives nullptr).
PrintDestination& printDestination();
PrintDestination* setPrintDestination(PrintDestination* destination);  // returns the previous one

}  // namespace core
