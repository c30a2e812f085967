// A day of the books on a demo site (`mervo-admin init --demo`): two purchases weighed through the
// ticket screen's dialog on account (weights from mervo-scale-sim), then through the screens'
// models tickets of every kind (one edited, one open, one deleted, a return deleted and undeleted),
// payments settling tickets through the selection net of the return and by hand (lines changed and
// marked, a voucher deleted and undeleted, one half by a deduction from the loan), a receipt, loans
// given and taken, production records with lines in several units - each kind of voucher and the
// production record printed from its demo template to a PDF - and then `mervo-admin
// verify-ledgers` finds no difference and the ledger rows hold the balances worked out by hand.
#include <QAbstractButton>
#include <gtest/gtest.h>

#include <tuple>

#include "core/settings.h"
#include "core/tis620.h"
#include "support/pdf_text.h"
#include "support/run_process.h"
#include "support/seams.h"
#include "support/temp_dir.h"
#include "support/test_site.h"
#include "ui/qt_print_destination.h"
#include "voucher_fixture.h"
#include "weighing/dialogs/ticket_dialog.h"
#include "weighing/ticket_screen.h"
#include "weighing/ticket_ui_helpers.h"

using namespace accounts;
using namespace vouchertest;
using namespace tickettest;

namespace {

const std::string kAdmin = MERVO_BINARY_DIR "/app/mervo-admin";

class VoucherDemoDay : public ::testing::Test {
protected:
    void SetUp() override
    {
        site = dir.path() + "/demo";
        startDemoSite(site);
        core::programSettings().setText("CPRINTER", "N");
    }
    void TearDown() override { core::programSettings().clear(); }

    // A purchase weighed in and out through the dialog, all of it on account.
    void purchase(const char* truck, long long in, long long out)
    {
        whenShown<weighing::TicketDialog>([&](weighing::TicketDialog* d) {
            ui::Form& form = d->form();
            for (const auto& [which, kg] : {std::pair{weighing::TicketButton::WeighIn, in},
                                            std::pair{weighing::TicketButton::WeighOut, out}}) {
                whenTruckPrompt(truck);
                d->button(weighing::TicketButton::Weigh)->click();
                if (which == weighing::TicketButton::WeighIn)
                    for (const auto& [field, code] : {std::pair{"cFarmer", "F001"}, std::pair{"cProduct", "P001"},
                                                      std::pair{"cWhouse", "W01"}, std::pair{"cUnit", "KG"},
                                                      std::pair{"cMoisture", "M20"}, std::pair{"cMixture", "X2"}})
                        typeInto(form.field(field), code);
                Indicator indicator(kg);
                core::programSettings().setText("CCDEV1", indicator.path);
                d->button(which)->click();
                if (which == weighing::TicketButton::WeighOut)
                    d->button(weighing::TicketButton::Pay2)->click();
                prompts.answers = {false};  // the ticket is not printed
                d->button(weighing::TicketButton::Save)->click();
                ASSERT_EQ(d->screen().mode(), 0);
            }
            d->button(weighing::TicketButton::Exit)->click();
        });
        weighing::TRPROC(1, 6);
    }
    // The screen's current document printed to its own PDF; the PDF's text.
    std::string print(DocumentScreen& s, const std::string& name)
    {
        const std::string pdf = dir.path() + "/" + name + ".pdf";
        ui::PdfPrintDestination destination(pdf);
        core::PrintDestination* previous = core::setPrintDestination(&destination);
        s.printPressed();
        core::setPrintDestination(previous);
        return testsupport::pdfText("-raw", pdf);
    }
    // A field of the one live row of a ledger or ticket table whose key fields hold `keys`, as
    // another workstation reads it.
    double field(const char* table, std::initializer_list<std::pair<const char*, const char*>> keys, const char* wanted)
    {
        double sum = 0;
        int found = 0;
        for (const testsupport::TableRow& r : testsupport::readRows(site, table)) {
            bool match = !r.deleted;
            for (const auto& [keyField, key] : keys)
                match = match && r.text(keyField) == key;
            if (match) {
                sum += r.number(wanted);
                ++found;
            }
        }
        EXPECT_EQ(found, 1) << table << " " << keys.begin()->second;
        return sum;
    }
    double ticketField(const char* table, const char* number, const char* wanted)
    {
        return field(table, {{"TICKET", number}}, wanted);
    }
    double ledger(const char* table, const char* code, const char* wanted = "BALANCE")
    {
        return field(table, {{"CODE", code}}, wanted);
    }
    double stock(const char* code, const char* whouse) { return field("Stock", {{"CODE", code}, {"WHOUSE", whouse}}, "BALANCE"); }

