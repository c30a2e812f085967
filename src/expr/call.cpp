// Function calls: the function table, argument evaluation and the faults of bad arguments, and the
// calls that are nodes of their own (IIF, DTOS, the table-state functions).
//
// Arguments are evaluated left to right before the call (except IIF's branches); an argument the
// text leaves out is NIL, and arguments beyond those a function reads are evaluated and ignored, as
// xBase does. A bad argument raises "Argument error" with the function's BASE subcode; Default
// gives the neutral value of the function's result type.
#include <algorithm>
#include <cstring>

#include "core/xbase.h"
#include "expr/detail.h"

namespace expr::detail {
namespace {

using core::Value;

class CallNode final : public Node {
public:
    CallNode(std::size_t pos, const FunctionDef& def, std::vector<NodePtr> args)
        : Node(pos), m_def(def), m_args(std::move(args))
    {
    }

    void bind(Binder& b) override
    {
        for (auto& a : m_args)
            a->bind(b);
        for (int i = 0; i < 2; ++i)
            m_settings[i] = m_def.settings[i] ? b.ctx.bind({Scope::Memvar, {}, m_def.settings[i]}) : Binding();
        m_kind = m_def.result;
    }

    void eval(Env& env, Value& out) override
    {
        for (;;) {
            env.charge(1);
            m_values.resize(m_args.size());
            for (std::size_t i = 0; i < m_args.size(); ++i)
                m_args[i]->eval(env, m_values[i]);
            readSettings(env);
            FnCall call{env, m_def, m_values, m_settingValues, out};
            FnStatus status = m_def.impl(call);
            if (status == FnStatus::Ok && out.isText() && out.asText().size() > kMaxTextLength)
                status = FnStatus::Overflow;
            if (status == FnStatus::Ok) {
                if (out.isText())
                    env.charge(std::int64_t(out.asText().size() / 64));
                return;
            }
            core::FaultAnswer answer;
            switch (status) {
            case FnStatus::Overflow:
                answer = env.overflow(m_def.subCode, m_def.name, m_values);
                break;
            case FnStatus::ZeroDiv:
                answer = env.fault(core::EG_ZERODIV, 1341, "%", m_values, false, true);
                break;
            default:
                answer = env.fault(core::EG_ARG, m_def.subCode, m_def.name, m_values, false, true);
                break;
            }
            if (answer == core::FaultAnswer::Default) {
                out = neutralValue(m_def.result == Kind::Any ? Kind::Number : m_def.result);
                return;
            }
        }
    }

    void appendText(Env& env, std::string& out) override
    {
        eval(env, m_scratch);
        out.append(m_scratch.asText());
    }

    void dump(std::string& out) const override
    {
        out += '(';
        out += m_def.name;
        for (const auto& a : m_args) {
            out += ' ';
            a->dump(out);
        }
        out += ')';
    }

private:
    void readSettings(Env& env)
    {
        for (int i = 0; i < 2; ++i) {
            if (!m_def.settings[i])
                break;
            if (!m_settings[i].found())
                m_settings[i] = env.ctx.bind({Scope::Memvar, {}, m_def.settings[i]});
            if (m_settings[i].found())
                m_settings[i].source->read(m_settings[i].slot, m_settingValues[i]);
            else
                m_settingValues[i] = Value();
        }
    }

    const FunctionDef& m_def;
    std::vector<NodePtr> m_args;
    std::vector<Value> m_values;
    Binding m_settings[2];
    Value m_settingValues[2];
    Value m_scratch;
};

// IIF(condition, then, else) and IF(...): only the branch chosen is evaluated.
class IifNode final : public Node {
public:
    IifNode(std::size_t pos, std::vector<NodePtr> args) : Node(pos), m_args(std::move(args))
    {
        while (m_args.size() < 3)
            m_args.push_back(makeLiteral(pos, Value()));
    }

    void bind(Binder& b) override
    {
        for (auto& a : m_args)
            a->bind(b);
        m_kind = m_args[1]->kind() == m_args[2]->kind() ? m_args[1]->kind() : Kind::Any;
    }

    void eval(Env& env, Value& out) override { branch(env)->eval(env, out); }
    void appendText(Env& env, std::string& out) override { branch(env)->appendText(env, out); }

    void dump(std::string& out) const override
    {
        out += "(IIF";
        for (const auto& a : m_args) {
            out += ' ';
            a->dump(out);
        }
        out += ')';
    }

private:
    Node* branch(Env& env)
    {
        for (;;) {
            m_args[0]->eval(env, m_condition);
            if (m_condition.isLogical())
                return m_condition.asLogical() ? m_args[1].get() : m_args[2].get();
            // The condition's default is .F.: the else branch.
            if (env.fault(core::EG_ARG, 1066, "conditional", {m_condition}, false, true) == core::FaultAnswer::Default)
                return m_args[2].get();
        }
    }

    std::vector<NodePtr> m_args;
    Value m_condition;
};

// DTOS(date): eight digits, or eight blanks for the empty date. Of a date field offered as raw
// bytes it copies the bytes (after checking they are a date), which is what makes index keys such
// as "DTOS(DAYIN)+TMIN+TICKET" cheap.
class DtosNode final : public Node {
public:
    DtosNode(std::size_t pos, const FunctionDef& def, std::vector<NodePtr> args)
        : Node(pos), m_def(def), m_args(std::move(args))
    {
        if (m_args.empty())
            m_args.push_back(makeLiteral(pos, Value()));
    }

