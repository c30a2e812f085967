#include "ui/qt_print_job.h"

#include <algorithm>
#include <QApplication>
#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPrinterInfo>

#include "core/pdf_thai_text.h"
#include "core/print_output.h"
#include "core/printer_choice.h"
#include "ui/fonts.h"
#include "ui/print_preview.h"
#include "ui/thai_text.h"

namespace ui {

struct QtPrintJob::Op {
    enum class Kind { Text, Line, Picture };
    Kind kind = Kind::Text;
    int x = 0, y = 0, x2 = 0, y2 = 0;
    QString text;
    QFont font;
    int pen = 0;
    QImage image;
};

struct QtPrintJob::Page {
    QPageSize size;
    std::vector<Op> ops;
    std::size_t forms = 0;  // the first ops: form pictures, under everything else
};

QtPrintJob::QtPrintJob(Options options) : m_options(std::move(options)), m_printer(QPrinter::HighResolution)
{
    m_printer.setFullPage(true);
    if (m_options.output == Output::PdfFile) {
        m_printer.setOutputFormat(QPrinter::PdfFormat);
        m_printer.setOutputFileName(QString::fromLocal8Bit(m_options.pdfPath.c_str()));
    } else if (!m_options.printerName.empty()) {
        m_printer.setPrinterName(QString::fromStdString(m_options.printerName));
    }
    m_printer.setPageSize(startingPaper(m_printer, m_options.output));
    m_size = m_printer.pageLayout().pageSize();
}

QPageSize QtPrintJob::startingPaper(const QPrinter& printer, Output output)
{
    if (output == Output::PdfFile)
        return QPageSize(QPageSize::A4);
    const QPageSize own = printer.pageLayout().pageSize();
    return own.isValid() ? own : QPageSize(QPageSize::A4);
}

QtPrintJob::~QtPrintJob()
{
    if (!m_streaming)
        return;
    // Given up before end(): nothing of it may come out as if it were the whole document.
    const bool aborted = m_printer.abort();
    if (m_streaming->isActive())
        m_streaming->end();
    if (!aborted && m_options.output == Output::PdfFile)
        QFile::remove(QString::fromLocal8Bit(m_options.pdfPath.c_str()));
}

bool QtPrintJob::begin(const std::string& title)
{
    m_begun = true;
    m_title = title;
    m_printer.setDocName(fromTis(title));
    if (m_options.output == Output::Printer &&
        (m_options.printerName.empty() ? QPrinterInfo::defaultPrinter().isNull()
                                       : QPrinterInfo::printerInfo(QString::fromStdString(m_options.printerName)).isNull())) {
        m_failed = true;
        return false;
    }
    return true;
}

int QtPrintJob::dpiX() const { return m_printer.resolution(); }
int QtPrintJob::dpiY() const { return m_printer.resolution(); }

int QtPrintJob::pageWidth() const
{
    const QPageSize& size = m_pageOpen || !m_nextSize ? m_size : *m_nextSize;
    return size.sizePixels(m_printer.resolution()).width();
}

int QtPrintJob::pageHeight() const
{
    const QPageSize& size = m_pageOpen || !m_nextSize ? m_size : *m_nextSize;
    return size.sizePixels(m_printer.resolution()).height();
}

QPoint QtPrintJob::printableCorner() const
{
    if (m_options.output == Output::PdfFile)
        return {};
    QPageLayout layout = m_printer.pageLayout();
    layout.setPageSize(m_pageOpen || !m_nextSize ? m_size : *m_nextSize, layout.minimumMargins());
    layout.setMode(QPageLayout::StandardMode);
    layout.setMargins(layout.minimumMargins());
    return layout.paintRectPixels(m_printer.resolution()).topLeft();
}

int QtPrintJob::printableLeft() const { return printableCorner().x(); }
int QtPrintJob::printableTop() const { return printableCorner().y(); }

void QtPrintJob::setPaperSize(int widthTenthsMm, int lengthTenthsMm)
{
    if (widthTenthsMm <= 0 || lengthTenthsMm <= 0)
        return;
    m_nextSize = QPageSize(QSizeF(widthTenthsMm / 10.0, lengthTenthsMm / 10.0), QPageSize::Millimeter, QString(),
                           QPageSize::ExactMatch);
}

void QtPrintJob::beginPage()
{
    if (m_nextSize) {
        m_size = *m_nextSize;
        m_nextSize.reset();
    }
    auto page = std::make_unique<Page>();
    page->size = m_size;
    m_pages.push_back(std::move(page));
    m_pageOpen = true;
    ++m_pageCount;
}

void QtPrintJob::endPage()
{
    if (!m_pageOpen)
        return;
    m_pageOpen = false;
    if (m_options.output == Output::Preview)
        return;
    const bool first = !m_streaming;
    if (first)
        m_streaming = std::make_unique<QPainter>();
    if (!m_failed && !paint(*m_streaming, &m_printer, *m_pages.back(), first))
        m_failed = true;
    m_pages.clear();
}

QtPrintJob::Page* QtPrintJob::openPage()
{
    if (!m_pageOpen || m_failed)
        return nullptr;
    return m_pages.back().get();
}

const QtPrintJob::ResolvedFont& QtPrintJob::resolved(const core::PrintFont& font)
{
    auto& slot = m_fonts[{font.face, font.width, font.height, font.bold, font.italic}];
    if (!slot) {
        const QFont f = qtFont(font);
        slot = std::make_unique<ResolvedFont>(ResolvedFont{f, QFontMetricsF(f, &m_printer)});
    }
    return *slot;
}

QFont QtPrintJob::qtFont(const core::PrintFont& font) const
{
    QFont f = makeFont(font.face, font.width, font.height, double(m_printer.resolution()) / core::kSizeUnitsPerInch);
    f.setBold(font.bold);
    f.setItalic(font.italic);
    return f;
}

void QtPrintJob::text(int x, int y, const std::string& text, const core::PrintFont& font, core::PrintAlign align)
{
    Page* page = openPage();
    if (!page)
        return;
    const ResolvedFont& r = resolved(font);
    Op op;
    op.kind = Op::Kind::Text;
    op.font = r.font;
    op.text = fromTis(text);
    const QFontMetricsF& fm = r.metrics;
    const double w = fm.horizontalAdvance(op.text);
    op.x = align == core::PrintAlign::Left ? x : align == core::PrintAlign::Right ? int(x - w) : int(x - w / 2);
    op.y = y + int(fm.ascent());
    page->ops.push_back(std::move(op));
}

int QtPrintJob::textWidth(const std::string& text, const core::PrintFont& font)
{
    return int(resolved(font).metrics.horizontalAdvance(fromTis(text)));
}

void QtPrintJob::line(int x1, int y1, int x2, int y2, int penWidth)
{
    Page* page = openPage();
    if (!page)
        return;
    Op op;
    op.kind = Op::Kind::Line;
    op.x = x1;
    op.y = y1;
    op.x2 = x2;
    op.y2 = y2;
    op.pen = std::max(1, penWidth * m_printer.resolution() / core::kSizeUnitsPerInch);
    page->ops.push_back(std::move(op));
}

// A picture as an operation of the current page: false when the file is not a picture; true with
// no page when none can be opened (the job has failed and says so itself).
bool QtPrintJob::pictureOp(const std::string& path, Page** page, Op* op)
{
    QImage image(QString::fromLocal8Bit(path.c_str()));
    if (image.isNull())
        return false;
    *page = openPage();
    op->kind = Op::Kind::Picture;
    op->image = std::move(image);
    return true;
}

bool QtPrintJob::picture(int x, int y, int width, int height, const std::string& path)
{
    Page* page = nullptr;
    Op op;
    if (!pictureOp(path, &page, &op))
        return false;
    if (!page)
        return true;
    op.x = x;
    op.y = y;
    op.x2 = width > 0 ? width : op.image.width();
    op.y2 = height > 0 ? height : op.image.height();
    page->ops.push_back(std::move(op));
    return true;
}

bool QtPrintJob::formPicture(const std::string& path)
{
    Page* page = nullptr;
    Op op;
    if (!pictureOp(path, &page, &op))
        return false;
    if (!page)
        return true;
    op.x2 = dots(*page).width();
    op.y2 = dots(*page).height();
    page->ops.insert(page->ops.begin() + std::ptrdiff_t(page->forms), std::move(op));
    ++page->forms;
    return true;
}

bool QtPrintJob::paint(QPainter& painter, QPrinter* printer, const Page& page, bool first, double scale)
{
    printer->setPageSize(page.size);
    if (first) {
        if (!painter.begin(printer))
            return false;
    } else if (!printer->newPage()) {
        return false;
    }
    painter.resetTransform();
    if (scale != 1.0)
        painter.scale(scale, scale);
    draw(painter, page);
    return true;
}

void QtPrintJob::draw(QPainter& painter, const Page& page)
{
    painter.setBackgroundMode(Qt::TransparentMode);
    for (const Op& op : page.ops) {
        switch (op.kind) {
        case Op::Kind::Text:
            painter.setFont(op.font);
            painter.setPen(Qt::black);
            painter.drawText(QPoint(op.x, op.y), op.text);
            break;
        case Op::Kind::Line:
            painter.setPen(QPen(Qt::black, op.pen, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(op.x, op.y, op.x2, op.y2);
            break;
        case Op::Kind::Picture:
            painter.drawImage(QRect(op.x, op.y, op.x2, op.y2), op.image);
            break;
        }
    }
}

QSize QtPrintJob::dots(const Page& page) const
{
    return page.size.sizePixels(m_printer.resolution());
}

bool QtPrintJob::replay(QPrinter* printer)
{
    printer->setFullPage(true);
    // The pages are laid out in this job's printer's dots; another printer chosen in the preview
    // may have other dots.
    const double scale = double(printer->resolution()) / double(m_printer.resolution());
    QPainter painter;
    for (std::size_t i = 0; i < m_pages.size(); ++i)
        if (!paint(painter, printer, *m_pages[i], i == 0, scale)) {
            if (printer == &m_printer)
                m_failed = true;
            if (painter.isActive())
                painter.end();
            return false;
        }
    if (painter.isActive())
        return painter.end();
    return true;
}

bool QtPrintJob::end()
{
    endPage();
    if (!m_begun || m_failed)
        return false;
    if (m_options.output != Output::Preview) {
        const std::unique_ptr<QPainter> painter = std::move(m_streaming);
        if (painter && painter->isActive() && !painter->end())
            m_failed = true;
        // A file that cannot be mended still shows and prints right; only its text layer reads
        // back as Qt wrote it.
        if (!m_failed && painter && m_options.output == Output::PdfFile)
            (void)core::pdf::mendThaiTextFile(m_options.pdfPath);
        return !m_failed;
    }
    if (m_pages.empty())
        return true;
    std::optional<std::string> offered;
    if (!m_options.printerName.empty())
        offered = m_options.printerName;
    QtPrinters printers;
    PageView::Source pages;
    pages.count = int(m_pages.size());
    pages.dpi = m_printer.resolution();
    pages.size = [this](int page) { return dots(*m_pages[std::size_t(page)]); };
    pages.draw = [this](int page, QPainter& painter) { draw(painter, *m_pages[std::size_t(page)]); };
    PrintPreview preview(
        std::move(pages), [this](QPrinter* p) { return replay(p); }, m_title, m_options.kind, offered, printers.installed(),
        QApplication::activeWindow());
    preview.setWindowState(Qt::WindowMaximized);
    preview.exec();
    return !m_failed;
}

std::vector<std::string> QtPrinters::installed()
{
    std::vector<std::string> names;
    for (const QString& n : QPrinterInfo::availablePrinterNames())
        names.push_back(n.toStdString());
    return names;
}

std::optional<std::string> QtPrinters::choose(const std::string& title)
{
    PrinterChoiceDialog dialog(title, installed(), QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosen();
}

// The preview's caption is the document's title, given to begin().
std::unique_ptr<QtPrintJob> openPrintJob(core::Printers& printers, std::string_view wanted, bool preview,
                                         const std::string&)
{
    const core::PrintPlan plan = core::planPrint(wanted, printers.installed(), preview);
    if (!plan.printer)
        core::noPrinterBeep();
    QtPrintJob::Options options;
    options.output = plan.preview ? QtPrintJob::Output::Preview : QtPrintJob::Output::Printer;
    options.printerName = plan.printer.value_or(std::string());
    options.kind = std::string(wanted);
    return std::make_unique<QtPrintJob>(options);
}

std::unique_ptr<QtPrintJob> printJobOn(const std::string& printer, bool preview, const std::string& kind)
{
    QtPrintJob::Options options;
    options.output = preview || printer.empty() ? QtPrintJob::Output::Preview : QtPrintJob::Output::Printer;
    options.printerName = printer;
    options.kind = kind;
    return std::make_unique<QtPrintJob>(options);
}

}  // namespace ui
