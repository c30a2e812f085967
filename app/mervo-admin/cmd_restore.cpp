#include <iostream>

#include "command_line.h"
#include "core/tis620.h"
#include "maintenance/restore.h"
#include "maintenance_cli.h"

namespace admin {

// restore CONFIG --name NAME [--interactive]: reads the transaction tables back from the backup
// NAME (records that are missing appended, marked ones unmarked, the others left); restore CONFIG
// --codes [--overwrite]: copies the code tables back whole, each replacing the table only with
// --overwrite. One line per table. Exit codes: 0 every table restored, 1 a table failed (backup
// missing, another structure, the table in use) or was not overwritten, 2 usage or a missing
// configuration file.
int cmdRestore(const Args& args)
{
    std::string config, given;
    bool codes = false, overwrite = false, interactive = false;
    CommandLine line("restore", "restore CONFIG --name NAME\nrestore CONFIG --codes [--overwrite]");
    line.positional("CONFIG", &config, "the site's configuration file", Need::Required);
    line.value("--name", &given, "the backup's name");
    line.flag("--codes", &codes, "the code tables whole instead");
    line.flag("--overwrite", &overwrite, "replace the code tables");
    line.flag("--interactive", &interactive, "ask the questions on the terminal");
    if (const auto code = line.parse(args))
        return *code;
    if (codes == line.given("--name") || (!codes && overwrite))
        return line.refuse();
    std::string name;
    if (!codes) {
        std::string why;
        name = maintenance::checkBackupName(given, &why);
        if (name.empty()) {
            std::cerr << "mervo-admin restore: " << core::tis620::toUtf8(why) << '\n';
            return 2;
        }
    }
    if (!startMaintenance("restore", config))
        return 2;
    PrintingPrompts prompts(overwrite, interactive);
    PrintingFaults faults;
    LinePrinter lines;
    const auto results =
        codes ? maintenance::FGRESTORE2(&lines) : maintenance::FGRESTORE1([&] { return std::optional(name); }, &lines);
    return finish("restore", results, interactive);
}

}  // namespace admin
