// Tables, work areas and NTX trees as the xBase runtime keeps them (pointer, locks, orders, pack, zap,
// relations, bulk builds, changes against a model, crash slots), and a table as a browse's rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>

#include "core/tis620.h"
#include "core/xbase.h"
#include "expr/contexts.h"
#include "storage/fault_bridge.h"
#include "storage/field_codec.h"
#include "storage/ntx_format.h"
#include "storage/table.h"
#include "storage/table_row_source.h"
#include "storage/workspace.h"
#include "storage/workspace_context.h"
#include "fault_fs.h"
#include "storage_test_util.h"
#include "support/seams.h"
#include "support/temp_dir.h"

using namespace storage;
using namespace storagetest;
using Recnos = std::vector<std::uint32_t>;
using Entries = std::vector<std::pair<std::string, std::uint32_t>>;

namespace {

const std::vector<FieldSpec> kFarmer = {{"CODE", FieldType::Character, 10, 0},
                                        {"NAME", FieldType::Character, 30, 0},
                                        {"BALANCE", FieldType::Numeric, 12, 2},
                                        {"LASTDATE", FieldType::Date, 0, 0},
                                        {"ACTIVE", FieldType::Logical, 0, 0}};

class TableTest : public ::testing::Test {
protected:
    SoftCommits soft;
    testsupport::TempDir dir;
};

}  // namespace

TEST_F(TableTest, PointerAtTheEndsFollowsTheXbaseRules)
{
    auto t = newTable(dir.file("T.DBF"), kFarmer);
    // Empty: top and bottom are both EOF and BOF; the phantom record reads blank.
    EXPECT_TRUE(t->eof() && t->bof());
    EXPECT_EQ(t->recNo(), 1u);
    ASSERT_OK(t->goBottom());
    EXPECT_TRUE(t->eof() && t->bof());
    core::Value v;
    ASSERT_OK(t->get("code", &v));
    EXPECT_EQ(v.asText(), std::string(10, ' '));
    EXPECT_TRUE(t->putText(0, "X").is(Status::Code::InvalidArgument));  // nothing to write at EOF

    ASSERT_OK(appendRows(*t, {{"C"}, {"A"}, {"B"}}));
    // Each step: what, the move, then the record number, EOF and BOF.
    using Step = std::tuple<const char*, std::function<Status(Table&)>, std::uint32_t, bool, bool>;
    auto run = [&](const std::vector<Step>& steps) {
        for (const auto& [what, move, recno, eof, bof] : steps) {
            SCOPED_TRACE(what);
            ASSERT_OK(move(*t));
            EXPECT_EQ(std::tuple(t->recNo(), t->eof(), t->bof()), std::tuple(recno, eof, bof));
        }
    };
    const auto top = [](Table& x) { return x.goTop(); };
    const auto bottom = [](Table& x) { return x.goBottom(); };
    const auto skip = [](int n) { return [n](Table& x) { return x.skip(n); }; };
    const auto go = [](std::uint32_t n) { return [n](Table& x) { return x.goTo(n); }; };
    run({
        {"top", top, 1, false, false},
        {"back past the top", skip(-1), 1, false, true},
        {"forward from BOF", skip(1), 2, false, false},
        {"bottom", bottom, 3, false, false},
        {"past the bottom", skip(1), 4, true, false},
        {"further past", skip(5), 4, true, false},
        {"back from EOF", skip(-1), 3, false, false},
        {"go to 2", go(2), 2, false, false},
        {"go beyond", go(99), 4, true, false},
        {"skip -10", skip(-10), 1, false, true},
    });
    // The same in index order: "A" (2), "B" (3), "C" (1); a goTo() goes on in index order from there.
    ASSERT_OK(t->createOrder(dir.file("T.NTX"), "CODE"));
    EXPECT_EQ(recnos(*t), (Recnos{2, 3, 1}));
    run({
        {"top in order", top, 2, false, false},
        {"back past the top in order", skip(-1), 2, false, true},
        {"bottom in order", bottom, 1, false, false},
        {"past the bottom in order", skip(1), 4, true, false},
        {"back from EOF in order", skip(-1), 1, false, false},
        {"go to 3", go(3), 3, false, false},
        {"on from 3 in order", skip(1), 1, false, false},
        {"seek past every key", [](Table& x) { return x.seek("Z"); }, 4, true, false},
    });
    EXPECT_FALSE(t->found());
    ASSERT_OK(t->seek("A  ", true));
    EXPECT_TRUE(t->found());
    EXPECT_EQ(t->recNo(), 2u);
}

