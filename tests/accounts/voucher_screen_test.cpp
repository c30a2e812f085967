// The money voucher and production screens: settlement before leaving, line limits, marking, the ticket
// selection, loans, save checks and failed writes (what they move in the ledgers is the soak's check).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "core/xbase.h"
#include "storage/fault_fs.h"
#include "storage/ops.h"
#include "support/seams.h"
#include "voucher_fixture.h"

using namespace accounts;
using namespace vouchertest;

namespace {

class VoucherTest : public DocumentTest {
protected:
    // Every line of a selection's browse, its cells joined by "|" (UTF-8, trimmed).
    static Texts selectionRows(TicketSelection& sel)
    {
        Texts out, cells;
        storage::TableRowSource& src = sel.source();
        src.goTop();
        while (!src.atEnd()) {
            src.cells(cells);
            std::string row;
            for (std::size_t i = 0; i < cells.size(); ++i)
                row += (i == 0 ? "" : "|") + core::xbase::alltrim(core::tis620::toUtf8(cells[i]));
            out.push_back(row);
            if (src.skip(1) == 0)
                break;
        }
        return out;
    }
};

TEST_F(VoucherTest, APaymentsTotalFollowsItsLinesAndLeavingWaitsUntilItIsSettled)
{
    auto s = open(1);
    ASSERT_TRUE(newVoucher(*s, "F001"));
    addLines(*s, {voucherLine("OTH", "X1", 1500)});
    EXPECT_EQ(s->values().number("cAmount"), 1500);
    EXPECT_EQ(s->values().number("cLines"), 1);

    // Every way of leaving the voucher asks for its settlement first.
    const std::vector<std::function<void()>> leaving = {
        [&] { s->PROCMOVE(weighing::kMovePrevious); }, [&] { s->PROCMOVE(weighing::kMoveFirst); },
        [&] { s->newPressed(); },                       [&] { s->deletePressed(); },
        [&] { s->searchPressed(); },                    [&] { s->printPressed(); },
        [&] { EXPECT_FALSE(s->exitPressed()); },
    };
    for (const auto& leave : leaving) {
        site.prompts.shown.clear();
        leave();
        EXPECT_EQ(site.prompts.texts(), Texts{"กรุณาแก้ไขวิธีการจ่ายเงิน"});
        EXPECT_EQ(s->mode(), kBrowsing);
    }
    EXPECT_FALSE(site.rows("Money1").back().deleted);

    s->editPressed();
    ASSERT_EQ(s->mode(), kEditDocument);
    ASSERT_TRUE(type(*s, number("cCash", 1500)));
    ASSERT_TRUE(s->MNSAVE());
    EXPECT_TRUE(s->mayClose());
}

TEST_F(VoucherTest, ALineIncompleteOrOverFiveMillionIsRefusedOneWhoseTicketIsMissingIsStoredAndTold)
{
    auto s = open(1);
    ASSERT_TRUE(newVoucher(*s, "F001"));
    for (const auto& [amount, accepted] : {std::pair{5'000'000.00, true}, {5'000'000.01, false}, {0.01, true}}) {
        VoucherLineEditor editor(*s, true);
        editor.values().setNumber("cdAmount", amount, 2);
        EXPECT_EQ(editor.validate("cdAmount"), accepted) << amount;
    }
    for (auto script : {saveLine({text("cdType", "OTH"), number("cdAmount", 10)}),  // no document number
                        saveLine({text("cdType", "OTH"), text("cdTicket", "X"), number("cdAmount", 0)}),
                        saveLine({text("cdType", "XYZ"), text("cdTicket", "X"), number("cdAmount", 10)})})
        addLines(*s, {script});
    EXPECT_TRUE(site.rows("Detail1").empty());
    EXPECT_EQ(s->values().number("cAmount"), 0);
    addLines(*s, {voucherLine("OTH", "X2", 5'000'000.00)});
    addLines(*s, {voucherLine("REC", "000009", 100)});
    EXPECT_EQ(site.prompts.texts().back(), "ไม่พบข้อมูลการชั่งเดิม");
    const auto lines = site.rows("Detail1");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text("TICKET") + " " + lines[1].text("TICKET"), "X2 000009");
    EXPECT_EQ(lines[0].number("AMOUNT"), 5'000'000.00);
    EXPECT_EQ(s->values().number("cAmount"), 5'000'100.00);
}

