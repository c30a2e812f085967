// The ticket screen's workflow: weighing in and out, resuming by registration, numbers taken only
// at save, cancel, rights, edits with their audit, refused edits, the order warning, the mends
// (a ticket completed elsewhere, deleted open tickets, values too wide), sounds, navigation and
// search.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/ops.h"
#include "weighing/ticket_screen.h"
#include "weighing/ticket_values.h"
#include "weighing_fixture.h"

using core::tis620::T;
using namespace weighing;
using namespace weighingtest;

namespace {

class TicketTest : public ScreenTest {
protected:
    // The last message shown (UTF-8) as "title: text".
    std::string lastShown()
    {
        const auto& m = site.prompts.shown.back();
        return core::tis620::toUtf8(m.title) + ": " + core::tis620::toUtf8(m.text);
    }
    double csno(const char* series)
    {
        const auto row = site.find("Consec", "CODE", series);
        return row ? row->number("CSNO") : -1;
    }
    // A new ticket for the truck with its codes typed, waiting for the weight in.
    void newTicket(TicketScreen& s, const char* registration, const char* party = "F001")
    {
        host.trucks.push_back(registration);
        s.weighPressed();
        ASSERT_EQ(s.mode(), 1);
        const std::pair<const char*, const char*> codes[] = {
            {s.kindInfo().partyValue, party}, {"cProduct", "P001"}, {"cWhouse", "W1"}, {"cUnit", "KG"}};
        for (const auto& [field, code] : codes)
            ASSERT_TRUE(typeText(s, field, code)) << field;
    }
    // A screen on truck 70-1234 weighed in and now weighed out, not yet saved.
    std::unique_ptr<TicketScreen> weighedInAndOut(long long in, long long out, int kind = 1, const char* party = "F001")
    {
        auto s = screen(kind);
        EXPECT_TRUE(firstWeighing(*s, host, Weighing{"70-1234", party}, in));
        EXPECT_TRUE(startSecondWeighing(*s, host, "70-1234", out));
        return s;
    }
};

TEST_F(TicketTest, APurchaseWeighedInAndOutIsStoredPostedAndOfferedForPrinting)
{
    auto s = screen();
    ASSERT_TRUE(firstWeighing(*s, host, Weighing{"70-1234"}, 12000));
    EXPECT_EQ(s->mode(), 0);
    auto stored = site.rows("Wdata1");
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].text("TICKET"), "000001");
    EXPECT_EQ(stored[0].text("STAT"), "1");
    EXPECT_EQ(stored[0].number("WIN"), 12000);
    EXPECT_EQ(stored[0].text("TMIN"), "08:00:00");
    EXPECT_DOUBLE_EQ(stored[0].number("PRICE"), 7.25) << "the product's price for its unit";
    EXPECT_TRUE(site.rows("Stock").empty()) << "an open ticket is not posted";
    EXPECT_EQ(s->values().text("cRecP"), "Rec.:1/1");

    site.clock.advanceMs(20 * 60 * 1000);
    ASSERT_TRUE(startSecondWeighing(*s, host, "70-1234", 4000));
    EXPECT_EQ(s->values().text("cTmOut"), "08:20:00");
    ASSERT_TRUE(typeNumber(*s, "cAdj_W1", 120.50));
    ASSERT_TRUE(typeNumber(*s, "cAdj_W2", 30));
    ASSERT_TRUE(typeNumber(*s, "cAdj_M1", 100));
    EXPECT_DOUBLE_EQ(s->values().number("cQty"), 7849.50);
    EXPECT_DOUBLE_EQ(s->values().number("cAmount"), 56808.88);
    ASSERT_TRUE(typeNumber(*s, "cDrCr", 20000));
    EXPECT_DOUBLE_EQ(s->values().number("cCash"), 36808.88);
    site.prompts.answers = {false};
    ASSERT_TRUE(s->TRSAVE());
    EXPECT_EQ(lastShown(), "  ส่วนการพิมพ์ใบชั่ง: พิมพ์ใบชั่งน้ำหนัก");

    stored = site.rows("Wdata1");
    EXPECT_EQ(stored.at(0).text("STAT"), "2");
    EXPECT_DOUBLE_EQ(stored[0].number("QTY"), 7849.50);
    EXPECT_DOUBLE_EQ(stored[0].number("AMOUNT"), 56808.88);
    EXPECT_DOUBLE_EQ(stored[0].number("DRCR"), 20000);
    EXPECT_DOUBLE_EQ(site.stock("P001", "W1"), 7849.50);
    EXPECT_DOUBLE_EQ(site.account("ApAcc", "F001"), 20000);
    EXPECT_EQ(s->values().text("cStat"), T("ชั่งเสร็จแล้ว"));
    EXPECT_EQ(csno("TRK01"), 2);
}

