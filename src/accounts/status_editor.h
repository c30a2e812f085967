// STATEDIT1 .. STATEDIT4: the row editor of a status screen - one stock, supplier or customer
// ledger row, or one purchase order - without its widgets: the edit buffers (a ValueMap named by
// the ledger's fields, and the names cProName / cFarName / cComName filled from the code tables),
// the entries' checks and Save. The rows come from statusDef(n).rows.
//
// Keys. A ledger row's key (product + warehouse, supplier or customer code, customer + product +
// order number) belongs to one row: leaving a key entry, once every part of the key is filled,
// runs CODCHK on the whole key ("รหัสนี้มีในตารางข้อมูลแล้ว !" titled "คำเตือน" when another row has
// it, the focus stays). Save checks a new or changed key once more while the ledger's file lock is
// held, so two workstations cannot store the same key at the same moment: the later is refused
// with the same alert and its form stays open as typed.
//
// What Save writes. A new row is appended with every field of the editor. A changed row is locked
// and gets only the fields the person changed: a balance or delivered total left as it was shown
// keeps whatever a posting of another workstation stored meanwhile, while one typed over replaces
// it (that is the hand correction). Numbers count as left alone when they equal the stored value at
// the entry's decimals. Nothing is audited and nothing is posted elsewhere. One thread (the GUI's).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "accounts/status_tables.h"
#include "codes/table_browse.h"
#include "core/edit_snapshot.h"
#include "core/value_map.h"

namespace accounts {

class StatusEditor {
public:
    // The editor of the browse's ledger (open as kStatusAlias, with its name tables) adding a row
    // or changing the highlighted one.
    StatusEditor(codes::TableBrowse& browse, const StatusDef& def, bool adding);

    const StatusDef& def() const { return m_def; }
    bool adding() const { return m_adding; }
    storage::Table& table() { return m_browse.table(); }
    storage::Workspace& workspace() { return m_browse.workspace(); }

    // Fills the buffers: blank (the order's date today) when adding, else from the highlighted row
    // with the names from their code tables. False when changing with no row under the highlight:
    // "ไม่มีข้อมูลในตารางรหัส !" titled "  ส่วนแก้ไขข้อมูลในตารางรหัส" was shown and the form is not.
    bool begin();

    std::string title() const;  // TIS-620
    core::ValueMap& values() { return m_values; }
    static std::string label(const StatusEditorRow& row);  // TIS-620
    // The width a row edits: the field's, for a name the code table's NAME.
    int width(const StatusEditorRow& row);
    // The key of the buffers (the key fields joined at their full widths) and of the row as it was.
    std::string key() const;
    const std::string& oldKey() const { return m_oldKey; }

    // The entry of the buffer `name` was left with its value in the buffer: its check. False
    // keeps the focus in the entry (the person was told why, or the pick-list was closed).
    bool check(std::string_view name);

    // Save: true when the form may close. An empty CODE (product, supplier, customer or order
    // number) stores nothing. False keeps the form open as typed (the key was taken meanwhile, or
    // a write failed and the error trap was told).
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

    // Called by save() for a new or changed key with the ledger's file lock held, after the
    // re-check and before the write (tests hold the lock there while another workstation tries).
    void setBeforeWrite(std::function<void()> hook) { m_beforeWrite = std::move(hook); }

private:
    const StatusEditorRow* row(std::string_view name) const;
    bool checkCode(const StatusEditorRow& row);
    bool checkKey();
    void fillName(const StatusEditorRow& codeRow);
    bool changed(const StatusEditorRow& row) const;
    bool write(bool newKey);
    void restore();

    codes::TableBrowse& m_browse;
    const StatusDef& m_def;
    bool m_adding;
    core::ValueMap m_values;
    core::ValueMap m_read;  // the buffers as the row gave them
    std::string m_oldKey;
    std::uint32_t m_remembered = 0;  // the record the browse stood on, 0 at the end
    core::EditSnapshot m_snapshot;  // the buffers as begin() filled them
    bool m_saved = false;
    std::function<void()> m_beforeWrite;
};

// STATEDIT(browse, adding): the editor run through statusScreens(); the browse is redrawn after.
void STATEDIT(codes::TableBrowse& browse, const StatusDef& def, bool adding);

}  // namespace accounts