    void bind(Binder& b) override
    {
        for (auto& a : m_args)
            a->bind(b);
        m_kind = Kind::Text;
        m_raw = {};
        Segment s;
        if (m_args[0]->kind() == Kind::Date && m_args[0]->segment(s) && s.type == Segment::Bytes && s.raw.length == 8)
            m_raw = s.raw;
    }

    void appendText(Env& env, std::string& out) override
    {
        if (m_raw.available()) {
            appendDtosBytes(*m_raw.record + m_raw.offset, m_raw.length, out);
            return;
        }
        for (;;) {
            m_args[0]->eval(env, m_arg);
            if (m_arg.isDate()) {
                appendDtos(m_arg.asDate(), out);
                return;
            }
            if (env.fault(core::EG_ARG, m_def.subCode, m_def.name, {m_arg}, false, true) == core::FaultAnswer::Default)
                return;
        }
    }

    void eval(Env& env, Value& out) override
    {
        if (!out.isText())
            out = Value::text({});
        std::string& text = out.textRef();
        text.clear();
        appendText(env, text);
    }

    bool segment(Segment& s) const override
    {
        if (!m_raw.available())
            return false;
        s.type = Segment::Dtos;
        s.raw = m_raw;
        return true;
    }

    void dump(std::string& out) const override
    {
        out += "(DTOS ";
        m_args[0]->dump(out);
        out += ')';
    }

private:
    const FunctionDef& m_def;
    std::vector<NodePtr> m_args;
    RawField m_raw;
    Value m_arg;
};

// DELETED() RECNO() RECCOUNT() LASTREC() EOF() BOF() FOUND() of the current table, or of the table
// named by an enclosing alias->( ... ).
class TableNode final : public Node {
public:
    TableNode(std::size_t pos, const FunctionDef& def, std::vector<NodePtr> args)
        : Node(pos), m_def(def), m_args(std::move(args))
    {
    }

    void bind(Binder& b) override
    {
        for (auto& a : m_args)
            a->bind(b);
        m_alias = std::string(b.alias);
        m_binding = b.ctx.bindTable(m_alias);
        m_kind = m_def.result;
    }

    void eval(Env& env, Value& out) override
    {
        for (auto& a : m_args)
            a->eval(env, out);
        for (;;) {
            if (!m_binding.found())
                m_binding = env.ctx.bindTable(m_alias);
            if (m_binding.found()) {
                out = m_binding.source->tableState(m_binding.slot, m_def.query);
                if (out.isNil())
                    out = unusedArea();
                return;
            }
            if (m_alias.empty()) {
                out = unusedArea();
                return;
            }
            env.fault(core::EG_NOALIAS, 1002, m_alias, {}, true, false);
        }
    }

    void dump(std::string& out) const override
    {
        out += '(';
        out += m_def.name;
        out += ')';
    }

private:
    // What the functions answer for a work area with no table in it.
    Value unusedArea() const
    {
        switch (m_def.query) {
        case TableQuery::Eof: case TableQuery::Bof: return Value::logical(true);
        case TableQuery::Deleted: case TableQuery::Found: return Value::logical(false);
        default: return Value::number(0);
        }
    }

    const FunctionDef& m_def;
    std::vector<NodePtr> m_args;
    std::string m_alias;
    Binding m_binding;
};

struct Library {
    std::vector<const FunctionDef*> all;
};

const Library& library()
{
    static const Library lib = [] {
        Library l;
        addStandardFunctions(l.all);
        addProgramFunctions(l.all);
        std::sort(l.all.begin(), l.all.end(),
                  [](const FunctionDef* a, const FunctionDef* b) { return std::string_view(a->name) < b->name; });
        return l;
    }();
    return lib;
}


}  // namespace

const core::Value& FnCall::arg(std::size_t i) const
{
    static const core::Value kNil;
    return i < args.size() ? args[i] : kNil;
}

const FunctionDef* findFunction(std::string_view name)
{
    const std::string upper = core::xbase::upper(name);
    const FunctionDef* abbreviated = nullptr;
    int matches = 0;
    for (const FunctionDef* def : library().all) {
        const std::string_view full = def->name;
        if (full == upper)
            return def;
        if (def->standard && upper.size() >= 4 && full.size() > upper.size() && full.substr(0, upper.size()) == upper) {
            abbreviated = def;
            ++matches;
        }
    }
    return matches == 1 ? abbreviated : nullptr;
}

const std::vector<const FunctionDef*>& allFunctions() { return library().all; }

core::Value neutralValue(Kind kind)
{
    switch (kind) {
    case Kind::Text: return core::Value::text({});
    case Kind::Number: return core::Value::number(0);
    case Kind::Date: return core::Value::date(core::Date());
    case Kind::Logical: return core::Value::logical(false);
    default: return core::Value();
    }
}

void appendDtos(core::Date d, std::string& out)
{
    out.append(d.dtos());  // eight characters: no allocation
}

void appendDtosBytes(const char* p, std::size_t length, std::string& out)
{
    if (length == 8 && isDtosDate(p))
        out.append(p, 8);
    else
        out.append(8, ' ');
}

NodePtr makeCall(std::size_t pos, const FunctionDef& def, std::vector<NodePtr> args)
{
    switch (def.special) {
    case Special::Iif: return std::make_unique<IifNode>(pos, std::move(args));
    case Special::Dtos: return std::make_unique<DtosNode>(pos, def, std::move(args));
    case Special::Table: return std::make_unique<TableNode>(pos, def, std::move(args));
    case Special::None: break;
    }
    return std::make_unique<CallNode>(pos, def, std::move(args));
}

}  // namespace expr::detail
