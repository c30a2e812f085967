// Helpers of the voucher and production tests over the weighing tests' site (units KG 1, TON 1000, BAG
// 50, BOX 0): scripted document dialogs, typing into screens, tickets as another workstation left them.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "accounts/production_screen.h"
#include "accounts/voucher_lines.h"
#include "accounts/voucher_screen.h"
#include "core/tis620.h"
#include "weighing/weighing_fixture.h"

namespace vouchertest {

using weighingtest::Site;
using Texts = std::vector<std::string>;

// The dialogs of a document screen as scripts.
class ScriptedDocumentHost final : public accounts::DocumentHost {
public:
    // What the person does in each line dialog, in order; a dialog with no script left is closed
    // without saving.
    std::deque<std::function<void(accounts::LineEditor&)>> lineDialogs;
    std::function<void(accounts::TicketSelection&)> onSelection;
    std::function<void(weighing::SearchDialogModel&)> onSearch;
    int selections = 0;

    void searchDocuments(weighing::SearchDialogModel& search) override
    {
        if (onSearch)
            onSearch(search);
    }
    void editLine(accounts::LineEditor& editor) override
    {
        if (lineDialogs.empty())
            return;
        auto script = std::move(lineDialogs.front());
        lineDialogs.pop_front();
        script(editor);
    }
    void selectTickets(accounts::TicketSelection& selection) override
    {
        ++selections;
        if (onSelection)
            onSelection(selection);
    }
};

// A value typed into a field: texts are UTF-8.
struct Typed {
    std::string name;
    core::Value value;
};
inline Typed text(std::string name, const std::string& utf8)
{
    return {std::move(name), core::Value::text(core::tis620::fromUtf8(utf8))};
}
inline Typed number(std::string name, double v, int decimals = 2)
{
    return {std::move(name), core::Value::number(v, decimals)};
}
inline Typed date(std::string name, int y, int m, int d)
{
    return {std::move(name), core::Value::date(core::Date::fromYmd(y, m, d))};
}

// Types into a screen's field and leaves it: validation, then the recalculation of its position.
bool type(accounts::DocumentScreen& s, const Typed& t);
bool type(accounts::DocumentScreen& s, std::initializer_list<Typed> values);

using LineScript = std::function<void(accounts::LineEditor&)>;

// A line dialog in which the values are typed (each field left in turn) and save is pressed. A
// field that refuses its value ends the script there, as a person closing the dialog would.
LineScript saveLine(std::vector<Typed> values);
// A voucher line: type, document number, first-weighing date and time, amount.
LineScript voucherLine(const char* type, const char* ticket, double amount, const char* time = "08:00:00");
// A production line: product, warehouse, unit, quantity.
LineScript productionLine(const char* product, const char* whouse, const char* unit, double qty);

// A new voucher saved: partner, for loans the amount, then the settlement parts typed in turn.
bool newVoucher(accounts::VoucherScreen& s, const char* partner, double amount = 0,
                std::initializer_list<Typed> settlement = {});

// Tickets stored as the weighing screens leave them: UTF-8 CSV rows of TICKET, STAT, COMPANY, PRODUCT,
// WHOUSE, UNIT, DAYIN, TMIN, QTY, AMOUNT, CASH, DRCR, CLEAR, ACCOUNT.
void loadTickets(Site& site, const char* table, std::initializer_list<const char*> rows);

// A ticket row as another workstation sees it, found by number.
Site::Row ticket(const Site& site, const char* table, const char* number);
// Another workstation changes one field of the row whose TICKET is `number`.
void setField(const Site& site, const char* table, const char* number, const char* field, const core::Value& v);
// Marks document `number` of `table` deleted, as another workstation's PDELETE leaves it.
void markDeleted(const Site& site, const char* table, const char* number);
// The purchase ticket 000001 of F001 at 08:00, 1,000 on account and nothing settled, as Wdata1 holds it.
void loadOneTicket(Site& site);
// The lines browse on its n-th line (0 first).
void toLine(accounts::DocumentScreen& s, int n);
// The audit rows, "TICKET DESCRIP OLDDATA NEWDATA", the data trimmed.
std::vector<std::string> audited(const Site& site);

// A site with the document screens' dialogs scripted.
class DocumentTest : public ::testing::Test {
protected:
    std::unique_ptr<accounts::VoucherScreen> open(int kind, int level = 6)
    {
        auto s = std::make_unique<accounts::VoucherScreen>(kind, level, host);
        EXPECT_TRUE(s->open());
        return s;
    }
    double borrow(const char* table, const char* code) const
    {
        const auto row = site.find(table, "CODE", code);
        return row ? row->number("BORROW") : std::nan("");
    }
    // CLEAR of a ticket: what the vouchers' lines settle of it.
    double clear(const char* number, const char* table = "Wdata1") const
    {
        return ticket(site, table, number).number("CLEAR");
    }
    // Add pressed under the lines with the line dialogs scripted; Change on the highlighted line.
    void addLines(accounts::DocumentScreen& s, std::deque<LineScript> dialogs)
    {
        host.lineDialogs = std::move(dialogs);
        s.addLines();
    }
    void changeLine(accounts::DocumentScreen& s, LineScript dialog)
    {
        host.lineDialogs = {std::move(dialog)};
        s.changeLine();
    }
    // Delete (or undelete) pressed, and the highlighted line marked (or unmarked), each confirmed.
    void confirmDelete(accounts::DocumentScreen& s)
    {
        site.prompts.answers = {true};
        s.deletePressed();
    }
    bool confirmMark(accounts::DocumentScreen& s)
    {
        site.prompts.answers = {true};
        return s.MNDTDELE();
    }

    Site site;
    weighingtest::ScriptedPickList picks;
    ScriptedDocumentHost host;
};

}  // namespace vouchertest
