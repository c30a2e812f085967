// The file formats by their rules, and the reference runtime's files (tests/storage/golden) read exactly.
// Damaged copies give errors, never a crash or a read past a buffer (the sanitizer build runs these too).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <set>

#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/check.h"
#include "storage/field_codec.h"
#include "storage/key_source.h"
#include "storage/ntx_format.h"
#include "storage/table.h"
#include "storage_test_util.h"
#include "support/seams.h"
#include "support/temp_dir.h"

using namespace storage;
using namespace storagetest;
using Rows = std::vector<std::vector<std::string>>;

// Fields are written by a fast path of their own; str() (pinned by the core tests) is its model.
TEST(NumericField, FastFormattingAgreesWithStrOnRandomValues)
{
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> mag(-8, 12);
    for (int i = 0; i < 200000; ++i) {
        const int dec = int(rng() % 5), width = dec + 2 + int(rng() % 12);
        double v = std::pow(10.0, mag(rng)) * ((rng() & 1) ? -1 : 1);
        if (i % 3 == 0)  // values on exact halves and short decimals, where rounding is decided
            v = double(std::int64_t(rng() % 2000000) - 1000000) / std::pow(10.0, dec + 1) + (i % 2 ? 0.005 : 0);
        std::string expected, got(std::size_t(width), '?');
        const bool fits = core::xbase::formatFixed(v, width, dec, expected);
        ASSERT_EQ(field::formatNumber(v, width, dec, got.data()), fits) << v;
        if (fits) {
            ASSERT_EQ(got, expected) << v << " N" << width << "," << dec;
        }
    }
}

TEST(NumericKey, SortsBytewiseInNumericOrder)
{
    const std::tuple<double, int, int, const char*> cases[] = {
        {-1.5, 8, 2, ",,,,+.',"}, {1.5, 8, 2, "00001.50"}, {0, 8, 2, "00000.00"},
        {-89272.87, 12, 2, ",,,,$#*%*.$%"}, {123, 5, 0, "00123"}, {-123, 5, 0, ",,+*)"},
    };
    const auto key = [](double v, int size, int dec) {
        std::string out(std::size_t(size), '?');
        encodeNumericKey(v, size, dec, out.data());
        return out;
    };
    for (const auto& [v, size, dec, bytes] : cases)
        EXPECT_EQ(key(v, size, dec), bytes) << v;
    for (double v = -50; v < 50; v += 0.25)
        EXPECT_LT(key(v, 9, 2), key(v + 0.25, 9, 2)) << v;
}

TEST(OtherFields, DatesLogicalsAndTextsFollowTheTableRules)
{
    Layout l;
    ASSERT_OK(Layout::fromSpecs({{"NAME", FieldType::Character, 5, 0}, {"DAY", FieldType::Date, 0, 0},
                                 {"OK", FieldType::Logical, 0, 0}},
                                &l));
    std::string rec = l.blankRecord();
    const Field &name = l.fields()[0], &day = l.fields()[1], &ok = l.fields()[2];
    EXPECT_TRUE(field::date(day, rec.data()).isEmpty());
    EXPECT_FALSE(field::logical(ok, rec.data()));
    ASSERT_OK(field::putText(name, rec.data(), core::tis620::T("กขคงจฉช")));  // cut at the width
    EXPECT_EQ(field::raw(name, rec.data()), core::tis620::T("กขคงจ"));
    ASSERT_OK(field::putText(name, rec.data(), "ab"));
    ASSERT_OK(field::putDate(day, rec.data(), core::Date::fromYmd(2024, 2, 29)));
    EXPECT_EQ(rec, " ab   20240229 ");
    ASSERT_OK(field::putDate(day, rec.data(), core::Date()));
    EXPECT_EQ(field::raw(day, rec.data()), "        ");
    for (const char c : std::string("TtYyFN ?")) {
        rec[ok.offset] = c;
        EXPECT_EQ(field::logical(ok, rec.data()), std::string("TtYy").find(c) != std::string::npos) << c;
    }
    EXPECT_TRUE(field::putNumber(name, rec.data(), 1).is(Status::Code::TypeMismatch));
    EXPECT_TRUE(field::putValue(day, rec.data(), core::Value::text("20240101")).is(Status::Code::TypeMismatch));
}