TEST_F(TicketTest, ARegistrationWithAnOpenTicketResumesItAnyOtherStartsANewOne)
{
    auto s = screen();
    ASSERT_TRUE(firstWeighing(*s, host, Weighing{"70-1234"}, 12000));
    ASSERT_TRUE(firstWeighing(*s, host, Weighing{"81-5678", "F002"}, 9000));

    host.trucks.push_back("70-1234");
    s->weighPressed();
    EXPECT_EQ(s->mode(), 2);
    EXPECT_EQ(s->values().text("cTicket"), "000001");
    EXPECT_EQ(s->values().number("cWin"), 12000);
    EXPECT_TRUE(s->enabled(TicketButton::WeighOut));
    EXPECT_FALSE(s->enabled(TicketButton::WeighIn));
    EXPECT_FALSE(s->enabled(TicketButton::Save)) << "save waits for the weight";
    EXPECT_TRUE(s->fieldEnabled("cPrice"));
    EXPECT_EQ(s->focus(), "cFarmer");
    s->PCANCEL();

    site.clock.day = core::Date::fromYmd(2026, 12, 6);
    site.clock.hundredths = 9 * 360000 + 30 * 6000;
    host.trucks.push_back("82-9012");
    s->weighPressed();
    EXPECT_EQ(s->mode(), 1);
    EXPECT_EQ(s->values().text("cTicket"), "000003") << "the number it will likely get";
    EXPECT_EQ(core::xbase::rtrim(s->values().text("cTruck")), "82-9012");
    EXPECT_EQ(s->values().get("cDayin").asDate(), core::Date::fromYmd(2026, 12, 6));
    EXPECT_EQ(s->values().text("cTmin"), "09:30:00");
    EXPECT_FALSE(s->fieldEnabled("cPrice")) << "no money before the second weighing";
    EXPECT_TRUE(s->fieldEnabled("cProduct"));
    EXPECT_FALSE(s->enabled(TicketButton::Exit));
    EXPECT_FALSE(s->mayClose());
}

TEST_F(TicketTest, ANewTicketTakesNoNumberUntilSavedAndCancelLeavesNothing)
{
    site.addSound("TSound11.wav");
    site.addSound("TSound26.wav");
    auto s = screen();
    EXPECT_EQ(site.sound.waves, std::vector<std::string>{"TSound26.wav"});
    ASSERT_TRUE(firstWeighing(*s, host, Weighing{"70-1234"}, 12000));
    const std::uint32_t shown = site.rows("Wdata1")[0].recno;

    host.trucks.push_back("81-5678");
    s->weighPressed();
    ASSERT_EQ(s->mode(), 1);
    EXPECT_EQ(s->values().text("cTicket"), "000002");
    ASSERT_TRUE(typeText(*s, "cFarmer", "F002"));
    host.weights.push_back(8000);
    s->READW(1);
    s->PCANCEL();
    EXPECT_EQ(site.sound.waves.back(), "TSound11.wav");
    EXPECT_EQ(s->mode(), 0);
    EXPECT_TRUE(s->mayClose());
    EXPECT_EQ(site.rows("Wdata1").size(), 1u);
    EXPECT_EQ(csno("TRK01"), 2) << "only the saved ticket took a number";
    EXPECT_EQ(core::xbase::rtrim(s->values().text("cFarmer")), "F001") << "back on the ticket shown before";
    EXPECT_EQ(s->values().text("cTicket"), "000001");
    EXPECT_EQ(s->values().text("cRecP"), "Rec.:" + std::to_string(shown) + "/1");

    // A truck prompt cancelled changes nothing.
    host.trucks.push_back(std::nullopt);
    s->weighPressed();
    EXPECT_EQ(s->mode(), 0);
    EXPECT_EQ(s->values().text("cTicket"), "000001");
}

