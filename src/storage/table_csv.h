// Tables as CSV text for people and spreadsheets: what `mervo-admin dump` prints and what
// `mervo-admin load` appends. One format both ways (RFC 4180, UTF-8, LF line ends):
//
//   RECNO,DELETED,FIELD1,FIELD2,...      header: the record number and deletion flag columns, then
//   1,,ABC       ,12.50,20241231,T       the field names; one line per record
//
//   C  the text in UTF-8 with its trailing blanks     N  the stored digits without leading blanks
//   D  YYYYMMDD                                        L  T or F
//   A blank number, date or logical is an empty value. A value holding a comma, a double quote or
//   a line break is quoted, its quotes doubled.
//
// Reading is for files from outside: every byte is checked and a problem is reported with its line
// and column, never guessed at. Pure functions; no table is touched until every row converted.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "storage/dbf_format.h"
#include "storage/status.h"
#include "storage/table.h"

namespace storage::csv {

// ---- Writing (dump)

// A field of a record as its CSV value (UTF-8, not yet quoted).
std::string fieldText(const Field& f, const char* record);
// The value with RFC 4180 quoting where it needs it.
void writeValue(std::ostream& out, std::string_view value);

// ---- Reading (load)

struct Document {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::size_t> lines;  // the line each row starts on (1-based)
};

// Parses RFC 4180 text: quoted values may hold commas, doubled quotes and line breaks; lines end
// with LF or CR LF; a UTF-8 byte order mark and a last line end are allowed; empty lines are
// skipped. InvalidArgument ("line 7: ...") for a quote inside an unquoted value, text after a
// closing quote, an unterminated quote, or text that is not UTF-8.
Status parse(std::string_view text, Document* out);

// The rows of a document as records of a table layout (flag byte live, every field converted):
// RECNO and DELETED columns are ignored, fields without a column stay blank. InvalidArgument
// names the line and column for a column that is not a field (or is given twice), a row with more
// values than the header, and a value that does not fit its field: a text longer than its width
// (trailing blanks aside) or with characters TIS-620 lacks, a number that is not a plain decimal,
// needs more decimals than the field keeps or does not fit its width, a date that is not a valid
// YYYYMMDD, a logical other than T, F, Y or N.
Status toRecords(const Document& doc, const Layout& layout, std::vector<std::string>* records);

// Appends records (as toRecords made them, for this table's layout) through the shared append:
// each is appended (waiting for other workstations without limit), its fields assigned so every
// open index takes its keys, then the table is flushed to disk and unlocked once at the end.
Status appendRecords(Table& table, const std::vector<std::string>& records);

}  // namespace storage::csv
