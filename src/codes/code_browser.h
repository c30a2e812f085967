// POPCODE: the one screen through which the twelve code tables are browsed, searched, picked from
// and changed - as the management screen of the menu (mode 1) and as the pick-list behind every
// code field (mode 2, see codes/pick_list.h for the callers' interface). CodeBrowser is the open
// browser without its widgets: the code box and search box, the browse, the buttons' rules and
// actions (CFILTER, CSEARCH, CSELECT, CDELETE, CEDIT, CGOTOP). CodeScreens is the seam through which
// the model shows the browser's dialog and the editors' forms: the Qt dialogs install theirs,
// tests script one. One thread (the GUI's).
//
// Shared values and nesting. While a browser is open its code box CGET1 (20 characters, upper
// case), its search box CGET2 (20, upper case) and the acceptance flag LPACCEPT exist as one set
// of values (browserValues()); they are created blank when a browser opens with none open, and
// released when that browser closes. A browser may be nested once: the product editor's unit
// fields open the unit pick-list while the product browser is open. The nested browser works on
// the same values, always has add, edit and delete disabled (so nothing can nest deeper), and
// gives the values back to the outer browser as they were when it closes - the outer browser's
// acceptance is never the nested one's.
//
// The Enter key (and a double click) on the browse runs CSELECT while the browser is open; the
// binding is suspended while an editor runs (enterBound()).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "codes/code_tables.h"
#include "codes/table_browse.h"
#include "storage/workspace.h"

namespace codes {

class CodeEditor;

struct BrowserValues {
    static constexpr std::size_t kWidth = 20;
    std::string CGET1 = std::string(kWidth, ' ');  // the code box
    std::string CGET2 = std::string(kWidth, ' ');  // the search box
    bool LPACCEPT = false;
};

// The values of the open browser; nullptr while no browser is open.
BrowserValues* browserValues();

class CodeBrowser {
public:
    enum class Mode { Manage = 1, Pick = 2 };

    // Opens the browser on the code table `number`, which must be open in `ws` under its alias
    // with the pointer where the browser starts; `codeBox` is the code box's first text. `level`
    // is the user's level for the table; add, edit and delete follow it (3 add, 4 also edit, 5
    // also delete) and are all disabled when allowChanges is false or the browser is nested.
    CodeBrowser(storage::Workspace& ws, Mode mode, int number, std::string_view codeBox, int level, bool allowChanges);
    ~CodeBrowser();
    CodeBrowser(const CodeBrowser&) = delete;
    CodeBrowser& operator=(const CodeBrowser&) = delete;

    Mode mode() const { return m_mode; }
    const CodeTableDef& def() const { return m_def; }
    std::string title() const;  // TIS-620
    bool nested() const { return m_nested; }
    storage::Workspace& workspace() { return m_ws; }
    storage::Table& table() { return m_browse.table(); }
    TableBrowse& browse() { return m_browse; }
    storage::TableRowSource& source() { return *m_source; }

    bool canAdd() const { return m_canAdd; }
    bool canEdit() const { return m_canEdit; }
    bool canDelete() const { return m_canDelete; }
    bool enterBound() const { return m_enterBound; }
    // "Record = " and the table's record count (marked records included) as "999,999,999,999"
    // shows it, trimmed.
    std::string recordCountText();

    const std::string& codeBox() const { return m_values.CGET1; }
    const std::string& searchBox() const { return m_values.CGET2; }
    bool accepted() const { return m_values.LPACCEPT; }
    bool closing() const { return m_closing; }

    // What the dialog does for the model: redraw the boxes and the count, close the dialog.
    struct View {
        std::function<void()> changed{};
        std::function<void()> close{};
    };
    void setView(View view) { m_view = std::move(view); }

