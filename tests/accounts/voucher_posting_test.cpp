// Deleting and undeleting vouchers, and what two workstations doing the same thing at the same moment
// leave in the ledgers: one reversal of a document deleted twice, one ledger row when both post the
// first movement of a product or partner, and a save over a posted document racing its deletion.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include "core/clock.h"
#include "core/prompts.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/fork_child.h"
#include "voucher_fixture.h"
#include "weighing/posting.h"
#include "weighing/ticket_screen.h"

using namespace accounts;
using namespace vouchertest;

namespace {

class VoucherPostingTest : public DocumentTest {
protected:
    std::unique_ptr<storage::Table> openLedger(const char* table)
    {
        std::unique_ptr<storage::Table> t;
        const storage::TableDef& def = *storage::findTable(table);
        EXPECT_TRUE(storage::openCatalogueTable(site.data(), def, storage::ShareMode::Shared, &t).ok());
        return t;
    }
};

TEST_F(VoucherPostingTest, ADocumentDeletedOnTwoWorkstationsIsReversedOnce)
{
    auto first = open(3);
    site.prompts.answers = {false};
    ASSERT_TRUE(newVoucher(*first, "F001", 800, {number("cCash", 800)}));
    auto second = open(3);  // shows the same voucher
    confirmDelete(*first);
    confirmDelete(*second);  // asked as "delete", finds it deleted already
    EXPECT_EQ(borrow("ApAcc", "F001"), 0);
    EXPECT_TRUE(site.rows("Money3")[0].deleted);
    EXPECT_EQ(site.rows("Audit").size(), 1u);
    EXPECT_EQ(core::tis620::toUtf8(second->values().text("cStat")), "สั่งลบ");
    site.prompts.shown.clear();
    second->editPressed();  // a marked voucher is not edited
    EXPECT_EQ(shownTexts(site.prompts), Texts{"ข้อมูลนี้ถูกสั่งลบ"});
    EXPECT_EQ(second->mode(), kBrowsing);

    // An edit begun before another workstation deleted the voucher is not saved over it.
    confirmDelete(*first);  // undeleted: BORROW 800 again
    ASSERT_EQ(borrow("ApAcc", "F001"), 800);
    EXPECT_EQ(audited(site, false), (Texts{"MON03-000001 สั่งลบข้อมูล", "MON03-000001 สั่งยกเลิการลบ"}));
    second->PROCMOVE(weighing::kMoveLast);
    second->editPressed();
    ASSERT_EQ(second->mode(), kEditDocument);
    confirmDelete(*first);
    site.prompts.shown.clear();
    ASSERT_TRUE(type(*second, {number("cAmount", 900), number("cCash", 900)}));
    EXPECT_FALSE(second->MNSAVE());
    EXPECT_EQ(shownTexts(site.prompts), Texts{"ข้อมูลนี้ถูกสั่งลบจากเครื่องอื่นแล้ว"});
    EXPECT_EQ(second->mode(), kBrowsing);
    EXPECT_EQ(borrow("ApAcc", "F001"), 0);
    EXPECT_EQ(site.rows("Money3")[0].number("CASH"), 800);
}

// Prompts whose next confirmation lets another workstation act while the person is asked, then
// answers Yes.
class InterleavingPrompts final : public core::Prompts {
public:
    InterleavingPrompts() : m_previous(core::setPrompts(this)) {}
    ~InterleavingPrompts() override { core::setPrompts(m_previous); }
    void message(core::MessageKind, const std::string&, const std::string&) override {}
    bool confirm(const std::string&, const std::string&) override
    {
        if (auto other = std::move(meanwhile)) {
            meanwhile = nullptr;
            other();
        }
        return true;
    }
    std::function<void()> meanwhile;

private:
    core::Prompts* m_previous;
};

TEST_F(VoucherPostingTest, ALineMarkedOnTwoWorkstationsIsReversedOnce)
{
    loadTickets(site, "Wdata3", {"000001,2,C001,P001,W1,KG,20261205,08:00:00,1000,7250,5250,2000,0,"});
    auto first = open(2);
    ASSERT_TRUE(newVoucher(*first, "C001"));
    addLines(*first, {voucherLine("INV", "000001", 1500)});
    ASSERT_EQ(clear("000001", "Wdata3"), 1500);
    auto second = open(2);
    InterleavingPrompts prompts;
    prompts.meanwhile = [&] { EXPECT_TRUE(first->MNDTDELE()); };
    EXPECT_FALSE(second->MNDTDELE());
    EXPECT_TRUE(site.rows("Detail2")[0].deleted);
    EXPECT_EQ(clear("000001", "Wdata3"), 0);
    EXPECT_EQ(site.rows("Money2")[0].number("AMOUNT"), 0);
    // The same for a document deleted on one workstation while the other asks.
    prompts.meanwhile = [&] { first->deletePressed(); };
    second->deletePressed();
    EXPECT_TRUE(site.rows("Money2")[0].deleted);
    EXPECT_EQ(site.rows("Audit").size(), 1u);
}

// Two workstations post the first movement of the same rows while the test holds the tables' file
// locks, so both have looked for the row and found none before either may write.
TEST_F(VoucherPostingTest, TwoWorkstationsPostingTheFirstMovementOfARowMakeItOnce)
{
    constexpr int kRows = 3;
    static const weighing::DocumentKind kind = {"TST01", "wdata", nullptr, false, weighing::SelfPosting::Never, nullptr};
    auto post = [](storagetest::Child& c) {
        core::setClock(nullptr);  // a real workstation's clock: waits sleep
        storage::Workspace ws;
        core::ValueMap values;
        if (!openCatalogue(ws, "Stock", "Stock") || !openCatalogue(ws, "ApAcc", "Account"))
            return 2;
        weighing::PostingRun run(ws, values, core::programSettings(), kind);
        for (int i = 0; i < kRows; ++i) {
            if (!c.readyThenGo())
                return 3;
            const std::string code = weighing::paddedCode("P" + std::to_string(100 + i));
            const std::string whouse = weighing::paddedCode("W1");
            run.addToRow("Stock", code + whouse, {{"CODE", code}, {"WHOUSE", whouse}}, {{"BALANCE", 1.5}});
            run.addToRow("Account", code, {{"CODE", code}}, {{"BALANCE", 2}, {"BORROW", 1}});
            c.send('d');
        }
        return 0;
    };
    const auto stock = openLedger("Stock"), accounts = openLedger("ApAcc");
    storagetest::Child a(post), b(post);
    for (int i = 0; i < kRows; ++i) {
        ASSERT_EQ(a.receive(), 'r');
        ASSERT_EQ(b.receive(), 'r');
        ASSERT_TRUE(stock->lockFile().ok() && accounts->lockFile().ok());
        a.send('g');
        b.send('g');
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        ASSERT_TRUE(stock->unlock().ok() && accounts->unlock().ok());
        ASSERT_EQ(a.receive(), 'd');
        ASSERT_EQ(b.receive(), 'd');
    }
    EXPECT_EQ(a.wait(), 0);
    EXPECT_EQ(b.wait(), 0);
    (void)stock->close();
    (void)accounts->close();

    // One row a code holding both movements.
    const auto rows = [&](const char* table, const char* field) {
        Texts out;
        for (const auto& r : site.rows(table))
            out.push_back(r.text("CODE") + " " + core::xbase::alltrim(core::xbase::str(r.number(field), 10, 2)));
        return out;
    };
    EXPECT_EQ(rows("Stock", "BALANCE"), (Texts{"P100 3.00", "P101 3.00", "P102 3.00"}));
    EXPECT_EQ(rows("ApAcc", "BALANCE"), (Texts{"P100 4.00", "P101 4.00", "P102 4.00"}));
    EXPECT_EQ(rows("ApAcc", "BORROW"), (Texts{"P100 2.00", "P101 2.00", "P102 2.00"}));
}

// A save over a posted document and its deletion (or the line's marking) on two forked workstations.
// The test holds the ledger the save reverses first, so the save has begun its reversal when the
// deletion starts; however they interleave, the document ends deleted with the values the save wrote
// and is out of the ledgers exactly once.
using Act = std::function<bool()>;

// A workstation: its own screen of `kind` made `ready`, then, at the word, `act` on it. Exits 0 when
// the act succeeded, 1 when it did not, 2 when it could not get ready.
template <class Screen, class Host>
std::function<int(storagetest::Child&)> workstation(int kind, Host& host, std::function<bool(Screen&)> ready,
                                                    std::function<bool(Screen&)> act)
{
    return [=, &host](storagetest::Child& test) {
        core::setClock(nullptr);  // a real workstation's clock: waits sleep
        ::alarm(20);              // a workstation waiting for ever ends the test, not the run
        Screen s(kind, 6, host);
        if (!s.open() || !ready(s))
            return 2;
        if (!test.readyThenGo())
            return 3;
        return act(s) ? 0 : 1;
    };
}

const auto asIs = [](auto&) { return true; };

void race(std::unique_ptr<storage::Table> held, const std::function<int(storagetest::Child&)>& saving,
          const std::function<int(storagetest::Child&)>& deleting)
{
    storagetest::Child saver(saving);
    storagetest::Child deleter(deleting);
    ASSERT_EQ(saver.receive(), 'r');
    ASSERT_EQ(deleter.receive(), 'r');
    ASSERT_TRUE(held->lockFile().ok());
    saver.send('g');
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    deleter.send('g');
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(held->unlock().ok());
    EXPECT_EQ(saver.wait(), 0) << "the save";
    EXPECT_EQ(deleter.wait(), 0) << "the deletion";
    (void)held->close();
}

TEST_F(VoucherPostingTest, ALoanEditedWhileItIsDeletedIsOutOfTheLedgerOnce)
{
    site.prompts.answers = {false};
    ASSERT_TRUE(newVoucher(*open(3), "F001", 800, {number("cCash", 800)}));
    ASSERT_EQ(borrow("ApAcc", "F001"), 800);
    race(openLedger("ApAcc"),
         workstation<VoucherScreen>(
             3, host,
             [](VoucherScreen& s) {
                 s.editPressed();
                 return type(s, {number("cAmount", 900), number("cCash", 900)});
             },
             [](VoucherScreen& s) { return s.MNSAVE(); }),
         workstation<VoucherScreen>(3, host, asIs, [this](VoucherScreen& s) {
             confirmDelete(s);
             return site.rows("Money3")[0].deleted;
         }));
    const auto voucher = site.rows("Money3");
    ASSERT_EQ(voucher.size(), 1u);
    EXPECT_TRUE(voucher[0].deleted);
    EXPECT_EQ(voucher[0].number("CASH"), 900);
    EXPECT_EQ(borrow("ApAcc", "F001"), 0);
}

TEST_F(VoucherPostingTest, ATicketEditedWhileItIsDeletedIsOutOfTheLedgersOnce)
{
    using weighing::TicketScreen;
    weighingtest::ScriptedHost tickets;
    {
        TicketScreen s(1, 6, tickets);
        ASSERT_TRUE(s.open());
        ASSERT_TRUE(weighingtest::firstWeighing(s, tickets, {"70-1234"}, 9000));
        ASSERT_TRUE(weighingtest::startSecondWeighing(s, tickets, "70-1234", 1000));
        site.prompts.answers = {false};
        ASSERT_TRUE(s.TRSAVE());
    }
    ASSERT_EQ(site.stock("P001", "W1"), 8000);
    race(openLedger("Stock"),
         workstation<TicketScreen>(
             1, tickets,
             [](TicketScreen& s) {
                 s.editPressed();
                 return s.mode() == weighing::kTicketEdit && weighingtest::typeNumber(s, "cAdj_W1", 150);
             },
             [](TicketScreen& s) { return s.TRSAVE(); }),
         workstation<TicketScreen>(1, tickets, asIs, [this](TicketScreen& s) {
             site.prompts.answers = {true};
             s.deletePressed();
             return site.rows("Wdata1")[0].deleted;
         }));
    const auto stored = site.rows("Wdata1");
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_TRUE(stored[0].deleted);
    EXPECT_EQ(stored[0].number("QTY"), 8000 - 150);
    EXPECT_EQ(site.stock("P001", "W1"), 0);
}

TEST_F(VoucherPostingTest, ALineChangedWhileItIsMarkedIsTakenOffItsTicketOnce)
{
    loadOneTicket(site);
    {
        auto s = open(1);
        ASSERT_TRUE(newVoucher(*s, "F001"));
        addLines(*s, {voucherLine("REC", "000001", 1000)});
    }
    ASSERT_EQ(clear("000001"), 1000);
    race(openLedger("Wdata1"),
         workstation<VoucherScreen>(1, host, asIs,
                                    [this](VoucherScreen& s) {
                                        changeLine(s, saveLine({number("cdAmount", 600)}));
                                        return site.rows("Detail1")[0].number("AMOUNT") == 600;
                                    }),
         workstation<VoucherScreen>(1, host, asIs, [this](VoucherScreen& s) { return confirmMark(s); }));
    const auto lines = site.rows("Detail1");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].deleted);
    EXPECT_EQ(lines[0].number("AMOUNT"), 600);
    EXPECT_EQ(clear("000001"), 0);
}

}  // namespace
