// The purge (FGDELETE, DELLOOP): transaction data of a date range removed for good, table by table,
// each opened exclusively and packed. Completed tickets go, open ones stay; the ledgers are not
// changed. The dialogs and `mervo-admin purge` drive these. One thread.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "maintenance/maintenance_tables.h"

namespace maintenance {

// DELLOOP: asks "ลบข้อมูล" + the table's purge name ("  คุณยืนยันการสั่งลบข้อมูล !"; No: Declined),
// opens the table exclusively for kMaintenanceWait seconds ("ไม่สามารถเปิดแฟ้ม " + path + " ได้",
// "  ส่วนการลบข้อมูล"), marks the records of the range - mode 1: tickets whose DAYIN lies in it and
// whose STAT is "2", after the three index files were deleted (rebuilt at the next open); modes 2
// and 3: records by DATE / DOC_DATE, the table's index kept open so the pack rebuilds it - packs
// and closes.
StepResult DELLOOP(const TransactionTable& table, const DateSpan& range);

// FGDELETE: prompt sound 8 and "คุณต้องการลบข้อมูล !" ("  ส่วนสั่งลบข้อมูล"); No ends. Then the
// range (nullopt: cancelled), then one DELLOOP per transaction table under the wait window
// "  ส่วนลบข้อมูลการทำงาน".
std::vector<StepResult> FGDELETE(const std::function<std::optional<DateSpan>()>& askRange, Progress* progress);

}  // namespace maintenance
