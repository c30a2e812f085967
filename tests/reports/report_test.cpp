// Report selection on a site: REPORT through scripted screens, the refusals of definitions and date
// ranges, the range forms' pick-lists and DATACHECK, a detail table held elsewhere, two users
// ordering at once, the printer chosen at set-up, and every demo report on the demo week. Then the
// analysis work tables: opening values past a ticket deleted after settlement, an open ticket, a pair
// without a stock record, a day without tickets, two workstations at once, a failed ledger write.
// The roll-back of each kind of document is checked by the seeded soak (LedgerSoak).
#include <gtest/gtest.h>

#include <filesystem>

#include "core/settings.h"
#include "core/xbase.h"
#include "reports/analysis.h"
#include "reports/forms.h"
#include "reports/reports_fixture.h"
#include "reports/tables.h"
#include "site/demo_reports.h"
#include "storage/fault_fs.h"
#include "storage/fork_child.h"
#include "storage/held_table.h"
#include "storage/ops.h"
#include "storage/table.h"
#include "support/recording_destination.h"
#include "support/scripted_printers.h"

namespace {

using reports::ReportOutcome;
using reportstest::OpenReport;
using reportstest::ReportSite;
using Ranges = std::map<std::string, core::Value>;
using Texts = std::vector<std::string>;

// Screens that choose a report by searching its name and run it with the defaults changed.
class ScriptedScreens final : public reports::ReportScreens {
public:
    explicit ScriptedScreens(core::PrintDestination& d) : m_previous(reports::setReportScreens(this)), m_destination(d) {}
    ~ScriptedScreens() override { reports::setReportScreens(m_previous); }
    bool chooseReport(reports::ReportPicker& picker) override
    {
        picker.search(search);
        return picker.choose();
    }
    void askRanges(reports::ReportSession& session) override
    {
        asked.push_back(session.ranges().size());
        for (const auto& [name, value] : ranges)
            session.values().set(name, value);
        outcome = session.REPCREA(m_destination);
    }
    std::string search;
    Ranges ranges;
    std::vector<std::size_t> asked;  // the number of ranges of each report asked
    std::optional<ReportOutcome> outcome;

private:
    reports::ReportScreens* m_previous;
    core::PrintDestination& m_destination;
};

// The printer rule and the preview: ThePrinterChosenAtSetUpTakesTheReportsOfTheDialog.
TEST(ReportSelection, TheListSearchesAndItsReportRunsAndClosesWhatItOpened)
{
    ReportSite site;
    testsupport::RecordingDestination destination;
    ScriptedScreens screens(destination);
    screens.search = "TRK01";
    screens.ranges = ReportSite::days(1, 5);
    reports::REPORT();
    ASSERT_EQ(screens.outcome, ReportOutcome::Printed);
    EXPECT_EQ(screens.asked, std::vector<std::size_t>{5});
    // The detail table can be had exclusively again.
    storage::Workspace ws;
    EXPECT_TRUE(storage::NET_USE(ws, site.data() + "WDATA1", true, 1, "x"));
    (void)ws.closeAll();
    EXPECT_TRUE(site.said().empty());
}

TEST(ReportSelection, DefinitionsAndDateRangesThatCannotRunAreRefusedWithTheirMessages)
{
    ReportSite site(false);
    const std::string folder = site.tables();
    testsupport::writeFile(folder + "COD02.txt", "I,FILES,COMPANY\r\nI,FORMS,1\r\nI,INDEX,CODE\r\nI,BLOCK,\"1\"\r\n"
                                                 "D,LF,SAYR1,00100,CODE\r\n");
    testsupport::writeFile(folder + "COD04.txt", "I,FILES,EMPLOYEE\r\nI,FORMS,9\r\nI,INDEX,CODE\r\nI,GROUP,\"1\"\r\n"
                                                 "I,BLOCK,\"1\"\r\n");
    testsupport::writeFile(folder + "COD05.txt", "I,FILES,WHOUSE\r\nI,FORMS,6\r\nI,INDEX,CODE\r\nI,GROUP,\"1\"\r\n"
                                                 "I,BLOCK,\"1\"\r\n");
    std::filesystem::remove(folder + "COD06.txt");
    // A report and what it says ("TITLE|TEXT").
    const std::pair<const char*, Texts> cases[] = {
        {"COD02", {"ส่วนจัดทำรายงาน|รูปแบบรายงานระบุเงื่อนไขไม่ครบ"}},
        {"COD04", {}},
        {"COD05", {"ส่วนจัดทำรายงาน|ไม่พบเงื่อนไขรายงานที่ระบุ"}},
        {"COD06", {"ส่วนจัดทำรายงาน|ไม่พบรูปแบบรายงาน COD06"}},
    };
    testsupport::RecordingDestination destination;
    ScriptedScreens screens(destination);
    for (const auto& [code, shown] : cases) {
        SCOPED_TRACE(code);
        screens.search = code;
        reports::REPORT();
        EXPECT_EQ(site.said(), shown);
    }
    EXPECT_TRUE(screens.asked.empty());
    EXPECT_TRUE(destination.kinds.empty());

    // A date range left empty or typed backwards is refused before anything runs, rather than
    // printing a heading with an empty date and no rows.
    const core::Value none = core::Value::date(core::Date());
    const std::string title = "ส่วนการจัดทำรายงาน|";
    // From, to, the outcome and what is said.
    const std::tuple<core::Value, core::Value, ReportOutcome, Texts> dates[] = {
        {none, ReportSite::day(5), ReportOutcome::NotRun, {title + reports::kDatesMissingUtf8}},
        {ReportSite::day(1), none, ReportOutcome::NotRun, {title + reports::kDatesMissingUtf8}},
        {ReportSite::day(5), ReportSite::day(1), ReportOutcome::NotRun, {title + reports::kDatesReversedUtf8}},
        // One day is a range (of no tickets on this site).
        {ReportSite::day(5), ReportSite::day(5), ReportOutcome::NoData,
         {"ส่วนจัดทำรายงาน|ไม่มีข้อมูลตามเงื่อนไขที่ระบุ"}},
    };
    for (const auto& [from, to, outcome, shown] : dates) {
        SCOPED_TRACE(shown[0]);
        EXPECT_EQ(site.run("TRK01", {{"CDAYBEG", from}, {"CDAYEND", to}}), outcome);
        EXPECT_EQ(site.said(), shown);
    }

    // The definition's work table another workstation of the same user holds.
    storage::Workspace other;
    ASSERT_TRUE(storage::NET_USE(other, reports::workFile("R_"), true, 1, "held"));
    storage::Workspace ws;
    reports::ReportSession session(ws);
    EXPECT_FALSE(session.load("COD01", "x"));
    EXPECT_EQ(site.said(), Texts{"ส่วนการจัดทำรายงาน|แฟ้มรายงานกำลังถูกใช้งาน"});
}

TEST(ReportSelection, ACodeListingOfProductsPicksProductsForBothEndsFromTheFirstAndLastCode)
{
    ReportSite site(false);
    reportstest::ScriptedPickList picks;
    OpenReport r("COD03");
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.session.ranges().size(), 1u);
    const reports::RangeDef& range = r.session.ranges()[0];
    EXPECT_EQ(range.pickTable, 3);
    const auto value = [&](const char* name) { return core::xbase::rtrim(r.session.values().text(name)); };
    EXPECT_EQ(value("CCODBEG"), "P001");
    EXPECT_EQ(value("CCODEND"), "P005");
    r.session.values().setText("CCODEND", "P00");
    EXPECT_FALSE(r.session.pickRange(range, "CCODEND"));
    EXPECT_EQ(value("CCODEND"), "P00");  // refused: the typed text stays
    picks.answer = [](const std::string&) { return "P003"; };
    EXPECT_TRUE(r.session.pickRange(range, "CCODBEG"));
    EXPECT_EQ(r.session.values().text("CCODBEG"), "P003      ");
    EXPECT_EQ(picks.calls, (std::vector<std::pair<int, std::string>>{{3, "P00"}, {3, "P001"}}));
    // The listing takes the range P003 to P004.
    testsupport::RecordingDestination destination;
    r.session.values().setText("CCODEND", "P004");
    ASSERT_EQ(r.session.REPCREA(destination), ReportOutcome::Printed);
    for (const auto& [code, listed] : {std::pair{"P002", false}, {"P003", true}, {"P004", true}, {"P005", false}})
        EXPECT_EQ(reportstest::drew(*destination.jobs.back(), code), listed) << code;
}

