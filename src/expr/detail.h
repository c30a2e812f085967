// Inside the evaluator: the parsed tree, the state of one evaluation and the function table.
// Nothing here is for use outside src/expr.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/fault.h"
#include "expr/expr.h"

namespace expr::detail {

// Thrown when a fault is answered Quit; caught where evaluation started.
struct Abort {};

// Work one top-level evaluation may do, in units of roughly 64 bytes produced or one function call,
// macro text compiled or node run by a macro. Without macros an evaluation cannot reach it (the
// tree and every text in it are bounded); with them it stops an expression that expands itself.
inline constexpr std::int64_t kWorkBudget = 50'000'000;

// The xBase general codes' descriptions, as error reports print them.
const char* describeGenCode(int genCode);

// One evaluation: the context, the work left, the macro depth.
class Env {
public:
    explicit Env(Context& context) : ctx(context) {}

    Context& ctx;
    std::int64_t budget = kWorkBudget;
    int depth = 0;  // nesting of macros

    void charge(std::int64_t units)
    {
        budget -= units;
        if (budget < 0)
            budgetExceeded();
    }

    // Raises a BASE fault through core::raise(). Returns Retry or Default; Quit throws Abort.
    core::FaultAnswer fault(int genCode, int subCode, std::string operation, std::vector<core::Value> args,
                            bool canRetry, bool canDefault);
    // "String overflow" for a text that would exceed kMaxTextLength (may be defaulted to "").
    core::FaultAnswer overflow(int subCode, std::string operation, std::vector<core::Value> args);

private:
    [[noreturn]] void budgetExceeded();
};

// Binding walks the tree once per context generation.
class Binder {
public:
    explicit Binder(Context& context) : ctx(context) {}
    Context& ctx;
    // The alias of the innermost `alias->( ... )` being bound: unqualified names and table-state
    // functions inside it refer to that table.
    std::string_view alias;
};

class Node {
public:
    explicit Node(std::size_t pos) : m_pos(pos) {}
    virtual ~Node() = default;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    std::size_t pos() const { return m_pos; }
    // After bind(): the kind every evaluation gives, or Any.
    Kind kind() const { return m_kind; }

    virtual void bind(Binder& binder) = 0;
    // The value into out (whose earlier text storage may be reused).
    virtual void eval(Env& env, core::Value& out) = 0;
    // For kind() == Text only: appends the text to out. The default goes through eval().
    virtual void appendText(Env& env, std::string& out);
    virtual void dump(std::string& out) const = 0;

    // For the byte-copy path of key texts: a text field or a text literal (Bytes: copied), or a
    // date field under DTOS() (Dtos: eight bytes, copied when they are a date, else blanks), as a
    // segment; false when this node is none of those (after bind()).
    struct Segment {
        enum Type : unsigned char { Bytes, Dtos } type = Bytes;
        RawField raw;

        std::size_t length() const { return raw.length; }
    };
    virtual bool segment(Segment&) const { return false; }
    // The whole text of this node as segments (a concatenation of them, or one), after bind().
    virtual bool keySegments(std::vector<Segment>& out) const
    {
        Segment s;
        if (m_kind != Kind::Text || !segment(s))
            return false;
        out.assign(1, s);
        return true;
    }

protected:
    std::size_t m_pos;
    Kind m_kind = Kind::Any;
};
using NodePtr = std::unique_ptr<Node>;

// The eight bytes of a DBF date, loaded as one word, are a day of the calendar: digits, a month
// 1..12, a day that month has. The eight digit bytes are checked at once: a byte is a digit when
// subtracting '0' does not borrow and adding 0x46 (0x7F - '9') does not reach 0x80 (a byte that
// is not a digit sets its own high bit; what it carries into its neighbour cannot make the word pass).
inline bool isDtosDate(std::uint64_t x, const char* p)
{
    if (((x - 0x3030303030303030ull) | (x + 0x4646464646464646ull)) & 0x8080808080808080ull)
        return false;
    const auto two = [p](int i) { return (p[i] - '0') * 10 + (p[i + 1] - '0'); };
    const int month = two(4), day = two(6);
    if (month < 1 || month > 12 || day < 1 || std::memcmp(p, "0000", 4) == 0)
        return false;
    return day <= 28 || day <= core::Date::daysInMonth(two(0) * 100 + two(2), month);
}

inline bool isDtosDate(const char* p)
{
    std::uint64_t x;
    std::memcpy(&x, p, 8);
    return isDtosDate(x, p);
}

// Copies a field's bytes; the short lengths of key fields as two overlapping word moves.
inline void copyBytes(char* to, const char* from, std::size_t n)
{
    if (n >= 8 && n <= 16) {
        std::uint64_t a, b;
        std::memcpy(&a, from, 8);
        std::memcpy(&b, from + n - 8, 8);
        std::memcpy(to, &a, 8);
        std::memcpy(to + n - 8, &b, 8);
    } else if (n >= 4 && n < 8) {
        std::uint32_t a, b;
        std::memcpy(&a, from, 4);
        std::memcpy(&b, from + n - 4, 4);
        std::memcpy(to, &a, 4);
        std::memcpy(to + n - 4, &b, 4);
    } else {
        std::memcpy(to, from, n);
    }
}

// Writes the segments' bytes to `to`, which has room for the sum of their lengths: the index-key
// path, a copy per segment and a date check per DTOS().
inline void writeSegments(const std::vector<Node::Segment>& segments, char* to)
{
    static constexpr std::uint64_t kBlanks = 0x2020202020202020ull;
    for (const Node::Segment& s : segments) {
        const char* p = *s.raw.record + s.raw.offset;
        if (s.type == Node::Segment::Bytes) {
            copyBytes(to, p, s.raw.length);
        } else {
            std::uint64_t x;
            std::memcpy(&x, p, 8);
            if (!isDtosDate(x, p))
                x = kBlanks;
            std::memcpy(to, &x, 8);
        }
        to += s.raw.length;
    }
}

// Appends the DTOS() text of a DBF date field's bytes: the bytes when they are a valid date, else
// eight blanks (as the empty date and dates that do not exist read).
void appendDtosBytes(const char* bytes, std::size_t length, std::string& out);
void appendDtos(core::Date d, std::string& out);

// ---- functions ---------------------------------------------------------------------------------

enum class FnStatus : unsigned char { Ok, BadArg, Overflow, ZeroDiv };

struct FunctionDef;

// What a function implementation sees: its evaluated arguments (NIL past the last one written),
// the values of the variables it reads, and where its result goes.
struct FnCall {
    Env& env;
    const FunctionDef& def;
    const std::vector<core::Value>& args;
    const core::Value* settings;  // def.settings, in order (NIL when not set)
    core::Value& out;

