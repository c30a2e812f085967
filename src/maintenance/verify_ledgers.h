// Ledger verification (`mervo-admin verify-ledgers`): every running balance recomputed from the
// documents and compared with what the ledgers store - stock per product and warehouse, supplier
// and customer BALANCE and BORROW, sales orders' delivered WEIGHT and AMOUNT, and each weighing
// ticket's CLEAR and ACCOUNT. Read-only: tables are opened shared and read in record order, no
// index is opened or built, nothing is written. Run it while nobody posts, or a posting made during
// the read may show as a difference.
//
// The posting rules are written once, as data (postingRules()): each rule names the documents it
// reads, which of them count, the ledger row they post to (a key expression on the document) and
// the amount (an expression), all evaluated by the stored-expression evaluator. What they assume
// (README "Ledger verification"):
//   - the ledgers started at zero and every movement since is a document still in the tables; a
//     value the documents do not explain - an opening balance typed in the status screens, a hand
//     correction, the postings of purged documents - is reported with the amount left unexplained;
//   - BEGIN and BBEGIN are the reports' roll-back fields, not opening balances, and are not read;
//   - a complete ticket was first posted before any voucher line settled it, so while it is live it
//     holds its whole DRCR in the account, and once deleted the part settled when it was deleted;
//   - stock from production lines uses the unit rates as they are now, and sales orders are checked
//     only while order control ([Misc] Order) is "1", as they were posted only then;
//   - each posting was rounded to the ledger field's two decimals, so a row may differ from the sum
//     by up to half a hundredth per posting that had more decimals.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "core/settings.h"

namespace maintenance {

// Which documents of a table a rule reads.
enum class RuleDocuments {
    LiveComplete,    // not marked, STAT "2" (a ticket whose both weighings are done)
    MarkedComplete,  // marked, STAT "2": what the deletion's reversal left in the account
    Live,            // not marked (vouchers, lines)
};

struct PostingRule {
    const char* document;   // the documents' table: "Wdata1"
    const char* code;       // the posting code: "TRK01"
    RuleDocuments documents;
    const char* condition;  // xBase logical expression on the document; "" always
    const char* ledger;     // the table posted to: "Stock", "ApAcc", "ArAcc", "OrAcc", "Wdata1" ..
    const char* key;        // expression on the document: the ledger row's key
    const char* field;      // the ledger field
    const char* amount;     // xBase numeric expression on the document (NRATE: the unit's rate)
};
std::span<const PostingRule> postingRules();

struct LedgerDifference {
    std::string file;      // "STOCK.DBF"
    std::string row;       // TIS-620: the row's key fields, " / " between
    std::string field;     // "BALANCE"
    bool noRow = false;    // the documents give a value for a row the ledger lacks
    std::string stored;    // TIS-620 text of the stored value ("1500.00", "1")
    std::string computed;  // the value the documents give
    std::string unexplained;  // numbers: stored - computed ("500.00"); "" for flags
};

struct LedgerTable {
    std::string file;
    std::size_t rows = 0;
    std::size_t differences = 0;
    bool checked = true;
    std::string note;  // why a table was not checked
};

struct LedgerCheck {
    std::vector<LedgerTable> tables;
    std::vector<LedgerDifference> differences;
    std::vector<std::string> notes;     // TIS-620: documents naming rows that postings never create
    std::vector<std::string> problems;  // tables that could not be read (nothing compared then)
    bool clean() const { return differences.empty() && problems.empty(); }
};

// Reads the documents and ledgers of the site whose folders the settings name (CDRV1, CDRV2) and
// compares. `settings` also gives CORCTRL.
LedgerCheck verifyLedgers(const core::Settings& settings = core::programSettings());

}  // namespace maintenance
