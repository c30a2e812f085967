#include "weighing/ticket_store.h"

#include "codes/code_tables.h"
#include "core/fault.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/fault_bridge.h"

namespace weighing {
namespace {

constexpr std::size_t kCodeWidth = 10;

}  // namespace

core::Value fieldOf(storage::Table& t, const char* field)
{
    core::Value v;
    return t.get(field, &v).ok() ? v : core::Value();
}

std::string textOf(storage::Table& t, const char* field)
{
    const core::Value v = fieldOf(t, field);
    return v.isText() ? v.asText() : std::string();
}

double numberOf(storage::Table& t, const char* field)
{
    return fieldOf(t, field).asNumber();
}

TicketRecord readTicketRecord(storage::Table& t)
{
    TicketRecord r;
    r.recno = t.recNo();
    r.atEnd = t.eof();
    if (r.atEnd)
        return r;
    r.deleted = t.deleted();
    core::Value v;
    if (t.get("STAT", &v).ok() && v.isText())
        r.stat = core::xbase::alltrim(v.asText());
    r.drcr = numberOf(t, "DRCR");
    r.clear = numberOf(t, "CLEAR");
    return r;
}

std::string paddedCode(std::string_view code)
{
    return core::xbase::padRight(core::xbase::rtrimView(code), kCodeWidth);
}

codes::PickResult pickKnownCode(storage::Workspace& ws, int table, std::string_view code, std::string_view seed,
                                std::string_view callerAlias)
{
    codes::PickResult r;
    storage::Table* t = ws.find(codes::codeTableDef(table).alias);
    if (t && seekCode(*t, code)) {
        r.outcome = codes::PickResult::Outcome::Accepted;
        r.code = paddedCode(code);
    } else {
        r.code = std::string(seed);
    }
    if (!callerAlias.empty())
        (void)ws.select(callerAlias);
    return r;
}

std::string normalRegistration(std::string_view typed)
{
    std::string out;
    for (char c : typed) {
        if (c == ' ' && (out.empty() || out.back() == ' '))
            continue;
        out += c;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

bool seekCode(storage::Table& t, std::string_view code)
{
    if (core::xbase::alltrim(code).empty())
        return false;
    return t.seek(paddedCode(code)).ok() && t.found();
}

std::string firstMisfit(const storage::Table& t, const std::vector<FieldValue>& values)
{
    std::string scratch;
    for (const FieldValue& fv : values) {
        const int i = t.layout().find(fv.field);
        if (i < 0)
            return fv.field;
        const storage::Field& f = t.layout().fields()[std::size_t(i)];
        const core::Value& v = fv.value;
        switch (f.type) {
        case storage::FieldType::Numeric:
            if (!v.isNumber() || !core::xbase::formatFixed(v.asNumber(), f.length, f.decimals, scratch))
                return fv.field;
            break;
        case storage::FieldType::Character:
            if (!v.isText())
                return fv.field;
            break;
        case storage::FieldType::Date:
            if (!v.isDate())
                return fv.field;
            break;
        case storage::FieldType::Logical:
            if (!v.isLogical())
                return fv.field;
            break;
        }
    }
    return {};
}

std::string misfitText(std::string_view label)
{
    return core::tis620::T("ค่าของ ") + std::string(label) + core::tis620::T(" เกินขนาดที่บันทึกได้ จึงไม่ได้บันทึกข้อมูล");
}

core::Value asFieldType(const core::Value& v, storage::FieldType type)
{
    switch (type) {
    case storage::FieldType::Numeric:
        if (v.isNumber())
            return v;
        if (v.isText()) {
            const auto n = core::xbase::val(v.asText());
            return core::Value::number(n.value, n.decimals);
        }
        return core::Value::number(0);
    case storage::FieldType::Date:
        if (v.isDate())
            return v;
        return core::Value::date(v.isText() ? core::Date::fromDtoc(v.asText()) : core::Date());
    case storage::FieldType::Logical:
        return v.isLogical() ? v : core::Value::logical(false);
    case storage::FieldType::Character:
        break;
    }
    if (v.isText())
        return v;
    return core::Value::text(v.isNil() ? std::string() : v.toDisplayText());
}

storage::Status putAll(storage::Table& t, const std::vector<FieldValue>& values)
{
    for (const FieldValue& fv : values)
        STORAGE_TRY(t.put(fv.field, fv.value));
    return {};
}

bool faultRetry(const storage::Status& s, const std::string& operation, const storage::Table* t)
{
    if (s.ok())
        return false;
    core::Fault f = storage::toFault(s, operation, t ? t->path() : std::string());
    f.canDefault = true;
    return core::raise(f) == core::FaultAnswer::Retry;
}

}  // namespace weighing
