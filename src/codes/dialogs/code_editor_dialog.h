// A code record editor on the screen: the form of a codes::CodeEditor built by the form builder from
// the editor's rows, with Save and Cancel - and for the employee editor at level 6 the password and
// rights buttons, which open the user dialogs on the row being edited. GUI thread only; the model
// outlives the dialog.
#pragma once

#include "codes/code_editor.h"
#include "ui/form_builder.h"

class QPushButton;

namespace codes {

class CodeEditorDialog : public ui::FormDialog {
    Q_OBJECT
public:
    explicit CodeEditorDialog(CodeEditor& model, QWidget* parent = nullptr);

    QPushButton* saveButton() const { return m_save; }
    QPushButton* cancelButton() const { return m_cancel; }
    // Cancel, Escape and the close box: the form closes without saving once the model allows it
    // (asked when something was typed).
    void reject() override;
    QPushButton* passwordButton() const { return m_password; }  // nullptr unless offered
    QPushButton* rightsButton() const { return m_rights; }      // nullptr unless offered

private:
    void placeBeside();

    CodeEditor& m_model;
    QPushButton* m_save = nullptr;
    QPushButton* m_password = nullptr;
    QPushButton* m_rights = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace codes
