// Several processes on the same files, as several workstations: share modes, record locks, appends
// with three indexes, and processes killed in the middle of an append.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <set>
#include <thread>

#include "core/xbase.h"
#include "storage/table.h"
#include "fork_child.h"
#include "held_table.h"
#include "storage_test_util.h"
#include "support/temp_dir.h"

using namespace storage;
using namespace storagetest;

namespace {

Status openTickets(const std::string& folder, std::unique_ptr<Table>* t)
{
    STORAGE_TRY(openTicketTable(folder, ShareMode::Shared, t, 10000));
    return (*t)->setOrder(2);
}

std::set<std::string> ticketsIn(Table& t)
{
    const auto tickets = firstFields(t);
    return {tickets.begin(), tickets.end()};
}

// An empty WDATA1 with its three index files in the folder.
void makeTickets(const std::string& folder)
{
    must(Table::create(folder + "/WDATA1.DBF", ticketFields()));
    ticketTable(folder);
}

}  // namespace

TEST(Processes, FourProcessesIncrementOneFieldUnderRecordLocks)
{
    testsupport::TempDir dir;
    const std::string dbf = dir.file("COUNTER.DBF");
    auto t = newTable(dbf, {{"N", FieldType::Numeric, 10, 0}});
    ASSERT_OK(t->append());
    ASSERT_OK(t->putNumber(0, 0));
    ASSERT_OK(t->unlock());
    const auto codes = runChildren(4, [&](Child&, int) {
        std::unique_ptr<Table> t;
        if (!Table::open(dbf, ShareMode::Shared, &t).ok())
            return 2;
        for (int n = 0; n < 1000; ++n) {
            core::Value v;
            // The discipline of every write: lock (waiting), read fresh, write, flush, unlock.
            if (!t->goTo(1).ok() || !t->lockWait().ok() || !t->get("N", &v).ok() ||
                !t->putNumber(0, v.asNumber() + 1).ok() || !t->commit().ok() || !t->unlock().ok())
                return 3;
        }
        return 0;
    });
    EXPECT_EQ(codes, std::vector<int>(4, 0));
    core::Value v;
    ASSERT_OK(openTable(dbf)->get("N", &v));
    EXPECT_EQ(v.asNumber(), 4000);
}

TEST(Processes, ExclusiveAndSharedOpensExcludeEachOtherBothWays)
{
    // Held by another work area of this process or by another process: only two shared opens agree.
    testsupport::TempDir dir;
    const std::string dbf = dir.file("T.DBF");
    ASSERT_OK(Table::create(dbf, {{"A", FieldType::Character, 1, 0}}));
    auto expectRefusals = [&](ShareMode held) {
        for (const ShareMode mine : {ShareMode::Shared, ShareMode::Exclusive}) {
            std::unique_ptr<Table> t;
            const Status s = Table::open(dbf, mine, &t);
            const bool expected = held == ShareMode::Shared && mine == ShareMode::Shared;
            EXPECT_EQ(s.ok(), expected) << s.toString();
            if (!expected) {
                EXPECT_TRUE(s.is(Status::Code::Locked)) << s.toString();
            }
        }
    };
    for (const ShareMode held : {ShareMode::Shared, ShareMode::Exclusive}) {
        {
            auto mine = openTable(dbf, held);
            expectRefusals(held);
            // A table being created over an open one is refused, and the open one is left intact.
            EXPECT_TRUE(Table::create(dbf, {{"B", FieldType::Character, 2, 0}}, true).is(Status::Code::Locked));
        }
        HeldTable other(dbf, held);  // until this process has tried
        ASSERT_TRUE(other.open());
        expectRefusals(held);
        EXPECT_EQ(other.release(), 0);
        // Free again once the other is gone.
        EXPECT_EQ(openTable(dbf, ShareMode::Exclusive)->layout().fields()[0].name, "A");
    }
}

