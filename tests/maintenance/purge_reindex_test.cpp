// The purge of January (completed tickets go, open ones stay, the ledgers do not move) and the
// reindex of the ticked groups, each telling a missing or held table while the others still run.
#include <gtest/gtest.h>

#include <filesystem>

#include "maintenance/reindex.h"
#include "maintenance_fixture.h"
#include "storage/catalogue.h"
#include "storage/held_table.h"
#include "storage/ops.h"
#include "storage/table.h"

namespace fs = std::filesystem;
using maintenance::Outcome;
using namespace mainttest;
using storagetest::HeldTable;
using G = storage::TableGroup;

namespace {

class PurgeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        site.load("Wdata1", "TICKET,STAT,DAYIN,TMIN\n000001,2,20251231,08:00:00\n000002,2,20260101,08:00:00\n"
                            "000003,1,20260101,09:00:00\n000004,2,20260131,17:00:00\n000005,1,20260131,18:00:00\n"
                            "000006,2,20260201,08:00:00\n");
        site.load("Wdata3", "TICKET,STAT,DAYIN,TMIN\n000001,2,20260110,08:00:00\n");
        site.load("Money1", "TICKET,DATE\n000001,20260110\n000002,20260202\n");
        site.load("Stock1", "TICKET,DATE\n000001,20260131\n");
        site.load("Detail1", "INDENT,RECORD,DOC_DATE\nI1,R1,20260110\nI2,R2,20260202\n");
        site.load("Detail3", "INDENT,RECORD,DOC_DATE\nI1,R1,20251231\nI2,R2,20260101\n");
        site.load("ApAcc", "CODE,BALANCE\nF001,5000\n");
        site.prompts.answers = std::deque<bool>(14, true);
    }
    Site site;
};

// Another workstation holds the payments (MONEY2): that table is told, the others are purged.
TEST_F(PurgeTest, PurgingJanuaryRemovesCompletedTicketsAndKeepsOpenOnes)
{
    const std::string ledger = site.bytesOf("ApAcc");
    std::vector<maintenance::StepResult> results;
    {
        HeldTable other(site.pathOf("Money2"));
        ASSERT_TRUE(other.open());
        results = purge();
    }
    std::vector<Outcome> expected(13, Outcome::Done);
    expected[6] = Outcome::Failed;
    EXPECT_EQ(outcomes(results), expected);
    const struct {
        const char* table;
        const char* field;
        Strings left;
    } tables[] = {
        {"Wdata1", "TICKET", {"000001", "000003", "000005", "000006"}}, {"Wdata3", "TICKET", {}},
        {"Money1", "TICKET", {"000002"}}, {"Stock1", "TICKET", {}},
        {"Detail1", "RECORD", {"R2"}}, {"Detail3", "RECORD", {"R1"}},
    };
    for (const auto& t : tables)
        EXPECT_EQ(site.columnOf(t.table, t.field), t.left) << t.table;
    EXPECT_EQ(results[0].detail, "2 records of 01/01/2026 - 31/01/2026 purged, 2 removed, 4 left");
    EXPECT_EQ(site.bytesOf("ApAcc"), ledger);
    // The weighing tables' index files went with the purge and come back at the next open.
    EXPECT_FALSE(fs::exists(site.data() + "WDATA12.NTX"));
    storage::Workspace ws;
    ASSERT_TRUE(storage::OPENTRK(ws, site.data(), "Wdata1"));
    ASSERT_TRUE(ws.closeAll().ok());
    EXPECT_EQ(site.problems("Wdata1"), Strings{});
    EXPECT_EQ(site.problems("Money1"), Strings{});

    const auto asked = site.prompts.titledTexts();
    const std::string held = "ส่วนการลบข้อมูล|ไม่สามารถเปิดแฟ้ม " + site.data() + "MONEY2.DBF ได้";
    EXPECT_NE(std::find(asked.begin(), asked.end(), held), asked.end());
}

