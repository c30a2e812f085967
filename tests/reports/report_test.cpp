// Report selection on a site: the report list and its search, REPORT through scripted screens, the
// refusals of the definition (missing, incomplete, its work table busy, a form outside 1..7 or not
// the report's), the range forms' pick-lists and defaults, DATACHECK of forms 4 and 6, a detail
// table another workstation has open, two users ordering two tables at once, the printer chosen
// with the range dialog's set-up, and every demo report on the demo week.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "core/print_destination.h"
#include "core/settings.h"
#include "core/xbase.h"
#include "reports/forms.h"
#include "reports/report.h"
#include "reports/reports_fixture.h"
#include "reports/tables.h"
#include "site/demo_reports.h"
#include "storage/held_table.h"
#include "storage/ops.h"
#include "storage/table.h"
#include "support/recording_destination.h"

namespace {

using reports::ReportOutcome;
using reportstest::ReportSite;
using reportstest::ScriptedPickList;
using reportstest::ScriptedPrinters;
using reportstest::T;

// Screens that choose a report by searching its name and run it with the defaults changed.
class ScriptedScreens final : public reports::ReportScreens {
public:
    explicit ScriptedScreens(core::PrintDestination& d) : m_previous(reports::setReportScreens(this)), m_destination(d) {}
    ~ScriptedScreens() override { reports::setReportScreens(m_previous); }
    bool chooseReport(reports::ReportPicker& picker) override
    {
        ++chooses;
        if (!search.empty())
            picker.search(search);
        return picker.choose();
    }
    void askRanges(reports::ReportSession& session) override
    {
        rangeNames.clear();
        for (const reports::RangeDef& r : session.ranges())
            rangeNames.push_back(core::tis620::toUtf8(T(r.labelUtf8)));
        for (const auto& [name, value] : ranges)
            session.values().set(name, value);
        if (ok)
            outcome = session.REPCREA(m_destination);
    }
    std::string search;
    std::map<std::string, core::Value> ranges;
    bool ok = true;
    int chooses = 0;
    std::vector<std::string> rangeNames;
    std::optional<ReportOutcome> outcome;

private:
    reports::ReportScreens* m_previous;
    core::PrintDestination& m_destination;
};

using mainttest::shownWithTitles;

// The ticket numbers the last run printed (texts of six digits beginning "0000"), in order.
std::vector<std::string> ticketsPrinted(const ReportSite& site)
{
    std::vector<std::string> tickets;
    for (const std::string& t : site.texts())
        if (t.size() == 8 && t.compare(2, 4, "0000") == 0)
            tickets.push_back(t.substr(2));
    return tickets;
}

TEST(ReportSelection, TheListSearchesAndItsReportRunsOntoTheReportPrinterWithPreview)
{
    ReportSite site;
    std::filesystem::create_directories(site.tables() + "sounds");
    testsupport::writeFile(site.tables() + "sounds/TSound04.wav", "RIFF");
    testsupport::RecordingDestination destination;
    ScriptedScreens screens(destination);
    screens.search = "ความเคลื่อนไหวสินค้า";
    screens.ok = false;
    core::programSettings().setText("CSYSSOUND", "Y");
    reports::REPORT();
    EXPECT_EQ(screens.chooses, 1);
    EXPECT_EQ(screens.rangeNames, (std::vector<std::string>{"ผู้ขาย", "ผู้ซื้อ", "สินค้า", "วันที่"}));
    EXPECT_EQ(site.sound.waves, (std::vector<std::string>{"TSound04.wav"}));
    // A text found nowhere: the list stays where it was and says so.
    screens.search = "ไม่มีรายงานนี้";
    reports::REPORT();
    EXPECT_EQ(shownWithTitles(site.prompts).back(), "ส่วนค้นหาข้อมูล|ไม่พบข้อความที่ระบุ");
    // The first report is chosen (ACC01, a movement analysis of suppliers).
    EXPECT_EQ(screens.rangeNames.size(), 4u);

    site.prompts.shown.clear();
    screens.search = "TRK01";
    screens.ok = true;
    screens.ranges = {{"CDAYBEG", ReportSite::day(1)}, {"CDAYEND", ReportSite::day(5)}};
    reports::REPORT();
    ASSERT_EQ(screens.outcome, ReportOutcome::Printed);
    EXPECT_EQ(destination.kinds, (std::vector<std::string>{"Report"}));
    EXPECT_EQ(destination.titles, (std::vector<std::string>{"MERVO Report"}));
    EXPECT_EQ(destination.previews, (std::vector<bool>{true}));
    EXPECT_EQ(screens.rangeNames, (std::vector<std::string>{"บริษัท", "สินค้า", "คลัง", "เลขที่", "วันที่"}));
    // Everything the report opened is closed again: the detail table can be had exclusively.
    {
        storage::Workspace ws;
        EXPECT_TRUE(storage::NET_USE(ws, site.data() + "WDATA1", true, 1, "x"));
    }
    EXPECT_TRUE(site.prompts.shown.empty());
    core::programSettings().setText("CPRINTER", "N");
    reports::REPORT();
    EXPECT_EQ(destination.previews.back(), false);
}

TEST(ReportSelection, DefinitionsThatCannotRunAreRefusedWithTheirMessages)
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
    struct Case {
        const char* code;
        const char* shown;  // "TITLE|TEXT", or "" for nothing said
    };
    const Case cases[] = {
        {"COD02", "ส่วนจัดทำรายงาน|รูปแบบรายงานระบุเงื่อนไขไม่ครบ"},
        {"COD04", ""},
        {"COD05", "ส่วนจัดทำรายงาน|ไม่พบเงื่อนไขรายงานที่ระบุ"},
        {"COD06", "ส่วนจัดทำรายงาน|ไม่พบรูปแบบรายงาน COD06"},
    };
    testsupport::RecordingDestination destination;
    ScriptedScreens screens(destination);
    for (const Case& c : cases) {
        site.prompts.shown.clear();
        screens.search = c.code;
        screens.rangeNames = {"not asked"};
        reports::REPORT();
        EXPECT_EQ(screens.rangeNames, (std::vector<std::string>{"not asked"})) << c.code;
        const auto shown = shownWithTitles(site.prompts);
        if (*c.shown)
            EXPECT_EQ(shown, (std::vector<std::string>{c.shown})) << c.code;
        else
            EXPECT_TRUE(shown.empty()) << c.code;
    }
    EXPECT_TRUE(destination.kinds.empty());
    // The definition's work table another workstation of the same user holds.
    storage::Workspace other;
    ASSERT_TRUE(storage::NET_USE(other, reports::workFile("R_"), true, 1, "held"));
    site.prompts.shown.clear();
    storage::Workspace ws;
    reports::ReportSession session(ws);
    EXPECT_FALSE(session.load("COD01", "x"));
    EXPECT_EQ(shownWithTitles(site.prompts), (std::vector<std::string>{"ส่วนการจัดทำรายงาน|แฟ้มรายงานกำลังถูกใช้งาน"}));
}

