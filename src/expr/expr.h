// The stored expression evaluator: index keys, look-up search texts, site formulas, print templates,
// report lines and audit values are xBase expression texts that sites wrote for an xBase runtime.
//
// A text is compiled once into an Expression, bound to a Context once (every name becomes a slot of
// the context), and evaluated many times against whatever record the context currently shows. An
// Expression and the Context it is evaluated against belong to one thread at a time (an Expression
// keeps scratch space between evaluations). Run-time faults go to core::raise() on that thread.
//
// Expressions can read names and call pure functions only: nothing in the language reaches files,
// processes, the network or the environment, and every text an evaluation builds is limited in size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/date.h"
#include "core/value.h"

namespace expr {

// Fixed limits. A text longer than kMaxSourceLength or nested deeper than kMaxNesting does not
// compile; a text result longer than kMaxTextLength is a run-time fault ("String overflow"), raised
// before anything that large is allocated.
inline constexpr std::size_t kMaxSourceLength = 65535;
inline constexpr std::size_t kMaxTextLength = 65535;
inline constexpr int kMaxNesting = 64;  // parentheses, calls, indexes, unary operators

// The type of value a name or an expression gives, as far as it is known before evaluation.
enum class Kind : unsigned char { Any, Text, Number, Date, Logical, Array };

// Which names a reference may resolve to.
enum class Scope : unsigned char {
    Any,     // NAME: a field of the current table first, then a variable
    Field,   // FIELD->NAME: a field of the current table only
    Memvar,  // M->NAME, MEMVAR->NAME: a variable only
    Alias,   // ALIAS->NAME: a field of the table open under ALIAS
};

// A name as the expression wrote it. Contexts match names and aliases without regard to case.
struct NameRef {
    Scope scope = Scope::Any;
    std::string_view alias;  // Scope::Alias only
    std::string_view name;
};

class Context;

// A resolved name: the context that holds it and a slot that context understands. The evaluator
// calls the reading functions of `source` with `slot` only.
struct Binding {
    Context* source = nullptr;  // nullptr: no such name
    std::int32_t slot = 0;
    // The type every read of this slot gives: Text/Number/Date/Logical for table fields, whose type
    // is fixed; Any for variables, which may hold a different type at each read.
    Kind kind = Kind::Any;
    // For a failed Scope::Alias lookup: true when the alias is open (so the field is missing), false
    // when no table is open under it.
    bool aliasKnown = false;

    bool found() const { return source != nullptr; }
};

// Direct access to the bytes of a table field, for contexts over a record buffer: the field is the
// `length` bytes at (*record + offset). *record must point to a whole record whenever an expression
// bound to the slot is evaluated (it may change between evaluations: that is how a context moves to
// another record without rebinding). Offered for Text fields (raw TIS-620 bytes, blank padded) and
// Date fields (the "YYYYMMDD" bytes of a DBF date, blanks for the empty date).
struct RawField {
    const char* const* record = nullptr;
    std::uint32_t offset = 0;
    std::uint32_t length = 0;

    bool available() const { return record != nullptr; }
};

// The table-state functions DELETED() RECNO() RECCOUNT() LASTREC() EOF() BOF() FOUND().
enum class TableQuery : unsigned char { Deleted, RecNo, RecCount, LastRec, Eof, Bof, Found };

// Where an expression's names come from. The caller supplies one (see contexts.h for ready-made
// ones: variables from a map and the program-wide settings, a record buffer with its field layout,
// and a chain that layers several: current table fields first, then variables).
//
// Binding happens once per expression and context; reads happen at every evaluation and must be
// cheap (no string lookups). When the meaning of earlier slots changes (a table closed, another
// work area selected as current, a variable removed), the context calls invalidateBindings(), and
// every expression bound to it binds its names again before its next evaluation.
class Context {
public:
    Context();
    virtual ~Context() = default;
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    // Resolves a name. Names that are not found are looked up again at each evaluation (a variable
    // may be created later); until then reading them is a "Variable does not exist" fault.
    virtual Binding bind(const NameRef& name) = 0;

