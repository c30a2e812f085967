// The five weighing ticket kinds as data: what differs between the purchase, return-to-supplier,
// sale, customer-return and weighing-for-hire screens - tables, counterpart, captions, titles,
// fields and print forms. One ticket screen model serves all five from this table.
// Constant data; any thread.
#pragma once

#include <span>
#include <string>

namespace weighing {

inline constexpr int kTicketKinds = 5;

// The kinds by number (TicketKind::number, the menu's order).
enum TicketKindNumber : int {
    kPurchaseTicket = 1,
    kSupplierReturnTicket = 2,
    kSaleTicket = 3,
    kCustomerReturnTicket = 4,
    kHireTicket = 5,
};

// The step a ticket screen is in (CSTEP among its screen values, a number the formulas may read):
// what Save does with what the screen shows.
enum TicketStep : int {
    kTicketBrowsing = 0,        // nothing entered; the dialog may close
    kTicketNew = 1,             // a truck's first weighing: stored open (STAT "1") under a new number
    kTicketSecondWeighing = 2,  // the truck's open ticket weighed out: stored complete (STAT "2")
    kTicketEdit = 3,            // a stored ticket changed: written over it with its STAT kept
};

struct TicketKind {
    int number;                // 1..5
    const char* code;          // document kind and running-number series: "TRK01" ..
    const char* table;         // the ticket table: "Wdata1" ..
    const char* menuCaption;   // UTF-8
    const char* title;         // UTF-8: the dialog's title, with its two leading blanks
    const char* partyTable;    // "Farmer" (kinds 1, 2) or "Company" (3-5)
    int partyCodeTable;        // the pick-list's table number: 1 supplier, 2 customer
    const char* partyCaption;  // UTF-8: "ผู้ขาย", "ลูกค้า", "ผู้จ้าง"
    const char* partyValue;    // the screen value of the counterpart's code: "cFarmer" or "cCompany"
    const char* partyName;     // and of its name: "cFarName" or "cComName"
    const char* accountTable;  // the account ledger opened as "Account": "APAcc" or "ARAcc"
    bool goods;                // product, warehouse, unit, deductions, price (kinds 1-4)
    bool moistureGrades;       // moisture and impurity grades (kinds 1, 2)
    bool qualityGrade;         // quality grade and the sales order number in remark 4 (kinds 3, 4)
    bool cheque;               // a cheque part in the payment (kinds 1-4)
    const char* payTooltips[3];  // UTF-8: the small pay buttons (kind 5 has two)
};

// REQUIRES: 1 <= kind <= 5.
const TicketKind& ticketKind(int kind);
bool validTicketKind(int kind);

// Print form names: "Ticket" or "Print" + kind + the ticket's STAT ("Ticket12").
std::string ticketForm(int kind, bool alternate, char stat);

// A code table a ticket screen opens, with the ticket field it follows and the code-table number
// the pick-list knows it by.
struct TicketCodeTable {
    const char* table;     // also its alias
    const char* field;     // the ticket field holding its code ("" for a table no field refers to)
    int number;            // POPCODE's table number
};
// The code tables of a kind in the order its screen opens them.
std::span<const TicketCodeTable> ticketCodeTables(int kind);

}  // namespace weighing
