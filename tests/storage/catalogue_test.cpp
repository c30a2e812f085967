// The table catalogue as the rest of the program relies on it: every table creatable with keys that
// compile against its fields, money, weights and prices stored to their decimals, families alike.
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
