#include "reports/tables.h"

#include "core/fault.h"
#include "core/paths.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/fault_bridge.h"
#include "storage/ops.h"
#include "storage/os.h"
#include "storage/table.h"

namespace reports {
namespace {

using core::tis620::T;

std::string user()
{
    return core::xbase::alltrim(core::programSettings().text("CUSER"));
}

std::string folderOf(const storage::TableDef& def)
{
    return core::programSettings().text(def.folderSetting);
}

}  // namespace

std::string workFile(std::string_view prefix)
{
    const std::string dbf = core::paths::join(core::programSettings().text("CDRV4"), std::string(prefix) + user() + ".DBF");
    return dbf.substr(0, dbf.size() - 4);
}

std::string workTableFile(storage::WorkTable kind)
{
    return workFile(storage::workTablePrefix(kind));
}

std::string reportIndexFile()
{
    return core::paths::join(core::programSettings().text("CDRV4"), "DETAIL_" + user() + ".NTX");
}

bool openWorkTable(storage::Workspace& ws, storage::WorkTable kind, std::string_view alias)
{
    const std::string file = workTableFile(kind);
    storage::FileSystem& fs = storage::fileSystem();
    const int waitMs = int(kReportWait * 1000);
    // The old index goes first: it was made for the last run's key.
    const std::string index = fs.resolve(file + ".NTX");
    if (fs.exists(index) && !storage::retryWhileLocked([&] { return fs.remove(index); }, waitMs).ok())
        return false;
    const auto fields = storage::fieldSpecs(storage::workTableFields(kind));
    if (!storage::retryWhileLocked([&] { return storage::Table::create(file + ".DBF", fields, true); }, waitMs).ok())
        return false;
    return storage::NET_USE(ws, file, true, kReportWait, alias);
}

bool openTable(storage::Workspace& ws, std::string_view table, std::string_view alias, bool exclusive)
{
    const storage::TableDef* def = storage::findTable(table);
    if (!def) {
        core::prompts().message(core::MessageKind::Info, T("ไม่พบแฟ้ม ") + std::string(table), T("ส่วนการเปิดแฟ้ม"));
        return false;
    }
    const storage::IndexDef& ix = def->indexes.front();
    return storage::OPEN(ws, folderOf(*def), def->name, ix.key, exclusive, T(def->openTitle), ix.file, alias);
}

bool openDetail(storage::Workspace& ws, std::string_view table)
{
    const storage::TableDef* def = storage::findTable(table);
    if (!def)
        return false;
    const std::string title = T(def->openTitle);
    const std::string caption = T("ส่วนการเปิดแฟ้ม");
    if (ws.find("detail"))
        (void)ws.close("detail");
    const std::string dbf = core::paths::join(folderOf(*def), std::string(def->name) + ".DBF");
    const std::string file = dbf.substr(0, dbf.size() - 4);
    if (!core::paths::exists(dbf)) {
        core::prompts().message(core::MessageKind::Info, T("ไม่พบแฟ้ม ") + title, caption);
        return false;
    }
    if (!storage::NET_USE(ws, file, true, storage::kOpenWait, "detail")) {
        core::prompts().message(core::MessageKind::Info, T("ไม่สามารถเปิดแฟ้ม ") + title, caption);
        return false;
    }
    return true;
}

bool buildReportIndex(storage::Workspace& ws, const std::string& path, const std::string& key,
                      const std::string& reportName)
{
    storage::Table* detail = ws.find("detail");
    if (!detail)
        return false;
    const storage::Status s = detail->createOrder(path, key);
    if (s.ok())
        return detail->goTop().ok();
    core::Fault f = storage::toFault(s, "INDEX ON", path);
    f.operation = reportName + " I,INDEX";
    f.canRetry = f.canDefault = false;
    (void)core::raise(f);
    return false;
}

}  // namespace reports
