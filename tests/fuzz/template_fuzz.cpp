// Any bytes as a print template: splitting and parsing never fail, every parsed line keeps to the
// fixed columns' rules, and the expressions of text and SUM lines compile or are refused, and
// evaluate against the printing variables without harm.
#include <cstdint>
#include <string>

#include "core/value.h"
#include "expr/contexts.h"
#include "expr/expr.h"
#include "fuzz_util.h"
#include "weighing/print_template.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using fuzz::check;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    static const core::ValueMap noSettings;
    expr::VariablesContext context(noSettings);
    context.set("nPage", core::Value::number(1));
    context.set("nI", core::Value::number(3));
    context.set("cLineNo", core::Value::number(2));
    context.set("pSum", core::Value::array(40));
    int number = 0;
    for (const std::string& line : weighing::splitTemplate(bytes)) {
        check(line.size() <= weighing::kTemplateLineLength);
        check(line.find('\n') == std::string::npos);
        const weighing::TemplateLine t = weighing::parseTemplateLine(line, ++number);
        check(t.number == number);
        check(t.font >= 4 && t.font <= 6);
        check(t.command != weighing::TemplateCommand::Line || (t.pen >= 1 && t.pen <= 3));
        check((t.command == weighing::TemplateCommand::Sum) == (t.sum >= 1 && t.sum <= 40));
        check(t.text.size() <= weighing::kTemplateLineLength);
        if (t.command == weighing::TemplateCommand::Text || t.command == weighing::TemplateCommand::Sum) {
            expr::Expression e = expr::Expression::compile(t.text);
            core::Value v;
            if (e.valid())
                (void)e.evaluate(context, v);
        }
    }
    return 0;
}
