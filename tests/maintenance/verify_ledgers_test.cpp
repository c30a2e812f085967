// The ledger verification on a scripted day: each way a ledger can go wrong reported with the stored
// value and the one the documents give (and nothing else: the day itself is clean), the files left
// as they were.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/settings.h"
#include "maintenance/verify_ledgers.h"
#include "scripted_day.h"
#include "support/temp_dir.h"

namespace {

using mainttest::Site;
using mainttest::Strings;

// The scripted day with order control on, changed by `damage`, verified: "FILE ROW FIELD stored ->
// computed (unexplained)" per difference (rows in UTF-8), then "FILE not checked: why", "note: ..."
// and "problem: ..." (the data folder's path left out). The data files must not change.
Strings verify(const std::function<void(Site&)>& damage)
{
    Site site;
    core::programSettings().setText("CORCTRL", "1");
    mainttest::loadScriptedDay(site);
    damage(site);
    const auto files = [&] {
        Strings out;
        for (const auto& e : std::filesystem::directory_iterator(site.data()))
            out.push_back(e.path().filename().string() + ":" + testsupport::readFile(e.path().string()));
        std::sort(out.begin(), out.end());
        return out;
    };
    const Strings before = files();
    const maintenance::LedgerCheck c = maintenance::verifyLedgers(core::programSettings());
    EXPECT_EQ(files(), before);
    Strings out;
    for (const auto& d : c.differences) {
        out.push_back(d.file + " " + core::tis620::toUtf8(d.row) + " " + d.field + " " +
                      (d.noRow ? "no row" : d.stored) + " -> " + d.computed +
                      (d.unexplained.empty() ? "" : " (" + d.unexplained + ")"));
    }
    for (const auto& t : c.tables)
        if (!t.checked)
            out.push_back(t.file + " " + t.note);
    for (const auto& n : c.notes)
        out.push_back("note: " + core::tis620::toUtf8(n));
    for (std::string p : c.problems) {
        if (const auto at = p.find(site.data()); at != std::string::npos)
            p.erase(at, site.data().size());
        out.push_back("problem: " + p);
    }
    return out;
}

TEST(VerifyLedgersTest, EachKindOfDamageIsReportedWithBothValuesAndNothingIsWritten)
{
    const struct {
        const char* what;
        std::function<void(Site&)> damage;
        Strings expected;
    } cases[] = {
        {"a balance changed by hand",
         [](Site& s) { s.set(s.pathOf("ApAcc"), "CODE", "F001", "BALANCE", "5350"); },
         {"APACC.DBF F001 BALANCE 5350.00 -> 4850.00 (500.00)"}},
        {"an opening balance no document explains",
         [](Site& s) { s.load("ApAcc", "CODE,BALANCE,BORROW\nF002,700,0\n"); },
         {"APACC.DBF F002 BALANCE 700.00 -> 0.00 (700.00)"}},
        {"a stock row under another code",
         [](Site& s) { s.set(s.pathOf("Stock"), "CODE", "P002", "CODE", "P009"); },
         {"STOCK.DBF P009 / W2 BALANCE 504.00 -> 0.00 (504.00)", "STOCK.DBF P002 / W2 BALANCE no row -> 504.00"}},
        {"a second row of a key",
         [](Site& s) { s.load("Stock", "CODE,WHOUSE,BALANCE\nP001,W1,10\n"); },
         {"STOCK.DBF P001 / W1 (record 4, a second row of this key) BALANCE 10.00 -> 0.00 (10.00)"}},
        {"a settled ticket's flag left open",
         [](Site& s) { s.set(s.pathOf("Wdata3"), "TICKET", "000001", "ACCOUNT", ""); },
         {"WDATA3.DBF 05/12/2026 / 12:00:00 / 000001 ACCOUNT \" \" -> \"1\""}},
        {"a ticket's settled part changed",
         [](Site& s) { s.set(s.pathOf("Wdata1"), "TICKET", "000001", "CLEAR", "11000"); },
         {"WDATA1.DBF 05/12/2026 / 08:00:00 / 000001 CLEAR 11000.00 -> 12000.00 (-1000.00)"}},
        {"a voucher marked without its reversal",
         [](Site& s) { s.mark(s.pathOf("Money3"), "TICKET", "000001"); },
         {"APACC.DBF F001 BORROW 1500.00 -> -500.00 (2000.00)"}},
        {"a unit's rate changed after the posting",
         [](Site& s) { s.set(s.pathOf("Unit"), "CODE", "BAG", "RATE", "40"); },
         {"STOCK.DBF P002 / W2 BALANCE 504.00 -> 404.00 (100.00)"}},
        {"an order's delivered weight",
         [](Site& s) { s.set(s.pathOf("OrAcc"), "CODE", "SO2", "WEIGHT", "25"); },
         {"ORACC.DBF C001 / P001 / SO2 WEIGHT 25.00 -> 0.00 (25.00)"}},
        {"a deleted ticket brought back without its posting",
         [](Site& s) { s.mark(s.pathOf("Wdata1"), "TICKET", "000003", false); },
         {"STOCK.DBF P001 / W2 BALANCE 0.00 -> 1000.00 (-1000.00)", "APACC.DBF F001 BALANCE 4850.00 -> 8850.00 (-4000.00)"}},
        // Not damage: orders are not checked without order control, and documents naming a missing
        // order or ticket are notes.
        {"orders without order control",
         [](Site& s) {
             core::programSettings().setText("CORCTRL", "0");
             s.set(s.pathOf("OrAcc"), "CODE", "SO1", "WEIGHT", "5");
         },
         {"ORACC.DBF not checked: order control ([Misc] Order) is off"}},
        {"documents naming a missing order or ticket",
         [](Site& s) {
             s.load("Wdata3", "TICKET,STAT,COMPANY,PRODUCT,WHOUSE,DAYIN,TMIN,QTY,AMOUNT,CASH,ACCOUNT,REMARK4\n"
                              "000002,2,C001,P001,W1,20261205,15:00:00,0,100,100,1,SO9\n");
             s.load("Detail2", "INDENT,RECORD,TYPE,TICKET,DATE,TIME,AMOUNT\nI9,R9,RET,000077,20261201,07:00:00,50\n");
         },
         {"note: ORACC.DBF: documents name C001 / P001 / SO9, which is not there; AMOUNT 100.00 was posted to nothing",
          "note: WDATA4.DBF: documents name 01/12/2026 / 07:00:00 / 000077, which is not there; CLEAR 50.00 was "
          "posted to nothing"}},
        {"an unreadable table", [](Site& s) { testsupport::writeFile(s.data() + "MONEY2.DBF", "not a table"); },
         {"problem: MONEY2.DBF: corrupt: MONEY2.DBF: header truncated: 11 of 32 bytes"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(verify(c.damage), c.expected);
    }
}

}  // namespace
