#include "expr/contexts.h"

#include <algorithm>

#include "core/xbase.h"

namespace expr {

using core::Value;

// ---- ValueMapContext -----------------------------------------------------------------------------

Binding ValueMapContext::bind(const NameRef& ref)
{
    if ((ref.scope != Scope::Any && ref.scope != Scope::Memvar) || !m_map->has(ref.name))
        return {};
    const std::string key = core::xbase::upper(ref.name);
    auto known = std::find(m_names.begin(), m_names.end(), key);
    if (known == m_names.end())
        known = m_names.insert(m_names.end(), key);
    return {this, std::int32_t(known - m_names.begin()), Kind::Any};
}

void ValueMapContext::read(std::int32_t slot, Value& out)
{
    out = m_map->get(m_names[std::size_t(slot)]);
}

// ---- ChainContext --------------------------------------------------------------------------------

void ChainContext::setLayers(std::vector<Context*> layers)
{
    m_layers = std::move(layers);
    invalidateBindings();
}

Binding ChainContext::bind(const NameRef& name)
{
    Binding miss;
    for (Context* layer : m_layers) {
        const Binding b = layer->bind(name);
        if (b.found())
            return b;
        miss.aliasKnown = miss.aliasKnown || b.aliasKnown;
    }
    return miss;
}

Binding ChainContext::bindTable(std::string_view alias)
{
    for (Context* layer : m_layers) {
        const Binding b = layer->bindTable(alias);
        if (b.found())
            return b;
    }
    return {};
}

std::uint64_t ChainContext::generation() const
{
    std::uint64_t g = Context::generation();
    for (const Context* layer : m_layers)
        g = g * 0x9E3779B97F4A7C15ull + layer->generation();
    return g;
}

// ---- VariablesContext ----------------------------------------------------------------------------

VariablesContext::VariablesContext(const core::Settings& settings)
    : m_variableLayer(m_variables), m_settingLayer(settings)
{
    setLayers({&m_variableLayer, &m_settingLayer});
}

// ---- RecordContext -------------------------------------------------------------------------------

std::vector<RecordField> recordLayout(std::initializer_list<FieldDef> fields)
{
    std::vector<RecordField> out;
    std::uint32_t offset = 1;
    for (const FieldDef& f : fields) {
        out.push_back({f.name, f.type, offset, f.width, f.decimals});
        offset += f.width;
    }
    return out;
}

RecordContext::RecordContext(std::vector<RecordField> fields, std::string alias, bool current)
    : m_fields(std::move(fields)), m_alias(std::move(alias)), m_current(current)
{
}

void RecordContext::setCurrent(bool current)
{
    if (current != m_current) {
        m_current = current;
        invalidateBindings();
    }
}

Binding RecordContext::bind(const NameRef& ref)
{
    Binding b;
    if (ref.scope == Scope::Memvar)
        return b;
    if (ref.scope == Scope::Alias) {
        if (m_alias.empty() || !core::xbase::equalsNoCase(ref.alias, m_alias))
            return b;
        b.aliasKnown = true;
    } else if (!m_current) {
        return b;
    }
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        if (!core::xbase::equalsNoCase(m_fields[i].name, ref.name))
            continue;
        b.source = this;
        b.slot = std::int32_t(i);
        switch (m_fields[i].type) {
        case 'N': b.kind = Kind::Number; break;
        case 'D': b.kind = Kind::Date; break;
        case 'L': b.kind = Kind::Logical; break;
        default: b.kind = Kind::Text; break;
        }
        return b;
    }
    return b;
}

void RecordContext::read(std::int32_t slot, Value& out)
{
    const RecordField& f = m_fields[std::size_t(slot)];
    const std::string_view bytes(m_record + f.offset, f.width);
    switch (f.type) {
    case 'N':
        out = Value::number(core::xbase::val(bytes).value, f.decimals, int(f.width));
        return;
    case 'D':
        out = Value::date(core::Date::fromDtos(bytes));
        return;
    case 'L': {
        const char c = bytes.empty() ? ' ' : bytes.front();
        out = Value::logical(c == 'T' || c == 't' || c == 'Y' || c == 'y');
        return;
    }
    default:
        if (out.isText())
            out.textRef().assign(bytes);
        else
            out = Value::text(std::string(bytes));
        return;
    }
}

void RecordContext::appendText(std::int32_t slot, std::string& out)
{
    const RecordField& f = m_fields[std::size_t(slot)];
    out.append(m_record + f.offset, f.width);
}

core::Date RecordContext::date(std::int32_t slot)
{
    const RecordField& f = m_fields[std::size_t(slot)];
    return core::Date::fromDtos(std::string_view(m_record + f.offset, f.width));
}

RawField RecordContext::rawField(std::int32_t slot)
{
    const RecordField& f = m_fields[std::size_t(slot)];
    if (f.type == 'N' || f.type == 'L')
        return {};
    return {&m_record, f.offset, f.width};
}

Binding RecordContext::bindTable(std::string_view alias)
{
    const bool mine = alias.empty() ? m_current : !m_alias.empty() && core::xbase::equalsNoCase(alias, m_alias);
    if (!mine)
        return {};
    return {this, 0, Kind::Any};
}

Value RecordContext::tableState(std::int32_t, TableQuery query)
{
    switch (query) {
    case TableQuery::Deleted: return Value::logical(m_state.deleted);
    case TableQuery::RecNo: return Value::number(m_state.recNo);
    case TableQuery::RecCount: case TableQuery::LastRec: return Value::number(m_state.recCount);
    case TableQuery::Eof: return Value::logical(m_state.eof);
    case TableQuery::Bof: return Value::logical(m_state.bof);
    case TableQuery::Found: return Value::logical(m_state.found);
    }
    return {};
}

}  // namespace expr
