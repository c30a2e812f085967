// A save over a posted document and a deletion of the same document on two workstations (forked
// processes) at the same moment: a loan voucher edited, a purchase ticket edited, a payment line
// changed, each while another workstation deletes the document (or marks the line). The test holds
// the ledger table the save reverses first under its file lock, so the save has checked the
// document and begun its reversal when the deletion starts; then it lets both go. However they
// interleave, the document ends deleted with the values the save wrote and is out of the ledgers
// exactly once.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include "core/clock.h"
#include "storage/catalogue.h"
#include "storage/fork_child.h"
#include "voucher_fixture.h"
#include "weighing/ticket_screen.h"

using namespace accounts;
using namespace vouchertest;

namespace {

using Step = std::function<bool()>;

// One workstation: opens its screen and gets ready (prepare), says so, waits for the word, then
// acts. Exits 0 when the act succeeded, 1 when it did not, 2 when it could not get ready.
std::function<int(storagetest::Child&)> workstation(std::function<bool(Step&)> prepare)
{
    return [prepare](storagetest::Child& test) {
        core::setClock(nullptr);  // a real workstation's clock: waits sleep
        ::alarm(20);              // a workstation waiting for ever ends the test, not the run
        Step act;
        if (!prepare(act))
            return 2;
        test.send('r');
        if (test.receive() != 'g')
            return 3;
        return act() ? 0 : 1;
    };
}

// A workstation's preparation: a screen of its own opened and made `ready`; then it will `act` on it.
template <class Screen, class Host>
std::function<bool(Step&)> station(int kind, Host& host, std::function<bool(Screen&)> ready,
                                   std::function<bool(Screen&)> act)
{
    return [kind, &host, ready, act](Step& step) {
        auto s = std::make_shared<Screen>(kind, 6, host);
        if (!s->open() || !ready(*s))
            return false;
        step = [s, act] { return act(*s); };
        return true;
    };
}

const auto asIs = [](auto&) { return true; };

class DocumentSaveProcessTest : public DocumentTest {
protected:
    // Runs the saving and the deleting workstation with `ledger` (a catalogue table) locked as
    // described above.
    void race(const char* ledger, const std::function<bool(Step&)>& saving,
              const std::function<bool(Step&)>& deleting)
    {
        std::unique_ptr<storage::Table> held;
        ASSERT_TRUE(storage::openCatalogueTable(site.data(), *storage::findTable(ledger), storage::ShareMode::Shared,
                                                &held)
                        .ok());
        storagetest::Child saver(workstation(saving));
        storagetest::Child deleter(workstation(deleting));
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

    weighingtest::ScriptedHost tickets;
};

TEST_F(DocumentSaveProcessTest, ALoanEditedWhileItIsDeletedIsOutOfTheLedgerOnce)
{
    {
        VoucherScreen s(3, 6, host);
        ASSERT_TRUE(s.open());
        site.prompts.answers = {false};
        ASSERT_TRUE(newVoucher(s, "F001", 800, {number("cCash", 800)}));
    }
    ASSERT_EQ(borrow("ApAcc", "F001"), 800);
    race("ApAcc",
         station<VoucherScreen>(
             3, host,
             [](VoucherScreen& s) {
                 s.editPressed();
                 return type(s, {number("cAmount", 900), number("cCash", 900)});
             },
             [](VoucherScreen& s) { return s.MNSAVE(); }),
         station<VoucherScreen>(3, host, asIs, [this](VoucherScreen& s) {
             site.prompts.answers = {true};
             s.deletePressed();
             return site.rows("Money3")[0].deleted;
         }));
    const auto voucher = site.rows("Money3");
    ASSERT_EQ(voucher.size(), 1u);
    EXPECT_TRUE(voucher[0].deleted);
    EXPECT_EQ(voucher[0].number("CASH"), 900);
    EXPECT_EQ(borrow("ApAcc", "F001"), 0);
}

TEST_F(DocumentSaveProcessTest, ATicketEditedWhileItIsDeletedIsOutOfTheLedgersOnce)
{
    {
        weighing::TicketScreen s(1, 6, tickets);
        ASSERT_TRUE(s.open());
        weighingtest::Weighing w;
        w.truck = "70-1234";
        ASSERT_TRUE(weighingtest::firstWeighing(s, tickets, w, 9000));
        ASSERT_TRUE(weighingtest::startSecondWeighing(s, tickets, "70-1234", 1000));
        site.prompts.answers = {false};
        ASSERT_TRUE(s.TRSAVE());
    }
    ASSERT_EQ(site.stock("P001", "W1"), 8000);
    using weighing::TicketScreen;
    race("Stock",
         station<TicketScreen>(
             1, tickets,
             [](TicketScreen& s) {
                 s.editPressed();
                 return s.mode() == 3 && weighingtest::typeNumber(s, "cAdj_W1", 150);
             },
             [](TicketScreen& s) { return s.TRSAVE(); }),
         station<TicketScreen>(1, tickets, asIs, [this](TicketScreen& s) {
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

TEST_F(DocumentSaveProcessTest, ALineChangedWhileItIsMarkedIsTakenOffItsTicketOnce)
{
    loadOneTicket(site);
    {
        VoucherScreen s(1, 6, host);
        ASSERT_TRUE(s.open());
        ASSERT_TRUE(newVoucher(s, "F001"));
        host.lineDialogs = {voucherLine("REC", "000001", 1000)};
        s.addLines();
    }
    ASSERT_EQ(ticket(site, "Wdata1", "000001").number("CLEAR"), 1000);
    race("Wdata1",
         station<VoucherScreen>(1, host, asIs,
                                [this](VoucherScreen& s) {
                                    host.lineDialogs = {saveLine({number("cdAmount", 600)})};
                                    s.changeLine();
                                    return site.rows("Detail1")[0].number("AMOUNT") == 600;
                                }),
         station<VoucherScreen>(1, host, asIs, [this](VoucherScreen& s) {
             site.prompts.answers = {true};
             return s.MNDTDELE();
         }));
    const auto lines = site.rows("Detail1");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].deleted);
    EXPECT_EQ(lines[0].number("AMOUNT"), 600);
    EXPECT_EQ(ticket(site, "Wdata1", "000001").number("CLEAR"), 0);
}

}  // namespace