TEST(ReportSelection, TicketRangesOfFormSix)
{
    ReportSite site;
    const auto code = ReportSite::code;
    // What is asked, the ranges changed, the tickets of the report's rows.
    const std::tuple<const char*, Ranges, Texts> cases[] = {
        {"the week: completed tickets not marked", {}, {"000002", "000003", "000005", "000006"}},
        {"a product", {{"CPROBEG", code("P001")}, {"CPROEND", code("P001")}}, {"000002", "000005"}},
        {"a warehouse", {{"CWHOBEG", code("W02")}, {"CWHOEND", code("W02")}}, {"000003", "000006"}},
        {"numbers", {{"CDOCBEG", core::Value::text("000003")}, {"CDOCEND", core::Value::text("000005")}},
         {"000003", "000005"}},
        {"one day", ReportSite::days(2, 2), {"000005"}},
    };
    for (const auto& [what, ranges, tickets] : cases) {
        SCOPED_TRACE(what);
        ASSERT_EQ(site.runWeek("TRK01", ranges), ReportOutcome::Printed);
        Texts printed;  // the texts of six digits beginning "0000"
        for (const std::string& t : site.texts())
            if (t.size() == 8 && t.compare(2, 4, "0000") == 0)
                printed.push_back(t.substr(2));
        EXPECT_EQ(printed, tickets);
    }
    EXPECT_EQ(site.runWeek("TRK01", ReportSite::days(6, 9)), ReportOutcome::NoData);
}

