// The code record editors CEDIT01 .. CEDIT12: one small form per code table, built from the
// declarative rows of editorDef(n) (labels, fields, pictures, what each entry checks), through which
// the code browser adds a row or changes the highlighted one. CodeEditor is the open form without
// its widgets: the edit buffers (a ValueMap named by the fields; the product's unit codes are
// CUNIT1 .. CUNIT3), the entries' checks and Save.
//
// Save writes exactly the fields the form shows, under the shared-access discipline: a new row is
// appended and written, a changed row locked and written, flushed, every lock released. A new or
// changed code is checked once more while the table's file lock is held, so two workstations adding
// the same code at the same moment cannot both store it: the later one is refused with the
// duplicate alert and its form stays open with what was typed. Code edits are not audited. One
// thread (the GUI's).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "codes/table_browse.h"
#include "core/edit_snapshot.h"
#include "core/value_map.h"

namespace codes {

// What an entry checks when it is left.
enum class EntryCheck {
    Code,  // upper case; not empty, and CODCHK(old code, new code)
    Name,  // not empty
    Free,  // nothing
    Unit,  // upper case; the unit pick-list, nested (accepted code, or refused with the text back)
};

struct EditorRow {
    const char* labelUtf8;  // "&" marks the access key; "" for a further entry under the label above
    const char* field;      // the table field it edits
    EntryCheck check;
    const char* picture;    // "@!", a number template ("99,999.999"), "@9"; "" free text, or for a
                            // number the field's own format
    const char* value = nullptr;  // the buffer's name when it is not the field's (CUNIT1 ..)
    bool beside = false;          // shown beside the row above (a product's unit beside its price)
};

struct EditorDef {
    int number;  // the code table's number, 1 .. 12
    const char* addTitleUtf8;
    const char* changeTitleUtf8;
    std::span<const EditorRow> rows;
    bool narrowCode;  // the code entry half the others' width (report codes)
};

// REQUIRES 1 <= number <= 12 (std::out_of_range otherwise).
const EditorDef& editorDef(int number);

class CodeEditor {
public:
    // The editor of the browse's code table: adding a row, or changing the highlighted one.
    // `level` is the user's level for the table (the employee editor offers the password and
    // rights buttons when changing at level 6).
    CodeEditor(TableBrowse& browse, int number, bool adding, int level);

    const EditorDef& def() const { return m_def; }
    bool adding() const { return m_adding; }
    storage::Table& table() { return m_browse.table(); }
    storage::Workspace& workspace() { return m_browse.workspace(); }

    // Fills the buffers: blank when adding, from the highlighted row when changing. False when
    // changing with no row under the highlight ("ไม่มีข้อมูลในตารางรหัส !" was shown); the form
    // is then not shown.
    bool begin();

    std::string title() const;  // TIS-620
    core::ValueMap& values() { return m_values; }
    const std::string& oldCode() const { return m_oldCode; }
    // The buffer a row edits, the width it edits (the field's full width) and the row's label in
    // TIS-620.
    static std::string valueName(const EditorRow& row);
    int width(const EditorRow& row);
    static std::string label(const EditorRow& row);
    // The picture the entry uses: the row's, "@!" for codes, the field's own number format.
    std::string picture(const EditorRow& row);

    // The entry of the buffer `name` was left with its value in the buffer: its check. False keeps
    // the focus in the entry (the check has told the person why).
    bool check(std::string_view name);

    // The employee editor changing a row at level 6: the password and rights buttons are offered.
    bool userButtons() const;

    // Save: true when the form may close. An empty code stores nothing. Otherwise the row is
    // written (see the top of this file); false keeps the form open with what was typed (the code
    // was taken meanwhile, or the write failed and the error trap was told).
    bool save();
    // Anything typed since begin().
    bool hasChanges() const { return m_snapshot.changed(m_values); }
    // Cancel, Escape or the close box asked to end the form without saving (`typing`: an entry
    // typed into and not yet left, which counts as a change). With changes the person is asked
    // first, the default No; true when the form may close.
    bool mayCancel(bool typing = false) const { return core::mayDiscard(typing || hasChanges(), title()); }
    // Cancel or the close box: nothing is written; the browse goes back to the row it stood on.
    void cancel();
    bool saved() const { return m_saved; }

    // Called by save() with the table's file lock held, after the re-check and before the write
    // (tests use it to hold the lock while another workstation tries).
    void setBeforeWrite(std::function<void()> hook) { m_beforeWrite = std::move(hook); }

private:
    bool checkUnit(const std::string& name);
    bool write(bool changedCode);
    void restore();

    TableBrowse& m_browse;
    const EditorDef& m_def;
    bool m_adding;
    int m_level;
    core::ValueMap m_values;
    std::string m_oldCode;
    std::uint32_t m_remembered = 0;  // the record the browse stood on, 0 at the end
    core::EditSnapshot m_snapshot;  // the buffers as begin() filled them
    bool m_saved = false;
    std::function<void()> m_beforeWrite;
};

// CEDIT(browse, adding, number): the dispatch of the browser's add and edit buttons. Changing a
// row marked for deletion, or with the browse past the last row, shows "ไม่สามารถแก้ไขข้อมูลนี้ได้"
// titled "ส่วนทำการแก้ไขรหัสข้อมูล"; otherwise the table's editor runs through codeScreens(). The
// browse is redrawn in both cases.
void CEDIT(TableBrowse& browse, bool adding, int number, int level);

}  // namespace codes