TEST(TableHeader, DamagedHeadersAreCorruptAndFieldListsAreCheckedWithNamesFolded)
{
    const std::string good = testsupport::readFile(golden("FARMER.DBF")).substr(0, 194);
    const std::tuple<const char*, std::size_t, std::string> cases[] = {
        {"version byte", 0, "\x07"},
        {"header length below one field", 8, std::string("\x20\x00", 2)},
        {"header length beyond the file", 8, std::string("\xFF\x7F", 2)},
        {"record length below the fields", 10, std::string("\x10\x00", 2)},
        {"date field of length 7", 32 * 4 + 16, "\x07"},
        {"logical field of length 2", 32 * 5 + 16, "\x02"},
        {"numeric decimals too many", 32 * 3 + 17, "\x0B"},
        {"empty field name", 32, std::string(1, '\0')},
        {"duplicate field name", 64, std::string("CODE\0\0\0\0\0\0\0", 11)},
        {"unknown type byte", 32 + 11, "\x01"},
    };
    Layout l;
    for (const auto& [what, offset, patch] : cases) {
        std::string bytes = good;
        bytes.replace(offset, patch.size(), patch);
        const Status s = Layout::decode(bytes, &l);
        EXPECT_TRUE(s.is(Status::Code::Corrupt)) << what << ": " << s.toString();
    }
    for (const std::string& cut : {good.substr(0, 20), good.substr(0, 100)})
        EXPECT_TRUE(Layout::decode(cut, &l).is(Status::Code::Corrupt)) << cut.size();
    std::string memo = good;
    memo[32 + 11] = 'M';
    EXPECT_TRUE(Layout::decode(memo, &l).is(Status::Code::Unsupported));
    ASSERT_OK(Layout::decode(good, &l));
    EXPECT_EQ(l.fields().size(), 5u);
    EXPECT_EQ(l.recordLength(), 62u);

    // Field lists given to create a table (a long name folded and a C 300 field: below).
    const std::pair<std::vector<FieldSpec>, bool> lists[] = {
        {{{"1ABC", FieldType::Character, 3, 0}}, false},
        {{{"A", FieldType::Character, 0, 0}}, false},
        {{{"A", FieldType::Numeric, 5, 4}}, false},
        {{{"A", FieldType::Numeric, 5, 3}}, true},
        {{{"A", FieldType::Date, 7, 0}}, false},
        {{{"a", FieldType::Character, 1, 0}, {"A", FieldType::Numeric, 2, 0}}, false},
        {{}, false},
    };
    for (const auto& [fields, ok] : lists)
        EXPECT_EQ(Layout::fromSpecs(fields, &l).ok(), ok) << (fields.empty() ? "" : fields[0].name);
    ASSERT_OK(Layout::fromSpecs({{"longfieldname", FieldType::Character, 300, 0}}, &l));
    EXPECT_EQ(l.fields()[0].name, "LONGFIELDN");
    // C 300: the low byte of the length, then the high byte in "decimals".
    EXPECT_EQ(l.encodeHeader(0, core::Date::fromYmd(2026, 12, 6)).substr(32 + 16, 2), std::string("\x2C\x01", 2));
}

TEST(TableFile, NewEmptyTableIsByteForByteTheReferenceRuntimesButTheDate)
{
    testsupport::TempDir dir;
    testsupport::FakeClock clock(core::Date::fromYmd(2026, 12, 6));
    ASSERT_OK(Table::create(dir.file("EMPTY.DBF"),
                            {{"CODE", FieldType::Character, 10, 0}, {"NAME", FieldType::Character, 30, 0},
                             {"BALANCE", FieldType::Numeric, 12, 2}, {"LASTDATE", FieldType::Date, 0, 0},
                             {"ACTIVE", FieldType::Logical, 0, 0}}));
    EXPECT_EQ(testsupport::readFile(dir.file("EMPTY.DBF")), testsupport::readFile(golden("EMPTY.DBF")));
    EXPECT_TRUE(Table::create(dir.file("EMPTY.DBF"), {{"A", FieldType::Character, 1, 0}}).is(Status::Code::Exists));
}