TEST_F(VoucherTest, AChangedLineIsAuditedAndMarkingAsksFirstAndNeverTakesATicketBelowNothingSettled)
{
    site.setting("CAUDITR", "Y");
    loadOneTicket(site);
    auto s = open(1);
    ASSERT_TRUE(newVoucher(*s, "F001"));
    addLines(*s, {voucherLine("REC", "000001", 400)});
    changeLine(*s, saveLine({number("cdAmount", 1000)}));
    EXPECT_EQ(audited(site), Texts{"MON_1-000001 จำนวนเงิน 400.00 1000.00"});

    ASSERT_TRUE(confirmMark(*s));
    EXPECT_EQ(site.prompts.texts().back(), "สั่งทำเครื่องหมายลบ");
    // A line marked meanwhile is not changed: it was reversed when it was marked.
    site.prompts.shown.clear();
    changeLine(*s, saveLine({number("cdAmount", 500)}));
    EXPECT_EQ(site.prompts.texts(), Texts{"ข้อมูลนี้ถูกสั่งลบ"});
    EXPECT_EQ(clear("000001"), 0);

    ASSERT_TRUE(confirmMark(*s));
    EXPECT_EQ(site.prompts.texts().back(), "ยกเลิกเครื่องหมายลบ");
    site.prompts.answers = {false};  // answered No, nothing changes
    EXPECT_FALSE(s->MNDTDELE());
    EXPECT_FALSE(site.rows("Detail1")[0].deleted);

    // A ticket whose settled part went down meanwhile never goes below 0.
    setField(site, "Wdata1", "000001", "CLEAR", core::Value::number(100, 2));
    ASSERT_TRUE(confirmMark(*s));
    EXPECT_EQ(clear("000001"), 0);
    EXPECT_EQ(ticket(site, "Wdata1", "000001").text("ACCOUNT"), "");
}

TEST_F(VoucherTest, TheSelectionListsOpenTicketsAndSettlesTheMarkedOnes)
{
    loadTickets(site, "Wdata1",
                {"000001,2,F001,P001,W1,KG,20261205,08:00:00,1000,7250,6250,1000,400,",
                 "000002,2,F002,P001,W1,KG,20261205,09:00:00,1000,7250,6250,1000,0,",
                 "000003,2,F001,P001,W1,KG,20261205,10:00:00,1000,7250,7250,0,0,1",
                 "000004,2,F001,P001,W1,KG,20261204,10:00:00,1000,7250,7250,500,0,"});
    loadTickets(site, "Wdata2", {"000001,2,F001,P001,W1,KG,20261205,11:00:00,100,725,425,300,0,"});
    auto s = open(1);
    ASSERT_TRUE(newVoucher(*s, "F001"));

    Texts listed;
    // Rows marked one by one, all, none or inverted: after each mode, row by row, "/" marked, "." not.
    const std::pair<int, const char*> steps[] = {{4, "///"}, {5, "..."}, {2, "/.."}, {6, ".//"},
                                                 {1, "///"}, {3, ".//"}, {1, "///"}, {5, "..."}};
    host.onSelection = [&](TicketSelection& sel) {
        listed = selectionRows(sel);
        for (const auto& [mode, marks] : steps) {
            sel.source().goTop();
            sel.MNFILLCHK(mode);
            std::string got;
            for (const std::string& row : selectionRows(sel))
                got += row[0] == '/' ? '/' : '.';
            EXPECT_EQ(got, marks) << "mode " << mode;
        }
        // The row of the 1,000 ticket with 400 settled, marked, accepted.
        sel.source().goTop();
        sel.source().skip(1);
        sel.MNFILLCHK(2);
        sel.accept();
    };
    addLines(*s, {saveLine({text("cdType", "")})});
    EXPECT_EQ(host.selections, 1);
    EXPECT_EQ(listed, (Texts{"|REC|000004|04/12/2026|10:00:00|7,250.00|500.00|500.00",
                                  "|REC|000001|05/12/2026|08:00:00|7,250.00|1,000.00|600.00",
                                  "|CAN|000001|05/12/2026|11:00:00|725.00|300.00|300.00"}));
    ASSERT_EQ(site.rows("Detail1").size(), 1u);
    EXPECT_EQ(weighingtest::fieldsOf(site.rows("Detail1")[0], "TYPE TICKET TIME DOC_NO COMPANY AMOUNT"),
              "REC 000001 08:00:00 000001 F001 600");

    // The selection closed without OK settles nothing.
    host.onSelection = nullptr;
    addLines(*s, {saveLine({text("cdType", "")})});
    EXPECT_EQ(site.rows("Detail1").size(), 1u);
}

