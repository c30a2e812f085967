#include "shell/users.h"

#include "core/fault.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/fault_bridge.h"
#include "storage/ops.h"

namespace shell {
namespace {

using core::tis620::T;

}  // namespace

bool openUsers(storage::Workspace& ws)
{
    const storage::TableDef& def = storage::codeTable(4);
    const storage::IndexDef& index = def.indexes.front();
    return storage::OPEN(ws, core::programSettings().text(def.folderSetting), def.name, index.key, false,
                         T(def.openTitle), index.file, kUsersAlias);
}

bool seekUser(storage::Table& users, std::string_view code)
{
    const std::string key = core::xbase::upper(core::xbase::rtrimView(code));
    if (key.empty() || key.size() > std::size_t(kCodeWidth))
        return false;
    const std::string padded = core::xbase::padRight(key, std::size_t(kCodeWidth));
    if (!users.seek(padded).ok() || !users.found())
        return false;
    // A row marked deleted is no user: its code is refused like an unknown one, unless the code was
    // entered again (a live row of it further on in the order).
    const int codeField = users.fieldIndex("CODE");
    for (;;) {
        if (users.eof())
            return false;
        std::string_view stored;
        if (codeField < 0 || !users.raw(codeField, &stored).ok() ||
            !core::xbase::equalsNoCase(core::xbase::rtrimView(stored), key))
            return false;
        if (!users.deleted())
            return true;
        if (!users.skip(1).ok())
            return false;
    }
}

std::string userField(storage::Table& users, const char* field)
{
    core::Value v;
    if (!users.get(field, &v).ok() || !v.isText())
        return {};
    const std::string_view name(field);
    if (name == "PASS_W" || name == "TRUSTEE")
        return v.asText();
    return core::xbase::rtrim(v.asText());
}

bool writeUserField(storage::Table& users, const char* field, const std::string& value)
{
    for (;;) {
        storage::Status st = users.lockWait();
        if (st.ok())
            st = users.put(field, core::Value::text(value));
        if (st.ok())
            st = users.commit();
        const storage::Status released = users.unlock();
        if (st.ok())
            st = released;
        if (st.ok())
            return true;
        core::Fault f = storage::toFault(st, std::string("REPLACE ") + field, users.path());
        f.canDefault = true;
        if (core::raise(f) != core::FaultAnswer::Retry)
            return false;
    }
}

}  // namespace shell
