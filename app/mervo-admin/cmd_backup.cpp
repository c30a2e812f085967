#include <iostream>

#include "core/tis620.h"
#include "maintenance/backup.h"
#include "maintenance_cli.h"

namespace admin {
namespace {

int usage(const std::string& error)
{
    if (!error.empty())
        std::cerr << "mervo-admin backup: " << error << '\n';
    std::cerr << "usage: mervo-admin backup CONFIG --name NAME --from DD/MM/YYYY --to DD/MM/YYYY [--overwrite]\n"
                 "       mervo-admin backup CONFIG --codes [--overwrite]\n";
    return 2;
}

}  // namespace

// backup CONFIG --name NAME --from DD/MM/YYYY --to DD/MM/YYYY [--overwrite] [--interactive]: the
// transaction tables' unmarked records of the range into NAME1.DBF .. NAMED.DBF of the backup
// folder and the four ledgers whole; backup CONFIG --codes: the twelve code tables whole. A target
// that exists is replaced only with --overwrite. One line per table. Exit codes: 0 every table
// copied, 1 a table failed or was not overwritten, 2 usage (a name other than 1 to 7 letters or
// digits, a date that is not DD/MM/YYYY, --from after --to) or a missing configuration file.
int cmdBackup(const Args& args)
{
    Options o;
    std::string error;
    if (!parseOptions(args, {"--name", "--from", "--to"}, {"--codes", "--overwrite", "--interactive"}, &o, &error))
        return usage(error);
    if (o.positional.size() != 1)
        return usage({});
    const bool codes = o.has("--codes");
    maintenance::BackupRequest request;
    if (codes) {
        if (o.has("--name") || o.has("--from") || o.has("--to"))
            return usage("--codes takes no name or dates");
    } else {
        if (!o.has("--name") || !o.has("--from") || !o.has("--to"))
            return usage({});
        std::string why;
        request.name = maintenance::checkBackupName(o.values["--name"], &why);
        if (request.name.empty())
            return usage(core::tis620::toUtf8(why));
        const auto from = parseDate(o.values["--from"]);
        const auto to = parseDate(o.values["--to"]);
        if (!from || !to)
            return usage("dates are DD/MM/YYYY");
        if (*to < *from)
            return usage("--from is after --to");
        request.range = {*from, *to};
    }
    if (!startMaintenance("backup", o.positional[0]))
        return 2;
    const bool interactive = o.has("--interactive");
    PrintingPrompts prompts(o.has("--overwrite"), interactive);
    PrintingFaults faults;
    LinePrinter lines;
    const auto results = codes ? maintenance::FGBACKUP2(&lines)
                               : maintenance::FGBACKUP1([&] { return std::optional(request); }, &lines);
    return finish("backup", results, interactive);
}

}  // namespace admin
