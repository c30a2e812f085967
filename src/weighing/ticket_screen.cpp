#include "weighing/ticket_screen.h"

#include "core/clock.h"
#include "core/prompt_sounds.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/ops.h"
#include "weighing/doc_print.h"
#include "weighing/payment.h"
#include "weighing/posting.h"
#include "weighing/ticket_store.h"
#include "weighing/ticket_values.h"

namespace weighing {
namespace {

using core::tis620::T;

constexpr int kOpenSound = 26;

constexpr std::array<ToolButtonDef, kToolButtons> kToolBar = {{
    {TicketButton::Previous, "prev.bmp", "ใบชั่งก่อนหน้า"},
    {TicketButton::Next, "next.bmp", "ใบชั่งถัดไป"},
    {TicketButton::First, "top.bmp", "ใบชั่งแรกสุด"},
    {TicketButton::Last, "bottom.bmp", "ใบชั่งสุดท้าย"},
    {TicketButton::Weigh, "Process.bmp", "ชั่งรถเข้า-ออก"},
    {TicketButton::Edit, "config.bmp", "แก้ไขข้อมูล"},
    {TicketButton::Delete, "del.bmp", "สั่งลบใบชั่งนี้"},
    {TicketButton::Search, "inspsma.bmp", "ค้นหาใบชั่ง"},
    {TicketButton::Save, "save.bmp", "บันทึกข้อมูล"},
    {TicketButton::Cancel, "cancel.bmp", "ยกเลิกการบันทึก"},
    {TicketButton::Print, "report.bmp", "พิมพ์ใบชั่งนี้"},
    {TicketButton::Exit, "door.bmp", "ออกจากส่วนนี้"},
}};

// Every screen value the dialog binds or formulas may name, created when the screen opens.
constexpr const char* kTextValues[] = {
    "cTicket", "cTruck", "cFarmer", "cCompany", "cFarName", "cComName", "cProduct", "cProName", "cWhouse",
    "cWhoName", "cUnit", "cMoisture", "cMixture", "cQuality", "cMoiName", "cMixName", "cQuaName", "cRemark1",
    "cRemark2", "cRemark3", "cRemark4", "cTmin", "cTmOut", "cChq_No", "cChq_Bank", "cStat", "cRecP", "cTrk",
    "cWinSrc", "cWoutSrc",
};
constexpr const char* kNumberValues[] = {
    "cWin", "cWout", "cNet", "cAdj_W1", "cAdj_W2", "cAdj_W3", "cAdj_M1", "cAdj_M2", "cAdj_M3", "cPrice",
    "cQty", "cAmount", "cRate", "cCash", "cDrCr", "cCheque", "cVar1", "cVar2", "cVar3", "CSTEP", "CPOS",
};

std::string upper(std::string_view s)
{
    return core::xbase::upper(s);
}

}  // namespace

const std::array<ToolButtonDef, kToolButtons>& ticketToolBar()
{
    return kToolBar;
}

TicketScreen::TicketScreen(int kind, int level, TicketHost& host) : m_kind(kind), m_level(level), m_host(host)
{
    (void)ticketKind(kind);  // a kind outside 1..5 is a programming error
}

TicketScreen::~TicketScreen()
{
    close();
}

std::string TicketScreen::title() const
{
    return T(kindInfo().title);
}

TicketStep TicketScreen::mode() const
{
    return TicketStep(int(m_values.number("CSTEP")));
}

std::string TicketScreen::payTooltip(int part) const
{
    return part >= 1 && part <= 3 ? T(kindInfo().payTooltips[part - 1]) : std::string();
}

bool TicketScreen::fieldEnabled(const std::string& name) const
{
    return m_enabledFields.count(upper(name)) > 0;
}

storage::Table& TicketScreen::ticketTable()
{
    return *m_ws.find(kTicketAlias);
}

void TicketScreen::notify()
{
    if (m_listener)
        m_listener->controlsChanged();
}

void TicketScreen::requestFocus(const std::string& target)
{
    m_focus = target;
    if (m_listener)
        m_listener->focusRequested(target);
}

void TicketScreen::setMode(TicketStep mode)
{
    m_values.setNumber("CSTEP", mode);
}

void TicketScreen::enableFields(std::initializer_list<const char*> names)
{
    for (const char* n : names)
        m_enabledFields.insert(upper(n));
}

void TicketScreen::initialValues()
{
    for (const char* n : kTextValues)
        m_values.setText(n, "");
    for (const char* n : kNumberValues)
        m_values.setNumber(n, 0);
    for (const char* n : {"cDayin", "cDayOut"})
        m_values.set(n, core::Value::date(core::Date()));
    m_values.setNumber("cTrusLevel", m_level);
    m_values.setText("cTrk", std::string(kTruckPromptWidth, ' '));
}

bool TicketScreen::open()
{
    (void)m_ws.closeAll();
    if (!openTicketTables(m_kind, m_ws))
        return false;
    m_open = true;
    m_config = std::make_unique<CalcConfig>(readCalcConfig(m_kind));
    initialValues();
    m_calc = std::make_unique<Calculator>(m_kind, *m_config, m_ws, m_values);
    m_cursor = std::make_unique<DocumentCursor>(m_ws, kTicketAlias);
    core::TSOUND(kOpenSound);
    m_cursor->move(kMoveLast);
    TRDISP();
    return true;
}

void TicketScreen::close()
{
    if (!m_open)
        return;
    m_calc.reset();
    m_cursor.reset();
    (void)m_ws.closeAll();
    m_values.clear();
    m_open = false;
}

void TicketScreen::goToRecord(std::uint32_t recno)
{
    storage::Table& t = ticketTable();
    (void)t.goTo(recno == 0 ? t.recCount() + 1 : recno);
    m_cursor->forget();
}

void TicketScreen::TRDISP()
{
    if (!m_open)
        return;
    (void)m_ws.select(kTicketAlias);
    storage::Table& t = ticketTable();
    loadTicketValues(m_kind, m_ws, m_values);
    // The site's variables belong to the ticket shown, as the print command computes them: left
    // from the ticket shown before, a template printing them would print that one's.
    for (const char* var : {"cVar1", "cVar2", "cVar3"})
        m_values.setNumber(var, 0);
    calc().WEIGHCALC();
    calc().applyVarFormulas();
    noteWeightShown();
    m_enabledFields.clear();
    m_values.setText("cRecP", m_cursor->recordPosition());

    m_buttons.fill(false);
    const bool any = t.recCount() > 0;
    const bool marked = !t.eof() && t.deleted();
    setButton(TicketButton::Weigh, true);
    setButton(TicketButton::Delete, any);
    setButton(TicketButton::Edit, any && !marked);
    setButton(TicketButton::Print, any && !marked);
    for (TicketButton b : {TicketButton::Previous, TicketButton::Next, TicketButton::First, TicketButton::Last,
                           TicketButton::Search, TicketButton::Exit})
        setButton(b, true);
    // Rights: 1 look, 2 also print, 3 also weigh, 4 also edit, 5 also delete.
    if (m_level < 2)
        setButton(TicketButton::Print, false);
    if (m_level < 3)
        setButton(TicketButton::Weigh, false);
    if (m_level < 4)
        setButton(TicketButton::Edit, false);
    if (m_level < 5)
        setButton(TicketButton::Delete, false);
    notify();
}

void TicketScreen::editPressed()
{
    storage::Table& t = ticketTable();
    if (!t.eof() && t.deleted()) {
        core::prompts().message(core::MessageKind::Info, T("ข้อมูลนี้ถูกสั่งลบ"), T("  ไม่อนุญาตให้แก้ไขข้อมูล"));
        return;
    }
    TREDIT(false);
}

void TicketScreen::PROCMOVE(int action)
{
    (void)m_ws.select(kTicketAlias);
    if (action == kSearchTickets) {
        std::string error;
        std::unique_ptr<SearchDialogModel> search = SearchDialogModel::create(m_ws, action, &error);
        if (search) {
            m_host.searchDocuments(*search);
            search->close();
        }
        m_cursor->forget();
    } else {
        m_cursor->move(action);
    }
    TRDISP();
}

void TicketScreen::deletePressed()
{
    const TicketRecord before = readTicketRecord(ticketTable());
    Posting(m_ws, m_values).PDELETE(kindInfo().code);
    TRDISP();
    const TicketRecord after = readTicketRecord(ticketTable());
    if (!before.atEnd && after.recno == before.recno && after.deleted != before.deleted)
        recordSave(after.deleted ? "DELETE" : "UNDELETE", {});
}

void TicketScreen::printPressed(bool alternate)
{
    const TicketRecord stored = readTicketRecord(ticketTable());
    const char stat = stored.stat.empty() ? ' ' : stored.stat[0];
    const PrintResult printed = PROPRN(m_ws, m_values, ticketForm(m_kind, alternate, stat), false);
    TRDISP();
    if (printed == PrintResult::Printed)
        recordSave("PRINT", {});
}

void TicketScreen::READW(int which)
{
    // Weighed in without the party and the goods, a ticket holds a weight nobody can account for:
    // they are asked for first.
    if (which == 1) {
        const std::vector<std::string> missing = missingFields(true);
        if (!missing.empty()) {
            core::prompts().message(core::MessageKind::Info,
                                    T("กรุณาระบุ") + caption(missing.front()) + T(" ก่อนชั่งรถเข้า"),
                                    "  " + weighButtonCaption(1));
            reportMissing(missing.front());
            return;
        }
    }
    m_host.readWeight(which, *this);
}

std::vector<std::string> TicketScreen::missingFields(bool forWeighIn) const
{
    const TicketKind& k = kindInfo();
    std::vector<std::string> required;
    if (!forWeighIn)
        required.push_back("cTruck");
    required.push_back(k.partyValue);
    if (k.goods) {
        required.push_back("cProduct");
        required.push_back("cWhouse");
        if (!forWeighIn)
            required.push_back("cUnit");
    }
    std::vector<std::string> missing;
    for (const std::string& name : required)
        if (core::xbase::alltrim(m_values.text(name)).empty())
            missing.push_back(name);
    return missing;
}

std::string fieldCaption(const std::vector<TicketField>& fields, const std::string& name)
{
    for (const TicketField& f : fields)
        if (core::xbase::equalsNoCase(f.name, name) && !f.label.empty())
            return core::xbase::alltrim(f.label);
    return name;
}

void TicketScreen::reportMissing(const std::string& name)
{
    if (m_listener)
        m_listener->fieldMissing(name, T("กรุณาระบุ") + caption(name));
    requestFocus(name);
}

void TicketScreen::receiveWeight(int which, long long kg)
{
    if (which < 1 || which > 2)
        return;
    TakenWeight taken;
    taken.source = char(m_origin && !m_origin->byButton ? evidence::Source::Indicator : evidence::Source::Accepted);
    if (m_origin)
        taken.origin = *m_origin;
    m_origin.reset();
    taken.date = core::clock().today();
    taken.time = core::timeOfDay();
    m_taken[std::size_t(which - 1)] = taken;
    m_shownWeights[std::size_t(which - 1)] = double(kg);
    m_values.setText(which == 1 ? "cWinSrc" : "cWoutSrc", "");
    m_weighed = true;
    m_values.set(which == 1 ? "cWin" : "cWout", core::Value::number(double(kg), 0));
    // A weighing is dated and timed when its weight is taken, not when the ticket was opened: the
    // recorded time is the evidence of when the truck stood on the scale.
    m_values.set(which == 1 ? "cDayin" : "cDayOut", core::Value::date(taken.date));
    m_values.setText(which == 1 ? "cTmin" : "cTmOut", taken.time);
    // The reading stands for the weight field being left: net, amount and the default payment
    // follow it, so the money shown is what the save stores.
    calc().TRPROCSAY(which == 1 ? kPosWeightIn : kPosWeightOut);
}

void TicketScreen::disableWeighButton(int which)
{
    setButton(which == 1 ? TicketButton::WeighIn : TicketButton::WeighOut, false);
    notify();
}

void TicketScreen::enableAndFocusSave()
{
    setButton(TicketButton::Save, true);
    notify();
    requestFocus("save");
}

void TicketScreen::payButton(int part)
{
    PAYBUTTON(m_values, kindInfo().cheque ? kPayFull : kPayCashAccountButton, part);
}

void TicketScreen::recalculate(int position)
{
    if (position > kPosPaymentBase && position <= kPosPaymentBase + 3)
        PAYMENT(m_values, kindInfo().cheque ? kPayFull : kPayCashAccount, position - kPosPaymentBase);
    else if (position >= 0) {
        if ((position == kPosWeightIn || position == kPosWeightOut) && mode() != kTicketBrowsing)
            noteTypedWeight(position == kPosWeightIn ? 1 : 2);
        calc().TRPROCSAY(position);
    }
}

std::array<std::string, 4> TicketScreen::headingBand()
{
    return {T("รายการ"), T("วันที่"), T("เวลา"), T("น้ำหนัก")};
}

std::string TicketScreen::weighButtonCaption(int which)
{
    return T(which == 1 ? "ชั่งรถเข้า" : "ชั่งรถออก");
}

std::string TicketScreen::truckPromptTitle()
{
    return T("  กรุณาระบุทะเบียนรถ");
}

std::string TicketScreen::truckPromptLabel()
{
    return T("ทะเบียนรถ");
}

std::array<std::string, 3> TicketScreen::truckPromptButtons()
{
    return {T("&ตกลง"), T("&ยกเลิก"), "..."};
}

std::vector<TicketField> TicketScreen::fields() const
{
    const TicketKind& k = kindInfo();
    const CalcConfig& c = *m_config;
    auto width = [&](const char* field) {
        const storage::Table* t = m_ws.find(kTicketAlias);
        const int i = t ? t->layout().find(field) : -1;
        return i < 0 ? 0 : int(t->layout().fields()[std::size_t(i)].length);
    };
    auto nameWidth = [&](const char* table) {
        const storage::Table* t = m_ws.find(table);
        const int i = t ? t->layout().find("NAME") : -1;
        return i < 0 ? 40 : int(t->layout().fields()[std::size_t(i)].length);
    };
    const int partyName = nameWidth(k.partyTable);
    // Wide enough for the longest status text and a position in a table of millions.
    constexpr int kStatWidth = 13;
    constexpr int kRecPWidth = 20;
    constexpr int kMarkWidth = 7;  // "ป้อนเอง"
    const std::string money = "999,999,999.99";
    std::vector<TicketField> f;
    if (!k.goods) {
        f.push_back({1, 0, T("เลขที่"), "cTicket", "@9", 6});
        f.push_back({1, 1, "", "cStat", "", kStatWidth, -1, false, true});
        f.push_back({1, 1, "", "cRecP", "", kRecPWidth, -1, false, true});
        f.push_back({2, 0, T("ทะเบียนรถ"), "cTruck", "@!", width("TRUCK")});
        f.push_back({3, 0, T(k.partyCaption), k.partyValue, "@!", 10, kPosCode, true});
        f.push_back({3, 1, "", k.partyName, "", partyName, -1, false, true});
        f.push_back({4, 0, c.remarkCaptions[0], "cRemark1", "", width("REMARK1"), kPosRemark1});
        f.push_back({6, 0, T("รถเข้า"), "cDayin", ""});
        f.push_back({6, 0, "", "cTmin", "99:99:99"});
        f.push_back({6, 0, "", "cWin", "99,999", 0, kPosWeightIn});
        f.push_back({7, 0, T("รถออก"), "cDayOut", ""});
        f.push_back({7, 0, "", "cTmOut", "99:99:99"});
        f.push_back({7, 0, "", "cWout", "99,999", 0, kPosWeightOut});
        f.push_back({6, 1, "", "cWinSrc", "", kMarkWidth, -1, false, true});
        f.push_back({7, 1, "", "cWoutSrc", "", kMarkWidth, -1, false, true});
        f.push_back({8, 0, T("ค่าชั่ง"), "cAmount", money, 0, kPosFee});
        f.push_back({8, 1, T("น้ำหนักสุทธิ"), "cNet", "99,999", 0, -1, false, true});
        f.push_back({9, 0, T("เงินสด"), "cCash", money, 0, kPosPaymentBase + kPartCash, false, false, kPartCash});
        f.push_back({10, 0, T("ลงบัญชี"), "cDrCr", money, 0, kPosPaymentBase + kPartAccount, false, false, kPartAccount});
        return f;
    }
    f.push_back({1, 0, T("เลขที่"), "cTicket", "@9", 6});
    f.push_back({1, 1, T("ทะเบียนรถ"), "cTruck", "@!", width("TRUCK")});
    f.push_back({2, 0, T(k.partyCaption), k.partyValue, "@!", 10, kPosCode, true});
    f.push_back({2, 1, "", k.partyName, "", partyName, -1, false, true});
    f.push_back({3, 0, T("สินค้า"), "cProduct", "@!", 10, kPosCode, true});
    f.push_back({3, 1, "", "cProName", "", nameWidth("Product"), -1, false, true});
    f.push_back({4, 0, T("คลัง"), "cWhouse", "@!", 10, kPosCode, true});
    f.push_back({4, 1, "", "cWhoName", "", nameWidth("WHouse"), -1, false, true});
    f.push_back({5, 0, T("หน่วยนับ"), "cUnit", "@!", 10, kPosCode, true});
    f.push_back({5, 1, c.remarkCaptions[0], "cRemark1", "", width("REMARK1"), kPosRemark1});
    // A grade's name stands beside its code, shorter than the code table's NAME (it scrolls).
    auto gradeName = [&](int row, const char* value, const char* table) {
        f.push_back({row, 0, "", value, "", nameWidth(table), -1, false, true, 0, kGradeNameShown});
    };
    if (k.moistureGrades) {
        f.push_back({6, 0, T("ความชื้น"), "cMoisture", "@!", 10, kPosCode, true});
        gradeName(6, "cMoiName", "Moisture");
        f.push_back({6, 1, c.remarkCaptions[1], "cRemark2", "", width("REMARK2"), kPosRemark1 + 1});
        f.push_back({7, 0, T("สิ่งเจือปน"), "cMixture", "@!", 10, kPosCode, true});
        gradeName(7, "cMixName", "Mixture");
    } else {
        f.push_back({6, 0, T("คุณภาพ"), "cQuality", "@!", 10, kPosCode, true});
        gradeName(6, "cQuaName", "Quality");
        f.push_back({6, 1, c.remarkCaptions[1], "cRemark2", "", width("REMARK2"), kPosRemark1 + 1});
        f.push_back({7, 0, c.remarkCaptions[3], "cRemark4", "", width("REMARK4"), kPosOrderNumber, true});
    }
    f.push_back({7, 1, c.remarkCaptions[2], "cRemark3", "", width("REMARK3"), kPosRemark1 + 2});
    f.push_back({9, 0, T("รถเข้า"), "cDayin", ""});
    f.push_back({9, 0, "", "cTmin", "99:99:99"});
    f.push_back({9, 0, "", "cWin", "99,999", 0, kPosWeightIn});
    f.push_back({10, 0, T("รถออก"), "cDayOut", ""});
    f.push_back({10, 0, "", "cTmOut", "99:99:99"});
    f.push_back({10, 0, "", "cWout", "99,999", 0, kPosWeightOut});
    f.push_back({9, 1, "", "cWinSrc", "", kMarkWidth, -1, false, true});
    f.push_back({10, 1, "", "cWoutSrc", "", kMarkWidth, -1, false, true});
    f.push_back({11, 0, T("ราคา"), "cPrice", "999,999,999.999", 0, kPosPrice});
    f.push_back({11, 1, T("น้ำหนักสุทธิ"), "cNet", "99,999", 0, -1, false, true});
    for (int i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i + 1);
        f.push_back({12 + i, 0, c.adjustCaptions[std::size_t(3 + i)], "cAdj_M" + n, money, 0, kPosAdjustM1 + i});
        f.push_back({12 + i, 1, c.adjustCaptions[std::size_t(i)], "cAdj_W" + n, "99,999.99", 0, kPosAdjustW1 + i});
    }
    f.push_back({15, 0, T("จำนวนเงิน"), "cAmount", money, 0, -1, false, true});
    f.push_back({15, 1, T("น้ำหนักคงเหลือ"), "cQty", "99,999.99", 0, -1, false, true});
    f.push_back({16, 0, T("เงินสด"), "cCash", money, 0, kPosPaymentBase + kPartCash, false, false, kPartCash});
    f.push_back({17, 0, T("ลงบัญชี"), "cDrCr", money, 0, kPosPaymentBase + kPartAccount, false, false, kPartAccount});
    f.push_back({17, 1, "", "cStat", "", kStatWidth, -1, false, true});
    f.push_back({17, 1, "", "cRecP", "", kRecPWidth, -1, false, true});
    f.push_back({18, 0, T("เช็ค"), "cCheque", money, 0, kPosPaymentBase + kPartCheque, false, false, kPartCheque});
    f.push_back({18, 1, "", "cChq_No", "@!", width("CHQ_NO")});
    f.push_back({18, 1, "", "cChq_Bank", "@!", width("CHQ_BANK")});
    return f;
}

}  // namespace weighing
