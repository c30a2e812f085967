// The shared-access operations as workflows use them: opening with one index or the three weighing
// indexes, the missing-table and held-table messages, locks and appends that wait for another
// workstation (a forked process), running numbers and detail link keys.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/ops.h"
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
// What the other workstation does while this one waits for a lock (the idle hook runs between the
// attempts).
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

    void addSeries(const char* code, double csno)
    {
        add("Consec", {{"CODE", Value::text(code)}, {"CSNO", Value::number(csno)}});
    }

    double csno(const char* code)
    {
        auto t = open("Consec");
        must(t->seek(core::xbase::padRight(code, 10)));
        Value v;
        EXPECT_TRUE(t->found() && t->get("CSNO", &v).ok());
        return v.asNumber();
    }

    Texts files() const
    {
        Texts out;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
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
    // First the file of the other key, then no file at all.
    for (const std::string reason : {"\"NAME\"", "missing"}) {
        Workspace ws;
        ASSERT_TRUE(OPEN(ws, folder(), "farmer", "CODE", false, "Farmer", "Farmer"));
        Table* t = ws.current();
        ASSERT_EQ(ws.currentAlias(), "farmer");
        EXPECT_EQ(t->order(), 1);
        EXPECT_EQ(t->orderIndex(1).header().expression, "CODE");
        EXPECT_EQ(fieldInOrder(*t, "CODE"), (Texts{"F1", "F2"}));
        const auto notes = t->takeNotes();
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_NE(notes[0].reason.find(reason), std::string::npos) << notes[0].reason;
        ASSERT_OK(ws.closeAll());
        // Made in upper case, as the reference runtime names its files.
        EXPECT_EQ(files(), (Texts{"FARMER.DBF", "FARMER.NTX"}));
        std::filesystem::remove(dir.file("FARMER.NTX"));
    }
    EXPECT_EQ(shown(), Texts{});
}

TEST_F(OpsTest, TableHeldByAnotherWorkstationIsGivenUpAfterTenSecondsWithoutSpinning)
{
    make("Farmer");
    for (const auto& [otherExclusive, exclusive] : {std::pair{true, false}, {false, true}, {true, true}}) {
        g_idleCalls = 0;
        HeldTable other(dir.file("FARMER.DBF"), otherExclusive ? ShareMode::Exclusive : ShareMode::Shared);
        ASSERT_TRUE(other.open());
        const std::int64_t before = clock.monotonic;
        Workspace ws;
        EXPECT_FALSE(OPEN(ws, folder(), "Farmer", "CODE", exclusive, "Farmer", "Farmer"));
        const std::int64_t waited = clock.monotonic - before;
        EXPECT_GE(waited, 10000);
        EXPECT_LT(waited, 10100);
        // Polled with sleeps of up to 20 ms, the idle hook between tries: a few hundred tries.
        EXPECT_GT(g_idleCalls, 400);
        EXPECT_LT(g_idleCalls, 1000);
        EXPECT_EQ(shown(), Texts{"ส่วนการเปิดแฟ้ม: ไม่สามารถเปิดแฟ้ม Farmer"});
        EXPECT_EQ(other.release(), 0);
        // Once the other workstation let go, the same open succeeds.
        EXPECT_TRUE(OPEN(ws, folder(), "Farmer", "CODE", exclusive, "Farmer", "Farmer"));
    }
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
    EXPECT_EQ(t.recNo(), 2u);
    EXPECT_TRUE(t.isLocked(2));
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

    // Both found no F1; the other workstation, holding the file lock, appends it while this one
    // waits for the lock. The seek under the lock finds the other's row: one row, ours current.
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
    EXPECT_EQ(ours.recNo(), 2u);
    EXPECT_FALSE(ours.isLocked(2));
    ASSERT_OK(theirs.lockFile());
    ASSERT_OK(theirs.unlock());
    ASSERT_OK(theirs.seek(f2));
    EXPECT_TRUE(theirs.found());
    // A key that is there: nothing appended.
    ASSERT_TRUE(addKeyedRow(mine, f1, {{"CODE", f1}}));
    EXPECT_EQ(ours.recNo(), 1u);
    EXPECT_EQ(ours.recCount(), 2u);
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
    addSeries("TRK01", 41);
    addSeries("TRK02", 1000000);
    addSeries("MON01", 7);
    core::programSettings().setText("CDRV1", folder());
    EXPECT_EQ(CONSEC("TRK01", "R"), "000041");
    EXPECT_EQ(CONSEC("TRK01", "R"), "000041");
    EXPECT_EQ(csno("TRK01"), 41);
    EXPECT_EQ(CONSEC("TRK01", "W"), "000041");
    EXPECT_EQ(CONSEC("TRK01", "W"), "000042");
    EXPECT_EQ(csno("TRK01"), 43);
    // Six digits: the millionth number of a series comes out as its last six.
    EXPECT_EQ(CONSEC(folder(), "TRK02", "W"), "000000");
    EXPECT_EQ(csno("TRK02"), 1000001);
    EXPECT_EQ(shown(), Texts{});
    EXPECT_EQ(csno("MON01"), 7);

    // Series codes are matched whole: "TRK0" is not "TRK01".
    for (const std::string series : {"TRK09", "TRK0"}) {
        EXPECT_EQ(CONSEC(folder(), series, "W"), "000000");
        EXPECT_EQ(shown(), Texts{"  ส่วนกำหนดเลขใบชั่ง: ไม่พบเลขลำดับของระบบ " + series});
    }
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
    addSeries("TRK01", 1);
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
    ASSERT_EQ(all.size(), 4000u);
    const std::set<std::uint32_t> distinct(all.begin(), all.end());
    EXPECT_EQ(distinct.size(), 4000u);
    EXPECT_EQ(*distinct.begin(), 1u);
    EXPECT_EQ(*distinct.rbegin(), 4000u);
    EXPECT_EQ(csno("TRK01"), 4001);
}
