// Restores (FGRESTORE, RESTLOOP): the transaction tables read back from a backup made by FGBACKUP1,
// record by record and without duplicates, and the code tables copied back whole. The dialogs and
// `mervo-admin restore` drive these. One thread; the tables are opened shared and appended to
// through the shared append, so other workstations may go on working.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "maintenance/maintenance_tables.h"

namespace maintenance {

// RESTLOOP: one transaction table from CDRV3 + backup name + suffix + ".DBF" into the table of
// CDRV2 (opened shared under "Target" with its index, built when missing). Every unmarked backup
// record is matched by the number the table holds once (storage::uniqueKey: TICKET, or INDENT +
// RECORD for lines): absent, the record is appended whole; present live with the same values, it
// stays; present live with other values (a document edited since the backup), it stays and its
// number is reported in the result; present only marked deleted with the same values, the mark is
// removed. A missing file says "ไม่พบแฟ้ม " + name + suffix ("  ส่วนการอ่านแฟ้นสำเนาข้อมูล"); a
// backup that cannot be opened "ไม่สามารถเปิดแฟ้ม " + name + suffix + " ได้" ("  ส่วนการอ่านข้อมูล"); a
// backup whose fields (names, types, widths, decimals) differ from the table's is refused with
// "โครงสร้างของแฟ้ม " + name + suffix + " ไม่ตรงกับแฟ้ม " + the table (same title) and nothing of it
// is read. The table is flushed to disk once at its end. A restore killed at any point leaves
// every appended record whole; run again, it finds those by number and appends only the rest.
StepResult RESTLOOP(const TransactionTable& table, const std::string& backupName);

// The weighing evidence read back from CDRV3 + backup name + 'E' + ".DBF" while its append lock is
// held. Records are never matched by key: the chain only grows at its end. A missing table is
// copied back whole; a live chain that is the beginning of the backup's (byte for byte) gets the
// backup's later records appended as they are; a live chain as long as the backup's or longer, or
// one that differs from it, is left as it is and the result says where it differs (verify-evidence
// tells what). A backup whose fields differ from the table's in any way, order included (the hash
// covers the record's bytes), is refused as RESTLOOP refuses one.
StepResult restoreEvidence(const std::string& backupName);

// FGRESTORE(1): asks for the backup name (nullopt: cancelled), checks it as the backup does, then
// one RESTLOOP per transaction table and, when the backup holds it, restoreEvidence, under the wait
// window "  ส่วนอ่านข้อมูลการทำงาน".
std::vector<StepResult> FGRESTORE1(const std::function<std::optional<std::string>()> & ask, Progress* progress);

// FGRESTORE(2): each code table copied back whole from CDRV3 into CDRV1 through BACKLOOP (the
// overwrite question for every table that exists), under "  ส่วนอ่านข้อมูลตารางรหัส". A table is
// replaced only while no other workstation has it open, only by a backup of the same structure,
// and its index files are rebuilt for the restored file; the running numbers of "Consec" keep the
// higher of the backup's and the live table's next number per series.
std::vector<StepResult> FGRESTORE2(Progress* progress);

}  // namespace maintenance
