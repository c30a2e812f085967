// The weighing evidence: what each weight was taken from, and what each ticket was saved with,
// kept so that a dispute or an inspector can see a changed record.
//
// EVIDENCE.DBF in the data folder (CDRV2), a table of the program's own (the tickets' tables keep
// their layout), one record per event, appended and never changed:
//
//   KIND    C 1    the ticket kind, "1".."5"
//   TICKET  C 6    the ticket number
//   EVENT   C 8    "WEIGH1"/"WEIGH2" a weight accepted for the first or second weighing;
//                  "NEW", "EDIT", "DELETE", "UNDELETE", "PRINT" a save of the ticket, with its values;
//                  "TRUCKWT" a warning that the truck's stored weight did not fit
//   DATE    D 8    when it happened (the clock in force)
//   TIME    C 8    hh:mm:ss
//   WEIGHT  N 12.2 the weight (weighings)
//   SOURCE  C 1    "I" the indicator's stable weight taken by itself, "A" the indicator's weight
//                  accepted by the operator's button, "M" typed by hand (weighings)
//   FRAME   C 64   the indicator's last frame, bytes as hexadecimal (up to 32 bytes)
//   PORT    C 20   the serial port and DEVICE C 10 the indicator's frame format
//   USERID  C 10   the user logged in, HOST C 30 the workstation
//   VALUES  C 254  the ticket's legally relevant fields as stored, "NAME=value|NAME=value..." with
//                  the values' stored text trimmed (saves; a warning's three weights)
//   PREV    C 64   HASH of the record before (64 zeros for the first one ever)
//   HASH    C 64   SHA-256, in lower-case hexadecimal, of the record's bytes from KIND to PREV
//
// The records form a chain: each names the hash of the one before it and its own hash covers that,
// so a record changed, inserted or removed in the middle shows as a break. Appends are serialized
// over every workstation by EVIDENCE.LCK beside the table (held from reading the last hash to the
// append's commit), so two workstations never fork the chain. A purge that removes the oldest
// records leaves a chain that starts later; what it cannot stop is somebody rewriting the whole
// chain with this program's own code.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/date.h"
#include "storage/own_table.h"
#include "storage/status.h"

namespace storage {
class Table;
}

namespace weighing::evidence {

inline constexpr const char* kTableFile = storage::kEvidenceFile;
inline constexpr const char* kLockFile = storage::kEvidenceLockFile;
inline constexpr int kFrameBytes = 32;

enum class Source : char { Indicator = 'I', Accepted = 'A', Typed = 'M' };

// The fields a save records, in this order, as the ticket's tables name them.
inline constexpr const char* kSavedFields[] = {"DAYIN", "TMIN", "WIN",    "DAYOUT", "TMOUT", "WOUT",   "COMPANY",
                                               "PRODUCT", "QTY", "ADJ_W1", "ADJ_W2", "ADJ_W3", "AMOUNT"};

struct Event {
    int kind = 0;
    std::string ticket;
    std::string event;  // "WEIGH1", "NEW" ...
    double weight = 0;
    char source = ' ';
    std::string frame;  // raw bytes; the first kFrameBytes are kept, as hexadecimal
    std::string port, device;
    std::vector<std::pair<std::string, std::string>> values;  // NAME, stored text
    core::Date date;   // when it happened; empty: the clock's today and time of day at the append
    std::string time;  // hh:mm:ss, with date
};

// Appends one record to the evidence in `folder` (created when missing), stamped with the clock
// (or the event's own date and time), the logged-in user (CUSER) and the host name, chained to the last one. Waits for another
// workstation's append up to `waitMs` (< 0: without limit).
storage::Status append(const std::string& folder, const Event& e, int waitMs = 30000);

// The values a save records, read from the current record of an open ticket table: the stored
// text of each of kSavedFields, trimmed (evidence_log.cpp: the ticket screens, which have no Qt,
// record them too).
std::vector<std::pair<std::string, std::string>> savedValues(storage::Table& ticket);

// What verify() found, one line each in the words mervo-admin prints.
struct Verification {
    std::vector<std::string> findings;  // "changed: ...", "missing: ...", "broken: ...", "deleted: ..."
    std::vector<std::string> problems;  // tables that could not be read
    int ticketsChecked = 0;
    int ticketsBefore = 0;  // completed before the first evidence record: not findings
    int records = 0;        // evidence records read
};

// Recomputes the chain of the evidence in `folder` and compares every completed ticket of the five
// ticket tables there (dated from..to on its weigh-in date; empty dates: no bound) with the values
// of its last save. Reads only.
Verification verify(const std::string& folder, core::Date from = {}, core::Date to = {});

// SHA-256 of the bytes, in lower-case hexadecimal.
std::string sha256Hex(std::string_view bytes);

// What identifies the running program to an inspector: "NAME VERSION" and, on the next line,
// "sha256 HEX  PATH" of the executable file that runs (read from /proc/self/exe; "sha256 unknown"
// when it cannot be read).
std::string programIdentity(const std::string& name);
// The same in one line without the path, "NAME VERSION sha256 HEX": what core::programIdentity()
// holds once the program's main installed it as the source.
std::string programIdentityLine(const std::string& name);

}  // namespace weighing::evidence
