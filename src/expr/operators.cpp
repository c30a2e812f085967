// Operators: literals, unary operators and the chains of binary operators of one rank.
//
// Numbers carry a count of decimals, as xBase numbers do. The count never rounds a value; it only
// decides how the number prints when no width or picture is given (STR(n), mervo-admin eval):
//   literal      the digits written after the point ("2.50" has 2, "7" has 0)
//   a + b, a - b the larger of the two counts
//   a * b        the sum of the two counts (at most 32: beyond the digits a double holds anyway)
//   a / b, a % b, a ** b, a ^ b
//                2 whatever the operands (the xBase default of SET DECIMALS; so 10/4 prints 2.50
//                and 10/2 prints 5.00)
//   -a, +a       the count of a
// Widths: a literal of ten integer digits or more keeps its digits as its width; every other result
// here, unary minus included, has the width that follows from its value (detail::strWidth), while
// unary plus keeps its operand's.
// Division (and %) by zero gives 0: the fault is raised and the error trap answers it silently.
//
// Texts: a + b concatenates; a - b concatenates with a's trailing blanks moved to the end of the
// result. "=" compares as xBase does with SET EXACT OFF: the right side decides the length, so
// "ABC" = "AB" and "ABC" = "" are true while "AB" = "ABC" is false; "<", ">" and the others use the
// same rule ("ABC" > "AB" is false). "==" is exact: same length, same bytes. "$" is true when the
// left text occurs in the right one; an empty left text occurs nowhere. Bytes compare as unsigned.
//
// Dates: date + n and n + date move by the whole part of n days, date - n back, date - date gives
// days, all in Julian day numbers where the empty date is day 0 (so CTOD("") + 2461380 is
// 05/12/2026, and a day outside the calendar is the empty date). NIL equals only NIL. .AND. and .OR. stop at the first operand that decides the result.
#include <cmath>
#include <cstring>

#include "core/xbase.h"
#include "expr/detail.h"

