// Small helpers over the ticket and code tables that the display, the save and the posting share:
// the stored state of the current ticket, exact code look-ups, and writing a set of field values
// only after every one of them was found to fit its field. One thread, the caller's tables.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "codes/pick_list.h"
#include "core/value.h"
#include "storage/status.h"
#include "storage/table.h"

namespace weighing {

// What the posting and the workflow read from the stored ticket (the table's current record; the
// blank ticket at its end reads as an empty, open, live record).
struct TicketRecord {
    std::uint32_t recno = 0;
    bool atEnd = true;
    bool deleted = false;
    std::string stat;  // "1" open, "2" complete, "" blank
    double drcr = 0;
    double clear = 0;

    bool complete() const { return stat == "2"; }
    bool open() const { return stat == "1"; }
};
TicketRecord readTicketRecord(storage::Table& t);

// A field of the table's current record; a blank value when the field is missing or unreadable.
core::Value fieldOf(storage::Table& t, const char* field);
// The same field as a text ("" when it is not one) or a number (0 when it is not one).
std::string textOf(storage::Table& t, const char* field);
double numberOf(storage::Table& t, const char* field);

// Seeks a code exactly (blank-padded to the active order's 10-character code). An empty code is
// never found. True when found; the table then stands on it.
bool seekCode(storage::Table& t, std::string_view code);

// A code as the tables hold it: blank-padded (or cut) to 10 characters.
std::string paddedCode(std::string_view code);

// The pick list's answer for a code already known: accepted (padded as stored) when `code` is in
// the code table `table` of the workspace, else `seed` given back unchosen; the caller's work area
// is selected again either way. For pick lists that answer without asking anybody.
codes::PickResult pickKnownCode(storage::Workspace& ws, int table, std::string_view code, std::string_view seed,
                                std::string_view callerAlias);

// A truck's registration as it is stored and compared: blanks at either end dropped and a run of
// blanks inside made one ("  AB  99" is "AB 99"), so a registration typed or stored with other
// blanks still finds its open ticket.
std::string normalRegistration(std::string_view typed);

// One field to be written and its value.
struct FieldValue {
    std::string field;
    core::Value value;
};

// The first of the values that cannot be stored in its field of this table: a number too wide for
// its width and decimals, a value of the wrong type, a field the table lacks. Texts longer than
// their field are cut when written, as xBase does, and so always fit. Empty when all fit.
std::string firstMisfit(const storage::Table& t, const std::vector<FieldValue>& values);

// What the person is told when a value does not fit its field, by the field's caption (TIS-620).
std::string misfitText(std::string_view label);

// A screen value in the type of the field it is written to (typed entries may arrive as text):
// numbers from VAL() of a text, dates from DTOC() text, other values of a text field as they
// display; a value that cannot be turned becomes the field type's blank.
core::Value asFieldType(const core::Value& v, storage::FieldType type);

// Puts every value into the current record (locked by the caller). The values must have passed
// firstMisfit(); a put that still fails stops and returns its status.
storage::Status putAll(storage::Table& t, const std::vector<FieldValue>& values);

// Hands a failed engine call to the error trap (storage::toFault) and says whether the caller
// should retry; an ok status gives false.
bool faultRetry(const storage::Status& s, const std::string& operation, const storage::Table* t = nullptr);

}  // namespace weighing
