#include "codes/code_tables.h"

#include <stdexcept>
#include <string>

namespace codes {
namespace {

#define CODE_NAME_COLUMNS(id, code, name) \
    constexpr CodeColumn id[] = {{"  " code, "CODE", 100, false}, {"  " name, "NAME", 300, false}};
CODE_NAME_COLUMNS(kFarmer, "รหัสผู้ขาย", "ชื่อผู้ขาย")
CODE_NAME_COLUMNS(kCompany, "รหัสลูกค้า", "ชื่อลูกค้า")
CODE_NAME_COLUMNS(kProduct, "รหัสสินค้า", "ชื่อสินค้า")
CODE_NAME_COLUMNS(kEmployee, "รหัสพนักงาน", "ชื่อพนักงาน")
CODE_NAME_COLUMNS(kWHouse, "รหัสคลังสินค้า", "ชื่อคลังสินค้า")
CODE_NAME_COLUMNS(kUnit, "รหัสหน่วยนับ", "ชื่อหน่วยนับ")
CODE_NAME_COLUMNS(kTruck, "รหัสทะเบียนรถ", "ชื่อทะเบียนรถ")
CODE_NAME_COLUMNS(kMoisture, "รหัสความชื้น", "รายละเอียด")
CODE_NAME_COLUMNS(kMixture, "รหัสสิ่งเจือปน", "รายละเอียด")
CODE_NAME_COLUMNS(kQuality, "รหัสคุณภาพ", "รายละเอียด")
CODE_NAME_COLUMNS(kRepList, "รหัสรายงาน", "ชื่อรายงาน")
#undef CODE_NAME_COLUMNS
constexpr CodeColumn kConsec[] = {
    {"  รหัสเลขลำดับ", "CODE", 100, false}, {"  รายละเอียด", "NAME", 300, false}, {"  เลขที่", "CSNO", 120, true}};

constexpr CodeTableDef kTables[kCodeTables] = {
    {1, "farmer", "  ส่วนจัดการตารางรหัสผู้ขาย", kFarmer, "Farmer->code"},
    {2, "company", "  ส่วนจัดการตารางรหัสลูกค้า", kCompany, "Company->code"},
    {3, "Product", "  ส่วนจัดการตารางรหัสสินค้า", kProduct, "Product->code"},
    {4, "Employee", "  ส่วนจัดการตารางรหัสพนักงาน", kEmployee, "Employee->code"},
    {5, "WHouse", "  ส่วนจัดการตารางรหัสคลังสินค้า", kWHouse, "WHouse->code"},
    {6, "Unit", "  ส่วนจัดการตารางรหัสหน่วยนับ", kUnit, "Unit->code"},
    {7, "TruckDT", "  ส่วนจัดการตารางรหัสทะเบียนรถ", kTruck, "TruckDt->code"},
    {8, "Moisture", "  ส่วนจัดการตารางรหัสความชื้น", kMoisture, "Moisture->code"},
    {9, "Mixture", "  ส่วนจัดการตารางรหัสสิ่งเจือปน", kMixture, "Mixture->code"},
    {10, "Quality", "  ส่วนจัดการตารางรหัสคุณภาพ", kQuality, "Quality->code"},
    {11, "Consec", "  ส่วนจัดการตารางรหัสเลขลำดับ", kConsec, "Consec->code"},
    {12, "RepList", "  ส่วนจัดการตารางรหัสรายงาน", kRepList, "RepList->code"},
};

}  // namespace

const CodeTableDef& codeTableDef(int number)
{
    if (number < 1 || number > kCodeTables)
        throw std::out_of_range("code table number " + std::to_string(number));
    return kTables[number - 1];
}

}  // namespace codes
