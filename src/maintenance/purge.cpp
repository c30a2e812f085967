#include "maintenance/purge.h"

#include "core/clock.h"
#include "core/prompt_sounds.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "maintenance/table_files.h"
#include "storage/field_codec.h"
#include "storage/ops.h"

namespace maintenance {
namespace {

using core::tis620::T;

constexpr int kIdleEvery = 256;
constexpr char kComplete = '2';  // STAT of a ticket whose both weighings are done

}  // namespace

StepResult DELLOOP(const TransactionTable& t, const DateSpan& range)
{
    const storage::TableDef& def = *storage::findTable(t.table);
    const std::string file = storage::tableFileName(def);
    const std::string data = files::folder("CDRV2");
    const std::string name = core::xbase::upper(def.name);
    const std::string shown = data + file;

    if (!files::ask(T("ลบข้อมูล") + T(t.purgeAsk), T("  คุณยืนยันการสั่งลบข้อมูล !")))
        return {file, Outcome::Declined, "not purged"};
    storage::Workspace ws;  // every table closed before and after the step
    if (!files::exists(data, file) || !storage::NET_USE(ws, data + name, true, kMaintenanceWait, name)) {
        const std::string message = T("ไม่สามารถเปิดแฟ้ม ") + shown + T(" ได้");
        files::alert(message, T("  ส่วนการลบข้อมูล"));
        return {file, Outcome::Failed, message};
    }
    storage::Table& table = *ws.current();
    files::removePackLeftovers(data, def);
    if (t.mode == DateMode::Weighing) {
        for (const storage::IndexDef& ix : def.indexes)
            files::removeAnyCase(data, storage::indexFileName(ix));
    } else {
        const storage::IndexDef& ix = def.indexes.front();
        const std::string index = storage::indexFileName(ix);
        if (files::exists(data, index)) {
            const std::string p = files::path(data, index);
            if (!files::attempt([&] { return table.addOrder(p, ix.key); }, "SET INDEX", p))
                files::removeAnyCase(data, index);  // rebuilt at the next open
        }
    }
    const int dateField = table.fieldIndex(maintenance::dateField(t.mode));
    const int statField = table.fieldIndex("STAT");
    if (dateField < 0 || (t.mode == DateMode::Weighing && statField < 0))
        return {file, Outcome::Failed, std::string("no field ") + maintenance::dateField(t.mode)};
    const storage::Field& date = table.layout().fields()[std::size_t(dateField)];
    const std::uint32_t before = table.recCount();
    std::size_t marked = 0;
    bool ok = true;
    for (std::uint32_t n = 1; ok && n <= before; ++n) {
        if (n % kIdleEvery == 0)
            core::idle();
        const char* rec = nullptr;
        ok = files::attempt([&] {
            STORAGE_TRY(table.goTo(n));
            return table.record(&rec);
        }, "GOTO", table.path());
        if (!ok || rec[0] == storage::dbf::kDeletedFlag || !range.contains(storage::field::date(date, rec)))
            continue;
        if (t.mode == DateMode::Weighing &&
            storage::field::raw(table.layout().fields()[std::size_t(statField)], rec)[0] != kComplete)
            continue;
        ok = files::attempt([&] { return table.deleteRecord(); }, "DELETE", table.path());
        ++marked;
    }
    ok = ok && files::attempt([&] { return table.pack(); }, "PACK", table.path());
    const std::uint32_t after = table.recCount();
    ok = files::attempt([&] { return ws.closeAll(); }, "CLOSE", shown) && ok;
    if (!ok)
        return {file, Outcome::Failed, "purge not finished"};
    return {file, Outcome::Done,
            files::records(marked) + " of " + range.from.dtoc() + " - " + range.to.dtoc() + " purged, " +
                std::to_string(before - after) + " removed, " + std::to_string(after) + " left"};
}

std::vector<StepResult> FGDELETE(const std::function<std::optional<DateSpan>()>& askRange, Progress* progress)
{
    core::TSOUND(8);
    if (!files::ask(T("คุณต้องการลบข้อมูล !"), T("  ส่วนสั่งลบข้อมูล")))
        return {};
    const std::optional<DateSpan> range = askRange();
    if (!range)
        return {};
    JobSteps job(progress, T("  ส่วนลบข้อมูลการทำงาน"));
    for (const TransactionTable& t : transactionTables())
        job.run(T(t.purgeName), [&] { return DELLOOP(t, *range); });
    return job.finish();
}

}  // namespace maintenance
