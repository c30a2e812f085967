// Any bytes as a CSV file for `mervo-admin load`: parsing and converting the rows to records of a
// table with a text, a number, a date and a logical field give a status, never a crash. Property:
// the records that convert, written out as `dump` writes them, read back to the same bytes.
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz_util.h"
#include "storage/table_csv.h"

namespace {

const storage::Layout& layout()
{
    static const storage::Layout l = [] {
        storage::Layout out;
        fuzz::check(storage::Layout::fromSpecs({{"NAME", storage::FieldType::Character, 12, 0},
                                                {"AMOUNT", storage::FieldType::Numeric, 10, 2},
                                                {"DAY", storage::FieldType::Date, 0, 0},
                                                {"OK", storage::FieldType::Logical, 0, 0}},
                                               &out)
                        .ok());
        return out;
    }();
    return l;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    storage::csv::Document doc;
    if (!storage::csv::parse(std::string_view(reinterpret_cast<const char*>(data), size), &doc).ok())
        return 0;
    std::vector<std::string> records;
    if (!storage::csv::toRecords(doc, layout(), &records).ok())
        return 0;
    std::ostringstream out;
    out << "RECNO,DELETED,NAME,AMOUNT,DAY,OK\n";
    for (std::size_t r = 0; r < records.size(); ++r) {
        out << r + 1 << ',';
        for (const storage::Field& f : layout().fields()) {
            out << ',';
            storage::csv::writeValue(out, storage::csv::fieldText(f, records[r].data()));
        }
        out << '\n';
    }
    storage::csv::Document again;
    std::vector<std::string> back;
    fuzz::check(storage::csv::parse(out.str(), &again).ok());
    fuzz::check(storage::csv::toRecords(again, layout(), &back).ok() && back == records);
    return 0;
}
