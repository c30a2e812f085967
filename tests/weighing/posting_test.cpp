// Posting tickets to the stock, account and sales-order ledgers and reversing them (UPSTATUS), and
// deleting and undeleting them with their audit rows (PDELETE).
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
    std::string accountFlag() { return site.rows(ticketKind(ticketKindOfCode(code)).table).back().text("ACCOUNT"); }

    Site site;
    storage::Workspace ws;
    core::ValueMap values;
    std::string code;
};

TEST_F(PostingTest, EachKindMovesStockAndAccountItsOwnWayAndAReversalUndoesIt)
{
    struct Case {
        int kind;
        const char* company;
        const char* accountTable;
        double stock;    // after posting qty 7,849.50
        double account;  // after posting 20,000 on account
    } cases[] = {
        {1, "F001", "ApAcc", 7849.50, 20000},
        {2, "F001", "ApAcc", -7849.50, -20000},
        {3, "C001", "ArAcc", -7849.50, 20000},
        {4, "C001", "ArAcc", 7849.50, -20000},
    };
    for (const Case& c : cases) {
        open(c.kind);
        const double stockBefore = std::isnan(site.stock("P001", "W1")) ? 0 : site.stock("P001", "W1");
        const double accountBefore = std::isnan(site.account(c.accountTable, c.company)) ? 0 : site.account(c.accountTable, c.company);
        Ticket t;
        t.company = c.company;
        t.qty = 7849.50;
        t.amount = 56808.88;
        t.cash = 36808.88;
        t.drcr = 20000;
        add(t);
        ASSERT_TRUE(post(+1));
        EXPECT_DOUBLE_EQ(site.stock("P001", "W1") - stockBefore, c.stock) << c.kind;
        EXPECT_DOUBLE_EQ(site.account(c.accountTable, c.company) - accountBefore, c.account) << c.kind;
        EXPECT_EQ(accountFlag(), "") << "on account and still open";
        ASSERT_TRUE(post(-1, true));
        EXPECT_DOUBLE_EQ(site.stock("P001", "W1"), stockBefore) << c.kind;
        EXPECT_DOUBLE_EQ(site.account(c.accountTable, c.company), accountBefore) << c.kind;
    }
    EXPECT_EQ(site.rows("Stock").size(), 1u) << "one row per product and warehouse";
}

TEST_F(PostingTest, TheFirstPostingCreatesTheStockRowAndCashPostsNoAccount)
{
    open(1);
    EXPECT_TRUE(std::isnan(site.stock("P002", "W2")));
    Ticket t;
    t.product = "P002";
    t.whouse = "W2";
    t.qty = 1500;
    t.amount = 14250;
    t.cash = 14250;
    add(t);
    ASSERT_TRUE(post(+1));
    EXPECT_DOUBLE_EQ(site.stock("P002", "W2"), 1500);
    EXPECT_TRUE(std::isnan(site.account("ApAcc", "F001"))) << "fully paid in cash";
    EXPECT_EQ(accountFlag(), "1");
}

TEST_F(PostingTest, ASettledPartIsNotPostedAgain)
{
    open(1);
    Ticket t;
    t.qty = 100;
    t.amount = 1000;
    t.drcr = 1000;
    t.clear = 1000;
    add(t);
    ASSERT_TRUE(post(+1));
    EXPECT_TRUE(std::isnan(site.account("ApAcc", "F001")));
    EXPECT_EQ(accountFlag(), "1");
}

TEST_F(PostingTest, TheServiceTicketPostsOnlyItsOpenFee)
{
    open(5);
    Ticket t;
    t.company = "C002";
    t.product = "";
    t.whouse = "";
    t.amount = 300;
    t.cash = 100;
    t.drcr = 200;
    add(t);
    ASSERT_TRUE(post(+1));
    EXPECT_DOUBLE_EQ(site.account("ArAcc", "C002"), 200);
    EXPECT_TRUE(site.rows("Stock").empty());
    ASSERT_TRUE(post(-1, true));
    EXPECT_DOUBLE_EQ(site.account("ArAcc", "C002"), 0);
}

