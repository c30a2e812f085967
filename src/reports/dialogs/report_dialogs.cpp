#include "reports/dialogs/report_dialogs.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "codes/table_browse.h"
#include "core/print_destination.h"
#include "core/tis620.h"
#include "reports/tables.h"
#include "shell/menu.h"
#include "ui/browse_widget.h"
#include "ui/entry_field.h"
#include "ui/qt_print_job.h"
#include "ui/thai_text.h"
#include "ui/widgets.h"

namespace reports {
namespace {

using core::tis620::T;

}  // namespace

// ---- REPSELECT

ReportPickerDialog::ReportPickerDialog(ReportPicker& picker, QWidget* parent)
    : ui::Dialog(ReportPicker::title(), parent), m_picker(picker)
{
    std::vector<ui::BrowseColumn> columns;
    int width = 0;
    for (const ReportPicker::Column& c : ReportPicker::columns()) {
        columns.push_back({T(c.headingUtf8), c.width, Qt::AlignLeft});
        width += c.width;
    }
    m_browse = new ui::BrowseWidget(picker.rows(), columns, this);
    m_browse->setHeaderColours(ui::windowsColour(ui::kWindowsWhite), ui::windowsColour(ui::kWindowsBlue));
    m_browse->setHighlightColour(ui::windowsColour(ui::kWindowsGreen));
    m_browse->setRowColour([](const ui::BrowseWindow::Row& r) { return codes::SELCOLOR(r.deleted); });
    picker.browse().setView({.refresh = [this] { m_browse->refreshAll(); },
                             .focus = [this] { m_browse->setFocus(); },
                             .visibleRows = [this] { return m_browse->visibleRows(); },
                             .setRowPos = [this](int line) { m_browse->setHighlightLine(line - 1); }});

    m_search = new ui::EntryField(ui::Picture::text(ReportPicker::kSearchWidth), this);
    m_search->setDisplayChars(ReportPicker::kSearchWidth);

    const char* const captions[Count_] = {"&ตกลง", "&บนสุด", "&ล่างสุด", "&ค้นหา"};
    for (int b = 0; b < Count_; ++b) {
        m_buttons[b] = new QPushButton(ui::fromTis(T(captions[b])), this);
        m_buttons[b]->setAutoDefault(false);
    }
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(m_search, 1);
    searchRow->addWidget(m_buttons[Search]);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (const Button b : {Ok, Top, Bottom})
        buttons->addWidget(m_buttons[b]);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browse, 1);
    layout->addLayout(searchRow);
    layout->addLayout(buttons);

    connect(m_browse, &ui::BrowseWidget::activated, this, [this](int) { choose(); });
    connect(m_buttons[Ok], &QPushButton::clicked, this, [this] { choose(); });
    connect(m_buttons[Top], &QPushButton::clicked, this, [this] { m_picker.top(); });
    connect(m_buttons[Bottom], &QPushButton::clicked, this, [this] { m_picker.bottom(); });
    connect(m_buttons[Search], &QPushButton::clicked, this, [this] {
        m_search->commitPending();
        m_picker.search(ui::toTis(m_search->text()));
    });
    resize(width + 60, 420);
    m_browse->setFocus();
}

void ReportPickerDialog::choose()
{
    if (m_picker.choose())
        accept();
}

// ---- The range dialog

std::vector<ui::FormRow> RangeDialog::rows(ReportSession& session)
{
    std::vector<ui::FormRow> out;
    int line = 0;
    for (const RangeDef& r : session.ranges()) {
        ++line;
        for (const char* name : {r.from, r.to}) {
            ui::FormRow row;
            row.label = name == r.from ? T(r.labelUtf8) : std::string();
            row.name = name;
            row.gridRow = line;
            switch (r.kind) {
            case RangeDef::Kind::Code:
                row.picture = "@!";
                row.width = 10;
                row.validation = [&session, r, name = std::string(name)](ui::EntryField&) {
                    return session.pickRange(r, name);
                };
                break;
            case RangeDef::Kind::Number:
                row.picture = "999999";
                row.width = 6;
                break;
            case RangeDef::Kind::Date:
                break;
            }
            out.push_back(std::move(row));
        }
    }
    return out;
}

RangeDialog::RangeDialog(ReportSession& session, ReportDestination& destination, QWidget* parent)
    : ui::FormDialog(T(kSelectionTitleUtf8), session.values(), rows(session), parent), m_session(session),
      m_destination(destination), m_progress(new ui::ProgressBar(this))
{
    // The progress bar under the ranges, above the buttons.
    static_cast<QVBoxLayout*>(layout())->insertWidget(1, m_progress);
    m_progress->setPercent(0);
    m_buttons[Printing] = addButton(T("การ&พิมพ์"), [this] { (void)m_destination.setUp(kReportJobTitle); }, false);
    m_buttons[Ok] = addButton(T("&ตกลง"), [this] { run(); });
    m_buttons[Cancel] = addButton(T("&ยกเลิก"), [this] { reject(); }, false);
}

void RangeDialog::run()
{
    // A range that cannot run keeps the dialog, the focus on the date to correct.
    std::string failed;
    if (!m_session.datesValid(&failed)) {
        if (ui::EntryField* f = form().field(failed))
            f->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_outcome = m_session.REPCREA(m_destination, [this](int percent) { m_progress->setPercent(percent); });
    accept();
}

// ---- REPORT on the screen

bool QtReportScreens::chooseReport(ReportPicker& picker)
{
    ReportPickerDialog dialog(picker);
    dialog.exec();
    return picker.chosen();
}

void QtReportScreens::askRanges(ReportSession& session)
{
    ui::QtPrinters printers;
    const auto jobOn = [](const std::string& printer, bool preview) -> std::unique_ptr<core::PrintJob> {
        return ui::printJobOn(printer, preview, "Report");
    };
    ReportDestination destination(core::printDestination(), printers, jobOn);
    RangeDialog dialog(session, destination);
    dialog.exec();
}

void registerReportActions(shell::Dispatcher& dispatcher)
{
    static QtReportScreens screens;
    setReportScreens(&screens);
    dispatcher.registerAction(shell::Action::REPORT, [](int) { REPORT(); });
}

}  // namespace reports
