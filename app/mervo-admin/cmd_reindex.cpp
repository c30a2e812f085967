#include <iostream>

#include "command_line.h"
#include "maintenance/reindex.h"
#include "maintenance_cli.h"

namespace admin {

// reindex CONFIG [--groups weighing,money,balances,codes] [--interactive]: packs every table of the
// groups (all four by default) and builds its index files anew, as the reindex dialog does. One
// line per index entry. Exit codes: 0 done, 1 a table failed (missing, held by another
// workstation, damaged), 2 usage or a missing configuration file.
int cmdReindex(const Args& args)
{
    std::string config, groups;
    bool interactive = false;
    CommandLine line("reindex", "reindex CONFIG [--groups weighing,money,balances,codes]");
    line.positional("CONFIG", &config, "the site's configuration file", Need::Required);
    line.value("--groups", &groups, "the groups of tables, comma-separated (default all four)");
    line.flag("--interactive", &interactive, "ask the questions on the terminal");
    if (const auto code = line.parse(args))
        return *code;
    maintenance::Reindex model;
    if (line.given("--groups")) {
        bool ticked[maintenance::kGroupCount];
        if (!maintenance::parseGroups(groups, ticked)) {
            std::cerr << "mervo-admin reindex: --groups takes weighing, money, balances, codes (comma-separated)\n";
            return 2;
        }
        for (int g = 0; g < maintenance::kGroupCount; ++g)
            model.setTicked(storage::TableGroup(g), ticked[g]);
    }
    if (!startMaintenance("reindex", config))
        return 2;
    PrintingPrompts prompts(false, interactive);
    PrintingFaults faults;
    LinePrinter lines;
    return finish("reindex", model.run(&lines), interactive);
}

}  // namespace admin