TEST_F(TableTest, SharedWritesNeedTheRecordLockAndValuesMustFit)
{
    auto t = newTable(dir.file("T.DBF"), kFarmer);
    ASSERT_OK(appendRows(*t, {{"F1"}, {"F2"}}));
    ASSERT_OK(t->goTo(1));
    EXPECT_TRUE(t->putNumber(2, 5).is(Status::Code::NotLocked));
    ASSERT_OK(t->lock());
    ASSERT_OK(t->putNumber(2, 123456789.125));
    const Status over = t->putNumber(2, 1234567890.5);  // 13 characters in N 12,2
    EXPECT_TRUE(over.is(Status::Code::FieldOverflow)) << over.toString();
    ASSERT_OK(t->put("NAME", core::Value::text(core::tis620::T("นายสมชาย"))));
    ASSERT_OK(t->put("lastdate", core::Value::date(core::Date::fromYmd(2026, 1, 31))));
    ASSERT_OK(t->put("ACTIVE", core::Value::logical(true)));
    EXPECT_TRUE(t->put("ACTIVE", core::Value::number(1)).is(Status::Code::TypeMismatch));
    EXPECT_TRUE(t->put("NOSUCH", core::Value::number(1)).is(Status::Code::NotFound));
    ASSERT_OK(t->commit());
    ASSERT_OK(t->close());

    // Read back from the file: the value that did not fit never reached it.
    auto r = openTable(dir.file("T.DBF"), ShareMode::Exclusive);
    const char* rec = nullptr;
    ASSERT_OK(r->record(&rec));
    EXPECT_EQ(std::string(rec, r->layout().recordLength()),
              " F1        " + core::xbase::padRight(core::tis620::T("นายสมชาย"), 30) + "123456789.1320260131T");
    core::Value v;
    ASSERT_OK(r->get("BALANCE", &v));
    EXPECT_EQ(v.decimals(), 2);
    ASSERT_OK(r->get("LASTDATE", &v));
    EXPECT_EQ(v.asDate(), core::Date::fromYmd(2026, 1, 31));
    ASSERT_OK(r->putText(0, "EXCL"));  // exclusive use: no lock needed
}

