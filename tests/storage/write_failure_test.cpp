// Writes that fail and processes that die: a refused write leaves the files as they were, a pack or zap
// killed anywhere leaves the old or the new table whole. And `check` on live records repeating a number.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>

#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/check.h"
#include "storage/table.h"
#include "storage/table_csv.h"
#include "fault_fs.h"
#include "fork_child.h"
#include "storage_test_util.h"
#include "support/temp_dir.h"

using namespace storage;
using namespace storagetest;
namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

namespace {

// Every file of the folder by name, with a hash of its bytes.
std::map<std::string, std::size_t> snapshot(const std::string& folder)
{
    std::map<std::string, std::size_t> files;
    for (const auto& e : fs::directory_iterator(folder))
        files[e.path().filename().string()] = std::hash<std::string>()(testsupport::readFile(e.path().string()));
    return files;
}

// A workstation's next open: no index is rebuilt.
void expectNoRebuild(const std::string& folder)
{
    for (const Table::Note& n : ticketTable(folder)->takeNotes())
        ADD_FAILURE() << n.indexPath << ": " << n.reason;
}

Status appendOne(Table& t)
{
    STORAGE_TRY(t.append());
    STORAGE_TRY(writeTicket(t, 21));
    return t.unlock();
}

Status changeKeys(Table& t)
{
    STORAGE_TRY(t.goTo(7));
    STORAGE_TRY(t.lock());
    for (const auto& [field, text] :
         {std::pair{"STAT", "9"}, {"TRUCK", "ZZ-0007"}, {"COMPANY", "ZZZZ"}, {"TMIN", "23:59:59"}})
        STORAGE_TRY(t.put(field, core::Value::text(text)));
    return t.unlock();
}

}  // namespace

TEST(WriteFailure, EachRefusedWriteOfAnAppendOrAChangeLeavesTheFilesAsTheyWere)
{
    SoftCommits soft;
    Texts committed;
    for (std::uint32_t i = 1; i <= 20; ++i)
        committed.push_back(core::xbase::padLeft(std::to_string(i), 6, '0'));
    using Job = std::pair<const char*, Status (*)(Table&)>;
    for (const auto& [name, job] : {Job{"append", appendOne}, Job{"change of three keys", changeKeys}}) {
        // The writes the job makes when nothing fails; the last six finish the three indexes, past which
        // it is not taken back (the index is rebuilt at its next use, as after a crash).
        int writes = 0;
        for (int n = 0; n == 0 || n <= writes; ++n) {
            SCOPED_TRACE(std::string(name) + ", failing write " + std::to_string(n));
            testsupport::TempDir dir;
            ASSERT_OK(Table::create(dir.file("WDATA1.DBF"), ticketFields()));
            std::map<std::string, std::size_t> before;
            {
                FaultFileSystem fs;
                auto t = ticketTable(dir.path());
                ASSERT_OK(appendTickets(*t, 1, 20));
                before = snapshot(dir.path());
                fs.counts.clear();
                fs.failWrite = n;
                const Status s = job(*t);
                if (n == 0) {
                    ASSERT_OK(s);
                    for (const auto& [file, c] : fs.counts)
                        writes += c.writes;
                    continue;
                }
                ASSERT_EQ(fs.failWrite, 0) << "the job made fewer writes than counted";
                EXPECT_FALSE(s.ok());
                EXPECT_OK(t->close());
            }
            if (n <= writes - 6) {
                EXPECT_EQ(snapshot(dir.path()), before);
                expectNoRebuild(dir.path());
            }
            EXPECT_EQ(ticketFindings(dir.path(), true), Texts());
            // Whatever the next open rebuilds, the committed tickets read back.
            Texts tickets = firstFields(*ticketTable(dir.path()));
            ASSERT_GE(tickets.size(), 20u);
            tickets.resize(20);
            EXPECT_EQ(tickets, committed);
        }
        EXPECT_GT(writes, 8) << name;
    }
}

TEST(WriteFailure, RecordsHeldBackInExclusiveUseThatCannotBeWrittenLeaveNoIndexListingThem)
{
    // Exclusive appends are written at close; when that is refused, every index is rebuilt at the next open.
    testsupport::TempDir dir;
    ASSERT_OK(Table::create(dir.file("WDATA1.DBF"), ticketFields()));
    ASSERT_OK(appendTickets(*ticketTable(dir.path(), ShareMode::Exclusive), 1, 20));
    {
        FaultFileSystem fs;
        auto t = ticketTable(dir.path(), ShareMode::Exclusive);
        ASSERT_OK(appendTickets(*t, 21, 30));
        fs.failOnly = "WDATA1.DBF";
        fs.failWrite = 1;
        EXPECT_FALSE(t->close().ok());
        EXPECT_EQ(fs.failWrite, 0);
    }
    auto t = ticketTable(dir.path());
    EXPECT_EQ(t->takeNotes().size(), kTicketOrders.size());
    EXPECT_EQ(t->recCount(), 20u);
    ASSERT_OK(t->close());
    EXPECT_EQ(ticketFindings(dir.path(), true), Texts());
}

