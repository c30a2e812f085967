// The small browse functions every look-up screen shares: SACTION (top, bottom, text search over a
// browse), CODCHK (may a code be stored?), BROWADJ (where a newly added row shows), CDELETE (the
// deletion mark), SELCOLOR, and TableBrowse - a browse as these functions see it, without its
// widget.
//
// A TableBrowse is a table of a workspace shown through a storage::TableRowSource (the rows of the
// table in its active order, optionally limited to a key prefix) plus what its view on the screen
// does: redraw, take the focus, tell how many rows it shows, put the highlight on a line. The view
// parts are optional hooks, so models and tests use the same browse without a widget; the Qt
// dialogs connect them to a ui::BrowseWidget over the same row source. The table's record pointer
// is the highlighted row whenever one of these functions runs or returns. One thread; the
// workspace, the table and the row source must outlive the browse.
//
//     auto source = ...storage::TableRowSource::create(*ws.find("RepList"), {"CODE", "NAME"}, &source);
//     codes::TableBrowse browse(ws, "RepList", *source);
//     browse.setView({.refresh = [&] { widget.refreshAll(); }, .focus = [&] { widget.setFocus(); },
//                     .visibleRows = [&] { return widget.visibleRows(); },
//                     .setRowPos = [&](int line) { widget.setHighlightLine(line - 1); }});
//     codes::SACTION(browse, 3, searchText, "RepList->code+RepList->name");
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/value.h"
#include "storage/table_row_source.h"
#include "storage/workspace.h"

namespace codes {

class TableBrowse {
public:
    struct View {
        std::function<void()> refresh{};            // redraw the rows around the source's current row
        std::function<void()> focus{};              // give the browse the keyboard focus
        std::function<int()> visibleRows{};         // rows the browse shows (1 when absent)
        std::function<void(int line)> setRowPos{};  // the highlight on that line (1 = the top row)
    };

    // `alias` names the table in `ws`; the source shows that table.
    TableBrowse(storage::Workspace& ws, std::string alias, storage::TableRowSource& source);

    storage::Workspace& workspace() { return m_ws; }
    const std::string& alias() const { return m_alias; }
    storage::Table& table() { return m_source.table(); }
    storage::TableRowSource& source() { return m_source; }
    // The key prefix the browse is limited to (empty: the whole table).
    const std::string& scope() const { return m_source.scope(); }

    void setView(View view) { m_view = std::move(view); }

    // Puts the table's pointer on the highlighted row (the person may have moved the browse since).
    // False when the browse stands past the last row: the table or its scope is empty.
    bool sync();
    bool atEnd() const { return m_source.atEnd(); }
    // The highlighted row follows the table's pointer (after a seek, a search, an edit), and the
    // browse is redrawn.
    void follow();
    void refresh();
    void focus();
    int visibleRows() const;
    // The line the highlight stood on after the last setRowPos (1 when never set).
    int rowPos() const { return m_rowPos; }
    void setRowPos(int line);

