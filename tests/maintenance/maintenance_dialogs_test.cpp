// The maintenance dialogs offscreen: the reindex dialog runs the ticked groups, the backup's form
// refuses a name the backup would refuse.
#include <QApplication>
#include <QCheckBox>
#include <QTest>

#include "maintenance/dialogs/maintenance_dialogs.h"
#include "maintenance_fixture.h"
#include "support/qt_typing.h"
#include "ui/entry_field.h"

#include <gtest/gtest.h>

namespace {

using Kind = maintenance::RangeNameDialog::Kind;
using G = storage::TableGroup;

class MaintenanceDialogsTest : public ::testing::Test {
protected:
    mainttest::Site site;
};

TEST_F(MaintenanceDialogsTest, TheReindexDialogRunsTheTickedGroupsAndCloses)
{
    maintenance::Reindex model;
    maintenance::ReindexDialog dialog(model);
    for (const auto g : {G::Weighing, G::Money, G::Balances})
        dialog.groupBox(g)->setChecked(false);
    EXPECT_FALSE(model.ticked(G::Money));
    QTest::mouseClick(dialog.startButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.results().size(), 12u);
}

TEST_F(MaintenanceDialogsTest, TheBackupFormRefusesANameWithADot)
{
    maintenance::RangeNameDialog dialog(Kind::Backup);
    testsupport::showActive(dialog);
    ui::EntryField* name = dialog.form().field("cName");
    ASSERT_NE(name, nullptr);
    ASSERT_NE(dialog.form().field("dFrom"), nullptr);
    for (const auto& [typed, accepted] : {std::pair{"ja.n", false}, std::pair{"jan", true}}) {
        name->setFocus();
        name->selectAll();
        QTest::keyClick(name, Qt::Key_Backspace);
        QTest::keyClicks(name, typed);
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCoreApplication::processEvents();
        EXPECT_EQ(dialog.accepted(), accepted) << typed;
        EXPECT_TRUE(accepted || dialog.isVisible()) << typed;
    }
    EXPECT_EQ(site.prompts.titledTexts(),
              std::vector<std::string>{"ส่วนการทำสำเนาข้อมูล|ชื่อแฟ้มสำเนาต้องเป็นตัวอักษรภาษาอังกฤษหรือตัวเลข 1 ถึง 7 ตัว"});
    EXPECT_EQ(dialog.name(), "JAN");
    EXPECT_EQ(dialog.range().from, site.clock.today());
    EXPECT_EQ(dialog.range().to, site.clock.today());
}

}  // namespace
