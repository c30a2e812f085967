// The shared-access operations as workflows use them, and processes on the same files as workstations:
// share modes, waiting locks and appends, running numbers, link keys, kills mid-append, durability.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <numeric>
#include <random>
#include <set>
#include <thread>

#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/ops.h"
#include "storage/table.h"
#include "fork_child.h"
#include "held_table.h"
#include "storage_test_util.h"
#include "support/seams.h"
#include "support/temp_dir.h"

using namespace storage;
using namespace storagetest;
using core::tis620::T;
using core::Value;
using Texts = std::vector<std::string>;

namespace {

int g_idleCalls = 0;
// What the other workstation does while this one waits for a lock (the idle hook runs between attempts).
std::function<void()> g_meanwhile;
void onIdle()
{
    ++g_idleCalls;
    if (auto f = std::exchange(g_meanwhile, nullptr))
        f();
}

class OpsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_idleCalls = 0;
        core::setIdleHook(onIdle);
    }
    void TearDown() override { core::setIdleHook(nullptr); }

    std::string folder() const { return dir.path() + "/"; }

    std::unique_ptr<Table> open(const char* name, ShareMode mode = ShareMode::Shared)
    {
        std::unique_ptr<Table> t;
        must(openCatalogueTable(folder(), *findTable(name), mode, &t));
        return t;
    }

    // A table of the catalogue in the test folder, empty, with its index files.
    void make(const char* name)
    {
        must(Table::create(folder() + tableFileName(*findTable(name)), fieldSpecs(findTable(name)->fields)));
        open(name, ShareMode::Exclusive);
    }

    // Appends one record through a table of its own, shared, with the catalogue's indexes.
    void add(const char* name, const std::vector<std::pair<const char*, Value>>& values)
    {
        auto t = open(name);
        must(t->append());
        for (const auto& [field, v] : values)
            must(t->put(field, v));
        must(t->commit());
    }

    double csno(const char* code)
    {
        auto t = open("Consec");
        must(t->seek(core::xbase::padRight(code, 10)));
        Value v;
        EXPECT_TRUE(t->found() && t->get("CSNO", &v).ok());
        return v.asNumber();
    }

    // The messages shown since the last call, as "title: text" in UTF-8.
    Texts shown()
    {
        Texts out;
        for (const auto& s : prompts.shown)
            out.push_back(core::tis620::toUtf8(s.title + ": " + s.text));
        prompts.shown.clear();
        return out;
    }

    testsupport::TempDir dir;
    testsupport::RecordingPrompts prompts;
    testsupport::FakeClock clock;
};

Texts fieldInOrder(Table& t, const char* field)
{
    Texts out;
    for (must(t.goTop()); !t.eof(); must(t.skip())) {
        Value v;
        must(t.get(field, &v));
        out.push_back(core::xbase::rtrim(v.asText()));
    }
    return out;
}

}  // namespace

TEST_F(OpsTest, IndexOfAnotherKeyOrMissingIsRebuiltSilentlyAndTheCallerCanAsk)
{
    make("Farmer");
    add("Farmer", {{"CODE", Value::text("F2")}, {"NAME", Value::text("A")}});
    add("Farmer", {{"CODE", Value::text("F1")}, {"NAME", Value::text("B")}});
    {
        // A report ordered the table by name into the same file: an exclusive open always rebuilds.
        Workspace ws;
        ASSERT_TRUE(OPEN(ws, folder(), "Farmer", "NAME", true, "Farmer", "Farmer"));
        EXPECT_EQ(ws.current()->orderIndex(1).header().expression, "NAME");
        EXPECT_EQ(fieldInOrder(*ws.current(), "CODE"), (Texts{"F2", "F1"}));
    }
    // A missing file is made again under the catalogue's key, silently but with a note.
    std::filesystem::remove(dir.file("FARMER.NTX"));
    Workspace ws;
    ASSERT_TRUE(OPEN(ws, folder(), "farmer", "CODE", false, "Farmer", "Farmer"));
    Table* t = ws.current();
    ASSERT_EQ(ws.currentAlias(), "farmer");
    EXPECT_EQ(std::pair(t->order(), t->orderIndex(1).header().expression), std::pair(1, std::string("CODE")));
    EXPECT_EQ(fieldInOrder(*t, "CODE"), (Texts{"F1", "F2"}));
    const auto notes = t->takeNotes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].reason.find("missing"), std::string::npos) << notes[0].reason;
    ASSERT_OK(ws.closeAll());
    // Made in upper case, as the reference runtime names its files.
    Texts files;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        files.push_back(e.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (Texts{"FARMER.DBF", "FARMER.NTX"}));
    EXPECT_EQ(shown(), Texts{});
}

