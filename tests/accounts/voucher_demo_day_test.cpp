// Each kind of voucher and the production record printed from its demo template (`mervo-admin init
// --demo`) to a PDF: a payment (printed with its live lines only, and counted), a receipt, loans
// given and taken, and production lines in the demo's units. The ledgers these documents move are the
// seeded run of the books' checks, and `verify-ledgers` on a demo week the site tests'.
#include <gtest/gtest.h>

#include "core/settings.h"
#include "core/tis620.h"
#include "support/pdf_text.h"
#include "support/seams.h"
#include "support/temp_dir.h"
#include "support/test_site.h"
#include "ui/qt_print_destination.h"
#include "voucher_fixture.h"
#include "weighing/ticket_ui_helpers.h"

using namespace accounts;
using namespace vouchertest;

namespace {

class VoucherDemoDay : public ::testing::Test {
protected:
    void SetUp() override
    {
        site = dir.path() + "/demo";
        tickettest::startDemoSite(site);
        core::programSettings().setText("CPRINTER", "N");
    }
    void TearDown() override { core::programSettings().clear(); }

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

    testsupport::TempDir dir;
    std::string site;
    testsupport::RecordingPrompts prompts;
    testsupport::RecordingSound sound;
    ScriptedDocumentHost host;
};

TEST_F(VoucherDemoDay, EveryKindOfVoucherAndProductionPrintsFromItsTemplate)
{
    struct Printed {
        const char* name;
        std::string text;
        const char* word;  // the template's title
    };
    std::vector<Printed> printed;
    {
        VoucherScreen lent(3, 6, host);
        ASSERT_TRUE(lent.open());
        ASSERT_TRUE(newVoucher(lent, "F001", 2500, {number("cCheque", 2500)}));
        printed.push_back({"Money3", print(lent, "lent"), "ใบสำคัญจ่ายเงินให้ยืม"});
        VoucherScreen borrowed(4, 6, host);
        ASSERT_TRUE(borrowed.open());
        ASSERT_TRUE(newVoucher(borrowed, "C002", 300, {number("cCash", 300)}));
        printed.push_back({"Money4", print(borrowed, "borrowed"), "ใบสำคัญรับเงินยืม"});
    }
    {
        VoucherScreen payments(1, 6, host);
        ASSERT_TRUE(payments.open());
        ASSERT_TRUE(newVoucher(payments, "F001"));
        host.lineDialogs = {voucherLine("OTH", "X1", 50000), voucherLine("OTH", "X2", 38000),
                            voucherLine("OTH", "X3", 150), voucherLine("OTH", "X4", 150)};
        payments.addLines();
        toLine(payments, 2);
        prompts.answers = {true};
        ASSERT_TRUE(payments.MNDTDELE());  // marked: not printed
        ASSERT_EQ(payments.values().number("cLines"), 3);
        ASSERT_DOUBLE_EQ(payments.values().number("cAmount"), 50000 + 38000 + 150);
        payments.editPressed();
        ASSERT_TRUE(type(payments, {number("cCheque", 80000), number("cCash", 8150)}));
        ASSERT_TRUE(payments.MNSAVE());
        printed.push_back({"Money1", print(payments, "payment"), "ใบสำคัญจ่ายเงิน"});
    }
    {
        VoucherScreen receipts(2, 6, host);
        ASSERT_TRUE(receipts.open());
        ASSERT_TRUE(newVoucher(receipts, "C001"));
        host.lineDialogs = {voucherLine("OTH", "Y1", 50000)};
        receipts.addLines();
        ASSERT_EQ(receipts.values().number("cAmount"), 50000);
        receipts.editPressed();
        ASSERT_TRUE(type(receipts, number("cCheque", 50000)));
        ASSERT_TRUE(receipts.MNSAVE());
        printed.push_back({"Money2", print(receipts, "receipt"), "ใบเสร็จรับเงิน"});
    }
    {
        ProductionScreen production(6, host);
        ASSERT_TRUE(production.open());
        production.newPressed();
        ASSERT_TRUE(type(production, text("cRemark1", "สีข้าวเปลือกเป็นข้าวสาร")));
        ASSERT_TRUE(production.SKSAVE1());
        host.lineDialogs = {productionLine("P002", "W02", "SACK50", 10), productionLine("P001", "W01", "TON", -1.5),
                            productionLine("P002", "W02", "KG", 4)};
        production.addLines();
        ASSERT_EQ(production.values().number("cLines"), 3);
        printed.push_back({"Stock1", print(production, "production"), "ใบบันทึกการผลิต"});
    }
    for (const Printed& p : printed)
        EXPECT_NE(p.text.find(p.word), std::string::npos) << p.name << "\n" << p.text;
    EXPECT_NE(printed[2].text.find("X4"), std::string::npos) << "the line after the marked one";
    EXPECT_EQ(printed[2].text.find("X3"), std::string::npos) << printed[2].text;
    EXPECT_NE(printed[2].text.find("รวม 3 รายการ"), std::string::npos) << printed[2].text;
    EXPECT_EQ(testsupport::readRows(site, "Money1").at(0).number("PRINT"), 1);

    // The demo's sack holds 50 kilograms.
    double sacks = 0;
    for (const testsupport::TableRow& r : testsupport::readRows(site, "Stock"))
        if (!r.deleted && r.text("CODE") == "P002" && r.text("WHOUSE") == "W02")
            sacks += r.number("BALANCE");
    EXPECT_DOUBLE_EQ(sacks, 10 * 50 + 4);
}

}  // namespace
