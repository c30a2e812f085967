// The reference runtime's files (tests/storage/golden) read exactly: every record value of the CSVs
// in physical order, every index's key list in order both ways, seeks, and a clean check.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/xbase.h"
#include "storage/check.h"
#include "storage/field_codec.h"
#include "storage/table.h"
#include "storage_test_util.h"

using namespace storage;
using namespace storagetest;

namespace {

// The CSV text of one stored field, by the golden manifest's rules.
std::string csvValue(const Field& f, std::string_view raw)
{
    const bool blank = raw.find_first_not_of(' ') == std::string_view::npos;
    switch (f.type) {
    case FieldType::Character: return std::string(raw);
    case FieldType::Numeric: return blank ? "" : std::string(core::xbase::ltrimView(raw));
    case FieldType::Date: return blank ? "" : std::string(raw);
    case FieldType::Logical: return blank ? "" : std::string(raw);
    }
    return {};
}

struct GoldenTable {
    const char* dbf;
    const char* csv;
    std::uint32_t records;
};

const GoldenTable kTables[] = {
    {"WDATA1.DBF", "WDATA1.csv", 3000},
    {"FARMER.DBF", "FARMER.csv", 50},
    {"EMPTY.DBF", "EMPTY.csv", 0},
    {"PACKED.DBF", "PACKED.csv", 200},
    {"STALEHDR.DBF", "FARMER.csv", 50},  // header count 40 and stray bytes: still the 50 records
};

struct GoldenIndex {
    const char* dbf;
    const char* ntx;
    const char* keys;
    const char* expression;
};

const GoldenIndex kIndexes[] = {
    {"WDATA1.DBF", "WDATA1.NTX", "WDATA1.keys.csv", "STAT+TRUCK"},
    {"WDATA1.DBF", "WDATA12.NTX", "WDATA12.keys.csv", "DTOS(DAYIN)+TMIN+TICKET"},
    {"WDATA1.DBF", "WDATA13.NTX", "WDATA13.keys.csv", "COMPANY+ACCOUNT"},
    {"FARMER.DBF", "FARMER.NTX", "FARMER.keys.csv", "CODE"},
    {"FARMER.DBF", "FARMERB.NTX", "FARMERB.keys.csv", "BALANCE"},
    {"EMPTY.DBF", "EMPTY.NTX", "EMPTY.keys.csv", "CODE"},
    {"PACKED.DBF", "PACKED.NTX", "PACKED.keys.csv", "CODE"},
};

}  // namespace

TEST(GoldenFiles, EveryRecordReadsAsTheCsvSays)
{
    for (const auto& g : kTables) {
        SCOPED_TRACE(g.dbf);
        std::vector<std::string> header;
        const auto rows = readEscapedCsv(golden(g.csv), &header);
        std::unique_ptr<Table> t;
        ASSERT_OK(Table::open(golden(g.dbf), ShareMode::Shared, &t));
        ASSERT_EQ(t->recCount(), g.records);
        ASSERT_EQ(rows.size(), g.records);
        if (std::string(g.dbf) == "STALEHDR.DBF") {
            EXPECT_EQ(t->layout().headerCount(), 40u);
        }
        ASSERT_EQ(header.size(), t->layout().fields().size() + 2);
        for (std::size_t i = 0; i < t->layout().fields().size(); ++i)
            EXPECT_EQ(header[i + 2], t->layout().fields()[i].name);
        std::size_t row = 0;
        ASSERT_OK(t->goTop());
        while (!t->eof()) {
            ASSERT_LT(row, rows.size());
            const auto& r = rows[row++];
            EXPECT_EQ(std::to_string(t->recNo()), r[0]);
            EXPECT_EQ(t->deleted() ? "T" : "F", r[1]) << "record " << t->recNo();
            for (std::size_t i = 0; i < t->layout().fields().size(); ++i) {
                std::string_view raw;
                ASSERT_OK(t->raw(int(i), &raw));
                const Field& f = t->layout().fields()[i];
                EXPECT_EQ(csvValue(f, raw), r[i + 2]) << "record " << t->recNo() << " " << f.name;
                // The value read agrees with the text: numbers to the field's decimals.
                if (f.type == FieldType::Numeric && !r[i + 2].empty()) {
                    core::Value v;
                    ASSERT_OK(t->value(int(i), &v));
                    EXPECT_EQ(core::xbase::decimalText(v.asNumber(), f.decimals), r[i + 2]);
                }
            }
            ASSERT_OK(t->skip());
        }
        EXPECT_EQ(row, rows.size());
    }
}

