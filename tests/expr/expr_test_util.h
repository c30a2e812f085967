// Helpers of the evaluator tests: evaluate a text and show its value the way mervo-admin eval
// prints it ("C\ttext", "N\t2.50", "D\t05/12/2026", "L\t.T."), and a weighing-ticket record.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "core/fault.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "expr/contexts.h"
#include "expr/expr.h"
#include "expr/functions.h"

namespace exprtest {

inline std::string show(const core::Value& v)
{
    const std::string text = v.isNumber() ? core::xbase::alltrim(expr::str(v)) : v.toDisplayText();
    return std::string(1, v.typeLetter()) + "\t" + text;
}

// The value of text in ctx, or "QUIT" when evaluation stopped and "SYNTAX: ..." when it does not
// compile.
inline std::string evalShow(expr::Context& ctx, std::string_view text)
{
    expr::CompileError error;
    expr::Expression e = expr::Expression::compile(text, &error);
    if (!e.valid())
        return "SYNTAX: " + error.message;
    core::Value v;
    if (!e.evaluate(ctx, v))
        return "QUIT";
    return show(v);
}

// A text to evaluate and what it gives: mervo-admin eval's form of the value ("N\t2.50"), or in the
// widths tests the text itself. UTF-8.
struct Case {
    const char* text;
    const char* expected;
};

// Each case's text (its Thai as TIS-620) evaluated in ctx shows as expected.
inline void check(expr::Context& ctx, const std::vector<Case>& cases)
{
    for (const Case& c : cases)
        EXPECT_EQ(core::tis620::toUtf8(evalShow(ctx, core::tis620::T(c.text))), c.expected) << c.text;
}

// Each fault as the error report's line shows it ("Error BASE/1081  Argument error: +"): subsystem,
// subcode, the description of the general code, and the operation.
inline std::vector<std::string> reported(const std::vector<core::Fault>& faults)
{
    std::vector<std::string> out;
    for (const core::Fault& f : faults)
        out.push_back(core::errorMessage(f));
    return out;
}

// A record buffer with a field layout, filled by field name.
class FakeTable {
public:
    FakeTable(std::initializer_list<expr::FieldDef> fields, std::string alias, bool current)
        : context(expr::recordLayout(fields), std::move(alias), current)
    {
        std::size_t size = 1;
        for (const auto& f : fields)
            size += f.width;
        record.assign(size, ' ');
        layout.assign(fields.begin(), fields.end());
        context.setRecord(record.data());
    }

    void set(std::string_view field, std::string_view bytes)
    {
        std::size_t offset = 1;
        for (const auto& f : layout) {
            if (core::xbase::equalsNoCase(f.name, field)) {
                const std::string padded = f.type == 'N' ? core::xbase::padLeft(bytes, f.width)
                                                         : core::xbase::padRight(bytes, f.width);
                record.replace(offset, f.width, padded);
                return;
            }
            offset += f.width;
        }
        ADD_FAILURE() << "no field " << field;
    }
    void set(std::initializer_list<std::pair<std::string_view, std::string_view>> fields)
    {
        for (const auto& [field, bytes] : fields)
            set(field, bytes);
    }

    std::string record;
    std::vector<expr::FieldDef> layout;
    expr::RecordContext context;
};

// A weighing ticket ("wdata", current) with the code tables a look-up text names.
struct TicketTables {
    TicketTables()
        : wdata({{"TICKET", 'C', 6}, {"DAYIN", 'D', 8}, {"TMIN", 'C', 8}, {"TRUCK", 'C', 10}, {"WIN", 'N', 10},
                 {"DATE", 'D', 8}, {"TIME", 'C', 8}, {"COMPANY", 'C', 10}, {"ACCOUNT", 'C', 10},
                 {"AMOUNT", 'N', 14, 2}, {"REMARK1", 'C', 30}, {"STAT", 'C', 1}, {"PAID", 'L', 1}},
                "wdata", true),
          farmer({{"CODE", 'C', 10}, {"NAME", 'C', 40}}, "Farmer", false),
          replist({{"CODE", 'C', 10}, {"NAME", 'C', 40}}, "RepList", false),
          chain({&wdata.context, &farmer.context, &replist.context, &variables})
    {
        wdata.set({{"TICKET", "000123"}, {"DAYIN", "20261205"}, {"TMIN", "08:15:00"}, {"TRUCK", "80-1234"},
                   {"WIN", "12345"}, {"DATE", "20261205"}, {"TIME", "09:30:00"}, {"COMPANY", "C001"},
                   {"ACCOUNT", "A01"}, {"AMOUNT", "1234567.50"}, {"REMARK1", core::tis620::T("ข้าวเปลือก")},
                   {"STAT", "2"}, {"PAID", "T"}});
        farmer.set({{"CODE", "F001"}, {"NAME", core::tis620::T("นายสมชาย")}});
        replist.set({{"CODE", "TRK01"}, {"NAME", "Tickets"}});
    }

    FakeTable wdata, farmer, replist;
    core::Settings settings;
    expr::VariablesContext variables{settings};
    expr::ChainContext chain;
};

}  // namespace exprtest
