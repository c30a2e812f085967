// The maintenance dialogs offscreen: the reindex dialog runs the ticked groups, each job's form asks
// what the job needs and the backup's refuses a name the backup would refuse, the wait window shows
// each step of a job.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTest>

#include "maintenance/backup.h"
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
    maintenance::Reindex model;
    maintenance::ReindexDialog dialog(model);
    for (const auto g : {G::Weighing, G::Money, G::Balances})
        dialog.groupBox(g)->setChecked(false);
    EXPECT_FALSE(model.ticked(G::Money));
    QTest::mouseClick(dialog.startButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.results().size(), 12u);
    // The status follows the files as they are rebuilt: the last one is shown at the end.
    EXPECT_EQ(dialog.statusLabel()->text(), QString::fromUtf8("แฟ้ม REPLIST"));
    EXPECT_EQ(dialog.progressBar()->value(), 100);
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

// A job run under the wait window, as the menu runs it: the window is there from the job's start, its
// text is each step's name in turn, and it is gone when the job ends.
class WatchedWait final : public maintenance::Progress {
public:
    void begin(const std::string& title) override
    {
        wait.begin(title);
        opened = wait.window() != nullptr;
    }
    void step(const std::string& name) override
    {
        wait.step(name);
        given.push_back(ui::fromTis(name));
        shown.push_back(wait.window() ? wait.window()->stepText() : QString());
    }
    void end() override { wait.end(); }

    maintenance::WaitProgress wait;
    bool opened = false;
    QStringList given, shown;
};

TEST_F(MaintenanceDialogsTest, TheWaitWindowShowsEachStep)
{
    WatchedWait progress;
    const auto results = maintenance::FGBACKUP2(&progress);
    EXPECT_TRUE(progress.opened);
    EXPECT_EQ(progress.shown, progress.given);
    EXPECT_EQ(progress.shown.size(), qsizetype(results.size()));
    EXPECT_TRUE(progress.shown.contains(QString::fromUtf8("ตารางรหัสผู้ขาย")));
    EXPECT_EQ(progress.wait.window(), nullptr);
}

}  // namespace
