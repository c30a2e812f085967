#include <iostream>

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
    Options o;
    std::string error;
    const bool parsed = parseOptions(args, {"--name"}, {"--codes", "--overwrite", "--interactive"}, &o, &error);
    const bool codes = o.has("--codes");
    if (!parsed || o.positional.size() != 1 || codes == o.has("--name") || (!codes && o.has("--overwrite"))) {
        std::cerr << (error.empty() ? "" : "mervo-admin restore: " + error + "\n")
                  << "usage: mervo-admin restore CONFIG --name NAME\n"
                     "       mervo-admin restore CONFIG --codes [--overwrite]\n";
        return 2;
    }
    std::string name;
    if (!codes) {
        std::string why;
        name = maintenance::checkBackupName(o.values["--name"], &why);
        if (name.empty()) {
            std::cerr << "mervo-admin restore: " << core::tis620::toUtf8(why) << '\n';
            return 2;
        }
    }
    if (!startMaintenance("restore", o.positional[0]))
        return 2;
    const bool interactive = o.has("--interactive");
    PrintingPrompts prompts(o.has("--overwrite"), interactive);
    PrintingFaults faults;
    LinePrinter lines;
    const auto results =
        codes ? maintenance::FGRESTORE2(&lines) : maintenance::FGRESTORE1([&] { return std::optional(name); }, &lines);
    return finish("restore", results, interactive);
}

}  // namespace admin
