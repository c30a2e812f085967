// EDITPROC1 .. EDITPROC4: the status list screens where a user reviews and corrects the stock,
// supplier and customer ledgers by hand and enters customers' purchase orders. StatusScreen is the
// open screen without its widgets: its tables (the code tables of the names first, then the ledger
// under the alias "Status" with the names following its codes), the browse of statusDef(n).columns,
// which buttons the user's level enables, and what the buttons, Enter and a double click do.
// StatusScreens is the seam through which the model shows the list's dialog and the editors' forms:
// the Qt dialogs install theirs (accounts/dialogs/status_dialogs.h), tests script one.
//
// Levels (the user's digit at the screen's rights position): below 3 no add, change or mark; 3
// add; 4 also change; 5 and above also mark. Enter and a double click change the highlighted row
// only where the change button is enabled, and not while an editor runs. A correction here changes
// the stored row directly; postings elsewhere keep finding a row marked for deletion. One thread.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "accounts/status_editor.h"
#include "accounts/status_tables.h"
#include "codes/table_browse.h"
#include "storage/table_row_source.h"
#include "storage/workspace.h"
#include "storage/workspace_context.h"

namespace accounts {

class StatusScreen {
public:
    // number 1 .. 4; level: the user's digit at the screen's rights position.
    StatusScreen(storage::Workspace& ws, int number, int level);
    ~StatusScreen();
    StatusScreen(const StatusScreen&) = delete;
    StatusScreen& operator=(const StatusScreen&) = delete;

    // Closes every table of the workspace, opens the name tables (the storage layer tells the
    // person when one cannot be opened: every table is closed then) and the ledger as "Status",
    // and sets the names to follow its rows. False: the screen must not be shown.
    bool open();

    const StatusDef& def() const { return m_def; }
    std::string title() const;  // TIS-620
    int level() const { return m_level; }
    storage::Workspace& workspace() { return m_ws; }
    // REQUIRES open() succeeded.
    codes::TableBrowse& browse() { return *m_browse; }
    storage::TableRowSource& source() { return *m_source; }

    bool canAdd() const { return m_level >= 3; }
    bool canChange() const { return m_level >= 4; }
    bool canMark() const { return m_level >= 5; }
    bool enterBound() const { return m_enterBound; }

    // The buttons. Each does nothing when the user's level disables it.
    void add();     // "เ&พิ่ม": STATEDIT adding
    void change();  // "แ&ก้ไข": STATEDIT on the highlighted row
    void mark();    // "&ลบ": CDELETE, the mark set or removed after a confirmation
    void top();     // "&บนสุด"
    void bottom();  // "ล่าง&สุด"
    // Enter (how 0) or a double click (how 1) on the browse.
    void activate(int how);

private:
    void edit(bool adding);
    void namesFollow();

    storage::Workspace& m_ws;
    const StatusDef& m_def;
    int m_level;
    bool m_enterBound = true;
    std::unique_ptr<storage::WorkspaceContext> m_tables;
    std::unique_ptr<expr::ValueMapContext> m_settings;
    std::unique_ptr<expr::ChainContext> m_names;
    std::unique_ptr<storage::TableRowSource> m_source;
    std::unique_ptr<codes::TableBrowse> m_browse;
};

// What the model needs from the screen. Each call shows its dialog modal and returns when it closed.
class StatusScreens {
public:
    virtual ~StatusScreens() = default;
    // The list's dialog; its exit button or close box ends the screen.
    virtual void showList(StatusScreen& screen) = 0;
    // An editor's form; its Save button calls StatusEditor::save() and closes the form when that
    // answers true. However else the form closes, nothing is written (STATEDIT cancels the editor).
    virtual void showEditor(StatusEditor& editor) = 0;
};

// The screens in force. Until the GUI installs its own, a list closes at once and an editor is
// cancelled.
StatusScreens& statusScreens();
StatusScreens* setStatusScreens(StatusScreens* screens);  // nullptr restores the default; returns the previous

// EDITPROC(number, level): the screen in a workspace of its own, shown until it is closed; every
// table is closed when it ends.
void EDITPROC(int number, int level);

}  // namespace accounts
