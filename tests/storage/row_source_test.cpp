// A table in an index order as a browse's rows: key scopes, both ends, batched reads (one index
// lock for a page), rows another work area changed, the scroll-bar position, evaluated columns.
#include <gtest/gtest.h>

#include "core/xbase.h"
#include "storage/table.h"
#include "storage/table_row_source.h"
#include "fault_fs.h"
#include "storage_test_util.h"
#include "support/seams.h"
#include "support/temp_dir.h"

using namespace storage;
using namespace storagetest;

namespace {

const std::vector<FieldSpec> kFields = {{"CODE", FieldType::Character, 10, 0},
                                        {"NAME", FieldType::Character, 20, 0},
                                        {"CSNO", FieldType::Numeric, 10, 0},
                                        {"DAY", FieldType::Date, 0, 0}};

std::string codeOf(char prefix, int n)
{
    return prefix + core::xbase::padLeft(std::to_string(n), 3, '0');
}

class RowSourceTest : public ::testing::Test {
protected:
    // 100 codes of each of A, B, D, appended out of key order; every tenth B row marked deleted.
    void SetUp() override
    {
        table = newTable(dir.file("CODES.DBF"), kFields);
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

    static std::string cell(TableRowSource& s, std::size_t i = 0)
    {
        std::vector<std::string> out;
        s.cells(out);
        return i < out.size() ? core::xbase::rtrim(out[i]) : "?";
    }

    // Every row from the top with skip(1), and from the bottom with skip(-1).
    static std::vector<std::string> forward(TableRowSource& s)
    {
        std::vector<std::string> out;
        s.goTop();
        if (s.atEnd())
            return out;
        do
            out.push_back(cell(s));
        while (s.skip(1) == 1);
        return out;
    }
    static std::vector<std::string> backward(TableRowSource& s)
    {
        std::vector<std::string> out;
        s.goBottom();
        if (s.atEnd())
            return out;
        do
            out.insert(out.begin(), cell(s));
        while (s.skip(-1) == -1);
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
        EXPECT_EQ(forward(*s), expected);
        EXPECT_EQ(backward(*s), expected);
        EXPECT_EQ(int(expected.size()), rows);
        s->goTop();
        EXPECT_EQ(s->atEnd(), rows == 0);
        if (rows > 0) {
            // A long skip stops at the end of the scope, says how far it went, and takes the table along.
            EXPECT_EQ(s->skip(1000), rows - 1);
            EXPECT_EQ(s->skip(-1000), 1 - rows);
            core::Value code;
            ASSERT_OK(table->get("CODE", &code));
            EXPECT_EQ(core::xbase::rtrim(code.asText()), expected.front());
        }
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

TEST_F(RowSourceTest, StartsOnTheTablesRecordWhenItIsInScope)
{
    ASSERT_OK(table->seek("B042"));
    auto s = source("B");
    EXPECT_EQ(cell(*s), "B042");
    EXPECT_EQ(s->skip(-1), -1);
    EXPECT_EQ(cell(*s), "B041");
    ASSERT_OK(table->seek("D010"));
    auto other = source("B");
    EXPECT_EQ(cell(*other), "B000");
    // The table's pointer moved by record number only (no index cursor on it).
    ASSERT_OK(table->seek("A020"));
    const std::uint32_t recno = table->recNo();
    ASSERT_OK(table->goTo(1));
    ASSERT_OK(table->goTo(recno));
    EXPECT_EQ(cell(*source("A")), "A020");
}

TEST_F(RowSourceTest, APageOfRowsCostsOneIndexLock)
{
    FaultFileSystem fs;
    ASSERT_OK(table->close());
    table = openTable(dir.file("CODES.DBF"));
    ASSERT_OK(table->addOrder(dir.file("CODES.NTX")));
    auto s = source();
    s->goToPosition(0.5);
    const int before = fs.counts["CODES.NTX"].locks;
    // What a browse of 25 rows does to fill its window around the current row.
    s->skip(-12);
    for (int i = 0; i < 24; ++i)
        ASSERT_EQ(s->skip(1), 1);
    s->skip(-12);
    // One read lock for the rows before the current one, one for the rows after it.
    EXPECT_LE(fs.counts["CODES.NTX"].locks - before, 2);
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

    ASSERT_OK(other->append());
    ASSERT_OK(other->putText(0, "A0015"));
    ASSERT_OK(other->unlock());
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

TEST_F(RowSourceTest, ScrollBarPositionFollowsTheRowWithinTheScope)
{
    for (const char* scope : {"", "B"}) {
        auto s = source(scope);
        s->goTop();
        EXPECT_NEAR(s->position(), 0.0, 0.05) << scope;
        s->goBottom();
        EXPECT_NEAR(s->position(), 1.0, 0.05) << scope;
        for (double f : {0.25, 0.5, 0.75}) {
            ASSERT_TRUE(s->goToPosition(f));
            ASSERT_FALSE(s->atEnd());
            EXPECT_NEAR(s->position(), f, 0.1) << scope << " " << f;
            if (*scope) {
                EXPECT_EQ(cell(*s)[0], 'B');
            }
        }
    }
}

TEST_F(RowSourceTest, AReadThatFailsWhileBrowsingIsRaisedOnceTheBrowseReportsIt)
{
    // Fetching rows for the browse, or painting them, cannot stop for a failure: the source keeps
    // the first, and the browse's report after the move raises it once, naming the table.
    ASSERT_OK(table->close());
    FaultFileSystem faults;
    table = openTable(dir.file("CODES.DBF"));
    ASSERT_OK(table->addOrder(dir.file("CODES.NTX")));
    auto s = source();
    testsupport::RecordingFaultHandler trap;
    s->reportFailures();
    EXPECT_TRUE(trap.faults.empty());
    faults.failOnly = "CODES.NTX";
    faults.failRead = 1;
    s->goBottom();
    EXPECT_TRUE(trap.faults.empty()) << "raised while fetching";
    s->reportFailures();
    ASSERT_EQ(trap.faults.size(), 1u);
    EXPECT_EQ(trap.faults[0].operation, "SKIP");
    EXPECT_TRUE(trap.faults[0].canDefault) << "a browse may go on with the rows it has";
    EXPECT_EQ(trap.faults[0].fileName, table->path());
    EXPECT_NE(trap.faults[0].description.find("injected read failure"), std::string::npos) << trap.faults[0].description;
    s->reportFailures();
    EXPECT_EQ(trap.faults.size(), 1u);
}

TEST_F(RowSourceTest, RecordOrderWithoutAnIndex)
{
    ASSERT_OK(table->setOrder(0));
    auto s = source();
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
