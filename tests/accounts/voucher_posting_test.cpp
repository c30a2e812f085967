// What the seeded run of the books cannot cause: another workstation acting while a person is asked
// or selecting, forked workstations racing for the ledgers, a line that cannot be stored; and the
// refusals a clerk reads when a line or a deletion would settle a ticket twice or lose a settlement.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include "core/clock.h"
#include "core/prompts.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/fault_fs.h"
#include "storage/fork_child.h"
#include "support/seams.h"
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

TEST_F(VoucherPostingTest, AVoucherDeletedOnTwoWorkstationsIsAuditedOnceAndNeitherEditedNorSavedOver)
{
    auto first = open(3);
    site.prompts.answers = {false};
    ASSERT_TRUE(newVoucher(*first, "F001", 800, {number("cCash", 800)}));
    auto second = open(3);  // shows the same voucher
    confirmDelete(*first);
    confirmDelete(*second);  // asked as "delete", finds it deleted already: audited once
    EXPECT_EQ(site.rows("Audit").size(), 1u);
    EXPECT_EQ(core::tis620::toUtf8(second->values().text("cStat")), "สั่งลบ");
    site.prompts.shown.clear();
    second->editPressed();  // a marked voucher is not edited
    EXPECT_EQ(site.prompts.texts(), Texts{"ข้อมูลนี้ถูกสั่งลบ"});
    EXPECT_EQ(second->mode(), kBrowsing);

    // An edit begun before another workstation deleted the voucher is not saved over it.
    confirmDelete(*first);  // undeleted
    ASSERT_EQ(borrow("ApAcc", "F001"), 800);
    second->PROCMOVE(weighing::kMoveLast);
    second->editPressed();
    ASSERT_EQ(second->mode(), kEditDocument);
    confirmDelete(*first);
    site.prompts.shown.clear();
    ASSERT_TRUE(type(*second, {number("cAmount", 900), number("cCash", 900)}));
    EXPECT_FALSE(second->MNSAVE());
    EXPECT_EQ(site.prompts.texts(), Texts{"ข้อมูลนี้ถูกสั่งลบจากเครื่องอื่นแล้ว"});
    EXPECT_EQ(second->mode(), kBrowsing);
    EXPECT_EQ(site.rows("Money3")[0].number("CASH"), 800);
}

// Prompts whose next confirmation lets another workstation act while the person is asked; answers Yes.
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

// A save over a posted document racing its deletion (or its line's marking) on two forked workstations,
// the save held mid-reversal: the document ends deleted, with the saved values, out of the ledgers once.
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

// Tickets 000001 (1,000 on account) and 000002 (800) of F001, and its return 000001 (200).
class SettlementTest : public DocumentTest {
protected:
    // `cashAndOnAccount`: CASH and DRCR of 000002.
    void loadPurchasesAndReturn(const char* cashAndOnAccount = "6450,800")
    {
        const std::string second =
            std::string("000002,2,F001,P001,W1,KG,20261205,09:00:00,1000,7250,") + cashAndOnAccount + ",0,";
        loadTickets(site, "Wdata1",
                    {"000001,2,F001,P001,W1,KG,20261205,08:00:00,1000,7250,6250,1000,0,", second.c_str()});
        loadTickets(site, "Wdata2", {"000001,2,F001,P001,W1,KG,20261205,11:00:00,100,725,525,200,0,"});
    }
    // The lines of voucher `number` of Detail1: "TYPE TICKET AMOUNT", a "*" in front when marked.
    Texts lines(const std::string& number) const
    {
        Texts out;
        for (const auto& r : site.rows("Detail1"))
            if (r.text("DOC_NO") == number)
                out.push_back((r.deleted ? "*" : "") + r.text("TYPE") + " " + r.text("TICKET") + " " +
                              std::to_string(int(r.number("AMOUNT"))));
        return out;
    }
    // The voucher's amount paid in cash, so that the screen may leave it.
    static void payInCash(VoucherScreen& s)
    {
        s.editPressed();
        ASSERT_TRUE(type(s, number("cCash", s.values().number("cAmount"))));
        ASSERT_TRUE(s.MNSAVE());
    }
    // A new voucher of F001 with one line on `ticket`, paid in cash.
    void paid(VoucherScreen& s, const char* ticket, double amount)
    {
        ASSERT_TRUE(newVoucher(s, "F001"));
        addLines(s, {voucherLine("REC", ticket, amount)});
        payInCash(s);
    }
    void selectAll(VoucherScreen& s, const std::function<void()>& meanwhile)
    {
        host.onSelection = [meanwhile](TicketSelection& sel) {
            sel.MNFILLCHK(4);
            meanwhile();
            sel.accept();
        };
        addLines(s, {saveLine({text("cdType", "")})});
    }
    // Delete pressed and confirmed on the first purchase in date order: what was shown.
    Texts deleteFirstPurchase(weighing::TicketScreen& purchases)
    {
        purchases.PROCMOVE(weighing::kMoveFirst);
        site.prompts.shown.clear();
        site.prompts.answers = {true};
        purchases.deletePressed();
        return site.prompts.texts();
    }

