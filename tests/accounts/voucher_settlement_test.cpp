// How payments and receipts settle tickets without settling one twice or losing one: the selection
// leaves out tickets settled or deleted meanwhile and takes a settlement back when its line cannot be stored,
// a line may settle no more than its ticket has open, and an undeleted voucher leaves marked the
// lines whose tickets were settled by another voucher since.
#include <gtest/gtest.h>

#include "storage/fault_fs.h"
#include "support/seams.h"
#include "voucher_fixture.h"
#include "weighing/ticket_screen.h"

using namespace accounts;
using namespace vouchertest;
using weighingtest::shownTexts;

namespace {

class SettlementTest : public DocumentTest {
protected:
    // The lines of voucher `number` of Detail1: "TYPE TICKET AMOUNT", a "*" in front when marked.
    std::vector<std::string> lines(const std::string& number) const
    {
        std::vector<std::string> out;
        for (const auto& r : site.rows("Detail1"))
            if (r.text("DOC_NO") == number)
                out.push_back((r.deleted ? "*" : "") + r.text("TYPE") + " " + r.text("TICKET") + " " +
                              std::to_string(int(r.number("AMOUNT"))));
        return out;
    }
    // The voucher's amount paid in cash, so that the screen may leave it.
    static void payInCash(VoucherScreen& s)
    {
        s.editPressed();
        ASSERT_TRUE(type(s, number("cCash", s.values().number("cAmount"))));
        ASSERT_TRUE(s.MNSAVE());
    }
    void selectAll(VoucherScreen& s, const std::function<void()>& meanwhile = {})
    {
        host.onSelection = [meanwhile](TicketSelection& sel) {
            sel.MNFILLCHK(4);
            if (meanwhile)
                meanwhile();
            sel.accept();
        };
        host.lineDialogs = {saveLine({text("cdType", "")})};
        s.addLines();
    }
};

using Texts = std::vector<std::string>;

TEST_F(SettlementTest, TheSelectionLeavesOutTicketsThatHaveNothingOpenAnyMoreOrWereDeleted)
{
    site.load("Wdata1", std::string(kTicketHeader) +
                            "000001,2,F001,P001,W1,KG,20261205,08:00:00,1000,7250,6250,1000,0,\n"
                            "000002,2,F001,P001,W1,KG,20261205,09:00:00,1000,7250,6750,500,0,\n"
                            "000003,2,F001,P001,W1,KG,20261205,10:00:00,1000,7250,6550,700,0,\n"
                            "000004,1,F001,P001,W1,KG,20261205,11:00:00,0,0,0,0,0,\n"
                            "000005,2,F001,P001,W1,KG,20261205,12:00:00,1000,7250,6850,400,0,\n");
    auto s = open(1);
    ASSERT_TRUE(newVoucher(*s, "F001"));
    site.prompts.shown.clear();
    // Listed, then another workstation settles 000001 whole and 000002 in part, and deletes 000005.
    selectAll(*s, [&] {
        setField(site, "Wdata1", "000001", "CLEAR", core::Value::number(1000, 2));
        setField(site, "Wdata1", "000002", "CLEAR", core::Value::number(200, 2));
        markDeleted(site, "Wdata1", "000005");
    });
    EXPECT_EQ(lines("000001"), (Texts{"REC 000002 300", "REC 000003 700"}));
    EXPECT_EQ(shownTexts(site.prompts), (Texts{"ใบชั่งบางรายการถูกชำระจากเครื่องอื่นแล้ว จึงไม่ได้นำมาลงรายการ",
                                               "ใบชั่งบางรายการถูกสั่งลบจากเครื่องอื่นแล้ว จึงไม่ได้นำมาลงรายการ"}));
    EXPECT_EQ(ticket(site, "Wdata1", "000005").number("CLEAR"), 0);
    ASSERT_FALSE(site.prompts.shown.empty());
    EXPECT_EQ(core::tis620::toUtf8(site.prompts.shown.back().title), "  ข้อมูลการชั่งรับ/ส่งสินค้า");
    EXPECT_EQ(ticket(site, "Wdata1", "000001").number("CLEAR"), 1000);
    // The open ticket (nothing on account) gets no line and stays open.
    EXPECT_EQ(ticket(site, "Wdata1", "000004").text("ACCOUNT"), "");
    EXPECT_EQ(ticket(site, "Wdata1", "000004").number("CLEAR"), 0);
    EXPECT_EQ(s->values().number("cAmount"), 1000);
}

TEST_F(SettlementTest, ALineThatCannotBeStoredLeavesItsTicketAsItWas)
{
    site.load("Wdata1", std::string(kTicketHeader) +
                            "000001,2,F001,P001,W1,KG,20261205,08:00:00,1000,7250,6250,1000,0,\n"
                            "000002,2,F001,P001,W1,KG,20261205,09:00:00,1000,7250,6750,500,0,\n");
    storagetest::FaultFileSystem disk;  // in front of every table the screen opens
    testsupport::RecordingFaultHandler trap(core::FaultAnswer::Default);
    auto s = open(1);
    ASSERT_TRUE(newVoucher(*s, "F001"));
    disk.failOnly = "DETAIL1.DBF";
    selectAll(*s, [&] { disk.failWrite = 1; });
    EXPECT_FALSE(trap.faults.empty());
    EXPECT_EQ(lines("000001"), Texts{});
    for (const char* number : {"000001", "000002"}) {
        EXPECT_EQ(ticket(site, "Wdata1", number).number("CLEAR"), 0) << number;
        EXPECT_EQ(ticket(site, "Wdata1", number).text("ACCOUNT"), "") << number;
    }
}

// Tickets 000001 (1,000 on account) and 000002 (300) of the supplier, and a return 000001 (200).
TEST_F(SettlementTest, ALineMaySettleNoMoreThanItsTicketHasOpen)
{
    site.load("Wdata1", std::string(kTicketHeader) +
                            "000001,2,F001,P001,W1,KG,20261205,08:00:00,1000,7250,6250,1000,0,\n"
                            "000002,2,F001,P001,W1,KG,20261205,09:00:00,1000,7250,6950,300,0,\n");
    site.load("Wdata2", std::string(kTicketHeader) + "000001,2,F001,P001,W1,KG,20261205,11:00:00,100,725,525,200,0,\n");
    struct Case {
        const char* name;
        double settledBefore;  // CLEAR of 000001 before the voucher
        bool firstLine;        // a line of 400 on 000001 stored first, then changed
        std::function<void(LineEditor&)> line;
        const char* told;      // "" when the line is stored
        double clearAfter;     // of 000001
    };
    const Case cases[] = {
        {"more than is open", 600, false, voucherLine("REC", "000001", 500),
         "จำนวนเงินเกินยอดค้างของใบชั่ง 000001 ยอดค้าง 400.00", 600},
        {"what is open", 600, false, voucherLine("REC", "000001", 400), "", 1000},
        {"a return", 0, false, voucherLine("CAN", "000001", 250, "11:00:00"),
         "จำนวนเงินเกินยอดค้างของใบชั่ง 000001 ยอดค้าง 200.00", 0},
        {"an other item", 0, false, voucherLine("OTH", "000001", 9999), "", 0},
        {"a changed line over its own amount", 600, true, saveLine({number("cdAmount", 401)}),
         "จำนวนเงินเกินยอดค้างของใบชั่ง 000001 ยอดค้าง 400.00", 1000},
        {"a changed line up to its own amount", 600, true, saveLine({number("cdAmount", 400)}), "", 1000},
        {"a changed line naming another ticket", 600, true,
         saveLine({text("cdTicket", "000002"), text("cdTime", "09:00:00"), number("cdAmount", 350)}),
         "จำนวนเงินเกินยอดค้างของใบชั่ง 000002 ยอดค้าง 300.00", 1000},
    };
    auto s = open(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setField(site, "Wdata1", "000001", "CLEAR", core::Value::number(c.settledBefore, 2));
        setField(site, "Wdata1", "000002", "CLEAR", core::Value::number(0, 2));
        setField(site, "Wdata2", "000001", "CLEAR", core::Value::number(0, 2));
        ASSERT_TRUE(newVoucher(*s, "F001"));
        if (c.firstLine) {
            host.lineDialogs = {voucherLine("REC", "000001", 400)};
            s->addLines();
            ASSERT_EQ(s->values().number("cLines"), 1);
        }
        const double linesBefore = s->values().number("cLines");
        site.prompts.shown.clear();
        host.lineDialogs = {c.line};
        if (c.firstLine)
            s->changeLine();
        else
            s->addLines();
        const bool refused = *c.told != '\0';
        EXPECT_EQ(shownTexts(site.prompts), refused ? Texts{c.told} : Texts{});
        EXPECT_EQ(s->values().number("cLines"), c.firstLine ? 1 : linesBefore + (refused ? 0 : 1));
        EXPECT_EQ(ticket(site, "Wdata1", "000001").number("CLEAR"), c.clearAfter);
        EXPECT_EQ(ticket(site, "Wdata2", "000001").number("CLEAR"), 0);
        EXPECT_EQ(ticket(site, "Wdata1", "000002").number("CLEAR"), 0);
        payInCash(*s);
    }
}

// Voucher 1 deleted (its lines reversed), the ticket of its first line then settled by voucher 2
// (by `elsewhere`), and voucher 1 undeleted: that line comes back only while its ticket still has
// its amount open. Each case has tickets of its own: 1,000 (the first line) and 500 (the second).
TEST_F(SettlementTest, AnUndeletedVoucherLeavesMarkedTheLinesWhoseTicketsWereSettledSince)
{
    struct Case {
        double elsewhere;
        bool revived;
    };
    const Case cases[] = {{0, true}, {600, false}, {1000, false}};
    std::string csv = kTicketHeader;
    for (int i = 0; i < int(std::size(cases)); ++i)
        csv += "00000" + std::to_string(2 * i + 1) + ",2,F001,P001,W1,KG,20261205,08:00:00,1000,7250,6250,1000,0,\n" +
               "00000" + std::to_string(2 * i + 2) + ",2,F001,P001,W1,KG,20261205,08:00:00,1000,7250,6750,500,0,\n";
    site.load("Wdata1", csv);
    auto first = open(1);
    auto second = open(1);
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.elsewhere);
        const std::string settled = "00000" + std::to_string(2 * i + 1);
        const std::string live = "00000" + std::to_string(2 * i + 2);
        ASSERT_TRUE(newVoucher(*first, "F001"));
        const std::string number = first->values().text("cTicket");
        host.lineDialogs = {voucherLine("REC", settled.c_str(), 1000), voucherLine("REC", live.c_str(), 500)};
        first->addLines();
        payInCash(*first);
        site.prompts.answers = {true};
        first->deletePressed();
        if (c.elsewhere > 0) {
            ASSERT_TRUE(newVoucher(*second, "F001"));
            host.lineDialogs = {voucherLine("REC", settled.c_str(), c.elsewhere)};
            second->addLines();
            payInCash(*second);
        }
        site.prompts.answers = {true};
        site.prompts.shown.clear();
        first->deletePressed();

