#include "weighing_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "core/ini_file.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "support/test_site.h"
#include "weighing/ticket_store.h"

namespace weighingtest {
Site::Site()
{
    storage::setHardCommit(false);
    testsupport::makeSite(m_dir.path() + "/site");
    core::Settings& s = core::programSettings();
    s.setText("CTRUSTEE", std::string(42, '6'));
    s.setText("CSYSSOUND", "Y");

    load("Farmer", "CODE,NAME\nF001,นายสมศักดิ์ ทองดี\nF002,นางสาวมาลี ศรีสุข\n");
    load("Company", "CODE,NAME\nC001,บริษัท ข้าวไทยส่งออก จำกัด\nC002,โรงสีไฟเจริญผล\n");
    load("Product",
         "CODE,NAME,UNIT1,UNIT2,UNIT3,PRICE1,PRICE2,PRICE3\n"
         "P001,ข้าวเปลือกหอมมะลิ,KG,TON,BAG,7.25,7250,350\n"
         "P002,ข้าวโพด,KG,,,9.5,0,0\n");
    load("WHouse", "CODE,NAME\nW1,โกดังหน้า\nW2,โกดังหลัง\n");
    load("Unit", "CODE,NAME,RATE\nKG,กิโลกรัม,1\nTON,ตัน,1000\nBAG,กระสอบ,50\nBOX,กล่อง,0\n");
    load("Moisture", "CODE,NAME,WEIGHT,PRICE\nM1,ความชื้นไม่เกิน 15%,30,100\n");
    load("Mixture", "CODE,NAME,WEIGHT,PRICE\nX1,สิ่งเจือปนไม่เกิน 2%,20,50\n");
    load("Quality", "CODE,NAME,WEIGHT,PRICE\nQ1,คุณภาพดี,0,0\n");
    load("TruckDt", "CODE,NAME,WEIGHT\n70-1234,สิบล้อ,11250\n81-5678,หกล้อ,6480\n");
    load("OrAcc",
         "CODE,COMPANY,PRODUCT,DATE,PRICE,ORWEIGHT,ORAMOUNT,WEIGHT,AMOUNT\n"
         "SO1,C001,P001,20261201,7.25,10000,72500,0,0\n"
         "SO2,C001,P001,20261202,7.50,5000,37500,0,0\n");
}

Site::~Site()
{
    core::programSettings().clear();
    storage::setHardCommit(true);
}

void Site::config(const char* section, const char* key, const std::string& valueUtf8)
{
    core::IniFile ini(configFile());
    ASSERT_TRUE(ini.set(section, key, core::tis620::fromUtf8(valueUtf8))) << ini.error();
}

void Site::setting(const char* name, const std::string& value)
{
    core::programSettings().setText(name, value);
}

void Site::load(const char* table, const std::string& csv)
{
    testsupport::loadCsv(m_dir.path() + "/site", table, csv);
}

void Site::addSound(const std::string& name)
{
    std::filesystem::create_directories(tables() + "sounds");
    testsupport::writeFile(tables() + "sounds/" + name, "RIFF");
}

std::optional<Site::Row> Site::find(const char* table, const char* field, const std::string& value) const
{
    for (Row& r : rows(table))
        if (r.text(field) == value)
            return r;
    return std::nullopt;
}

double Site::stock(const std::string& product, const std::string& whouse) const
{
    for (const Row& r : rows("Stock"))
        if (r.text("CODE") == product && r.text("WHOUSE") == whouse)
            return r.number("BALANCE");
    return std::nan("");
}

std::vector<std::string> Site::audit() const
{
    std::vector<std::string> out;
    for (const Row& r : rows("Audit"))
        out.push_back(r.text("TICKET") + " " + r.text("DESCRIP") + ": " + r.text("OLDDATA") + " -> " +
                      r.text("NEWDATA"));
    return out;
}

// ---- ScriptedPickList

ScriptedPickList::ScriptedPickList() : m_previous(codes::setPickList(this)) {}

ScriptedPickList::~ScriptedPickList()
{
    codes::setPickList(m_previous);
}

codes::PickResult ScriptedPickList::pick(storage::Workspace& ws, int table, std::string_view seed,
                                         std::string_view callerAlias, bool)
{
    return weighing::pickKnownCode(ws, table, seed, seed, callerAlias);
}

// ---- ScriptedHost

bool ScriptedHost::askTruck(weighing::TicketScreen& screen)
{
    if (trucks.empty())
        return false;
    const std::optional<std::string> t = trucks.front();
    trucks.pop_front();
    if (!t)
        return false;
    if (*t == "...") {
        screen.GETTABLE();
        return true;
    }
    screen.values().setText("cTrk", core::xbase::padRight(core::tis620::fromUtf8(*t), 20));
    return true;
}

void ScriptedHost::chooseFromList(weighing::ListDialogModel& list)
{
    ++lists;
    if (onList)
        onList(list);
}

void ScriptedHost::searchDocuments(weighing::SearchDialogModel& search)
{
    if (onSearch)
        onSearch(search);
}

void ScriptedHost::readWeight(int which, scale::WeighTarget& target)
{
    if (weights.empty())
        return;
    const std::optional<long long> kg = weights.front();
    weights.pop_front();
    if (!kg)
        return;
    if (!origins.empty()) {
        target.weightOrigin(which, origins.front());
        origins.pop_front();
    }
    target.receiveWeight(which, *kg);
    target.disableWeighButton(which);
    target.enableAndFocusSave();
}

// ---- Driving a screen

bool type(weighing::TicketScreen& s, const std::string& name, const core::Value& v)
{
    s.values().set(name, v);
    if (!s.validate(name))
        return false;
    for (const weighing::TicketField& f : s.fields())
        if (core::xbase::equalsNoCase(f.name, name) && f.recalc >= 0)
            s.recalculate(f.recalc);
    return true;
}

bool typeText(weighing::TicketScreen& s, const std::string& name, const std::string& text)
{
    return type(s, name, core::Value::text(core::tis620::fromUtf8(text)));
}

bool typeNumber(weighing::TicketScreen& s, const std::string& name, double v)
{
    return type(s, name, core::Value::number(v, 2));
}

bool startFirstWeighing(weighing::TicketScreen& s, ScriptedHost& host, const Weighing& w)
{
    host.trucks.push_back(w.truck);
    s.weighPressed();
    if (s.mode() != 1)
        return false;
    bool ok = typeText(s, s.kindInfo().partyValue, w.party);
    if (s.kindInfo().goods)
        ok = ok && typeText(s, "cProduct", w.product) && typeText(s, "cWhouse", w.whouse) &&
             typeText(s, "cUnit", w.unit);
    for (const auto& [field, code] : w.grades)
        ok = ok && typeText(s, field, code);
    return ok;
}

bool firstWeighing(weighing::TicketScreen& s, ScriptedHost& host, const Weighing& w, long long weightIn)
{
    const bool ok = startFirstWeighing(s, host, w);
    host.weights.push_back(weightIn);
    s.READW(1);
    return ok && s.TRSAVE();
}

bool startSecondWeighing(weighing::TicketScreen& s, ScriptedHost& host, const std::string& truck, long long weightOut)
{
    host.trucks.push_back(truck);
    s.weighPressed();
    if (s.mode() != 2)
        return false;
    host.weights.push_back(weightOut);
    s.READW(2);
    return true;
}

std::string enabledButtons(const std::function<bool(weighing::TicketButton)>& on)
{
    static const char* const kNames[] = {"Previous", "Next",   "First", "Last",    "Weigh", "Edit",
                                         "Delete",   "Search", "Save",  "Cancel",  "Print", "Exit",
                                         "WeighIn",  "WeighOut", "Pay1", "Pay2",   "Pay3"};
    static_assert(std::size(kNames) == std::size_t(weighing::TicketButton::Count_));
    std::string out;
    for (std::size_t b = 0; b < std::size(kNames); ++b)
        if (on(weighing::TicketButton(b)))
            out += (out.empty() ? "" : " ") + std::string(kNames[b]);
    return out;
}

namespace {

std::string shown(const core::Value& v)
{
    if (v.isText())
        return core::tis620::toUtf8(core::xbase::rtrim(v.asText()));
    if (v.isDate())
        return v.asDate().dtos();
    if (!v.isNumber())
        return v.toDisplayText();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.12g", v.asNumber());
    return buf;
}

std::string fieldsOf(const std::string& names, const std::function<const core::Value*(const std::string&)>& get)
{
    std::istringstream in(names);
    std::string out, name;
    while (in >> name) {
        const core::Value* v = get(name);
        out += (out.empty() ? "" : " ") + (v ? shown(*v) : "?");
    }
    return out;
}

}  // namespace

std::string fieldsOf(const core::ValueMap& v, const std::string& names)
{
    return fieldsOf(names, [&](const std::string& n) { return v.has(n) ? &v.get(n) : nullptr; });
}

std::string fieldsOf(const Site::Row& r, const std::string& names)
{
    return fieldsOf(names, [&](const std::string& n) {
        const auto it = r.fields.find(n);
        return it == r.fields.end() ? nullptr : &it->second;
    });
}

}  // namespace weighingtest
