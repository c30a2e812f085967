#include "maintenance/dialogs/maintenance_dialogs.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "core/clock.h"
#include "core/prompt_sounds.h"
#include "core/prompts.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "maintenance/purge.h"
#include "maintenance/restore.h"
#include "shell/menu.h"
#include "ui/thai_text.h"
#include "ui/widgets.h"

namespace maintenance {
namespace {

using core::tis620::T;

constexpr int kNameWidth = 7;
constexpr int kOpenSound = 5;  // the prompt sound of the maintenance dialog

constexpr storage::TableGroup kGroups[kGroupCount] = {storage::TableGroup::Weighing, storage::TableGroup::Money,
                                                      storage::TableGroup::Balances, storage::TableGroup::Codes};

bool dateGiven(ui::EntryField& field)
{
    bool ok = false;
    const core::Value v = field.value(&ok);
    return ok && v.isDate() && !v.asDate().isEmpty();
}

// The reindex dialog's progress: the bar follows the entries run.
class BarProgress final : public Progress {
public:
    BarProgress(ui::ProgressBar& bar, std::size_t total) : m_bar(bar), m_total(total) {}
    void finished(const StepResult&) override
    {
        ++m_done;
        m_bar.setPercent(m_total ? int(m_done * 100 / m_total) : 100);
    }

private:
    ui::ProgressBar& m_bar;
    std::size_t m_total;
    std::size_t m_done = 0;
};

}  // namespace

// ---- WaitProgress

WaitProgress::WaitProgress(QWidget* parent) : m_parent(parent) {}

WaitProgress::~WaitProgress() = default;

void WaitProgress::begin(const std::string& title)
{
    m_window = std::make_unique<ui::WaitWindow>(title, m_parent);
}

void WaitProgress::step(const std::string& name)
{
    if (m_window)
        m_window->setStep(name);
}

void WaitProgress::end()
{
    m_window.reset();
}

// ---- ReindexDialog

ReindexDialog::ReindexDialog(Reindex& model, QWidget* parent)
    : ui::Dialog(Reindex::title(), parent), m_model(model), m_status(new QLabel(this)),
      m_progress(new ui::ProgressBar(this)), m_start(new QPushButton(ui::fromTis(T("เ&ริ่ม")), this)),
      m_cancel(new QPushButton(ui::fromTis(T("&ยกเลิก")), this))
{
    auto* layout = new QVBoxLayout(this);
    for (const storage::TableGroup g : kGroups) {
        auto* box = new QCheckBox(ui::fromTis(T(groupCaption(g))), this);
        box->setChecked(m_model.ticked(g));
        connect(box, &QCheckBox::toggled, this, [this, g](bool on) { m_model.setTicked(g, on); });
        m_boxes[int(g)] = box;
        layout->addWidget(box);
    }
    m_status->setText(ui::fromTis(m_model.status()));
    m_status->setMinimumWidth(320);
    layout->addWidget(m_status);
    layout->addWidget(m_progress);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_start);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    m_cancel->setFocusPolicy(Qt::NoFocus);
    m_model.statusChanged = [this] {
        m_status->setText(ui::fromTis(m_model.status()));
        m_status->repaint();
        ui::processPendingPaint();
    };
    connect(m_start, &QPushButton::clicked, this, [this] { start(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { reject(); });
}

void ReindexDialog::showEvent(QShowEvent* event)
{
    ui::Dialog::showEvent(event);
    core::TSOUND(kOpenSound);
}

void ReindexDialog::start()
{
    for (QCheckBox* box : m_boxes)
        box->setEnabled(false);
    m_start->setEnabled(false);
    m_cancel->setEnabled(false);
    BarProgress progress(*m_progress, m_model.entries().size());
    m_results = m_model.run(&progress);
    m_model.statusChanged = nullptr;
    accept();
}

// ---- RangeNameDialog

std::string RangeNameDialog::title(Kind kind)
{
    switch (kind) {
    case Kind::Backup: return T("  ทำสำเนาข้อมูลการชั่ง");
    case Kind::Purge: return T("  ลบข้อมูลสินค้า");
    case Kind::Restore: return T("  อ่านข้อมูลการชั่ง");
    }
    return {};
}

std::vector<ui::FormRow> RangeNameDialog::rows(Kind kind, core::ValueMap& values)
{
    const core::Date today = core::clock().today();
    values.set("dFrom", core::Value::date(today));
    values.set("dTo", core::Value::date(today));
    values.setText("cName", std::string(kNameWidth, ' '));
    std::vector<ui::FormRow> out;
    if (kind != Kind::Restore) {
        out.push_back({.label = T("เ&ริ่มต้น"), .name = "dFrom", .validation = dateGiven});
        out.push_back({.label = T("&จนถึง"), .name = "dTo", .validation = dateGiven});
    }
    if (kind != Kind::Purge)
        out.push_back({.label = T("&ชื่อแฟ้ม"), .name = "cName", .picture = "@!", .width = kNameWidth});
    return out;
}

RangeNameDialog::RangeNameDialog(Kind kind, QWidget* parent)
    : ui::FormDialog(title(kind), values, rows(kind, values), parent), m_kind(kind)
{
    m_ok = addButton(T("&ตกลง"), [this] { ok(); });
    addButton(T("&ยกเลิก"), [this] { reject(); }, false);
}

DateSpan RangeNameDialog::range() const
{
    return {values.get("dFrom").asDate(), values.get("dTo").asDate()};
}

std::string RangeNameDialog::name() const
{
    return core::xbase::alltrim(values.text("cName"));
}

void RangeNameDialog::ok()
{
    if (m_kind != Kind::Restore) {
        for (const char* field : {"dFrom", "dTo"}) {
            const core::Value& v = values.get(field);
            if (!v.isDate() || v.asDate().isEmpty()) {
                form().field(field)->setFocus();
                return;
            }
        }
    }
    if (m_kind != Kind::Purge) {
        std::string why;
        const std::string checked = checkBackupName(name(), &why);
        if (checked.empty()) {
            core::prompts().message(core::MessageKind::Alert, why,
                                    m_kind == Kind::Backup ? backupTitle() : T("  ส่วนการอ่านข้อมูล"));
            form().field("cName")->setFocus();
            return;
        }
        values.setText("cName", checked);
    }
    m_accepted = true;
    accept();
}

// ---- The commands

void FGINDEX(QWidget* parent)
{
    Reindex model;
    ReindexDialog dialog(model, parent);
    dialog.exec();
}

void FGBACKUP(int what, QWidget* parent)
{
    WaitProgress progress(parent);
    if (what == 2) {
        (void)FGBACKUP2(&progress);
        return;
    }
    (void)FGBACKUP1(
        [parent]() -> std::optional<BackupRequest> {
            RangeNameDialog dialog(RangeNameDialog::Kind::Backup, parent);
            dialog.exec();
            if (!dialog.accepted())
                return std::nullopt;
            return BackupRequest{dialog.name(), dialog.range()};
        },
        &progress);
}

void FGDELETE(QWidget* parent)
{
    WaitProgress progress(parent);
    (void)maintenance::FGDELETE(
        [parent]() -> std::optional<DateSpan> {
            RangeNameDialog dialog(RangeNameDialog::Kind::Purge, parent);
            dialog.exec();
            if (!dialog.accepted())
                return std::nullopt;
            return dialog.range();
        },
        &progress);
}

void FGRESTORE(int what, QWidget* parent)
{
    WaitProgress progress(parent);
    if (what == 2) {
        (void)FGRESTORE2(&progress);
        return;
    }
    (void)FGRESTORE1(
        [parent]() -> std::optional<std::string> {
            RangeNameDialog dialog(RangeNameDialog::Kind::Restore, parent);
            dialog.exec();
            if (!dialog.accepted())
                return std::nullopt;
            return dialog.name();
        },
        &progress);
}

void registerMaintenanceActions(shell::Dispatcher& dispatcher)
{
    using shell::Action;
    dispatcher.registerAction(Action::FGINDEX, [](int) { FGINDEX(); });
    dispatcher.registerAction(Action::FGBACKUP1, [](int) { FGBACKUP(1); });
    dispatcher.registerAction(Action::FGBACKUP2, [](int) { FGBACKUP(2); });
    dispatcher.registerAction(Action::FGDELETE, [](int) { FGDELETE(); });
    dispatcher.registerAction(Action::FGRESTORE1, [](int) { FGRESTORE(1); });
    dispatcher.registerAction(Action::FGRESTORE2, [](int) { FGRESTORE(2); });
}

}  // namespace maintenance