// Sites whose codes are prefixes of one another: a one-party range holds that party alone.
TEST(ReportSelection, CodeRangesCompareWholeCodes)
{
    // The value as the field holds it (width 10), the range, whether it is in.
    const std::tuple<const char*, const char*, const char*, bool> cases[] = {
        {"F001      ", "F001", "F001", true}, {"F0011     ", "F001", "F001", false},
        {"100       ", "10", "99", true},     {"F003      ", "", "F004", true},
        {"F005      ", "F004", "", true},     {"          ", "F001", "F002", false},
    };
    for (const auto& [value, from, to, in] : cases)
        EXPECT_EQ(reports::textAtLeast(value, from) && reports::textAtMost(value, to), in)
            << value << " in " << from << ".." << to;
}

TEST(ReportSelection, FormFourLetsTheTenNinesPlaceholderPassEveryPartyAndProductRange)
{
    ReportSite site(false);
    storage::Workspace ws;
    ASSERT_TRUE(reports::openWorkTable(ws, storage::WorkTable::MovementAnalysis, "detail"));
    storage::Table& t = *ws.find("detail");
    const std::string nines = reports::thaiNines(10);
    // FARMER, COMPANY, PRODUCT, the day, whether the range check takes the row.
    const std::tuple<std::string, std::string, std::string, int, bool> rows[] = {
        {"F001", nines, "P001", 2, true},     {nines, "C001", nines, 2, true},    {nines, nines, nines, 3, true},
        {"F009", nines, "P001", 2, false},    {nines, "C009", nines, 2, false},   {nines, nines, "P009", 2, false},
        {nines, nines, nines, 9, false},
    };
    core::ValueMap values;
    for (const auto& [name, value] : ReportSite::days(1, 5))
        values.set(name, value);
    for (const auto& [name, code] : {std::pair{"CCODBEG", "F001"}, {"CCODEND", "F002"}, {"CCOD2BEG", "C001"},
                                     {"CCOD2END", "C001"}, {"CDOCBEG", "P001"}, {"CDOCEND", "P002"}})
        values.set(name, ReportSite::code(code));
    reports::RangeCheck check(ws, 4, "ACC01", values, "", "ACC01");
    EXPECT_EQ(check.dateField(), t.fieldIndex("DATE"));
    for (const auto& [farmer, company, product, day, accepted] : rows) {
        ASSERT_TRUE(reportstest::appendRecord(t, {{"FARMER", core::Value::text(farmer)},
                                                  {"COMPANY", core::Value::text(company)},
                                                  {"PRODUCT", core::Value::text(product)},
                                                  {"DATE", ReportSite::day(day)}}));
        EXPECT_EQ(check() == reports::FilterAnswer::Accept, accepted) << farmer << company << product << day;
    }
}

