// The ticket screen's save (TRSAVE): the checks, the running number of a new ticket, the reversal
// of an edited complete ticket, the write of every field and the posting of a complete one.
#include <cmath>
#include <functional>
#include <optional>

#include "core/clock.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/ops.h"
#include "weighing/doc_print.h"
#include "weighing/payment.h"
#include "weighing/posting.h"
#include "weighing/ticket_screen.h"
#include "weighing/ticket_store.h"
#include "weighing/ticket_values.h"

namespace weighing {
namespace {

using core::tis620::T;

std::string saveTitle()
{
    return T("  ส่วนบันทึกข้อมูล");
}

void tell(const char* utf8, const std::string& title)
{
    core::prompts().message(core::MessageKind::Info, T(utf8), title);
}

}  // namespace

std::vector<std::pair<std::string, core::Value>> TicketScreen::recordValues(const std::string& stat,
                                                                           const std::string& ticket)
{
    const TicketKind& k = kindInfo();
    std::vector<std::pair<std::string, core::Value>> out;
    auto add = [&](const char* field, const char* value) { out.emplace_back(field, m_values.get(value)); };
    out.emplace_back("STAT", core::Value::text(stat));
    out.emplace_back("TICKET", core::Value::text(ticket));
    out.emplace_back("TRUCK", core::Value::text(normalRegistration(m_values.text("cTruck"))));
    add("COMPANY", k.partyValue);
    if (k.goods) {
        add("PRODUCT", "cProduct");
        add("WHOUSE", "cWhouse");
        add("UNIT", "cUnit");
        if (k.moistureGrades) {
            add("MOISTURE", "cMoisture");
            add("MIXTURE", "cMixture");
        } else {
            add("QUALITY", "cQuality");
            add("REMARK4", "cRemark4");
        }
        add("REMARK1", "cRemark1");
        add("REMARK2", "cRemark2");
        add("REMARK3", "cRemark3");
        add("ADJ_W1", "cAdj_W1");
        add("ADJ_W2", "cAdj_W2");
        add("ADJ_W3", "cAdj_W3");
        add("ADJ_M1", "cAdj_M1");
        add("ADJ_M2", "cAdj_M2");
        add("ADJ_M3", "cAdj_M3");
    } else {
        add("REMARK1", "cRemark1");
    }
    add("DAYIN", "cDayin");
    add("TMIN", "cTmin");
    add("WIN", "cWin");
    add("DAYOUT", "cDayOut");
    add("TMOUT", "cTmOut");
    add("WOUT", "cWout");
    if (k.goods) {
        add("PRICE", "cPrice");
        add("QTY", "cQty");
    }
    add("AMOUNT", "cAmount");
    add("CASH", "cCash");
    add("DRCR", "cDrCr");
    if (k.goods) {
        add("CHEQUE", "cCheque");
        add("CHQ_NO", "cChq_No");
        add("CHQ_BANK", "cChq_Bank");
        add("RATE", "cRate");
    }
    out.emplace_back("STAFF", core::Value::text(core::programSettings().text("CUSER")));
    return out;
}

// How the person knows a field that does not fit: its caption on the screen.
std::string TicketScreen::fieldLabel(const std::string& field) const
{
    static const std::pair<const char*, const char*> labels[] = {
        {"AMOUNT", "จำนวนเงิน"}, {"CASH", "เงินสด"},        {"DRCR", "ลงบัญชี"},        {"CHEQUE", "เช็ค"},
        {"PRICE", "ราคา"},       {"QTY", "น้ำหนักคงเหลือ"}, {"WIN", "น้ำหนักรถเข้า"}, {"WOUT", "น้ำหนักรถออก"},
        {"RATE", "อัตราหน่วย"},
    };
    if (!kindInfo().goods && field == "AMOUNT")
        return T("ค่าชั่ง");
    for (const auto& [name, label] : labels)
        if (field == name)
            return T(label);
    for (int i = 0; i < 3; ++i) {
        if (field == "ADJ_W" + std::to_string(i + 1))
            return core::xbase::alltrim(m_config->adjustCaptions[std::size_t(i)]);
        if (field == "ADJ_M" + std::to_string(i + 1))
            return core::xbase::alltrim(m_config->adjustCaptions[std::size_t(i + 3)]);
    }
    return field;
}

// Kind 3 with order control: a sale that reaches or exceeds what the sales order still has open is
// worth a word, nothing more - the save goes on.
bool TicketScreen::orderLimitWarning()
{
    storage::Table& t = ticketTable();
    storage::Table* order = m_ws.find("Order");
    const std::string number = textOf(t, "REMARK4");
    if (!order || t.eof() || core::xbase::alltrim(number).empty())
        return false;
    const std::string key = paddedCode(textOf(t, "COMPANY")) + paddedCode(textOf(t, "PRODUCT")) +
                            core::xbase::padRight(number.substr(0, std::min<std::size_t>(number.size(), 10)), 10);
    const bool found = order->seek(key).ok() && order->found();
    bool warn = false;
    if (found) {
        double weight = numberOf(*order, "ORWEIGHT") - numberOf(*order, "WEIGHT");
        double amount = numberOf(*order, "ORAMOUNT") - numberOf(*order, "AMOUNT");
        if (mode() == kTicketEdit) {
            weight += numberOf(t, "QTY");
            amount += numberOf(t, "AMOUNT");
        }
        weight -= m_values.number("cQty");
        amount -= m_values.number("cAmount");
        warn = weight <= 0 || amount <= 0;
    }
    (void)m_ws.select(kTicketAlias);
    if (warn)
        tell("ยอดขายเกินกว่าจำนวนสั่ง", T("  ส่วนการตรวจสอบยอดการสั่ง"));
    return warn;
}

// The stored ticket changed on another workstation since the weighing or edit began (completed or
// deleted): the person is told and shown the ticket as it is stored now.
void TicketScreen::storedStateChanged()
{
    tell("ใบชั่งนี้ถูกบันทึกหรือสั่งลบจากเครื่องอื่นแล้ว", saveTitle());
    setMode(kTicketBrowsing);
    m_values.setNumber("CPOS", ticketTable().eof() ? 0 : ticketTable().recNo());
    m_cursor->forget();
    TRDISP();
}

// TRSAVE, in the order of its steps: what is shown must be complete and balanced; every value must
// fit its field before anything is written, the running number included; a new ticket takes its
// number and is appended; then the stored ticket is written over (and posted) under its lock.
bool TicketScreen::TRSAVE()
{
    const TicketStep step = mode();
    if (step < kTicketNew || step > kTicketEdit || !m_open)
        return false;
    const std::string title = saveTitle();
    std::vector<FieldValue> record;
    if (!saveChecksPass(title) || !truckWeightCheck() || !buildSavedRecord(step, title, &record))
        return false;
    const std::array<double, 2> storedWeights =
        step == kTicketNew ? std::array<double, 2>{}
                           : std::array<double, 2>{numberOf(ticketTable(), "WIN"), numberOf(ticketTable(), "WOUT")};
    if (step == kTicketNew && !appendNewTicket(record))
        return false;
    if (!writeOverStored(step, record))
        return false;
    recordSave(step == kTicketEdit ? "EDIT" : "NEW", storedWeights);
    if (step == kTicketSecondWeighing && core::prompts().confirm(T("พิมพ์ใบชั่งน้ำหนัก"), T("  ส่วนการพิมพ์ใบชั่ง")) &&
        PROPRN(m_ws, m_values, ticketForm(m_kind, false, '2'), false) == PrintResult::Printed)
        recordSave("PRINT", {});
    setMode(kTicketBrowsing);
    (void)m_ws.select(kTicketAlias);
    notify();
    return true;
}

bool TicketScreen::saveChecksPass(const std::string& title)
{
    const std::vector<std::string> missing = missingFields(false);
    if (!missing.empty()) {
        tell("การระบุข้อมูลยังไม่ครบถ้วน", title);
        reportMissing(missing.front());
        return false;
    }
    if (m_values.number("cWin") < 0 || m_values.number("cWout") < 0) {
        tell("ไม่รับน้ำหนักชั่งที่ติดลบ", title);
        return false;
    }
    // Recalculated before the payment check, so the amount checked is the amount stored.
    calc().WEIGHCALC();
    if (!paymentBalances(m_values)) {
        tell("บันทึกการจ่ายเงินยังไม่ถูกต้อง", title);
        return false;
    }
    if (m_kind == kSaleTicket && core::xbase::alltrim(core::programSettings().text("CORCTRL")) == "1" &&
        !core::xbase::alltrim(m_values.text("cRemark4")).empty())
        orderLimitWarning();
    return true;
}

bool TicketScreen::buildSavedRecord(TicketStep step, const std::string& title, std::vector<FieldValue>* record)
{
    storage::Table& t = ticketTable();
    const TicketRecord stored = readTicketRecord(t);
    const std::string stat = step == kTicketNew ? "1" : step == kTicketSecondWeighing ? "2" : stored.stat;
    const std::string ticket = step == kTicketNew ? std::string(6, '0') : m_values.text("cTicket");
    for (auto& [field, value] : recordValues(stat, ticket)) {
        const int i = t.layout().find(field);
        record->push_back({field, i < 0 ? value : asFieldType(value, t.layout().fields()[std::size_t(i)].type)});
    }
    const std::string misfit = firstMisfit(t, *record);
    if (!misfit.empty()) {
        core::prompts().message(core::MessageKind::Info, misfitText(fieldLabel(misfit)), title);
        return false;
    }
    return true;
}

bool TicketScreen::appendNewTicket(std::vector<FieldValue>& record)
{
    const std::optional<std::string> taken = storage::takeNumber(kindInfo().code);
    if (!taken)
        return false;  // no number, no document: nothing is written
    (void)m_ws.select(kTicketAlias);
    if (!storage::ADD_REC(m_ws))
        return false;
    m_values.setText("cTicket", *taken);
    for (FieldValue& fv : record)
        if (fv.field == "TICKET")
            fv.value = core::Value::text(*taken);
    return true;
}

// The check, the reversal of an edited complete ticket, the write and the posting of a complete
// one under one hold of the ticket's lock: the stored ticket must still be what the weighing or
// edit began with (not deleted, a second weighing's still open), and another workstation deleting
// or saving it meanwhile waits until the new values are in and posted. An edit is refused, as the
// edit button refuses it, when a voucher settled part of the ticket meanwhile (on another
// workstation, after this screen read it). Whatever happens, the ticket as stored is shown.
bool TicketScreen::writeOverStored(TicketStep step, const std::vector<FieldValue>& record)
{
    const std::string expected = step == kTicketSecondWeighing ? std::string("1") : m_editStat;
    bool settledMeanwhile = false;
    std::function<bool(storage::Table&)> stillAsShown;
    if (step != kTicketNew)
        stillAsShown = [&expected, &settledMeanwhile, step](storage::Table& stored) {
            const TicketRecord now = readTicketRecord(stored);
            settledMeanwhile = step == kTicketEdit && now.drcr > 0 && now.clear > 0;
            return !now.atEnd && !now.deleted && now.stat == expected && !settledMeanwhile;
        };
    Posting posting(m_ws, m_values);
    (void)m_ws.select(kTicketAlias);
    const Posting::SaveResult saved =
        posting.saveOver(kindInfo().code, step == kTicketEdit, stillAsShown,
                         [&record](storage::Table& stored) { return putAll(stored, record); });
    if (saved == Posting::SaveResult::NotLocked)
        return false;
    if (saved == Posting::SaveResult::Changed) {
        if (settledMeanwhile) {
            core::prompts().message(core::MessageKind::Info, T("รายการนี้มีบันทึกการชำระแล้ว"), T("  ไม่อนุญาตให้แก้ไขข้อมูล"));
            setMode(kTicketBrowsing);
            m_cursor->forget();
            TRDISP();
        } else {
            storedStateChanged();
        }
        return false;
    }
    // Failed: what is stored (and posted as it stands) is shown; the person weighs or edits it again.
    if (saved == Posting::SaveResult::WriteFailed)
        setMode(kTicketBrowsing);
    m_values.setNumber("CPOS", ticketTable().recNo());
    m_cursor->forget();
    TRDISP();
    return saved == Posting::SaveResult::Saved;
}

}  // namespace weighing