        EXPECT_EQ(ticket(site, "Wdata1", settled.c_str()).number("CLEAR"), c.revived ? 1000 : c.elsewhere);
        EXPECT_EQ(ticket(site, "Wdata1", live.c_str()).number("CLEAR"), 500);
        EXPECT_EQ(lines(number), (Texts{(c.revived ? "REC " : "*REC ") + settled + " 1000", "REC " + live + " 500"}));
        Texts told = {"ยกเลิกการสั่งลบข้อมูลนี้"};
        if (!c.revived)
            told.push_back("รายการที่ใบชั่งถูกชำระไปแล้วยังคงถูกสั่งลบ : REC " + settled);
        EXPECT_EQ(shownTexts(site.prompts), told);
        payInCash(*first);
    }
}

// The sequences after which a ledger used to go wrong: tickets 000001 (1,000 on account) and
// 000002 (800) of F001, and its return 000001 (200).
class SettlementSequenceTest : public SettlementTest {
protected:
    void SetUp() override
    {
        site.load("Wdata1", std::string(kTicketHeader) +
                                "000001,2,F001,P001,W1,KG,20261205,08:00:00,1000,7250,6250,1000,0,\n"
                                "000002,2,F001,P001,W1,KG,20261205,09:00:00,1000,7250,6450,800,0,\n");
        site.load("Wdata2", std::string(kTicketHeader) + "000001,2,F001,P001,W1,KG,20261205,11:00:00,100,725,525,200,0,\n");
    }
    // Delete pressed and confirmed on the first purchase in date order: what was shown.
    Texts deleteFirstPurchase(weighing::TicketScreen& purchases)
    {
        purchases.PROCMOVE(weighing::kMoveFirst);
        site.prompts.shown.clear();
        site.prompts.answers = {true};
        purchases.deletePressed();
        return shownTexts(site.prompts);
    }

