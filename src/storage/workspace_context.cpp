#include "storage/workspace_context.h"

#include "storage/field_codec.h"

namespace storage {

std::uint64_t WorkspaceContext::generation() const
{
    if (m_workspace.changes() != m_seen) {
        // Tables were opened, closed or selected: every binding is made again (and the slots of
        // tables that may be gone are forgotten).
        auto* self = const_cast<WorkspaceContext*>(this);
        self->m_seen = m_workspace.changes();
        self->m_fields.clear();
        self->m_tables.clear();
        self->invalidateBindings();
    }
    return Context::generation();
}

expr::Binding WorkspaceContext::bind(const expr::NameRef& name)
{
    expr::Binding b;
    if (name.scope == expr::Scope::Memvar)
        return b;
    Table* t = nullptr;
    if (name.scope == expr::Scope::Alias) {
        t = m_workspace.find(name.alias);
        b.aliasKnown = t != nullptr;
    } else {
        t = m_workspace.current();
    }
    if (!t)
        return b;
    const int i = t->fieldIndex(name.name);
    if (i < 0)
        return b;
    b.source = this;
    b.slot = std::int32_t(m_fields.size());
    switch (t->layout().fields()[std::size_t(i)].type) {
    case FieldType::Character: b.kind = expr::Kind::Text; break;
    case FieldType::Numeric: b.kind = expr::Kind::Number; break;
    case FieldType::Date: b.kind = expr::Kind::Date; break;
    case FieldType::Logical: b.kind = expr::Kind::Logical; break;
    }
    m_fields.push_back({t, i});
    return b;
}

void WorkspaceContext::read(std::int32_t slot, core::Value& out)
{
    const FieldSlot& s = m_fields[std::size_t(slot)];
    const Field& f = s.table->layout().fields()[std::size_t(s.field)];
    const char* rec = nullptr;
    std::string blank;
    if (!s.table->record(&rec).ok()) {
        blank = s.table->layout().blankRecord();
        rec = blank.data();
    }
    if (f.type == FieldType::Character && out.isText())
        out.textRef().assign(field::raw(f, rec));
    else
        out = field::value(f, rec);
}

void WorkspaceContext::appendText(std::int32_t slot, std::string& out)
{
    const FieldSlot& s = m_fields[std::size_t(slot)];
    std::string_view raw;
    if (s.table->raw(s.field, &raw).ok())
        out.append(raw);
    else
        out.append(s.table->layout().fields()[std::size_t(s.field)].length, ' ');
}

core::Date WorkspaceContext::date(std::int32_t slot)
{
    const FieldSlot& s = m_fields[std::size_t(slot)];
    std::string_view raw;
    if (!s.table->raw(s.field, &raw).ok())
        return {};
    return core::Date::fromDtos(raw);
}

expr::Binding WorkspaceContext::bindTable(std::string_view alias)
{
    Table* t = alias.empty() ? m_workspace.current() : m_workspace.find(alias);
    if (!t)
        return {};
    const std::int32_t slot = std::int32_t(m_tables.size());
    m_tables.push_back(t);
    return {this, slot, expr::Kind::Any};
}

core::Value WorkspaceContext::tableState(std::int32_t slot, expr::TableQuery query)
{
    Table* t = m_tables[std::size_t(slot)];
    switch (query) {
    case expr::TableQuery::Deleted: return core::Value::logical(t->deleted());
    case expr::TableQuery::RecNo: return core::Value::number(t->recNo());
    case expr::TableQuery::RecCount:
    case expr::TableQuery::LastRec: return core::Value::number(t->recCount());
    case expr::TableQuery::Eof: return core::Value::logical(t->eof());
    case expr::TableQuery::Bof: return core::Value::logical(t->bof());
    case expr::TableQuery::Found: return core::Value::logical(t->found());
    }
    return {};
}

}  // namespace storage