TEST_F(PostingTest, WithOrderControlSalesRaiseAndReturnsLowerTheSalesOrder)
{
    site.setting("CORCTRL", "1");
    struct Case {
        int kind;
        double weight, amount;  // the order's delivered totals afterwards
    } cases[] = {{3, 2000, 14500}, {4, 1500, 10875}};
    for (const Case& c : cases) {
        open(c.kind);
        Ticket t;
        t.company = "C001";
        t.qty = c.kind == 3 ? 2000 : 500;
        t.amount = c.kind == 3 ? 14500 : 3625;
        t.cash = t.amount;
        t.remark4 = "SO1";
        add(t);
        ASSERT_TRUE(post(+1));
        const auto order = site.find("OrAcc", "CODE", "SO1");
        ASSERT_TRUE(order);
        EXPECT_DOUBLE_EQ(order->number("WEIGHT"), c.weight) << c.kind;
        EXPECT_DOUBLE_EQ(order->number("AMOUNT"), c.amount) << c.kind;
    }
    EXPECT_TRUE(site.prompts.shown.empty());
}

TEST_F(PostingTest, AnOrderThatIsNotThereIsToldAndTheRestStands)
{
    site.setting("CORCTRL", "1");
    open(3);
    Ticket t;
    t.company = "C001";
    t.qty = 100;
    t.amount = 725;
    t.cash = 725;
    t.remark4 = "SO9";
    add(t);
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

TEST_F(PostingTest, DeleteReversesACompleteTicketAndUndeleteRepostsIt)
{
    struct Case {
        const char* stat;
        double stockWhileDeleted;
    } cases[] = {{"1", 0}, {"2", 0}};
    for (const Case& c : cases) {
        open(1);
        Ticket t;
        t.stat = c.stat;
        t.qty = 600;
        t.amount = 4350;
        t.drcr = 4350;
        add(t);
        if (std::string(c.stat) == "2") {
            ASSERT_TRUE(post(+1));
        }
        const double posted = std::string(c.stat) == "2" ? 600 : 0;
        site.prompts.answers = {false, true, true};
        Posting p(ws, values);
        EXPECT_FALSE(p.PDELETE(code)) << "answered No";
        EXPECT_EQ(site.prompts.shown.back().text, T("สั่งทำเครื่องหมายลบข้อมูลนี้"));
        EXPECT_EQ(site.prompts.shown.back().title, T("  กรุณายืนยันการทำงาน"));
        EXPECT_TRUE(p.PDELETE(code));
        EXPECT_TRUE(site.rows("Wdata1").back().deleted);
        EXPECT_DOUBLE_EQ(std::isnan(site.stock("P001", "W1")) ? 0 : site.stock("P001", "W1"), c.stockWhileDeleted);
        EXPECT_TRUE(p.PDELETE(code));
        EXPECT_EQ(site.prompts.shown.back().text, T("ยกเลิกการสั่งลบข้อมูลนี้"));
        EXPECT_FALSE(site.rows("Wdata1").back().deleted);
        EXPECT_DOUBLE_EQ(std::isnan(site.stock("P001", "W1")) ? 0 : site.stock("P001", "W1"), posted) << c.stat;
        EXPECT_DOUBLE_EQ(std::isnan(site.account("ApAcc", "F001")) ? 0 : site.account("ApAcc", "F001"),
                         posted ? 4350 : 0);
        // Reset the ledgers for the next case.
        if (posted) {
            ASSERT_TRUE(post(-1, true));
        }
        site.prompts.shown.clear();
    }
    std::vector<std::string> labels;
    for (const auto& r : site.rows("Audit"))
        labels.push_back(r.text("DESCRIP") + " " + r.text("TICKET") + " " + r.text("OLDDATA"));
    EXPECT_EQ(labels, (std::vector<std::string>{"สั่งลบข้อมูล TRK01-000001 000001", "สั่งยกเลิการลบ TRK01-000001 000001",
                                                "สั่งลบข้อมูล TRK01-000001 000001", "สั่งยกเลิการลบ TRK01-000001 000001"}));
}

// A document kind with detail lines, standing in for the vouchers: deleting reverses and marks its
// live lines and zeroes its amount; undeleting recalls and re-posts every line and sums them again.
std::vector<std::pair<std::string, int>> g_linePosts;
void postLine(PostingRun& run, int direction)
{
    g_linePosts.emplace_back(run.text("RECORD").substr(0, 2), direction);
}
constexpr DocumentKind kTestKinds[] = {
    {"TST01", "wdata", "TST_1", true, SelfPosting::Never, nullptr},
    {"TST_1", "detail", nullptr, false, SelfPosting::Never, postLine},
};

TEST_F(PostingTest, DocumentsWithLinesDeleteAndUndeleteTheirLines)
{
    ASSERT_TRUE(storage::OPEN(ws, site.data(), "Detail1", "INDENT+RECORD", false, "Detail1", "Detail1", "detail"));
    ASSERT_TRUE(storage::OPEN(ws, site.data(), "Money1", "DTOS(DATE)+TICKET", false, "Money1", "Money1", "wdata"));
    ASSERT_TRUE(storage::ADD_REC(ws));
    ASSERT_TRUE(ws.find("wdata")->put("INDENT", core::Value::text("202612050000001")).ok());
    ASSERT_TRUE(ws.find("wdata")->put("TICKET", core::Value::text("000007")).ok());
    ASSERT_TRUE(ws.find("wdata")->put("AMOUNT", core::Value::number(60, 2)).ok());
    ASSERT_TRUE(storage::commitAll(ws) && storage::unlockAll(ws));
    ASSERT_TRUE(ws.select("detail").ok());
    for (const char* line : {"L1", "L2", "L3"}) {
        ASSERT_TRUE(storage::ADD_REC(ws));
        ASSERT_TRUE(ws.find("detail")->put("INDENT", core::Value::text("202612050000001")).ok());
        ASSERT_TRUE(ws.find("detail")->put("RECORD", core::Value::text(line)).ok());
        ASSERT_TRUE(ws.find("detail")->put("AMOUNT", core::Value::number(20, 2)).ok());
        ASSERT_TRUE(storage::commitAll(ws) && storage::unlockAll(ws));
    }
    ASSERT_TRUE(ws.find("detail")->goTo(2).ok());
    ASSERT_TRUE(storage::REC_LOCK(ws));
    ASSERT_TRUE(ws.find("detail")->deleteRecord().ok());
    ASSERT_TRUE(storage::commitAll(ws) && storage::unlockAll(ws));
    ASSERT_TRUE(ws.select("wdata").ok());
    ASSERT_TRUE(ws.find("wdata")->goTop().ok());

    site.prompts.answers = {true, true};
    Posting p(ws, values, core::programSettings(), kTestKinds);
    g_linePosts.clear();
    ASSERT_TRUE(p.PDELETE("TST01"));
    EXPECT_EQ(g_linePosts, (std::vector<std::pair<std::string, int>>{{"L1", -1}, {"L3", -1}}));
    auto lines = site.rows("Detail1");
    EXPECT_TRUE(lines[0].deleted && lines[1].deleted && lines[2].deleted);
    EXPECT_EQ(site.rows("Money1")[0].number("AMOUNT"), 0);
    EXPECT_TRUE(site.rows("Money1")[0].deleted);

    g_linePosts.clear();
    ASSERT_TRUE(p.PDELETE("TST01"));
    EXPECT_EQ(g_linePosts, (std::vector<std::pair<std::string, int>>{{"L1", 1}, {"L2", 1}, {"L3", 1}}));
    lines = site.rows("Detail1");
    EXPECT_FALSE(lines[0].deleted || lines[1].deleted || lines[2].deleted);
    EXPECT_EQ(site.rows("Money1")[0].number("AMOUNT"), 60);
    EXPECT_EQ(ws.currentAlias(), "wdata");
}

}  // namespace