TEST(GoldenFiles, EveryIndexListsItsKeysInOrderBothWays)
{
    for (const auto& g : kIndexes) {
        SCOPED_TRACE(g.ntx);
        const auto rows = readEscapedCsv(golden(g.keys));
        std::unique_ptr<Table> t;
        ASSERT_OK(Table::open(golden(g.dbf), ShareMode::Shared, &t));
        ASSERT_OK(t->addOrder(golden(g.ntx)));
        EXPECT_EQ(t->orderIndex(1).header().expression, g.expression);
        EXPECT_TRUE(t->takeNotes().empty());
        NtxIndex& ix = t->orderIndex(1);

        std::size_t pos = 0;
        ASSERT_OK(t->goTop());
        while (!t->eof()) {
            ASSERT_LT(pos, rows.size());
            EXPECT_EQ(std::to_string(t->recNo()), rows[pos][1]) << "position " << pos + 1;
            EXPECT_EQ(ix.currentKey(), rows[pos][2]) << "position " << pos + 1;
            ++pos;
            ASSERT_OK(t->skip());
        }
        EXPECT_EQ(pos, rows.size());

        // Backwards from the bottom, then past the top: BOF on the first entry.
        ASSERT_OK(t->goBottom());
        while (!t->bof() && !t->eof()) {
            ASSERT_GT(pos, 0u);
            --pos;
            EXPECT_EQ(std::to_string(t->recNo()), rows[pos][1]) << "position " << pos + 1;
            ASSERT_OK(t->skip(-1));
        }
        EXPECT_EQ(pos, 0u);
        if (!rows.empty()) {
            EXPECT_EQ(std::to_string(t->recNo()), rows[0][1]);
        }

        // The same order in pages of 64 keys under one lock each.
        std::vector<std::uint32_t> all, page;
        ASSERT_OK(t->goTop());
        if (!t->eof())
            all.push_back(t->recNo());
        do {
            ASSERT_OK(t->skipMany(64, &page));
            all.insert(all.end(), page.begin(), page.end());
        } while (page.size() == 64);
        ASSERT_EQ(all.size(), rows.size());
        for (std::size_t i = 0; i < all.size(); ++i)
            EXPECT_EQ(std::to_string(all[i]), rows[i][1]);
    }
}

