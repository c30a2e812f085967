// The login dialog (PASSWC) and the announcement (WELMESS) on the screen: thin dialogs over
// shell::LoginModel and shell::announcement(). GUI thread only.
#pragma once

#include <QLabel>

#include "shell/login.h"
#include "ui/form_builder.h"

namespace shell {

// A picture that reacts to a left click (the hand cursor over it). An unreadable file leaves it
// empty.
class ClickablePicture : public QLabel {
    Q_OBJECT
public:
    explicit ClickablePicture(const std::string& path, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

class LoginDialog : public ui::FormDialog {
    Q_OBJECT
public:
    explicit LoginDialog(LoginModel& model, QWidget* parent = nullptr);

    ui::EntryField* codeField() const { return form().field("USER"); }
    ui::EntryField* passwordField() const { return form().field("PASSWORD"); }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }
    ClickablePicture* picture() const { return m_picture; }

private:
    ui::Form& form() const { return const_cast<LoginDialog*>(this)->FormDialog::form(); }
    void ok();

    LoginModel& m_model;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    ClickablePicture* m_picture = nullptr;
};

// PASSWC: the login dialog until a user logged in or the person cancelled; true when logged in.
bool PASSWC(QWidget* parent = nullptr);

// WELMESS: the announcement file in an editable box (changes are not kept), when the file exists.
// Always false.
bool WELMESS(QWidget* parent = nullptr);

}  // namespace shell