    weighingtest::ScriptedHost tickets;
};

TEST_F(SettlementTest, TheSelectionLeavesOutTicketsThatHaveNothingOpenAnyMoreOrWereDeleted)
{
    loadTickets(site, "Wdata1",
                {"000001,2,F001,P001,W1,KG,20261205,08:00:00,1000,7250,6250,1000,0,",
                 "000002,2,F001,P001,W1,KG,20261205,09:00:00,1000,7250,6750,500,0,",
                 "000003,2,F001,P001,W1,KG,20261205,10:00:00,1000,7250,6550,700,0,",
                 "000004,1,F001,P001,W1,KG,20261205,11:00:00,0,0,0,0,0,",
                 "000005,2,F001,P001,W1,KG,20261205,12:00:00,1000,7250,6850,400,0,"});
    auto s = open(1);
    ASSERT_TRUE(newVoucher(*s, "F001"));
    site.prompts.shown.clear();
    // Listed, then another workstation settles 000001 whole and 000002 in part, and deletes 000005.
    selectAll(*s, [&] {
        setField(site, "Wdata1", "000001", "CLEAR", core::Value::number(1000, 2));
        setField(site, "Wdata1", "000002", "CLEAR", core::Value::number(200, 2));
        markDeleted(site, "Wdata1", "000005");
    });
    EXPECT_EQ(lines("000001"), (Texts{"REC 000002 300", "REC 000003 700"}));
    EXPECT_EQ(site.prompts.texts(), (Texts{"ใบชั่งบางรายการถูกชำระจากเครื่องอื่นแล้ว จึงไม่ได้นำมาลงรายการ",
                                               "ใบชั่งบางรายการถูกสั่งลบจากเครื่องอื่นแล้ว จึงไม่ได้นำมาลงรายการ"}));
    EXPECT_EQ(clear("000005"), 0);
    EXPECT_EQ(clear("000001"), 1000);
    // The open ticket (nothing on account) gets no line and stays open.
    EXPECT_EQ(ticket(site, "Wdata1", "000004").text("ACCOUNT"), "");
    EXPECT_EQ(clear("000004"), 0);
    EXPECT_EQ(s->values().number("cAmount"), 1000);
}

TEST_F(SettlementTest, ALineThatCannotBeStoredLeavesItsTicketAsItWas)
{
    loadPurchasesAndReturn("6750,500");
    storagetest::FaultFileSystem disk;  // in front of every table the screen opens
    testsupport::RecordingFaultHandler trap(core::FaultAnswer::Default);
    auto s = open(1);
    ASSERT_TRUE(newVoucher(*s, "F001"));
    disk.failOnly = "DETAIL1.DBF";
    selectAll(*s, [&] { disk.failWrite = 1; });
    EXPECT_FALSE(trap.faults.empty());
    EXPECT_EQ(lines("000001"), Texts{});
    for (const char* number : {"000001", "000002"}) {
        EXPECT_EQ(clear(number), 0) << number;
        EXPECT_EQ(ticket(site, "Wdata1", number).text("ACCOUNT"), "") << number;
    }
}

// 000001 of 1,000 settled in part before the voucher (CLEAR `settledBefore`), 000002 of 300.
TEST_F(SettlementTest, ALineMaySettleNoMoreThanItsTicketHasOpen)
{
    loadPurchasesAndReturn("6950,300");
    struct Case {
        const char* name;
        double settledBefore;  // CLEAR of 000001 before the voucher
        bool firstLine;        // a line of 400 on 000001 stored first, then changed
        LineScript line;
        const char* told;      // "" when the line is stored
        double clearAfter;     // of 000001
    };
    const Case cases[] = {
        {"what is open", 600, false, voucherLine("REC", "000001", 400), "", 1000},
        {"a changed line over its own amount", 600, true, saveLine({number("cdAmount", 401)}),
         "จำนวนเงินเกินยอดค้างของใบชั่ง 000001 ยอดค้าง 400.00", 1000},
        {"a changed line up to its own amount", 600, true, saveLine({number("cdAmount", 400)}), "", 1000},
        {"a changed line naming another ticket", 600, true,
         saveLine({text("cdTicket", "000002"), text("cdTime", "09:00:00"), number("cdAmount", 350)}),
         "จำนวนเงินเกินยอดค้างของใบชั่ง 000002 ยอดค้าง 300.00", 1000},
    };
    auto s = open(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setField(site, "Wdata1", "000001", "CLEAR", core::Value::number(c.settledBefore, 2));
        setField(site, "Wdata1", "000002", "CLEAR", core::Value::number(0, 2));
        setField(site, "Wdata2", "000001", "CLEAR", core::Value::number(0, 2));
        ASSERT_TRUE(newVoucher(*s, "F001"));
        if (c.firstLine)
            addLines(*s, {voucherLine("REC", "000001", 400)});
        site.prompts.shown.clear();
        if (c.firstLine)
            changeLine(*s, c.line);
        else
            addLines(*s, {c.line});
        const bool refused = *c.told != '\0';
        EXPECT_EQ(site.prompts.texts(), refused ? Texts{c.told} : Texts{});
        EXPECT_EQ(s->values().number("cLines"), c.firstLine || !refused ? 1 : 0);
        EXPECT_EQ(clear("000001"), c.clearAfter);
        EXPECT_EQ(clear("000001", "Wdata2"), 0);
        EXPECT_EQ(clear("000002"), 0);
        payInCash(*s);
    }
}

