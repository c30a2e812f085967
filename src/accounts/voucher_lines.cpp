#include "accounts/voucher_lines.h"

#include <algorithm>
#include <iterator>

#include "accounts/voucher_screen.h"
#include "core/clock.h"
#include "core/paths.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/ops.h"
#include "storage/os.h"
#include "weighing/posting.h"
#include "weighing/ticket_store.h"

namespace accounts {
namespace {

using core::tis620::T;
using weighing::FieldValue;
using weighing::fieldOf;
using weighing::textOf;

constexpr const char* kSelectionAlias = "DataSel";

double money(double v)
{
    return core::xbase::roundDecimal(v, 2);
}

// Whether a total still fits the voucher's AMOUNT field.
bool fitsAmount(storage::Table& vouchers, double total)
{
    const int i = vouchers.layout().find("AMOUNT");
    if (i < 0)
        return false;
    const storage::Field& f = vouchers.layout().fields()[std::size_t(i)];
    std::string scratch;
    return core::xbase::formatFixed(total, f.length, f.decimals, scratch);
}

}  // namespace

// ---- The line dialog

VoucherLineEditor::VoucherLineEditor(VoucherScreen& screen, bool newLine) : LineEditor(newLine), m_screen(screen)
{
    storage::Table* d = screen.workspace().find("Detail");
    if (!newLine && d && !d->eof()) {
        loadLineValues(*d, m_values, {"TYPE", "TICKET", "DATE", "TIME", "AMOUNT"});
        m_oldAmount = m_values.number("cdAmount");
        m_oldLine = {m_values.text("cdType"), m_values.text("cdTicket"), m_values.get("cdDate"), m_values.text("cdTime")};
        return;
    }
    m_values.setText("cdType", "");
    m_values.setText("cdTicket", "");
    m_values.set("cdDate", core::Value::date(core::clock().today()));
    m_values.setText("cdTime", core::timeOfDay());
    m_values.setNumber("cdAmount", 0, 2);
}

std::vector<ScreenField> VoucherLineEditor::fields() const
{
    return {
        {1, 0, T("ประเภท"), "cdType", "@!", 3, -1, true},
        {2, 0, T("เลขเอกสาร"), "cdTicket", "@!", 6},
        {3, 0, T("วันที่"), "cdDate", ""},
        {3, 0, "", "cdTime", "99:99:99"},
        {4, 0, T("จำนวนเงิน"), "cdAmount", "999,999,999.99", 0, -1, true},
    };
}

bool VoucherLineEditor::validate(const std::string& name)
{
    if (core::xbase::equalsNoCase(name, "cdType")) {
        const std::string type = core::xbase::upper(core::xbase::alltrim(m_values.text("cdType")));
        if (type.empty()) {
            m_screen.MNDTFILL();
            return false;
        }
        m_values.setText("cdType", type);
        return validLineType(type);
    }
    if (core::xbase::equalsNoCase(name, "cdAmount"))
        return money(m_values.number("cdAmount")) <= kMaxAmount;
    return true;
}

bool VoucherLineEditor::complete() const
{
    return validLineType(m_values.text("cdType")) && !core::xbase::alltrim(m_values.text("cdTicket")).empty() &&
           m_values.get("cdDate").isDate() && !m_values.get("cdDate").asDate().isEmpty() &&
           money(m_values.number("cdAmount")) > 0;
}

std::vector<FieldValue> VoucherLineEditor::lineValues() const
{
    return {
        {"TYPE", core::Value::text(core::xbase::upper(core::xbase::alltrim(m_values.text("cdType"))))},
        {"TICKET", m_values.get("cdTicket")},
        {"DATE", m_values.get("cdDate")},
        {"TIME", m_values.get("cdTime")},
        {"AMOUNT", m_values.get("cdAmount")},
    };
}

bool VoucherLineEditor::checkFit()
{
    const double amount = money(m_values.number("cdAmount"));
    if (amount > kMaxAmount)
        return false;  // the field refuses it
    const double total = m_screen.lineTotal() - (newLine() ? 0 : weighing::settlementSign(m_oldLine.type) * m_oldAmount) +
                         weighing::settlementSign(m_values.text("cdType")) * amount;
    if (!fitsAmount(*m_screen.workspace().find("Wdata"), total)) {
        core::prompts().message(core::MessageKind::Info, weighing::misfitText(m_screen.fieldLabel("AMOUNT")),
                                T("  ส่วนบันทึกข้อมูล"));
        return false;
    }
    return withinOpenAmount(amount);
}

// A line settling a ticket may settle at most what the ticket still has open (DRCR - CLEAR), plus
// what this line settled before when it is changed and still names the same ticket: more would
// leave CLEAR above DRCR, the ticket settled beyond what was owed. A ticket that is not there is
// left to the posting, which settles nothing and says so.
bool VoucherLineEditor::withinOpenAmount(double amount)
{
    storage::Workspace& ws = m_screen.workspace();
    storage::Table* before = nullptr;
    std::uint32_t beforeRecord = 0;
    if (!newLine()) {
        before = weighing::seekSettledTicket(ws, m_oldLine.type, m_oldLine.date, m_oldLine.time, m_oldLine.ticket);
        beforeRecord = before ? before->recNo() : 0;
    }
    storage::Table* ticket = weighing::seekSettledTicket(ws, m_values.text("cdType"), m_values.get("cdDate"),
                                                         m_values.text("cdTime"), m_values.text("cdTicket"));
    if (ticket && ticket->deleted()) {
        (void)ws.select("Wdata");
        core::prompts().message(core::MessageKind::Info,
                                T("ใบชั่ง ") + core::xbase::alltrim(m_values.text("cdTicket")) + T(" ถูกสั่งลบแล้ว"),
                                T("  ส่วนบันทึกข้อมูล"));
        return false;
    }
    double open = ticket ? money(weighing::openOnAccount(*ticket)) : 0;
    if (ticket && ticket == before && ticket->recNo() == beforeRecord)
        open = money(open + m_oldAmount);
    (void)ws.select("Wdata");
    if (!ticket || amount <= open)
        return true;
    core::prompts().message(core::MessageKind::Info,
                            T("จำนวนเงินเกินยอดค้างของใบชั่ง ") + core::xbase::alltrim(m_values.text("cdTicket")) +
                                T(" ยอดค้าง ") + core::xbase::alltrim(core::xbase::str(std::max(open, 0.0), 15, 2)),
                            T("  ส่วนบันทึกข้อมูล"));
    return false;
}

// ---- The ticket selection

TicketSelection::TicketSelection(VoucherScreen& screen) : m_screen(screen), m_ws(screen.workspace())
{
    const std::pair<const char*, const char*> columns[] = {
        {"เลือก", "Check"},
        {"ประเภท", "Type"},
        {" เลขที่", "Ticket"},
        {"   วันที่ ", "DTOC(Date)"},
        {"   เวลา", "Time"},
        {"ยอดเต็ม  ", "TRANSFORM(Total, '999,999,999.99')"},
        {"ยอดลงบัญชี", "TRANSFORM(DrCr, '999,999,999.99')"},
        {"ยอดค้าง  ", "TRANSFORM(Amount, '999,999,999.99')"},
    };
    for (std::size_t i = 0; i < std::size(columns); ++i)
        m_columns.push_back({T(columns[i].first), columns[i].second, i >= 5});
}

std::unique_ptr<TicketSelection> TicketSelection::create(VoucherScreen& screen)
{
    std::unique_ptr<TicketSelection> s(new TicketSelection(screen));
    if (!s->fill())
        return nullptr;
    return s;
}

TicketSelection::~TicketSelection()
{
    m_browse.reset();
    m_source.reset();
    (void)m_ws.close(kSelectionAlias);
    for (const char* alias : {"Data1", "Data2"})
        if (storage::Table* t = m_ws.find(alias))
            (void)t->setOrder(int(std::size(storage::kWeighingOrders)));
    (void)m_ws.select("Wdata");
}

std::string TicketSelection::title()
{
    return T("  ข้อมูลการชั่งรับ/ส่งสินค้า");
}

std::array<std::string, 6> TicketSelection::buttonCaptions()
{
    return {T("เลือก"), T("ไม่เลือก"), T("เลือกหมด"), T("ไม่เลือกหมด"), T("ตรงกันข้าม"), T("ตกลง")};
}

bool TicketSelection::rowMarked(const std::vector<std::string>& cells)
{
    return !cells.empty() && core::xbase::alltrim(cells[0]) == "/";
}

std::size_t TicketSelection::rowCount()
{
    storage::Table* t = m_ws.find(kSelectionAlias);
    return t ? t->recCount() : 0;
}

bool TicketSelection::fill()
{
    const core::Settings& settings = core::programSettings();
    const std::string name =
        storage::workTablePrefix(storage::WorkTable::TicketSelection) + core::xbase::alltrim(settings.text("CUSER"));
    const std::string folder = settings.text("CDRV4");
    const std::string dbf = core::paths::join(folder, name + ".DBF");
    // Made anew each time; the same user selecting on another workstation holds it meanwhile.
    const auto fields = storage::fieldSpecs(storage::workTableFields(storage::WorkTable::TicketSelection));
    const storage::Status made = storage::retryWhileLocked([&] { return storage::Table::create(dbf, fields, true); },
                                                           int(storage::kOpenWait * 1000));
    if (!made.ok()) {
        core::prompts().message(core::MessageKind::Info, T("ไม่สามารถเปิดแฟ้ม ") + name, T("ส่วนการเปิดแฟ้ม"));
        return false;
    }
    if (!storage::OPEN(m_ws, folder, name, storage::kTicketSelectionKey, true, name, name, kSelectionAlias))
        return false;
    const VoucherKind& k = m_screen.kindInfo();
    fillFrom("Data1", k.firstType);
    fillFrom("Data2", k.secondType);
    storage::Table& rows = *m_ws.find(kSelectionAlias);
    (void)rows.commit();
    (void)rows.goTop();
    std::vector<std::string> expressions;
    for (const weighing::BrowseColumn& c : m_columns)
        expressions.push_back(c.expression);
    if (!storage::TableRowSource::create(rows, expressions, &m_source).ok())
        return false;
    m_browse = std::make_unique<codes::TableBrowse>(m_ws, kSelectionAlias, *m_source);
    (void)m_ws.select(kSelectionAlias);
    return true;
}

// Every live ticket of the voucher's partner whose ACCOUNT is blank, found on COMPANY+ACCOUNT.
void TicketSelection::fillFrom(const char* alias, const char* type)
{
    storage::Table* tickets = m_ws.find(alias);
    storage::Table& rows = *m_ws.find(kSelectionAlias);
    storage::Table& voucher = *m_ws.find("Wdata");
    if (!tickets || voucher.eof())
        return;
    const std::string partner = weighing::paddedCode(textOf(voucher, "COMPANY"));
    (void)tickets->setOrder(int(std::size(storage::kWeighingOrders)));
    for (storage::Status s = tickets->seek(partner + " "); s.ok() && tickets->found() && !tickets->eof();
         s = tickets->skip()) {
        if (textOf(*tickets, "COMPANY") != partner || textOf(*tickets, "ACCOUNT") != " ")
            break;
        if (tickets->deleted())
            continue;
        const double drcr = fieldOf(*tickets, "DRCR").asNumber();
        const std::pair<const char*, core::Value> row[] = {
            {"Type", core::Value::text(type)},
            {"Check", core::Value::text(" ")},
            {"Ticket", fieldOf(*tickets, "TICKET")},
            {"Date", fieldOf(*tickets, "DAYIN")},
            {"Time", fieldOf(*tickets, "TMIN")},
            {"Total", core::Value::number(fieldOf(*tickets, "AMOUNT").asNumber(), 2)},
            {"DrCr", core::Value::number(drcr, 2)},
            {"Amount", core::Value::number(money(drcr - fieldOf(*tickets, "CLEAR").asNumber()), 2)},
        };
        if (!rows.append().ok())
            return;
        for (const auto& [field, value] : row)
            (void)rows.put(field, value);
    }
}

void TicketSelection::MNFILLCHK(int mode)
{
    storage::Table& rows = *m_ws.find(kSelectionAlias);
    auto set = [&](bool marked) { (void)rows.put("Check", core::Value::text(marked ? "/" : " ")); };
    auto marked = [&] { return textOf(rows, "Check") == "/"; };
    if (mode >= 1 && mode <= 3) {
        if (!m_browse->sync())
            return;
        set(mode == 1 ? !marked() : mode == 2);
    } else if (mode >= 4 && mode <= 6) {
        const std::uint32_t at = rows.eof() ? 0 : rows.recNo();
        for (std::uint32_t r = 1; r <= rows.recCount(); ++r) {
            if (!rows.goTo(r).ok())
                break;
            set(mode == 4 ? true : mode == 5 ? false : !marked());
        }
        if (at != 0)
            (void)rows.goTo(at);
    }
    (void)rows.commit();
    m_browse->follow();
}

void TicketSelection::accept()
{
    m_accepted = true;
    storage::Table& rows = *m_ws.find(kSelectionAlias);
    struct Marked {
        std::string type, ticket, time;
        core::Value date;
        double amount;
    };
    std::vector<Marked> marked;
    for (storage::Status s = rows.goTop(); s.ok() && !rows.eof(); s = rows.skip())
        if (textOf(rows, "Check") == "/")
            marked.push_back({core::xbase::alltrim(textOf(rows, "Type")), textOf(rows, "Ticket"), textOf(rows, "Time"),
                              fieldOf(rows, "Date"), fieldOf(rows, "Amount").asNumber()});
    m_settledElsewhere = false;
    m_deletedElsewhere = false;
    for (const Marked& m : marked) {
        if (m_stopped)
            break;
        settle(m.type, m.ticket, m.date, m.time, m.amount);
    }
    if (m_settledElsewhere)
        core::prompts().message(core::MessageKind::Info,
                                T("ใบชั่งบางรายการถูกชำระจากเครื่องอื่นแล้ว จึงไม่ได้นำมาลงรายการ"), title());
    if (m_deletedElsewhere)
        core::prompts().message(core::MessageKind::Info,
                                T("ใบชั่งบางรายการถูกสั่งลบจากเครื่องอื่นแล้ว จึงไม่ได้นำมาลงรายการ"), title());
    (void)m_ws.select(kSelectionAlias);
}

// One marked row: its ticket settled whole and a line of the voucher for what that settled. The
// open amount is read again under the ticket's lock - another workstation may have settled part or
// all of it since the list was made - and the line carries what CLEAR actually moved by (CLEAR
// becomes DRCR), so a line and its ticket always agree. Nothing is left open that a line does not
// account for: a ticket with nothing open any more gets no line (the person is told once, after
// the selection), and when the line cannot be stored the ticket's settlement is taken back. A
// ticket marked deleted meanwhile gets no line either. A ticket that is not there still gives a
// line of the listed amount, as nothing was settled.
void TicketSelection::settle(const std::string& type, const std::string& ticket, const core::Value& date,
                             const std::string& time, double listedAmount)
{
    storage::Table& vouchers = *m_ws.find("Wdata");
    auto tooWide = [&] {
        core::prompts().message(core::MessageKind::Info, weighing::misfitText(m_screen.fieldLabel("AMOUNT")),
                                T("  ส่วนบันทึกข้อมูล"));
        m_stopped = true;
    };
    double amount = money(listedAmount);
    const int sign = weighing::settlementSign(type);
    storage::Table* tickets = weighing::seekSettledTicket(m_ws, type, date, time, ticket);
    const std::uint32_t recno = tickets ? tickets->recNo() : 0;
    if (tickets) {
        if (!storage::REC_LOCK(m_ws))
            return;
        // A deleted ticket is out of the ledgers: settling it would move an account it no longer
        // counts in.
        if (tickets->deleted()) {
            (void)storage::unlockAll(m_ws);
            m_deletedElsewhere = true;
            return;
        }
        const double settled = std::max(fieldOf(*tickets, "DRCR").asNumber(), 0.0);
        amount = money(settled - fieldOf(*tickets, "CLEAR").asNumber());
        if (amount <= 0 || !fitsAmount(vouchers, m_screen.lineTotal() + sign * amount)) {
            (void)storage::unlockAll(m_ws);
            if (amount > 0)
                tooWide();
            else if (money(listedAmount) > 0)
                m_settledElsewhere = true;
            return;
        }
        for (;;) {
            storage::Status s = tickets->put("CLEAR", core::Value::number(settled, 2));
            if (s.ok())
                s = tickets->put("ACCOUNT", core::Value::text("1"));
            if (!weighing::faultRetry(s, "REPLACE", tickets))
                break;
        }
        (void)storage::commitAll(m_ws);
        (void)storage::unlockAll(m_ws);
    } else {
        core::prompts().message(core::MessageKind::Info, T("ไม่พบข้อมูลยอดเดิม"), T("  การคำนวณยอดคงเหลือ"));
        if (amount <= 0)
            return;
        if (!fitsAmount(vouchers, m_screen.lineTotal() + sign * amount)) {
            tooWide();
            return;
        }
    }
    if (m_screen.appendLine({{"TYPE", core::Value::text(type)},
                             {"TICKET", core::Value::text(ticket)},
                             {"DATE", date},
                             {"TIME", core::Value::text(time)},
                             {"AMOUNT", core::Value::number(amount, 2)}})) {
        m_screen.values().setNumber("cTotal", money(m_screen.lineTotal() + sign * amount), 2);
        return;
    }
    m_stopped = true;
    if (tickets && m_ws.select(weighing::settledTicketAlias(type)).ok() && tickets->goTo(recno).ok())
        weighing::addToSettled(m_ws, -amount);
    (void)m_ws.select("Wdata");
}

}  // namespace accounts
