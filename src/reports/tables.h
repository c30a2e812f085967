// How the reports open their tables: catalogue tables through the storage operations (OPEN,
// shared, with their own index and the storage layer's messages), a detail table exclusively with
// the report's own order, and the per-user work tables of the work folder CDRV4 ("R_" + user the
// definition, "D_" + user the analysis rows). One thread; the caller's workspace.
#pragma once

#include <string>
#include <string_view>

#include "storage/catalogue.h"
#include "storage/workspace.h"

namespace reports {

// The title of the range dialogs and of the in-use messages.
inline constexpr const char* kSelectionTitleUtf8 = "  ส่วนการจัดทำรายงาน";
// The seconds a report waits for its work tables (another workstation of the same user).
inline constexpr double kReportWait = 5;

// The logged-in user's work file of a prefix, without extension: CDRV4 + prefix + the trimmed
// CUSER, native.
std::string workFile(std::string_view prefix);
std::string workTableFile(storage::WorkTable kind);

// The report index of a detail table ordered by the definition's key: CDRV4 + "DETAIL_" + user +
// ".NTX", the user's own file, so two workstations can order two tables at once.
std::string reportIndexFile();

// Creates the user's work table anew (its index file removed first) and opens it exclusively
// under the alias, waiting up to kReportWait seconds while another workstation of the same user
// holds it. False (nothing said) when it cannot be had.
bool openWorkTable(storage::Workspace& ws, storage::WorkTable kind, std::string_view alias);

// OPEN of a catalogue table (any letter case) from its folder, shared unless asked, under the
// alias with its first index (built when missing, rebuilt when exclusive) and the title workflows
// give it. False after the storage layer's message.
bool openTable(storage::Workspace& ws, std::string_view table, std::string_view alias, bool exclusive = false);

// A catalogue table opened exclusively as "detail" without an order (the storage layer's messages
// "ไม่พบแฟ้ม " / "ไม่สามารถเปิดแฟ้ม " + title when it is missing or another workstation has it open).
bool openDetail(storage::Workspace& ws, std::string_view table);

// Orders "detail" by `key` in the index file `path` (built anew). A key that does not fit the
// table goes to the error trap, naming the report; false then.
bool buildReportIndex(storage::Workspace& ws, const std::string& path, const std::string& key,
                      const std::string& reportName);

}  // namespace reports
