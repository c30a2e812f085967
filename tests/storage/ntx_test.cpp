// NTX trees: bulk builds in the reference runtime's shape, maintenance by insert and delete checked
// against a model of the key order, page caching across calls, and what another handle's change
// does to a cursor.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "core/xbase.h"
#include "storage/ntx_format.h"
#include "storage/table.h"
#include "fault_fs.h"
#include "storage_test_util.h"
#include "support/temp_dir.h"

using namespace storage;
using namespace storagetest;
using Entries = std::vector<std::pair<std::string, std::uint32_t>>;

namespace {

// The index's entries in order, as (key, recno), walking the active order with skip().
Entries walkOrder(Table& t)
{
    Entries out;
    for (must(t.goTop()); !t.eof(); must(t.skip()))
        out.emplace_back(t.orderIndex(t.order()).currentKey(), t.recNo());
    return out;
}

// Each page of an NTX file as text: its keys in offset-table order with children and records.
std::vector<std::string> pageContents(const std::string& path)
{
    const std::string bytes = testsupport::readFile(path);
    const int max = ntx::get16(bytes.data() + ntx::kOffMaxItems), ks = ntx::get16(bytes.data() + ntx::kOffKeySize);
    std::vector<std::string> pages;
    for (std::size_t off = ntx::kPageSize; off + ntx::kPageSize <= bytes.size(); off += ntx::kPageSize) {
        const char* p = bytes.data() + off;
        const int k = ntx::get16(p);
        std::string text = std::to_string(off) + ":";
        for (int i = 0; i <= k && i <= max; ++i) {
            const char* item = p + ntx::get16(p + 2 + 2 * i);
            text += " [" + std::to_string(ntx::get32(item));
            if (i < k)
                text += " " + std::to_string(ntx::get32(item + 4)) + " " + std::string(item + 8, std::size_t(ks));
            text += "]";
        }
        pages.push_back(text);
    }
    return pages;
}

}  // namespace

TEST(NtxBuild, BulkBuildGivesTheReferenceRuntimesFile)
{
    testsupport::TempDir dir;
    copyGolden(dir.path(), {"FARMER.DBF", "PACKED.DBF", "EMPTY.DBF"});
    const char* const cases[][3] = {
        {"FARMER.DBF", "FARMER.NTX", "CODE"},
        {"FARMER.DBF", "FARMERB.NTX", "BALANCE"},
        {"PACKED.DBF", "PACKED.NTX", "CODE"},
        {"EMPTY.DBF", "EMPTY.NTX", "CODE"},
    };
    for (const auto& [dbf, ntx, key] : cases) {
        SCOPED_TRACE(ntx);
        ASSERT_OK(openTable(dir.file(dbf), ShareMode::Exclusive)->createOrder(dir.file(ntx), key));
        // Same header, same pages at the same offsets, same keys in each page. (The reference
        // runtime balances the right edge by rotating keys, so its offset tables may be scrambled
        // where ours are in order.)
        EXPECT_EQ(pageContents(dir.file(ntx)), pageContents(golden(ntx)));
        const std::string ours = testsupport::readFile(dir.file(ntx)), theirs = testsupport::readFile(golden(ntx));
        EXPECT_EQ(ours.substr(0, ntx::kPageSize), theirs.substr(0, ntx::kPageSize));
    }
}

struct MaintenanceCase {
    const char* name;
    FieldSpec keyField;
    ShareMode mode;
    int operations;
};

void PrintTo(const MaintenanceCase& c, std::ostream* os)
{
    *os << c.name;
}

class NtxMaintenance : public ::testing::TestWithParam<MaintenanceCase> {};