namespace expr::detail {
namespace {

using core::Value;


enum class Status : unsigned char { Ok, Mismatch, Overflow, ZeroDiv };

// BASE subcodes of the argument errors of the operators.
int argSubCode(Op op)
{
    switch (op) {
    case Op::Add: return 1081;
    case Op::Sub: return 1082;
    case Op::Mul: return 1083;
    case Op::Div: return 1084;
    case Op::Mod: return 1085;
    case Op::Pow: return 1088;
    case Op::ExactEq: return 1070;
    case Op::Eq: return 1071;
    case Op::Ne: return 1072;
    case Op::Lt: return 1073;
    case Op::Le: return 1074;
    case Op::Gt: return 1075;
    case Op::Ge: return 1076;
    case Op::And: return 1078;
    case Op::Or: return 1079;
    case Op::Contains: return 1109;
    }
    return 0;
}

// Days as a date offset: the whole part, and nothing that could overflow the day arithmetic.
std::int64_t dayOffset(double n)
{
    if (!std::isfinite(n) || std::fabs(n) > 1e8)
        return n < 0 ? -100000000 : 100000000;  // beyond the calendar: the result is the empty date
    return static_cast<std::int64_t>(n);
}

void setNumber(Value& out, double v, int dec) { out = Value::number(v, dec); }

// Text comparison with SET EXACT OFF (the rules at the top of this file): <0, 0, >0.
int compareText(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    if (n == 0)
        return a.size() == b.size() || b.empty() ? 0 : -1;
    const int r = std::memcmp(a.data(), b.data(), n);
    if (r != 0)
        return r < 0 ? -1 : 1;
    return b.size() > a.size() ? -1 : 0;
}

bool containsText(std::string_view needle, std::string_view hay)
{
    if (needle.empty() || needle.size() > hay.size())
        return false;
    return memmem(hay.data(), hay.size(), needle.data(), needle.size()) != nullptr;
}

// acc := acc (op) b for + and -. acc's text storage is extended in place.
Status additive(Op op, Value& acc, const Value& b)
{
    if (acc.isNumber() && b.isNumber()) {
        const double v = op == Op::Add ? acc.asNumber() + b.asNumber() : acc.asNumber() - b.asNumber();
        setNumber(acc, v, std::max(acc.decimals(), b.decimals()));
        return Status::Ok;
    }
    if (acc.isText() && b.isText()) {
        const std::string& right = b.asText();
        std::string& left = acc.textRef();
        if (left.size() + right.size() > kMaxTextLength)
            return Status::Overflow;
        if (op == Op::Add) {
            left.append(right);
        } else {
            const std::size_t kept = core::xbase::rtrimView(left).size();
            const std::size_t blanks = left.size() - kept;
            left.resize(kept);
            left.append(right);
            left.append(blanks, ' ');
        }
        return Status::Ok;
    }
    if (acc.isDate() && b.isNumber()) {
        const std::int64_t n = dayOffset(b.asNumber());
        acc = Value::date(core::Date::fromJulian(acc.asDate().julian() + (op == Op::Add ? n : -n)));
        return Status::Ok;
    }
    if (op == Op::Add && acc.isNumber() && b.isDate()) {
        acc = Value::date(core::Date::fromJulian(b.asDate().julian() + dayOffset(acc.asNumber())));
        return Status::Ok;
    }
    if (op == Op::Sub && acc.isDate() && b.isDate()) {
        setNumber(acc, double(acc.asDate() - b.asDate()), 0);
        return Status::Ok;
    }
    return Status::Mismatch;
}

Status multiplicative(Op op, Value& acc, const Value& b)
{
    if (!acc.isNumber() || !b.isNumber())
        return Status::Mismatch;
    const double x = acc.asNumber(), y = b.asNumber();
    switch (op) {
    case Op::Mul:
        setNumber(acc, x * y, std::min(acc.decimals() + b.decimals(), kMaxDecimals));
        return Status::Ok;
    case Op::Div:
        if (y == 0)
            return Status::ZeroDiv;
        setNumber(acc, x / y, kSetDecimals);
        return Status::Ok;
    case Op::Mod:
        if (y == 0)
            return Status::ZeroDiv;
        setNumber(acc, std::fmod(x, y), kSetDecimals);
        return Status::Ok;
    default:
        setNumber(acc, std::pow(x, y), kSetDecimals);
        return Status::Ok;
    }
}

// The comparison of a and b into result; Mismatch for types that do not compare.
Status compare(Op op, const Value& a, const Value& b, bool& result)
{
    if (op == Op::Contains) {
        if (!a.isText() || !b.isText())
            return Status::Mismatch;
        result = containsText(a.asText(), b.asText());
        return Status::Ok;
    }
    if (a.isNil() || b.isNil()) {
        if (op != Op::Eq && op != Op::ExactEq && op != Op::Ne)
            return Status::Mismatch;
        const bool same = a.isNil() && b.isNil();
        result = op == Op::Ne ? !same : same;
        return Status::Ok;
    }
    int c;
    if (a.isText() && b.isText()) {
        if (op == Op::ExactEq) {
            result = a.asText() == b.asText();
            return Status::Ok;
        }
        c = compareText(a.asText(), b.asText());
    } else if (a.isNumber() && b.isNumber()) {
        const double x = a.asNumber(), y = b.asNumber();
        c = x < y ? -1 : x > y ? 1 : 0;
    } else if (a.isDate() && b.isDate()) {
        c = a.asDate() < b.asDate() ? -1 : a.asDate() > b.asDate() ? 1 : 0;
    } else if (a.isLogical() && b.isLogical()) {
        c = int(a.asLogical()) - int(b.asLogical());
    } else if (a.isArray() && b.isArray() && op == Op::ExactEq) {
        result = a.asArray() == b.asArray();
        return Status::Ok;
    } else {
        return Status::Mismatch;
    }
    switch (op) {
    case Op::Eq: case Op::ExactEq: result = c == 0; break;
    case Op::Ne: result = c != 0; break;
    case Op::Lt: result = c < 0; break;
    case Op::Le: result = c <= 0; break;
    case Op::Gt: result = c > 0; break;
    default: result = c >= 0; break;
    }
    return Status::Ok;
}

// Raises the fault of a failed step; true when the step should run again (Retry), false when its
// neutral value was taken (Default). Quit throws.
bool failStep(Env& env, Status status, Op op, const Value& a, const Value& b)
{
    core::FaultAnswer answer;
    switch (status) {
    case Status::Overflow:
        answer = env.overflow(op == Op::Add ? 1209 : 1210, opText(op), {a, b});
        break;
    case Status::ZeroDiv:
        answer = env.fault(core::EG_ZERODIV, op == Op::Div ? 1340 : 1341, opText(op), {a, b}, false, true);
        break;
    default:
        answer = env.fault(core::EG_ARG, argSubCode(op), opText(op), {a, b}, false, true);
        break;
    }
    return answer == core::FaultAnswer::Retry;
}

// ---- leaves and unary operators ------------------------------------------------------------------

class LiteralNode final : public Node {
public:
    LiteralNode(std::size_t pos, Value v) : Node(pos), m_value(std::move(v)), m_data(m_value.asText().data()) {}

