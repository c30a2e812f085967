// What the money voucher screens (MNPROC1..4) and the production screen (SKPROC1) share, without
// their widgets: DocumentScreen - the screen values, browse and edit modes, the twelve tool bar
// buttons and the three line buttons with the access-level rules, navigation and search
// (PROCMOVE), delete (PDELETE), print (PROPRN), cancel (PCANCEL), the browse of the document's
// lines and the line mark (MNDTDELE) - and the seams the screens open their dialogs through.
//
// The view (the Qt dialog; a test) binds its fields to values() with the rows of fields(), forwards
// field exits (validate(), then recalculate() with the row's position), button presses and close
// requests, shows a browse over lineSource() (its view hooks set on lineBrowse()), and redraws
// buttons and field states when the listener hears controlsChanged(). The search, the line
// dialogs and the ticket selection open through DocumentHost; messages go through core::prompts(),
// code fields through codes::pickList(), printing through PROPRN. A screen owns its Workspace:
// tables are open from open() to close(). One thread.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "codes/table_browse.h"
#include "core/edit_snapshot.h"
#include "core/value_map.h"
#include "expr/contexts.h"
#include "storage/table_row_source.h"
#include "storage/workspace.h"
#include "storage/workspace_context.h"
#include "weighing/navigation.h"
#include "weighing/ticket_screen.h"
#include "weighing/ticket_store.h"

namespace accounts {

// Buttons of a document screen: the twelve of the tool bar (left to right), the small settlement
// buttons of the vouchers, and the three line buttons.
enum class DocButton {
    Previous, Next, First, Last, New, Edit, Delete, Search, Save, Cancel, Print, Exit,
    Pay1, Pay2, Pay3, LineAdd, LineChange, LineMark,
    Count_
};
inline constexpr int kDocToolButtons = 12;

// A tool bar button: its picture in the "library" folder of CDRV1 and its tooltip (UTF-8).
struct DocToolButton {
    DocButton button;
    const char* picture;
    const char* tooltip;
};
const std::array<DocToolButton, kDocToolButtons>& documentToolBar();

// The line buttons' captions (TIS-620): "เ&พิ่ม", "แ&ก้ไข", "&ลบ".
std::array<std::string, 3> lineButtonCaptions();

// A field of a screen or of a line dialog, in reading order (the ticket screens' row shape).
using ScreenField = weighing::TicketField;

// The modes of a document screen (CSTEP).
enum DocMode : int { kBrowsing = 0, kNewDocument = 1, kEditDocument = 2 };

// The model of a line dialog ("  เพิ่มรายการใหม่" / "  แก้ไขรายการเดิม"): its own values, fields,
// the checks of its field exits and its save button. The line is written by the screen once the
// dialog has closed on save.
class LineEditor {
public:
    virtual ~LineEditor() = default;

    bool newLine() const { return m_newLine; }
    std::string title() const;  // TIS-620
    core::ValueMap& values() { return m_values; }
    virtual std::vector<ScreenField> fields() const = 0;
    // A field was left: false keeps the focus in it.
    virtual bool validate(const std::string& name) = 0;
    // "&บันทึก": true when the dialog may close with the line to be stored (or, incomplete, to end
    // without storing anything); false keeps the dialog open (a value that does not fit was told).
    bool save();
    bool saved() const { return m_saved; }
    // Whatever the line needs to be stored: filled where required and a quantity or amount given.
    virtual bool complete() const = 0;
    // The line's fields from the dialog's values (TYPE, TICKET ... or CODE, WHOUSE ...).
    virtual std::vector<weighing::FieldValue> lineValues() const = 0;
    static std::string saveCaption();    // "&บันทึก"
    static std::string cancelCaption();  // "&ยกเลิก"

protected:
    explicit LineEditor(bool newLine) : m_newLine(newLine) {}
    // Checks run by save() on a complete line; false after telling the person.
    virtual bool checkFit() { return true; }

    core::ValueMap m_values;

private:
    bool m_newLine;
    bool m_saved = false;
};

class TicketSelection;

// The dialogs a document screen opens, each modal: the call returns when the dialog has closed.
class DocumentHost {
public:
    virtual ~DocumentHost() = default;
    // The search list of PROCMOVE 6, 7 or 8.
    virtual void searchDocuments(weighing::SearchDialogModel& search) = 0;
    // A line dialog: its save button calls editor.save() and closes when that answers true; any
    // other way of closing stores nothing.
    virtual void editLine(LineEditor& editor) = 0;
    // The ticket selection of a payment or receipt line (MNDTFILL): its buttons call MNFILLCHK,
    // "ตกลง" calls accept() and closes.
    virtual void selectTickets(TicketSelection& selection) = 0;
};

class DocumentScreenListener {
public:
    virtual ~DocumentScreenListener() = default;
    // Which buttons or fields are enabled changed (or the mode did), or the lines changed.
    virtual void controlsChanged() {}
    // The focus should move to a field (a screen value name).
    virtual void focusRequested(const std::string& /*target*/) {}
    // A field that must be filled is empty: the view marks it until it is left again and shows
    // `note` (TIS-620, naming the field by its caption) where messages go. The focus request follows.
    virtual void fieldMissing(const std::string& /*name*/, const std::string& /*note*/) {}
};

class DocumentScreen {
public:
    virtual ~DocumentScreen();
    DocumentScreen(const DocumentScreen&) = delete;
    DocumentScreen& operator=(const DocumentScreen&) = delete;

