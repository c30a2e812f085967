// The edit audit log ("Audit" in CDRV2, index "Audit" on dtos(date)+time): AUDITADD, the table of
// audited fields a reversal walks, and the event rows (deletion, undeletion, reprint). Rows are
// only ever appended here; the log screen (audit_list.h) reads, copies and purges them.
//
// Every function works on the caller's Workspace (one operation, one thread). The log is the work
// area under the alias "Audit"; when it is not open yet it is opened shared from CDRV2 as the
// screens open it (storage::OPEN, title "บันทึกการแก้ไข"). Appends wait without limit for other
// workstations. STAFF is the program-wide setting CUSER; DATE and TIME come from core::clock().
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "core/value_map.h"
#include "expr/expr.h"
#include "storage/workspace.h"

namespace audit {

inline constexpr const char* kAuditAlias = "Audit";
inline constexpr const char* kAuditTable = "Audit";
inline constexpr const char* kAuditKey = "dtos(date)+time";
inline constexpr const char* kAuditTitleUtf8 = "บันทึกการแก้ไข";

// True when the first five characters of the key are one of the comma-separated kinds.
bool kindListed(std::string_view key, std::string_view kinds);

// Opens the log under kAuditAlias from the CDRV2 folder with its one index and selects it (OPEN's
// messages on failure). Exclusive opens rebuild the index, as OPEN does.
bool openAudit(storage::Workspace& ws, bool exclusive = false);
bool openAudit(storage::Workspace& ws, std::string_view cdrv2, bool exclusive);

// AUDITADD(key, old, new, label, kinds): when the key's kind is listed, evaluates the two value
// texts against `values` (typically the workspace's fields, then the screen values, then the
// settings); numbers and dates that an expression gives unformatted become text as STR()/DTOC()
// write them. When the two differ (trailing blanks aside) one row is appended: DATE, TIME,
// TICKET = key, STAFF, DESCRIP = label, OLDDATA, NEWDATA (longer texts cut, see auditValues),
// committed at once. Texts are TIS-620. A row written leaves the log as the selected table. True
// when a row was written; a value that cannot be evaluated (the error trap answered Quit) writes
// nothing.
bool AUDITADD(storage::Workspace& ws, expr::Context& values, std::string_view key, std::string_view oldValue,
              std::string_view newValue, std::string_view label, std::string_view kinds);

// The marker a cut value shows where text was left out (three dots: one byte each in TIS-620).
inline constexpr std::string_view kCutMark = "...";
// An old and a new value as a row of `width` characters each shows them: as they are when both
// fit; else each cut, the cut ends marked with kCutMark, from where they begin when their first
// difference falls within the field, otherwise from a little before that difference (so a change
// at character 50 of a 60-character remark is seen, not two equal beginnings).
std::pair<std::string, std::string> auditValues(std::string_view oldData, std::string_view newData, std::size_t width);

// Appends one row with the texts given (TIS-620), cut by auditValues; the log is left selected.
bool writeAuditRow(storage::Workspace& ws, std::string_view key, std::string_view oldData,
                   std::string_view newData, std::string_view label);

// The field rows of a reversal of the document of kind `code` ("TRK01".."TRK05", "MON01".."MON04",
// "MON_1", "MON_2", "STK_1"): when the setting CAUDITR is "Y" (either case), AUDITADD for every row
// of the audited fields in order, key code + "-" + the TICKET of the table open as "wdata", old values
// from the stored records ("wdata", "detail"), new values from `screenValues` (then the settings).
// Call it before the stored record is overwritten. Returns the number of rows written; the
// caller's selected table is selected again on return.
int auditReversal(storage::Workspace& ws, std::string_view code, const core::ValueMap& screenValues);

// The deletion-mark rows, written whatever CAUDITR says: key code + "-" + wdata's TICKET, old value
// that TICKET, new value ten blanks, label "สั่งลบข้อมูล" (deleted true) or "สั่งยกเลิการลบ".
// The caller's selection is kept.
bool auditDeletion(storage::Workspace& ws, std::string_view code, bool deleted);

// The reprint row: key the print form name ("Ticket12"), old value the document number, new value
// ten blanks, label "พิมพ์ครั้งที่ " + the print count two wide. The caller's selection is kept.
bool auditReprint(storage::Workspace& ws, std::string_view form, std::string_view documentNumber, int printCount);

}  // namespace audit
