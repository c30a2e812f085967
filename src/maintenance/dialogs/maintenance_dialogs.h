// The file-maintenance commands on Qt (menu group "จัดการแฟ้มข้อมูล" and the main window's second
// button): the reindex dialog with its four groups and status text, the backup dialog (range and
// name), the purge's range dialog, the restore's name dialog, and the wait window every backup,
// purge and restore step shows. The jobs themselves are the GUI-free models of src/maintenance;
// these only ask, show and forward. GUI thread only.
#pragma once

#include <QPushButton>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/value_map.h"
#include "maintenance/backup.h"
#include "maintenance/reindex.h"
#include "ui/dialog.h"
#include "ui/form_builder.h"

class QCheckBox;
class QLabel;

namespace shell {
class Dispatcher;
}
namespace ui {
class ProgressBar;
class WaitWindow;
}  // namespace ui

namespace maintenance {

// The wait window of a running job: shown at begin() with the job's title, its text the current
// step's name, closed at end().
class WaitProgress final : public Progress {
public:
    explicit WaitProgress(QWidget* parent = nullptr);
    ~WaitProgress() override;
    void begin(const std::string& title) override;
    void step(const std::string& name) override;
    void end() override;
    ui::WaitWindow* window() const { return m_window.get(); }

private:
    QWidget* m_parent;
    std::unique_ptr<ui::WaitWindow> m_window;
};

// FGINDEX's dialog "  การบำรุงรักษาแฟ้มข้อมูล": the four group check boxes (all ticked), the
// status text, a progress bar, "เ&ริ่ม" (runs the reindex, then closes) and "&ยกเลิก". Prompt
// sound 5 plays when it opens.
class ReindexDialog : public ui::Dialog {
    Q_OBJECT
public:
    explicit ReindexDialog(Reindex& model, QWidget* parent = nullptr);

    QCheckBox* groupBox(storage::TableGroup group) const { return m_boxes[int(group)]; }
    QLabel* statusLabel() const { return m_status; }
    ui::ProgressBar* progressBar() const { return m_progress; }
    QPushButton* startButton() const { return m_start; }
    QPushButton* cancelButton() const { return m_cancel; }
    const std::vector<StepResult>& results() const { return m_results; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void start();

    Reindex& m_model;
    QCheckBox* m_boxes[kGroupCount] = {};
    QLabel* m_status;
    ui::ProgressBar* m_progress;
    QPushButton* m_start;
    QPushButton* m_cancel;
    std::vector<StepResult> m_results;
};

// The screen values of a RangeNameDialog, made before the form that binds them.
struct RangeNameValues {
    core::ValueMap values;
};

// The small forms of the backup, the purge and the restore: a date range (both today at first,
// neither may be left empty) and/or the backup name (7 characters, upper case, checked with
// checkBackupName on OK), with "&ตกลง" and "&ยกเลิก".
// (No Q_OBJECT: moc needs the QObject base first, and the dialog adds no signals.)
class RangeNameDialog : private RangeNameValues, public ui::FormDialog {
public:
    enum class Kind {
        Backup,   // "  ทำสำเนาข้อมูลการชั่ง": range and name
        Purge,    // "  ลบข้อมูลสินค้า": range
        Restore,  // "  อ่านข้อมูลการชั่ง": name
    };
    explicit RangeNameDialog(Kind kind, QWidget* parent = nullptr);

    QPushButton* okButton() const { return m_ok; }
    bool accepted() const { return m_accepted; }
    DateSpan range() const;
    std::string name() const;  // checked and upper case once accepted

    static std::string title(Kind kind);

private:
    void ok();
    static std::vector<ui::FormRow> rows(Kind kind, core::ValueMap& values);

    Kind m_kind;
    QPushButton* m_ok;
    bool m_accepted = false;
};

// The menu's commands: each runs its job with these dialogs and the wait window.
void FGINDEX(QWidget* parent = nullptr);
void FGBACKUP(int what, QWidget* parent = nullptr);
void FGDELETE(QWidget* parent = nullptr);
void FGRESTORE(int what, QWidget* parent = nullptr);

// Registers FGINDEX, FGBACKUP1/2, FGDELETE and FGRESTORE1/2 with the main window's dispatcher.
void registerMaintenanceActions(shell::Dispatcher& dispatcher);

}  // namespace maintenance
