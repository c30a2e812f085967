#include "shell/dialogs/settings_dialogs.h"

#include <QFontDialog>
#include <QFontInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "core/identity.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "shell/menu.h"
#include "ui/fonts.h"
#include "ui/thai_text.h"
#include "ui/widgets.h"

namespace shell {
namespace {

using core::tis620::T;

std::vector<ui::FormRow> varsetRows()
{
    std::vector<ui::FormRow> rows;
    for (const VarsetField& f : varsetFields()) {
        ui::FormRow r;
        r.label = T(f.label);
        r.name = f.variable;
        r.picture = f.picture;
        r.width = f.width;
        r.displayChars = f.displayChars;
        r.page = T(f.page);
        if (f.check != VarsetField::Check::None) {
            const VarsetField* field = &f;
            r.validation = [field](ui::EntryField& e) {
                bool ok = true;
                const core::Value v = e.value(&ok);
                return VarsetModel::check(*field, v.isText() ? v.asText() : std::string());
            };
        }
        rows.push_back(std::move(r));
    }
    return rows;
}

// The caption of a FONTSEL item of the menu, for the font dialog's title.
std::string fontItemCaption(int n)
{
    const Action a = Action(int(Action::FONTSEL1) + n - 1);
    for (const Menu& m : mainMenu())
        for (const MenuEntry& e : m.entries)
            if (e.kind == MenuEntry::Kind::Item && e.action == a)
                return T(e.caption);
    return {};
}

// The settings of a font the dialog confirmed.
FontChoice fontChoice(const FontChoice& preset, const QFont& initial, const QFont& chosen)
{
    FontChoice c = preset;
    // A face left as it was keeps the name the site uses; another one is stored as installed.
    const bool sameFace = chosen.family() == initial.family();
    if (!sameFace)
        c.face = ui::toTis(chosen.family());
    // Sizes go back through the face's size factor; a size left as it was keeps its setting
    // exactly rather than coming back rounded.
    const int pixels = chosen.pixelSize() > 0 ? chosen.pixelSize() : QFontInfo(chosen).pixelSize();
    if (!sameFace || pixels != QFontInfo(initial).pixelSize())
        c.height = std::round(pixels / ui::sizeFactor(c.face));
    return c;
}

}  // namespace

VarsetDialog::VarsetDialog(QWidget* parent)
    : ui::FormDialog(VarsetModel::title(), core::programSettings(), varsetRows(), parent)
{
    m_ok = addButton(VarsetModel::okCaption(), [this] { accept(); });
    // The program's identity under the pages, selectable so an inspector can copy it.
    if (const std::string& identity = core::programIdentity(); !identity.empty()) {
        m_identity = new QLabel(QString::fromStdString(identity), this);
        m_identity->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_identity->setWordWrap(true);
        QFont small = m_identity->font();
        small.setPointSizeF(small.pointSizeF() * 0.8);
        m_identity->setFont(small);
        static_cast<QVBoxLayout*>(layout())->insertWidget(1, m_identity);
    }
}

ui::EntryField* VarsetDialog::field(const char* variable) const
{
    return const_cast<VarsetDialog*>(this)->form().field(variable);
}

void VarsetDialog::done(int result)
{
    // Closing keeps what was typed, so the field being edited must pass its check first, then every
    // other field: one left failing on a page no longer shown gets its page and the focus back.
    const bool committed = form().commitPending();
    if (const VarsetField* failing = VarsetModel::firstFailing(core::programSettings())) {
        ui::EntryField* entry = field(failing->variable);
        if (ui::Folder* folder = form().folder())
            for (int i = 0; i < folder->count(); ++i)
                if (folder->widget(i)->isAncestorOf(entry))
                    folder->setCurrentIndex(i);
        entry->setFocus();
        entry->selectAll();
        return;
    }
    if (!committed)
        return;
    // Written now, so a file that cannot be written keeps the dialog open with what was typed.
    VarsetModel model;
    if (!model.close()) {
        VarsetModel::padFolders();
        form().refresh();
        core::prompts().message(core::MessageKind::Stop, settingsNotSavedMessage(), VarsetModel::title());
        return;
    }
    ui::FormDialog::done(result);
}

void VARSET(QWidget* parent)
{
    VarsetModel model;
    model.open();
    VarsetDialog dialog(parent);
    dialog.exec();
}

void FONTSEL(int n, QWidget* parent)
{
    FontSelModel model(n);
    const FontChoice preset = model.preset();
    const QFont initial = ui::makeFont(preset.face, preset.width, int(std::lround(preset.height)));
    const std::string title = "  " + fontItemCaption(n);
    QFont shown = initial;
    for (;;) {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, shown, parent, ui::fromTis(title));
        if (model.close(ok ? std::optional<FontChoice>(fontChoice(preset, initial, chosen)) : std::nullopt))
            return;
        core::prompts().message(core::MessageKind::Stop, settingsNotSavedMessage(), title);
        // A choice that could not be written is offered again; a cancelled one changed nothing.
        if (!ok)
            return;
        shown = chosen;
    }
}