    // The value of a bound slot. `out` may hold an earlier value: implementations may reuse its text
    // storage (out.textRef()) to avoid allocating.
    virtual void read(std::int32_t slot, core::Value& out) = 0;
    // Fast paths for slots bound with a fixed kind. The defaults go through read().
    virtual void appendText(std::int32_t slot, std::string& out);  // Kind::Text: appends the bytes
    virtual core::Date date(std::int32_t slot);                    // Kind::Date
    virtual RawField rawField(std::int32_t slot);                  // Text/Date fields; default: none

    // The table that DELETED() and the other table-state functions ask: the current table when the
    // alias is empty, else the table open under that alias (`alias->(RECNO())`). The default knows
    // no table. When no table answers for an empty alias, the functions answer as for an unused
    // work area (DELETED() .F., RECNO() 0, RECCOUNT() 0, EOF() .T., BOF() .T., FOUND() .F.); for a
    // named alias that is not open they raise "Alias does not exist".
    virtual Binding bindTable(std::string_view alias);
    virtual core::Value tableState(std::int32_t slot, TableQuery query);

    // Changes whenever bindings made earlier may no longer hold. Stamps are unique across all
    // contexts of the process, so a context created at the address of a destroyed one never
    // inherits its bindings.
    virtual std::uint64_t generation() const { return m_generation; }

protected:
    void invalidateBindings();
    static std::uint64_t newStamp();

private:
    std::uint64_t m_generation;
};

// A text that does not compile: where and why. The offset is a byte offset into the text.
struct CompileError {
    std::size_t offset = 0;
    std::string message;  // ASCII, for example "unknown function FOO"

    // "message at column N", the text, and a caret under the column, on three lines.
    std::string describe(std::string_view text) const;
};

// A compiled expression text. Compile once; bind and evaluate many times.
//
// Evaluation results follow xBase: texts keep their trailing blanks, numbers carry their count of
// decimals and their display width (README "Expressions" has the rules), dates may be empty. A run-time fault (a missing
// name, a type mismatch, a text beyond kMaxTextLength) is raised through core::raise() and the
// answer is obeyed: Retry evaluates the failed step again, Default makes it give a neutral value
// (0, "", .F., the empty date) and evaluation goes on, Quit stops it and the evaluation returns
// false. Division by zero gives 0.
class Expression {
public:
    Expression();
    ~Expression();
    Expression(Expression&&) noexcept;
    Expression& operator=(Expression&&) noexcept;

    // Compiles `text` (TIS-620 bytes). On a syntax error the result is not valid() and *error,
    // when given, says where and why.
    static Expression compile(std::string_view text, CompileError* error = nullptr);

    bool valid() const { return m != nullptr; }
    const std::string& text() const;

    // Binds every name to the context. Evaluation binds by itself when the context (or its
    // generation) differs from the last binding, so calling this is optional; index builds call it
    // once before the first key.
    void bind(Context& context);
    // After binding: the kind every successful evaluation gives (Kind::Text for a concatenation of
    // text fields), or Kind::Any when it depends on the values read.
    Kind resultKind() const;

    // Evaluates against the context's current record and values. False when evaluation was stopped
    // (a fault answered Quit) or the expression is not valid; `out` is then unspecified.
    bool evaluate(Context& context, core::Value& out);
    // The same for an expression whose value is a text, written into `out` (cleared first and
    // reused, so a text path of fields, literals, concatenation and DTOS() allocates nothing once
    // `out` has grown). A value of another type is a "Data type error" fault.
    bool evaluateText(Context& context, std::string& out);

    // The parsed form as nested prefix lists, for tests: "(+ (DTOS DAYIN) TMIN TICKET)".
    std::string dump() const;

    struct Impl;

private:
    bool evaluateTextInGeneral(Context& context, std::string& out);

    std::unique_ptr<Impl> m;
};

// Compiles and evaluates in one step (for texts evaluated once). A syntax error is reported through
// *error (message as CompileError::describe gives it) and gives false, as does a fault answered Quit.
bool evaluateOnce(std::string_view text, Context& context, core::Value& out, std::string* error = nullptr);

}  // namespace expr
