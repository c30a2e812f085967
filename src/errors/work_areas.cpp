#include "errors/work_areas.h"

#include <algorithm>

namespace errors {
namespace {

std::vector<storage::Workspace*>& inUse()
{
    static std::vector<storage::Workspace*> list;
    return list;
}

}  // namespace

WorkspaceInUse::WorkspaceInUse(storage::Workspace& ws) : m_ws(&ws)
{
    inUse().push_back(m_ws);
}

WorkspaceInUse::~WorkspaceInUse()
{
    auto& list = inUse();
    list.erase(std::remove(list.begin(), list.end(), m_ws), list.end());
}

std::vector<WorkAreaInfo> workAreasOf(storage::Workspace& ws, int first)
{
    std::vector<WorkAreaInfo> out;
    int number = first;
    for (const std::string& alias : ws.aliases()) {
        storage::Table* t = ws.find(alias);
        if (!t)
            continue;
        WorkAreaInfo w;
        w.number = number++;
        w.alias = alias;
        w.current = alias == ws.currentAlias();
        w.recNo = long(t->recNo());
        w.recCount = long(t->recCount());
        w.bof = t->bof();
        w.eof = t->eof();
        for (int n = 1; n <= t->orderCount(); ++n) {
            const std::string& path = t->orderIndex(n).path();
            const auto slash = path.find_last_of('/');
            std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
            if (const auto dot = name.find_last_of('.'); dot != std::string::npos)
                name.erase(dot);
            w.orders.push_back({t->orderIndex(n).header().expression, name, n == t->order()});
        }
        for (const auto& r : ws.relations(alias))
            w.relations.push_back({r.expression, r.childAlias});
        out.push_back(std::move(w));
    }
    return out;
}

std::vector<WorkAreaInfo> workAreasInUse()
{
    std::vector<WorkAreaInfo> out;
    for (storage::Workspace* ws : inUse()) {
        auto areas = workAreasOf(*ws, int(out.size()) + 1);
        out.insert(out.end(), areas.begin(), areas.end());
    }
    return out;
}

void closeAllInUse()
{
    for (storage::Workspace* ws : inUse())
        (void)ws->closeAll();
}

}  // namespace errors
