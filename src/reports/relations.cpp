#include "reports/relations.h"

#include "storage/table.h"

namespace reports {

storage::Status Relations::add(std::string_view parent, std::string_view child, const std::string& keyExpression)
{
    storage::Table* p = m_ws.find(parent);
    storage::Table* c = m_ws.find(child);
    if (!p || !c)
        return storage::Status::notFound("relation between tables that are not open");
    if (c->order() == 0)
        return storage::Status::invalidArgument("relation into " + std::string(child) + ", which has no active order");
    Link link{p, c, nullptr, {}, {}};
    STORAGE_TRY(storage::compileKey(keyExpression, p->layout(), &link.key));
    // A numeric key is made to the child's key size and decimals, so its bytes match the order's.
    if (link.key->type() == 'N') {
        const auto& h = c->orderIndex(c->order()).header();
        link.key->setShape(h.keySize, h.keyDecimals);
    }
    m_links.push_back(std::move(link));
    return {};
}

void Relations::follow()
{
    for (Link& l : m_links) {
        const char* record = nullptr;
        if (!l.parent->record(&record).ok()) {
            (void)l.child->goTo(0);
            continue;
        }
        l.key->key(record, l.buffer);
        const auto known = l.found.find(l.buffer);
        if (known != l.found.end()) {
            if (l.child->recNo() != known->second || l.child->eof())
                (void)l.child->goTo(known->second);
            continue;
        }
        if (l.child->seek(l.buffer).ok() && l.child->found())
            l.found.emplace(l.buffer, l.child->recNo());
    }
}

}  // namespace reports
