// The program's own side tables (remembered marks, the weighing evidence): tables beside the
// catalogue's that are made on first need rather than at site set-up.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "storage/dbf_format.h"
#include "storage/table.h"

namespace storage {

// The weighing evidence's table in the data folder and the file beside it whose exclusive opening
// serializes every change to it over all workstations (weighing/evidence.h has the layout).
inline constexpr const char* kEvidenceFile = "EVIDENCE.DBF";
inline constexpr const char* kEvidenceLockFile = "EVIDENCE.LCK";

// Opens the table shared, waiting without limit for another workstation; when it is missing and
// `create`, makes it with `fields` first. Two workstations may create it at once: the one that
// loses opens what the other made.
Status openOwnTable(const std::string& path, const std::vector<FieldSpec>& fields, bool create,
                    std::unique_ptr<Table>* out);

// Holds the lock file at `path` (created when missing) exclusively for as long as *held lives,
// waiting for another workstation up to waitMs (< 0: without limit).
Status holdLockFile(const std::string& path, int waitMs, std::unique_ptr<File>* held);

}  // namespace storage