TEST_F(TableTest, OrdersFollowAppendsKeyChangesAndDeletions)
{
    auto t = newTable(dir.file("T.DBF"), kFarmer);
    const std::vector<std::string> ntx = {dir.file("TCODE.NTX"), dir.file("TBAL.NTX"), dir.file("TEXPR.NTX")};
    ASSERT_OK(t->createOrder(ntx[0], "CODE"));
    ASSERT_OK(t->createOrder(ntx[1], "BALANCE"));
    ASSERT_OK(t->createOrder(ntx[2], "UPPER(LEFT(NAME,3))+DTOS(LASTDATE)"));  // through the evaluator
    const std::pair<const char*, double> rows[] = {{"D", 5}, {"B", -2.5}, {"A", 100}, {"C", 0}};
    for (const auto& [code, balance] : rows) {
        ASSERT_OK(t->append());
        ASSERT_OK(t->putText(0, code));
        ASSERT_OK(t->putText(1, code + std::string("ee")));
        ASSERT_OK(t->putNumber(2, balance));
        ASSERT_OK(t->unlock());
    }
    const Recnos inOrder[] = {{3, 2, 4, 1}, {2, 4, 1, 3}, {3, 2, 4, 1}};
    for (int order = 1; order <= 3; ++order) {
        ASSERT_OK(t->setOrder(order));
        EXPECT_EQ(recnos(*t), inOrder[order - 1]) << order;
    }
    EXPECT_EQ(t->orderIndex(3).header().keySize, 11);

    // A key change moves the record; a deletion keeps every key.
    ASSERT_OK(t->setOrder(1));
    ASSERT_OK(t->seek("A"));
    ASSERT_OK(t->lock());
    ASSERT_OK(t->putText(0, "E"));
    ASSERT_OK(t->unlock());
    EXPECT_EQ(t->recNo(), 3u);
    ASSERT_OK(t->skip(-1));  // the pointer moved with its record: before "E" comes "D"
    EXPECT_EQ(t->recNo(), 1u);
    ASSERT_OK(t->lock());
    ASSERT_OK(t->deleteRecord());
    ASSERT_OK(t->unlock());
    EXPECT_EQ(recnos(*t), (Recnos{2, 4, 1, 3}));
    EXPECT_EQ(checkFindings(dir.file("T.DBF"), ntx, true), std::vector<std::string>());

    // Pack (exclusive) drops the deleted record and rebuilds every order.
    ASSERT_OK(t->close());
    t = openTable(dir.file("T.DBF"), ShareMode::Exclusive);
    for (const std::string& n : ntx)
        ASSERT_OK(t->addOrder(n));
    ASSERT_OK(t->pack());
    EXPECT_EQ(std::pair(t->recCount(), recnos(*t)), std::pair(3u, Recnos{1, 3, 2}));  // B, C, E
    ASSERT_OK(t->close());
    EXPECT_EQ(std::filesystem::file_size(dir.file("T.DBF")), 194u + 3 * 62 + 1);  // one 0x1A after the last
    EXPECT_EQ(checkFindings(dir.file("T.DBF"), ntx, true), std::vector<std::string>());

    t = openTable(dir.file("T.DBF"), ShareMode::Exclusive);
    ASSERT_OK(t->addOrder(ntx[0]));
    ASSERT_OK(t->zap());
    EXPECT_EQ(std::pair(t->recCount(), t->eof()), std::pair(0u, true));
    ASSERT_OK(t->close());
    EXPECT_EQ(std::pair(std::filesystem::file_size(dir.file("T.DBF")), std::filesystem::file_size(ntx[0])),
              std::pair(std::uintmax_t(195), std::uintmax_t(2048)));
}

TEST_F(TableTest, IndexesThatDoNotMatchAreRebuiltAndTheCallerIsTold)
{
    copyGolden(dir.path(), {"WDATA1.DBF", "WDATA1.NTX", "WDATA12.NTX", "WDATA13.NTX"});
    // The date index deleted, the company index made for another key, the first one intact.
    std::filesystem::remove(dir.file("WDATA12.NTX"));
    ASSERT_OK(openTable(dir.file("WDATA1.DBF"), ShareMode::Exclusive)->createOrder(dir.file("WDATA13.NTX"), "TRUCK"));
    auto t = openTable(dir.path() + "\\wdata1.dbf");  // any letter case, "\\" as "/"
    ASSERT_OK(t->addOrder(dir.file("wdata1.ntx"), "STAT+TRUCK"));
    ASSERT_OK(t->addOrder(dir.file("WDATA12.NTX"), "DTOS(DAYIN)+TMIN+TICKET"));
    ASSERT_OK(t->addOrder(dir.file("Wdata13.ntx"), "COMPANY+ACCOUNT"));
    const auto notes = t->takeNotes();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_NE(notes[0].indexPath.find("WDATA12.NTX"), std::string::npos);
    EXPECT_NE(notes[0].reason.find("missing"), std::string::npos);
    EXPECT_NE(notes[1].reason.find("TRUCK"), std::string::npos);
    EXPECT_EQ(t->orderIndex(3).header().expression, "COMPANY+ACCOUNT");
    ASSERT_OK(t->close());
    EXPECT_EQ(ticketFindings(dir.path(), true), std::vector<std::string>());
    // Without an expected key, such a file is an error rather than silently rebuilt.
    t = openTable(dir.file("WDATA1.DBF"));
    EXPECT_TRUE(t->addOrder(dir.file("NOSUCH.NTX")).is(Status::Code::NotFound));
    EXPECT_FALSE(std::filesystem::exists(dir.file("NOSUCH.NTX")));
}