TEST_F(TicketTest, RightsDecideTheButtons)
{
    {
        auto s = screen(1, 6);
        ASSERT_TRUE(firstWeighing(*s, host, Weighing{"70-1234"}, 12000));
    }
    struct Case {
        int level;
        bool weigh, edit, del, print;
    } cases[] = {
        {1, false, false, false, false}, {2, false, false, false, true}, {3, true, false, false, true},
        {4, true, true, false, true},    {5, true, true, true, true},    {6, true, true, true, true},
    };
    for (const Case& c : cases) {
        auto s = screen(1, c.level);
        EXPECT_EQ(s->enabled(TicketButton::Weigh), c.weigh) << c.level;
        EXPECT_EQ(s->enabled(TicketButton::Edit), c.edit) << c.level;
        EXPECT_EQ(s->enabled(TicketButton::Delete), c.del) << c.level;
        EXPECT_EQ(s->enabled(TicketButton::Print), c.print) << c.level;
        for (TicketButton b : {TicketButton::Previous, TicketButton::Next, TicketButton::First, TicketButton::Last,
                               TicketButton::Search, TicketButton::Exit})
            EXPECT_TRUE(s->enabled(b)) << c.level;
        EXPECT_FALSE(s->enabled(TicketButton::Save));
        EXPECT_EQ(s->values().number("cTrusLevel"), c.level);
    }
}

TEST_F(TicketTest, APartlySettledTicketCannotBeEditedButCanBeWeighed)
{
    auto s = screen();
    ASSERT_TRUE(firstWeighing(*s, host, Weighing{"70-1234"}, 12000));
    storage::Workspace ws;
    ASSERT_TRUE(storage::OPENTRK(ws, site.data(), "Wdata1"));
    ASSERT_TRUE(ws.find("Wdata1")->goTop().ok());
    ASSERT_TRUE(storage::REC_LOCK(ws));
    ASSERT_TRUE(ws.find("Wdata1")->put("DRCR", core::Value::number(1000, 2)).ok());
    ASSERT_TRUE(ws.find("Wdata1")->put("CLEAR", core::Value::number(200, 2)).ok());
    ASSERT_TRUE(storage::commitAll(ws) && storage::unlockAll(ws));
    s->PROCMOVE(kMoveFirst);

    s->editPressed();
    EXPECT_EQ(s->mode(), 0);
    EXPECT_EQ(lastShown(), "  ไม่อนุญาตให้แก้ไขข้อมูล: รายการนี้มีบันทึกการชำระแล้ว");
    host.trucks.push_back("70-1234");
    s->weighPressed();
    EXPECT_EQ(s->mode(), 2);
}

TEST_F(TicketTest, EditingACompleteTicketMovesTheStockByTheDifferenceAndAuditsWhatChanged)
{
    site.setting("CAUDITR", "y");
    site.setting("CTRACK", "9417");
    auto s = weighedInAndOut(6000, 1000);
    ASSERT_TRUE(s->TRSAVE());
    ASSERT_DOUBLE_EQ(site.stock("P001", "W1"), 5000);
    ASSERT_DOUBLE_EQ(site.rows("Wdata1")[0].number("CASH"), 36250);
    EXPECT_TRUE(site.rows("Audit").empty());

    s->editPressed();
    ASSERT_EQ(s->mode(), 3);
    EXPECT_TRUE(s->enabled(TicketButton::Save));
    EXPECT_TRUE(s->fieldEnabled("cWout")) << "service mode lets level 6 type the weights";
    EXPECT_FALSE(s->fieldEnabled("cTicket")) << "not without Misc/Fact C";
    EXPECT_EQ(s->focus(), "cTicket");
    ASSERT_TRUE(typeNumber(*s, "cWout", 800));
    EXPECT_DOUBLE_EQ(s->values().number("cQty"), 5200);
    ASSERT_TRUE(s->TRSAVE());
    EXPECT_EQ(s->mode(), 0);
    EXPECT_DOUBLE_EQ(site.stock("P001", "W1"), 5200);
    EXPECT_DOUBLE_EQ(site.rows("Wdata1")[0].number("QTY"), 5200);
    EXPECT_EQ(site.rows("Wdata1")[0].text("STAT"), "2");

    std::vector<std::string> audit;
    for (const auto& r : site.rows("Audit"))
        audit.push_back(r.text("TICKET") + " " + r.text("DESCRIP") + ": " + r.text("OLDDATA") + " -> " + r.text("NEWDATA"));
    EXPECT_EQ(audit, (std::vector<std::string>{"TRK01-000001 นน.ชั่งออก:    1000.00 ->     800.00",
                                               "TRK01-000001 เงินสด:     36250.00 ->     37700.00",
                                               "TRK01-000001 จำนวนเงิน:     36250.00 ->     37700.00",
                                               "TRK01-000001 ป้อนน้ำหนักรถออกเอง: 1,000 -> 800"}));
}

