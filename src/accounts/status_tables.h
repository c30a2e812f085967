// The four status screens as data: the stock, supplier and customer ledgers and the customers'
// purchase orders - for each the list screen (EDITPROC1 .. EDITPROC4: title, ledger table, the code
// tables its names come from, the browse's columns, the rights position) and its row editor
// (STATEDIT1 .. STATEDIT4: titles, rows with labels, pictures and what each entry checks). The
// models in status_screen.h and status_editor.h run every screen from these tables. Constant data.
#pragma once

#include <span>

namespace accounts {

inline constexpr int kStatusScreens = 4;
// The work area every status screen opens its ledger under.
inline constexpr const char* kStatusAlias = "Status";

struct StatusColumn {
    const char* headingUtf8;  // as shown, blanks included
    const char* expression;   // evaluated on each row ("CODE", "Product->NAME", "TRANSFORM(...)")
    int width;                // pixels
    bool number;              // right-aligned
};

// A code table a screen opens before its ledger: for the names of the rows and for the pick-lists.
struct NameTable {
    int codeTable;         // the pick-list's number: 1 suppliers, 2 customers, 3 products, 5 warehouses
    const char* keyField;  // the ledger field whose code the table follows; nullptr: pick-list only
};

enum class StatusEntry {
    Code,    // upper case; the code pick-list of `codeTable`, which fills `nameValue`
    Name,    // a name filled by the code entry above it; never editable, never stored
    Number,  // a number with the row's picture
    Text,    // upper case text (the order number)
    Date,    // a date; today when the row has none
};

struct StatusEditorRow {
    const char* labelUtf8;
    const char* value;  // the buffer: the ledger field it edits, or for a name its own value
    StatusEntry entry;
    const char* picture;
    int codeTable = 0;              // Code: the pick-list; Name: the code table the name is read from
    const char* nameValue = nullptr;  // Code: the Name row it fills
    bool key = false;               // part of the ledger's index key (see StatusDef::keyFields)
};

struct StatusDef {
    int number;          // 1 .. 4
    int rightsPosition;  // 11 .. 14
    const char* titleUtf8;
    const char* table;   // the catalogue's table: "Stock", "ApAcc", "ArAcc", "OrAcc"
    std::span<const NameTable> names;  // opened in this order, before the ledger
    std::span<const StatusColumn> columns;
    // The fields of the ledger's index key, in key order ("CODE"+"WHOUSE"; "COMPANY"+"PRODUCT"+
    // "CODE"). A row's key is unique: an editor refuses a key another row has.
    std::span<const char* const> keyFields;
    const char* addTitleUtf8;
    const char* changeTitleUtf8;
    std::span<const StatusEditorRow> rows;  // stored: every row that is not a Name
};

// REQUIRES 1 <= number <= kStatusScreens (std::out_of_range otherwise).
const StatusDef& statusDef(int number);

}  // namespace accounts