    const core::Value& arg(std::size_t i) const;
    std::size_t count() const { return args.size(); }
};

using FnImpl = FnStatus (*)(FnCall&);

// Functions the parser turns into their own nodes.
enum class Special : unsigned char { None, Iif, Dtos, Table };

struct FunctionDef {
    const char* name;
    FnImpl impl;
    Kind result;    // kind of every result (and of the neutral value given on Default); Any if it varies
    int subCode;    // BASE subcode of its argument error
    bool standard;  // a standard xBase function: also callable by any abbreviation of 4+ letters
    Special special = Special::None;
    TableQuery query = TableQuery::Deleted;  // Special::Table only
    const char* settings[2] = {nullptr, nullptr};  // variables it reads, bound with the call
};

// A function by its name (without regard to case): the exact name, else the standard function
// that the name abbreviates (four letters at least, and only one function may match).
const FunctionDef* findFunction(std::string_view name);

// Every function, for the README and tests.
const std::vector<const FunctionDef*>& allFunctions();

// ---- widths and decimals of numbers (README "Expressions") -------------------------------------

// The decimals of a quotient, a remainder, a power and MOD(): the xBase default of SET DECIMALS.
inline constexpr int kSetDecimals = 2;
// Decimals beyond what a double holds anyway, where a product or VAL() stops counting them.
inline constexpr int kMaxDecimals = 32;

// The width STR() gives a number without a width: its own width (a table field's, DAY()'s ...),
// else ten integer places (twenty above 9,999,999,999 or below -999,999,999), plus the decimals and
// their point; at most 90 integer places.
int strWidth(const core::Value& number);
// The integer places of that width (0 when the decimals take all of it).
int integerPlaces(const core::Value& number);
// The whole width of a number of `integer` integer places and `decimals` decimals.
inline int wholeWidth(int integer, int decimals) { return integer + (decimals > 0 ? decimals + 1 : 0); }
// A number literal as the text writes it ("12", "2.50", "1234567890123"): its value, the digits
// after its point as decimals, and from ten integer digits on a width of its own.
core::Value numberLiteral(std::string_view digits);
// VAL(): the value the text starts with, and the decimals and width the text itself gives.
core::Value valNumber(std::string_view text);

// The neutral value of a kind: "", 0, the empty date, .F.; NIL for Any and Array.
core::Value neutralValue(Kind kind);

// The parts of the library, registered by the files that implement them.
void addStandardFunctions(std::vector<const FunctionDef*>& out);
void addProgramFunctions(std::vector<const FunctionDef*>& out);

// ---- nodes the parser builds (operators.cpp, names.cpp, call.cpp) ------------------------------

enum class Op : unsigned char {
    Add, Sub, Mul, Div, Mod, Pow,
    Eq, ExactEq, Ne, Lt, Le, Gt, Ge, Contains,
    And, Or,
};
const char* opText(Op op);

NodePtr makeLiteral(std::size_t pos, core::Value value);
NodePtr makeName(std::size_t pos, Scope scope, std::string alias, std::string name);
NodePtr makeAliased(std::size_t pos, std::string alias, NodePtr inner);
NodePtr makeIndex(std::size_t pos, NodePtr base, std::vector<NodePtr> indexes);
NodePtr makeNegate(std::size_t pos, NodePtr operand);
NodePtr makeUnaryPlus(std::size_t pos, NodePtr operand);
NodePtr makeNot(std::size_t pos, NodePtr operand);
// A left-to-right chain of operators of one rank: operands[0] ops[0] operands[1] ops[1] ...
NodePtr makeChain(std::size_t pos, std::vector<NodePtr> operands, std::vector<Op> ops);
NodePtr makeCall(std::size_t pos, const FunctionDef& def, std::vector<NodePtr> args);
NodePtr makeMacro(std::size_t pos, NodePtr source);

// Parses a whole text (macro texts included).
NodePtr parse(std::string_view text, CompileError& error);

}  // namespace expr::detail
