#include <iostream>

#include "command_line.h"
#include "core/tis620.h"
#include "maintenance/backup.h"
#include "maintenance_cli.h"

namespace admin {

// backup CONFIG --name NAME --from DD/MM/YYYY --to DD/MM/YYYY [--overwrite] [--interactive]: the
// transaction tables' unmarked records of the range into NAME1.DBF .. NAMED.DBF of the backup
// folder and the four ledgers whole; backup CONFIG --codes: the twelve code tables whole. A target
// that exists is replaced only with --overwrite. One line per table. Exit codes: 0 every table
// copied, 1 a table failed or was not overwritten, 2 usage (a name other than 1 to 7 letters or
// digits, a date that is not DD/MM/YYYY, --from after --to) or a missing configuration file.
int cmdBackup(const Args& args)
{
    std::string config, name, fromText, toText;
    bool codes = false, overwrite = false, interactive = false;
    CommandLine line("backup", "backup CONFIG --name NAME --from DD/MM/YYYY --to DD/MM/YYYY [--overwrite]\n"
                               "backup CONFIG --codes [--overwrite]");
    line.positional("CONFIG", &config, "the site's configuration file", Need::Required);
    line.value("--name", &name, "the backup's name: 1 to 7 letters A-Z or digits");
    line.value("--from", &fromText, "the first date of the range");
    line.value("--to", &toText, "the last date of the range");
    line.flag("--codes", &codes, "the code tables whole instead");
    line.flag("--overwrite", &overwrite, "replace a backup table that exists");
    line.flag("--interactive", &interactive, "ask the questions on the terminal");
    if (const auto code = line.parse(args))
        return *code;
    maintenance::BackupRequest request;
    if (codes) {
        if (line.given("--name") || line.given("--from") || line.given("--to"))
            return line.refuse("--codes takes no name or dates");
    } else {
        if (!line.given("--name") || !line.given("--from") || !line.given("--to"))
            return line.refuse();
        std::string why;
        request.name = maintenance::checkBackupName(name, &why);
        if (request.name.empty())
            return line.refuse(core::tis620::toUtf8(why));
        const auto from = parseDate(fromText);
        const auto to = parseDate(toText);
        if (!from || !to)
            return line.refuse("dates are DD/MM/YYYY");
        if (*to < *from)
            return line.refuse("--from is after --to");
        request.range = {*from, *to};
    }
    if (!startMaintenance("backup", config))
        return 2;
    PrintingPrompts prompts(overwrite, interactive);
    PrintingFaults faults;
    LinePrinter lines;
    const auto results = codes ? maintenance::FGBACKUP2(&lines)
                               : maintenance::FGBACKUP1([&] { return std::optional(request); }, &lines);
    return finish("backup", results, interactive);
}

}  // namespace admin