TEST_F(OpsTest, TableHeldByAnotherWorkstationIsGivenUpAfterTenSecondsWithoutSpinning)
{
    // Which share modes refuse each other is Processes.ExclusiveAndSharedOpensExcludeEachOtherBothWays.
    make("Farmer");
    HeldTable other(dir.file("FARMER.DBF"), ShareMode::Exclusive);
    ASSERT_TRUE(other.open());
    const std::int64_t before = clock.monotonic;
    Workspace ws;
    EXPECT_FALSE(OPEN(ws, folder(), "Farmer", "CODE", false, "Farmer", "Farmer"));
    const std::int64_t waited = clock.monotonic - before;
    EXPECT_GE(waited, 10000);
    EXPECT_LT(waited, 10100);
    // Polled with sleeps of up to 20 ms, the idle hook between tries: a few hundred tries.
    EXPECT_GT(g_idleCalls, 400);
    EXPECT_LT(g_idleCalls, 1000);
    EXPECT_EQ(shown(), Texts{"ส่วนการเปิดแฟ้ม: ไม่สามารถเปิดแฟ้ม Farmer"});
    EXPECT_EQ(other.release(), 0);
    // Once the other workstation let go, the same open succeeds.
    EXPECT_TRUE(OPEN(ws, folder(), "Farmer", "CODE", false, "Farmer", "Farmer"));
}

TEST_F(OpsTest, RecordLockAndAppendWaitForTheOtherWorkstation)
{
    make("Farmer");
    add("Farmer", {{"CODE", Value::text("F1")}});
    const std::string path = dir.file("FARMER.DBF");
    Child other([&](Child& self) {
        std::unique_ptr<Table> t;
        if (!Table::open(path, ShareMode::Shared, &t).ok() || !t->goTo(1).ok() || !t->lock().ok())
            return 1;
        self.send('l');
        self.receive();
        return t->unlock().ok() ? 0 : 2;
    });
    ASSERT_EQ(other.receive(), 'l');
    Workspace ws;
    ASSERT_TRUE(OPEN(ws, folder(), "Farmer", "CODE", false, "Farmer", "Farmer"));
    Table& t = *ws.current();
    const std::int64_t before = clock.monotonic;
    EXPECT_FALSE(REC_LOCK(ws, 2));
    EXPECT_GE(clock.monotonic - before, 2000);
    EXPECT_GT(g_idleCalls, 0);
    EXPECT_FALSE(t.isLocked(1));
    EXPECT_TRUE(t.lockFile().is(Status::Code::Locked));  // the file lock covers the other's record

    // ADD_REC does not need that record: a blank record comes current and locked.
    ASSERT_TRUE(ADD_REC(ws));
    EXPECT_EQ(std::pair(t.recNo(), t.isLocked(2)), std::pair(2u, true));
    Value code;
    ASSERT_OK(t.get("CODE", &code));
    EXPECT_EQ(code.asText(), std::string(10, ' '));
    ASSERT_TRUE(unlockAll(ws));

    // Waiting without limit ends when the other workstation lets go.
    ASSERT_OK(t.goTo(1));
    other.send('u');
    EXPECT_TRUE(REC_LOCK(ws, 0));
    EXPECT_TRUE(t.isLocked(1));
    EXPECT_EQ(other.wait(), 0);
    ASSERT_OK(t.put("NAME", Value::text("X")));
    EXPECT_TRUE(commitAll(ws));
    EXPECT_TRUE(unlockAll(ws));
    EXPECT_FALSE(t.isLocked(1));
}