TEST(Processes, TwoAppendersWithThreeIndexesLeaveEveryIndexComplete)
{
    testsupport::TempDir dir;
    makeTickets(dir.path());
    const auto codes = runChildren(2, [&](Child&, int i) {
        setHardCommit(false);
        std::unique_ptr<Table> t;
        if (!openTickets(dir.path(), &t).ok())
            return 2;
        for (std::uint32_t n = 1; n <= 500; ++n)
            if (!t->appendWait().ok() || !writeTicket(*t, 100000u * std::uint32_t(i + 1) + n).ok() || !t->unlock().ok())
                return 3;
        return 0;
    });
    EXPECT_EQ(codes, (std::vector<int>{0, 0}));
    EXPECT_EQ(ticketFindings(dir.path(), false), std::vector<std::string>{});
    std::unique_ptr<Table> t;
    ASSERT_OK(openTickets(dir.path(), &t));
    EXPECT_EQ(t->recCount(), 1000u);
    EXPECT_TRUE(t->takeNotes().empty());
    EXPECT_EQ(ticketsIn(*t).size(), 1000u);
}

TEST(Processes, AppendersKilledAtRandomLeaveTablesThatOpenAndCheckClean)
{
    // 200 children each append tickets with three indexes open and report every ticket whose
    // unlock returned; each is killed at a random moment. After each kill the table opens (an
    // index whose update was cut short is rebuilt, and we are told), checks clean, and holds every
    // reported ticket.
    testsupport::TempDir dir;
    makeTickets(dir.path());
    std::mt19937 rng(2026);
    std::set<std::string> committed;
    const auto reported = [&](std::uint32_t n) {
        if (n != ~0u && n != 0)
            committed.insert(core::xbase::padLeft(std::to_string(n % 1000000), 6, '0'));
    };
    int rebuilt = 0;
    const auto started = std::chrono::steady_clock::now();
    for (int trial = 0; trial < 200; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        const std::uint32_t base = std::uint32_t(trial) * 1000;
        Child child([&](Child& self) {
            setHardCommit(false);
            std::unique_ptr<Table> t;
            if (!openTickets(dir.path(), &t).ok())
                return 2;
            self.sendWord(0);  // opened
            for (std::uint32_t i = 1; i < 1000; ++i) {
                if (!t->appendWait().ok() || !writeTicket(*t, base + i).ok() || !t->unlock().ok())
                    return 3;
                self.sendWord(base + i);
            }
            return 0;
        });
        ASSERT_EQ(child.receiveWord(), 0u);  // open: from here on it appends
        // Three kills in four come after the first committed append: on a slow (sanitizer) build
        // a random moment of 2 ms would mostly fall before the child wrote anything at all.
        if (trial % 4 != 0)
            reported(child.receiveWord());
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 2000));
        child.kill();
        child.wait();
        for (std::uint32_t n : child.words())
            reported(n);

        std::unique_ptr<Table> t;
        ASSERT_OK(openTickets(dir.path(), &t));
        if (!t->takeNotes().empty())
            ++rebuilt;
        const std::set<std::string> present = ticketsIn(*t);
        ASSERT_OK(t->close());
        for (const auto& c : committed)
            ASSERT_TRUE(present.count(c)) << "committed ticket " << c << " lost";
        const auto problems = ticketFindings(dir.path(), false);
        ASSERT_TRUE(problems.empty()) << problems.front();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("200 kills: %zu committed tickets, %d times an index was rebuilt, %.1f s\n", committed.size(), rebuilt,
                seconds);
    EXPECT_GT(committed.size(), 100u);
    EXPECT_GT(rebuilt, 0);
}

TEST(Processes, ChildDoesNotUseItsParentsHandles)
{
    // A child inherits the parent's descriptors and with them its locks; using them would make the
    // parent's locks the child's. The inherited handles refuse; the child's own open is its own.
    testsupport::TempDir dir;
    const std::string dbf = dir.file("T.DBF");
    auto t = newTable(dbf, {{"A", FieldType::Character, 1, 0}});
    ASSERT_OK(t->append());  // record 1 locked by the parent
    Child child([&](Child&) {
        const char* rec = nullptr;
        if (t->goTo(1).ok() && t->record(&rec).ok())
            return 2;  // read through the parent's descriptor
        std::unique_ptr<Table> own;
        if (!Table::open(dbf, ShareMode::Shared, &own).ok() || !own->goTo(1).ok())
            return 3;
        return own->lock().is(Status::Code::Locked) ? 0 : 4;  // the parent's lock is not ours
    });
    EXPECT_EQ(child.wait(), 0);
    ASSERT_OK(t->unlock());
}

