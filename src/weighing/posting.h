// Posting documents to the running ledgers: UPSTATUS posts (+1) or reverses (-1) one document -
// stock per product and warehouse, supplier and customer accounts, sales orders, the ticket's
// open-credit flag - and PDELETE marks a document deleted or undeletes it, reversing or re-posting
// it and its detail lines, with the audit rows.
//
// Both are driven by a table of document kinds (documentKinds()): a kind is its code, the work
// area its document stands in, its detail lines' code, whether the document posts itself, and the
// function that writes its ledger steps: the weighing tickets "TRK01".."TRK05", the money vouchers
// "MON01".."MON04" with the settlement lines "MON_1"/"MON_2" of payments and receipts (which
// settle tickets open as "Data1"/"Data2"), and the production records "STK01" whose lines "STK_1"
// move the stock (the rate of a line's unit read from "Unit").
//
// Works on the calling screen's Workspace, where every table the kind posts to is open under its
// alias ("wdata", "detail", "Stock", "Account", "Order", "Audit"), and reads the screen's values
// for the audit and the order-number test. Each ledger row and document is locked just before its
// write and released right after its commit (REC_LOCK/ADD_REC wait without limit) - except the
// document a save holds locked from its check to its new posting (Posting::saveOver). One thread.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/settings.h"
#include "core/value_map.h"
#include "storage/workspace.h"

namespace weighing {

class PostingRun;

// Whether the document's own record is in the ledgers: PDELETE reverses (delete) and re-posts
// (undelete) it, a save over it (Posting::saveOver) reverses it and posts it again.
enum class SelfPosting {
    WhenComplete,  // tickets: only a complete one ("2") is in the ledgers
    Always,        // vouchers; detail lines
    Never,         // production records: their stock lives in their lines
};

struct DocumentKind {
    const char* code;       // "TRK01" ...
    const char* alias;      // the work area the document is the current record of: "wdata" or "detail"
    const char* lineCode;   // the code its detail lines ("detail", linked by INDENT) post with; nullptr: none
    bool linesMakeAmount;   // the document's AMOUNT is the sum of its live lines (payment and receipt vouchers)
    SelfPosting selfPosting;
    // The ledger steps of UPSTATUS for one direction; nullptr posts nothing.
    void (*post)(PostingRun& run, int direction);
};

// Every document kind the program posts, in no particular order.
std::span<const DocumentKind> documentKinds();

// The work area of the tickets a settlement line's TYPE settles (trimmed, any case): "Data1" for
// "REC" and "INV", "Data2" for "CAN" and "RET"; nullptr for "OTH" and anything else.
const char* settledTicketAlias(std::string_view type);

// How a settlement line's AMOUNT counts in its voucher's total: a payment settles a supplier's
// receiving tickets net of their returns (a receipt a customer's dispatch tickets net of theirs),
// so "CAN" and "RET" lines count -1, every other line +1. The line's own posting to its ticket's
// CLEAR is unsigned either way.
int settlementSign(std::string_view type);

// The ticket a settlement line settles - by its TYPE, and its DATE, TIME and TICKET sought in the
// ticket table's date order (DTOS(DAYIN)+TMIN+TICKET) - made the current record of that table,
// which is left selected on its date order. nullptr when the type settles no ticket, its table is
// not open or the ticket is not there.
storage::Table* seekSettledTicket(storage::Workspace& ws, std::string_view type, const core::Value& date,
                                  std::string_view time, std::string_view ticket);

// The ticket the settlement line that is the current record of "detail" settles, sought by
// seekSettledTicket from the line's TYPE, DATE, TIME and TICKET; nullptr as there, or with no line.
storage::Table* settledTicketOfLine(storage::Workspace& ws);

// Whether the settlement line that is the current record of "detail", marked now, may settle its
// ticket again - its mark taken off by hand, or by its voucher's undeletion: the ticket must be
// live and still have the line's amount open, or another voucher settled it meanwhile (or it was
// deleted) and posting the line would settle twice or settle a ticket out of the ledgers. A ticket
// that is not there was never settled by the line, and lines of other types settle none: they may.
// The check is made under the ticket's record lock, which is kept when the answer is yes - the
// line's posting writes under it and releases it - and released (with every lock but those of
// `keep`) when it is no. "detail" is selected on return.
bool lineMaySettleAgain(storage::Workspace& ws, const storage::Table* keep);

// What is still open of the on-account part of the current ticket of `t`: DRCR - CLEAR.
double openOnAccount(storage::Table& t);

// Moves the settled part (CLEAR) of the selected table's current ticket by `amount` under its
// record lock - never below 0 - with ACCOUNT "1" once nothing is open, else " "; commits and
// releases the workspace's locks but those of `keep`.
void addToSettled(storage::Workspace& ws, double amount, const storage::Table* keep = nullptr);

class Posting {
public:
    // The workspace, values and settings must outlive the object. `kinds` is the table of document
    // kinds to use (tests pass their own).
    Posting(storage::Workspace& ws, const core::ValueMap& screenValues,
            const core::Settings& settings = core::programSettings(),
            std::span<const DocumentKind> kinds = documentKinds());

    // UPSTATUS(code, direction, noAudit): posts (+1) or reverses (-1) the current record of the
    // kind's work area. A reversal without noAudit then writes the edit audit rows of the fields
    // the screen changed (when Misc/Audit is "Y"), before the caller overwrites the record. An
    // unknown code shows "ไม่พบเงื่อนไข : " + code and posts nothing (false). On return the kind's
    // work area is selected.
    bool UPSTATUS(std::string_view code, int direction, bool noAudit = false);

