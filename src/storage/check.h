// The table checker behind `mervo-admin check` and the engine's tests: reads a DBF and its NTX
// indexes as another workstation would (shared, under the index read locks) and reports what breaks
// the formats or disagrees between them. Read-only; safe beside running workstations.
//
// Problems (the table or an index is wrong): an unreadable header, a header count beyond the file,
// a page that breaks the format, keys out of order, a record missing from an index or listed twice,
// a key that differs from its expression on the record, a free-page chain that loops or points into
// the tree, an index whose update was interrupted. Notes (worth knowing, not wrong): bytes after the
// last record other than one 0x1A, a header count below the file's, pages in neither the tree nor
// the free list, a missing index file of a catalogue table (it is built on open), field texts no
// reader would have written (a record a killed writer left half written).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace storage {

struct CheckReport {
    std::vector<std::string> summary;   // one line per file checked
    std::vector<std::string> problems;  // each names its file
    std::vector<std::string> notes;
    bool ok() const { return problems.empty(); }
};

// One index to check, with the key expression it must have (empty: the file's own).
struct IndexToCheck {
    std::string path;
    std::string expectedExpression;
    bool mustExist = true;  // false: a missing file is a note, not a problem
};

// Checks a table with the given indexes, adding to report.
void checkTable(const std::string& dbfPath, const std::vector<IndexToCheck>& indexes, CheckReport* report);

// The indexes of a table as `check` chooses them: for a table of the catalogue its index files and
// keys; for another table every NTX beside it whose name starts with the table's name and whose
// key expression fits the table.
std::vector<IndexToCheck> indexesOf(const std::string& dbfPath);

// A table (with indexesOf) or every table of a folder.
void checkPath(const std::string& path, CheckReport* report);

}  // namespace storage
