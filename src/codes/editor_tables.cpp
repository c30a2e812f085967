// The rows of the twelve code record editors: titles, labels, fields, pictures and checks.
#include <stdexcept>
#include <string>

#include "codes/code_editor.h"

namespace codes {
namespace {

using C = EntryCheck;

constexpr EditorRow kSupplierRows[] = {
    {"&รหัสผู้ขาย", "CODE", C::Code, "@!"},
    {"&ชื่อผู้ขาย", "NAME", C::Name, ""},
    {"&ที่อยู่", "ADDR1", C::Free, ""},
    {"", "ADDR2", C::Free, ""},
    {"", "ADDR3", C::Free, ""},
    {"&หมายเหตุ", "REMARK1", C::Free, ""},
    {"", "REMARK2", C::Free, ""},
    {"", "REMARK3", C::Free, ""},
};

constexpr EditorRow kCustomerRows[] = {
    {"&รหัสลูกค้า", "CODE", C::Code, "@!"},
    {"&ชื่อลูกค้า", "NAME", C::Name, ""},
    {"&ที่อยู่", "ADDR1", C::Free, ""},
    {"", "ADDR2", C::Free, ""},
    {"", "ADDR3", C::Free, ""},
    {"&หมายเหตุ", "REMARK1", C::Free, ""},
    {"", "REMARK2", C::Free, ""},
    {"", "REMARK3", C::Free, ""},
};

constexpr EditorRow kProductRows[] = {
    {"&รหัสสินค้า", "CODE", C::Code, "@!"},
    {"&ชื่อสินค้า", "NAME", C::Name, ""},
    {"ราคา", "PRICE1", C::Free, "99,999.999"},
    {"", "UNIT1", C::Unit, "@!", "CUNIT1", true},
    {"", "PRICE2", C::Free, "99,999.999"},
    {"", "UNIT2", C::Unit, "@!", "CUNIT2", true},
    {"", "PRICE3", C::Free, "99,999.999"},
    {"", "UNIT3", C::Unit, "@!", "CUNIT3", true},
    {"&หมายเหตุ", "REMARKS", C::Free, ""},
};

// The password and rights of a user are kept by their own dialogs, never by this form.
constexpr EditorRow kEmployeeRows[] = {
    {"&รหัสพนักงาน", "CODE", C::Code, "@!"},
    {"&ชื่อพนักงาน", "NAME", C::Name, ""},
};

constexpr EditorRow kWarehouseRows[] = {
    {"&รหัสคลังสินค้า", "CODE", C::Code, "@!"},
    {"&ชื่อคลังสินค้า", "NAME", C::Name, ""},
    {"&หมายเหตุ", "REMARKS", C::Free, ""},
};

constexpr EditorRow kUnitRows[] = {
    {"&รหัสหน่วยนับ", "CODE", C::Code, "@!"},
    {"&ชื่อหน่วยนับ", "NAME", C::Name, ""},
    {"&อัตราส่วน", "RATE", C::Free, ""},
    {"&หมายเหตุ", "REMARKS", C::Free, ""},
};

constexpr EditorRow kTruckRows[] = {
    {"&รหัสทะเบียนรถ", "CODE", C::Code, "@!"},
    {"&ชื่อทะเบียนรถ", "NAME", C::Name, ""},
    {"&คนขับรถ", "DRIVER", C::Free, ""},
    {"&น้ำหนักรถ", "WEIGHT", C::Free, "99,999"},
    {"&หมายเหตุ", "REMARKS", C::Free, ""},
};

#define GRADE_ROWS(id, codeLabel)                          \
    constexpr EditorRow id[] = {                           \
        {codeLabel, "CODE", C::Code, "@!"},                \
        {"ราย&ละเอียด", "NAME", C::Name, ""},               \
        {"หัก&ราคา/ตัน", "PRICE", C::Free, "99,999.999"},    \
        {"หัก&น้ำหนัก/ตัน", "WEIGHT", C::Free, "99,999.99"}, \
        {"&หมายเหตุ", "REMARKS", C::Free, ""},               \
    };
GRADE_ROWS(kMoistureRows, "&รหัสความชื้น")
GRADE_ROWS(kMixtureRows, "&รหัสสิ่งเจือปน")
GRADE_ROWS(kQualityRows, "&รหัสคุณภาพ")
#undef GRADE_ROWS

constexpr EditorRow kSeriesRows[] = {
    {"&รหัสเลขลำดับ", "CODE", C::Code, "@!"},
    {"ราย&ละเอียด", "NAME", C::Name, ""},
    {"เลข&ที่", "CSNO", C::Free, "@9"},
    {"&หมายเหตุ", "REMARKS", C::Free, ""},
};

constexpr EditorRow kReportRows[] = {
    {"&รหัสรายงาน", "CODE", C::Code, "@!"},
    {"&ชื่อรายงาน", "NAME", C::Name, ""},
};

constexpr EditorDef kEditors[] = {
    {1, "  เพิ่มข้อมูลรหัสผู้ขาย", "  แก้ไขข้อมูลรหัสผู้ขายเดิม", kSupplierRows, false},
    {2, "  เพิ่มข้อมูลรหัสลูกค้า", "  แก้ไขข้อมูลรหัสลูกค้าเดิม", kCustomerRows, false},
    {3, "  เพิ่มข้อมูลรหัสสินค้า", "  แก้ไขข้อมูลรหัสสินค้าเดิม", kProductRows, false},
    {4, "  เพิ่มข้อมูลรหัสพนักงานใหม่", "  แก้ไขข้อมูลรหัสพนักงานเดิม", kEmployeeRows, false},
    {5, "  เพิ่มข้อมูลรหัสคลังสินค้า", "  แก้ไขข้อมูลรหัสคลังสินค้าเดิม", kWarehouseRows, false},
    {6, "  เพิ่มข้อมูลรหัสหน่วยนับ", "  แก้ไขข้อมูลรหัสหน่วยนับเดิม", kUnitRows, false},
    {7, "  เพิ่มข้อมูลรหัสทะเบียนรถ", "  แก้ไขข้อมูลรหัสทะเบียนรถเดิม", kTruckRows, false},
    {8, "  เพิ่มข้อมูลรหัสความชื้น", "  แก้ไขข้อมูลรหัสความชื้นเดิม", kMoistureRows, false},
    {9, "  เพิ่มข้อมูลรหัสสิ่งเจือปน", "  แก้ไขข้อมูลรหัสสิ่งเจือปนเดิม", kMixtureRows, false},
    {10, "  เพิ่มข้อมูลรหัสคุณภาพ", "  แก้ไขข้อมูลรหัสคุณภาพเดิม", kQualityRows, false},
    {11, "  เพิ่มข้อมูลรหัสเลขลำดับ", "  แก้ไขข้อมูลรหัสเลขลำดับเดิม", kSeriesRows, false},
    {12, "  เพิ่มข้อมูลรหัสรายงานใหม่", "  แก้ไขข้อมูลรหัสรายงานเดิม", kReportRows, true},
};

}  // namespace

const EditorDef& editorDef(int number)
{
    if (number < 1 || number > int(std::size(kEditors)))
        throw std::out_of_range("code editor " + std::to_string(number));
    return kEditors[number - 1];
}

}  // namespace codes
