#include <gtest/gtest.h>

#include "core/fault.h"
#include "expr_test_util.h"
#include "support/seams.h"

using core::Value;
using exprtest::Case;
using exprtest::evalShow;
using exprtest::reported;
using Lines = std::vector<std::string>;

namespace {

class Operators : public ::testing::Test {
protected:
    Operators()
    {
        vars.set("X", Value::number(1));
        vars.set("Y", Value::number(2));
        vars.set("cName", Value::text("AB  "));
        vars.set("dIn", Value::date(core::Date::fromYmd(2026, 12, 5)));
        auto csub = std::make_shared<core::ValueArray>();
        *csub = {Value::number(10), Value::number(20, 2), Value::text("x")};
        vars.set("CSUB", Value::array(csub));
    }
    void check(const std::vector<Case>& cases) { exprtest::check(vars, cases); }

    core::Settings settings;
    expr::VariablesContext vars{settings};
};

TEST_F(Operators, PrecedenceDecimalsComparisonsTextsDatesAndLiteralsFollowXbase)
{
    check({
        {"1+2*3", "N\t7"},
        {"2+3*4**2", "N\t50.00"},
        {"1+2=3", "L\t.T."},
        {"!.T. .OR. .T.", "L\t.T."},
        {"2**3**2", "N\t64.00"},  // equal ranks group left to right
        {"-2^2", "N\t4.00"},      // unary minus binds tighter than the power
        {"+5", "N\t5"},
        {".NOT. 1=2", "L\t.T."},  // .NOT. is looser than the comparison
        {".T. .OR. .F. .AND. .F.", "L\t.T."},  // .AND. binds tighter than .OR.
        {"X=1.AND.Y=2", "L\t.T."},  // "1." before AND is not a decimal point
        // Decimals: the larger for + -, the sum for *, always 2 for / % **.
        {"1.50+2", "N\t3.50"},
        {"1.5*1.25", "N\t1.875"},
        {"3*2", "N\t6"},
        {"10/4", "N\t2.50"},
        {"7%3", "N\t1.00"},
        {"-7%3", "N\t-1.00"},
        // Text comparison is not exact except for ==.
        {"'ABC' = 'AB'", "L\t.T."},
        {"'AB' = 'ABC'", "L\t.F."},
        {"'ABC' = ''", "L\t.T."},
        {"'' = 'ABC'", "L\t.F."},
        {"'AB' = 'AB '", "L\t.F."},  // trailing blanks are significant
        {"'ABC' == 'AB'", "L\t.F."},
        {"'AB' == 'AB'", "L\t.T."},
        {"'ABC' <> 'ABD'", "L\t.T."},
        {"'ABC' != 'AB'", "L\t.F."},
        {"'ABC' # 'AB'", "L\t.F."},
        {"'ABC' > 'AB'", "L\t.F."},  // the right side decides the length
        {"'ABC' >= 'AB'", "L\t.T."},
        {"'B' < 'a'", "L\t.T."},  // bytes, not letters
        {"'B' $ 'ABC'", "L\t.T."},
        {"'' $ 'ABC'", "L\t.F."},
        {"dIn = CTOD('05/12/2026')", "L\t.T."},
        {".T. > .F.", "L\t.T."},
        // Texts, dates and literals.
        {"'AB  ' - 'CD'", "C\tABCD  "},
        {"cName - 'CD' + 'E'", "C\tABCD  E"},
        {"[square] + \"double\" + 'single'", "C\tsquaredoublesingle"},
        {"dIn + 30", "D\t04/01/2027"},
        {"dIn - 5", "D\t30/11/2026"},
        {"dIn - CTOD('01/12/2026')", "N\t4"},
        {"CSUB[2]", "N\t20.00"},
        {".y. .AND. .T.", "L\t.T."},
        {"IIF(X = 1, 'one', 'other')", "C\tone"},
        {".T. .OR. NOSUCH", "L\t.T."},  // .OR. stops at the first .T.
        {".F. .AND. NOSUCH", "L\t.F."},
        {"IIF(.T., 1, NOSUCH)", "N\t1"},  // only the branch taken is evaluated
    });
}

TEST_F(Operators, MacrosEvaluateWithTheSameEvaluator)
{
    vars.set("cExpr", Value::text("X + Y * 10"));
    vars.set("cLoop", Value::text("&cLoop"));
    check({{"&cExpr", "N\t21"}, {"&('UPPER(' + '\"abc\")')", "C\tABC"}});
    testsupport::RecordingFaultHandler faults(core::FaultAnswer::Default);
    EXPECT_EQ(evalShow(vars, "&cLoop"), "U\tNIL");  // stopped by the depth limit, then defaulted
    EXPECT_EQ(evalShow(vars, "&('1 +')"), "U\tNIL");
    ASSERT_EQ(faults.faults.size(), 2u);
    EXPECT_EQ(faults.faults[0].genCode, core::EG_COMPLEXITY);
    EXPECT_EQ(faults.faults[1].genCode, core::EG_SYNTAX);
}

// ---- faults -------------------------------------------------------------------------------------

// A fault carries the fields of the error report; Default gives the neutral value of the step.
TEST_F(Operators, DefaultGivesTheNeutralValueOfTheStep)
{
    testsupport::RecordingFaultHandler faults(core::FaultAnswer::Default);
    const std::vector<Case> cases = {
        {"1 + 'a'", "N\t0"},
        {"'a' + 1 + 'b'", "C\tb"},  // the failed step gives "", the chain goes on
        {"SUBSTR(5, 1) + 'x'", "C\tx"},
        {"CTOD(5)", "D\t  /  /    "},
        {"'a' < 1", "L\t.F."},
        {"IIF('x', 1, 2)", "N\t2"},
        {"CSUB[9]", "U\tNIL"},
        {"X[1]", "U\tNIL"},
        {"-'a'", "N\t0"},
        {"LEN(5) + 1", "N\t1"},
    };
    check(cases);
    ASSERT_EQ(faults.faults.size(), cases.size());
    const core::Fault& f = faults.faults[0];
    EXPECT_EQ(f.genCode, core::EG_ARG);
    EXPECT_EQ(f.args, (std::vector<Value>{Value::number(1), Value::text("a")}));
    EXPECT_TRUE(f.canDefault);
    EXPECT_FALSE(f.canRetry);
    EXPECT_EQ(reported({f, faults.faults[2], faults.faults[5], faults.faults[6], faults.faults[7], faults.faults[8],
                        faults.faults[9]}),
              (Lines{"Error BASE/1081  Argument error: +", "Error BASE/1110  Argument error: SUBSTR",
                     "Error BASE/1066  Argument error: conditional",
                     "Error BASE/1132  Bound error: array access",
                     "Error BASE/1068  Argument error: array access", "Error BASE/1080  Argument error: -",
                     "Error BASE/1111  Argument error: LEN"}));
}

// Quit stops, division by zero never reaches the handler; unknown names may be retried but have no default.
TEST_F(Operators, QuitRetryAndDivisionByZero)
{
    testsupport::RecordingFaultHandler faults(core::FaultAnswer::Quit);
    EXPECT_EQ(evalShow(vars, "1/0 + MOD(5, 0) + 7%0"), "N\t0.00");
    EXPECT_TRUE(faults.faults.empty());
    EXPECT_EQ(evalShow(vars, "'a' * 2 + NOSUCH"), "QUIT");
    EXPECT_EQ(faults.faults.size(), 1u);

    struct CreateOnFault : core::FaultHandler {
        expr::VariablesContext* vars;
        std::vector<core::Fault> seen;
        core::FaultAnswer handle(const core::Fault& f) override
        {
            seen.push_back(f);
            vars->set("LATER", Value::number(41));
            return core::FaultAnswer::Retry;
        }
    } handler;
    handler.vars = &vars;
    core::FaultHandler* previous = core::setFaultHandler(&handler);
    EXPECT_EQ(evalShow(vars, "LATER + 1"), "N\t42");
    core::setFaultHandler(previous);
    EXPECT_EQ(reported(handler.seen), Lines{"Error BASE/1003  Variable does not exist: LATER"});
    EXPECT_TRUE(handler.seen[0].canRetry);
    EXPECT_FALSE(handler.seen[0].canDefault);

    testsupport::RecordingFaultHandler defaults(core::FaultAnswer::Default);  // not allowed: quits
    EXPECT_EQ(evalShow(vars, "NOSUCH"), "QUIT");
}

TEST_F(Operators, TextsBeyondTheLimitAreFaultsNotAllocations)
{
    testsupport::RecordingFaultHandler faults(core::FaultAnswer::Default);
    check({
        {"LEN(SPACE(40000) + SPACE(40000))", "N\t0"},
        {"LEN(REPLICATE('ab', 40000))", "N\t0"},
        {"LEN(SPACE(10^15))", "N\t0"},
        {"LEN(PADL('x', 70000))", "N\t0"},
        {"LEN(STR(1, 70000))", "N\t0"},
        {"LEN(SPACE(65535))", "N\t65535"},
    });
    ASSERT_EQ(faults.faults.size(), 5u);
    for (const core::Fault& f : faults.faults)
        EXPECT_EQ(f.genCode, core::EG_STROVERFLOW) << f.operation;
    EXPECT_EQ(reported({faults.faults[0], faults.faults[1]}),
              (Lines{"Error BASE/1209  String overflow: +", "Error BASE/1106  String overflow: REPLICATE"}));
}

// ---- syntax -------------------------------------------------------------------------------------

// Errors carry their position; nesting and length are limited.
TEST(Syntax, ErrorsAndLimits)
{
    struct Bad {
        std::string text;
        std::size_t offset;
        const char* message;
    };
    const Bad cases[] = {
        {"", 0, "empty expression"},
        {"1 +", 3, "expected an operand at the end of the text"},
        {"(1 + 2", 6, "expected ')', found end of text"},
        {"FOO(1)", 0, "unknown function FOO"},
        {"1 + @", 4, "unexpected character '@'"},
        {"'abc", 0, "unterminated text"},
        {"a := 1", 2, "assignment is not allowed"},
        {"1 2", 2, "unexpected '2'"},
        {"1 .X. 2", 2, "unknown operator '.X.'"},
        {"wdata->", 7, "expected a field name after '->', found end of text"},
        {"wdata->name(1)", 11, "a function cannot be called through '->'; write wdata->(...)"},
        {"SUBSTR('a' 1)", 11, "expected ')' or ',', found '1'"},
        {"x[1", 3, "expected ']', found end of text"},
        {"&1", 1, "expected a variable name or '(' after '&'"},
        {"a\xA1", 1, "unexpected byte 0xA1"},
    };
    for (const Bad& c : cases) {
        expr::CompileError error;
        EXPECT_FALSE(expr::Expression::compile(c.text, &error).valid()) << c.text;
        EXPECT_EQ(error.offset, c.offset) << c.text;
        EXPECT_EQ(error.message, c.message) << c.text;
    }

    const auto nested = [](int depth) {
        return std::string(std::size_t(depth), '(') + "1" + std::string(std::size_t(depth), ')');
    };
    expr::CompileError error;
    EXPECT_TRUE(expr::Expression::compile(nested(expr::kMaxNesting - 1), &error).valid());
    EXPECT_FALSE(expr::Expression::compile(nested(expr::kMaxNesting), &error).valid());
    EXPECT_EQ(error.message, "nested deeper than 64 levels");
    EXPECT_FALSE(expr::Expression::compile(std::string(100, '-') + "1", &error).valid());

    // A long flat chain is one level deep.
    std::string chain = "1";
    for (int i = 0; i < 5000; ++i)
        chain += "+1";
    core::Settings settings;
    expr::VariablesContext vars(settings);
    EXPECT_EQ(evalShow(vars, chain), "N\t5001");

    const std::string tooLong(expr::kMaxSourceLength + 1, '1');
    EXPECT_FALSE(expr::Expression::compile(tooLong, &error).valid());
    EXPECT_EQ(error.offset, expr::kMaxSourceLength);
}

// ---- keys and look-up texts ---------------------------------------------------------------------

TEST(Keys, EveryIndexKeyOfTheProgramEvaluatesAgainstARecord)
{
    exprtest::FakeTable t({{"STAT", 'C', 1}, {"TRUCK", 'C', 10}, {"DAYIN", 'D', 8}, {"TMIN", 'C', 8},
                           {"TICKET", 'C', 6}, {"COMPANY", 'C', 10}, {"ACCOUNT", 'C', 10}, {"DATE", 'D', 8},
                           {"TIME", 'C', 8}, {"INDENT", 'C', 15}, {"RECORD", 'C', 15}, {"CODE", 'C', 10},
                           {"WHOUSE", 'C', 10}, {"PRODUCT", 'C', 10}},
                          "wdata", true);
    t.set({{"STAT", "1"}, {"TRUCK", "80-1234"}, {"DAYIN", "20261205"}, {"TMIN", "08:15:00"}, {"TICKET", "000123"},
           {"COMPANY", "C001"}, {"ACCOUNT", "A01"}, {"DATE", "20270101"}, {"TIME", "23:59:59"},
           {"INDENT", "202612052970012"}, {"RECORD", "202612052970013"}, {"CODE", "P01"}, {"WHOUSE", "W1"},
           {"PRODUCT", "RICE"}});
    const std::pair<const char*, std::string> keys[] = {
        {"STAT+TRUCK", "180-1234   "},
        {"DTOS(DAYIN)+TMIN+TICKET", "2026120508:15:00000123"},
        {"COMPANY+ACCOUNT", "C001      A01       "},
        {"dtos(date)+time", "2027010123:59:59"},
        {"INDENT+RECORD", "202612052970012202612052970013"},
        {"code", "P01       "},
    };
    std::string key;
    for (const auto& [text, expected] : keys) {
        expr::Expression e = expr::Expression::compile(text);
        ASSERT_TRUE(e.valid()) << text;
        e.bind(t.context);
        EXPECT_EQ(e.resultKind(), expr::Kind::Text) << text;
        ASSERT_TRUE(e.evaluateText(t.context, key)) << text;
        EXPECT_EQ(key, expected) << text;
    }
}

TEST(Keys, DatesThatAreNotDatesGiveBlanksAndMovingTheRecordNeedsNoRebinding)
{
    exprtest::FakeTable t({{"DAYIN", 'D', 8}, {"TMIN", 'C', 8}, {"TICKET", 'C', 6}}, "wdata", true);
    expr::Expression e = expr::Expression::compile("DTOS(DAYIN)+TMIN+TICKET");
    std::string key;
    const std::pair<const char*, const char*> dates[] = {
        {"20261205", "20261205"}, {"        ", "        "}, {"20261340", "        "},
        {"2026 205", "        "},  {"20240229", "20240229"}, {"20250229", "        "},
    };
    for (const auto& [stored, expected] : dates) {
        t.set({{"DAYIN", stored}, {"TMIN", "08:15:00"}, {"TICKET", "000001"}});
        ASSERT_TRUE(e.evaluateText(t.context, key));
        EXPECT_EQ(key, std::string(expected) + "08:15:00000001") << stored;
        core::Value v;
        ASSERT_TRUE(e.evaluate(t.context, v));  // the general path agrees
        EXPECT_EQ(v.asText(), key);
    }

    std::string other = t.record;
    other.replace(1, 8, "19991231");
    t.context.setRecord(other.data());
    ASSERT_TRUE(e.evaluateText(t.context, key));
    EXPECT_EQ(key.substr(0, 8), "19991231");
}

TEST(Keys, LookUpTextsOfTheBrowsesEvaluate)
{
    exprtest::TicketTables tables;
    using core::tis620::T;
    using core::xbase::padRight;
    // The texts as the program carries them, in C notation: \" is a quote inside the text.
    const std::pair<const char*, std::string> texts[] = {
        {R"(wdata->ticket+dtoc(wdata->dayin)+wdata->tmin+wdata->truck+tran(wdata->win,\"99,999\"))",
         "00012305/12/202608:15:0080-1234   12,345"},
        {R"(wdata->Ticket+dtoc(wdata->Date)+wdata->Company+Farmer->name+tran(wdata->Amount,\"999,999,999.99\"))",
         "00012305/12/2026C001      " + padRight(T("นายสมชาย"), 40) + "  1,234,567.50"},
        {R"(wdata->Ticket+dtoc(wdata->Date)+wdata->Remark1)", "00012305/12/2026" + padRight(T("ข้าวเปลือก"), 30)},
        {"RepList->code+RepList->name", padRight("TRK01", 10) + padRight("Tickets", 40)},
    };
    for (const auto& [text, expected] : texts)
        EXPECT_EQ(evalShow(tables.chain, text), "C\t" + expected) << text;
}

// ---- names and contexts -------------------------------------------------------------------------

TEST(Names, FieldsComeBeforeVariablesMissingAliasesAreFaultsAndBindingsFollowTheContext)
{
    exprtest::TicketTables t;
    t.variables.set("TICKET", Value::text("variable"));
    t.variables.set("cOnly", Value::text("screen"));
    t.settings.set("CDRV1", Value::text("./"));
    t.wdata.context.state().recNo = 7;
    exprtest::check(t.chain, {
        {"TICKET", "C\t000123"},
        {"M->TICKET", "C\tvariable"},
        {"FIELD->ticket", "C\t000123"},
        {"conly", "C\tscreen"},
        {"cdrv1", "C\t./"},
        {"PAID", "L\t.T."},
        {"wdata->(RECNO())", "N\t7"},
        {"Farmer->(RECNO())", "N\t0"},
        {"Farmer->(CODE)", "C\tF001      "},
    });

    // Missing aliases and tables are faults; bindings follow the context.
    testsupport::RecordingFaultHandler faults(core::FaultAnswer::Default);
    EXPECT_EQ(evalShow(t.chain, "nosuch->code"), "QUIT");
    EXPECT_EQ(evalShow(t.chain, "Farmer->nosuch"), "QUIT");
    EXPECT_EQ(evalShow(t.chain, "nosuch->(RECNO())"), "QUIT");
    EXPECT_EQ(reported(faults.faults),
              (Lines{"Error BASE/1002  Alias does not exist: nosuch",
                     "Error BASE/1003  Variable does not exist: Farmer->nosuch",
                     "Error BASE/1002  Alias does not exist: nosuch"}));

    core::Settings none;
    expr::VariablesContext noTables(none);
    EXPECT_EQ(evalShow(noTables, "RECNO()"), "N\t0");  // an unused work area
    EXPECT_EQ(evalShow(noTables, "EOF() .AND. BOF() .AND. !FOUND() .AND. !DELETED()"), "L\t.T.");

    std::string out = "old";  // the text path of a number: a data type fault, and no text
    EXPECT_TRUE(expr::Expression::compile("1 + 2").evaluateText(noTables, out));
    EXPECT_EQ(out, "");
    ASSERT_EQ(faults.faults.size(), 4u);
    EXPECT_EQ(faults.faults[3].genCode, core::EG_DATATYPE);

    expr::Expression e = expr::Expression::compile("CODE");
    core::Value v;
    {
        testsupport::RecordingFaultHandler quit(core::FaultAnswer::Quit);
        EXPECT_FALSE(e.evaluate(t.chain, v));  // the current table (wdata) has no CODE
    }
    // Make the farmer table current: the same expression reads its CODE after rebinding.
    t.wdata.context.setCurrent(false);
    t.farmer.context.setCurrent(true);
    ASSERT_TRUE(e.evaluate(t.chain, v));
    EXPECT_EQ(v.asText(), core::xbase::padRight("F001", 10));

    // A variable set after binding is found; a cleared map reads NIL.
    expr::Expression later = expr::Expression::compile("cLater");
    t.variables.set("cLater", Value::text("now"));
    ASSERT_TRUE(later.evaluate(t.chain, v));
    EXPECT_EQ(v, Value::text("now"));
    t.variables.variables().clear();
    ASSERT_TRUE(later.evaluate(t.chain, v));
    EXPECT_TRUE(v.isNil());
}

}  // namespace
