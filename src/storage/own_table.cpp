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

}  // namespace storage
