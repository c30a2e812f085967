#include "maintenance/restore.h"

#include <algorithm>
#include <map>

#include "core/clock.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "maintenance/backup.h"
#include "maintenance/table_files.h"
#include "storage/key_source.h"
#include "storage/ops.h"

namespace maintenance {
namespace {

using core::tis620::T;

constexpr int kIdleEvery = 256;
constexpr std::size_t kDifferingShown = 10;  // numbers spelled out in the line of a restore

StepResult failure(std::string name, const std::string& message, const std::string& title)
{
    files::alert(message, title);
    return {std::move(name), Outcome::Failed, message};
}

}  // namespace

StepResult RESTLOOP(const TransactionTable& t, const std::string& backupName)
{
    const storage::TableDef& def = *storage::findTable(t.table);
    const std::string tableFile = storage::tableFileName(def);
    const std::string data = files::folder("CDRV2");
    const std::string backup = files::folder("CDRV3");
    const std::string backupFile = backupFileName(backupName, t);
    const std::string shownName = backupName + t.suffix;
    const std::string readTitle = T("  ส่วนการอ่านข้อมูล");

    if (!files::exists(backup, backupFile) || !files::exists(data, tableFile))
        return failure(tableFile, T("ไม่พบแฟ้ม ") + shownName, T("  ส่วนการอ่านแฟ้นสำเนาข้อมูล"));

    storage::Workspace ws;  // every table closed before and after the step
    const bool open = t.mode == DateMode::Weighing
                          ? storage::OPENTRK(ws, data, def.name, "Target")
                          : storage::OPEN(ws, data, def.name, def.indexes.front().key, false,
                                          core::tis620::fromUtf8(def.openTitle), def.indexes.front().file, "Target");
    if (!open)
        return {tableFile, Outcome::Failed, T("ไม่สามารถเปิดแฟ้ม ") + T(def.openTitle)};
    storage::Table& target = *ws.find("Target");
    if (!storage::NET_USE(ws, backup + backupName + t.suffix, false, kMaintenanceWait, "Source"))
        return failure(tableFile, T("ไม่สามารถเปิดแฟ้ม ") + shownName + T(" ได้"), readTitle);
    storage::Table& source = *ws.find("Source");
    // Copying by field name between tables of other layouts would drop or blank fields without a
    // word: such a backup is refused whole.
    if (!files::sameStructure(source.layout(), target.layout()))
        return failure(tableFile, T("โครงสร้างของแฟ้ม ") + shownName + T(" ไม่ตรงกับแฟ้ม ") + core::xbase::upper(def.name),
                       readTitle);

    // Records are matched by the number the table holds once (a document's number, a line's
    // document and line): date and time are editable, so a ticket whose weigh-in time was changed
    // is still the backup's ticket, never a second copy of it.
    std::unique_ptr<storage::KeySource> sourceKey, targetKey;
    if (!storage::compileKey(storage::uniqueKey(def), source.layout(), &sourceKey).ok() ||
        !storage::compileKey(storage::uniqueKey(def), target.layout(), &targetKey).ok())
        return {tableFile, Outcome::Failed, "no key"};
    struct Match {
        std::uint32_t live = 0;
        std::uint32_t marked = 0;
    };
    std::map<std::string, Match> inTable;
    std::string keyBytes;
    bool ok = true;
    const std::uint32_t present = target.recCount();
    for (std::uint32_t n = 1; ok && n <= present; ++n) {
        if (n % kIdleEvery == 0)
            core::idle();
        const char* rec = nullptr;
        ok = files::attempt([&] {
            STORAGE_TRY(target.goTo(n));
            return target.record(&rec);
        }, "GOTO", target.path());
        if (!ok)
            break;
        targetKey->key(rec, keyBytes);
        Match& m = inTable[keyBytes];
        (rec[0] == storage::dbf::kDeletedFlag ? m.marked : m.live) = n;
    }
    std::size_t appended = 0, recalled = 0, kept = 0;
    std::vector<std::string> differing;
    const std::uint32_t count = source.recCount();
    for (std::uint32_t n = 1; ok && n <= count; ++n) {
        if (n % kIdleEvery == 0)
            core::idle();
        const char* rec = nullptr;
        ok = files::attempt([&] {
            STORAGE_TRY(source.goTo(n));
            return source.record(&rec);
        }, "GOTO", source.path());
        if (!ok || rec[0] == storage::dbf::kDeletedFlag)
            continue;
        const std::string backupRecord = files::recordFor(target.layout(), source.layout(), rec);
        sourceKey->key(rec, keyBytes);
        Match& m = inTable[keyBytes];
        const auto same = [&](std::uint32_t at) {
            const char* mine = nullptr;
            ok = files::attempt([&] {
                STORAGE_TRY(target.goTo(at));
                return target.record(&mine);
            }, "GOTO", target.path());
            return ok && std::equal(backupRecord.begin() + 1, backupRecord.end(), mine + 1);
        };
        (void)ws.select("Target");
        if (m.live) {
            if (same(m.live))
                ++kept;
            else if (ok)
                differing.push_back(core::xbase::rtrim(keyBytes));
            continue;
        }
        if (m.marked && same(m.marked)) {
            ok = storage::REC_LOCK(ws, 0) && files::attempt([&] { return target.recall(); }, "RECALL", target.path());
            ++recalled;
            m.live = m.marked;
        } else if (ok) {
            // Whole, in the one write that counts it: a restore killed here leaves no blank record.
            ok = files::attempt([&] { return target.appendWait(-1, backupRecord.data()); }, "APPEND", target.path());
            ++appended;
            m.live = target.recNo();
        }
        ok = files::attempt([&] { return target.unlock(); }, "UNLOCK", target.path()) && ok;
    }
    ok = storage::commitAll(ws) && ok;
    (void)storage::unlockAll(ws);
    (void)ws.closeAll();
    std::string detail = "from " + backup + backupFile + ": " + std::to_string(appended) + " appended, " +
                         std::to_string(recalled) + " recalled, " + std::to_string(kept) + " already there";
    if (!differing.empty()) {
        detail += ", " + std::to_string(differing.size()) + " held with other values (left as they are):";
        for (std::size_t i = 0; i < differing.size() && i < kDifferingShown; ++i)
            detail += " " + differing[i];
        if (differing.size() > kDifferingShown)
            detail += " ...";
    }
    return {tableFile, ok ? Outcome::Done : Outcome::Failed, detail};
}

std::vector<StepResult> FGRESTORE1(const std::function<std::optional<std::string>()>& ask, Progress* progress)
{
    const std::optional<std::string> typed = ask();
    if (!typed)
        return {};
    std::string why;
    const std::string name = checkBackupName(*typed, &why);
    if (name.empty()) {
        files::alert(why, T("  ส่วนการอ่านข้อมูล"));
        return {{*typed, Outcome::Failed, why}};
    }
    if (const std::string clash = files::backupFolderClash(); !clash.empty())
        return {failure(files::folder("CDRV3"), clash, T("  ส่วนการอ่านข้อมูล"))};
    JobSteps job(progress, T("  ส่วนอ่านข้อมูลการทำงาน"));
    for (const TransactionTable& t : transactionTables())
        job.run(T(t.stepName), [&] { return RESTLOOP(t, name); });
    return job.finish();
}

std::vector<StepResult> FGRESTORE2(Progress* progress)
{
    return copyCodeTables(CodeCopy::Restore, progress);
}

}  // namespace maintenance
