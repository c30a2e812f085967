// The code pick-list as every code field of every screen calls it: validate a typed code against
// its code table, accepting an existing code at once and otherwise letting the person choose one
// in the code browser (POPCODE mode 2, codes/code_browser.h has the rules). PickList is the seam:
// the program uses the code browser (the Qt dialogs show it), a test may install a scripted one.
//
// A code field of a screen bound to a screen value validates like this:
//
//     .validation = [&](ui::EntryField&) {
//         if (!codes::pickCode(ws, 3, values, "cProduct", "Wdata"))
//             return false;                      // refused: the typed text is back, focus stays
//         core::Value name;                      // the product table stands on the code
//         (void)ws.find("Product")->get("NAME", &name);
//         values.set("cProdName", name);
//         return true;
//     }
//
// One thread (the GUI's).
#pragma once

#include <string_view>

#include "codes/code_browser.h"
#include "core/value_map.h"
#include "storage/workspace.h"

namespace codes {

class PickList {
public:
    virtual ~PickList() = default;
    // POPCODE(2, table, seed, ..., callerAlias, allowChanges): see codes/code_browser.h.
    virtual PickResult pick(storage::Workspace& ws, int table, std::string_view seed, std::string_view callerAlias,
                            bool allowChanges) = 0;
};

// The pick-list in force: the code browser unless a test installed another.
PickList& pickList();
PickList* setPickList(PickList* list);  // nullptr restores the code browser; returns the previous

// A code field bound to the screen value `name` of `values`: its text is the seed; accepted, the
// value takes the row's CODE (10 characters) and the code table stands on that row; otherwise the
// value is set back to the seed. True when accepted. The screen's table `callerAlias` is selected
// again on return.
bool pickCode(storage::Workspace& ws, int table, core::ValueMap& values, std::string_view name,
              std::string_view callerAlias = {}, bool allowChanges = true);

}  // namespace codes
