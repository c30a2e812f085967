// The settings dialog (VARSET), the font choice (FONTSEL) and the user's password and rights
// editors (PASSUSER, TRUSTEE) on the screen: thin dialogs over the models of shell/varset.h and
// shell/user_editor.h. GUI thread only.
#pragma once

#include <QLabel>
#include <vector>

#include "shell/user_editor.h"
#include "shell/varset.h"
#include "ui/entry_field.h"
#include "ui/form_builder.h"

namespace shell {

// Three pages of fields edited in the program-wide settings, one OK button. Every way of closing
// keeps what was typed, but not while the field being edited fails its check.
class VarsetDialog : public ui::FormDialog {
    Q_OBJECT
public:
    explicit VarsetDialog(QWidget* parent = nullptr);
    ui::EntryField* field(const char* variable) const;
    QPushButton* okButton() const { return m_ok; }
    // The line naming the program's version and the SHA-256 of its executable; nullptr when the
    // program installed no identity.
    QLabel* identityLabel() const { return m_identity; }

    void done(int result) override;

private:
    QPushButton* m_ok = nullptr;
    QLabel* m_identity = nullptr;
};

// VARSET: the dialog, then the file written.
void VARSET(QWidget* parent = nullptr);

// FONTSEL(n): the platform font dialog preset with font n; the six fonts written afterwards.
void FONTSEL(int n, QWidget* parent = nullptr);

// The rights editor's 33 fields in three columns, each checked by TRUSCHK.
class TrusteeDialog : public ui::Dialog {
    Q_OBJECT
public:
    TrusteeDialog(RightsEditor& model, QWidget* parent = nullptr);
    ui::EntryField* field(int position) const { return m_fields[std::size_t(position - 1)]; }
    QPushButton* okButton() const { return m_ok; }

private:
    void ok();

    RightsEditor& m_model;
    std::vector<ui::EntryField*> m_fields;
    QPushButton* m_ok;
};

// PASSUSER and TRUSTEE on the current row of the users table; true when something was stored.
bool PASSUSER(storage::Table& users, QWidget* parent = nullptr);
bool TRUSTEE(storage::Table& users, QWidget* parent = nullptr);

}  // namespace shell
