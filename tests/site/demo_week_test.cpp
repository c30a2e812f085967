// The week of history `mervo-admin init --demo` weighs: every kind of ticket, a weight corrected in
// an edit, a deletion, a payment and a receipt settling tickets, production - all on the days before
// today - and books that `verify-ledgers` and `verify-evidence` find in order. The same day gives the
// same week.
#include <gtest/gtest.h>
#include <map>

#include <filesystem>
#include <set>

#include "core/clock.h"
#include "support/run_process.h"
#include "support/temp_dir.h"
#include "support/test_site.h"

namespace {

using testsupport::lines;
using testsupport::runProcess;

const std::string kAdmin = MERVO_BINARY_DIR "/app/mervo-admin";
constexpr int kWeekDays = 7;  // the days before today the week begins

class DemoWeekTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new testsupport::TempDir;
        s_today = core::clock().today();
        const auto made = runProcess(kAdmin, {"init", site(), "--demo"});
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }
    static std::string site() { return s_dir->file("site"); }
    static std::vector<testsupport::TableRow> rows(const char* table) { return testsupport::readRows(site(), table); }

    static testsupport::TempDir* s_dir;
    static core::Date s_today;
};

testsupport::TempDir* DemoWeekTest::s_dir = nullptr;
core::Date DemoWeekTest::s_today;

TEST_F(DemoWeekTest, EveryKindIsWeighedOnTheDaysBeforeToday)
{
    // A test run across midnight may see init's today one day later.
    const core::Date first = s_today.addDays(-kWeekDays), last = s_today;
    for (int kind = 1; kind <= 5; ++kind) {
        const std::string table = "Wdata" + std::to_string(kind);
        int complete = 0;
        for (const auto& r : rows(table.c_str())) {
            EXPECT_EQ(r.text("STAT"), "2") << table << " " << r.text("TICKET") << ": no truck is left on the scale";
            complete += !r.deleted;
            for (const char* day : {"DAYIN", "DAYOUT"}) {
                const core::Date d = r.fields.at(day).asDate();
                EXPECT_TRUE(first <= d && d < last) << table << " " << r.text("TICKET") << " " << d.dtoc();
            }
            EXPECT_GT(r.number("WIN"), 0);
            EXPECT_GT(r.number("WOUT"), 0);
            EXPECT_EQ(r.text("STAFF"), "ADMIN");
        }
        EXPECT_GE(complete, 1) << table;
    }
}

TEST_F(DemoWeekTest, OneTicketIsEditedByHandOneDeletedAndPaymentsSettleSome)
{
    const auto purchases = rows("Wdata1");
    int deleted = 0, settled = 0, corrected = 0;
    for (const auto& r : purchases) {
        deleted += r.deleted;
        settled += r.number("DRCR") > 0 && r.number("CLEAR") == r.number("DRCR");
        // The edit deducts 150 kg by hand; the grades' formulas deduct per ton of net weight.
        corrected += r.number("ADJ_W1") == 150;
    }
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(corrected, 1);
    EXPECT_GE(settled, 1);
    EXPECT_LT(settled, int(purchases.size()) - deleted) << "some stay open for the next payment";

    // The edit and the deletion are in the audit log, with the weight typed over.
    std::set<std::string> audited;
    for (const auto& r : rows("Audit"))
        audited.insert(r.text("TICKET") + " " + r.text("DESCRIP"));
    EXPECT_TRUE(audited.count("TRK01-000003 นน.ชั่งออก")) << "the weigh-out corrected";
    EXPECT_TRUE(audited.count("TRK01-000004 สั่งลบข้อมูล"));

    for (const char* table : {"Money1", "Money2"}) {
        const auto vouchers = rows(table);
        ASSERT_EQ(vouchers.size(), 1u) << table;
        EXPECT_GT(vouchers[0].number("AMOUNT"), 0) << table;
        EXPECT_EQ(vouchers[0].number("CASH"), vouchers[0].number("AMOUNT")) << table;
    }
    EXPECT_GE(rows("Detail1").size(), 2u);
    EXPECT_EQ(rows("Stock1").size(), 1u);
    EXPECT_EQ(rows("Detail3").size(), 2u);
}

TEST_F(DemoWeekTest, TheBooksAndTheEvidenceVerify)
{
    const auto ledgers = runProcess(kAdmin, {"verify-ledgers", site() + "/MERVO.INI"});
    EXPECT_EQ(ledgers.exitCode, 0) << ledgers.out << ledgers.err;
    int summed = 0;
    for (const std::string& line : lines(ledgers.out)) {
        if (line.find("difference") == std::string::npos)
            continue;
        ++summed;
        EXPECT_NE(line.find(" 0 differences"), std::string::npos) << ledgers.out;
    }
    EXPECT_GE(summed, 8) << ledgers.out;

    const auto evidence = runProcess(kAdmin, {"verify-evidence", site() + "/MERVO.INI"});
    EXPECT_EQ(evidence.exitCode, 0) << evidence.out << evidence.err;
    ASSERT_FALSE(lines(evidence.out).empty());
    EXPECT_NE(lines(evidence.out).back().find("10 tickets checked, 0 findings"), std::string::npos) << evidence.out;
    // Every weight has its record, one truck left off its stored weight and was warned about.
    std::map<std::string, int> events;
    for (const std::string& line : lines(runProcess(kAdmin, {"dump", site() + "/DATA/EVIDENCE.DBF"}).out))
        for (const char* event : {"TRUCKWT", "WEIGH1", "WEIGH2"})
            events[event] += line.find(std::string(",") + event) != std::string::npos;
    EXPECT_EQ(events["TRUCKWT"], 1);
    EXPECT_EQ(events["WEIGH1"], 10);
    EXPECT_GE(events["WEIGH2"], 11) << "the ten weigh-outs and the one typed in the edit";

    const auto checked = runProcess(kAdmin, {"check", site() + "/DATA"});
    EXPECT_EQ(checked.exitCode, 0) << checked.out;
}

TEST_F(DemoWeekTest, TheSameDayGivesTheSameWeekAndNoWeekLeavesTheBooksEmpty)
{
    const std::string again = s_dir->file("again"), empty = s_dir->file("empty");
    // Made from the folder above it, named relative to that.
    const auto made = runProcess(kAdmin, {"init", "again", "--demo"}, s_dir->path());
    ASSERT_EQ(made.exitCode, 0) << made.err;
    if (core::clock().today() == s_today) {
        for (const char* file : {"/DATA/WDATA1.DBF", "/DATA/MONEY1.DBF", "/DATA/DETAIL3.DBF"})
            EXPECT_EQ(runProcess(kAdmin, {"dump", site() + file}).out, runProcess(kAdmin, {"dump", again + file}).out)
                << file;
    }

    ASSERT_EQ(runProcess(kAdmin, {"init", empty, "--demo", "--no-week"}).exitCode, 0);
    for (const char* table : {"Wdata1", "Wdata5", "Money1", "Stock1", "Audit", "ApAcc", "Stock"})
        EXPECT_TRUE(testsupport::readRows(empty, table).empty()) << table;
    EXPECT_FALSE(testsupport::readRows(empty, "Farmer").empty());
    EXPECT_EQ(runProcess(kAdmin, {"init", s_dir->file("nodemo"), "--no-week"}).exitCode, 2);
}

}  // namespace
