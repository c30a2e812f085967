// Printing on Qt, offscreen: jobs writing PDF files, and the print preview (this machine has no
// print server, so a job with no printer for its kind opens it with the PDF chosen).
#include <QColor>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <filesystem>
#include <set>
#include <gtest/gtest.h>

#include "core/pdf_thai_text.h"
#include "core/tis620.h"
#include "support/pdf_text.h"
#include "support/qt_typing.h"
#include "support/run_process.h"
#include "support/seams.h"
#include "support/temp_dir.h"
#include "ui/print_preview.h"
#include "ui/qt_print_job.h"

namespace {

using core::tis620::T;
using Output = ui::QtPrintJob::Output;

// The words pdftotext -bbox finds on a page of a PDF, in points, and the page's width.
struct PdfPage {
    struct Word {
        QString text;
        double xMin, xMax;
    };
    double width = -1;
    std::vector<Word> words;
    Word word(const char* text) const
    {
        for (const Word& w : words)
            if (w.text == QString::fromUtf8(text))
                return w;
        return {QString(), -1, -1};
    }
};

PdfPage pdfPage(const std::string& pdf, int page = 1)
{
    const std::string n = std::to_string(page);
    const QString box = QString::fromStdString(
        testsupport::runProcess("/usr/bin/pdftotext", {"-bbox", "-f", n, "-l", n, pdf, "-"}).out);
    static const QRegularExpression width(QStringLiteral(R"re(<page width="([\d.]+)")re"));
    static const QRegularExpression word(
        QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="[\d.]+" xMax="([\d.]+)"[^>]*>([^<]*)</word>)re"));
    PdfPage out;
    if (const auto m = width.match(box); m.hasMatch())
        out.width = m.captured(1).toDouble();
    for (auto it = word.globalMatch(box); it.hasNext();) {
        const auto m = it.next();
        out.words.push_back({m.captured(3), m.captured(1).toDouble(), m.captured(2).toDouble()});
    }
    return out;
}

// A w x h picture of one colour saved as a PNG file; its path.
std::string picture(const testsupport::TempDir& dir, const char* name, int w, int h, Qt::GlobalColor colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    EXPECT_TRUE(image.save(QString::fromStdString(dir.file(name))));
    return dir.file(name);
}

TEST(QtPrintJob, WritesThaiTextLinesPicturesFormsAndPagesToPdf)
{
    testsupport::TempDir dir;
    const std::string pdf = dir.file("ticket.pdf");
    const std::string logo = picture(dir, "logo.png", 40, 20, Qt::blue);
    ui::QtPrintJob job({.output = Output::PdfFile, .pdfPath = pdf});
    ASSERT_TRUE(job.begin(T("  ส่วนการพิมพ์เอกสาร")));
    const core::PrintFont font{"EucrosiaUPC", 0, 80};
    job.beginPage();
    job.text(job.dotsX(100), job.dotsY(100), T("น้ำหนักสุทธิ 12,340 กก."), font, core::PrintAlign::Left);
    job.text(job.dotsX(400), job.dotsY(200), "RIGHT", font, core::PrintAlign::Right);
    job.text(job.dotsX(400), job.dotsY(300), "CENTRE", font, core::PrintAlign::Centre);
    job.text(job.dotsX(100), job.dotsY(400), "LEFT", font, core::PrintAlign::Left);
    job.line(job.dotsX(100), job.dotsY(500), job.dotsX(700), job.dotsY(500), 3);
    EXPECT_TRUE(job.picture(job.dotsX(100), job.dotsY(600), job.dotsX(100), job.dotsY(50), logo));
    EXPECT_FALSE(job.picture(0, 0, 10, 10, dir.file("missing.bmp")));
    job.endPage();
    job.setPaperSize(800, 1500);
    job.beginPage();
    EXPECT_NEAR(job.pageWidth(), 3779, 5) << "80 mm at 1200 dpi (Qt keeps page sizes in whole points)";
    job.text(job.dotsX(50), job.dotsY(50), T("หน้าที่ 2 ถ้วน"), font, core::PrintAlign::Left);
    ASSERT_TRUE(job.end());
    EXPECT_EQ(job.pageCount(), 2);

    // pdftotext's text of a Qt-made PDF, made comparable with what was printed (support/pdf_text.h).
    const QString text = QString::fromUtf8(testsupport::pdfText("-raw", pdf).c_str());
    EXPECT_TRUE(text.normalized(QString::NormalizationForm_C).contains(QString::fromUtf8("หน้าที่ 2 ถ้วน")));
    const auto info = testsupport::runProcess("/usr/bin/pdfinfo", {"-f", "1", "-l", "2", pdf});
    EXPECT_NE(info.out.find("Page    2 size:  227 x 425 pts"), std::string::npos) << info.out;
    const PdfPage page = pdfPage(pdf);
    EXPECT_NEAR(page.word("RIGHT").xMax, 288, 2) << "right-aligned text ends at 4 inches";
    const PdfPage::Word c = page.word("CENTRE");
    EXPECT_NEAR((c.xMin + c.xMax) / 2, 288, 2) << "centred text is centred on 4 inches";
    EXPECT_NEAR(page.word("LEFT").xMin, 72, 2) << "left-aligned text starts at 1 inch";

    // A form lies under the page drawn before it.
    const std::string formPdf = dir.file("form.pdf");
    const std::string form = picture(dir, "form.png", 20, 20, Qt::blue);
    ui::QtPrintJob sheet({.output = Output::PdfFile, .pdfPath = formPdf});
    ASSERT_TRUE(sheet.begin("form"));
    sheet.beginPage();
    sheet.line(sheet.dotsX(100), sheet.dotsY(100), sheet.dotsX(700), sheet.dotsY(100), 90);  // half an inch thick
    EXPECT_TRUE(sheet.formPicture(form));
    EXPECT_FALSE(sheet.formPicture(dir.file("missing.png")));
    ASSERT_TRUE(sheet.end());

    // At 10 dpi the line is the row 10 pixels down, the form everywhere else.
    const auto r =
        testsupport::runProcess("/usr/bin/pdftoppm", {"-r", "10", "-png", "-singlefile", formPdf, dir.file("page")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QImage shot(QString::fromStdString(dir.file("page.png")));
    ASSERT_FALSE(shot.isNull());
    EXPECT_LT(QColor(shot.pixel(40, 10)).value(), 80) << "the line drawn before the form shows on it";
    EXPECT_GT(QColor(shot.pixel(40, 50)).blue(), 200);
    EXPECT_LT(QColor(shot.pixel(40, 50)).red(), 80);
}

// The PDF's text reads back as typed, with no mapping on the reader's side: lowered and shifted
// marks, SARA AM after a tone mark, in two of the faces the settings map to.
TEST(QtPrintJob, ThaiTextReadsBackFromThePdfExactlyAsPrinted)
{
    testsupport::TempDir dir;
    const char* lines[] = {"น้ำหนักสุทธิ 12,340 กก.", "ตัวอย่างการค้า ผู้ขาย", "ปี่ ป่า ญี่ปุ่น ฐาน ฎีกา", "กำไร ค่ำ ป้ำ ทำ",
                           "ปั้น ฟื้น ปู่ ฤๅษี"};
    for (const char* face : {"EucrosiaUPC", "MS Sans Serif"}) {
        const std::string pdf = dir.file(std::string(face) + ".pdf");
        ui::QtPrintJob job({.output = Output::PdfFile, .pdfPath = pdf});
        ASSERT_TRUE(job.begin("MERVO"));
        job.beginPage();
        for (int i = 0; i < int(std::size(lines)); ++i)
            job.text(job.dotsX(100), job.dotsY(100 + 50 * i), T(lines[i]), {face, 0, 80}, core::PrintAlign::Left);
        ASSERT_TRUE(job.end());
        const std::string text = testsupport::runProcess("/usr/bin/pdftotext", {"-raw", pdf, "-"}).out;
        for (const char* line : lines)
            EXPECT_NE(text.find(line), std::string::npos) << face << ": " << line << " in\n" << text;
    }
    // The text layer is mended as the job ends: mending again changes nothing, and a file of another
    // shape (not a PDF, cut short) is refused and left as it was.
    const std::string pdf = dir.file("EucrosiaUPC.pdf"), once = testsupport::readFile(pdf);
    ASSERT_EQ(core::pdf::mendThaiTextFile(pdf), "");
    EXPECT_EQ(testsupport::readFile(pdf), once);
    for (const std::string& bytes : {std::string("not a pdf"), once.substr(0, once.size() / 2)}) {
        testsupport::writeFile(pdf, bytes);
        EXPECT_NE(core::pdf::mendThaiTextFile(pdf), "") << bytes.size();
        EXPECT_EQ(testsupport::readFile(pdf), bytes);
    }
}

// A job for a file writes each page as it ends (a report of any length holds one page); a job
// given up before its end (a report stopped), or without pages or printer, leaves no file.
TEST(QtPrintJob, APdfIsWrittenPageByPageAndAJobGivenUpLeavesNoFile)
{
    testsupport::TempDir dir;
    {
        ui::QtPrintJob job({.output = Output::PdfFile, .pdfPath = dir.file("empty.pdf")});
        ASSERT_TRUE(job.begin("MERVO Report"));
        EXPECT_TRUE(job.end());
        EXPECT_FALSE(std::filesystem::exists(dir.file("empty.pdf")));

        ui::QtPrintJob unknown({.output = Output::Printer, .printerName = "No Such Printer 123"});
        EXPECT_FALSE(unknown.begin("x"));
        unknown.beginPage();
        unknown.text(0, 0, "x", {}, core::PrintAlign::Left);
        EXPECT_FALSE(unknown.end());
    }
    const std::string pdf = dir.file("long.pdf");
    const auto page = [](ui::QtPrintJob& job, int n) {
        job.beginPage();
        for (int line = 0; line < 40; ++line)
            job.text(job.dotsX(100), job.dotsY(100 + 20 * line), T("หน้า ") + std::to_string(n) + " " + std::to_string(line),
                     {"EucrosiaUPC", 0, 80}, core::PrintAlign::Left);
        job.endPage();
    };
    const auto size = [&] { return std::filesystem::exists(pdf) ? std::filesystem::file_size(pdf) : 0; };
    {
        ui::QtPrintJob job({.output = Output::PdfFile, .pdfPath = pdf});
        ASSERT_TRUE(job.begin("MERVO Report"));
        for (int n = 1; n <= 3; ++n)
            page(job, n);
        const auto afterThree = size();
        for (int n = 4; n <= 30; ++n)
            page(job, n);
        EXPECT_GT(size(), afterThree) << "pages reach the file before the job ends";
        ASSERT_TRUE(job.end());
        EXPECT_EQ(job.pageCount(), 30);
    }
    const QString text = QString::fromUtf8(testsupport::pdfText("-raw", pdf).c_str());
    EXPECT_TRUE(text.normalized(QString::NormalizationForm_C).contains(QString::fromUtf8("หน้า 30 39")));
    {
        ui::QtPrintJob job({.output = Output::PdfFile, .pdfPath = dir.file("stopped.pdf")});
        ASSERT_TRUE(job.begin("MERVO Report"));
        page(job, 1);
        page(job, 2);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("stopped.pdf")));
}

// In a site folder of its own, with this machine's printers (none) and the prompts and sounds recorded.
class PreviewTest : public ::testing::Test {
protected:
    struct InSite {
        explicit InSite(const std::string& dir) : old(std::filesystem::current_path()) { std::filesystem::current_path(dir); }
        ~InSite() { std::filesystem::current_path(old); }
        std::filesystem::path old;
    };

    void printTicket()
    {
        const auto job = ui::openPrintJob(printers, "Ticket", false, T("  ส่วนการพิมพ์เอกสาร"));
        ASSERT_NE(job, nullptr);
        ASSERT_TRUE(job->begin(T("  ส่วนการพิมพ์เอกสาร")));
        job->beginPage();
        job->text(job->dpiX(), job->dpiY(), T("ใบชั่งน้ำหนัก 000123"), core::PrintFont{}, core::PrintAlign::Left);
        job->endPage();
        EXPECT_TRUE(job->end());
    }
    // The one PDF saved in the site's PDF folder.
    std::string savedPdf() const
    {
        return dir.file("PDF/") + std::filesystem::directory_iterator(dir.file("PDF"))->path().filename().string();
    }

    testsupport::TempDir dir;
    InSite site{dir.path()};
    testsupport::RecordingPrompts prompts;
    testsupport::RecordingSound sound;
    ui::QtPrinters printers;
};

TEST_F(PreviewTest, SavesThePdfIntoTheSiteFolderOnlyWhenPrintedAndSaysWhere)
{
    testsupport::whenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    printTicket();
    EXPECT_FALSE(std::filesystem::exists(dir.file("PDF")) && !std::filesystem::is_empty(dir.file("PDF")));
    EXPECT_TRUE(prompts.shown.empty());
    sound.tones.clear();

    testsupport::FakeClock clock(core::Date::fromYmd(2026, 12, 6), 13 * 360000 + 45 * 6000);
    ASSERT_TRUE(printers.installed().empty()) << "this test expects a machine without printers";
    bool pdfOffered = false;
    testsupport::whenModal([&](QWidget* modal) {
        auto* preview = qobject_cast<ui::PrintPreview*>(modal);
        ASSERT_NE(preview, nullptr);
        pdfOffered = preview->destinations()->currentData().toString().isEmpty();
        preview->printButton()->click();
    });
    printTicket();
    EXPECT_TRUE(pdfOffered);
    EXPECT_EQ(sound.tones, std::vector<int>{900});  // no printer named like the kind: the beep
    const std::string pdf = std::filesystem::absolute(dir.file("PDF/Ticket-20261206-134500.pdf")).string();
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_NE(testsupport::pdfText("-raw", pdf).find("000123"), std::string::npos);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, T("บันทึกเอกสารเป็นไฟล์ PDF ไว้ที่ ") + pdf);

    // The same minute again: a second file beside the first. Another printer chosen in the preview
    // may have other dots than the pages were laid out for: the text lands at the same place.
    const std::string low = dir.file("low.pdf");
    int lowDpi = 0;
    testsupport::whenModal([&](QWidget* modal) {
        auto* preview = static_cast<ui::PrintPreview*>(modal);
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(low));
        lowDpi = printer.resolution();
        preview->paint(&printer);
        preview->send();
    });
    printTicket();
    const std::string second = dir.file("PDF/Ticket-20261206-134500-2.pdf");
    ASSERT_TRUE(std::filesystem::exists(second));
    ASSERT_LT(lowDpi, 600);
    for (const std::string& placed : {second, low})  // one inch from the left: 72 points
        EXPECT_NEAR(pdfPage(placed).words.at(0).xMin, 72.0, 2.0) << placed;
}

