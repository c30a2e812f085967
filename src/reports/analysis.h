// The two work tables the analysis reports print from, built by REPCREA in the per-user table
// CDRV4 + "D_" + user (made anew each run, its index deleted first, opened exclusively as
// "detail", display name "รายงาน", ordered by the definition's index key in D_ + user + ".NTX"):
//
//  - the movement analysis ("ACC"): the ledgers' BEGIN (stock) and BEGIN/BBEGIN (supplier and
//    customer accounts) rolled back from the current balances to the start date, and one row per
//    completed ticket, voucher and production line dated from the start date on (REVCALC);
//  - the balance summary ("GLR"): twelve rows - the three ledgers' current totals and the totals
//    of each weighing kind and voucher kind in the date range.
//
// The roll-back overwrites BEGIN and BBEGIN of every ledger record, which the report then prints,
// so it runs under the movement lock: one analysis at a time over a site's data folder (CDRV2,
// the file REVCALC.LCK), from the roll-back to the end of the printing; a second workstation waits
// up to five seconds and is then told that another one is preparing the analysis.
//
// Runs on the caller's workspace and thread; ledger records are written under their record locks
// (waiting without limit), one at a time.
#pragma once

#include <memory>
#include <string>

#include "core/date.h"
#include "storage/os.h"
#include "storage/workspace.h"

namespace reports {

class Relations;

// The message of a work table that cannot be had, titled "  ส่วนการจัดทำรายงาน".
inline constexpr const char* kWorkTableBusyUtf8 = "แฟ้มรายงานกำลังถูกใช้";
// The message when another workstation holds the movement lock.
inline constexpr const char* kMovementBusyUtf8 =
    "เครื่องอื่นกำลังจัดทำรายงานวิเคราะห์ความเคลื่อนไหวอยู่ กรุณารอให้เสร็จแล้วจึงทำใหม่";
// How long a movement analysis waits for another workstation's.
inline constexpr int kMovementLockWaitMs = 5000;

class MovementLock {
public:
    MovementLock() = default;
    ~MovementLock() { release(); }
    MovementLock(const MovementLock&) = delete;
    MovementLock& operator=(const MovementLock&) = delete;

    // Takes the lock of the data folder `cdrv2` (a folder setting), waiting up to waitMs while
    // another workstation holds it. False (nothing said) when it is still held then or the lock
    // file cannot be made.
    bool take(const std::string& cdrv2, int waitMs = kMovementLockWaitMs);
    void release();
    bool held() const { return m_file != nullptr; }

private:
    std::unique_ptr<storage::File> m_file;
};

// REVCALC(kind): one work row in "detail" from the current record of "wdata" - kinds 1..5 the
// weighing tickets, 6..9 the vouchers of kinds 1..4, 10 a production line - and the row's change
// to the opening values of "stock", "apacc" and "aracc" (a missing stock or account record is
// appended with its code). Production lines take their unit's rate from "Unit" (0 counts as 1).
// Opening balances of accounts move by what the posting moved their balances: a payment or
// receipt by its cash, cheque and loan deduction together. False when a write failed.
bool REVCALC(storage::Workspace& ws, int kind);

// The movement analysis from `start`: every step of the roll-back and REVCALC over the weighing
// tables, vouchers and production lines, then the work table indexed on `indexKey` with
// "company", "farmer", "product", "aracc", "apacc" and "stock" following it (added to
// `relations`, or set as the workspace's relations without one). "Unit", "Farmer", "Company" and
// "Product" must be open. The caller holds the movement lock. False after the person was told
// (every table is closed then).
bool buildMovementAnalysis(storage::Workspace& ws, core::Date start, const std::string& indexKey,
                           const std::string& reportName, Relations* relations = nullptr);

// The balance summary of from..to indexed on `indexKey`. False after the person was told (every
// table is closed then).
bool buildBalanceSummary(storage::Workspace& ws, core::Date from, core::Date to, const std::string& indexKey,
                         const std::string& reportName);

}  // namespace reports