    void setListener(DocumentScreenListener* listener) { m_listener = listener; }

    // Closes every open table of the workspace, opens the screen's tables (false, after the
    // storage layer's message, when one cannot be opened: every table is closed again and the
    // screen must not appear), reads its configured labels, and shows the last document in date
    // order.
    bool open();
    // The dialog ends: every table closed, the screen values released.
    void close();
    // The dialog may close only while browsing, and (payments and receipts) when the settlement
    // of the current voucher adds up (PAYCHECK). The exit button asks the same.
    bool mayClose();

    virtual std::string title() const = 0;  // TIS-620
    // The document code ("MON01" .. "STK01") and its lines' code (nullptr without lines).
    virtual const char* code() const = 0;
    virtual const char* lineCode() const = 0;
    bool hasLines() const { return lineCode() != nullptr; }
    int level() const { return m_level; }
    int mode() const;  // DocMode
    core::ValueMap& values() { return m_values; }
    storage::Workspace& workspace() { return m_ws; }
    virtual std::vector<ScreenField> fields() const = 0;
    bool enabled(DocButton b) const { return m_buttons[std::size_t(b)]; }
    bool fieldEnabled(const std::string& name) const;
    const std::string& focus() const { return m_focus; }

    // The lines browse (screens with lines, while open): its columns and rows, limited to the
    // current document's lines.
    virtual std::vector<weighing::BrowseColumn> lineColumns() const { return {}; }
    storage::TableRowSource* lineSource() { return m_lineSource.get(); }
    codes::TableBrowse* lineBrowse() { return m_lineBrowse.get(); }

    // The tool bar.
    void PROCMOVE(int action);  // 1-4, or the screen's search list
    void searchPressed();
    void newPressed();
    // Edit: a document marked deleted is refused with "ข้อมูลนี้ถูกสั่งลบ".
    void editPressed();
    // Delete / undelete with the document's code (PDELETE), then the display.
    void deletePressed();
    void printPressed();
    virtual bool save() = 0;
    // Cancel: prompt sound 11, the document the edit began on shown again.
    void PCANCEL();
    // Exit: true when the dialog may close (mayClose()).
    bool exitPressed() { return mayClose(); }
    // In edit mode: anything typed since the document's edit began.
    bool hasChanges() const;
    // The cancel button (`typing`: the view holds an entry typed into and not yet left, which
    // counts as a change). With changes the person is asked first, the default No. True when the
    // edit was left (PCANCEL), false when it goes on.
    bool cancelPressed(bool typing = false);
    // The window's close box, Alt+F4 or Escape: browsing, as the exit button (mayClose()); in edit
    // mode, the path of the cancel button, the dialog staying open.
    bool closeRequested(bool typing = false);

    // The lines: MNDTEDIT / SK1DTEDIT - new lines one after another in the line dialog, each stored
    // and posted when the dialog closes on save, or the highlighted line changed (reversed with
    // its audit rows, written, posted again).
    void editLines(bool newLine);
    void addLines() { editLines(true); }
    void changeLine() { editLines(false); }
    // MNDTDELE: the highlighted line marked deleted or undeleted after a confirmation.
    bool MNDTDELE();
    // Enter (how 0) or a double click (how 1) on a line: changes it, where the change-line button
    // is enabled.
    void lineActivated(int how);

    // A field was left (validation), and after it passed, the recalculation of its position.
    virtual bool validate(const std::string& name);
    virtual void recalculate(int /*position*/) {}
    // A small settlement button (screens with a settlement): its tooltip (TIS-620) and its press.
    virtual std::string payTooltip(int /*part*/) const { return {}; }
    virtual void payButton(int /*part*/) {}

