// Where printed documents go on Qt: QtPrintDestination chooses the printer by the "Ticket" rules
// (the person's printer dialog when no installed printer is named like it) and previews or prints
// through ui::QtPrintJob; PdfPrintDestination writes every document to one PDF file (mervo-admin
// print). RAWIM's raw bytes go to a printer only through the print system's raw queue (`lp -o raw`
// to a CUPS queue without a driver) when the document is printed straight, not previewed.
// GUI thread only (a QApplication must exist).
#pragma once

#include <string>

#include "core/print_destination.h"
#include "ui/qt_print_job.h"

namespace ui {

class QtPrintDestination final : public core::PrintDestination {
public:
    std::unique_ptr<core::PrintJob> open(std::string_view printerKind, bool preview, const std::string& title) override;
    bool sendRaw(const std::string& bytes) override;

private:
    QtPrinters m_printers;
    std::string m_printer;  // the printer of the last job printed straight, else empty
};

class PdfPrintDestination final : public core::PrintDestination {
public:
    explicit PdfPrintDestination(std::string path) : m_path(std::move(path)) {}
    std::unique_ptr<core::PrintJob> open(std::string_view printerKind, bool preview, const std::string& title) override;

private:
    std::string m_path;
};

}  // namespace ui
