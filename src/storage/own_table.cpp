#include "storage/own_table.h"

namespace storage {

Status openOwnTable(const std::string& path, const std::vector<FieldSpec>& fields, bool create,
                    std::unique_ptr<Table>* out)
{
    Status s = Table::openWait(path, ShareMode::Shared, -1, out);
    if (s.ok() || !create || s.code() != Status::Code::NotFound)
        return s;
    (void)Table::create(path, fields);
    return Table::openWait(path, ShareMode::Shared, -1, out);
}

Status holdLockFile(const std::string& path, int waitMs, std::unique_ptr<File>* held)
{
    FileSystem& fs = fileSystem();
    const std::string resolved = fs.resolve(path);
    return retryWhileLocked([&] { return fs.open(resolved, ShareMode::Exclusive, OpenFlags::Create, held); }, waitMs);
}

}  // namespace storage
