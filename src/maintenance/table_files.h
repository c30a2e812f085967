// File-level helpers the maintenance jobs share: folder settings joined to file names, the messages
// they show, engine failures handed to the error trap, whole files replaced through a temporary
// file, records copied field by field, and the structure check a restore makes. One thread.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "storage/catalogue.h"
#include "storage/dbf_format.h"
#include "storage/status.h"
#include "storage/table.h"

namespace maintenance::files {

// The program-wide folder setting ("CDRV1" ..) as stored: TIS-620, Windows form, ending with a
// separator (".\DATA\").
std::string folder(const char* setting);
// The existing file folder + name in any letter case, else the path as given (native).
std::string path(std::string_view folder, std::string_view name);
bool exists(std::string_view folder, std::string_view name);

// An information box with one OK button / a No-Yes question whose default is No (core::prompts()).
void alert(const std::string& text, const std::string& title);
bool ask(const std::string& text, const std::string& title);

// Runs op until it succeeds; a failure goes to the error trap (core::raise) and runs again only
// when the answer is Retry. False when it failed for good.
bool attempt(const std::function<storage::Status()>& op, const std::string& operation, const std::string& file);

// Removes every file of the folder whose name equals `name` without regard to letter case.
void removeAnyCase(std::string_view folder, std::string_view name);

// Removes what a pack killed half way left beside a table of the catalogue (its table's and index
// files' ".pack" copies; the table itself is whole, see storage::Table::pack). Called while the
// table is held exclusively.
void removePackLeftovers(std::string_view folder, const storage::TableDef& def);

// The path of a temporary file beside `target` that a job writes first and renames over the target
// once it is complete, so a copy that fails half way (a full disk, a pulled medium) never leaves a
// damaged file where a good one was.
std::string partPath(const std::string& target);
// Renames the temporary file over the target (atomically on one file system).
storage::Status replaceWith(const std::string& part, const std::string& target);
// Copies a file byte for byte to `part` (created or replaced) and flushes it to disk.
storage::Status copyBytes(const std::string& source, const std::string& part, std::uint64_t* bytes);

// Backups and restores rename copies into the backup folder CDRV3 and read it back whole: when it
// is, or lies inside, the data folder CDRV2 or the code-table folder CDRV1, copies would land on live
// tables. Returns the message (TIS-620) that refuses the job, or "" when the folders are apart.
std::string backupFolderClash();

// "1 record", "12 records": counts in the lines the command line prints.
std::string records(std::size_t n);

// True when both layouts hold the same fields - names, types, widths and decimals - in any order.
bool sameStructure(const storage::Layout& a, const storage::Layout& b);

// A record of targetLayout holding the fields of `record` (of sourceLayout, the same structure in
// any field order) byte for byte; its flag live.
std::string recordFor(const storage::Layout& targetLayout, const storage::Layout& sourceLayout, const char* record);

// Assigns the current record of `target` every field of `source`'s record (a record buffer of
// sourceLayout) that has a field of the same name in the target; blank fields stay blank.
storage::Status copyFields(storage::Table& target, const storage::Layout& sourceLayout, const char* record);

}  // namespace maintenance::files
