#include "voucher_fixture.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/table.h"

namespace vouchertest {

bool type(accounts::DocumentScreen& s, const Typed& t)
{
    s.values().set(t.name, t.value);
    if (!s.validate(t.name))
        return false;
    for (const accounts::ScreenField& f : s.fields())
        if (core::xbase::equalsNoCase(f.name, t.name) && f.recalc >= 0)
            s.recalculate(f.recalc);
    return true;
}

bool type(accounts::DocumentScreen& s, std::initializer_list<Typed> values)
{
    for (const Typed& t : values)
        if (!type(s, t))
            return false;
    return true;
}

LineScript saveLine(std::vector<Typed> values)
{
    return [values = std::move(values)](accounts::LineEditor& e) {
        for (const Typed& t : values) {
            e.values().set(t.name, t.value);
            if (!e.validate(t.name))
                return;
        }
        (void)e.save();
    };
}

LineScript voucherLine(const char* type, const char* ticket, double amount, const char* time)
{
    return saveLine({text("cdType", type), text("cdTicket", ticket), date("cdDate", 2026, 12, 5),
                     text("cdTime", time), number("cdAmount", amount)});
}

LineScript productionLine(const char* product, const char* whouse, const char* unit, double qty)
{
    return saveLine({text("cdCode", product), text("cdWHouse", whouse), text("cdUnit", unit), number("cdQty", qty, 3)});
}

bool newVoucher(accounts::VoucherScreen& s, const char* partner, double amount, std::initializer_list<Typed> settlement)
{
    s.newPressed();
    if (s.mode() != accounts::kNewDocument || !type(s, text(s.kindInfo().partyValue, partner)))
        return false;
    if (!s.kindInfo().hasLines() && !type(s, number("cAmount", amount)))
        return false;
    for (const Typed& t : settlement)
        if (!type(s, t))
            return false;
    return s.MNSAVE();
}

Site::Row ticket(const Site& site, const char* table, const char* number)
{
    const auto row = site.find(table, "TICKET", number);
    EXPECT_TRUE(row.has_value()) << table << " " << number;
    return row ? *row : Site::Row{};
}

namespace {

// Runs `change` on document `number` of `table` under its record lock, as another workstation.
void changeDocument(const Site& site, const char* table, const char* number,
                    const std::function<storage::Status(storage::Table&)>& change)
{
    const storage::TableDef* def = storage::findTable(table);
    std::unique_ptr<storage::Table> t;
    ASSERT_TRUE(storage::openCatalogueTable(site.data(), *def, storage::ShareMode::Shared, &t).ok());
    for (std::uint32_t r = 1; r <= t->recCount(); ++r) {
        core::Value n;
        ASSERT_TRUE(t->goTo(r).ok() && t->get("TICKET", &n).ok());
        if (core::xbase::rtrim(n.asText()) != number)
            continue;
        ASSERT_TRUE(t->lock().ok());
        ASSERT_TRUE(change(*t).ok());
        ASSERT_TRUE(t->commit().ok() && t->unlock().ok());
    }
    ASSERT_TRUE(t->close().ok());
}

}  // namespace

void setField(const Site& site, const char* table, const char* number, const char* field, const core::Value& v)
{
    changeDocument(site, table, number, [&](storage::Table& t) { return t.put(field, v); });
}

void markDeleted(const Site& site, const char* table, const char* number)
{
    changeDocument(site, table, number, [](storage::Table& t) { return t.deleteRecord(); });
}

void loadTickets(Site& site, const char* table, std::initializer_list<const char*> rows)
{
    std::string csv = "TICKET,STAT,COMPANY,PRODUCT,WHOUSE,UNIT,DAYIN,TMIN,QTY,AMOUNT,CASH,DRCR,CLEAR,ACCOUNT\n";
    for (const char* row : rows)
        csv = csv + row + "\n";
    site.load(table, csv);
}

void loadOneTicket(Site& site)
{
    loadTickets(site, "Wdata1", {"000001,2,F001,P001,W1,KG,20261205,08:00:00,1000,7250,6250,1000,0,"});
}

void toLine(accounts::DocumentScreen& s, int n)
{
    s.lineBrowse()->source().goTop();
    s.lineBrowse()->source().skip(n);
}

std::vector<std::string> audited(const Site& site)
{
    std::vector<std::string> out;
    for (const auto& r : site.rows("Audit"))
        out.push_back(r.text("TICKET") + " " + r.text("DESCRIP") + " " + core::xbase::alltrim(r.text("OLDDATA")) + " " +
                      core::xbase::alltrim(r.text("NEWDATA")));
    return out;
}

}  // namespace vouchertest
