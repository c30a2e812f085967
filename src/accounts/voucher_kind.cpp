#include "accounts/voucher_kind.h"

#include <stdexcept>

#include "core/xbase.h"
#include "weighing/navigation.h"
#include "weighing/payment.h"

namespace accounts {
namespace {

constexpr VoucherKind kKinds[kVoucherKinds] = {
    {1, "MON01", "MON_1", "Money1", "Detail1", "Wdata1", "Wdata2", "REC", "CAN", "Farmer", 1, "cFarmer", "cFarName",
     "ApAcc", "บันทึกการจ่ายเงิน", "  ส่วนบันทึกข้อมูลการจ่ายเงิน", "จ่ายให้", "รวมเงิน",
     {"จ่ายเงินสด", "หักจากเงินกู้", "จ่ายเช็ค"}, weighing::kSearchSupplierVouchers},
    {2, "MON02", "MON_2", "Money2", "Detail2", "Wdata3", "Wdata4", "INV", "RET", "Company", 2, "cCompany", "cComName",
     "ArAcc", "บันทึกการรับเงิน", "  ส่วนบันทึกข้อมูลการรับเงิน", "รับจาก", "รวมเงิน",
     {"รับเงินสด", "หักเงินกู้", "รับเช็ค"}, weighing::kSearchCustomerVouchers},
    {3, "MON03", nullptr, "Money3", nullptr, nullptr, nullptr, nullptr, nullptr, "Farmer", 1, "cFarmer", "cFarName",
     "ApAcc", "บันทึกการให้กู้/เบิกเงิน", "  ส่วนบันทึกข้อมูลการให้กู้หรือให้เบิกเงินล่วงหน้า", "ผู้ขอกู้เงิน", "จำนวนเงิน",
     {"จ่ายเงินสด", "", "จ่ายเช็ค"}, weighing::kSearchSupplierVouchers},
    {4, "MON04", nullptr, "Money4", nullptr, nullptr, nullptr, nullptr, nullptr, "Company", 2, "cCompany", "cComName",
     "ArAcc", "บันทึกการขอกู้/ยืมเงิน", "  ส่วนบันทึกข้อมูลการขอกู้หรือขอยืมเงินล่วงหน้า", "กู้/ยืมจาก", "จำนวนเงิน",
     {"รับเงินสด", "", "รับเช็ค"}, weighing::kSearchCustomerVouchers},
};

}  // namespace

int VoucherKind::payLayout() const
{
    return hasLines() ? weighing::kPayFull : weighing::kPayCashCheque;
}

std::string VoucherKind::form() const
{
    return "Money" + std::to_string(number);
}

bool validVoucherKind(int kind)
{
    return kind >= 1 && kind <= kVoucherKinds;
}

const VoucherKind& voucherKind(int kind)
{
    if (!validVoucherKind(kind))
        throw std::out_of_range("voucher kind " + std::to_string(kind));
    return kKinds[kind - 1];
}

bool validLineType(std::string_view type)
{
    const std::string t = core::xbase::upper(core::xbase::alltrim(type));
    for (const char* known : kLineTypes)
        if (t == known)
            return true;
    return false;
}

}  // namespace accounts
