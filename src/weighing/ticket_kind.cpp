#include "weighing/ticket_kind.h"

#include <stdexcept>

namespace weighing {
namespace {

constexpr TicketKind kKinds[kTicketKinds] = {
    {1, "TRK01", "Wdata1", "ชั่งซื้อ/รับเข้า", "  ส่วนบันทึกข้อมูลการชั่งรับซื้อเข้า", "Farmer", 1, "ผู้ขาย", "cFarmer",
     "cFarName", "APAcc", true, true, false, true, {"จ่ายเงินสด", "ลงบัญชี", "จ่ายเช็ค"}},
    {2, "TRK02", "Wdata2", "ชั่งส่งคืนสินค้า", "  ส่วนบันทึกข้อมูลการชั่งคืนสินค้า", "Farmer", 1, "ผู้ขาย", "cFarmer",
     "cFarName", "APAcc", true, true, false, true, {"รับเงินสด", "ลงบัญชี", "รับเช็ค"}},
    {3, "TRK03", "Wdata3", "ชั่งขาย/ส่งออก", "  ส่วนบันทึกข้อมูลการชั่งส่งสินค้า", "Company", 2, "ลูกค้า", "cCompany",
     "cComName", "ARAcc", true, false, true, true, {"รับเงินสด", "ลงบัญชี", "รับเช็ค"}},
    {4, "TRK04", "Wdata4", "ชั่งรับคืนสินค้า", "  ส่วนบันทึกข้อมูลการชั่งรับคืนสินค้า", "Company", 2, "ลูกค้า", "cCompany",
     "cComName", "ARAcc", true, false, true, true, {"จ่ายเงินสด", "ลงบัญชี", "จ่ายเช็ค"}},
    {5, "TRK05", "Wdata5", "ชั่งรับจ้างชั่ง", "  ส่วนบันทึกข้อมูลการรับจ้างชั่งรถ", "Company", 2, "ผู้จ้าง", "cCompany",
     "cComName", "ARAcc", false, false, false, false, {"รับเงินสด", "ลงบัญชี", ""}},
};

// The truck table follows the ticket for templates; nothing validates a registration against it.
constexpr TicketCodeTable kSupplierTables[] = {
    {"Farmer", "COMPANY", 1}, {"Employee", "", 4},      {"Product", "PRODUCT", 3},   {"WHouse", "WHOUSE", 5},
    {"Unit", "UNIT", 6},      {"Moisture", "MOISTURE", 8}, {"Mixture", "MIXTURE", 9}, {"TruckDt", "TRUCK", 7},
};
constexpr TicketCodeTable kCustomerTables[] = {
    {"Company", "COMPANY", 2}, {"Employee", "", 4}, {"Product", "PRODUCT", 3}, {"WHouse", "WHOUSE", 5},
    {"Unit", "UNIT", 6},       {"Quality", "QUALITY", 10}, {"TruckDt", "TRUCK", 7},
};
constexpr TicketCodeTable kHireTables[] = {
    {"Company", "COMPANY", 2},
    {"Employee", "", 4},
};

}  // namespace

bool validTicketKind(int kind)
{
    return kind >= 1 && kind <= kTicketKinds;
}

const TicketKind& ticketKind(int kind)
{
    if (!validTicketKind(kind))
        throw std::out_of_range("ticket kind " + std::to_string(kind));
    return kKinds[kind - 1];
}

std::string ticketForm(int kind, bool alternate, char stat)
{
    std::string form = alternate ? "Print" : "Ticket";
    form += char('0' + kind);
    form += stat;
    return form;
}

std::span<const TicketCodeTable> ticketCodeTables(int kind)
{
    const TicketKind& k = ticketKind(kind);
    if (!k.goods)
        return kHireTables;
    return k.moistureGrades ? std::span<const TicketCodeTable>(kSupplierTables)
                            : std::span<const TicketCodeTable>(kCustomerTables);
}

}  // namespace weighing
