// The program's own side tables (remembered marks, the weighing evidence): tables beside the
// catalogue's that are made on first need rather than at site set-up.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "storage/dbf_format.h"
#include "storage/table.h"

namespace storage {

// Opens the table shared, waiting without limit for another workstation; when it is missing and
// `create`, makes it with `fields` first. Two workstations may create it at once: the one that
// loses opens what the other made.
Status openOwnTable(const std::string& path, const std::vector<FieldSpec>& fields, bool create,
                    std::unique_ptr<Table>* out);

}  // namespace storage