TEST_F(TicketTest, ChangingTheUnitReplacesThePriceOnlyForOneOfTheProductsUnits)
{
    auto s = weighedInAndOut(6000, 1000);
    ASSERT_TRUE(s->TRSAVE());
    s->editPressed();
    ASSERT_EQ(s->mode(), 3);
    ASSERT_TRUE(typeText(*s, "cUnit", "TON"));
    EXPECT_DOUBLE_EQ(s->values().number("cPrice"), 7250);
    EXPECT_DOUBLE_EQ(s->values().number("cRate"), 1000);
    EXPECT_DOUBLE_EQ(s->values().number("cAmount"), 36250);
    ASSERT_TRUE(typeText(*s, "cUnit", "BOX"));
    EXPECT_DOUBLE_EQ(s->values().number("cPrice"), 7250) << "BOX is none of the product's units";
    EXPECT_DOUBLE_EQ(s->values().number("cRate"), 1000) << "a rate of 0 is not taken";
    ASSERT_TRUE(typeNumber(*s, "cPrice", 8000));
    ASSERT_TRUE(typeText(*s, "cWhouse", "W2"));
    EXPECT_DOUBLE_EQ(s->values().number("cPrice"), 8000) << "a typed price survives other fields";
}

TEST_F(TicketTest, ASaleBeyondItsOrderIsWarnedAndStillSaved)
{
    site.setting("CORCTRL", "1");
    auto s = screen(3);
    newTicket(*s, "70-1234", "C001");
    s->values().setNumber("cPrice", 0);
    ASSERT_TRUE(typeText(*s, "cRemark4", "SO2"));
    EXPECT_DOUBLE_EQ(s->values().number("cPrice"), 7.50) << "the order's price";
    host.weights.push_back(1000);
    s->READW(1);
    ASSERT_TRUE(s->TRSAVE());
    EXPECT_TRUE(site.prompts.shown.empty());

    ASSERT_TRUE(startSecondWeighing(*s, host, "70-1234", 6500));
    EXPECT_DOUBLE_EQ(s->values().number("cQty"), 5500);
    site.prompts.answers = {false};
    ASSERT_TRUE(s->TRSAVE());
    ASSERT_GE(site.prompts.shown.size(), 2u);
    EXPECT_EQ(shownTexts(site.prompts)[0], "ยอดขายเกินกว่าจำนวนสั่ง");
    EXPECT_EQ(site.prompts.shown[0].title, T("  ส่วนการตรวจสอบยอดการสั่ง"));
    EXPECT_EQ(site.rows("Wdata3")[0].text("STAT"), "2");
    EXPECT_DOUBLE_EQ(site.find("OrAcc", "CODE", "SO2")->number("WEIGHT"), 5500);
    EXPECT_DOUBLE_EQ(site.stock("P001", "W1"), -5500);

    // Edited with the order number cleared: the weight leaves the order the stored ticket quoted.
    s->editPressed();
    ASSERT_TRUE(typeText(*s, "cRemark4", ""));
    site.prompts.answers = {false};
    ASSERT_TRUE(s->TRSAVE());
    EXPECT_DOUBLE_EQ(site.find("OrAcc", "CODE", "SO2")->number("WEIGHT"), 0);
    EXPECT_DOUBLE_EQ(site.find("OrAcc", "CODE", "SO2")->number("AMOUNT"), 0);
    EXPECT_DOUBLE_EQ(site.stock("P001", "W1"), -5500);
}

