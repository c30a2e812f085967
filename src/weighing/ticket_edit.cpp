// The ticket screen's start of a weighing or an edit, the truck prompt and its waiting list, the
// code and order-number checks of the fields, and cancel.
#include "codes/pick_list.h"
#include "core/clock.h"
#include "core/prompt_sounds.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/ops.h"
#include "weighing/ticket_screen.h"
#include "weighing/ticket_store.h"
#include "weighing/ticket_values.h"

namespace weighing {
namespace {

using core::tis620::T;

constexpr int kCancelSound = 11;
constexpr std::size_t kPromptWidth = TicketScreen::kTruckPromptWidth;

// The code fields of the goods kinds and the pick-list's table number of each.
constexpr int kMoistureTable = 8;
constexpr int kMixtureTable = 9;
constexpr int kQualityTable = 10;
constexpr std::pair<const char*, int> kGoodsCodeFields[] = {
    {"cProduct", 3}, {"cWhouse", 5}, {"cUnit", 6},
    {"cMoisture", kMoistureTable}, {"cMixture", kMixtureTable}, {"cQuality", kQualityTable},
};

bool setting(const char* name, const char* value)
{
    return core::xbase::alltrim(core::programSettings().text(name)) == value;
}

std::string trimmed(const core::ValueMap& v, const char* name)
{
    return core::xbase::alltrim(v.text(name));
}

// The first ten characters of an order number, blank-padded: how it is keyed in "Order".
std::string orderCode(std::string_view number)
{
    return core::xbase::padRight(number.substr(0, std::min<std::size_t>(number.size(), 10)), 10);
}

}  // namespace

void TicketScreen::TREDIT(bool weighing)
{
    storage::Table& t = ticketTable();
    const TicketRecord stored = readTicketRecord(t);
    if (!weighing && stored.drcr > 0 && stored.clear > 0) {
        core::prompts().message(core::MessageKind::Info, T("รายการนี้มีบันทึกการชำระแล้ว"), T("  ไม่อนุญาตให้แก้ไขข้อมูล"));
        return;
    }
    m_values.setNumber("CPOS", stored.atEnd ? 0 : stored.recno);
    forgetTakenWeights();
    const TicketStep mode = GETTRUCK(weighing);
    if (mode == kTicketBrowsing) {
        goToRecord(std::uint32_t(m_values.number("CPOS")));
        return;
    }
    setMode(mode);
    if (mode == kTicketNew)
        goToRecord(0);
    else
        m_values.setNumber("CPOS", t.recNo());
    m_cursor->forget();
    m_editStat = readTicketRecord(t).stat;
    TRDISP();

    const TicketKind& k = kindInfo();
    const bool complete = m_editStat == "2";
    if (mode == kTicketNew) {
        m_values.setText("cTicket", storage::CONSEC(k.code, "R"));
        m_values.setText("cTruck", m_values.text("cTrk"));
        m_values.set("cDayin", core::Value::date(core::clock().today()));
        m_values.setText("cTmin", core::timeOfDay());
        if (k.goods)
            m_values.set("cRate", core::Value::number(1, 3));
        setButton(TicketButton::WeighIn, true);
    } else if (mode == kTicketSecondWeighing) {
        m_values.set("cDayOut", core::Value::date(core::clock().today()));
        m_values.setText("cTmOut", core::timeOfDay());
        setButton(TicketButton::WeighOut, true);
    } else {
        if (setting("CCLOCK", "C")) {
            enableFields({"cTruck", "cTicket", "cDayin", "cTmin"});
            if (complete)
                enableFields({"cDayOut", "cTmOut"});
        }
        if (mayTypeWeights()) {
            enableFields({"cWin"});
            if (complete)
                enableFields({"cWout"});
        }
    }
    m_enabledFields.insert(core::xbase::upper(k.partyValue));
    if (k.goods) {
        enableFields({"cProduct", "cWhouse", "cUnit", "cRemark1", "cRemark2", "cRemark3"});
        if (k.moistureGrades)
            enableFields({"cMoisture", "cMixture"});
        else
            enableFields({"cQuality", "cRemark4"});
    } else {
        enableFields({"cRemark1"});
    }
    if (mode == kTicketSecondWeighing || complete) {
        if (k.goods) {
            enableFields({"cAdj_M1", "cAdj_M2", "cAdj_M3", "cAdj_W1", "cAdj_W2", "cAdj_W3", "cPrice", "cCash", "cDrCr",
                          "cCheque", "cChq_No", "cChq_Bank"});
            setButton(TicketButton::Pay3, true);
        } else {
            enableFields({"cAmount", "cCash", "cDrCr"});
        }
        setButton(TicketButton::Pay1, true);
        setButton(TicketButton::Pay2, true);
    }
    if (mode == kTicketEdit)
        setButton(TicketButton::Save, true);
    for (TicketButton b : {TicketButton::Previous, TicketButton::Next, TicketButton::First, TicketButton::Last,
                           TicketButton::Weigh, TicketButton::Edit, TicketButton::Delete, TicketButton::Search,
                           TicketButton::Print, TicketButton::Exit})
        setButton(b, false);
    setButton(TicketButton::Cancel, true);
    std::vector<std::string> entries;
    for (const TicketField& f : fields())
        if (!f.readOnly)
            entries.push_back(f.name);
    m_snapshot.take(m_values, entries);
    m_weighed = false;
    notify();
    requestFocus(mode == kTicketEdit ? "cTicket" : k.partyValue);
}

TicketStep TicketScreen::GETTRUCK(bool prompt)
{
    if (!prompt)
        return kTicketEdit;
    const std::size_t stored = std::size_t(ticketTable().layout().fields()[std::size_t(ticketTable().fieldIndex("TRUCK"))].length);
    m_values.setText("cTrk", std::string(kPromptWidth, ' '));
    std::string truck;
    for (;;) {
        if (!m_host.askTruck(*this))
            return kTicketBrowsing;
        truck = normalRegistration(m_values.text("cTrk"));
        if (truck.empty())
            return kTicketBrowsing;
        if (truck.size() <= stored)
            break;
        // Cut to the field, two plates sharing their first characters would resume each other's
        // ticket: the person shortens it (the prompt shows what was typed).
        core::prompts().message(core::MessageKind::Info,
                                T("ทะเบียนรถยาวเกิน ") + std::to_string(stored) + T(" ตัวอักษร กรุณาพิมพ์ให้สั้นลง"),
                                truckPromptTitle());
        m_values.setText("cTrk", core::xbase::padRight(truck, kPromptWidth));
    }
    // The open ticket of the truck: a live "1" ticket whose registration, normalised, is the one
    // typed (a registration stored with other blanks is still found). A ticket marked deleted is
    // passed over: completing it would post a deleted ticket.
    storage::Table& t = ticketTable();
    (void)t.setOrder(1);
    bool found = false;
    if (t.seek("1").ok() && t.found())
        while (!found && !t.eof() && textOf(t, "STAT") == "1") {
            found = !t.deleted() && normalRegistration(textOf(t, "TRUCK")) == truck;
            if (!found && !t.skip(1).ok())
                break;
        }
    m_values.setText("cTrk", core::xbase::padRight(truck, kPromptWidth));
    (void)t.setOrder(storage::kWeighingActiveOrder);
    m_values.setText("cTruck", m_values.text("cTrk"));
    return found ? kTicketSecondWeighing : kTicketNew;
}

void TicketScreen::GETTABLE()
{
    storage::Table& t = ticketTable();
    const std::uint32_t recno = t.recNo();
    (void)t.setOrder(1);
    if (!(t.seek("1").ok() && t.found())) {
        core::prompts().message(core::MessageKind::Info, T("ไม่มีข้อมูลรถบรรทุกรอการชั่งออก"), T("  ส่วนบันทึกการชั่งรถบรรทุก"));
    } else {
        std::vector<BrowseColumn> columns = {
            {T(" เลขที่"), "TICKET"},
            {T("  ทะเบียนรถ"), "TRUCK"},
            {T("    วันที่"), "DTOC(DAYIN)"},
            {T("   เวลา"), "TMIN"},
            {T("น้ำหนักเข้า "), "TRANSFORM(WIN, '99,999')", true},
        };
        auto list = ListDialogModel::create(m_ws, kTicketAlias, T("  รายการรถบรรทุกรอการชั่งออก"), std::move(columns), "1",
                                            [this](storage::Table& row) {
                                                core::Value truck;
                                                (void)row.get("TRUCK", &truck);
                                                m_values.setText("cTrk", core::xbase::padRight(truck.asText(), kPromptWidth));
                                            });
        if (list)
            m_host.chooseFromList(*list);
    }
    (void)t.setOrder(storage::kWeighingActiveOrder);
    (void)t.goTo(recno);
}

bool TicketScreen::hasChanges() const
{
    return mode() != kTicketBrowsing && (m_weighed || m_snapshot.changed(m_values));
}

bool TicketScreen::cancelPressed(bool typing)
{
    if (mode() == kTicketBrowsing)
        return true;
    if (!core::mayDiscard(typing || hasChanges(), T("  ยกเลิกการบันทึก")))
        return false;
    PCANCEL();
    return true;
}

bool TicketScreen::closeRequested(bool typing)
{
    if (mode() == kTicketBrowsing)
        return true;
    (void)cancelPressed(typing);
    return false;
}

void TicketScreen::PCANCEL()
{
    core::TSOUND(kCancelSound);
    forgetTakenWeights();
    goToRecord(std::uint32_t(m_values.number("CPOS")));
    setMode(kTicketBrowsing);
    TRDISP();
}

void TicketScreen::fillCodeName(const std::string& name)
{
    const TicketKind& k = kindInfo();
    const char* table = nullptr;
    const char* target = nullptr;
    if (core::xbase::equalsNoCase(name, k.partyValue))
        table = k.partyTable, target = k.partyName;
    else if (core::xbase::equalsNoCase(name, "cProduct"))
        table = "Product", target = "cProName";
    else if (core::xbase::equalsNoCase(name, "cWhouse"))
        table = "WHouse", target = "cWhoName";
    for (const GradeName& g : kGradeNames)
        if (core::xbase::equalsNoCase(name, g.code))
            table = g.table, target = g.name;
    if (!table)
        return;
    storage::Table* t = m_ws.find(table);
    core::Value v;
    if (t && seekCode(*t, m_values.text(name)) && t->get("NAME", &v).ok())
        m_values.set(target, v);
}

bool TicketScreen::validate(const std::string& name)
{
    const TicketKind& k = kindInfo();
    if (k.qualityGrade && core::xbase::equalsNoCase(name, "cRemark4"))
        return setting("CORCTRL", "1") ? POPORDER() : true;
    int table = 0;
    if (core::xbase::equalsNoCase(name, k.partyValue))
        table = k.partyCodeTable;
    else if (k.goods)
        for (const auto& [value, number] : kGoodsCodeFields)
            if (core::xbase::equalsNoCase(name, value) &&
                (number != kQualityTable || k.qualityGrade) &&
                (number < kMoistureTable || number > kMixtureTable || k.moistureGrades))
                table = number;
    if (table == 0)
        return true;
    const codes::PickResult picked = codes::pickList().pick(m_ws, table, m_values.text(name), kTicketAlias, true);
    (void)m_ws.select(kTicketAlias);
    if (!picked.accepted())
        return false;
    m_values.setText(name, picked.code);
    fillCodeName(name);
    return true;
}

bool TicketScreen::POPORDER()
{
    const std::string number = trimmed(m_values, "cRemark4");
    if (number.empty())
        return true;
    storage::Table* order = m_ws.find("Order");
    if (!order)
        return true;
    const std::string prefix = paddedCode(m_values.text("cCompany")) + paddedCode(m_values.text("cProduct"));
    auto setPrice = [this](storage::Table& row) {
        core::Value price;
        if (row.get("PRICE", &price).ok())
            m_values.set("cPrice", core::Value::number(price.asNumber(), 3));
    };
    auto inScope = [&] {
        core::Value company, product;
        return !order->eof() && order->get("COMPANY", &company).ok() && order->get("PRODUCT", &product).ok() &&
               paddedCode(company.asText()) + paddedCode(product.asText()) == prefix;
    };
    if (order->seek(prefix + orderCode(number)).ok() && order->found()) {
        setPrice(*order);
        return true;
    }
    (void)order->seek(prefix + number, true);
    if (!inScope()) {
        (void)order->seek(prefix, true);
        if (!inScope()) {
            core::prompts().message(core::MessageKind::Info, T("ไม่พบข้อมูลใบสั่งซื้อ"), T("  ส่วนการตรวจสอบข้อมูลใบสั่งซื้อ"));
            (void)m_ws.select(kTicketAlias);
            return false;
        }
    }
    std::vector<BrowseColumn> columns = {
        {T(" เลขใบสั่งซื้อ"), "CODE"},
        {T("  วันที่สั่งซื้อ"), "DTOC(DATE)"},
        {T("น้ำหนักสั่ง  "), "TRANSFORM(ORWEIGHT, '999,999,999')", true},
        {T("ยอดเงินสั่ง  "), "TRANSFORM(ORAMOUNT, '999,999,999.99')", true},
        {T("น้ำหนักค้างส่ง  "), "TRANSFORM(ORWEIGHT - WEIGHT, '999,999,999')", true},
        {T("ยอดค้างสั่ง  "), "TRANSFORM(ORAMOUNT - AMOUNT, '999,999,999.99')", true},
    };
    auto list = ListDialogModel::create(m_ws, "Order", T("  รายการข้อมูลใบสั่งซื้อ"), std::move(columns), prefix,
                                        [this, setPrice](storage::Table& row) {
                                            core::Value code;
                                            (void)row.get("CODE", &code);
                                            m_values.setText("cRemark4", code.asText());
                                            setPrice(row);
                                        });
    if (list)
        m_host.chooseFromList(*list);
    (void)m_ws.select(kTicketAlias);
    return true;
}

}  // namespace weighing
