#include "accounts/voucher_screen.h"

#include <cmath>
#include <optional>

#include "accounts/voucher_lines.h"
#include "audit/audit.h"
#include "codes/pick_list.h"
#include "core/clock.h"
#include "core/ini_file.h"
#include "core/paths.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "shell/config.h"
#include "storage/ops.h"
#include "weighing/doc_print.h"
#include "weighing/payment.h"
#include "weighing/posting.h"
#include "weighing/ticket_store.h"

namespace accounts {
namespace {

using core::tis620::T;
using weighing::FieldValue;
using weighing::fieldOf;

constexpr const char* kMoney = "999,999,999.99";
// Wide enough for the longest status text and a position in a table of millions.
constexpr int kStatWidth = 13;
constexpr int kRecPWidth = 20;

double money(double v)
{
    return core::xbase::roundDecimal(v, 2);
}

std::string saveTitle()
{
    return T("  ส่วนบันทึกข้อมูล");
}

void tell(const char* utf8, const std::string& title)
{
    core::prompts().message(core::MessageKind::Info, T(utf8), title);
}

// The voucher fields and the screen values they show.
constexpr std::pair<const char*, const char*> kShown[] = {
    {"TICKET", "cTicket"}, {"DATE", "cDate"},     {"REMARK1", "cRemark1"}, {"REMARK2", "cRemark2"},
    {"REMARK3", "cRemark3"}, {"AMOUNT", "cAmount"}, {"CASH", "cCash"},       {"DRCR", "cDrCr"},
    {"CHEQUE", "cCheque"},  {"CHQ_NO", "cChq_No"}, {"CHQ_BANK", "cChq_Bank"},
};

}  // namespace

VoucherConfig readVoucherConfig(int kind)
{
    VoucherConfig c;
    core::IniFile ini(core::paths::native(core::programSettings().text("VARFILE")));
    const std::string stem = std::to_string(kind);
    for (int i = 0; i < 3; ++i) {
        const std::string key = "Remark2" + stem + std::to_string(i + 1);
        c.remarkLabels[std::size_t(i)] = shell::readKey(ini, "Name", key.c_str(), i == 0 ? T("หมายเหตุ") : std::string());
    }
    if (voucherKind(kind).hasLines())
        return c;
    for (int i = 0; i < 3; ++i) {
        weighing::readFormula(ini, c.vars[std::size_t(i)], "Var2" + stem + std::to_string(i + 1));
        weighing::readFormula(ini, c.remarks[std::size_t(i)], "Remark2" + stem + std::to_string(i + 1));
    }
    weighing::readFormula(ini, c.amount, "Amount2" + stem);
    return c;
}

VoucherScreen::VoucherScreen(int kind, int level, DocumentHost& host)
    : DocumentScreen(level, host), m_kind(voucherKind(kind))
{
}

VoucherScreen::~VoucherScreen()
{
    close();
}

std::string VoucherScreen::title() const
{
    return T(m_kind.title);
}

std::string VoucherScreen::payTooltip(int part) const
{
    return part >= 1 && part <= 3 ? T(m_kind.payTooltips[part - 1]) : std::string();
}

bool VoucherScreen::openTables()
{
    if (!openCatalogue(m_ws, "Employee", "Employee") || !openCatalogue(m_ws, m_kind.partyTable, m_kind.partyTable) ||
        !openCatalogue(m_ws, m_kind.accountTable, "Account") || !audit::openAudit(m_ws))
        return false;
    if (m_kind.hasLines()) {
        if (!openCatalogue(m_ws, m_kind.lines, "Detail"))
            return false;
        const std::string cdrv2 = core::programSettings().text("CDRV2");
        for (const auto& [table, alias] : {std::pair{m_kind.data1, "Data1"}, std::pair{m_kind.data2, "Data2"}}) {
            if (!storage::OPENTRK(m_ws, cdrv2, table, alias))
                return false;
            // The selection lists a partner's open tickets on COMPANY+ACCOUNT.
            (void)m_ws.find(alias)->setOrder(int(std::size(storage::kWeighingOrders)));
        }
    }
    if (!openCatalogue(m_ws, m_kind.table, "Wdata"))
        return false;
    (void)m_ws.setRelation("Wdata", m_kind.partyTable, "COMPANY");
    (void)m_ws.select("Wdata");
    return true;
}

void VoucherScreen::readConfig()
{
    m_config = readVoucherConfig(m_kind.number);
}

void VoucherScreen::initialValues()
{
    for (const char* n : {"cTicket", "cFarmer", "cCompany", "cFarName", "cComName", "cRemark1", "cRemark2", "cRemark3",
                          "cChq_No", "cChq_Bank", "cStat", "cRecP"})
        m_values.setText(n, "");
    for (const char* n : {"cAmount", "cCash", "cDrCr", "cCheque", "cTotal"})
        m_values.setNumber(n, 0, 2);
    for (const char* n : {"cLines", "CVAR1", "CVAR2", "CVAR3", "CPOS"})
        m_values.setNumber(n, 0);
    m_values.set("cDate", core::Value::date(core::Date()));
}

// ---- The display

void VoucherScreen::loadVoucher()
{
    storage::Table& t = document();
    for (const auto& [field, value] : kShown)
        m_values.set(value, fieldOf(t, field));
    const core::Value company = fieldOf(t, "COMPANY");
    m_values.set(m_kind.partyValue, company);
    core::Value name = core::Value::text("");
    if (storage::Table* party = m_ws.find(m_kind.partyTable);
        party && company.isText() && weighing::seekCode(*party, company.asText()))
        (void)party->get("NAME", &name);
    m_values.set(m_kind.partyName, name);
}

// The voucher's lines: the live ones counted and summed; every line, marked or not, made to carry
// the voucher's partner, number and date (the number may have been retyped).
void VoucherScreen::walkLines()
{
    int count = 0;
    double total = 0;
    storage::Table& t = document();
    storage::Table* d = lines();
    const std::string key = indent();
    if (d && !t.eof() && !core::xbase::alltrim(key).empty()) {
        const core::Value company = fieldOf(t, "COMPANY");
        const core::Value number = fieldOf(t, "TICKET");
        const core::Value date = fieldOf(t, "DATE");
        (void)m_ws.select("Detail");
        for (storage::Status s = d->seek(key); s.ok() && d->found() && !d->eof(); s = d->skip()) {
            const core::Value lineKey = fieldOf(*d, "INDENT");
            if (!lineKey.isText() || lineKey.asText() != key)
                break;
            if (!d->deleted()) {
                ++count;
                const core::Value type = fieldOf(*d, "TYPE");
                total += weighing::settlementSign(type.isText() ? type.asText() : "") * fieldOf(*d, "AMOUNT").asNumber();
            }
            if (fieldOf(*d, "COMPANY").asText() != company.asText() || fieldOf(*d, "DOC_NO").asText() != number.asText() ||
                !(fieldOf(*d, "DOC_DATE").asDate() == date.asDate()))
                (void)writeFields(*d, {{"COMPANY", company}, {"DOC_NO", number}, {"DOC_DATE", date}},
                                  [](const std::string& f) { return f; });
        }
        (void)m_ws.select("Wdata");
    }
    m_values.setNumber("cLines", count);
    m_values.setNumber("cTotal", money(total), 2);
}

void VoucherScreen::MNDISP(bool keepLinePosition)
{
    if (!m_ws.find("Wdata"))
        return;
    (void)m_ws.select("Wdata");
    // Read again: another workstation may have changed the voucher since this screen read it, and
    // the total written below is compared with what is stored.
    if (!document().eof())
        (void)document().goTo(document().recNo());
    loadVoucher();
    browseState();
    if (m_kind.hasLines()) {
        walkLines();
        scopeLines(indent(), keepLinePosition);
        storage::Table& t = document();
        const double total = m_values.number("cTotal");
        if (!t.eof() && money(fieldOf(t, "AMOUNT").asNumber()) != money(total) &&
            writeFields(t, {{"AMOUNT", core::Value::number(total, 2)}},
                        [this](const std::string& f) { return fieldLabel(f); }))
            m_values.setNumber("cAmount", total, 2);
    }
    (void)m_ws.select("Wdata");
    notify();
}

// ---- New, edit, save

void VoucherScreen::edit(bool isNew)
{
    rememberPosition();
    if (isNew) {
        goToRecord(0);
        MNDISP(false);
        m_values.setText("cTicket", storage::CONSEC(m_kind.code, "R"));
        m_values.set("cDate", core::Value::date(core::clock().today()));
        (void)m_ws.select("Wdata");
    }
    editState(isNew);
    enableFields({m_kind.partyValue, "cDate", "cRemark1", "cRemark2", "cRemark3", "cCash", "cCheque", "cChq_No",
                  "cChq_Bank"});
    if (!isNew)
        enableFields({"cTicket"});
    if (m_kind.hasLines())
        enableFields({"cDrCr"});
    else
        enableFields({"cAmount"});
    setButton(DocButton::Pay1, true);
    setButton(DocButton::Pay2, m_kind.hasLines());
    setButton(DocButton::Pay3, true);
    requestFocus(isNew ? m_kind.partyValue : "cTicket");
    notify();
}

std::string VoucherScreen::fieldLabel(const std::string& field) const
{
    static const std::pair<const char*, const char*> labels[] = {
        {"CASH", "เงินสด"}, {"DRCR", "หักเงินกู้"}, {"CHEQUE", "เช็ค"}, {"TICKET", "เลขที่"}, {"DATE", "วันที่"},
    };
    if (field == "AMOUNT")
        return T(m_kind.amountCaption);
    for (const auto& [name, label] : labels)
        if (field == name)
            return T(label);
    return field;
}

bool VoucherScreen::MNSAVE()
{
    const int step = mode();
    if (step == kBrowsing || !m_ws.find("Wdata"))
        return false;
    if (core::xbase::alltrim(m_values.text(m_kind.partyValue)).empty()) {
        tell("การระบุข้อมูลยังไม่ครบถ้วน", saveTitle());
        reportMissing(m_kind.partyValue);
        return false;
    }
    // The parts must add up to the amount both as magnitudes (the rule of every document) and with
    // their signs: a negative part among positive ones adds up in magnitude, but the ledger would
    // move by a different sum than the amount shown.
    // A payment of more returns than purchases (a receipt likewise) nets to a negative amount: the
    // partner pays it back, every part negative.
    const double parts = m_values.number("cCash") + m_values.number("cDrCr") + m_values.number("cCheque");
    const double magnitudes =
        std::fabs(m_values.number("cCash")) + std::fabs(m_values.number("cDrCr")) + std::fabs(m_values.number("cCheque"));
    if (money(magnitudes) != money(std::fabs(m_values.number("cAmount"))) ||
        money(parts) != money(m_values.number("cAmount"))) {
        tell("บันทึกการจ่ายเงินยังไม่ถูกต้อง", saveTitle());
        return false;
    }
    storage::Table& t = document();
    std::vector<FieldValue> record = {
        {"TICKET", step == kNewDocument ? core::Value::text("000000") : m_values.get("cTicket")},
        {"COMPANY", m_values.get(m_kind.partyValue)},
        {"REMARK1", m_values.get("cRemark1")},
        {"REMARK2", m_values.get("cRemark2")},
        {"REMARK3", m_values.get("cRemark3")},
        {"DATE", m_values.get("cDate")},
        {"AMOUNT", m_values.get("cAmount")},
        {"CASH", m_values.get("cCash")},
        {"DRCR", m_values.get("cDrCr")},
        {"CHEQUE", m_values.get("cCheque")},
        {"CHQ_NO", m_values.get("cChq_No")},
        {"CHQ_BANK", m_values.get("cChq_Bank")},
        {"STAFF", core::Value::text(core::programSettings().text("CUSER"))},
    };
    // Every value must fit its field before anything is written, the running number included.
    const auto label = [this](const std::string& f) { return fieldLabel(f); };
    if (!checkFields(t, record, label))
        return false;

    if (step == kNewDocument) {
        const std::optional<std::string> taken = storage::takeNumber(m_kind.code);
        if (!taken)
            return false;  // no number, no document: nothing is written
        const std::string number = *taken;
        const std::string key = m_kind.hasLines() ? storage::INDENT(m_ws) : std::string();
        (void)m_ws.select("Wdata");
        if (!storage::ADD_REC(m_ws))
            return false;
        record.front().value = core::Value::text(number);
        if (m_kind.hasLines())
            record.push_back({"INDENT", core::Value::text(key)});
        m_values.setText("cTicket", number);
    }
    // An edited voucher is checked, reversed, written and posted again under one hold of its lock:
    // another workstation may have deleted it since it was shown (reversing it then would take it
    // out of the ledger a second time), and one deleting it now waits until the new values are in.
    // A voucher with lines must also still have the total it was edited with: lines added or
    // marked on another workstation meanwhile changed what it settles, and the parts typed here
    // were split over the old total.
    weighing::Posting posting(m_ws, m_values);
    bool totalChanged = false;
    const double shownAmount = money(m_values.number("cAmount"));
    const bool hasLines = m_kind.hasLines();
    const auto saved = posting.saveOver(
        m_kind.code, step != kNewDocument,
        step == kNewDocument ? std::function<bool(storage::Table&)>()
                             : [&](storage::Table& stored) {
                                   if (stored.eof() || stored.deleted())
                                       return false;
                                   totalChanged = hasLines && money(fieldOf(stored, "AMOUNT").asNumber()) != shownAmount;
                                   return !totalChanged;
                               },
        [&record](storage::Table& stored) { return weighing::putAll(stored, record); });
    using Result = weighing::Posting::SaveResult;
    if (saved == Result::NotLocked)
        return false;
    if (saved == Result::Changed)
        tell(totalChanged ? "รายการของเอกสารนี้ถูกแก้ไขจากเครื่องอื่นแล้ว กรุณาตรวจสอบยอดเงินแล้วบันทึกใหม่"
                          : "ข้อมูลนี้ถูกสั่งลบจากเครื่องอื่นแล้ว",
             saveTitle());
    if (saved != Result::Changed)
        m_values.setNumber("CPOS", t.recNo());
    goToRecord(t.recNo());
    setMode(kBrowsing);
    MNDISP(false);
    if (saved != Result::Saved)
        return false;
    if (step == kNewDocument && !m_kind.hasLines() &&
        core::prompts().confirm(T("พิมพ์เอกสารนี้"), T("  ส่วนการพิมพ์เอกสาร"))) {
        (void)weighing::PROPRN(m_ws, m_values, m_kind.form(), false);
        MNDISP(false);
    }
    return true;
}

bool VoucherScreen::PAYCHECK()
{
    storage::Table* t = m_ws.find("Wdata");
    if (t && !t->eof())
        (void)t->goTo(t->recNo());  // as stored now, not as this screen last read it
    if (!t || t->eof() || t->deleted())
        return true;
    const double parts =
        fieldOf(*t, "CASH").asNumber() + fieldOf(*t, "DRCR").asNumber() + fieldOf(*t, "CHEQUE").asNumber();
    if (money(fieldOf(*t, "AMOUNT").asNumber()) == money(parts))
        return true;
    tell("กรุณาแก้ไขวิธีการจ่ายเงิน", T("  บันทึกยอดเงินไม่ถูกต้อง"));
    return false;
}

// ---- Fields and their exits

std::vector<ScreenField> VoucherScreen::fields() const
{
    auto width = [&](const char* table, const char* field) {
        const storage::Table* t = m_ws.find(table);
        const int i = t ? t->layout().find(field) : -1;
        return i < 0 ? 0 : int(t->layout().fields()[std::size_t(i)].length);
    };
    const bool loan = !m_kind.hasLines();
    std::vector<ScreenField> f;
    f.push_back({1, 0, T("เลขที่"), "cTicket", "@9", 6});
    f.push_back({1, 1, "", "cStat", "", kStatWidth, -1, false, true});
    f.push_back({1, 1, "", "cRecP", "", kRecPWidth, -1, false, true});
    f.push_back({2, 0, T("วันที่"), "cDate", ""});
    f.push_back({3, 0, T(m_kind.partyCaption), m_kind.partyValue, "@!", 10, kPosPartner, true});
    f.push_back({3, 1, "", m_kind.partyName, "", width(m_kind.partyTable, "NAME"), -1, false, true});
    for (int i = 0; i < 3; ++i)
        f.push_back({4 + i, 0, m_config.remarkLabels[std::size_t(i)], "cRemark" + std::to_string(i + 1), "",
                     width("Wdata", "REMARK1"), loan ? kPosRemark + i : -1});
    f.push_back({7, 0, T(m_kind.amountCaption), "cAmount", kMoney, 0, loan ? kPosAmount : -1, false, !loan});
    const int base = weighing::kPosPaymentBase;
    f.push_back({8, 0, T("เงินสด"), "cCash", kMoney, 0, base + weighing::kPartCash, false, false, weighing::kPartCash});
    if (!loan)
        f.push_back({9, 0, T("หักเงินกู้"), "cDrCr", kMoney, 0, base + weighing::kPartAccount, false, false,
                     weighing::kPartAccount});
    f.push_back({10, 0, T("เช็ค"), "cCheque", kMoney, 0, base + weighing::kPartCheque, false, false, weighing::kPartCheque});
    f.push_back({10, 1, "", "cChq_No", "@!", width("Wdata", "CHQ_NO")});
    f.push_back({10, 1, "", "cChq_Bank", "@!", width("Wdata", "CHQ_BANK")});
    return f;
}

std::vector<weighing::BrowseColumn> VoucherScreen::lineColumns() const
{
    return {{T("  ประเภท"), "TYPE"},
            {T("  เลขเอกสาร"), "TICKET"},
            {T("   วันที่"), "DTOC(DATE)"},
            {T("จำนวนเงิน  "), "TRANSFORM(AMOUNT, '999,999,999.99')", true}};
}

bool VoucherScreen::validate(const std::string& name)
{
    if (!core::xbase::equalsNoCase(name, m_kind.partyValue))
        return true;
    if (!codes::pickCode(m_ws, m_kind.partyCodeTable, m_values, m_kind.partyValue, "Wdata"))
        return false;
    core::Value partyName = core::Value::text("");
    if (storage::Table* party = m_ws.find(m_kind.partyTable))
        (void)party->get("NAME", &partyName);
    m_values.set(m_kind.partyName, partyName);
    (void)m_ws.select("Wdata");
    return true;
}

void VoucherScreen::recalculate(int position)
{
    if (position > weighing::kPosPaymentBase && position <= weighing::kPosPaymentBase + 3)
        weighing::PAYMENT(m_values, m_kind.payLayout(), position - weighing::kPosPaymentBase);
    else if (!m_kind.hasLines() && position >= kPosPartner && position <= kPosAmount)
        MNPROCSAY(position);
}

void VoucherScreen::payButton(int part)
{
    if (mode() == kBrowsing || (part == weighing::kPartAccount && !m_kind.hasLines()))
        return;
    weighing::PAYBUTTON(m_values, m_kind.payLayout(), part);
}

void VoucherScreen::MNPROCSAY(int field)
{
    if (m_kind.hasLines())
        return;
    expr::Context& context = formulaContext();
    for (int i = 0; i < 3; ++i)
        (void)weighing::applyFormula(m_config.vars[std::size_t(i)], context, m_values, ("CVAR" + std::to_string(i + 1)).c_str());
    for (int r = field + 1; r <= 3 && field < 3; ++r)
        (void)weighing::applyFormula(m_config.remarks[std::size_t(r - 1)], context, m_values,
                                     ("cRemark" + std::to_string(r)).c_str());
    (void)weighing::applyFormula(m_config.amount, context, m_values, "cAmount");
    const double parts = m_values.number("cCash") + m_values.number("cDrCr") + m_values.number("cCheque");
    if (money(parts) != money(m_values.number("cAmount"))) {
        m_values.setNumber("cCash", money(m_values.number("cAmount")), 2);
        m_values.setNumber("cDrCr", 0, 2);
        m_values.setNumber("cCheque", 0, 2);
    }
    (void)m_ws.select("Wdata");
}

// ---- The lines

std::unique_ptr<LineEditor> VoucherScreen::makeLineEditor(bool newLine)
{
    return std::make_unique<VoucherLineEditor>(*this, newLine);
}

std::vector<FieldValue> VoucherScreen::documentLineFields()
{
    std::vector<FieldValue> f = DocumentScreen::documentLineFields();
    f.push_back({"COMPANY", fieldOf(document(), "COMPANY")});
    return f;
}

bool VoucherScreen::MNDTFILL()
{
    std::unique_ptr<TicketSelection> selection = TicketSelection::create(*this);
    if (selection)
        m_host.selectTickets(*selection);
    return false;
}

}  // namespace accounts