TEST_F(TicketTest, AnOrderNumberNotFoundListsTheCustomersOrdersForTheProduct)
{
    site.setting("CORCTRL", "1");
    auto s = screen(3);
    host.trucks.push_back("70-1234");
    s->weighPressed();
    ASSERT_TRUE(typeText(*s, "cCompany", "C002"));
    ASSERT_TRUE(typeText(*s, "cProduct", "P001"));
    EXPECT_FALSE(typeText(*s, "cRemark4", "SO"));
    EXPECT_EQ(lastShown(), "  ส่วนการตรวจสอบข้อมูลใบสั่งซื้อ: ไม่พบข้อมูลใบสั่งซื้อ");

    ASSERT_TRUE(typeText(*s, "cCompany", "C001"));
    host.onList = [](ListDialogModel& list) {
        ASSERT_EQ(list.columns().size(), 6u);
        std::vector<std::string> cells;
        list.source().cells(cells);
        EXPECT_EQ(core::xbase::rtrim(cells[0]), "SO2") << "starts at the nearest order";
        EXPECT_EQ(cells[2], "      5,000");
        list.source().skip(-1);
        list.choose();
    };
    ASSERT_TRUE(typeText(*s, "cRemark4", "SO15"));
    EXPECT_EQ(host.lists, 1);
    EXPECT_EQ(core::xbase::rtrim(s->values().text("cRemark4")), "SO1");
    EXPECT_DOUBLE_EQ(s->values().number("cPrice"), 7.25);
}

// A registration is stored and looked up with its blanks normalised, so a truck typed with other
// blanks, or stored so by an earlier version, still resumes its ticket instead of starting a
// second one; one longer than the stored field is refused rather than cut.
TEST_F(TicketTest, ARegistrationResumesItsTicketHoweverItsBlanksWereTyped)
{
    site.load("Wdata1", "TICKET,STAT,TRUCK,COMPANY,PRODUCT,WHOUSE,UNIT,DAYIN,TMIN,WIN\n"
                        "000001,1,  XY12,F001,P001,W1,KG,20261205,07:00:00,9000\n");
    auto s = screen();
    ASSERT_TRUE(firstWeighing(*s, host, Weighing{"  AB   99 "}, 12000));
    EXPECT_EQ(site.rows("Wdata1")[1].text("TRUCK"), "AB 99");
    for (const char* typed : {"AB 99", " AB  99", "XY12"}) {
        host.trucks.push_back(typed);
        s->weighPressed();
        EXPECT_EQ(s->mode(), 2) << typed;
        s->PCANCEL();
    }
    EXPECT_EQ(site.rows("Wdata1").size(), 2u);

    site.prompts.shown.clear();
    host.trucks.push_back("กท-1234 กรุงเทพฯ");  // fourteen characters
    host.trucks.push_back("กท-1234");
    s->weighPressed();
    ASSERT_EQ(site.prompts.shown.size(), 1u);
    EXPECT_EQ(lastShown(), "  กรุณาระบุทะเบียนรถ: ทะเบียนรถยาวเกิน 10 ตัวอักษร กรุณาพิมพ์ให้สั้นลง");
    EXPECT_EQ(s->mode(), 1);
    EXPECT_EQ(core::xbase::rtrim(s->values().text("cTruck")), T("กท-1234"));
}

// The truck prompt answered at 13:32:00, the weight read two and a half minutes later: the
// weighing is timed at the reading, in and out.
TEST_F(TicketTest, AWeighingIsTimedWhenItsWeightIsRead)
{
    auto s = screen();
    site.clock.hundredths = 13 * 360000 + 32 * 6000;
    newTicket(*s, "70-1234");
    EXPECT_EQ(s->values().text("cTmin"), "13:32:00");
    site.clock.hundredths += 15000;
    host.weights.push_back(12000);
    s->READW(1);
    EXPECT_EQ(s->values().text("cTmin"), "13:34:30");
    ASSERT_TRUE(s->TRSAVE());
    EXPECT_EQ(site.rows("Wdata1")[0].text("TMIN"), "13:34:30");

    site.clock.day = core::Date::fromYmd(2026, 12, 6);
    host.trucks.push_back("70-1234");
    s->weighPressed();
    ASSERT_EQ(s->mode(), 2);
    site.clock.hundredths += 6000;
    host.weights.push_back(4000);
    s->READW(2);
    ASSERT_TRUE(s->TRSAVE());
    EXPECT_EQ(site.rows("Wdata1")[0].text("TMOUT"), "13:35:30");
    EXPECT_EQ(site.rows("Wdata1")[0].fields.at("DAYOUT").asDate(), core::Date::fromYmd(2026, 12, 6));
}

