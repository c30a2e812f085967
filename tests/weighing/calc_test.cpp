// The weight, amount and payment calculation, the price rules and a site's formulas; what posting
// tells the clerk, and deleting and undeleting (the ledgers' moves are the seeded run's).
#include <gtest/gtest.h>

#include "core/tis620.h"
#include "weighing/calc.h"
#include "weighing/payment.h"
#include "weighing/posting.h"
#include "weighing/ticket_kind.h"
#include "weighing/ticket_values.h"
#include "weighing_fixture.h"

using core::tis620::T;
using namespace weighing;
using namespace weighingtest;

namespace {

class CalcTest : public ::testing::Test {
protected:
    void open(int kind = 1)
    {
        ASSERT_TRUE(openTicketTables(kind, ws));
        config = readCalcConfig(kind);
        calc = std::make_unique<Calculator>(kind, config, ws, values);
        for (const char* n : {"cWin", "cWout", "cAdj_W1", "cAdj_W2", "cAdj_W3", "cAdj_M1", "cAdj_M2", "cAdj_M3",
                              "cPrice", "cCash", "cDrCr", "cCheque"})
            values.setNumber(n, 0);
        values.setNumber("cRate", 1, 3);
        values.setNumber("CSTEP", 2);
        (void)ws.find("Wdata")->goBottom();
        (void)ws.find("Wdata")->skip(1);
    }
    void set(std::initializer_list<std::pair<const char*, double>> v)
    {
        for (const auto& [name, n] : v)
            values.setNumber(name, n, 2);
    }

