// The reports of a demo site: a "RepList" row and a definition file (CDRV1 + code + ".txt",
// TIS-620, CR LF line ends) for every family and kind - the tickets of each weighing kind by day
// with daily and period totals, payments and receipts with their lines, loans given and taken,
// production lines, the four status ledgers, listings of the twelve code tables, the movement
// analyses of suppliers, customers and stock (opening balance, movements, closing balance) and
// the balance summary. They print on A4 with the company's name, the report's name and its period
// in Buddhist-era dates, ruled columns and group and report totals.
#pragma once

#include <string>
#include <vector>

namespace site {

struct DemoReport {
    std::string code;  // "TRK01"
    std::string name;  // UTF-8, as RepList holds it
};

// Every demo report, in code order.
const std::vector<DemoReport>& demoReports();

// Writes every definition into the folder (the site's CDRV1, native, ending with '/') and appends
// the reports to the folder's "Replist" (through the shared append, its index kept). False with a
// reason (UTF-8) when a file or the table could not be written.
bool writeDemoReports(const std::string& folder, std::string* error);

}  // namespace site
