// The report engine over a small detail table through a recording print job: sections at group and
// block changes, pages and footers, accumulators, faults in expressions, and the walk limited to a
// date range giving the pages of the whole walk.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "core/settings.h"
#include "reports/engine.h"
#include "reports/reports_fixture.h"

namespace {

using core::tis620::T;
using reports::FilterAnswer;
using reports::ReportOutcome;
using Texts = std::vector<std::string>;

struct Row {
    std::string grp, blk, name;
    double amt = 0;
    int day = 1;  // of December 2026
    bool deleted = false;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        storage::setHardCommit(false);
        core::Settings& s = core::programSettings();
        s.clear();
        s.setText("CPAGEL", "5");
        s.setText("CPLENGHT", "5");
        values.setText("CEJECT", "N");
    }
    void TearDown() override
    {
        (void)ws.closeAll();
        core::programSettings().clear();
        storage::setHardCommit(true);
    }

    // The detail table "detail" (exclusive, made anew) with the rows, ordered by DTOS(DAY)+GRP+BLK+NAME.
    void table(const std::vector<Row>& rows)
    {
        (void)ws.closeAll();
        const std::string path = dir.file("DETAIL.DBF");
        ASSERT_TRUE(storage::Table::create(path,
                                           {{"GRP", storage::FieldType::Character, 2, 0},
                                            {"BLK", storage::FieldType::Character, 2, 0},
                                            {"NAME", storage::FieldType::Character, 10, 0},
                                            {"AMT", storage::FieldType::Numeric, 10, 2},
                                            {"DAY", storage::FieldType::Date, 8, 0}},
                                           true)
                        .ok());
        storage::Table* t = nullptr;
        ASSERT_TRUE(ws.open("detail", path, storage::ShareMode::Exclusive, &t).ok());
        for (const Row& r : rows) {
            ASSERT_TRUE(reportstest::appendRecord(*t, {{"GRP", core::Value::text(r.grp)},
                                                       {"BLK", core::Value::text(r.blk)},
                                                       {"NAME", core::Value::text(r.name)},
                                                       {"AMT", core::Value::number(r.amt, 2)},
                                                       {"DAY", reportstest::ReportSite::day(r.day)}}));
            if (r.deleted) {
                ASSERT_TRUE(t->deleteRecord().ok());
            }
        }
        ASSERT_TRUE(t->createOrder(dir.file("DETAIL.NTX"), "DTOS(DAY)+GRP+BLK+NAME").ok());
        ASSERT_TRUE(t->goTop().ok());
    }

    ReportOutcome run(const std::vector<std::string>& lines, const std::string& group = "GRP",
                      const std::string& block = "BLK")
    {
        std::vector<std::string> all = {"I,FILES,X", "I,FORMS,1", "I,INDEX,X", "I,GROUP," + group, "I,BLOCK," + block};
        all.insert(all.end(), lines.begin(), lines.end());
        definition = reports::parseDefinition(all);
        reports::ReportEngine engine(ws, definition, values, "TEST");
        if (filter)
            engine.setFilter(filter);
        if (limit)
            engine.limitToDates(ws.find("detail")->fieldIndex("DAY"), core::Date::fromYmd(2026, 12, limit->first),
                                core::Date::fromYmd(2026, 12, limit->second));
        job = testsupport::RecordingPrintJob();
        (void)job.begin("MERVO Report");
        const ReportOutcome outcome = engine.REPSTART(job);
        pages = engine.pages();
        return outcome;
    }

    std::vector<std::string> texts() const { return reportstest::drawnTexts(job); }

    testsupport::TempDir dir;
    testsupport::RecordingPrompts prompts;
    testsupport::RecordingFaultHandler faults;
    storage::Workspace ws;
    core::ValueMap values;
    reports::Definition definition;
    reports::ReportEngine::Filter filter;
    std::optional<std::pair<int, int>> limit;
    testsupport::RecordingPrintJob job;
    int pages = 0;
};