TEST(ReportSelection, ADetailTableOpenOnAnotherWorkstationStopsTheReport)
{
    ReportSite site;
    storagetest::HeldTable weighing(site.data() + "WDATA1.DBF");
    ASSERT_TRUE(weighing.open());
    storage::Workspace ws;
    reports::ReportSession session(ws);
    ASSERT_TRUE(session.load("TRK01", "x"));
    EXPECT_FALSE(session.openForm());
    EXPECT_EQ(site.said(), Texts{"ส่วนการเปิดแฟ้ม|ไม่สามารถเปิดแฟ้ม Wdata1"});
    EXPECT_EQ(weighing.release(), 0);
    // Once the weighing screen closed the report runs.
    session.finish();
    EXPECT_EQ(site.runWeek("TRK01"), ReportOutcome::Printed);
}

TEST(ReportSelection, TwoUsersOrderTwoTablesAtOnce)
{
    ReportSite site;
    // Orders of the report's own: each user's in a file of the user's.
    for (const char* code : {"TRK01", "TRK03"}) {
        std::string text = testsupport::readFile(site.tables() + code + ".txt");
        const auto at = text.find("I,INDEX,");
        text.replace(at, text.find('\r', at) - at, "I,INDEX,COMPANY+DTOS(DAYIN)+TMIN");
        testsupport::writeFile(site.tables() + code + ".txt", text);
    }
    const std::string work = site.dir() + "/WORK/";
    OpenReport purchases("TRK01");
    ASSERT_TRUE(purchases.ok);
    core::programSettings().setText("CUSER", "OPER1");
    OpenReport sales("TRK03");
    ASSERT_TRUE(sales.ok);
    EXPECT_TRUE(site.said().empty());
    EXPECT_TRUE(std::filesystem::exists(work + "DETAIL_ADMIN.NTX"));
    EXPECT_TRUE(std::filesystem::exists(work + "DETAIL_OPER1.NTX"));
    sales.session.values().set("CDAYBEG", ReportSite::day(1));
    testsupport::RecordingPrintJob job;
    EXPECT_EQ(sales.session.REPCREA(job), ReportOutcome::Printed);
    // A definition ordered as one of the table's own indexes is still ordered in the user's file.
    std::filesystem::remove(work + "DETAIL_ADMIN.NTX");
    purchases.session.finish();
    core::programSettings().setText("CUSER", "ADMIN");
    testsupport::writeFile(site.tables() + "TRK01.txt",
                           "I,FILES,WDATA1\r\nI,FORMS,6\r\nI,INDEX,dtos(dayin) + tmin + ticket\r\nI,GROUP,\"1\"\r\n"
                           "I,BLOCK,\"1\"\r\nD,LF,SAYR1,00100,TICKET\r\n");
    EXPECT_EQ(site.runWeek("TRK01"), ReportOutcome::Printed);
    EXPECT_TRUE(std::filesystem::exists(work + "DETAIL_ADMIN.NTX"));
    EXPECT_EQ(site.texts(), (Texts{"1:000002", "1:000003", "1:000004", "1:000005", "1:000006"}));
}