TEST(Catalogue, AmountsKeepTheirDecimalsInEveryTable)
{
    const auto fieldOf = [](const TableDef& t, std::string_view name) {
        const auto f = std::find_if(t.fields.begin(), t.fields.end(), [&](const FieldDef& d) { return name == d.name; });
        return f == t.fields.end() ? nullptr : &*f;
    };
    // Postings move amounts between tables: the fields, their decimals and least length, a table excepted.
    const std::tuple<std::vector<const char*>, int, int, const char*> rules[] = {
        {{"AMOUNT", "CASH", "DRCR", "CHEQUE", "CLEAR", "ADJ_M1", "BALANCE", "BORROW", "ORAMOUNT"}, 2, 12, ""},
        {{"WIN", "WOUT", "ADJ_W1", "QTY"}, 2, 0, "Detail3"},
        {{"PRICE1", "RATE"}, 3, 0, ""},
    };
    for (const TableDef& t : catalogue()) {
        for (const auto& [fields, decimals, minLength, except] : rules) {
            for (const char* name : fields) {
                const FieldDef* f = fieldOf(t, name);
                if (!f || t.name == std::string_view(except))
                    continue;
                // At least 12 long where 999,999,999.99 must fit.
                EXPECT_EQ(std::tuple(f->type, f->decimals, f->length >= minLength), std::tuple('N', decimals, true))
                    << t.name << "." << name;
            }
        }
    }
    EXPECT_EQ(fieldOf(*findTable("Detail3"), "QTY")->decimals, 3);
}

