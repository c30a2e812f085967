#include <iostream>

#include "command_line.h"
#include "core/settings.h"
#include "maintenance_cli.h"
#include "weighing/evidence.h"

namespace admin {

// verify-evidence CONFIG [--from DD/MM/YYYY] [--to DD/MM/YYYY]: recomputes the chain of the
// weighing evidence in the data folder and compares every completed ticket weighed in within the
// range with the values of its last save, printing one line per finding:
//   broken: EVIDENCE.DBF: record 311: hash does not follow record 310
//   deleted: EVIDENCE.DBF: record 12: marked deleted
//   changed: WDATA1.DBF: 000012: WOUT stored 12000, evidence 12400
//   missing: WDATA3.DBF: 000007: no evidence
// then `N tickets checked, M findings` (and how many tickets were completed before the evidence
// began, which are not findings). Never writes. Exit codes: 0 no finding, 1 findings (or a table
// that cannot be read, on stderr), 2 usage or a missing configuration file.
int cmdVerifyEvidence(const Args& args)
{
    std::string config, fromText, toText;
    CommandLine line("verify-evidence", "verify-evidence CONFIG [--from DD/MM/YYYY] [--to DD/MM/YYYY]");
    line.positional("CONFIG", &config, "the site's configuration file", Need::Required);
    line.value("--from", &fromText, "the first day of weigh-in checked");
    line.value("--to", &toText, "the last day of weigh-in checked");
    if (const auto code = line.parse(args))
        return *code;
    std::optional<core::Date> from, to;
    if ((line.given("--from") && !(from = parseDate(fromText))) || (line.given("--to") && !(to = parseDate(toText))))
        return line.refuse("dates are DD/MM/YYYY");
    if (!startMaintenance("verify-evidence", config))
        return 2;
    PrintingFaults faults;
    const weighing::evidence::Verification v = weighing::evidence::verify(
        core::programSettings().text("CDRV2"), from.value_or(core::Date()), to.value_or(core::Date()));
    for (const std::string& p : v.problems)
        std::cerr << "mervo-admin verify-evidence: " << p << '\n';
    for (const std::string& f : v.findings)
        std::cout << f << '\n';
    if (v.ticketsBefore > 0)
        std::cout << v.ticketsBefore << (v.ticketsBefore == 1 ? " ticket" : " tickets")
                  << " completed before the evidence began\n";
    std::cout << v.ticketsChecked << (v.ticketsChecked == 1 ? " ticket" : " tickets") << " checked, "
              << v.findings.size() << (v.findings.size() == 1 ? " finding\n" : " findings\n");
    return v.findings.empty() && v.problems.empty() ? 0 : 1;
}

}  // namespace admin
