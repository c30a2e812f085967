// Posting vouchers and their lines, deleting and undeleting them, and what two workstations doing
// the same thing at the same moment leave in the ledgers: one reversal of a document deleted twice,
// one ledger row when both post the first movement of a product or partner.
#include <gtest/gtest.h>

#include <functional>
#include <chrono>
#include <set>
#include <thread>

#include "core/clock.h"
#include "core/prompts.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/fork_child.h"
#include "storage/ops.h"
#include "voucher_fixture.h"
#include "weighing/posting.h"

using namespace accounts;
using namespace vouchertest;
using weighingtest::shownTexts;

namespace {

using VoucherPostingTest = DocumentTest;

// A payment of two tickets (a purchase and, netted off, its return) and an other item, settled in
// cash and by a deduction from the loan. Deleted, it keeps no amount and may be left unsettled;
// both the deletion and the undeletion are audited. What its deletion and undeletion leave in the
// ledgers, the tickets and the lines the seeded run of the books compares with the documents.
TEST_F(VoucherPostingTest, ADeletedPaymentKeepsNoAmountAndBothDeletionAndUndeletionAreAudited)
{
    site.load("Wdata1", std::string(kTicketHeader) + "000001,2,F001,P001,W1,KG,20261205,08:00:00,1000,7250,6250,1000,0,\n");
    site.load("Wdata2", std::string(kTicketHeader) + "000001,2,F001,P001,W1,KG,20261205,09:00:00,100,725,525,200,0,\n");
    auto s = open(1);
    ASSERT_TRUE(newVoucher(*s, "F001"));
    host.lineDialogs = {voucherLine("REC", "000001", 1000), voucherLine("CAN", "000001", 200, "09:00:00"),
                        voucherLine("OTH", "A", 50)};
    s->addLines();
    s->editPressed();
    ASSERT_TRUE(type(*s, {number("cCash", 600), number("cDrCr", 250)}));
    ASSERT_TRUE(s->MNSAVE());

    site.prompts.answers = {true};
    s->deletePressed();
    EXPECT_EQ(core::tis620::toUtf8(site.prompts.shown.back().text), "สั่งทำเครื่องหมายลบข้อมูลนี้");
    EXPECT_TRUE(site.rows("Money1")[0].deleted);
    EXPECT_EQ(site.rows("Money1")[0].number("AMOUNT"), 0);
    EXPECT_TRUE(s->mayClose());  // a marked voucher is not checked

    site.prompts.answers = {true};
    s->deletePressed();
    EXPECT_EQ(site.rows("Money1")[0].number("AMOUNT"), 850);
    EXPECT_EQ(audited(site, false), (std::vector<std::string>{"MON01-000001 สั่งลบข้อมูล", "MON01-000001 สั่งยกเลิการลบ"}));
}

TEST_F(VoucherPostingTest, ADocumentDeletedOnTwoWorkstationsIsReversedOnce)
{
    auto first = open(3);
    site.prompts.answers = {false};
    ASSERT_TRUE(newVoucher(*first, "F001", 800, {number("cCash", 800)}));
    auto second = open(3);  // shows the same voucher
    EXPECT_EQ(borrow("ApAcc", "F001"), 800);

    site.prompts.answers = {true};
    first->deletePressed();
    EXPECT_EQ(borrow("ApAcc", "F001"), 0);
    site.prompts.answers = {true};
    second->deletePressed();  // asked as "delete", finds it deleted already
    EXPECT_EQ(borrow("ApAcc", "F001"), 0);
    EXPECT_TRUE(site.rows("Money3")[0].deleted);
    EXPECT_EQ(site.rows("Audit").size(), 1u);
    EXPECT_EQ(core::tis620::toUtf8(second->values().text("cStat")), "สั่งลบ");
    site.prompts.shown.clear();
    second->editPressed();  // a marked voucher is not edited
    EXPECT_EQ(shownTexts(site.prompts), (std::vector<std::string>{"ข้อมูลนี้ถูกสั่งลบ"}));
    EXPECT_EQ(second->mode(), kBrowsing);

    // An edit begun before another workstation deleted the voucher is not saved over it.
    site.prompts.answers = {true};
    first->deletePressed();  // undeleted: BORROW 800 again
    ASSERT_EQ(borrow("ApAcc", "F001"), 800);
    second->PROCMOVE(weighing::kMoveLast);
    second->editPressed();
    ASSERT_EQ(second->mode(), kEditDocument);
    site.prompts.answers = {true};
    first->deletePressed();
    site.prompts.shown.clear();
    ASSERT_TRUE(type(*second, {number("cAmount", 900), number("cCash", 900)}));
    EXPECT_FALSE(second->MNSAVE());
    EXPECT_EQ(shownTexts(site.prompts), (std::vector<std::string>{"ข้อมูลนี้ถูกสั่งลบจากเครื่องอื่นแล้ว"}));
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
    void message(core::MessageKind, const std::string& text, const std::string&) override { shown.push_back(text); }
    bool confirm(const std::string&, const std::string&) override
    {
        if (auto other = std::move(meanwhile)) {
            meanwhile = nullptr;
            other();
        }
        return true;
    }
    std::function<void()> meanwhile;
    std::vector<std::string> shown;

private:
    core::Prompts* m_previous;
};

TEST_F(VoucherPostingTest, ALineMarkedOnTwoWorkstationsIsReversedOnce)
{
    site.load("Wdata3", std::string(kTicketHeader) + "000001,2,C001,P001,W1,KG,20261205,08:00:00,1000,7250,5250,2000,0,\n");
    auto first = open(2);
    ASSERT_TRUE(newVoucher(*first, "C001"));
    host.lineDialogs = {voucherLine("INV", "000001", 1500)};
    first->addLines();
    ASSERT_EQ(ticket(site, "Wdata3", "000001").number("CLEAR"), 1500);
    auto second = open(2);
    InterleavingPrompts prompts;
    prompts.meanwhile = [&] { EXPECT_TRUE(first->MNDTDELE()); };
    EXPECT_FALSE(second->MNDTDELE());
    EXPECT_TRUE(site.rows("Detail2")[0].deleted);
    EXPECT_EQ(ticket(site, "Wdata3", "000001").number("CLEAR"), 0);
    EXPECT_EQ(site.rows("Money2")[0].number("AMOUNT"), 0);
    // The same for a document deleted on one workstation while the other asks.
    prompts.meanwhile = [&] { first->deletePressed(); };
    second->deletePressed();
    EXPECT_TRUE(site.rows("Money2")[0].deleted);
    EXPECT_EQ(site.rows("Audit").size(), 1u);
}

// Two workstations post the first movement of the same rows at the same moment. A third holds the
// tables' file locks while both start, so both have looked for the row and found none before
// either may write: every row is still made once and holds both movements.
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
            c.send('r');
            if (c.receive() != 'g')
                return 3;
            const std::string code = weighing::paddedCode("P" + std::to_string(100 + i));
            const std::string whouse = weighing::paddedCode("W1");
            run.addToRow("Stock", code + whouse, {{"CODE", code}, {"WHOUSE", whouse}}, {{"BALANCE", 1.5}});
            run.addToRow("Account", code, {{"CODE", code}}, {{"BALANCE", 2}, {"BORROW", 1}});
            c.send('d');
        }
        return 0;
    };
    std::unique_ptr<storage::Table> stock, accounts;
    ASSERT_TRUE(storage::openCatalogueTable(site.data(), *storage::findTable("Stock"), storage::ShareMode::Shared, &stock).ok());
    ASSERT_TRUE(storage::openCatalogueTable(site.data(), *storage::findTable("ApAcc"), storage::ShareMode::Shared, &accounts).ok());
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

    // One row a code (kRows rows, distinct codes) holding both movements.
    std::set<std::string> stockCodes, accountCodes;
    for (const auto& r : site.rows("Stock")) {
        EXPECT_TRUE(stockCodes.insert(r.text("CODE")).second) << r.text("CODE");
        EXPECT_EQ(r.number("BALANCE"), 3) << r.text("CODE");
    }
    for (const auto& r : site.rows("ApAcc")) {
        EXPECT_TRUE(accountCodes.insert(r.text("CODE")).second) << r.text("CODE");
        EXPECT_EQ(r.number("BALANCE"), 4) << r.text("CODE");
        EXPECT_EQ(r.number("BORROW"), 2) << r.text("CODE");
    }
    EXPECT_EQ(stockCodes.size(), std::size_t(kRows));
    EXPECT_EQ(accountCodes.size(), std::size_t(kRows));
}

}  // namespace