TEST_P(NtxMaintenance, RandomChangesKeepTheIndexEqualToTheModel)
{
    const MaintenanceCase& c = GetParam();
    testsupport::TempDir dir;
    SoftCommits soft;
    const std::string dbf = dir.file("T.DBF"), ntx = dir.file("T.NTX");
    auto t = newTable(dbf, {c.keyField, {"OTHER", FieldType::Character, 3, 0}}, c.mode);
    ASSERT_OK(t->createOrder(ntx, c.keyField.name));
    const Field& f = t->layout().fields()[0];

    std::mt19937 rng(12345);
    // The key order an index keeps: sorted, a new key behind every equal one (as a multimap inserts).
    std::multimap<std::string, std::uint32_t> model;
    const auto modelEntries = [&] { return Entries(model.begin(), model.end()); };
    std::vector<std::string> keyOf(1);  // by record number
    for (int op = 0; op < c.operations; ++op) {
        core::Value v;
        std::string key;
        if (f.type == FieldType::Numeric) {
            const double n = double(int(rng() % 400) - 200) / 4;
            v = core::Value::number(n, f.decimals);
            key.resize(f.length);
            encodeNumericKey(n, f.length, f.decimals, key.data());
        } else {
            // Few distinct keys, so runs of equal keys are long and cross page boundaries.
            const std::string text = std::string(1, char('A' + rng() % 6)) + std::to_string(rng() % 5);
            v = core::Value::text(text);
            key = core::xbase::padRight(text, f.length);
        }
        const std::uint32_t count = t->recCount();
        if (count == 0 || rng() % 10 < 6) {
            ASSERT_OK(t->append());  // the new record's keys go in at its commit
            ASSERT_OK(t->put(0, v));
            ASSERT_OK(t->unlock());
            model.emplace(key, t->recNo());
            keyOf.push_back(key);
        } else {
            const std::uint32_t r = 1 + rng() % count;
            ASSERT_OK(t->goTo(r));
            ASSERT_OK(t->lock());
            if (rng() % 4 == 0) {
                ASSERT_OK(t->deleted() ? t->recall() : t->deleteRecord());  // keys stay as they are
            } else {
                ASSERT_OK(t->put(0, v));
                if (key != keyOf[r]) {
                    auto [from, to] = model.equal_range(keyOf[r]);
                    model.erase(std::find_if(from, to, [r](const auto& e) { return e.second == r; }));
                    model.emplace(key, r);
                    keyOf[r] = key;
                }
            }
            ASSERT_OK(t->unlock());
        }
        if (op % 200 == 199 || op + 1 == c.operations) {
            ASSERT_EQ(walkOrder(*t), modelEntries()) << "after operation " << op;
        }
    }
    // Backwards too, and the file checks clean after a reopen.
    Entries backwards;
    for (must(t->goBottom()); !t->bof() && !t->eof(); must(t->skip(-1)))
        backwards.insert(backwards.begin(), {t->orderIndex(1).currentKey(), t->recNo()});
    EXPECT_EQ(backwards, modelEntries());
    ASSERT_OK(t->close());
    EXPECT_EQ(checkFindings(dbf, {ntx}, true), std::vector<std::string>());
    t = openTable(dbf);
    ASSERT_OK(t->addOrder(ntx, c.keyField.name));
    EXPECT_TRUE(t->takeNotes().empty());
    EXPECT_EQ(walkOrder(*t), modelEntries());
}

