// Any bytes as a backup name and as the reindex's group list (both come from the command line and
// the dialogs): no crash, and an accepted name can only ever name a file inside the backup folder.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "maintenance/maintenance_tables.h"
#include "maintenance/reindex.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    std::string why;
    const std::string name = maintenance::checkBackupName(bytes, &why);
    if (name.empty() == why.empty())
        std::abort();
    if (name.size() > 7)
        std::abort();
    for (const char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            std::abort();

    bool ticked[maintenance::kGroupCount];
    if (maintenance::parseGroups(bytes, ticked)) {
        bool any = false;
        for (const bool b : ticked)
            any = any || b;
        if (!any)
            std::abort();
    }
    return 0;
}