TEST_F(VoucherTest, ALoanWithoutARunningNumberStoresNothingAndOneChangedFromCashToChequeIsAuditedPartByPart)
{
    site.setting("CAUDITR", "Y");
    auto s = open(3);
    s->newPressed();
    ASSERT_TRUE(type(*s, {text("cFarmer", "F001"), number("cAmount", 500), number("cCash", 500)}));
    const std::string consec = site.tables() + "CONSEC.DBF";
    std::filesystem::rename(consec, consec + ".away");
    EXPECT_FALSE(s->MNSAVE());
    EXPECT_EQ(site.prompts.texts().back(), "แฟ้มเลขใบชั่งไม่สามารถเปิดได้");
    EXPECT_EQ(s->mode(), kNewDocument);
    EXPECT_TRUE(site.rows("Money3").empty());
    EXPECT_TRUE(site.rows("ApAcc").empty());
    std::filesystem::rename(consec + ".away", consec);
    site.prompts.answers = {false};  // no print
    ASSERT_TRUE(s->MNSAVE());
    EXPECT_EQ(site.prompts.texts().back(), "พิมพ์เอกสารนี้");
    ASSERT_EQ(site.rows("Money3").size(), 1u);
    EXPECT_EQ(site.rows("Money3")[0].text("TICKET"), "000001");

    s->editPressed();
    ASSERT_TRUE(type(*s, {number("cAmount", 700), number("cCheque", 700)}));
    EXPECT_EQ(s->values().number("cCash"), 0);
    ASSERT_TRUE(s->MNSAVE());
    EXPECT_EQ(audited(site), (Texts{"MON03-000001 เงินสด 500.00 0.00", "MON03-000001 เช็ค 0.00 700.00",
                                    "MON03-000001 จำนวนเงิน 500.00 700.00"}));
}

TEST_F(VoucherTest, ConfiguredExpressionsFillTheLoanAndItsRemarks)
{
    site.config("Variable", "Var231", "100");
    site.config("Variable", "Var232", "CVAR1+50");
    site.config("Variable", "Remark231", "'เงินยืม '+TRIM(Farmer->NAME)");
    site.config("Variable", "Remark233", "cFarmer");
    site.config("Variable", "Amount23", "CVAR2*2");
    auto s = open(3);
    s->newPressed();
    ASSERT_TRUE(type(*s, text("cFarmer", "F001")));
    EXPECT_EQ(core::tis620::toUtf8(core::xbase::rtrim(s->values().text("cRemark1"))), "เงินยืม นายสมศักดิ์ ทองดี");
    EXPECT_EQ(s->values().text("cRemark3"), "F001      ");
    EXPECT_EQ(s->values().number("CVAR2"), 150);
    ASSERT_TRUE(type(*s, number("cAmount", 999)));
    EXPECT_EQ(weighingtest::fieldsOf(s->values(), "cAmount cCash cCheque"), "300 300 0");
    // Leaving remark 2 refills remark 3 only, never a remark the clerk typed.
    s->values().setText("cRemark1", "X");
    s->values().setText("cRemark3", "Y");
    ASSERT_TRUE(type(*s, text("cRemark2", "Z")));
    EXPECT_EQ(s->values().text("cRemark1"), "X");
    EXPECT_EQ(s->values().text("cRemark3"), "F001      ");
}

