#include "codes/dialogs/code_editor_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <algorithm>

#include "core/tis620.h"
#include "shell/dialogs/settings_dialogs.h"

namespace codes {
namespace {

using core::tis620::T;

// Long texts scroll in a box of this many characters.
constexpr int kWidestBox = 40;

std::vector<ui::FormRow> formRows(CodeEditor& model)
{
    std::vector<ui::FormRow> rows;
    for (const EditorRow& row : model.def().rows) {
        const std::string name = CodeEditor::valueName(row);
        const int width = model.width(row);
        int chars = std::min(width, kWidestBox);
        if (row.check == EntryCheck::Code && model.def().narrowCode)
            chars = std::max(1, width / 2);
        rows.push_back({.label = CodeEditor::label(row),
                        .name = name,
                        .picture = model.picture(row),
                        .width = width,
                        .validation = [&model, name](ui::EntryField&) { return model.check(name); },
                        .displayChars = model.values().get(name).isNumber() ? 0 : chars});
    }
    return rows;
}

}  // namespace

CodeEditorDialog::CodeEditorDialog(CodeEditor& model, QWidget* parent)
    : ui::FormDialog(model.title(), model.values(), formRows(model), parent), m_model(model)
{
    placeBeside();
    m_save = addButton(T("&บันทึก"), [this] {
        if (m_model.save())
            accept();
    });
    if (m_model.userButtons()) {
        m_password = addButton(T("ร&หัสผ่าน"), [this] { (void)shell::PASSUSER(m_model.table(), this); }, false);
        m_rights = addButton(T("&อำนาจ"), [this] { (void)shell::TRUSTEE(m_model.table(), this); }, false);
    }
    m_cancel = addButton(T("&ยกเลิก"), [this] { reject(); }, false);
}

void CodeEditorDialog::reject()
{
    if (m_model.mayCancel(form().typing()))
        ui::FormDialog::reject();
}

void CodeEditorDialog::placeBeside()
{
    const EditorRow* previous = nullptr;
    for (const EditorRow& row : m_model.def().rows) {
        if (row.beside && previous) {
            QWidget* field = form().field(CodeEditor::valueName(row));
            QWidget* left = form().field(CodeEditor::valueName(*previous));
            for (QGridLayout* grid : form().findChildren<QGridLayout*>()) {
                const int at = grid->indexOf(left);
                if (at < 0 || grid->indexOf(field) < 0)
                    continue;
                int r = 0, c = 0, rs = 0, cs = 0;
                grid->getItemPosition(at, &r, &c, &rs, &cs);
                grid->removeWidget(left);
                grid->removeWidget(field);
                // Both entries in one cell, the row's own entry first.
                auto* pair = new QWidget(&form());
                auto* layout = new QHBoxLayout(pair);
                layout->setContentsMargins(0, 0, 0, 0);
                layout->addWidget(left);
                layout->addWidget(field);
                grid->addWidget(pair, r, c, Qt::AlignLeft);
                break;
            }
        }
        previous = &row;
    }
    // Tab follows the rows, whatever cell an entry ended up in.
    QWidget* before = nullptr;
    for (const EditorRow& row : m_model.def().rows) {
        QWidget* field = form().field(CodeEditor::valueName(row));
        if (before && field)
            QWidget::setTabOrder(before, field);
        before = field;
    }
}

}  // namespace codes
