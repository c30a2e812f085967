// The edit log screen on Qt: the menu reaches it, the buttons follow the level, the search box
// moves the browse, the date range defaults to today and copy, purge and print go through it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <algorithm>

#include "audit/dialogs/audit_dialog.h"
#include "audit_log_fixture.h"
#include "shell/menu.h"
#include "support/qt_typing.h"
#include "ui/browse_widget.h"
#include "ui/entry_field.h"
#include "ui/thai_text.h"

namespace {

using audit::AuditList;
using core::tis620::T;
using Button = AuditList::Button;

class AuditDialogTest : public audittest::AuditLogTest {
protected:
    void SetUp() override
    {
        AuditLogTest::SetUp();
        addRows({{5, "first", "a"}, {5, "second ABC", "a"}, {5, "third", "a"}});
    }
    static std::string current(ui::BrowseWidget* browse) { return audittest::currentLabel(browse->rows().source()); }
};

TEST_F(AuditDialogTest, ButtonsFollowTheLevelAndTheSearchBoxMovesTheBrowse)
{
    // Looking and searching from level 1, printing and copying from 2, purging only at 6: the first
    // `on` of these.
    const Button order[] = {Button::Top,   Button::Bottom, Button::Search, Button::Exit,
                            Button::Print, Button::Copy,   Button::Purge};
    ASSERT_EQ(std::size(order), std::size_t(Button::Count_));
    const std::pair<int, int> cases[] = {{0, 0}, {2, 6}, {6, 7}, {1, 4}};
    for (const auto& [level, on] : cases) {
        AuditList model(level);
        ASSERT_TRUE(model.open());
        audit::AuditDialog dialog(model);
        for (int i = 0; i < int(std::size(order)); ++i) {
            ASSERT_NE(dialog.button(order[i]), nullptr);
            EXPECT_EQ(dialog.button(order[i])->isEnabled(), i < on) << level << " " << int(order[i]);
        }
        if (level != 1)
            continue;
        testsupport::expectFitsSmallScreen(dialog);
        dialog.show();
        testsupport::typeUtf8(dialog.searchBox(), "abc");
        dialog.button(Button::Search)->click();
        EXPECT_EQ(current(dialog.browse()), "second ABC");
        EXPECT_TRUE(prompts.shown.empty());
    }
}

TEST_F(AuditDialogTest, CopyPurgeAndPrintAskForTheRangeFirst)
{
    AuditList model(6);
    ASSERT_TRUE(model.open());
    audit::AuditDialog dialog(model);
    std::vector<AuditList::RangeUse> asked;
    bool cancel = true;
    dialog.askRange = [&](AuditList::RangeUse use) -> std::optional<audit::DateRange> {
        asked.push_back(use);
        return cancel ? std::nullopt : std::optional(audit::DateRange{clock.day, clock.day});
    };
    std::string copyFile = dir.file("copy.txt");
    dialog.chooseCopyFile = [&] { return copyFile; };
    int printed = 0;
    dialog.printReport = [&](core::Date, core::Date) { ++printed; };

    for (const Button b : {Button::Copy, Button::Purge, Button::Print})
        dialog.button(b)->click();
    EXPECT_EQ(asked, (std::vector<AuditList::RangeUse>{AuditList::RangeUse::Copy, AuditList::RangeUse::Purge,
                                                        AuditList::RangeUse::Print}));
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(printed, 0);

    cancel = false;
    dialog.button(Button::Copy)->click();
    const std::string copied = testsupport::readFile(copyFile);
    EXPECT_EQ(std::count(copied.begin(), copied.end(), '\n'), 3);
    dialog.button(Button::Print)->click();
    EXPECT_EQ(printed, 1);
    prompts.answers = {true};
    dialog.button(Button::Purge)->click();
    EXPECT_TRUE(model.rows().atEnd());
}

TEST_F(AuditDialogTest, DateRangeStartsTodayAndTheMenuOpensTheScreen)
{
    testsupport::whenModal([&](QWidget* modal) {
        for (QPushButton* b : modal->findChildren<QPushButton*>())
            if (b->text() == ui::fromTis(T("&ตกลง")))
                b->click();
    });
    EXPECT_EQ(audit::askDateRange(AuditList::RangeUse::Purge), std::optional(audit::DateRange{clock.day, clock.day}));

    shell::Dispatcher dispatcher;
    audit::registerAuditActions(dispatcher);
    core::programSettings().setText("CTRUSTEE", std::string(15, '0') + "1" + std::string(26, '0'));
    bool opened = false;
    testsupport::whenModal([&](QWidget* modal) {
        opened = qobject_cast<audit::AuditDialog*>(modal) != nullptr;
        static_cast<QDialog*>(modal)->accept();
    });
    EXPECT_TRUE(dispatcher.dispatch(shell::Action::AUDITLIST, 16));
    EXPECT_TRUE(opened);
}

}  // namespace
