// The code tables through their models with scripted screens and prompts. The browser and pick-list:
// the seed, the code box and search, marked rows, the rights, the deletion mark, the management
// screen, nesting, a failed read. The editors: the rows against the catalogue, the code entry's
// checks, what Save writes (and must not), the duplicate re-check under the lock (in one process and
// between two), the product's unit pick-list. The browse functions other screens share: SACTION's
// search and CODCHK reading the key again on Retry.
#include <gtest/gtest.h>
#include <unistd.h>

#include "codes/pick_list.h"
#include "codes/table_browse.h"
#include "codes_fixture.h"
#include "core/password.h"
#include "storage/fault_fs.h"
#include "storage/fork_child.h"
#include "storage/ops.h"

using namespace codestest;
using codes::CodeBrowser;
using codes::CodeEditor;
using codes::EntryCheck;
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

TEST_F(CodeBrowserTest, TheSeedAndTheCodeBoxDecideWhereTheBrowserStands)
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
    // Typed in the code box.
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
        EXPECT_EQ(std::tuple(r.outcome, r.code, ws.currentAlias(), farmerName()),
                  std::tuple(Outcome::Accepted, pad("B02"), "company", "Corn farm"));
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

// Wrapping, marked rows, the row in view and searching again: BrowseActionsTest.
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