TEST_F(TicketTest, TheTruckPromptPassesOverDeletedOpenTickets)
{
    auto s = screen();
    ASSERT_TRUE(firstWeighing(*s, host, Weighing{"70-1234"}, 12000));
    site.prompts.answers = {true};
    s->deletePressed();
    EXPECT_TRUE(site.rows("Wdata1")[0].deleted);
    EXPECT_EQ(s->values().text("cStat"), T("สั่งลบ"));
    EXPECT_FALSE(s->enabled(TicketButton::Edit));
    EXPECT_FALSE(s->enabled(TicketButton::Print));
    EXPECT_TRUE(s->enabled(TicketButton::Delete));
    s->editPressed();
    EXPECT_EQ(shownTexts(site.prompts).back(), "ข้อมูลนี้ถูกสั่งลบ");

    host.trucks.push_back("70-1234");
    s->weighPressed();
    EXPECT_EQ(s->mode(), 1) << "a new ticket, not the deleted one";
}

TEST_F(TicketTest, TheWaitingListPutsTheChosenRegistrationIntoThePrompt)
{
    auto s = screen();
    host.trucks.push_back("...");
    s->weighPressed();
    EXPECT_EQ(lastShown(), "  ส่วนบันทึกการชั่งรถบรรทุก: ไม่มีข้อมูลรถบรรทุกรอการชั่งออก");
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
    EXPECT_EQ(core::xbase::rtrim(s->values().text("cTruck")), "81-5678");
}

// A weigh-out whose amount cannot be stored is refused with its reason: the open ticket stays as
// it was and nothing is posted.
TEST_F(TicketTest, AnAmountThatCannotBeStoredIsRefusedAndNothingIsWritten)
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
        EXPECT_EQ(shownTexts(site.prompts).back(), c.message);
        EXPECT_EQ(s->mode(), 2);
        EXPECT_EQ(site.rows("Wdata1").back().text("STAT"), "1");
        EXPECT_EQ(site.rows("Wdata1").back().number("WOUT"), 0);
        EXPECT_TRUE(site.rows("Stock").empty());
        s->PCANCEL();
    }

    // A new ticket refused the same way takes no number either.
    auto s = screen();
    newTicket(*s, "82-9012");
    s->values().setNumber("cWin", 12345678);
    EXPECT_FALSE(s->TRSAVE());
    EXPECT_EQ(csno("TRK01"), 3);
    EXPECT_EQ(site.rows("Wdata1").size(), 2u);
}

TEST_F(TicketTest, ANewTicketWithoutARunningNumberIsNotSaved)
{
    // The running numbers out of reach (a share gone, a maintenance job holding the table): the
    // operator is told, nothing is written, and the screen keeps what was typed.
    auto s = screen();
    newTicket(*s, "70-1234");
    host.weights.push_back(12000);
    s->READW(1);
    const std::string consec = site.tables() + "CONSEC.DBF";
    std::filesystem::rename(consec, consec + ".away");
    EXPECT_FALSE(s->TRSAVE());
    EXPECT_EQ(lastShown(), "  ส่วนกำหนดเลขใบชั่ง: แฟ้มเลขใบชั่งไม่สามารถเปิดได้");
    EXPECT_TRUE(site.rows("Wdata1").empty());
    EXPECT_EQ(s->mode(), 1);
    EXPECT_EQ(core::xbase::rtrim(s->values().text("cProduct")), "P001");
    EXPECT_DOUBLE_EQ(s->values().number("cWin"), 12000);

    std::filesystem::rename(consec + ".away", consec);
    ASSERT_TRUE(s->TRSAVE());
    ASSERT_EQ(site.rows("Wdata1").size(), 1u);
    EXPECT_EQ(site.rows("Wdata1")[0].text("TICKET"), "000001");
}