// A document of `count` pages of `dots` (A4 at 1200 dots to the inch unless told) that notes each
// page it is asked to draw.
struct CountedPages {
    std::vector<int> drawn;
    ui::PageView::Source source(int count, QSize dots = QSize(9921, 14031))
    {
        ui::PageView::Source s;
        s.count = count;
        s.dpi = 1200;
        s.size = [dots](int) { return dots; };
        s.draw = [this, dots](int page, QPainter& painter) {
            drawn.push_back(page);
            painter.drawLine(0, 0, dots.width(), dots.height());
        };
        return s;
    }
};

TEST(PageView, DrawsOnlyThePagesInSightAsThePersonPages)
{
    CountedPages pages;
    ui::PageView view(pages.source(400));
    view.resize(800, 600);
    testsupport::showActive(view);
    view.viewport()->repaint();
    EXPECT_EQ(pages.drawn, std::vector<int>{0}) << "fitting the width, the first page fills the view";
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        int page;  // shown at the top afterwards, and drawn if it was not kept
    } steps[] = {
        {Qt::Key_PageDown, Qt::NoModifier, 1},    {Qt::Key_End, Qt::ControlModifier, 399},
        {Qt::Key_PageUp, Qt::NoModifier, 398},    {Qt::Key_Home, Qt::NoModifier, 0},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.key);
        QTest::keyClick(&view, Qt::Key(step.key), step.modifiers);
        view.viewport()->repaint();
        EXPECT_EQ(view.currentPage(), step.page);
        EXPECT_NE(std::find(pages.drawn.begin(), pages.drawn.end(), step.page), pages.drawn.end());
        EXPECT_LE(view.cachedCount(), ui::PageView::kSpare + 2);
    }
    EXPECT_LE(pages.drawn.size(), 16u) << "pages seen again come from the cache, the others are never drawn";

    // Scrolling through fifty pages draws each once and keeps only a few.
    pages.drawn.clear();
    for (int i = 0; i < 50; ++i) {
        QTest::keyClick(&view, Qt::Key_PageDown);
        view.viewport()->repaint();
    }
    EXPECT_EQ(view.currentPage(), 50);
    EXPECT_LE(view.cachedCount(), ui::PageView::kSpare + 2);
    const std::set<int> distinct(pages.drawn.begin(), pages.drawn.end());
    EXPECT_EQ(distinct.size(), pages.drawn.size()) << "no page drawn twice at one zoom";
    EXPECT_LE(*distinct.rbegin(), 51);
}

