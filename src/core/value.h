// Value: one xBase value - a text, a number, a date, a logical, an array, or nothing (NIL).
//
// Texts are TIS-620 bytes with their trailing blanks. Numbers are doubles that carry the count of
// decimals and the display width xBase gives them (VAL("2.0") has one decimal and width 3), which
// decide how they print without a width or picture.
// Arrays are 1-based from the expression side and shared by reference, as xBase arrays are: copying
// a Value that holds an array copies the reference. Program-wide settings, screen values, report
// values and field values all travel as Values.
#pragma once

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "core/date.h"

namespace core {

class Value;
using ValueArray = std::vector<Value>;

class Value {
public:
    enum class Type : unsigned char { Nil, Text, Number, Date, Logical, Array };

    Value() = default;
    static Value text(std::string s) { return Value(std::move(s)); }
    // width: the whole width STR() shows the number in without a width of its own (a table field's
    // width, DAY()'s 3, ...); 0 when it follows from the value, as for computed numbers: ten
    // integer places, twenty beyond them, plus the decimals and their point.
    static Value number(double v, int decimals = 0, int width = 0) { return Value(Num{v, decimals, width}); }
    static Value date(core::Date d) { return Value(d); }
    static Value logical(bool b) { return Value(b); }
    static Value array(std::size_t size) { return Value(std::make_shared<ValueArray>(size)); }
    static Value array(std::shared_ptr<ValueArray> a) { return Value(std::move(a)); }

    Type type() const { return Type(m_v.index()); }
    bool isNil() const { return type() == Type::Nil; }
    bool isText() const { return type() == Type::Text; }
    bool isNumber() const { return type() == Type::Number; }
    bool isDate() const { return type() == Type::Date; }
    bool isLogical() const { return type() == Type::Logical; }
    bool isArray() const { return type() == Type::Array; }
    // 'C', 'N', 'D', 'L', 'A', or 'U' for NIL - the letters of xBase's TYPE()/VALTYPE().
    char typeLetter() const;

    // REQUIRES the matching type; the others return a neutral value for a mismatch.
    const std::string& asText() const;
    double asNumber() const;
    int decimals() const;
    int width() const;  // see number(); 0 when it follows from the value
    core::Date asDate() const;
    bool asLogical() const;
    const std::shared_ptr<ValueArray>& asArray() const;
    std::string& textRef() { return std::get<std::string>(m_v); }

    // The value as a person reads it: texts as they are, numbers in plain decimal form with their
    // decimals ("2.0"), dates dd/mm/yyyy, logicals ".T."/".F.", NIL as "NIL".
    std::string toDisplayText() const;

    friend bool operator==(const Value& a, const Value& b);

private:
    struct Num {
        double v;
        int dec;
        int width;
        // The width is where the number came from, not part of the value.
        friend bool operator==(const Num& a, const Num& b) { return a.v == b.v && a.dec == b.dec; }
    };
    explicit Value(std::string s) : m_v(std::move(s)) {}
    explicit Value(Num n) : m_v(n) {}
    explicit Value(core::Date d) : m_v(d) {}
    explicit Value(bool b) : m_v(b) {}
    explicit Value(std::shared_ptr<ValueArray> a) : m_v(std::move(a)) {}

    // The order of the alternatives is the order of Type.
    std::variant<std::monostate, std::string, Num, core::Date, bool, std::shared_ptr<ValueArray>> m_v;
};

}  // namespace core
