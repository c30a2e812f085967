// The reindex (FGINDEX's model, FGINDEX2, FINDEX): for every entry of the reindex list whose group
// is ticked, the table is opened exclusively, packed - the only place where marked records of the
// transaction, ledger and code tables disappear - and the entry's index file is built anew from its
// key. The dialog (dialogs/maintenance_dialogs.h) and `mervo-admin reindex` drive this model.
// One thread; other workstations are kept out by the exclusive open.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "maintenance/maintenance_tables.h"

namespace maintenance {

// FINDEX(folder, table, index file, name, key): one entry of a ticked group (Reindex::run skips
// the others). Says "แฟ้ม " + the table's name through `status`; alerts "ไม่พบแฟ้ม" + name when the table is missing and name + "ถูกใช้งานอยู่" when another
// workstation holds it for kMaintenanceWait seconds; else packs the table, deletes the entry's old
// index file, builds it anew in upper case and closes. Every other index file of the table that
// exists is rebuilt by the pack too, so no index is left pointing at records the pack moved should
// a later entry of the table fail. Ends with an 800 Hz beep.
StepResult FINDEX(std::string_view folder, const storage::TableDef& table, const storage::IndexDef& index,
                  const std::function<void(const std::string&)>& status);

class Reindex {
public:
    Reindex();

    // The four groups' check boxes, all ticked at first.
    bool ticked(storage::TableGroup group) const { return m_ticked[int(group)]; }
    void setTicked(storage::TableGroup group, bool on) { m_ticked[int(group)] = on; }

    // The dialog's status text (TIS-620): "ส่วนบำรุงรักษาแฟ้ม" at first, then "แฟ้ม " + the table.
    const std::string& status() const { return m_status; }
    // Called whenever the status text changes.
    std::function<void()> statusChanged;

    // The entries of the ticked groups in the list's order; "LOGGER" only when its file is in CDRV1.
    std::vector<ReindexEntry> entries() const;
    // FGINDEX2: FINDEX for each of entries(). One result per entry.
    std::vector<StepResult> run(Progress* progress = nullptr);

    static std::string title();       // "  การบำรุงรักษาแฟ้มข้อมูล"
    static std::string alertTitle();  // "ส่วนบำรุงรักษาแฟ้มข้อมูล"

private:
    void setStatus(const std::string& text);

    bool m_ticked[kGroupCount];
    std::string m_status;
};

// The groups named on the command line ("weighing,money,balances,codes", any subset, any case).
// False when a name is unknown or the list is empty.
bool parseGroups(std::string_view list, bool ticked[kGroupCount]);

}  // namespace maintenance