TEST_F(TableTest, SimpleKeysAndTheEvaluatorMakeTheSameBytes)
{
    copyGolden(dir.path(), {"WDATA1.DBF"});
    auto t = openTable(dir.file("WDATA1.DBF"));
    // With "+\"#\"" behind it the key is the evaluator's: but for the "#" it must agree on every record.
    for (const std::string simple :
         {"DTOS(DAYIN)+TMIN+TICKET", "STAT+TRUCK", "COMPANY+ACCOUNT", "STR(PRINT,4)+UPPER(TRUCK)"}) {
        std::unique_ptr<KeySource> a, b;
        ASSERT_OK(compileKey(simple, t->layout(), &a));
        ASSERT_OK(compileKey(simple + "+\"#\"", t->layout(), &b));
        EXPECT_EQ(b->naturalSize(), a->naturalSize() + 1);
        std::string ka, kb;
        for (must(t->goTop()); !t->eof(); must(t->skip())) {
            const char* rec = nullptr;
            ASSERT_OK(t->record(&rec));
            a->key(rec, ka);
            b->key(rec, kb);
            ASSERT_EQ(ka + "#", kb) << simple << " record " << t->recNo();
        }
    }
    std::unique_ptr<KeySource> k;
    for (const char* bad : {"NOSUCHFIELD+TICKET", "TICKET+", "DAYIN+TICKET" /* date + text */})
        EXPECT_FALSE(compileKey(bad, t->layout(), &k).ok()) << bad;
}

