// The reports on the screen: REPSELECT's list of reports (rows marked for deletion in red), the
// range dialog of the seven forms (built with the form builder from the session's ranges, a
// progress bar under them, the printer set-up whose choice the dialog's runs print on, OK and
// cancel), and the menu's REPORT command. The rules live in reports::ReportSession
// and ReportPicker; these only lay out and forward. GUI thread only.
#pragma once

#include <QPushButton>
#include <optional>

#include "reports/report.h"
#include "ui/dialog.h"
#include "ui/form_builder.h"

namespace shell {
class Dispatcher;
}
namespace ui {
class BrowseWidget;
class EntryField;
class ProgressBar;
}  // namespace ui
namespace reports {

class ReportPickerDialog : public ui::Dialog {
    Q_OBJECT
public:
    enum Button { Ok, Top, Bottom, Search, Count_ };

    explicit ReportPickerDialog(ReportPicker& picker, QWidget* parent = nullptr);

    ui::BrowseWidget* browse() const { return m_browse; }
    ui::EntryField* searchBox() const { return m_search; }
    QPushButton* button(Button b) const { return m_buttons[b]; }

private:
    void choose();

    ReportPicker& m_picker;
    ui::BrowseWidget* m_browse;
    ui::EntryField* m_search;
    QPushButton* m_buttons[Count_] = {};
};

class RangeDialog : public ui::FormDialog {
    Q_OBJECT
public:
    enum Button { Printing, Ok, Cancel, Count_ };

    // The session has its form open; the printer set-up button asks the destination's set-up, OK
    // runs REPCREA onto the destination and closes the dialog.
    RangeDialog(ReportSession& session, ReportDestination& destination, QWidget* parent = nullptr);

    ui::ProgressBar* progressBar() const { return m_progress; }
    QPushButton* button(Button b) const { return m_buttons[b]; }
    // What OK's run gave; nullopt while it has not run (cancelled).
    std::optional<ReportOutcome> outcome() const { return m_outcome; }

private:
    static std::vector<ui::FormRow> rows(ReportSession& session);
    void run();

    ReportSession& m_session;
    ReportDestination& m_destination;
    ui::ProgressBar* m_progress;
    QPushButton* m_buttons[Count_] = {};
    std::optional<ReportOutcome> m_outcome;
};

// The two dialogs as REPORT shows them.
class QtReportScreens final : public ReportScreens {
public:
    bool chooseReport(ReportPicker& picker) override;
    void askRanges(ReportSession& session) override;
};

// Installs the Qt screens and registers REPORT (the menu's "รายงานต่างๆ", the first button and the
// main picture's report area; rights position 15) with the dispatcher.
void registerReportActions(shell::Dispatcher& dispatcher);

}  // namespace reports