    // A complete ticket weighed in and out on its screen's model, `onAccount` of its amount on account.
    void weigh(weighing::TicketScreen& s, const char* truck, const char* party, long long in, long long out,
               double onAccount, const char* product = "P001", const char* whouse = "W01", double fee = 0)
    {
        weighingtest::Weighing w;
        w.truck = truck;
        w.party = party;
        w.product = product;
        w.whouse = whouse;
        ASSERT_TRUE(weighingtest::firstWeighing(s, tickets, w, in));
        ASSERT_TRUE(weighingtest::startSecondWeighing(s, tickets, truck, out));
        if (!s.kindInfo().goods) {
            ASSERT_TRUE(weighingtest::typeNumber(s, "cAmount", fee));
        }
        ASSERT_TRUE(weighingtest::typeNumber(s, "cDrCr", onAccount));
        ASSERT_TRUE(s.TRSAVE());
    }
    void confirmNext() { prompts.answers.push_back(true); }

    testsupport::TempDir dir;
    std::string site;
    testsupport::RecordingPrompts prompts;
    testsupport::RecordingSound sound;
    ScriptedDocumentHost host;
    weighingtest::ScriptedHost tickets;
};

TEST_F(VoucherDemoDay, ADaysTicketsVouchersLoansAndProductionPrintedKeepTheLedgersExact)
{
    Watchdog watchdog(120);
    purchase("70-1234", 15000, 5000);
    purchase("81-5678", 12000, 4000);
    const double first = ticketField("Wdata1", "000001", "DRCR");
    ASSERT_GT(first, 0);
    // The grades M20 and X2 take 30 + 20 kg and 100 + 50 baht off each ton of net weight: 10 tons
    // leave 9,500 kg at 12.50 less 1,500; 8 tons leave 7,600 kg at 12.50 less 1,200.
    EXPECT_DOUBLE_EQ(ticketField("Wdata1", "000001", "QTY"), 9500);
    EXPECT_DOUBLE_EQ(first, 117250);
    EXPECT_DOUBLE_EQ(ticketField("Wdata1", "000002", "QTY"), 7600);
    EXPECT_DOUBLE_EQ(ticketField("Wdata1", "000002", "AMOUNT"), 93800);
    ASSERT_GT(ticketField("Wdata1", "000002", "DRCR"), 1000);
    ASSERT_DOUBLE_EQ(ledger("ApAcc", "F001"), first + ticketField("Wdata1", "000002", "DRCR"));

    {
        weighing::TicketScreen purchases(1, 6, tickets);
        ASSERT_TRUE(purchases.open());  // on 000002
        purchases.editPressed();
        ASSERT_EQ(purchases.mode(), 3);
        ASSERT_TRUE(weighingtest::typeNumber(purchases, "cDrCr", ticketField("Wdata1", "000002", "DRCR") - 1000));
        ASSERT_TRUE(purchases.TRSAVE());
        weigh(purchases, "70-3456", "F002", 10000, 5000, 10000, "P002");  // 000003, deleted
        confirmNext();
        purchases.deletePressed();
        weighingtest::Weighing open;
        open.truck = "83-7788";
        open.whouse = "W01";
        ASSERT_TRUE(weighingtest::firstWeighing(purchases, tickets, open, 9000));  // 000004, left open
    }
    const double second = ticketField("Wdata1", "000002", "DRCR");
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

    struct Printed {
        const char* name;
        std::string text;
        const char* word;  // the template's title
    };
    std::vector<Printed> printed;
    {
        VoucherScreen payments(1, 6, host);
        ASSERT_TRUE(payments.open());
        ASSERT_TRUE(newVoucher(payments, "F001"));
        // Every open ticket of the supplier selected: two purchases, the open one (nothing on
        // account: no line), the return - which the payment settles net of.
        host.onSelection = [](TicketSelection& sel) {
            sel.MNFILLCHK(4);
            sel.accept();
        };
        host.lineDialogs = {saveLine({text("cdType", "")})};
        payments.addLines();
        host.lineDialogs = {voucherLine("OTH", "X1", 150)};
        payments.addLines();
        ASSERT_EQ(payments.values().number("cLines"), 4);
        ASSERT_DOUBLE_EQ(payments.values().number("cAmount"), first + second - 2000 + 150);
        payments.editPressed();
        ASSERT_TRUE(type(payments, number("cCheque", first + second - 2000 + 150)));
        ASSERT_TRUE(payments.MNSAVE());
        // The other item marked, the second purchase settled only in part: settled again. The lines
        // stand in the selection's order (date and number): 000001, its return, 000002.
        toLine(payments, 3);
        confirmNext();
        ASSERT_TRUE(payments.MNDTDELE());
        toLine(payments, 2);
        host.lineDialogs = {saveLine({number("cdAmount", second - 500)})};
        payments.changeLine();
        ASSERT_DOUBLE_EQ(payments.values().number("cAmount"), first + second - 500 - 2000);
        payments.editPressed();
        ASSERT_TRUE(type(payments, {number("cCheque", 5000), number("cCash", first + second - 2500 - 5000)}));
        ASSERT_TRUE(payments.MNSAVE());
        printed.push_back({"Money1", print(payments, "payment"), "ใบสำคัญจ่ายเงิน"});

        // A payment to the other supplier deleted, undeleted and deleted again.
        ASSERT_TRUE(newVoucher(payments, "F002"));
        host.lineDialogs = {voucherLine("OTH", "X2", 500)};
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
        host.lineDialogs = {voucherLine("OTH", "X3", 1000)};
        payments.addLines();
        payments.editPressed();
        ASSERT_TRUE(type(payments, number("cDrCr", 500)));
        ASSERT_TRUE(payments.MNSAVE());
        EXPECT_TRUE(payments.mayClose());
    }
    {
        VoucherScreen receipts(2, 6, host);
        ASSERT_TRUE(receipts.open());
        ASSERT_TRUE(newVoucher(receipts, "C001"));
        host.onSelection = [](TicketSelection& sel) {
            sel.source().goTop();
            sel.MNFILLCHK(2);
            sel.accept();
        };
        host.lineDialogs = {saveLine({text("cdType", "")})};
        receipts.addLines();
        ASSERT_EQ(receipts.values().number("cAmount"), 50000);
        host.lineDialogs = {saveLine({number("cdAmount", 30000)})};
        receipts.changeLine();
        receipts.editPressed();
        ASSERT_TRUE(type(receipts, number("cCheque", 30000)));
        ASSERT_TRUE(receipts.MNSAVE());
        printed.push_back({"Money2", print(receipts, "receipt"), "ใบเสร็จรับเงิน"});
    }
    {
        VoucherScreen lent(3, 6, host);
        ASSERT_TRUE(lent.open());
        ASSERT_TRUE(newVoucher(lent, "F001", 2000, {number("cCash", 2000)}));
        lent.editPressed();
        ASSERT_TRUE(type(lent, {number("cAmount", 2500), number("cCheque", 2500)}));
        ASSERT_TRUE(lent.MNSAVE());
        printed.push_back({"Money3", print(lent, "lent"), "ใบสำคัญจ่ายเงินให้ยืม"});
        ASSERT_TRUE(newVoucher(lent, "F002", 1000, {number("cCash", 1000)}));
        confirmNext();
        lent.deletePressed();
        VoucherScreen borrowed(4, 6, host);
        ASSERT_TRUE(borrowed.open());
        ASSERT_TRUE(newVoucher(borrowed, "C002", 300, {number("cCash", 300)}));
        printed.push_back({"Money4", print(borrowed, "borrowed"), "ใบสำคัญรับเงินยืม"});
    }
    {
        ProductionScreen production(6, host);
        ASSERT_TRUE(production.open());
        production.newPressed();
        ASSERT_TRUE(type(production, text("cRemark1", "สีข้าวเปลือกเป็นข้าวสาร")));
        ASSERT_TRUE(production.SKSAVE1());
        host.lineDialogs = {productionLine("P002", "W02", "SACK50", 10), productionLine("P001", "W01", "TON", -1.5),
                            productionLine("P002", "W02", "KG", 4), productionLine("P002", "W02", "SACK50", 100)};
        production.addLines();
        toLine(production, 3);
        confirmNext();
        ASSERT_TRUE(production.MNDTDELE());
        toLine(production, 0);
        host.lineDialogs = {saveLine({text("cdWHouse", "W01")})};
        production.changeLine();
        ASSERT_EQ(production.values().number("cLines"), 3);
        printed.push_back({"Stock1", print(production, "production"), "ใบบันทึกการผลิต"});

        production.newPressed();
        ASSERT_TRUE(type(production, text("cRemark1", "ทดลอง")));
        ASSERT_TRUE(production.SKSAVE1());
        host.lineDialogs = {productionLine("P001", "W02", "KG", 70)};
        production.addLines();
        for (int i = 0; i < 3; ++i) {
            confirmNext();
            production.deletePressed();
        }
    }
    for (const Printed& p : printed)
        EXPECT_NE(p.text.find(p.word), std::string::npos) << p.name << "\n" << p.text;
    EXPECT_NE(printed[0].text.find("000002"), std::string::npos) << "both purchases on the payment";

    const auto verified = testsupport::runProcess(kAdmin, {"verify-ledgers", site + "/MERVO.INI"});
    EXPECT_EQ(verified.exitCode, 0) << verified.out << verified.err;
    bool summed = false;
    for (const std::string& line : testsupport::lines(verified.out)) {
        if (line.find("difference") == std::string::npos)
            continue;
        summed = true;
        EXPECT_NE(line.find(" 0 differences"), std::string::npos) << verified.out;
    }
    EXPECT_TRUE(summed) << verified.out;

    // The balances worked out by hand.
    const double weighed = ticketField("Wdata1", "000001", "QTY") + ticketField("Wdata1", "000002", "QTY");
    EXPECT_DOUBLE_EQ(stock("P002", "W01"), 500);
    EXPECT_DOUBLE_EQ(stock("P002", "W02"), 4);
    EXPECT_DOUBLE_EQ(stock("P001", "W02"), 0);
    EXPECT_DOUBLE_EQ(stock("P001", "W01"), weighed - 1000 - 10000 + 500 - 1500);
    EXPECT_DOUBLE_EQ(ledger("ApAcc", "F001"), first + second - 2000 - (first + second - 2500) - 1000);
    EXPECT_DOUBLE_EQ(ledger("ApAcc", "F002"), 0);  // its ticket and payment deleted
    EXPECT_DOUBLE_EQ(ledger("ApAcc", "F001", "BORROW"), 2500 - 500);
    EXPECT_DOUBLE_EQ(ledger("ArAcc", "C001"), 50000 - 1000 - 30000);
    EXPECT_DOUBLE_EQ(ledger("ArAcc", "C002"), 200);
    EXPECT_DOUBLE_EQ(ledger("ArAcc", "C002", "BORROW"), 300);
    EXPECT_DOUBLE_EQ(ticketField("Wdata1", "000001", "CLEAR"), first);
    EXPECT_DOUBLE_EQ(ticketField("Wdata1", "000002", "CLEAR"), second - 500);
}

}  // namespace
