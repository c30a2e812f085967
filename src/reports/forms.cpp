#include "reports/forms.h"

#include <algorithm>

#include "core/fault.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "expr/contexts.h"
#include "expr/expr.h"
#include "storage/workspace_context.h"

namespace reports {
namespace {

using Kind = RangeDef::Kind;

// Codes compare whole, blank-padded to the same width, byte by byte as the tables order them:
// "F001" is below "F0011", and a range F001..F001 holds F001 alone.
int comparePadded(std::string_view value, std::string_view bound)
{
    const std::size_t n = std::max(value.size(), bound.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto a = static_cast<unsigned char>(i < value.size() ? value[i] : ' ');
        const auto b = static_cast<unsigned char>(i < bound.size() ? bound[i] : ' ');
        if (a != b)
            return a < b ? -1 : 1;
    }
    return 0;
}

// The fields each form's ranges bound: the table (alias), the field, the range values, whether the
// ten-nines placeholder passes.
struct Bound {
    const char* alias;
    const char* field;
    const char* from;
    const char* to;
    bool date;
    bool nines;
};

std::vector<Bound> boundsOf(int form, std::string_view code)
{
    const Family family = familyOf(code);
    const int kind = kindOf(code);
    switch (form) {
    case 1:
        return {{"detail", "CODE", "CCODBEG", "CCODEND", false, false}};
    case 2:
        if (family == Family::STK)
            return {{"detail", "CODE", "CCODBEG", "CCODEND", false, false},
                    {"detail", "DOC_NO", "CDOCBEG", "CDOCEND", false, false},
                    {"detail", "DOC_DATE", "CDAYBEG", "CDAYEND", true, false}};
        if (kind <= 2) {
            const char* head = kind == 1 ? "Money1" : "Money2";
            return {{head, "COMPANY", "CCODBEG", "CCODEND", false, false},
                    {head, "TICKET", "CDOCBEG", "CDOCEND", false, false},
                    {head, "DATE", "CDAYBEG", "CDAYEND", true, false}};
        }
        return {{"detail", "COMPANY", "CCODBEG", "CCODEND", false, false},
                {"detail", "TICKET", "CDOCBEG", "CDOCEND", false, false},
                {"detail", "DATE", "CDAYBEG", "CDAYEND", true, false}};
    case 3:
        return {{"detail", kind == 4 ? "COMPANY" : "CODE", "CCODBEG", "CCODEND", false, false}};
    case 4:
        return {{"detail", "FARMER", "CCODBEG", "CCODEND", false, true},
                {"detail", "COMPANY", "CCOD2BEG", "CCOD2END", false, true},
                {"detail", "PRODUCT", "CDOCBEG", "CDOCEND", false, true},
                {"detail", "DATE", "CDAYBEG", "CDAYEND", true, false}};
    case 6:
        return {{"detail", "COMPANY", "CCODBEG", "CCODEND", false, false},
                {"detail", "TICKET", "CDOCBEG", "CDOCEND", false, false},
                {"detail", "DAYIN", "CDAYBEG", "CDAYEND", true, false},
                {"detail", "PRODUCT", "CPROBEG", "CPROEND", false, false},
                {"detail", "WHOUSE", "CWHOBEG", "CWHOEND", false, false}};
    case 7:
        return {{"detail", "COMPANY", "CCODBEG", "CCODEND", false, false},
                {"detail", "TICKET", "CDOCBEG", "CDOCEND", false, false},
                {"detail", "DAYIN", "CDAYBEG", "CDAYEND", true, false}};
    default:
        return {};
    }
}

}  // namespace

Family familyOf(std::string_view code)
{
    const std::string f = core::xbase::upper(code.substr(0, 3));
    static constexpr std::pair<const char*, Family> kFamilies[] = {
        {"TRK", Family::TRK}, {"MON", Family::MON}, {"STK", Family::STK}, {"STA", Family::STA},
        {"COD", Family::COD}, {"ACC", Family::ACC}, {"GLR", Family::GLR},
    };
    for (const auto& [name, family] : kFamilies)
        if (f == name)
            return family;
    return Family::Unknown;
}

int kindOf(std::string_view code)
{
    if (code.size() < 5 || code[3] < '0' || code[3] > '9' || code[4] < '0' || code[4] > '9')
        return 0;
    return (code[3] - '0') * 10 + (code[4] - '0');
}

bool formFits(int form, std::string_view code)
{
    const int kind = kindOf(code);
    switch (familyOf(code)) {
    case Family::COD: return form == 1 && kind >= 1 && kind <= 12;
    case Family::MON: return form == 2 && kind >= 1 && kind <= 4;
    case Family::STK: return form == 2 && kind == 1;
    case Family::STA: return form == 3 && kind >= 1 && kind <= 4;
    case Family::ACC: return form == 4;
    case Family::GLR: return form == 5;
    case Family::TRK: return (form == 6 && kind >= 1 && kind <= 4) || (form == 7 && kind == 5);
    case Family::Unknown: return false;
    }
    return false;
}

int partyTable(int form, std::string_view code)
{
    if (!formFits(form, code))
        return 0;
    const int kind = kindOf(code);
    switch (form) {
    case 1: return kind;
    case 2: return familyOf(code) == Family::STK ? 3 : kind == 1 || kind == 3 ? 1 : 2;
    case 3: return kind == 1 ? 3 : kind == 2 ? 1 : 2;
    case 4: return 1;
    case 6: return kind <= 2 ? 1 : 2;
    case 7: return 2;
    default: return 0;
    }
}

std::string partyLabel(int form, std::string_view code)
{
    const std::vector<RangeDef> defs = rangeDefs(form, code);
    return defs.empty() || defs.front().kind != Kind::Code ? std::string() : core::tis620::T(defs.front().labelUtf8);
}

std::vector<RangeDef> rangeDefs(int form, std::string_view code)
{
    if (!formFits(form, code))
        return {};
    const int party = partyTable(form, code);
    const RangeDef number{"เลขที่", "CDOCBEG", "CDOCEND", Kind::Number, 0, "number"};
    const RangeDef dates{"วันที่", "CDAYBEG", "CDAYEND", Kind::Date, 0, "date"};
    switch (form) {
    case 1:
        return {{"รหัส", "CCODBEG", "CCODEND", Kind::Code, party, "code"}};
    case 2: {
        const char* label = familyOf(code) == Family::STK ? "สินค้า" : party == 1 ? "ผู้ขาย" : "ผู้ซื้อ";
        const char* option = familyOf(code) == Family::STK ? "product" : "party";
        return {{label, "CCODBEG", "CCODEND", Kind::Code, party, option}, number, dates};
    }
    case 3:
        return {{"รหัส", "CCODBEG", "CCODEND", Kind::Code, party, "code"}};
    case 4:
        return {{"ผู้ขาย", "CCODBEG", "CCODEND", Kind::Code, 1, "supplier"},
                {"ผู้ซื้อ", "CCOD2BEG", "CCOD2END", Kind::Code, 2, "customer"},
                {"สินค้า", "CDOCBEG", "CDOCEND", Kind::Code, 3, "product"},
                dates};
    case 5:
        return {dates};
    case 6:
        return {{"บริษัท", "CCODBEG", "CCODEND", Kind::Code, party, "party"},
                {"สินค้า", "CPROBEG", "CPROEND", Kind::Code, 3, "product"},
                {"คลัง", "CWHOBEG", "CWHOEND", Kind::Code, 5, "warehouse"},
                number,
                dates};
    case 7:
        return {{"ผู้จ้าง", "CCODBEG", "CCODEND", Kind::Code, 2, "party"}, number, dates};
    default:
        return {};
    }
}

bool keyStartsWithDate(std::string_view key, std::string_view field)
{
    std::string compact;
    for (const char c : key)
        if (c != ' ')
            compact += c;
    const std::string want = "DTOS(" + core::xbase::upper(field) + ")";
    return core::xbase::upper(compact).compare(0, want.size(), want) == 0;
}

bool textAtLeast(std::string_view value, std::string_view bound)
{
    bound = core::xbase::rtrimView(bound);
    return bound.empty() || comparePadded(value, bound) >= 0;
}

bool textAtMost(std::string_view value, std::string_view bound)
{
    bound = core::xbase::rtrimView(bound);
    return bound.empty() || comparePadded(value, bound) <= 0;
}

// ---- RangeCheck

struct RangeCheck::Impl {
    struct Check {
        storage::Table* table;
        int field;
        bool date;
        bool nines;
        std::string from, to;  // texts: trimmed bounds; dates: DTOS
    };

