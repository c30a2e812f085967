#include "accounts/dialogs/voucher_dialogs.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "accounts/production_screen.h"
#include "accounts/voucher_screen.h"
#include "core/tis620.h"
#include "ui/thai_text.h"
#include "ui/widgets.h"
#include "weighing/dialogs/document_dialogs.h"
#include "weighing/dialogs/document_form.h"

namespace accounts {
namespace {

using core::tis620::T;

constexpr QSize kToolButtonSize(40, 40);
constexpr int kLinesHeight = 180;

QPushButton* plainButton(const std::string& caption, QWidget* parent)
{
    auto* b = new QPushButton(ui::fromTis(caption), parent);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

// ---- The screen

DocumentDialog::DocumentDialog(DocumentScreen& screen, QWidget* parent)
    : ui::ScreenDialog(
          screen.title(), [this] { return m_screen.closeRequested(m_form && m_form->typing()); }, parent),
      m_screen(screen)
{
    auto* layout = new QVBoxLayout(this);
    m_form = new ui::Form(screen.values(), formRows(), this);
    m_form->setRecalculation([this](int position) {
        // A field left while the screen browses (its enabled state just went off under the focus)
        // changes nothing.
        if (m_screen.mode() != kBrowsing)
            m_screen.recalculate(position);
    });
    layout->addWidget(m_form);
    buildPayButtons();
    weighing::dressDocumentForm(*m_form, m_screen.fields());
    if (ui::EntryField* f = m_form->field("cStat"))
        ui::paintColours(f, ui::kWindowsWhite, ui::kWindowsRed);
    if (ui::EntryField* f = m_form->field("cRecP"))
        ui::paintColours(f, ui::kWindowsWhite, ui::kWindowsGreen);
    if (m_screen.hasLines())
        buildLines();
    buildToolBar();
    m_messageBar = new ui::MessageBar(this);
    layout->addWidget(m_messageBar);
    m_messageBar->attachTo(this);
    m_screen.setListener(this);
    controlsChanged();
}

DocumentDialog::~DocumentDialog()
{
    if (m_screen.lineBrowse())
        m_screen.lineBrowse()->setView({});
    m_screen.setListener(nullptr);
}

std::vector<ui::FormRow> DocumentDialog::formRows()
{
    return weighing::documentFormRows(
        m_screen.fields(), [this](const std::string& name) { return m_screen.fieldEnabled(name); },
        [this](const std::string& name) { return m_screen.mode() == kBrowsing || m_screen.validate(name); });
}

// The small settlement buttons stand where their rows' captions would.
void DocumentDialog::buildPayButtons()
{
    for (const ScreenField& f : m_screen.fields()) {
        if (f.payPart == 0)
            continue;
        auto* pay = plainButton(f.label, m_form);
        pay->setFocusPolicy(Qt::NoFocus);
        pay->setToolTip(ui::fromTis(m_screen.payTooltip(f.payPart)));
        pay->setCursor(Qt::PointingHandCursor);
        m_form->addToCell(f.row, f.column, pay, true);
        const auto b = DocButton(int(DocButton::Pay1) + f.payPart - 1);
        m_buttons[std::size_t(b)] = pay;
        connect(pay, &QPushButton::clicked, this, [this, b] { press(b); });
    }
}

void DocumentDialog::buildLines()
{
    m_lines = weighing::documentBrowse(*m_screen.lineSource(), *m_screen.lineBrowse(),
                                       weighing::browseColumns(m_screen.lineColumns()), this);
    m_lines->setMinimumHeight(kLinesHeight);
    layout()->addWidget(m_lines);
    connect(m_lines, &ui::BrowseWidget::activated, this, [this](int how) { m_screen.lineActivated(how); });
    auto* row = new QHBoxLayout();
    const std::array<std::string, 3> captions = lineButtonCaptions();
    const DocButton buttons[] = {DocButton::LineAdd, DocButton::LineChange, DocButton::LineMark};
    row->addStretch(1);
    for (std::size_t i = 0; i < captions.size(); ++i) {
        QPushButton* b = plainButton(captions[i], this);
        m_buttons[std::size_t(buttons[i])] = b;
        const DocButton which = buttons[i];
        connect(b, &QPushButton::clicked, this, [this, which] { press(which); });
        row->addWidget(b);
    }
    row->addStretch(1);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void DocumentDialog::buildToolBar()
{
    auto* bar = new ui::ToolBar(kToolButtonSize, this);
    for (const DocToolButton& def : documentToolBar()) {
        ui::PictureButton* b = bar->addLibraryButton(def.picture, T(def.tooltip));
        b->setFocusPolicy(def.button == DocButton::Save ? Qt::TabFocus : Qt::NoFocus);
        m_buttons[std::size_t(def.button)] = b;
        const DocButton which = def.button;
        connect(b, &QAbstractButton::clicked, this, [this, which] { press(which); });
    }
    layout()->addWidget(bar);
}

void DocumentDialog::press(DocButton b)
{
    if (!m_screen.enabled(b))
        return;
    switch (b) {
    case DocButton::Previous: m_screen.PROCMOVE(weighing::kMovePrevious); break;
    case DocButton::Next: m_screen.PROCMOVE(weighing::kMoveNext); break;
    case DocButton::First: m_screen.PROCMOVE(weighing::kMoveFirst); break;
    case DocButton::Last: m_screen.PROCMOVE(weighing::kMoveLast); break;
    case DocButton::New: m_screen.newPressed(); break;
    case DocButton::Edit: m_screen.editPressed(); break;
    case DocButton::Delete: m_screen.deletePressed(); break;
    case DocButton::Search: m_screen.searchPressed(); break;
    case DocButton::Save:
        // The field being edited is left first: validated and recalculated.
        if (m_form->commitPending())
            (void)m_screen.save();
        break;
    case DocButton::Cancel: (void)m_screen.cancelPressed(m_form->typing()); break;
    case DocButton::Print: m_screen.printPressed(); break;
    case DocButton::Exit: close(); break;
    case DocButton::Pay1:
    case DocButton::Pay2:
    case DocButton::Pay3:
        if (m_form->commitPending())
            m_screen.payButton(int(b) - int(DocButton::Pay1) + 1);
        break;
    case DocButton::LineAdd: m_screen.addLines(); break;
    case DocButton::LineChange: m_screen.changeLine(); break;
    case DocButton::LineMark: (void)m_screen.MNDTDELE(); break;
    case DocButton::Count_: break;
    }
}

void DocumentDialog::controlsChanged()
{
    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        if (m_buttons[i])
            m_buttons[i]->setEnabled(m_screen.enabled(DocButton(i)));
    if (m_lines)
        m_lines->setEnabled(m_screen.mode() == kBrowsing);
    m_form->updateEnabled();
    if (m_screen.mode() == kBrowsing)
        weighing::clearMissing(*m_form, *m_messageBar, m_screen.fields());
}

void DocumentDialog::focusRequested(const std::string& target)
{
    if (ui::EntryField* f = m_form->field(target))
        f->setFocus(Qt::OtherFocusReason);
}

void DocumentDialog::fieldMissing(const std::string& name, const std::string& note)
{
    weighing::markMissing(*m_form, *m_messageBar, name, note);
}

// ---- The line dialog

LineDialog::LineDialog(LineEditor& editor, QWidget* parent)
    : ui::FormDialog(editor.title(), editor.values(),
                     weighing::documentFormRows(editor.fields(), {}, [&editor](const std::string& name) { return editor.validate(name); }),
                     parent),
      m_editor(editor)
{
    m_save = addButton(LineEditor::saveCaption(), [this] {
        if (m_editor.save())
            accept();
    });
    m_cancel = addButton(LineEditor::cancelCaption(), [this] { reject(); }, false);
}

// ---- The ticket selection

TicketSelectionDialog::TicketSelectionDialog(TicketSelection& selection, QWidget* parent)
    : ui::Dialog(TicketSelection::title(), parent), m_selection(selection),
      m_browse(weighing::documentBrowse(selection.source(), selection.browse(),
                                        weighing::browseColumns(selection.columns()), this))
{
    m_browse->setRowColour([](const ui::BrowseWindow::Row& r) { return TicketSelection::rowMarked(r.cells) ? ui::kWindowsBlue : ui::kWindowsBlack; });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browse, 1);
    auto* row = new QHBoxLayout();
    const std::array<std::string, 6> captions = TicketSelection::buttonCaptions();
    row->addStretch(1);
    for (std::size_t i = 0; i < captions.size(); ++i) {
        m_buttons[i] = plainButton(captions[i], this);
        row->addWidget(m_buttons[i]);
        if (i < 5) {
            const int mode = int(i) + 2;
            connect(m_buttons[i], &QPushButton::clicked, this, [this, mode] { m_selection.MNFILLCHK(mode); });
        }
    }
    row->addStretch(1);
    layout->addLayout(row);
    connect(m_buttons[5], &QPushButton::clicked, this, [this] {
        m_selection.accept();
        accept();
    });
    connect(m_browse, &ui::BrowseWidget::activated, this, [this](int how) {
        if (how == 1)
            m_selection.MNFILLCHK(1);
    });
    m_browse->setFocus();
}

TicketSelectionDialog::~TicketSelectionDialog()
{
    m_selection.browse().setView({});
}

// ---- The host and the menu

void QtDocumentHost::searchDocuments(weighing::SearchDialogModel& search)
{
    weighing::SearchDialog dialog(search);
    dialog.exec();
}

void QtDocumentHost::editLine(LineEditor& editor)
{
    LineDialog dialog(editor);
    dialog.exec();
}

void QtDocumentHost::selectTickets(TicketSelection& selection)
{
    TicketSelectionDialog dialog(selection);
    dialog.exec();
}

namespace {

void run(DocumentScreen& screen)
{
    if (!screen.open())
        return;
    {
        DocumentDialog dialog(screen);
        dialog.exec();
    }
    screen.close();
}

}  // namespace

void MNPROC(int kind, int level)
{
    QtDocumentHost host;
    VoucherScreen screen(kind, level, host);
    run(screen);
}

void SKPROC1(int level)
{
    QtDocumentHost host;
    ProductionScreen screen(level, host);
    run(screen);
}

void registerVoucherActions(shell::Dispatcher& dispatcher)
{
    for (int kind = 1; kind <= kVoucherKinds; ++kind)
        dispatcher.registerAction(shell::Action(int(shell::Action::MNPROC1) + kind - 1),
                                  [kind](int level) { MNPROC(kind, level); });
    dispatcher.registerAction(shell::Action::SKPROC1, [](int level) { SKPROC1(level); });
}

}  // namespace accounts
