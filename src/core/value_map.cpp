#include "core/value_map.h"

#include "core/xbase.h"

namespace core {

bool ValueMap::has(std::string_view name) const
{
    return m_values.count(xbase::upper(name)) != 0;
}

const Value& ValueMap::get(std::string_view name) const
{
    static const Value kNil;
    const auto it = m_values.find(xbase::upper(name));
    return it == m_values.end() ? kNil : it->second.value;
}

void ValueMap::set(std::string_view name, Value v)
{
    auto [it, inserted] = m_values.try_emplace(xbase::upper(name));
    if (inserted)
        it->second.name = std::string(name);
    it->second.value = std::move(v);
    if (m_observer)
        m_observer(std::string(name));
}

const std::string& ValueMap::text(std::string_view name) const
{
    return get(name).asText();
}

double ValueMap::number(std::string_view name) const
{
    const Value& v = get(name);
    if (v.isNumber())
        return v.asNumber();
    if (v.isText())
        return xbase::val(v.asText()).value;
    return 0;
}

void ValueMap::forEach(const std::function<void(const std::string&, const Value&)>& f) const
{
    for (const auto& [key, e] : m_values)
        f(e.name, e.value);
}

}  // namespace core