TEST_F(TableTest, WorkspaceAliasesRelationsAndTheEvaluatorsView)
{
    ASSERT_OK(Table::create(dir.file("TICKETS.DBF"), {{"TICKET", FieldType::Character, 6, 0},
                                                      {"COMP", FieldType::Character, 5, 0}}));
    ASSERT_OK(Table::create(dir.file("Company.dbf"), {{"CODE", FieldType::Character, 5, 0},
                                                     {"NAME", FieldType::Character, 10, 0}}));
    Workspace ws;
    Table *tickets = nullptr, *company = nullptr;
    ASSERT_OK(ws.open("Wdata", dir.file("tickets.DBF"), ShareMode::Shared, &tickets));
    ASSERT_OK(ws.open("company", dir.file("COMPANY.DBF"), ShareMode::Shared, &company));
    EXPECT_EQ(std::pair(ws.find("COMPANY"), ws.find("wdata")), std::pair(ws.current(), tickets));
    ASSERT_OK(company->createOrder(dir.file("COMPANY.NTX"), "CODE"));
    ASSERT_OK(appendRows(*company, {{"C1", "one"}, {"C2", "two"}, {"C3", "three"}}));
    ASSERT_OK(appendRows(*tickets, {{"000001", "C2"}, {"000002", "C9"}, {"000003", "C1"}}));
    // Opening an alias again closes what it held first (so an exclusive reopen is not refused).
    ASSERT_OK(ws.open("COMPANY", dir.file("COMPANY.DBF"), ShareMode::Exclusive, &company));
    EXPECT_EQ(ws.aliases().size(), 2u);
    ASSERT_OK(ws.open("Company", dir.file("COMPANY.DBF"), ShareMode::Shared, &company));
    ASSERT_OK(company->addOrder(dir.file("company.ntx"), "CODE"));
    EXPECT_TRUE(ws.select("nosuch").is(Status::Code::NotFound));

    // The child seeks the parent's key whenever the parent moves (0: not found, at EOF).
    ASSERT_OK(ws.setRelation("WDATA", "company", "COMP"));
    const std::pair<std::function<Status()>, std::uint32_t> moves[] = {
        {[&] { return tickets->goTo(1); }, 2}, {[&] { return tickets->goTo(2); }, 0},
        {[&] { return tickets->goTo(3); }, 1}, {[&] { return tickets->goTop(); }, 2},
        {[&] { return tickets->skip(); }, 0}};
    for (const auto& [move, found] : moves) {
        ASSERT_OK(move());
        EXPECT_EQ(std::tuple(company->found(), company->eof(), company->eof() ? 0u : company->recNo()),
                  std::tuple(found != 0, found == 0, found))
            << tickets->recNo();
    }

    // Names for the evaluator: the selected table's fields, alias->field, table state, then variables.
    WorkspaceContext context(ws);
    expr::VariablesContext variables;
    variables.set("cLimit", core::Value::number(10));
    expr::ChainContext chain({&context, &variables});
    ASSERT_OK(ws.select("wdata"));
    ASSERT_OK(tickets->goTo(3));
    const auto value = [&](const char* expression) {
        core::Value v;
        EXPECT_TRUE(expr::evaluateOnce(expression, chain, v)) << expression;
        return v;
    };
    EXPECT_EQ(value("TICKET + company->NAME").asText(), "000003one       ");
    EXPECT_EQ(value("RECNO() + cLimit").asNumber(), 13);
    EXPECT_EQ(value("company->(RECNO())").asNumber(), 1);
    ASSERT_OK(ws.select("COMPANY"));
    EXPECT_EQ(value("CODE + NAME").asText(), "C1   one       ");  // the selected table changed: names follow
    EXPECT_FALSE(value("DELETED() .OR. EOF() .OR. !FOUND()").asLogical());
    ASSERT_OK(ws.closeAll());
    EXPECT_EQ(ws.current(), nullptr);
}

TEST(FaultBridge, StatusesBecomeFaultsOfTheirKind)
{
    // The status, the fault's code, whether it offers a retry.
    const std::tuple<Status, int, bool> cases[] = {
        {Status::locked("T.DBF: bytes 1000000005 locked by another process"), core::EG_LOCK, true},
        {Status::corrupt("T.NTX: page 2048 holds 60 keys"), core::EG_CORRUPTION, false},
        {Status::fieldOverflow("123456.78 does not fit field WIN (N 6,2)"), core::EG_DATAWIDTH, false},
        {Status::notLocked("record 5 is not locked"), core::EG_UNLOCKED, false},
        {Status::ioError("T.DBF: write at 418", 28), core::EG_WRITE, true},
    };
    for (const auto& [status, genCode, retry] : cases) {
        const core::Fault f = toFault(status, "ADD_REC", "T.DBF");
        EXPECT_EQ(std::tie(f.genCode, f.canRetry, f.subsystem, f.description, f.fileName),
                  std::tuple(genCode, retry, "DBFNTX", status.message(), "T.DBF"));
    }
    EXPECT_EQ(toFault(Status::ioError("x", 28), "op").osCode, 28);
}

TEST(TableCommit, SyncsTheTableAndEachChangedIndexOnceAndNothingMore)
{
    testsupport::TempDir dir;
    ASSERT_OK(Table::create(dir.file("WDATA1.DBF"), ticketFields()));
    FaultFileSystem fs;
    auto t = ticketTable(dir.path());
    // Syncs of the table and its three indexes, counted from the last call.
    const auto syncs = [&] {
        std::vector<int> out;
        for (const char* f : {"WDATA1.DBF", "WDATA1.NTX", "WDATA12.NTX", "WDATA13.NTX"})
            out.push_back(fs.counts[f].syncs);
        fs.counts.clear();
        return out;
    };
    ASSERT_OK(t->append());
    ASSERT_OK(writeTicket(*t, 1));
    syncs();
    ASSERT_OK(t->commit());  // a new record: the table and all three indexes
    EXPECT_EQ(syncs(), (std::vector<int>{1, 1, 1, 1}));
    ASSERT_OK(t->putText(3, "S9999"));  // only COMPANY+ACCOUNT changes
    ASSERT_OK(t->commit());
    EXPECT_EQ(syncs(), (std::vector<int>{1, 0, 0, 1}));
    ASSERT_OK(t->commit());  // nothing written since: nothing synced
    EXPECT_EQ(syncs(), (std::vector<int>{0, 0, 0, 0}));
    ASSERT_OK(t->unlock());
}