TrusteeDialog::TrusteeDialog(RightsEditor& model, QWidget* parent)
    : ui::Dialog(model.title(), parent), m_model(model), m_ok(new QPushButton(ui::fromTis(T("&ตกลง")), this))
{
    constexpr int kPerColumn = 11;
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout();
    layout->addLayout(grid);
    for (int p = 1; p <= kRightsPositions; ++p) {
        auto* field = new ui::EntryField(ui::Picture::parse("9", core::Value::Type::Text, 1), this);
        field->setValue(core::Value::text(model.cell(p)));
        field->setValidation([this, p](ui::EntryField& f) {
            bool ok = true;
            const std::string digit = f.value(&ok).asText();
            if (!RightsEditor::check(digit))
                return false;
            m_model.setCell(p, digit);
            return true;
        });
        auto* label = new QLabel(QString::fromUtf8(rightsLabel(p)), this);
        label->setBuddy(field);
        const int column = (p - 1) / kPerColumn * 2, row = (p - 1) % kPerColumn;
        grid->addWidget(label, row, column);
        grid->addWidget(field, row, column + 1);
        m_fields.push_back(field);
    }
    auto* buttons = new QHBoxLayout();
    auto* cancel = new QPushButton(ui::fromTis(T("&ยกเลิก")), this);
    cancel->setFocusPolicy(Qt::NoFocus);  // leaving a field for Cancel runs no check
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    m_ok->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, &TrusteeDialog::ok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TrusteeDialog::ok()
{
    for (ui::EntryField* f : m_fields)
        if (!f->commitPending())
            return;
    accept();
}

bool PASSUSER(storage::Table& users, QWidget* parent)
{
    PasswordChange model(users);
    core::ValueMap values;
    for (const char* name : {"OLD", "NEW", "REPEAT"})
        values.setText(name, std::string(6, ' '));
    const auto check = [](ui::EntryField& f) {
        bool ok = true;
        return PasswordChange::fieldCheck(f.value(&ok).asText());
    };
    ui::FormDialog dialog(model.title(), values,
                          {
                              {.label = PasswordChange::oldLabel(), .name = "OLD", .picture = "@!", .width = 6,
                               .validation = check, .masked = true},
                              {.label = PasswordChange::newLabel(), .name = "NEW", .picture = "@!", .width = 6,
                               .validation = check, .masked = true},
                              {.label = PasswordChange::repeatLabel(), .name = "REPEAT", .picture = "@!", .width = 6,
                               .validation = check, .masked = true},
                          },
                          parent);
    // Every field must pass its check, also one never entered: a blank new password would
    // otherwise be stored and open the account to an empty password.
    dialog.addButton(T("&ตกลง"), [&dialog, &values] {
        for (const char* name : {"OLD", "NEW", "REPEAT"})
            if (!PasswordChange::fieldCheck(values.text(name))) {
                dialog.form().field(name)->setFocus();
                return;
            }
        dialog.accept();
    });
    dialog.addButton(T("&ยกเลิก"), [&dialog] { dialog.reject(); }, false);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return model.ok(values.text("OLD"), values.text("NEW"), values.text("REPEAT"));
}

bool TRUSTEE(storage::Table& users, QWidget* parent)
{
    RightsEditor model(users);
    TrusteeDialog dialog(model, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return model.ok();
}

}  // namespace shell
