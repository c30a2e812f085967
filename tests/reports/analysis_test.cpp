// The analysis work tables: the movement analysis's rows and the ledgers' opening values rolled
// back to the start date (the cases one by one), the balance summary of a day without tickets, and
// two workstations running the movement analysis at once (two processes): the second waits, then
// is told another one is at work, and the first one's opening values stand.
#include <gtest/gtest.h>

#include "core/settings.h"
#include "reports/analysis.h"
#include "reports/reports_fixture.h"
#include "reports/tables.h"
#include "storage/fault_fs.h"
#include "storage/fork_child.h"
#include "support/seams.h"

namespace {

using reports::ReportOutcome;
using reportstest::ReportSite;
using Texts = std::vector<std::string>;

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

// A ticket deleted after it was settled (as an earlier version allowed) left its settled part in
// the account; the payment that settled it is rolled back, and so is that part.
TEST(MovementAnalysis, ATicketDeletedAfterItsSettlementLeavesTheOpeningBalanceAsItWas)
{
    ReportSite site;
    ASSERT_EQ(site.mark(site.pathOf("Wdata1"), "TICKET", "000002"), 1);
    ASSERT_EQ(site.runWeek("ACC01"), ReportOutcome::Printed);
    EXPECT_DOUBLE_EQ(site.number("ApAcc", "CODE", "F001", "BEGIN"), 0);
}

TEST(MovementAnalysis, TheCasesOneByOne)
{
    const std::string ticket = "TICKET,STAT,COMPANY,PRODUCT,WHOUSE,UNIT,DAYIN,QTY\n";
    const std::string stock = "CODE,WHOUSE,BALANCE\nP001,W01,5000\n";
    const struct {
        const char* what;
        const char* table;
        std::string csv;
        const char* ledger;
        std::string before;  // the ledger's records before the run
        const char* code;    // of its one record after the run
        double begin, balance;
        Texts rows;
    } cases[] = {
        {"a completed purchase on the start date lowers its stock's opening by its quantity", "Wdata1",
         ticket + "000001,2,F001,P001,W01,KG,20261201,1000\n", "Stock", stock, "P001", 4000, 5000, {"REC 000001"}},
        {"a sale before the start date writes no row", "Wdata3", ticket + "000001,2,C001,P001,W01,KG,20261130,700\n",
         "Stock", stock, "P001", 5000, 5000, {}},
        {"an open ticket writes no row", "Wdata1", ticket + "000001,1,F001,P001,W01,KG,20261202,700\n", "Stock", stock,
         "P001", 5000, 5000, {}},
        {"a production line whose unit has rate 0 counts its quantity once", "Detail3",
         "INDENT,RECORD,DOC_NO,DOC_DATE,CODE,WHOUSE,UNIT,QTY\n1,1,000001,20261203,P001,W01,BAG0,250\n", "Stock", stock,
         "P001", 4750, 5000, {"STK1 000001"}},
        {"a movement of a pair without a stock record creates one", "Wdata1",
         ticket + "000001,2,F001,P002,W03,KG,20261202,300\n", "Stock", "", "P002", -300, 0, {"REC 000001"}},
        {"a payment's loan deduction returns to the supplier's opening balance", "Money1",
         "TICKET,DATE,COMPANY,AMOUNT,CASH,DRCR,CHEQUE\n000001,20261202,F001,1000,600,100,300\n", "ApAcc",
         "CODE,BALANCE\nF001,0\n", "F001", 1000, 0, {"MON1 000001"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ReportSite site(false);
        site.load("Unit", "CODE,NAME,RATE\nBAG0,กระสอบ,0\n");
        site.load(c.table, c.csv);
        if (!c.before.empty())
            site.load(c.ledger, c.before);
        ASSERT_NE(site.run("ACC03", ReportSite::days(1, 5)), ReportOutcome::NotRun);
        EXPECT_EQ(workRows(site), c.rows);
        EXPECT_EQ(site.values(c.ledger, "CODE"), Texts{c.code});
        EXPECT_DOUBLE_EQ(site.number(c.ledger, "CODE", c.code, "BEGIN"), c.begin);
        EXPECT_DOUBLE_EQ(site.number(c.ledger, "CODE", c.code, "BALANCE"), c.balance);
    }
}

// The summary's balances and the week's movements are in its reference text (reports_ui_test); a day
// outside the week moves nothing.
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
    EXPECT_DOUBLE_EQ(site.number("Stock", "CODE", "P001", "BEGIN"), 4000);
    EXPECT_DOUBLE_EQ(site.number("ApAcc", "CODE", "F001", "BBEGIN"), 10000);
    other.send('q');
    ASSERT_EQ(other.wait(), 0);
    // Once the other one is done, this one runs with its own start date.
    site.prompts.shown.clear();
    EXPECT_EQ(site.run("ACC01", ReportSite::days(4, 5)), ReportOutcome::Printed);
    EXPECT_DOUBLE_EQ(site.number("Stock", "CODE", "P001", "BEGIN"), 14080);
    EXPECT_DOUBLE_EQ(site.number("ApAcc", "CODE", "F001", "BBEGIN"), 1750);
    EXPECT_DOUBLE_EQ(site.number("ApAcc", "CODE", "F002", "BEGIN"), 54390);
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
    const struct {
        core::FaultAnswer answer;
        bool printed;
    } cases[] = {{core::FaultAnswer::Retry, true}, {core::FaultAnswer::Quit, false}};
    for (const auto& c : cases) {
        ReportSite site;
        storagetest::FaultFileSystem fs;
        fs.failOnly = "APACC.DBF";
        fs.failWrite = writes / 2;
        testsupport::RecordingFaultHandler faults(c.answer);
        EXPECT_EQ(site.runWeek("ACC01") == ReportOutcome::Printed, c.printed);
        ASSERT_EQ(faults.faults.size(), 1u);
        EXPECT_EQ(faults.faults[0].operation, "COMMIT");
        if (c.printed) {
            EXPECT_EQ(workRows(site), rows);
            EXPECT_EQ(site.values("ApAcc", "BEGIN"), opening);
        }
    }
}

}  // namespace
