// TicketScreen: the weighing ticket screen of one kind (TRPROC1..TRPROC5) without its widgets - the
// screen values, the mode (CSTEP, a TicketStep: browsing, new ticket, second weighing, edit), which
// buttons and fields are enabled and where the focus goes, and the operations the buttons and
// field exits run: TRDISP, TREDIT, TRSAVE, PCANCEL, GETTRUCK, GETTABLE, POPORDER, PROCMOVE, delete,
// print, the pay buttons and the recalculation of TRPROCSAY/PAYMENT.
//
// The view (the Qt dialog; a test) binds its fields to values() through the form builder with the
// rows of fields(), forwards field exits (validate(), then recalculate() with the row's position),
// button presses and close requests, and redraws buttons and field states when the listener hears
// controlsChanged(). Dialogs the screen opens (the truck prompt, the lists, the search, the weight
// dialog) go through TicketHost and the code fields through codes::pickList(), so tests script
// them; messages go through core::prompts(), sounds through core::TSOUND, printing through
// PROPRN. The screen owns its Workspace: tables are open from open() to close(). One thread.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/edit_snapshot.h"
#include "core/value_map.h"
#include "scale/weight_dialog_model.h"
#include "storage/workspace.h"
#include "weighing/calc.h"
#include "weighing/evidence_log.h"
#include "weighing/list_dialog_model.h"
#include "weighing/navigation.h"
#include "weighing/ticket_kind.h"

namespace weighing {

class TicketScreen;
struct FieldValue;

// The dialogs a ticket screen opens, each modal: the call returns when the dialog has closed.
class TicketHost {
public:
    virtual ~TicketHost() = default;
    // The truck prompt "  กรุณาระบุทะเบียนรถ" bound to the screen value cTrk (20 characters, "@!"):
    // true for OK (which requires a registration), false for cancel. Its "..." button calls
    // screen.GETTABLE().
    virtual bool askTruck(TicketScreen& screen) = 0;
    // A list to choose a row from (waiting trucks, sales orders).
    virtual void chooseFromList(ListDialogModel& list) = 0;
    // The search dialog of PROCMOVE 5.
    virtual void searchDocuments(SearchDialogModel& search) = 0;
    // READW(which): the weight dialog, delivering an accepted weight to the target.
    virtual void readWeight(int which, scale::WeighTarget& target) = 0;
};

// Buttons of the screen. The first twelve are the tool bar, left to right.
enum class TicketButton {
    Previous, Next, First, Last, Weigh, Edit, Delete, Search, Save, Cancel, Print, Exit,
    WeighIn, WeighOut, Pay1, Pay2, Pay3,
    Count_
};
inline constexpr int kToolButtons = 12;

// A tool bar button: its picture in the "library" folder of CDRV1 and its tooltip (UTF-8).
struct ToolButtonDef {
    TicketButton button;
    const char* picture;
    const char* tooltip;
};
const std::array<ToolButtonDef, kToolButtons>& ticketToolBar();

// One field of the dialog, in reading order (left column, then right column of each row).
struct TicketField {
    int row;               // 1-based row of the dialog
    int column;            // 0 left, 1 right
    std::string label;     // TIS-620 caption; empty for a field sharing the row's caption
    std::string name;      // the screen value
    std::string picture;   // xBase picture
    int width = 0;         // bytes of a free text (the table field's width); 0: from the picture
    int recalc = -1;       // the position recalculate() is given when the field is left; -1 none
    bool validates = false;  // validate() runs when the field is left (code fields, order number)
    bool readOnly = false;   // never editable (names, net, quantity, kinds 1-4 amount)
    int payPart = 0;       // 1..3: the caption is the pay button of that part
    int shown = 0;         // characters the box shows (the rest scrolls); 0: as wide as it edits
};

// The characters a grade's name shows beside its code.
inline constexpr int kGradeNameShown = 16;

// The caption of the field bound to a screen value (TIS-620, trimmed); the name itself when the
// field has no caption of its own.
std::string fieldCaption(const std::vector<TicketField>& fields, const std::string& name);

// Positions recalculate() takes beyond TRPROCSAY's (calc.h FieldPosition): leaving a payment part
// runs PAYMENT for it.
inline constexpr int kPosPaymentBase = 20;  // + 1 cash, 2 on account, 3 cheque

class TicketScreenListener {
public:
    virtual ~TicketScreenListener() = default;
    // Which buttons or fields are enabled changed (or the mode did).
    virtual void controlsChanged() {}
    // The focus should move to a field (a screen value name) or a button ("save").
    virtual void focusRequested(const std::string& /*target*/) {}
    // A field that must be filled first is empty (a screen value name): the view marks it until it
    // is left again and shows `note` (TIS-620, naming the field by its caption) where messages go.
    // The focus request for it follows.
    virtual void fieldMissing(const std::string& /*name*/, const std::string& /*note*/) {}
};

class TicketScreen final : public scale::WeighTarget {
public:
    // kind 1..5; level: the user's rights digit for the kind (cTrusLevel).
    TicketScreen(int kind, int level, TicketHost& host);
    ~TicketScreen() override;
    TicketScreen(const TicketScreen&) = delete;
    TicketScreen& operator=(const TicketScreen&) = delete;

