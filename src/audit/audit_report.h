// AUDITREP's printed report: the log's rows dated in a range as a grid of seven columns - date,
// time, key, staff, label, old and new value - under the title and the date of printing, with
// "หน้า n" at the foot of every page. Fonts are the configured report fonts (3 the title, 2 the
// headings, 1 the rows) scaled by CPRNFAC, lines the thin pen CPEN1. Works on any print job.
#pragma once

#include "core/date.h"
#include "core/print_job.h"
#include "storage/table.h"

namespace audit {

// The caption of the report's job (its preview window).
inline constexpr const char* kAuditReportCaption = "Audit trail";

// Begins the job, prints the rows of `log` (in its active order, which starts with the date) from
// the first dated `from` to the last dated `to`, and ends the job. The log's pointer moves.
void printAuditReport(storage::Table& log, core::Date from, core::Date to, core::PrintJob& job);

}  // namespace audit
