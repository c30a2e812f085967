// The status screens through their models: the levels, the key checks, what a changed row stores (and
// leaves to the postings), a failed write retried, an empty code and ledger; and ledger rows entered
// and marked here, found and changed by the next purchase ticket's postings.
#include <gtest/gtest.h>

#include <cmath>

#include "accounts/status_editor.h"
#include "accounts/status_tables.h"
#include "status_fixture.h"
#include "storage/catalogue.h"
#include "storage/fault_fs.h"
#include "storage/ops.h"
#include "support/seams.h"
#include "weighing/ticket_screen.h"

using namespace statustest;
using namespace weighingtest;
using accounts::StatusEditor;

namespace {

// On the weighing tests' site, with its pick-list and ticket screens.
class StatusTest : public ScreenTest {
protected:
    // Another workstation adds to a ledger row (as a posting does: lock, add, commit, release).
    void postMeanwhile(const char* table, const std::string& key, const char* field, double delta)
    {
        storage::Workspace other;
        const storage::TableDef& def = *storage::findTable(table);
        ASSERT_TRUE(storage::OPEN(other, site.data(), def.name, def.indexes[0].key, false, def.name,
                                  def.indexes[0].file));
        storage::Table& t = *other.current();
        ASSERT_TRUE(t.seek(key).ok());
        ASSERT_TRUE(t.found());
        ASSERT_TRUE(storage::REC_LOCK(other));
        core::Value v;
        ASSERT_TRUE(t.get(field, &v).ok());
        ASSERT_TRUE(t.put(field, core::Value::number(v.asNumber() + delta, 2)).ok());
        ASSERT_TRUE(storage::commitAll(other));
        ASSERT_TRUE(storage::unlockAll(other));
    }
};

TEST_F(StatusTest, TheLevelDecidesAddChangeAndMarkByButtonEnterAndDoubleClick)
{
    site.load("ApAcc", "CODE,BALANCE\nF001,100\n");
    const std::vector<std::string> all = {"add", "change", "change", "change"};
    struct Case {
        int level;
        std::vector<std::string> editors;
        const char* asked;  // the mark's question, nullptr: none
        bool markedAfter;
    } cases[] = {
        {2, {}, nullptr, false},
        {3, {"add"}, nullptr, false},
        {4, all, nullptr, false},
        {5, all, "สั่งทำเครื่องหมายลบ", true},
        {6, all, "ยกเลิกเครื่องหมายลบ", false},
    };
    for (const Case& c : cases) {
        ScriptedStatusScreens screens;
        OpenScreen o(2, c.level);
        // Enter while an editor runs opens nothing more.
        screens.onEditor = [&](StatusEditor&) { o.screen.activate(0); };
        site.prompts.shown.clear();
        site.prompts.answers = {true};
        o.screen.add();
        o.screen.change();
        o.screen.activate(0);
        o.screen.activate(1);
        o.screen.mark();
        EXPECT_EQ(screens.editors, c.editors) << c.level;
        if (c.asked) {
            ASSERT_EQ(site.prompts.shown.size(), 1u) << c.level;
            EXPECT_EQ(site.prompts.shown[0].text, T(c.asked));
        } else {
            EXPECT_TRUE(site.prompts.shown.empty()) << c.level;
        }
        EXPECT_EQ(site.rows("ApAcc").at(0).deleted, c.markedAfter) << c.level;
    }
    EXPECT_EQ(site.rows("ApAcc").size(), 1u) << "the scripted editors stored nothing";
}

// The key of a stock row (product, warehouse) and of an order (number, customer, product) belongs to
// one row: checked once every part is typed, a row's own key passing.
TEST_F(StatusTest, AKeyBelongsToOneRow)
{
    site.load("Stock", "CODE,WHOUSE,BALANCE\nP001,W1,100\nP001,W2,200\n");
    struct Case {
        int screen;
        std::vector<const char*> changing;  // the row's key; empty: a new row
        std::vector<std::pair<const char*, const char*>> typed;  // field, text, in order
        bool lastPasses;
        int alerts;
    } cases[] = {
        {1, {"P001", "W1"}, {{"WHOUSE", "W2"}}, false, 1},  // another row's pair
        {1, {"P001", "W1"}, {{"WHOUSE", "W1"}}, true, 0},   // its own pair
        {1, {"P001", "W1"}, {{"WHOUSE", "W9"}}, false, 0},  // no such warehouse: the pick-list refuses
        {1, {}, {{"CODE", "P001"}, {"WHOUSE", "W2"}}, false, 1},
        {4, {}, {{"CODE", "SO1"}, {"COMPANY", "C001"}, {"PRODUCT", "P001"}}, false, 1},
        {4, {}, {{"COMPANY", "C001"}, {"PRODUCT", "P001"}, {"CODE", "so1"}}, false, 1},  // upper-cased
        {4, {}, {{"CODE", "SO1"}, {"COMPANY", "C001"}, {"PRODUCT", "P002"}}, true, 0},
        {4, {"C001", "P001", "SO2"}, {{"CODE", "SO1"}}, false, 1},
    };
    for (const Case& c : cases) {
        const auto& [field, typed] = c.typed.back();
        SCOPED_TRACE(std::to_string(c.screen) + " " + field + " " + typed);
        OpenScreen o(c.screen);
        if (!c.changing.empty())
            o.highlight(c.changing);
        StatusEditor e(o.screen.browse(), o.screen.def(), c.changing.empty());
        ASSERT_TRUE(e.begin());
        site.prompts.shown.clear();
        bool passed = true;
        for (const auto& [f, t] : c.typed)
            passed = enter(e, f, t);
        EXPECT_EQ(passed, c.lastPasses);
        EXPECT_EQ(duplicateAlerts(site.prompts), c.alerts);
        if (c.screen == 1) {
            EXPECT_EQ(e.values().text(field), pad(typed)) << "a refused code stays as typed";
        }
    }
}

TEST_F(StatusTest, AChangedRowKeepsWhatAPostingStoredMeanwhileUnlessTypedOver)
{
    site.load("Stock", "CODE,WHOUSE,BALANCE,BEGIN\nP001,W1,100,77\n");
    struct Case {
        double typed;  // NaN: the balance left as shown
        const char* whouse;
        double expected;
    } cases[] = {
        {std::nan(""), "W1", 150},  // 100 shown, 50 posted meanwhile
        {120, "W1", 120},           // the hand correction replaces it
        {std::nan(""), "W2", 170},  // moved to another warehouse, the posting kept
    };
    const char* at = "W1";
    for (const Case& c : cases) {
        OpenScreen o(1);
        o.highlight({"P001", at});
        StatusEditor e(o.screen.browse(), o.screen.def(), false);
        ASSERT_TRUE(e.begin());
        postMeanwhile("Stock", pad("P001") + pad(at), "BALANCE", 50);
        e.values().setNumber("BALANCE", std::isnan(c.typed) ? e.values().number("BALANCE") : c.typed, 2);
        ASSERT_TRUE(enter(e, "WHOUSE", c.whouse));
        ASSERT_TRUE(e.save());
        ASSERT_EQ(site.rows("Stock").size(), 1u);
        EXPECT_DOUBLE_EQ(site.stock("P001", c.whouse), c.expected);
        EXPECT_DOUBLE_EQ(site.rows("Stock")[0].number("BEGIN"), 77) << "a field the editor does not show";
        at = c.whouse;
    }

    // A delivered weight shows without its decimals; left as shown it keeps them.
    postMeanwhile("OrAcc", pad("C001") + pad("P001") + pad("SO1"), "WEIGHT", 1500.75);
    OpenScreen o(4);
    o.highlight({"C001", "P001", "SO1"});
    StatusEditor e(o.screen.browse(), o.screen.def(), false);
    ASSERT_TRUE(e.begin());
    e.values().setNumber("WEIGHT", 1501);
    e.values().setNumber("ORWEIGHT", 12000);
    ASSERT_TRUE(e.save());
    EXPECT_EQ(fieldsOf(*site.find("OrAcc", "CODE", "SO1"), "WEIGHT ORWEIGHT"), "1500.75 12000");
}

// The error trap answering with `answer`; the write fails again after each of the first `again`
// answers.
class FailingAgain final : public core::FaultHandler {
public:
    FailingAgain(storagetest::FaultFileSystem& fs, core::FaultAnswer answer, int again)
        : m_fs(fs), m_answer(answer), m_again(again), m_previous(core::setFaultHandler(this))
    {
    }
    ~FailingAgain() override { core::setFaultHandler(m_previous); }
    core::FaultAnswer handle(const core::Fault&) override
    {
        if (++faults <= m_again)
            m_fs.failWrite = 1;
        return m_answer;
    }
    int faults = 0;

private:
    storagetest::FaultFileSystem& m_fs;
    core::FaultAnswer m_answer;
    int m_again;
    core::FaultHandler* m_previous;
};

TEST_F(StatusTest, GoingBackToTheRowIsTriedAgainWhenTheTrapAnswersRetry)
{
    site.load("ApAcc", "CODE,BALANCE\nF001,100\nF002,5\n");
    storagetest::FaultFileSystem fs;
    fs.failOnly = "APACC.DBF";
    // A change pending on the row is written when the list goes back to the row after the editor;
    // the write fails, and with Retry fails twice more before it goes through.
    const struct {
        core::FaultAnswer answer;
        int faults;
    } cases[] = {{core::FaultAnswer::Retry, 3}, {core::FaultAnswer::Quit, 1}};
    for (const auto& c : cases) {
        ScriptedStatusScreens screens;
        OpenScreen o(2);
        o.highlight({"F002"});
        FailingAgain trap(fs, c.answer, c.answer == core::FaultAnswer::Retry ? 2 : 0);
        screens.onEditor = [&](StatusEditor&) {
            storage::Table& t = *o.ws.find(accounts::kStatusAlias);
            ASSERT_TRUE(t.lock().ok());
            ASSERT_TRUE(t.put("BALANCE", core::Value::number(7, 2)).ok());
            fs.failWrite = 1;
        };
        o.screen.change();
        EXPECT_EQ(trap.faults, c.faults);
        EXPECT_EQ(o.cells().at(1), "นางสาวมาลี ศรีสุข");
        fs.failWrite = 0;
    }
}

// The status screens together with the postings of the weighing tickets.
class StatusPostingTest : public StatusTest {
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