// A line whose ticket another voucher settled while its own was deleted stays marked on undeletion and
// may not be unmarked (what an undeletion brings back is the seeded run's check).
TEST_F(SettlementTest, AnUndeletedVoucherLeavesMarkedTheLinesWhoseTicketsWereSettledSinceAndTheyStayMarked)
{
    loadPurchasesAndReturn("6750,500");
    auto first = open(1);
    auto second = open(1);
    ASSERT_TRUE(newVoucher(*first, "F001"));
    addLines(*first, {voucherLine("REC", "000001", 1000), voucherLine("REC", "000002", 500, "09:00:00")});
    payInCash(*first);
    confirmDelete(*first);
    EXPECT_TRUE(first->mayClose());  // a marked voucher is not checked
    paid(*second, "000001", 600);
    site.prompts.shown.clear();
    confirmDelete(*first);
    EXPECT_EQ(lines("000001"), (Texts{"*REC 000001 1000", "REC 000002 500"}));
    EXPECT_EQ(site.prompts.texts(), (Texts{"ยกเลิกการสั่งลบข้อมูลนี้",
                                               "รายการที่ใบชั่งถูกชำระไปแล้วยังคงถูกสั่งลบ : REC 000001"}));
    payInCash(*first);
    toLine(*first, 0);
    site.prompts.shown.clear();
    EXPECT_FALSE(confirmMark(*first));
    EXPECT_EQ(clear("000001"), 600);
    EXPECT_EQ(lines("000001"), (Texts{"*REC 000001 1000", "REC 000002 500"}));
    ASSERT_EQ(site.prompts.texts().size(), 2u);
    EXPECT_EQ(site.prompts.texts()[1],
              "ใบชั่ง REC 000001 ไม่มียอดค้างพอแล้ว (ชำระจากใบสำคัญอื่นหรือถูกสั่งลบ) รายการนี้จึงยังคงถูกสั่งลบ");
}

TEST_F(SettlementTest, ASettledTicketCannotBeDeletedNorADeletedOneSettled)
{
    loadPurchasesAndReturn();
    auto s = open(1);
    paid(*s, "000001", 400);
    {
        weighing::TicketScreen purchases(1, 6, tickets);
        ASSERT_TRUE(purchases.open());
        EXPECT_EQ(deleteFirstPurchase(purchases),
                  Texts{"ใบชั่งนี้มีการชำระเงินแล้ว ต้องลบรายการชำระก่อน ใบสำคัญเลขที่ 000001"});
        EXPECT_FALSE(ticket(site, "Wdata1", "000001").deleted);
        // 000002 has nothing settled: it may go, and then no line may settle it.
        purchases.PROCMOVE(weighing::kMoveNext);
        site.prompts.answers = {true};
        purchases.deletePressed();
        EXPECT_TRUE(ticket(site, "Wdata1", "000002").deleted);
    }
    ASSERT_TRUE(newVoucher(*s, "F001"));
    site.prompts.shown.clear();
    addLines(*s, {voucherLine("REC", "000002", 100, "09:00:00")});
    EXPECT_EQ(site.prompts.texts(), Texts{"ใบชั่ง 000002 ถูกสั่งลบแล้ว"});
    EXPECT_EQ(clear("000002"), 0);

    // Every settling voucher is named once, a number that is part of another's too.
    site.load("Detail1", "DOC_NO,TYPE,DATE,TIME,TICKET,AMOUNT\n"
                         "000012,REC,20261205,08:00:00,000001,300\n"
                         "0001,REC,20261205,08:00:00,000001,100\n"
                         "000012,REC,20261205,08:00:00,000001,50\n");
    weighing::TicketScreen purchases(1, 6, tickets);
    ASSERT_TRUE(purchases.open());
    EXPECT_EQ(deleteFirstPurchase(purchases),
              Texts{"ใบชั่งนี้มีการชำระเงินแล้ว ต้องลบรายการชำระก่อน ใบสำคัญเลขที่ 000001, 000012, 0001"});
}

}  // namespace
