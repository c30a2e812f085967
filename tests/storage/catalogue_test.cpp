// The table catalogue as the rest of the program relies on it: every table creatable with keys that
// compile against its fields, the widths the screens and postings depend on, families alike, the
// folders and series the workflows use.
#include <gtest/gtest.h>

#include <set>

#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/key_source.h"

using namespace storage;

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
        EXPECT_STREQ(t.folderSetting, t.group == TableGroup::Codes ? "CDRV1" : "CDRV2") << t.name;
    }
    EXPECT_EQ(findTable("nosuch"), nullptr);
    for (WorkTable w : {WorkTable::TicketSelection, WorkTable::PrintTemplate, WorkTable::ReportDefinition,
                        WorkTable::MovementAnalysis, WorkTable::BalanceSummary}) {
        Layout layout;
        EXPECT_TRUE(Layout::fromSpecs(fieldSpecs(workTableFields(w)), &layout).ok()) << workTablePrefix(w);
    }
}

TEST(Catalogue, WidthsTheWorkflowsDependOn)
{
    // Field name -> type, width, decimals (0 = any width at least the given one for N money).
    const struct {
        const char* field;
        char type;
        int length;
        int decimals;
    } rules[] = {
        {"CODE", 'C', 10, 0},    {"COMPANY", 'C', 10, 0}, {"PRODUCT", 'C', 10, 0}, {"WHOUSE", 'C', 10, 0},
        {"UNIT", 'C', 10, 0},    {"TRUCK", 'C', 10, 0},   {"MOISTURE", 'C', 10, 0}, {"MIXTURE", 'C', 10, 0},
        {"QUALITY", 'C', 10, 0}, {"STAFF", 'C', 10, 0},   {"UNIT1", 'C', 10, 0},   {"INDENT", 'C', 15, 0},
        {"RECORD", 'C', 15, 0},  {"TMIN", 'C', 8, 0},     {"TMOUT", 'C', 8, 0},    {"TIME", 'C', 8, 0},
        {"DOC_NO", 'C', 6, 0},   {"STAT", 'C', 1, 0},     {"ACCOUNT", 'C', 1, 0},  {"PASS_W", 'C', 6, 0},
        {"TRUSTEE", 'C', 42, 0}, {"PRINT", 'N', 2, 0},    {"TYPE", 'C', 3, 0},
    };
    const char* money[] = {"AMOUNT", "CASH", "DRCR", "CHEQUE", "CLEAR", "ADJ_M1", "BALANCE", "BORROW", "ORAMOUNT"};
    const char* weights[] = {"WIN", "WOUT", "ADJ_W1", "QTY"};
    const char* prices[] = {"PRICE1", "RATE"};
    for (const TableDef& t : catalogue()) {
        for (const auto& r : rules) {
            if (const FieldDef* f = fieldOf(t, r.field)) {
                EXPECT_EQ(f->type, r.type) << t.name << "." << r.field;
                EXPECT_EQ(f->length, r.length) << t.name << "." << r.field;
            }
        }
        for (const char* m : money) {
            if (const FieldDef* f = fieldOf(t, m)) {
                EXPECT_EQ(f->type, 'N') << t.name << "." << m;
                EXPECT_EQ(f->decimals, 2) << t.name << "." << m;
                EXPECT_GE(f->length, 12) << t.name << "." << m << ": 999,999,999.99 must fit";
            }
        }
        for (const char* w : weights) {
            if (const FieldDef* f = fieldOf(t, w); f && std::string(t.name) != "Detail3") {
                EXPECT_EQ(f->decimals, 2) << t.name << "." << w;
            }
        }
        for (const char* p : prices) {
            if (const FieldDef* f = fieldOf(t, p)) {
                EXPECT_EQ(f->decimals, 3) << t.name << "." << p;
            }
        }
        const FieldDef* ticket = fieldOf(t, "TICKET");
        if (ticket && std::string(t.name) != "Audit") {
            EXPECT_EQ(ticket->length, 6) << t.name;
        }
    }
    // "MON01-000123" fits the audit key; production lines keep three decimals.
    EXPECT_GE(fieldOf(*findTable("Audit"), "TICKET")->length, 12);
    EXPECT_EQ(fieldOf(*findTable("Detail3"), "QTY")->decimals, 3);
    EXPECT_EQ(fieldOf(*findTable("TruckDt"), "WEIGHT")->decimals, 0);
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

TEST(Catalogue, CodeTablesAndSeries)
{
    const char* codeTables[] = {"Farmer", "Company", "Product", "Employee", "WHouse", "Unit",
                                "TruckDt", "Moisture", "Mixture", "Quality", "Consec", "Replist"};
    for (int n = 1; n <= 12; ++n) {
        const TableDef& t = codeTable(n);
        EXPECT_STREQ(t.name, codeTables[n - 1]);
        EXPECT_STREQ(t.indexes[0].key, "CODE");
        EXPECT_STREQ(t.fields[0].name, "CODE");
        EXPECT_STREQ(t.fields[1].name, "NAME");
    }
    EXPECT_THROW(codeTable(13), std::out_of_range);

    // One series per document table, each naming a table of the catalogue.
    std::set<std::string> numbered;
    for (const SeriesDef& s : runningNumberSeries()) {
        EXPECT_EQ(std::string(s.code).size(), 5u);
        ASSERT_NE(findTable(s.table), nullptr) << s.table;
        EXPECT_TRUE(numbered.insert(s.table).second);
    }
    EXPECT_EQ(numbered, (std::set<std::string>{"Wdata1", "Wdata2", "Wdata3", "Wdata4", "Wdata5", "Money1", "Money2",
                                               "Money3", "Money4", "Stock1"}));
    EXPECT_EQ(tableFileName(*findTable("TruckDt")), "TRUCKDT.DBF");
    EXPECT_EQ(indexFileName(findTable("Wdata3")->indexes[1]), "WDATA32.NTX");
}
