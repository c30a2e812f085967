// Backups (FGBACKUP, BACKLOOP): transaction data of a date range and the four ledgers, or the code
// tables, copied into the backup folder CDRV3 one table at a time; also the whole-file copy the
// code-table restore runs back into CDRV1. The dialogs and `mervo-admin backup` drive these.
//
// Every copy is written to a temporary file beside its target and renamed over it at the end, so a
// copy that fails half way leaves the previous backup as it was. One thread; sources are opened
// shared (another workstation may go on working), a live table being replaced exclusively.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "maintenance/maintenance_tables.h"

namespace maintenance {

// One copy.
struct CopyStep {
    std::string sourceFolder;  // folder setting as stored (TIS-620): ".\DATA\"
    std::string sourceName;    // file name without ".DBF": "WDATA1"
    std::string targetFolder;
    std::string targetName;    // "JAN1"
    DateMode mode = DateMode::Whole;
    DateSpan range;            // modes 1 to 3
    // Set when the target is a table the program works on (the code-table restore): it is replaced
    // only while held exclusively, only by a copy of the same structure, and its index files are
    // built for the new file before it takes the table's place. Restoring "Consec" never sets a
    // series back (a number already on a document would be handed out again).
    const storage::TableDef* liveTarget = nullptr;
};

// BACKLOOP: one copy. "ไม่พบแฟ้ม " + the source's path when it is missing; when the target exists,
// prompt sound 8 and "เขียนทับแฟ้ม " + target path + " ?" (No: Declined); the source opened shared
// for kMaintenanceWait seconds ("ไม่สามารถเปิดแฟ้ม " + path + " ได้"); modes 1 to 3 write a new table
// with every field of the source and its unmarked records whose date field lies in the range,
// mode 4 copies the file byte for byte. Messages are titled "  ส่วนการทำสำเนาข้อมูล".
StepResult BACKLOOP(const CopyStep& step);

// The weighing evidence copied whole, byte for byte, into CDRV3 + backup name + 'E' + ".DBF" while its
// append lock is held (so the copy is the chain as it stood, never half an append), through
// BACKLOOP's questions and messages. A lock another workstation keeps beyond kMaintenanceWait fails
// the step with "ไม่สามารถเปิดแฟ้ม " + the table + " ได้".
StepResult backupEvidence(const std::string& backupName);

struct BackupRequest {
    std::string name;  // as typed: checked with checkBackupName
    DateSpan range;
};

// FGBACKUP(1): asks for the range and the name (nullopt: cancelled, nothing done), then one step
// per transaction table into name + suffix + ".DBF", the four ledgers whole under their own names
// and, when the site has it, the weighing evidence (backupEvidence), under the wait window "  ส่วนทำสำเนาข้อมูลการทำงาน". A name the rules refuse is told
// ("  ส่วนการทำสำเนาข้อมูล") and nothing is copied.
std::vector<StepResult> FGBACKUP1(const std::function<std::optional<BackupRequest>()>& ask, Progress* progress);

// FGBACKUP(2): the twelve code tables whole into CDRV3, wait window "  ส่วนทำสำเนาข้อมูลตารางรหัส".
std::vector<StepResult> FGBACKUP2(Progress* progress);

// The code tables copied whole through BACKLOOP, one step each, between the code folder CDRV1 and
// the backup folder CDRV3: FGBACKUP(2) into CDRV3, FGRESTORE(2) back into CDRV1 (each table a live
// target). A backup folder that is also a data folder is told and nothing is copied.
enum class CodeCopy { Backup, Restore };
std::vector<StepResult> copyCodeTables(CodeCopy direction, Progress* progress);

std::string backupTitle();  // "  ส่วนการทำสำเนาข้อมูล", the title of BACKLOOP's messages

}  // namespace maintenance
