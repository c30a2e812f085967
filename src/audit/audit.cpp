#include "audit/audit.h"

#include "core/clock.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "expr/contexts.h"
#include "expr/functions.h"
#include "storage/fault_bridge.h"
#include "storage/ops.h"
#include "storage/workspace_context.h"

namespace audit {
namespace {

using core::tis620::T;

#define TRK_ALL "TRK01,TRK02,TRK03,TRK04,TRK05"
#define TRK_GOODS "TRK01,TRK02,TRK03,TRK04"
#define MON_ALL "MON01,MON02,MON03,MON04"

// The old value is read from the stored record, the new one from the screen's edit buffer; numbers
// are compared as STR() texts of the field's own width and decimals (a narrower STR() turns a large
// amount into stars, and the row would say nothing), dates as DTOC().
// One row of the audited-fields table: the old value read from the stored record, the new value
// from the screen's edit buffer (both expression texts, evaluated when the row is written), the
// Thai label stored in DESCRIP, and the document kinds the row applies to ("TRK01,TRK02").
struct AuditedField {
    const char* oldValue;
    const char* newValue;
    const char* labelUtf8;
    const char* kinds;
};

constexpr AuditedField kFields[] = {
    {"wdata->Ticket", "cTicket", "เลขที่ใบชั่ง", TRK_ALL "," MON_ALL},
    {"wdata->Truck", "cTruck", "ทะเบียนรถ", TRK_ALL},
    {"wdata->Company", "cFarmer", "รหัสผู้ขาย", "TRK01,TRK02,MON01,MON03"},
    {"wdata->Company", "cCompany", "รหัสลูกค้า", "TRK03,TRK04,TRK05,MON02,MON04"},
    {"wdata->Product", "cProduct", "รหัสสินค้า", TRK_GOODS},
    {"wdata->WHouse", "cWHouse", "รหัสคลังสินค้า", TRK_GOODS},
    {"wdata->Unit", "cUnit", "รหัสหน่วยนับ", TRK_GOODS},
    {"wdata->Moisture", "cMoisture", "ค่าความชื้น", "TRK01,TRK02"},
    {"wdata->Mixture", "cMixture", "ค่าสิ่งเจือปน", "TRK01,TRK02"},
    {"wdata->Quality", "cQuality", "ค่าคุณภาพ", "TRK03,TRK04"},
    {"wdata->Remark1", "cRemark1", "หมายเหตุ 1", TRK_ALL "," MON_ALL},
    {"wdata->Remark2", "cRemark2", "หมายเหตุ 2", TRK_GOODS "," MON_ALL},
    {"wdata->Remark3", "cRemark3", "หมายเหตุ 3", TRK_GOODS "," MON_ALL},
    {"wdata->Remark4", "cRemark4", "หมายเหตุ 4", "TRK03,TRK04"},
    {"str(wdata->Adj_W1,10,2)", "str(cAdj_W1,10,2)", "ปรับน้ำหนัก 1", TRK_GOODS},
    {"str(wdata->Adj_W2,10,2)", "str(cAdj_W2,10,2)", "ปรับน้ำหนัก 2", TRK_GOODS},
    {"str(wdata->Adj_W3,10,2)", "str(cAdj_W3,10,2)", "ปรับน้ำหนัก 3", TRK_GOODS},
    {"str(wdata->Adj_M1,12,2)", "str(cAdj_M1,12,2)", "ปรับเงิน 1", TRK_GOODS},
    {"str(wdata->Adj_M2,12,2)", "str(cAdj_M2,12,2)", "ปรับเงิน 2", TRK_GOODS},
    {"str(wdata->Adj_M3,12,2)", "str(cAdj_M3,12,2)", "ปรับเงิน 3", TRK_GOODS},
    {"dtoc(wdata->Date)", "dtoc(cDate)", "วันที่เอกสาร", MON_ALL},
    {"dtoc(wdata->DayIn)", "dtoc(cDayIn)", "วันที่ชั่งเข้า", TRK_ALL},
    {"wdata->TmIn", "cTmIn", "เวลาชั่งเข้า", TRK_ALL},
    {"str(wdata->Win,10,2)", "str(cWin,10,2)", "นน.ชั่งเข้า", TRK_ALL},
    {"dtoc(wdata->DayOut)", "dtoc(cDayOut)", "วันที่ชั่งออก", TRK_ALL},
    {"wdata->TmOut", "cTmOut", "เวลาชั่งออก", TRK_ALL},
    {"str(wdata->WOut,10,2)", "str(cWOut,10,2)", "นน.ชั่งออก", TRK_ALL},
    {"str(wdata->Price,12,3)", "str(cPrice,12,3)", "ราคา", TRK_GOODS},
    {"str(wdata->Cash,12,2)", "str(cCash,12,2)", "เงินสด", TRK_ALL "," MON_ALL},
    {"str(wdata->DrCr,12,2)", "str(cDrCr,12,2)", "ลงบัญชี", TRK_ALL ",MON01,MON02"},
    {"str(wdata->Cheque,12,2)", "str(cCheque,12,2)", "เช็ค", TRK_GOODS "," MON_ALL},
    {"wdata->Chq_No", "cChq_No", "เลขที่เช็ค", TRK_GOODS "," MON_ALL},
    {"wdata->Chq_Bank", "cChq_Bank", "ธนาคาร", TRK_GOODS "," MON_ALL},
    {"str(wdata->Rate,10,3)", "str(cRate,10,3)", "อัตราหน่วย", TRK_GOODS},
    {"str(wdata->Amount,12,2)", "str(cAmount,12,2)", "จำนวนเงิน", TRK_ALL "," MON_ALL},
    {"detail->type", "cdType", "ประเภท", "MON_1,MON_2"},
    {"detail->ticket", "cdTicket", "อ้างถึง", "MON_1,MON_2"},
    {"dtoc(detail->date)", "dtoc(cdDate)", "วันที่อ้างถึง", "MON_1,MON_2"},
    {"detail->time", "cdTime", "เวลาอ้างถึง", "MON_1,MON_2"},
    {"str(detail->amount,12,2)", "str(cdAmount,12,2)", "จำนวนเงิน", "MON_1,MON_2"},
    {"detail->doc_no", "wdata->ticket", "เลขเอกสาร", "MON_1,MON_2,STK_1"},
    {"dtoc(detail->doc_date)", "dtoc(wdata->date)", "วันที่เอกสาร", "MON_1,MON_2,STK_1"},
    {"detail->code", "cdCode", "รหัสสินค้า", "STK_1"},
    {"detail->whouse", "cdWHouse", "รหัสคลังสินค้า", "STK_1"},
    {"detail->unit", "cdUnit", "รหัสหน่วยนับ", "STK_1"},
    {"str(detail->qty,12,3)", "str(cdQty,12,3)", "จำนวน", "STK_1"},
};

#undef TRK_ALL
#undef TRK_GOODS
#undef MON_ALL

// A value as the log stores it: texts as they are, numbers as STR() without a width, dates as
// DTOC(), logicals ".T."/".F.", NIL as nothing.
std::string asLogText(const core::Value& v)
{
    switch (v.type()) {
    case core::Value::Type::Text: return v.asText();
    case core::Value::Type::Number: return expr::str(v);
    case core::Value::Type::Date: return v.asDate().dtoc();
    case core::Value::Type::Nil: return {};
    default: return v.toDisplayText();
    }
}

bool evaluateText(std::string_view text, expr::Context& values, std::string* out)
{
    core::Value v;
    if (!expr::evaluateOnce(text, values, v))
        return false;
    *out = asLogText(v);
    return true;
}

// Keeps the caller's selected work area across a call that selects the log.
class SelectionKeeper {
public:
    explicit SelectionKeeper(storage::Workspace& ws) : m_ws(ws), m_alias(ws.currentAlias()) {}
    ~SelectionKeeper()
    {
        if (!m_alias.empty())
            (void)m_ws.select(m_alias);
    }

private:
    storage::Workspace& m_ws;
    std::string m_alias;
};

// A table call that failed for another reason than a lock goes to the error trap; true when the
// step is to be tried again.
bool retry(const storage::Status& s, const char* operation, storage::Table& t)
{
    return core::raise(storage::toFault(s, operation, t.path())) == core::FaultAnswer::Retry;
}

std::string documentNumber(storage::Workspace& ws)
{
    storage::Table* wdata = ws.find("wdata");
    core::Value v;
    if (!wdata || !wdata->get("TICKET", &v).ok() || !v.isText())
        return {};
    return v.asText();
}

}  // namespace

bool kindListed(std::string_view key, std::string_view kinds)
{
    const std::string_view kind = key.substr(0, 5);
    if (kind.empty())
        return false;
    std::size_t start = 0;
    while (start <= kinds.size()) {
        const std::size_t comma = std::min(kinds.find(',', start), kinds.size());
        if (core::xbase::equalsNoCase(core::xbase::alltrim(kinds.substr(start, comma - start)), kind))
            return true;
        start = comma + 1;
    }
    return false;
}

bool openAudit(storage::Workspace& ws, std::string_view cdrv2, bool exclusive)
{
    return storage::OPEN(ws, cdrv2, kAuditTable, kAuditKey, exclusive, T(kAuditTitleUtf8), kAuditTable, kAuditAlias);
}

bool openAudit(storage::Workspace& ws, bool exclusive)
{
    return openAudit(ws, core::programSettings().text("CDRV2"), exclusive);
}

std::pair<std::string, std::string> auditValues(std::string_view oldData, std::string_view newData, std::size_t width)
{
    if ((oldData.size() <= width && newData.size() <= width) || width <= 2 * kCutMark.size())
        return {std::string(oldData.substr(0, width)), std::string(newData.substr(0, width))};
    std::size_t differ = 0;
    while (differ < oldData.size() && differ < newData.size() && oldData[differ] == newData[differ])
        ++differ;
    // From the start when the first difference shows there, else from a little before it.
    const std::size_t start = differ + kCutMark.size() < width ? 0 : differ - std::min(differ, width / 4);
    const auto shown = [&](std::string_view text) {
        std::string out = start > 0 ? std::string(kCutMark) : std::string();
        const std::string_view rest = start < text.size() ? text.substr(start) : std::string_view();
        if (rest.size() + out.size() <= width)
            return out + std::string(rest);
        return out + std::string(rest.substr(0, width - out.size() - kCutMark.size())) + std::string(kCutMark);
    };
    return {shown(oldData), shown(newData)};
}

bool writeAuditRow(storage::Workspace& ws, std::string_view key, std::string_view oldData, std::string_view newData,
                   std::string_view label)
{
    if (!ws.find(kAuditAlias) && !openAudit(ws))
        return false;
    (void)ws.select(kAuditAlias);
    if (!storage::ADD_REC(ws))
        return false;
    storage::Table& log = *ws.current();
    const int valueField = log.fieldIndex("OLDDATA");
    const auto [oldShown, newShown] = auditValues(
        oldData, newData, valueField < 0 ? oldData.size() : log.layout().fields()[std::size_t(valueField)].length);
    const std::pair<const char*, core::Value> fields[] = {
        {"DATE", core::Value::date(core::clock().today())},
        {"TIME", core::Value::text(core::timeOfDay())},
        {"TICKET", core::Value::text(std::string(key))},
        {"STAFF", core::Value::text(core::programSettings().text("CUSER"))},
        {"OLDDATA", core::Value::text(oldShown)},
        {"NEWDATA", core::Value::text(newShown)},
        {"DESCRIP", core::Value::text(std::string(label))},
    };
    for (const auto& [name, value] : fields) {
        storage::Status s;
        while (!(s = log.put(name, value)).ok())
            if (!retry(s, "REPLACE", log))
                return false;
    }
    storage::Status s;
    while (!(s = log.commit()).ok())
        if (!retry(s, "COMMIT", log))
            return false;
    (void)log.unlock();
    return true;
}

bool AUDITADD(storage::Workspace& ws, expr::Context& values, std::string_view key, std::string_view oldValue,
              std::string_view newValue, std::string_view label, std::string_view kinds)
{
    if (!kindListed(key, kinds))
        return false;
    std::string before, after;
    if (!evaluateText(oldValue, values, &before) || !evaluateText(newValue, values, &after))
        return false;
    // A screen value may hold a code without the blanks its field pads it with.
    if (core::xbase::rtrimView(before) == core::xbase::rtrimView(after))
        return false;
    return writeAuditRow(ws, key, core::xbase::rtrimView(before), core::xbase::rtrimView(after), label);
}

int auditReversal(storage::Workspace& ws, std::string_view code, const core::ValueMap& screenValues)
{
    if (!core::xbase::equalsNoCase(core::xbase::alltrim(core::programSettings().text("CAUDITR")), "Y"))
        return 0;
    SelectionKeeper keep(ws);
    const std::string key = std::string(code) + "-" + documentNumber(ws);
    storage::WorkspaceContext tables(ws);
    expr::ValueMapContext screen(screenValues);
    expr::ValueMapContext settings(core::programSettings());
    expr::ChainContext values({&tables, &screen, &settings});
    int written = 0;
    for (const AuditedField& f : kFields)
        if (AUDITADD(ws, values, key, f.oldValue, f.newValue, T(f.labelUtf8), f.kinds))
            ++written;
    return written;
}

bool auditDeletion(storage::Workspace& ws, std::string_view code, bool deleted)
{
    SelectionKeeper keep(ws);
    const std::string number = documentNumber(ws);
    return writeAuditRow(ws, std::string(code) + "-" + number, number, std::string(10, ' '),
                         T(deleted ? "สั่งลบข้อมูล" : "สั่งยกเลิการลบ"));
}

bool auditReprint(storage::Workspace& ws, std::string_view form, std::string_view documentNumber, int printCount)
{
    SelectionKeeper keep(ws);
    return writeAuditRow(ws, form, documentNumber, std::string(10, ' '),
                         T("พิมพ์ครั้งที่ ") + core::xbase::str(printCount, 2, 0));
}

}  // namespace audit