TEST(GoldenFiles, SeeksFindTheFirstKeyNotBelowTheValue)
{
    std::unique_ptr<Table> t;
    ASSERT_OK(Table::open(golden("FARMER.DBF"), ShareMode::Shared, &t));
    ASSERT_OK(t->addOrder(golden("FARMER.NTX")));
    struct Case {
        std::string key;
        bool soft;
        bool found;
        std::uint32_t recno;  // 0: EOF
    } cases[] = {
        {"F0130", false, true, 1},   {"F0130     ", false, true, 1}, {"F01", false, true, 40},
        {"F0131", false, false, 0},  {"F0131", true, false, 29},     {"\xFB\xA1", false, true, 42},
        {"\xFB\xA2", true, false, 0}, {"", false, true, 28},          {"f", false, true, 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        ASSERT_OK(t->seek(c.key, c.soft));
        EXPECT_EQ(t->found(), c.found);
        EXPECT_EQ(t->eof(), c.recno == 0);
        if (c.recno) {
            EXPECT_EQ(t->recNo(), c.recno);
        }
    }
    // A numeric order: seeking a value encodes it as the order stores it.
    ASSERT_OK(t->addOrder(golden("FARMERB.NTX")));
    ASSERT_OK(t->setOrder(2));
    ASSERT_OK(t->seekValue(core::Value::number(-89272.87, 2)));
    EXPECT_TRUE(t->found());
    EXPECT_EQ(t->recNo(), 36u);
    ASSERT_OK(t->seekValue(core::Value::number(0)));
    EXPECT_EQ(t->recNo(), 10u);
    ASSERT_OK(t->seekValue(core::Value::number(0), false, true));  // the last of the equal keys
    EXPECT_EQ(t->recNo(), 50u);
}

TEST(GoldenFiles, CompanyAndBlankAccountSeekFindsExactlyTheOpenTickets)
{
    const auto rows = readEscapedCsv(golden("WDATA1.csv"));
    std::unique_ptr<Table> t;
    ASSERT_OK(Table::open(golden("WDATA1.DBF"), ShareMode::Shared, &t));
    ASSERT_OK(t->addOrder(golden("WDATA13.NTX"), "COMPANY+ACCOUNT"));
    std::set<std::string> companies;
    for (const auto& r : rows)
        companies.insert(r[5]);
    ASSERT_GT(companies.size(), 10u);
    for (const std::string& company : companies) {
        std::set<std::uint32_t> expected, got;
        for (const auto& r : rows)
            if (r[5] == company && r[11] == " ")
                expected.insert(std::uint32_t(std::stoul(r[0])));
        const std::string key = core::xbase::padRight(company, 10) + " ";
        ASSERT_OK(t->seek(key));
        while (!t->eof()) {
            core::Value c, a;
            ASSERT_OK(t->get("company", &c));
            ASSERT_OK(t->get("ACCOUNT", &a));
            if (c.asText() + a.asText() != key)
                break;
            got.insert(t->recNo());
            ASSERT_OK(t->skip());
        }
        EXPECT_EQ(got, expected) << company;
    }
}

TEST(GoldenFiles, EveryGoldenTableChecksClean)
{
    struct Case {
        const char* dbf;
        std::vector<std::string> indexes;
    } cases[] = {
        {"WDATA1.DBF", {"WDATA1.NTX", "WDATA12.NTX", "WDATA13.NTX"}},
        {"FARMER.DBF", {"FARMER.NTX", "FARMERB.NTX"}},
        {"EMPTY.DBF", {"EMPTY.NTX"}},
        {"PACKED.DBF", {"PACKED.NTX"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> ix;
        for (const auto& n : c.indexes)
            ix.push_back(golden(n));
        EXPECT_EQ(checkFindings(golden(c.dbf), ix, true), std::vector<std::string>()) << c.dbf;
    }
    // The oracle's figures for the three ticket indexes.
    CheckReport report;
    checkTable(golden("WDATA1.DBF"),
               {{golden("WDATA1.NTX"), "", true}, {golden("WDATA12.NTX"), "", true}, {golden("WDATA13.NTX"), "", true}},
               &report);
    ASSERT_EQ(report.summary.size(), 4u);
    EXPECT_EQ(report.summary[0], "WDATA1.DBF: 3000 records, 90 deleted");
    EXPECT_EQ(report.summary[1], "WDATA1.NTX (STAT+TRUCK): 3000 keys, 3 levels, 93 pages, 10 free");
    EXPECT_EQ(report.summary[2], "WDATA12.NTX (DTOS(DAYIN)+TMIN+TICKET): 3000 keys, 3 levels, 109 pages, 0 free");
    EXPECT_EQ(report.summary[3], "WDATA13.NTX (COMPANY+ACCOUNT): 3000 keys, 3 levels, 96 pages, 2 free");
}
