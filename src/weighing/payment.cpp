#include "weighing/payment.h"

#include <algorithm>
#include <cmath>

#include "core/xbase.h"

namespace weighing {
namespace {

double money(double v)
{
    return core::xbase::roundDecimal(v, 2);
}

void setMoney(core::ValueMap& values, const char* name, double v)
{
    values.set(name, core::Value::number(money(v), 2));
}

}  // namespace

const char* payPartValue(int part)
{
    switch (part) {
    case kPartAccount: return "cDrCr";
    case kPartCheque: return "cCheque";
    default: return "cCash";
    }
}

bool PAYMENT(core::ValueMap& values, int layout, int part)
{
    // A part the layout lacks is 0 and stays 0: the parts it has take the whole amount.
    const bool hasAccount = layout != kPayCashCheque;
    const bool hasCheque = layout != kPayCashAccount && layout != kPayCashAccountButton;
    const double amount = values.number("cAmount");
    double cash = values.number("cCash");
    double account = hasAccount ? values.number("cDrCr") : 0;
    double cheque = hasCheque ? values.number("cCheque") : 0;
    auto rest = [&](double v, bool has) { return has ? std::max(v, 0.0) : 0.0; };
    switch (part) {
    case kPartCash:
        cash = std::min(cash, amount);
        account = rest(amount - cash - cheque, hasAccount);
        cheque = rest(amount - cash - account, hasCheque);
        break;
    case kPartAccount:
        account = rest(std::min(account, amount), hasAccount);
        cash = std::max(amount - account - cheque, 0.0);
        cheque = rest(amount - cash - account, hasCheque);
        break;
    case kPartCheque:
        cheque = rest(std::min(cheque, amount), hasCheque);
        cash = std::max(amount - cheque - account, 0.0);
        account = rest(amount - cash - cheque, hasAccount);
        break;
    default:
        return true;
    }
    setMoney(values, "cCash", cash);
    setMoney(values, "cDrCr", account);
    setMoney(values, "cCheque", cheque);
    return true;
}

void PAYBUTTON(core::ValueMap& values, int, int part)
{
    const double amount = values.number("cAmount");
    for (int p : {kPartCash, kPartAccount, kPartCheque})
        setMoney(values, payPartValue(p), p == part ? amount : 0);
}

bool paymentBalances(const core::ValueMap& values)
{
    const double parts =
        std::fabs(values.number("cCash")) + std::fabs(values.number("cDrCr")) + std::fabs(values.number("cCheque"));
    return money(parts) == money(values.number("cAmount"));
}

}  // namespace weighing
