// The tables file maintenance works through, as data: the thirteen transaction tables with their
// backup suffix, date field and Thai step names; the ledgers and code tables copied whole; the
// reindex list with its four groups; and the small types every maintenance job reports with
// (one result per table, a progress seam the GUI's wait window and the command line implement).
// Constant data and plain types; any thread.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/date.h"
#include "storage/catalogue.h"

namespace maintenance {

// What a copy, purge or restore step selects by: the date field of the table (modes 1 to 3 of
// BACKLOOP and DELLOOP), or the whole file (mode 4).
enum class DateMode {
    Weighing = 1,  // DAYIN of a weighing ticket
    Document = 2,  // DATE of a voucher or production record
    Line = 3,      // DOC_DATE of a voucher or production line
    Whole = 4,     // the file byte for byte
};

// The date field a mode reads ("DAYIN", "DATE", "DOC_DATE"); "" for Whole.
const char* dateField(DateMode mode);

struct TransactionTable {
    const char* table;       // the catalogue's name: "Wdata1"
    char suffix;             // the backup file's suffix after the backup name: '1' .. 'D'
    DateMode mode;
    const char* stepName;    // UTF-8: the wait window's step of backup and restore
    const char* purgeName;   // UTF-8: the wait window's step of the purge
    const char* purgeAsk;    // UTF-8: the name the purge's confirmation gives the table
};
// In the order every job walks them: Wdata1..Wdata5, Money1..Money4, Stock1, Detail1..Detail3.
std::span<const TransactionTable> transactionTables();

// A table copied whole under its own name.
struct WholeTable {
    const char* table;     // the catalogue's name
    const char* stepName;  // UTF-8
};
// The weighing evidence (storage::kEvidenceFile, a chain in which each record names the hash of the
// one before it) as the transaction backup and restore treat it: copied whole under the backup name
// + 'E' after the ledgers, its records read back only at the end of the live chain (backup.h,
// restore.h). Never purged - cutting records out of a chain breaks it - and with no index to build.
// Its mode is Whole; it is not among transactionTables().
const TransactionTable& evidenceTable();

// The four ledgers a transaction backup copies after the transaction tables.
std::span<const WholeTable> ledgerTables();
// The twelve code tables, "Farmer" .. "Replist", of the code-table backup and restore.
std::span<const WholeTable> codeTables();

// The backup name: 1 to 7 letters A-Z (any case) or digits, so the files it names stay inside the
// backup folder, and none of its files the name of a ledger's or code table's copy (a name + suffix
// such as "APACC"). Returns the name in upper case, or "" with the reason (TIS-620) in *why.
std::string checkBackupName(std::string_view name, std::string* why);
// The backup file of a transaction table: name + suffix + ".DBF".
std::string backupFileName(std::string_view backupName, const TransactionTable& t);

// ---- Reindex

inline constexpr int kGroupCount = 4;
// The check box caption of a group (UTF-8).
const char* groupCaption(storage::TableGroup group);

// One entry of the reindex list: a table and one of its index files. A weighing table has three.
struct ReindexEntry {
    const storage::TableDef* table;
    const storage::IndexDef* index;
};
// Every entry in the order the reindex runs them (the optional "LOGGER" included: the run skips it
// when its file is missing).
std::vector<ReindexEntry> reindexList();

// ---- Results and progress

enum class Outcome {
    Done,
    Declined,  // a question was answered No (overwrite, confirm the purge of this table)
    Failed,
};

// What one step did to one table, for the command line's line per table.
struct StepResult {
    std::string name;    // the file the step is about: "WDATA1.DBF", "JAN1.DBF"
    Outcome outcome = Outcome::Done;
    std::string detail;  // TIS-620: what was done, or the message that stopped it
};

// Seconds a maintenance job waits for a table another workstation holds.
inline constexpr double kMaintenanceWait = 5;

// What a running job shows: the wait window (its title, the current step's name) or the command
// line's lines. Called on the job's thread.
class Progress {
public:
    virtual ~Progress() = default;
    virtual void begin(const std::string& /*title*/) {}  // TIS-620
    virtual void step(const std::string& /*name*/) {}    // TIS-620
    virtual void finished(const StepResult& /*result*/) {}
    virtual void end() {}
};

// A job's steps run in turn under its title: each step's name (TIS-620) shown before it runs and
// its result after. Without a progress (nullptr) nothing is shown. finish() ends the window and
// gives the results in the order of the steps.
class JobSteps {
public:
    JobSteps(Progress* progress, const std::string& title);
    JobSteps(const JobSteps&) = delete;
    JobSteps& operator=(const JobSteps&) = delete;

    void run(const std::string& name, const std::function<StepResult()>& step);
    std::vector<StepResult> finish();

private:
    Progress& m_progress;
    std::vector<StepResult> m_results;
};

// A date range, both bounds included.
struct DateSpan {
    core::Date from;
    core::Date to;
    bool contains(core::Date d) const { return !d.isEmpty() && from <= d && d <= to; }
};

}  // namespace maintenance
