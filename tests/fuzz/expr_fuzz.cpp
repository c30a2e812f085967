// Any bytes as an expression text: compiled, then evaluated against a weighing-ticket record, a code
// table and variables (texts, numbers, dates, logicals, an array, a macro text). Faults are answered
// as the built-in handler does (Default when allowed, else Quit), so no input can retry for ever.
// Properties: no crash and no sanitizer report; evaluation stays bounded in time and memory; two
// evaluations give the same value; for a text value the text path gives the same bytes; no text
// exceeds the evaluator's limit; compiling twice gives the same tree.
#include <cstdint>
#include <string>

#include "core/clock.h"
#include "expr/contexts.h"
#include "expr/expr.h"
#include "expr/functions.h"
#include "fuzz_util.h"

namespace {

// DATE() and TIME() must not change between the two evaluations compared.
class StillClock final : public core::Clock {
public:
    core::Date today() override { return core::Date::fromYmd(2026, 12, 5); }
    std::int64_t hundredthsSinceMidnight() override { return 8 * 360000; }
    std::int64_t monotonicMs() override { return 0; }
    void sleepMs(int) override {}
};

struct World {
    World()
        : wdata(expr::recordLayout({{"TICKET", 'C', 6}, {"DAYIN", 'D', 8}, {"TMIN", 'C', 8}, {"TRUCK", 'C', 10},
                                    {"WIN", 'N', 10}, {"AMOUNT", 'N', 14, 2}, {"PAID", 'L', 1}, {"REMARK1", 'C', 30}}),
                "wdata", true),
          farmer(expr::recordLayout({{"CODE", 'C', 10}, {"NAME", 'C', 40}}), "Farmer", false),
          chain({&wdata, &farmer, &variables})
    {
        core::setPrompts(&prompts);
        core::setClock(&clock);
        // Deletion flag, then TICKET DAYIN TMIN TRUCK WIN AMOUNT PAID REMARK1 at their widths.
        wdataRecord = std::string(" ") + "000123" + "20261205" + "08:15:00" + "80-1234   " + "     12345"
                      + "    1234567.50" + "T" + std::string(30, '\xA1');
        farmerRecord = std::string(" ") + "F001      " + std::string(40, '\xA2');
        wdata.setRecord(wdataRecord.data());
        farmer.setRecord(farmerRecord.data());
        wdata.state().recNo = 3;
        variables.set("cName", core::Value::text("AB  "));
        variables.set("nQty", core::Value::number(7849.5, 2));
        variables.set("dDay", core::Value::date(core::Date::fromYmd(2024, 2, 29)));
        variables.set("lOk", core::Value::logical(true));
        variables.set("cMacro", core::Value::text("cName + TICKET"));
        variables.set("CDECCOR", core::Value::text("Y"));
        auto csub = std::make_shared<core::ValueArray>(30, core::Value::number(0));
        variables.set("CSUB", core::Value::array(csub));
    }

    fuzz::SilentPrompts prompts;
    StillClock clock;
    std::string wdataRecord, farmerRecord;
    expr::RecordContext wdata, farmer;
    core::Settings settings;
    expr::VariablesContext variables{settings};
    expr::ChainContext chain;
};

std::string show(const core::Value& v)
{
    return std::string(1, v.typeLetter()) + (v.isNumber() ? expr::str(v) : v.toDisplayText());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using fuzz::check;
    static World world;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    expr::CompileError error;
    expr::Expression e = expr::Expression::compile(text, &error);
    if (!e.valid()) {
        check(error.offset <= text.size() && !error.message.empty());
        (void)error.describe(text);
        return 0;
    }
    check(expr::Expression::compile(text).dump() == e.dump());

    core::Value first, second;
    const bool ok1 = e.evaluate(world.chain, first);
    const bool ok2 = e.evaluate(world.chain, second);
    check(ok1 == ok2 && (!ok1 || show(first) == show(second)));
    if (ok1 && first.isText()) {
        check(first.asText().size() <= expr::kMaxTextLength);
        std::string viaText;
        check(e.evaluateText(world.chain, viaText) && viaText == first.asText());
    }
    return 0;
}
