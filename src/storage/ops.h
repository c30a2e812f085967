// The shared-access operations every workflow opens, locks, appends and numbers through: NET_USE,
// REC_LOCK, ADD_REC, OPEN, OPENTRK, CONSEC, ZERO and INDENT, plus the write discipline's last two
// steps (commitAll, unlockAll). They work on a caller's Workspace (one per operation, one thread)
// and tell the person at the screen through core::prompts(); other workstations are excluded by the
// engine's locks (os_posix.cpp).
//
// How a workflow uses them:
//
//     storage::Workspace ws;                      // the operation's work areas
//     if (!storage::OPENTRK(ws, cdrv2, "Wdata1", "Wdata") ||
//         !storage::OPEN(ws, cdrv1, "Farmer", "CODE", false, "Farmer", "Farmer"))
//         return;                                 // the person was told why; give up at once
//     ...
//     const std::string number = storage::CONSEC("TRK01", "W");   // only when first saved
//     ws.select("Wdata");
//     if (storage::ADD_REC(ws)) {                 // blank record, current and locked
//         ws.current()->putText(...);             // assign the fields
//         storage::commitAll(ws);                 // flush every open table to disk
//     }
//     storage::unlockAll(ws);                     // release every lock; ask nothing before this
//
// Texts (titles, table names, series codes) are TIS-620. Folders are the settings as stored
// (".\\", ".\\DATA\\"): they end with a separator and are joined directly to the file name; "\\"
// becomes "/" and names are matched without regard to letter case when the path is used.
//
// Waits: a wait is a number of seconds, 0 meaning without limit. Every retry - an open refused
// because another workstation holds the table, a record lock, an append - sleeps a few
// milliseconds on core::clock() and calls core::idle() before trying again, so a window stays
// responsive and no core spins; a test's FakeClock makes a 10-second wait pass at once.
//
// Failures other than "held by another workstation" (a damaged file, a disk error) go to the error
// trap (core::raise) where they happen; Retry tries again, any other answer makes the operation
// return its failure.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "storage/workspace.h"

