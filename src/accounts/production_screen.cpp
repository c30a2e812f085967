#include "accounts/production_screen.h"

#include <optional>

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
#include "weighing/ticket_store.h"

namespace accounts {
namespace {

using core::tis620::T;
using weighing::FieldValue;
using weighing::fieldOf;

constexpr const char* kQuantity = "999,999,999.999";
constexpr int kStatWidth = 13;
constexpr int kRecPWidth = 20;

// The code fields of a line, their pick-list tables and the code tables' aliases.
struct LineCode {
    const char* value;
    int table;
    const char* alias;
};
constexpr LineCode kLineCodes[] = {{"cdCode", 3, "Product"}, {"cdWHouse", 5, "WHouse"}, {"cdUnit", 6, "Unit"}};

}  // namespace

std::array<std::string, 3> readProductionLabels()
{
    std::array<std::string, 3> labels;
    core::IniFile ini(core::paths::native(core::programSettings().text("VARFILE")));
    for (int i = 0; i < 3; ++i) {
        const std::string key = "Remark31" + std::to_string(i + 1);
        labels[std::size_t(i)] = shell::readKey(ini, "Name", key.c_str(), i == 0 ? T("หมายเหตุ") : std::string());
    }
    return labels;
}

ProductionScreen::ProductionScreen(int level, DocumentHost& host) : DocumentScreen(level, host) {}

ProductionScreen::~ProductionScreen()
{
    close();
}

std::string ProductionScreen::title() const
{
    return T("  ส่วนบันทึกข้อมูลการผลิต");
}

bool ProductionScreen::openTables()
{
    for (const char* table : {"Employee", "Unit", "WHouse", "Product"})
        if (!openCatalogue(m_ws, table, table))
            return false;
    if (!audit::openAudit(m_ws) || !openCatalogue(m_ws, "Stock", "Stock") ||
        !openCatalogue(m_ws, "Detail3", "Detail") || !openCatalogue(m_ws, "Stock1", "Wdata"))
        return false;
    (void)m_ws.setRelation("Detail", "Product", "CODE");
    (void)m_ws.select("Wdata");
    return true;
}

void ProductionScreen::readConfig()
{
    m_labels = readProductionLabels();
}

void ProductionScreen::initialValues()
{
    for (const char* n : {"cTicket", "cRemark1", "cRemark2", "cRemark3", "cStat", "cRecP"})
        m_values.setText(n, "");
    for (const char* n : {"cLines", "CPOS"})
        m_values.setNumber(n, 0);
    m_values.set("cDate", core::Value::date(core::Date()));
}

std::string ProductionScreen::fieldLabel(const std::string& field) const
{
    static const std::pair<const char*, const char*> labels[] = {
        {"QTY", "จำนวน"}, {"TICKET", "เลขที่"}, {"DATE", "วันที่"},
    };
    for (const auto& [name, label] : labels)
        if (field == name)
            return T(label);
    return field;
}

// The record's lines: the live ones counted; every line made to carry the record's number and date.
void ProductionScreen::walkLines()
{
    int count = 0;
    storage::Table& t = document();
    storage::Table* d = lines();
    const std::string key = indent();
    if (d && !core::xbase::alltrim(key).empty()) {
        const core::Value number = fieldOf(t, "TICKET");
        const core::Value date = fieldOf(t, "DATE");
        (void)m_ws.select("Detail");
        for (storage::Status s = d->seek(key); s.ok() && d->found() && !d->eof(); s = d->skip()) {
            const core::Value lineKey = fieldOf(*d, "INDENT");
            if (!lineKey.isText() || lineKey.asText() != key)
                break;
            if (!d->deleted())
                ++count;
            if (fieldOf(*d, "DOC_NO").asText() != number.asText() || !(fieldOf(*d, "DOC_DATE").asDate() == date.asDate()))
                (void)writeFields(*d, {{"DOC_NO", number}, {"DOC_DATE", date}}, [](const std::string& f) { return f; });
        }
    }
    m_values.setNumber("cLines", count);
}

void ProductionScreen::SKDISP1(bool keepLinePosition)
{
    if (!m_ws.find("Wdata"))
        return;
    (void)m_ws.select("Wdata");
    storage::Table& t = document();
    for (const auto& [field, value] : {std::pair{"TICKET", "cTicket"}, std::pair{"DATE", "cDate"},
                                       std::pair{"REMARK1", "cRemark1"}, std::pair{"REMARK2", "cRemark2"},
                                       std::pair{"REMARK3", "cRemark3"}})
        m_values.set(value, fieldOf(t, field));
    browseState();
    walkLines();
    scopeLines(indent(), keepLinePosition);
    (void)m_ws.select("Wdata");
    notify();
}

void ProductionScreen::edit(bool isNew)
{
    rememberPosition();
    if (isNew) {
        goToRecord(0);
        SKDISP1();
        m_values.setText("cTicket", storage::CONSEC("STK01", "R"));
        m_values.set("cDate", core::Value::date(core::clock().today()));
        (void)m_ws.select("Wdata");
    }
    editState(isNew);
    enableFields({"cDate", "cRemark1", "cRemark2", "cRemark3"});
    if (!isNew)
        enableFields({"cTicket"});
    requestFocus(isNew ? "cRemark1" : "cTicket");
    notify();
}

bool ProductionScreen::SKSAVE1()
{
    const int step = mode();
    if (step == kBrowsing || !m_ws.find("Wdata"))
        return false;
    if (core::xbase::alltrim(m_values.text("cRemark1")).empty()) {
        core::prompts().message(core::MessageKind::Info, T("การระบุข้อมูลยังไม่ครบถ้วน"), T("  ส่วนบันทึกข้อมูล"));
        reportMissing("cRemark1");
        return false;
    }
    storage::Table& t = document();
    std::vector<FieldValue> record = {
        {"TICKET", step == kNewDocument ? core::Value::text("000000") : m_values.get("cTicket")},
        {"REMARK1", m_values.get("cRemark1")},
        {"REMARK2", m_values.get("cRemark2")},
        {"REMARK3", m_values.get("cRemark3")},
        {"DATE", m_values.get("cDate")},
        {"STAFF", core::Value::text(core::programSettings().text("CUSER"))},
    };
    if (!checkFields(t, record, [this](const std::string& f) { return fieldLabel(f); }))
        return false;
    (void)m_ws.select("Wdata");
    if (step == kNewDocument) {
        const std::optional<std::string> taken = storage::takeNumber("STK01");
        if (!taken)
            return false;  // no number, no document: nothing is written
        const std::string number = *taken;
        const std::string key = storage::INDENT(m_ws);
        if (!storage::ADD_REC(m_ws))
            return false;
        record.front().value = core::Value::text(number);
        record.push_back({"INDENT", core::Value::text(key)});
        m_values.setText("cTicket", number);
    } else if (!storage::REC_LOCK(m_ws)) {
        return false;
    }
    // The record itself posts nothing and writes no audit rows: its stock lives in its lines.
    const bool written = putFields(t, record);
    goToRecord(t.recNo());
    setMode(kBrowsing);
    SKDISP1();
    return written;
}

std::unique_ptr<LineEditor> ProductionScreen::makeLineEditor(bool newLine)
{
    return std::make_unique<ProductionLineEditor>(m_ws, newLine);
}

std::vector<ScreenField> ProductionScreen::fields() const
{
    auto width = [&](const char* field) {
        const storage::Table* t = m_ws.find("Wdata");
        const int i = t ? t->layout().find(field) : -1;
        return i < 0 ? 0 : int(t->layout().fields()[std::size_t(i)].length);
    };
    std::vector<ScreenField> f;
    f.push_back({1, 0, T("เลขที่"), "cTicket", "@9", 6});
    f.push_back({1, 1, "", "cStat", "", kStatWidth, -1, false, true});
    f.push_back({1, 1, "", "cRecP", "", kRecPWidth, -1, false, true});
    f.push_back({2, 0, T("วันที่"), "cDate", ""});
    for (int i = 0; i < 3; ++i)
        f.push_back({3 + i, 0, m_labels[std::size_t(i)], "cRemark" + std::to_string(i + 1), "", width("REMARK1")});
    return f;
}

std::vector<weighing::BrowseColumn> ProductionScreen::lineColumns() const
{
    return {{T("  รหัสสินค้า"), "CODE"},
            {T("  รายการสินค้า"), "PRODUCT->NAME"},
            {T("  คลังสินค้า"), "WHOUSE"},
            {T("หน่วยนับ"), "UNIT"},
            {T("จำนวน  "), "TRANSFORM(QTY, '999,999,999.999')", true}};
}

// ---- The line dialog

ProductionLineEditor::ProductionLineEditor(storage::Workspace& ws, bool newLine) : LineEditor(newLine), m_ws(ws)
{
    storage::Table* d = ws.find("Detail");
    if (!newLine && d && !d->eof()) {
        loadLineValues(*d, m_values, {"CODE", "WHOUSE", "UNIT", "QTY"});
        core::Value name = core::Value::text("");
        if (storage::Table* product = ws.find("Product"); product && weighing::seekCode(*product, m_values.text("cdCode")))
            (void)product->get("NAME", &name);
        m_values.set("cdName", name);
        return;
    }
    for (const char* n : {"cdCode", "cdName", "cdWHouse", "cdUnit"})
        m_values.setText(n, "");
    m_values.setNumber("cdQty", 0, 3);
}

std::vector<ScreenField> ProductionLineEditor::fields() const
{
    const storage::Table* product = m_ws.find("Product");
    const int name = product ? product->layout().find("NAME") : -1;
    const int nameWidth = name < 0 ? 40 : int(product->layout().fields()[std::size_t(name)].length);
    return {
        {1, 0, T("รหัสสินค้า"), "cdCode", "@!", 10, -1, true},
        {2, 0, T("ชื่อสินค้า"), "cdName", "", nameWidth, -1, false, true},
        {3, 0, T("คลังสินค้า"), "cdWHouse", "@!", 10, -1, true},
        {4, 0, T("หน่วยนับ"), "cdUnit", "@!", 10, -1, true},
        {5, 0, T("จำนวน"), "cdQty", kQuantity},
    };
}

bool ProductionLineEditor::validate(const std::string& name)
{
    for (const LineCode& c : kLineCodes) {
        if (!core::xbase::equalsNoCase(name, c.value))
            continue;
        if (!codes::pickCode(m_ws, c.table, m_values, c.value, "Wdata"))
            return false;
        if (c.table == 3) {
            core::Value productName = core::Value::text("");
            if (storage::Table* product = m_ws.find(c.alias))
                (void)product->get("NAME", &productName);
            m_values.set("cdName", productName);
        }
        return true;
    }
    return true;
}

bool ProductionLineEditor::complete() const
{
    for (const LineCode& c : kLineCodes)
        if (core::xbase::alltrim(m_values.text(c.value)).empty())
            return false;
    return core::xbase::roundDecimal(m_values.number("cdQty"), 3) != 0;
}

std::vector<FieldValue> ProductionLineEditor::lineValues() const
{
    return {
        {"CODE", m_values.get("cdCode")},
        {"WHOUSE", m_values.get("cdWHouse")},
        {"UNIT", m_values.get("cdUnit")},
        {"QTY", m_values.get("cdQty")},
    };
}

}  // namespace accounts