TEST_F(VoucherTest, ASaveThatDoesNotAddUpOrFitStoresNothing)
{
    struct Case {
        const char* name;
        std::vector<Typed> typed;  // each left in turn
        std::vector<Typed> set;    // then set without leaving the field
        const char* message;
    };
    const Case cases[] = {
        {"no partner", {number("cAmount", 500), number("cCash", 500)}, {}, "การระบุข้อมูลยังไม่ครบถ้วน"},
        {"parts short", {text("cFarmer", "F001"), number("cAmount", 500)}, {number("cCash", 100)},
         "บันทึกการจ่ายเงินยังไม่ถูกต้อง"},
        // The magnitudes add up, the signed parts do not.
        {"a negative part", {text("cFarmer", "F001"), number("cAmount", 1500)},
         {number("cCash", -500), number("cCheque", 1000)}, "บันทึกการจ่ายเงินยังไม่ถูกต้อง"},
        {"too large", {text("cFarmer", "F001"), number("cAmount", 1e9), number("cCash", 1e9)}, {},
         "ค่าของ จำนวนเงิน เกินขนาดที่บันทึกได้ จึงไม่ได้บันทึกข้อมูล"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = open(3);
        site.prompts.shown.clear();
        s->newPressed();
        for (const Typed& t : c.typed)
            (void)type(*s, t);
        for (const Typed& t : c.set)
            s->values().set(t.name, t.value);
        EXPECT_FALSE(s->MNSAVE());
        EXPECT_EQ(site.prompts.texts(), Texts{c.message});
        EXPECT_EQ(s->mode(), kNewDocument);
        EXPECT_TRUE(site.rows("Money3").empty());
        EXPECT_TRUE(site.rows("ApAcc").empty());
        EXPECT_EQ(storage::CONSEC(site.tables(), "MON03", "R"), "000001");
    }
}

// A save whose record cannot be written is not reported as done; the ledgers still follow the record.
TEST_F(VoucherTest, CancelShowsTheDocumentAgainAndASaveWhoseWriteFailsIsNotReportedAsDone)
{
    storagetest::FaultFileSystem disk;  // in front of every table the screens open
    testsupport::RecordingFaultHandler trap(core::FaultAnswer::Default);
    auto loan = open(3);
    site.prompts.answers = {false};
    ASSERT_TRUE(newVoucher(*loan, "F001", 100, {number("cCash", 100)}));
    loan->editPressed();
    ASSERT_TRUE(type(*loan, {number("cAmount", 700), number("cCash", 700)}));
    loan->PCANCEL();
    EXPECT_EQ(loan->values().number("cAmount"), 100);
    EXPECT_EQ(site.rows("Money3")[0].number("CASH"), 100);

    ProductionScreen production(6, host);
    ASSERT_TRUE(production.open());
    production.newPressed();
    ASSERT_TRUE(type(production, text("cRemark1", "ผลิต")));
    ASSERT_TRUE(production.SKSAVE1());
    struct Case {
        const char* file;
        DocumentScreen& screen;
        std::function<bool()> change;
    };
    const Case cases[] = {
        {"MONEY3.DBF", *loan, [&] { return type(*loan, {number("cAmount", 700), number("cCash", 700)}); }},
        {"STOCK1.DBF", production, [&] { return type(production, text("cRemark1", "บรรจุ")); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        c.screen.editPressed();
        ASSERT_TRUE(c.change());
        trap.faults.clear();
        disk.failOnly = c.file;
        disk.failWrite = 1;
        EXPECT_FALSE(c.screen.save());
        EXPECT_FALSE(trap.faults.empty());
        EXPECT_EQ(c.screen.mode(), kBrowsing);
    }
    EXPECT_EQ(borrow("ApAcc", "F001"), site.rows("Money3")[0].number("CASH"));
}

// The production record (what its lines move in the stock is the seeded run of the books' check).
class ProductionTest : public DocumentTest {
protected:
    std::unique_ptr<ProductionScreen> open()
    {
        auto s = std::make_unique<ProductionScreen>(6, host);
        EXPECT_TRUE(s->open());
        return s;
    }
};

TEST_F(ProductionTest, TheRecordNeedsItsFirstRemarkAndPostsNothingItself)
{
    auto s = open();
    s->newPressed();
    EXPECT_FALSE(s->SKSAVE1());
    EXPECT_EQ(site.prompts.texts(), Texts{"การระบุข้อมูลยังไม่ครบถ้วน"});
    EXPECT_TRUE(site.rows("Stock1").empty());
    ASSERT_TRUE(type(*s, text("cRemark1", "ผลิตข้าวสาร")));
    ASSERT_TRUE(s->SKSAVE1());
    const auto rec = site.rows("Stock1");
    ASSERT_EQ(rec.size(), 1u);
    EXPECT_EQ(rec[0].text("TICKET"), "000001");

    // Edited, the new number and date reach the lines at the next display; nothing is posted.
    addLines(*s, {productionLine("P001", "W1", "KG", 10)});
    s->editPressed();
    ASSERT_TRUE(type(*s, {text("cTicket", "000077"), date("cDate", 2026, 12, 7)}));
    ASSERT_TRUE(s->SKSAVE1());
    EXPECT_EQ(weighingtest::fieldsOf(site.rows("Detail3")[0], "DOC_NO DOC_DATE"), "000077 20261207");
    EXPECT_EQ(site.stock("P001", "W1"), 10);
    EXPECT_TRUE(site.rows("Audit").empty());

    // With the audit on, a changed line is audited: its warehouse, its quantity to three decimals.
    site.setting("CAUDITR", "Y");
    changeLine(*s, saveLine({text("cdWHouse", "W2"), number("cdQty", 12.5, 3)}));
    EXPECT_EQ(audited(site), (Texts{"STK_1-000077 รหัสคลังสินค้า W1 W2", "STK_1-000077 จำนวน 10.000 12.500"}));
}

TEST_F(ProductionTest, ARefusedLineIsNotStored)
{
    auto s = open();
    s->newPressed();
    ASSERT_TRUE(type(*s, text("cRemark1", "ผลิตข้าวสาร")) && s->SKSAVE1());
    addLines(*s, {productionLine("P001", "W1", "KG", 0)});
    addLines(*s, {saveLine({text("cdCode", "P001"), text("cdUnit", "KG"), number("cdQty", 5, 3)})});
    addLines(*s, {productionLine("P001", "W1", "KG", 900'000'000)});
    EXPECT_EQ(site.prompts.texts().back(), "ค่าของ จำนวน เกินขนาดที่บันทึกได้ จึงไม่ได้บันทึกข้อมูล");
    EXPECT_TRUE(site.rows("Detail3").empty());
    EXPECT_TRUE(site.rows("Stock").empty());
}

}  // namespace
