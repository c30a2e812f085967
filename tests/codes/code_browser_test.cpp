// The code browser and pick-list through its model with scripted screens and prompts: the seed, the
// code box and search, marked rows, the rights, the deletion mark, the management screen, nesting, a
// failed read.
#include <gtest/gtest.h>

#include "codes/pick_list.h"
#include "codes_fixture.h"
#include "storage/fault_fs.h"
#include "storage/ops.h"

using namespace codestest;
using codes::CodeBrowser;
using codes::PickResult;
using Outcome = codes::PickResult::Outcome;

namespace {

class CodeBrowserTest : public FarmersTest {
protected:
    // The name of the farmer the code table stands on, as the caller reads it.
    std::string farmerName()
    {
        core::Value name;
        EXPECT_TRUE(ws.find("farmer")->get("NAME", &name).ok());
        return core::xbase::rtrim(name.asText());
    }
    void openCompany()
    {
        ASSERT_TRUE(storage::OPEN(ws, site.folder(), "Company", "CODE", false, "Company", "Company", "company"));
    }

    ScriptedScreens screens;
};

TEST_F(CodeBrowserTest, TheSeedDecidesWhereTheBrowserOpens)
{
    // The seed, the code box and the highlighted row the browser opens with.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"A", "A", "A01"},          // a prefix of several codes: the first, the prefix in the box
        {"b0", "B0", "B01"},        // upper-cased
        {"ZZ", "", "A01"},          // nothing begins with it: the first row, an empty box
        {"A0123456789", "", "A01"}, // longer than a code
    };
    for (const auto& [seed, codeBox, row] : cases) {
        std::string shownBox, shownRow;
        screens.onBrowser = [&](CodeBrowser& b) {
            shownBox = core::xbase::rtrim(b.codeBox());
            shownRow = highlighted(b.browse());
        };
        core::ValueMap values;
        values.setText("cFarmer", seed);
        EXPECT_FALSE(codes::pickCode(ws, 1, values, "cFarmer", "", true)) << seed;
        // Closed without accepting: the field gets the seed back.
        EXPECT_EQ(std::tuple(shownBox, shownRow, values.text("cFarmer")), std::tuple(codeBox, row, seed));
    }
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(CodeBrowserTest, EnterOrOkPicksTheHighlightedRowAndSelectsTheCallersTable)
{
    openCompany();
    for (const bool byEnter : {true, false}) {
        screens.onBrowser = [&](CodeBrowser& b) {
            b.CFILTER("b");
            ASSERT_TRUE(b.browse().source().skip(1) == 1);  // the person moves down a row
            if (byEnter)
                b.CSELECT(0);
            else
                b.ok();
            EXPECT_TRUE(b.closing());
        };
        const PickResult r = codes::POPCODE(ws, 1, "X", "company");
        EXPECT_EQ(r.outcome, Outcome::Accepted);
        EXPECT_EQ(r.code, pad("B02"));
        EXPECT_EQ(ws.currentAlias(), "company");
        EXPECT_EQ(farmerName(), "Corn farm");
    }
}

TEST_F(CodeBrowserTest, AMarkedRowIsNeitherPickedNorEdited)
{
    screens.onBrowser = [&](CodeBrowser& b) {
        b.CFILTER("D");
        ASSERT_EQ(highlighted(b.browse()), "D01");
        b.CSELECT(0);  // Enter; a double click is the same call
        if (b.mode() == CodeBrowser::Mode::Pick) {
            b.ok();
            EXPECT_FALSE(b.closing());
        }
        b.CEDIT(false);
    };
    EXPECT_FALSE(codes::POPCODE(ws, 1, "").accepted());
    codes::POPCODE(1);
    EXPECT_EQ(screens.editors, 0);
    // Enter and OK, then the edit button, in the pick-list; Enter, then the edit button, in the
    // management screen.
    const std::string marked = "ข้อมูลถูกทำเครื่องหมายลบ !", notEditable = "ไม่สามารถแก้ไขข้อมูลนี้ได้";
    EXPECT_EQ(prompts.texts(), (Codes{marked, marked, notEditable, marked, notEditable}));
}

TEST_F(CodeBrowserTest, TheUsersLevelDecidesAddEditAndDelete)
{
    // The level, whether changes are allowed, and add, edit, delete offered: each level's boundary.
    const std::tuple<int, bool, bool, bool, bool> cases[] = {
        {2, true, false, false, false}, {3, true, true, false, false},   {4, true, true, true, false},
        {5, true, true, true, true},    {6, false, false, false, false},
    };
    for (const auto& [level, allowChanges, add, edit, del] : cases) {
        SCOPED_TRACE(level);
        site.setLevel(1, level);
        // Structured bindings are captured by copy: not every compiler here captures them by reference.
        screens.onBrowser = [&, add = add, edit = edit, del = del](CodeBrowser& b) {
            EXPECT_EQ(std::tuple(b.canAdd(), b.canEdit(), b.canDelete()), std::tuple(add, edit, del));
            // Buttons that are off do nothing, whatever calls them.
            b.CEDIT(true);
            b.CDELETE();
        };
        (void)codes::POPCODE(ws, 1, "A01X", "", allowChanges);
    }
    EXPECT_EQ(screens.editors, 3);        // add at levels 3 .. 5
    EXPECT_EQ(prompts.shown.size(), 1u);  // the delete confirmation at 5, answered No
    // Enter in the management screen opens the editor only for users who may edit.
    screens.onBrowser = [](CodeBrowser& b) { b.CSELECT(0); };
    for (const int level : {1, 3, 4}) {
        site.setLevel(1, level);
        screens.editors = 0;
        codes::POPCODE(1);
        EXPECT_EQ(screens.editors, level >= 4 ? 1 : 0) << level;
    }
}

TEST_F(CodeBrowserTest, TheCodeBoxPositionsOnThePrefix)
{
    screens.onBrowser = [&](CodeBrowser& b) {
        b.CFILTER("c");
        EXPECT_EQ(b.codeBox(), pad("C", 20));
        EXPECT_EQ(highlighted(b.browse()), "C01");
        b.CFILTER("Q");  // no code begins with it: the row stays
        EXPECT_EQ(highlighted(b.browse()), "C01");
        b.CFILTER("");
        EXPECT_EQ(highlighted(b.browse()), "A01");
    };
    (void)codes::POPCODE(ws, 1, "");
    EXPECT_EQ(prompts.texts(), Codes{"ไม่พบรหัสที่ระบุ"});
}

// The search runs through the browse's own searchRows: wrapping, marked rows, the row in view and
// searching again are BrowseActionsTest's.
TEST_F(CodeBrowserTest, SearchFindsTheTextInCodeOrNameWithinTheCodeBoxPrefix)
{
    const char* notFound = "ไม่พบข้อมูลที่ระบุ !";
    // The code box, the row the search starts from (moved to after the code box), the text, the row
    // found ("" when not found: the row stays on the start) and what is said.
    const std::tuple<const char*, const char*, const char*, const char*, const char*> cases[] = {
        {"", "B02", "rice", "C01", ""},   // any mix of case
        {"B", "B02", "RICE", "", notFound},     // B02 lacks it and C01 is outside the prefix
        {"A", "A01", "a02", "A02", ""},   // the code counts too
        {"", "A01", "   ", "", codes::kEmptySearchUtf8},
    };
    for (const auto& [codeBox, start, text, found, said] : cases) {
        SCOPED_TRACE(std::string(text) + " from " + start);
        prompts.shown.clear();
        screens.onBrowser = [&, codeBox = codeBox, start = start, text = text, found = found](CodeBrowser& b) {
            b.CFILTER(codeBox);
            while (highlighted(b.browse()) != start)
                ASSERT_EQ(b.browse().source().skip(1), 1);
            b.CSEARCH(T(text));
            EXPECT_EQ(std::tuple(core::xbase::rtrim(b.searchBox()), highlighted(b.browse())),
                      std::tuple(core::xbase::rtrim(core::xbase::upper(T(text))), *found ? found : start));
        };
        (void)codes::POPCODE(ws, 1, "");
        EXPECT_EQ(prompts.texts(), *said ? Codes{said} : Codes{});
    }
}

TEST_F(CodeBrowserTest, DeleteTogglesTheMarkAfterConfirmation)
{
    prompts.answers = {false, true, true};
    screens.onBrowser = [&](CodeBrowser& b) {
        b.CFILTER("B02");
        b.CDELETE();  // No
        b.CDELETE();  // Yes: marked
        EXPECT_TRUE(b.browse().table().deleted());
        b.CFILTER("D01");
        b.CDELETE();  // Yes: unmarked
    };
    codes::POPCODE(1);
    EXPECT_EQ(prompts.texts(), (Codes{"สั่งทำเครื่องหมายลบ", "สั่งทำเครื่องหมายลบ", "ยกเลิกเครื่องหมายลบ"}));
    for (const auto& s : prompts.shown)
        EXPECT_TRUE(s.question);
    EXPECT_EQ(site.codes(1), (Codes{"A01", "A02", "B01", "B02*", "C01", "D01"}));
}

// The management screen opens its table (and the units with the products, for the editor's unit
// fields), counts marked rows too, moves to either end, and releases its values when it closes.
TEST_F(CodeBrowserTest, TheManagementScreenCountsMovesAndClosesEveryTableItOpened)
{
    screens.onBrowser = [&](CodeBrowser& b) {
        EXPECT_TRUE(b.workspace().find("farmer"));
        EXPECT_EQ(codes::browserValues()->LPACCEPT, false);
        EXPECT_EQ(b.recordCountText(), "Record = 6");  // marked rows count
        b.CGOTOP(1);
        EXPECT_EQ(highlighted(b.browse()), "D01");
        b.CGOTOP(0);
        EXPECT_EQ(highlighted(b.browse()), "A01");
    };
    codes::POPCODE(1);
    EXPECT_EQ(codes::browserValues(), nullptr);
    screens.onBrowser = [&](CodeBrowser& b) { EXPECT_TRUE(b.workspace().find("Unit")); };
    codes::POPCODE(3);
    EXPECT_EQ(screens.browsers, 2);
}

TEST_F(CodeBrowserTest, AMissingTableClosesTheCallersTablesAndFails)
{
    openCompany();
    std::filesystem::remove(site.dir.file("WHOUSE.DBF"));
    EXPECT_EQ(codes::POPCODE(ws, 5, "W1", "company").outcome, Outcome::Failed);
    EXPECT_TRUE(ws.aliases().empty());
    EXPECT_EQ(prompts.texts(), Codes{"ไม่พบแฟ้ม WHouse"});
    EXPECT_EQ(screens.browsers, 0);
}

// The unit pick-list nested in the product editor works on the outer browser's values and gives
// them back: accepting a unit never counts as accepting the product.
TEST_F(CodeBrowserTest, ANestedBrowserLeavesTheOuterBrowsersValuesAsTheyWere)
{
    site.add(3, {{"P01", "ข้าวเปลือก"}});
    site.add(6, {{"KG", "กิโลกรัม"}, {"TON", "ตัน"}});
    int depth = 0;
    screens.onBrowser = [&](CodeBrowser& b) {
        if (++depth == 1) {
            EXPECT_FALSE(b.nested());
            b.CFILTER("P");
            b.CEDIT(false);  // the product editor, whose unit field opens the nested browser
            EXPECT_EQ(codes::browserValues()->CGET1, pad("P", 20));
            EXPECT_FALSE(b.accepted());
            return;  // closed with the close box
        }
        EXPECT_TRUE(b.nested());
        EXPECT_FALSE(b.canAdd() || b.canEdit() || b.canDelete());
        EXPECT_EQ(b.codeBox(), pad("T", 20));
        b.ok();
    };
    screens.onEditor = [&](codes::CodeEditor& e) {
        e.values().setText("CUNIT1", pad("T"));
        EXPECT_TRUE(e.check("CUNIT1"));
        EXPECT_EQ(e.values().text("CUNIT1"), pad("TON"));
        EXPECT_EQ(e.workspace().currentAlias(), "Product");
    };
    const PickResult r = codes::POPCODE(ws, 3, "Q");
    EXPECT_EQ(r.outcome, Outcome::Refused);
    EXPECT_EQ(r.code, "Q");
    EXPECT_EQ(depth, 2);
    EXPECT_EQ(codes::browserValues(), nullptr);
}

TEST_F(CodeBrowserTest, EnterIsSuspendedWhileAnEditorRuns)
{
    bool boundDuringEdit = true;
    CodeBrowser* outer = nullptr;
    screens.onBrowser = [&](CodeBrowser& b) {
        outer = &b;
        EXPECT_TRUE(b.enterBound());
        b.CEDIT(true);
        EXPECT_TRUE(b.enterBound());
    };
    screens.onEditor = [&](codes::CodeEditor&) {
        boundDuringEdit = outer->enterBound();
        outer->CSELECT(0);  // ignored: no second editor opens
    };
    codes::POPCODE(1);
    EXPECT_FALSE(boundDuringEdit);
    EXPECT_EQ(screens.editors, 1);
}

TEST_F(CodeBrowserTest, AReadThatFailsIsTriedAgainWhenTheTrapAnswersRetry)
{
    storagetest::FaultFileSystem fs;
    // An exact code is accepted without the browser, whatever its case and blanks, marked or not.
    const PickResult marked = codes::POPCODE(ws, 1, "d01       ");  // the table opened
    EXPECT_EQ(marked.outcome, Outcome::Accepted);
    EXPECT_EQ(marked.code, pad("D01"));
    EXPECT_EQ(farmerName(), T("ร้านค้าเลิกกิจการ"));
    EXPECT_EQ(screens.browsers, 0);
    // Retry reads the code again; otherwise it counts as not found and the browser opens.
    for (const auto& [answer, outcome, browsers] : {std::tuple{core::FaultAnswer::Retry, Outcome::Accepted, 0},
                                                    std::tuple{core::FaultAnswer::Default, Outcome::Refused, 1}}) {
        screens.browsers = 0;
        testsupport::RecordingFaultHandler faults(answer);
        fs.failRead = 1;
        EXPECT_EQ(codes::POPCODE(ws, 1, "A02").outcome, outcome);
        EXPECT_EQ(faults.faults.size(), 1u);
        EXPECT_EQ(screens.browsers, browsers);
    }
}

}  // namespace