TEST_F(PurgeTest, TheAnswersDecideWhatIsPurged)
{
    const struct {
        std::deque<bool> answers;
        bool rangeAsked;
        std::vector<Outcome> first;  // the outcomes of the first two tables
        std::size_t wdata1Left;
    } cases[] = {
        {{false}, false, {}, 6},                                             // No to the purge: nothing, no dialog
        {{true, false, true}, true, {Outcome::Declined, Outcome::Done}, 6},  // No to the first table only
        {{true, true}, true, {Outcome::Done, Outcome::Declined}, 4},
    };
    for (const auto& c : cases) {
        Site fresh;
        fresh.load("Wdata1", "TICKET,STAT,DAYIN\n1,2,20260101\n2,2,20260102\n3,1,20260103\n4,1,20260104\n"
                             "5,2,20251231\n6,2,20260201\n");
        fresh.prompts.answers = c.answers;
        bool asked = false;
        const auto got = outcomes(maintenance::FGDELETE(
            [&] {
                asked = true;
                return std::optional(kJanuary);
            },
            nullptr));
        EXPECT_EQ(asked, c.rangeAsked);
        EXPECT_EQ(std::vector<Outcome>(got.begin(), got.begin() + std::min<std::size_t>(2, got.size())), c.first);
        EXPECT_EQ(fresh.columnOf("Wdata1").size(), c.wdata1Left);
    }
}

// ---- Reindex

class ReindexTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        site.load("Farmer", "CODE,NAME\nF001,นายสมศักดิ์\nF002,นางสาวมาลี\nF003,นายมานะ\n");
        site.mark(site.pathOf("Farmer"), "CODE", "F002");
        site.load("Wdata1", "TICKET,STAT,TRUCK,DAYIN,TMIN,COMPANY\n000001,2,70-1,20260101,08:00:00,F001\n"
                            "000002,2,70-2,20260102,08:00:00,F002\n000003,1,70-3,20260103,08:00:00,F003\n");
        site.mark(site.pathOf("Wdata1"), "TICKET", "000002");
    }
    Site site;
};

// The logger table, when a site has one, is reindexed after the code tables (a site without one:
// the reindex dialog's and the command's runs).
TEST_F(ReindexTest, ReindexingTheCodeTablesRemovesTheirMarkedRecords)
{
    const auto fields = storage::fieldSpecs(storage::findTable("LOGGER")->fields);
    ASSERT_TRUE(storage::Table::create(site.tables() + "logger.dbf", fields).ok());
    maintenance::Reindex model;
    for (const auto g : {G::Weighing, G::Money, G::Balances})
        model.setTicked(g, false);
    const std::string wdata1 = site.bytesOf("Wdata1");
    const auto results = model.run();
    EXPECT_EQ(outcomes(results), std::vector<Outcome>(13, Outcome::Done));
    EXPECT_EQ(results.back().name, "LOGGER.DBF");
    EXPECT_TRUE(fs::exists(site.tables() + "LOGGER.NTX"));
    EXPECT_EQ(site.columnOf("Farmer", "CODE"), (Strings{"F001", "F003"}));
    EXPECT_EQ(site.problems("Farmer"), Strings{});
    EXPECT_EQ(site.bytesOf("Wdata1"), wdata1);
    EXPECT_EQ(results[0].detail, "2 records, 1 removed; FARMER.NTX (CODE) built");
    EXPECT_TRUE(site.prompts.shown.empty());

    // The other groups, with a table missing and one another workstation holds: those are told,
    // the others still run.
    fs::remove(site.data() + "MONEY2.DBF");
    HeldTable other(site.pathOf("Wdata1"));
    ASSERT_TRUE(other.open());
    for (int g = 0; g < maintenance::kGroupCount; ++g)
        model.setTicked(G(g), G(g) != G::Codes);
    const auto others = model.run();
    std::vector<Outcome> expected(28, Outcome::Done);
    for (const int failed : {0, 1, 2, 16})  // WDATA1's three indexes, MONEY2
        expected[std::size_t(failed)] = Outcome::Failed;
    EXPECT_EQ(outcomes(others), expected);
    const std::string held = "ส่วนบำรุงรักษาแฟ้มข้อมูล|WDATA1ถูกใช้งานอยู่";
    EXPECT_EQ(site.prompts.titledTexts(), (Strings{held, held, held, "ส่วนบำรุงรักษาแฟ้มข้อมูล|ไม่พบแฟ้มMONEY2"}));
    EXPECT_EQ(site.columnOf("Wdata1").size(), 3u);
}

TEST_F(ReindexTest, APackLeavesTheTablesOtherIndexesRight)
{
    const storage::TableDef& wdata1 = *storage::findTable("Wdata1");
    // Only the first entry of the table runs (as when the next one finds the table held).
    EXPECT_EQ(maintenance::FINDEX(site.data(), wdata1, wdata1.indexes[0], nullptr).outcome, Outcome::Done);
    EXPECT_EQ(site.columnOf("Wdata1"), (Strings{"000001", "000003"}));
    EXPECT_EQ(site.problems("Wdata1"), Strings{});
}

}  // namespace
