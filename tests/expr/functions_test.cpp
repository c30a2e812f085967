#include <gtest/gtest.h>

#include "expr/functions.h"
#include "expr_test_util.h"
#include "support/seams.h"

using core::Value;
using core::tis620::toUtf8;

namespace {

class Functions : public ::testing::Test {
protected:
    void check(const std::vector<exprtest::Case>& cases) { exprtest::check(vars, cases); }

    testsupport::FakeClock clock;  // 5 December 2026, 08:00:00
    core::Settings settings;
    expr::VariablesContext vars{settings};
};

TEST(Baht, EveryAmountOfTheTableAndANegativeOne)
{
    const std::pair<double, const char*> cases[] = {
        {1, "(หนึ่งบาทถ้วน)"},
        {11, "(สิบเอ็ดบาทถ้วน)"},
        {21, "(ยี่สิบเอ็ดบาทถ้วน)"},
        {0, ""},
        {0.004, ""},
        {1250.50, "(หนึ่งพันสองร้อยห้าสิบบาทห้าสิบสตางค์)"},
        {-1250.50, "(หนึ่งพันสองร้อยห้าสิบบาทห้าสิบสตางค์)"},
        {0.25, "(ยี่สิบห้าสตางค์)"},
        {10.21, "(สิบบาทยี่สิบเอ็ดสตางค์)"},
        {21000000, "(ยี่สิบเอ็ดล้านบาทถ้วน)"},
        {100000000, "(หนึ่งร้อยล้านบาทถ้วน)"},
        {101, "(หนึ่งร้อยหนึ่งบาทถ้วน)"},
        {1000001, "(หนึ่งล้านหนึ่งบาทถ้วน)"},
        {11000000, "(สิบเอ็ดล้านบาทถ้วน)"},
        {1000000000, "(หนึ่งพันล้านบาทถ้วน)"},
        {0.01, "(หนึ่งสตางค์)"},
        {0.11, "(สิบเอ็ดสตางค์)"},
        {999999999.99, "(เก้าร้อยเก้าสิบเก้าล้านเก้าแสนเก้าหมื่นเก้าพันเก้าร้อยเก้าสิบเก้าบาทเก้าสิบเก้าสตางค์)"},
    };
    for (const auto& [amount, text] : cases)
        EXPECT_EQ(toUtf8(expr::baht(amount)), text) << amount;
}

TEST(Xround, DecimalCorrectionDecidesTheHalves)
{
    struct X {
        double value;
        int dec;
        bool correction;
        double expected;
    };
    const X cases[] = {
        {2.345, 2, true, 2.35},      {0.125, 2, true, 0.13},       {0.125, 2, false, 0.12},
        {-0.125, 2, true, -0.13},    {-0.125, 2, false, -0.12},    {56808.875, 2, true, 56808.88},
        {2.5, 0, false, 2},          {2.51, 0, false, 3},          {1.005, 2, true, 1.01},
        {1.005, 2, false, 1.00},     {0.1249994, 2, true, 0.12},   {1234.5678, 3, true, 1234.568},
        {0, 2, true, 0},             {1250, -2, true, 1300},
    };
    for (const X& c : cases)
        EXPECT_EQ(expr::xround(c.value, c.dec, c.correction), c.expected) << c.value << " " << c.correction;
    // CDECCOR: unset, or "Y" in either case among blanks, corrects; anything else does not.
    const std::pair<Value, bool> settings[] = {{Value(), true}, {Value::text(" y "), true}, {Value::text("N"), false}};
    for (const auto& [setting, corrects] : settings)
        EXPECT_EQ(expr::decimalCorrection(setting), corrects) << exprtest::show(setting);
}

TEST_F(Functions, StangAndDisc)
{
    check({
        {"STANG(10.125)", "N\t10.00"},
        {"STANG(10.13)", "N\t10.25"},
        {"STANG(10.9)", "N\t11.00"},
        {"STANG(-3.3)", "N\t-3.3"},
        {"STANG(10.625)", "N\t10.50"},
        {"STANG(10.7)", "N\t10.75"},
        {"STANG(10)", "N\t10.00"},
        {"DISC(1000, '10%5%')", "N\t145.00"},
        {"DISC(1000, '10%+50')", "N\t150.00"},
        {"DISC(1000, '')", "N\t0.00"},
        {"DISC(1000, '5%100')", "N\t150.00"},
        {"DISC(1234.567, '7.5%')", "N\t92.59"},
        {"DISC(1000, ' 2 x 3 ')", "N\t23.00"},  // other characters are skipped
    });
    EXPECT_DOUBLE_EQ(expr::disc(1234.567, "7.5%", false, true), 92.592525);
    vars.set("CDISCFIX", Value::text("Y"));
    check({{"DISC(1234.567, '7.5%')", "N\t92.593"}, {"DISC(1000, '10%5%')", "N\t145.000"}});
}

// The values of ZERO, SPLIT, the month names, TRANSFORM's pictures and the standard functions that
// the site's templates, report lines and formulas call.
TEST_F(Functions, Values)
{
    vars.set("dDay", Value::date(core::Date::fromYmd(2026, 12, 5)));
    check({
        {"ZERO(7, 2)", "C\t07"},
        {"ZERO(123, 2)", "C\t23"},
        {"ZERO(12.9, 5)", "C\t00012"},
        {"ZERO(1000000, 6)", "C\t000000"},
        {"ZERO(5, 0)", "C\t"},
        {"SPLIT('a, 12.5kg ,c', 2)", "N\t12.5"},
        {"SPLIT('a,b,c', 3, ',', 'C')", "C\tc"},
        {"SPLIT('a,b', 3)", "N\t0"},
        {"SPLIT('a,b', 3, ',', 'C')", "C\t"},
        {"SPLIT('x', 0)", "N\t0"},
        {"SPLIT('a, b ,c', 2, ',', 'C')", "C\t b "},
        {"SPLIT('1;-2;3', 2, ';')", "N\t-2"},
        {"SPLIT('1,,3', 2)", "N\t0"},
        {"MONTHNAME(1)", "C\tมกราคม"},
        {"MONTHNAME(12.7)", "C\tธันวาคม"},
        {"MONTHNAME(13)", "C\t"},
        {"MONTHNAME(0)", "C\t"},
        {"BCYEAR(CTOD('05/12/2026'))", "C\tวันที่  05  ธันวาคม  พ.ศ.2569"},
        {"BCYEAR(CTOD(''))", "C\t"},
        {"LASTDAY(CTOD(''))", "D\t  /  /    "},
        {"FIRSTDAY(CTOD('15/12/2026'))", "D\t01/12/2026"},
        {"LASTDAY(CTOD('10/02/2024'))", "D\t29/02/2024"},
        {"LASTDAY(CTOD('10/02/2025'))", "D\t28/02/2025"},
        {"LASTDAY(CTOD('31/12/2026')) + 1", "D\t01/01/2027"},
        // TRANSFORM's pictures.
        {"tran(1234,\"99,999\")", "C\t 1,234"},
        {"TRANSFORM(1234567.5,\"999,999,999.99\")", "C\t  1,234,567.50"},
        {"tran(-1234,'99,999')", "C\t-1,234"},
        {"tran(-123,'9,999')", "C\t -123"},
        {"tran(123456,'99,999')", "C\t******"},
        {"tran(1234.567,'9,999.99')", "C\t1,234.57"},
        {"tran(2.675,'99,999.99') + tran(-0.004,'99,999.99')", "C\t     2.68     0.00"},
        {"tran(3,'.99') + tran(12.3456,'99,999.999')", "C\t.**    12.346"},
        {"tran(0.5,'.99')", "C\t.50"},
        {"tran(99999,'99,999') + tran(-12345,'99,999')", "C\t99,999******"},
        {"tran(0,'@Z 99,999')", "C\t      "},
        {"tran(5,'@B 999')", "C\t5  "},
        {"tran(1234.5,'@E 9,999.99')", "C\t1.234,50"},
        {"tran(-5,'@( 999')", "C\t( 5)"},
        {"tran(5,'99%')", "C\t 5%"},
        {"tran(1234,'')", "C\t      1234"},
        {"tran(12.5,'@Z')", "C\t        12.5"},
        {"tran('abc','@!')", "C\tABC"},
        {"tran('abcdef','!!-XX')", "C\tAB-de"},
        {"tran('abcdef','@R !!-XX')", "C\tAB-cd"},
        {"tran('ab','XXXX')", "C\tab"},
        {"tran('ab','@R XX-XX')", "C\tab-  "},
        {"tran('12ab','@9')", "C\t12ab"},  // "@9" restricts typing, not output
        {"tran(.T.,'Y')", "C\tY"},
        {"tran(.F.,'')", "C\tF"},
        {"tran(dDay,'')", "C\t05/12/2026"},
        {"tran(CTOD(''),'@Z')", "C\t          "},
        {"tran(ข้าว,'')", "SYNTAX: unexpected byte 0xA2"},
        {"tran('ข้าว','@!')", "C\tข้าว"},
        // The standard text, number and date functions.
        {"SUBSTR('hello', 2, 3)", "C\tell"},
        {"SUBSTR('hello', -3)", "C\tllo"},
        {"SUBSTR('hello', 10)", "C\t"},
        {"SUBSTR('hello', 0, 2)", "C\the"},
        {"LEN('ข้าว ')", "N\t5"},
        {"LEFT('hello', 2) + RIGHT('hello', 2)", "C\thelo"},
        {"LEFT('hello', -1) + RIGHT('hi', 5)", "C\thi"},
        {"AT('l', 'hello')", "N\t3"},
        {"RAT('l', 'hello')", "N\t4"},
        {"AT('', 'hello') + RAT('x', 'hello')", "N\t0"},
        {"'[' + TRIM(' a ') + RTRIM(' b ') + LTRIM(' c ') + ALLTRIM(' d ') + ']'", "C\t[ a bc d]"},
        {"PADL('ab', 5, '*') + PADR('ab', 4) + PADC('ab', 6, '.')", "C\t***abab  ..ab.."},
        {"PADL(5, 3) + PADR(CTOD('05/12/2026'), 12)", "C\t  505/12/2026  "},
        {"REPLICATE('ab', 3) + repl('-', 2)", "C\tababab--"},
        {"STUFF('abcdef', 2, 3, 'XY')", "C\taXYef"},
        {"STRTRAN('a.b.c', '.', '-')", "C\ta-b-c"},
        {"STRTRAN('aaaa', 'a', 'b', 2, 2)", "C\tabba"},
        {"STRTRAN('abc', 'b')", "C\tac"},
        {"LOWER('ABC') + UPPER('ข้าว abc')", "C\tabcข้าว ABC"},
        {"CHR(65) + STR(ASC('A'), 3)", "C\tA 65"},
        {"VALTYPE(1) + VALTYPE('') + VALTYPE(.T.) + VALTYPE(DATE())", "C\tNCLD"},
        // Numbers and dates.
        {"VAL('12.50')", "N\t12.50"},
        {"VAL('abc')", "N\t0"},
        {"INT(-3.7)", "N\t-3"},
        {"ROUND(2.345, 2)", "N\t2.35"},
        {"MOD(-1, 3)", "N\t2.00"},
        {"STR(5, 3)", "C\t  5"},
        {"STR(3.14159, 6, 2)", "C\t  3.14"},
        {"STR(1234, 3)", "C\t***"},
        {"MAX(1, 2.50) + MIN(3, 4)", "N\t5.50"},
        {"MAX(CTOD('01/01/2026'), CTOD('05/12/2026'))", "D\t05/12/2026"},
        {"STRZERO(5, 4) + STRZERO(-5, 4)", "C\t0005-005"},
        {"EMPTY('  ') .AND. EMPTY(0) .AND. EMPTY(CTOD('')) .AND. EMPTY(.F.)", "L\t.T."},
        {"EMPTY('a') .OR. EMPTY(1) .OR. EMPTY(.T.)", "L\t.F."},
        {"DTOS(CTOD('05/12/2026')) + DTOC(STOD('20270101'))", "C\t2026120501/01/2027"},
        {"DTOS(CTOD('')) + '|'", "C\t        |"},
        {"DOW(CTOD('05/12/2026'))", "N\t7"},
        {"YEAR(DATE()) * 10000 + MONTH(DATE()) * 100 + DAY(DATE())", "N\t20261205"},
        {"CMONTH(DATE()) + CDOW(DATE())", "C\tDecemberSaturday"},
        {"TIME()", "C\t08:00:00"},
        {"CTOD('31/02/2026')", "D\t  /  /    "},
        {"CTOD('99999999999999999999/01/2026')", "D\t  /  /    "},  // no overflow reading the digits
    });
}

// The display width and decimals a number carries, as STR() without a width, TRANSFORM() without a
// picture and the printing of report and template lines show them. dA: 05/12/2026 (a Saturday); WIN
// is a field N 10, AMOUNT N 14.2.
TEST(Widths, EachRuleAsTheXbaseRuntimePrintsIt)
{
    exprtest::TicketTables t;
    t.variables.set("dA", Value::date(core::Date::fromYmd(2026, 12, 5)));
    const exprtest::Case cases[] = {
        {"STR(DAY(CTOD('')))", "  0"},
        // VAL(): the text's own width and decimals.
        {"STR(VAL('ABC 1.000'))", "    0.000"},   // decimals counted past the digits
        {"STR(VAL('12345678901'))", "         12345678901"},  // more than ten places: computed
        // Literals of ten integer digits or more keep their own width.
        {"STR(1234567890.25)", "1234567890.25"},
        {"STR(-1234567890123)", "      -1234567890123"},  // unary minus computes the width anew
        // Computed numbers have ten places, twenty past ten digits.
        {"STR(-999999998-1)", "-999999999"},
        {"STR(9999999999+1)", "         10000000000"},
        {"STR(-999999999-1)", "         -1000000000"},
        // Functions that count: ten.
        {"STR(LEN('abc'))+STR(AT('b', 'abc'))+STR(ASC('A'))", "         3         2        65"},
        // STR with decimals only keeps the integer places; TRANSFORM without a picture shows the width.
        {"STR(DAY(dA), , 1)", "  5.0"},
        {"TRANSFORM(DAY(dA), '')", "  5"},
        {"TRANSFORM(VAL('12.5'), '')", "12.5"},
        // An empty date is Julian day zero in arithmetic.
        {"STR(dA - CTOD(''))", "   2461380"},
        {"STR(CTOD('31/09/1999') - dA)", "  -2461380"},  // an invalid date is the empty date
        {"DTOC(CTOD('31/09/1999') + 2451452)", "30/09/1999"},
        {"DTOC(2461380 + CTOD(''))", "05/12/2026"},
        {"DTOC(CTOD('') + 1)", "  /  /    "},  // before the calendar
        {"DTOC(CTOD('') - 1)", "  /  /    "},
        // Date parts and fields have their own widths; + and - take the larger decimals, * their sum, / and
        // MOD two, ROUND its own; INT and ABS of a whole number keep its width, MAX and MIN the chosen one's.
        {"STR(DAY(dA)) + STR(YEAR(dA)) + STR(DOW(dA))", "  5 2026  7"},
        {"STR(WIN) + STR(AMOUNT)", "     12345    1234567.50"},
        {"STR(12) + STR(1.25)", "        12         1.25"},
        {"STR(VAL(' -1.5')) + STR(VAL('-.5'))", " -1.5-0.5"},
        {"STR(1.5 + 2.25) + STR(1.5 * 1.25) + STR(10 / 4)", "         3.75         1.875         2.50"},
        {"STR(MOD(7, 3)) + STR(ROUND(AMOUNT, 1))", "         1.00   1234567.5"},
        {"STR(INT(AMOUNT)) + STR(INT(WIN)) + STR(INT(DAY(dA) / 2))", "    1234567     12345         2"},
        {"STR(ABS(WIN)) + STR(ABS(-WIN))", "     12345     12345"},
        {"STR(MAX(WIN, AMOUNT)) + STR(MIN(WIN, AMOUNT))", "    1234567.50     12345"},
        {"STR(-(WIN))", "    -12345"},
    };
    for (const exprtest::Case& c : cases) {
        core::Value v;
        ASSERT_TRUE(expr::evaluateOnce(c.text, t.chain, v)) << c.text;
        EXPECT_EQ(v.isText() ? v.asText() : "not a text: " + exprtest::show(v), c.expected) << c.text;
    }
}

// EQCHECK shows its message through the prompts when the amounts differ by more than the half cent.
TEST_F(Functions, EqcheckTellsOfADifference)
{
    testsupport::RecordingPrompts prompts;
    check({
        {"EQCHECK('ยอดไม่ตรง', 1.004, 1)", "L\t.T."},
        {"EQCHECK('ยอดไม่ตรง', 1.006, 1, .T.)", "L\t.T."},
        {"EQCHECK('ยอดไม่ตรง', 1.006, 1)", "L\t.F."},
    });
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(toUtf8(prompts.shown[0].text), "ยอดไม่ตรง");
    EXPECT_FALSE(prompts.shown[0].question);
}

TEST(FunctionNames, StandardFunctionsAnswerToFourLetterAbbreviations)
{
    const std::pair<const char*, const char*> names[] = {
        {"tran", "TRANSFORM"}, {"TRANSF", "TRANSFORM"}, {"subs", "SUBSTR"}, {"repl", "REPLICATE"},
        {"RECC", "RECCOUNT"},  {"alltr", "ALLTRIM"},    {"iif", "IIF"},     {"xround", "XROUND"},
    };
    for (const auto& [written, meant] : names) {
        const expr::Expression e = expr::Expression::compile(std::string(written) + "(1)");
        ASSERT_TRUE(e.valid()) << written;
        EXPECT_EQ(e.dump().substr(1, std::string(meant).size()), meant) << written;
    }
    // Too short, longer than the name, or the program's own functions: not abbreviations.
    for (const char* bad : {"TRA(1)", "SUBSTRING(1)", "MONTHN(1)", "XROU(1)", "BAH(1)", "REPLI(1)"}) {
        expr::CompileError error;
        const bool valid = expr::Expression::compile(bad, &error).valid();
        EXPECT_EQ(valid, std::string(bad) == "REPLI(1)") << bad;
    }
}

}  // namespace
