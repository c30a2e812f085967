// Every maintenance job killed at its n-th write, truncate, sync, rename or remove (a forked child on
// the fault-injecting file system), then run again to its end as after a power cut: the site must be
// as after an uninterrupted run. A sample of points per job; MERVO_CRASH_POINTS=all runs every one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>

#include "audit/audit_list.h"
#include "maintenance/reindex.h"
#include "maintenance/verify_ledgers.h"
#include "maintenance_fixture.h"
#include "storage/check.h"
#include "storage/fault_fs.h"
#include "storage/fork_child.h"
#include "storage/ops.h"
#include "storage/table.h"

namespace fs = std::filesystem;
using mainttest::kJanuary;
using mainttest::Site;

namespace {

constexpr int kSample = 8;  // points per job in a normal run

// What a site holds, for comparing two runs (live records whole and sorted, next series numbers, what
// `check` finds, verify-ledgers' differences, temporary files left).
struct SiteState {
    std::map<std::string, std::vector<std::string>> live;
    std::map<std::string, double> series;
    std::vector<std::string> problems;
    std::vector<std::string> ledgers;
    std::vector<std::string> leftovers;
};

void readFolder(const std::string& folder, SiteState* out)
{
    storage::CheckReport report;
    storage::checkPath(folder, &report);
    out->problems.insert(out->problems.end(), report.problems.begin(), report.problems.end());
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        const std::string ext = e.path().extension().string();
        if (ext == ".part" || ext == ".pack")
            out->leftovers.push_back(name);
        if (ext != ".DBF")
            continue;
        std::unique_ptr<storage::Table> t;
        ASSERT_TRUE(storage::Table::open(e.path().string(), storage::ShareMode::Shared, &t).ok()) << name;
        std::vector<std::string>& rows = out->live[fs::path(folder).parent_path().filename().string() + "/" + name];
        for (std::uint32_t n = 1; n <= t->recCount(); ++n) {
            const char* rec = nullptr;
            ASSERT_TRUE(t->goTo(n).ok() && t->record(&rec).ok());
            if (rec[0] != storage::dbf::kDeletedFlag)
                rows.emplace_back(rec, t->layout().recordLength());
        }
        std::sort(rows.begin(), rows.end());
    }
}

SiteState stateOf(const Site& site)
{
    SiteState s;
    for (const std::string& folder : {site.tables(), site.data(), site.backup()})
        readFolder(folder, &s);
    const std::string consec = site.tables() + "CONSEC.DBF";
    const auto codes = site.column(consec, "CODE"), numbers = site.column(consec, "CSNO");
    for (std::size_t i = 0; i < codes.size(); ++i)
        if (!codes[i].ends_with("*"))
            s.series[codes[i]] = std::strtod(numbers[i].c_str(), nullptr);
    for (const auto& d : maintenance::verifyLedgers().differences)
        s.ledgers.push_back(d.file + "|" + d.row + "|" + d.field + "|" + d.stored);
    return s;
}

struct Job {
    const char* name;
    std::function<void(Site&)> prepare;  // run once on the seeded site
    std::function<void()> run;           // every question answered Yes
    int sample = kSample;                // points run in a normal run
};

void backupAndPurge(Site& site)
{
    site.prompts.answers = std::deque<bool>(64, true);
    (void)mainttest::backup("JAN");
    site.prompts.answers = std::deque<bool>(64, true);
    (void)mainttest::purge();
}

const Job kJobs[] = {
    {"purge", nullptr, [] { (void)mainttest::purge(); }},
    {"reindex", nullptr, [] { (void)maintenance::Reindex().run(nullptr); }},
    {"audit_purge", nullptr, [] { (void)audit::AuditList(6).purge(kJanuary.from, kJanuary.to); }},
    {"backup", nullptr, [] { (void)mainttest::backup("JAN"); }},
    {"restore", backupAndPurge, [] { (void)mainttest::restore("JAN"); }},
    // Every point of one table's restore: none may leave a blank or half record behind.
    {"ticket_restore", backupAndPurge,
     [] { (void)maintenance::RESTLOOP(maintenance::transactionTables()[0], "JAN"); }, 1000},
    {"code_restore",
     [](Site& site) {
         site.prompts.answers = std::deque<bool>(64, true);
         (void)maintenance::FGBACKUP2(nullptr);
         site.load("Farmer", "CODE,NAME\nF009,นายใหม่\n");
         site.mark(site.pathOf("Farmer"), "CODE", "F001");
         (void)storage::CONSEC(site.tables(), "TRK01", "W");
         site.mark(site.backup() + "CONSEC.DBF", "CODE", "TRK02");
     },
     [] { (void)maintenance::FGRESTORE2(nullptr); }},
};

class CrashPointTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        mainttest::loadJanuary(site);
        site.load("Farmer", "CODE,NAME\nF001,นายสมศักดิ์ ทองดี\nF002,นางสาวมาลี ศรีสุข\n");
        site.load("Audit", "DATE,TIME,TICKET,STAFF,DESCRIP,OLDDATA,NEWDATA\n"
                           "20260105,08:00:00,TRK01-000001,ADMIN,ราคา,1.000,2.000\n"
                           "20260205,08:00:00,TRK01-000002,ADMIN,ราคา,1.000,3.000\n");
        if (job().prepare)
            job().prepare(site);
        pristine = site.dir() + ".pristine";
        fs::copy(site.dir(), pristine, fs::copy_options::recursive);
    }
    const Job& job() const { return kJobs[GetParam()]; }
    // The site as it was seeded, and the job run there to its end.
    void reset()
    {
        fs::remove_all(site.dir());
        fs::copy(pristine, site.dir(), fs::copy_options::recursive);
    }
    void runJob()
    {
        site.prompts.answers = std::deque<bool>(64, true);
        job().run();
    }
    // Runs the job in a child ended at crash point `at` (0: never, the points passed in *total).
    int runChild(int at, int* total = nullptr)
    {
        storagetest::Child child([&](storagetest::Child& self) {
            storagetest::FaultFileSystem faults;
            faults.crashAt = at;
            runJob();
            self.sendWord(std::uint32_t(faults.points));
            return 0;
        });
        const std::uint32_t points = child.receiveWord();
        if (total)
            *total = int(points);
        return child.wait();
    }
    Site site;
    std::string pristine;
};

TEST_P(CrashPointTest, ACrashAnywhereThenARerunLeavesWhatAnUninterruptedRunLeaves)
{
    const SiteState before = stateOf(site);
    ASSERT_EQ(before.problems, std::vector<std::string>());
    ASSERT_FALSE(before.series.empty());
    int total = 0;
    ASSERT_EQ(runChild(0, &total), 0);
    ASSERT_GT(total, 0);
    reset();
    runJob();
    const SiteState expected = stateOf(site);
    ASSERT_EQ(expected.problems, std::vector<std::string>());
    ASSERT_EQ(expected.leftovers, std::vector<std::string>());

    // No series number may go back: the run to its end keeps every series at or past where it stood.
    for (const auto& [series, number] : before.series)
        EXPECT_GE(expected.series.count(series) ? expected.series.at(series) : -1, number) << series;

    const std::vector<int> points = storagetest::crashPoints(total, job().sample);
    for (const int at : points) {
        SCOPED_TRACE(std::string(job().name) + ": crash at point " + std::to_string(at) + " of " +
                     std::to_string(total));
        reset();
        ASSERT_EQ(runChild(at), storagetest::FaultFileSystem::kCrashExit);
        runJob();
        const SiteState after = stateOf(site);
        EXPECT_EQ(after.problems, std::vector<std::string>());
        EXPECT_EQ(after.leftovers, std::vector<std::string>());
        EXPECT_EQ(after.live, expected.live);
        EXPECT_EQ(after.series, expected.series);
        EXPECT_EQ(after.ledgers, expected.ledgers);
    }
    RecordProperty("crash_points", std::to_string(points.size()) + " of " + std::to_string(total));
    std::printf("[ crash points ] %s: %zu of %d\n", job().name, points.size(), total);
    fs::remove_all(pristine);
}

INSTANTIATE_TEST_SUITE_P(Jobs, CrashPointTest, ::testing::Range(0, int(std::size(kJobs))),
                         [](const ::testing::TestParamInfo<int>& i) { return std::string(kJobs[i.param].name); });

}  // namespace
