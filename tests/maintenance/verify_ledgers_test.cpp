// The ledger verification on a scripted day: the clean day gives no difference, and each way a
// ledger can go wrong - a hand-changed balance, a row missing or doubled, a flag left behind, a
// voucher marked without its reversal, a unit rate changed afterwards - is reported with the
// stored value and the one the documents give, the files left as they were.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/settings.h"
#include "core/xbase.h"
#include "maintenance/verify_ledgers.h"
#include "scripted_day.h"
#include "support/temp_dir.h"

namespace {

using mainttest::Site;

// "FILE ROW FIELD stored -> computed (unexplained)", rows in UTF-8.
std::vector<std::string> lines(const maintenance::LedgerCheck& c)
{
    std::vector<std::string> out;
    for (const auto& d : c.differences) {
        std::string line = d.file + " " + core::tis620::toUtf8(d.row) + " " + d.field + " ";
        line += d.noRow ? "no row" : d.stored;
        line += " -> " + d.computed;
        if (!d.unexplained.empty())
            line += " (" + d.unexplained + ")";
        out.push_back(line);
    }
    return out;
}

// Every file of the data folder with its bytes.
std::vector<std::string> dataFiles(const Site& site)
{
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(site.data()))
        out.push_back(e.path().filename().string() + ":" + testsupport::readFile(e.path().string()));
    std::sort(out.begin(), out.end());
    return out;
}

class VerifyLedgersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        core::programSettings().setText("CORCTRL", "1");
        mainttest::loadScriptedDay(site);
    }
    maintenance::LedgerCheck check() { return maintenance::verifyLedgers(core::programSettings()); }
    Site site;
};

TEST_F(VerifyLedgersTest, TheScriptedDayGivesNoDifference)
{
    const auto c = check();
    EXPECT_TRUE(c.clean()) << ::testing::PrintToString(lines(c)) << ::testing::PrintToString(c.problems);
    ASSERT_EQ(c.tables.size(), 9u);
    std::vector<std::string> summary;
    for (const auto& t : c.tables)
        summary.push_back(t.file + " " + std::to_string(t.rows) + (t.checked ? "" : " unchecked"));
    EXPECT_EQ(summary, (std::vector<std::string>{"STOCK.DBF 3", "APACC.DBF 1", "ARACC.DBF 2", "ORACC.DBF 2",
                                                 "WDATA1.DBF 3", "WDATA2.DBF 1", "WDATA3.DBF 1", "WDATA4.DBF 1",
                                                 "WDATA5.DBF 1"}));
    EXPECT_TRUE(c.notes.empty()) << ::testing::PrintToString(c.notes);
}

