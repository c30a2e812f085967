#include "codes/table_browse.h"

#include <algorithm>
#include <cstring>

#include "core/fault.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "expr/contexts.h"
#include "storage/fault_bridge.h"
#include "storage/ops.h"
#include "storage/os.h"
#include "storage/workspace_context.h"

namespace codes {
namespace {

using core::tis620::T;

// Batches of the forward scan: small at first (a search usually stops near where it starts), then
// growing so a long scan takes few index locks.
constexpr long kFirstBatch = 32;
constexpr long kLargestBatch = 512;

// The record the pointer stands on, 0 at the end of the table.
std::uint32_t where(storage::Table& t)
{
    return t.eof() ? 0 : t.recNo();
}

bool beginsWith(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && std::memcmp(text.data(), prefix.data(), prefix.size()) == 0;
}

// The text a value is searched in: texts as they are, other values as they display.
void searchableText(const core::Value& v, std::string& out)
{
    if (v.isText())
        out = core::xbase::upper(v.asText());
    else if (v.isNil())
        out.clear();
    else
        out = core::xbase::upper(v.toDisplayText());
}

// The search text's occurrence test: "$" of xBase, where an empty text occurs nowhere.
bool contains(std::string_view haystack, std::string_view needle)
{
    return !needle.empty() && haystack.find(needle) != std::string_view::npos;
}

// Evaluates expressions over the browse's workspace: the browse's table is the current one for
// unqualified names, other work areas by alias, then the program-wide settings.
class BrowseContext {
public:
    explicit BrowseContext(TableBrowse& browse)
        : m_ws(browse.workspace()), m_previous(m_ws.currentAlias()), m_tables(m_ws),
          m_settings(core::programSettings()), m_chain({&m_tables, &m_settings})
    {
        (void)m_ws.select(browse.alias());
    }
    ~BrowseContext()
    {
        if (!m_previous.empty())
            (void)m_ws.select(m_previous);
    }
    expr::Context& context() { return m_chain; }

private:
    storage::Workspace& m_ws;
    std::string m_previous;
    storage::WorkspaceContext m_tables;
    expr::ValueMapContext m_settings;
    expr::ChainContext m_chain;
};

}  // namespace

// ---- TableBrowse

TableBrowse::TableBrowse(storage::Workspace& ws, std::string alias, storage::TableRowSource& source)
    : m_ws(ws), m_alias(std::move(alias)), m_source(source)
{
}

bool TableBrowse::sync()
{
    if (m_source.atEnd())
        return false;
    storage::Table& t = table();
    const std::uint32_t recno = m_source.recNo();
    if (t.eof() || t.recNo() != recno) {
        if (!storage::retrying([&] { return t.goTo(recno); }, "GOTO", t.path()).ok())
            return false;
    }
    return !t.eof();
}

void TableBrowse::follow()
{
    m_source.syncToTable();
    refresh();
}

void TableBrowse::refresh()
{
    if (m_view.refresh)
        m_view.refresh();
}

void TableBrowse::focus()
{
    if (m_view.focus)
        m_view.focus();
}

int TableBrowse::visibleRows() const
{
    return m_view.visibleRows ? std::max(1, m_view.visibleRows()) : 1;
}

void TableBrowse::setRowPos(int line)
{
    m_rowPos = std::clamp(line, 1, visibleRows());
    if (m_view.setRowPos)
        m_view.setRowPos(m_rowPos);
}

// ---- The forward scan

bool scanForward(storage::Table& table, std::string_view scope, const std::function<bool()>& test)
{
    const bool scoped = !scope.empty() && table.order() > 0;
    std::vector<storage::NtxIndex::Entry> batch;
    long want = kFirstBatch;
    for (;;) {
        const auto readBatch = [&] {
            if (table.order() == 0)
                return table.skipBatch(want, &batch);
            // One lock for finding the current entry again and reading the batch.
            storage::NtxIndex& ix = table.orderIndex(table.order());
            storage::Status s = ix.lockRead();
            if (s.ok()) {
                s = table.skipBatch(want, &batch);
                ix.unlockRead();
            }
            return s;
        };
        if (!storage::retrying(readBatch, "SKIP", table.path()).ok())
            return false;
        if (batch.empty())
            return false;
        for (const storage::NtxIndex::Entry& e : batch) {
            if (scoped && !beginsWith(e.key, scope))
                return false;
            if (!storage::retrying([&] { return table.goTo(e.recno); }, "GOTO", table.path()).ok())
                return false;
            if (test())
                return true;
        }
        want = std::min(want * 2, kLargestBatch);
    }
}

bool TableBrowse::searchRows(const std::string& needle, std::string_view scope, const std::function<bool()>& test)
{
    storage::Table& t = table();
    const std::uint32_t from = where(t);
    const bool again = needle == m_lastNeedle && from == m_lastFound && from != 0;
    const bool found = (!again && from != 0 && test()) || scanForward(t, scope, test);
    m_lastNeedle = found ? needle : std::string();
    m_lastFound = found ? where(t) : 0;
    return found;
}

// ---- SACTION

bool SACTION(TableBrowse& browse, int action, std::string_view text, std::string_view expression)
{
    storage::Table& t = browse.table();
    if (action == 1 || action == 2) {
        if (action == 1)
            browse.source().goTop();
        else
            browse.source().goBottom();
        (void)browse.sync();
    } else if (action == 3) {
        (void)browse.sync();
        const std::uint32_t start = where(t);
        const std::string needle = core::xbase::upper(core::xbase::alltrim(text));
        bool found = false;
        bool stopped = false;
        if (needle.empty()) {
            core::prompts().message(core::MessageKind::Info, T(kEmptySearchUtf8), T("  ส่วนค้นหาข้อมูล"));
            stopped = true;
        } else if (!browse.atEnd()) {
            expr::Expression e = expr::Expression::compile(expression);
            if (!e.valid()) {
                stopped = true;
            } else {
                BrowseContext names(browse);
                core::Value value;
                std::string haystack;
                found = browse.searchRows(needle, browse.scope(), [&] {
                    if (!e.evaluate(names.context(), value)) {
                        stopped = true;
                        return true;
                    }
                    searchableText(value, haystack);
                    return contains(haystack, needle);
                });
            }
        }
        if (!found || stopped) {
            (void)storage::retrying([&] { return t.goTo(start); }, "GOTO", t.path());
            if (!stopped)
                core::prompts().message(core::MessageKind::Info, T("ไม่พบข้อความที่ระบุ"), T("  ส่วนค้นหาข้อมูล"));
        }
        browse.source().syncToTable();
    }
    browse.refresh();
    browse.focus();
    return true;
}

// ---- CODCHK

bool keyExists(storage::Table& table, std::string_view key)
{
    const std::uint32_t at = where(table);
    const storage::Status s = storage::retrying([&] { return table.seek(key); }, "SEEK", table.path());
    const bool found = s.ok() && table.found();
    (void)storage::retrying([&] { return table.goTo(at); }, "GOTO", table.path());
    return found;
}

bool retryAfter(const storage::Status& s, const char* operation, storage::Table& t)
{
    return core::raise(storage::toFault(s, operation, t.path())) == core::FaultAnswer::Retry;
}

namespace {

bool putEditedValues(storage::Table& t, const EditedRow& row)
{
    for (const auto& [field, value] : row.values) {
        for (;;) {
            const storage::Status s = t.put(field, value);
            if (s.ok())
                break;
            if (!retryAfter(s, "REPLACE", t)) {
                if (row.adding) {
                    for (const std::string& f : row.keyFields)
                        (void)t.put(f, core::Value::text(""));
                    (void)t.deleteRecord();
                }
                return false;
            }
        }
    }
    return true;
}

}  // namespace

bool saveEditedRow(storage::Workspace& ws, storage::Table& t, const EditedRow& row,
                   const std::function<void()>& beforeWrite)
{
    if (row.newKey) {
        // The file lock keeps every other workstation's append and record lock out until this row
        // is written, so the key found free now is still free when it is stored.
        for (;;) {
            const storage::Status s = storage::retryWhileLocked([&] { return t.lockFile(); }, -1);
            if (s.ok())
                break;
            if (!retryAfter(s, "FLOCK", t))
                return false;
        }
        if (keyExists(t, row.key)) {
            (void)storage::unlockAll(ws);
            core::prompts().message(core::MessageKind::Alert, T("รหัสนี้มีในตารางข้อมูลแล้ว !"), T("คำเตือน"));
            return false;
        }
        if (beforeWrite)
            beforeWrite();
    }
    const bool placed = row.adding ? storage::ADD_REC(ws)
                                   : t.goTo(row.recno).ok() && !t.eof() && (row.newKey || storage::REC_LOCK(ws));
    const bool stored = placed && putEditedValues(t, row);
    if (stored)
        (void)storage::commitAll(ws);
    (void)storage::unlockAll(ws);
    return stored;
}

bool CODCHK(storage::Table& table, std::string_view oldCode, std::string_view newCode, int order)
{
    if (oldCode == newCode)
        return true;
    const int previous = table.order();
    bool found = false;
    if (storage::retrying([&] { return table.setOrder(order); }, "ORDSETFOCUS", table.path()).ok())
        found = keyExists(table, newCode);
    (void)table.setOrder(previous);
    if (!found)
        return true;
    core::prompts().message(core::MessageKind::Alert, T("รหัสนี้มีในตารางข้อมูลแล้ว !"), T("คำเตือน"));
    return false;
}

// ---- CDELETE

bool CDELETE(TableBrowse& browse)
{
    if (!browse.sync())
        return false;
    storage::Table& t = browse.table();
    const bool marked = t.deleted();
    if (!core::prompts().confirm(T(marked ? "ยกเลิกเครื่องหมายลบ" : "สั่งทำเครื่องหมายลบ"), T("กรุณายืนยันการทำงาน")))
        return false;
    storage::Workspace& ws = browse.workspace();
    (void)ws.select(browse.alias());
    bool done = false;
    if (storage::REC_LOCK(ws)) {
        done = storage::retrying([&] { return marked ? t.recall() : t.deleteRecord(); }, marked ? "RECALL" : "DELETE",
                                 t.path())
                   .ok();
        (void)storage::commitAll(ws);
    }
    (void)storage::unlockAll(ws);
    browse.follow();
    return done;
}

// ---- BROWADJ

void BROWADJ(TableBrowse& browse, std::string_view keyExpression, std::string_view prefix)
{
    storage::Table& t = browse.table();
    const std::uint32_t added = where(t);
    const int rows = browse.visibleRows();
    int count = 0;
    if (added != 0) {
        expr::Expression key;
        std::unique_ptr<BrowseContext> names;
        if (!prefix.empty()) {
            key = expr::Expression::compile(keyExpression);
            names = std::make_unique<BrowseContext>(browse);
        }
        std::string value;
        const auto inPrefix = [&] {
            if (prefix.empty())
                return true;
            return key.valid() && key.evaluateText(names->context(), value) && beginsWith(value, prefix);
        };
        while (!t.bof() && inPrefix() && count < rows) {
            if (!storage::retrying([&] { return t.skip(-1); }, "SKIP", t.path()).ok())
                break;
            ++count;
        }
        (void)storage::retrying([&] { return t.goTo(added); }, "GOTO", t.path());
    }
    browse.source().syncToTable();
    browse.setRowPos(std::max(1, count));
    browse.refresh();
}

}  // namespace codes