// The manual's example for report writers, taken from the manual itself.
TEST(ReportSelection, TheDocumentedExampleRunsAsWritten)
{
    ReportSite site;
    const std::string doc = testsupport::readFile(MERVO_SOURCE_DIR "/docs/reports.md");
    const auto example = doc.find("## A commented example");
    ASSERT_NE(example, std::string::npos);
    const auto begin = doc.find("```\n", example) + 4;
    const std::string text = doc.substr(begin, doc.find("```", begin) - begin);
    testsupport::writeFile(site.tables() + "TRK01.txt", core::tis620::fromUtf8(text));
    ASSERT_EQ(site.runWeek("TRK01"), ReportOutcome::Printed);
    EXPECT_TRUE(site.said().empty());
    EXPECT_TRUE(site.faults.faults.empty());
    const auto texts = site.texts();
    for (const char* expected : {"1:บริษัท ตัวอย่างการค้า จำกัด", "1:ตั้งแต่วันที่ 1 ธันวาคม พ.ศ. 2569 ถึงวันที่ 5 ธันวาคม พ.ศ. 2569",
                                 "1:วันที่ 1 ธันวาคม พ.ศ. 2569", "1:000002", "1:162,640.00", "1:รวมทั้งสิ้น 4 ใบ",
                                 "1:337,765.00"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), expected), texts.end()) << expected;
}

TEST(ReportSelection, ThePrinterChosenAtSetUpTakesTheReportsOfTheDialog)
{
    ReportSite site;
    testsupport::RecordingDestination usual;
    testsupport::ScriptedPrinters printers({"Report", "Office"});
    using Made = std::vector<std::pair<std::string, bool>>;  // the jobs made on a chosen printer
    Made made;
    std::vector<std::unique_ptr<testsupport::RecordingPrintJob>> jobs;
    reports::ReportDestination destination(usual, printers, [&](const std::string& printer, bool preview) {
        made.emplace_back(printer, preview);
        jobs.push_back(std::make_unique<testsupport::RecordingPrintJob>());
        return std::make_unique<testsupport::ForwardingJob>(*jobs.back());
    });
    const auto runReport = [&] {
        OpenReport r("TRK01");
        EXPECT_TRUE(r.ok);
        r.session.values().set("CDAYBEG", ReportSite::day(1));
        return r.session.REPCREA(destination);
    };
    // Whether set-up is asked, the printer dialog's answer, what setUp() says, the jobs made on a
    // chosen printer so far and on the usual destination.
    const std::tuple<bool, std::optional<std::string>, bool, Made, std::size_t> steps[] = {
        {false, std::nullopt, false, {}, 1},
        {true, std::nullopt, false, {}, 2},                              // cancelled
        {true, "Office", true, {{"Office", true}}, 2},
        {true, std::nullopt, false, {{"Office", true}, {"Office", true}}, 2},  // cancelled again: Office holds
        {true, "", true, {{"Office", true}, {"Office", true}, {"", true}}, 2},  // a PDF file
    };
    int step = 0;
    for (const auto& [setUp, answer, chosen, madeSoFar, usualJobs] : steps) {
        SCOPED_TRACE(++step);
        if (setUp) {
            printers.answer = answer;
            EXPECT_EQ(destination.setUp("MERVO Report"), chosen);
        }
        ASSERT_EQ(runReport(), ReportOutcome::Printed);
        EXPECT_EQ(std::pair(made, usual.jobs.size()), std::pair(madeSoFar, usualJobs));
    }
    EXPECT_EQ(destination.chosen(), std::string());
    // The chosen job gets the report's pages; straight to the printer when CPRINTER says so.
    EXPECT_EQ(jobs.back()->pageCount(), 1);
    core::programSettings().setText("CPRINTER", "N");
    ASSERT_EQ(runReport(), ReportOutcome::Printed);
    EXPECT_EQ(made.back(), std::make_pair(std::string(), false));
    EXPECT_EQ(usual.kinds, (Texts{"Report", "Report"}));
}

