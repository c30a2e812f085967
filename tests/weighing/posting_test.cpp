// What posting tickets (UPSTATUS) tells: a sales order or a posting code that is not there; and
// deleting and undeleting them with their questions and audit rows (PDELETE). What each kind moves
// in which ledger is checked by the seeded run of the books against the documents.
#include <gtest/gtest.h>

#include <cmath>

#include "core/tis620.h"
#include "storage/ops.h"
#include "weighing/posting.h"
#include "weighing/ticket_kind.h"
#include "weighing/ticket_values.h"
#include "weighing_fixture.h"

using core::tis620::T;
using namespace weighing;
using namespace weighingtest;

namespace {

double orZero(double v)  // a ledger row not made yet holds nothing
{
    return std::isnan(v) ? 0 : v;
}

struct Ticket {
    const char* stat = "2";
    const char* company = "F001";
    const char* product = "P001";
    const char* whouse = "W1";
    double qty = 0;
    double amount = 0;
    double cash = 0;
    double drcr = 0;
    double clear = 0;
    const char* remark4 = "";
};

class PostingTest : public ::testing::Test {
protected:
    void open(int kind)
    {
        (void)ws.closeAll();
        ASSERT_TRUE(openTicketTables(kind, ws));
        code = ticketKind(kind).code;
    }
    // A stored ticket, current in "Wdata", and the screen values loaded from it.
    void add(const Ticket& t)
    {
        ASSERT_TRUE(ws.select("Wdata").ok());
        ASSERT_TRUE(storage::ADD_REC(ws));
        storage::Table& w = *ws.find("Wdata");
        const std::pair<const char*, core::Value> fields[] = {
            {"TICKET", core::Value::text("000001")},
            {"STAT", core::Value::text(t.stat)},
            {"COMPANY", core::Value::text(t.company)},
            {"PRODUCT", core::Value::text(t.product)},
            {"WHOUSE", core::Value::text(t.whouse)},
            {"QTY", core::Value::number(t.qty, 2)},
            {"AMOUNT", core::Value::number(t.amount, 2)},
            {"CASH", core::Value::number(t.cash, 2)},
            {"DRCR", core::Value::number(t.drcr, 2)},
            {"CLEAR", core::Value::number(t.clear, 2)},
            {"REMARK4", core::Value::text(t.remark4)},
            {"DAYIN", core::Value::date(core::Date::fromYmd(2026, 12, 5))},
        };
        for (const auto& [f, v] : fields)
            ASSERT_TRUE(w.put(f, v).ok()) << f;
        ASSERT_TRUE(storage::commitAll(ws));
        ASSERT_TRUE(storage::unlockAll(ws));
        loadTicketValues(ticketKindOfCode(code), ws, values);
    }
    bool post(int direction, bool noAudit = false) { return Posting(ws, values).UPSTATUS(code, direction, noAudit); }

    Site site;
    storage::Workspace ws;
    core::ValueMap values;
    std::string code;
};

TEST_F(PostingTest, AnOrderThatIsNotThereIsToldAndTheRestStands)
{
    site.setting("CORCTRL", "1");
    open(3);
    add({.company = "C001", .qty = 100, .amount = 725, .cash = 725, .remark4 = "SO9"});
    ASSERT_TRUE(post(+1));
    ASSERT_EQ(site.prompts.shown.size(), 1u);
    EXPECT_EQ(shownTexts(site.prompts)[0], "ไม่พบข้อมูลใบสั่งซื้อ เลขที่:SO9 ลูกค้า:C001 สินค้า:P001");
    EXPECT_EQ(site.prompts.shown[0].title, T("  ส่วนตรวจสอบข้อมูลใบสั่งซื้อ"));
    EXPECT_DOUBLE_EQ(site.stock("P001", "W1"), -100);
}

TEST_F(PostingTest, AnUnknownCodePostsNothing)
{
    open(1);
    add(Ticket{});
    EXPECT_FALSE(Posting(ws, values).UPSTATUS("XXX01", +1));
    ASSERT_EQ(site.prompts.shown.size(), 1u);
    EXPECT_EQ(site.prompts.shown[0].text, T("ไม่พบเงื่อนไข : XXX01"));
    EXPECT_EQ(site.prompts.shown[0].title, T("  การคำนวณยอดคงเหลือ"));
    EXPECT_TRUE(site.rows("Stock").empty());
}

// What deleting and undeleting move in the ledgers, open tickets and complete, the seeded run of the
// books checks; here the questions asked and the audit rows.
TEST_F(PostingTest, DeleteReversesACompleteTicketAndUndeleteRepostsItEachAskedAndAudited)
{
    open(1);
    add({.qty = 600, .amount = 4350, .drcr = 4350});
    ASSERT_TRUE(post(+1));
    site.prompts.answers = {false, true, true};
    Posting p(ws, values);
    EXPECT_FALSE(p.PDELETE(code)) << "answered No";
    EXPECT_EQ(site.prompts.shown.back().text, T("สั่งทำเครื่องหมายลบข้อมูลนี้"));
    EXPECT_EQ(site.prompts.shown.back().title, T("  กรุณายืนยันการทำงาน"));
    EXPECT_FALSE(site.rows("Wdata1").back().deleted);
    EXPECT_TRUE(p.PDELETE(code));
    EXPECT_TRUE(site.rows("Wdata1").back().deleted);
    EXPECT_DOUBLE_EQ(orZero(site.stock("P001", "W1")), 0);
    EXPECT_TRUE(p.PDELETE(code));
    EXPECT_EQ(site.prompts.shown.back().text, T("ยกเลิกการสั่งลบข้อมูลนี้"));
    EXPECT_FALSE(site.rows("Wdata1").back().deleted);
    EXPECT_DOUBLE_EQ(orZero(site.stock("P001", "W1")), 600);
    EXPECT_DOUBLE_EQ(orZero(site.account("ApAcc", "F001")), 4350);
    EXPECT_EQ(site.audit(), (std::vector<std::string>{"TRK01-000001 สั่งลบข้อมูล: 000001 -> ",
                                                      "TRK01-000001 สั่งยกเลิการลบ: 000001 -> "}));
}

}  // namespace
