#include "codes/dialogs/code_browser_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/tis620.h"
#include "ui/thai_text.h"

namespace codes {
namespace {

using core::tis620::T;

std::vector<ui::BrowseColumn> columnsOf(const CodeTableDef& def)
{
    std::vector<ui::BrowseColumn> out;
    for (const CodeColumn& c : def.columns)
        out.push_back({T(c.headingUtf8), c.width, c.number ? Qt::AlignRight : Qt::AlignLeft});
    return out;
}

ui::EntryField* box(const std::string& text, QWidget* parent)
{
    auto* f = new ui::EntryField(ui::Picture::parse("@!", core::Value::Type::Text, int(BrowserValues::kWidth)), parent);
    f->setValue(core::Value::text(text));
    return f;
}

}  // namespace

CodeBrowserDialog::CodeBrowserDialog(CodeBrowser& model, QWidget* parent)
    : ui::Dialog(model.title(), parent), m_model(model), m_code(box(model.codeBox(), this)),
      m_search(box(model.searchBox(), this)), m_browse(new ui::BrowseWidget(model.source(), columnsOf(model.def()), this)),
      m_count(new QLabel(this))
{
    auto* layout = new QVBoxLayout(this);

    auto* boxes = new QHBoxLayout();
    auto* codeLabel = new QLabel(ui::fromTis(T(" รหัส")), this);
    codeLabel->setBuddy(m_code);
    auto* searchLabel = new QLabel(ui::fromTis(T("ระบุ")), this);
    searchLabel->setBuddy(m_search);
    boxes->addWidget(codeLabel);
    boxes->addWidget(m_code);
    boxes->addSpacing(12);
    boxes->addWidget(searchLabel);
    boxes->addWidget(m_search);
    // The search button keeps the focus where it is: a search text being typed is searched once.
    addButton(Button::Search, "&ค้นหา", &CodeBrowserDialog::search)->setFocusPolicy(Qt::NoFocus);
    boxes->addWidget(m_buttons.back().second);
    boxes->addStretch(1);
    layout->addLayout(boxes);

    int width = 0;
    for (const ui::BrowseColumn& c : m_browse->columns())
        width += c.width;
    m_browse->setMinimumSize(width + 24, 320);
    layout->addWidget(m_browse, 1);

    auto* buttons = new QHBoxLayout();
    addButton(Button::Ok, "&ตกลง", &CodeBrowserDialog::ok);
    addButton(Button::Add, "เ&พิ่ม", &CodeBrowserDialog::add)->setEnabled(model.canAdd());
    addButton(Button::Edit, "แ&ก้ไข", &CodeBrowserDialog::edit)->setEnabled(model.canEdit());
    addButton(Button::Delete, "&ลบ", &CodeBrowserDialog::remove)->setEnabled(model.canDelete());
    addButton(Button::Top, "&บนสุด", &CodeBrowserDialog::top);
    addButton(Button::Bottom, "ล่าง&สุด", &CodeBrowserDialog::bottom);
    for (const auto& [b, w] : m_buttons)
        if (b != Button::Search)
            buttons->addWidget(w);
    buttons->addStretch(1);
    buttons->addWidget(m_count);
    layout->addLayout(buttons);

    m_code->setValidation([this](ui::EntryField& f) { return m_model.CFILTER(f.value().asText()); });
    m_search->setValidation([this](ui::EntryField& f) { return m_model.CSEARCH(f.value().asText(), true); });
    // Enter in a box leaves it for the browse, which runs the box's check; Enter on the browse picks.
    connect(m_code, &QLineEdit::returnPressed, this, [this] { m_browse->setFocus(); });
    connect(m_search, &QLineEdit::returnPressed, this, [this] { m_browse->setFocus(); });
    connect(m_browse, &ui::BrowseWidget::activated, this, [this](int how) { m_model.CSELECT(how); });

    m_model.browse().setView({.refresh = [this] { m_browse->refreshAll(); },
                              .focus = [this] { m_browse->setFocus(); },
                              .visibleRows = [this] { return m_browse->visibleRows(); },
                              .setRowPos = [this](int line) { m_browse->setHighlightLine(line - 1); }});
    m_model.setView({.changed = [this] { refreshFromModel(); }, .close = [this] { accept(); }});
    refreshFromModel();
    m_browse->setFocus();
}

CodeBrowserDialog::~CodeBrowserDialog()
{
    m_model.browse().setView({});
    m_model.setView({});
}

QPushButton* CodeBrowserDialog::addButton(Button b, const char* captionUtf8, void (CodeBrowserDialog::*action)())
{
    auto* w = new QPushButton(ui::fromTis(T(captionUtf8)), this);
    w->setAutoDefault(false);
    connect(w, &QPushButton::clicked, this, action);
    m_buttons.emplace_back(b, w);
    return w;
}

QPushButton* CodeBrowserDialog::button(Button b) const
{
    for (const auto& [which, w] : m_buttons)
        if (which == b)
            return w;
    return nullptr;
}

void CodeBrowserDialog::showEvent(QShowEvent* event)
{
    ui::Dialog::showEvent(event);
    if (!m_opened) {
        m_opened = true;
        m_model.opened();
    }
}

bool CodeBrowserDialog::commitBoxes()
{
    return m_code->commitPending() && m_search->commitPending();
}

void CodeBrowserDialog::refreshFromModel()
{
    m_code->setValue(core::Value::text(m_model.codeBox()));
    m_search->setValue(core::Value::text(m_model.searchBox()));
    m_count->setText(ui::fromTis(m_model.recordCountText()));
}

void CodeBrowserDialog::search()
{
    // A search text not yet left is searched by its own check; otherwise the button searches on.
    if (m_search->hasFocus())
        (void)m_search->commitPending();
    else if (m_code->commitPending())
        m_model.CSEARCH(m_search->value().asText());
}

void CodeBrowserDialog::ok()
{
    if (commitBoxes())
        m_model.ok();
}

void CodeBrowserDialog::add()
{
    if (commitBoxes())
        m_model.CEDIT(true);
}

void CodeBrowserDialog::edit()
{
    if (commitBoxes())
        m_model.CEDIT(false);
}

void CodeBrowserDialog::remove()
{
    if (commitBoxes())
        m_model.CDELETE();
}

void CodeBrowserDialog::top()
{
    if (commitBoxes())
        m_model.CGOTOP(0);
}

void CodeBrowserDialog::bottom()
{
    if (commitBoxes())
        m_model.CGOTOP(1);
}

}  // namespace codes
