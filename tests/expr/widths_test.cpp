// The display width and decimals a number carries, as STR() without a width, TRANSFORM() without a
// picture and the printing of report and template lines show them.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "expr_test_util.h"

using core::Value;
using exprtest::Case;

namespace {

// dA: 05/12/2026 (a Saturday); nA: 1234.5 computed; WIN a field N 10, AMOUNT N 14.2.
class Widths : public ::testing::Test {
protected:
    Widths()
    {
        t.variables.set("dA", Value::date(core::Date::fromYmd(2026, 12, 5)));
        t.variables.set("nA", Value::number(1234.5, 1));
    }

    std::string text(std::string_view expression)
    {
        core::Value v;
        EXPECT_TRUE(expr::evaluateOnce(expression, t.chain, v)) << expression;
        return v.isText() ? v.asText() : "not a text: " + exprtest::show(v);
    }

    exprtest::TicketTables t;
};

// What the random test below makes (date parts, VAL, literals, fields, the operators, MOD, ROUND, INT,
// ABS, MAX, MIN) is left to it; here the other rules and the boundaries.
TEST_F(Widths, EachRuleAsTheXbaseRuntimePrintsIt)
{
    const Case cases[] = {
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
    };
    for (const Case& c : cases)
        EXPECT_EQ(text(c.text), c.expected) << c.text;
}

// ---- property: random numeric expressions against a model of the rules --------------------------

// A number as the rules describe it: value, decimals, and its own width (0: follows the value).
struct Model {
    std::string text;
    double value = 0;
    int decimals = 0;
    int width = 0;
};

int computedPlaces(double v) { return v > 9999999999.0 || v < -999999999.0 ? 20 : 10; }
int decimalPart(int decimals) { return decimals > 0 ? decimals + 1 : 0; }
int integerPlaces(const Model& m) { return m.width > 0 ? std::max(m.width - decimalPart(m.decimals), 0) : computedPlaces(m.value); }
bool isWhole(const Model& m) { return m.decimals == 0 && m.value == std::trunc(m.value); }

class Generator {
public:
    explicit Generator(unsigned seed) : m_rng(seed) {}

    Model make(int depth)
    {
        if (depth == 0 || pick(4) == 0)
            return leaf();
        switch (pick(10)) {
        case 0: case 1: return binary(make(depth - 1), make(depth - 1));
        case 2: {
            Model a = make(depth - 1);
            return {"-(" + a.text + ")", -a.value, a.decimals, 0};
        }
        case 3: {
            Model a = make(depth - 1), b = make(depth - 1);
            if (b.value == 0)
                return a;
            double r = std::fmod(a.value, b.value);
            if (r != 0 && (r < 0) != (b.value < 0))
                r += b.value;
            return {"MOD(" + a.text + ", " + b.text + ")", r, 2, 0};
        }
        case 4: {
            Model a = make(depth - 1);
            const int d = pick(4);
            return {"ROUND(" + a.text + ", " + std::to_string(d) + ")", core::xbase::roundDecimal(a.value, d), d, 0};
        }
        case 5: {
            Model a = make(depth - 1);
            if (isWhole(a))
                return {"INT(" + a.text + ")", a.value, 0, a.width};
            return {"INT(" + a.text + ")", std::trunc(a.value), 0, integerPlaces(a)};
        }
        case 6: {
            Model a = make(depth - 1);
            if (isWhole(a) && a.value >= 0)
                return {"ABS(" + a.text + ")", a.value, 0, a.width};
            return {"ABS(" + a.text + ")", std::fabs(a.value), a.decimals, 0};
        }
        default: {
            Model a = make(depth - 1), b = make(depth - 1);
            const bool max = pick(2) == 0;
            const bool first = max ? a.value >= b.value : a.value <= b.value;
            Model r = first ? a : b;
            r.text = std::string(max ? "MAX(" : "MIN(") + a.text + ", " + b.text + ")";
            return r;
        }
        }
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }

