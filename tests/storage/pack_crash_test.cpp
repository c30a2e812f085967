// Pack and zap killed at every write, truncate, sync, rename and remove they make: what is left is
// the old table or the new one whole, with index files that fit it or none; reopened and packed
// again, no live ticket is lost or doubled. And `check` telling a table whose live records repeat
// a number the table holds once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "storage/catalogue.h"
#include "storage/check.h"
#include "storage/table.h"
#include "fault_fs.h"
#include "fork_child.h"
#include "storage_test_util.h"
#include "support/temp_dir.h"

using namespace storage;
using namespace storagetest;
namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kTickets = 60;

// WDATA1 as a site keeps it: the catalogue's three index files beside it.
void makeWdata1(const std::string& folder)
{
    ASSERT_OK(Table::create(folder + "/WDATA1.DBF", ticketFields(), true));
    std::unique_ptr<Table> t;
    ASSERT_OK(openCatalogueTable(folder + "/", *findTable("Wdata1"), ShareMode::Exclusive, &t));
    for (std::uint32_t n = 1; n <= kTickets; ++n) {
        ASSERT_OK(t->append());
        fillTicket(*t, n);
        if (n % 4 == 0)
            ASSERT_OK(t->deleteRecord());
    }
    ASSERT_OK(t->close());
}

// The live tickets of the table, sorted (a doubled one shows twice).
std::vector<std::string> liveTickets(const std::string& dbf)
{
    std::unique_ptr<Table> t;
    EXPECT_OK(Table::open(dbf, ShareMode::Shared, &t));
    std::vector<std::string> out;
    if (!t)
        return out;
    for (std::uint32_t n = 1; n <= t->recCount(); ++n) {
        EXPECT_OK(t->goTo(n));
        std::string_view v;
        EXPECT_OK(t->raw(0, &v));
        if (!t->deleted())
            out.emplace_back(v);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> problems(const std::string& dbf)
{
    CheckReport report;
    checkTable(dbf, indexesOf(dbf), &report);
    return report.problems;
}

// Runs `job` on the folder's WDATA1 in a child, ended at crash point `at` (0: never); returns the
// child's exit code, and the points it passed in *points when it ran to its end.
int runChild(const std::string& folder, int at, bool zap, int* points = nullptr)
{
    Child child([&](Child& self) {
        FaultFileSystem faults;
        faults.crashAt = at;
        std::unique_ptr<Table> t;
        if (!openCatalogueTable(folder + "/", *findTable("Wdata1"), ShareMode::Exclusive, &t).ok())
            return 1;
        const Status s = zap ? t->zap() : t->pack();
        if (!s.ok() || !t->close().ok())
            return 2;
        self.sendWord(std::uint32_t(faults.points));
        return 0;
    });
    const std::uint32_t passed = at == 0 ? child.receiveWord() : 0;
    if (points)
        *points = int(passed);
    return child.wait();
}

TEST(PackCrash, EveryCrashPointLeavesTheOldOrTheNewTableWhole)
{
    testsupport::TempDir dir;
    const std::string pristine = dir.path() + "/pristine", work = dir.path() + "/work";
    fs::create_directories(pristine);
    makeWdata1(pristine);
    const std::vector<std::string> before = liveTickets(pristine + "/WDATA1.DBF");
    ASSERT_EQ(before.size(), kTickets - kTickets / 4);

    for (const bool zap : {false, true}) {
        fs::remove_all(work);
        fs::copy(pristine, work);
        int total = 0;
        ASSERT_EQ(runChild(work, 0, zap, &total), 0);
        const std::vector<std::string> after = zap ? std::vector<std::string>() : before;
        const std::vector<int> points = crashPoints(total, 12);
        for (const int at : points) {
            SCOPED_TRACE((zap ? "zap, point " : "pack, point ") + std::to_string(at) + " of " + std::to_string(total));
            fs::remove_all(work);
            fs::copy(pristine, work);
            ASSERT_EQ(runChild(work, at, zap), FaultFileSystem::kCrashExit);
            // What the crash left: a table whole (the old one or the packed one), its index files
            // fitting it or missing, no ticket doubled.
            const std::vector<std::string> left = liveTickets(work + "/WDATA1.DBF");
            EXPECT_TRUE(left == before || left == after) << left.size() << " live tickets";
            EXPECT_EQ(problems(work + "/WDATA1.DBF"), std::vector<std::string>());
            // Opened as a workstation would and packed again: the packed table, clean.
            ASSERT_EQ(runChild(work, 0, zap), 0);
            EXPECT_EQ(liveTickets(work + "/WDATA1.DBF"), after);
            EXPECT_EQ(problems(work + "/WDATA1.DBF"), std::vector<std::string>());
        }
        RecordProperty(zap ? "zap_points" : "pack_points", std::to_string(points.size()) + " of " + std::to_string(total));
        std::printf("[ crash points ] %s: %zu of %d\n", zap ? "zap" : "pack", points.size(), total);
    }
}

TEST(PackCrash, AFailedStepLeavesTheTableAsItWas)
{
    testsupport::TempDir dir;
    makeWdata1(dir.path());
    const std::string dbf = dir.path() + "/WDATA1.DBF";
    const std::vector<std::string> before = liveTickets(dbf);
    for (const int at : {1, 3, 6}) {
        FaultFileSystem faults;
        faults.failAt = at;
        std::unique_ptr<Table> t;
        ASSERT_OK(openCatalogueTable(dir.path() + "/", *findTable("Wdata1"), ShareMode::Exclusive, &t));
        EXPECT_FALSE(t->pack().ok()) << at;
        (void)t->close();
        EXPECT_EQ(liveTickets(dbf), before) << at;
        EXPECT_EQ(problems(dbf), std::vector<std::string>()) << at;
    }
}

TEST(CheckUniqueKeys, LiveRecordsRepeatingANumberTheTableHoldsOnceAreAProblem)
{
    struct Case {
        const char* file;
        std::vector<std::pair<const char*, bool>> tickets;  // number, marked deleted
        std::size_t problems;
    };
    const Case cases[] = {
        {"WDATA1.DBF", {{"000001", false}, {"000004", false}, {"000004", false}}, 1},
        {"WDATA1.DBF", {{"000001", false}, {"000004", true}, {"000004", false}}, 0},
        {"WDATA1.DBF", {{"", false}, {"", false}}, 0},  // records another workstation is saving
        {"MONEY1.DBF", {{"000002", false}, {"000002", false}, {"000002", false}}, 2},
        {"JAN1.DBF", {{"000004", false}, {"000004", false}}, 0},  // a backup: no rule of its own
    };
    for (const Case& c : cases) {
        testsupport::TempDir dir;
        const std::string dbf = dir.path() + "/" + c.file;
        ASSERT_OK(Table::create(dbf, ticketFields()));
        std::unique_ptr<Table> t;
        ASSERT_OK(Table::open(dbf, ShareMode::Exclusive, &t));
        for (const auto& [number, marked] : c.tickets) {
            ASSERT_OK(t->append());
            ASSERT_OK(t->putText(0, number));
            if (marked)
                ASSERT_OK(t->deleteRecord());
        }
        ASSERT_OK(t->close());
        CheckReport report;
        checkTable(dbf, {}, &report);
        const auto repeats = std::count_if(report.problems.begin(), report.problems.end(), [](const std::string& p) {
            return p.find("repeat a key the table holds once") != std::string::npos;
        });
        EXPECT_EQ(std::size_t(repeats), c.problems) << c.file << ": " << ::testing::PrintToString(report.problems);
    }
}

}  // namespace
