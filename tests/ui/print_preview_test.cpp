// The program's print preview, offscreen: a job with no printer for its kind opens the preview with
// the PDF chosen (this machine has no print server), and printing from it writes the pages into
// the site's PDF folder and tells the person where. The pages are drawn only as they come into
// sight, however long the document.
#include "ui/print_preview.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <filesystem>
#include <set>
#include <gtest/gtest.h>

#include "core/tis620.h"
#include "support/pdf_text.h"
#include "support/qt_typing.h"
#include "support/run_process.h"
#include "support/seams.h"
#include "support/temp_dir.h"
#include "ui/qt_print_job.h"

namespace {

using core::tis620::T;

// A test in a site folder of its own, with a machine's printers (none here) and the prompts and
// sounds recorded.
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

// The left edge of the first word on a page of the PDF, in points, and the page's width.
std::pair<double, double> firstWordLeft(const std::string& pdf, int page = 1)
{
    const std::string n = std::to_string(page);
    const auto box = testsupport::runProcess("/usr/bin/pdftotext", {"-bbox", "-f", n, "-l", n, pdf, "-"}).out;
    const std::size_t width = box.find("<page width=\"");
    const std::size_t word = box.find("<word xMin=\"");
    if (width == std::string::npos || word == std::string::npos)
        return {-1, -1};
    return {std::stod(box.substr(word + 12)), std::stod(box.substr(width + 13))};
}

TEST_F(PreviewTest, SavesThePdfIntoTheSiteFolderAndSaysWhere)
{
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

    // The same minute again: a second file beside the first.
    testsupport::whenModal([&](QWidget* modal) { static_cast<ui::PrintPreview*>(modal)->send(); });
    printTicket();
    EXPECT_TRUE(std::filesystem::exists(dir.file("PDF/Ticket-20261206-134500-2.pdf")));
}

TEST_F(PreviewTest, ClosingThePreviewWritesNothing)
{
    testsupport::whenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    printTicket();
    EXPECT_FALSE(std::filesystem::exists(dir.file("PDF")) && !std::filesystem::is_empty(dir.file("PDF")));
    EXPECT_TRUE(prompts.shown.empty());
}

// Another printer chosen in the preview may have other dots than the one the pages were laid out
// for: the text lands at the same place on the paper.
TEST_F(PreviewTest, PagesLandAtTheSamePlaceOnAPrinterOfOtherDots)
{
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
    ASSERT_LT(lowDpi, 600);
    // The text was placed one inch from the left and the top: 72 points.
    for (const std::string& pdf : {savedPdf(), low})
        EXPECT_NEAR(firstWordLeft(pdf).first, 72.0, 2.0) << pdf;
}

// A document of many A4 pages at 1200 dots to the inch that notes each page it is asked to draw.
struct CountedPages {
    std::vector<int> drawn;
    ui::PageView::Source source(int count)
    {
        ui::PageView::Source s;
        s.count = count;
        s.dpi = 1200;
        s.size = [](int) { return QSize(9921, 14031); };
        s.draw = [this](int page, QPainter& painter) {
            drawn.push_back(page);
            painter.drawLine(0, 0, 9921, 14031);
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
    ASSERT_FALSE(pages.drawn.empty());
    EXPECT_EQ(pages.drawn, std::vector<int>{0}) << "fitting the width, the first page fills the view";

    struct Step {
        int key;
        Qt::KeyboardModifiers modifiers;
        int page;  // shown at the top afterwards, and drawn if it was not kept
    };
    const Step steps[] = {
        {Qt::Key_PageDown, Qt::NoModifier, 1},    {Qt::Key_PageDown, Qt::NoModifier, 2},
        {Qt::Key_PageUp, Qt::NoModifier, 1},      {Qt::Key_End, Qt::ControlModifier, 399},
        {Qt::Key_PageUp, Qt::NoModifier, 398},    {Qt::Key_Home, Qt::NoModifier, 0},
        {Qt::Key_End, Qt::NoModifier, 399},       {Qt::Key_Home, Qt::ControlModifier, 0},
    };
    for (const Step& step : steps) {
        QTest::keyClick(&view, Qt::Key(step.key), step.modifiers);
        view.viewport()->repaint();
        EXPECT_EQ(view.currentPage(), step.page) << step.key;
        EXPECT_NE(std::find(pages.drawn.begin(), pages.drawn.end(), step.page), pages.drawn.end()) << step.key;
        EXPECT_LE(view.cachedCount(), ui::PageView::kSpare + 2) << step.key;
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

TEST(PageView, ShowsThePaperInItsProportionsAtEachZoom)
{
    CountedPages pages;
    ui::PageView view(pages.source(5));
    view.resize(800, 600);
    testsupport::showActive(view);
    const QSize area = view.viewport()->size();
    const auto proportion = [](const QImage& image) {
        return double(image.width()) / image.height();
    };
    const double a4 = 9921.0 / 14031.0;

    QImage page;
    view.showPage(2);
    struct Zoom {
        const char* name;
        void (ui::PageView::*act)();
        double against;  // the width afterwards against the width before; 0: the whole page in view
    };
    const Zoom zooms[] = {
        {"in", &ui::PageView::zoomIn, 1.25},
        {"out", &ui::PageView::zoomOut, 0.8},
        {"whole page", &ui::PageView::fitPage, 0},
        {"width", &ui::PageView::fitWidth, 0},
    };
    for (const Zoom& zoom : zooms) {
        const int before = view.pageImage(2).width();
        const int draws = int(pages.drawn.size());
        (view.*zoom.act)();
        page = view.pageImage(2);
        EXPECT_EQ(view.currentPage(), 2) << zoom.name;
        EXPECT_GT(int(pages.drawn.size()), draws) << zoom.name << ": drawn again at the new size";
        EXPECT_NEAR(proportion(page), a4, 0.01) << zoom.name;
        if (zoom.against > 0) {
            EXPECT_NEAR(double(page.width()) / before, zoom.against, 0.01) << zoom.name;
        }
        if (zoom.act == &ui::PageView::fitPage) {
            EXPECT_LE(page.height(), area.height()) << zoom.name;
            EXPECT_GT(page.height(), area.height() * 9 / 10) << zoom.name;
        }
    }
    EXPECT_NEAR(page.width(), area.width() - 23, 2) << "back to the width";
}

// Continuous paper ten metres long, or a document longer than any report: zoomed in as far as it
// goes, a drawn page stays within a bounded size and the scrolled length within the scroll bar's.
TEST(PageView, StaysWithinBoundsForHugePapersAndLengths)
{
    struct Case {
        const char* name;
        int count;
        QSize dots;
    };
    const Case cases[] = {
        {"ten metres of paper", 1, QSize(9921, 472440)},
        {"600,000 pages", 600'000, QSize(9921, 14031)},
    };
    for (const Case& c : cases) {
        ui::PageView::Source source;
        source.count = c.count;
        source.dpi = 1200;
        source.size = [&c](int) { return c.dots; };
        source.draw = [](int, QPainter&) {};
        ui::PageView view(source);
        view.resize(800, 600);
        testsupport::showActive(view);
        for (int i = 0; i < 10; ++i)
            view.zoomIn();
        QTest::keyClick(&view, Qt::Key_End);
        EXPECT_EQ(view.currentPage(), c.count - 1) << c.name;
        const QImage last = view.pageImage(c.count - 1);
        EXPECT_LE(double(last.width()) * last.height(), 16.2e6) << c.name;
        EXPECT_GT(view.verticalScrollBar()->maximum(), 0) << c.name;
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

// The job's own preview of a long report: opening it draws the first page, PgDn the next, Ctrl+End
// the last, and the bar says where the person is; printing from it still writes every page, the
// one shown as the one printed.
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
    struct Seen {
        std::string label;
        int draws;
    };
    std::vector<Seen> seen;
    double shownLeft = 0;
    testsupport::whenModal([&](QWidget* modal) {
        auto* preview = static_cast<ui::PrintPreview*>(modal);
        (void)QTest::qWaitForWindowExposed(preview);
        ui::PageView* view = preview->pages();
        const auto note = [&] {
            view->viewport()->repaint();
            seen.push_back({preview->position()->text().toStdString(), view->drawCount()});
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
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].label, "หน้า 1 จาก 400");
    EXPECT_EQ(seen[1].label, "หน้า 2 จาก 400");
    EXPECT_EQ(seen[2].label, "หน้า 400 จาก 400");
    EXPECT_GE(seen[0].draws, 1);
    EXPECT_LE(seen[0].draws, 2);
    EXPECT_LE(seen[2].draws, 5);

    ASSERT_EQ(prompts.shown.size(), 1u);
    const std::string text = testsupport::pdfText("-raw", savedPdf());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), kPages);
    EXPECT_NE(text.find("PAGE-400"), std::string::npos);
    // Page 2 as printed: its text two inches from the left, where the preview showed it.
    const auto [left, width] = firstWordLeft(savedPdf(), 2);
    const double printedLeft = left / width;
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