    Site site;
    storage::Workspace ws;
    core::ValueMap values;
    CalcConfig config;
    std::unique_ptr<Calculator> calc;
};

// Only a second weighing (step 2) has anything to pay: an open ticket (3) shows nothing.
TEST_F(CalcTest, QuantityAndAmountWithDeductionsPriceAndRate)
{
    open();
    struct Case {
        int step;
        double in, out, rate, price, moneyDeduction;
        const char* netQtyAmount;
    } cases[] = {
        {2, 12000, 4000, 1, 7.25, 100, "8000 7849.5 56808.88"},  // 56,908.875 - 100 = 56,808.875 rounds up
        {2, 4000, 12000, 1, 7.25, 100, "8000 7849.5 56808.88"},  // came in empty: the same net
        {2, 12000, 4000, 1000, 7250, 0, "8000 7849.5 56908.88"},  // a unit of a tonne
        {2, 12000, 4000, 1, 0, 0, "8000 7849.5 0"},
        {3, 12000, 4000, 1, 7.25, 0, "0 0 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "step " << c.step << ", in " << c.in << ", rate " << c.rate);
        set({{"cWin", c.in}, {"cWout", c.out}, {"cAdj_W1", 120.50}, {"cAdj_W2", 30}, {"cPrice", c.price},
             {"cAdj_M1", c.moneyDeduction}});
        values.setNumber("cRate", c.rate, 3);
        values.setNumber("CSTEP", c.step);
        calc->WEIGHCALC();
        EXPECT_EQ(fieldsOf(values, "cNet cQty cAmount"), c.netQtyAmount);
    }
    // The last case weighed out again: without the decimal correction its exact half rounds down.
    site.setting("CDECCOR", "N");
    values.setNumber("CSTEP", 2);
    calc->WEIGHCALC();
    EXPECT_EQ(fieldsOf(values, "cAmount"), "56908.87");
}

TEST(PaymentTest, EditingOnePartSplitsTheRest)
{
    struct Case {
        int layout, part;
        double amount, cash, account, cheque;
        const char* split;  // cash, on account, cheque
    } cases[] = {
        {kPayFull, kPartCheque, 1000, 0, 1000, 400, "0 600 400"},        // cheque typed over on-account
        {kPayFull, kPartCash, 1000, 1500, 0, 0, "1000 0 0"},             // capped at the amount
        {kPayFull, kPartCash, 1000, 300, 1000, 0, "300 700 0"},
        {kPayFull, kPartAccount, 1000, 1000, 250, 0, "750 250 0"},
        {kPayFull, kPartAccount, 1000, 300, 1500, 200, "0 1000 0"},      // on-account above the amount
        {kPayFull, kPartCash, 1000, 300, 0, 200, "300 500 200"},
        {kPayCashAccount, kPartCash, 1000, 200, 0, 500, "200 800 0"},    // no cheque in this layout
        {kPayCashCheque, kPartCash, 1000, 200, 500, 0, "200 0 800"},     // no on-account part
        {kPayFull, kPartCheque, 100.10, 0, 0, 33.33, "66.77 0 33.33"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.layout << "/" << c.part << " " << c.cash);
        core::ValueMap v;
        for (const auto& [name, n] : {std::pair{"cAmount", c.amount}, {"cCash", c.cash}, {"cDrCr", c.account},
                                      {"cCheque", c.cheque}})
            v.setNumber(name, n, 2);
        EXPECT_TRUE(PAYMENT(v, c.layout, c.part));
        EXPECT_EQ(fieldsOf(v, "cCash cDrCr cCheque"), c.split);
        EXPECT_TRUE(paymentBalances(v));
    }
}

TEST_F(CalcTest, DefaultPaymentPartFollowsTheSettingAndKindFiveHasNoCheque)
{
    // Kind 5's fee is the amount typed; the others' amount is worked out.
    struct Case {
        int kind;
        const char* setting;
        const char* split;  // cash, on account, cheque
    } cases[] = {{1, "2", "0 1600 0"}, {1, "3", "0 0 1600"}, {1, "", "1600 0 0"}, {5, "2", "0 120 0"},
                 {5, "3", "120 0 0"}};
    for (const Case& c : cases) {
        (void)ws.closeAll();
        open(c.kind);
        site.setting("CPAYCASE", c.setting);
        set({{"cWin", 1000}, {"cWout", 200}, {"cPrice", 2}, {"cAmount", 120}});
        calc->TRPROCSAY(kPosWeightOut);
        EXPECT_EQ(fieldsOf(values, "cCash cDrCr cCheque"), c.split) << c.kind << " " << c.setting;
    }
}

TEST_F(CalcTest, FormulasReplaceTheBuiltInRulesAndReadNamesInAnyCase)
{
    site.config("Variable", "Qty1", "cnet - CADJ_W1 * 2");
    site.config("Variable", "Price1", "PRODUCT->PRICE2 / 1000");
    site.config("Variable", "Amount1", "XROUND(CQTY * cprice, 0)");
    site.config("Variable", "Remark11", "TRIM(Product->NAME) + ' ' + cWHouse");
    site.config("Variable", "Var11", "cnet / 1000");
    site.config("Variable", "Var13", "CRATE * 2");
    open();
    values.setText("cProduct", "P001      ");
    values.setText("cWhouse", "W1        ");
    values.setText("cUnit", "KG        ");
    (void)ws.find("Product")->seek("P001");
    set({{"cWin", 9000}, {"cWout", 1000}, {"cAdj_W1", 10}});
    calc->TRPROCSAY(kPosCode);
    EXPECT_EQ(fieldsOf(values, "cQty cPrice cAmount cVar1 cVar3"), "7980 7.25 57855 8 2");
    EXPECT_EQ(core::tis620::toUtf8(values.text("cRemark1")), "ข้าวเปลือกหอมมะลิ W1        ");
}

TEST_F(CalcTest, AFormulaNeverOverwritesTheFieldJustLeft)
{
    site.config("Variable", "Adjust11", "XROUND(cNet * Moisture->WEIGHT / 1000, 2)");
    site.config("Variable", "Adjust14", "XROUND(cNet * Moisture->PRICE / 1000, 2)");
    site.config("Variable", "Remark12", "'R2 ' + cMoisture");
    open();
    values.setText("cMoisture", "M1        ");
    (void)ws.find("Moisture")->seek("M1");
    set({{"cWin", 11000}, {"cWout", 1000}});
    calc->TRPROCSAY(kPosCode);
    EXPECT_EQ(fieldsOf(values, "cAdj_W1 cAdj_M1"), "300 1000");
    EXPECT_EQ(values.text("cRemark2"), "R2 M1        ");

    // Leaving the weight deduction keeps it as typed and recomputes the money deduction after it.
    values.setNumber("cAdj_W1", 50, 2);
    values.setNumber("cAdj_M1", 1, 2);
    values.setText("cRemark2", "typed");
    calc->TRPROCSAY(kPosAdjustW1);
    EXPECT_EQ(fieldsOf(values, "cAdj_W1 cAdj_M1 cRemark2"), "50 1000 typed");
    calc->TRPROCSAY(kPosRemark1 + 1);
    EXPECT_EQ(values.text("cRemark2"), "typed") << "leaving remark 2 keeps it";
    calc->TRPROCSAY(kPosRemark1);
    EXPECT_EQ(values.text("cRemark2"), "R2 M1        ") << "leaving remark 1 recomputes remark 2";
}

TEST_F(CalcTest, AFormulaThatDoesNotCompileGoesToTheErrorTrapAndChangesNothing)
{
    site.config("Variable", "Qty1", "cNet *");
    testsupport::RecordingFaultHandler faults;
    open();
    set({{"cWin", 5000}, {"cWout", 1000}});
    values.setNumber("cQty", 123, 2);
    calc->WEIGHCALC();
    ASSERT_EQ(faults.faults.size(), 1u);
    EXPECT_EQ(faults.faults[0].operation, "Qty1=cNet *");
    EXPECT_DOUBLE_EQ(values.number("cQty"), 123);
}

// ---- Posting

class PostingTest : public CalcTest {
protected:
    // Complete ticket 000001 of P001 in W1 stored with the further fields (CSV: the names, a line
    // of values), current in "Wdata", and the screen values loaded from it.
    void open(int kind, const std::string& names, const std::string& row)
    {
        site.load(("Wdata" + std::to_string(kind)).c_str(),
                  "TICKET,STAT,PRODUCT,WHOUSE,DAYIN," + names + "\n000001,2,P001,W1,20261205," + row + "\n");
        ASSERT_TRUE(openTicketTables(kind, ws));
        ASSERT_TRUE(ws.find("Wdata")->goTop().ok());
        code = ticketKind(kind).code;
        loadTicketValues(kind, ws, values);
    }
    bool post(int direction) { return Posting(ws, values).UPSTATUS(code, direction, false); }

    std::string code;
};

TEST_F(PostingTest, AnOrderThatIsNotThereIsToldAndTheRestStands)
{
    site.setting("CORCTRL", "1");
    open(3, "COMPANY,QTY,AMOUNT,CASH,REMARK4", "C001,100,725,725,SO9");
    ASSERT_TRUE(post(+1));
    ASSERT_EQ(site.prompts.shown.size(), 1u);
    EXPECT_EQ(site.prompts.texts()[0], "ไม่พบข้อมูลใบสั่งซื้อ เลขที่:SO9 ลูกค้า:C001 สินค้า:P001");
    EXPECT_DOUBLE_EQ(site.stock("P001", "W1"), -100);
}

// An unknown document code posts nothing; deleting and undeleting are asked and audited (what they
// move in the ledgers is the seeded run's).
TEST_F(PostingTest, AnUnknownCodePostsNothingAndDeleteAndUndeleteAreEachAskedAndAudited)
{
    open(1, "COMPANY,QTY,AMOUNT,DRCR", "F001,600,4350,4350");
    EXPECT_FALSE(Posting(ws, values).UPSTATUS("XXX01", +1));
    ASSERT_EQ(site.prompts.shown.size(), 1u);
    EXPECT_EQ(site.prompts.shown[0].text, T("ไม่พบเงื่อนไข : XXX01"));
    EXPECT_TRUE(site.rows("Stock").empty());

    ASSERT_TRUE(post(+1));
    site.prompts.answers = {false, true, true};
    Posting p(ws, values);
    EXPECT_FALSE(p.PDELETE(code)) << "answered No";
    EXPECT_EQ(site.prompts.shown.back().text, T("สั่งทำเครื่องหมายลบข้อมูลนี้"));
    EXPECT_FALSE(site.rows("Wdata1").back().deleted);
    EXPECT_TRUE(p.PDELETE(code));
    EXPECT_TRUE(site.rows("Wdata1").back().deleted);
    EXPECT_TRUE(p.PDELETE(code));
    EXPECT_EQ(site.prompts.shown.back().text, T("ยกเลิกการสั่งลบข้อมูลนี้"));
    EXPECT_FALSE(site.rows("Wdata1").back().deleted);
    EXPECT_EQ(site.audit(), (std::vector<std::string>{"TRK01-000001 สั่งลบข้อมูล: 000001 -> ",
                                                      "TRK01-000001 สั่งยกเลิการลบ: 000001 -> "}));
}

}  // namespace