// The units open with the products (for the editor's unit fields); the values are released at the close.
TEST_F(CodeBrowserTest, TheManagementScreenCountsMovesAndClosesEveryTableItOpened)
{
    screens.onBrowser = [&](CodeBrowser& b) {
        EXPECT_TRUE(b.workspace().find("farmer"));
        EXPECT_EQ(codes::browserValues()->LPACCEPT, false);
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

// Accepting a unit in the nested pick-list never counts as accepting the product.
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
    EXPECT_EQ(std::tuple(r.outcome, r.code, depth), std::tuple(Outcome::Refused, "Q", 2));
    EXPECT_EQ(codes::browserValues(), nullptr);
}

TEST_F(CodeBrowserTest, AReadThatFailsIsTriedAgainWhenTheTrapAnswersRetry)
{
    storagetest::FaultFileSystem fs;
    // An exact code is accepted without the browser, whatever its case and blanks, marked or not.
    const PickResult marked = codes::POPCODE(ws, 1, "d01       ");  // the table opened
    EXPECT_EQ(std::tuple(marked.outcome, marked.code, farmerName()),
              std::tuple(Outcome::Accepted, pad("D01"), T("ร้านค้าเลิกกิจการ")));
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

// ---- The editors

const char* const kTaken = "รหัสนี้มีในตารางข้อมูลแล้ว !";

class CodeEditorTest : public ::testing::Test {
protected:
    int alerts()
    {
        int n = 0;
        for (const auto& s : prompts.shown)
            n += s.text == T(kTaken) && s.title == T("คำเตือน");
        return n;
    }

    CodeSite site;
    ScriptedScreens screens;
    testsupport::RecordingPrompts prompts;
};

// Every editor row edits a field of its table at the field's full width and decimals, so what is typed
// is what is stored.
TEST_F(CodeEditorTest, EveryEditorEditsFieldsOfItsTableAtTheirFullWidth)
{
    for (int n = 1; n <= codes::kCodeTables; ++n) {
        OpenBrowse b(n);
        const auto e = b.editor(n, true);
        ASSERT_GE(e->def().rows.size(), 2u);
        EXPECT_EQ(std::pair(e->def().rows[0].check, e->def().rows[1].check), std::pair(EntryCheck::Code, EntryCheck::Name))
            << n;
        const storage::Layout& layout = e->table().layout();
        for (const codes::EditorRow& row : e->def().rows) {
            SCOPED_TRACE(std::to_string(n) + " " + row.field);
            const int i = layout.find(row.field);
            ASSERT_GE(i, 0);
            const storage::Field& f = layout.fields()[std::size_t(i)];
            const std::size_t length = f.length;
            const core::Value& v = e->values().get(CodeEditor::valueName(row));
            if (f.type == storage::FieldType::Character) {
                EXPECT_EQ(std::pair(std::size_t(e->width(row)), v.asText().size()), std::pair(length, length));
                continue;
            }
            const std::string picture = e->picture(row);
            const auto point = picture.find('.');
            const std::size_t places = point == std::string::npos ? 0 : picture.size() - point - 1;
            const bool own = row.picture && *row.picture;
            EXPECT_EQ(std::tuple(std::size_t(e->width(row)), v.isNumber(), places, own ? length : picture.size()),
                      std::tuple(length, true, std::size_t(f.decimals), length));
        }
    }
}

TEST_F(CodeEditorTest, TheCodeEntryRefusesTakenAndEmptyCodes)
{
    site.add(1, {{"A01", "ก"}, {"D01", "ง", true}});
    // The row changed ("" adding), the code typed, whether it passes, the alerts shown.
    const std::tuple<const char*, const char*, bool, int> cases[] = {
        {"", "N01", true, 0}, {"", "A01", false, 1}, {"", "D01", false, 1},  // marked rows count
        {"", "", false, 0},   {"A01", "A01", true, 0},                        // a row's own code passes
    };
    for (const auto& [editing, typed, passes, alert] : cases) {
        SCOPED_TRACE(std::string(editing) + " -> " + typed);
        OpenBrowse b(1);
        if (*editing)
            b.highlight(editing);
        const auto e = b.editor(1, !*editing);
        prompts.shown.clear();
        e->values().setText("CODE", pad(core::xbase::upper(typed)));
        const bool passed = e->check("CODE");
        // The check moves nothing.
        EXPECT_EQ(std::tuple(passed, alerts(), highlighted(*b.browse)),
                  std::tuple(passes, alert, std::string(*editing ? editing : "A01")));
    }
    // The name must not be empty; the other entries take anything.
    OpenBrowse b(1);
    const auto e = b.editor(1, true);
    EXPECT_FALSE(e->check("NAME"));
    e->values().setText("NAME", pad("x", 60));
    EXPECT_TRUE(e->check("NAME"));
    EXPECT_TRUE(e->check("ADDR1"));
}

TEST_F(CodeEditorTest, SaveWritesTheShownFieldsAndNothingElse)
{
    site.add(4, {{"E01", "สมศรี"}});
    OpenBrowse b(4);
    b.highlight("E01");
    const auto e = b.editor(4, false);
    // Meanwhile the password and rights dialogs (or another workstation) change the row.
    {
        auto other = site.open(4);
        ASSERT_TRUE(other->seek(pad("E01")).ok());
        ASSERT_TRUE(other->lock().ok());
        ASSERT_TRUE(other->put("PASS_W", core::Value::text(core::password::stored("NEW"))).ok());
        ASSERT_TRUE(other->put("TRUSTEE", core::Value::text(std::string(42, '6'))).ok());
        ASSERT_TRUE(other->unlock().ok());
    }
    e->values().setText("NAME", pad(T("สมศรี มีสุข"), 60));
    EXPECT_TRUE(e->save());
    EXPECT_TRUE(e->saved());
    EXPECT_EQ((Codes{site.field(4, "E01", "NAME"), site.field(4, "E01", "PASS_W"), site.field(4, "E01", "TRUSTEE")}),
              (Codes{T("สมศรี มีสุข"), core::password::stored("NEW"), std::string(42, '6')}));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(CodeEditorTest, SaveWithAnEmptyCodeStoresNothing)
{
    site.add(1, {{"A01", "ก"}, {"B01", "ข"}});
    OpenBrowse b(1);
    b.highlight("B01");
    codes::CEDIT(*b.browse, true, 1, 6);  // the form never shown: the editor is cancelled
    screens.onEditor = [](CodeEditor& e) {
        e.values().setText("NAME", pad("only a name", 60));
        EXPECT_TRUE(e.save());  // the form closes
    };
    codes::CEDIT(*b.browse, true, 1, 6);
    EXPECT_EQ(std::pair(site.codes(1), highlighted(*b.browse)), std::pair(Codes{"A01", "B01"}, std::string("B01")));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(CodeEditorTest, ACodeTakenMeanwhileIsRefusedAtSaveAndTheFormStaysOpen)
{
    site.add(1, {{"A01", "ก"}});
    for (const bool adding : {true, false}) {
        const std::string code = adding ? "X1" : "X2";
        OpenBrowse mine(1), theirs(1);
        if (!adding)
            mine.highlight("A01");
        const auto e = mine.editor(1, adding);
        enter(*e, code, "ของฉัน");
        ASSERT_TRUE(e->check("CODE"));  // free when the entry was left

        const auto other = theirs.editor(1, true);
        enter(*other, code, "ของเขา");
        ASSERT_TRUE(other->save());

        prompts.shown.clear();
        EXPECT_FALSE(e->save());
        // Not saved, told once, what was typed stays, theirs is stored.
        EXPECT_EQ(std::tuple(e->saved(), alerts(), e->values().text("CODE"), site.field(1, code, "NAME")),
                  std::tuple(false, 1, pad(code), T("ของเขา")));
    }
    EXPECT_EQ(site.codes(1), (Codes{"A01", "X1", "X2"}));
}

// Both workstations passed the code entry's check before either saved: one is refused at save.
TEST(DuplicateCode, TwoProcessesAddingTheSameCodeAtOnceStoreItOnce)
{
    using enum storagetest::SaveOutcome;
    CodeSite site;
    site.add(1, {{"A01", "มีอยู่แล้ว"}});
    const auto workstation = [&](storagetest::Child& parent) {
        testsupport::RecordingPrompts prompts;
        OpenBrowse b(1);
        if (!b.browse)
            return kBroken;
        codes::CodeEditor editor(*b.browse, 1, true, 6);
        if (!editor.begin())
            return kBroken;
        enter(editor, "DUP", "ชื่อจาก " + std::to_string(::getpid()));
        if (!editor.check("CODE"))
            return kBroken;  // free when the entry was left, in both
        // The first to take the lock holds it a while: the other must wait and then see the code.
        editor.setBeforeWrite([] { ::usleep(300 * 1000); });
        if (!parent.readyThenGo())
            return kBroken;
        if (editor.save())
            return kStored;
        return prompts.texts() == Codes{kTaken} && editor.values().text("CODE") == pad("DUP") ? kRefused : kBroken;
    };
    const auto [ra, rb] = storagetest::startTogether(workstation, workstation);
    EXPECT_EQ(std::minmax(ra, rb), std::minmax<int>(kStored, kRefused));
    EXPECT_EQ(site.codes(1), (Codes{"A01", "DUP"}));
}

TEST_F(CodeEditorTest, TheProductsUnitsGoThroughTheNestedUnitPickList)
{
    site.add(3, {{"P01", "ข้าวเปลือก"}});
    site.add(6, {{"KG", "กิโลกรัม"}, {"TON", "ตัน"}});
    // Typed, the browser opened (and closed without choosing), passes, the value after. A unit chosen
    // in the nested browser: CodeBrowserTest.ANestedBrowserLeavesTheOuterBrowsersValuesAsTheyWere.
    const std::tuple<const char*, bool, bool, const char*> cases[] = {
        {"kg", false, true, "KG"},  // an existing code: no browser
        {"XX", true, false, "XX"},  // refused, the text stays
        {"", true, false, ""},      // a blank one opens the browser too
    };
    for (const auto& [typed, browser, passes, value] : cases) {
        OpenBrowse b(3);
        b.highlight("P01");
        const auto e = b.editor(3, false);
        screens.browsers = 0;
        screens.onBrowser = [&](codes::CodeBrowser& nested) { EXPECT_EQ(nested.def().number, 6); };
        e->values().setText("CUNIT2", pad(core::xbase::upper(typed)));
        const bool passed = e->check("CUNIT2");
        EXPECT_EQ(std::tuple(passed, screens.browsers, e->values().text("CUNIT2"), highlighted(*b.browse),
                             b.ws.currentAlias()),
                  std::tuple(passes, browser ? 1 : 0, pad(value), "P01", "Product")) << typed;
    }
    // The unit and the numbers are stored in their fields, at their widths' decimals.
    OpenBrowse b(3);
    b.highlight("P01");
    const auto e = b.editor(3, false);
    e->values().setText("CUNIT2", pad("TON"));
    e->values().set("PRICE2", core::Value::number(15.25, 3));
    ASSERT_TRUE(e->save());
    EXPECT_EQ((Codes{site.field(3, "P01", "UNIT2"), site.field(3, "P01", "PRICE2")}), (Codes{"TON", "15.250"}));
}

TEST_F(CodeEditorTest, ChangingWithNoRowOpensNothing)
{
    OpenBrowse b(2);
    EXPECT_FALSE(CodeEditor(*b.browse, 2, false, 6).begin());
    // The browser's dispatch says so before an editor is made.
    codes::CEDIT(*b.browse, false, 2, 6);
    EXPECT_EQ(prompts.texts(), (Codes{"ไม่มีข้อมูลในตารางรหัส !", "ไม่สามารถแก้ไขข้อมูลนี้ได้"}));
    EXPECT_EQ(screens.editors, 0);
}

TEST_F(CodeEditorTest, ChangingACodeKeepsTheRowAndMovesItInTheBrowse)
{
    site.add(5, {{"W1", "คลัง 1"}, {"W2", "คลัง 2"}});
    OpenBrowse b(5);
    b.highlight("W1");
    screens.onEditor = [](CodeEditor& e) {
        EXPECT_EQ(e.oldCode(), pad("W1"));
        e.values().setText("CODE", pad("W9"));
        ASSERT_TRUE(e.check("CODE"));
        e.values().setText("REMARKS", pad(T("ย้ายแล้ว"), 60));
        EXPECT_TRUE(e.save());
    };
    codes::CEDIT(*b.browse, false, 5, 6);
    EXPECT_EQ(std::tuple(site.codes(5), site.field(5, "W9", "REMARKS"), highlighted(*b.browse)),
              std::tuple(Codes{"W2", "W9"}, T("ย้ายแล้ว"), "W9"));
}

// ---- The browse functions

const char* const kNotFound = "ไม่พบข้อความที่ระบุ";

class BrowseActionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        site.add(12, {{"R01", "Daily weighing"}, {"R02", "Stock balance"}, {"R03", "รายงานสินค้า rice"},
                      {"S01", "Supplier RICE"}, {"S02", "Customer list", true}, {"S03", "Rice by month"}});
        ASSERT_TRUE(storage::OPEN(ws, site.folder(), "Replist", "CODE", false, "Replist", "Replist", "RepList"));
    }
    // A browse of the report list, optionally limited to codes beginning with scope.
    std::unique_ptr<codes::TableBrowse> browse(std::string_view scope = {})
    {
        EXPECT_TRUE(storage::TableRowSource::create(*ws.find("RepList"), {"CODE", "NAME"}, &source, scope).ok());
        auto b = std::make_unique<codes::TableBrowse>(ws, "RepList", *source);
        b->setView({.refresh = [this] { ++refreshes; }, .focus = [this] { ++focuses; }});
        return b;
    }
    void moveTo(codes::TableBrowse& b, const std::string& code)
    {
        b.source().goTop();
        while (highlighted(b) != code)
            ASSERT_EQ(b.source().skip(1), 1) << code;
    }

    CodeSite site;
    testsupport::RecordingPrompts prompts;
    storage::Workspace ws;
    std::unique_ptr<storage::TableRowSource> source;
    int refreshes = 0;
    int focuses = 0;
};

TEST_F(BrowseActionsTest, SearchStepsForwardThroughTheExpressionsText)
{
    // The scope, the row started from, the text, the expression, the row found ("" when not found:
    // back on the start).
    const std::tuple<const char*, const char*, const char*, const char*, const char*> cases[] = {
        {"", "R01", "rice", "RepList->code+RepList->name", "R03"},
        {"", "S03", "SUPPLIER", "RepList->code+RepList->name", ""},    // never wraps
        {"", "R01", "s02", "code+name", "S02"},                         // marked rows too; plain names
        {"R", "R01", "SUPPLIER", "RepList->name", ""},                  // the scope ends the search
        {"", "R01", "3", "LEN(TRIM(name))", "R02"},                     // numbers as they display: "13"
    };
    for (const auto& [scope, start, text, expression, found] : cases) {
        SCOPED_TRACE(std::string(text) + " from " + start);
        auto b = browse(scope);
        moveTo(*b, start);
        prompts.shown.clear();
        refreshes = focuses = 0;
        EXPECT_TRUE(codes::SACTION(*b, 3, text, expression));
        const std::string row = highlighted(*b);
        // The table follows the browse, which is drawn and focused once.
        EXPECT_EQ(std::tuple(row, ws.find("RepList")->recNo(), refreshes, focuses, prompts.texts()),
                  std::tuple(*found ? found : start, b->source().recNo(), 1, 1, *found ? Codes{} : Codes{kNotFound}));
    }
}

// The same text again goes on after the last row found; a new text or a move starts afresh.
TEST_F(BrowseActionsTest, SearchAgainGoesOnAndAnEmptyTextSaysSo)
{
    auto b = browse();
    moveTo(*b, "R03");
    for (const char* want : {"R03", "S01", "S03", "S03"}) {
        codes::SACTION(*b, 3, "rice", "name");
        EXPECT_EQ(highlighted(*b), want);
    }
    codes::SACTION(*b, 1, "", "");
    codes::SACTION(*b, 3, "daily", "name");
    EXPECT_EQ(highlighted(*b), "R01");
    codes::SACTION(*b, 3, "  ", "name");
    EXPECT_EQ(highlighted(*b), "R01");
    EXPECT_EQ(prompts.texts(), (Codes{kNotFound, codes::kEmptySearchUtf8}));
    auto scoped = browse("R");
    codes::SACTION(*scoped, 2, "", "");
    EXPECT_EQ(highlighted(*scoped), "R03") << "the bottom of the scope, not of the table";

    // A search over more rows than one batch reads.
    prompts.shown.clear();
    std::vector<Row> rows;
    for (int i = 0; i < 1500; ++i)
        rows.push_back({"T" + std::to_string(10000 + i), i == 1400 ? "the needle" : "hay"});
    site.add(12, rows);
    auto many = browse();
    moveTo(*many, "T10000");
    codes::SACTION(*many, 3, "NEEDLE", "name");
    EXPECT_EQ(highlighted(*many), "T11400");
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(BrowseActionsTest, CodchkReadsTheKeyAgainWhenTheTrapAnswersRetry)
{
    storagetest::FaultFileSystem fs;
    storage::Workspace own;
    ASSERT_TRUE(storage::OPEN(own, site.folder(), "Replist", "CODE", false, "Replist", "Replist", "RepList"));
    storage::Table& t = *own.find("RepList");
    // A code another row has is refused only when its key could be read.
    for (const auto& [answer, accepted] :
         {std::pair{core::FaultAnswer::Retry, false}, {core::FaultAnswer::Default, true}}) {
        testsupport::RecordingFaultHandler faults(answer);
        fs.failRead = 1;
        EXPECT_EQ(codes::CODCHK(t, pad("R09"), pad("R01"), 1), accepted);
        EXPECT_EQ(faults.faults.size(), 1u);
    }
}

}  // namespace
