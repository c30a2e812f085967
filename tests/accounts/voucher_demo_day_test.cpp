// Money and production on a demo site (`mervo-admin init --demo`): two purchases weighed through
// the ticket screen's dialog on account (weights from mervo-scale-sim), the supplier paid for both
// through a payment voucher's ticket selection, a receipt from a customer, a loan given and one
// taken, a production batch - each printed from its demo template to a PDF - and then `mervo-admin
// verify-ledgers` finds no difference and the ledger rows hold the balances worked out by hand.
#include <QAbstractButton>
#include <gtest/gtest.h>

#include <tuple>

#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/table.h"
#include "support/pdf_text.h"
#include "support/run_process.h"
#include "support/seams.h"
#include "support/temp_dir.h"
#include "ui/qt_print_destination.h"
#include "voucher_fixture.h"
#include "weighing/dialogs/ticket_dialog.h"
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
    // A row of a ledger or ticket table as another workstation reads it.
    double field(const char* table, const char* keyField, const std::string& key, const char* wanted)
    {
        std::unique_ptr<storage::Table> t;
        EXPECT_TRUE(storage::openCatalogueTable(site + "/DATA/", *storage::findTable(table), storage::ShareMode::Shared, &t)
                        .ok());
        double sum = 0;
        int found = 0;
        for (std::uint32_t r = 1; t && r <= t->recCount(); ++r) {
            core::Value k, v;
            if (!t->goTo(r).ok() || t->deleted() || !t->get(keyField, &k).ok() || !t->get(wanted, &v).ok())
                continue;
            if (core::xbase::alltrim(k.asText()) == key) {
                sum += v.asNumber();
                ++found;
            }
        }
        EXPECT_EQ(found, 1) << table << " " << key;
        if (t)
            (void)t->close();
        return sum;
    }

    testsupport::TempDir dir;
    std::string site;
    testsupport::RecordingPrompts prompts;
    testsupport::RecordingSound sound;
    ScriptedDocumentHost host;
};

TEST_F(VoucherDemoDay, TwoPurchasesPaidALoanAReceiptAndABatchPrintedKeepTheLedgersExact)
{
    Watchdog watchdog(120);
    purchase("70-1234", 15000, 5000);
    purchase("81-5678", 12000, 4000);
    const double first = field("Wdata1", "TICKET", "000001", "DRCR");
    const double second = field("Wdata1", "TICKET", "000002", "DRCR");
    const double weighed = field("Wdata1", "TICKET", "000001", "QTY") + field("Wdata1", "TICKET", "000002", "QTY");
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    ASSERT_DOUBLE_EQ(field("ApAcc", "CODE", "F001", "BALANCE"), first + second);

    struct Printed {
        const char* name;
        std::string text;
        const char* word;  // the template's title
    };
    std::vector<Printed> printed;
    {
        VoucherScreen payment(1, 6, host);
        ASSERT_TRUE(payment.open());
        ASSERT_TRUE(newVoucher(payment, "F001"));
        host.onSelection = [](TicketSelection& sel) {
            EXPECT_EQ(sel.rowCount(), 2u);
            sel.MNFILLCHK(4);
            sel.accept();
        };
        host.lineDialogs = {saveLine({text("cdType", "")})};
        payment.addLines();
        ASSERT_EQ(payment.values().number("cLines"), 2);
        payment.editPressed();
        ASSERT_TRUE(type(payment, number("cCash", first + second)));
        ASSERT_TRUE(payment.MNSAVE());
        printed.push_back({"Money1", print(payment, "payment"), "ใบสำคัญจ่ายเงิน"});
    }
    {
        VoucherScreen receipt(2, 6, host);
        ASSERT_TRUE(receipt.open());
        ASSERT_TRUE(newVoucher(receipt, "C001"));
        host.lineDialogs = {voucherLine("OTH", "R1", 3000)};
        receipt.addLines();
        receipt.editPressed();
        ASSERT_TRUE(type(receipt, number("cCheque", 3000)));
        ASSERT_TRUE(receipt.MNSAVE());
        printed.push_back({"Money2", print(receipt, "receipt"), "ใบเสร็จรับเงิน"});
    }
    for (const auto& [kind, partner, name, word] :
         {std::tuple{3, "F001", "Money3", "ใบสำคัญจ่ายเงินให้ยืม"}, std::tuple{4, "C001", "Money4", "ใบสำคัญรับเงินยืม"}}) {
        VoucherScreen loan(kind, 6, host);
        ASSERT_TRUE(loan.open());
        prompts.answers = {false};  // printed below, not at save
        ASSERT_TRUE(newVoucher(loan, partner, 5000, {number("cCash", 5000)}));
        printed.push_back({name, print(loan, std::string("loan") + std::to_string(kind)), word});
    }
    {
        ProductionScreen production(6, host);
        ASSERT_TRUE(production.open());
        production.newPressed();
        ASSERT_TRUE(type(production, text("cRemark1", "สีข้าวเปลือกเป็นข้าวสาร")));
        ASSERT_TRUE(production.SKSAVE1());
        host.lineDialogs = {productionLine("P001", "W01", "KG", -600), productionLine("P002", "W01", "KG", 400)};
        production.addLines();
        ASSERT_EQ(production.values().number("cLines"), 2);
        printed.push_back({"Stock1", print(production, "production"), "ใบบันทึกการผลิต"});
    }
    for (const Printed& p : printed)
        EXPECT_NE(p.text.find(p.word), std::string::npos) << p.name << "\n" << p.text;
    EXPECT_NE(printed[0].text.find("000002"), std::string::npos) << "both tickets on the payment";

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

    EXPECT_DOUBLE_EQ(field("ApAcc", "CODE", "F001", "BALANCE"), 0);
    EXPECT_DOUBLE_EQ(field("ApAcc", "CODE", "F001", "BORROW"), 5000);
    EXPECT_DOUBLE_EQ(field("ArAcc", "CODE", "C001", "BALANCE"), -3000);
    EXPECT_DOUBLE_EQ(field("ArAcc", "CODE", "C001", "BORROW"), 5000);
    EXPECT_DOUBLE_EQ(field("Stock", "CODE", "P002", "BALANCE"), 400);
    EXPECT_DOUBLE_EQ(field("Stock", "CODE", "P001", "BALANCE"), weighed - 600);
    for (const char* ticket : {"000001", "000002"})
        EXPECT_DOUBLE_EQ(field("Wdata1", "TICKET", ticket, "CLEAR"), field("Wdata1", "TICKET", ticket, "DRCR"));
}

}  // namespace
