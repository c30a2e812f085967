// A day of work through the screens' models - tickets of every kind (one edited, one open, one
// deleted, one deleted and undeleted), payments settling tickets through the selection and by hand
// (lines changed and marked, a voucher deleted and undeleted), a receipt, loans given and taken,
// production records with lines in several units - and then every stock, supplier and customer
// balance and every ticket's settled part is what the ledger verification recomputes from the
// documents left live.
#include <gtest/gtest.h>

#include "maintenance/verify_ledgers.h"
#include "voucher_fixture.h"
#include "weighing/calc.h"
#include "weighing/ticket_screen.h"

using namespace accounts;
using namespace vouchertest;

namespace {

class LedgerDayTest : public ::testing::Test {
protected:
    // A complete ticket weighed in and out on its screen, `onAccount` of its amount on account.
    void weigh(weighing::TicketScreen& s, const char* truck, const char* party, long long in, long long out,
               double onAccount, const char* product = "P001", const char* whouse = "W1", double fee = 0)
    {
        weighingtest::Weighing w;
        w.truck = truck;
        w.party = party;
        w.product = product;
        w.whouse = whouse;
        site.clock.advanceMs(60'000);
        ASSERT_TRUE(weighingtest::firstWeighing(s, tickets, w, in));
        site.clock.advanceMs(60'000);
        ASSERT_TRUE(weighingtest::startSecondWeighing(s, tickets, truck, out));
        if (!s.kindInfo().goods) {
            ASSERT_TRUE(weighingtest::typeNumber(s, "cAmount", fee));
        }
        ASSERT_TRUE(weighingtest::typeNumber(s, "cDrCr", onAccount));
        ASSERT_TRUE(s.TRSAVE());
    }
    void confirmNext() { site.prompts.answers.push_back(true); }

    Site site;
    weighingtest::ScriptedPickList picks;
    weighingtest::ScriptedHost tickets;
    ScriptedDocumentHost docs;
};

TEST_F(LedgerDayTest, AfterADaysWorkEveryLedgerMatchesTheDocuments)
{
    {
        weighing::TicketScreen purchases(1, 6, tickets);
        ASSERT_TRUE(purchases.open());
        weigh(purchases, "70-1234", "F001", 15000, 7000, 20000);  // 000001: 8,000 kg
        purchases.editPressed();
        ASSERT_EQ(purchases.mode(), 3);
        ASSERT_TRUE(weighingtest::typeNumber(purchases, "cDrCr", 25000));
        ASSERT_TRUE(purchases.TRSAVE());
        weigh(purchases, "81-5678", "F001", 12000, 4000, 58000);                 // 000002
        weigh(purchases, "70-1234", "F002", 10000, 5000, 10000, "P002", "W2");  // 000003, deleted
        confirmNext();
        purchases.deletePressed();
        site.clock.advanceMs(60'000);
        weighingtest::Weighing open;
        open.truck = "81-5678";
        ASSERT_TRUE(weighingtest::firstWeighing(purchases, tickets, open, 9000));  // 000004, left open
    }
    {
        weighing::TicketScreen returns(2, 6, tickets);
        ASSERT_TRUE(returns.open());
        weigh(returns, "70-1234", "F001", 6000, 5000, 2000);
        confirmNext();
        returns.deletePressed();
        confirmNext();
        returns.deletePressed();  // undeleted: posted again
    }
    {
        weighing::TicketScreen sales(3, 6, tickets);
        ASSERT_TRUE(sales.open());
        weigh(sales, "70-1234", "C001", 5000, 15000, 50000);
        weighing::TicketScreen customerReturns(4, 6, tickets);
        ASSERT_TRUE(customerReturns.open());
        weigh(customerReturns, "81-5678", "C001", 8000, 7500, 1000);
        weighing::TicketScreen service(5, 6, tickets);
        ASSERT_TRUE(service.open());
        weigh(service, "70-1234", "C002", 15000, 11000, 200, "", "", 200);
    }

    {
        VoucherScreen payments(1, 6, docs);
        ASSERT_TRUE(payments.open());
        ASSERT_TRUE(newVoucher(payments, "F001"));
        // Every open ticket of the supplier selected: two purchases, the open one (nothing on
        // account: no line), the return - which the payment settles net of.
        docs.onSelection = [](TicketSelection& sel) {
            sel.MNFILLCHK(4);
            sel.accept();
        };
        docs.lineDialogs = {saveLine({text("cdType", "")})};
        payments.addLines();
        docs.lineDialogs = {voucherLine("OTH", "X1", 150)};
        payments.addLines();
        ASSERT_EQ(payments.values().number("cLines"), 4);
        ASSERT_EQ(payments.values().number("cAmount"), 25000 + 58000 + 0 - 2000 + 150);
        payments.editPressed();
        ASSERT_TRUE(type(payments, number("cCheque", 5150)));
        ASSERT_TRUE(payments.MNSAVE());
        // The other item marked, the second purchase settled only in part: settled again. The lines
        // stand in the selection's order (date and number): 000001, its return, 000002.
        toLine(payments, 3);
        confirmNext();
        ASSERT_TRUE(payments.MNDTDELE());
        toLine(payments, 2);
        docs.lineDialogs = {saveLine({number("cdAmount", 50000)})};
        payments.changeLine();
        ASSERT_EQ(payments.values().number("cAmount"), 73000);
        payments.editPressed();
        ASSERT_TRUE(type(payments, {number("cCheque", 5000), number("cCash", 68000)}));
        ASSERT_TRUE(payments.MNSAVE());

        // A payment to the other supplier deleted, undeleted and deleted again.
        ASSERT_TRUE(newVoucher(payments, "F002"));
        docs.lineDialogs = {voucherLine("OTH", "X2", 500)};
        payments.addLines();
        payments.editPressed();
        ASSERT_TRUE(type(payments, number("cCash", 500)));
        ASSERT_TRUE(payments.MNSAVE());
        for (int i = 0; i < 3; ++i) {
            confirmNext();
            payments.deletePressed();
        }
        // A payment half by a deduction from the supplier's loan.
        ASSERT_TRUE(newVoucher(payments, "F001"));
        docs.lineDialogs = {voucherLine("OTH", "X3", 1000)};
        payments.addLines();
        payments.editPressed();
        ASSERT_TRUE(type(payments, number("cDrCr", 500)));
        ASSERT_TRUE(payments.MNSAVE());
        EXPECT_TRUE(payments.mayClose());
    }
    {
        VoucherScreen receipts(2, 6, docs);
        ASSERT_TRUE(receipts.open());
        ASSERT_TRUE(newVoucher(receipts, "C001"));
        docs.onSelection = [](TicketSelection& sel) {
            sel.source().goTop();
            sel.MNFILLCHK(2);
            sel.accept();
        };
        docs.lineDialogs = {saveLine({text("cdType", "")})};
        receipts.addLines();
        ASSERT_EQ(receipts.values().number("cAmount"), 50000);
        docs.lineDialogs = {saveLine({number("cdAmount", 30000)})};
        receipts.changeLine();
        receipts.editPressed();
        ASSERT_TRUE(type(receipts, number("cCheque", 30000)));
        ASSERT_TRUE(receipts.MNSAVE());
    }
    {
        VoucherScreen lent(3, 6, docs);
        ASSERT_TRUE(lent.open());
        ASSERT_TRUE(newVoucher(lent, "F001", 2000, {number("cCash", 2000)}));
        lent.editPressed();
        ASSERT_TRUE(type(lent, {number("cAmount", 2500), number("cCheque", 2500)}));
        ASSERT_TRUE(lent.MNSAVE());
        ASSERT_TRUE(newVoucher(lent, "F002", 1000, {number("cCash", 1000)}));
        confirmNext();
        lent.deletePressed();
        VoucherScreen borrowed(4, 6, docs);
        ASSERT_TRUE(borrowed.open());
        ASSERT_TRUE(newVoucher(borrowed, "C002", 300, {number("cCash", 300)}));
    }
    {
        ProductionScreen production(6, docs);
        ASSERT_TRUE(production.open());
        production.newPressed();
        ASSERT_TRUE(type(production, text("cRemark1", "ผลิตข้าวสาร")));
        ASSERT_TRUE(production.SKSAVE1());
        docs.lineDialogs = {productionLine("P002", "W2", "BAG", 10), productionLine("P001", "W1", "TON", -1.5),
                            productionLine("P002", "W2", "BOX", 4), productionLine("P002", "W2", "BAG", 100)};
        production.addLines();
        toLine(production, 3);
        confirmNext();
        ASSERT_TRUE(production.MNDTDELE());
        toLine(production, 0);
        docs.lineDialogs = {saveLine({text("cdWHouse", "W1")})};
        production.changeLine();

        production.newPressed();
        ASSERT_TRUE(type(production, text("cRemark1", "ทดลอง")));
        ASSERT_TRUE(production.SKSAVE1());
        docs.lineDialogs = {productionLine("P001", "W2", "KG", 70)};
        production.addLines();
        for (int i = 0; i < 3; ++i) {
            confirmNext();
            production.deletePressed();
        }
    }

    // A few balances worked out by hand, then every ledger against the documents.
    EXPECT_DOUBLE_EQ(site.stock("P002", "W1"), 500);
    EXPECT_DOUBLE_EQ(site.stock("P002", "W2"), 4);
    EXPECT_DOUBLE_EQ(site.stock("P001", "W2"), 0);
    EXPECT_DOUBLE_EQ(site.stock("P001", "W1"), 8000 + 8000 - 1000 - 10000 + 500 - 1500);
    EXPECT_DOUBLE_EQ(site.account("ApAcc", "F001"), 25000 + 58000 - 2000 - 73000 - 1000);
    EXPECT_DOUBLE_EQ(site.account("ApAcc", "F002"), 0);  // its ticket and payment deleted
    EXPECT_DOUBLE_EQ(site.find("ApAcc", "CODE", "F001")->number("BORROW"), 2500 - 500);
    EXPECT_DOUBLE_EQ(site.account("ArAcc", "C001"), 50000 - 1000 - 30000);
    EXPECT_DOUBLE_EQ(ticket(site, "Wdata1", "000002").number("CLEAR"), 50000);

    const maintenance::LedgerCheck check = maintenance::verifyLedgers(core::programSettings());
    for (const std::string& p : check.problems)
        ADD_FAILURE() << core::tis620::toUtf8(p);
    for (const maintenance::LedgerDifference& d : check.differences)
        ADD_FAILURE() << d.file << ": " << core::tis620::toUtf8(d.row) << ": " << d.field << " stored " << d.stored
                      << ", documents give " << d.computed;
    EXPECT_TRUE(check.clean());
    std::size_t rows = 0;
    for (const maintenance::LedgerTable& t : check.tables)
        rows += t.rows;
    EXPECT_GT(rows, 10u);
}

}  // namespace