namespace {

// A tmpfs of 3 MB mounted over a temporary folder (needs root), unmounted lazily when it goes.
struct SmallDisk {
    testsupport::TempDir dir;
    const bool mounted = ::geteuid() == 0 && ::mount("tmpfs", dir.path().c_str(), "tmpfs", 0, "size=3m") == 0;
    ~SmallDisk()
    {
        if (mounted)
            (void)::umount2(dir.path().c_str(), MNT_DETACH);
    }
};

}  // namespace

TEST(WriteFailure, AFullDiskLeavesAppendsChangesAndAPackAsTheyWere)
{
    SmallDisk disk;
    if (!disk.mounted)
        GTEST_SKIP() << "needs root to mount a small tmpfs";
    SoftCommits soft;
    const std::string folder = disk.dir.path();
    ASSERT_OK(Table::create(folder + "/WDATA1.DBF", ticketFields()));

    // Appends until the disk is full, as a load of tickets does.
    std::uint32_t appended = 0;
    {
        auto t = ticketTable(folder);
        std::vector<std::string> records;
        for (std::uint32_t i = 1; i <= 60000; ++i) {
            ASSERT_OK(t->append());
            ASSERT_OK(writeTicket(*t, i));
            const char* rec = nullptr;
            ASSERT_OK(t->record(&rec));
            records.emplace_back(rec, t->layout().recordLength());
            const Status s = t->unlock();
            if (!s.ok()) {
                EXPECT_EQ(s.osError(), ENOSPC) << s.toString();
                appended = i - 1;
                break;
            }
        }
        ASSERT_GT(appended, 0u) << "the disk never filled";
        EXPECT_EQ(t->recCount(), appended);
        // A load that meets the full disk says how many records went in, and they are all there.
        const Status s = csv::appendRecords(*t, {records.begin(), records.begin() + 50});
        EXPECT_FALSE(s.ok());
        const std::string message = s.toString();
        const std::size_t of = message.find(" of 50 records appended");
        ASSERT_NE(of, std::string::npos) << message;
        appended += std::uint32_t(std::stoul(message.substr(message.rfind(' ', of - 1) + 1)));
        EXPECT_EQ(t->recCount(), appended);
        ASSERT_OK(t->close());
    }
    Layout layout;
    ASSERT_OK(Layout::fromSpecs(ticketFields(), &layout));
    EXPECT_EQ(fs::file_size(folder + "/WDATA1.DBF"),
              layout.headerLength() + std::uint64_t(appended) * layout.recordLength());
    EXPECT_EQ(ticketFindings(folder, true), Texts());
    expectNoRebuild(folder);

    // Changes of keys that need new index pages, until one cannot be written.
    {
        auto t = ticketTable(folder);
        bool refused = false;
        for (std::uint32_t r = 1; r <= appended && !refused; ++r) {
            ASSERT_OK(t->goTo(r));
            core::Value old;
            ASSERT_OK(t->get("TRUCK", &old));
            ASSERT_OK(t->lock());
            const std::string truck = "ZZ" + core::xbase::padLeft(std::to_string(r), 8, '0');
            for (const auto& [field, text] : {std::pair{"TRUCK", truck}, {"COMPANY", truck}, {"TMIN", "99:99:99"}})
                ASSERT_OK(t->put(field, core::Value::text(text)));
            const Status s = t->unlock();
            if (!s.ok()) {
                EXPECT_EQ(s.osError(), ENOSPC) << s.toString();
                refused = true;
                core::Value now;
                ASSERT_OK(t->get("TRUCK", &now));
                EXPECT_EQ(now.asText(), old.asText());
            }
        }
        EXPECT_TRUE(refused);
        ASSERT_OK(t->close());
    }
    EXPECT_EQ(ticketFindings(folder, true), Texts());
    expectNoRebuild(folder);

    // A pack needs room for the packed copy: refused, the table stays whole.
    {
        auto t = ticketTable(folder, ShareMode::Exclusive);
        for (std::uint32_t r = 3; r <= appended; r += 10) {
            ASSERT_OK(t->goTo(r));
            ASSERT_OK(t->deleteRecord());
        }
    }
    const auto before = snapshot(folder);
    {
        auto t = ticketTable(folder, ShareMode::Exclusive);
        const Status s = t->pack();
        EXPECT_EQ(s.osError(), ENOSPC) << s.toString();
        ASSERT_OK(t->close());
    }
    EXPECT_EQ(snapshot(folder), before);
    EXPECT_EQ(ticketFindings(folder, true), Texts());
}