TEST(Processes, MappedPagesShowWritesBothWaysAndSurviveAFileCutShort)
{
    // Index pages are read and stored through a shared mapping: a write of another process must
    // show at once and ours to it, and a file cut short under the mapping (a read or store there
    // raises SIGBUS) must answer with what is left, or be written, instead of ending the process.
    testsupport::TempDir dir;
    const std::string path = dir.file("H.NTX");
    testsupport::writeFile(path, std::string(8192, 'a'));
    std::unique_ptr<File> file;
    ASSERT_OK(realFileSystem().open(path, ShareMode::Shared, OpenFlags::Existing, &file));
    char page[1024];
    std::size_t got = 0;
    ASSERT_OK(file->readMapped(0, page, sizeof page, &got));
    EXPECT_EQ(std::string(page, got), std::string(1024, 'a'));

    Child writer([&](Child&) {
        const int fd = ::open(path.c_str(), O_WRONLY);
        return fd >= 0 && ::pwrite(fd, "bbbb", 4, 100) == 4 && ::close(fd) == 0 ? 0 : 1;
    });
    ASSERT_EQ(writer.wait(), 0);
    ASSERT_OK(file->readMapped(0, page, sizeof page, &got));
    EXPECT_EQ(std::string(page + 100, 4), "bbbb");
    for (int i = 0; i < 40; ++i)  // written often without a sync: stores go through the mapping
        ASSERT_OK(file->write(6000, "x", 1));
    ASSERT_OK(file->writeMapped(5000, "cccc", 4));
    Child reader([&](Child&) {
        char four[4] = {};
        const int fd = ::open(path.c_str(), O_RDONLY);
        return fd >= 0 && ::pread(fd, four, 4, 5000) == 4 && std::string(four, 4) == "cccc" ? 0 : 1;
    });
    EXPECT_EQ(reader.wait(), 0);

    // Shorter than asked: the bytes that are there.
    for (const auto& [size, readable] : {std::pair{0, 0u}, {600, 600u}, {8192, 1024u}}) {
        ASSERT_EQ(::truncate(path.c_str(), size), 0);
        ASSERT_OK(file->readMapped(0, page, sizeof page, &got));
        EXPECT_EQ(got, readable) << size;
    }
    ASSERT_EQ(::truncate(path.c_str(), 0), 0);
    ASSERT_OK(file->writeMapped(5000, "dddd", 4));
    EXPECT_EQ(testsupport::readFile(path).substr(4996), std::string(4, '\0') + "dddd");
}

TEST(Processes, FilesAreMadeDurableTogetherOnlyOnOneLocalFileSystem)
{
    // One syncfs() stands for the fdatasync of every file only when all of them lie on the same
    // local file system; otherwise a file elsewhere would be left in the cache at a commit.
    struct Fake final : File {
        explicit Fake(std::uint64_t device) : device(device) {}
        const std::string& path() const override { return name; }
        ShareMode shareMode() const override { return ShareMode::Shared; }
        Status read(std::uint64_t, void*, std::size_t, std::size_t* got) override { return *got = 0, Status(); }
        Status write(std::uint64_t, const void*, std::size_t) override { return {}; }
        Status size(std::uint64_t* out) override { return *out = 0, Status(); }
        Status truncate(std::uint64_t) override { return {}; }
        Status sync() override { return ++syncs, Status(); }
        std::uint64_t localDevice() override { return device; }
        Status syncFileSystem() override { return ++wholeSyncs, Status(); }
        Status tryLock(std::uint64_t, std::uint64_t, LockKind) override { return {}; }
        Status unlock(std::uint64_t, std::uint64_t) override { return {}; }
        std::string name = "fake";
        std::uint64_t device;
        int syncs = 0, wholeSyncs = 0;
    };
    struct Case {
        std::vector<std::uint64_t> devices;
        bool together;
    } cases[] = {{{5, 5, 5, 5}, true}, {{5, 6}, false}, {{5, 0}, false}, {{0, 0}, false}, {{5}, false}, {{}, false}};
    for (const Case& c : cases) {
        std::vector<Fake> files(c.devices.begin(), c.devices.end());
        std::vector<File*> list;
        for (Fake& f : files)
            list.push_back(&f);
        ASSERT_OK(syncFiles(list));
        int syncs = 0, whole = 0;
        for (const auto& f : files)
            syncs += f.syncs, whole += f.wholeSyncs;
        EXPECT_EQ(whole, c.together ? 1 : 0) << c.devices.size();
        EXPECT_EQ(syncs, c.together ? 0 : int(c.devices.size())) << c.devices.size();
    }
}
