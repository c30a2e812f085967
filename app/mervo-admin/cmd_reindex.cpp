#include <iostream>

#include "maintenance/reindex.h"
#include "maintenance_cli.h"

namespace admin {

// reindex CONFIG [--groups weighing,money,balances,codes] [--interactive]: packs every table of the
// groups (all four by default) and builds its index files anew, as the reindex dialog does. One
// line per index entry. Exit codes: 0 done, 1 a table failed (missing, held by another
// workstation, damaged), 2 usage or a missing configuration file.
int cmdReindex(const Args& args)
{
    Options o;
    std::string error;
    if (!parseOptions(args, {"--groups"}, {"--interactive"}, &o, &error) || o.positional.size() != 1) {
        std::cerr << (error.empty() ? "" : "mervo-admin reindex: " + error + "\n")
                  << "usage: mervo-admin reindex CONFIG [--groups weighing,money,balances,codes]\n";
        return 2;
    }
    maintenance::Reindex model;
    if (o.values.count("--groups")) {
        bool ticked[maintenance::kGroupCount];
        if (!maintenance::parseGroups(o.values["--groups"], ticked)) {
            std::cerr << "mervo-admin reindex: --groups takes weighing, money, balances, codes (comma-separated)\n";
            return 2;
        }
        for (int g = 0; g < maintenance::kGroupCount; ++g)
            model.setTicked(storage::TableGroup(g), ticked[g]);
    }
    if (!startMaintenance("reindex", o.positional[0]))
        return 2;
    const bool interactive = o.has("--interactive");
    PrintingPrompts prompts(false, interactive);
    PrintingFaults faults;
    LinePrinter lines;
    return finish("reindex", model.run(&lines), interactive);
}

}  // namespace admin
