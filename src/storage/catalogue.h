// The table catalogue: every permanent table of a site with its folder setting, index files and
// keys, titles and fields, and the per-user work tables. Site set-up creates tables from it,
// file maintenance walks it, `check` knows each table's index files through it.
//
// Field widths the screens and postings depend on are fixed here and nowhere else (see the
// comment on the width constants in catalogue.cpp). Every table of a family carries every field of
// the family, used or not, so reports, backups and restores treat the family alike.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "storage/dbf_format.h"
#include "storage/os.h"
#include "storage/status.h"

namespace storage {

class Table;

struct FieldDef {
    const char* name;  // upper case, at most 10 characters
    char type;         // 'C', 'N', 'D', 'L'
    int length;
    int decimals;
};

struct IndexDef {
    const char* file;  // without ".NTX"
    const char* key;   // key expression, as written into the index header
};

// The reindex groups of file maintenance, in their order.
enum class TableGroup { Weighing, Money, Balances, Codes };

struct TableDef {
    const char* name;             // "Wdata1", "ApAcc" ...: the file name without ".DBF"
    const char* folderSetting;    // "CDRV1" (code tables) or "CDRV2" (transactions)
    std::span<const IndexDef> indexes;
    const char* maintenanceTitle;  // UTF-8: the title in file maintenance
    const char* openTitle;         // UTF-8: the title a workflow gives OPEN for its messages (the
                                   // report screens open "Replist" under its maintenance title)
    std::span<const FieldDef> fields;
    TableGroup group;
    bool optional;  // installed only when present ("LOGGER")
};

// Every permanent table, in the order file maintenance reindexes them.
std::span<const TableDef> catalogue();

// The table of that name, matched without regard to letter case; nullptr when unknown.
const TableDef* findTable(std::string_view name);

// The key no two live records of a transaction table may share ("" for other tables): a
// document's number within its table (each table has its own series), a line's document and line
// (INDENT+RECORD). `check` reports a repeat; a restore matches records by it. (The code tables and
// ledgers are kept unique by their editors and postings; `load` may append repeats on purpose.)
const char* uniqueKey(const TableDef& table);

// The twelve code tables by the number the pick-list and the menu use (1 "Farmer" .. 12 "Replist").
const TableDef& codeTable(int number);

// Per-user work tables in CDRV4; the file name is the prefix joined to the user's code.
enum class WorkTable {
    TicketSelection,   // "T_": tickets a voucher may settle
    PrintTemplate,     // "P_": the template of a document being printed
    ReportDefinition,  // "R_": the definition of a report being run
    MovementAnalysis,  // "D_", movement form
    BalanceSummary,    // "D_", balance form
};
const char* workTablePrefix(WorkTable t);
std::span<const FieldDef> workTableFields(WorkTable t);

// The ticket-selection work table's index key, rebuilt on each opening.
inline constexpr const char* kTicketSelectionKey = "dtos(Date)+Ticket";

// The field list of a table, as Table::create takes it.
std::vector<FieldSpec> fieldSpecs(std::span<const FieldDef> fields);

// The file names a site's folder holds for a table and an index (upper case, as the reference
// runtime writes them; opening matches any letter case): "WDATA1.DBF", "WDATA12.NTX".
std::string tableFileName(const TableDef& table);
std::string indexFileName(const IndexDef& index);

// Opens a table of the catalogue from a folder (native, ending with '/') with every index file of
// it as the catalogue names them, each built when missing and rebuilt when it does not match; the
// first is the active order. NotFound when the table file is missing (it is never created here).
Status openCatalogueTable(const std::string& folder, const TableDef& table, ShareMode mode,
                          std::unique_ptr<Table>* out);

// The running-number series of "Consec" (CODE, NAME) a new site starts with, each at CSNO 1.
struct SeriesDef {
    const char* code;      // "TRK01" .. "STK01"
    const char* nameUtf8;  // the Thai description stored in NAME
    const char* table;     // the table whose documents it numbers
};
std::span<const SeriesDef> runningNumberSeries();

// How a complete weighing ticket with goods moves the ledgers, stated once for the postings and
// the ledger verification alike: its QTY times `stock` on the stock of its product in its
// warehouse; its on-account part times `account` on its party's account; and, when it quotes a
// sales order under order control (`salesOrder`), its QTY and AMOUNT times `account` on that order.
struct TicketLedgerSigns {
    const char* code;           // "TRK01" .. "TRK04"
    const char* table;          // "Wdata1" ..
    const char* accountLedger;  // "ApAcc" (suppliers) or "ArAcc" (customers)
    int stock;                  // +1 goods in, -1 goods out
    int account;                // +1 the balance rises, -1 it falls
    bool salesOrder;
};
std::span<const TicketLedgerSigns> ticketLedgerSigns();
// The signs of the series `code`; nullptr for a document that is no ticket with goods.
const TicketLedgerSigns* ticketLedgerSigns(std::string_view code);

}  // namespace storage
