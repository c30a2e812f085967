// The edit log screen (AUDITLIST) on Qt: the browse of the log, the buttons the user's level
// allows with their message-bar texts, the 40-character search box, the date-range dialog shared
// by copy, purge and print, the file dialog of the copy and the print preview of the report.
// The rules live in audit::AuditList; this only lays out and forwards. GUI thread only.
#pragma once

#include <QPushButton>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "audit/audit_list.h"
#include "core/date.h"
#include "ui/dialog.h"

namespace shell {
class Dispatcher;
}
namespace ui {
class BrowseWidget;
class EntryField;
class MessageBar;
}  // namespace ui

namespace audit {

using DateRange = std::pair<core::Date, core::Date>;

// The date-range dialog: "from" and "to", both today at first, neither may be left empty; OK and
// cancel. nullopt when cancelled.
std::optional<DateRange> askDateRange(AuditList::RangeUse use, QWidget* parent = nullptr);

class AuditDialog : public ui::Dialog {
    Q_OBJECT
public:
    AuditDialog(AuditList& model, QWidget* parent = nullptr);

    // What the buttons ask the person, replaceable for tests.
    std::function<std::optional<DateRange>(AuditList::RangeUse)> askRange;
    std::function<std::string()> chooseCopyFile;  // "" when cancelled
    std::function<void(core::Date, core::Date)> printReport;

    QPushButton* button(AuditList::Button b) const { return m_buttons[int(b)]; }
    ui::BrowseWidget* browse() const { return m_browse; }
    ui::EntryField* searchBox() const { return m_search; }
    ui::MessageBar* messageBar() const { return m_messageBar; }

private:
    void search();
    void copy();
    void purge();
    void print();

    AuditList& m_model;
    ui::BrowseWidget* m_browse;
    ui::EntryField* m_search;
    ui::MessageBar* m_messageBar;
    QPushButton* m_buttons[int(AuditList::Button::Count_)] = {};
};

// AUDITLIST(level): opens the log, shows the screen, closes the log.
void AUDITLIST(int level, QWidget* parent = nullptr);

// Registers AUDITLIST with the main window's dispatcher (menu item "บันทึกการแก้ไข").
void registerAuditActions(shell::Dispatcher& dispatcher);

}  // namespace audit
