// QtPrintJob: the print job (core/print_job.h) over QPrinter - shown in the program's print preview
// (ui/print_preview.h), where the person prints it or saves it as a PDF in the site's PDF folder,
// sent straight to a printer, or written to a PDF file.
//
// A job for a preview keeps everything drawn as a list of pages; at end() the preview draws the
// pages the person looks at one by one, and prints from it replay them all. A job for a printer or
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
        std::string printerName{};  // for Printer: empty = the system's default; for Preview: the one
                                    // offered first, empty = the person chooses
        std::string pdfPath{};      // for PdfFile
        std::string kind{};         // "Ticket", "Report" ...: names a PDF saved from the preview
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
    // Draws every page of a preview on `printer` (another printer chosen in the preview scaled to
    // its dots); false when it could not be begun or ended.
    bool replay(QPrinter* printer);
    // Draws one page onto `painter`, beginning it on `printer` for the first page of a run, at
    // `scale` printer dots to this job's dots.
    bool paint(QPainter& painter, QPrinter* printer, const Page& page, bool first, double scale = 1.0);
    // A page's drawing, through the painter's transform from this job's dots to its device.
    static void draw(QPainter& painter, const Page& page);
    // A page's paper in this job's dots.
    QSize dots(const Page& page) const;
    Page* openPage();
    bool pictureOp(const std::string& path, Page** page, Op* op);
    QPoint printableCorner() const;
    // The Qt font of a print font with its metrics on the printer, made once per job: finding a
    // face for Thai text is costly and a report asks for the same three fonts thousands of times.
    const ResolvedFont& resolved(const core::PrintFont& font);

    Options m_options;
    std::string m_title;
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

// The installed printers from the print system, and the program's printer choice for the person.
class QtPrinters final : public core::Printers {
public:
    std::vector<std::string> installed() override;  // UTF-8 names
    std::optional<std::string> choose(const std::string& title) override;
};

// A job for that kind of document ("Ticket", "Report") by core::planPrint: on the printer the rules
// find, previewed first unless straight is asked; without one, a beep and the preview, where the
// person chooses a printer or a PDF.
std::unique_ptr<QtPrintJob> openPrintJob(core::Printers& printers, std::string_view wanted, bool preview,
                                         const std::string& title);
// A job on a printer already chosen: its name, previewed first unless straight is asked; an empty
// name (a PDF chosen) is the preview with the PDF offered first.
std::unique_ptr<QtPrintJob> printJobOn(const std::string& printer, bool preview, const std::string& kind = "Report");

}  // namespace ui
