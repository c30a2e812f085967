// QtPrintJob: the print job (core/print_job.h) over QPrinter - shown in a print preview, sent
// straight to a printer, or written to a PDF file.
//
// A job for a preview keeps everything drawn as a list of pages and replays it at end(), because
// the preview repaints on demand (and prints from it replay the same pages). A job for a printer or
// a PDF file draws each page onto the printer as it ends and forgets it, so a report of any length
// holds one page in memory; a job given up before end() (a report stopped) is aborted, and a PDF it
// had begun is removed. The printer runs at its
// high resolution with full-page coordinates, so positions in hundredths of an inch land exactly
// (1200 dpi for PDF); a printer's hardware margins are its printable area's corner. A printer
// starts on the paper it is set up with, a PDF on A4, until a paper size is set. GUI thread only.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "core/print_job.h"
#include "core/printer_choice.h"

namespace ui {

class QtPrintJob final : public core::PrintJob {
public:
    enum class Output { Preview, Printer, PdfFile };
    struct Options {
        Output output = Output::Preview;
        std::string printerName;  // for Printer and Preview; empty = the system's default
        std::string pdfPath;      // for PdfFile
    };

    explicit QtPrintJob(Options options);
    ~QtPrintJob() override;

    bool begin(const std::string& title) override;
    bool end() override;
    void beginPage() override;
    void endPage() override;
    int pageCount() const override { return m_pageCount; }
    int dpiX() const override;
    int dpiY() const override;
    int pageWidth() const override;
    int pageHeight() const override;
    int printableLeft() const override;
    int printableTop() const override;
    void setPaperSize(int widthTenthsMm, int lengthTenthsMm) override;
    void text(int x, int y, const std::string& text, const core::PrintFont& font, core::PrintAlign align) override;
    int textWidth(const std::string& text, const core::PrintFont& font) override;
    void line(int x1, int y1, int x2, int y2, int penWidth) override;
    bool picture(int x, int y, int width, int height, const std::string& path) override;
    bool formPicture(const std::string& path) override;

    // The paper a job starts on: A4 for a PDF file, else the printer's own.
    static QPageSize startingPaper(const QPrinter& printer, Output output);

    // The Qt font a print font becomes on this job's printer.
    QFont qtFont(const core::PrintFont& font) const;
    QPrinter& printer() { return m_printer; }

private:
    struct Op;
    struct Page;
    struct ResolvedFont {
        QFont font;
        QFontMetricsF metrics;
    };
    void replay(QPrinter* printer);
    // Draws one page onto `painter`, beginning it on `printer` for the first page of a run.
    bool paint(QPainter& painter, QPrinter* printer, const Page& page, bool first);
    Page* openPage();
    bool pictureOp(const std::string& path, Page** page, Op* op);
    QPoint printableCorner() const;
    // The Qt font of a print font with its metrics on the printer, made once per job: finding a
    // face for Thai text is costly and a report asks for the same three fonts thousands of times.
    const ResolvedFont& resolved(const core::PrintFont& font);

    Options m_options;
    QPrinter m_printer;
    bool m_begun = false;
    bool m_failed = false;
    bool m_pageOpen = false;
    std::optional<QPageSize> m_nextSize;
    QPageSize m_size;
    std::vector<std::unique_ptr<Page>> m_pages;  // a preview's pages; else only the page open
    int m_pageCount = 0;
    std::unique_ptr<QPainter> m_streaming;  // on m_printer from the first page ended until end()
    std::map<std::tuple<std::string, int, int, bool, bool>, std::unique_ptr<ResolvedFont>> m_fonts;
};

// The installed printers from the print system, and its printer dialog for the person's choice.
class QtPrinters final : public core::Printers {
public:
    std::vector<std::string> installed() override;  // UTF-8 names
    std::optional<std::string> choose(const std::string& title) override;
    const std::string& chosenPdfPath() const { return m_pdfPath; }

private:
    std::string m_pdfPath;
};

// A job on the printer the rules give for that kind of document ("Ticket", "Report"): preview
// first unless straight is asked; nullopt when the person cancelled the printer choice.
std::unique_ptr<QtPrintJob> openPrintJob(core::Printers& printers, std::string_view wanted, bool preview,
                                         const std::string& title);
// A job on a printer already chosen: its name, previewed first unless straight is asked; an empty
// name is the PDF file the person chose instead (QtPrinters::chosenPdfPath()).
std::unique_ptr<QtPrintJob> printJobOn(const std::string& printer, bool preview, const std::string& pdfPath);

}  // namespace ui
