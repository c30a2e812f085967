// The money voucher and production screens on the screen (MNPROC1..MNPROC4, SKPROC1): a thin Qt
// dialog over an accounts::DocumentScreen - the form built by the form builder from the screen's
// rows (two columns of fields a line), the small settlement buttons, the lines browse with its
// three buttons, and the tool bar of twelve picture buttons - plus the Qt side of the dialogs the
// screens open (the line dialog, the ticket selection, the search) and the registration of the
// menu's five commands. The dialogs forward presses, Enter, double clicks and field exits to the
// models and redraw what the models say changed; the screen's dialog closes only when the model
// allows it (browsing, and a payment or receipt settled). GUI thread only; models outlive dialogs.
#pragma once

#include <array>

#include "accounts/document_screen.h"
#include "accounts/voucher_lines.h"
#include "shell/menu.h"
#include "ui/browse_widget.h"
#include "ui/dialog.h"
#include "ui/form_builder.h"

class QAbstractButton;
class QPushButton;

namespace ui {
class MessageBar;
}

namespace accounts {

class DocumentDialog : public ui::ScreenDialog, private DocumentScreenListener {
    Q_OBJECT
public:
    explicit DocumentDialog(DocumentScreen& screen, QWidget* parent = nullptr);
    ~DocumentDialog() override;

    DocumentScreen& screen() { return m_screen; }
    ui::Form& form() { return *m_form; }
    // The lines browse (nullptr without lines) and any of the screen's buttons.
    ui::BrowseWidget* lines() const { return m_lines; }
    QAbstractButton* button(DocButton b) const { return m_buttons[std::size_t(b)]; }
    // Runs a button's action as its click does.
    void press(DocButton b);

private:
    void controlsChanged() override;
    void focusRequested(const std::string& target) override;
    void fieldMissing(const std::string& name, const std::string& note) override;
    std::vector<ui::FormRow> formRows();
    void buildPayButtons();
    void buildLines();
    void buildToolBar();

    DocumentScreen& m_screen;
    ui::Form* m_form = nullptr;
    ui::MessageBar* m_messageBar = nullptr;
    ui::BrowseWidget* m_lines = nullptr;
    std::array<QAbstractButton*, std::size_t(DocButton::Count_)> m_buttons{};
};

// A line dialog: the editor's form, "&บันทึก" (closes when the editor's save() agrees) and
// "&ยกเลิก" (closes, nothing stored).
class LineDialog : public ui::FormDialog {
    Q_OBJECT
public:
    explicit LineDialog(LineEditor& editor, QWidget* parent = nullptr);

    QPushButton* saveButton() const { return m_save; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    LineEditor& m_editor;
    QPushButton* m_save = nullptr;
    QPushButton* m_cancel = nullptr;
};

// The ticket selection "  ข้อมูลการชั่งรับ/ส่งสินค้า": the rows, marked ones in blue, a double
// click toggling a row, the buttons of MNFILLCHK 2-6 and "ตกลง" (accept and close).
class TicketSelectionDialog : public ui::Dialog {
    Q_OBJECT
public:
    explicit TicketSelectionDialog(TicketSelection& selection, QWidget* parent = nullptr);
    ~TicketSelectionDialog() override;

    ui::BrowseWidget* browse() const { return m_browse; }
    // 0..4 the buttons of MNFILLCHK modes 2..6, 5 "ตกลง".
    QPushButton* button(int index) const { return m_buttons[std::size_t(index)]; }

private:
    TicketSelection& m_selection;
    ui::BrowseWidget* m_browse;
    std::array<QPushButton*, 6> m_buttons{};
};

class QtDocumentHost final : public DocumentHost {
public:
    void searchDocuments(weighing::SearchDialogModel& search) override;
    void editLine(LineEditor& editor) override;
    void selectTickets(TicketSelection& selection) override;
};

// MNPROC1..MNPROC4 and SKPROC1: the screen opened (nothing shows when its tables cannot be opened),
// its dialog run to its end, every table closed.
void MNPROC(int kind, int level);
void SKPROC1(int level);

// Registers MNPROC1..MNPROC4 (rights positions 6..9) and SKPROC1 (position 10; also the main
// picture's hot spots) with the dispatcher; each receives the user's level at its position.
void registerVoucherActions(shell::Dispatcher& dispatcher);

}  // namespace accounts
