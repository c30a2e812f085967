#include <fstream>
#include <iostream>
#include <sstream>

#include "command_line.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "site_start.h"
#include "storage/catalogue.h"
#include "storage/ops.h"
#include "storage/table_csv.h"

namespace admin {
namespace {

int fail(const std::string& what, const std::string& why)
{
    std::cerr << "mervo-admin load: " << what << ": " << why << '\n';
    return 1;
}

}  // namespace

// load CONFIG TABLE FILE.CSV: appends the CSV's rows (the format of dump) to a catalogue table of
// the site through the shared append, every index of the table kept. Every row is checked before
// the first is appended. Exit codes: 0 done, 1 the file or the table refused (the reason, with the
// line and column, on stderr; nothing appended), 2 usage, an unknown table or configuration file.
int cmdLoad(const Args& args)
{
    std::string config, tableName, csvFile;
    CommandLine line("load", "load CONFIG TABLE FILE.CSV");
    line.positional("CONFIG", &config, "the site's configuration file", Need::Required);
    line.positional("TABLE", &tableName, "a table of the catalogue, any letter case", Need::Required);
    line.positional("FILE.CSV", &csvFile, "rows in the format dump prints", Need::Required);
    if (const auto code = line.parse(args))
        return *code;
    const storage::TableDef* def = storage::findTable(tableName);
    if (!def) {
        std::cerr << "mervo-admin load: " << tableName << ": not a table of the catalogue\n";
        return 2;
    }
    std::ifstream in(csvFile, std::ios::binary);
    if (!in)
        return fail(csvFile, "cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    storage::csv::Document doc;
    if (storage::Status s = storage::csv::parse(text.str(), &doc); !s.ok())
        return fail(csvFile, s.message());

    std::string error;
    if (!startSite(config, &error)) {
        std::cerr << "mervo-admin load: " << error << '\n';
        return 2;
    }
    // Opened as every workflow opens it, shared, its missing index files built.
    const std::string folder = core::programSettings().text(def->folderSetting);
    storage::Workspace ws;
    const bool open = def->indexes.size() > 1
                          ? storage::OPENTRK(ws, folder, def->name)
                          : storage::OPEN(ws, folder, def->name, def->indexes.front().key, false,
                                          core::tis620::fromUtf8(def->openTitle), def->indexes.front().file);
    if (!open)
        return fail(def->name, "cannot be opened");
    storage::Table& table = *ws.current();
    std::vector<std::string> records;
    if (storage::Status s = storage::csv::toRecords(doc, table.layout(), &records); !s.ok())
        return fail(csvFile, s.message());
    if (storage::Status s = storage::csv::appendRecords(table, records); !s.ok())
        return fail(def->name, s.toString());
    std::cout << storage::tableFileName(*def) << ": " << records.size()
              << (records.size() == 1 ? " record" : " records") << " appended\n";
    return 0;
}

}  // namespace admin
