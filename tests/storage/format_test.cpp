// Field values, key bytes and table headers by the formats' rules, and the table catalogue as the
// rest of the program relies on it: every table creatable with keys that compile against its
// fields, money, weights and prices stored to their decimals, families alike.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/dbf_file.h"
#include "storage/field_codec.h"
#include "storage/key_source.h"
#include "storage/table.h"
#include "storage_test_util.h"
#include "support/seams.h"
#include "support/temp_dir.h"

using namespace storage;
using namespace storagetest;

// Fields are written by a fast path of their own; str(), whose rounding and overflow the core
// tests pin value by value, is its model.
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
    struct Case {
        double v;
        int size, dec;
        const char* bytes;
    } cases[] = {
        {-1.5, 8, 2, ",,,,+.',"}, {1.5, 8, 2, "00001.50"}, {0, 8, 2, "00000.00"},
        {-89272.87, 12, 2, ",,,,$#*%*.$%"}, {123, 5, 0, "00123"}, {-123, 5, 0, ",,+*)"},
    };
    for (const auto& c : cases) {
        std::string out(std::size_t(c.size), '?');
        encodeNumericKey(c.v, c.size, c.dec, out.data());
        EXPECT_EQ(out, c.bytes) << c.v;
    }
    std::string previous;
    for (double v = -50; v <= 50; v += 0.25) {
        std::string k(9, '?');
        encodeNumericKey(v, 9, 2, k.data());
        EXPECT_LT(previous, k) << v;
        previous = k;
    }
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

