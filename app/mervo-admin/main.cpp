// mervo-admin: site set-up and every batch job of the weighbridge program, on the same code as the
// GUI, for people at a terminal and for schedulers.
#include <cstring>
#include <iostream>

#include "commands.h"
#include "core/identity.h"
#include "weighing/evidence.h"
#include "weighing/evidence_log.h"

namespace {

struct Command {
    const char* name;
    const char* usage;
    int (*run)(const admin::Args&);
};

constexpr Command kCommands[] = {
    {"settings", "settings [CONFIG.INI]            start-up settings read from a configuration file",
     admin::cmdSettings},
    {"eval", "eval 'EXPR' [--var NAME=VALUE]... [--date DD/MM/YYYY]  evaluate a stored expression",
     admin::cmdEval},
    {"weigh",
     "weigh [CONFIG.INI] [--port N] [--timeout S]  read the scale indicator and print every frame;\n"
     "    with --detect: name the line setting and frame format the indicator speaks",
     admin::cmdWeigh},
    {"dump", "dump TABLE.DBF [--index FILE.NTX] [--deleted]  print a table's records as CSV", admin::cmdDump},
    {"check", "check TABLE.DBF|FOLDER            check tables and their indexes", admin::cmdCheck},
    {"init", "init SITE_DIR [--admin CODE] [--password PW] [--demo [--no-week]]  create a new site (with demo content)",
     admin::cmdInit},
    {"load", "load CONFIG TABLE FILE.CSV        append a CSV's rows (dump's format) to a site's table", admin::cmdLoad},
    {"consec", "consec CONFIG SERIES R|W          peek at (R) or take (W) a series' next document number",
     admin::cmdConsec},
    {"config", "config CONFIG.INI SECTION KEY [VALUE]  print or write one key of a configuration file",
     admin::cmdConfig},
    {"print", "print CONFIG FORM NUMBER --pdf FILE [--user CODE]  print a stored document to a PDF", admin::cmdPrint},
    {"reindex", "reindex CONFIG [--groups weighing,money,balances,codes]  pack the tables, build their indexes anew",
     admin::cmdReindex},
    {"backup", "backup CONFIG --name NAME --from DD/MM/YYYY --to DD/MM/YYYY | --codes [--overwrite]  copy to the backup folder",
     admin::cmdBackup},
    {"purge", "purge CONFIG --from DD/MM/YYYY --to DD/MM/YYYY --yes  remove the transaction data of a range",
     admin::cmdPurge},
    {"restore", "restore CONFIG --name NAME | --codes [--overwrite]  read a backup back", admin::cmdRestore},
    {"verify-ledgers", "verify-ledgers CONFIG             recompute the ledgers from the documents, print differences",
     admin::cmdVerifyLedgers},
    {"verify-evidence", "verify-evidence CONFIG [--from DD/MM/YYYY] [--to DD/MM/YYYY]  check the weighing evidence's chain and the tickets against it",
     admin::cmdVerifyEvidence},
    {"report", "report CONFIG CODE --pdf FILE [--from DD/MM/YYYY] [--to DD/MM/YYYY] [--range NAME=FROM:TO]... [--user CODE]"
               "  run a report to a PDF",
     admin::cmdReport},
};

void usage(std::ostream& out)
{
    out << "usage: mervo-admin COMMAND [ARGUMENTS] | --version\n\ncommands:\n";
    for (const Command& c : kCommands)
        out << "  " << c.usage << '\n';
    out << "\nmervo-admin COMMAND --help describes one command's arguments.\n";
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && !std::strcmp(argv[1], "--version")) {
        std::cout << weighing::evidence::programIdentity("mervo-admin") << '\n';
        return 0;
    }
    core::setIdentitySource([] { return weighing::evidence::programIdentityLine("mervo-admin"); });
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        usage(argc < 2 ? std::cerr : std::cout);
        return argc < 2 ? 2 : 0;
    }
    // Tickets weighed or printed here leave their evidence as the program's screens do.
    weighing::setEvidenceLog(&weighing::fileEvidenceLog());
    for (const Command& c : kCommands) {
        if (std::strcmp(argv[1], c.name) == 0) {
            admin::Args args(argv + 2, argv + argc);
            try {
                return c.run(args);
            } catch (const std::exception& e) {
                std::cerr << "mervo-admin " << c.name << ": " << e.what() << '\n';
                return 3;
            }
        }
    }
    std::cerr << "mervo-admin: unknown command '" << argv[1] << "'\n";
    usage(std::cerr);
    return 2;
}