    void bind(Binder&) override
    {
        switch (m_value.type()) {
        case Value::Type::Text: m_kind = Kind::Text; break;
        case Value::Type::Number: m_kind = Kind::Number; break;
        case Value::Type::Logical: m_kind = Kind::Logical; break;
        default: m_kind = Kind::Any; break;
        }
    }
    void eval(Env&, Value& out) override { out = m_value; }
    void appendText(Env&, std::string& out) override { out.append(m_value.asText()); }
    bool segment(Segment& s) const override
    {
        if (!m_value.isText())
            return false;
        s.type = Segment::Bytes;
        s.raw = {&m_data, 0, std::uint32_t(m_value.asText().size())};
        return true;
    }
    void dump(std::string& out) const override
    {
        switch (m_value.type()) {
        case Value::Type::Text: out += '"' + m_value.asText() + '"'; break;
        case Value::Type::Nil: out += "NIL"; break;
        default: out += m_value.toDisplayText(); break;
        }
    }

private:
    Value m_value;
    const char* m_data;  // the text's bytes, for segments
};

class UnaryNode final : public Node {
public:
    enum Type { Negate, Plus, Not };
    UnaryNode(std::size_t pos, Type type, NodePtr operand) : Node(pos), m_type(type), m_operand(std::move(operand)) {}

    void bind(Binder& b) override
    {
        m_operand->bind(b);
        m_kind = m_type == Not ? Kind::Logical : m_type == Negate ? Kind::Number : m_operand->kind();
    }
    void eval(Env& env, Value& out) override
    {
        for (;;) {
            m_operand->eval(env, out);
            if (m_type == Plus)
                return;
            if (m_type == Negate && out.isNumber()) {
                out = Value::number(-out.asNumber(), out.decimals());
                return;
            }
            if (m_type == Not && out.isLogical()) {
                out = Value::logical(!out.asLogical());
                return;
            }
            const auto answer = m_type == Negate ? env.fault(core::EG_ARG, 1080, "-", {out}, false, true)
                                                 : env.fault(core::EG_ARG, 1077, ".NOT.", {out}, false, true);
            if (answer == core::FaultAnswer::Default) {
                out = neutralValue(m_kind);
                return;
            }
        }
    }
    void appendText(Env& env, std::string& out) override
    {
        if (m_type == Plus)
            m_operand->appendText(env, out);
        else
            Node::appendText(env, out);
    }
    void dump(std::string& out) const override
    {
        out += m_type == Negate ? "(neg " : m_type == Plus ? "(pos " : "(not ";
        m_operand->dump(out);
        out += ')';
    }

private:
    Type m_type;
    NodePtr m_operand;
};

// ---- chains --------------------------------------------------------------------------------------

class ChainNode : public Node {
public:
    ChainNode(std::size_t pos, std::vector<NodePtr> operands, std::vector<Op> ops)
        : Node(pos), m_operands(std::move(operands)), m_ops(std::move(ops))
    {
    }

    void bind(Binder& b) override
    {
        for (auto& o : m_operands)
            o->bind(b);
        m_kind = resultKind();
    }
    void dump(std::string& out) const override
    {
        // One operator: (+ a b c); operators of one rank mixed: (a - b + c).
        bool same = true;
        for (Op op : m_ops)
            same = same && op == m_ops.front();
        out += '(';
        if (same) {
            out += opText(m_ops.front());
            out += ' ';
        }
        for (std::size_t i = 0; i < m_operands.size(); ++i) {
            if (i > 0) {
                out += ' ';
                if (!same) {
                    out += opText(m_ops[i - 1]);
                    out += ' ';
                }
            }
            m_operands[i]->dump(out);
        }
        out += ')';
    }

protected:
    virtual Kind resultKind() const = 0;

    std::vector<NodePtr> m_operands;
    std::vector<Op> m_ops;
    Value m_tmp;  // the right operand of the step being computed
};

// + and -: numbers, texts, dates.
class AdditiveChain final : public ChainNode {
public:
    using ChainNode::ChainNode;