    weighingtest::ScriptedHost tickets;
};

// Returns alone: the supplier owes the payment back, paid with negative parts.
TEST_F(SettlementSequenceTest, APaymentOfReturnsAloneIsSettledWithNegativeParts)
{
    auto s = open(1);
    ASSERT_TRUE(newVoucher(*s, "F001"));
    host.lineDialogs = {voucherLine("CAN", "000001", 200, "11:00:00")};
    s->addLines();
    EXPECT_EQ(s->values().number("cAmount"), -200);
    EXPECT_FALSE(s->PAYCHECK());
    payInCash(*s);
    EXPECT_EQ(site.find("Money1", "TICKET", "000001")->number("CASH"), -200);
    EXPECT_TRUE(s->PAYCHECK());
}

TEST_F(SettlementSequenceTest, ASettledTicketCannotBeDeletedAndADeletedOneCannotBeSettled)
{
    auto s = open(1);
    ASSERT_TRUE(newVoucher(*s, "F001"));
    host.lineDialogs = {voucherLine("REC", "000001", 400)};
    s->addLines();
    payInCash(*s);
    {
        weighing::TicketScreen purchases(1, 6, tickets);
        ASSERT_TRUE(purchases.open());
        EXPECT_EQ(deleteFirstPurchase(purchases),
                  Texts{"ใบชั่งนี้มีการชำระเงินแล้ว ต้องลบรายการชำระก่อน ใบสำคัญเลขที่ 000001"});
        EXPECT_FALSE(ticket(site, "Wdata1", "000001").deleted);
        // 000002 has nothing settled: it may go, and then no line may settle it.
        purchases.PROCMOVE(1);
        site.prompts.answers = {true};
        purchases.deletePressed();
        EXPECT_TRUE(ticket(site, "Wdata1", "000002").deleted);
    }
    ASSERT_TRUE(newVoucher(*s, "F001"));
    site.prompts.shown.clear();
    host.lineDialogs = {voucherLine("REC", "000002", 100, "09:00:00")};
    s->addLines();
    EXPECT_EQ(shownTexts(site.prompts), Texts{"ใบชั่ง 000002 ถูกสั่งลบแล้ว"});
    EXPECT_EQ(ticket(site, "Wdata1", "000002").number("CLEAR"), 0);
}

