#include "core/value.h"

#include "core/xbase.h"

namespace core {

char Value::typeLetter() const
{
    switch (type()) {
    case Type::Text: return 'C';
    case Type::Number: return 'N';
    case Type::Date: return 'D';
    case Type::Logical: return 'L';
    case Type::Array: return 'A';
    case Type::Nil: break;
    }
    return 'U';
}

const std::string& Value::asText() const
{
    static const std::string kEmpty;
    const auto* s = std::get_if<std::string>(&m_v);
    return s ? *s : kEmpty;
}

double Value::asNumber() const
{
    const auto* n = std::get_if<Num>(&m_v);
    return n ? n->v : 0.0;
}

int Value::decimals() const
{
    const auto* n = std::get_if<Num>(&m_v);
    return n ? n->dec : 0;
}

int Value::width() const
{
    const auto* n = std::get_if<Num>(&m_v);
    return n ? n->width : 0;
}

core::Date Value::asDate() const
{
    const auto* d = std::get_if<core::Date>(&m_v);
    return d ? *d : core::Date();
}

bool Value::asLogical() const
{
    const auto* b = std::get_if<bool>(&m_v);
    return b && *b;
}

const std::shared_ptr<ValueArray>& Value::asArray() const
{
    static const std::shared_ptr<ValueArray> kNone;
    const auto* a = std::get_if<std::shared_ptr<ValueArray>>(&m_v);
    return a ? *a : kNone;
}

std::string Value::toDisplayText() const
{
    switch (type()) {
    case Type::Text: return asText();
    case Type::Number: return xbase::decimalText(asNumber(), decimals());
    case Type::Date: return asDate().dtoc();
    case Type::Logical: return asLogical() ? ".T." : ".F.";
    case Type::Array: return "{...}";
    case Type::Nil: break;
    }
    return "NIL";
}

bool operator==(const Value& a, const Value& b)
{
    return a.m_v == b.m_v;
}

}  // namespace core
