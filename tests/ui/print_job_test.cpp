#include "ui/qt_print_job.h"

#include <QColor>
#include <QImage>
#include <filesystem>
#include <map>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "core/tis620.h"
#include "support/pdf_text.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

using core::tis620::T;

namespace {

// pdftotext's text of a Qt-made PDF, made comparable with what was printed (support/pdf_text.h).
QString normalisedPdfText(const std::string& args, const std::string& pdf)
{
    return QString::fromUtf8(testsupport::pdfText(args, pdf).c_str()).normalized(QString::NormalizationForm_C);
}

struct Box {
    double xMin, xMax;
};

// Word boxes of pdftotext -bbox, in points, by word.
std::map<QString, Box> wordBoxes(const std::string& pdf)
{
    const auto out = testsupport::runProcess("/usr/bin/pdftotext", {"-bbox", pdf, "-"});
    std::map<QString, Box> boxes;
    static const QRegularExpression re(QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="[\d.]+" xMax="([\d.]+)"[^>]*>([^<]*)</word>)re"));
    auto it = re.globalMatch(QString::fromUtf8(out.out.c_str()));
    while (it.hasNext()) {
        const auto m = it.next();
        boxes[m.captured(3)] = {m.captured(1).toDouble(), m.captured(2).toDouble()};
    }
    return boxes;
}

TEST(QtPrintJob, WritesThaiTextLinesPicturesAndPagesToPdf)
{
    testsupport::TempDir dir;
    const std::string pdf = dir.file("ticket.pdf");
    QImage logo(40, 20, QImage::Format_RGB32);
    logo.fill(Qt::blue);
    ASSERT_TRUE(logo.save(QString::fromStdString(dir.file("logo.png"))));

    ui::QtPrintJob job({ui::QtPrintJob::Output::PdfFile, "", pdf, ""});
    ASSERT_TRUE(job.begin(T("  ส่วนการพิมพ์เอกสาร")));
    EXPECT_EQ(job.dpiX(), 1200);
    EXPECT_EQ(job.dotsX(150), 1800);
    EXPECT_EQ(job.dotsY(33), 396);
    const core::PrintFont font{"EucrosiaUPC", 0, 80};
    job.beginPage();
    job.text(job.dotsX(100), job.dotsY(100), T("น้ำหนักสุทธิ 12,340 กก."), font, core::PrintAlign::Left);
    job.text(job.dotsX(400), job.dotsY(200), "RIGHT", font, core::PrintAlign::Right);
    job.text(job.dotsX(400), job.dotsY(300), "CENTRE", font, core::PrintAlign::Centre);
    job.text(job.dotsX(100), job.dotsY(400), "LEFT", font, core::PrintAlign::Left);
    job.line(job.dotsX(100), job.dotsY(500), job.dotsX(700), job.dotsY(500), 3);
    EXPECT_TRUE(job.picture(job.dotsX(100), job.dotsY(600), job.dotsX(100), job.dotsY(50), dir.file("logo.png")));
    EXPECT_FALSE(job.picture(0, 0, 10, 10, dir.file("missing.bmp")));
    job.endPage();
    job.setPaperSize(800, 1500);
    job.beginPage();
    EXPECT_NEAR(job.pageWidth(), 3779, 5) << "80 mm at 1200 dpi (Qt keeps page sizes in whole points)";
    job.text(job.dotsX(50), job.dotsY(50), T("หน้าที่ 2 ถ้วน"), font, core::PrintAlign::Left);
    ASSERT_TRUE(job.end());
    EXPECT_EQ(job.pageCount(), 2);

    EXPECT_TRUE(normalisedPdfText("-raw", pdf).contains(QString::fromUtf8("หน้าที่ 2 ถ้วน")));
    const auto info = testsupport::runProcess("/usr/bin/pdfinfo", {"-f", "1", "-l", "2", pdf});
    EXPECT_NE(info.out.find("Page    2 size:  227 x 425 pts"), std::string::npos) << info.out;

    auto boxes = wordBoxes(pdf);
    ASSERT_TRUE(boxes.count(QStringLiteral("RIGHT")) && boxes.count(QStringLiteral("CENTRE")) && boxes.count(QStringLiteral("LEFT")));
    EXPECT_NEAR(boxes[QStringLiteral("RIGHT")].xMax, 288, 2) << "right-aligned text ends at 4 inches";
    const Box c = boxes[QStringLiteral("CENTRE")];
    EXPECT_NEAR((c.xMin + c.xMax) / 2, 288, 2) << "centred text is centred on 4 inches";
    EXPECT_NEAR(boxes[QStringLiteral("LEFT")].xMin, 72, 2) << "left-aligned text starts at 1 inch";
}

// The PDF's text reads back as typed, with no mapping on the reader's side: lowered and shifted
// marks, SARA AM after a tone mark, in every face the settings map to.
TEST(QtPrintJob, ThaiTextReadsBackFromThePdfExactlyAsPrinted)
{
    testsupport::TempDir dir;
    const char* lines[] = {"น้ำหนักสุทธิ 12,340 กก.", "ตัวอย่างการค้า ผู้ขาย", "ปี่ ป่า ญี่ปุ่น ฐาน ฎีกา", "กำไร ค่ำ ป้ำ ทำ",
                           "ปั้น ฟื้น ปู่ ฤๅษี"};
    for (const char* face : {"EucrosiaUPC", "LilyUPC", "MS Sans Serif", "Tahoma"}) {
        const std::string pdf = dir.file(std::string(face) + ".pdf");
        ui::QtPrintJob job({ui::QtPrintJob::Output::PdfFile, "", pdf, ""});
        ASSERT_TRUE(job.begin("MERVO"));
        job.beginPage();
        for (int i = 0; i < int(std::size(lines)); ++i)
            job.text(job.dotsX(100), job.dotsY(100 + 50 * i), T(lines[i]), {face, 0, 80}, core::PrintAlign::Left);
        ASSERT_TRUE(job.end());
        const std::string text = testsupport::runProcess("/usr/bin/pdftotext", {"-raw", pdf, "-"}).out;
        for (const char* line : lines)
            EXPECT_NE(text.find(line), std::string::npos) << face << ": " << line << " in\n" << text;
    }
}

TEST(QtPrintJob, MeasuresTextAsItDrawsItAndPrintsNothingWithoutPagesOrPrinter)
{
    testsupport::TempDir dir;
    ui::QtPrintJob job({ui::QtPrintJob::Output::PdfFile, "", dir.file("empty.pdf"), ""});
    ASSERT_TRUE(job.begin("MERVO Report"));
    const core::PrintFont font{"EucrosiaUPC", 0, -32};
    const int one = job.textWidth("0", font);
    EXPECT_GT(one, 0);
    EXPECT_NEAR(job.textWidth("0000000000", font), 10 * one, 10);
    EXPECT_TRUE(job.end());
    EXPECT_FALSE(std::filesystem::exists(dir.file("empty.pdf")));

    ui::QtPrintJob unknown({ui::QtPrintJob::Output::Printer, "No Such Printer 123", "", ""});
    EXPECT_FALSE(unknown.begin("x"));
    unknown.beginPage();
    unknown.text(0, 0, "x", font, core::PrintAlign::Left);
    EXPECT_FALSE(unknown.end());
}

// A job for a file writes each page as it ends (a report of any length holds one page), and a job
// given up before its end (a report stopped) leaves no file that looks like the whole document.
TEST(QtPrintJob, APdfIsWrittenPageByPageAndAJobGivenUpLeavesNoFile)
{
    testsupport::TempDir dir;
    const std::string pdf = dir.file("long.pdf");
    const core::PrintFont font{"EucrosiaUPC", 0, 80};
    const auto page = [&](ui::QtPrintJob& job, int n) {
        job.beginPage();
        for (int line = 0; line < 40; ++line)
            job.text(job.dotsX(100), job.dotsY(100 + 20 * line), T("หน้า ") + std::to_string(n) + " " + std::to_string(line),
                     font, core::PrintAlign::Left);
        job.endPage();
    };
    const auto size = [&] { return std::filesystem::exists(pdf) ? std::filesystem::file_size(pdf) : 0; };
    {
        ui::QtPrintJob job({ui::QtPrintJob::Output::PdfFile, "", pdf, ""});
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
    const QString text = normalisedPdfText("-raw", pdf);
    EXPECT_TRUE(text.contains(QString::fromUtf8("หน้า 30 39"))) << text.toStdString();
    {
        ui::QtPrintJob job({ui::QtPrintJob::Output::PdfFile, "", dir.file("stopped.pdf"), ""});
        ASSERT_TRUE(job.begin("MERVO Report"));
        page(job, 1);
        page(job, 2);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("stopped.pdf")));
}

TEST(QtPrintJob, AFormLiesUnderThePageDrawnBeforeItAndAPdfStartsOnA4WithoutMargins)
{
    testsupport::TempDir dir;
    const std::string pdf = dir.file("form.pdf");
    QImage form(20, 20, QImage::Format_RGB32);
    form.fill(Qt::blue);
    ASSERT_TRUE(form.save(QString::fromStdString(dir.file("form.png"))));

    ui::QtPrintJob job({ui::QtPrintJob::Output::PdfFile, "", pdf, ""});
    ASSERT_TRUE(job.begin("form"));
    EXPECT_EQ(job.printableLeft(), 0);
    EXPECT_EQ(job.printableTop(), 0);
    EXPECT_NEAR(job.pageWidth(), 9921, 10) << "A4: 210 mm at 1200 dpi";
    job.beginPage();
    job.line(job.dotsX(100), job.dotsY(100), job.dotsX(700), job.dotsY(100), 90);  // half an inch thick
    EXPECT_TRUE(job.formPicture(dir.file("form.png")));
    EXPECT_FALSE(job.formPicture(dir.file("missing.png")));
    ASSERT_TRUE(job.end());

    // At 10 dpi the line is the row 10 pixels down, the form everywhere else.
    const auto r = testsupport::runProcess("/usr/bin/pdftoppm", {"-r", "10", "-png", "-singlefile", pdf, dir.file("page")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QImage page(QString::fromStdString(dir.file("page.png")));
    ASSERT_FALSE(page.isNull());
    EXPECT_LT(QColor(page.pixel(40, 10)).value(), 80) << "the line drawn before the form shows on it";
    EXPECT_GT(QColor(page.pixel(40, 50)).blue(), 200);
    EXPECT_LT(QColor(page.pixel(40, 50)).red(), 80);

    // A printer starts on its own paper, a PDF on A4.
    QPrinter letter(QPrinter::HighResolution);
    letter.setPageSize(QPageSize(QPageSize::Letter));
    EXPECT_EQ(ui::QtPrintJob::startingPaper(letter, ui::QtPrintJob::Output::Printer).id(), QPageSize::Letter);
    EXPECT_EQ(ui::QtPrintJob::startingPaper(letter, ui::QtPrintJob::Output::Preview).id(), QPageSize::Letter);
    EXPECT_EQ(ui::QtPrintJob::startingPaper(letter, ui::QtPrintJob::Output::PdfFile).id(), QPageSize::A4);
}

}  // namespace