INSTANTIATE_TEST_SUITE_P(
    KeySizes, NtxMaintenance,
    ::testing::Values(MaintenanceCase{"Short", {"K", FieldType::Character, 4, 0}, ShareMode::Shared, 3000},
                      MaintenanceCase{"Wide", {"K", FieldType::Character, 60, 0}, ShareMode::Shared, 2000},
                      // 256-byte keys: two per page, so every few changes split or join pages.
                      MaintenanceCase{"Widest", {"K", FieldType::Character, 256, 0}, ShareMode::Shared, 1500},
                      MaintenanceCase{"Numeric", {"K", FieldType::Numeric, 8, 2}, ShareMode::Shared, 2000},
                      MaintenanceCase{"Exclusive", {"K", FieldType::Character, 12, 0}, ShareMode::Exclusive, 3000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NtxCache, UnchangedIndexIsReadOnlyThroughItsHeader)
{
    testsupport::TempDir dir;
    copyGolden(dir.path(), {"WDATA1.DBF", "WDATA12.NTX"});
    FaultFileSystem fs;
    auto t = openTable(dir.file("WDATA1.DBF"));
    ASSERT_OK(t->addOrder(dir.file("WDATA12.NTX")));
    ASSERT_OK(t->goTop());
    for (int i = 0; i < 3000; ++i)  // warm: every page once
        ASSERT_OK(t->skip());
    ASSERT_OK(t->goTop());
    fs.counts.clear();
    for (int i = 0; i < 100; ++i)
        ASSERT_OK(t->skip());
    EXPECT_EQ(fs.counts["WDATA12.NTX"].reads, 100);  // one header check per skip, no page read
    fs.counts.clear();
    std::vector<std::uint32_t> recnos;
    ASSERT_OK(t->skipMany(500, &recnos));
    EXPECT_EQ(recnos.size(), 500u);
    EXPECT_EQ(fs.counts["WDATA12.NTX"].reads, 1);  // 500 keys under one lock and one header check
    EXPECT_EQ(fs.counts["WDATA1.DBF"].reads, 0);   // records are read only when a field is wanted
}

TEST(NtxCache, SkipSeesAnotherWorkstationsInsertAtOnce)
{
    testsupport::TempDir dir;
    SoftCommits soft;
    const std::string dbf = dir.file("T.DBF"), ntx = dir.file("T.NTX");
    auto a = newTable(dbf, {{"K", FieldType::Character, 8, 0}});
    ASSERT_OK(a->createOrder(ntx, "K"));
    ASSERT_OK(appendRows(*a, {{"B"}, {"D"}, {"F"}}));
    // A second work area on the same files, as another workstation: its handles exclude ours.
    auto b = openTable(dbf);
    ASSERT_OK(b->addOrder(ntx, "K"));
    ASSERT_OK(a->seek("B"));
    ASSERT_EQ(a->recNo(), 1u);
    ASSERT_OK(appendRows(*b, {{"C"}}));
    ASSERT_OK(a->skip());
    EXPECT_EQ(a->recNo(), 4u);  // the new "C" between "B" and "D"
    // The other work area changes the key of our record: we continue from where it was.
    ASSERT_OK(b->goTo(4));
    ASSERT_OK(b->lock());
    EXPECT_TRUE(a->lock().is(Status::Code::Locked));
    ASSERT_OK(b->putText(0, "E"));
    ASSERT_OK(b->unlock());
    ASSERT_OK(a->skip());
    EXPECT_EQ(a->recNo(), 2u);  // "D"
    ASSERT_OK(a->skip());
    EXPECT_EQ(a->recNo(), 4u);  // "E"
}

TEST(NtxCrashSafety, SlotsOfDeadWritersAreRepairedAndLiveOnesRespected)
{
    // A record number in the pending slots (header bytes 552..) says "its writer holds that record's
    // lock". Nobody holds it: the writer died, and the next opener rebuilds. Someone holds it: the
    // record is being written, and the index is used as it is.
    testsupport::TempDir dir;
    copyGolden(dir.path(), {"FARMER.DBF", "FARMER.NTX"});
    const std::string dbf = dir.file("FARMER.DBF"), ntx = dir.file("FARMER.NTX"), slot7("\x07\x00\x00\x00", 4);
    // The notes of opening the table with its index in the given mode.
    const auto rebuilds = [&](ShareMode mode) {
        auto t = openTable(dbf, mode);
        must(t->addOrder(ntx, "CODE"));
        return t->takeNotes().size();
    };
    {
        auto writer = openTable(dbf);  // another work area holding record 7, as another workstation
        ASSERT_OK(writer->goTo(7));
        ASSERT_OK(writer->lock());
        patchFile(ntx, ntx::kSlotOffset + 8, slot7);
        EXPECT_EQ(rebuilds(ShareMode::Shared), 0u);
        EXPECT_EQ(checkFindings(dbf, {ntx}, true),
                  std::vector<std::string>{"note: FARMER.NTX: record 7 is being written by another workstation"});
    }
    // The holder is gone: check calls for a rebuild, a shared open does it and says so.
    EXPECT_EQ(checkFindings(dbf, {ntx}, false),
              std::vector<std::string>{"FARMER.NTX: an update was interrupted; the index must be rebuilt: record 7"});
    EXPECT_EQ(rebuilds(ShareMode::Shared), 1u);
    EXPECT_EQ(checkFindings(dbf, {ntx}, true), std::vector<std::string>());
    // The same in exclusive use, and for the mark.
    for (const auto& [offset, bytes] : {std::pair{ntx::kSlotOffset, slot7}, {ntx::kMarkOffset, std::string("MVUPDATE")}}) {
        patchFile(ntx, offset, bytes);
        EXPECT_EQ(rebuilds(ShareMode::Exclusive), 1u);
        EXPECT_EQ(checkFindings(dbf, {ntx}, true), std::vector<std::string>());
    }
}
