#include <iostream>

#include "command_line.h"
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
    std::string config, fromText, toText;
    bool yes = false, interactive = false;
    CommandLine line("purge", "purge CONFIG --from DD/MM/YYYY --to DD/MM/YYYY --yes");
    line.positional("CONFIG", &config, "the site's configuration file", Need::Required);
    line.value("--from", &fromText, "the first date of the range", Need::Required);
    line.value("--to", &toText, "the last date of the range", Need::Required);
    line.flag("--yes", &yes, "answer the purge's confirmations");
    line.flag("--interactive", &interactive, "ask the questions on the terminal");
    if (const auto code = line.parse(args))
        return *code;
    if (!yes && !interactive)
        return line.refuse("--yes is needed");
    const auto from = parseDate(fromText);
    const auto to = parseDate(toText);
    if (!from || !to || *to < *from) {
        std::cerr << "mervo-admin purge: dates are DD/MM/YYYY, --from not after --to\n";
        return 2;
    }
    if (!startMaintenance("purge", config))
        return 2;
    PrintingPrompts prompts(yes, interactive);
    PrintingFaults faults;
    LinePrinter lines;
    const maintenance::DateSpan range{*from, *to};
    return finish("purge", maintenance::FGDELETE([&] { return std::optional(range); }, &lines), interactive);
}

}  // namespace admin
