#include "maintenance/backup.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "core/clock.h"
#include "core/paths.h"
#include "core/prompt_sounds.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "maintenance/table_files.h"
#include "storage/field_codec.h"
#include "storage/ops.h"
#include "storage/os.h"
#include "storage/own_table.h"

namespace maintenance {
namespace {

using core::tis620::T;

constexpr int kIdleEvery = 256;  // records between two calls of the idle hook (the wait window paints)

StepResult failure(std::string name, const std::string& message, const std::string& title = backupTitle())
{
    files::alert(message, title);
    return {std::move(name), Outcome::Failed, message};
}

// The unmarked records of `source` whose date field lies in the range, as a new table at `part`
// with every field of the source.
storage::Status writeRange(storage::Table& source, const char* dateField, const DateSpan& range,
                           const std::string& part, std::size_t* copied)
{
    const int df = source.fieldIndex(dateField);
    if (df < 0)
        return storage::Status::notFound(source.path() + ": no field " + dateField);
    const storage::Field& date = source.layout().fields()[std::size_t(df)];
    std::vector<storage::FieldSpec> specs;
    for (const storage::Field& f : source.layout().fields())
        specs.push_back({f.name, f.type, f.length, f.decimals});
    STORAGE_TRY(storage::Table::create(part, specs, true));
    std::unique_ptr<storage::Table> out;
    STORAGE_TRY(storage::Table::open(part, storage::ShareMode::Exclusive, &out));
    const std::uint32_t count = source.recCount();
    *copied = 0;
    for (std::uint32_t n = 1; n <= count; ++n) {
        if (n % kIdleEvery == 0)
            core::idle();
        STORAGE_TRY(source.goTo(n));
        const char* rec = nullptr;
        STORAGE_TRY(source.record(&rec));
        if (rec[0] == storage::dbf::kDeletedFlag || !range.contains(storage::field::date(date, rec)))
            continue;
        STORAGE_TRY(out->append());
        STORAGE_TRY(files::copyFields(*out, source.layout(), rec));
        ++*copied;
    }
    STORAGE_TRY(out->commit());
    return out->close();
}

// The index files of a table of the catalogue, built for the new file `part` beside the target
// under temporary names; on success `built` holds {temporary, final} path pairs.
bool buildIndexes(const storage::TableDef& def, const std::string& folder, const std::string& part,
                  std::vector<std::pair<std::string, std::string>>* built)
{
    std::unique_ptr<storage::Table> t;
    if (!files::attempt([&] { return storage::Table::open(part, storage::ShareMode::Exclusive, &t); }, "USE", part))
        return false;
    for (const storage::IndexDef& ix : def.indexes) {
        const std::string final = files::path(folder, storage::indexFileName(ix));
        const std::string temporary = files::partPath(final);
        if (!files::attempt([&] { return t->createOrder(temporary, ix.key); }, "INDEX ON", temporary))
            return false;
        built->emplace_back(temporary, final);
    }
    return files::attempt([&] { return t->close(); }, "CLOSE", part);
}

// Restoring the running numbers never sets a series back, or numbers already on documents would
// be handed out again: each series of the restored copy `part` gets the higher of its own next
// number and the live table's, and a series only the live table has is kept. Returns how many
// series were kept ahead.
storage::Status keepSeriesAhead(storage::Table& live, const std::string& part, int* kept)
{
    const int code = live.fieldIndex("CODE"), csno = live.fieldIndex("CSNO");
    if (code < 0 || csno < 0)
        return {};
    const storage::Field& codeField = live.layout().fields()[std::size_t(code)];
    const storage::Field& csnoField = live.layout().fields()[std::size_t(csno)];
    std::map<std::string, std::string> liveSeries;  // CODE as stored -> the live record
    const std::uint32_t count = live.recCount();
    for (std::uint32_t n = 1; n <= count; ++n) {
        const char* rec = nullptr;
        STORAGE_TRY(live.goTo(n));
        STORAGE_TRY(live.record(&rec));
        if (rec[0] != storage::dbf::kDeletedFlag)
            liveSeries.emplace(std::string(storage::field::raw(codeField, rec)),
                               std::string(rec, live.layout().recordLength()));
    }
    std::unique_ptr<storage::Table> copy;
    STORAGE_TRY(storage::Table::open(part, storage::ShareMode::Exclusive, &copy));
    *kept = 0;
    std::map<std::string, std::uint32_t> marked;  // CODE -> a row of the copy marked deleted
    const std::uint32_t copied = copy->recCount();
    for (std::uint32_t n = 1; n <= copied; ++n) {
        const char* rec = nullptr;
        STORAGE_TRY(copy->goTo(n));
        STORAGE_TRY(copy->record(&rec));
        const std::string key(storage::field::raw(codeField, rec));
        if (rec[0] == storage::dbf::kDeletedFlag) {
            marked.emplace(key, n);
            continue;
        }
        const auto it = liveSeries.find(key);
        if (it == liveSeries.end())
            continue;
        const double ahead = storage::field::number(csnoField, it->second.data());
        if (ahead > storage::field::number(csnoField, rec)) {
            STORAGE_TRY(copy->putNumber(csno, ahead));
            ++*kept;
        }
        liveSeries.erase(it);
    }
    // A live series the copy lacks, or holds only marked deleted, keeps its live row and number.
    for (const auto& [key, rec] : liveSeries) {
        double number = storage::field::number(csnoField, rec.data());
        if (const auto m = marked.find(key); m != marked.end()) {
            STORAGE_TRY(copy->goTo(m->second));
            const char* old = nullptr;
            STORAGE_TRY(copy->record(&old));
            number = std::max(number, storage::field::number(csnoField, old));
            STORAGE_TRY(copy->recall());
        } else {
            STORAGE_TRY(copy->append());
        }
        STORAGE_TRY(files::copyFields(*copy, live.layout(), rec.data()));
        STORAGE_TRY(copy->putNumber(csno, number));
        ++*kept;
    }
    STORAGE_TRY(copy->commit());
    return copy->close();
}

}  // namespace

std::string backupTitle()
{
    return T("  ส่วนการทำสำเนาข้อมูล");
}

StepResult BACKLOOP(const CopyStep& s)
{
    const std::string sourceFile = s.sourceName + ".DBF";
    const std::string targetFile = s.targetName + ".DBF";
    const std::string sourceShown = s.sourceFolder + sourceFile;
    const std::string targetShown = s.targetFolder + targetFile;
    // The line of the command line names the table the step is about.
    const std::string name = s.liveTarget ? targetFile : sourceFile;

    if (!files::exists(s.sourceFolder, sourceFile))
        return failure(name, T("ไม่พบแฟ้ม ") + sourceShown);
    const std::string target = files::path(s.targetFolder, targetFile);
    const bool targetExists = core::paths::exists(target);
    if (targetExists) {
        core::TSOUND(8);
        if (!files::ask(T("เขียนทับแฟ้ม ") + targetShown + " ?", backupTitle()))
            return {name, Outcome::Declined, targetShown + " not overwritten"};
    }
    storage::Workspace ws;
    if (!storage::NET_USE(ws, s.sourceFolder + s.sourceName, false, kMaintenanceWait, "Source"))
        return failure(name, T("ไม่สามารถเปิดแฟ้ม ") + sourceShown + T(" ได้"));
    storage::Table& source = *ws.find("Source");

    if (s.liveTarget) {
        // The live table is held exclusively until its replacement is in place: nobody reads it
        // half copied, and nobody keeps an index of the old file open.
        storage::Layout expected;
        if (targetExists) {
            if (!storage::NET_USE(ws, s.targetFolder + s.targetName, true, kMaintenanceWait, "Target"))
                return failure(name, core::xbase::upper(s.targetName) + T("ถูกใช้งานอยู่"));
            expected = ws.find("Target")->layout();
        } else if (!storage::Layout::fromSpecs(storage::fieldSpecs(s.liveTarget->fields), &expected).ok()) {
            return failure(name, targetShown);
        }
        if (!files::sameStructure(source.layout(), expected))
            return failure(name, T("โครงสร้างของแฟ้ม ") + sourceShown + T(" ไม่ตรงกับแฟ้ม ") + targetShown);
    }

    const std::string part = files::partPath(target);
    std::string detail;
    bool ok = false;
    if (s.mode == DateMode::Whole) {
        std::uint64_t bytes = 0;
        ok = files::attempt([&] { return files::copyBytes(source.path(), part, &bytes); }, "COPY FILE", part);
        detail = files::records(source.recCount()) + " copied whole";
    } else {
        std::size_t copied = 0;
        ok = files::attempt([&] { return writeRange(source, dateField(s.mode), s.range, part, &copied); }, "COPY TO",
                            part);
        detail = files::records(copied) + " of " + s.range.from.dtoc() + " - " + s.range.to.dtoc();
    }
    if (ok && s.liveTarget && targetExists && core::xbase::equalsNoCase(s.liveTarget->name, "Consec")) {
        int kept = 0;
        ok = files::attempt([&] { return keepSeriesAhead(*ws.find("Target"), part, &kept); }, "CONSEC", part);
        detail += "; " + std::to_string(kept) + " series kept ahead";
    }
    std::vector<std::pair<std::string, std::string>> indexes;
    if (ok && s.liveTarget)
        ok = buildIndexes(*s.liveTarget, s.targetFolder, part, &indexes);
    // A live table's new file is held exclusively from here until the old one is closed, so nobody
    // opens it between the renames. The old index files go first (the old table alone is whole and
    // builds them at its next open), then the table, then its new index files: a crash at any point
    // leaves a table with no index file made for another one.
    std::unique_ptr<storage::File> hold;
    if (ok && s.liveTarget)
        ok = files::attempt([&] {
            return storage::fileSystem().open(part, storage::ShareMode::Exclusive, storage::OpenFlags::Existing, &hold);
        }, "USE", part);
    if (ok && s.liveTarget)
        for (const storage::IndexDef& ix : s.liveTarget->indexes)
            ok = ok && files::attempt([&] {
                return storage::fileSystem().remove(files::path(s.targetFolder, storage::indexFileName(ix)));
            }, "ERASE", storage::indexFileName(ix));
    ok = ok && files::attempt([&] { return files::replaceWith(part, target); }, "RENAME", target);
    for (const auto& index : indexes)
        ok = ok && files::attempt([&] { return files::replaceWith(index.first, index.second); }, "RENAME",
                                  index.second);
    if (!ok) {
        (void)storage::fileSystem().remove(part);
        for (const auto& [temporary, final] : indexes)
            (void)storage::fileSystem().remove(temporary);
        return {name, Outcome::Failed, targetShown + " not written"};
    }
    (void)ws.closeAll();
    hold.reset();
    return {name, Outcome::Done, (s.liveTarget ? "from " + sourceShown : "to " + targetShown) + ": " + detail};
}

StepResult backupEvidence(const std::string& backupName)
{
    const TransactionTable& t = evidenceTable();
    const std::string data = files::folder("CDRV2");
    std::unique_ptr<storage::File> held;
    if (!storage::holdLockFile(files::path(data, storage::kEvidenceLockFile), int(kMaintenanceWait * 1000), &held).ok())
        return failure(storage::kEvidenceFile, T("ไม่สามารถเปิดแฟ้ม ") + data + storage::kEvidenceFile + T(" ได้"));
    return BACKLOOP({data, t.table, files::folder("CDRV3"), backupName + t.suffix, DateMode::Whole, {}});
}

std::vector<StepResult> FGBACKUP1(const std::function<std::optional<BackupRequest>()>& ask, Progress* progress)
{
    const std::optional<BackupRequest> request = ask();
    if (!request)
        return {};
    std::string why;
    const std::string name = checkBackupName(request->name, &why);
    if (name.empty())
        return {failure(request->name, why)};
    if (const std::string clash = files::backupFolderClash(); !clash.empty())
        return {failure(files::folder("CDRV3"), clash)};
    const std::string data = files::folder("CDRV2");
    const std::string backup = files::folder("CDRV3");
    JobSteps job(progress, T("  ส่วนทำสำเนาข้อมูลการทำงาน"));
    const auto run = [&](const char* stepName, const CopyStep& step) { job.run(T(stepName), [&] { return BACKLOOP(step); }); };
    for (const TransactionTable& t : transactionTables())
        run(t.stepName, {data, core::xbase::upper(t.table), backup, name + t.suffix, t.mode, request->range});
    for (const WholeTable& t : ledgerTables()) {
        const std::string file = core::xbase::upper(t.table);
        run(t.stepName, {data, file, backup, file, DateMode::Whole, {}});
    }
    if (files::exists(data, storage::kEvidenceFile))
        job.run(T(evidenceTable().stepName), [&] { return backupEvidence(name); });
    return job.finish();
}

std::vector<StepResult> FGBACKUP2(Progress* progress)
{
    return copyCodeTables(CodeCopy::Backup, progress);
}

std::vector<StepResult> copyCodeTables(CodeCopy direction, Progress* progress)
{
    const bool restore = direction == CodeCopy::Restore;
    if (const std::string clash = files::backupFolderClash(); !clash.empty())
        return {failure(files::folder("CDRV3"), clash, restore ? T("  ส่วนการอ่านข้อมูล") : backupTitle())};
    const std::string codes = files::folder("CDRV1");
    const std::string backup = files::folder("CDRV3");
    JobSteps job(progress, restore ? T("  ส่วนอ่านข้อมูลตารางรหัส") : T("  ส่วนทำสำเนาข้อมูลตารางรหัส"));
    for (const WholeTable& t : codeTables()) {
        const std::string file = core::xbase::upper(t.table);
        CopyStep step{codes, file, backup, file, DateMode::Whole, {}};
        if (restore) {
            std::swap(step.sourceFolder, step.targetFolder);
            step.liveTarget = storage::findTable(t.table);
        }
        job.run(T(t.stepName), [&] { return BACKLOOP(step); });
    }
    return job.finish();
}

}  // namespace maintenance
