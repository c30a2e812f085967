#include "reports/analysis.h"

#include <functional>
#include <iterator>

#include "core/paths.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "reports/engine.h"
#include "reports/relations.h"
#include "reports/tables.h"
#include "storage/catalogue.h"
#include "storage/fault_bridge.h"
#include "storage/ops.h"

namespace reports {
namespace {

using core::tis620::T;

// REVCALC's kinds 1..10 by what their documents are.
enum class Document {
    GoodsTicket,     // moves stock and the party's account by its ledger signs
    HireTicket,      // the customer's account by what is on account
    Payment,         // a payment or receipt: the balance by all that was paid, the loan by its deduction
    Loan,            // a loan given or taken: the loan balance
    ProductionLine,  // the stock of its product in base units
};
enum class Side { Supplier, Customer, None };  // the party: "FARMER" and "apacc", "COMPANY" and "aracc"

struct AnalysisKind {
    const char* type;  // the work row's TYPE
    const char* code;  // the document kind
    Document document;
    Side side;
};
constexpr AnalysisKind kAnalysisKinds[] = {
    {"REC", "TRK01", Document::GoodsTicket, Side::Supplier},
    {"CAN", "TRK02", Document::GoodsTicket, Side::Supplier},
    {"INV", "TRK03", Document::GoodsTicket, Side::Customer},
    {"RET", "TRK04", Document::GoodsTicket, Side::Customer},
    {"SCL", "TRK05", Document::HireTicket, Side::Customer},
    {"MON1", "MON01", Document::Payment, Side::Supplier},
    {"MON2", "MON02", Document::Payment, Side::Customer},
    {"MON3", "MON03", Document::Loan, Side::Supplier},
    {"MON4", "MON04", Document::Loan, Side::Customer},
    {"STK1", "STK_1", Document::ProductionLine, Side::None},
};
constexpr int kAnalysisKindCount = int(std::size(kAnalysisKinds));

// The sign with which a ticket's on-account part moved its party's balance when it was posted.
int accountSign(const AnalysisKind& k)
{
    const storage::TicketLedgerSigns* signs = storage::ticketLedgerSigns(k.code);
    return signs ? signs->account : +1;
}

// A write to a table; a failure goes to the error trap, whose Retry writes again. False (the build
// stops) unless it was retried away.
bool written(const std::function<storage::Status()>& write, const char* operation, storage::Table& t)
{
    return storage::retrying(write, operation, t.path()).ok();
}

std::string text(storage::Table& t, int field)
{
    std::string_view raw;
    return field >= 0 && t.raw(field, &raw).ok() ? std::string(raw) : std::string();
}

double number(storage::Table& t, int field)
{
    core::Value v;
    return field >= 0 && t.value(field, &v).ok() ? v.asNumber() : 0.0;
}

core::Date date(storage::Table& t, int field)
{
    std::string_view raw;
    return field >= 0 && t.raw(field, &raw).ok() ? core::Date::fromDtos(raw) : core::Date();
}

// Adds the changes to a ledger record found by its key (appended with its key fields when missing,
// as posting appends it), under the record's lock, flushed before the lock is released.
bool addToLedger(storage::Workspace& ws, const char* alias, const std::string& key,
                 std::initializer_list<std::pair<const char*, std::string>> keyFields,
                 std::initializer_list<std::pair<const char*, double>> changes)
{
    if (!ws.select(alias).ok())
        return false;
    storage::Table& t = *ws.current();
    if (!t.seek(key).ok())
        return false;
    if (!t.found() && !storage::addKeyedRow(ws, key, keyFields))
        return false;
    if (!storage::REC_LOCK(ws))
        return false;
    for (const auto& c : changes) {
        const int i = t.fieldIndex(c.first);
        if (!written([&] { return t.putNumber(i, number(t, i) + c.second); }, "REPLACE", t))
            return (void)t.unlock(), false;
    }
    const bool ok = written([&] { return t.commit(); }, "COMMIT", t);
    (void)t.unlock();
    return ok;
}

// Step 2: BEGIN := BALANCE (and BBEGIN := BORROW) record by record, each under its lock.
bool resetOpening(storage::Workspace& ws, const char* alias, bool account)
{
    if (!ws.select(alias).ok())
        return false;
    storage::Table& t = *ws.current();
    const int balance = t.fieldIndex("BALANCE"), begin = t.fieldIndex("BEGIN");
    const int borrow = t.fieldIndex("BORROW"), bbegin = t.fieldIndex("BBEGIN");
    for (storage::Status s = t.goTop(); !t.eof(); s = t.skip()) {
        if (!s.ok() || !storage::REC_LOCK(ws))
            return false;
        bool ok = written([&] { return t.putNumber(begin, number(t, balance)); }, "REPLACE", t);
        if (ok && account)
            ok = written([&] { return t.putNumber(bbegin, number(t, borrow)); }, "REPLACE", t);
        ok = ok && written([&] { return t.commit(); }, "COMMIT", t);
        (void)t.unlock();
        if (!ok)
            return false;
    }
    return true;
}

// The work table "detail" made anew; false after the in-use message (every table closed).
bool createWorkTable(storage::Workspace& ws, storage::WorkTable kind)
{
    if (openWorkTable(ws, kind, "detail"))
        return true;
    core::prompts().message(core::MessageKind::Info, T(kWorkTableBusyUtf8), T(kSelectionTitleUtf8));
    (void)ws.closeAll();
    return false;
}

bool indexWorkTable(storage::Workspace& ws, storage::WorkTable kind, const std::string& key,
                    const std::string& reportName)
{
    if (buildReportIndex(ws, workTableFile(kind) + ".NTX", key, reportName))
        return true;
    (void)ws.closeAll();
    return false;
}

struct Source {
    int ticket, date, company, product, whouse, unit, qty, cash, drcr, cheque;
};

Source sourceFields(storage::Table& t, bool line)
{
    const auto f = [&](const char* name) { return t.fieldIndex(name); };
    if (line)
        return {f("DOC_NO"), f("DOC_DATE"), -1, f("CODE"), f("WHOUSE"), f("UNIT"), f("QTY"), -1, -1, -1};
    return {f("TICKET"), f("DAYIN") >= 0 ? f("DAYIN") : f("DATE"), f("COMPANY"), f("PRODUCT"), f("WHOUSE"),
            f("UNIT"), f("QTY"), f("CASH"), f("DRCR"), f("CHEQUE")};
}

double unitRate(storage::Workspace& ws, const std::string& unit)
{
    storage::Table* units = ws.find("Unit");
    if (!units || !units->seek(unit).ok() || !units->found())
        return 1;
    const double rate = number(*units, units->fieldIndex("RATE"));
    return rate != 0 ? rate : 1;
}

// Walks a table opened as "wdata" from the first record dated `start` (soft seek on its date order)
// to its end, calling REVCALC(kind) for the records `take` accepts.
// A ticket deleted after part of it was settled (as an earlier version allowed) left that part -
// CLEAR - in its account: the deletion reversed only what was still open. Its settling voucher is
// live and rolled back, so the settled part is rolled back with it, or the opening balance would
// keep it.
bool rollBackSettledPart(storage::Workspace& ws, int kind)
{
    storage::Table& t = *ws.find("wdata");
    const double settled = number(t, t.fieldIndex("CLEAR"));
    if (settled == 0 || kind < 1 || kind > kAnalysisKindCount)
        return true;
    const AnalysisKind& k = kAnalysisKinds[kind - 1];
    if (k.document != Document::GoodsTicket && k.document != Document::HireTicket)
        return true;
    const std::string party = core::xbase::padRight(text(t, t.fieldIndex("COMPANY")), 10);
    const double back = -accountSign(k) * settled;
    const bool ok = addToLedger(ws, k.side == Side::Supplier ? "apacc" : "aracc", party, {{"CODE", party}},
                                {{"BEGIN", back}});
    (void)ws.select("wdata");
    return ok;
}

bool walkFrom(storage::Workspace& ws, core::Date start, int kind, bool completedOnly)
{
    storage::Table& t = *ws.find("wdata");
    const int stat = t.fieldIndex("STAT");
    for (storage::Status s = t.seek(start.dtos(), true); !t.eof(); s = t.skip()) {
        if (!s.ok())
            return false;
        if (completedOnly && text(t, stat) != "2")
            continue;
        if (t.deleted()) {
            if (completedOnly && !rollBackSettledPart(ws, kind))
                return false;
            continue;
        }
        if (!REVCALC(ws, kind))
            return false;
        (void)ws.select("wdata");
    }
    return true;
}

bool stop(storage::Workspace& ws)
{
    (void)ws.closeAll();
    return false;
}

}  // namespace

bool MovementLock::take(const std::string& cdrv2, int waitMs)
{
    release();
    storage::FileSystem& fs = storage::fileSystem();
    const std::string path = fs.resolve(core::paths::join(cdrv2, "REVCALC.LCK"));
    std::unique_ptr<storage::File> file;
    const storage::Status s = storage::retryWhileLocked(
        [&] { return fs.open(path, storage::ShareMode::Exclusive, storage::OpenFlags::Create, &file); }, waitMs);
    if (!s.ok())
        return false;
    m_file = std::move(file);
    return true;
}

void MovementLock::release()
{
    m_file.reset();
}

bool REVCALC(storage::Workspace& ws, int kind)
{
    storage::Table* sourcePtr = ws.find("wdata");
    storage::Table* rowPtr = ws.find("detail");
    if (!sourcePtr || !rowPtr || kind < 1 || kind > kAnalysisKindCount)
        return false;
    const AnalysisKind& k = kAnalysisKinds[kind - 1];
    storage::Table& src = *sourcePtr;
    storage::Table& row = *rowPtr;
    const bool line = k.document == Document::ProductionLine;
    const bool goods = k.document == Document::GoodsTicket || line;
    const Source f = sourceFields(src, line);
    const std::string nines = thaiNines(10);
    const std::string party = line ? nines : text(src, f.company);
    const std::string product = goods ? text(src, f.product) : nines;
    const std::string whouse = goods ? text(src, f.whouse) : std::string();
    const std::string unit = goods ? text(src, f.unit) : std::string();
    const bool supplier = k.side == Side::Supplier;
    const bool customer = k.side == Side::Customer;
    const double cash = number(src, f.cash), drcr = number(src, f.drcr), cheque = number(src, f.cheque);
    double qty = 0;
    if (k.document == Document::GoodsTicket)
        qty = number(src, f.qty);
    else if (line)  // posted to the stock to the hundredth of its balance, so rolled back by as much
        qty = core::xbase::roundDecimal(number(src, f.qty) * unitRate(ws, unit), 2);

    // The row's money, and the roll-back of the opening values: the reverse of what the posting
    // moved (stock, the party's BEGIN and its loan's BBEGIN).
    struct Row {
        double cash = 0, drcr = 0, cheque = 0, borrow = 0;
    } r;
    double stock = 0, begin = 0, loan = 0;
    switch (k.document) {
    case Document::GoodsTicket: {
        const storage::TicketLedgerSigns& signs = *storage::ticketLedgerSigns(k.code);
        r = {cash, drcr, cheque, 0};
        stock = -signs.stock * qty;
        begin = -signs.account * drcr;
        break;
    }
    case Document::HireTicket:
        r = {cash, drcr, 0, 0};
        begin = -drcr;
        break;
    case Document::Payment:
        r = {cash, 0, cheque, drcr};
        begin = cash + cheque + drcr;
        loan = drcr;
        break;
    case Document::Loan:
        r = {cash, 0, cheque, 0};
        loan = -(cash + cheque);
        break;
    case Document::ProductionLine:
        stock = -qty;
        break;
    }

    // The work row.
    if (!written([&] { return row.append(); }, "APPEND", row))
        return false;
    const std::pair<const char*, std::string> texts[] = {
        {"TYPE", k.type}, {"TICKET", text(src, f.ticket)}, {"COMPANY", customer ? party : nines},
        {"FARMER", supplier ? party : nines}, {"PRODUCT", product}, {"WHOUSE", whouse}, {"UNIT", unit}};
    for (const auto& v : texts)
        if (!written([&] { return row.put(v.first, core::Value::text(v.second)); }, "REPLACE", row))
            return false;
    const std::pair<const char*, double> numbers[] = {
        {"QTY", qty}, {"CASH", r.cash}, {"DRCR", r.drcr}, {"CHEQUE", r.cheque}, {"BORROW", r.borrow}};
    for (const auto& v : numbers)
        if (!written([&] { return row.putNumber(row.fieldIndex(v.first), v.second); }, "REPLACE", row))
            return false;
    if (!written([&] { return row.putDate(row.fieldIndex("DATE"), date(src, f.date)); }, "REPLACE", row))
        return false;

    const double apBegin = supplier ? begin : 0, apBbegin = supplier ? loan : 0;
    const double arBegin = customer ? begin : 0, arBbegin = customer ? loan : 0;
    const std::string product10 = core::xbase::padRight(product, 10);
    const std::string whouse10 = core::xbase::padRight(whouse, 10);
    const std::string party10 = core::xbase::padRight(party, 10);
    if (stock != 0 &&
        !addToLedger(ws, "stock", product10 + whouse10, {{"CODE", product10}, {"WHOUSE", whouse10}}, {{"BEGIN", stock}}))
        return false;
    if ((apBegin != 0 || apBbegin != 0) &&
        !addToLedger(ws, "apacc", party10, {{"CODE", party10}}, {{"BEGIN", apBegin}, {"BBEGIN", apBbegin}}))
        return false;
    if ((arBegin != 0 || arBbegin != 0) &&
        !addToLedger(ws, "aracc", party10, {{"CODE", party10}}, {{"BEGIN", arBegin}, {"BBEGIN", arBbegin}}))
        return false;
    return true;
}

bool buildMovementAnalysis(storage::Workspace& ws, core::Date start, const std::string& indexKey,
                           const std::string& reportName, Relations* relations)
{
    using storage::WorkTable;
    // 1. The work table.
    if (!createWorkTable(ws, WorkTable::MovementAnalysis))
        return false;
    // 2. The opening values start from the current balances.
    if (!openTable(ws, "Stock", "stock") || !openTable(ws, "ApAcc", "apacc") ||
        !openTable(ws, "ArAcc", "aracc"))
        return stop(ws);
    if (!resetOpening(ws, "stock", false) || !resetOpening(ws, "apacc", true) || !resetOpening(ws, "aracc", true))
        return stop(ws);
    // 3. Completed tickets of the five weighing kinds, on their date order.
    const std::string cdrv2 = core::programSettings().text("CDRV2");
    for (int n = 1; n <= 5; ++n) {
        if (!storage::OPENTRK(ws, cdrv2, "Wdata" + std::to_string(n), "wdata") || !walkFrom(ws, start, n, true))
            return stop(ws);
    }
    // 4. Vouchers of the four kinds.
    for (int n = 1; n <= 4; ++n) {
        if (!openTable(ws, "Money" + std::to_string(n), "wdata") || !walkFrom(ws, start, n + 5, false))
            return stop(ws);
    }
    // 5. Production lines, in the order of their own index (the file every workstation keeps on
    // INDENT+RECORD): each line dated from the start on.
    if (!openTable(ws, "Detail3", "wdata"))
        return stop(ws);
    {
        storage::Table& lines = *ws.find("wdata");
        const int docDate = lines.fieldIndex("DOC_DATE");
        for (storage::Status s = lines.goTop(); !lines.eof(); s = lines.skip()) {
            if (!s.ok())
                return stop(ws);
            if (lines.deleted() || date(lines, docDate) < start)
                continue;
            if (!REVCALC(ws, 10))
                return stop(ws);
        }
    }
    (void)ws.close("wdata");
    // 7. The order and the relations.
    if (!indexWorkTable(ws, WorkTable::MovementAnalysis, indexKey, reportName))
        return false;
    const std::pair<const char*, const char*> links[] = {
        {"Company", "COMPANY"}, {"Farmer", "FARMER"}, {"Product", "PRODUCT"},
        {"aracc", "COMPANY"},   {"apacc", "FARMER"},  {"stock", "PRODUCT+WHOUSE"}};
    for (const auto& [child, key] : links)
        if (ws.find(child))
            (void)(relations ? relations->add("detail", child, key) : ws.setRelation("detail", child, key));
    (void)ws.select("detail");
    return true;
}

bool buildBalanceSummary(storage::Workspace& ws, core::Date from, core::Date to, const std::string& indexKey,
                         const std::string& reportName)
{
    using storage::WorkTable;
    if (!createWorkTable(ws, WorkTable::BalanceSummary))
        return false;
    struct Totals {
        double cash = 0, drcr = 0, cheque = 0, balance = 0, borrow = 0;
    };
    std::vector<std::pair<std::string, Totals>> rows;

    // Current balances of the ledgers: every record not marked for deletion.
    const std::pair<const char*, const char*> ledgers[] = {
        {"Stock", "ยอดสินค้าคงเหลือ"}, {"ApAcc", "ยอดเจ้าหนี้คงเหลือ"}, {"ArAcc", "ยอดลูกหนี้คงเหลือ"}};
    for (const auto& [table, description] : ledgers) {
        if (!openTable(ws, table, "wdata"))
            return stop(ws);
        storage::Table& t = *ws.find("wdata");
        const int balance = t.fieldIndex("BALANCE"), borrow = t.fieldIndex("BORROW");
        Totals sum;
        for (storage::Status s = t.goTop(); !t.eof(); s = t.skip()) {
            if (!s.ok())
                return stop(ws);
            if (t.deleted())
                continue;
            sum.balance += number(t, balance);
            sum.borrow += number(t, borrow);
        }
        rows.push_back({T(description), sum});
    }
    // Totals of the documents dated in the range: completed tickets, vouchers.
    static constexpr const char* kDocuments[] = {
        "ยอดการรับซื้อสินค้าเข้า", "ยอดการส่งคืนสินค้า", "ยอดการขายสินค้าออก", "ยอดการรับคืนสินค้า", "ยอดการรับจ้างชั่ง",
        "ยอดการจ่ายเงิน",        "ยอดการรับเงิน",      "ยอดการให้ยืมเงิน",    "ยอดการขอยืมเงิน"};
    const std::string cdrv2 = core::programSettings().text("CDRV2");
    for (int n = 1; n <= 9; ++n) {
        const bool ticket = n <= 5;
        const bool opened = ticket ? storage::OPENTRK(ws, cdrv2, "Wdata" + std::to_string(n), "wdata")
                                   : openTable(ws, "Money" + std::to_string(n - 5), "wdata");
        if (!opened)
            return stop(ws);
        storage::Table& t = *ws.find("wdata");
        const int day = t.fieldIndex(ticket ? "DAYIN" : "DATE"), stat = t.fieldIndex("STAT");
        const int cash = t.fieldIndex("CASH"), drcr = t.fieldIndex("DRCR"), cheque = t.fieldIndex("CHEQUE");
        const std::string last = to.dtos();
        Totals sum;
        for (storage::Status s = t.seek(from.dtos(), true); !t.eof(); s = t.skip()) {
            if (!s.ok())
                return stop(ws);
            if (text(t, day) > last)
                break;
            if (t.deleted() || (ticket && text(t, stat) != "2"))
                continue;
            sum.cash += number(t, cash);
            sum.drcr += number(t, drcr);
            sum.cheque += number(t, cheque);
        }
        rows.push_back({T(kDocuments[n - 1]), sum});
    }
    (void)ws.close("wdata");

    storage::Table& work = *ws.find("detail");
    static constexpr const char* kCodes[] = {"01", "02", "03", "10", "20", "30", "40", "50", "60", "70", "80", "90"};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Totals& v = rows[i].second;
        const std::pair<const char*, double> numbers[] = {{"CASH", v.cash},       {"DRCR", v.drcr},
                                                          {"CHEQUE", v.cheque},   {"QTY", 0},
                                                          {"BALANCE", v.balance}, {"BORROW", v.borrow}};
        bool ok = written([&] { return work.append(); }, "APPEND", work) &&
                  written([&] { return work.put("CODE", core::Value::text(kCodes[i])); }, "REPLACE", work) &&
                  written([&] { return work.put("DESCRIPT", core::Value::text(rows[i].first)); }, "REPLACE", work);
        for (const auto& n : numbers)
            ok = ok && written([&] { return work.putNumber(work.fieldIndex(n.first), n.second); }, "REPLACE", work);
        if (!ok)
            return stop(ws);
    }
    if (!indexWorkTable(ws, WorkTable::BalanceSummary, indexKey, reportName))
        return false;
    (void)ws.select("detail");
    return true;
}

}  // namespace reports
