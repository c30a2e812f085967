#include <iostream>

#include "command_line.h"
#include "storage/check.h"

namespace admin {

// check PATH: one table with its indexes, or every table of a folder. Prints what was checked,
// then each problem and note; exit 0 when nothing is wrong, 1 when something is, 2 usage.
int cmdCheck(const Args& args)
{
    std::string path;
    CommandLine line("check", "check TABLE.DBF|FOLDER");
    line.positional("PATH", &path, "a table (its indexes with it) or a folder of tables", Need::Required);
    if (const auto code = line.parse(args))
        return *code;
    if (path.empty() || path[0] == '-')
        return line.refuse();
    storage::CheckReport report;
    storage::checkPath(path, &report);
    for (const auto& s : report.summary)
        std::cout << s << '\n';
    for (const auto& p : report.problems)
        std::cout << "problem: " << p << '\n';
    for (const auto& n : report.notes)
        std::cout << "note: " << n << '\n';
    if (!report.ok()) {
        std::cout << report.problems.size() << (report.problems.size() == 1 ? " problem" : " problems") << '\n';
        std::cerr << "mervo-admin check: " << path << ": " << report.problems.size()
                  << (report.problems.size() == 1 ? " problem" : " problems") << " found\n";
        return 1;
    }
    std::cout << "OK\n";
    return 0;
}

}  // namespace admin
