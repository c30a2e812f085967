// The split of a document's amount into cash, on account and cheque: PAYMENT after the person
// edited one part, PAYBUTTON for the small buttons that put the whole amount into one part. Works
// on the screen values cAmount, cCash, cDrCr and cCheque of any document screen (tickets and
// vouchers). One thread.
#pragma once

#include "core/value_map.h"

namespace weighing {

// Layout codes: which parts a screen has.
enum PayLayout : int {
    kPayFull = 1,            // cash, on account and cheque (tickets 1-4, payment and receipt vouchers)
    kPayCashAccount = 2,     // cash and on account (ticket kind 5, with PAYMENT)
    kPayCashCheque = 3,      // cash and cheque (loan vouchers)
    kPayCashAccountButton = 5,  // cash and on account (ticket kind 5, with PAYBUTTON)
};

// Parts: 1 cash, 2 on account, 3 cheque.
enum PayPart : int { kPartCash = 1, kPartAccount = 2, kPartCheque = 3 };

// The screen value of a part ("cCash", "cDrCr", "cCheque").
const char* payPartValue(int part);

// PAYMENT(layout, part): a part the layout lacks becomes 0 and stays 0 (layout 2 the cheque,
// layout 3 the on-account part); the edited part is capped at the amount and the others take what
// is left, the one after it (cash, on account, cheque, in that order) first, none below 0. Money
// stays at 2 decimals. Always true.
bool PAYMENT(core::ValueMap& values, int layout, int part);

// PAYBUTTON(layout, part): the chosen part takes the whole amount, the other two become 0.
void PAYBUTTON(core::ValueMap& values, int layout, int part);

// True when |cash| + |on account| + |cheque| equals the amount to the cent (the save check).
bool paymentBalances(const core::ValueMap& values);

}  // namespace weighing
