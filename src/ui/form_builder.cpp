#include "ui/form_builder.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/xbase.h"
#include "ui/thai_text.h"
#include "ui/widgets.h"

namespace ui {

Form::Form(core::ValueMap& values, std::vector<FormRow> rows, QWidget* parent) : QWidget(parent), m_values(values)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    std::vector<std::pair<std::string, QGridLayout*>> pages;
    QGridLayout* plain = nullptr;
    const auto gridFor = [&](const std::string& page) -> QGridLayout* {
        if (page.empty()) {
            if (!plain) {
                plain = new QGridLayout();
                outer->addLayout(plain);
            }
            return plain;
        }
        for (auto& [caption, grid] : pages)
            if (caption == page)
                return grid;
        if (!m_folder) {
            m_folder = new Folder(this);
            outer->addWidget(m_folder);
        }
        auto* pageWidget = new QWidget(m_folder);
        auto* grid = new QGridLayout(pageWidget);
        m_folder->addPage(pageWidget, page);
        pages.emplace_back(page, grid);
        return grid;
    };

    for (FormRow& row : rows) {
        const core::Value& current = values.get(row.name);
        int width = row.width;
        if (width <= 0)
            width = current.isText() ? int(current.asText().size()) : 10;
        auto* field = new EntryField(Picture::parse(row.picture, current.type(), std::max(1, width)), this);
        field->setMasked(row.masked);
        if (row.displayChars > 0)
            field->setDisplayChars(row.displayChars);
        field->setValue(current);
        QLabel* label = nullptr;
        if (!row.label.empty()) {
            label = new QLabel(fromTis(row.label), this);
            label->setBuddy(field);
        }
        if (row.gridRow >= 0) {
            if (label)
                addToCell(row.gridRow, row.gridColumn, label, true);
            addToCell(row.gridRow, row.gridColumn, field);
        } else {
            QGridLayout* grid = gridFor(row.page);
            const int r = grid->rowCount();
            if (label)
                grid->addWidget(label, r, 0);
            grid->addWidget(field, r, 1, Qt::AlignLeft);
        }

        const std::string name = row.name;
        connect(field, &EntryField::committed, this, [this, name](const core::Value& v) { m_values.set(name, v); });
        const int recalc = row.recalc;
        connect(field, &EntryField::leftValid, this, [this, recalc] {
            if (recalc >= 0 && m_recalc)
                m_recalc(recalc);
            updateEnabled();
        });
        field->setValidation(row.validation);
        m_bound.push_back({std::move(row), field, label});
    }
    // The rows of a page stand at its top, the space left below them.
    for (auto& [caption, grid] : pages)
        grid->setRowStretch(grid->rowCount(), 1);
    if (plain)
        plain->setColumnStretch(2, 1);
    if (m_grid)
        outer->addStretch(1);
    m_values.setObserver([this](const std::string& name) {
        if (EntryField* f = field(name))
            f->setValue(m_values.get(name));
    });
    updateEnabled();
}

Form::~Form()
{
    m_values.setObserver(nullptr);
}

EntryField* Form::field(std::string_view name) const
{
    for (const Bound& b : m_bound)
        if (core::xbase::equalsNoCase(b.row.name, name))
            return b.field;
    return nullptr;
}

QLabel* Form::label(std::string_view name) const
{
    for (const Bound& b : m_bound)
        if (core::xbase::equalsNoCase(b.row.name, name))
            return b.label;
    return nullptr;
}

// The entries of a grid cell: a row of widgets in the cell's entry column, packed to the left
// (entries and the labels of a heading band over them line up).
QHBoxLayout* Form::cell(int gridRow, int gridColumn)
{
    for (auto& [at, box] : m_cells)
        if (at == std::make_pair(gridRow, gridColumn))
            return box;
    if (!m_grid) {
        m_grid = new QGridLayout();
        m_grid->setVerticalSpacing(3);  // a screen of twenty lines fits a 768-line display
        static_cast<QVBoxLayout*>(layout())->addLayout(m_grid);
    }
    auto* box = new QHBoxLayout();
    box->setContentsMargins(0, 0, 0, 0);
    box->addStretch(1);
    m_grid->addLayout(box, gridRow, gridColumn * 2 + 1);
    m_cells.push_back({{gridRow, gridColumn}, box});
    return box;
}

void Form::addToCell(int gridRow, int gridColumn, QWidget* widget, bool asLabel)
{
    if (asLabel) {
        (void)cell(gridRow, gridColumn);
        m_grid->addWidget(widget, gridRow, gridColumn * 2);
        return;
    }
    QHBoxLayout* box = cell(gridRow, gridColumn);
    box->insertWidget(box->count() - 1, widget);
}

void Form::refresh()
{
    for (const Bound& b : m_bound)
        b.field->setValue(m_values.get(b.row.name));
    updateEnabled();
}

void Form::updateEnabled()
{
    for (const Bound& b : m_bound)
        if (b.row.enabledWhen)
            b.field->setEnabled(b.row.enabledWhen());
}

bool Form::commitPending()
{
    for (const Bound& b : m_bound)
        if (!b.field->commitPending())
            return false;
    return true;
}

bool Form::typing() const
{
    for (const Bound& b : m_bound)
        if (b.field->edited())
            return true;
    return false;
}

void Form::dropUntypedExits()
{
    for (const Bound& b : m_bound)
        b.field->dropUntypedExit();
}

FormDialog::FormDialog(const std::string& title, core::ValueMap& values, std::vector<FormRow> rows, QWidget* parent)
    : Dialog(title, parent), m_form(new Form(values, std::move(rows), this)), m_buttons(new QWidget(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_form);
    auto* buttons = new QHBoxLayout(m_buttons);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addStretch(1);
    buttons->addStretch(1);  // buttons go between the two: centred under the form
    layout->addWidget(m_buttons);
}

QPushButton* FormDialog::addButton(const std::string& caption, std::function<void()> action, bool validates)
{
    auto* button = new QPushButton(fromTis(caption), m_buttons);
    auto* layout = static_cast<QHBoxLayout*>(m_buttons->layout());
    layout->insertWidget(layout->count() - 1, button);
    if (!validates)
        button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, action = std::move(action), validates] {
        if (validates && !m_form->commitPending())
            return;
        if (action)
            action();
    });
    return button;
}

}  // namespace ui
