// The four money voucher kinds as data: what differs between the payment, receipt, loan-given and
// loan-taken screens - tables and aliases, partner, series, titles, captions and tooltips, the
// line types a payment or receipt settles, the search list and the print form. One voucher screen
// model serves all four from this table. Constant data; any thread.
#pragma once

#include <string>
#include <string_view>

namespace accounts {

inline constexpr int kVoucherKinds = 4;

struct VoucherKind {
    int number;                 // 1..4
    const char* code;           // document kind and running-number series: "MON01" ..
    const char* lineCode;       // the code its lines post with ("MON_1", "MON_2"); nullptr: no lines
    const char* table;          // the vouchers: "Money1" ..
    const char* lines;          // their lines: "Detail1", "Detail2"; nullptr for kinds 3 and 4
    const char* data1;          // tickets the first line types settle ("Wdata1" receiving ...)
    const char* data2;          // tickets the other types settle ("Wdata2" returns ...)
    const char* firstType;      // the selection's type of a "Data1" ticket: "REC" or "INV"
    const char* secondType;     // and of a "Data2" ticket: "CAN" or "RET"
    const char* partyTable;     // "Farmer" (kinds 1, 3) or "Company" (2, 4): also its alias
    int partyCodeTable;         // the pick-list's table number: 1 supplier, 2 customer
    const char* partyValue;     // the screen value of the partner's code: "cFarmer" or "cCompany"
    const char* partyName;      // and of its name: "cFarName" or "cComName"
    const char* accountTable;   // the ledger opened as "Account": "ApAcc" or "ArAcc"
    const char* menuCaption;    // UTF-8
    const char* title;          // UTF-8, with its two leading blanks
    const char* partyCaption;   // UTF-8: "จ่ายให้", "รับจาก", "ผู้ขอกู้เงิน", "กู้/ยืมจาก"
    const char* amountCaption;  // UTF-8: "รวมเงิน" (the sum of the lines) or "จำนวนเงิน"
    const char* payTooltips[3]; // UTF-8: cash, deduction ("" for kinds 3, 4), cheque
    int searchAction;           // PROCMOVE's search list: 6 supplier or 7 customer vouchers

    bool hasLines() const { return lineCode != nullptr; }
    // The settlement layout of PAYMENT: cash, deduction and cheque (1) or cash and cheque (3).
    int payLayout() const;
    // The print form: "Money" + the kind.
    std::string form() const;
};

// REQUIRES: 1 <= kind <= 4.
const VoucherKind& voucherKind(int kind);
bool validVoucherKind(int kind);

// The line types of payments and receipts, in the order the line editor knows them.
inline constexpr const char* kLineTypes[] = {"REC", "CAN", "INV", "RET", "OTH"};
// True for one of the five types (after trimming and upper-casing).
bool validLineType(std::string_view type);

}  // namespace accounts