TEST_F(OpsTest, AKeyedRowIsMadeOnceWhenAnotherWorkstationMakesItWhileWeWait)
{
    make("Farmer");
    Workspace mine, other;
    ASSERT_TRUE(OPEN(mine, folder(), "Farmer", "CODE", false, "Farmer", "Farmer"));
    ASSERT_TRUE(OPEN(other, folder(), "Farmer", "CODE", false, "Farmer", "Farmer"));
    Table &ours = *mine.current(), &theirs = *other.current();
    const std::string f1 = core::xbase::padRight("F1", 10), f2 = core::xbase::padRight("F2", 10);

    // The other workstation appends F1 while we wait for the file lock: the seek under it finds that row.
    ASSERT_OK(ours.seek(f1));
    ASSERT_FALSE(ours.found());
    ASSERT_OK(theirs.lockFile());
    g_meanwhile = [&] {
        ASSERT_OK(theirs.append());
        ASSERT_OK(theirs.put("CODE", Value::text("F1")));
        ASSERT_OK(theirs.put("NAME", Value::text("theirs")));
        ASSERT_OK(theirs.commit());
        ASSERT_OK(theirs.unlock());
    };
    ASSERT_TRUE(addKeyedRow(mine, f1, {{"CODE", f1}}));
    EXPECT_FALSE(g_meanwhile) << "it waited for the file lock";
    EXPECT_EQ(ours.recCount(), 1u);
    Value name;
    ASSERT_OK(ours.get("NAME", &name));
    EXPECT_EQ(core::xbase::rtrim(name.asText()), "theirs");

    // A key nobody has: appended with its key, committed, current; no lock left behind.
    ASSERT_TRUE(addKeyedRow(mine, f2, {{"CODE", f2}, {"NAME", "ours"}}));
    EXPECT_EQ(std::pair(ours.recNo(), ours.isLocked(2)), std::pair(2u, false));
    ASSERT_OK(theirs.lockFile());
    ASSERT_OK(theirs.unlock());
    ASSERT_OK(theirs.seek(f2));
    EXPECT_TRUE(theirs.found());
    // A key that is there: nothing appended.
    ASSERT_TRUE(addKeyedRow(mine, f1, {{"CODE", f1}}));
    EXPECT_EQ(std::pair(ours.recNo(), ours.recCount()), std::pair(1u, 2u));
}

TEST_F(OpsTest, DamagedTableGoesToTheErrorTrapAndTheOpenFails)
{
    testsupport::RecordingFaultHandler faults(core::FaultAnswer::Default);
    testsupport::writeFile(dir.file("FARMER.DBF"), std::string(10, '\x07'));
    make("Company");
    Workspace ws;
    ASSERT_TRUE(OPEN(ws, folder(), "Company", "CODE", false, "Company", "Company", "farmer"));
    EXPECT_FALSE(OPEN(ws, folder(), "Farmer", "CODE", false, "Farmer", "Farmer"));
    ASSERT_EQ(faults.faults.size(), 1u);
    EXPECT_EQ(faults.faults[0].genCode, core::EG_CORRUPTION);
    EXPECT_EQ(shown(), Texts{"ส่วนการเปิดแฟ้ม: ไม่สามารถเปิดแฟ้ม Farmer"});
    EXPECT_TRUE(ws.aliases().empty());  // the failed open still let go of what its alias held

    // A missing table is named by its title, under the caption of the open that wanted it.
    EXPECT_FALSE(OPEN(ws, folder(), "Money1", "DTOS(DATE)+TICKET", true, T("ข้อมูลการจ่ายเงิน"), "Money1"));
    EXPECT_FALSE(OPENTRK(ws, folder(), "Wdata3", "Wdata"));
    EXPECT_EQ(shown(), (Texts{"ส่วนการเปิดแฟ้ม: ไม่พบแฟ้ม ข้อมูลการจ่ายเงิน", "  ส่วนการเปิดแฟ้ม: ไม่พบแฟ้ม Wdata3"}));
}

