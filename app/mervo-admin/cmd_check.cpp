#include <iostream>

#include "commands.h"
#include "storage/check.h"

namespace admin {

// check PATH: one table with its indexes, or every table of a folder. Prints what was checked,
// then each problem and note; exit 0 when nothing is wrong, 1 when something is, 2 usage.
int cmdCheck(const Args& args)
{
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
        std::cerr << "usage: mervo-admin check TABLE.DBF|FOLDER\n";
        return 2;
    }
    storage::CheckReport report;
    storage::checkPath(args[0], &report);
    for (const auto& s : report.summary)
        std::cout << s << '\n';
    for (const auto& p : report.problems)
        std::cout << "problem: " << p << '\n';
    for (const auto& n : report.notes)
        std::cout << "note: " << n << '\n';
    if (!report.ok()) {
        std::cout << report.problems.size() << (report.problems.size() == 1 ? " problem" : " problems") << '\n';
        std::cerr << "mervo-admin check: " << args[0] << ": " << report.problems.size()
                  << (report.problems.size() == 1 ? " problem" : " problems") << " found\n";
        return 1;
    }
    std::cout << "OK\n";
    return 0;
}

}  // namespace admin
