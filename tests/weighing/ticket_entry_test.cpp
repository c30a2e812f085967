// What the ticket screen says about the person's entry: the empty fields that stop a save or a
// weigh-in (which, in the screen's order, named by caption, the focus on the first), and the grade
// deductions of a demo site's formulas worked out from the grade chosen on the screen.
#include <gtest/gtest.h>

#include "core/tis620.h"
#include "core/xbase.h"
#include "site/site_setup.h"
#include "support/test_site.h"
#include "weighing/ticket_screen.h"
#include "weighing_fixture.h"

using core::tis620::T;
using namespace weighing;
using namespace weighingtest;

namespace {

class TicketEntryTest : public ScreenTest {
protected:
    std::unique_ptr<TicketScreen> newTicket(int kind)
    {
        auto s = screen(kind);
        host.trucks.push_back("70-1234");
        s->weighPressed();
        EXPECT_EQ(s->mode(), kTicketNew);
        return s;
    }
};

TEST_F(TicketEntryTest, TheEmptyRequiredFieldsAreReportedInTheScreensOrder)
{
    struct Case {
        int kind;
        std::vector<std::pair<const char*, const char*>> typed;
        std::vector<std::string> forSave;
        std::vector<std::string> forWeighIn;
    };
    const Case cases[] = {
        {1, {}, {"cFarmer", "cProduct", "cWhouse", "cUnit"}, {"cFarmer", "cProduct", "cWhouse"}},
        {1, {{"cFarmer", "F001"}, {"cWhouse", "W1"}}, {"cProduct", "cUnit"}, {"cProduct"}},
        {1, {{"cFarmer", "F001"}, {"cProduct", "P001"}, {"cWhouse", "W1"}}, {"cUnit"}, {}},
        {3, {{"cProduct", "P001"}}, {"cCompany", "cWhouse", "cUnit"}, {"cCompany", "cWhouse"}},
        {5, {}, {"cCompany"}, {"cCompany"}},
        {5, {{"cCompany", "C001"}}, {}, {}},
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

TEST_F(TicketEntryTest, TheWeighInAndTheSaveStopAtTheFirstEmptyFieldAndNameIt)
{
    auto s = newTicket(1);
    EXPECT_FALSE(s->enabled(TicketButton::Save));
    ASSERT_TRUE(typeText(*s, "cFarmer", "F001"));
    host.weights.push_back(12000);
    s->READW(1);
    EXPECT_EQ(host.weights.size(), 1u) << "no weighing started";
    EXPECT_EQ(shownTexts(site.prompts).back(), "กรุณาระบุสินค้า ก่อนชั่งรถเข้า");
    EXPECT_EQ(s->focus(), "cProduct");
    EXPECT_FALSE(typeText(*s, "cProduct", "NOPE")) << "an unknown code keeps the focus";
    ASSERT_TRUE(typeText(*s, "cProduct", "P001"));
    ASSERT_TRUE(typeText(*s, "cWhouse", "W1"));
    s->READW(1);
    EXPECT_EQ(s->values().number("cWin"), 12000);
    EXPECT_EQ(enabledButtons(*s), "Save Cancel");
    EXPECT_EQ(s->focus(), "save");
    EXPECT_FALSE(s->TRSAVE());
    EXPECT_EQ(site.prompts.shown.back().title, T("  ส่วนบันทึกข้อมูล"));
    EXPECT_EQ(shownTexts(site.prompts).back(), "การระบุข้อมูลยังไม่ครบถ้วน");
    EXPECT_EQ(s->focus(), "cUnit");
    EXPECT_EQ(s->mode(), kTicketNew) << "the screen keeps its mode and values";

    ASSERT_TRUE(typeText(*s, "cUnit", "KG"));
    s->values().setNumber("cWin", -5);
    EXPECT_FALSE(s->TRSAVE());
    EXPECT_EQ(shownTexts(site.prompts).back(), "ไม่รับน้ำหนักชั่งที่ติดลบ");
    s->values().setNumber("cWin", 12000);
    EXPECT_TRUE(s->TRSAVE());
}

// ---- The demo site's grades

class DemoGradeTest : public ::testing::Test {
protected:
    DemoGradeTest()
    {
        storage::setHardCommit(false);
        testsupport::makeSite(dir.path(), {site::codeTableDemoSteps().begin(), site::codeTableDemoSteps().end()});
        core::programSettings().setText("CTRUSTEE", std::string(42, '6'));
    }
    ~DemoGradeTest() override
    {
        core::programSettings().clear();
        storage::setHardCommit(true);
    }
    // A purchase of P001 by the kilogram (12.50 a kilogram) with the grades weighed in at
    // 15,000 kg and saved, then weighed out at 5,000 kg, not saved.
    std::unique_ptr<TicketScreen> purchase(const char* moisture, const char* mixture)
    {
        auto s = std::make_unique<TicketScreen>(1, 6, host);
        EXPECT_TRUE(s->open());
        const Weighing w{"70-1234", "F001", "P001", "W01", "KG", {{"cMoisture", moisture}, {"cMixture", mixture}}};
        EXPECT_TRUE(firstWeighing(*s, host, w, 15000));
        EXPECT_TRUE(startSecondWeighing(*s, host, "70-1234", 5000));
        return s;
    }

    testsupport::TempDir dir;
    testsupport::RecordingPrompts prompts;
    testsupport::FakeClock clock;
    testsupport::RecordingSound sound;
    ScriptedPickList picks;
    ScriptedHost host;
};

TEST_F(DemoGradeTest, TheGradeChosenOnTheScreenIsTheOneDeductedAndNamed)
{
    auto s = purchase("M20", "X2");
    // Changed at the weigh-out, while the stored ticket still says M20.
    ASSERT_TRUE(typeText(*s, "cMoisture", "M25"));
    EXPECT_EQ(s->values().number("cAdj_W1"), 800);
    EXPECT_EQ(fieldsOf(s->values(), "cMoiName"), "ความชื้นเกิน 20% ถึง 25%");
    s->values().setText("cMixture", "");
    s->recalculate(kPosCode);
    EXPECT_EQ(s->values().number("cAdj_W2"), 0) << "no impurity grade, no impurity deduction";
    ASSERT_TRUE(typeNumber(*s, "cAdj_W1", 650));
    EXPECT_EQ(s->values().number("cQty"), 9350) << "a deduction typed over stays";
}

}  // namespace
