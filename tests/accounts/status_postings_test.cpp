// The status screens together with the postings of the weighing tickets: a purchase order entered
// here and raised by the dispatch ticket that quotes it (order control on); ledger rows entered and
// marked here, found and changed by the next purchase ticket.
#include <gtest/gtest.h>

#include "accounts/status_editor.h"
#include "status_fixture.h"
#include "weighing/ticket_screen.h"

using namespace statustest;
using namespace weighingtest;
using accounts::StatusEditor;

namespace {

class StatusPostingTest : public ::testing::Test {
protected:
    // EDITPROC(number) at full rights: the list adds one row through its editor, typed by `fill`,
    // and marks it when asked to.
    void addRow(int number, const std::function<void(StatusEditor&)>& fill, bool markIt = false)
    {
        screens.onList = [&](accounts::StatusScreen& list) {
            list.add();
            if (markIt) {
                site.prompts.answers = {true};
                list.mark();
            }
        };
        screens.onEditor = [&](StatusEditor& e) {
            fill(e);
            EXPECT_TRUE(e.save());
        };
        accounts::EDITPROC(number, 6);
        screens.onList = nullptr;
        screens.onEditor = nullptr;
    }

    std::unique_ptr<weighing::TicketScreen> ticketScreen(int kind)
    {
        auto s = std::make_unique<weighing::TicketScreen>(kind, 6, host);
        EXPECT_TRUE(s->open());
        return s;
    }

    Site site;
    ScriptedPickList pickList;
    ScriptedHost host;
    ScriptedStatusScreens screens;
};

TEST_F(StatusPostingTest, TheOrderEnteredHereIsRaisedByTheDispatchTicketThatQuotesIt)
{
    site.setting("CORCTRL", "1");
    addRow(4, [](StatusEditor& e) {
        ASSERT_TRUE(enter(e, "CODE", "po77"));
        ASSERT_TRUE(enter(e, "COMPANY", "C002"));
        ASSERT_TRUE(enter(e, "PRODUCT", "P002"));
        ASSERT_TRUE(enterNumber(e, "ORWEIGHT", 8000));
        ASSERT_TRUE(enterNumber(e, "ORAMOUNT", 76000));
        ASSERT_TRUE(enterNumber(e, "PRICE", 9.5));
    });
    ASSERT_TRUE(site.find("OrAcc", "CODE", "PO77"));

    // A sale to C002 quoting the order: its price comes from the order.
    auto s = ticketScreen(3);
    host.trucks.push_back("81-5678");
    s->weighPressed();
    ASSERT_TRUE(typeText(*s, "cCompany", "C002"));
    ASSERT_TRUE(typeText(*s, "cProduct", "P002"));
    ASSERT_TRUE(typeText(*s, "cWhouse", "W1"));
    ASSERT_TRUE(typeText(*s, "cUnit", "KG"));
    ASSERT_TRUE(typeText(*s, "cRemark4", "PO77"));
    EXPECT_DOUBLE_EQ(s->values().number("cPrice"), 9.5);
    host.weights.push_back(6480);
    s->READW(1);
    ASSERT_TRUE(s->TRSAVE());
    ASSERT_TRUE(startSecondWeighing(*s, host, "81-5678", 11480));
    site.prompts.answers = {false};
    ASSERT_TRUE(s->TRSAVE());
    s->close();

    const auto order = site.find("OrAcc", "CODE", "PO77");
    ASSERT_TRUE(order);
    EXPECT_DOUBLE_EQ(order->number("WEIGHT"), 5000);
    EXPECT_DOUBLE_EQ(order->number("AMOUNT"), 47500);
    EXPECT_DOUBLE_EQ(order->number("ORWEIGHT"), 8000) << "the ordered totals stay as entered";

    // The order list shows what was delivered.
    std::vector<std::string> cells;
    screens.onList = [&](accounts::StatusScreen& list) {
        ASSERT_TRUE(list.browse().table().seek(pad("C002") + pad("P002") + pad("PO77")).ok());
        list.browse().follow();
        list.source().cells(cells);
    };
    accounts::EDITPROC(4, 1);
    ASSERT_EQ(cells.size(), 7u);
    EXPECT_EQ(core::xbase::alltrim(cells[5]), "5,000");
    EXPECT_EQ(core::xbase::alltrim(cells[6]), "47,500.00");
}

TEST_F(StatusPostingTest, RowsEnteredAndMarkedHereAreFoundAndChangedByThePostings)
{
    addRow(1, [](StatusEditor& e) {
        ASSERT_TRUE(enter(e, "CODE", "P001") && enter(e, "WHOUSE", "W1"));
        ASSERT_TRUE(enterNumber(e, "BALANCE", 100));
    }, true);
    addRow(2, [](StatusEditor& e) {
        ASSERT_TRUE(enter(e, "CODE", "F001"));
        ASSERT_TRUE(enterNumber(e, "BALANCE", 1000) && enterNumber(e, "BORROW", 300));
    }, true);
    ASSERT_TRUE(site.rows("Stock").at(0).deleted);
    ASSERT_TRUE(site.rows("ApAcc").at(0).deleted);

    // A purchase of 8,000 kg at 7.25, all of it on account.
    auto s = ticketScreen(1);
    Weighing w;
    w.truck = "70-1234";
    ASSERT_TRUE(firstWeighing(*s, host, w, 12000));
    ASSERT_TRUE(startSecondWeighing(*s, host, "70-1234", 4000));
    ASSERT_TRUE(typeNumber(*s, "cDrCr", 58000));
    site.prompts.answers = {false};
    ASSERT_TRUE(s->TRSAVE());
    s->close();

    const auto stock = site.rows("Stock");
    ASSERT_EQ(stock.size(), 1u) << "the marked row was found, not a new one made";
    EXPECT_DOUBLE_EQ(stock[0].number("BALANCE"), 8100);
    EXPECT_TRUE(stock[0].deleted);
    const auto supplier = site.rows("ApAcc");
    ASSERT_EQ(supplier.size(), 1u);
    EXPECT_DOUBLE_EQ(supplier[0].number("BALANCE"), 59000);
    EXPECT_DOUBLE_EQ(supplier[0].number("BORROW"), 300);
    EXPECT_TRUE(supplier[0].deleted);
}

}  // namespace
