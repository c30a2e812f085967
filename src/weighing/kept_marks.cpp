#include "weighing/kept_marks.h"

#include <memory>

#include "core/paths.h"
#include "core/value.h"
#include "core/xbase.h"
#include "storage/own_table.h"

namespace weighing::keptmarks {
namespace {

std::string pathIn(const std::string& folder)
{
    return core::paths::join(folder, kTableFile);
}

bool sameKey(storage::Table& t, const char* field, std::string_view want)
{
    core::Value v;
    return t.get(field, &v).ok() && v.isText() && core::xbase::rtrimView(v.asText()) == core::xbase::rtrimView(want);
}

storage::Status openTable(const std::string& folder, bool create, std::unique_ptr<storage::Table>* out)
{
    return storage::openOwnTable(pathIn(folder),
                                 {{"CODE", storage::FieldType::Character, 5, 0},
                                  {"INDENT", storage::FieldType::Character, 15, 0},
                                  {"RECORD", storage::FieldType::Character, 15, 0}},
                                 create, out);
}

}  // namespace

storage::Status remember(const std::string& folder, std::string_view code, std::string_view indent,
                         const std::vector<std::string>& records)
{
    if (records.empty())
        return {};
    std::unique_ptr<storage::Table> t;
    STORAGE_TRY(openTable(folder, true, &t));
    for (const std::string& record : records) {
        STORAGE_TRY(t->appendWait());
        STORAGE_TRY(t->put("CODE", core::Value::text(std::string(code))));
        STORAGE_TRY(t->put("INDENT", core::Value::text(std::string(indent))));
        STORAGE_TRY(t->put("RECORD", core::Value::text(record)));
        STORAGE_TRY(t->commit());
    }
    return t->close();
}

std::vector<std::string> take(const std::string& folder, std::string_view code, std::string_view indent)
{
    std::vector<std::string> records;
    std::unique_ptr<storage::Table> t;
    if (!openTable(folder, false, &t).ok())
        return records;
    for (storage::Status s = t->goTop(); s.ok() && !t->eof(); s = t->skip()) {
        if (t->deleted() || !sameKey(*t, "CODE", code) || !sameKey(*t, "INDENT", indent))
            continue;
        if (!t->lockWait().ok())
            continue;
        // Read again under the lock: another workstation undeleting the same document took it.
        if (!t->deleted()) {
            core::Value record;
            if (t->get("RECORD", &record).ok() && record.isText() && t->deleteRecord().ok() && t->commit().ok())
                records.push_back(record.asText());
        }
        (void)t->unlock();
    }
    (void)t->close();
    return records;
}

}  // namespace weighing::keptmarks
