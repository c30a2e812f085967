#include "codes/pick_list.h"

#include "core/seam.h"

namespace codes {
namespace {

class BrowserPickList final : public PickList {
public:
    PickResult pick(storage::Workspace& ws, int table, std::string_view seed, std::string_view callerAlias,
                    bool allowChanges) override
    {
        return POPCODE(ws, table, seed, callerAlias, allowChanges);
    }
};

BrowserPickList g_browserPickList;
core::Seam<PickList> g_pickList(&g_browserPickList);

}  // namespace

PickList& pickList()
{
    return g_pickList.get();
}

PickList* setPickList(PickList* list)
{
    return g_pickList.install(list);
}

bool pickCode(storage::Workspace& ws, int table, core::ValueMap& values, std::string_view name,
              std::string_view callerAlias, bool allowChanges)
{
    const std::string seed = values.text(name);
    const PickResult r = pickList().pick(ws, table, seed, callerAlias, allowChanges);
    values.setText(name, r.accepted() ? r.code : seed);
    return r.accepted();
}

}  // namespace codes