// A date range left empty or typed backwards is refused before anything runs, rather than printing
// a heading with an empty date and no rows.
TEST(ReportSelection, AnEmptyOrReversedDateRangeIsRefused)
{
    ReportSite site;
    const struct {
        core::Value from, to;
        const char* shown;
    } cases[] = {
        {core::Value::date(core::Date()), ReportSite::day(5), reports::kDatesMissingUtf8},
        {ReportSite::day(1), core::Value::date(core::Date()), reports::kDatesMissingUtf8},
        {ReportSite::day(5), ReportSite::day(1), reports::kDatesReversedUtf8},
    };
    for (const auto& c : cases) {
        site.prompts.shown.clear();
        EXPECT_EQ(site.run("TRK01", {{"CDAYBEG", c.from}, {"CDAYEND", c.to}}), reports::ReportOutcome::NotRun);
        EXPECT_EQ(shownWithTitles(site.prompts),
                  (std::vector<std::string>{std::string("ส่วนการจัดทำรายงาน|") + c.shown}));
    }
    site.prompts.shown.clear();
    EXPECT_NE(site.run("TRK01", {{"CDAYBEG", ReportSite::day(5)}, {"CDAYEND", ReportSite::day(5)}}),
              reports::ReportOutcome::NotRun)
        << "one day is a range";
}