TEST(TableHeader, DamagedHeadersAreCorruptWithAReason)
{
    const std::string good = testsupport::readFile(golden("FARMER.DBF")).substr(0, 194);
    struct Case {
        const char* what;
        std::size_t offset;
        std::string bytes;
    } cases[] = {
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
    for (const auto& c : cases) {
        std::string bytes = good;
        bytes.replace(c.offset, c.bytes.size(), c.bytes);
        Layout l;
        const Status s = Layout::decode(bytes, &l);
        EXPECT_TRUE(s.is(Status::Code::Corrupt)) << c.what << ": " << s.toString();
    }
    Layout l;
    EXPECT_TRUE(Layout::decode(good.substr(0, 20), &l).is(Status::Code::Corrupt));
    EXPECT_TRUE(Layout::decode(good.substr(0, 100), &l).is(Status::Code::Corrupt));
    std::string memo = good;
    memo[32 + 11] = 'M';
    EXPECT_TRUE(Layout::decode(memo, &l).is(Status::Code::Unsupported));
    ASSERT_OK(Layout::decode(good, &l));
    EXPECT_EQ(l.fields().size(), 5u);
    EXPECT_EQ(l.recordLength(), 62u);
}

TEST(TableHeader, FieldListsAreCheckedAndNamesFolded)
{
    struct Case {
        std::vector<FieldSpec> fields;
        bool ok;
    } cases[] = {
        {{{"longfieldname", FieldType::Character, 3, 0}}, true},
        {{{"1ABC", FieldType::Character, 3, 0}}, false},
        {{{"A B", FieldType::Character, 3, 0}}, false},
        {{{"A", FieldType::Character, 0, 0}}, false},
        {{{"A", FieldType::Numeric, 5, 4}}, false},
        {{{"A", FieldType::Numeric, 5, 3}}, true},
        {{{"A", FieldType::Date, 7, 0}}, false},
        {{{"a", FieldType::Character, 1, 0}, {"A", FieldType::Numeric, 2, 0}}, false},
        {{{"A", FieldType::Character, 300, 0}}, true},
        {{}, false},
    };
    for (const auto& c : cases) {
        Layout l;
        EXPECT_EQ(Layout::fromSpecs(c.fields, &l).ok(), c.ok) << (c.fields.empty() ? "" : c.fields[0].name);
    }
    Layout l;
    ASSERT_OK(Layout::fromSpecs({{"longfieldname", FieldType::Character, 300, 0}}, &l));
    EXPECT_EQ(l.fields()[0].name, "LONGFIELDN");
    const std::string h = l.encodeHeader(0, core::Date::fromYmd(2026, 12, 6));
    EXPECT_EQ((unsigned char)h[32 + 16], 0x2C);  // C 300: low byte, then the high byte in "decimals"
    EXPECT_EQ((unsigned char)h[32 + 17], 0x01);
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

namespace {

const FieldDef* fieldOf(const TableDef& t, std::string_view name)
{
    for (const FieldDef& f : t.fields)
        if (name == f.name)
            return &f;
    return nullptr;
}

}  // namespace

TEST(Catalogue, EveryTableIsCreatableAndItsKeysFitItsFields)
{
    std::set<std::string> names;
    for (const TableDef& t : catalogue()) {
        EXPECT_TRUE(names.insert(core::xbase::upper(t.name)).second) << t.name;
        Layout layout;
        ASSERT_TRUE(Layout::fromSpecs(fieldSpecs(t.fields), &layout).ok()) << t.name;
        ASSERT_FALSE(t.indexes.empty()) << t.name;
        for (const IndexDef& ix : t.indexes) {
            std::unique_ptr<KeySource> key;
            const Status s = compileKey(ix.key, layout, &key);
            EXPECT_TRUE(s.ok()) << t.name << " " << ix.key << ": " << s.toString();
        }
        EXPECT_EQ(findTable(core::xbase::lower(t.name)), &t);
    }
    EXPECT_EQ(findTable("nosuch"), nullptr);
    for (WorkTable w : {WorkTable::TicketSelection, WorkTable::PrintTemplate, WorkTable::ReportDefinition,
                        WorkTable::MovementAnalysis, WorkTable::BalanceSummary}) {
        Layout layout;
        EXPECT_TRUE(Layout::fromSpecs(fieldSpecs(workTableFields(w)), &layout).ok()) << workTablePrefix(w);
    }
    // One series per document table, each naming a table of the catalogue.
    std::set<std::string> numbered;
    for (const SeriesDef& s : runningNumberSeries()) {
        ASSERT_NE(findTable(s.table), nullptr) << s.table;
        EXPECT_TRUE(numbered.insert(s.table).second) << s.table;
    }
}

TEST(Catalogue, AmountsKeepTheirDecimalsInEveryTable)
{
    // Postings and totals move amounts between tables: a field of one of these names must hold the
    // same decimals wherever it is (weights of production lines keep three).
    const struct {
        std::vector<const char*> fields;
        int decimals;
        int minLength;
        const char* except;
    } rules[] = {
        {{"AMOUNT", "CASH", "DRCR", "CHEQUE", "CLEAR", "ADJ_M1", "BALANCE", "BORROW", "ORAMOUNT"}, 2, 12, ""},
        {{"WIN", "WOUT", "ADJ_W1", "QTY"}, 2, 0, "Detail3"},
        {{"PRICE1", "RATE"}, 3, 0, ""},
    };
    for (const TableDef& t : catalogue()) {
        for (const auto& r : rules) {
            for (const char* name : r.fields) {
                const FieldDef* f = fieldOf(t, name);
                if (!f || t.name == std::string_view(r.except))
                    continue;
                EXPECT_EQ(f->type, 'N') << t.name << "." << name;
                EXPECT_EQ(f->decimals, r.decimals) << t.name << "." << name;
                EXPECT_GE(f->length, r.minLength) << t.name << "." << name << ": 999,999,999.99 must fit";
            }
        }
    }
    EXPECT_EQ(fieldOf(*findTable("Detail3"), "QTY")->decimals, 3);
}

TEST(Catalogue, FamiliesCarryTheSameFields)
{
    const std::vector<std::vector<const char*>> families = {
        {"Wdata1", "Wdata2", "Wdata3", "Wdata4", "Wdata5"},
        {"Money1", "Money2", "Money3", "Money4"},
        {"Detail1", "Detail2"},
        {"ApAcc", "ArAcc"},
        {"Farmer", "Company"},
        {"Moisture", "Mixture", "Quality"},
    };
    for (const auto& family : families) {
        const TableDef* first = findTable(family[0]);
        for (const char* name : family) {
            const TableDef* t = findTable(name);
            ASSERT_EQ(t->fields.size(), first->fields.size()) << name;
            for (std::size_t i = 0; i < t->fields.size(); ++i) {
                EXPECT_STREQ(t->fields[i].name, first->fields[i].name) << name;
                EXPECT_EQ(t->fields[i].length, first->fields[i].length) << name;
            }
        }
    }
}