    ScriptedStatusScreens screens;
};

TEST_F(StatusPostingTest, NothingIsStoredWithoutACodeAndRowsEnteredAndMarkedHereAreFoundByThePostings)
{
    {
        OpenScreen o(2);
        o.screen.change();  // nothing opens without a row
        EXPECT_TRUE(screens.editors.empty());
        ASSERT_EQ(site.prompts.shown.size(), 1u);
        EXPECT_EQ(site.prompts.shown[0].text, T("ไม่มีข้อมูลในตารางรหัส !"));
        bool closes = false;
        screens.onEditor = [&](StatusEditor& e) {
            e.values().setNumber("BALANCE", 5, 2);
            closes = e.save();
        };
        o.screen.add();
        EXPECT_TRUE(closes);
        EXPECT_TRUE(site.rows("ApAcc").empty());
    }
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
    auto s = screen(1);
    ASSERT_TRUE(firstWeighing(*s, host, {"70-1234"}, 12000));
    ASSERT_TRUE(startSecondWeighing(*s, host, "70-1234", 4000));
    ASSERT_TRUE(typeNumber(*s, "cDrCr", 58000));
    site.prompts.answers = {false};
    ASSERT_TRUE(s->TRSAVE());
    s->close();

    // The marked rows were found, not new ones made.
    ASSERT_EQ(site.rows("Stock").size(), 1u);
    ASSERT_EQ(site.rows("ApAcc").size(), 1u);
    EXPECT_EQ(fieldsOf(site.rows("Stock")[0], "CODE WHOUSE BALANCE"), "P001 W1 8100");
    EXPECT_EQ(fieldsOf(site.rows("ApAcc")[0], "CODE BALANCE BORROW"), "F001 59000 300");
    EXPECT_TRUE(site.rows("Stock")[0].deleted && site.rows("ApAcc")[0].deleted);
}

}  // namespace
