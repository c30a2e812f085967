// The screen values of a weighing ticket (cTicket, cTruck, cFarmer or cCompany, cFarName ...) as the
// ticket screen's display step loads them from a stored ticket, for the screen itself and for
// anything that prints a ticket outside it (mervo-admin print). Names are matched without regard to
// letter case by core::ValueMap; texts are TIS-620 as stored (blank-padded to the field's width).
//
// Works on the caller's Workspace (one operation, one thread) in which the kind's tables are open
// as openTicketTables() opens them: the ticket table as "Wdata" on the ticket to load (or at its end
// for a blank ticket) and the code tables under their own names.
#pragma once

#include <string>
#include <string_view>

#include "core/value_map.h"
#include "storage/workspace.h"

namespace weighing {

// The alias of the ticket table while a ticket screen (or a ticket printer) works on it.
inline constexpr const char* kTicketAlias = "Wdata";

// The grade codes of the goods kinds, each with its code table and the screen value that shows the
// grade's NAME: moisture and impurity for the kinds with moisture grades, quality for the others.
struct GradeName {
    const char* code;
    const char* table;
    const char* name;
    bool moisture;
};
inline constexpr GradeName kGradeNames[] = {
    {"cMoisture", "Moisture", "cMoiName", true},
    {"cMixture", "Mixture", "cMixName", true},
    {"cQuality", "Quality", "cQuaName", false},
};

// Opens the tables of ticket kind 1..5 in the order the ticket screen opens them, all shared, each
// under its alias - the code tables from CDRV1, then "Stock", the account ledger as "Account"
// ("APAcc" or "ARAcc"), "OrAcc" as "Order" (kinds 3 and 4), "Audit" and the ticket table as "Wdata"
// (OPENTRK, date order active) from CDRV2 - and makes the code tables follow the ticket (each
// seeks the ticket's code whenever "Wdata" moves). The folders are the program-wide settings
// CDRV1 and CDRV2. False when a table could not be opened: the person was told why (storage
// OPEN's messages) and every table opened here is closed again. "Wdata" is selected on success.
bool openTicketTables(int kind, storage::Workspace& ws);

// TRDISP's loading of the current ticket of "Wdata" (the blank ticket when it stands at the end):
//   - cTicket, cTruck, cFarmer (kinds 1, 2) or cCompany (3-5), cProduct, cWhouse, cUnit,
//     cMoisture, cMixture, cQuality, cRemark1..cRemark4, cDayin, cTmin, cWin, cDayOut, cTmOut,
//     cWout, cAdj_W1..3, cAdj_M1..3, cPrice, cQty, cAmount, cRate, cCash, cDrCr, cCheque,
//     cChq_No, cChq_Bank from the fields of the same meaning (numbers keep their field's decimals,
//     dates are dates, texts keep their blanks); values a kind does not have are set all the same
//     (blank or 0), so a template may name any of them;
//   - cFarName or cComName, cProName, cWhoName: the NAME of the counterpart, product and
//     warehouse code tables, each sought on the ticket's code when it is open (blank when the code
//     is not found or the table is not open); likewise the grade names of kGradeNames the kind has;
//   - cNet: |cWin - cWout| for a complete ticket (STAT "2"), else 0 - the net as stored, before
//     any site formula;
//   - cStat: "สั่งลบ" for a ticket marked deleted, else "ชั่งเสร็จแล้ว" for a complete one, else
//     "รอชั่งออก" (also for the blank ticket);
//   - cWinSrc, cWoutSrc: "ป้อนเอง" when the weight's last evidence record says it was typed by
//     hand (weighing::evidenceLog()), else blank.
// cVar1..cVar3 are created as 0 when the map does not hold them yet and otherwise left alone (only
// the site's Var formulas set them). The record position cRecP, CSTEP, CPOS, cTrusLevel and cTrk
// belong to the screen and are not touched.
void loadTicketValues(int kind, storage::Workspace& ws, core::ValueMap& values);

// loadTicketValues() followed by the recalculation a displayed ticket gets from the site's current
// formulas (section "Variable" of the configuration file the setting VARFILE names): net weight,
// quantity and amount (WEIGHCALC) and the three Var values - what a ticket printed from the
// command line shows. "Wdata" stays selected and on the same ticket.
void loadTicketValuesCalculated(int kind, storage::Workspace& ws, core::ValueMap& values);

}  // namespace weighing