// Every settling voucher is named once, a number that is part of another's too.
TEST_F(SettlementSequenceTest, TheRefusedDeletionNamesEachSettlingVoucher)
{
    site.load("Detail1", "DOC_NO,TYPE,DATE,TIME,TICKET,AMOUNT\n"
                         "000012,REC,20261205,08:00:00,000001,300\n"
                         "0001,REC,20261205,08:00:00,000001,100\n"
                         "000012,REC,20261205,08:00:00,000001,50\n");
    setField(site, "Wdata1", "000001", "CLEAR", core::Value::number(450, 2));
    weighing::TicketScreen purchases(1, 6, tickets);
    ASSERT_TRUE(purchases.open());
    EXPECT_EQ(deleteFirstPurchase(purchases),
              Texts{"ใบชั่งนี้มีการชำระเงินแล้ว ต้องลบรายการชำระก่อน ใบสำคัญเลขที่ 000012, 0001"});
}

TEST_F(SettlementSequenceTest, UnmarkingALineNeverSettlesATicketTwice)
{
    auto a = open(1);
    auto b = open(1);
    ASSERT_TRUE(newVoucher(*a, "F001"));
    host.lineDialogs = {voucherLine("REC", "000001", 1000)};
    a->addLines();
    toLine(*a, 0);
    site.prompts.answers = {true};
    ASSERT_TRUE(a->MNDTDELE());
    EXPECT_EQ(ticket(site, "Wdata1", "000001").number("CLEAR"), 0);
    ASSERT_TRUE(newVoucher(*b, "F001"));
    host.lineDialogs = {voucherLine("REC", "000001", 1000)};
    b->addLines();
    payInCash(*b);
    EXPECT_EQ(ticket(site, "Wdata1", "000001").number("CLEAR"), 1000);

    a->PROCMOVE(4);
    toLine(*a, 0);
    site.prompts.shown.clear();
    site.prompts.answers = {true};
    EXPECT_FALSE(a->MNDTDELE());
    EXPECT_EQ(ticket(site, "Wdata1", "000001").number("CLEAR"), 1000);
    EXPECT_EQ(lines("000001"), Texts{"*REC 000001 1000"});
    EXPECT_EQ(a->values().number("cAmount"), 0);
    ASSERT_EQ(shownTexts(site.prompts).size(), 2u);
    EXPECT_EQ(shownTexts(site.prompts)[1],
              "ใบชั่ง REC 000001 ไม่มียอดค้างพอแล้ว (ชำระจากใบสำคัญอื่นหรือถูกสั่งลบ) รายการนี้จึงยังคงถูกสั่งลบ");
}

// Twice, so the memory of the line marked by hand is not used up by the first undeletion.
TEST_F(SettlementSequenceTest, AnUndeletedVoucherLeavesALineMarkedByHandMarked)
{
    auto s = open(1);
    ASSERT_TRUE(newVoucher(*s, "F001"));
    host.lineDialogs = {voucherLine("REC", "000001", 1000), voucherLine("REC", "000002", 800, "09:00:00")};
    s->addLines();
    toLine(*s, 0);
    site.prompts.answers = {true};
    ASSERT_TRUE(s->MNDTDELE());
    payInCash(*s);
    for (int round = 0; round < 2; ++round) {
        site.prompts.answers = {true, true};
        s->deletePressed();
        s->deletePressed();
        EXPECT_EQ(lines("000001"), (Texts{"*REC 000001 1000", "REC 000002 800"}));
        EXPECT_EQ(site.find("Money1", "TICKET", "000001")->number("AMOUNT"), 800);
        EXPECT_EQ(ticket(site, "Wdata1", "000001").number("CLEAR"), 0);
        EXPECT_EQ(site.account("ApAcc", "F001"), -800);
    }
}

}  // namespace
