// Tables and work areas as the xBase runtime keeps them: the record pointer at the ends, writes
// under locks, values that do not fit, orders kept up to date, pack and zap, names without regard
// to case, relations, and the evaluator's view of the work areas.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/tis620.h"
#include "core/xbase.h"
#include "expr/contexts.h"
#include "storage/fault_bridge.h"
#include "storage/field_codec.h"
#include "storage/table.h"
#include "storage/workspace.h"
#include "storage/workspace_context.h"
#include "fault_fs.h"
#include "storage_test_util.h"
#include "support/temp_dir.h"

using namespace storage;
using namespace storagetest;
using Recnos = std::vector<std::uint32_t>;

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
    struct Step {
        const char* what;
        std::function<Status(Table&)> move;
        std::uint32_t recno;
        bool eof, bof;
    };
    auto run = [&](const std::vector<Step>& steps) {
        for (const auto& s : steps) {
            SCOPED_TRACE(s.what);
            ASSERT_OK(s.move(*t));
            EXPECT_EQ(t->recNo(), s.recno);
            EXPECT_EQ(t->eof(), s.eof);
            EXPECT_EQ(t->bof(), s.bof);
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
    // The same in index order: "A" (2), "B" (3), "C" (1); going to a record by number, then on in
    // index order from there.
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
    std::string_view balance, name;
    ASSERT_OK(r->raw(2, &balance));
    ASSERT_OK(r->raw(1, &name));
    EXPECT_EQ(balance, "123456789.13");
    EXPECT_EQ(name, core::xbase::padRight(core::tis620::T("นายสมชาย"), 30));
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
    EXPECT_EQ(t->recCount(), 3u);
    EXPECT_EQ(recnos(*t), (Recnos{1, 3, 2}));  // B, C, E
    ASSERT_OK(t->close());
    EXPECT_EQ(std::filesystem::file_size(dir.file("T.DBF")), 194u + 3 * 62 + 1);  // one 0x1A after the last
    EXPECT_EQ(checkFindings(dir.file("T.DBF"), ntx, true), std::vector<std::string>());

    t = openTable(dir.file("T.DBF"), ShareMode::Exclusive);
    ASSERT_OK(t->addOrder(ntx[0]));
    ASSERT_OK(t->zap());
    EXPECT_EQ(t->recCount(), 0u);
    EXPECT_TRUE(t->eof());
    ASSERT_OK(t->close());
    EXPECT_EQ(std::filesystem::file_size(dir.file("T.DBF")), 195u);
    EXPECT_EQ(std::filesystem::file_size(ntx[0]), 2048u);
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
    ASSERT_OK(t->setOrder(2));
    const auto notes = t->takeNotes();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_NE(notes[0].indexPath.find("WDATA12.NTX"), std::string::npos);
    EXPECT_NE(notes[0].reason.find("missing"), std::string::npos);
    EXPECT_NE(notes[1].reason.find("TRUCK"), std::string::npos);
    EXPECT_EQ(t->orderIndex(3).header().expression, "COMPANY+ACCOUNT");
    // The rebuilt date order lists the blank dates first, as the reference runtime's file did.
    const auto keys = readEscapedCsv(golden("WDATA12.keys.csv"));
    ASSERT_OK(t->goTop());
    EXPECT_EQ(t->orderIndex(2).currentKey(), keys[0][2]);
    EXPECT_EQ(std::to_string(t->recNo()), keys[0][1]);
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
    // The same key with "+\"#\"" behind it is one the byte-copying form does not take, so the
    // evaluator makes it; the first 22 (or 11) bytes must agree on every record.
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
    EXPECT_EQ(ws.find("COMPANY"), ws.current());
    EXPECT_EQ(ws.find("wdata"), tickets);
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
        EXPECT_EQ(company->found(), found != 0) << tickets->recNo();
        EXPECT_EQ(company->eof(), found == 0) << tickets->recNo();
        if (found) {
            EXPECT_EQ(company->recNo(), found);
        }
    }

    // Names for the evaluator: fields of the selected table, alias->field, table state, then
    // variables behind them.
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
    const struct {
        Status status;
        int genCode;
        bool retry;
    } cases[] = {
        {Status::locked("T.DBF: bytes 1000000005 locked by another process"), core::EG_LOCK, true},
        {Status::corrupt("T.NTX: page 2048 holds 60 keys"), core::EG_CORRUPTION, false},
        {Status::fieldOverflow("123456.78 does not fit field WIN (N 6,2)"), core::EG_DATAWIDTH, false},
        {Status::notLocked("record 5 is not locked"), core::EG_UNLOCKED, false},
        {Status::ioError("T.DBF: write at 418", 28), core::EG_WRITE, true},
    };
    for (const auto& c : cases) {
        const core::Fault f = toFault(c.status, "ADD_REC", "T.DBF");
        EXPECT_EQ(f.genCode, c.genCode) << c.status.toString();
        EXPECT_EQ(f.canRetry, c.retry);
        EXPECT_EQ(f.subsystem, "DBFNTX");
        EXPECT_EQ(f.description, c.status.message());
        EXPECT_EQ(f.fileName, "T.DBF");
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
    // A table that is not there is not made by opening it.
    std::unique_ptr<Table> missing;
    EXPECT_TRUE(Table::open(dir.file("NOSUCH.DBF"), ShareMode::Shared, &missing).is(Status::Code::NotFound));
    EXPECT_FALSE(std::filesystem::exists(dir.file("NOSUCH.DBF")));
}
