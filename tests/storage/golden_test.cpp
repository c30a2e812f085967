// The reference runtime's files (tests/storage/golden) read exactly: every record value of the CSVs
// in physical order, every index's key list in order both ways, seeks, and a clean check. Damaged
// copies of them: flipped bytes give errors, never a crash or a read past a buffer (the sanitizer
// build runs these too; the storage fuzz target, started from the same files, cuts and mutates them
// further), and the typical damages are reported with the right kind of error.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>

#include "core/xbase.h"
#include "storage/check.h"
#include "storage/ntx_format.h"
#include "storage/table.h"
#include "storage_test_util.h"
#include "support/temp_dir.h"

using namespace storage;
using namespace storagetest;
using Rows = std::vector<std::vector<std::string>>;

namespace {

// A record as its golden CSV row: number, "T"/"F" for the deletion mark, then the stored fields
// with numbers trimmed, and blank numbers, dates and logicals empty. Numbers are also read as
// values: to the field's decimals they must give the same text.
std::vector<std::string> csvRow(Table& t)
{
    std::vector<std::string> row = {std::to_string(t.recNo()), t.deleted() ? "T" : "F"};
    for (std::size_t i = 0; i < t.layout().fields().size(); ++i) {
        const Field& f = t.layout().fields()[i];
        std::string_view raw;
        must(t.raw(int(i), &raw));
        if (f.type != FieldType::Character && raw.find_first_not_of(' ') == std::string_view::npos) {
            row.emplace_back();
        } else if (f.type == FieldType::Numeric) {
            core::Value v;
            must(t.value(int(i), &v));
            const std::string text(core::xbase::ltrimView(raw));
            row.push_back(core::xbase::decimalText(v.asNumber(), f.decimals) == text ? text : "value " + text);
        } else {
            row.emplace_back(raw);
        }
    }
    return row;
}

}  // namespace