    void bind(Binder& b) override
    {
        ChainNode::bind(b);
        // A concatenation of text fields, DTOS() of date fields and text literals copies bytes.
        m_segments.clear();
        std::size_t total = 0;
        bool allSegments = m_kind == Kind::Text;
        for (Op op : m_ops)
            allSegments = allSegments && op == Op::Add;
        for (const auto& o : m_operands) {
            Segment s;
            if (!allSegments || !o->segment(s)) {
                allSegments = false;
                break;
            }
            total += s.length();
            m_segments.push_back(s);
        }
        if (!allSegments || total > kMaxTextLength)
            m_segments.clear();
        m_segmentsLength = total;
    }

    void eval(Env& env, Value& out) override
    {
        if (m_kind == Kind::Text) {
            if (!out.isText())
                out = Value::text({});
            std::string& text = out.textRef();
            text.clear();
            appendText(env, text);
            return;
        }
        for (;;) {
            m_operands[0]->eval(env, out);
            bool restart = false;
            for (std::size_t i = 1; i < m_operands.size() && !restart; ++i) {
                m_operands[i]->eval(env, m_tmp);
                const Status st = additive(m_ops[i - 1], out, m_tmp);
                if (st == Status::Ok)
                    continue;
                if (failStep(env, st, m_ops[i - 1], out, m_tmp))
                    restart = true;
                else
                    out = out.isText() || out.isDate() ? neutralValue(out.isText() ? Kind::Text : Kind::Date)
                                                       : neutralValue(Kind::Number);
            }
            if (!restart)
                return;
        }
    }

    bool keySegments(std::vector<Segment>& out) const override
    {
        if (m_segments.empty())
            return false;
        out = m_segments;
        return true;
    }

    void appendText(Env& env, std::string& out) override
    {
        if (!m_segments.empty()) {
            const std::size_t start = out.size();
            out.resize(start + m_segmentsLength);
            writeSegments(m_segments, out.data() + start);
            return;
        }
        if (m_kind != Kind::Text) {
            Node::appendText(env, out);
            return;
        }
        const std::size_t start = out.size();
        for (;;) {
            bool restart = false;
            m_operands[0]->appendText(env, out);
            for (std::size_t i = 1; i < m_operands.size() && !restart; ++i) {
                const std::size_t before = out.size();
                std::size_t blanks = 0;
                if (m_ops[i - 1] == Op::Sub) {
                    const std::string_view acc(out.data() + start, before - start);
                    blanks = acc.size() - core::xbase::rtrimView(acc).size();
                    out.resize(before - blanks);
                }
                m_operands[i]->appendText(env, out);
                out.append(blanks, ' ');
                if (out.size() - start <= kMaxTextLength)
                    continue;
                const Value left = Value::text(std::string(out, start, before - blanks - start) + std::string(blanks, ' '));
                const Value right = Value::text(std::string(out, before - blanks, out.size() - before));
                restart = failStep(env, Status::Overflow, m_ops[i - 1], left, right);
                out.resize(start);  // Retry starts over; Default: the step gives "" and the chain goes on
            }
            if (!restart)
                return;
        }
    }

private:
    Kind resultKind() const override
    {
        Kind k = m_operands[0]->kind();
        for (std::size_t i = 1; i < m_operands.size(); ++i) {
            const Kind r = m_operands[i]->kind();
            const bool add = m_ops[i - 1] == Op::Add;
            if (k == Kind::Text && r == Kind::Text)
                k = Kind::Text;
            else if (k == Kind::Number && r == Kind::Number)
                k = Kind::Number;
            else if (k == Kind::Date && r == Kind::Number)
                k = Kind::Date;
            else if (add && k == Kind::Number && r == Kind::Date)
                k = Kind::Date;
            else if (!add && k == Kind::Date && r == Kind::Date)
                k = Kind::Number;
            else
                return Kind::Any;
        }
        return k;
    }

    std::vector<Segment> m_segments;
    std::size_t m_segmentsLength = 0;
};

// * / % ** ^: numbers only.
class MultiplicativeChain final : public ChainNode {
public:
    using ChainNode::ChainNode;

    void eval(Env& env, Value& out) override
    {
        for (;;) {
            m_operands[0]->eval(env, out);
            bool restart = false;
            for (std::size_t i = 1; i < m_operands.size() && !restart; ++i) {
                m_operands[i]->eval(env, m_tmp);
                const Status st = multiplicative(m_ops[i - 1], out, m_tmp);
                if (st == Status::Ok)
                    continue;
                if (failStep(env, st, m_ops[i - 1], out, m_tmp))
                    restart = true;
                else
                    out = Value::number(0, st == Status::ZeroDiv ? kSetDecimals : 0);
            }
            if (!restart)
                return;
        }
    }

private:
    Kind resultKind() const override { return Kind::Number; }
};

// Comparisons, left to right: (a < b) = .T. compares the logical result with .T.
class CompareChain final : public ChainNode {
public:
    using ChainNode::ChainNode;