TEST_F(EngineTest, SectionsRunInOrderAtGroupAndBlockChanges)
{
    const std::vector<std::string> sections = {
        "H,NF,SAYR1,00100,\"H\"+LTRIM(STR(NPAGE))", "G,LF,SAYR1,00100,\"G\"+CGROUP",
        "B,LF,SAYR1,00100,\"B\"+BLK",              "D,LF,SAYR1,00100,\"D\"+NAME",
        "E,LF,SAYR1,00100,\"E\"+LTRIM(STR(NSUB))", "S,LF,SAYR1,00100,\"S\"+LTRIM(STR(NSUM))",
        "T,LF,SAYR1,00100,\"T\"+LTRIM(STR(NITEM))", "F,NF,SAYR1,00100,\"F\""};
    struct Case {
        const char* what;
        std::vector<Row> rows;
        std::string group, block;
        std::vector<std::string> expected;
    };
    core::programSettings().setText("CPAGEL", "60");
    const Case cases[] = {
        {"block footers before group footers, the total after both",
         {{"A", "1", "a"}, {"A", "2", "b"}, {"B", "1", "c"}}, "GRP", "GRP+BLK",
         {"1:H1", "1:GA", "1:B1", "1:Da", "1:E1", "1:B2", "1:Db", "1:E1", "1:S2", "1:GB", "1:B1", "1:Dc", "1:E1",
          "1:S1", "1:T3"}},
        {"a constant group and a changing block: G once, B at every change",
         {{"A", "1", "a"}, {"B", "2", "b"}, {"C", "2", "c"}}, "\"K\"", "BLK",
         {"1:H1", "1:GK", "1:B1", "1:Da", "1:E1", "1:B2", "1:Db", "1:Dc", "1:E2", "1:S3", "1:T3"}},
        {"a group change without a block change starts no group",
         {{"A", "1", "a"}, {"B", "1", "b"}}, "GRP", "BLK",
         {"1:H1", "1:GA", "1:B1", "1:Da", "1:Db", "1:E2", "1:S2", "1:T2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        table(c.rows);
        ASSERT_EQ(run(sections, c.group, c.block), ReportOutcome::Printed);
        std::vector<std::string> t = texts();
        for (std::string& s : t)  // group and block values are padded to their field
            s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
        EXPECT_EQ(t, c.expected);
    }
}

TEST_F(EngineTest, PageFootersOnEveryPageButTheLastAndTheEjectFlag)
{
    std::vector<Row> rows;
    for (int i = 1; i <= 7; ++i)
        rows.push_back({i <= 3 ? "A" : "B", i <= 3 ? "A" : "B", "r" + std::to_string(i)});
    table(rows);
    const std::vector<std::string> lines = {"H,NF,SAYR1,00100,\"H\"+LTRIM(STR(NPAGE))+\"/\"+LTRIM(STR(NPGNO))",
                                            "D,LF,SAYR1,00100,NAME", "S,LF,SAYR1,00100,\"S\"",
                                            "F,LF,SAYR1,00100,\"F\"+LTRIM(STR(NPAGE))"};
    ASSERT_EQ(run(lines), ReportOutcome::Printed);
    EXPECT_EQ(texts(), (Texts{"1:H1/1", "1:r1", "1:r2", "1:r3", "1:S", "1:r4", "1:F1", "2:H2/2", "2:r5", "2:r6",
                              "2:r7", "2:S"}));
    values.setText("CEJECT", "Y");
    table(rows);
    ASSERT_EQ(run(lines), ReportOutcome::Printed);
    // After a group footer a new page without "F"; the page-in-group number starts again.
    EXPECT_EQ(texts(), (Texts{"1:H1/1", "1:r1", "1:r2", "1:r3", "1:S", "2:H2/1", "2:r4", "2:r5", "2:r6", "2:r7",
                              "2:S"}));
}

TEST_F(EngineTest, AccumulatorsNameSlotsAndReplines)
{
    table({{"A", "1", "a", 10.5}, {"A", "2", "b", 2}, {"B", "1", "c", 100}});
    ASSERT_EQ(run({"G,NA,     ,00100,GRP", "D,SM,     ,00100,AMT", "D,SM,     ,03100,AMT", "D,SM,     ,00000,AMT",
                   "D,NA,     ,01100,NAME", "D,LF,SAYR1,00100,NAME",
                   "E,LF,SAYR1,00100,\"E\"+LTRIM(STR(CSUB[1],10,2))",
                   "S,LF,SAYR1,00100,\"S\"+TRIM(CDNAME[1])+LTRIM(STR(CSUM[1],10,2))",
                   "T,NF,SAYR1,00100,REPLINE(2)+\"T\"+LTRIM(STR(CTOT[1],10,2))+\"/\"+LTRIM(STR(NLINE))"},
                  "GRP", "GRP+BLK"),
              ReportOutcome::Printed);
    EXPECT_EQ(texts(), (Texts{"1:a", "1:E10.50", "1:b", "1:E2.00", "1:SA12.50", "1:c", "1:E100.00", "1:SB100.00",
                              "1:T112.50/10"}));
    EXPECT_TRUE(faults.faults.empty());
}

TEST_F(EngineTest, NoDataSaysSoAndPrintsNoPage)
{
    table({{"A", "A", "x", 0, 1, true}});
    ASSERT_EQ(run({"D,LF,SAYR1,00100,NAME"}), ReportOutcome::NoData);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].title + "|" + prompts.shown[0].text,
              T("  ส่วนจัดทำรายงาน|ไม่มีข้อมูลตามเงื่อนไขที่ระบุ"));
    EXPECT_EQ(job.log, (Texts{"begin MERVO Report", "end"}));
}

