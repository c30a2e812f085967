// The weighing ticket screens on the screen (TRPROC1..TRPROC5): a thin Qt dialog over a
// weighing::TicketScreen - the form built by the form builder from the screen's rows (two columns
// of fields a line), the heading band, the weigh-in and weigh-out buttons, the small pay buttons,
// and the tool bar of twelve picture buttons - plus the Qt side of the dialogs the screen opens
// (the truck prompt, the lists, the search, the weight dialog) and the registration of the menu's
// five ticket commands. The dialog forwards presses and field exits to the model and redraws what
// the model says changed. Closing the window (its close box, Alt+F4, Escape) is the screen's own
// exit: while browsing it closes, in a weighing or edit it is the cancel button. GUI thread only; the
// screen outlives its dialog.
#pragma once

#include <array>

#include "shell/menu.h"
#include "ui/dialog.h"
#include "ui/form_builder.h"
#include "weighing/ticket_screen.h"

class QAbstractButton;
class QPushButton;

namespace ui {
class MessageBar;
class PictureButton;
}

namespace weighing {

class TicketDialog : public ui::ScreenDialog, private TicketScreenListener {
    Q_OBJECT
public:
    explicit TicketDialog(TicketScreen& screen, QWidget* parent = nullptr);
    ~TicketDialog() override;

    TicketScreen& screen() { return m_screen; }
    ui::Form& form() { return *m_form; }
    // Any of the screen's buttons: the tool bar's (ui::PictureButton), weigh in and out, pay 1..3.
    QAbstractButton* button(TicketButton b) const { return m_buttons[std::size_t(b)]; }
    // Runs a button's action as its click does (the print button's right click: alternate).
    void press(TicketButton b, bool alternate = false);
    ui::MessageBar& messageBar() const { return *m_messageBar; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void controlsChanged() override;
    void focusRequested(const std::string& target) override;
    void fieldMissing(const std::string& name, const std::string& note) override;
    std::vector<ui::FormRow> formRows();
    void buildExtras();
    void buildToolBar(QWidget* under);
    bool commitField();

    TicketScreen& m_screen;
    ui::Form* m_form = nullptr;
    ui::MessageBar* m_messageBar = nullptr;
    std::array<QAbstractButton*, std::size_t(TicketButton::Count_)> m_buttons{};
};

// The dialogs a ticket screen opens, on Qt: the truck prompt (a form over its own value cTrk,
// copied to the screen on OK and from it after the "..." list), the list and search dialogs, and
// READW's weight dialog. Each is modal over the active window.
class QtTicketHost final : public TicketHost {
public:
    bool askTruck(TicketScreen& screen) override;
    void chooseFromList(ListDialogModel& list) override;
    void searchDocuments(SearchDialogModel& search) override;
    void readWeight(int which, scale::WeighTarget& target) override;
};

// TRPROC1..TRPROC5: the screen of the kind opened (nothing shows when its tables cannot be
// opened), its dialog run to its end, every table closed.
void TRPROC(int kind, int level);

// Registers TRPROC1..TRPROC5 (rights positions 1..5; also the main picture's hot spots) with the
// dispatcher; each receives the user's level for its kind.
void registerTicketActions(shell::Dispatcher& dispatcher);

}  // namespace weighing