namespace {

// The index's entries in order, as (key, recno), walking the active order with skip().
Entries walkOrder(Table& t)
{
    Entries out;
    for (must(t.goTop()); !t.eof(); must(t.skip()))
        out.emplace_back(t.orderIndex(t.order()).currentKey(), t.recNo());
    return out;
}

// An NTX file's header page, then each page as text: its keys in offset-table order with child and record.
std::vector<std::string> pageContents(const std::string& path)
{
    const std::string bytes = testsupport::readFile(path);
    const int max = ntx::get16(bytes.data() + ntx::kOffMaxItems), ks = ntx::get16(bytes.data() + ntx::kOffKeySize);
    std::vector<std::string> pages = {bytes.substr(0, ntx::kPageSize)};
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
        // Same header, pages and keys per page (the reference runtime's offset tables may be scrambled).
        EXPECT_EQ(pageContents(dir.file(ntx)), pageContents(golden(ntx)));
    }
}

struct MaintenanceCase {
    const char* name;
    FieldSpec keyField;
    ShareMode mode;
    int operations;
};

// Named in test listings (ctest takes its test names from them).
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
                      // 256-byte keys: two per page, so every few changes split or join pages.
                      MaintenanceCase{"Widest", {"K", FieldType::Character, 256, 0}, ShareMode::Shared, 1500},
                      MaintenanceCase{"Numeric", {"K", FieldType::Numeric, 8, 2}, ShareMode::Shared, 2000},
                      MaintenanceCase{"Exclusive", {"K", FieldType::Character, 12, 0}, ShareMode::Exclusive, 3000}),
    [](const auto& info) { return std::string(info.param.name); });

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
    // A record in the pending slots: rebuilt when nobody holds its lock (the writer died), else used as it is.
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

namespace {

std::string codeOf(char prefix, int n)
{
    return prefix + core::xbase::padLeft(std::to_string(n), 3, '0');
}

class RowSourceTest : public ::testing::Test {
protected:
    // 100 codes of each of A, B, D, appended out of key order; every tenth B row marked deleted.
    void SetUp() override
    {
        table = newTable(dir.file("CODES.DBF"), {{"CODE", FieldType::Character, 10, 0},
                                                 {"NAME", FieldType::Character, 20, 0},
                                                 {"CSNO", FieldType::Numeric, 10, 0},
                                                 {"DAY", FieldType::Date, 0, 0}});
        for (int n = 99; n >= 0; --n) {
            for (char p : {'D', 'B', 'A'}) {
                ASSERT_OK(table->append());
                ASSERT_OK(table->putText(0, codeOf(p, n)));
                ASSERT_OK(table->putText(1, "name " + codeOf(p, n)));
                ASSERT_OK(table->putNumber(2, n));
                ASSERT_OK(table->putDate(3, core::Date::fromYmd(2026, 1, 1 + n % 28)));
                if (p == 'B' && n % 10 == 0)
                    ASSERT_OK(table->deleteRecord());
                ASSERT_OK(table->unlock());
            }
        }
        ASSERT_OK(table->createOrder(dir.file("CODES.NTX"), "CODE"));
    }

    std::unique_ptr<TableRowSource> source(std::string_view scope = {},
                                           std::vector<std::string> columns = {"CODE"})
    {
        std::unique_ptr<TableRowSource> s;
        EXPECT_TRUE(TableRowSource::create(*table, columns, &s, scope).ok());
        return s;
    }

