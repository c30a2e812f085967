// The status screens on the screen: the list dialog over an accounts::StatusScreen (the browse of
// the ledger with the system's colours, the buttons below it), the row editor's form built by the
// form builder from the editor's rows, the Qt implementation of accounts::StatusScreens, and the
// registration of the menu's four status commands. Both dialogs are thin: they forward buttons,
// Enter, double clicks and field exits to the models and redraw what the models changed. GUI
// thread only; the models outlive the dialogs.
#pragma once

#include <functional>
#include <vector>

#include "accounts/status_screen.h"
#include "shell/menu.h"
#include "ui/browse_widget.h"
#include "ui/dialog.h"
#include "ui/form_builder.h"

class QPushButton;

namespace accounts {

class StatusListDialog : public ui::Dialog {
    Q_OBJECT
public:
    enum class Button { Add, Change, Mark, Top, Bottom, Exit };

    explicit StatusListDialog(StatusScreen& model, QWidget* parent = nullptr);
    ~StatusListDialog() override;

    ui::BrowseWidget* browse() const { return m_browse; }
    QPushButton* button(Button b) const;

private:
    QPushButton* addButton(Button b, const char* captionUtf8, std::function<void()> action);

    StatusScreen& m_model;
    ui::BrowseWidget* m_browse;
    std::vector<std::pair<Button, QPushButton*>> m_buttons;
};

class StatusEditorDialog : public ui::FormDialog {
    Q_OBJECT
public:
    explicit StatusEditorDialog(StatusEditor& model, QWidget* parent = nullptr);

    QPushButton* saveButton() const { return m_save; }
    QPushButton* cancelButton() const { return m_cancel; }
    // Cancel, Escape and the close box: the form closes without saving once the model allows it
    // (asked when something was typed).
    void reject() override;

private:
    StatusEditor& m_model;
    QPushButton* m_save = nullptr;
    QPushButton* m_cancel = nullptr;
};

class QtStatusScreens final : public StatusScreens {
public:
    void showList(StatusScreen& screen) override;
    void showEditor(StatusEditor& editor) override;
};

// Installs the Qt screens and registers EDITPROC1 .. EDITPROC4 (rights positions 11 .. 14) with
// the dispatcher; each receives the user's level at its position.
void registerStatusActions(shell::Dispatcher& dispatcher);

}  // namespace accounts
