#include "site/demo_orders.h"

#include <memory>

#include "storage/catalogue.h"
#include "storage/table.h"
#include "storage/table_csv.h"

namespace site {
namespace {

// UTF-8 CSV in the format of `mervo-admin dump`: customers C001, C003, C004 and products P001 ..
// P004 of the demo codes; ordered amount = ordered weight x price, nothing delivered yet.
constexpr const char* kOrders =
    "CODE,COMPANY,PRODUCT,DATE,PRICE,ORWEIGHT,ORAMOUNT,WEIGHT,AMOUNT\n"
    "PO6801,C001,P001,20260105,15.5,30000,465000,0,0\n"
    "PO6802,C001,P002,20260112,11.2,50000,560000,0,0\n"
    "FD-2211,C003,P003,20260120,9.4,25000,235000,0,0\n"
    "SM-105,C004,P004,20260203,3.1,120000,372000,0,0\n";

}  // namespace

bool writeDemoOrders(const std::string& dataFolder, std::string* error)
{
    const storage::TableDef* def = storage::findTable("OrAcc");
    std::unique_ptr<storage::Table> t;
    storage::csv::Document doc;
    std::vector<std::string> records;
    storage::Status s = storage::openCatalogueTable(dataFolder, *def, storage::ShareMode::Shared, &t);
    if (s.ok())
        s = storage::csv::parse(kOrders, &doc);
    if (s.ok())
        s = storage::csv::toRecords(doc, t->layout(), &records);
    if (s.ok())
        s = storage::csv::appendRecords(*t, records);
    if (t) {
        const storage::Status closed = t->close();
        if (s.ok())
            s = closed;
    }
    if (!s.ok())
        *error = "OrAcc: " + s.toString();
    return s.ok();
}

}  // namespace site