    // A line appended to the current document (its INDENT, a fresh RECORD key and
    // documentLineFields() with `values`) and left the current record of "Detail"; posted with the
    // line dialog's values `postWith` under the append's lock when given, else not posted. False
    // when a value does not fit (told) or the append or the write failed.
    bool appendLine(std::vector<weighing::FieldValue> values, const core::ValueMap* postWith = nullptr);
    // The caption of a field (TIS-620), for the message of a value that does not fit.
    virtual std::string fieldLabel(const std::string& field) const { return field; }
    // The current document's stored INDENT ("" at the blank position).
    std::string indent();
    // Locks the document's record and reads it again; false (the person told, nothing locked) when
    // it has been marked deleted meanwhile.
    bool lockLiveDocument();

protected:
    DocumentScreen(int level, DocumentHost& host);

    virtual bool openTables() = 0;
    virtual void readConfig() {}
    virtual void initialValues() = 0;
    // The display (MNDISP / SKDISP1); keepLine keeps the line browse on its line.
    virtual void display(bool keepLine) = 0;
    // Edit mode for a new (true) or the current document.
    virtual void edit(bool isNew) = 0;
    virtual std::unique_ptr<LineEditor> makeLineEditor(bool newLine) = 0;
    // The fields every line takes from its document: DOC_NO and DOC_DATE (and a voucher's COMPANY).
    virtual std::vector<weighing::FieldValue> documentLineFields();
    // Asked before leaving the current document (PAYCHECK of payments and receipts).
    virtual bool leaveCheck() { return true; }
    virtual std::string printForm() const = 0;
    virtual weighing::MoveAction searchAction() const = 0;

    // Helpers of the displays and saves.
    storage::Table& document();        // "Wdata"
    storage::Table* lines();           // "Detail", or nullptr
    bool onLiveDocument();             // a stored document, not marked deleted
    void setMode(int mode);
    void setButton(DocButton b, bool on) { m_buttons[std::size_t(b)] = on; }
    void enableFields(std::initializer_list<std::string> names);
    void requestFocus(const std::string& target);
    // Points the person at an empty field that must be filled: marked, named by its caption, focused.
    void reportMissing(const std::string& name);
    void notify();
    void goToRecord(std::uint32_t recno);
    void rememberPosition();  // for cancel
    // Status ("ปกติ" / "สั่งลบ") and position ("Rec.:n/m") texts, the browse-mode buttons with the
    // access level's rules, no field enabled.
    void browseState();
    // Edit mode: only save, cancel and the settlement buttons enabled.
    void editState(bool isNew);
    // The lines browse limited to the current document's INDENT, on its first line or on the line
    // it stood on.
    void scopeLines(const std::string& indent, bool keepLine);
    // The current line of the browse (false when there is none) with the table on it.
    bool currentLine();
    // Turns each value into its field's type and checks that every one fits its field; false after
    // telling the person, by the field's caption, of the first that does not.
    using FieldLabel = std::function<std::string(const std::string& field)>;
    bool checkFields(storage::Table& t, std::vector<weighing::FieldValue>& values, const FieldLabel& label);
    // Puts checked values into the current record of `t`, which the caller has locked (or
    // appended); then commits and releases every lock. False when the write or commit failed.
    bool putFields(storage::Table& t, const std::vector<weighing::FieldValue>& values);
    // Both, the record locked in between: false when a value does not fit or the lock failed.
    bool writeFields(storage::Table& t, std::vector<weighing::FieldValue> values, const FieldLabel& label);
    void changeStoredLine(std::uint32_t line, LineEditor& editor);
    // The expression context of configured formulas: the open tables, the screen values, settings.
    expr::Context& formulaContext() { return m_context; }

    DocumentHost& m_host;
    storage::Workspace m_ws;
    core::ValueMap m_values;

private:
    void snapshotEntries();

    int m_level;
    DocumentScreenListener* m_listener = nullptr;
    std::unique_ptr<weighing::DocumentCursor> m_cursor;
    std::array<bool, std::size_t(DocButton::Count_)> m_buttons{};
    std::set<std::string> m_enabledFields;  // upper-case names
    std::string m_focus;
    bool m_open = false;
    core::EditSnapshot m_snapshot;  // the entries as the edit began
    storage::WorkspaceContext m_tables;
    expr::ValueMapContext m_screen;
    expr::ValueMapContext m_settings;
    expr::ChainContext m_context;
    std::unique_ptr<storage::TableRowSource> m_lineSource;
    std::unique_ptr<codes::TableBrowse> m_lineBrowse;
};

// Opens a catalogue table from the folder its setting names (CDRV1, CDRV2) with its first index
// under the alias, with the title workflows give OPEN. False after OPEN's message.
bool openCatalogue(storage::Workspace& ws, const char* table, const char* alias);

// The line's values shown from the current record of a table, each field F as the value "cd" + F
// of the editor (TYPE as cdType ...).
void loadLineValues(storage::Table& t, core::ValueMap& values, std::initializer_list<const char*> fields);

}  // namespace accounts