TEST(ReportSelection, ACodeListingOfProductsPicksProductsForBothEndsFromTheFirstAndLastCode)
{
    ReportSite site(false);
    ScriptedPickList picks;
    storage::Workspace ws;
    reports::ReportSession session(ws);
    ASSERT_TRUE(session.load("COD03", "x"));
    ASSERT_TRUE(session.openForm());
    ASSERT_EQ(session.ranges().size(), 1u);
    const reports::RangeDef& r = session.ranges()[0];
    EXPECT_EQ(r.pickTable, 3);
    EXPECT_EQ(core::xbase::rtrim(session.values().text("CCODBEG")), "P001");
    EXPECT_EQ(core::xbase::rtrim(session.values().text("CCODEND")), "P005");
    session.values().setText("CCODEND", "P00");
    EXPECT_FALSE(session.pickRange(r, "CCODEND"));
    EXPECT_EQ(core::xbase::rtrim(session.values().text("CCODEND")), "P00");  // refused: the typed text stays
    picks.answer = [](const std::string&) { return "P003"; };
    EXPECT_TRUE(session.pickRange(r, "CCODBEG"));
    EXPECT_EQ(session.values().text("CCODBEG"), "P003      ");
    EXPECT_EQ(picks.calls, (std::vector<std::pair<int, std::string>>{{3, "P00"}, {3, "P001"}}));
    // The listing takes the range: P003 to P00 (every code beginning with "P00" up to the bound).
    testsupport::RecordingDestination destination;
    session.values().setText("CCODEND", "P004");
    ASSERT_EQ(session.REPCREA(destination), ReportOutcome::Printed);
    const auto& log = destination.jobs.back()->log;
    const auto has = [&](const std::string& text) {
        return std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.find(" " + text) != std::string::npos; });
    };
    EXPECT_FALSE(has("P002"));
    EXPECT_TRUE(has("P003"));
    EXPECT_TRUE(has("P004"));
    EXPECT_FALSE(has("P005"));
}

