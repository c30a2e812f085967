#include <iostream>

#include "maintenance/purge.h"
#include "maintenance_cli.h"

namespace admin {

// purge CONFIG --from DD/MM/YYYY --to DD/MM/YYYY --yes [--interactive]: removes for good the
// transaction records of the range (completed tickets only; open ones stay), each table opened
// exclusively and packed, as the purge menu does; --yes answers its confirmations (without it and
// without --interactive nothing is done). One line per table. Exit codes: 0 every table purged,
// 1 a table failed (held by another workstation ...), 2 usage or a missing configuration file.
int cmdPurge(const Args& args)
{
    Options o;
    std::string error;
    const bool parsed = parseOptions(args, {"--from", "--to"}, {"--yes", "--interactive"}, &o, &error);
    const bool interactive = o.has("--interactive");
    if (!parsed || o.positional.size() != 1 || !o.has("--from") || !o.has("--to") || !(o.has("--yes") || interactive)) {
        std::cerr << (error.empty() ? "" : "mervo-admin purge: " + error + "\n")
                  << "usage: mervo-admin purge CONFIG --from DD/MM/YYYY --to DD/MM/YYYY --yes\n";
        return 2;
    }
    const auto from = parseDate(o.values["--from"]);
    const auto to = parseDate(o.values["--to"]);
    if (!from || !to || *to < *from) {
        std::cerr << "mervo-admin purge: dates are DD/MM/YYYY, --from not after --to\n";
        return 2;
    }
    if (!startMaintenance("purge", o.positional[0]))
        return 2;
    PrintingPrompts prompts(o.has("--yes"), interactive);
    PrintingFaults faults;
    LinePrinter lines;
    const maintenance::DateSpan range{*from, *to};
    return finish("purge", maintenance::FGDELETE([&] { return std::optional(range); }, &lines), interactive);
}

}  // namespace admin