TEST(GoldenFiles, EveryRecordReadsAsTheCsvSays)
{
    const char* const tables[][2] = {
        {"WDATA1.DBF", "WDATA1.csv"}, {"FARMER.DBF", "FARMER.csv"}, {"EMPTY.DBF", "EMPTY.csv"},
        {"PACKED.DBF", "PACKED.csv"},
        {"STALEHDR.DBF", "FARMER.csv"},  // header count 40 and stray bytes: still the 50 records
    };
    for (const auto& [dbf, csv] : tables) {
        SCOPED_TRACE(dbf);
        std::vector<std::string> header;
        const Rows expected = readEscapedCsv(golden(csv), &header);
        auto t = openTable(golden(dbf));
        EXPECT_EQ(t->recCount(), expected.size());
        EXPECT_EQ(t->layout().headerCount(), std::string(dbf) == "STALEHDR.DBF" ? 40u : expected.size());
        std::vector<std::string> names = {"RECNO", "DELETED"};
        for (const Field& f : t->layout().fields())
            names.push_back(f.name);
        EXPECT_EQ(names, header);
        Rows rows;
        for (must(t->goTop()); !t->eof(); must(t->skip()))
            rows.push_back(csvRow(*t));
        ASSERT_EQ(rows.size(), expected.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(rows[i], expected[i]);
    }
}

TEST(GoldenFiles, EveryIndexListsItsKeysInOrderBothWaysAndChecksClean)
{
    const char* const indexes[][4] = {
        {"WDATA1.DBF", "WDATA1.NTX", "WDATA1.keys.csv", "STAT+TRUCK"},
        {"WDATA1.DBF", "WDATA12.NTX", "WDATA12.keys.csv", "DTOS(DAYIN)+TMIN+TICKET"},
        {"WDATA1.DBF", "WDATA13.NTX", "WDATA13.keys.csv", "COMPANY+ACCOUNT"},
        {"FARMER.DBF", "FARMER.NTX", "FARMER.keys.csv", "CODE"},
        {"FARMER.DBF", "FARMERB.NTX", "FARMERB.keys.csv", "BALANCE"},
        {"EMPTY.DBF", "EMPTY.NTX", "EMPTY.keys.csv", "CODE"},
        {"PACKED.DBF", "PACKED.NTX", "PACKED.keys.csv", "CODE"},
    };
    for (const auto& [dbf, ntx, keys, expression] : indexes) {
        SCOPED_TRACE(ntx);
        // The key list's rows: position, record number, key.
        const Rows expected = readEscapedCsv(golden(keys));
        std::vector<std::string> recnos;
        for (const auto& row : expected)
            recnos.push_back(row[1]);
        auto t = openTable(golden(dbf));
        ASSERT_OK(t->addOrder(golden(ntx)));
        EXPECT_EQ(t->orderIndex(1).header().expression, expression);
        EXPECT_TRUE(t->takeNotes().empty());

        Rows forward;
        for (must(t->goTop()); !t->eof(); must(t->skip())) {
            const std::string position = std::to_string(forward.size() + 1);
            forward.push_back({position, std::to_string(t->recNo()), t->orderIndex(1).currentKey()});
        }
        EXPECT_EQ(forward, expected);
        // Backwards from the bottom, then past the top: BOF on the first entry.
        std::vector<std::string> backward;
        for (must(t->goBottom()); !t->bof() && !t->eof(); must(t->skip(-1)))
            backward.insert(backward.begin(), std::to_string(t->recNo()));
        EXPECT_EQ(backward, recnos);
        if (!recnos.empty()) {
            EXPECT_EQ(std::to_string(t->recNo()), recnos[0]);
        }
        // The same order in pages of 64 keys under one lock each.
        std::vector<std::string> paged;
        std::vector<std::uint32_t> page;
        ASSERT_OK(t->goTop());
        if (!t->eof())
            paged.push_back(std::to_string(t->recNo()));
        do {
            ASSERT_OK(t->skipMany(64, &page));
            for (std::uint32_t r : page)
                paged.push_back(std::to_string(r));
        } while (page.size() == 64);
        EXPECT_EQ(paged, recnos);
        EXPECT_EQ(checkFindings(golden(dbf), {golden(ntx)}, true), std::vector<std::string>());
    }
    // The oracle's figures for the three ticket indexes.
    CheckReport report;
    checkTable(golden("WDATA1.DBF"),
               {{golden("WDATA1.NTX"), "", true}, {golden("WDATA12.NTX"), "", true}, {golden("WDATA13.NTX"), "", true}},
               &report);
    EXPECT_EQ(report.summary, (std::vector<std::string>{
                                  "WDATA1.DBF: 3000 records, 90 deleted",
                                  "WDATA1.NTX (STAT+TRUCK): 3000 keys, 3 levels, 93 pages, 10 free",
                                  "WDATA12.NTX (DTOS(DAYIN)+TMIN+TICKET): 3000 keys, 3 levels, 109 pages, 0 free",
                                  "WDATA13.NTX (COMPANY+ACCOUNT): 3000 keys, 3 levels, 96 pages, 2 free",
                              }));
}

TEST(GoldenFiles, SeeksFindTheFirstKeyNotBelowTheValue)
{
    auto t = openTable(golden("FARMER.DBF"));
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
    auto t = openTable(golden("WDATA1.DBF"));
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
        for (must(t->seek(key)); !t->eof(); must(t->skip())) {
            core::Value c, a;
            ASSERT_OK(t->get("company", &c));
            ASSERT_OK(t->get("ACCOUNT", &a));
            if (c.asText() + a.asText() != key)
                break;
            got.insert(t->recNo());
        }
        EXPECT_EQ(got, expected) << company;
    }
}

namespace {

// Everything a reader does with a table and one index; any status is acceptable, a crash is not.
// Returns the first failure, or ok.
Status exercise(const std::string& dbf, const std::string& ntx)
{
    std::unique_ptr<Table> t;
    STORAGE_TRY(Table::open(dbf, ShareMode::Shared, &t));
    Status first;
    auto note = [&](Status s) {
        if (first.ok())
            first = s;
        return s.ok();
    };
    const char* rec = nullptr;
    for (note(t->goTop()); !t->eof() && t->recNo() < 5000 && note(t->record(&rec)) && note(t->skip());)
        ;
    if (!ntx.empty() && note(t->addOrder(ntx))) {
        int steps = 0;
        for (note(t->goTop()); !t->eof() && ++steps < 5000 && note(t->record(&rec)) && note(t->skip());)
            ;
        steps = 0;
        for (note(t->goBottom()); !t->bof() && !t->eof() && ++steps < 5000 && note(t->skip(-1));)
            ;
        for (const char* key : {"", "F0", "S0182", "2", "\xFF"})
            note(t->seek(key, true));
        std::vector<std::uint32_t> recnos;
        note(t->goTop());
        note(t->skipMany(100, &recnos));
    }
    CheckReport report;
    checkTable(dbf, ntx.empty() ? std::vector<IndexToCheck>{} : std::vector<IndexToCheck>{{ntx, "", true}}, &report);
    if (first.ok() && !report.ok())
        first = Status::corrupt(report.problems[0]);
    return first;
}

struct Pair {
    const char* dbf;
    const char* ntx;
};
const Pair kPairs[] = {{"FARMER.DBF", "FARMERB.NTX"}, {"PACKED.DBF", "PACKED.NTX"}, {"WDATA1.DBF", "WDATA13.NTX"}};

}  // namespace

