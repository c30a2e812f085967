// Demo content: a handful of realistic codes in every code table, so a new user of a demo site can
// weigh at once. The rows are CSV in the format of `mervo-admin dump` and go through the same
// loader as `mervo-admin load`: the normal shared append with every index kept.
#include <memory>

#include "core/ini_file.h"
#include "core/password.h"
#include "core/tis620.h"
#include "shell/config.h"
#include "site/site_setup.h"
#include "storage/catalogue.h"
#include "storage/table.h"
#include "storage/table_csv.h"

namespace site {
namespace {

struct DemoRows {
    const char* table;
    const char* csv;  // UTF-8
};

// Suppliers (farmers and a cooperative) and customers around a rice and field-crop buyer.
constexpr DemoRows kRows[] = {
    {"Farmer",
     "CODE,NAME,ADDR1,ADDR2,ADDR3,REMARK1\n"
     "F001,นายสมศักดิ์ ทองดี,12 หมู่ 3 ตำบลหนองบัว,อำเภอเมืองนครสวรรค์,จังหวัดนครสวรรค์ 60000,ขายข้าวหอมมะลิ\n"
     "F002,นางสาวมาลี ศรีสุข,45 หมู่ 7 ตำบลบางม่วง,อำเภอเมืองนครสวรรค์,จังหวัดนครสวรรค์ 60000,\n"
     "F003,นายประยูร แก้วมณี,8 หมู่ 1 ตำบลท่าตะโก,อำเภอท่าตะโก,จังหวัดนครสวรรค์ 60160,ขายข้าวโพด\n"
     "F004,สหกรณ์การเกษตรหนองบัว จำกัด,101 ถนนพหลโยธิน,อำเภอหนองบัว,จังหวัดนครสวรรค์ 60110,จ่ายเงินโอน\n"
     "F005,นายบุญมี รักษาไร่,77 หมู่ 5 ตำบลพยุหะ,อำเภอพยุหะคีรี,จังหวัดนครสวรรค์ 60130,ขายมันสำปะหลัง\n"},
    {"Company",
     "CODE,NAME,ADDR1,ADDR2,ADDR3,REMARK1\n"
     "C001,บริษัท ข้าวไทยส่งออก จำกัด,99 ถนนพระรามที่ 2,แขวงบางมด เขตจอมทอง,กรุงเทพมหานคร 10150,เครดิต 30 วัน\n"
     "C002,โรงสีไฟเจริญผล,5 หมู่ 2 ตำบลตาคลี,อำเภอตาคลี,จังหวัดนครสวรรค์ 60140,\n"
     "C003,ห้างหุ้นส่วนจำกัด อาหารสัตว์รุ่งเรือง,210 ถนนสวรรค์วิถี,อำเภอเมืองนครสวรรค์,จังหวัดนครสวรรค์ 60000,\n"
     "C004,บริษัท แป้งมันสยาม จำกัด,33 หมู่ 9 ตำบลหนองโพ,อำเภอตาคลี,จังหวัดนครสวรรค์ 60140,รับมันสำปะหลัง\n"},
    // Rates in kilograms, the unit the scale weighs in.
    {"Unit",
     "CODE,NAME,RATE,REMARKS\n"
     "KG,กิโลกรัม,1,หน่วยพื้นฐาน\n"
     "TON,ตัน,1000,\n"
     "KWIAN,เกวียน,1000,ข้าวเปลือก 1 เกวียน = 1 ตัน\n"
     "THANG,ถัง,10,ข้าวเปลือก 1 ถัง ประมาณ 10 กิโลกรัม\n"
     "SACK50,กระสอบ 50 กิโลกรัม,50,\n"},
    // Prices per unit in the order of UNIT1 .. UNIT3.
    {"Product",
     "CODE,NAME,UNIT1,UNIT2,UNIT3,PRICE1,PRICE2,PRICE3,REMARKS\n"
     "P001,ข้าวเปลือกหอมมะลิ,KG,KWIAN,THANG,12.5,12500,125,ความชื้นมาตรฐาน 15%\n"
     "P002,ข้าวเปลือกเจ้า,KG,KWIAN,THANG,9.8,9800,98,\n"
     "P003,ข้าวโพดเลี้ยงสัตว์,KG,TON,SACK50,8.65,8650,432.5,\n"
     "P004,มันสำปะหลังสด,KG,TON,,2.95,2950,,เชื้อแป้ง 25%\n"
     "P005,อ้อยโรงงาน,TON,KG,,1050,1.05,,\n"},
    {"WHouse",
     "CODE,NAME,REMARKS\n"
     "W01,โกดังหน้า,ข้าวเปลือก\n"
     "W02,โกดังหลัง,ข้าวโพดและมันสำปะหลัง\n"
     "W03,ลานตาก,พักสินค้าความชื้นสูง\n"},
    // Registration with province and body type; the truck's own weight in whole kilograms.
    {"TruckDt",
     "CODE,NAME,DRIVER,WEIGHT,REMARKS\n"
     "70-1234,70-1234 นครสวรรค์ สิบล้อ,นายสมปอง ขับดี,11250,\n"
     "81-5678,81-5678 นครสวรรค์ หกล้อ,นายวิชัย ใจเย็น,6480,\n"
     "82-9012,82-9012 นครสวรรค์ รถพ่วง,นายเสกสรร มั่นคง,15600,\n"
     "70-3456,70-3456 อุทัยธานี กระบะ,นายอำนาจ พากเพียร,1850,\n"
     "83-7788,83-7788 ชัยนาท สิบล้อ,นายประเสริฐ สุขใจ,11980,\n"},
    // Deductions per ton of net weight: kilograms and baht.
    {"Moisture",
     "CODE,NAME,WEIGHT,PRICE,REMARKS\n"
     "M15,ความชื้นไม่เกิน 15%,0,0,\n"
     "M20,ความชื้นเกิน 15% ถึง 20%,30,100,\n"
     "M25,ความชื้นเกิน 20% ถึง 25%,80,250,\n"
     "M30,ความชื้นเกิน 25%,150,500,\n"},
    {"Mixture",
     "CODE,NAME,WEIGHT,PRICE,REMARKS\n"
     "X0,ไม่มีสิ่งเจือปน,0,0,\n"
     "X2,สิ่งเจือปนไม่เกิน 2%,20,50,\n"
     "X5,สิ่งเจือปนเกิน 2% ถึง 5%,50,150,\n"},
    {"Quality",
     "CODE,NAME,WEIGHT,PRICE,REMARKS\n"
     "Q1,คุณภาพดีมาก,0,0,\n"
     "Q2,คุณภาพดี,10,50,\n"
     "Q3,คุณภาพพอใช้,30,200,\n"},
};

bool loadRows(const Site& site, std::string* error)
{
    for (const DemoRows& r : kRows) {
        const storage::TableDef* def = storage::findTable(r.table);
        std::unique_ptr<storage::Table> t;
        storage::csv::Document doc;
        std::vector<std::string> records;
        storage::Status s = def ? storage::openCatalogueTable(site.folder(def->folderSetting), *def, storage::ShareMode::Shared, &t) : storage::Status::notFound("not in the catalogue");
        if (s.ok())
            s = storage::csv::parse(r.csv, &doc);
        if (s.ok())
            s = storage::csv::toRecords(doc, t->layout(), &records);
        if (s.ok())
            s = storage::csv::appendRecords(*t, records);
        if (s.ok())
            s = t->close();
        if (!s.ok()) {
            *error = std::string(r.table) + ": " + s.toString();
            return false;
        }
    }
    return true;
}

// A weighing operator beside the administrator init made: weighs, edits tickets and records
// vouchers, prints reports, adds codes; no file maintenance or settings. Same password as the
// demo administrator.
bool addOperator(const Site& site, std::string* error)
{
    // Levels by rights position: 1-5 weighing 4, 6-10 vouchers and production 3, 11-14 status 1,
    // 15 reports 2, 16 edit log 1, 17-28 code tables 3, 29-33 maintenance and settings 0.
    const std::string rights = "44444" "33333" "1111" "2" "1" "333333333333" "00000" "000000000";
    std::unique_ptr<storage::Table> t;
    const storage::TableDef& def = storage::codeTable(4);
    storage::Status s = storage::openCatalogueTable(site.folder(def.folderSetting), def, storage::ShareMode::Shared, &t);
    if (s.ok())
        s = t->appendWait();
    if (s.ok())
        s = t->put("CODE", core::Value::text("OPER1"));
    if (s.ok())
        s = t->put("NAME", core::Value::text(core::tis620::T("นางสาวสุดา ชั่งตรง")));
    if (s.ok())
        s = t->put("PASS_W", core::Value::text(core::password::stored(kDemoPassword)));
    if (s.ok())
        s = t->put("TRUSTEE", core::Value::text(rights));
    if (s.ok())
        s = t->commit();
    if (s.ok())
        s = t->close();
    if (!s.ok())
        *error = "Employee: " + s.toString();
    return s.ok();
}

// The grades' rates are per ton of net weight: kilograms off the weight, baht off the money.
// Purchases deduct for moisture and impurity (their money into "other deductions", the sixth), sales
// for quality; each deduction may still be typed over on the ticket.
constexpr std::pair<const char*, const char*> kGradeFormulas[] = {
    {"Adjust11", "XROUND(cNet * Moisture->WEIGHT / 1000, 2)"},
    {"Adjust12", "XROUND(cNet * Mixture->WEIGHT / 1000, 2)"},
    {"Adjust16", "XROUND(cNet * (Moisture->PRICE + Mixture->PRICE) / 1000, 2)"},
    {"Adjust31", "XROUND(cNet * Quality->WEIGHT / 1000, 2)"},
    {"Adjust34", "XROUND(cNet * Quality->PRICE / 1000, 2)"},
};

bool writeGradeFormulas(const Site& site, std::string* error)
{
    core::IniFile ini(site.configFile);
    for (const auto& [key, formula] : kGradeFormulas)
        if (!shell::writeKey(ini, "Variable", key, core::Value::text(formula))) {
            *error = site.configFile + ": " + ini.error();
            return false;
        }
    return true;
}

constexpr DemoStep kSteps[] = {
    {"code tables", loadRows},
    {"operator", addOperator},
    {"grade deductions", writeGradeFormulas},
};

}  // namespace

std::span<const DemoStep> codeTableDemoSteps()
{
    return kSteps;
}

}  // namespace site
