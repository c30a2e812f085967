// The ticket screen's weighing evidence: where each weight came from (the indicator by itself, the
// operator's accept, typed by hand) and the records a save leaves, through weighing::evidenceLog();
// the rule of who may type a weight; the check of the lighter weight against the truck's own.
//
// The records of a step are written once its save has stored the ticket, so they carry the number
// the save took: the weighings taken or typed in the step, dated when they were taken, then the save
// with the values as stored. A record that cannot be written does not undo the save - the ticket is
// what the scale weighed and the ledgers already hold it - but the person is told, and the failure
// goes to the error log, so that the gap in the evidence is known.
#include <algorithm>
#include <cmath>

#include "audit/audit.h"
#include "core/clock.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "shell/rights.h"
#include "storage/ops.h"
#include "weighing/ticket_screen.h"
#include "weighing/ticket_store.h"
#include "weighing/ticket_values.h"

namespace weighing {
namespace {

using core::tis620::T;

constexpr int kTruckRightsPosition = 23;  // the truck code table (POPCODE7)
constexpr int kTruckStoreLevel = 4;       // "also change"

std::string setting(const char* name)
{
    return core::xbase::alltrim(core::programSettings().text(name));
}

double settingNumber(const char* name)
{
    const double v = core::xbase::val(setting(name)).value;
    return std::isfinite(v) && v > 0 ? v : 0;
}

// Whole kilograms with thousands separators: "12,340".
std::string kilograms(double kg)
{
    const long long n = std::llround(std::fabs(kg));
    std::string digits = std::to_string(n);
    for (int i = int(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(std::size_t(i), ",");
    return (kg < 0 && n != 0 ? "-" : "") + digits;
}

std::string evidenceTitle()
{
    return T("  ส่วนบันทึกหลักฐานการชั่ง");
}

}  // namespace

void TicketScreen::weightOrigin(int which, const scale::WeightOrigin& origin)
{
    if (which == 1 || which == 2)
        m_origin = origin;
}

void TicketScreen::forgetTakenWeights()
{
    m_taken = {};
    m_origin.reset();
}

void TicketScreen::noteWeightShown()
{
    m_shownWeights = {m_values.number("cWin"), m_values.number("cWout")};
}

void TicketScreen::noteTypedWeight(int which)
{
    const std::size_t i = std::size_t(which - 1);
    const double now = m_values.number(which == 1 ? "cWin" : "cWout");
    if (now == m_shownWeights[i])
        return;
    m_shownWeights[i] = now;
    TakenWeight typed;
    typed.source = char(evidence::Source::Typed);
    typed.date = core::clock().today();
    typed.time = core::timeOfDay();
    m_taken[i] = typed;
    m_values.setText(which == 1 ? "cWinSrc" : "cWoutSrc", typedWeightMark());
}

bool TicketScreen::mayTypeWeights() const
{
    const std::string rule = setting("CMANUALW");
    if (rule == "2")
        return false;
    if (rule == "1")
        return m_level >= 5;
    return setting("CTRACK") == "9417" && m_level > 5;
}

bool TicketScreen::weightTyped(int which) const
{
    return core::xbase::alltrim(m_values.text(which == 1 ? "cWinSrc" : "cWoutSrc")) == typedWeightMark();
}

bool TicketScreen::mayShowEvidence() const
{
    return m_open && m_level >= 5 && mode() == kTicketBrowsing && !m_ws.find(kTicketAlias)->eof();
}

std::vector<EvidenceEntry> TicketScreen::evidenceHistory() const
{
    if (!mayShowEvidence())
        return {};
    return evidenceLog().history(m_kind, core::xbase::alltrim(m_values.text("cTicket")));
}

evidence::Event TicketScreen::ticketEvent(const char* event) const
{
    evidence::Event e;
    e.kind = m_kind;
    e.ticket = core::xbase::alltrim(m_values.text("cTicket"));
    e.event = event;
    return e;
}

bool TicketScreen::recordEvidence(const evidence::Event& e)
{
    const storage::Status s = evidenceLog().append(e);
    if (s.ok())
        return true;
    core::prompts().message(core::MessageKind::Stop,
                            T("บันทึกใบชั่งเรียบร้อยแล้ว แต่บันทึกหลักฐานการชั่งไม่ได้ (") +
                                core::tis620::fromUtf8(s.message()) + T(") กรุณาแจ้งผู้ดูแลระบบ"),
                            evidenceTitle());
    return false;
}

// After a save, delete, undelete or print of the ticket the table stands on: the weighings taken
// or typed in the step (a typed one also into the audit log), then the event with the values as
// stored. `storedWeights`: the weights before an edit, which a weight typed back to its old value
// did not change.
void TicketScreen::recordSave(const char* reason, const std::array<double, 2>& storedWeights)
{
    storage::Table& t = ticketTable();
    if (t.eof())
        return;
    const bool edit = std::string_view(reason) == "EDIT";
    const bool save = edit || std::string_view(reason) == "NEW";
    const std::string key = std::string(kindInfo().code) + "-" + core::xbase::alltrim(textOf(t, "TICKET"));
    bool ok = true;
    for (int which = 1; save && which <= 2; ++which) {
        const std::size_t i = std::size_t(which - 1);
        const double weight = numberOf(t, which == 1 ? "WIN" : "WOUT");
        std::optional<TakenWeight> taken = m_taken[i];
        if (edit && weight != storedWeights[i] && !taken) {
            // Changed with no weighing in an edit: typed, whichever way it reached the value.
            taken = TakenWeight{char(evidence::Source::Typed), {}, core::clock().today(), core::timeOfDay()};
        }
        if (!taken || (edit && weight == storedWeights[i]))
            continue;
        evidence::Event e = ticketEvent(which == 1 ? "WEIGH1" : "WEIGH2");
        e.weight = weight;
        e.source = taken->source;
        e.frame = taken->origin.frame;
        e.port = taken->origin.port;
        e.device = taken->origin.format;
        e.date = taken->date;
        e.time = taken->time;
        ok = recordEvidence(e) && ok;
        const bool typed = taken->source == char(evidence::Source::Typed);
        if (typed)
            (void)audit::writeAuditRow(m_ws, key, kilograms(storedWeights[i]), kilograms(weight),
                                       T(which == 1 ? "ป้อนน้ำหนักรถเข้าเอง" : "ป้อนน้ำหนักรถออกเอง"));
        m_values.setText(which == 1 ? "cWinSrc" : "cWoutSrc", typed ? typedWeightMark() : "");
        if (!ok)
            break;
    }
    (void)m_ws.select(kTicketAlias);
    if (ok) {
        evidence::Event e = ticketEvent(reason);
        e.values = evidence::savedValues(t);
        (void)recordEvidence(e);
    }
    forgetTakenWeights();
}

// Before the save of a ticket that is or becomes complete, in kinds whose screen has the truck
// table: the lighter weight against the truck's stored WEIGHT. Out of tolerance - more than the
// larger of "TruckTolKg" kilograms and "TruckTolPct" per cent of the stored weight, each 0 when
// off - the person sees the three figures and decides; the warning goes into the evidence and the
// audit log either way. A user who may change the truck table may store the weighed one as the
// truck's. False: the person went back to the ticket.
bool TicketScreen::truckWeightCheck()
{
    const TicketStep step = mode();
    const double tolKg = settingNumber("CTRKTOLKG"), tolPct = settingNumber("CTRKTOLPCT");
    storage::Table* truck = m_ws.find("TruckDt");
    const double win = m_values.number("cWin"), wout = m_values.number("cWout");
    if ((tolKg <= 0 && tolPct <= 0) || !truck || win <= 0 || wout <= 0 ||
        !(step == kTicketSecondWeighing || (step == kTicketEdit && m_editStat == "2")))
        return true;
    const std::string code = normalRegistration(m_values.text("cTruck"));
    const bool found = seekCode(*truck, code);
    const double stored = found ? numberOf(*truck, "WEIGHT") : 0;
    (void)m_ws.select(kTicketAlias);
    const double lighter = std::min(win, wout);
    const double difference = std::fabs(lighter - stored);
    if (stored <= 0 || difference <= std::max(tolKg, stored * tolPct / 100))
        return true;

    evidence::Event e = ticketEvent("TRUCKWT");
    e.weight = lighter;
    e.values = {{"TRUCK", kilograms(stored)}, {"WIN", kilograms(win)}, {"WOUT", kilograms(wout)}};
    (void)recordEvidence(e);
    (void)audit::writeAuditRow(m_ws, std::string(kindInfo().code) + "-" + e.ticket, kilograms(stored),
                               kilograms(lighter), T("น้ำหนักรถไม่ตรงกับที่บันทึกไว้"));
    (void)m_ws.select(kTicketAlias);

    const std::string title = T("  ส่วนตรวจสอบน้ำหนักรถ");
    if (!core::prompts().confirm(T("น้ำหนักรถที่บันทึกไว้ ") + kilograms(stored) + T(" กก.\nน้ำหนักที่ชั่งได้ ") +
                                     kilograms(lighter) + T(" กก.\nต่างกัน ") + kilograms(difference) +
                                     T(" กก.\nต้องการบันทึกใบชั่งต่อหรือไม่"),
                                 title))
        return false;
    if (shell::userLevel(kTruckRightsPosition) >= kTruckStoreLevel &&
        core::prompts().confirm(T("บันทึก ") + kilograms(lighter) + T(" กก. เป็นน้ำหนักรถ ") + code + T(" หรือไม่"),
                                title)) {
        // Under the record's lock, as the truck table's editor writes it.
        (void)m_ws.select("TruckDt");
        bool written = seekCode(*truck, code) && storage::REC_LOCK(m_ws);
        written = written && truck->put("WEIGHT", core::Value::number(lighter, 0)).ok();
        written = storage::commitAll(m_ws) && written;
        (void)storage::unlockAll(m_ws);
        (void)m_ws.select(kTicketAlias);
        if (!written)
            core::prompts().message(core::MessageKind::Info, T("บันทึกน้ำหนักรถไม่ได้"), title);
    }
    return true;
}

}  // namespace weighing