namespace storage {

// ---- Opening

// The seconds OPEN and OPENTRK give NET_USE; report printing and file maintenance pass 5.
inline constexpr double kOpenWait = 10;

// Opens the table "file + .DBF" (file is a path without extension) in a work area of its own under
// the alias (absent: the file's name), shared or exclusive, retrying while another workstation
// holds it in a conflicting mode for up to `wait` seconds (0: without limit). An alias that is
// open is closed first. True when the table is open and selected; nothing is shown on failure.
bool NET_USE(Workspace& ws, std::string_view file, bool exclusive, double wait, std::string_view alias = {});

// Opens folder + table + ".DBF" under the alias (absent: the table name) with the one index
// folder + indexFile + ".NTX" on `key` as its only and active order, and selects it.
//   - An alias that is open is closed first, whatever happens next.
//   - A missing table shows "ไม่พบแฟ้ม " + title (caption "ส่วนการเปิดแฟ้ม") and is never created.
//   - A table still held by another workstation after kOpenWait seconds shows "ไม่สามารถเปิดแฟ้ม "
//     + title (same caption).
//   - A missing index file is built silently; an exclusive open always rebuilds the index (reports
//     order a table by a key of their own that way). An index file made for another key, left half
//     updated by a workstation that died, or unreadable is rebuilt as well; Table::takeNotes() on
//     the opened table says which files were built and why.
//   - Every lock of the workspace is released.
// False on any failure (after the message); the caller abandons its workflow.
bool OPEN(Workspace& ws, std::string_view folder, std::string_view table, std::string_view key, bool exclusive,
          std::string_view title, std::string_view indexFile, std::string_view alias = {});

// Opens a weighing table ("Wdata1" .. "Wdata5") shared from `folder` under the alias (absent: the
// table name) with its three indexes - table name "STAT+TRUCK", name + "2"
// "DTOS(DAYIN)+TMIN+TICKET" (the active order), name + "3" "COMPANY+ACCOUNT" - each built when
// missing. Messages as OPEN's with the table name for the title and the caption
// "  ส่วนการเปิดแฟ้ม" (two leading blanks).
bool OPENTRK(Workspace& ws, std::string_view folder, std::string_view table, std::string_view alias = {});

// The weighing tables' index files (suffix after the table name) and keys, in order.
struct WeighingOrder {
    const char* suffix;
    const char* key;
};
inline constexpr WeighingOrder kWeighingOrders[] = {
    {"", "STAT+TRUCK"}, {"2", "DTOS(DAYIN)+TMIN+TICKET"}, {"3", "COMPANY+ACCOUNT"}};
inline constexpr int kWeighingActiveOrder = 2;

// ---- Locks and appends on the selected table

// Locks the selected table's current record, waiting up to `wait` seconds while another
// workstation holds it (0: without limit - what every workflow passes).
bool REC_LOCK(Workspace& ws, double wait = 0);

// Appends a blank record to the selected table and makes it current (locked in shared use),
// waiting up to `wait` seconds (0: without limit) while another workstation appends.
bool ADD_REC(Workspace& ws, double wait = 0);

// The selected table's row of `key` (in its active order), appended with `keyFields` written when
// there is none - for the callers that append a ledger row the first time something is added to
// it. Two workstations doing this at once would each append one and split what they add between
// them, so the key is sought again under the table's file lock (waited for without limit), which
// keeps every other workstation's appends and record locks out until the new row is committed:
// only one row is ever made, and a workstation that waited finds it. Afterwards the row is current
// and every lock of the workspace (but those of `keep`, as unlockAll) is released; the caller then
// locks it for its own write. False (after the error trap) when the lock, the append or the key
// fields failed.
bool addKeyedRow(Workspace& ws, std::string_view key,
                 std::initializer_list<std::pair<const char*, std::string>> keyFields,
                 const Table* keep = nullptr);

// The write discipline's end: every open table's pending change written and flushed to disk, then
// every lock of the workspace released. False (after the error trap) when a write failed.
// unlockAll leaves the locks of `keep` (when given) held: a save holding its document's record
// lock while its postings lock and release ledger rows.
bool commitAll(Workspace& ws);
bool unlockAll(Workspace& ws, const Table* keep = nullptr);

// ---- Running numbers and link keys

// The document number of a series of "Consec" (in the program-wide setting CDRV1's folder), as
// six digits: mode "R" peeks at the next number and changes nothing; mode "W" takes it under the
// series record's lock (waiting without limit), stores the next one and flushes it to disk before
// the lock is released, so two workstations never take the same number. "000000" when "Consec"
// cannot be opened ("แฟ้มเลขใบชั่งไม่สามารถเปิดได้") or the series is not in it ("ไม่พบเลขลำดับของระบบ "
// + series), both captioned "  ส่วนกำหนดเลขใบชั่ง". "Consec" is opened in a work area set of its own
// and closed again: the caller's work areas, selection and locks are left as they were.
std::string CONSEC(std::string_view series, std::string_view mode);
// The same with the code-table folder given (the command line, tests).
std::string CONSEC(std::string_view folder, std::string_view series, std::string_view mode);
// CONSEC(series, "W") for a document being saved: nullopt (the operator told why) when no number
// was taken, so the document is not written - a "000000" would be shared by every such document.
std::optional<std::string> takeNumber(std::string_view series);

// The integer part of n with `width` zeros in front, cut to its last `width` characters:
// ZERO(7, 2) "07", ZERO(123, 2) "23", ZERO(12.9, 5) "00012".
std::string ZERO(double n, int width);

// A new detail link key: YYYYMMDD of today, the whole seconds since midnight in 5 digits and the
// hundredths in 2 (core::clock()). A key that a line of the table open as "detail" already
// carries in INDENT (seek in its active order, "INDENT+RECORD"), or that equals the last key this
// process made, waits a hundredth of a second and is made again - so two keys made within the same
// hundredth differ. Selects "wdata" (when open) before returning.
std::string INDENT(Workspace& ws);

}  // namespace storage
