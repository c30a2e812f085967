// The program's print preview, offscreen: a job with no printer for its kind opens the preview with
// the PDF chosen (this machine has no print server), and printing from it writes the pages into
// the site's PDF folder and tells the person where.
#include "ui/print_preview.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "core/tis620.h"
#include "support/pdf_text.h"
#include "support/qt_typing.h"
#include "support/seams.h"
#include "support/temp_dir.h"
#include "ui/qt_print_job.h"

namespace {

using core::tis620::T;

// Runs the test in a site folder of its own.
class InSite {
public:
    explicit InSite(const std::string& dir) : m_old(std::filesystem::current_path()) { std::filesystem::current_path(dir); }
    ~InSite() { std::filesystem::current_path(m_old); }

private:
    std::filesystem::path m_old;
};

void printTicket(ui::QtPrinters& printers)
{
    const auto job = ui::openPrintJob(printers, "Ticket", false, T("  ส่วนการพิมพ์เอกสาร"));
    ASSERT_NE(job, nullptr);
    ASSERT_TRUE(job->begin(T("  ส่วนการพิมพ์เอกสาร")));
    job->beginPage();
    job->text(100, 100, T("ใบชั่งน้ำหนัก 000123"), core::PrintFont{}, core::PrintAlign::Left);
    job->endPage();
    EXPECT_TRUE(job->end());
}

TEST(PrintPreview, SavesThePdfIntoTheSiteFolderAndSaysWhere)
{
    testsupport::TempDir dir;
    InSite site(dir.path());
    testsupport::FakeClock clock(core::Date::fromYmd(2026, 12, 6), 13 * 360000 + 45 * 6000);
    testsupport::RecordingPrompts prompts;
    testsupport::RecordingSound sound;
    ui::QtPrinters printers;
    ASSERT_TRUE(printers.installed().empty()) << "this test expects a machine without printers";
    bool pdfOffered = false;
    QString shownTitle;
    testsupport::whenModal([&](QWidget* modal) {
        auto* preview = qobject_cast<ui::PrintPreview*>(modal);
        ASSERT_NE(preview, nullptr);
        shownTitle = preview->windowTitle();
        pdfOffered = preview->destinations()->currentData().toString().isEmpty();
        preview->printButton()->click();
    });
    printTicket(printers);
    EXPECT_TRUE(pdfOffered);
    EXPECT_EQ(shownTitle.trimmed(), QStringLiteral("ส่วนการพิมพ์เอกสาร"));
    EXPECT_EQ(sound.tones, std::vector<int>{900});  // no printer named like the kind: the beep
    const std::string pdf = std::filesystem::absolute(dir.file("PDF/Ticket-20261206-134500.pdf")).string();
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_NE(testsupport::pdfText("-raw", pdf).find("000123"), std::string::npos);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, T("บันทึกเอกสารเป็นไฟล์ PDF ไว้ที่ ") + pdf);

    // The same minute again: a second file beside the first.
    prompts.shown.clear();
    testsupport::whenModal([&](QWidget* modal) { static_cast<ui::PrintPreview*>(modal)->send(); });
    printTicket(printers);
    EXPECT_TRUE(std::filesystem::exists(dir.file("PDF/Ticket-20261206-134500-2.pdf")));
}

TEST(PrintPreview, ClosingThePreviewWritesNothing)
{
    testsupport::TempDir dir;
    InSite site(dir.path());
    testsupport::RecordingPrompts prompts;
    testsupport::RecordingSound sound;
    ui::QtPrinters printers;
    testsupport::whenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    printTicket(printers);
    EXPECT_FALSE(std::filesystem::exists(dir.file("PDF")) && !std::filesystem::is_empty(dir.file("PDF")));
    EXPECT_TRUE(prompts.shown.empty());
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
