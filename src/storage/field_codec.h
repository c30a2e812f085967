// Reading and writing one field inside a record buffer, by the reference runtime's rules:
//   C  bytes as stored (TIS-620 kept), right-padded with blanks, cut at the width;
//   N  ASCII right-aligned, exactly `dec` digits after the point, rounded half away from zero on
//      the decimal value (xBase STR rules); blank reads as 0. A value too wide for the field is an
//      error (FieldOverflow) and the field is left as it was - never asterisks, never cut digits;
//   D  YYYYMMDD, blank (8 spaces) for the empty date; anything invalid reads as the empty date;
//   L  'T'/'F' written; 'T' 't' 'Y' 'y' read as true, everything else (blank too) as false.
// Pure functions over caller-owned buffers; the record pointer must hold the layout's record length.
#pragma once

#include <string>
#include <string_view>

#include "core/date.h"
#include "core/value.h"
#include "storage/dbf_format.h"
#include "storage/status.h"

namespace storage::field {

inline std::string_view raw(const Field& f, const char* record) { return {record + f.offset, f.length}; }
bool isBlank(const Field& f, const char* record);

double number(const Field& f, const char* record);
core::Date date(const Field& f, const char* record);
bool logical(const Field& f, const char* record);
// The field as an xBase value: C text (with trailing blanks), N number with the field's decimals,
// D date, L logical.
core::Value value(const Field& f, const char* record);

// Each put checks the field's type (TypeMismatch) and leaves the record untouched on failure.
Status putText(const Field& f, char* record, std::string_view text);
Status putNumber(const Field& f, char* record, double value);
Status putDate(const Field& f, char* record, core::Date d);
Status putLogical(const Field& f, char* record, bool b);
Status putValue(const Field& f, char* record, const core::Value& v);
void putBlank(const Field& f, char* record);

// The value right-aligned in width bytes at out with dec decimals, as STR(value, width, dec) writes
// it; false (out untouched) when it does not fit. Same result as core::xbase::formatFixed, without
// allocating on the common path.
bool formatNumber(double value, int width, int dec, char* out);

}  // namespace storage::field