TEST(ReportSelection, EveryDemoReportRunsOnTheDemoWeek)
{
    ReportSite site;
    for (const site::DemoReport& r : site::demoReports()) {
        SCOPED_TRACE(r.code);
        const ReportOutcome outcome = site.runWeek(r.code);
        // The week holds no goods taken back from customers (Wdata4).
        const bool noData = std::string(r.code) == "TRK04";
        EXPECT_EQ(outcome, noData ? ReportOutcome::NoData : ReportOutcome::Printed);
        EXPECT_EQ(site.said(), noData ? Texts{"ส่วนจัดทำรายงาน|ไม่มีข้อมูลตามเงื่อนไขที่ระบุ"} : Texts{});
        EXPECT_GE(site.job().pageCount(), noData ? 0 : 1);
        EXPECT_TRUE(site.faults.faults.empty());
        site.faults.faults.clear();
    }
}

// The work rows "TYPE TICKET", in record order.
Texts workRows(const ReportSite& site)
{
    const std::string path = site.dir() + "/WORK/D_ADMIN.DBF";
    const auto types = site.values(path, "TYPE"), tickets = site.values(path, "TICKET");
    Texts out;
    for (std::size_t i = 0; i < types.size(); ++i)
        out.push_back(types[i] + " " + tickets[i]);
    return out;
}

// A ticket deleted after its settlement (an earlier version allowed it): both roll back.
TEST(MovementAnalysis, ATicketDeletedAfterItsSettlementLeavesTheOpeningBalanceAsItWas)
{
    ReportSite site;
    ASSERT_EQ(site.mark(site.pathOf("Wdata1"), "TICKET", "000002"), 1);
    ASSERT_EQ(site.runWeek("ACC01"), ReportOutcome::Printed);
    EXPECT_DOUBLE_EQ(site.number("ApAcc", "CODE", "F001", "BEGIN"), 0);
}

// Two cases the ledger soak never meets.
TEST(MovementAnalysis, AnOpenTicketWritesNoRowAndAPairWithoutAStockRecordGetsOne)
{
    // The ticket of 2 December, the stock ledger before, its one code after, BEGIN, BALANCE, the rows.
    const std::tuple<const char*, const char*, const char*, double, double, Texts> cases[] = {
        {"000001,1,F001,P001,W01,KG,20261202,700\n", "P001,W01,5000\n", "P001", 5000, 5000, {}},
        {"000001,2,F001,P002,W03,KG,20261202,300\n", "", "P002", -300, 0, {"REC 000001"}},
    };
    for (const auto& [ticket, stock, code, begin, balance, rows] : cases) {
        SCOPED_TRACE(ticket);
        ReportSite site(false);
        site.load("Wdata1", std::string("TICKET,STAT,COMPANY,PRODUCT,WHOUSE,UNIT,DAYIN,QTY\n") + ticket);
        if (*stock)
            site.load("Stock", std::string("CODE,WHOUSE,BALANCE\n") + stock);
        ASSERT_NE(site.run("ACC03", ReportSite::days(1, 5)), ReportOutcome::NotRun);
        EXPECT_EQ(workRows(site), rows);
        EXPECT_EQ(site.values("Stock", "CODE"), Texts{code});
        EXPECT_DOUBLE_EQ(site.number("Stock", "CODE", code, "BEGIN"), begin);
        EXPECT_DOUBLE_EQ(site.number("Stock", "CODE", code, "BALANCE"), balance);
    }
}

// The summary's week is in its reference text (reports_ui_test).
TEST(BalanceSummary, ADayWithoutTicketsMovesNothing)
{
    ReportSite site;
    ASSERT_EQ(site.run("GLR01", ReportSite::days(6, 6)), ReportOutcome::Printed);
    const std::string path = site.dir() + "/WORK/D_ADMIN.DBF";
    for (const char* field : {"CASH", "DRCR", "CHEQUE"}) {
        const auto column = site.values(path, field);
        ASSERT_EQ(column.size(), 12u);
        for (std::size_t i = 3; i < column.size(); ++i)
            EXPECT_DOUBLE_EQ(std::stod(column[i]), 0) << field << " " << i;
    }
}

