// The rows of the four status screens and their editors.
#include "accounts/status_tables.h"

#include <stdexcept>
#include <string>

namespace accounts {
namespace {

using E = StatusEntry;

// Balances show whole units in the stock list and with their satang in the money ledgers.
constexpr StatusColumn kStockColumns[] = {
    {"  รหัสสินค้า", "CODE", 100, false},
    {"  ชื่อสินค้า", "Product->NAME", 260, false},
    {"  คลังสินค้า", "WHOUSE", 100, false},
    {"ยอดคงเหลือ  ", "TRANSFORM(BALANCE, '999,999,999')", 130, true},
};
constexpr StatusColumn kSupplierColumns[] = {
    {"  รหัสผู้ขาย", "CODE", 100, false},
    {"  ชื่อผู้ขาย", "farmer->NAME", 260, false},
    {"ยอดคงเหลือ  ", "TRANSFORM(BALANCE, '999,999,999.99')", 140, true},
    {"ยอดเงินกู้  ", "TRANSFORM(BORROW, '999,999,999.99')", 140, true},
};
constexpr StatusColumn kCustomerColumns[] = {
    {"  รหัสผู้ซื้อ", "CODE", 100, false},
    {"  ชื่อผู้ซื้อ", "company->NAME", 260, false},
    {"ยอดคงเหลือ  ", "TRANSFORM(BALANCE, '999,999,999.99')", 140, true},
    {"ยอดเงินกู้  ", "TRANSFORM(BORROW, '999,999,999.99')", 140, true},
};
constexpr StatusColumn kOrderColumns[] = {
    {"  ผู้ซื้อ", "company->NAME", 200, false},
    {"  สินค้า", "Product->NAME", 160, false},
    {"  ใบสั่งซื้อ", "CODE", 100, false},
    {"น้ำหนักสั่ง  ", "TRANSFORM(ORWEIGHT, '999,999,999')", 110, true},
    {"ยอดเงินสั่ง  ", "TRANSFORM(ORAMOUNT, '999,999,999.99')", 130, true},
    {"  น้ำหนักส่ง", "TRANSFORM(WEIGHT, '999,999,999')", 110, true},
    {"  ยอดเงินส่ง", "TRANSFORM(AMOUNT, '999,999,999.99')", 130, true},
};

constexpr NameTable kStockNames[] = {{3, "CODE"}, {5, nullptr}};
constexpr NameTable kSupplierNames[] = {{1, "CODE"}};
constexpr NameTable kCustomerNames[] = {{2, "CODE"}};
constexpr NameTable kOrderNames[] = {{2, "COMPANY"}, {3, "PRODUCT"}};

constexpr const char* kStockKey[] = {"CODE", "WHOUSE"};
constexpr const char* kAccountKey[] = {"CODE"};
constexpr const char* kOrderKey[] = {"COMPANY", "PRODUCT", "CODE"};

constexpr const char* kMoney = "999,999,999.99";
constexpr const char* kWeight = "999,999,999";

constexpr StatusEditorRow kStockRows[] = {
    {"รหัสสินค้า", "CODE", E::Code, "@!", 3, "cProName", true},
    {"ชื่อสินค้า", "cProName", E::Name, "", 3},
    {"คลังสินค้า", "WHOUSE", E::Code, "@!", 5, nullptr, true},
    {"ยอดคงเหลือ", "BALANCE", E::Number, kMoney},
};
constexpr StatusEditorRow kSupplierRows[] = {
    {"รหัสผู้ขาย", "CODE", E::Code, "@!", 1, "cFarName", true},
    {"ชื่อผู้ขาย", "cFarName", E::Name, "", 1},
    {"ยอดคงเหลือ", "BALANCE", E::Number, kMoney},
    {"ยอดเงินกู้", "BORROW", E::Number, kMoney},
};
constexpr StatusEditorRow kCustomerRows[] = {
    {"รหัสผู้ซื้อ", "CODE", E::Code, "@!", 2, "cComName", true},
    {"ชื่อผู้ซื้อ", "cComName", E::Name, "", 2},
    {"ยอดคงเหลือ", "BALANCE", E::Number, kMoney},
    {"ยอดเงินกู้", "BORROW", E::Number, kMoney},
};
constexpr StatusEditorRow kOrderRows[] = {
    {"เลขที่ใบสั่งซื้อ", "CODE", E::Text, "@!", 0, nullptr, true},
    {"วันที่ใบสั่งซื้อ", "DATE", E::Date, ""},
    {"รหัสผู้ซื้อ", "COMPANY", E::Code, "@!", 2, "cComName", true},
    {"ชื่อผู้ซื้อ", "cComName", E::Name, "", 2},
    {"รหัสสินค้า", "PRODUCT", E::Code, "@!", 3, "cProName", true},
    {"ชื่อสินค้า", "cProName", E::Name, "", 3},
    {"น้ำหนักสั่ง", "ORWEIGHT", E::Number, kWeight},
    {"ยอดเงินสั่ง", "ORAMOUNT", E::Number, kMoney},
    {"น้ำหนักส่ง", "WEIGHT", E::Number, kWeight},
    {"ยอดเงินส่ง", "AMOUNT", E::Number, kMoney},
    {"ราคาขาย", "PRICE", E::Number, "999,999.99"},
};

constexpr StatusDef kScreens[kStatusScreens] = {
    {1, 11, "  ตารางข้อมูลสถานะของสินค้า", "Stock", kStockNames, kStockColumns, kStockKey,
     "  เพิ่มข้อมูลสถานะของสินค้า", "  แก้ไขข้อมูลสถานะของสินค้า", kStockRows},
    {2, 12, "  ตารางข้อมูลสถานะของผู้ขาย", "ApAcc", kSupplierNames, kSupplierColumns, kAccountKey,
     "  เพิ่มข้อมูลสถานะของผู้ขาย", "  แก้ไขข้อมูลสถานะของผู้ขาย", kSupplierRows},
    {3, 13, "  ตารางข้อมูลสถานะของผู้ซื้อ", "ArAcc", kCustomerNames, kCustomerColumns, kAccountKey,
     "  เพิ่มข้อมูลสถานะของผู้ซื้อ", "  แก้ไขข้อมูลสถานะของผู้ซื้อ", kCustomerRows},
    {4, 14, "  ตารางข้อมูลการสั่งซื้อ", "OrAcc", kOrderNames, kOrderColumns, kOrderKey,
     "  เพิ่มข้อมูลใบสั่งซื้อใหม่", "  แก้ไขข้อมูลใบสั่งซื้อเดิม", kOrderRows},
};

}  // namespace

const StatusDef& statusDef(int number)
{
    if (number < 1 || number > kStatusScreens)
        throw std::out_of_range("status screen " + std::to_string(number));
    return kScreens[number - 1];
}

}  // namespace accounts
