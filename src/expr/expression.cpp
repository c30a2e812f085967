// Expression: compile, bind and evaluate; the Context defaults; the faults of one evaluation.
#include <atomic>

#include "expr/detail.h"

namespace expr {

// ---- Context -------------------------------------------------------------------------------------

Context::Context() : m_generation(newStamp()) {}

std::uint64_t Context::newStamp()
{
    static std::atomic<std::uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

void Context::invalidateBindings() { m_generation = newStamp(); }

void Context::appendText(std::int32_t slot, std::string& out)
{
    core::Value v;
    read(slot, v);
    out.append(v.asText());
}

core::Date Context::date(std::int32_t slot)
{
    core::Value v;
    read(slot, v);
    return v.asDate();
}

RawField Context::rawField(std::int32_t) { return {}; }

Binding Context::bindTable(std::string_view) { return {}; }

core::Value Context::tableState(std::int32_t, TableQuery) { return {}; }

// ---- CompileError --------------------------------------------------------------------------------

std::string CompileError::describe(std::string_view text) const
{
    std::string out = message + " at column " + std::to_string(offset + 1) + "\n";
    // One line of the text around the offset (the texts are single lines; keep it short if not).
    std::size_t from = offset > 60 ? offset - 60 : 0;
    const std::size_t to = std::min(text.size(), offset + 60);
    const std::size_t newline = text.substr(from, offset - std::min(offset, from)).rfind('\n');
    if (newline != std::string_view::npos)
        from += newline + 1;
    std::string line(text.substr(from, to > from ? to - from : 0));
    const std::size_t cut = line.find('\n');
    if (cut != std::string::npos)
        line.resize(cut);
    out += line + "\n" + std::string(offset - from, ' ') + "^";
    return out;
}

// ---- Expression ----------------------------------------------------------------------------------

struct Expression::Impl {
    std::string text;
    detail::NodePtr root;
    Context* boundTo = nullptr;
    std::uint64_t generation = 0;
    core::Value scratch;
    // A key of field bytes, DTOS() of date fields and literals: its segments and total length.
    std::vector<detail::Node::Segment> segments;
    std::size_t segmentsLength = 0;

    void ensureBound(Context& ctx)
    {
        const std::uint64_t g = ctx.generation();
        if (boundTo == &ctx && generation == g)
            return;
        detail::Binder binder(ctx);
        root->bind(binder);
        boundTo = &ctx;
        generation = g;
        segments.clear();
        segmentsLength = 0;
        if (root->keySegments(segments))
            for (const auto& s : segments)
                segmentsLength += s.length();
    }
};

Expression::Expression() = default;
Expression::~Expression() = default;
Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;

Expression Expression::compile(std::string_view text, CompileError* error)
{
    CompileError local;
    detail::NodePtr root = detail::parse(text, local);
    Expression e;
    if (!root) {
        if (error)
            *error = std::move(local);
        return e;
    }
    e.m = std::make_unique<Impl>();
    e.m->text = std::string(text);
    e.m->root = std::move(root);
    return e;
}

const std::string& Expression::text() const
{
    static const std::string kNone;
    return m ? m->text : kNone;
}

void Expression::bind(Context& context)
{
    if (m)
        m->ensureBound(context);
}

Kind Expression::resultKind() const { return m && m->boundTo ? m->root->kind() : Kind::Any; }

bool Expression::evaluate(Context& context, core::Value& out)
{
    if (!m)
        return false;
    m->ensureBound(context);
    detail::Env env(context);
    try {
        m->root->eval(env, out);
        return true;
    } catch (const detail::Abort&) {
        return false;
    }
}

bool Expression::evaluateText(Context& context, std::string& out)
{
    // The index-key path first, kept small: bound, and nothing but bytes to copy.
    if (m && m->boundTo == &context && m->generation == context.generation() && !m->segments.empty()) {
        out.resize(m->segmentsLength);
        detail::writeSegments(m->segments, out.data());
        return true;
    }
    return evaluateTextInGeneral(context, out);
}

bool Expression::evaluateTextInGeneral(Context& context, std::string& out)
{
    if (!m) {
        out.clear();
        return false;
    }
    m->ensureBound(context);
    if (!m->segments.empty()) {
        out.resize(m->segmentsLength);
        detail::writeSegments(m->segments, out.data());
        return true;
    }
    out.clear();
    detail::Env env(context);
    try {
        if (m->root->kind() == Kind::Text) {
            m->root->appendText(env, out);
            return true;
        }
        for (;;) {
            m->root->eval(env, m->scratch);
            if (m->scratch.isText()) {
                out.assign(m->scratch.asText());
                return true;
            }
            const auto answer = env.fault(core::EG_DATATYPE, 0, "text result", {m->scratch}, false, true);
            if (answer == core::FaultAnswer::Default)
                return true;
        }
    } catch (const detail::Abort&) {
        return false;
    }
}

std::string Expression::dump() const
{
    std::string out;
    if (m)
        m->root->dump(out);
    return out;
}

bool evaluateOnce(std::string_view text, Context& context, core::Value& out, std::string* error)
{
    CompileError compileError;
    Expression e = Expression::compile(text, &compileError);
    if (!e.valid()) {
        if (error)
            *error = compileError.describe(text);
        return false;
    }
    return e.evaluate(context, out);
}

// ---- one evaluation ------------------------------------------------------------------------------

namespace detail {

const char* describeGenCode(int genCode)
{
    switch (genCode) {
    case core::EG_ARG: return "Argument error";
    case core::EG_BOUND: return "Bound error";
    case core::EG_STROVERFLOW: return "String overflow";
    case core::EG_NUMOVERFLOW: return "Numeric overflow";
    case core::EG_ZERODIV: return "Zero divisor";
    case core::EG_NUMERR: return "Numeric error";
    case core::EG_SYNTAX: return "Syntax error";
    case core::EG_COMPLEXITY: return "Operation too complex";
    case core::EG_NOFUNC: return "Undefined function";
    case core::EG_NOVAR: return "Variable does not exist";
    case core::EG_NOALIAS: return "Alias does not exist";
    case core::EG_LIMIT: return "Limit exceeded";
    case core::EG_DATATYPE: return "Data type error";
    default: return "Unknown error";
    }
}

core::FaultAnswer Env::fault(int genCode, int subCode, std::string operation, std::vector<core::Value> args,
                             bool canRetry, bool canDefault)
{
    core::Fault f;
    f.genCode = genCode;
    f.subsystem = "BASE";
    f.subCode = subCode;
    f.description = describeGenCode(genCode);
    f.operation = std::move(operation);
    f.args = std::move(args);
    f.canRetry = canRetry;
    f.canDefault = canDefault;
    const core::FaultAnswer answer = core::raise(f);
    if (answer == core::FaultAnswer::Quit)
        throw Abort{};
    return answer;
}

core::FaultAnswer Env::overflow(int subCode, std::string operation, std::vector<core::Value> args)
{
    return fault(core::EG_STROVERFLOW, subCode, std::move(operation), std::move(args), false, true);
}

void Env::budgetExceeded()
{
    // Neither retry nor default: the evaluation stops.
    fault(core::EG_LIMIT, 0, "expression", {}, false, false);
    throw Abort{};
}

}  // namespace detail
}  // namespace expr