    std::string digits(int n, bool leadingZero)
    {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += char('0' + (i == 0 && !leadingZero ? 1 + pick(9) : pick(10)));
        return s;
    }

    Model leaf()
    {
        switch (pick(8)) {
        case 0: {
            const std::string s = digits(1 + pick(3), false);
            return {s, std::stod(s), 0, 0};
        }
        case 1: {
            const std::string s = digits(1 + pick(3), false) + "." + digits(1 + pick(3), true);
            return {s, std::stod(s), int(s.size() - s.find('.') - 1), 0};
        }
        case 2: {
            const std::string s = digits(10 + pick(4), false);
            return {s, std::stod(s), 0, int(s.size()) + 1};
        }
        case 3: {
            static const char* const parts[] = {"DAY(dA)", "MONTH(dA)", "DOW(dA)", "YEAR(dA)"};
            static const double values[] = {5, 12, 7, 2026};
            const int i = pick(4);
            return {parts[i], values[i], 0, i == 3 ? 5 : 3};
        }
        case 4: return {"LEN('abcd')", 4, 0, 0};
        case 5: return pick(2) ? Model{"WIN", 12345, 0, 10} : Model{"AMOUNT", 1234567.5, 2, 14};
        default: {
            // VAL of [blank][-]digits[.digits]: blanks and sign count in the width.
            const bool blank = pick(2), negative = pick(2);
            const std::string integer = digits(pick(4), true);
            const std::string fraction = pick(2) ? digits(1 + pick(3), true) : "";
            const std::string s = std::string(blank ? " " : "") + (negative ? "-" : "") + integer
                                + (fraction.empty() ? "" : "." + fraction);
            const double v = (negative ? -1 : 1) * (integer.empty() && fraction.empty() ? 0 : std::stod("0" + integer + "." + fraction + "0"));
            const int places = int(blank) + int(negative) + int(integer.size());
            const int dec = int(fraction.size());
            int width = int(s.size());
            if (dec > 0)
                width = (places == 0 ? 1 : negative && places == 1 && v != 0 ? 2 : places) + dec + 1;
            return {"VAL('" + s + "')", v, dec, width};
        }
        }
    }

    Model binary(const Model& a, const Model& b)
    {
        switch (pick(4)) {
        case 0: return {"(" + a.text + " + " + b.text + ")", a.value + b.value, std::max(a.decimals, b.decimals), 0};
        case 1: return {"(" + a.text + " - " + b.text + ")", a.value - b.value, std::max(a.decimals, b.decimals), 0};
        case 2: return {"(" + a.text + " * " + b.text + ")", a.value * b.value, std::min(a.decimals + b.decimals, 32), 0};
        default:
            if (b.value == 0)
                return a;
            return {"(" + a.text + " / " + b.text + ")", a.value / b.value, 2, 0};
        }
    }

    std::mt19937 m_rng;
};

TEST_F(Widths, StrOfEveryRandomNumberHasTheWidthAndDecimalsOfTheRules)
{
    Generator gen(20261205);
    for (int i = 0; i < 3000; ++i) {
        const Model m = gen.make(3);
        const std::string shown = text("STR(" + m.text + ")");
        const int dec = m.decimals;
        const std::size_t width = std::size_t(std::min(integerPlaces(m), 90) + decimalPart(dec));
        ASSERT_EQ(shown.size(), width) << m.text << " -> \"" << shown << '"';
        if (shown.find('*') != std::string::npos)
            continue;  // does not fit its width, as in xBase
        const std::size_t point = shown.find('.');
        EXPECT_EQ(point == std::string::npos ? 0 : int(shown.size() - point - 1), dec) << m.text << " -> " << shown;
        EXPECT_EQ(core::xbase::alltrim(shown), core::xbase::decimalText(m.value, dec)) << m.text;
    }
}

}  // namespace
