// Reports on Qt: the demo reports' PDFs against the reference texts in tests/reports/reference/
// (MERVO_UPDATE_REFERENCE=1 writes them anew), `mervo-admin report` with its ranges and refusals,
// the report list's dialog and the range dialog with its printer set-up.
#include <gtest/gtest.h>

#include <QPushButton>
#include <filesystem>
#include <sstream>

#include "core/xbase.h"
#include "reports/dialogs/report_dialogs.h"
#include "reports/reports_fixture.h"
#include "reports/tables.h"
#include "support/pdf_text.h"
#include "support/qt_typing.h"
#include "support/recording_destination.h"
#include "support/run_process.h"
#include "support/scripted_printers.h"
#include "ui/entry_field.h"
#include "ui/qt_print_job.h"

namespace {

using reports::ReportOutcome;
using reportstest::ReportSite;
using reportstest::ScriptedPickList;
using testsupport::ScriptedPrinters;
using reportstest::T;
using testsupport::runProcess;

const std::string kAdmin = MERVO_BINARY_DIR "/app/mervo-admin";
const std::string kReference = MERVO_SOURCE_DIR "/tests/reports/reference/";

// The PDF's text without trailing blanks; optionally without the line of the printing time.
std::string layoutText(const std::string& pdf, bool withoutPrintingTime = false)
{
    std::istringstream in(testsupport::pdfText("-layout", pdf));
    std::string out, line;
    while (std::getline(in, line)) {
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        if (withoutPrintingTime && line.find("พิมพ์เมื่อ") != std::string::npos)
            continue;
        out += line + "\n";
    }
    return out;
}

std::string renderPdf(ReportSite& site, const std::string& code, const std::string& pdf)
{
    ui::QtPrintJob job({.output = ui::QtPrintJob::Output::PdfFile, .pdfPath = pdf});
    EXPECT_TRUE(job.begin("MERVO Report"));
    EXPECT_EQ(site.runOnto(code, ReportSite::days(1, 5), job), ReportOutcome::Printed) << code;
    return pdf;
}

class ReportPdfTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_site = new ReportSite; }
    static void TearDownTestSuite()
    {
        delete s_site;
        s_site = nullptr;
    }
    static ReportSite* s_site;
    testsupport::TempDir dir;
};

ReportSite* ReportPdfTest::s_site = nullptr;

TEST_F(ReportPdfTest, DemoReportsMatchTheirReferenceText)
{
    const bool update = qEnvironmentVariableIntValue("MERVO_UPDATE_REFERENCE") == 1;
    for (const char* code : {"TRK01", "TRK03", "TRK05", "MON01", "MON03", "STK01", "STA01", "STA02", "STA04", "COD03",
                             "ACC01", "ACC02", "ACC03", "GLR01"}) {
        SCOPED_TRACE(code);
        // The movement analyses roll the ledgers back: each starts from the site as loaded.
        const std::string text = layoutText(renderPdf(*s_site, code, dir.file(std::string(code) + ".pdf")));
        const std::string file = kReference + code + ".txt";
        if (update)
            testsupport::writeFile(file, text);
        EXPECT_EQ(text, testsupport::readFile(file));
    }
}

