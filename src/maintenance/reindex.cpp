#include "maintenance/reindex.h"

#include "core/sound.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "maintenance/table_files.h"
#include "storage/ops.h"

namespace maintenance {
namespace {

using core::tis620::T;

constexpr int kBeepHz = 800;
constexpr int kBeepMs = 55;  // one tick of the reference runtime's TONE()

const char* const kGroupNames[kGroupCount] = {"weighing", "money", "balances", "codes"};

StepResult failed(std::string name, std::string message)
{
    files::alert(message, Reindex::alertTitle());
    return {std::move(name), Outcome::Failed, std::move(message)};
}

}  // namespace

std::string Reindex::title()
{
    return T("  การบำรุงรักษาแฟ้มข้อมูล");
}

std::string Reindex::alertTitle()
{
    return T("ส่วนบำรุงรักษาแฟ้มข้อมูล");
}

StepResult FINDEX(std::string_view folder, const storage::TableDef& table, const storage::IndexDef& index,
                  const std::function<void(const std::string&)>& status)
{
    const std::string name = core::xbase::upper(table.name);
    const std::string file = storage::tableFileName(table);
    if (status)
        status(T("แฟ้ม ") + name);
    storage::Workspace ws;  // every table closed before and after the entry
    StepResult result{file, Outcome::Done, {}};
    if (!files::exists(folder, file)) {
        result = failed(file, T("ไม่พบแฟ้ม") + name);
    } else if (!storage::NET_USE(ws, std::string(folder) + name, true, kMaintenanceWait, name)) {
        result = failed(file, name + T("ถูกใช้งานอยู่"));
    } else {
        storage::Table& t = *ws.current();
        files::removePackLeftovers(folder, table);
        // The pack moves records: the table's other index files are opened so the pack rebuilds
        // them with it, else they would point at the old record numbers until their own entries
        // ran - and never, should one of those entries fail.
        for (const storage::IndexDef& other : table.indexes) {
            const std::string otherFile = storage::indexFileName(other);
            if (&other == &index || !files::exists(folder, otherFile))
                continue;
            const std::string p = files::path(folder, otherFile);
            if (!files::attempt([&] { return t.addOrder(p, other.key); }, "SET INDEX", p))
                files::removeAnyCase(folder, otherFile);  // rebuilt at the next open
        }
        const std::uint32_t before = t.recCount();
        const std::string indexFile = storage::indexFileName(index);
        if (!files::attempt([&] { return t.pack(); }, "PACK", t.path())) {
            result = {file, Outcome::Failed, "pack failed"};
        } else {
            const std::uint32_t after = t.recCount();
            t.clearOrders();
            files::removeAnyCase(folder, indexFile);
            // Upper case, as the reference runtime names the files it makes.
            const std::string built = files::path(folder, indexFile);
            if (!files::attempt([&] { return t.createOrder(built, index.key); }, "INDEX ON", built))
                result = {file, Outcome::Failed, indexFile + " not built"};
            else
                result.detail = files::records(after) + ", " + std::to_string(before - after) +
                                " removed; " + indexFile + " (" + index.key + ") built";
        }
    }
    (void)ws.closeAll();
    core::sound().tone(kBeepHz, kBeepMs);
    return result;
}

Reindex::Reindex() : m_status(T("ส่วนบำรุงรักษาแฟ้ม"))
{
    for (bool& b : m_ticked)
        b = true;
}

void Reindex::setStatus(const std::string& text)
{
    m_status = text;
    if (statusChanged)
        statusChanged();
}

std::vector<ReindexEntry> Reindex::entries() const
{
    std::vector<ReindexEntry> out;
    for (const ReindexEntry& e : reindexList()) {
        if (!ticked(e.table->group))
            continue;
        if (e.table->optional && !files::exists(files::folder(e.table->folderSetting), storage::tableFileName(*e.table)))
            continue;
        out.push_back(e);
    }
    return out;
}

std::vector<StepResult> Reindex::run(Progress* progress)
{
    JobSteps job(progress, title());
    for (const ReindexEntry& e : entries()) {
        const std::string folder = files::folder(e.table->folderSetting);
        job.run(T("แฟ้ม ") + core::xbase::upper(e.table->name), [&] {
            return FINDEX(folder, *e.table, *e.index, [this](const std::string& s) { setStatus(s); });
        });
    }
    return job.finish();
}

bool parseGroups(std::string_view list, bool ticked[kGroupCount])
{
    for (int i = 0; i < kGroupCount; ++i)
        ticked[i] = false;
    // Every item names a group: an empty one (",", a trailing comma) is a mistake, not nothing.
    for (;;) {
        const auto comma = list.find(',');
        const std::string_view item = core::xbase::rtrimView(core::xbase::ltrimView(list.substr(0, comma)));
        int found = -1;
        for (int i = 0; i < kGroupCount; ++i)
            if (core::xbase::equalsNoCase(item, kGroupNames[i]))
                found = i;
        if (found < 0)
            return false;
        ticked[found] = true;
        if (comma == std::string_view::npos)
            return true;
        list = list.substr(comma + 1);
    }
}

}  // namespace maintenance
