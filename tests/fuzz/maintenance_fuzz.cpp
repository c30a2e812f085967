// Any bytes as a backup name and as the reindex's group list (both come from the command line and
// the dialogs): no crash, and an accepted name can only ever name a file inside the backup folder.
#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz_util.h"
#include "maintenance/maintenance_tables.h"
#include "maintenance/reindex.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using fuzz::check;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    std::string why;
    const std::string name = maintenance::checkBackupName(bytes, &why);
    check(name.empty() != why.empty());
    check(name.size() <= 7);
    for (const char c : name)
        check((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'));

    bool ticked[maintenance::kGroupCount];
    if (maintenance::parseGroups(bytes, ticked))
        check(std::any_of(std::begin(ticked), std::end(ticked), [](bool b) { return b; }));
    return 0;
}