TEST_F(ReportPdfTest, TheCommandLineGivesTheSamePages)
{
    const std::string pdf = dir.file("cli.pdf");
    auto r = runProcess(kAdmin, {"report", s_site->configFile(), "trk01", "--pdf", pdf, "--from", "01/12/2026", "--to",
                                 "05/12/2026"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "TRK01 printed to " + pdf + " (1 page)\n");
    EXPECT_EQ(layoutText(pdf, true), layoutText(renderPdf(*s_site, "TRK01", dir.file("in.pdf")), true));

    // Ranges by name; an empty side keeps the dialog's default.
    r = runProcess(kAdmin, {"report", s_site->configFile(), "TRK01", "--pdf", pdf, "--range", "date=01/12/2026:05/12/2026",
                            "--range", "party=F002:F002", "--range", "warehouse=:W02", "--user", "oper1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string text = layoutText(pdf);
    EXPECT_NE(text.find("000003"), std::string::npos) << text;
    EXPECT_EQ(text.find("000002"), std::string::npos) << text;
    EXPECT_TRUE(std::filesystem::exists(s_site->dir() + "/WORK/R_OPER1.DBF"));

    // The arguments after the site, the exit code, what stdout and stderr hold ("" for anything).
    const std::tuple<std::vector<std::string>, int, const char*, const char*> cases[] = {
        {{"TRK01", "--pdf", pdf, "--from", "06/12/2026", "--to", "06/12/2026"}, 1,
         "message ส่วนจัดทำรายงาน: ไม่มีข้อมูลตามเงื่อนไขที่ระบุ", ""},
        {{"TRK09", "--pdf", pdf}, 1, "", "no report TRK09 in the report list"},
        {{"TRK01", "--pdf", pdf, "--range", "hirer=C001:C002"}, 2, "",
         "TRK01 has no range hirer (its ranges: party, product, warehouse, number, date)"},
        {{"TRK01", "--pdf", pdf, "--range", "number=12a:"}, 2, "", "a document number has up to six digits"},
        {{"TRK01", "--pdf", pdf, "--from", "31/02/2026"}, 2, "", "a date is DD/MM/YYYY"},
        {{"TRK01", "--pdf", pdf, "--range", "party"}, 2, "", "not NAME=FROM:TO"},
    };
    for (const auto& [tail, exitCode, out, err] : cases) {
        std::vector<std::string> args = {"report", s_site->configFile()};
        args.insert(args.end(), tail.begin(), tail.end());
        r = runProcess(kAdmin, args);
        SCOPED_TRACE(tail[0] + " " + (tail.size() > 3 ? tail[3] : ""));
        EXPECT_EQ(r.exitCode, exitCode) << r.err;
        EXPECT_NE(r.out.find(out), std::string::npos) << r.out;
        EXPECT_NE(r.err.find(err), std::string::npos) << r.err;
    }
}

// ---- The dialogs

TEST(ReportDialogs, TheReportListSearchesAndChooses)
{
    ReportSite site(false);
    storage::Workspace ws;
    ASSERT_TRUE(reports::openTable(ws, "Replist", "RepList"));
    reports::ReportPicker picker(ws);
    reports::ReportPickerDialog dialog(picker);
    testsupport::expectFitsSmallScreen(dialog);
    testsupport::showActive(dialog);
    testsupport::typeUtf8(dialog.searchBox(), "สรุปยอด");
    dialog.button(reports::ReportPickerDialog::Search)->click();
    dialog.button(reports::ReportPickerDialog::Ok)->click();
    EXPECT_TRUE(picker.chosen());
    EXPECT_EQ(picker.code(), "GLR01");
    EXPECT_EQ(picker.name(), T("รายงานสรุปยอดคงเหลือและยอดรวม"));
}

TEST(ReportDialogs, TheRangeDialogAsksTheFormsRangesAndRunsTheReport)
{
    ReportSite site;
    ScriptedPickList picks;  // a whole code is taken as it is; the beginning of one becomes the code ending in 2
    picks.answer = [](const std::string& code) { return code.size() < 4 ? code + "2" : code; };
    reportstest::OpenReport r("TRK01");
    ASSERT_TRUE(r.ok);
    reports::ReportSession& session = r.session;
    testsupport::RecordingDestination usual;
    testsupport::RecordingPrintJob printed;
    ScriptedPrinters printers({"Report", "Office"});
    std::vector<std::string> chosenJobs;
    reports::ReportDestination destination(usual, printers, [&](const std::string& printer, bool) {
        chosenJobs.push_back(printer);
        return std::make_unique<testsupport::ForwardingJob>(printed);
    });
    reports::RangeDialog dialog(session, destination);
    testsupport::expectFitsSmallScreen(dialog);

    // A code entry is validated by its table's pick-list when it is left.
    dialog.show();
    testsupport::showActive(dialog);
    session.values().setText("CWHOBEG", "");
    dialog.form().field("CWHOBEG")->setFocus();
    testsupport::typeUtf8(dialog.form().field("CWHOBEG"), "W0");
    testsupport::tabAway(dialog.form().field("CWHOBEG"));
    // The first entry, which had the focus, was left too: each through its own table.
    EXPECT_EQ(picks.calls, (std::vector<std::pair<int, std::string>>{{1, "F001"}, {5, "W0"}}));
    EXPECT_EQ(core::xbase::rtrim(session.values().text("CWHOBEG")), "W02");

    // The printer set-up's choice is the printer the report goes to, the "Report" rule not asked.
    printers.answer = "Office";
    dialog.button(reports::RangeDialog::Printing)->click();
    EXPECT_EQ(dialog.result(), 0) << "the dialog stays open";

    session.values().set("CDAYBEG", ReportSite::day(1));
    dialog.button(reports::RangeDialog::Ok)->click();
    ASSERT_EQ(dialog.outcome(), ReportOutcome::Printed);
    EXPECT_EQ(chosenJobs, (std::vector<std::string>{"Office"}));
    EXPECT_TRUE(usual.jobs.empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(reportstest::drew(printed, "000006"));
    EXPECT_FALSE(reportstest::drew(printed, "000002"));
}

}  // namespace