    static std::string cell(TableRowSource& s)
    {
        std::vector<std::string> out;
        s.cells(out);
        return out.empty() ? "?" : core::xbase::rtrim(out[0]);
    }

    // Every row walked from the top (direction 1) or the bottom (-1), in the scope's order.
    static std::vector<std::string> walk(TableRowSource& s, int direction)
    {
        std::vector<std::string> out;
        direction > 0 ? s.goTop() : s.goBottom();
        if (!s.atEnd()) {
            do
                out.push_back(cell(s));
            while (s.skip(direction) == direction);
        }
        if (direction < 0)
            std::reverse(out.begin(), out.end());
        return out;
    }

    testsupport::FakeClock clock;
    testsupport::TempDir dir;
    std::unique_ptr<Table> table;
};

}  // namespace

TEST_F(RowSourceTest, WalksItsScopeInKeyOrderBothWays)
{
    for (const auto& [scope, rows] : {std::pair{"", 300}, {"B", 100}, {"A05", 10}, {"C", 0}, {"E", 0}}) {
        SCOPED_TRACE(scope);
        auto s = source(scope);
        std::vector<std::string> expected;
        for (char p : {'A', 'B', 'D'})
            for (int n = 0; n < 100; ++n)
                if (codeOf(p, n).rfind(scope, 0) == 0)
                    expected.push_back(codeOf(p, n));
        EXPECT_EQ(walk(*s, 1), expected);
        EXPECT_EQ(walk(*s, -1), expected);
        EXPECT_EQ(int(expected.size()), rows);
        s->goTop();
        EXPECT_EQ(s->atEnd(), rows == 0);
        if (rows == 0)
            continue;
        // A long skip stops at the end of the scope, says how far it went, and takes the table along.
        EXPECT_EQ(s->skip(1000), rows - 1);
        EXPECT_EQ(s->skip(-1000), 1 - rows);
        core::Value code;
        ASSERT_OK(table->get("CODE", &code));
        EXPECT_EQ(core::xbase::rtrim(code.asText()), expected.front());
        // Dragging the scroll bar stays within the scope.
        ASSERT_TRUE(s->goToPosition(0.5));
        EXPECT_EQ(cell(*s).rfind(scope, 0), 0u) << cell(*s);
    }
}

TEST_F(RowSourceTest, ColumnsAreExpressionsAndMarkedRowsAreKnown)
{
    auto s = source("B0", {"CODE", "CSNO", "DTOC(DAY)", "UPPER(NAME)", "DELETED()"});
    s->goTop();
    std::vector<std::string> cells;
    s->cells(cells);
    EXPECT_EQ(cells, (std::vector<std::string>{"B000      ", "0", "01/01/2026", "NAME B000           ", ".T."}));
    EXPECT_TRUE(s->deleted());
    s->skip(1);
    s->cells(cells);
    EXPECT_EQ(cells, (std::vector<std::string>{"B001      ", "1", "02/01/2026", "NAME B001           ", ".F."}));
    EXPECT_FALSE(s->deleted());

    std::unique_ptr<TableRowSource> bad;
    testsupport::RecordingFaultHandler faults(core::FaultAnswer::Quit);
    for (const char* column : {"NOSUCH", "CODE +", "CODE + CSNO"})
        EXPECT_TRUE(TableRowSource::create(*table, {column}, &bad).is(Status::Code::InvalidArgument)) << column;
}