TEST(ReportSelection, TicketRangesOfFormSix)
{
    ReportSite site;
    struct Case {
        const char* what;
        std::map<std::string, core::Value> ranges;
        std::vector<std::string> tickets;  // of the report's rows
    };
    const Case cases[] = {
        {"the week: completed tickets not marked", {}, {"000002", "000003", "000005", "000006"}},
        {"one supplier", {{"CCODBEG", ReportSite::code("F002")}, {"CCODEND", ReportSite::code("F002")}}, {"000003"}},
        {"suppliers from one to another", {{"CCODBEG", ReportSite::code("F002")}, {"CCODEND", ReportSite::code("F005")}},
         {"000003", "000005", "000006"}},
        {"a product", {{"CPROBEG", ReportSite::code("P001")}, {"CPROEND", ReportSite::code("P001")}}, {"000002", "000005"}},
        {"a warehouse", {{"CWHOBEG", ReportSite::code("W02")}, {"CWHOEND", ReportSite::code("W02")}}, {"000003", "000006"}},
        {"numbers", {{"CDOCBEG", core::Value::text("000003")}, {"CDOCEND", core::Value::text("000005")}},
         {"000003", "000005"}},
        {"one day", {{"CDAYBEG", ReportSite::day(2)}, {"CDAYEND", ReportSite::day(2)}}, {"000005"}},
        {"the month before", {{"CDAYBEG", core::Value::date(core::Date::fromYmd(2026, 11, 1))}, {"CDAYEND", ReportSite::day(1)}},
         {"000001", "000002", "000003"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(site.runWeek("TRK01", c.ranges), ReportOutcome::Printed);
        EXPECT_EQ(ticketsPrinted(site), c.tickets);
    }
    EXPECT_EQ(site.runWeek("TRK01", {{"CDAYBEG", ReportSite::day(6)}, {"CDAYEND", ReportSite::day(9)}}),
              ReportOutcome::NoData);
}

// A record another program appended without keeping the table's own indexes is reported all the
// same: the report orders the records itself.
TEST(ReportSelection, ARecordTheTablesOwnIndexLacksIsStillReported)
{
    ReportSite site;
    {
        std::unique_ptr<storage::Table> t;
        ASSERT_TRUE(storage::Table::open(site.pathOf("Wdata1"), storage::ShareMode::Exclusive, &t).ok());
        ASSERT_TRUE(t->goTo(2).ok());
        std::vector<core::Value> row(t->layout().fields().size());
        for (std::size_t i = 0; i < row.size(); ++i)
            ASSERT_TRUE(t->value(int(i), &row[i]).ok());
        ASSERT_TRUE(t->append().ok());
        for (std::size_t i = 0; i < row.size(); ++i)
            ASSERT_TRUE(t->put(int(i), row[i]).ok());
        ASSERT_TRUE(t->put("TICKET", core::Value::text("000008")).ok());
        ASSERT_TRUE(t->close().ok());
    }
    ASSERT_EQ(site.runWeek("TRK01"), ReportOutcome::Printed);
    EXPECT_EQ(ticketsPrinted(site), (std::vector<std::string>{"000002", "000008", "000003", "000005", "000006"}));
}

// Sites whose codes are prefixes of one another: a one-party range holds that party alone.
TEST(ReportSelection, CodeRangesCompareWholeCodes)
{
    struct Case {
        const char* value;  // as the field holds it (width 10)
        const char* from;
        const char* to;
        bool in;
    };
    const Case cases[] = {
        {"F001      ", "F001", "F001", true},     {"F0011     ", "F001", "F001", false},
        {"F001A     ", "F001      ", "F001      ", false}, {"1         ", "1", "1", true},
        {"10        ", "1", "1", false},          {"100       ", "10", "99", true},
        {"F003      ", "", "F004", true},         {"F005      ", "F004", "", true},
        {"          ", "F001", "F002", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(reports::textAtLeast(c.value, c.from) && reports::textAtMost(c.value, c.to), c.in)
            << c.value << " in " << c.from << ".." << c.to;
}

TEST(ReportSelection, FormFourLetsTheTenNinesPlaceholderPassEveryPartyAndProductRange)
{
    ReportSite site(false);
    storage::Workspace ws;
    ASSERT_TRUE(reports::openWorkTable(ws, storage::WorkTable::MovementAnalysis, "detail"));
    storage::Table& t = *ws.find("detail");
    const std::string nines = reports::thaiNines(10);
    struct Row {
        std::string farmer, company, product;
        int day;
        bool accepted;
    };
    const Row rows[] = {
        {"F001", nines, "P001", 2, true},     {nines, "C001", nines, 2, true},    {nines, nines, nines, 3, true},
        {"F009", nines, "P001", 2, false},    {nines, "C009", nines, 2, false},   {nines, nines, "P009", 2, false},
        {nines, nines, nines, 9, false},
    };
    for (const Row& r : rows) {
        ASSERT_TRUE(t.append().ok());
        ASSERT_TRUE(t.put("FARMER", core::Value::text(r.farmer)).ok());
        ASSERT_TRUE(t.put("COMPANY", core::Value::text(r.company)).ok());
        ASSERT_TRUE(t.put("PRODUCT", core::Value::text(r.product)).ok());
        ASSERT_TRUE(t.put("DATE", ReportSite::day(r.day)).ok());
    }
    core::ValueMap values;
    values.set("CCODBEG", ReportSite::code("F001"));
    values.set("CCODEND", ReportSite::code("F002"));
    values.set("CCOD2BEG", ReportSite::code("C001"));
    values.set("CCOD2END", ReportSite::code("C001"));
    values.set("CDOCBEG", ReportSite::code("P001"));
    values.set("CDOCEND", ReportSite::code("P002"));
    values.set("CDAYBEG", ReportSite::day(1));
    values.set("CDAYEND", ReportSite::day(5));
    reports::RangeCheck check(ws, 4, "ACC01", values, "", "ACC01");
    EXPECT_EQ(check.dateField(), t.fieldIndex("DATE"));
    for (std::uint32_t n = 1; n <= t.recCount(); ++n) {
        ASSERT_TRUE(t.goTo(n).ok());
        EXPECT_EQ(check() == reports::FilterAnswer::Accept, rows[n - 1].accepted) << n;
    }
}

TEST(ReportSelection, ADetailTableOpenOnAnotherWorkstationStopsTheReport)
{
    ReportSite site;
    const std::string wdata = site.data() + "WDATA1.DBF";
    storagetest::HeldTable weighing(wdata);
    ASSERT_TRUE(weighing.open());
    storage::Workspace ws;
    reports::ReportSession session(ws);
    ASSERT_TRUE(session.load("TRK01", "x"));
    EXPECT_FALSE(session.openForm());
    EXPECT_EQ(shownWithTitles(site.prompts), (std::vector<std::string>{"ส่วนการเปิดแฟ้ม|ไม่สามารถเปิดแฟ้ม Wdata1"}));
    EXPECT_EQ(weighing.release(), 0);
    // Once the weighing screen closed the report runs.
    session.finish();
    site.prompts.shown.clear();
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
    storage::Workspace first, second;
    reports::ReportSession purchases(first), sales(second);
    ASSERT_TRUE(purchases.load("TRK01", "x"));
    ASSERT_TRUE(purchases.openForm());
    core::programSettings().setText("CUSER", "OPER1");
    ASSERT_TRUE(sales.load("TRK03", "x"));
    ASSERT_TRUE(sales.openForm());
    EXPECT_TRUE(site.prompts.shown.empty());
    EXPECT_TRUE(std::filesystem::exists(site.dir() + "/WORK/DETAIL_ADMIN.NTX"));
    EXPECT_TRUE(std::filesystem::exists(site.dir() + "/WORK/DETAIL_OPER1.NTX"));
    sales.values().set("CDAYBEG", ReportSite::day(1));
    testsupport::RecordingPrintJob job;
    EXPECT_EQ(sales.REPCREA(job), ReportOutcome::Printed);
    // A definition ordered as one of the table's own indexes is still ordered in the user's file.
    std::filesystem::remove(site.dir() + "/WORK/DETAIL_ADMIN.NTX");
    purchases.finish();
    core::programSettings().setText("CUSER", "ADMIN");
    testsupport::writeFile(site.tables() + "TRK01.txt",
                           "I,FILES,WDATA1\r\nI,FORMS,6\r\nI,INDEX,dtos(dayin) + tmin + ticket\r\nI,GROUP,\"1\"\r\n"
                           "I,BLOCK,\"1\"\r\nD,LF,SAYR1,00100,TICKET\r\n");
    EXPECT_EQ(site.runWeek("TRK01"), ReportOutcome::Printed);
    EXPECT_TRUE(std::filesystem::exists(site.dir() + "/WORK/DETAIL_ADMIN.NTX"));
    EXPECT_EQ(site.texts(), (std::vector<std::string>{"1:000002", "1:000003", "1:000004", "1:000005", "1:000006"}));
}

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
    EXPECT_TRUE(site.prompts.shown.empty());
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
    ScriptedPrinters printers;
    std::vector<std::pair<std::string, bool>> made;  // the jobs made on a chosen printer
    std::vector<std::unique_ptr<testsupport::RecordingPrintJob>> jobs;
    reports::ReportDestination destination(usual, printers, [&](const std::string& printer, bool preview) {
        made.emplace_back(printer, preview);
        jobs.push_back(std::make_unique<testsupport::RecordingPrintJob>());
        return std::make_unique<testsupport::ForwardingJob>(*jobs.back());
    });
    const auto runReport = [&] {
        storage::Workspace ws;
        reports::ReportSession session(ws);
        EXPECT_TRUE(session.load("TRK01", "x") && session.openForm());
        session.values().set("CDAYBEG", ReportSite::day(1));
        return session.REPCREA(destination);
    };
    struct Step {
        const char* what;
        bool setUp;
        std::optional<std::string> answer;  // the printer dialog's
        bool chosen;                        // what setUp() says
        std::vector<std::pair<std::string, bool>> made;
        std::size_t usualJobs;
    };
    const Step steps[] = {
        {"no set-up", false, std::nullopt, false, {}, 1},
        {"set-up cancelled", true, std::nullopt, false, {}, 2},
        {"Office chosen", true, std::string("Office"), true, {{"Office", true}}, 2},
        {"cancelled again: Office holds", true, std::nullopt, false, {{"Office", true}, {"Office", true}}, 2},
        {"a PDF file chosen", true, std::string(), true, {{"Office", true}, {"Office", true}, {"", true}}, 2},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.setUp) {
            printers.answer = s.answer;
            EXPECT_EQ(destination.setUp("MERVO Report"), s.chosen);
        }
        ASSERT_EQ(runReport(), ReportOutcome::Printed);
        EXPECT_EQ(made, s.made);
        EXPECT_EQ(usual.jobs.size(), s.usualJobs);
    }
    EXPECT_EQ(printers.titles, std::vector<std::string>(4, "MERVO Report"));
    EXPECT_EQ(destination.chosen(), std::string());
    // The chosen job gets the report's pages; straight to the printer when CPRINTER says so.
    EXPECT_EQ(jobs.back()->pageCount(), 1);
    core::programSettings().setText("CPRINTER", "N");
    ASSERT_EQ(runReport(), ReportOutcome::Printed);
    EXPECT_EQ(made.back(), std::make_pair(std::string(), false));
    EXPECT_EQ(usual.kinds, (std::vector<std::string>{"Report", "Report"}));
}

TEST(ReportSelection, EveryDemoReportRunsOnTheDemoWeek)
{
    ReportSite site;
    // The week holds no goods taken back from customers (Wdata4).
    const std::set<std::string> noData = {"TRK04"};
    for (const site::DemoReport& r : site::demoReports()) {
        SCOPED_TRACE(r.code);
        site.prompts.shown.clear();
        const ReportOutcome outcome = site.runWeek(r.code);
        if (noData.count(r.code)) {
            EXPECT_EQ(outcome, ReportOutcome::NoData);
            EXPECT_EQ(shownWithTitles(site.prompts),
                      (std::vector<std::string>{"ส่วนจัดทำรายงาน|ไม่มีข้อมูลตามเงื่อนไขที่ระบุ"}));
        } else {
            EXPECT_EQ(outcome, ReportOutcome::Printed);
            EXPECT_GE(site.job().pageCount(), 1);
            EXPECT_TRUE(site.prompts.shown.empty());
        }
        EXPECT_TRUE(site.faults.faults.empty());
        site.faults.faults.clear();
    }
}

}  // namespace
