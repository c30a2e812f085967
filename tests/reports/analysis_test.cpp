// The analysis work tables: opening values rolled back past a ticket deleted after settlement, an
// open ticket and a pair without a stock record, the balance summary of a day without tickets, two
// workstations running the movement analysis at once, and a failed ledger write tried again. The
// roll-back of each kind of document is checked by the seeded soak (LedgerSoak).
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

// Two cases the ledger soak (which checks the statements' opening values against the documents)
// never meets: an open ticket, and a movement of a pair the stock ledger holds no record of.
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
