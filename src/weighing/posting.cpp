#include "weighing/posting.h"

#include <cmath>
#include <string>
#include <vector>

#include "core/prompts.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "maintenance/audit.h"
#include "storage/ops.h"
#include "weighing/ticket_store.h"

namespace weighing {
namespace {

using core::tis620::T;

bool isZeroMoney(double v)
{
    return core::xbase::roundDecimal(v, 2) == 0;
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
    const std::string code = run.kind().code;
    const int stockSign = (code == "TRK02" || code == "TRK03") ? -direction : direction;
    const int accountSign = (code == "TRK02" || code == "TRK04") ? -direction : direction;

    const std::string product = paddedCode(run.text("PRODUCT"));
    const std::string whouse = paddedCode(run.text("WHOUSE"));
    const std::string company = paddedCode(run.text("COMPANY"));
    run.addToRow("Stock", product + whouse, {{"CODE", product}, {"WHOUSE", whouse}},
                 {{"BALANCE", run.number("QTY") * stockSign}});

    const double open = run.number("DRCR") - run.number("CLEAR");
    if (!isZeroMoney(open))
        run.addToRow("Account", company, {{"CODE", company}}, {{"BALANCE", open * accountSign}});
    flagTicket(run);

    const std::string number = core::xbase::alltrim(run.screenValues().text("cRemark4"));
    if (!orderControl(run.settings()) || (code != "TRK03" && code != "TRK04") || number.empty())
        return;
    const std::string stored = run.text("REMARK4");
    const std::string order = core::xbase::padRight(stored.substr(0, std::min<std::size_t>(stored.size(), 10)), 10);
    if (!run.addToExistingRow("Order", company + product + order,
                              {{"WEIGHT", run.number("QTY") * accountSign},
                               {"AMOUNT", run.number("AMOUNT") * accountSign}}))
        core::prompts().message(core::MessageKind::Info,
                                T("ไม่พบข้อมูลใบสั่งซื้อ เลขที่:") + core::xbase::alltrim(order) + T(" ลูกค้า:") +
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

constexpr DocumentKind kKinds[] = {
    {"TRK01", "wdata", nullptr, false, SelfPosting::WhenComplete, postGoodsTicket},
    {"TRK02", "wdata", nullptr, false, SelfPosting::WhenComplete, postGoodsTicket},
    {"TRK03", "wdata", nullptr, false, SelfPosting::WhenComplete, postGoodsTicket},
    {"TRK04", "wdata", nullptr, false, SelfPosting::WhenComplete, postGoodsTicket},
    {"TRK05", "wdata", nullptr, false, SelfPosting::WhenComplete, postServiceTicket},
};

// Locks the selected table's current record, writes, commits and releases every lock: the write
// discipline of every step. A failed put goes to the error trap (Retry writes again).
template <class Write>
void lockedWrite(storage::Workspace& ws, Write write)
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
    (void)storage::unlockAll(ws);
}

}  // namespace

std::span<const DocumentKind> documentKinds()
{
    return kKinds;
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

std::string PostingRun::text(const char* field)
{
    core::Value v;
    storage::Table* t = document();
    return t && t->get(field, &v).ok() && v.isText() ? v.asText() : std::string();
}

double PostingRun::number(const char* field)
{
    core::Value v;
    storage::Table* t = document();
    return t && t->get(field, &v).ok() && v.isNumber() ? v.asNumber() : 0;
}

// On the selected table's current row. The sums are made once, from the row as read under its
// lock, so a put the error trap retries writes the same values again.
void PostingRun::addInPlace(std::initializer_list<std::pair<const char*, double>> deltas)
{
    std::vector<core::Value> sums;
    lockedWrite(m_ws, [&](storage::Table& row) {
        if (sums.empty()) {
            std::vector<core::Value> made;
            for (const auto& [field, delta] : deltas) {
                core::Value v;
                STORAGE_TRY(row.get(field, &v));
                // Balances are added as computed, with no rounding of their own beyond the field's.
                made.push_back(core::Value::number(v.asNumber() + delta, v.decimals()));
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
    if (!(t->seek(key).ok() && t->found())) {
        if (!storage::ADD_REC(m_ws))
            return;
        for (;;) {
            storage::Status s;
            for (const auto& [field, value] : keyFields)
                if (s.ok())
                    s = t->put(field, core::Value::text(value));
            if (!faultRetry(s, "APPEND", t))
                break;
        }
        (void)storage::commitAll(m_ws);
        (void)storage::unlockAll(m_ws);
    }
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
    lockedWrite(m_ws, [&](storage::Table& doc) {
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
        core::prompts().message(core::MessageKind::Info, T("ไม่พบเงื่อนไข : ") + std::string(code),
                                T("  การคำนวณยอดคงเหลือ"));
        return false;
    }
    PostingRun run(m_ws, m_values, m_settings, *kind);
    run.selectDocument();
    if (kind->post)
        kind->post(run, direction);
    if (direction < 0 && !noAudit) {
        (void)maintenance::auditReversal(m_ws, code, m_values);
    }
    run.selectDocument();
    return true;
}

void Posting::walkLines(const DocumentKind& kind, bool undelete)
{
    storage::Table* doc = m_ws.find("wdata");
    storage::Table* lines = m_ws.find("detail");
    if (!doc || !lines)
        return;
    core::Value indent;
    if (!doc->get("INDENT", &indent).ok() || !indent.isText())
        return;
    double total = 0;
    (void)m_ws.select("detail");
    (void)lines->seek(indent.asText());
    while (lines->found() && !lines->eof()) {
        core::Value lineIndent;
        if (!lines->get("INDENT", &lineIndent).ok() || lineIndent.asText() != indent.asText())
            break;
        const std::uint32_t line = lines->recNo();
        const bool marked = lines->deleted();
        if (undelete) {
            core::Value amount;
            if (lines->get("AMOUNT", &amount).ok())
                total += amount.asNumber();
            if (marked) {
                lockedWrite(m_ws, [](storage::Table& t) { return t.recall(); });
                UPSTATUS(kind.lineCode, +1);
            }
        } else if (!marked) {
            UPSTATUS(kind.lineCode, -1, true);
            (void)m_ws.select("detail");
            lockedWrite(m_ws, [](storage::Table& t) { return t.deleteRecord(); });
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
        lockedWrite(m_ws, [amount](storage::Table& t) { return t.put("AMOUNT", core::Value::number(amount, 2)); });
    }
    (void)m_ws.select("wdata");
}

bool Posting::PDELETE(std::string_view code)
{
    const DocumentKind* kind = find(code);
    storage::Table* doc = m_ws.find("wdata");
    if (!doc || doc->eof())
        return false;
    (void)m_ws.select("wdata");
    const bool marked = doc->deleted();
    if (!core::prompts().confirm(T(marked ? "ยกเลิกการสั่งลบข้อมูลนี้" : "สั่งทำเครื่องหมายลบข้อมูลนี้"),
                                 T("  กรุณายืนยันการทำงาน")))
        return false;
    auto postsItself = [&] {
        if (!kind)
            return true;  // UPSTATUS says the code is unknown
        switch (kind->selfPosting) {
        case SelfPosting::WhenComplete: return readTicketRecord(*doc).complete();
        case SelfPosting::Always: return true;
        case SelfPosting::Never: return false;
        }
        return false;
    };
    if (marked) {
        lockedWrite(m_ws, [](storage::Table& t) { return t.recall(); });
        if (kind && kind->lineCode)
            walkLines(*kind, true);
        if (postsItself())
            UPSTATUS(code, +1);
        (void)maintenance::auditDeletion(m_ws, code, false);
    } else {
        if (postsItself())
            UPSTATUS(code, -1, true);
        if (kind && kind->lineCode)
            walkLines(*kind, false);
        (void)m_ws.select("wdata");
        lockedWrite(m_ws, [](storage::Table& t) { return t.deleteRecord(); });
        (void)maintenance::auditDeletion(m_ws, code, true);
    }
    (void)m_ws.select("wdata");
    return true;
}

}  // namespace weighing
