// eval 'EXPR' [--var NAME=VALUE]... [--date DD/MM/YYYY]: compiles and evaluates one stored
// expression against the variables given (and the program-wide settings, which are empty here) and
// prints "<type letter>\t<value>".
//
// Exit codes: 0 evaluated; 1 the expression does not compile or a fault stopped it (the message is
// on stderr); 2 bad arguments.
#include <cctype>
#include <iostream>
#include <optional>

#include "command_line.h"
#include "core/clock.h"
#include "core/fault.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "expr/contexts.h"
#include "expr/expr.h"
#include "expr/functions.h"

namespace admin {
namespace {

// The wall clock with today's date replaced.
class DateClock final : public core::Clock {
public:
    DateClock(core::Clock& real, core::Date day) : m_real(real), m_day(day) {}
    core::Date today() override { return m_day; }
    std::int64_t hundredthsSinceMidnight() override { return m_real.hundredthsSinceMidnight(); }
    std::int64_t monotonicMs() override { return m_real.monotonicMs(); }
    void sleepMs(int ms) override { m_real.sleepMs(ms); }

private:
    core::Clock& m_real;
    core::Date m_day;
};

// Every fault stops the evaluation; the first one is kept for the message.
class FirstFault final : public core::FaultHandler {
public:
    core::FaultAnswer handle(const core::Fault& f) override
    {
        if (!fault)
            fault = f;
        return core::FaultAnswer::Quit;
    }
    std::optional<core::Fault> fault;
};

bool isName(std::string_view s)
{
    if (s.empty() || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_'))
        return false;
    for (char c : s)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
            return false;
    return true;
}

bool looksLikeDate(std::string_view s)
{
    int slashes = 0;
    for (char c : s) {
        if (c == '/')
            ++slashes;
        else if (c < '0' || c > '9')
            return false;
    }
    return slashes == 2;
}

// A --var value: a date dd/mm/yyyy, or a constant the evaluator reads ("text", 123.45, .T.).
bool parseValue(const std::string& text, core::Value& out, std::string& error)
{
    if (looksLikeDate(text)) {
        const core::Date d = core::Date::fromDtoc(text);
        if (d.isEmpty()) {
            error = "not a date: " + text;
            return false;
        }
        out = core::Value::date(d);
        return true;
    }
    core::Settings none;
    expr::ValueMapContext empty(none);
    std::string compileError;
    if (!expr::evaluateOnce(core::tis620::fromUtf8(text), empty, out, &compileError)) {
        error = compileError.empty() ? "not a constant: " + text : compileError;
        return false;
    }
    return true;
}

std::string display(const core::Value& v)
{
    switch (v.type()) {
    case core::Value::Type::Number: return core::xbase::alltrim(expr::str(v));
    case core::Value::Type::Text: return core::tis620::toUtf8(v.asText());
    default: return v.toDisplayText();
    }
}

}  // namespace

int cmdEval(const Args& args)
{
    std::string text, dateText;
    std::vector<std::string> assignments;
    CommandLine line("eval", "eval 'EXPR' [--var NAME=VALUE]... [--date DD/MM/YYYY]",
                     "  VALUE: \"text\", 'text', a number such as 123.45, a date dd/mm/yyyy, .T. or .F.");
    line.positional("EXPR", &text, "the expression; it may begin with \"-\"");
    line.values("--var", &assignments, "a variable and its value");
    line.value("--date", &dateText, "the date DATE() answers");
    line.allowDash("EXPR", &text);
    if (const auto code = line.parse(args))
        return *code;
    if (!line.given("EXPR"))
        return line.refuse();

    expr::VariablesContext context;
    for (const std::string& assignment : assignments) {
        const auto eq = assignment.find('=');
        const std::string name = assignment.substr(0, eq);
        if (eq == std::string::npos || !isName(name))
            return line.refuse("--var wants NAME=VALUE, got '" + assignment + "'");
        core::Value value;
        std::string error;
        FirstFault faults;
        core::FaultHandler* previous = core::setFaultHandler(&faults);
        const bool ok = parseValue(assignment.substr(eq + 1), value, error);
        core::setFaultHandler(previous);
        if (!ok) {
            if (faults.fault)
                error = core::tis620::toUtf8(core::errorMessage(*faults.fault));
            return line.refuse("--var " + name + ": " + error);
        }
        context.set(name, std::move(value));
    }
    std::optional<core::Date> day;
    if (line.given("--date")) {
        const core::Date d = core::Date::fromDtoc(dateText);
        if (d.isEmpty() || !looksLikeDate(dateText))
            return line.refuse("--date wants DD/MM/YYYY, got '" + dateText + "'");
        day = d;
    }

    const std::string source = core::tis620::fromUtf8(text);
    expr::CompileError compileError;
    expr::Expression e = expr::Expression::compile(source, &compileError);
    if (!e.valid()) {
        std::cerr << "mervo-admin eval: " << core::tis620::toUtf8(compileError.describe(source)) << '\n';
        return 1;
    }

    std::optional<DateClock> clock;
    core::Clock* previousClock = nullptr;
    if (day) {
        clock.emplace(core::clock(), *day);
        previousClock = core::setClock(&*clock);
    }
    FirstFault faults;
    core::FaultHandler* previousHandler = core::setFaultHandler(&faults);
    core::Value value;
    const bool ok = e.evaluate(context, value);
    core::setFaultHandler(previousHandler);
    if (day)
        core::setClock(previousClock);

    if (!ok) {
        std::cerr << "mervo-admin eval: "
                  << (faults.fault ? core::tis620::toUtf8(core::errorMessage(*faults.fault)) : "evaluation stopped") << '\n';
        return 1;
    }
    std::cout << value.typeLetter() << '\t' << display(value) << '\n';
    return 0;
}

}  // namespace admin
