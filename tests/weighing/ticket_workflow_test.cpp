// The ticket screen's workflow, its mends for two workstations, navigation and search.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/tis620.h"
#include "core/xbase.h"
#include "site/site_setup.h"
#include "storage/fork_child.h"
#include "support/test_site.h"
#include "weighing/ticket_screen.h"
#include "weighing/ticket_values.h"
#include "weighing_fixture.h"

using core::tis620::T;
using namespace weighing;
using namespace weighingtest;

namespace {

class TicketTest : public ScreenTest {
protected:
    // A message shown (UTF-8) as "title: text": the last one, or the i-th.
    std::string shown(int i = -1)
    {
        const auto& m = site.prompts.shown.at(i < 0 ? site.prompts.shown.size() - 1 : std::size_t(i));
        return core::tis620::toUtf8(m.title) + ": " + core::tis620::toUtf8(m.text);
    }
    double csno(const char* series)
    {
        const auto row = site.find("Consec", "CODE", series);
        return row ? row->number("CSNO") : -1;
    }
    // Fields of the i-th stored purchase ticket, as fieldsOf() shows them.
    std::string stored(const char* names, std::size_t i = 0) { return fieldsOf(site.rows("Wdata1").at(i), names); }
    // A screen of the kind with a new ticket of truck 70-1234 waiting for its entry.
    std::unique_ptr<TicketScreen> newTicket(int kind)
    {
        auto s = screen(kind);
        host.trucks.push_back("70-1234");
        s->weighPressed();
        EXPECT_EQ(s->mode(), kTicketNew);
        return s;
    }
    static constexpr const char* kMoves = "Previous Next First Last";
};

// Each kind's required fields, so a sale or a service ticket is never saved without its customer.
TEST_F(TicketTest, TheEmptyRequiredFieldsAreReportedInTheScreensOrder)
{
    struct Case {
        int kind;
        std::vector<std::pair<const char*, const char*>> typed;
        std::vector<std::string> forSave;
        std::vector<std::string> forWeighIn;
    };
    const Case cases[] = {
        {1, {}, {"cFarmer", "cProduct", "cWhouse", "cUnit"}, {"cFarmer", "cProduct", "cWhouse"}},
        {3, {{"cProduct", "P001"}}, {"cCompany", "cWhouse", "cUnit"}, {"cCompany", "cWhouse"}},
        {5, {}, {"cCompany"}, {"cCompany"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.kind) + ", " + std::to_string(c.typed.size()) + " typed");
        auto s = newTicket(c.kind);
        for (const auto& [name, code] : c.typed)
            ASSERT_TRUE(typeText(*s, name, code));
        EXPECT_EQ(s->missingFields(false), c.forSave);
        EXPECT_EQ(s->missingFields(true), c.forWeighIn);
        s->values().setText("cTruck", "");
        EXPECT_EQ(s->missingFields(false).front(), "cTruck") << "the truck comes first on every screen";
        s->PCANCEL();
    }
}

// Weigh-in and save stop at the first empty field; only a saved ticket takes a number; a weighing
// is timed at the reading, not at the truck prompt.
TEST_F(TicketTest, ANewTicketStopsAtItsFirstEmptyFieldTakesNoNumberUntilSavedAndIsTimedAtTheReading)
{
    auto s = screen();
    site.clock.hundredths = 13 * 360000 + 32 * 6000;
    host.trucks.push_back("70-1234");
    s->weighPressed();
    EXPECT_EQ(s->values().text("cTmin"), "13:32:00");
    ASSERT_TRUE(typeText(*s, "cFarmer", "F001"));
    host.weights.push_back(12000);
    s->READW(1);
    EXPECT_EQ(host.weights.size(), 1u) << "no weighing started";
    EXPECT_EQ(site.prompts.texts().back(), "กรุณาระบุสินค้า ก่อนชั่งรถเข้า");
    EXPECT_EQ(s->focus(), "cProduct");
    EXPECT_FALSE(typeText(*s, "cProduct", "NOPE")) << "an unknown code keeps the focus";
    ASSERT_TRUE(typeText(*s, "cProduct", "P001"));
    ASSERT_TRUE(typeText(*s, "cWhouse", "W1"));
    site.clock.hundredths += 15000;
    s->READW(1);
    EXPECT_EQ(fieldsOf(s->values(), "cWin cTmin"), "12000 13:34:30");
    EXPECT_FALSE(s->TRSAVE());
    EXPECT_EQ(shown(), "  ส่วนบันทึกข้อมูล: การระบุข้อมูลยังไม่ครบถ้วน");
    EXPECT_EQ(s->focus(), "cUnit");
    EXPECT_EQ(s->mode(), kTicketNew) << "the screen keeps its mode and values";
    ASSERT_TRUE(typeText(*s, "cUnit", "KG"));
    s->values().setNumber("cWin", -5);
    EXPECT_FALSE(s->TRSAVE());
    EXPECT_EQ(site.prompts.texts().back(), "ไม่รับน้ำหนักชั่งที่ติดลบ");
    s->values().setNumber("cWin", 12000);
    ASSERT_TRUE(s->TRSAVE());
    EXPECT_EQ(stored("TMIN"), "13:34:30");
    const std::uint32_t before = site.rows("Wdata1")[0].recno;

    ASSERT_TRUE(startFirstWeighing(*s, host, Weighing{"81-5678", "F002"}));
    EXPECT_EQ(s->values().text("cTicket"), "000002");
    host.weights.push_back(8000);
    s->READW(1);
    s->PCANCEL();
    EXPECT_EQ(s->mode(), 0);
    EXPECT_TRUE(s->mayClose());
    EXPECT_EQ(site.rows("Wdata1").size(), 1u);
    EXPECT_EQ(csno("TRK01"), 2) << "only the saved ticket took a number";
    EXPECT_EQ(fieldsOf(s->values(), "cFarmer cTicket cRecP"), "F001 000001 Rec.:" + std::to_string(before) + "/1")
        << "back on the ticket shown before";

    // A truck prompt cancelled changes nothing.
    host.trucks.push_back(std::nullopt);
    s->weighPressed();
    EXPECT_EQ(s->mode(), 0);
    EXPECT_EQ(s->values().text("cTicket"), "000001");

    site.clock.day = core::Date::fromYmd(2026, 12, 6);
    host.trucks.push_back("70-1234");
    s->weighPressed();
    ASSERT_EQ(s->mode(), 2);
    site.clock.hundredths += 6000;
    host.weights.push_back(4000);
    s->READW(2);
    ASSERT_TRUE(s->TRSAVE());
    EXPECT_EQ(stored("TMOUT DAYOUT"), "13:35:30 20261206");
}

TEST_F(TicketTest, InAnEmptyTableEveryMoveStaysOnTheBlankPositionAndRightsDecideTheButtons)
{
    auto empty = screen(2);
    for (int action : {int(kMoveNext), int(kMovePrevious), int(kMoveLast), int(kMoveFirst), int(kSearchTickets)}) {
        empty->PROCMOVE(action);
        EXPECT_EQ(fieldsOf(empty->values(), "cRecP cStat"), "Rec.:0/0 รอชั่งออก") << action;
        EXPECT_EQ(enabledButtons(*empty), std::string(kMoves) + " Weigh Search Exit") << action;
    }
    ASSERT_TRUE(firstWeighing(*screen(1, 6), host, Weighing{"70-1234"}, 12000));
    const struct {
        int level;
        const char* buttons;  // besides the moves
    } cases[] = {
        {1, "Search Exit"},
        {2, "Search Print Exit"},
        {3, "Weigh Search Print Exit"},
        {4, "Weigh Edit Search Print Exit"},
        {5, "Weigh Edit Delete Search Print Exit"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        auto s = screen(1, c.level);
        EXPECT_EQ(enabledButtons(*s), std::string(kMoves) + " " + c.buttons);
        EXPECT_EQ(s->values().number("cTrusLevel"), c.level);
    }
}

// An edit audits what changed; a unit of the product's replaces the price, a typed price stays.
TEST_F(TicketTest, EditingACompleteTicketAuditsWhatChanged)
{
    site.setting("CAUDITR", "y");
    site.setting("CTRACK", "9417");
    auto s = weighedInAndOut(6000, 1000);
    ASSERT_TRUE(s->TRSAVE());
    ASSERT_EQ(stored("CASH"), "36250");
    EXPECT_TRUE(site.audit().empty());

    s->editPressed();
    ASSERT_EQ(s->mode(), 3);
    EXPECT_FALSE(s->fieldEnabled("cTicket")) << "not without Misc/Fact C";
    EXPECT_EQ(s->focus(), "cTicket");
    ASSERT_TRUE(typeNumber(*s, "cWout", 800));
    EXPECT_DOUBLE_EQ(s->values().number("cQty"), 5200);
    ASSERT_TRUE(s->TRSAVE());
    EXPECT_EQ(s->mode(), 0);
    EXPECT_EQ(stored("QTY STAT"), "5200 2");
    EXPECT_EQ(site.audit(), (std::vector<std::string>{"TRK01-000001 นน.ชั่งออก:    1000.00 ->     800.00",
                                                      "TRK01-000001 เงินสด:     36250.00 ->     37700.00",
                                                      "TRK01-000001 จำนวนเงิน:     36250.00 ->     37700.00",
                                                      "TRK01-000001 ป้อนน้ำหนักรถออกเอง: 1,000 -> 800"}));

    s->editPressed();
    ASSERT_EQ(s->mode(), 3);
    ASSERT_TRUE(typeText(*s, "cUnit", "TON"));
    EXPECT_EQ(fieldsOf(s->values(), "cPrice cRate cAmount"), "7250 1000 37700");
    ASSERT_TRUE(typeText(*s, "cUnit", "BOX"));
    EXPECT_EQ(fieldsOf(s->values(), "cPrice cRate"), "7250 1000") << "BOX is none of the product's units, rate 0";
    ASSERT_TRUE(typeNumber(*s, "cPrice", 8000));
    ASSERT_TRUE(typeText(*s, "cWhouse", "W2"));
    EXPECT_DOUBLE_EQ(s->values().number("cPrice"), 8000) << "a typed price survives other fields";
}

// An order not found lists the customer's orders; a sale beyond its order is warned and saved.
TEST_F(TicketTest, ASaleQuotesItsOrderAndBeyondItIsWarnedAndStillSaved)
{
    site.setting("CORCTRL", "1");
    auto s = screen(3);
    ASSERT_TRUE(startFirstWeighing(*s, host, Weighing{"70-1234", "C002"}));
    EXPECT_FALSE(typeText(*s, "cRemark4", "SO"));
    EXPECT_EQ(shown(), "  ส่วนการตรวจสอบข้อมูลใบสั่งซื้อ: ไม่พบข้อมูลใบสั่งซื้อ");
    ASSERT_TRUE(typeText(*s, "cCompany", "C001"));
    host.onList = [](ListDialogModel& list) {
        std::vector<std::string> cells;
        list.source().cells(cells);
        EXPECT_EQ(core::xbase::rtrim(cells[0]), "SO2") << "starts at the nearest order";
        EXPECT_EQ(cells[2], "      5,000");
        list.source().skip(-1);
        list.choose();
    };
    ASSERT_TRUE(typeText(*s, "cRemark4", "SO15"));
    EXPECT_EQ(host.lists, 1);
    EXPECT_EQ(fieldsOf(s->values(), "cRemark4 cPrice"), "SO1 7.25");

    s->values().setNumber("cPrice", 0);
    ASSERT_TRUE(typeText(*s, "cRemark4", "SO2"));
    EXPECT_DOUBLE_EQ(s->values().number("cPrice"), 7.50) << "the order's price";
    host.weights.push_back(1000);
    s->READW(1);
    site.prompts.shown.clear();
    ASSERT_TRUE(s->TRSAVE());
    EXPECT_TRUE(site.prompts.shown.empty());

    ASSERT_TRUE(startSecondWeighing(*s, host, "70-1234", 6500));
    EXPECT_DOUBLE_EQ(s->values().number("cQty"), 5500);
    site.prompts.answers = {false};
    ASSERT_TRUE(s->TRSAVE());
    ASSERT_GE(site.prompts.shown.size(), 2u);
    EXPECT_EQ(shown(0), "  ส่วนการตรวจสอบยอดการสั่ง: ยอดขายเกินกว่าจำนวนสั่ง");
    EXPECT_EQ(site.rows("Wdata3")[0].text("STAT"), "2");
}

// A partly settled ticket is weighed out, not edited; a registration resumes its ticket however
// its blanks were typed or stored (no second ticket), and one too long is refused, not cut.
TEST_F(TicketTest, APartlySettledTicketIsWeighedNotEditedAndARegistrationResumesHoweverItsBlanksWereTyped)
{
    site.load("Wdata1", "TICKET,STAT,TRUCK,COMPANY,PRODUCT,WHOUSE,UNIT,DAYIN,TMIN,WIN,DRCR,CLEAR\n"
                        "000001,1,  XY12,F001,P001,W1,KG,20261205,07:00:00,9000,0,0\n"
                        "000002,1,70-1234,F001,P001,W1,KG,20261205,07:00:00,12000,1000,200\n");
    auto s = screen();
    ASSERT_EQ(s->values().text("cTicket"), "000002");
    s->editPressed();
    EXPECT_EQ(s->mode(), 0);
    EXPECT_EQ(shown(), "  ไม่อนุญาตให้แก้ไขข้อมูล: รายการนี้มีบันทึกการชำระแล้ว");
    host.trucks.push_back("70-1234");
    s->weighPressed();
    EXPECT_EQ(s->mode(), 2);
    s->PCANCEL();

    ASSERT_TRUE(firstWeighing(*s, host, Weighing{"  AB   99 "}, 12000));
    EXPECT_EQ(stored("TRUCK", 2), "AB 99");
    for (const auto& [typed, weighedIn] : {std::pair{"AB 99", 12000}, {" AB  99", 12000}, {"XY12", 9000}}) {
        host.trucks.push_back(typed);
        s->weighPressed();
        EXPECT_EQ(s->mode(), 2) << typed;
        EXPECT_EQ(s->values().number("cWin"), weighedIn) << typed;
        EXPECT_EQ(enabledButtons(*s), "Cancel WeighOut Pay1 Pay2 Pay3") << "save waits for the weight";
        EXPECT_TRUE(s->fieldEnabled("cPrice"));
        EXPECT_EQ(s->focus(), "cFarmer");
        EXPECT_FALSE(s->mayClose());
        s->PCANCEL();
    }
    EXPECT_EQ(site.rows("Wdata1").size(), 3u);

    site.prompts.shown.clear();
    host.trucks.push_back("กท-1234 กรุงเทพฯ");  // fourteen characters
    host.trucks.push_back("กท-1234");
    s->weighPressed();
    ASSERT_EQ(site.prompts.shown.size(), 1u);
    EXPECT_EQ(shown(), "  กรุณาระบุทะเบียนรถ: ทะเบียนรถยาวเกิน 10 ตัวอักษร กรุณาพิมพ์ให้สั้นลง");
    EXPECT_EQ(s->mode(), 1);
    EXPECT_EQ(fieldsOf(s->values(), "cTruck"), "กท-1234");
}

TEST_F(TicketTest, TheWaitingListPassesOverCompleteTicketsAndTheTruckPromptOverDeletedOnes)
{
    auto s = screen();
    host.trucks.push_back("...");
    s->weighPressed();
    EXPECT_EQ(shown(), "  ส่วนบันทึกการชั่งรถบรรทุก: ไม่มีข้อมูลรถบรรทุกรอการชั่งออก");
    s->PCANCEL();

    ASSERT_TRUE(firstWeighing(*s, host, Weighing{"70-1234"}, 12000));
    ASSERT_TRUE(firstWeighing(*s, host, Weighing{"81-5678"}, 9000));
    ASSERT_TRUE(startSecondWeighing(*s, host, "70-1234", 2000));
    ASSERT_TRUE(s->TRSAVE());
    host.onList = [](ListDialogModel& list) {
        std::vector<std::string> cells;
        list.source().goTop();
        list.source().cells(cells);
        EXPECT_EQ(core::xbase::rtrim(cells[1]), "81-5678") << "only open tickets are listed";
        EXPECT_EQ(cells[4], " 9,000");
        list.choose();
    };
    host.trucks.push_back("...");
    s->weighPressed();
    EXPECT_EQ(s->mode(), 2);
    EXPECT_EQ(fieldsOf(s->values(), "cTruck"), "81-5678");
    s->PCANCEL();

    ASSERT_TRUE(firstWeighing(*s, host, Weighing{"82-9012"}, 12000));
    site.prompts.answers = {true};
    s->deletePressed();
    ASSERT_TRUE(site.find("Wdata1", "TRUCK", "82-9012").has_value());
    EXPECT_TRUE(site.find("Wdata1", "TRUCK", "82-9012")->deleted);
    EXPECT_EQ(fieldsOf(s->values(), "cStat"), "สั่งลบ");
    EXPECT_EQ(enabledButtons(*s), std::string(kMoves) + " Weigh Delete Search Exit") << "no edit, no print";
    s->editPressed();
    EXPECT_EQ(site.prompts.texts().back(), "ข้อมูลนี้ถูกสั่งลบ");
    host.trucks.push_back("82-9012");
    s->weighPressed();
    EXPECT_EQ(s->mode(), 1) << "a new ticket, not the deleted one";
}

// A weigh-out whose amount cannot be stored is refused: the open ticket stays, nothing is posted.
TEST_F(TicketTest, AnAmountThatCannotBeStoredOrATicketWithoutItsNumberIsRefusedAndNothingIsWritten)
{
    const struct {
        const char* truck;
        long long in, out;
        const char* field;
        double typed;
        const char* message;
    } cases[] = {
        {"70-1234", 1200, 1000, "cAdj_M1", 5000, "บันทึกการจ่ายเงินยังไม่ถูกต้อง"},  // 200 * 7.25 - 5000 below zero
        {"81-5678", 9000, 1000, "cPrice", 999999, "ค่าของ จำนวนเงิน เกินขนาดที่บันทึกได้ จึงไม่ได้บันทึกข้อมูล"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        auto s = screen();
        ASSERT_TRUE(firstWeighing(*s, host, Weighing{c.truck}, c.in));
        ASSERT_TRUE(startSecondWeighing(*s, host, c.truck, c.out));
        ASSERT_TRUE(typeNumber(*s, c.field, c.typed));
        EXPECT_FALSE(s->TRSAVE());
        EXPECT_EQ(site.prompts.texts().back(), c.message);
        EXPECT_EQ(s->mode(), 2);
        EXPECT_EQ(fieldsOf(site.rows("Wdata1").back(), "STAT WOUT"), "1 0");
        EXPECT_TRUE(site.rows("Stock").empty());
        s->PCANCEL();
    }

    // A new ticket refused so takes no number; without its running numbers nothing is written.
    auto s = screen();
    ASSERT_TRUE(startFirstWeighing(*s, host, Weighing{"82-9012"}));
    s->values().setNumber("cWin", 12345678);
    EXPECT_FALSE(s->TRSAVE());
    EXPECT_EQ(csno("TRK01"), 3);
    EXPECT_EQ(site.rows("Wdata1").size(), 2u);
    s->values().setNumber("cWin", 12000);
    const std::string consec = site.tables() + "CONSEC.DBF";
    std::filesystem::rename(consec, consec + ".away");
    EXPECT_FALSE(s->TRSAVE());
    EXPECT_EQ(shown(), "  ส่วนกำหนดเลขใบชั่ง: แฟ้มเลขใบชั่งไม่สามารถเปิดได้");
    EXPECT_EQ(site.rows("Wdata1").size(), 2u);
    EXPECT_EQ(s->mode(), 1);
    EXPECT_EQ(fieldsOf(s->values(), "cProduct cWin"), "P001 12000");
    std::filesystem::rename(consec + ".away", consec);
    ASSERT_TRUE(s->TRSAVE());
    ASSERT_EQ(site.rows("Wdata1").size(), 3u);
    EXPECT_EQ(stored("TICKET", 2), "000003");
}

// A ticket completed elsewhere is not saved again; of two workstations saving it at once, one posts.
TEST_F(TicketTest, ATicketCompletedElsewhereOrByTwoWorkstationsAtOnceIsPostedOnce)
{
    auto s = weighedInAndOut(9000, 1000);
    {
        ScriptedHost other;
        TicketScreen elsewhere(1, 6, other);
        ASSERT_TRUE(elsewhere.open());
        ASSERT_TRUE(startSecondWeighing(elsewhere, other, "70-1234", 1500));
        site.prompts.answers = {false};
        ASSERT_TRUE(elsewhere.TRSAVE());
    }
    ASSERT_DOUBLE_EQ(site.stock("P001", "W1"), 7500);
    EXPECT_FALSE(s->TRSAVE());
    EXPECT_EQ(site.prompts.texts().back(), "ใบชั่งนี้ถูกบันทึกหรือสั่งลบจากเครื่องอื่นแล้ว");
    EXPECT_EQ(s->mode(), 0);
    EXPECT_EQ(s->values().number("cWout"), 1500) << "the stored ticket is shown";
    EXPECT_DOUBLE_EQ(site.stock("P001", "W1"), 7500) << "posted once";

    auto workstation = [](long long weightOut) {
        return [weightOut](storagetest::Child& parent) {
            ScriptedPickList pickList;
            ScriptedHost host;
            TicketScreen s(1, 6, host);
            if (!s.open() || !startSecondWeighing(s, host, "70-1234", weightOut))
                return 3;
            if (!parent.readyThenGo())
                return 4;
            return s.TRSAVE() ? 0 : 1;
        };
    };
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(firstWeighing(*screen(), host, Weighing{"70-1234"}, 9000));
        const auto [ra, rb] = storagetest::startTogether(workstation(1000), workstation(2000));
        EXPECT_TRUE((ra == 0 && rb == 1) || (ra == 1 && rb == 0)) << ra << " " << rb;
        const auto tickets = site.rows("Wdata1");
        ASSERT_EQ(tickets.size(), std::size_t(round + 2));
        EXPECT_EQ(tickets.back().text("STAT"), "2");
        const double qty = tickets.back().number("QTY");
        EXPECT_TRUE(qty == 8000 || qty == 7000) << qty;
    }
    double posted = 0;
    for (const auto& t : site.rows("Wdata1"))
        posted += t.number("QTY");
    EXPECT_DOUBLE_EQ(site.stock("P001", "W1"), posted) << "each ticket in the stock exactly once";
}

// The site's variables follow the ticket shown; a stored ticket loads as stored or by the formulas.
TEST_F(TicketTest, AStoredTicketLoadsIntoTheValuesTemplatesNameAndTheVariablesFollowTheTicketShown)
{
    site.config("Variable", "Var31", "cNet / 2");
    site.config("Variable", "Amount3", "cQty * 2");
    for (const auto& [in, out] : {std::pair{3000, 13000}, std::pair{2000, 6000}}) {
        auto s = weighedInAndOut(in, out, 3, "C002");
        site.prompts.answers = {true};
        ASSERT_TRUE(s->TRSAVE());
        EXPECT_EQ(site.prompts.texts().back(), "ไม่พบฟอร์ม Ticket32") << "the form of the kind and state";
        EXPECT_EQ(s->mode(), 0);
    }
    auto s = screen(3);
    s->PROCMOVE(kMoveFirst);
    EXPECT_EQ(s->values().number("cVar1"), 5000);
    s->PROCMOVE(kMoveNext);
    EXPECT_EQ(s->values().number("cVar1"), 2000);

    site.config("Variable", "Amount3", "cQty * 3");
    storage::Workspace ws;
    ASSERT_TRUE(openTicketTables(3, ws));
    ASSERT_TRUE(ws.find("Wdata")->goTop().ok());
    core::ValueMap v;
    loadTicketValues(3, ws, v);
    // The amount as stored.
    EXPECT_EQ(fieldsOf(v, "cTicket cComName cProName CWHONAME cNet cAmount cDayin cStat cVar1"),
              "000001 โรงสีไฟเจริญผล ข้าวเปลือกหอมมะลิ โกดังหน้า 10000 20000 20261205 ชั่งเสร็จแล้ว 0");
    EXPECT_FALSE(v.has("cFarmer"));
    loadTicketValuesCalculated(3, ws, v);
    EXPECT_EQ(fieldsOf(v, "cAmount cVar1"), "30000 5000") << "by the formula in force now";
    EXPECT_EQ(ws.currentAlias(), "Wdata");
}

// ---- Navigation and search

TEST_F(TicketTest, MovesStopAtBothEndsAndTheSearchFindsForwardOnly)
{
    auto s = screen();
    long long weight = 0;
    for (const char* truck : {"70-1234", "81-5678", "82-9012", "70-3456"}) {
        site.clock.advanceMs(60 * 1000);
        ASSERT_TRUE(firstWeighing(*s, host, Weighing{truck}, weight += 1000));
    }
    const std::pair<int, const char*> steps[] = {
        {kMoveNext, "000004 Rec.:4/4"}, {kMovePrevious, "000003 Rec.:3/4"}, {kMoveFirst, "000001 Rec.:1/4"},
        {kMovePrevious, "000001 Rec.:1/4"}, {kMoveNext, "000002 Rec.:2/4"}, {kMoveLast, "000004 Rec.:4/4"},
    };
    for (const auto& [action, shows] : steps) {
        s->PROCMOVE(action);
        EXPECT_EQ(fieldsOf(s->values(), "cTicket cRecP"), shows) << action;
    }

    s->PROCMOVE(kMoveFirst);
    host.onSearch = [](SearchDialogModel& d) { d.search("82-90"); };
    s->PROCMOVE(kSearchTickets);
    EXPECT_EQ(fieldsOf(s->values(), "cTicket cRecP"), "000003 Rec.:3/4");
    host.onSearch = [](SearchDialogModel& d) { d.search("70-1234"); };
    s->PROCMOVE(kSearchTickets);
    EXPECT_EQ(s->values().text("cTicket"), "000003") << "only an earlier row holds it";
    EXPECT_EQ(shown(), "  ส่วนค้นหาข้อมูล: ไม่พบข้อความที่ระบุ");
    host.onSearch = [](SearchDialogModel& d) {
        d.source().goTop();
        d.source().skip(1);
    };
    s->PROCMOVE(kSearchTickets);
    EXPECT_EQ(s->values().text("cTicket"), "000002") << "closed without a choice: the highlighted row";
    host.onSearch = [](SearchDialogModel& d) { d.search(" 4,000"); };
    s->PROCMOVE(kSearchTickets);
    EXPECT_EQ(s->values().text("cTicket"), "000004") << "the weight in as shown";
}

// On the demo's codes and grade formulas, the grade chosen at the weigh-out, not the stored one, counts.
TEST(DemoGradeTest, TheGradeChosenOnTheScreenIsTheOneDeductedAndNamed)
{
    storage::setHardCommit(false);
    testsupport::TempDir dir;
    testsupport::makeSite(dir.path(), {site::codeTableDemoSteps().begin(), site::codeTableDemoSteps().end()});
    core::programSettings().setText("CTRUSTEE", std::string(42, '6'));
    testsupport::RecordingPrompts prompts;
    testsupport::FakeClock clock;
    testsupport::RecordingSound sound;
    ScriptedPickList picks;
    ScriptedHost host;
    {
        TicketScreen s(1, 6, host);
        ASSERT_TRUE(s.open());
        const Weighing w{"70-1234", "F001", "P001", "W01", "KG", {{"cMoisture", "M20"}, {"cMixture", "X2"}}};
        ASSERT_TRUE(firstWeighing(s, host, w, 15000));
        ASSERT_TRUE(startSecondWeighing(s, host, "70-1234", 5000));
        ASSERT_TRUE(typeText(s, "cMoisture", "M25"));
        EXPECT_EQ(fieldsOf(s.values(), "cAdj_W1 cMoiName"), "800 ความชื้นเกิน 20% ถึง 25%");
        s.values().setText("cMixture", "");
        s.recalculate(kPosCode);
        EXPECT_EQ(s.values().number("cAdj_W2"), 0) << "no impurity grade, no impurity deduction";
        ASSERT_TRUE(typeNumber(s, "cAdj_W1", 650));
        EXPECT_EQ(s.values().number("cQty"), 9350) << "a deduction typed over stays";
    }
    core::programSettings().clear();
    storage::setHardCommit(true);
}

}  // namespace
