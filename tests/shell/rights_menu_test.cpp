#include <gtest/gtest.h>

#include <set>

#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "shell/menu.h"
#include "shell/rights.h"
#include "support/seams.h"

using core::tis620::T;

namespace {

struct LoggedIn {
    explicit LoggedIn(const std::string& rights) { core::programSettings().setText("CTRUSTEE", rights); }
    ~LoggedIn() { core::programSettings().clear(); }
};

}  // namespace

TEST(Rights, LevelsFromShortOrOddRightsStrings)
{
    EXPECT_EQ(shell::rightsLevel("6543210", 1), 6);
    EXPECT_EQ(shell::rightsLevel("6543210", 7), 0);
    EXPECT_EQ(shell::rightsLevel("6543210", 8), 0);   // beyond the string
    EXPECT_EQ(shell::rightsLevel("6X3", 2), 0);       // not a digit
    EXPECT_EQ(shell::rightsLevel("", 1), 0);
    EXPECT_EQ(shell::normalizedRights("69A3"), "6003" + std::string(38, '0'));
    EXPECT_EQ(shell::normalizedRights(std::string(50, '5')).size(), 42u);
}

TEST(Rights, RefusedActionShowsTheMessageAndDoesNotRun)
{
    LoggedIn user(std::string(32, '6') + "0");
    testsupport::RecordingPrompts prompts;
    shell::Dispatcher d;
    int ran = 0;
    d.registerAction(shell::Action::VARSET, [&](int) { ++ran; });
    EXPECT_FALSE(d.dispatch(shell::Action::VARSET, 33));
    EXPECT_EQ(ran, 0);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, T("คุณไม่มีอำนาจที่จะใช้คำสั่งนี้"));
    EXPECT_EQ(prompts.shown[0].title, T("  ส่วนการกำหนดอำนาจ"));
}

TEST(Rights, ActionsReceiveTheLevelOfTheirPosition)
{
    LoggedIn user("1234560123456012345601234560123456");
    testsupport::RecordingPrompts prompts;
    shell::Dispatcher d;
    int level = -1;
    d.registerAction(shell::Action::TRPROC3, [&](int l) { level = l; });
    d.registerAction(shell::Action::POPCODE4, [&](int l) { level = l; });
    EXPECT_TRUE(d.dispatch(shell::Action::TRPROC3, 3));
    EXPECT_EQ(level, 3);
    EXPECT_TRUE(d.dispatch(shell::Action::POPCODE4, 20));
    EXPECT_EQ(level, 6);
    EXPECT_FALSE(d.dispatch(shell::Action::MNPROC1, 6));  // nobody registered it yet
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, core::MessageKind::Info);
}

TEST(Rights, DigitCheckShowsTheLegendForAnythingButZeroToSix)
{
    testsupport::RecordingPrompts prompts;
    EXPECT_TRUE(shell::TRUSCHK("0"));
    EXPECT_TRUE(shell::TRUSCHK("6"));
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_FALSE(shell::TRUSCHK("7"));
    EXPECT_FALSE(shell::TRUSCHK(""));
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0].title, T("  การกำหนดระดับอำนาจ"));
    EXPECT_EQ(prompts.shown[0].text.substr(0, 36), shell::rightsLegendLine(0));
    EXPECT_EQ(shell::rightsLegendLine(6), core::xbase::padRight(T("6 = อำนาจเต็มที่"), 36));
}

TEST(MainMenu, EveryCommandChecksThePositionWhoseLevelItReceives)
{
    std::set<int> positions;
    int submenus = 0;
    for (const shell::Menu& m : shell::mainMenu()) {
        for (const shell::MenuEntry& e : m.entries) {
            if (e.kind == shell::MenuEntry::Kind::Submenu)
                ++submenus;
            if (e.kind != shell::MenuEntry::Kind::Item)
                continue;
            positions.insert(e.rights);
            if (const int p = shell::levelPosition(e.action)) {
                EXPECT_EQ(e.rights, p) << e.caption;
            }
        }
    }
    EXPECT_EQ(shell::mainMenu().size(), 8u);
    EXPECT_TRUE(shell::mainMenu().back().entries.empty());  // exit sits on the menu bar itself
    EXPECT_EQ(submenus, 2);
    for (int p = 1; p <= 33; ++p)
        EXPECT_TRUE(positions.count(p)) << "rights position " << p << " has no menu item";
}

TEST(MainMenu, PictureHotSpots)
{
    struct Case {
        int column, row;
        const shell::HotSpot* expected;
    };
    const auto spots = shell::hotSpots();
    const Case cases[] = {
        {36, 80, &spots[0]}, {35, 80, nullptr}, {216, 130, &spots[0]}, {217, 130, nullptr},
        {36, 131, nullptr}, {100, 150, &spots[1]}, {500, 340, &spots[5]}, {588, 395, nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shell::hotSpotAt(c.column, c.row), c.expected) << c.column << "," << c.row;
    EXPECT_EQ(spots[0].action, shell::Action::TRPROC1);
    EXPECT_EQ(spots[5].action, shell::Action::REPORT);
}
