#include "storage/workspace.h"

#include <algorithm>

#include "core/xbase.h"

namespace storage {
namespace {

const std::string kNoAlias;
constexpr int kMaxRelationDepth = 16;  // a chain of relations longer than this is a loop

}  // namespace

Workspace::~Workspace()
{
    (void)closeAll();
}

Workspace::Area* Workspace::area(std::string_view alias) const
{
    for (const auto& a : m_areas)
        if (core::xbase::equalsNoCase(a->alias, alias))
            return a.get();
    return nullptr;
}

Status Workspace::open(std::string_view alias, const std::string& path, ShareMode mode, Table** out)
{
    if (alias.empty())
        return Status::invalidArgument("empty alias");
    // The alias is closed first, so reopening a table under its own alias does not meet itself.
    if (area(alias))
        STORAGE_TRY(close(alias));
    std::unique_ptr<Table> t;
    STORAGE_TRY(Table::open(path, mode, &t));
    Table* p = adopt(alias, std::move(t));
    if (out)
        *out = p;
    return {};
}

Table* Workspace::adopt(std::string_view alias, std::unique_ptr<Table> table)
{
    if (area(alias))
        (void)close(alias);
    auto a = std::make_unique<Area>();
    a->owner = this;
    a->alias = std::string(alias);
    a->table = std::move(table);
    a->table->setMoveHook(&Workspace::onMove, a.get());
    m_current = a.get();
    m_areas.push_back(std::move(a));
    ++m_changes;
    return m_current->table.get();
}

Table* Workspace::find(std::string_view alias) const
{
    Area* a = area(alias);
    return a ? a->table.get() : nullptr;
}

Table* Workspace::current() const
{
    return m_current ? m_current->table.get() : nullptr;
}

const std::string& Workspace::currentAlias() const
{
    return m_current ? m_current->alias : kNoAlias;
}

Status Workspace::select(std::string_view alias)
{
    Area* a = area(alias);
    if (!a)
        return Status::notFound("no table open under the alias " + std::string(alias));
    if (m_current != a)
        ++m_changes;
    m_current = a;
    return {};
}

Status Workspace::close(std::string_view alias)
{
    auto it = std::find_if(m_areas.begin(), m_areas.end(),
                           [&](const auto& a) { return core::xbase::equalsNoCase(a->alias, alias); });
    if (it == m_areas.end())
        return Status::notFound("no table open under the alias " + std::string(alias));
    Table* t = (*it)->table.get();
    for (auto& a : m_areas)
        a->relations.erase(std::remove_if(a->relations.begin(), a->relations.end(),
                                          [&](const Relation& r) { return r.child == t; }),
                           a->relations.end());
    if (m_current == it->get())
        m_current = nullptr;
    Status s = t->close();
    m_areas.erase(it);
    ++m_changes;
    return s;
}

Status Workspace::closeAll()
{
    Status first;
    for (auto& a : m_areas)
        a->relations.clear();
    while (!m_areas.empty()) {
        Status s = m_areas.back()->table->close();
        if (first.ok())
            first = s;
        m_areas.pop_back();
    }
    m_current = nullptr;
    ++m_changes;
    return first;
}

std::vector<std::string> Workspace::aliases() const
{
    std::vector<std::string> out;
    for (const auto& a : m_areas)
        out.push_back(a->alias);
    return out;
}

Status Workspace::setRelation(std::string_view parent, std::string_view child, const std::string& keyExpression)
{
    Area* p = area(parent);
    Area* c = area(child);
    if (!p || !c)
        return Status::notFound("relation between tables that are not open");
    if (c->table->order() == 0)
        return Status::invalidArgument("relation into " + std::string(child) + ", which has no active order");
    Relation r;
    r.child = c->table.get();
    STORAGE_TRY(compileKey(keyExpression, p->table->layout(), &r.key));
    // A numeric key is made to the child's key size and decimals, so its bytes match the order's.
    if (r.key->type() == 'N') {
        const ntx::Header& h = c->table->orderIndex(c->table->order()).header();
        r.key->setShape(h.keySize, h.keyDecimals);
    }
    p->relations.push_back(std::move(r));
    onMove(*p->table, p);
    return {};
}

std::vector<Workspace::RelationInfo> Workspace::relations(std::string_view parent) const
{
    std::vector<RelationInfo> out;
    if (const Area* p = area(parent))
        for (const Relation& r : p->relations)
            for (const auto& a : m_areas)
                if (a->table.get() == r.child)
                    out.push_back({r.key->expression(), a->alias});
    return out;
}

void Workspace::onMove(Table& table, void* context)
{
    Area* a = static_cast<Area*>(context);
    if (a->relations.empty() || a->owner->m_relationDepth >= kMaxRelationDepth)
        return;
    ++a->owner->m_relationDepth;
    const char* rec = nullptr;
    const Status s = table.record(&rec);
    for (Relation& r : a->relations) {
        if (!s.ok()) {
            (void)r.child->goTo(0);
            continue;
        }
        r.key->key(rec, r.buffer);
        (void)r.child->seek(r.buffer);
        (void)table.record(&rec);  // the child may be the parent's own table
    }
    --a->owner->m_relationDepth;
}

}  // namespace storage
