// The edit log screen's model: the search, the copy to a text file, the purge (also while another
// workstation holds the log) and the printed report.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "audit/audit_list.h"
#include "audit_log_fixture.h"
#include "storage/held_table.h"
#include "support/recording_print_job.h"

namespace {

using audit::AuditList;
using audittest::currentLabel;
using audittest::day;
using audittest::Strings;
using core::tis620::T;

class AuditListTest : public audittest::AuditLogTest {
protected:
    Strings labels() { return logRows({"DESCRIP"}); }
};

TEST_F(AuditListTest, SearchFindsTextInAnyCaseFromTheNextRow)
{
    addRows({{1, "ABC first", "x"}, {2, "other", "x"}, {3, "last abc", "x"}, {4, "none", "x"}});
    AuditList list(1);
    ASSERT_TRUE(list.open());
    EXPECT_EQ(currentLabel(list.rows()), "ABC first");
    EXPECT_TRUE(list.find("  abc "));
    EXPECT_EQ(currentLabel(list.rows()), "last abc");
    EXPECT_EQ(takeShown(), Strings{});
    // Nothing after it: the row stays and the person is told.
    EXPECT_FALSE(list.find("abc"));
    EXPECT_EQ(currentLabel(list.rows()), "last abc");
    EXPECT_EQ(takeShown(), Strings{"ไม่พบข้อมูลตามที่ระบุ !"});
    // The date, the key and the values are searched too.
    list.rows().goTop();
    EXPECT_TRUE(list.find("02/12/2026"));
    EXPECT_EQ(currentLabel(list.rows()), "other");
    EXPECT_FALSE(list.find(""));
    EXPECT_EQ(takeShown(), Strings{});
}

TEST_F(AuditListTest, CopyWritesTheRangeAsQuotedLinesAndAsksBeforeOverwriting)
{
    addRows({{1, "before", "a"}, {2, "ทะเบียนรถ", "12\" pipe"}, {3, "last", "\"q\""}, {4, "after", "b"}});
    AuditList list(2);
    ASSERT_TRUE(list.open());
    EXPECT_EQ(AuditList::copyFileName(clock.day), "05122026.TXT");
    const Strings copied = {"ทำสำเนาบันทึกการแก้ไขแล้ว !"};
    const std::string file = dir.file("copy.txt");
    ASSERT_TRUE(list.copy(day(2), day(3), file));
    EXPECT_EQ(testsupport::readFile(file),
              T("20261202,\"08:00:02\",\"TRK01-000001\",\"ADMIN\",\"ทะเบียนรถ\",\"12\"\" pipe\",\"new\"\r\n"
                "20261203,\"08:00:03\",\"TRK01-000001\",\"ADMIN\",\"last\",\"\"\"q\"\"\",\"new\"\r\n"));
    EXPECT_EQ(takeShown(), copied);
    EXPECT_EQ(labels().size(), 4u);
    // A range without rows still writes its (empty) file and says so.
    const std::string empty = dir.file("empty.txt");
    ASSERT_TRUE(list.copy(day(5), day(6), empty));
    EXPECT_EQ(testsupport::readFile(empty), "");
    EXPECT_TRUE(std::filesystem::exists(empty));
    EXPECT_EQ(takeShown(), copied);

    // A file there already is replaced only after a Yes.
    const std::string old = dir.file("old.txt");
    for (const bool yes : {false, true}) {
        testsupport::writeFile(old, "keep");
        prompts.answers = {yes};
        EXPECT_EQ(list.copy(day(1), day(5), old), yes);
        ASSERT_GE(prompts.shown.size(), 1u);
        EXPECT_TRUE(prompts.shown[0].question);
        EXPECT_EQ(takeShown()[0], "บันทึกทับแฟ้ม old.txt เดิม ?");
        EXPECT_EQ(testsupport::readFile(old) == "keep", !yes);
    }
    // A file that cannot be written is not reported as copied.
    EXPECT_FALSE(list.copy(day(1), day(5), dir.file("no/such/folder.txt")));
    const Strings told = takeShown();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told, copied);
}

TEST_F(AuditListTest, PurgeRemovesTheRangeAfterConfirmationUnlessAnotherWorkstationHoldsTheLog)
{
    addRows({{1, "a", "x"}, {2, "b", "x"}, {3, "c", "x"}, {4, "d", "x"}});
    AuditList list(6);
    ASSERT_TRUE(list.open());
    const std::string confirm = "คุณยืนยันการสั่งลบข้อมูลการแก้ไข ?";
    {
        storagetest::HeldTable other(folder() + "AUDIT.DBF");
        ASSERT_TRUE(other.open());
        prompts.answers = {true};
        EXPECT_FALSE(list.purge(day(1), day(5)));
        EXPECT_EQ(takeShown(), (Strings{confirm, "ไม่สามารถเปิดแฟ้ม บันทึกการแก้ไข"}));
        ASSERT_NE(list.log(), nullptr);
        EXPECT_EQ(labels().size(), 4u);
    }
    prompts.answers = {false};
    EXPECT_FALSE(list.purge(day(2), day(3)));
    EXPECT_EQ(labels().size(), 4u);
    prompts.answers = {true};
    EXPECT_TRUE(list.purge(day(2), day(3)));
    EXPECT_EQ(labels(), (Strings{"a", "d"}));
    EXPECT_EQ(takeShown(), (Strings{confirm, confirm, "ทำการลบบันทึกข้อมูลการแก้ไขแล้ว !"}));
    // The log is open shared again and the browse on its first row.
    EXPECT_FALSE(list.log()->exclusive());
    EXPECT_EQ(currentLabel(list.rows()), "a");
}

TEST_F(AuditListTest, ReportPrintsTheRangeOverPages)
{
    std::vector<std::tuple<int, std::string, std::string>> rows;
    for (int i = 0; i < 80; ++i)
        rows.emplace_back(2 + i % 2, "row " + std::to_string(i), "old");
    rows.emplace_back(4, "outside", "old");
    addRows(rows);
    AuditList list(2);
    ASSERT_TRUE(list.open());
    testsupport::RecordingPrintJob job;
    clock.hundredths = 8 * 360000;
    list.report(day(2), day(3), job);
    ASSERT_FALSE(job.log.empty());
    EXPECT_EQ(job.log.front(), "begin Audit trail");
    EXPECT_EQ(job.log.back(), "end");
    EXPECT_GE(job.pageCount(), 2);
    // How many printed texts end with this one.
    const auto count = [&](const std::string& text) {
        return std::count_if(job.log.begin(), job.log.end(),
                             [&](const std::string& l) { return l.starts_with("text ") && l.ends_with(text); });
    };
    EXPECT_EQ(count(" row 79"), 1);
    EXPECT_EQ(count(" outside"), 0);
    EXPECT_EQ(count(" TRK01-000001"), 80);
    EXPECT_EQ(currentLabel(list.rows()), "row 0");
}

}  // namespace
