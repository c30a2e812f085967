#include "reports/reports_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/settings.h"
#include "core/xbase.h"
#include "site/demo_reports.h"
#include "site/site_setup.h"
#include "storage/catalogue.h"
#include "storage/table.h"

namespace reportstest {

ReportSite::ReportSite(bool withData)
{
    clock.day = core::Date::fromYmd(2026, 12, 5);
    std::string error;
    EXPECT_TRUE(site::writeDemoReports(tables(), &error)) << error;
    // The demo codes (suppliers, customers, products, units, warehouses ...).
    site::Site s;
    s.dir = dir();
    for (const site::DemoStep& step : site::codeTableDemoSteps()) {
        if (std::string(step.name) != "code tables")
            continue;
        s.settings.setText("CDRV1", ".\\TABLES\\");
        // The step joins the site folder and the folder setting.
        EXPECT_TRUE(step.run(s, &error)) << error;
    }
    if (!withData)
        return;
    load("Wdata1",
         "TICKET,STAT,TRUCK,COMPANY,PRODUCT,WHOUSE,UNIT,DAYIN,TMIN,WIN,DAYOUT,TMOUT,WOUT,PRICE,RATE,QTY,AMOUNT,CASH,DRCR,"
         "CHEQUE,CLEAR,ACCOUNT,STAFF\n"
         "000001,2,70-1234,F001,P001,W01,KG,20261130,08:10:00,15000,20261130,08:40:00,6000,12.5,1,9000,112500,112500,0,0,0,1,ADMIN\n"
         "000002,2,70-1234,F001,P001,W01,KG,20261201,08:15:20,15140,20261201,09:02:45,6480,12.5,1,8660,108250,50000,58250,0,58250,1,ADMIN\n"
         "000003,2,81-5678,F002,P002,W02,KG,20261201,10:05:00,12030,20261201,10:40:00,6480,9.8,1,5550,54390,0,54390,0,54390,1,ADMIN\n"
         "000004,1,82-9012,F003,P003,W02,KG,20261202,07:55:00,21000,,,0,8.65,1,0,0,0,0,0,0,,ADMIN\n"
         "000005,2,83-7788,F004,P001,W01,KG,20261202,13:30:00,25400,20261202,14:10:00,11980,12.5,1,13420,167750,0,0,167750,0,1,ADMIN\n"
         "000006,2,70-3456,F005,P004,W02,KG,20261203,09:00:00,4350,20261203,09:20:00,1850,2.95,1,2500,7375,7375,0,0,0,1,ADMIN\n"
         "000007,2,81-5678,F002,P002,W02,KG,20261203,11:00:00,10480,20261203,11:30:00,6480,9.8,1,4000,39200,39200,0,0,0,1,ADMIN\n");
    mark(pathOf("Wdata1"), "TICKET", "000007");
    load("Wdata2",
         "TICKET,STAT,TRUCK,COMPANY,PRODUCT,WHOUSE,UNIT,DAYIN,TMIN,WIN,DAYOUT,TMOUT,WOUT,PRICE,RATE,QTY,AMOUNT,CASH,DRCR,"
         "CLEAR,ACCOUNT,STAFF\n"
         "000001,2,81-5678,F002,P002,W02,KG,20261204,08:30:00,6980,20261204,08:50:00,6480,9.8,1,500,4900,0,4900,4900,1,ADMIN\n");
    load("Wdata3",
         "TICKET,STAT,TRUCK,COMPANY,PRODUCT,WHOUSE,UNIT,DAYIN,TMIN,WIN,DAYOUT,TMOUT,WOUT,PRICE,RATE,QTY,AMOUNT,CASH,DRCR,"
         "ACCOUNT,STAFF\n"
         "000001,2,82-9012,C001,P001,W01,KG,20261129,13:00:00,15600,20261129,13:45:00,20600,14,1,5000,70000,70000,0,1,ADMIN\n"
         "000002,2,82-9012,C001,P001,W01,KG,20261202,09:10:00,15600,20261202,10:05:00,27600,14,1,12000,168000,0,168000, ,ADMIN\n"
         "000003,2,70-1234,C002,P002,W02,KG,20261203,15:20:00,11250,20261203,15:50:00,14250,12,1,3000,36000,36000,0,1,ADMIN\n");
    load("Wdata5",
         "TICKET,STAT,TRUCK,COMPANY,DAYIN,TMIN,WIN,DAYOUT,TMOUT,WOUT,AMOUNT,CASH,DRCR,ACCOUNT,STAFF\n"
         "000001,2,70-3456,C003,20261201,11:00:00,14200,20261201,11:25:00,6300,200,200,0,1,ADMIN\n"
         "000002,2,83-7788,C004,20261204,16:00:00,25100,20261204,16:30:00,11980,300,0,300, ,ADMIN\n");
    load("Money1",
         "TICKET,DATE,COMPANY,REMARK1,AMOUNT,CASH,DRCR,CHEQUE,INDENT,STAFF\n"
         "000001,20261203,F001,ชำระค่าข้าวเปลือก,58250,40000,8250,10000,202612030360000,ADMIN\n"
         "000002,20261204,F002,,49490,49490,0,0,202612040360000,ADMIN\n");
    load("Detail1",
         "INDENT,RECORD,DOC_NO,DOC_DATE,COMPANY,TYPE,TICKET,DATE,TIME,AMOUNT\n"
         "202612030360000,202612030360001,000001,20261203,F001,REC,000002,20261201,08:15:20,58250\n"
         "202612040360000,202612040360001,000002,20261204,F002,REC,000003,20261201,10:05:00,54390\n"
         "202612040360000,202612040360002,000002,20261204,F002,CAN,000001,20261204,08:30:00,-4900\n");
    load("Money2",
         "TICKET,DATE,COMPANY,REMARK1,AMOUNT,CASH,DRCR,CHEQUE,INDENT,STAFF\n"
         "000001,20261204,C001,รับชำระบางส่วน,100000,100000,0,0,202612040400000,ADMIN\n");
    load("Detail2",
         "INDENT,RECORD,DOC_NO,DOC_DATE,COMPANY,TYPE,TICKET,DATE,TIME,AMOUNT\n"
         "202612040400000,202612040400001,000001,20261204,C001,INV,000002,20261202,09:10:00,100000\n");
    load("Money3",
         "TICKET,DATE,COMPANY,REMARK1,AMOUNT,CASH,CHEQUE,STAFF\n"
         "000001,20261120,F001,เงินกู้ซื้อปุ๋ย,10000,10000,0,ADMIN\n"
         "000002,20261202,F002,เบิกล่วงหน้า,5000,5000,0,ADMIN\n");
    load("Money4",
         "TICKET,DATE,COMPANY,REMARK1,AMOUNT,CASH,CHEQUE,STAFF\n"
         "000001,20261204,C002,เงินมัดจำสินค้า,20000,0,20000,ADMIN\n");
    load("Stock1",
         "TICKET,DATE,REMARK1,INDENT,STAFF\n"
         "000001,20261204,ผสมอาหารสัตว์,202612040500000,ADMIN\n");
    load("Detail3",
         "INDENT,RECORD,DOC_NO,DOC_DATE,CODE,WHOUSE,UNIT,QTY\n"
         "202612040500000,202612040500001,000001,20261204,P003,W02,KG,-500\n"
         "202612040500000,202612040500002,000001,20261204,P005,W01,TON,2\n");
    // The ledgers as posting the documents above gives them.
    load("Stock",
         "CODE,WHOUSE,BALANCE\n"
         "P001,W01,14080\nP002,W02,2050\nP003,W02,-500\nP004,W02,2500\nP005,W01,2000\n");
    load("ApAcc", "CODE,BALANCE,BORROW\nF001,0,1750\nF002,0,5000\n");
    load("ArAcc", "CODE,BALANCE,BORROW\nC001,68000,0\nC002,0,20000\nC004,300,0\n");
    load("OrAcc",
         "CODE,COMPANY,PRODUCT,DATE,PRICE,ORWEIGHT,ORAMOUNT,WEIGHT,AMOUNT\n"
         "PO-001,C001,P001,20261125,14,20000,280000,12000,168000\n");
}

reports::ReportOutcome ReportSite::run(const std::string& code, const std::map<std::string, core::Value>& ranges)
{
    m_job = testsupport::RecordingPrintJob();
    (void)m_job.begin("MERVO Report");
    return runOnto(code, ranges, m_job);
}

reports::ReportOutcome ReportSite::runOnto(const std::string& code, const std::map<std::string, core::Value>& ranges,
                                           core::PrintJob& job)
{
    storage::Workspace ws;
    reports::ReportSession session(ws);
    const auto name = reports::reportName(code);
    if (!name)
        return reports::ReportOutcome::NotRun;
    if (!session.load(code, *name) || !session.openForm())
        return reports::ReportOutcome::NotRun;
    for (const auto& [key, value] : ranges)
        session.values().set(key, value);
    return session.REPCREA(job);
}

reports::ReportOutcome ReportSite::runWeek(const std::string& code, std::map<std::string, core::Value> ranges)
{
    ranges.merge(days(1, 5));
    return run(code, ranges);
}

std::vector<std::string> ReportSite::said()
{
    std::vector<std::string> out = prompts.titledTexts();
    prompts.shown.clear();
    return out;
}

codes::PickResult ScriptedPickList::pick(storage::Workspace&, int table, std::string_view seed, std::string_view, bool)
{
    calls.push_back({table, core::xbase::rtrim(seed)});
    const std::optional<std::string> code = answer ? answer(calls.back().second) : std::nullopt;
    if (!code)
        return {codes::PickResult::Outcome::Refused, std::string(seed)};
    return {codes::PickResult::Outcome::Accepted, core::xbase::padRight(*code, 10)};
}

std::vector<std::string> drawnTexts(const testsupport::RecordingPrintJob& job)
{
    std::vector<std::string> out;
    int page = 0;
    for (const std::string& l : job.log) {
        if (l.rfind("page ", 0) == 0)
            page = std::stoi(l.substr(5));
        if (l.rfind("text ", 0) == 0) {
            // "text X Y ALIGN FACE HEIGHT TEXT": the text is what follows the sixth blank.
            std::size_t at = 0;
            for (int i = 0; i < 6; ++i)
                at = l.find(' ', at) + 1;
            out.push_back(std::to_string(page) + ":" + l.substr(at));
        }
    }
    return out;
}

bool drew(const testsupport::RecordingPrintJob& job, const std::string& text)
{
    const std::vector<std::string> texts = drawnTexts(job);
    return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.ends_with(":" + text); });
}

bool appendRecord(storage::Table& t, const std::vector<std::pair<const char*, core::Value>>& fields)
{
    bool ok = t.append().ok();
    for (const auto& [name, value] : fields)
        ok = ok && t.put(name, value).ok();
    return ok;
}

std::vector<std::string> ReportSite::values(const std::string& table, const char* field) const
{
    return column(table.find('/') == std::string::npos ? pathOf(table.c_str()) : table, field);
}

double ReportSite::number(const std::string& table, const char* keyField, const std::string& key,
                          const char* field) const
{
    const auto keys = values(table, keyField);
    const auto numbers = values(table, field);
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (keys[i] == key)
            return numbers[i].empty() ? 0.0 : std::stod(numbers[i]);
    return std::numeric_limits<double>::quiet_NaN();
}

}  // namespace reportstest
