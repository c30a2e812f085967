// The maintenance dialogs offscreen: the reindex dialog, the range and name forms of the backup,
// the purge and the restore, and the wait window.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTest>

#include "maintenance/dialogs/maintenance_dialogs.h"
#include "maintenance_fixture.h"
#include "support/qt_typing.h"
#include "ui/entry_field.h"
#include "ui/thai_text.h"
#include "ui/widgets.h"

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
    site.withSound("TSound05.wav");
    maintenance::Reindex model;
    maintenance::ReindexDialog dialog(model);
    for (int g = 0; g < maintenance::kGroupCount; ++g)
        EXPECT_TRUE(dialog.groupBox(G(g))->isChecked());
    testsupport::expectFitsSmallScreen(dialog);
    EXPECT_EQ(site.sound.waves, std::vector<std::string>{"TSound05.wav"});

    for (const auto g : {G::Weighing, G::Money, G::Balances})
        dialog.groupBox(g)->setChecked(false);
    EXPECT_FALSE(model.ticked(G::Money));
    QTest::mouseClick(dialog.startButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.results().size(), 12u);
    EXPECT_EQ(dialog.statusLabel()->text(), QString::fromUtf8("แฟ้ม REPLIST"));
    EXPECT_EQ(dialog.progressBar()->value(), 100);
    EXPECT_EQ(site.sound.tones.size(), 12u);
}

// The purge asks for the dates only, the restore for the name only, the backup for both and refuses
// a name with a dot.
TEST_F(MaintenanceDialogsTest, EachJobsFormAsksWhatItNeedsAndTheBackupRefusesANameWithADot)
{
    maintenance::RangeNameDialog purge(Kind::Purge), restore(Kind::Restore);
    EXPECT_EQ(purge.form().field("cName"), nullptr);
    EXPECT_NE(purge.form().field("dTo"), nullptr);
    EXPECT_EQ(restore.form().field("dFrom"), nullptr);
    EXPECT_NE(restore.form().field("cName"), nullptr);

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

TEST_F(MaintenanceDialogsTest, TheWaitWindowShowsEachStep)
{
    maintenance::WaitProgress progress;
    progress.begin(mainttest::T("  ส่วนทำสำเนาข้อมูลตารางรหัส"));
    ASSERT_NE(progress.window(), nullptr);
    progress.step(mainttest::T("ตารางรหัสผู้ขาย"));
    EXPECT_EQ(progress.window()->stepText(), QString::fromUtf8("ตารางรหัสผู้ขาย"));
    progress.end();
    EXPECT_EQ(progress.window(), nullptr);
}

}  // namespace