    // PDELETE(code): asks, No being the default, and then marks the current document of "wdata"
    // deleted (reversing it and its live lines) or undeletes it (re-posting them), and writes the
    // deletion or undeletion audit row. The mark is read again and changed under the document's
    // lock before anything is posted: when another workstation changed it since it was shown,
    // nothing is done (false). The lock is held until everything is reversed or posted again. An
    // undeletion leaves marked (and unposted) every settlement line whose ticket no longer has the
    // line's amount open - it was settled by another voucher since - and names them once
    // ("รายการที่ใบชั่งถูกชำระไปแล้วยังคงถูกสั่งลบ : " + "TYPE TICKET, ..."). True when something was
    // done; "wdata" is selected again.
    bool PDELETE(std::string_view code);

    // Holds the record lock of `document`, whose current record the caller has locked, through the
    // postings that follow: they release the locks they take but that one, and their messages
    // wait. release() ends the hold: every lock of the workspace released, the messages shown.
    void hold(storage::Table& document);
    void release();

    // How a screen saves a document over its stored record: the current record of the kind's work
    // area - one being edited, or one just appended by ADD_REC - is locked and stays locked to the
    // end. Under that lock `stillAsShown` (when given) checks the record as stored now; when
    // `reverseStored`, a document that posts itself is reversed (-1, with the edit audit rows);
    // `write` puts the new values; everything is committed; and the document is posted (+1) as it
    // now stands when it posts itself. The postings release the locks they take but not this one,
    // so another workstation's PDELETE or save of the same document waits for the whole of it and
    // never reverses it between the reversal and the new posting. The postings' messages are shown
    // once the lock is released. On return every lock is released and the work area selected.
    enum class SaveResult {
        Saved,
        Changed,      // `stillAsShown` said no: nothing was done
        NotLocked,    // the lock could not be taken: nothing was done
        WriteFailed,  // the write or its commit failed: the record is posted as it now stands
    };
    SaveResult saveOver(std::string_view code, bool reverseStored,
                        const std::function<bool(storage::Table&)>& stillAsShown,
                        const std::function<storage::Status(storage::Table&)>& write);

    const DocumentKind* find(std::string_view code) const;

private:
    // Deletes (reverses and marks) the document's live lines, or undeletes (recalls and posts) its
    // marked ones but those in `keepMarked` (RECORD keys of lines marked by hand before).
    void walkLines(const DocumentKind& kind, bool undelete, const std::vector<std::string>& keepMarked = {});
    std::vector<std::string> handMarkedLines();
    bool refuseSettledDeletion(const DocumentKind* kind, storage::Table& doc);
    std::string settlingVouchers(std::string_view code, storage::Table& doc);
    std::string linesFolder();
    // Whether the kind's document posts itself in the state of its current record.
    bool postsItself(const DocumentKind* kind, storage::Table& doc) const;

    storage::Workspace& m_ws;
    const core::ValueMap& m_values;
    const core::Settings& m_settings;
    std::span<const DocumentKind> m_kinds;
    const storage::Table* m_held = nullptr;  // the document a save holds locked
    std::vector<std::pair<std::string, std::string>> m_deferred;  // messages (text, title) held back meanwhile
};

// What a kind's step function works with: the document's fields, and the ledger writes in the
// shape every step takes (find or create a row, lock it, add, commit, release).
class PostingRun {
public:
    // While a save holds its document's record lock (`held`), the steps leave it held, and their
    // messages wait in `deferred` (text, title) to be shown once it is released.
    PostingRun(storage::Workspace& ws, const core::ValueMap& values, const core::Settings& settings,
               const DocumentKind& kind, const storage::Table* held = nullptr,
               std::vector<std::pair<std::string, std::string>>* deferred = nullptr)
        : m_ws(ws), m_values(values), m_settings(settings), m_kind(kind), m_held(held), m_deferred(deferred)
    {
    }

    storage::Workspace& workspace() { return m_ws; }
    const core::ValueMap& screenValues() const { return m_values; }
    const core::Settings& settings() const { return m_settings; }
    const DocumentKind& kind() const { return m_kind; }

    // A field of the document (the current record of the kind's work area): texts as stored,
    // numbers (0 when blank or missing).
    std::string text(const char* field);
    double number(const char* field);

    // Adds delta to a number field of the row of the table under `alias` whose key (in its active
    // order) is `key`, creating the row first with `keyFields` written when there is none - sought
    // again under the table's file lock, so two workstations never both create it. The row is
    // locked for the write and released after its commit.
    void addToRow(const char* alias, const std::string& key,
                  std::initializer_list<std::pair<const char*, std::string>> keyFields,
                  std::initializer_list<std::pair<const char*, double>> deltas);
    // The same, only when the row exists; false (nothing written) when it does not.
    bool addToExistingRow(const char* alias, const std::string& key,
                          std::initializer_list<std::pair<const char*, double>> deltas);

    // Writes fields of the document's record under its lock (text or number values).
    void writeDocument(std::initializer_list<std::pair<const char*, core::Value>> fields);

    // The document's work area selected again.
    void selectDocument();
    // The document a save holds locked while the steps run (nullptr: none).
    const storage::Table* held() const { return m_held; }
    // An information message, shown now or, while a document is held, once it is released.
    void tell(const std::string& text, const std::string& title);

private:
    storage::Table* document();
    void addInPlace(std::initializer_list<std::pair<const char*, double>> deltas);

    storage::Workspace& m_ws;
    const core::ValueMap& m_values;
    const core::Settings& m_settings;
    const DocumentKind& m_kind;
    const storage::Table* m_held;
    std::vector<std::pair<std::string, std::string>>* m_deferred;
};

}  // namespace weighing
