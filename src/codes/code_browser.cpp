#include "codes/code_browser.h"

#include <stdexcept>

#include "codes/code_editor.h"
#include "core/prompts.h"
#include "core/seam.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "expr/functions.h"
#include "shell/rights.h"
#include "storage/fault_bridge.h"
#include "storage/ops.h"

namespace codes {
namespace {

using core::tis620::T;
namespace xb = core::xbase;

// The values of the open browser and how many browsers are open (1, or 2 with a nested one).
BrowserValues g_values;
int g_depth = 0;

class NoScreens final : public CodeScreens {
public:
    void showBrowser(CodeBrowser&) override {}
    void showEditor(CodeEditor&) override {}
};

NoScreens g_noScreens;
core::Seam<CodeScreens> g_screens(&g_noScreens);

std::uint32_t where(storage::Table& t)
{
    return t.eof() ? 0 : t.recNo();
}

std::string codeOf(storage::Table& t)
{
    std::string_view raw;
    const int i = t.fieldIndex("CODE");
    if (i < 0 || !t.raw(i, &raw).ok())
        return {};
    return std::string(raw);
}

std::unique_ptr<storage::TableRowSource> makeSource(storage::Workspace& ws, const CodeTableDef& def)
{
    storage::Table* t = ws.find(def.alias);
    if (!t)
        throw std::logic_error(std::string("code browser: ") + def.alias + " is not open");
    std::vector<std::string> columns;
    for (const CodeColumn& c : def.columns)
        columns.emplace_back(c.expression);
    std::unique_ptr<storage::TableRowSource> source;
    const storage::Status s = storage::TableRowSource::create(*t, columns, &source);
    if (!s.ok())
        throw std::runtime_error("code browser: " + s.toString());
    return source;
}

bool openOne(storage::Workspace& ws, int number)
{
    const CodeTableDef& def = codeTableDef(number);
    const storage::TableDef& table = def.table();
    return storage::OPEN(ws, core::programSettings().text("CDRV1"), table.name, table.indexes[0].key, false,
                         T(table.openTitle), table.indexes[0].file, def.alias);
}

}  // namespace

BrowserValues* browserValues()
{
    return g_depth > 0 ? &g_values : nullptr;
}

CodeScreens& codeScreens()
{
    return g_screens.get();
}

CodeScreens* setCodeScreens(CodeScreens* screens)
{
    return g_screens.install(screens);
}

// ---- The open browser

CodeBrowser::CodeBrowser(storage::Workspace& ws, Mode mode, int number, std::string_view codeBox, int level,
                         bool allowChanges)
    : m_ws(ws), m_mode(mode), m_def(codeTableDef(number)), m_nested(g_depth > 0), m_level(level),
      m_outer(g_values), m_values(g_values), m_source(makeSource(ws, m_def)), m_browse(ws, m_def.alias, *m_source)
{
    ++g_depth;
    m_values = BrowserValues();
    m_values.CGET1 = xb::padRight(xb::upper(codeBox), BrowserValues::kWidth);
    const bool changes = allowChanges && !m_nested;
    m_canAdd = changes && level >= 3;
    m_canEdit = changes && level >= 4;
    m_canDelete = changes && level >= 5;
}

CodeBrowser::~CodeBrowser()
{
    --g_depth;
    g_values = m_nested ? m_outer : BrowserValues();
}

std::string CodeBrowser::title() const
{
    return T(m_def.titleUtf8);
}

std::string CodeBrowser::recordCountText()
{
    std::string count;
    (void)expr::transform(core::Value::number(table().recCount()), "999,999,999,999", count);
    return "Record = " + xb::alltrim(count);
}

void CodeBrowser::changed()
{
    if (m_view.changed)
        m_view.changed();
}

void CodeBrowser::close(bool accept)
{
    if (accept)
        m_values.LPACCEPT = true;
    m_closing = true;
    if (m_view.close)
        m_view.close();
}

bool CodeBrowser::highlightedMarked()
{
    if (!m_browse.sync() || !table().deleted())
        return false;
    core::prompts().message(core::MessageKind::Info, T("ข้อมูลถูกทำเครื่องหมายลบ !"), T("  ส่วนตารางรหัส"));
    return true;
}

void CodeBrowser::opened()
{
    (void)CFILTER(m_values.CGET1);
}

bool CodeBrowser::CFILTER(std::string_view codeBox)
{
    storage::Table& t = table();
    (void)m_browse.sync();
    const std::uint32_t at = where(t);
    m_values.CGET1 = xb::padRight(xb::upper(codeBox), BrowserValues::kWidth);
    const std::string prefix = xb::alltrim(m_values.CGET1);
    bool found = false;
    storage::Status s;
    if (prefix.empty()) {
        s = storage::retrying([&] { return t.goTop(); }, "GOTOP", t.path());
        found = true;
    } else if (prefix.size() <= std::size_t(kCodeWidth)) {
        s = storage::retrying([&] { return t.seek(prefix); }, "SEEK", t.path());
        found = s.ok() && t.found();
    }
    if (!found) {
        (void)storage::retrying([&] { return t.goTo(at); }, "GOTO", t.path());
        core::prompts().message(core::MessageKind::Info, T("ไม่พบรหัสที่ระบุ"), T("ตารางรหัส"));
    }
    m_browse.follow();
    changed();
    return true;
}

bool CodeBrowser::CSEARCH(std::string_view searchBox, bool quietWhenEmpty)
{
    m_values.CGET2 = xb::padRight(xb::upper(searchBox), BrowserValues::kWidth);
    const std::string needle = xb::alltrim(m_values.CGET2);
    if (needle.empty()) {
        if (!quietWhenEmpty)
            core::prompts().message(core::MessageKind::Info, T(kEmptySearchUtf8), T("  ส่วนทำการค้นหา"));
        changed();
        return true;
    }
    storage::Table& t = table();
    const bool onRow = m_browse.sync();
    const std::uint32_t at = where(t);
    const int code = t.fieldIndex("CODE");
    const int name = t.fieldIndex("NAME");
    std::string haystack;
    const auto test = [&] {
        std::string_view raw;
        haystack.clear();
        if (t.raw(code, &raw).ok())
            haystack.append(raw);
        if (t.raw(name, &raw).ok())
            haystack.append(raw);
        for (char& c : haystack)
            if (c >= 'a' && c <= 'z')
                c = char(c - 'a' + 'A');
        return haystack.find(needle) != std::string::npos;
    };
    const bool found = onRow && m_browse.searchRows(needle, xb::alltrim(m_values.CGET1), test);
    if (!found) {
        (void)storage::retrying([&] { return t.goTo(at); }, "GOTO", t.path());
        core::prompts().message(core::MessageKind::Info, T("ไม่พบข้อมูลที่ระบุ !"), T("  ส่วนทำการค้นหา"));
    }
    m_browse.follow();
    changed();
    return true;
}

void CodeBrowser::CSELECT(int)
{
    if (!m_enterBound || highlightedMarked())
        return;
    if (m_mode == Mode::Manage) {
        // Enter opens the row in its editor only for a user who may change rows here; a
        // user who may only look finds the row highlighted and nothing else happens.
        if (m_canEdit)
            CEDIT(false);
        return;
    }
    if (!m_browse.atEnd())
        close(true);
}

void CodeBrowser::ok()
{
    if (m_mode == Mode::Pick && (m_browse.atEnd() || highlightedMarked()))
        return;
    close(true);
}

void CodeBrowser::CDELETE()
{
    if (m_canDelete)
        (void)codes::CDELETE(m_browse);
}

void CodeBrowser::CEDIT(bool adding)
{
    if (adding ? !m_canAdd : !m_canEdit)
        return;
    m_enterBound = false;
    codes::CEDIT(m_browse, adding, m_def.number, m_level);
    m_enterBound = true;
    changed();
}

void CodeBrowser::CGOTOP(int where)
{
    if (where == 0)
        m_browse.source().goTop();
    else
        m_browse.source().goBottom();
    (void)m_browse.sync();
    m_browse.refresh();
}

// ---- POPCODE

bool openCodeTable(storage::Workspace& ws, int number)
{
    const CodeTableDef& def = codeTableDef(number);
    // The product editor picks units: their table is open whenever products are browsed.
    if (number == 3 && !ws.find(codeTableDef(6).alias) && !openOne(ws, 6))
        return false;
    if (!ws.find(def.alias) && !openOne(ws, number))
        return false;
    return ws.select(def.alias).ok();
}

void POPCODE(int number)
{
    storage::Workspace ws;
    if (openCodeTable(ws, number)) {
        const CodeTableDef& def = codeTableDef(number);
        CodeBrowser browser(ws, CodeBrowser::Mode::Manage, number, "", shell::userLevel(def.rightsPosition()), true);
        codeScreens().showBrowser(browser);
    }
    (void)ws.closeAll();
}

PickResult POPCODE(storage::Workspace& ws, int number, std::string_view seed, std::string_view callerAlias,
                   bool allowChanges)
{
    const CodeTableDef& def = codeTableDef(number);
    PickResult result;
    if (!openCodeTable(ws, number)) {
        if (!browserValues())
            (void)ws.closeAll();
        result.outcome = PickResult::Outcome::Failed;
        return result;
    }
    storage::Table& t = *ws.find(def.alias);
    const auto callerBack = [&] {
        if (!callerAlias.empty() && ws.find(callerAlias))
            (void)ws.select(callerAlias);
    };

    const std::string upper = xb::upper(seed);
    const std::string typed = xb::rtrim(upper);
    const std::string prefix = xb::alltrim(upper);
    // The code as typed, matched exactly over the field's width.
    if (!prefix.empty() && typed.size() <= std::size_t(kCodeWidth)) {
        const std::string exact = xb::padRight(typed, std::size_t(kCodeWidth));
        const storage::Status s = storage::retrying([&] { return t.seek(exact); }, "SEEK", t.path());
        if (s.ok() && t.found()) {
            result.outcome = PickResult::Outcome::Accepted;
            result.code = codeOf(t);
            callerBack();
            return result;
        }
    }
    // Else the first code beginning with it, shown in the code box; else the first row.
    std::string codeBox;
    if (!prefix.empty() && prefix.size() <= std::size_t(kCodeWidth)) {
        const storage::Status s = storage::retrying([&] { return t.seek(prefix); }, "SEEK", t.path());
        if (s.ok() && t.found())
            codeBox = prefix;
    }
    if (codeBox.empty())
        (void)storage::retrying([&] { return t.goTop(); }, "GOTOP", t.path());

    result.code = std::string(seed);
    {
        CodeBrowser browser(ws, CodeBrowser::Mode::Pick, number, codeBox, shell::userLevel(def.rightsPosition()),
                            allowChanges);
        codeScreens().showBrowser(browser);
        if (browser.accepted() && browser.browse().sync()) {
            result.outcome = PickResult::Outcome::Accepted;
            result.code = codeOf(t);
        }
    }
    callerBack();
    return result;
}

}  // namespace codes
