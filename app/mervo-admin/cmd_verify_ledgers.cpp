#include <iostream>

#include "command_line.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "maintenance/verify_ledgers.h"
#include "maintenance_cli.h"

namespace admin {
namespace {

std::string utf8(const std::string& tis)
{
    return core::tis620::toUtf8(tis);
}

}  // namespace

// verify-ledgers CONFIG: recomputes every ledger value from the documents and prints, per ledger
// table, `FILE.DBF: N rows, K differences` (or why it was not checked), then each difference:
//   difference: FILE.DBF: ROW: FIELD stored S, documents give D, U not explained by documents
//   difference: FILE.DBF: ROW: no row; documents give FIELD D
//   difference: WDATA1.DBF: ROW: ACCOUNT stored " ", documents give "1"
// and `note: ...` for documents that name an order or ticket that is not there. Never writes.
// Exit codes: 0 no difference, 1 differences (or a table that cannot be read, on stderr), 2 usage
// or a missing configuration file.
int cmdVerifyLedgers(const Args& args)
{
    std::string config;
    CommandLine line("verify-ledgers", "verify-ledgers CONFIG");
    line.positional("CONFIG", &config, "the site's configuration file", Need::Required);
    if (const auto code = line.parse(args))
        return *code;
    if (!startMaintenance("verify-ledgers", config))
        return 2;
    PrintingFaults faults;
    const maintenance::LedgerCheck check = maintenance::verifyLedgers(core::programSettings());
    for (const std::string& p : check.problems)
        std::cerr << "mervo-admin verify-ledgers: " << utf8(p) << '\n';
    for (const maintenance::LedgerTable& t : check.tables) {
        std::cout << t.file << ": ";
        if (!t.checked) {
            std::cout << t.note << '\n';
            continue;
        }
        std::cout << t.rows << (t.rows == 1 ? " row, " : " rows, ") << t.differences
                  << (t.differences == 1 ? " difference\n" : " differences\n");
        for (const maintenance::LedgerDifference& d : check.differences) {
            if (d.file != t.file)
                continue;
            std::cout << "difference: " << d.file << ": " << utf8(d.row) << ": ";
            if (d.noRow)
                std::cout << "no row; documents give " << d.field << ' ' << d.computed << '\n';
            else if (d.unexplained.empty())
                std::cout << d.field << " stored " << d.stored << ", documents give " << d.computed << '\n';
            else
                std::cout << d.field << " stored " << d.stored << ", documents give " << d.computed << ", "
                          << d.unexplained << " not explained by documents\n";
        }
    }
    for (const std::string& n : check.notes)
        std::cout << "note: " << utf8(n) << '\n';
    if (check.clean())
        return 0;
    if (!check.differences.empty())
        std::cerr << "mervo-admin verify-ledgers: " << check.differences.size()
                  << (check.differences.size() == 1 ? " difference\n" : " differences\n");
    return 1;
}

}  // namespace admin