    void setListener(TicketScreenListener* listener) { m_listener = listener; }

    // TRPROC: closes every open table of the workspace, opens the kind's tables (false, after the
    // storage layer's message, when one cannot be opened: the screen must not appear), reads the
    // captions and formulas, plays sound 26 and shows the last ticket in date order.
    bool open();
    // The dialog ends: every table closed, the screen values released.
    void close();
    // The dialog may close only while browsing (CSTEP 0).
    bool mayClose() const { return mode() == kTicketBrowsing; }
    // In a weighing or edit: anything typed since it began, or a weight accepted.
    bool hasChanges() const;
    // The cancel button (`typing`: the view holds an entry typed into and not yet left, which
    // counts as a change). With changes the person is asked first, the default No. True when the
    // step was left (PCANCEL), false when it goes on.
    bool cancelPressed(bool typing = false);
    // The window's close box, Alt+F4 or Escape: true while browsing (the dialog closes, as the exit
    // button closes it); in a step, the path of the cancel button, the dialog staying open.
    bool closeRequested(bool typing = false);

    // What the dialog shows.
    int kind() const { return m_kind; }
    const TicketKind& kindInfo() const { return ticketKind(m_kind); }
    int level() const { return m_level; }
    std::string title() const;  // TIS-620
    TicketStep mode() const;    // CSTEP
    core::ValueMap& values() { return m_values; }
    const CalcConfig& config() const { return *m_config; }
    // The fields in reading order. Not fields, and so left to the dialog: the heading band (row 8;
    // kind 5 row 5, headingBand()), the weigh-in and weigh-out buttons (row 16 right; kind 5 rows 9
    // and 10 right, weighButtonCaption()), and the tool bar under the last row.
    std::vector<TicketField> fields() const;
    static std::array<std::string, 4> headingBand();   // TIS-620: "รายการ", "วันที่", "เวลา", "น้ำหนัก"
    static std::string weighButtonCaption(int which);  // TIS-620: "ชั่งรถเข้า" (1), "ชั่งรถออก" (2)
    // The truck prompt (GETTRUCK): title, the label of cTrk and its width, the buttons.
    static std::string truckPromptTitle();              // "  กรุณาระบุทะเบียนรถ"
    static std::string truckPromptLabel();              // "ทะเบียนรถ"
    static constexpr int kTruckPromptWidth = 20;        // cTrk, picture "@!", may not be left empty
    static std::array<std::string, 3> truckPromptButtons();  // "&ตกลง", "&ยกเลิก", "..."
    bool enabled(TicketButton b) const { return m_buttons[std::size_t(b)]; }
    bool fieldEnabled(const std::string& name) const;
    const std::string& focus() const { return m_focus; }
    // The tooltip of a pay button (TIS-620), per kind.
    std::string payTooltip(int part) const;
    storage::Workspace& workspace() { return m_ws; }

    // Operations.
    // TRDISP: shows the ticket table's current record - values, formulas, record position - and
    // enables the browsing buttons (none of the fields).
    void TRDISP();
    // Toolbar 5 (a weighing: TREDIT with true) and 6 (an edit: a ticket marked deleted is refused
    // with "ข้อมูลนี้ถูกสั่งลบ", else TREDIT with false).
    void weighPressed() { TREDIT(true); }
    void editPressed();
    // TREDIT: enters the step GETTRUCK answers (a ticket settled in part may not be edited); fills
    // a new ticket's number, date and time or a second weighing's date and time; enables the step's
    // fields and buttons. Browsing stays when the truck prompt is cancelled.
    void TREDIT(bool weighing);
    // GETTRUCK: the step a weighing or edit begins in. Not a weighing: kTicketEdit. A weighing asks
    // for the truck (cancelled or empty: kTicketBrowsing); its open, live ticket is made current
    // (kTicketSecondWeighing) or there is none (kTicketNew). cTruck takes the registration.
    TicketStep GETTRUCK(bool prompt);
    // GETTABLE: the list of the trucks waiting to weigh out ("1" tickets); the one chosen goes into
    // cTrk. The ticket table's record and order are put back.
    void GETTABLE();
    // TRSAVE: stores what the step shows (see ticket_save.cpp): true when stored and posted, the
    // screen then browsing; false keeps the step, or (the ticket changed meanwhile) shows it stored.
    bool TRSAVE();
    // PCANCEL: leaves the step without writing; the ticket shown before it is shown again.
    void PCANCEL();
    // PROCMOVE: moves in date order (navigation.h's actions) or, for kSearchTickets, through the
    // search dialog; then TRDISP.
    void PROCMOVE(int action);
    // Toolbar 7: delete / undelete with the kind's document code, then the display.
    void deletePressed();
    // Toolbar 11: prints "Ticket" (alternate: "Print") + kind + STAT, then the display.
    void printPressed(bool alternate);
    // READW: the weigh-in (1) or weigh-out (2) button.
    void READW(int which);

