#include "weighing/calc.h"

#include <cmath>

#include "core/fault.h"
#include "core/ini_file.h"
#include "core/paths.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "expr/functions.h"
#include "shell/config.h"
#include "weighing/payment.h"
#include "weighing/ticket_store.h"
#include "weighing/ticket_values.h"
#include "weighing/ticket_kind.h"
#include "weighing/ticket_store.h"
#include "weighing/ticket_values.h"

namespace weighing {
namespace {

using core::tis620::T;

// Caption defaults (UTF-8): [0] kinds 1 and 2, [1] kinds 3 and 4.
constexpr const char* kRemarkDefaults[2][4] = {
    {"หมายเหตุ", "", "", ""},
    {"หมายเหตุ 1", "หมายเหตุ 2", "หมายเหตุ 3", "หมายเหตุ 4"},
};
constexpr const char* kAdjustDefaults[2][6] = {
    {"หักความชื้น", "หักสิ่งเจือปน", "หักน้ำหนัก", "หักค่าชั่ง", "หักเบิกล่วงหน้า", "หักอื่นๆ"},
    {"หักน้ำหนัก 1", "หักน้ำหนัก 2", "หักน้ำหนัก 3", "หักเงิน 1", "หักเงิน 2", "หักเงิน 3"},
};

constexpr const char* kAdjustTargets[6] = {"cAdj_W1", "cAdj_W2", "cAdj_W3", "cAdj_M1", "cAdj_M2", "cAdj_M3"};
constexpr const char* kRemarkTargets[4] = {"cRemark1", "cRemark2", "cRemark3", "cRemark4"};
constexpr const char* kVarTargets[3] = {"cVar1", "cVar2", "cVar3"};

std::string keyName(const char* stem, int kind, int field = 0)
{
    std::string k = stem + std::to_string(kind);
    if (field > 0)
        k += std::to_string(field);
    return k;
}

double number(const core::ValueMap& v, const char* name)
{
    return v.number(name);
}

void setMoney(core::ValueMap& v, const char* name, double amount)
{
    v.set(name, core::Value::number(amount, 2));
}

}  // namespace

void readFormula(core::IniFile& ini, Formula& f, std::string key)
{
    f.key = std::move(key);
    f.text = core::xbase::alltrim(shell::readKey(ini, "Variable", f.key.c_str(), ""));
    if (f.configured())
        f.compiled = expr::Expression::compile(f.text, &f.error);
}

bool applyFormula(Formula& f, expr::Context& context, core::ValueMap& values, const char* target)
{
    if (!f.configured())
        return false;
    if (!f.compiled.valid()) {
        core::Fault fault;
        fault.genCode = core::EG_SYNTAX;
        fault.subsystem = "BASE";
        fault.subCode = 1449;
        fault.description = "Syntax error: " + f.error.message;
        fault.operation = f.key + "=" + f.text;
        fault.canDefault = true;
        (void)core::raise(fault);
        return true;
    }
    core::Value out;
    if (f.compiled.evaluate(context, out))
        values.set(target, std::move(out));
    return true;
}

CalcConfig readCalcConfig(int kind)
{
    return readCalcConfig(kind, core::programSettings().text("VARFILE"));
}

CalcConfig readCalcConfig(int kind, const std::string& configFile)
{
    const TicketKind& k = ticketKind(kind);
    CalcConfig c;
    c.kind = kind;
    core::IniFile ini(core::paths::native(configFile));
    if (!k.goods) {
        c.remarkCaptions[0] = shell::readKey(ini, "Name", keyName("Remark", kind, 1).c_str(), T("หมายเหตุ"));
        readFormula(ini, c.amount, keyName("Amount", kind));
        readFormula(ini, c.remarks[0], keyName("Remark", kind, 1));
        for (int i = 0; i < 3; ++i)
            readFormula(ini, c.vars[std::size_t(i)], keyName("Var", kind, i + 1));
        return c;
    }
    const int family = k.qualityGrade ? 1 : 0;
    const int remarks = k.qualityGrade ? 4 : 3;
    for (int i = 0; i < remarks; ++i)
        c.remarkCaptions[std::size_t(i)] =
            shell::readKey(ini, "Name", keyName("Remark", kind, i + 1).c_str(), T(kRemarkDefaults[family][i]));
    for (int i = 0; i < 6; ++i)
        c.adjustCaptions[std::size_t(i)] =
            shell::readKey(ini, "Name", keyName("Adjust", kind, i + 1).c_str(), T(kAdjustDefaults[family][i]));
    readFormula(ini, c.qty, keyName("Qty", kind));
    readFormula(ini, c.price, keyName("Price", kind));
    readFormula(ini, c.amount, keyName("Amount", kind));
    for (int i = 0; i < remarks; ++i)
        readFormula(ini, c.remarks[std::size_t(i)], keyName("Remark", kind, i + 1));
    for (int i = 0; i < 6; ++i)
        readFormula(ini, c.adjusts[std::size_t(i)], keyName("Adjust", kind, i + 1));
    for (int i = 0; i < 3; ++i)
        readFormula(ini, c.vars[std::size_t(i)], keyName("Var", kind, i + 1));
    return c;
}

Calculator::Calculator(int kind, CalcConfig& config, storage::Workspace& ws, core::ValueMap& values,
                       const core::Settings& settings)
    : m_kind(kind),
      m_config(config),
      m_ws(ws),
      m_values(values),
      m_settings(settings),
      m_tables(ws),
      m_screen(values),
      m_settingLayer(settings),
      m_context({&m_tables, &m_screen, &m_settingLayer})
{
}

double Calculator::xround(double value, int decimals) const
{
    return expr::xround(value, decimals, expr::decimalCorrection(m_settings.get("CDECCOR")));
}

bool Calculator::secondOrComplete() const
{
    if (int(m_values.number("CSTEP")) == kTicketSecondWeighing)
        return true;
    storage::Table* t = m_ws.find(kTicketAlias);
    return t && readTicketRecord(*t).complete();
}

// True when the formula is configured (whatever its evaluation gave): the built-in rule then does
// not apply.
bool Calculator::apply(Formula& f, const char* target)
{
    return applyFormula(f, m_context, m_values, target);
}

void Calculator::WEIGHCALC()
{
    const bool goods = ticketKind(m_kind).goods;
    if (!secondOrComplete()) {
        setMoney(m_values, "cNet", 0);
        if (goods) {
            setMoney(m_values, "cQty", 0);
            setMoney(m_values, "cAmount", 0);
        }
        return;
    }
    setMoney(m_values, "cNet", std::fabs(number(m_values, "cWin") - number(m_values, "cWout")));
    if (!goods)
        return;
    if (!apply(m_config.qty, "cQty"))
        setMoney(m_values, "cQty",
                 core::xbase::roundDecimal(number(m_values, "cNet") - number(m_values, "cAdj_W1") -
                                               number(m_values, "cAdj_W2") - number(m_values, "cAdj_W3"),
                                           2));
    if (!apply(m_config.amount, "cAmount")) {
        const double rate = number(m_values, "cRate");
        // A division by zero gives 0, as the error trap answers it.
        const double gross = rate != 0 ? number(m_values, "cQty") / rate * number(m_values, "cPrice") : 0;
        setMoney(m_values, "cAmount",
                 xround(gross - number(m_values, "cAdj_M1") - number(m_values, "cAdj_M2") -
                            number(m_values, "cAdj_M3"),
                        2));
    }
}

void Calculator::applyVarFormulas()
{
    for (std::size_t i = 0; i < m_config.vars.size(); ++i)
        apply(m_config.vars[i], kVarTargets[i]);
}

double Calculator::unitRate()
{
    storage::Table* unit = m_ws.find("Unit");
    core::Value rate;
    if (!unit || !seekCode(*unit, m_values.text("cUnit")) || !unit->get("RATE", &rate).ok())
        return 0;
    return rate.asNumber();
}

// The grade tables stand on the grades the screen shows: a formula naming a grade's row (its
// deduction rates) reads the grade chosen, not the one of the record the ticket table stands on,
// which for a new ticket is none and during an edit may be the grade before the change.
void Calculator::seekScreenGrades()
{
    for (const GradeName& g : kGradeNames)
        if (storage::Table* t = m_ws.find(g.table); t && m_values.has(g.code) && !seekCode(*t, m_values.text(g.code)))
            (void)t->goTo(t->recCount() + 1);  // no grade: the blank row, which deducts nothing
}

bool Calculator::TRPROCSAY(int field)
{
    const TicketKind& k = ticketKind(m_kind);
    const bool orderNumber = field == kPosOrderNumber;
    if (orderNumber)
        field = kPosCode;
    seekScreenGrades();

    WEIGHCALC();
    applyVarFormulas();
    if (field == kPosCode) {
        apply(m_config.remarks[0], kRemarkTargets[0]);
        if (k.goods) {
            const double rate = unitRate();
            if (rate > 0)
                m_values.set("cRate", core::Value::number(rate, 3));
        }
        if (k.qualityGrade && !orderNumber)
            apply(m_config.remarks[3], kRemarkTargets[3]);
    }
    if (k.goods) {
        if (field < 2)
            apply(m_config.remarks[1], kRemarkTargets[1]);
        if (field < 3)
            apply(m_config.remarks[2], kRemarkTargets[2]);
        for (int i = 0; i < 3; ++i)
            if (field < kPosAdjustW1 + i)
                apply(m_config.adjusts[std::size_t(i)], kAdjustTargets[i]);
        if (field < kPosPrice)
            priceRule();
        for (int i = 3; i < 6; ++i)
            if (field < kPosAdjustM1 + i - 3)
                apply(m_config.adjusts[std::size_t(i)], kAdjustTargets[i]);
    }
    WEIGHCALC();
    if (secondOrComplete()) {
        // Leaving the fee puts it into the default payment part; the Amount formula would
        // overwrite the fee just typed.
        if (field != kPosFee)
            apply(m_config.amount, "cAmount");
        defaultPayment();
    }
    return true;
}

void Calculator::priceRule()
{
    if (core::xbase::alltrim(m_settings.text("CORCTRL")) == "1" && number(m_values, "cPrice") != 0)
        return;
    if (apply(m_config.price, "cPrice"))
        return;
    const std::string unit = paddedCode(m_values.text("cUnit"));
    if (core::xbase::alltrim(unit).empty())
        return;
    storage::Table* ticket = m_ws.find(kTicketAlias);
    core::Value storedProduct, storedUnit;
    if (ticket) {
        (void)ticket->get("PRODUCT", &storedProduct);
        (void)ticket->get("UNIT", &storedUnit);
    }
    const bool changed = !storedProduct.isText() || paddedCode(storedProduct.asText()) != paddedCode(m_values.text("cProduct")) ||
                         !storedUnit.isText() || paddedCode(storedUnit.asText()) != unit;
    if (number(m_values, "cPrice") != 0 && !changed)
        return;
    storage::Table* product = m_ws.find("Product");
    if (!product || !seekCode(*product, m_values.text("cProduct")))
        return;
    for (const char* n : {"1", "2", "3"}) {
        core::Value u, p;
        if (product->get(std::string("UNIT") + n, &u).ok() && u.isText() && paddedCode(u.asText()) == unit &&
            product->get(std::string("PRICE") + n, &p).ok()) {
            m_values.set("cPrice", core::Value::number(p.asNumber(), 3));
            return;
        }
    }
}

void Calculator::defaultPayment()
{
    const double parts = m_values.number("cCash") + m_values.number("cDrCr") + m_values.number("cCheque");
    if (core::xbase::roundDecimal(parts, 2) == core::xbase::roundDecimal(m_values.number("cAmount"), 2))
        return;
    const std::string setting = core::xbase::alltrim(m_settings.text("CPAYCASE"));
    int part = setting == "2" ? kPartAccount : setting == "3" ? kPartCheque : kPartCash;
    // Kind 5 has no cheque part: the fee would vanish into a part the screen neither shows nor
    // stores, so it goes into cash.
    if (part == kPartCheque && !ticketKind(m_kind).cheque)
        part = kPartCash;
    PAYBUTTON(m_values, ticketKind(m_kind).cheque ? kPayFull : kPayCashAccountButton, part);
}

}  // namespace weighing