TEST(MovementAnalysis, ASecondWorkstationWaitsAndIsRefusedWhileTheFirstOneRuns)
{
    ReportSite site;
    // The other workstation rolls the ledgers back to 1 December and holds on (its preview open).
    storagetest::Child other([&](storagetest::Child& parent) {
        core::programSettings().setText("CUSER", "OPER1");
        reports::MovementLock lock;
        if (!lock.take(core::programSettings().text("CDRV2")))
            return 1;
        storage::Workspace ws;
        if (!reports::openTable(ws, "Unit", "Unit") || !reports::openTable(ws, "Farmer", "Farmer") ||
            !reports::openTable(ws, "Company", "Company") || !reports::openTable(ws, "Product", "Product") ||
            !reports::buildMovementAnalysis(ws, core::Date::fromYmd(2026, 12, 1), "FARMER", "ACC01"))
            return 2;
        parent.send('b');
        return parent.receive() == 'q' ? 0 : 3;
    });
    ASSERT_EQ(other.receive(), 'b');
    const auto monotonic = site.clock.monotonic;
    // This one asks for 4 December: it waits its five seconds and is told; nothing is rolled back.
    EXPECT_EQ(site.run("ACC01", ReportSite::days(4, 5)), ReportOutcome::NotRun);
    EXPECT_GE(site.clock.monotonic - monotonic, reports::kMovementLockWaitMs);
    EXPECT_EQ(site.prompts.titledTexts(),
              Texts{std::string("ส่วนการจัดทำรายงาน|") + reports::kMovementBusyUtf8});
    const auto openings = [&] {
        return std::vector<double>{site.number("Stock", "CODE", "P001", "BEGIN"),
                                   site.number("ApAcc", "CODE", "F001", "BBEGIN"),
                                   site.number("ApAcc", "CODE", "F002", "BEGIN")};
    };
    EXPECT_EQ(openings(), (std::vector<double>{4000, 10000, 0}));
    other.send('q');
    ASSERT_EQ(other.wait(), 0);
    // Once the other one is done, this one runs with its own start date.
    site.prompts.shown.clear();
    EXPECT_EQ(site.run("ACC01", ReportSite::days(4, 5)), ReportOutcome::Printed);
    EXPECT_EQ(openings(), (std::vector<double>{14080, 1750, 54390}));
}

TEST(MovementAnalysis, ALedgerWriteIsMadeAgainWhenTheTrapAnswersRetry)
{
    Texts rows, opening;
    int writes = 0;
    {
        ReportSite site;
        storagetest::FaultFileSystem fs;
        ASSERT_EQ(site.runWeek("ACC01"), ReportOutcome::Printed);
        rows = workRows(site);
        opening = site.values("ApAcc", "BEGIN");
        writes = fs.counts["APACC.DBF"].writes;
    }
    ASSERT_GT(writes, 1);
    // A supplier's opening value whose commit fails once, halfway through.
    for (const auto& [answer, printed] : {std::pair{core::FaultAnswer::Retry, true}, {core::FaultAnswer::Quit, false}}) {
        ReportSite site;
        storagetest::FaultFileSystem fs;
        fs.failOnly = "APACC.DBF";
        fs.failWrite = writes / 2;
        testsupport::RecordingFaultHandler faults(answer);
        EXPECT_EQ(site.runWeek("ACC01") == ReportOutcome::Printed, printed);
        ASSERT_EQ(faults.faults.size(), 1u);
        EXPECT_EQ(faults.faults[0].operation, "COMMIT");
        if (printed) {
            EXPECT_EQ(workRows(site), rows);
            EXPECT_EQ(site.values("ApAcc", "BEGIN"), opening);
        }
    }
}

}  // namespace