TEST_F(OpsTest, ConsecPeeksTakesAndWithoutItsSeriesOrTableSaysSoAndGivesZeros)
{
    make("Consec");
    for (const auto& [code, next] : {std::pair{"TRK01", 41.0}, {"TRK02", 1000000.0}, {"MON01", 7.0}})
        add("Consec", {{"CODE", Value::text(code)}, {"CSNO", Value::number(next)}});
    core::programSettings().setText("CDRV1", folder());
    Texts numbers;
    for (const char* mode : {"R", "R", "W", "W"})
        numbers.push_back(CONSEC("TRK01", mode));
    EXPECT_EQ(numbers, (Texts{"000041", "000041", "000041", "000042"}));
    EXPECT_EQ(csno("TRK01"), 43);
    // Six digits: the millionth number of a series comes out as its last six.
    EXPECT_EQ(CONSEC(folder(), "TRK02", "W"), "000000");
    EXPECT_EQ(csno("TRK02"), 1000001);
    EXPECT_EQ(shown(), Texts{});
    EXPECT_EQ(csno("MON01"), 7);

    // Series codes are matched whole: "TRK0" is not "TRK01".
    EXPECT_EQ(CONSEC(folder(), "TRK0", "W"), "000000");
    EXPECT_EQ(shown(), Texts{"  ส่วนกำหนดเลขใบชั่ง: ไม่พบเลขลำดับของระบบ TRK0"});
    EXPECT_EQ(csno("TRK01"), 43);

    std::filesystem::remove(dir.file("CONSEC.DBF"));
    EXPECT_EQ(CONSEC(folder(), "TRK01", "W"), "000000");
    EXPECT_EQ(shown(),
              (Texts{"ส่วนการเปิดแฟ้ม: ไม่พบแฟ้ม Consec", "  ส่วนกำหนดเลขใบชั่ง: แฟ้มเลขใบชั่งไม่สามารถเปิดได้"}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("CONSEC.DBF")));
}

TEST_F(OpsTest, DetailLinkKeysMadeInTheSameHundredthDiffer)
{
    make("Money1");
    make("Detail1");
    clock.hundredths = 45234 * 100 + 56;  // 12:33:54.56
    Workspace ws;
    ASSERT_TRUE(OPEN(ws, folder(), "Money1", "DTOS(DATE)+TICKET", false, "Money1", "Money1", "wdata"));
    ASSERT_TRUE(OPEN(ws, folder(), "Detail1", "INDENT+RECORD", false, "Detail1", "Detail1", "detail"));
    EXPECT_EQ(INDENT(ws), "20261205" "45234" "56");
    EXPECT_EQ(ws.currentAlias(), "wdata");
    // The clock has not moved: the second key waits for the next hundredth.
    EXPECT_EQ(INDENT(ws), "20261205" "45234" "57");

    // A key a line already carries is not given out again.
    ASSERT_OK(ws.select("detail"));
    ASSERT_TRUE(ADD_REC(ws));
    ASSERT_OK(ws.current()->put("INDENT", Value::text("20261205" "45234" "58")));
    ASSERT_TRUE(commitAll(ws));
    ASSERT_TRUE(unlockAll(ws));
    EXPECT_EQ(INDENT(ws), "20261205" "45234" "59");
}