    // When the dialog has opened: CFILTER with the code box's text.
    void opened();
    // The code box was left: the text upper-cased goes back into the box, the browse stands on the
    // first code beginning with it (the first row when empty); "ไม่พบรหัสที่ระบุ" when no code does.
    bool CFILTER(std::string_view codeBox);
    // The search box was left, or the search button pressed: from the row after the highlighted one,
    // the next row whose CODE + NAME (upper-cased) contains the text, among the codes that begin
    // with the code box's text (the highlighted row itself first when the search starts afresh,
    // see TableBrowse::searchRows); "ไม่พบข้อมูลที่ระบุ !" when none does. An empty text searches
    // nothing; it says so (kEmptySearchUtf8) unless `quietWhenEmpty` (a box left blank).
    bool CSEARCH(std::string_view searchBox, bool quietWhenEmpty = false);
    // Enter (how 0) or a double click (how 1) on the browse: on a row marked for deletion
    // "ข้อมูลถูกทำเครื่องหมายลบ !" and nothing else; in mode 1 the row's editor (only for a user
    // who may edit here); in mode 2 the row is accepted and the browser closes (not past the end).
    void CSELECT(int how);
    // OK: in mode 2 accepts under CSELECT's rules (a marked row or no row is never accepted); in
    // mode 1 closes.
    void ok();
    // The delete button: the mark of the highlighted row set or removed after a confirmation.
    void CDELETE();
    // The add (adding true) and edit buttons: the table's editor, then the browse redrawn.
    void CEDIT(bool adding);
    // The top (0) and bottom (other) buttons.
    void CGOTOP(int where);

private:
    void changed();
    void close(bool accept);
    bool highlightedMarked();

    storage::Workspace& m_ws;
    Mode m_mode;
    const CodeTableDef& m_def;
    bool m_nested;
    int m_level;
    BrowserValues m_outer;  // a nested browser gives these back when it closes
    BrowserValues& m_values;
    std::unique_ptr<storage::TableRowSource> m_source;
    TableBrowse m_browse;
    bool m_canAdd = false;
    bool m_canEdit = false;
    bool m_canDelete = false;
    bool m_enterBound = true;
    bool m_closing = false;
    View m_view;
};

// What the model needs from the screen. Each call shows its dialog modal and returns when it closed.
class CodeScreens {
public:
    virtual ~CodeScreens() = default;
    // The browser's dialog; it closes by the close box (not accepted) or when the model asks
    // (View::close).
    virtual void showBrowser(CodeBrowser& browser) = 0;
    // An editor's form; its Save button calls CodeEditor::save() and closes the form when that
    // answers true. However else the form closes, nothing is written (CEDIT cancels the editor).
    virtual void showEditor(CodeEditor& editor) = 0;
};

// The screens in force. Until the GUI installs its own, a browser closes at once without
// accepting and an editor is cancelled.
CodeScreens& codeScreens();
CodeScreens* setCodeScreens(CodeScreens* screens);  // nullptr restores the default; returns the previous

// The outcome of a pick-list call.
struct PickResult {
    enum class Outcome { Accepted, Refused, Failed };
    Outcome outcome = Outcome::Refused;
    // Accepted: the row's CODE (10 characters); Refused: the seed as it was given; Failed: empty.
    std::string code;
    bool accepted() const { return outcome == Outcome::Accepted; }
};

// POPCODE(1, number, ""): the code table's management screen, opened from the menu in a workspace
// of its own (closed when it ends). The level is the user's at the table's rights position.
void POPCODE(int number);

// POPCODE(2, number, seed, ...): the pick-list on the code table `number` in the caller's workspace.
//  - The table is opened shared under its alias unless it is open (products also open "Unit");
//    when that fails the person is told, every table of the workspace is closed (unless the call
//    is nested in an open browser, whose tables stay) and the result is Failed.
//  - A seed naming an existing code exactly (upper-cased, trailing blanks ignored) is accepted at
//    once, even when its row is marked for deletion: no browser opens. A blank seed never is.
//  - Otherwise the browser opens on the first code beginning with the trimmed upper-case seed,
//    which shows in the code box, or on the first row with an empty code box when none does.
//    Accepted: the highlighted row's CODE; closed otherwise: Refused with the seed.
//  - The code table's pointer stays on the accepted row, so the caller may read NAME; the caller's
//    table (callerAlias, when given and open) is selected again.
// allowChanges false (and any nested call) disables add, edit and delete.
PickResult POPCODE(storage::Workspace& ws, int number, std::string_view seed, std::string_view callerAlias = {},
                   bool allowChanges = true);

// Opens the code table `number` shared under its alias in `ws` when it is not open yet (with
// "Unit" for products) and selects it. False (after the person was told) when that fails.
bool openCodeTable(storage::Workspace& ws, int number);

}  // namespace codes
