#include <iostream>
#include <memory>
#include <string>

#include "command_line.h"
#include "storage/table.h"
#include "storage/table_csv.h"

namespace admin {
namespace {

int fail(const std::string& what, const storage::Status& s)
{
    std::cerr << "mervo-admin dump: " << what << ": " << s.toString() << '\n';
    return 1;
}

}  // namespace

// dump TABLE.DBF [--index FILE.NTX] [--deleted]: every record as CSV, in physical or index order.
// Exit codes: 0 done, 1 the table or index cannot be read, 2 usage.
int cmdDump(const Args& args)
{
    std::string table, index;
    bool onlyDeleted = false;
    CommandLine line("dump", "dump TABLE.DBF [--index FILE.NTX] [--deleted]");
    line.positional("TABLE.DBF", &table, "the table", Need::Required);
    line.value("--index", &index, "list in this index's order");
    line.flag("--deleted", &onlyDeleted, "list only the records marked deleted");
    if (const auto code = line.parse(args))
        return *code;
    if (table.empty() || table[0] == '-')
        return line.refuse();
    std::unique_ptr<storage::Table> t;
    if (storage::Status s = storage::Table::open(table, storage::ShareMode::Shared, &t); !s.ok())
        return fail(table, s);
    if (!index.empty()) {
        if (storage::Status s = t->addOrder(index); !s.ok())
            return fail(index, s);
    }
    const auto& fields = t->layout().fields();
    std::cout << "RECNO,DELETED";
    for (const storage::Field& f : fields)
        std::cout << ',' << f.name;
    std::cout << '\n';
    if (storage::Status s = t->goTop(); !s.ok())
        return fail(table, s);
    while (!t->eof()) {
        const char* rec = nullptr;
        if (storage::Status s = t->record(&rec); !s.ok())
            return fail(table, s);
        const bool deleted = rec[0] == storage::dbf::kDeletedFlag;
        if (!onlyDeleted || deleted) {
            std::cout << t->recNo() << ',' << (deleted ? "*" : "");
            for (const storage::Field& f : fields) {
                std::cout << ',';
                storage::csv::writeValue(std::cout, storage::csv::fieldText(f, rec));
            }
            std::cout << '\n';
        }
        if (storage::Status s = t->skip(); !s.ok())
            return fail(index.empty() ? table : index, s);
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}

}  // namespace admin
