#include <iostream>
#include <memory>
#include <string>

#include "commands.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/field_codec.h"
#include "storage/table.h"

namespace admin {
namespace {

// RFC 4180: a value holding a comma, a double quote or a line break is quoted, quotes doubled.
void writeCsv(std::ostream& out, const std::string& value)
{
    if (value.find_first_of(",\"\r\n") == std::string::npos) {
        out << value;
        return;
    }
    out << '"';
    for (char c : value) {
        if (c == '"')
            out << '"';
        out << c;
    }
    out << '"';
}

// A stored field as dump prints it: texts in UTF-8 with their trailing blanks, numbers as stored
// without leading blanks, dates YYYYMMDD, logicals T/F; blank numbers, dates and logicals empty.
std::string fieldText(const storage::Field& f, const char* record)
{
    const std::string_view raw = storage::field::raw(f, record);
    if (f.type == storage::FieldType::Character)
        return core::tis620::toUtf8(raw);
    if (storage::field::isBlank(f, record))
        return {};
    switch (f.type) {
    case storage::FieldType::Numeric: return core::tis620::toUtf8(core::xbase::ltrimView(raw));
    case storage::FieldType::Logical: return storage::field::logical(f, record) ? "T" : "F";
    default: return core::tis620::toUtf8(raw);
    }
}

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
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--deleted") {
            onlyDeleted = true;
        } else if (args[i] == "--index" && i + 1 < args.size()) {
            index = args[++i];
        } else if (table.empty() && !args[i].empty() && args[i][0] != '-') {
            table = args[i];
        } else {
            table.clear();
            break;
        }
    }
    if (table.empty()) {
        std::cerr << "usage: mervo-admin dump TABLE.DBF [--index FILE.NTX] [--deleted]\n";
        return 2;
    }
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
                writeCsv(std::cout, fieldText(f, rec));
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
