#include "weighing/ticket_values.h"

#include <cmath>

#include "audit/audit.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/ops.h"
#include "weighing/calc.h"
#include "weighing/evidence_log.h"
#include "weighing/ticket_kind.h"
#include "weighing/ticket_store.h"

namespace weighing {
namespace {

using core::tis620::T;

// Screen value <- ticket field, for every field the display loads as it is stored.
struct Loaded {
    const char* value;
    const char* field;
};
constexpr Loaded kLoaded[] = {
    {"cTicket", "TICKET"},     {"cTruck", "TRUCK"},       {"cProduct", "PRODUCT"},   {"cWhouse", "WHOUSE"},
    {"cUnit", "UNIT"},         {"cMoisture", "MOISTURE"}, {"cMixture", "MIXTURE"},   {"cQuality", "QUALITY"},
    {"cRemark1", "REMARK1"},   {"cRemark2", "REMARK2"},   {"cRemark3", "REMARK3"},   {"cRemark4", "REMARK4"},
    {"cDayin", "DAYIN"},       {"cTmin", "TMIN"},         {"cWin", "WIN"},           {"cDayOut", "DAYOUT"},
    {"cTmOut", "TMOUT"},       {"cWout", "WOUT"},         {"cAdj_W1", "ADJ_W1"},     {"cAdj_W2", "ADJ_W2"},
    {"cAdj_W3", "ADJ_W3"},     {"cAdj_M1", "ADJ_M1"},     {"cAdj_M2", "ADJ_M2"},     {"cAdj_M3", "ADJ_M3"},
    {"cPrice", "PRICE"},       {"cQty", "QTY"},           {"cAmount", "AMOUNT"},     {"cRate", "RATE"},
    {"cCash", "CASH"},         {"cDrCr", "DRCR"},         {"cCheque", "CHEQUE"},     {"cChq_No", "CHQ_NO"},
    {"cChq_Bank", "CHQ_BANK"},
};

// The NAME of a code table sought on a code; blank (the field's width) when the table is not
// open or the code is not in it.
core::Value codeName(storage::Workspace& ws, const char* alias, const std::string& code)
{
    storage::Table* t = ws.find(alias);
    if (!t)
        return core::Value::text("");
    core::Value name;
    if (!seekCode(*t, code) || !t->get("NAME", &name).ok()) {
        const int f = t->fieldIndex("NAME");
        return core::Value::text(std::string(f >= 0 ? t->layout().fields()[std::size_t(f)].length : 0, ' '));
    }
    return name;
}

}  // namespace

bool openTicketTables(int kind, storage::Workspace& ws)
{
    const TicketKind& k = ticketKind(kind);
    const core::Settings& s = core::programSettings();
    const std::string cdrv1 = s.text("CDRV1");
    const std::string cdrv2 = s.text("CDRV2");

    auto open = [&](const std::string& folder, const char* name, const char* alias) {
        const storage::TableDef* def = storage::findTable(name);
        return def && storage::OPEN(ws, folder, name, def->indexes[0].key, false, T(def->openTitle),
                                    def->indexes[0].file, alias);
    };
    bool ok = true;
    for (const TicketCodeTable& c : ticketCodeTables(kind))
        ok = ok && open(cdrv1, c.table, c.table);
    ok = ok && open(cdrv2, "Stock", "Stock") && open(cdrv2, k.accountTable, "Account");
    if (ok && k.qualityGrade)
        ok = open(cdrv2, "OrAcc", "Order");
    ok = ok && audit::openAudit(ws, cdrv2, false);
    ok = ok && storage::OPENTRK(ws, cdrv2, k.table, kTicketAlias);
    if (!ok) {
        (void)ws.closeAll();
        return false;
    }
    for (const TicketCodeTable& c : ticketCodeTables(kind))
        if (*c.field)
            (void)ws.setRelation(kTicketAlias, c.table, c.field);
    (void)ws.select(kTicketAlias);
    return true;
}

void loadTicketValues(int kind, storage::Workspace& ws, core::ValueMap& values)
{
    const TicketKind& k = ticketKind(kind);
    storage::Table* t = ws.find(kTicketAlias);
    if (!t)
        return;
    core::Value v;
    for (const Loaded& l : kLoaded) {
        if (!t->get(l.field, &v).ok())
            v = core::Value();
        values.set(l.value, v);
    }
    (void)t->get("COMPANY", &v);
    values.set(k.partyValue, v);
    values.set(k.partyName, codeName(ws, k.partyTable, v.isText() ? v.asText() : std::string()));
    values.set("cProName", codeName(ws, "Product", values.text("cProduct")));
    values.set("cWhoName", codeName(ws, "WHouse", values.text("cWhouse")));
    for (const GradeName& g : kGradeNames)
        if (g.moisture ? k.moistureGrades : k.qualityGrade)
            values.set(g.name, codeName(ws, g.table, values.text(g.code)));

    const TicketRecord stored = readTicketRecord(*t);
    values.set("cNet", core::Value::number(stored.complete() ? std::fabs(values.number("cWin") - values.number("cWout")) : 0, 2));
    values.setText("cStat", T(stored.deleted ? "สั่งลบ" : stored.complete() ? "ชั่งเสร็จแล้ว" : "รอชั่งออก"));
    // A weight typed by hand carries its mark wherever the ticket is shown or printed.
    const std::array<char, 2> sources =
        stored.atEnd ? std::array<char, 2>{' ', ' '} : evidenceLog().weightSources(kind, values.text("cTicket"));
    values.setText("cWinSrc", sources[0] == char(evidence::Source::Typed) ? typedWeightMark() : "");
    values.setText("cWoutSrc", sources[1] == char(evidence::Source::Typed) ? typedWeightMark() : "");
    for (const char* var : {"cVar1", "cVar2", "cVar3"})
        if (!values.has(var))
            values.setNumber(var, 0);
}

void loadTicketValuesCalculated(int kind, storage::Workspace& ws, core::ValueMap& values)
{
    loadTicketValues(kind, ws, values);
    CalcConfig config = readCalcConfig(kind);
    Calculator calc(kind, config, ws, values);
    calc.WEIGHCALC();
    calc.applyVarFormulas();
}

}  // namespace weighing
