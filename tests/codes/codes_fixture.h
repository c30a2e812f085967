// A site for the code-table tests: CDRV1 pointing at a fresh folder holding the twelve code tables
// (empty, the catalogue's fields, built indexes), rows added through the shared append, the
// logged-in user's rights, and scripted screens standing in for the browser's and editors' dialogs.
#pragma once

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "codes/code_browser.h"
#include "codes/code_editor.h"
#include "codes/code_tables.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/table.h"
#include "support/seams.h"
#include "support/temp_dir.h"

namespace codestest {

using core::tis620::T;
using Codes = std::vector<std::string>;

inline std::string pad(const std::string& s, std::size_t width = 10) { return core::xbase::padRight(s, width); }

struct Row {
    std::string code;
    std::string nameUtf8;
    bool marked = false;
};

class CodeSite {
public:
    CodeSite()
    {
        core::programSettings().setText("CDRV1", folder());
        core::programSettings().setText("CTRUSTEE", std::string(42, '6'));
        for (int n = 1; n <= 12; ++n) {
            const storage::TableDef& t = storage::codeTable(n);
            const auto fields = storage::fieldSpecs(t.fields);
            EXPECT_TRUE(storage::Table::create(folder() + storage::tableFileName(t), fields, true).ok());
            std::filesystem::remove(folder() + storage::indexFileName(t.indexes[0]));
        }
    }
    ~CodeSite() { core::programSettings().clear(); }

    std::string folder() const { return dir.path() + "/"; }

    std::unique_ptr<storage::Table> open(int number)
    {
        std::unique_ptr<storage::Table> t;
        const storage::Status s =
            storage::openCatalogueTable(folder(), storage::codeTable(number), storage::ShareMode::Shared, &t);
        EXPECT_TRUE(s.ok()) << s.toString();
        return t;
    }

    void add(int number, const std::vector<Row>& rows)
    {
        auto t = open(number);
        for (const Row& r : rows) {
            ASSERT_TRUE(t->append().ok());
            ASSERT_TRUE(t->put("CODE", core::Value::text(r.code)).ok());
            ASSERT_TRUE(t->put("NAME", core::Value::text(T(r.nameUtf8))).ok());
            if (r.marked) {
                ASSERT_TRUE(t->deleteRecord().ok());
            }
            ASSERT_TRUE(t->unlock().ok());
        }
        ASSERT_TRUE(t->close().ok());
    }

    // The codes of a table in code order, trailing blanks removed; marked ones end with "*".
    Codes codes(int number)
    {
        auto t = open(number);
        Codes out;
        EXPECT_TRUE(t->goTop().ok());
        for (; !t->eof(); (void)t->skip()) {
            core::Value v;
            EXPECT_TRUE(t->get("CODE", &v).ok());
            out.push_back(core::xbase::rtrim(v.asText()) + (t->deleted() ? "*" : ""));
        }
        return out;
    }

    // A field of the row with that code, as stored (trailing blanks removed from texts).
    std::string field(int number, const std::string& code, const char* name)
    {
        auto t = open(number);
        EXPECT_TRUE(t->seek(pad(code)).ok());
        if (!t->found())
            return "<missing>";
        core::Value v;
        EXPECT_TRUE(t->get(name, &v).ok());
        return v.isText() ? core::xbase::rtrim(v.asText()) : v.toDisplayText();
    }

    void setLevel(int number, int level)
    {
        std::string rights = core::programSettings().text("CTRUSTEE");
        rights[std::size_t(16 + number - 1)] = char('0' + level);
        core::programSettings().setText("CTRUSTEE", rights);
    }

    testsupport::TempDir dir;
};

// The farmers' table both the browser's model and its dialog are tried on; D01 is marked.
class FarmersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        site.add(1, {{"A01", "นายสมชาย ใจดี"}, {"A02", "Rice Mill Co"}, {"B01", "Brown rice farm"},
                     {"B02", "Corn farm"}, {"C01", "RICE sack shop"}, {"D01", "ร้านค้าเลิกกิจการ", true}});
    }

    CodeSite site;
    testsupport::RecordingPrompts prompts;
    storage::Workspace ws;
};

// The dialogs of the code screens as scripts: each shown browser or editor runs the script given.
class ScriptedScreens final : public codes::CodeScreens {
public:
    ScriptedScreens() : m_previous(codes::setCodeScreens(this)) {}
    ~ScriptedScreens() override { codes::setCodeScreens(m_previous); }

    void showBrowser(codes::CodeBrowser& browser) override
    {
        ++browsers;
        browser.opened();
        if (onBrowser)
            onBrowser(browser);
    }
    void showEditor(codes::CodeEditor& editor) override
    {
        ++editors;
        if (onEditor)
            onEditor(editor);
    }

    std::function<void(codes::CodeBrowser&)> onBrowser;
    std::function<void(codes::CodeEditor&)> onEditor;
    int browsers = 0;
    int editors = 0;

private:
    codes::CodeScreens* m_previous;
};

// A code table open in a workspace with a browse over it, as the browser has it.
struct OpenBrowse {
    // browse stays empty when the table cannot be opened.
    explicit OpenBrowse(int number, int rows = 10)
    {
        const std::string alias = codes::codeTableDef(number).alias;
        if (!codes::openCodeTable(ws, number) ||
            !storage::TableRowSource::create(*ws.find(alias), {"CODE", "NAME"}, &source).ok()) {
            ADD_FAILURE() << "code table " << number << " does not open";
            return;
        }
        browse = std::make_unique<codes::TableBrowse>(ws, alias, *source);
        browse->setView({.visibleRows = [rows] { return rows; }});
    }
    void highlight(const std::string& code)
    {
        ASSERT_TRUE(browse->table().seek(pad(code)).ok());
        ASSERT_TRUE(browse->table().found()) << code;
        browse->follow();
    }
    // An editor of the highlighted row (adding: of a new one) at the level, begun.
    std::unique_ptr<codes::CodeEditor> editor(int number, bool adding, int level = 6)
    {
        auto e = std::make_unique<codes::CodeEditor>(*browse, number, adding, level);
        EXPECT_TRUE(e->begin()) << number;
        return e;
    }

    storage::Workspace ws;
    std::unique_ptr<storage::TableRowSource> source;
    std::unique_ptr<codes::TableBrowse> browse;
};

// The code of the browse's highlighted row, trailing blanks removed ("" past the last row).
inline std::string highlighted(codes::TableBrowse& browse)
{
    if (!browse.sync())
        return {};
    core::Value v;
    EXPECT_TRUE(browse.table().get("CODE", &v).ok());
    return core::xbase::rtrim(v.asText());
}

inline void enter(codes::CodeEditor& e, const std::string& code, const std::string& nameUtf8)
{
    e.values().setText("CODE", pad(code));
    e.values().setText("NAME", pad(T(nameUtf8), 60));
}

}  // namespace codestest