    // A field was left: code fields run the pick-list (and fill their name), the order number
    // POPORDER; false keeps the focus in the field. Other fields always pass.
    bool validate(const std::string& name);
    // After a field passed: TRPROCSAY with the position, or PAYMENT for kPosPaymentBase + part.
    void recalculate(int position);
    // A small pay button: the whole amount into that part (PAYBUTTON).
    void payButton(int part);
    // The fields that must be filled, in the order of the screen, that are empty: for the save
    // (truck, party, and for goods product, warehouse and unit) or before the weigh-in (party, and
    // for goods product and warehouse).
    std::vector<std::string> missingFields(bool forWeighIn) const;
    std::string caption(const std::string& name) const { return fieldCaption(fields(), name); }

    // POPORDER: the sales order number cRemark4 of the party's product. Empty, or found exactly
    // (cPrice from the order): true. Otherwise the list of the party's orders of the product from
    // the nearest, the one chosen setting cRemark4 and cPrice; false (told) when there is none.
    bool POPORDER();

    // scale::WeighTarget: the weight dialog's delivery.
    void weightOrigin(int which, const scale::WeightOrigin& origin) override;
    void receiveWeight(int which, long long kg) override;
    void disableWeighButton(int which) override;
    void enableAndFocusSave() override;

    // Weights typed by hand (ticket_evidence.cpp). Whether this user may type the weights of a
    // stored ticket in an edit: the [Misc] "ManualW" setting (CMANUALW) 0 - as the service mode
    // allows it (CTRACK "9417" and a level above 5), 1 - a level of 5 or more, 2 - nobody.
    bool mayTypeWeights() const;
    // Whether the weigh-in (1) or weigh-out (2) weight shown was typed by hand (cWinSrc/cWoutSrc
    // hold the mark then).
    bool weightTyped(int which) const;
    // The evidence records of the ticket shown, in the order written: for a user of level 5 or more, while
    // browsing a stored ticket; otherwise nothing.
    bool mayShowEvidence() const;
    std::vector<EvidenceEntry> evidenceHistory() const;

private:
    void setMode(TicketStep mode);
    void setButton(TicketButton b, bool on) { m_buttons[std::size_t(b)] = on; }
    void enableFields(std::initializer_list<const char*> names);
    void requestFocus(const std::string& target);
    void notify();
    void initialValues();
    void goToRecord(std::uint32_t recno);
    storage::Table& ticketTable();
    Calculator& calc() { return *m_calc; }
    void fillCodeName(const std::string& name);
    std::vector<std::pair<std::string, core::Value>> recordValues(const std::string& stat, const std::string& ticket);
    // TRSAVE's steps (ticket_save.cpp).
    bool saveChecksPass(const std::string& title);
    bool buildSavedRecord(TicketStep step, const std::string& title, std::vector<FieldValue>* record);
    bool appendNewTicket(std::vector<FieldValue>& record);
    bool writeOverStored(TicketStep step, const std::vector<FieldValue>& record);
    bool orderLimitWarning();
    void storedStateChanged();
    std::string fieldLabel(const std::string& field) const;
    // The evidence (ticket_evidence.cpp).
    struct TakenWeight {
        char source = ' ';
        scale::WeightOrigin origin;
        core::Date date;
        std::string time;
    };
    void forgetTakenWeights();
    void noteWeightShown();
    void noteTypedWeight(int which);
    bool truckWeightCheck();
    void recordSave(const char* reason, const std::array<double, 2>& storedWeights);
    bool recordEvidence(const evidence::Event& e);
    evidence::Event ticketEvent(const char* event) const;
    // Points the person at an empty field that must be filled: marked, named, focused.
    void reportMissing(const std::string& name);

    int m_kind;
    int m_level;
    TicketHost& m_host;
    TicketScreenListener* m_listener = nullptr;
    storage::Workspace m_ws;
    core::ValueMap m_values;
    std::unique_ptr<CalcConfig> m_config;
    std::unique_ptr<Calculator> m_calc;
    std::unique_ptr<DocumentCursor> m_cursor;
    std::array<bool, std::size_t(TicketButton::Count_)> m_buttons{};
    std::set<std::string> m_enabledFields;  // upper-case names
    std::string m_focus;
    core::EditSnapshot m_snapshot;  // the entries as the weighing or edit began
    bool m_weighed = false;          // a weight accepted since it began
    std::string m_editStat;  // STAT of the stored ticket when the weighing or edit began
    std::optional<scale::WeightOrigin> m_origin;       // told by the weight dialog, for the next weight
    std::array<std::optional<TakenWeight>, 2> m_taken;  // weights taken or typed in this step
    std::array<double, 2> m_shownWeights{};             // the weights as loaded or taken: others were typed
    bool m_open = false;
};

}  // namespace weighing