namespace {

constexpr std::uint32_t kTickets = 60;

// WDATA1 as a site keeps it: the catalogue's three index files beside it.
Status openWdata1(const std::string& folder, std::unique_ptr<Table>* t)
{
    return openCatalogueTable(folder + "/", *findTable("Wdata1"), ShareMode::Exclusive, t);
}

void makeWdata1(const std::string& folder)
{
    ASSERT_OK(Table::create(folder + "/WDATA1.DBF", ticketFields(), true));
    std::unique_ptr<Table> t;
    ASSERT_OK(openWdata1(folder, &t));
    for (std::uint32_t n = 1; n <= kTickets; ++n) {
        ASSERT_OK(t->append());
        ASSERT_OK(writeTicket(*t, n));
        if (n % 4 == 0)
            ASSERT_OK(t->deleteRecord());
    }
    ASSERT_OK(t->close());
}

// The live tickets of the table, sorted (a doubled one shows twice).
Texts liveTickets(const std::string& dbf)
{
    Texts out = firstFields(*openTable(dbf), true);
    std::sort(out.begin(), out.end());
    return out;
}

Texts problems(const std::string& dbf)
{
    CheckReport report;
    checkTable(dbf, indexesOf(dbf), &report);
    return report.problems;
}

// A pack or zap of the folder's WDATA1 in a child ended at crash point `at` (0: never): its exit code,
// and the points passed in *points when it ran to its end.
int runChild(const std::string& folder, int at, bool zap, int* points = nullptr)
{
    Child child([&](Child& self) {
        FaultFileSystem faults;
        faults.crashAt = at;
        std::unique_ptr<Table> t;
        if (!openWdata1(folder, &t).ok())
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

}  // namespace

TEST(PackCrash, EveryCrashPointLeavesTheOldOrTheNewTableWholeAndAFailedStepTheOld)
{
    testsupport::TempDir dir;
    const std::string pristine = dir.path() + "/pristine", work = dir.path() + "/work", dbf = work + "/WDATA1.DBF";
    fs::create_directories(pristine);
    makeWdata1(pristine);
    const Texts before = liveTickets(pristine + "/WDATA1.DBF");
    ASSERT_EQ(before.size(), kTickets - kTickets / 4);
    const auto restore = [&] {
        fs::remove_all(work);
        fs::copy(pristine, work);
    };
    for (const bool zap : {false, true}) {
        restore();
        int total = 0;
        ASSERT_EQ(runChild(work, 0, zap, &total), 0);
        const Texts after = zap ? Texts() : before;
        const std::vector<int> points = crashPoints(total, 12);
        for (const int at : points) {
            SCOPED_TRACE((zap ? "zap, point " : "pack, point ") + std::to_string(at) + " of " + std::to_string(total));
            restore();
            ASSERT_EQ(runChild(work, at, zap), FaultFileSystem::kCrashExit);
            // The old or the packed table whole, its index files fitting it or missing, no ticket doubled.
            const Texts left = liveTickets(dbf);
            EXPECT_TRUE(left == before || left == after) << left.size() << " live tickets";
            EXPECT_EQ(problems(dbf), Texts());
            // Opened as a workstation would and packed again: the packed table, clean.
            ASSERT_EQ(runChild(work, 0, zap), 0);
            EXPECT_EQ(liveTickets(dbf), after);
            EXPECT_EQ(problems(dbf), Texts());
        }
        RecordProperty(zap ? "zap_points" : "pack_points", std::to_string(points.size()) + " of " + std::to_string(total));
        std::printf("[ crash points ] %s: %zu of %d\n", zap ? "zap" : "pack", points.size(), total);
    }
    // A step of a pack that fails instead leaves the table as it was.
    restore();
    for (const int at : {1, 3, 6}) {
        FaultFileSystem faults;
        faults.failAt = at;
        std::unique_ptr<Table> t;
        ASSERT_OK(openWdata1(work, &t));
        EXPECT_FALSE(t->pack().ok()) << at;
        (void)t->close();
        EXPECT_EQ(liveTickets(dbf), before) << at;
        EXPECT_EQ(problems(dbf), Texts()) << at;
    }
}

TEST(CheckUniqueKeys, LiveRecordsRepeatingANumberTheTableHoldsOnceAreAProblem)
{
    // The table, its tickets (number, marked deleted), the problems found.
    const std::tuple<const char*, std::vector<std::pair<const char*, bool>>, std::size_t> cases[] = {
        {"WDATA1.DBF", {{"000001", false}, {"000004", false}, {"000004", false}}, 1},
        {"WDATA1.DBF", {{"000001", false}, {"000004", true}, {"000004", false}}, 0},
        {"WDATA1.DBF", {{"", false}, {"", false}}, 0},  // records another workstation is saving
        {"MONEY1.DBF", {{"000002", false}, {"000002", false}, {"000002", false}}, 2},
        {"JAN1.DBF", {{"000004", false}, {"000004", false}}, 0},  // a backup: no rule of its own
    };
    for (const auto& [file, tickets, expected] : cases) {
        testsupport::TempDir dir;
        const std::string dbf = dir.path() + "/" + file;
        auto t = newTable(dbf, ticketFields(), ShareMode::Exclusive);
        for (const auto& [number, marked] : tickets) {
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
        EXPECT_EQ(std::size_t(repeats), expected) << file << ": " << ::testing::PrintToString(report.problems);
    }
}