    void eval(Env& env, Value& out) override
    {
        for (;;) {
            m_operands[0]->eval(env, out);
            bool restart = false;
            for (std::size_t i = 1; i < m_operands.size() && !restart; ++i) {
                m_operands[i]->eval(env, m_tmp);
                bool result = false;
                const Status st = compare(m_ops[i - 1], out, m_tmp, result);
                if (st != Status::Ok && failStep(env, st, m_ops[i - 1], out, m_tmp))
                    restart = true;
                else
                    out = Value::logical(st == Status::Ok && result);
            }
            if (!restart)
                return;
        }
    }

private:
    Kind resultKind() const override { return Kind::Logical; }
};

// .AND. / .OR.: logicals only, stopping as soon as the result is known.
class LogicalChain final : public ChainNode {
public:
    using ChainNode::ChainNode;

    void eval(Env& env, Value& out) override
    {
        const bool isAnd = m_ops.front() == Op::And;
        for (;;) {
            m_operands[0]->eval(env, out);
            bool restart = false;
            bool result = false;
            if (out.isLogical()) {
                result = out.asLogical();
            } else {
                if (failStep(env, Status::Mismatch, m_ops.front(), out, Value()))
                    continue;
                result = false;
            }
            for (std::size_t i = 1; i < m_operands.size() && result == isAnd; ++i) {
                m_operands[i]->eval(env, m_tmp);
                if (m_tmp.isLogical()) {
                    result = m_tmp.asLogical();
                } else if (failStep(env, Status::Mismatch, m_ops.front(), Value::logical(result), m_tmp)) {
                    restart = true;
                    break;
                } else {
                    result = false;
                }
            }
            if (restart)
                continue;
            out = Value::logical(result);
            return;
        }
    }

private:
    Kind resultKind() const override { return Kind::Logical; }
};

}  // namespace

const char* opText(Op op)
{
    switch (op) {
    case Op::Add: return "+";
    case Op::Sub: return "-";
    case Op::Mul: return "*";
    case Op::Div: return "/";
    case Op::Mod: return "%";
    case Op::Pow: return "^";
    case Op::Eq: return "=";
    case Op::ExactEq: return "==";
    case Op::Ne: return "<>";
    case Op::Lt: return "<";
    case Op::Le: return "<=";
    case Op::Gt: return ">";
    case Op::Ge: return ">=";
    case Op::Contains: return "$";
    case Op::And: return ".AND.";
    case Op::Or: return ".OR.";
    }
    return "?";
}

void Node::appendText(Env& env, std::string& out)
{
    Value v;
    eval(env, v);
    out.append(v.asText());
}

NodePtr makeLiteral(std::size_t pos, Value value) { return std::make_unique<LiteralNode>(pos, std::move(value)); }
NodePtr makeNegate(std::size_t pos, NodePtr operand)
{
    return std::make_unique<UnaryNode>(pos, UnaryNode::Negate, std::move(operand));
}
NodePtr makeUnaryPlus(std::size_t pos, NodePtr operand)
{
    return std::make_unique<UnaryNode>(pos, UnaryNode::Plus, std::move(operand));
}
NodePtr makeNot(std::size_t pos, NodePtr operand)
{
    return std::make_unique<UnaryNode>(pos, UnaryNode::Not, std::move(operand));
}

NodePtr makeChain(std::size_t pos, std::vector<NodePtr> operands, std::vector<Op> ops)
{
    switch (ops.front()) {
    case Op::Add: case Op::Sub:
        return std::make_unique<AdditiveChain>(pos, std::move(operands), std::move(ops));
    case Op::Mul: case Op::Div: case Op::Mod: case Op::Pow:
        return std::make_unique<MultiplicativeChain>(pos, std::move(operands), std::move(ops));
    case Op::And: case Op::Or:
        return std::make_unique<LogicalChain>(pos, std::move(operands), std::move(ops));
    default:
        return std::make_unique<CompareChain>(pos, std::move(operands), std::move(ops));
    }
}

}  // namespace expr::detail