TEST_F(VerifyLedgersTest, EachKindOfDamageIsReportedWithBothValuesAndNothingIsWritten)
{
    struct Case {
        const char* what;
        std::function<void(Site&)> damage;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"a balance changed by hand",
         [](Site& s) { s.set(s.pathOf("ApAcc"), "CODE", "F001", "BALANCE", "5350"); },
         {"APACC.DBF F001 BALANCE 5350.00 -> 4850.00 (500.00)"}},
        {"an opening balance no document explains",
         [](Site& s) { s.load("ApAcc", "CODE,BALANCE,BORROW\nF002,700,0\n"); },
         {"APACC.DBF F002 BALANCE 700.00 -> 0.00 (700.00)"}},
        {"a stock row under another code",
         [](Site& s) { s.set(s.pathOf("Stock"), "CODE", "P002", "CODE", "P009"); },
         {"STOCK.DBF P009 / W2 BALANCE 504.00 -> 0.00 (504.00)", "STOCK.DBF P002 / W2 BALANCE no row -> 504.00"}},
        {"a second row of a key",
         [](Site& s) { s.load("Stock", "CODE,WHOUSE,BALANCE\nP001,W1,10\n"); },
         {"STOCK.DBF P001 / W1 (record 4, a second row of this key) BALANCE 10.00 -> 0.00 (10.00)"}},
        {"a settled ticket's flag left open",
         [](Site& s) { s.set(s.pathOf("Wdata3"), "TICKET", "000001", "ACCOUNT", ""); },
         {"WDATA3.DBF 05/12/2026 / 12:00:00 / 000001 ACCOUNT \" \" -> \"1\""}},
        {"a ticket's settled part changed",
         [](Site& s) { s.set(s.pathOf("Wdata1"), "TICKET", "000001", "CLEAR", "11000"); },
         {"WDATA1.DBF 05/12/2026 / 08:00:00 / 000001 CLEAR 11000.00 -> 12000.00 (-1000.00)"}},
        {"a voucher marked without its reversal",
         [](Site& s) { s.mark(s.pathOf("Money3"), "TICKET", "000001"); },
         {"APACC.DBF F001 BORROW 1500.00 -> -500.00 (2000.00)"}},
        {"a unit's rate changed after the posting",
         [](Site& s) { s.set(s.pathOf("Unit"), "CODE", "BAG", "RATE", "40"); },
         {"STOCK.DBF P002 / W2 BALANCE 504.00 -> 404.00 (100.00)"}},
        {"an order's delivered weight",
         [](Site& s) { s.set(s.pathOf("OrAcc"), "CODE", "SO2", "WEIGHT", "25"); },
         {"ORACC.DBF C001 / P001 / SO2 WEIGHT 25.00 -> 0.00 (25.00)"}},
        {"a deleted ticket brought back without its posting",
         [](Site& s) { s.mark(s.pathOf("Wdata1"), "TICKET", "000003", false); },
         {"STOCK.DBF P001 / W2 BALANCE 0.00 -> 1000.00 (-1000.00)", "APACC.DBF F001 BALANCE 4850.00 -> 8850.00 (-4000.00)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        mainttest::Site fresh;
        core::programSettings().setText("CORCTRL", "1");
        mainttest::loadScriptedDay(fresh);
        c.damage(fresh);
        const auto damaged = dataFiles(fresh);
        const auto result = maintenance::verifyLedgers(core::programSettings());
        EXPECT_EQ(lines(result), c.expected);
        EXPECT_FALSE(result.clean());
        EXPECT_EQ(dataFiles(fresh), damaged);
    }
}

TEST_F(VerifyLedgersTest, OrdersAreNotCheckedWithoutOrderControl)
{
    core::programSettings().setText("CORCTRL", "0");
    site.set(site.pathOf("OrAcc"), "CODE", "SO1", "WEIGHT", "5");
    const auto c = check();
    EXPECT_TRUE(c.clean()) << ::testing::PrintToString(lines(c));
    EXPECT_FALSE(c.tables[3].checked);
    EXPECT_EQ(c.tables[3].note, "not checked: order control ([Misc] Order) is off");
}

TEST_F(VerifyLedgersTest, DocumentsNamingAMissingOrderOrTicketAreNotes)
{
    site.load("Wdata3", "TICKET,STAT,COMPANY,PRODUCT,WHOUSE,DAYIN,TMIN,QTY,AMOUNT,CASH,ACCOUNT,REMARK4\n"
                        "000002,2,C001,P001,W1,20261205,15:00:00,0,100,100,1,SO9\n");
    site.load("Detail2", "INDENT,RECORD,TYPE,TICKET,DATE,TIME,AMOUNT\nI9,R9,RET,000077,20261201,07:00:00,50\n");
    const auto c = check();
    EXPECT_TRUE(c.clean()) << ::testing::PrintToString(lines(c));
    EXPECT_EQ(c.notes.size(), 2u) << ::testing::PrintToString(c.notes);
}

TEST_F(VerifyLedgersTest, AnUnreadableTableIsAProblemAndNothingIsCompared)
{
    testsupport::writeFile(site.data() + "MONEY2.DBF", "not a table");
    const auto c = check();
    EXPECT_FALSE(c.clean());
    ASSERT_EQ(c.problems.size(), 1u);
    EXPECT_NE(c.problems[0].find("MONEY2.DBF"), std::string::npos);
    EXPECT_TRUE(c.differences.empty());
}

}  // namespace