// Continuous paper ten metres long, or a document longer than any report: zoomed in as far as it
// goes, a drawn page stays within a bounded size and the scrolled length within the scroll bar's.
TEST(PageView, StaysWithinBoundsForHugePapersAndLengths)
{
    const struct {
        const char* name;
        int count;
        QSize dots;
    } cases[] = {
        {"ten metres of paper", 1, QSize(9921, 472440)},
        {"600,000 pages", 600'000, QSize(9921, 14031)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CountedPages pages;
        ui::PageView view(pages.source(c.count, c.dots));
        view.resize(800, 600);
        testsupport::showActive(view);
        for (int i = 0; i < 10; ++i)
            view.zoomIn();
        QTest::keyClick(&view, Qt::Key_End);
        EXPECT_EQ(view.currentPage(), c.count - 1);
        const QImage last = view.pageImage(c.count - 1);
        EXPECT_LE(double(last.width()) * last.height(), 16.2e6);
        EXPECT_GT(view.verticalScrollBar()->maximum(), 0);
    }
}

// The leftmost column with ink, as a share of the width.
double leftInk(const QImage& image)
{
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (qGray(image.pixel(x, y)) < 200)
                return double(x) / image.width();
    return 1.0;
}

// The job's own preview of a long report draws only the pages shown and says where the person is;
// printing from it writes every page, the one shown as the one printed.
TEST_F(PreviewTest, ALongDocumentIsDrawnAsThePersonPagesAndPrintsWhole)
{
    constexpr int kPages = 400;
    const auto job = ui::openPrintJob(printers, "Report", false, T("  ส่วนรายงาน"));
    ASSERT_TRUE(job->begin(T("  ส่วนรายงาน")));
    core::PrintFont font;
    font.height = -40;  // two ninths of an inch
    for (int i = 0; i < kPages; ++i) {
        job->beginPage();
        // Each page's text a page's width further right, of five.
        job->text(job->dpiX() * (1 + i % 5), job->dpiY(), "PAGE-" + std::to_string(i + 1), font,
                  core::PrintAlign::Left);
        job->endPage();
    }
    std::vector<std::string> labels;  // what the bar said
    std::vector<int> draws;           // the pages drawn so far
    double shownLeft = 0;
    testsupport::whenModal([&](QWidget* modal) {
        auto* preview = static_cast<ui::PrintPreview*>(modal);
        (void)QTest::qWaitForWindowExposed(preview);
        ui::PageView* view = preview->pages();
        const auto note = [&] {
            view->viewport()->repaint();
            labels.push_back(preview->position()->text().toStdString());
            draws.push_back(view->drawCount());
        };
        note();
        QTest::keyClick(preview, Qt::Key_PageDown);
        note();
        shownLeft = leftInk(view->pageImage(1));
        QTest::keyClick(preview, Qt::Key_End, Qt::ControlModifier);
        note();
        preview->send();
    });
    EXPECT_TRUE(job->end());
    EXPECT_EQ(labels, (std::vector<std::string>{"หน้า 1 จาก 400", "หน้า 2 จาก 400", "หน้า 400 จาก 400"}));
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_GE(draws[0], 1);
    EXPECT_LE(draws[0], 2);
    EXPECT_LE(draws[2], 5);

    ASSERT_EQ(prompts.shown.size(), 1u);
    const std::string text = testsupport::pdfText("-raw", savedPdf());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), kPages);
    EXPECT_NE(text.find("PAGE-400"), std::string::npos);
    // Page 2 as printed: its text two inches from the left, where the preview showed it.
    const PdfPage second = pdfPage(savedPdf(), 2);
    const double printedLeft = second.words.at(0).xMin / second.width;
    EXPECT_NEAR(printedLeft, 2.0 / 8.27, 0.01);
    EXPECT_NEAR(shownLeft, printedLeft, 0.01);
}

TEST(PrinterChoiceDialog, OffersThePrintersAndAPdf)
{
    ui::PrinterChoiceDialog dialog(T("  ส่วนการตั้งค่าเครื่องพิมพ์"), {"Laser", "Ticket"});
    ASSERT_EQ(dialog.list()->count(), 3);
    EXPECT_EQ(dialog.chosen(), "");  // no system printer here: the PDF first
    dialog.list()->setCurrentRow(1);
    EXPECT_EQ(dialog.chosen(), "Ticket");
}

}  // namespace