    storage::Workspace& ws;
    storage::Table* detail;
    std::vector<Check> checks;
    int dateField = -1;
    std::string name;
    std::string nines = thaiNines(10);

    // The condition, evaluated over the tables, the report's values and the settings.
    expr::Expression condition;
    bool hasCondition = false;
    storage::WorkspaceContext tables;
    expr::ValueMapContext valueLayer;
    expr::ValueMapContext settingLayer;
    expr::ChainContext context;
    core::Value scratch;

    Impl(storage::Workspace& w, const core::ValueMap& values)
        : ws(w), detail(w.find("detail")), tables(w), valueLayer(values), settingLayer(core::programSettings()),
          context({&tables, &valueLayer, &settingLayer})
    {
    }

    FilterAnswer fault(int genCode, int subCode, const std::string& description, const core::Value* arg)
    {
        core::Fault f;
        f.genCode = genCode;
        f.subsystem = "MERVO";
        f.subCode = subCode;
        f.description = description;
        f.operation = name + " I,CONDI";
        if (arg)
            f.args = {*arg};
        f.canDefault = true;
        return core::raise(f) == core::FaultAnswer::Default ? FilterAnswer::Reject : FilterAnswer::Stop;
    }
};

RangeCheck::RangeCheck(storage::Workspace& ws, int form, std::string_view code, const core::ValueMap& values,
                       const std::string& condition, const std::string& reportName)
    : m(std::make_unique<Impl>(ws, values))
{
    m->name = reportName;
    for (const Bound& b : boundsOf(form, code)) {
        storage::Table* t = ws.find(b.alias);
        const int field = t ? t->fieldIndex(b.field) : -1;
        if (field < 0)
            continue;
        Impl::Check c{t, field, b.date, b.nines, {}, {}};
        if (b.date) {
            c.from = values.get(b.from).asDate().dtos();
            c.to = values.get(b.to).asDate().dtos();
            if (t == m->detail)
                m->dateField = field;
        } else {
            c.from = core::xbase::rtrim(values.text(b.from));
            c.to = core::xbase::rtrim(values.text(b.to));
        }
        m->checks.push_back(std::move(c));
    }
    if (!core::xbase::alltrim(condition).empty()) {
        expr::CompileError error;
        m->condition = expr::Expression::compile(condition, &error);
        m->hasCondition = true;
        if (!m->condition.valid()) {
            // Default leaves the condition out; any other answer leaves it broken, and the first
            // record then stops the report.
            m->hasCondition = m->fault(core::EG_SYNTAX, 1, "Syntax error: " + error.message, nullptr) ==
                              FilterAnswer::Stop;
        }
    }
}

RangeCheck::~RangeCheck() = default;
RangeCheck::RangeCheck(RangeCheck&&) noexcept = default;

int RangeCheck::dateField() const
{
    return m->dateField;
}

FilterAnswer RangeCheck::operator()()
{
    Impl& s = *m;
    if (!s.detail || s.detail->deleted())
        return FilterAnswer::Reject;
    if (s.hasCondition) {
        if (!s.condition.valid())
            return FilterAnswer::Stop;
        if (!s.condition.evaluate(s.context, s.scratch))
            return FilterAnswer::Stop;
        if (!s.scratch.isLogical())
            return s.fault(core::EG_DATATYPE, 2, "Data type error", &s.scratch);
        if (!s.scratch.asLogical())
            return FilterAnswer::Reject;
    }
    for (const Impl::Check& c : s.checks) {
        std::string_view raw;
        if (!c.table->raw(c.field, &raw).ok())
            return FilterAnswer::Stop;
        if (c.nines && raw == s.nines)
            continue;
        if (c.date) {
            // "YYYYMMDD" (blanks for the empty date, which sorts first) compares as the date does.
            if (raw < std::string_view(c.from) || raw > std::string_view(c.to))
                return FilterAnswer::Reject;
        } else if (!textAtLeast(raw, c.from) || !textAtMost(raw, c.to)) {
            return FilterAnswer::Reject;
        }
    }
    return FilterAnswer::Accept;
}

}  // namespace reports