    // A text search from the highlighted row (the table standing on it) for `needle`: a search
    // started afresh tests the highlighted row first, so the row in view is found; the same text
    // searched again from the row it found goes on after it. Then the forward scan (scanForward)
    // within `scope`. True when a row passed, the table standing on it; the browse remembers it.
    bool searchRows(const std::string& needle, std::string_view scope, const std::function<bool()>& test);

private:
    storage::Workspace& m_ws;
    std::string m_alias;
    storage::TableRowSource& m_source;
    View m_view;
    int m_rowPos = 1;
    std::string m_lastNeedle;        // the text of the last search that found a row
    std::uint32_t m_lastFound = 0;   // and the record it found
};

// Said when a search is asked for with an empty text, titled as the search's other messages.
inline constexpr const char* kEmptySearchUtf8 = "กรุณาพิมพ์ข้อความที่ต้องการค้นหาก่อน";

// SACTION: action 1 goes to the first row of the browse, 2 to the last. Action 3 searches forward:
// the text is trimmed and upper-cased; from the highlighted row (itself included when the search
// starts afresh, see TableBrowse::searchRows) the browse steps one row at a time until the text is contained in the upper-cased value of
// `expression` (an expression text over the open tables, "RepList->code+RepList->name"; numbers
// and dates are tested as they display) or the end of the browse (of its scope) is reached. At the
// end the browse goes back to the row it started on and "ไม่พบข้อความที่ระบุ" is shown titled
// "  ส่วนค้นหาข้อมูล"; an empty text searches nothing and says so (kEmptySearchUtf8). Finally the
// browse is redrawn and takes the focus. Always true. Rows are read in batches under one index
// lock each and the expression is compiled once, so a search over many rows stays quick. A text
// that does not compile, or an evaluation the error trap stops, ends the search where it started
// without the message.
bool SACTION(TableBrowse& browse, int action, std::string_view text, std::string_view expression);

// CODCHK: true when newCode may be stored in the table's current row whose code was oldCode. The
// same text (same width, byte for byte) is always allowed. Otherwise newCode is sought in index
// order `order` - compared over its own length, so pass the field's full width for an exact check,
// or the beginning of a compound key to compare with the beginning of the keys - and when some row
// has it (marked for deletion or not) the alert "รหัสนี้มีในตารางข้อมูลแล้ว !" titled "คำเตือน" is
// shown and the answer is false. The table's order and record are put back as they were.
bool CODCHK(storage::Table& table, std::string_view oldCode, std::string_view newCode, int order = 1);

// True when some row's key in the active order begins with `key` (compared over its own length),
// without any message; the table's record is put back. The duplicate re-check made under a lock.
bool keyExists(storage::Table& table, std::string_view key);

// A failed engine call on `t` handed to the error trap; true when it answered Retry.
bool retryAfter(const storage::Status& s, const char* operation, storage::Table& t);

// An editor's row to be stored by saveEditedRow.
struct EditedRow {
    bool adding = false;         // a new row is appended; else the row `recno` is changed
    std::uint32_t recno = 0;
    bool newKey = false;         // added, or its key changed: the key is checked free first
    std::string key;             // as keyExists seeks it in the active order
    std::vector<std::pair<std::string, core::Value>> values;  // the fields written, in order
    std::vector<std::string> keyFields;  // blanked in a new row that could not be written whole
};

// The save of the code-table and status-row editors (CEDIT, STATEDIT) on the workspace's selected
// table `t`. A new key is checked once more under the table's file lock (waited for without limit,
// a failure to the error trap): a key some row has already is told ("รหัสนี้มีในตารางข้อมูลแล้ว !"
// titled "คำเตือน") and nothing is written; `beforeWrite` then runs with the lock held. The row is
// appended, or the changed row put under its record lock (the file lock covers it when the key
// changed), each value written with the error trap's retries; committed; every lock released. A
// new row that could not be written whole is left with its key fields blank and marked, so it takes
// no key from anybody and postings never find it. True when stored.
bool saveEditedRow(storage::Workspace& ws, storage::Table& t, const EditedRow& row,
                   const std::function<void()>& beforeWrite);

// BROWADJ: places the highlight after a row was added. From the table's current record (the new
// one) the rows before it are counted, stepping back while the beginning of the table is not
// passed, the value of `keyExpression` (the table's alias + "->code" for the code editors) begins
// with `prefix` (empty: every value does) and the count is below the browse's visible rows; the
// pointer goes back to the new record, which is highlighted on that line. So a new row shows on the
// last visible line when enough rows precede it, otherwise on its true line.
void BROWADJ(TableBrowse& browse, std::string_view keyExpression, std::string_view prefix);

// CDELETE: the deletion mark of the browse's highlighted row set or removed. Asks first, No being
// the default, "ยกเลิกเครื่องหมายลบ" for a marked row, else "สั่งทำเครื่องหมายลบ", titled
// "กรุณายืนยันการทำงาน"; on Yes the row is locked (waiting without limit), marked or recalled,
// flushed and released, and the browse redrawn. True when the mark changed; nothing happens past
// the last row. Nothing is ever removed physically here.
bool CDELETE(TableBrowse& browse);

// SELCOLOR: the text colour of a browse row as a Windows colour number: 255 (red) for a row marked
// for deletion, else 0 (black).
inline int SELCOLOR(bool marked) { return marked ? 255 : 0; }

// The forward scan under SACTION and the code browser's search: steps from the table's current
// record through the active order (record order without one) in batches read under one index lock,
// stopping at the first key that does not begin with `scope` (empty: none) or at the end. Each
// record is made current (relations follow) and `test` asked; true when one passed, the table then
// standing on it. False at the end, with the table's position unspecified. A storage failure goes
// to the error trap and ends the scan (false).
bool scanForward(storage::Table& table, std::string_view scope, const std::function<bool()>& test);

}  // namespace codes