TEST_F(OpsTest, EightProcessesTakeFourThousandDistinctConsecutiveNumbers)
{
    make("Consec");
    add("Consec", {{"CODE", Value::text("TRK01")}, {"CSNO", Value::number(1)}});
    const std::string f = folder();
    std::vector<std::uint32_t> all;
    const auto codes = runChildren(8, [&](Child& self, int) {
        // Syncs off: the lock protocol is what is tested here, not the disk.
        setHardCommit(false);
        core::setClock(nullptr);
        for (int n = 0; n < 500; ++n)
            self.sendWord(std::uint32_t(std::stoul(CONSEC(f, "TRK01", "W"))));
        return 0;
    }, &all);
    EXPECT_EQ(codes, std::vector<int>(8, 0));
    std::sort(all.begin(), all.end());
    std::vector<std::uint32_t> expected(4000);
    std::iota(expected.begin(), expected.end(), 1u);
    EXPECT_EQ(all, expected);  // 1 to 4000, each once
    EXPECT_EQ(csno("TRK01"), 4001);
}

namespace {

Status openTickets(const std::string& folder, std::unique_ptr<Table>* t)
{
    STORAGE_TRY(openTicketTable(folder, ShareMode::Shared, t, 10000));
    return (*t)->setOrder(2);
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
    // Each keeps its table open (CONSEC opens afresh): a record read from before the lock loses counts.
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
            const bool agree = held == ShareMode::Shared && mine == ShareMode::Shared;
            EXPECT_TRUE(agree ? s.ok() : s.is(Status::Code::Locked)) << s.toString();
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
    const Texts tickets = firstFields(*t);
    EXPECT_EQ(std::set<std::string>(tickets.begin(), tickets.end()).size(), 1000u);
}

TEST(Processes, AppendersKilledAtRandomLeaveTablesThatOpenAndCheckClean)
{
    // After each kill at a random moment the table opens (a cut-short index rebuilt, and we are told),
    // checks clean and holds every ticket whose unlock returned.
    testsupport::TempDir dir;
    makeTickets(dir.path());
    std::mt19937 rng(2026);
    std::set<std::string> committed;
    const auto reported = [&](std::uint32_t n) {
        if (n != ~0u && n != 0)
            committed.insert(core::xbase::padLeft(std::to_string(n % 1000000), 6, '0'));
    };
    int rebuilt = 0;
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
        // Three kills in four after the first committed append (a slow build would mostly kill before it).
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
        const Texts tickets = firstFields(*t);
        const std::set<std::string> present(tickets.begin(), tickets.end());
        ASSERT_OK(t->close());
        for (const auto& c : committed)
            ASSERT_TRUE(present.count(c)) << "committed ticket " << c << " lost";
        const auto problems = ticketFindings(dir.path(), false);
        ASSERT_TRUE(problems.empty()) << problems.front();
    }
    std::printf("200 kills: %zu committed tickets, %d times an index was rebuilt\n", committed.size(), rebuilt);
    EXPECT_GT(committed.size(), 100u);
    EXPECT_GT(rebuilt, 0);
}

TEST(Processes, ChildDoesNotUseItsParentsHandles)
{
    // Inherited descriptors carry the parent's locks: they refuse, and the child's own open is its own.
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
    // Index pages go through a shared mapping: writes show both ways at once, and a file cut short under
    // it (SIGBUS there) answers with what is left, or is written, instead of ending the process.
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
    // One syncfs() stands for every file's fdatasync only when all lie on the same local file system.
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
    const std::pair<std::vector<std::uint64_t>, bool> cases[] = {
        {{5, 5, 5, 5}, true}, {{5, 6}, false}, {{5, 0}, false}, {{0, 0}, false}, {{5}, false}, {{}, false}};
    for (const auto& [devices, together] : cases) {
        std::vector<Fake> files(devices.begin(), devices.end());
        std::vector<File*> list;
        for (Fake& f : files)
            list.push_back(&f);
        ASSERT_OK(syncFiles(list));
        int syncs = 0, whole = 0;
        for (const auto& f : files)
            syncs += f.syncs, whole += f.wholeSyncs;
        EXPECT_EQ(std::pair(whole, syncs), std::pair(together ? 1 : 0, together ? 0 : int(devices.size())))
            << devices.size();
    }
}