TEST_F(TicketTest, ATicketCompletedElsewhereIsNotSavedAgain)
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
    EXPECT_EQ(shownTexts(site.prompts).back(), "ใบชั่งนี้ถูกบันทึกหรือสั่งลบจากเครื่องอื่นแล้ว");
    EXPECT_EQ(s->mode(), 0);
    EXPECT_EQ(s->values().number("cWout"), 1500) << "the stored ticket is shown";
    EXPECT_DOUBLE_EQ(site.stock("P001", "W1"), 7500) << "posted once";
}

// A template printing the site's variables prints those of the ticket on the screen; a stored
// ticket loads into the values the templates name, as stored or by the formulas in force.
TEST_F(TicketTest, AStoredTicketLoadsIntoTheValuesTemplatesNameAndTheVariablesFollowTheTicketShown)
{
    site.config("Variable", "Var31", "cNet / 2");
    site.config("Variable", "Amount3", "cQty * 2");
    for (const auto& [in, out] : {std::pair{3000, 13000}, std::pair{2000, 6000}}) {
        auto s = weighedInAndOut(in, out, 3, "C002");
        site.prompts.answers = {true};
        ASSERT_TRUE(s->TRSAVE());
        EXPECT_EQ(shownTexts(site.prompts).back(), "ไม่พบฟอร์ม Ticket32") << "the form of the kind and state";
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
    EXPECT_EQ(v.text("cTicket"), "000001");
    EXPECT_EQ(core::tis620::toUtf8(core::xbase::rtrim(v.text("cComName"))), "โรงสีไฟเจริญผล");
    EXPECT_EQ(core::tis620::toUtf8(core::xbase::rtrim(v.text("cProName"))), "ข้าวเปลือกหอมมะลิ");
    EXPECT_EQ(core::tis620::toUtf8(core::xbase::rtrim(v.text("CWHONAME"))), "โกดังหน้า");
    EXPECT_EQ(v.number("cNet"), 10000);
    EXPECT_EQ(v.number("cAmount"), 20000) << "as stored";
    EXPECT_EQ(v.get("cDayin").asDate(), core::Date::fromYmd(2026, 12, 5));
    EXPECT_EQ(v.text("cStat"), T("ชั่งเสร็จแล้ว"));
    EXPECT_EQ(v.number("cVar1"), 0);
    EXPECT_FALSE(v.has("cFarmer"));
    loadTicketValuesCalculated(3, ws, v);
    EXPECT_EQ(v.number("cAmount"), 30000) << "by the formula in force now";
    EXPECT_EQ(v.number("cVar1"), 5000);
    EXPECT_EQ(ws.currentAlias(), "Wdata");
}

// ---- Navigation and search

class NavigationTest : public TicketTest {
protected:
    void SetUp() override
    {
        s = screen();
        for (int i = 0; i < 4; ++i) {
            site.clock.advanceMs(60 * 1000);
            ASSERT_TRUE(firstWeighing(*s, host, Weighing{kTrucks[i]}, 1000 * (i + 1)));
        }
    }
    std::string ticket() { return s->values().text("cTicket"); }
    static constexpr const char* kTrucks[] = {"70-1234", "81-5678", "82-9012", "70-3456"};
    std::unique_ptr<TicketScreen> s;
};

TEST_F(NavigationTest, MovesStopAtBothEnds)
{
    struct Step {
        int action;
        const char* ticket;
        const char* position;
    } steps[] = {
        {kMoveNext, "000004", "Rec.:4/4"},     {kMovePrevious, "000003", "Rec.:3/4"},
        {kMoveFirst, "000001", "Rec.:1/4"},    {kMovePrevious, "000001", "Rec.:1/4"},
        {kMoveNext, "000002", "Rec.:2/4"},     {kMoveLast, "000004", "Rec.:4/4"},
        {kMoveNext, "000004", "Rec.:4/4"},
    };
    for (const Step& st : steps) {
        s->PROCMOVE(st.action);
        EXPECT_EQ(ticket(), st.ticket) << st.action;
        EXPECT_EQ(s->values().text("cRecP"), st.position) << st.action;
    }
}

TEST_F(NavigationTest, TheSearchFindsForwardOnlyAndTheHighlightedRowIsShown)
{
    s->PROCMOVE(kMoveFirst);
    host.onSearch = [](SearchDialogModel& d) {
        ASSERT_EQ(d.columns().size(), 5u);
        EXPECT_TRUE(d.columns()[4].rightAligned);
        d.search("82-90");
    };
    s->PROCMOVE(kSearchTickets);
    EXPECT_EQ(ticket(), "000003");
    EXPECT_EQ(s->values().text("cRecP"), "Rec.:3/4");

    host.onSearch = [](SearchDialogModel& d) { d.search("70-1234"); };
    s->PROCMOVE(kSearchTickets);
    EXPECT_EQ(ticket(), "000003") << "only an earlier row holds it";
    EXPECT_EQ(lastShown(), "  ส่วนค้นหาข้อมูล: ไม่พบข้อความที่ระบุ");

    host.onSearch = [](SearchDialogModel& d) {
        d.source().goTop();
        d.source().skip(1);
    };
    s->PROCMOVE(kSearchTickets);
    EXPECT_EQ(ticket(), "000002") << "closed without a choice: the highlighted row";
    host.onSearch = [](SearchDialogModel& d) { d.search(" 4,000"); };
    s->PROCMOVE(kSearchTickets);
    EXPECT_EQ(ticket(), "000004") << "the weight in as shown";
}

TEST(DocumentCursorTest, ThePositionIsCountedFromTheNearerEndInTheActiveOrder)
{
    Site site;
    storage::Workspace ws;
    ASSERT_TRUE(storage::OPENTRK(ws, site.data(), "Wdata2", "wdata"));
    storage::Table& t = *ws.find("wdata");
    // Times out of record order: record r is the (r * 337 mod 1000)-th second of the day.
    constexpr int kRecords = 1000;
    for (int r = 1; r <= kRecords; ++r) {
        ASSERT_TRUE(storage::ADD_REC(ws));
        const int second = r * 337 % kRecords;
        char time[9];
        std::snprintf(time, sizeof time, "%02d:%02d:%02d", second / 3600, second / 60 % 60, second % 60);
        ASSERT_TRUE(t.put("DAYIN", core::Value::date(core::Date::fromYmd(2026, 12, 5))).ok());
        ASSERT_TRUE(t.put("TMIN", core::Value::text(time)).ok());
        ASSERT_TRUE(storage::commitAll(ws) && storage::unlockAll(ws));
    }
    DocumentCursor cursor(ws);
    for (int r : {1, 3, 500, 999, 1000, 337, 674}) {
        ASSERT_TRUE(t.goTo(std::uint32_t(r)).ok());
        cursor.forget();
        EXPECT_EQ(cursor.position(), std::uint32_t(r * 337 % kRecords + 1)) << r;
        EXPECT_EQ(t.recNo(), std::uint32_t(r)) << "the pointer is left where it was";
    }
    cursor.move(kMoveFirst);
    cursor.move(kMoveNext);
    EXPECT_EQ(cursor.recordPosition(), "Rec.:2/1000");
    cursor.move(kMoveLast);
    cursor.move(kMovePrevious);
    EXPECT_EQ(cursor.recordPosition(), "Rec.:999/1000");
}

TEST(EmptyNavigationTest, InAnEmptyTableEveryMoveStaysOnTheBlankPosition)
{
    Site site;
    ScriptedHost host;
    TicketScreen s(2, 6, host);
    ASSERT_TRUE(s.open());
    for (int action : {int(kMoveNext), int(kMovePrevious), int(kMoveLast), int(kMoveFirst), int(kSearchTickets)}) {
        s.PROCMOVE(action);
        EXPECT_EQ(s.values().text("cRecP"), "Rec.:0/0") << action;
        EXPECT_EQ(s.values().text("cStat"), T("รอชั่งออก"));
        EXPECT_FALSE(s.enabled(TicketButton::Edit));
        EXPECT_FALSE(s.enabled(TicketButton::Delete));
        EXPECT_TRUE(s.enabled(TicketButton::Weigh));
    }
}

}  // namespace
