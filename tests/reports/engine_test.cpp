// Report definitions (the settings, the print lines' columns, the file's lines, files that are none)
// and the engine over a small detail table through a recording print job: sections at group and
// block changes, pages and footers, placing texts and rules, accumulators, faults in expressions, a
// header as long as a page, and the walk limited to a date range giving the pages of the whole walk,
// with its progress.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <sstream>
#include <tuple>

#include "core/settings.h"
#include "reports/definition.h"
#include "reports/engine.h"
#include "reports/reports_fixture.h"

namespace {

using core::tis620::T;
using reports::Command;
using reports::FilterAnswer;
using reports::Option;
using reports::ReportOutcome;
using Texts = std::vector<std::string>;

TEST(Definition, PrintLineColumns)
{
    struct Case {
        const char* line;
        char section;
        Command command;
        Option option;
        core::PrintAlign align;
        int digit;  // font or pen
        double a, b, c;
        const char* expression;
    };
    const Case cases[] = {
        {"D,LF,SAYR1,00100,NAME", 'D', Command::LF, Option::Text, core::PrintAlign::Left, 1, 1, 0, 0, "NAME"},
        {"h,nf,sayl2,00500,\"x\"  ", 'H', Command::NF, Option::Text, core::PrintAlign::Right, 2, 5, 0, 0, "\"x\""},
        {"T;NF;SAYC3;00413;CREPNAME", 'T', Command::NF, Option::Text, core::PrintAlign::Centre, 3, 4.13, 0, 0, "CREPNAME"},
        {"G,LO,SAYR1,00250,00300,TRIM(NAME)", 'G', Command::LO, Option::Text, core::PrintAlign::Left, 1, 2.5, 3, 0,
         "TRIM(NAME)"},
        {"S,LH,LINE3,00040,00790", 'S', Command::LH, Option::Rule, core::PrintAlign::Left, 3, 0.4, 7.9, 0, ""},
        {"F,LX,LINE2,00100,00500,01200", 'F', Command::LX, Option::Rule, core::PrintAlign::Left, 2, 1, 5, 12, ""},
        {"E,SM,     ,03100,AMOUNT", 'E', Command::SM, Option::None, core::PrintAlign::Left, 1, 31, 0, 0, "AMOUNT"},
        {"D,NH", 'D', Command::NH, Option::None, core::PrintAlign::Left, 1, 0, 0, 0, ""},
        // An option that is none of those listed, a command that is none.
        {"D,LF,SAYX1,00100,NAME", 'D', Command::LF, Option::None, core::PrintAlign::Left, 1, 1, 0, 0, "NAME"},
        {"D,LF,SAYR4,00100,NAME", 'D', Command::LF, Option::None, core::PrintAlign::Left, 1, 1, 0, 0, "NAME"},
        {"D,ZZ,SAYR1,00100,NAME", 'D', Command::None, Option::Text, core::PrintAlign::Left, 1, 1, 0, 0, ""},
        // Numbers read as VAL reads them: blanks and text give 0, a point is a point.
        {"D,LH,LINE1,  1.5,abcde", 'D', Command::LH, Option::Rule, core::PrintAlign::Left, 1, 0.015, 0, 0, ""},
    };
    for (const Case& c : cases) {
        const reports::PrintLine p = reports::parsePrintLine(T(c.line), 7);
        SCOPED_TRACE(c.line);
        // The numbers are whole hundredths divided by 100: compared exactly.
        EXPECT_EQ(std::tuple(p.number, p.section, p.command, p.option, p.align, p.option == Option::Rule ? p.pen : p.font,
                             p.a, p.b, p.c, p.expression),
                  std::tuple(7, c.section, c.command, c.option, c.align, c.digit, c.a, c.b, c.c, T(c.expression)));
    }
    // Lines of other sections are never run.
    for (const char* line : {"I,FILES,WDATA1", "* a comment", "X,LF,SAYR1,00100,NAME", "", " D,LF"})
        EXPECT_EQ(reports::parsePrintLine(line, 1).section, 0) << line;
}

TEST(Definition, SettingsLastRepeatCountsAndAreUpperCased)
{
    const reports::Definition d = reports::parseDefinition({
        "i,files,wdata1",
        "I,FORMS 6",
        "I,INDEX,  dtos(dayin)+tmin  ",
        "I,GROUP,DTOS(DAYIN)",
        "I,GROUP,company",
        "I,BLOCK,company+product",
        "I,CONDI,stat=\"2\"",
        "I,LEFTM,00050",
        "D,LF,SAYR1,00100,NAME",
        "I,LEFTMX",  // a setting name must be followed by its separator: this one has no value
    });
    const reports::DefinitionSettings& s = d.settings;
    EXPECT_EQ((std::vector<std::string>{s.CFILE, s.CFORM, s.CINDEX, s.CFGROUP, s.CFBLOCK, s.CFCOND}),
              (std::vector<std::string>{"WDATA1", "6", "DTOS(DAYIN)+TMIN", "COMPANY", "COMPANY+PRODUCT",
                                        "STAT=\"2\""}));
    EXPECT_DOUBLE_EQ(s.COFFSET, 0);  // the last I,LEFTM has no value
    EXPECT_TRUE(s.missing().empty());
    ASSERT_EQ(d.lines.size(), 1u);
    EXPECT_EQ(d.lines[0].number, 9);

    EXPECT_DOUBLE_EQ(reports::parseDefinition({"I,LEFTM,50"}).settings.COFFSET, 0.5);
    // Without I,GROUP the group is missing, even for a report that would not group.
    const auto missing = reports::parseDefinition({"I,FILES,X", "I,FORMS,1", "I,INDEX,CODE", "I,BLOCK,\"1\""})
                             .settings.missing();
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_STREQ(missing[0], "CFGROUP");
}

TEST(Definition, FileSplitsIntoLinesOfTheWorkTablesWidth)
{
    const std::string longLine(250, 'x');
    EXPECT_EQ(reports::splitDefinition("a\r\nb\n\n" + longLine + "\r\nlast"),
              (std::vector<std::string>{"a", "b", "", longLine.substr(0, reports::kDefinitionLineLength), "last"}));
    EXPECT_TRUE(reports::splitDefinition("").empty());
}

TEST(Definition, FilesThatAreNoDefinitionsAreRefused)
{
    testsupport::TempDir dir;
    testsupport::writeFile(dir.file("nul.txt"), std::string("D,LF\0x", 6));
    testsupport::writeFile(dir.file("big.txt"), std::string(reports::kMaxDefinitionBytes + 1, 'x'));
    for (const auto& [file, said] :
         {std::pair{"none.txt", "cannot be read"}, {"nul.txt", "NUL"}, {"big.txt", "larger than"}}) {
        std::string bytes, error;
        EXPECT_FALSE(reports::readDefinitionFile(dir.file(file), &bytes, &error)) << file;
        EXPECT_NE(error.find(said), std::string::npos) << error;
    }
    std::string bytes, error;
    testsupport::writeFile(dir.file("ok.txt"), "I,FILES,X\r\n");
    EXPECT_TRUE(reports::readDefinitionFile(dir.file("ok.txt"), &bytes, &error));
    EXPECT_EQ(bytes, "I,FILES,X\r\n");
}

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
        s.set("CPRNFAC", core::Value::number(2, 1));
        for (const auto& [name, value] : std::map<std::string, std::string>{
                 {"CPAGEL", "5"}, {"CPLENGHT", "5"}, {"CFONT1", "EucrosiaUPC"}, {"CFONT2", "EucrosiaUPC"},
                 {"CFONT3", "LilyUPC"}, {"CWIDTH1", "0"}, {"CWIDTH2", "0"}, {"CWIDTH3", "0"}, {"CHEIGHT1", "-16"},
                 {"CHEIGHT2", "-16"}, {"CHEIGHT3", "-16"}, {"CPEN1", "1"}, {"CPEN2", "3"}, {"CPEN3", "6"}})
            s.setText(name, value);
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
        percents.clear();
        engine.setProgress([this](int percent) { percents.push_back(percent); });
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
    // The log line of the first text that is `text`, split into words.
    std::vector<std::string> textLine(const std::string& text) const
    {
        for (const std::string& l : job.log) {
            if (l.rfind("text ", 0) == 0 && l.substr(l.rfind(' ') + 1) == text) {
                std::istringstream in(l);
                std::vector<std::string> w;
                for (std::string s; in >> s;)
                    w.push_back(s);
                return w;
            }
        }
        return {};
    }
    int lineHeight() const { return job.pageHeight() / (5 + 5); }
    // The top of the n'th line of a page.
    std::string lineTop(int n) const { return std::to_string(n * lineHeight()); }

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
    std::vector<int> percents;  // the progress as it was told
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

TEST_F(EngineTest, TextAlignmentAndTheLeftMargin)
{
    table({{"A", "A", "x"}});
    ASSERT_EQ(run({"D,LF,SAYL1,00500,\"1,234.50\"", "D,NF,SAYC2,00400,\"TITLE\"", "D,NF,SAYR3,00100,\"  left  \""}),
              ReportOutcome::Printed);
    const int dpi = job.dpiX();
    const int width1 = 8 * 32 / 2;  // the recording job: half the font height a byte; height -16 x 2
    EXPECT_EQ(std::stoi(textLine("1,234.50")[1]) + width1, 5 * dpi);
    EXPECT_EQ(std::stoi(textLine("TITLE")[1]) + 5 * 32 / 2 / 2, 4 * dpi);
    EXPECT_EQ(textLine("left")[1], std::to_string(dpi));  // blanks around the value are removed
    EXPECT_EQ(textLine("left")[4], "LilyUPC");            // font 3
    EXPECT_EQ(textLine("left")[5], "-32");                // -16 x CPRNFAC 2
    table({{"A", "A", "x"}});
    const std::string wide(50, 'W');
    ASSERT_EQ(run({"I,LEFTM,00050", "D,LF,SAYL1,00500,\"1,234.50\"", "D,NF,SAYL1,00010,\"" + wide + "\""}),
              ReportOutcome::Printed);
    EXPECT_EQ(std::stoi(textLine("1,234.50")[1]) + width1, dpi * 11 / 2);
    EXPECT_EQ(textLine(wide)[1], "0");  // moved left, never below 0
}

TEST_F(EngineTest, RulesFramesAndAbsolutePlaces)
{
    table({{"A", "A", "x"}});
    ASSERT_EQ(run({"H,NH", "H,LH,LINE2,00040,00790", "D,LF,SAYR1,00100,NAME", "D,LH,LINE1,00040,00790",
                   "D,LV,LINE3,00040", "D,LX,LINE1,00100,00100,00300", "D,LH,SAYR1,00040,00790",
                   "D,LO,SAYR1,00100,00200,\"abs\"", "D,LV,LINE1", "T,LV,LINE1,00400"}),
              ReportOutcome::Printed);
    const int dpi = job.dpiX();
    // A rule from (x1, the top of line l1) to (x2, the top of line l2), in pen p.
    const auto rule = [&](int x1, int l1, int x2, int l2, int p) {
        return "line " + std::to_string(x1) + " " + lineTop(l1) + " " + std::to_string(x2) + " " + lineTop(l2) + " " +
               std::to_string(p);
    };
    Texts lines;
    std::copy_if(job.log.begin(), job.log.end(), std::back_inserter(lines),
                 [](const std::string& l) { return l.starts_with("line "); });
    EXPECT_EQ(lines, (Texts{
                         // LH: the line advanced, the rule at its bottom; the frame from the
                         // first rule to the last.
                         rule(480, 2, 9480, 2, 3), rule(480, 4, 9480, 4, 1), rule(480, 1, 480, 4, 6),
                         // LX: from the bottom of line 1 to the bottom of line 3.
                         rule(dpi, 2, dpi, 4, 1),
                         // An LH whose option is no rule still advances (the LV after it
                         // draws the frame as it stands).
                         rule(0, 1, 0, 4, 1), rule(4800, 1, 4800, 4, 1)}));
    // LO: y inches from the top, x from the left.
    const Texts abs = textLine("abs");
    ASSERT_GT(abs.size(), 2u);
    EXPECT_EQ(abs[1] + " " + abs[2], std::to_string(2 * dpi) + " " + std::to_string(dpi));
}

TEST_F(EngineTest, AWalkLimitedToTheDatesPrintsTheWholeWalksPagesAndCountsItsDays)
{
    std::vector<Row> rows;
    for (int day = 1; day <= 9; ++day)
        for (int i = 0; i < (day == 5 ? 9 : 3); ++i)
            rows.push_back({"A", "A", "d" + std::to_string(day) + "-" + std::to_string(i), 1, day, i == 2 && day == 4});
    const std::vector<std::string> lines = {"H,LF,SAYR1,00100,\"H\"", "D,LF,SAYR1,00100,NAME", "F,LF,SAYR1,00100,\"F\"",
                                            "T,LF,SAYR1,00100,\"T\""};
    // The days and the progress told.
    const std::pair<std::pair<int, int>, std::vector<int>> cases[] = {
        {{3, 5}, {0, 33, 66, 100}},
        {{8, 8}, {0, 100}},
        {{2, 12}, {0, 9, 18, 27, 36, 45, 54, 63, 100}},
        {{5, 3}, {0}},  // no day to walk (the range dialog refuses it before)
    };
    for (const auto& [days, told] : cases) {
        for (const char* cpagel : {"2", "5", "60"}) {
            core::programSettings().setText("CPAGEL", cpagel);
            SCOPED_TRACE(std::to_string(days.first) + ".." + std::to_string(days.second) + " CPAGEL " + cpagel);
            const int first = days.first, last = days.second;
            filter = [this, first, last] {
                storage::Table& t = *ws.find("detail");
                core::Value day;
                (void)t.get("DAY", &day);
                const int d = day.asDate().day();
                return !t.deleted() && d >= first && d <= last ? FilterAnswer::Accept : FilterAnswer::Reject;
            };
            table(rows);
            limit.reset();
            const ReportOutcome whole = run(lines);
            const std::vector<std::string> expected = job.log;
            // The whole walk's progress goes by the records: one step each, climbing to a hundred.
            ASSERT_GT(percents.size(), 30u);
            EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
            EXPECT_EQ(percents.back(), 100);
            table(rows);
            limit = days;
            EXPECT_EQ(run(lines), whole);
            EXPECT_EQ(job.log, expected);
            EXPECT_EQ(percents, told);
        }
    }
}

}  // namespace