TEST_F(RowSourceTest, StartsOnTheTablesRecordWhenItIsInScopeAndWalksRecordOrderWithoutAnIndex)
{
    ASSERT_OK(table->seek("B042"));
    auto s = source("B");
    EXPECT_EQ(cell(*s), "B042");
    EXPECT_EQ(s->skip(-1), -1);
    EXPECT_EQ(cell(*s), "B041");
    ASSERT_OK(table->seek("D010"));
    EXPECT_EQ(cell(*source("B")), "B000");
    // The table's pointer moved by record number only (no index cursor on it).
    ASSERT_OK(table->seek("A020"));
    const std::uint32_t recno = table->recNo();
    ASSERT_OK(table->goTo(1));
    ASSERT_OK(table->goTo(recno));
    EXPECT_EQ(cell(*source("A")), "A020");

    ASSERT_OK(table->setOrder(0));
    s = source();
    s->goTop();
    EXPECT_EQ(cell(*s), "D099");
    EXPECT_EQ(s->skip(2), 2);
    EXPECT_EQ(cell(*s), "A099");
    s->goBottom();
    EXPECT_EQ(cell(*s), "A000");
    EXPECT_EQ(s->skip(5), 0);
    EXPECT_EQ(s->skip(-3), -3);
    EXPECT_EQ(cell(*s), "A001");
    ASSERT_TRUE(s->goToPosition(0.5));
    EXPECT_NEAR(s->position(), 0.5, 0.01);
}

TEST_F(RowSourceTest, AFailedReadIsRaisedOnceTheBrowseReportsIt)
{
    ASSERT_OK(table->close());
    FaultFileSystem fs;  // failing a read of the reopened table
    table = openTable(dir.file("CODES.DBF"));
    ASSERT_OK(table->addOrder(dir.file("CODES.NTX")));
    auto s = source();
    s->goToPosition(0.5);

    // Fetching or painting rows cannot stop for a failure: the browse's report after the move raises it once.
    testsupport::RecordingFaultHandler trap;
    s->reportFailures();
    EXPECT_TRUE(trap.faults.empty());
    fs.failOnly = "CODES.NTX";
    fs.failRead = 1;
    s->goBottom();
    EXPECT_TRUE(trap.faults.empty()) << "raised while fetching";
    s->reportFailures();
    ASSERT_EQ(trap.faults.size(), 1u);
    // canDefault: a browse may go on with the rows it has.
    EXPECT_EQ(std::tie(trap.faults[0].operation, trap.faults[0].canDefault, trap.faults[0].fileName),
              std::tuple("SKIP", true, table->path()));
    EXPECT_NE(trap.faults[0].description.find("injected read failure"), std::string::npos) << trap.faults[0].description;
    s->reportFailures();
    EXPECT_EQ(trap.faults.size(), 1u);
    s.reset();
    ASSERT_OK(table->close());  // before the counting file system goes
}

TEST_F(RowSourceTest, SeesAnotherWorkAreasInsertOnceItsBatchIsStale)
{
    auto other = openTable(dir.file("CODES.DBF"));
    ASSERT_OK(other->addOrder(dir.file("CODES.NTX")));
    auto s = source("A");
    s->goTop();
    ASSERT_EQ(s->skip(1), 1);
    EXPECT_EQ(cell(*s), "A001");
    const std::uint64_t generation = s->generation();

    ASSERT_OK(appendRows(*other, {{"A0015"}}));
    // Within the same page the rows read under one lock are shown ...
    ASSERT_EQ(s->skip(1), 1);
    EXPECT_EQ(cell(*s), "A002");
    // ... and the next move after a moment reads again and sees the new row.
    clock.advanceMs(TableRowSource::kFreshMs + 1);
    ASSERT_EQ(s->skip(-1), -1);
    EXPECT_EQ(cell(*s), "A0015");
    EXPECT_NE(s->generation(), generation);

    // poll() notices a change without moving, and a row that left the scope is gone.
    const std::uint64_t g = s->generation();
    s->poll();
    EXPECT_EQ(s->generation(), g);
    ASSERT_OK(other->seek("A0015"));
    ASSERT_OK(other->lock());
    ASSERT_OK(other->putText(0, "Z0015"));
    ASSERT_OK(other->unlock());
    s->poll();
    EXPECT_NE(s->generation(), g);
    EXPECT_TRUE(s->atEnd());
}