TEST(DamagedFiles, FlippedBytesGiveErrorsNotCrashes)
{
    testsupport::TempDir dir;
    std::mt19937 rng(99);
    int failures = 0, runs = 0;
    for (const auto& p : kPairs) {
        for (const char* victim : {p.dbf, p.ntx}) {
            const std::string original = testsupport::readFile(golden(victim));
            // The headers are where damage matters most: half the flips land in the first page.
            const int trials = std::string(p.dbf) == "WDATA1.DBF" ? 16 : 60;
            for (int i = 0; i < trials; ++i) {
                copyGolden(dir.path(), {p.dbf, p.ntx});
                std::string bytes = original;
                const int flips = 1 + int(rng() % 4);
                for (int f = 0; f < flips; ++f) {
                    const std::size_t at = i % 2 ? rng() % std::min<std::size_t>(bytes.size(), 1024) : rng() % bytes.size();
                    bytes[at] = char(bytes[at] ^ (1 << (rng() % 8)));
                }
                testsupport::writeFile(dir.file(victim), bytes);
                ++runs;
                if (!exercise(dir.file(p.dbf), dir.file(p.ntx)).ok())
                    ++failures;
            }
        }
    }
    EXPECT_GT(failures, runs / 10);  // the damage is noticed, not just survived
}

TEST(DamagedFiles, TypicalDamageIsReportedAsCorrupt)
{
    testsupport::TempDir dir;
    // The root of PACKED.NTX (page 5120) lists the leaf at 1024 first: that leaf's first child made
    // the root is a page that points at its ancestor.
    const std::size_t leafSlot0 = 1024 + ntx::get16(testsupport::readFile(golden("PACKED.NTX")).data() + 1024 + 2);
    struct Case {
        const char* what;
        std::string file;
        std::size_t offset;  // std::string::npos: truncate to `size`
        std::string bytes;
        std::size_t size;
    } cases[] = {
        {"DBF header cut short", "FARMER.DBF", std::string::npos, "", 100},
        {"DBF not a table", "FARMER.DBF", 0, "\x42", 0},
        {"NTX key too long for a page", "FARMER.NTX", ntx::kOffKeySize, std::string("\x2C\x01", 2), 0},
        {"NTX item size wrong", "FARMER.NTX", ntx::kOffItemSize, std::string("\x10\x00", 2), 0},
        {"NTX more keys than fit", "FARMER.NTX", 1024, std::string("\x40\x00", 2), 0},
        {"NTX offset table broken", "FARMER.NTX", 1026, std::string("\x00\x00", 2), 0},
        {"NTX root beyond the file", "FARMER.NTX", ntx::kOffRoot, std::string("\x00\x10\x00\x00", 4), 0},
        {"NTX root not a page", "FARMER.NTX", ntx::kOffRoot, std::string("\x01\x04\x00\x00", 4), 0},
        {"NTX cut inside the tree", "FARMER.NTX", std::string::npos, "", 1500},
        {"NTX no key expression", "FARMER.NTX", ntx::kOffExpression, std::string(1, '\0'), 0},
        {"NTX page pointing at its ancestor", "PACKED.NTX", leafSlot0, std::string("\x00\x14\x00\x00", 4), 0},
    };
    for (const auto& c : cases) {
        const std::string stem = c.file.substr(0, c.file.size() - 4);
        copyGolden(dir.path(), {stem + ".DBF", stem + ".NTX"});
        if (c.offset == std::string::npos)
            std::filesystem::resize_file(dir.file(c.file), c.size);
        else
            patchFile(dir.file(c.file), c.offset, c.bytes);
        const Status s = exercise(dir.file(stem + ".DBF"), dir.file(stem + ".NTX"));
        EXPECT_TRUE(s.is(Status::Code::Corrupt)) << c.what << ": " << s.toString();
    }
}

TEST(DamagedFiles, HeaderCountBeyondTheFileIsAProblemButTheRecordsStillRead)
{
    testsupport::TempDir dir;
    copyGolden(dir.path(), {"FARMER.DBF"});
    patchFile(dir.file("FARMER.DBF"), 4, std::string("\x88\x13\x00\x00", 4));  // 5000 records claimed
    auto t = openTable(dir.file("FARMER.DBF"));
    EXPECT_EQ(t->recCount(), 50u);
    ASSERT_OK(t->goTo(51));
    EXPECT_TRUE(t->eof());
    EXPECT_EQ(checkFindings(dir.file("FARMER.DBF"), {}, false),
              std::vector<std::string>{
                  "FARMER.DBF: the header counts more records than the file holds: 5000 counted, 50 present"});
}