namespace {

// A record as its golden CSV row: number, "T"/"F", the stored fields (numbers trimmed, blanks empty);
// a number read as a value must give the same text to the field's decimals.
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
        EXPECT_EQ(rows, expected);
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
        for (must(t->goTop()); !t->eof(); must(t->skip()))
            forward.push_back({std::to_string(forward.size() + 1), std::to_string(t->recNo()),
                               t->orderIndex(1).currentKey()});
        EXPECT_EQ(forward, expected);
        // Backwards from the bottom, then past the top: BOF on the first entry.
        std::vector<std::string> backward;
        for (must(t->goBottom()); !t->bof() && !t->eof(); must(t->skip(-1)))
            backward.insert(backward.begin(), std::to_string(t->recNo()));
        EXPECT_EQ(backward, recnos);
        EXPECT_EQ(std::to_string(t->recNo()), recnos.empty() ? "1" : recnos[0]);
        // The same order in pages of 64 keys under one lock each; an empty table gives no page.
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

TEST(GoldenFiles, SeeksFindTheFirstKeyNotBelowTheValueAndEveryOpenTicketOfACompany)
{
    auto t = openTable(golden("FARMER.DBF"));
    ASSERT_OK(t->addOrder(golden("FARMER.NTX")));
    // The key, a soft seek, found, the record (0: EOF).
    const std::tuple<std::string, bool, bool, std::uint32_t> cases[] = {
        {"F0130", false, true, 1},   {"F0130     ", false, true, 1}, {"F01", false, true, 40},
        {"F0131", false, false, 0},  {"F0131", true, false, 29},     {"\xFB\xA1", false, true, 42},
        {"\xFB\xA2", true, false, 0}, {"", false, true, 28},          {"f", false, true, 20},
    };
    for (const auto& [key, soft, found, recno] : cases) {
        SCOPED_TRACE(key);
        ASSERT_OK(t->seek(key, soft));
        EXPECT_EQ(std::pair(t->found(), t->eof() ? 0u : t->recNo()), std::pair(found, recno));
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

    // Each company's open tickets by the CSV and by a seek, which must land on the first of a long run of keys.
    const auto rows = readEscapedCsv(golden("WDATA1.csv"));
    t = openTable(golden("WDATA1.DBF"));
    ASSERT_OK(t->addOrder(golden("WDATA13.NTX"), "COMPANY+ACCOUNT"));
    std::map<std::string, std::set<std::uint32_t>> expected, got;
    for (const auto& r : rows) {
        auto& open = expected[r[5]];
        if (r[11] == " ")
            open.insert(std::uint32_t(std::stoul(r[0])));
    }
    ASSERT_GT(expected.size(), 10u);
    for (const auto& [company, open] : expected) {
        const std::string key = core::xbase::padRight(company, 10) + " ";
        auto& found = got[company];
        for (must(t->seek(key)); !t->eof(); must(t->skip())) {
            core::Value c, a;
            must(t->get("company", &c));
            must(t->get("ACCOUNT", &a));
            if (c.asText() + a.asText() != key)
                break;
            found.insert(t->recNo());
        }
    }
    EXPECT_EQ(got, expected);
}

namespace {

// Everything a reader does with a table and one index: the first failure, or ok. A crash is never acceptable.
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

}  // namespace

TEST(DamagedFiles, FlippedBytesGiveErrorsNotCrashes)
{
    testsupport::TempDir dir;
    std::mt19937 rng(99);
    int failures = 0, runs = 0;
    for (const auto& [dbf, ntx] : {std::pair{"FARMER.DBF", "FARMERB.NTX"}, {"PACKED.DBF", "PACKED.NTX"},
                                   {"WDATA1.DBF", "WDATA13.NTX"}}) {
        for (const char* victim : {dbf, ntx}) {
            const std::string original = testsupport::readFile(golden(victim));
            // The headers are where damage matters most: half the flips land in the first page.
            const int trials = std::string(dbf) == "WDATA1.DBF" ? 16 : 60;
            for (int i = 0; i < trials; ++i) {
                copyGolden(dir.path(), {dbf, ntx});
                std::string bytes = original;
                const int flips = 1 + int(rng() % 4);
                for (int f = 0; f < flips; ++f) {
                    const std::size_t at = i % 2 ? rng() % std::min<std::size_t>(bytes.size(), 1024) : rng() % bytes.size();
                    bytes[at] = char(bytes[at] ^ (1 << (rng() % 8)));
                }
                testsupport::writeFile(dir.file(victim), bytes);
                ++runs;
                if (!exercise(dir.file(dbf), dir.file(ntx)).ok())
                    ++failures;
            }
        }
    }
    EXPECT_GT(failures, runs / 10);  // the damage is noticed, not just survived
}

TEST(DamagedFiles, TypicalDamageIsReportedAsCorrupt)
{
    testsupport::TempDir dir;
    // PACKED.NTX's first leaf (1024) given the root (5120) as its first child: a page pointing at its ancestor.
    const std::size_t leafSlot0 = 1024 + ntx::get16(testsupport::readFile(golden("PACKED.NTX")).data() + 1024 + 2);
    // What, the file, an offset, the bytes written there (none: the file cut at the offset).
    const std::tuple<const char*, std::string, std::size_t, std::string> cases[] = {
        {"DBF cut inside its header", "FARMER.DBF", 100, ""},
        {"NTX key too long for a page", "FARMER.NTX", ntx::kOffKeySize, std::string("\x2C\x01", 2)},
        {"NTX item size wrong", "FARMER.NTX", ntx::kOffItemSize, std::string("\x10\x00", 2)},
        {"NTX more keys than fit", "FARMER.NTX", 1024, std::string("\x40\x00", 2)},
        {"NTX offset table broken", "FARMER.NTX", 1026, std::string("\x00\x00", 2)},
        {"NTX root beyond the file", "FARMER.NTX", ntx::kOffRoot, std::string("\x00\x10\x00\x00", 4)},
        {"NTX root not a page", "FARMER.NTX", ntx::kOffRoot, std::string("\x01\x04\x00\x00", 4)},
        {"NTX cut inside the tree", "FARMER.NTX", 1500, ""},
        {"NTX no key expression", "FARMER.NTX", ntx::kOffExpression, std::string(1, '\0')},
        {"NTX page pointing at its ancestor", "PACKED.NTX", leafSlot0, std::string("\x00\x14\x00\x00", 4)},
    };
    for (const auto& [what, file, offset, bytes] : cases) {
        const std::string stem = file.substr(0, file.size() - 4);
        copyGolden(dir.path(), {stem + ".DBF", stem + ".NTX"});
        if (bytes.empty())
            std::filesystem::resize_file(dir.file(file), offset);
        else
            patchFile(dir.file(file), offset, bytes);
        const Status s = exercise(dir.file(stem + ".DBF"), dir.file(stem + ".NTX"));
        EXPECT_TRUE(s.is(Status::Code::Corrupt)) << what << ": " << s.toString();
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
