#include "weighing/dialogs/document_dialogs.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/xbase.h"
#include "ui/fonts.h"
#include "ui/thai_text.h"

namespace weighing {
namespace {

constexpr int kSearchColumnWidth = 130;
constexpr int kBrowseHeight = 320;

int totalWidth(const ui::BrowseWidget& b)
{
    int width = 0;
    for (const ui::BrowseColumn& c : b.columns())
        width += c.width;
    return width;
}

QPushButton* plainButton(const std::string& caption, QWidget* parent)
{
    auto* b = new QPushButton(ui::fromTis(caption), parent);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

std::vector<ui::BrowseColumn> browseColumns(const std::vector<BrowseColumn>& columns, int width)
{
    const QFontMetrics metrics(ui::screenFont());
    std::vector<ui::BrowseColumn> out;
    for (const BrowseColumn& c : columns) {
        const int w = width > 0 ? width : std::max(90, metrics.horizontalAdvance(ui::fromTis(c.heading)) + 24);
        out.push_back({c.heading, w, c.rightAligned ? Qt::AlignRight : Qt::AlignLeft});
    }
    return out;
}

ui::BrowseWidget* documentBrowse(core::RowSource& source, codes::TableBrowse& browse,
                                 std::vector<ui::BrowseColumn> columns, QWidget* parent)
{
    auto* w = new ui::BrowseWidget(source, std::move(columns), parent);
    w->setHeaderColours(ui::windowsColour(kHeadingText), ui::windowsColour(kHeadingBackground));
    w->setHighlightColour(ui::windowsColour(kFocusedRow));
    w->setRowColour([](const ui::BrowseWindow::Row& r) { return codes::SELCOLOR(r.deleted); });
    w->setMinimumSize(totalWidth(*w) + 24, kBrowseHeight);
    browse.setView({.refresh = [w] { w->refreshAll(); },
                    .focus = [w] { w->setFocus(); },
                    .visibleRows = [w] { return w->visibleRows(); },
                    .setRowPos = [w](int line) { w->setHighlightLine(line - 1); }});
    return w;
}

// ---- ListDialog

ListDialog::ListDialog(ListDialogModel& model, QWidget* parent)
    : ui::Dialog(model.title(), parent), m_model(model),
      m_browse(documentBrowse(model.source(), model.browse(), browseColumns(model.columns()), this)),
      m_choose(plainButton(ListDialogModel::chooseCaption(), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browse, 1);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(m_choose);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(m_choose, &QPushButton::clicked, this, &ListDialog::choose);
    connect(m_browse, &ui::BrowseWidget::activated, this, [this](int) { choose(); });
    m_browse->setFocus();
}

ListDialog::~ListDialog()
{
    m_model.browse().setView({});
}

void ListDialog::choose()
{
    m_model.choose();
    if (m_model.chosen())
        accept();
}

// ---- SearchDialog

SearchDialog::SearchDialog(SearchDialogModel& model, QWidget* parent)
    : ui::Dialog(SearchDialogModel::title(), parent), m_model(model),
      m_browse(documentBrowse(model.source(), model.browse(), browseColumns(model.columns(), kSearchColumnWidth), this)),
      m_box(new ui::EntryField(ui::Picture::parse("", core::Value::Type::Text, SearchDialogModel::kSearchBoxWidth), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browse, 1);
    auto* row = new QHBoxLayout();
    const std::pair<Button, std::string> captions[] = {
        {Button::Ok, SearchDialogModel::okCaption()},
        {Button::Top, SearchDialogModel::topCaption()},
        {Button::Bottom, SearchDialogModel::bottomCaption()},
        {Button::Search, SearchDialogModel::searchCaption()},
    };
    for (const auto& [b, caption] : captions) {
        auto* w = plainButton(caption, this);
        // The buttons leave the focus where it is: a search text being typed is searched once, by
        // the button or by leaving the box, not by both.
        w->setFocusPolicy(Qt::NoFocus);
        row->addWidget(w);
        m_buttons.emplace_back(b, w);
    }
    m_box->setValue(core::Value::text(""));
    row->addWidget(m_box, 1);
    layout->addLayout(row);

    connect(button(Button::Ok), &QPushButton::clicked, this, &QDialog::accept);
    connect(button(Button::Top), &QPushButton::clicked, this, [this] { m_model.top(); });
    connect(button(Button::Bottom), &QPushButton::clicked, this, [this] { m_model.bottom(); });
    connect(button(Button::Search), &QPushButton::clicked, this, &SearchDialog::search);
    connect(m_browse, &ui::BrowseWidget::activated, this, [this](int) { accept(); });
    connect(m_box, &QLineEdit::returnPressed, this, [this] { m_browse->setFocus(); });
    // Leaving the box searches for what it holds; a blank box is left quietly.
    m_box->setValidation([this](ui::EntryField& f) {
        const std::string text = f.value().asText();
        if (!core::xbase::alltrim(text).empty())
            m_model.search(text);
        return true;
    });
    m_browse->setFocus();
}

SearchDialog::~SearchDialog()
{
    m_model.browse().setView({});
}

QPushButton* SearchDialog::button(Button b) const
{
    for (const auto& [which, w] : m_buttons)
        if (which == b)
            return w;
    return nullptr;
}

void SearchDialog::search()
{
    // A text being typed is searched by leaving the box; otherwise the button searches on from the
    // highlighted row (a blank text is told to be empty).
    const std::string text = m_box->value().asText();
    if (m_box->hasFocus() && !core::xbase::alltrim(text).empty())
        (void)m_box->commitPending();
    else
        m_model.search(text);
}

}  // namespace weighing
