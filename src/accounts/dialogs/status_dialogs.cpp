#include "accounts/dialogs/status_dialogs.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/tis620.h"
#include "ui/thai_text.h"

namespace accounts {
namespace {

using core::tis620::T;

// Long texts scroll in a box of this many characters.
constexpr int kWidestBox = 40;

std::vector<ui::BrowseColumn> columnsOf(const StatusDef& def)
{
    std::vector<ui::BrowseColumn> out;
    for (const StatusColumn& c : def.columns)
        out.push_back({T(c.headingUtf8), c.width, c.number ? Qt::AlignRight : Qt::AlignLeft});
    return out;
}

std::vector<ui::FormRow> formRows(StatusEditor& model)
{
    std::vector<ui::FormRow> rows;
    for (const StatusEditorRow& row : model.def().rows) {
        const std::string name = row.value;
        const bool text = row.entry == StatusEntry::Code || row.entry == StatusEntry::Text ||
                          row.entry == StatusEntry::Name;
        const int width = model.width(row);
        ui::FormRow r{.label = StatusEditor::label(row),
                      .name = name,
                      .picture = row.picture,
                      .width = text ? width : 0,
                      .validation = [&model, name](ui::EntryField&) { return model.check(name); },
                      .displayChars = text ? std::min(width, kWidestBox) : 0};
        if (row.entry == StatusEntry::Name)
            r.enabledWhen = [] { return false; };
        rows.push_back(std::move(r));
    }
    return rows;
}

}  // namespace

// ---- The list

StatusListDialog::StatusListDialog(StatusScreen& model, QWidget* parent)
    : ui::Dialog(model.title(), parent), m_model(model),
      m_browse(new ui::BrowseWidget(model.source(), columnsOf(model.def()), this))
{
    auto* layout = new QVBoxLayout(this);
    int width = 0;
    for (const ui::BrowseColumn& c : m_browse->columns())
        width += c.width;
    m_browse->setMinimumSize(width + 24, 360);
    layout->addWidget(m_browse, 1);

    auto* buttons = new QHBoxLayout();
    addButton(Button::Add, "เ&พิ่ม", [this] { m_model.add(); })->setEnabled(model.canAdd());
    addButton(Button::Change, "แ&ก้ไข", [this] { m_model.change(); })->setEnabled(model.canChange());
    addButton(Button::Mark, "&ลบ", [this] { m_model.mark(); })->setEnabled(model.canMark());
    addButton(Button::Top, "&บนสุด", [this] { m_model.top(); });
    addButton(Button::Bottom, "ล่าง&สุด", [this] { m_model.bottom(); });
    addButton(Button::Exit, "&ออก", [this] { accept(); });
    for (const auto& [b, w] : m_buttons)
        buttons->addWidget(w);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(m_browse, &ui::BrowseWidget::activated, this, [this](int how) { m_model.activate(how); });
    m_model.browse().setView({.refresh = [this] { m_browse->refreshAll(); },
                              .focus = [this] { m_browse->setFocus(); },
                              .visibleRows = [this] { return m_browse->visibleRows(); },
                              .setRowPos = [this](int line) { m_browse->setHighlightLine(line - 1); }});
    m_browse->setFocus();
}

StatusListDialog::~StatusListDialog()
{
    m_model.browse().setView({});
}

QPushButton* StatusListDialog::addButton(Button b, const char* captionUtf8, std::function<void()> action)
{
    auto* w = new QPushButton(ui::fromTis(T(captionUtf8)), this);
    w->setAutoDefault(false);
    connect(w, &QPushButton::clicked, this, std::move(action));
    m_buttons.emplace_back(b, w);
    return w;
}

QPushButton* StatusListDialog::button(Button b) const
{
    for (const auto& [which, w] : m_buttons)
        if (which == b)
            return w;
    return nullptr;
}

// ---- The row editor

StatusEditorDialog::StatusEditorDialog(StatusEditor& model, QWidget* parent)
    : ui::FormDialog(model.title(), model.values(), formRows(model), parent), m_model(model)
{
    m_save = addButton(T("&บันทึก"), [this] {
        if (m_model.save())
            accept();
    });
    m_cancel = addButton(T("&ยกเลิก"), [this] { reject(); }, false);
}

void StatusEditorDialog::reject()
{
    if (m_model.mayCancel(form().typing()))
        ui::FormDialog::reject();
}

// ---- The screens and the menu

void QtStatusScreens::showList(StatusScreen& screen)
{
    StatusListDialog dialog(screen);
    dialog.exec();
}

void QtStatusScreens::showEditor(StatusEditor& editor)
{
    StatusEditorDialog dialog(editor);
    dialog.exec();
}

void registerStatusActions(shell::Dispatcher& dispatcher)
{
    static QtStatusScreens screens;
    setStatusScreens(&screens);
    for (int n = 1; n <= kStatusScreens; ++n)
        dispatcher.registerAction(shell::Action(int(shell::Action::EDITPROC1) + n - 1),
                                  [n](int level) { EDITPROC(n, level); });
}

}  // namespace accounts
