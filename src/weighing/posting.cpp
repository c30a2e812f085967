#include "weighing/posting.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "audit/audit.h"
#include "core/paths.h"
#include "core/prompts.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/ops.h"
#include "storage/os.h"
#include "weighing/kept_marks.h"
#include "weighing/ticket_store.h"

namespace weighing {
namespace {

using core::tis620::T;

bool isZeroMoney(double v)
{
    return core::xbase::roundDecimal(v, 2) == 0;
}

// A message shown now, or kept for later in `deferred` (while a save holds its document locked:
// nothing is asked of the person while other workstations may be waiting for that lock).
void tellOrDefer(std::vector<std::pair<std::string, std::string>>* deferred, const std::string& text,
                 const std::string& title)
{
    if (deferred)
        deferred->emplace_back(text, title);
    else
        core::prompts().message(core::MessageKind::Info, text, title);
}

bool orderControl(const core::Settings& s)
{
    return core::xbase::alltrim(s.text("CORCTRL")) == "1";
}

// ACCOUNT: "1" once nothing of the on-account part is open, else " ".
void flagTicket(PostingRun& run)
{
    const bool settled = isZeroMoney(run.number("DRCR") - run.number("CLEAR"));
    run.writeDocument({{"ACCOUNT", core::Value::text(settled ? "1" : " ")}});
}

// Tickets with goods: stock row, account row, the ticket's flag, then the sales order.
void postGoodsTicket(PostingRun& run, int direction)
{
    const storage::TicketLedgerSigns* signs = storage::ticketLedgerSigns(run.kind().code);
    if (!signs)
        return;
    const int stockSign = signs->stock * direction;
    const int accountSign = signs->account * direction;

    const std::string product = paddedCode(run.text("PRODUCT"));
    const std::string whouse = paddedCode(run.text("WHOUSE"));
    const std::string company = paddedCode(run.text("COMPANY"));
    run.addToRow("Stock", product + whouse, {{"CODE", product}, {"WHOUSE", whouse}},
                 {{"BALANCE", run.number("QTY") * stockSign}});

    const double open = run.number("DRCR") - run.number("CLEAR");
    if (!isZeroMoney(open))
        run.addToRow("Account", company, {{"CODE", company}}, {{"BALANCE", open * accountSign}});
    flagTicket(run);

    // The order is the one the record names as it stands: a reversal takes the weight off the order
    // the stored ticket quoted, the new posting (after the write) puts it on the one now typed -
    // so clearing or changing the number on an edit moves the weight, never strands it.
    const std::string stored = run.text("REMARK4");
    if (!orderControl(run.settings()) || !signs->salesOrder || core::xbase::alltrim(stored).empty())
        return;
    const std::string order = core::xbase::padRight(stored.substr(0, std::min<std::size_t>(stored.size(), 10)), 10);
    if (!run.addToExistingRow("Order", company + product + order,
                              {{"WEIGHT", run.number("QTY") * accountSign},
                               {"AMOUNT", run.number("AMOUNT") * accountSign}}))
        run.tell(T("ไม่พบข้อมูลใบสั่งซื้อ เลขที่:") + core::xbase::alltrim(order) + T(" ลูกค้า:") +
                     core::xbase::alltrim(company) + T(" สินค้า:") + core::xbase::alltrim(product),
                 T("  ส่วนตรวจสอบข้อมูลใบสั่งซื้อ"));
}

// The weighing service: the customer's account when part of the fee is not paid in cash or cheque.
void postServiceTicket(PostingRun& run, int direction)
{
    if (!isZeroMoney(run.number("AMOUNT") - run.number("CASH") - run.number("CHEQUE"))) {
        const std::string company = paddedCode(run.text("COMPANY"));
        run.addToRow("Account", company, {{"CODE", company}},
                     {{"BALANCE", (run.number("DRCR") - run.number("CLEAR")) * direction}});
    }
    flagTicket(run);
}

// Locks the selected table's current record, writes, commits and releases every lock but those of
// `keep` (a document a save holds): the write discipline of every step. A failed put goes to the
// error trap (Retry writes again).
template <class Write>
void lockedWrite(storage::Workspace& ws, const storage::Table* keep, Write write)
{
    if (!storage::REC_LOCK(ws))
        return;
    storage::Table* t = ws.current();
    for (;;) {
        const storage::Status s = write(*t);
        if (!faultRetry(s, "REPLACE", t))
            break;
    }
    (void)storage::commitAll(ws);
    (void)storage::unlockAll(ws, keep);
}

// Payments and receipts: what was paid (the deduction from the loan too) comes off the balance,
// the deduction off the loan.
void postPaymentVoucher(PostingRun& run, int direction)
{
    const std::string company = paddedCode(run.text("COMPANY"));
    const double paid = run.number("CASH") + run.number("CHEQUE") + run.number("DRCR");
    run.addToRow("Account", company, {{"CODE", company}},
                 {{"BALANCE", -paid * direction}, {"BORROW", -run.number("DRCR") * direction}});
}

// Loans given and taken raise the loan balance.
void postLoanVoucher(PostingRun& run, int direction)
{
    const std::string company = paddedCode(run.text("COMPANY"));
    run.addToRow("Account", company, {{"CODE", company}},
                 {{"BORROW", (run.number("CASH") + run.number("CHEQUE")) * direction}});
}

// A settlement line (current record of "detail") settles its ticket: "REC" and "INV" one of the
// ticket table opened as "Data1", "CAN" and "RET" one of "Data2", found on its date order by the
// line's DATE, TIME and TICKET. CLEAR never goes below 0; ACCOUNT follows what is still open.
void postSettlementLine(PostingRun& run, int direction)
{
    if (!settledTicketAlias(run.text("TYPE")))
        return;  // "OTH" and anything else settles no ticket
    storage::Workspace& ws = run.workspace();
    if (storage::Table* ticket = settledTicketOfLine(ws)) {
        // A ticket marked deleted is out of the ledgers, and so is what settled it.
        if (!ticket->deleted())
            addToSettled(ws, run.number("AMOUNT") * direction, run.held());
    } else
        run.tell(T("ไม่พบข้อมูลการชั่งเดิม"), T("  Update status ") + run.kind().code);
    run.selectDocument();
}

// A production line moves the stock of its product in its warehouse by its quantity in base units:
// the line's unit's rate from "Unit", a rate of 0 (or a unit not found) counting as 1.
void postProductionLine(PostingRun& run, int direction)
{
    storage::Workspace& ws = run.workspace();
    double rate = 0;
    if (storage::Table* unit = ws.find("Unit"); unit && seekCode(*unit, run.text("UNIT"))) {
        core::Value v;
        if (unit->get("RATE", &v).ok())
            rate = v.asNumber();
    }
    if (rate == 0)
        rate = 1;
    const std::string product = paddedCode(run.text("CODE"));
    const std::string whouse = paddedCode(run.text("WHOUSE"));
    run.addToRow("Stock", product + whouse, {{"CODE", product}, {"WHOUSE", whouse}},
                 {{"BALANCE", run.number("QTY") * rate * direction}});
}

constexpr DocumentKind kKinds[] = {
    {"TRK01", "wdata", nullptr, false, SelfPosting::WhenComplete, postGoodsTicket},
    {"TRK02", "wdata", nullptr, false, SelfPosting::WhenComplete, postGoodsTicket},
    {"TRK03", "wdata", nullptr, false, SelfPosting::WhenComplete, postGoodsTicket},
    {"TRK04", "wdata", nullptr, false, SelfPosting::WhenComplete, postGoodsTicket},
    {"TRK05", "wdata", nullptr, false, SelfPosting::WhenComplete, postServiceTicket},
    {"MON01", "wdata", "MON_1", true, SelfPosting::Always, postPaymentVoucher},
    {"MON02", "wdata", "MON_2", true, SelfPosting::Always, postPaymentVoucher},
    {"MON03", "wdata", nullptr, false, SelfPosting::Always, postLoanVoucher},
    {"MON04", "wdata", nullptr, false, SelfPosting::Always, postLoanVoucher},
    {"MON_1", "detail", nullptr, false, SelfPosting::Always, postSettlementLine},
    {"MON_2", "detail", nullptr, false, SelfPosting::Always, postSettlementLine},
    {"STK01", "wdata", "STK_1", false, SelfPosting::Never, nullptr},
    {"STK_1", "detail", nullptr, false, SelfPosting::Always, postProductionLine},
};

}  // namespace

std::span<const DocumentKind> documentKinds()
{
    return kKinds;
}

namespace {

// A settlement line's TYPE as the rules compare it: trimmed, in capitals.
std::string settlementType(std::string_view type)
{
    return core::xbase::upper(core::xbase::alltrim(type));
}

}  // namespace

const char* settledTicketAlias(std::string_view type)
{
    const std::string t = settlementType(type);
    if (t == "REC" || t == "INV")
        return "Data1";
    if (t == "CAN" || t == "RET")
        return "Data2";
    return nullptr;
}

int settlementSign(std::string_view type)
{
    const std::string t = settlementType(type);
    return t == "CAN" || t == "RET" ? -1 : +1;
}

// The seek is made on the date order; the table is then put back on the order it was on (the
// voucher screen lists open tickets on COMPANY+ACCOUNT), which keeps the position.
storage::Table* seekSettledTicket(storage::Workspace& ws, std::string_view type, const core::Value& date,
                                  std::string_view time, std::string_view ticket)
{
    const char* alias = settledTicketAlias(type);
    storage::Table* tickets = alias ? ws.find(alias) : nullptr;
    if (!tickets || !ws.select(alias).ok())
        return nullptr;
    // The key's parts as a line stores them: TIME in 8 characters and TICKET in 6, as TMIN and
    // TICKET are in the key.
    const std::string key = (date.isDate() ? date.asDate().dtos() : std::string(8, ' ')) +
                            core::xbase::padRight(time, 8) + core::xbase::padRight(ticket, 6);
    const int order = tickets->order();
    if (!tickets->setOrder(storage::kWeighingActiveOrder).ok())
        return nullptr;
    const bool found = tickets->seek(key).ok() && tickets->found();
    (void)tickets->setOrder(order);
    return found ? tickets : nullptr;
}

storage::Table* settledTicketOfLine(storage::Workspace& ws)
{
    storage::Table* line = ws.find("detail");
    if (!line || line->eof())
        return nullptr;
    return seekSettledTicket(ws, textOf(*line, "TYPE"), fieldOf(*line, "DATE"), textOf(*line, "TIME"),
                             textOf(*line, "TICKET"));
}

bool lineMaySettleAgain(storage::Workspace& ws, const storage::Table* keep)
{
    storage::Table* line = ws.find("detail");
    if (!line || line->eof() || !settledTicketAlias(textOf(*line, "TYPE")))
        return true;
    const double amount = numberOf(*line, "AMOUNT");
    storage::Table* ticket = settledTicketOfLine(ws);
    bool may = true;
    if (ticket) {
        may = storage::REC_LOCK(ws) && !ticket->deleted() &&
              core::xbase::roundDecimal(openOnAccount(*ticket) - amount, 2) >= 0;
        if (!may)
            (void)storage::unlockAll(ws, keep);
    }
    (void)ws.select("detail");
    return may;
}

double openOnAccount(storage::Table& t)
{
    return numberOf(t, "DRCR") - numberOf(t, "CLEAR");
}

void addToSettled(storage::Workspace& ws, double amount, const storage::Table* keep)
{
    lockedWrite(ws, keep, [amount](storage::Table& t) {
        const double settled = std::max(numberOf(t, "CLEAR") + amount, 0.0);
        STORAGE_TRY(t.put("CLEAR", core::Value::number(settled, 2)));
        return t.put("ACCOUNT", core::Value::text(isZeroMoney(numberOf(t, "DRCR") - settled) ? "1" : " "));
    });
}

// ---- PostingRun

storage::Table* PostingRun::document()
{
    return m_ws.find(m_kind.alias);
}

void PostingRun::selectDocument()
{
    (void)m_ws.select(m_kind.alias);
}

void PostingRun::tell(const std::string& text, const std::string& title)
{
    tellOrDefer(m_deferred, text, title);
}

std::string PostingRun::text(const char* field)
{
    storage::Table* t = document();
    return t ? textOf(*t, field) : std::string();
}

double PostingRun::number(const char* field)
{
    storage::Table* t = document();
    return t ? numberOf(*t, field) : 0;
}

// On the selected table's current row. The sums are made once, from the row as read under its
// lock, so a put the error trap retries writes the same values again.
void PostingRun::addInPlace(std::initializer_list<std::pair<const char*, double>> deltas)
{
    std::vector<core::Value> sums;
    lockedWrite(m_ws, m_held, [&](storage::Table& row) {
        if (sums.empty()) {
            std::vector<core::Value> made;
            for (const auto& [field, delta] : deltas) {
                core::Value v;
                STORAGE_TRY(row.get(field, &v));
                // Each posting moves the row by its amount in the field's own precision (rounded half
                // away from zero, as the field stores it), so a reversal takes off exactly what the
                // posting put on: 0.125 posted and reversed leaves 0, not 0.01.
                made.push_back(core::Value::number(v.asNumber() + core::xbase::roundDecimal(delta, v.decimals()),
                                                   v.decimals()));
            }
            sums = std::move(made);
        }
        std::size_t i = 0;
        for (const auto& fieldDelta : deltas)
            STORAGE_TRY(row.put(fieldDelta.first, sums[i++]));
        return storage::Status();
    });
}

void PostingRun::addToRow(const char* alias, const std::string& key,
                          std::initializer_list<std::pair<const char*, std::string>> keyFields,
                          std::initializer_list<std::pair<const char*, double>> deltas)
{
    storage::Table* t = m_ws.find(alias);
    if (!t || !m_ws.select(alias).ok())
        return;
    if (!(t->seek(key).ok() && t->found()) && !storage::addKeyedRow(m_ws, key, keyFields, m_held))
        return;
    addInPlace(deltas);
    selectDocument();
}

bool PostingRun::addToExistingRow(const char* alias, const std::string& key,
                                  std::initializer_list<std::pair<const char*, double>> deltas)
{
    storage::Table* t = m_ws.find(alias);
    if (!t || !m_ws.select(alias).ok())
        return false;
    const bool found = t->seek(key).ok() && t->found();
    if (found)
        addInPlace(deltas);
    selectDocument();
    return found;
}

void PostingRun::writeDocument(std::initializer_list<std::pair<const char*, core::Value>> fields)
{
    selectDocument();
    lockedWrite(m_ws, m_held, [&](storage::Table& doc) {
        for (const auto& [field, value] : fields)
            STORAGE_TRY(doc.put(field, value));
        return storage::Status();
    });
}

// ---- Posting

Posting::Posting(storage::Workspace& ws, const core::ValueMap& screenValues, const core::Settings& settings,
                 std::span<const DocumentKind> kinds)
    : m_ws(ws), m_values(screenValues), m_settings(settings), m_kinds(kinds)
{
}

const DocumentKind* Posting::find(std::string_view code) const
{
    for (const DocumentKind& k : m_kinds)
        if (code == k.code)
            return &k;
    return nullptr;
}

bool Posting::UPSTATUS(std::string_view code, int direction, bool noAudit)
{
    const DocumentKind* kind = find(code);
    if (!kind) {
        tellOrDefer(m_held ? &m_deferred : nullptr, T("ไม่พบเงื่อนไข : ") + std::string(code),
                    T("  การคำนวณยอดคงเหลือ"));
        return false;
    }
    PostingRun run(m_ws, m_values, m_settings, *kind, m_held, m_held ? &m_deferred : nullptr);
    run.selectDocument();
    if (kind->post)
        kind->post(run, direction);
    if (direction < 0 && !noAudit) {
        (void)audit::auditReversal(m_ws, code, m_values);
    }
    run.selectDocument();
    return true;
}

bool Posting::postsItself(const DocumentKind* kind, storage::Table& doc) const
{
    if (!kind)
        return true;  // UPSTATUS says the code is unknown
    switch (kind->selfPosting) {
    case SelfPosting::WhenComplete: return readTicketRecord(doc).complete();
    case SelfPosting::Always: return true;
    case SelfPosting::Never: return false;
    }
    return false;
}

// Lines the person had marked before the document's deletion: their RECORD keys, found among
// the document's lines (current record of "wdata", lines in "detail" on INDENT+RECORD).
std::vector<std::string> Posting::handMarkedLines()
{
    std::vector<std::string> records;
    storage::Table* doc = m_ws.find("wdata");
    storage::Table* lines = m_ws.find("detail");
    core::Value indent;
    if (!doc || !lines || !doc->get("INDENT", &indent).ok() || !indent.isText())
        return records;
    (void)m_ws.select("detail");
    for (storage::Status s = lines->seek(indent.asText()); s.ok() && lines->found() && !lines->eof(); s = lines->skip()) {
        core::Value lineIndent, record;
        if (!lines->get("INDENT", &lineIndent).ok() || lineIndent.asText() != indent.asText())
            break;
        if (lines->deleted() && lines->get("RECORD", &record).ok() && record.isText())
            records.push_back(record.asText());
    }
    (void)m_ws.select("wdata");
    return records;
}

// The folder of the line table open as "detail" (where the hand-marked lines are remembered).
std::string Posting::linesFolder()
{
    storage::Table* lines = m_ws.find("detail");
    return lines ? std::filesystem::path(lines->path()).parent_path().string() : std::string();
}

void Posting::walkLines(const DocumentKind& kind, bool undelete, const std::vector<std::string>& keepMarked)
{
    storage::Table* doc = m_ws.find("wdata");
    storage::Table* lines = m_ws.find("detail");
    if (!doc || !lines)
        return;
    core::Value indent;
    if (!doc->get("INDENT", &indent).ok() || !indent.isText())
        return;
    double total = 0;
    std::string keptMarked;  // "TYPE TICKET" of each settlement line left marked, comma separated
    (void)m_ws.select("detail");
    (void)lines->seek(indent.asText());
    while (lines->found() && !lines->eof()) {
        core::Value lineIndent;
        if (!lines->get("INDENT", &lineIndent).ok() || lineIndent.asText() != indent.asText())
            break;
        const std::uint32_t line = lines->recNo();
        const bool marked = lines->deleted();
        core::Value record, type, amount;
        (void)lines->get("RECORD", &record);
        (void)lines->get("TYPE", &type);
        (void)lines->get("AMOUNT", &amount);
        const bool byHand =
            marked && std::find(keepMarked.begin(), keepMarked.end(), record.isText() ? record.asText() : "") !=
                          keepMarked.end();
        if (undelete && !byHand) {
            // The line is locked before its ticket, as a line unmarked on its own is.
            bool revived = !marked;
            if (marked && storage::REC_LOCK(m_ws)) {
                if (!lines->deleted()) {
                    revived = false;  // another workstation took the mark off meanwhile: it posted it
                } else if (!lineMaySettleAgain(m_ws, m_held)) {
                    core::Value number;
                    (void)lines->get("TICKET", &number);
                    keptMarked += (keptMarked.empty() ? "" : ", ") + core::xbase::alltrim(type.asText()) + " " +
                                  core::xbase::alltrim(number.asText());
                } else {
                    for (;;) {
                        const storage::Status s = lines->recall();
                        if (!faultRetry(s, "RECALL", lines))
                            break;
                    }
                    (void)storage::commitAll(m_ws);
                    UPSTATUS(kind.lineCode, +1);
                    revived = true;
                }
                (void)storage::unlockAll(m_ws, m_held);
            }
            if (revived)
                total += settlementSign(type.isText() ? type.asText() : "") * amount.asNumber();
        } else if (!undelete && !marked) {
            UPSTATUS(kind.lineCode, -1, true);
            (void)m_ws.select("detail");
            lockedWrite(m_ws, m_held, [](storage::Table& t) { return t.deleteRecord(); });
        }
        (void)m_ws.select("detail");
        (void)lines->goTo(line);
        (void)lines->skip(1);
        if (lines->eof())
            break;
    }
    if (kind.linesMakeAmount) {
        (void)m_ws.select("wdata");
        const double amount = undelete ? total : 0;
        lockedWrite(m_ws, m_held,
                    [amount](storage::Table& t) { return t.put("AMOUNT", core::Value::number(amount, 2)); });
    }
    (void)m_ws.select("wdata");
    if (!keptMarked.empty())
        tellOrDefer(m_held ? &m_deferred : nullptr, T("รายการที่ใบชั่งถูกชำระไปแล้วยังคงถูกสั่งลบ : ") + keptMarked,
                    T("  การคำนวณยอดคงเหลือ"));
}

bool Posting::PDELETE(std::string_view code)
{
    const DocumentKind* kind = find(code);
    storage::Table* doc = m_ws.find("wdata");
    if (!doc || doc->eof())
        return false;
    (void)m_ws.select("wdata");
    const bool marked = doc->deleted();
    if (!marked && refuseSettledDeletion(kind, *doc))
        return false;
    if (!core::prompts().confirm(T(marked ? "ยกเลิกการสั่งลบข้อมูลนี้" : "สั่งทำเครื่องหมายลบข้อมูลนี้"),
                                 T("  กรุณายืนยันการทำงาน")))
        return false;
    // The mark is changed under the document's lock, read again there: when another workstation
    // deleted or undeleted the document since it was shown, nothing is done - reversing or posting
    // it a second time would double its movements. The lock is held until the document and its
    // lines are reversed or posted again, so of two workstations deleting at once exactly one
    // reverses, and a save over the document (saveOver) comes wholly before or wholly after.
    if (!storage::REC_LOCK(m_ws))
        return false;
    if (doc->deleted() != marked || (!marked && refuseSettledDeletion(kind, *doc))) {
        (void)storage::unlockAll(m_ws);
        return false;
    }
    // The lines marked by hand before a deletion are remembered before anything changes, so that
    // the undeletion leaves them as they were; when that cannot be stored nothing is done.
    std::vector<std::string> keepMarked;
    if (kind && kind->lineCode) {
        if (marked) {
            keepMarked = keptmarks::take(linesFolder(), kind->lineCode, textOf(*doc, "INDENT"));
        } else if (const storage::Status kept =
                       keptmarks::remember(linesFolder(), kind->lineCode, textOf(*doc, "INDENT"), handMarkedLines());
                   !kept.ok()) {
            (void)storage::unlockAll(m_ws);
            (void)m_ws.select("wdata");
            tellOrDefer(nullptr, T("ไม่สามารถบันทึกแฟ้ม ") + std::string(keptmarks::kTableFile) + " : " + kept.message(),
                        T("  กรุณาตรวจสอบ"));
            return false;
        }
        (void)m_ws.select("wdata");
    }
    for (;;) {
        const storage::Status s = marked ? doc->recall() : doc->deleteRecord();
        if (!faultRetry(s, marked ? "RECALL" : "DELETE", doc))
            break;
    }
    (void)storage::commitAll(m_ws);
    hold(*doc);
    if (marked) {
        if (kind && kind->lineCode)
            walkLines(*kind, true, keepMarked);
        if (postsItself(kind, *doc))
            UPSTATUS(code, +1);
        (void)audit::auditDeletion(m_ws, code, false);
    } else {
        if (postsItself(kind, *doc))
            UPSTATUS(code, -1, true);
        if (kind && kind->lineCode)
            walkLines(*kind, false);
        (void)audit::auditDeletion(m_ws, code, true);
    }
    release();
    (void)m_ws.select("wdata");
    return true;
}

// A ticket with a settled part cannot be deleted: the vouchers that settled it would then pay for
// goods out of the ledgers. Their lines are to be deleted first; the person is told which. Vouchers
// and production records have no settled part.
// The numbers of the live vouchers whose live lines settle the ticket `doc` of kind `code`, comma
// separated: payments settle purchases ("REC"/"INV" lines) and returns ("CAN"/"RET") from
// DETAIL1, receipts sales and their returns from DETAIL2. Read as stored, without locks.
std::string Posting::settlingVouchers(std::string_view code, storage::Table& doc)
{
    const bool purchases = code == "TRK01" || code == "TRK02";
    if (!purchases && code != "TRK03" && code != "TRK04")
        return {};
    const char* wantAlias = (code == "TRK01" || code == "TRK03") ? "Data1" : "Data2";
    std::unique_ptr<storage::Table> lines;
    const std::string path = core::paths::join(m_settings.text("CDRV2"), purchases ? "DETAIL1.DBF" : "DETAIL2.DBF");
    if (!storage::Table::open(path, storage::ShareMode::Shared, &lines).ok())
        return {};
    core::Value dayIn;
    (void)doc.get("DAYIN", &dayIn);
    const std::string time = core::xbase::rtrim(textOf(doc, "TMIN"));
    const std::string number = core::xbase::alltrim(textOf(doc, "TICKET"));
    std::set<std::string> seen;
    std::string found;
    for (storage::Status s = lines->goTop(); s.ok() && !lines->eof(); s = lines->skip()) {
        core::Value date;
        if (lines->deleted() || !lines->get("DATE", &date).ok() || !date.isDate() || !dayIn.isDate() ||
            !(date.asDate() == dayIn.asDate()))
            continue;
        const char* alias = settledTicketAlias(textOf(*lines, "TYPE"));
        if (!alias || std::string_view(alias) != wantAlias || core::xbase::rtrim(textOf(*lines, "TIME")) != time ||
            core::xbase::alltrim(textOf(*lines, "TICKET")) != number)
            continue;
        const std::string voucher = core::xbase::alltrim(textOf(*lines, "DOC_NO"));
        if (seen.insert(voucher).second)
            found += (found.empty() ? "" : ", ") + voucher;
    }
    (void)lines->close();
    return found;
}

bool Posting::refuseSettledDeletion(const DocumentKind* kind, storage::Table& doc)
{
    if (!kind || kind->selfPosting != SelfPosting::WhenComplete || isZeroMoney(numberOf(doc, "CLEAR")))
        return false;
    const std::string settling = settlingVouchers(kind->code, doc);
    tellOrDefer(nullptr,
                T("ใบชั่งนี้มีการชำระเงินแล้ว ต้องลบรายการชำระก่อน") +
                    (settling.empty() ? std::string() : T(" ใบสำคัญเลขที่ ") + settling),
                T("  ส่วนการลบข้อมูล"));
    return true;
}

void Posting::hold(storage::Table& document)
{
    m_held = &document;
}

void Posting::release()
{
    m_held = nullptr;
    (void)storage::unlockAll(m_ws);
    std::vector<std::pair<std::string, std::string>> deferred;
    deferred.swap(m_deferred);
    for (const auto& [text, title] : deferred)
        core::prompts().message(core::MessageKind::Info, text, title);
}

Posting::SaveResult Posting::saveOver(std::string_view code, bool reverseStored,
                                      const std::function<bool(storage::Table&)>& stillAsShown,
                                      const std::function<storage::Status(storage::Table&)>& write)
{
    const DocumentKind* kind = find(code);
    const char* alias = kind ? kind->alias : "wdata";
    storage::Table* doc = m_ws.find(alias);
    if (!doc || !m_ws.select(alias).ok() || doc->eof() || !storage::REC_LOCK(m_ws))
        return SaveResult::NotLocked;
    if (stillAsShown && !stillAsShown(*doc)) {
        (void)storage::unlockAll(m_ws);
        return SaveResult::Changed;
    }
    hold(*doc);
    if (reverseStored && postsItself(kind, *doc))
        UPSTATUS(code, -1);
    (void)m_ws.select(alias);
    storage::Status written;
    for (;;) {
        written = write(*doc);
        if (!faultRetry(written, "REPLACE", doc))
            break;
    }
    const bool committed = storage::commitAll(m_ws);
    // Posted as the record now stands even when the write failed, so the ledgers follow it.
    if (postsItself(kind, *doc))
        UPSTATUS(code, +1);
    release();
    (void)m_ws.select(alias);
    return written.ok() && committed ? SaveResult::Saved : SaveResult::WriteFailed;
}

}  // namespace weighing