TEST_F(EngineTest, FaultsInExpressions)
{
    table({{"A", "A", "x", 1}, {"A", "A", "y", 2}});
    // Default leaves the broken line out (asked once) and the numbers for a text command out.
    ASSERT_EQ(run({"D,LF,SAYR1,00100,NAME+", "D,NF,SAYR1,00200,AMT", "D,SM,     ,00100,NAME",
                   "D,NF,SAYR1,00300,TRIM(NAME)+\"!\""}),
              ReportOutcome::Printed);
    EXPECT_EQ(texts(), (Texts{"1:x!", "1:y!"}));
    ASSERT_EQ(faults.faults.size(), 5u);
    EXPECT_EQ(faults.faults[0].genCode, core::EG_SYNTAX);
    EXPECT_EQ(faults.faults[0].operation, "TEST line 6");
    EXPECT_EQ(faults.faults[1].genCode, core::EG_DATATYPE);
    // Quit stops the report: nothing more is drawn and the job is not ended.
    faults.answer = core::FaultAnswer::Quit;
    faults.faults.clear();
    table({{"A", "A", "x", 1}, {"A", "A", "y", 2}});
    EXPECT_EQ(run({"D,LF,SAYR1,00100,NAME", "D,NF,SAYR1,00200,UNKNOWN"}), ReportOutcome::Stopped);
    EXPECT_EQ(texts(), (Texts{"1:x"}));
    EXPECT_EQ(std::count(job.log.begin(), job.log.end(), "end"), 0);
}

TEST_F(EngineTest, AHeaderAsLongAsThePageStillPrintsEveryRecord)
{
    table({{"A", "A", "a"}, {"A", "A", "b"}, {"A", "A", "c"}});
    std::vector<std::string> lines;
    for (int i = 0; i < 6; ++i)
        lines.push_back("H,LF,SAYR1,00100,\"h\"");
    lines.push_back("D,LF,SAYR1,00100,NAME");
    ASSERT_EQ(run(lines), ReportOutcome::Printed);
    EXPECT_EQ(pages, 3);
    const auto t = texts();
    EXPECT_EQ(std::count(t.begin(), t.end(), "3:c"), 1);
}

// The walk limited to the dates must print exactly the pages of the whole walk filtered by them.
TEST_F(EngineTest, AWalkLimitedToTheDatesPrintsTheWholeWalksPages)
{
    std::vector<Row> rows;
    for (int day = 1; day <= 9; ++day)
        for (int i = 0; i < (day == 5 ? 9 : 3); ++i)
            rows.push_back({"A", "A", "d" + std::to_string(day) + "-" + std::to_string(i), 1, day, i == 2 && day == 4});
    const std::vector<std::string> lines = {"H,LF,SAYR1,00100,\"H\"", "D,LF,SAYR1,00100,NAME", "F,LF,SAYR1,00100,\"F\"",
                                            "T,LF,SAYR1,00100,\"T\""};
    // Inside the data, past its end, and no day at all (the range dialog refuses it before).
    for (const auto& days : {std::pair{3, 5}, {2, 12}, {5, 3}}) {
        for (const char* cpagel : {"2", "60"}) {
            core::programSettings().setText("CPAGEL", cpagel);
            SCOPED_TRACE(std::to_string(days.first) + ".." + std::to_string(days.second) + " CPAGEL " + cpagel);
            filter = [this, days] {
                storage::Table& t = *ws.find("detail");
                core::Value day;
                (void)t.get("DAY", &day);
                const int d = day.asDate().day();
                return !t.deleted() && d >= days.first && d <= days.second ? FilterAnswer::Accept : FilterAnswer::Reject;
            };
            table(rows);
            limit.reset();
            const ReportOutcome whole = run(lines);
            const std::vector<std::string> expected = job.log;
            table(rows);
            limit = days;
            EXPECT_EQ(run(lines), whole);
            EXPECT_EQ(job.log, expected);
        }
    }
}

}  // namespace
