// The code record editors through their model: the rows against the catalogue, the code entry's
// checks, what Save writes (and must not), the duplicate re-check under the lock (in one process and
// between two), and the product's unit pick-list.
#include <gtest/gtest.h>
#include <unistd.h>

#include "codes/pick_list.h"
#include "codes_fixture.h"
#include "core/password.h"
#include "storage/field_codec.h"
#include "storage/fork_child.h"

using namespace codestest;
using codes::CodeEditor;
using codes::EntryCheck;

namespace {

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

// Each table's editor rows name fields of its table, and each is edited at its field's full width: a
// text value fills its field; a number is typed with its field's decimals, and without a picture of
// its own through one as wide as its field (its whole places, the point and its decimals), so what is
// typed is what is stored.
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
    EXPECT_EQ(site.field(4, "E01", "NAME"), T("สมศรี มีสุข"));
    EXPECT_EQ(site.field(4, "E01", "PASS_W"), core::password::stored("NEW"));
    EXPECT_EQ(site.field(4, "E01", "TRUSTEE"), std::string(42, '6'));
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
    EXPECT_EQ(site.codes(1), (Codes{"A01", "B01"}));
    EXPECT_EQ(highlighted(*b.browse), "B01");
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
        EXPECT_FALSE(e->saved());
        EXPECT_EQ(alerts(), 1);
        EXPECT_EQ(e->values().text("CODE"), pad(code));  // what was typed stays
        EXPECT_EQ(site.field(1, code, "NAME"), T("ของเขา"));
    }
    EXPECT_EQ(site.codes(1), (Codes{"A01", "X1", "X2"}));
}

// Two workstations (processes) adding the same supplier code at the same moment: both passed the
// code entry's check before either saved; the code is stored once and the other form is refused
// with the duplicate alert.
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
        EXPECT_EQ(b.ws.currentAlias(), "Product");
        EXPECT_EQ(std::tuple(passed, screens.browsers, e->values().text("CUNIT2"), highlighted(*b.browse)),
                  std::tuple(passes, browser ? 1 : 0, pad(value), "P01")) << typed;
    }
    // The unit and the numbers are stored in their fields, at their widths' decimals.
    OpenBrowse b(3);
    b.highlight("P01");
    const auto e = b.editor(3, false);
    e->values().setText("CUNIT2", pad("TON"));
    e->values().set("PRICE2", core::Value::number(15.25, 3));
    ASSERT_TRUE(e->save());
    EXPECT_EQ(site.field(3, "P01", "UNIT2"), "TON");
    EXPECT_EQ(site.field(3, "P01", "PRICE2"), "15.250");
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
    EXPECT_EQ(site.codes(5), (Codes{"W2", "W9"}));
    EXPECT_EQ(site.field(5, "W9", "REMARKS"), T("ย้ายแล้ว"));
    EXPECT_EQ(highlighted(*b.browse), "W9");
}

}  // namespace
