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
// write and released right after its commit (REC_LOCK/ADD_REC wait without limit). One thread.
#pragma once

#include <span>
#include <string_view>

#include "core/settings.h"
#include "core/value_map.h"
#include "storage/workspace.h"

namespace weighing {

class PostingRun;

// Whether PDELETE reverses (delete) and re-posts (undelete) the document itself.
enum class SelfPosting {
    WhenComplete,  // tickets: only a complete one ("2") is in the ledgers
    Always,        // vouchers
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
    // nothing is done (false). True when something was done; "wdata" is selected again.
    bool PDELETE(std::string_view code);

    const DocumentKind* find(std::string_view code) const;

private:
    void walkLines(const DocumentKind& kind, bool undelete);

    storage::Workspace& m_ws;
    const core::ValueMap& m_values;
    const core::Settings& m_settings;
    std::span<const DocumentKind> m_kinds;
};

// What a kind's step function works with: the document's fields, and the ledger writes in the
// shape every step takes (find or create a row, lock it, add, commit, release).
class PostingRun {
public:
    PostingRun(storage::Workspace& ws, const core::ValueMap& values, const core::Settings& settings,
               const DocumentKind& kind)
        : m_ws(ws), m_values(values), m_settings(settings), m_kind(kind)
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

private:
    storage::Table* document();
    bool createRow(storage::Table& t, const std::string& key,
                   std::initializer_list<std::pair<const char*, std::string>> keyFields);
    void addInPlace(std::initializer_list<std::pair<const char*, double>> deltas);

    storage::Workspace& m_ws;
    const core::ValueMap& m_values;
    const core::Settings& m_settings;
    const DocumentKind& m_kind;
};

}  // namespace weighing
