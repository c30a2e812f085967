#include "weighing/dialogs/ticket_dialog.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QHBoxLayout>
#include <QShortcut>
#include <QVBoxLayout>

#include "core/tis620.h"
#include "core/xbase.h"
#include "scale/dialogs/live_weight_panel.h"
#include "scale/weight_dialog.h"
#include "ui/thai_text.h"
#include "ui/widgets.h"
#include "weighing/dialogs/document_dialogs.h"
#include "weighing/dialogs/document_form.h"
#include "weighing/dialogs/evidence_dialog.h"

namespace weighing {
namespace {

using core::tis620::T;

constexpr QSize kToolButtonSize(40, 40);

QLabel* bandLabel(const std::string& text, QWidget* parent)
{
    auto* l = new QLabel(ui::fromTis(text), parent);
    ui::paintColours(l, ui::kWindowsWhite, ui::kWindowsBlue);
    l->setContentsMargins(4, 1, 4, 1);
    return l;
}


}  // namespace

TicketDialog::TicketDialog(TicketScreen& screen, QWidget* parent)
    : ui::ScreenDialog(
          screen.title(), [this] { return m_screen.closeRequested(m_form && m_form->typing()); }, parent),
      m_screen(screen)
{
    auto* layout = new QVBoxLayout(this);
    m_form = new ui::Form(screen.values(), formRows(), this);
    m_form->setRecalculation([this](int position) {
        // A field left while the screen browses (its enabled state just went off under the focus)
        // changes nothing.
        if (m_screen.mode() != kTicketBrowsing)
            m_screen.recalculate(position);
    });
    layout->addWidget(m_form);
    buildExtras();
    buildToolBar(this);
    // The ticket's evidence history, for level 5 while browsing a stored ticket.
    connect(new QShortcut(QKeySequence(Qt::Key_F9), this), &QShortcut::activated, this, [this] {
        if (!m_screen.mayShowEvidence())
            return;
        const EvidenceHistory list = evidenceHistoryList(m_screen.values().text("cTicket"), m_screen.evidenceHistory());
        EvidenceDialog history(list, this);
        history.exec();
    });
    m_messageBar = new ui::MessageBar(this);
    layout->addWidget(m_messageBar);
    m_messageBar->attachTo(this);
    m_screen.setListener(this);
    controlsChanged();
}

TicketDialog::~TicketDialog()
{
    m_screen.setListener(nullptr);
}

std::vector<ui::FormRow> TicketDialog::formRows()
{
    return documentFormRows(
        m_screen.fields(), [this](const std::string& name) { return m_screen.fieldEnabled(name); },
        [this](const std::string& name) { return m_screen.mode() == kTicketBrowsing || m_screen.validate(name); });
}

// The parts of the screen that are not entries: the pay buttons in the captions' place, the
// heading band over the weighings, the weigh buttons and the colours of the status texts.
void TicketDialog::buildExtras()
{
    const bool goods = m_screen.kindInfo().goods;
    for (const TicketField& f : m_screen.fields()) {
        if (f.payPart == 0)
            continue;
        auto* pay = new QPushButton(ui::fromTis(f.label), m_form);
        pay->setAutoDefault(false);
        pay->setFocusPolicy(Qt::NoFocus);
        pay->setToolTip(ui::fromTis(m_screen.payTooltip(f.payPart)));
        pay->setCursor(Qt::PointingHandCursor);
        m_form->addToCell(f.row, f.column, pay, true);
        const auto b = TicketButton(int(TicketButton::Pay1) + f.payPart - 1);
        m_buttons[std::size_t(b)] = pay;
        connect(pay, &QPushButton::clicked, this, [this, b] { press(b); });
    }

    const int band = goods ? 8 : 5;
    const std::array<std::string, 4> heading = TicketScreen::headingBand();
    m_form->addToCell(band, 0, bandLabel(heading[0], m_form), true);
    const char* under[] = {"cDayin", "cTmin", "cWin"};
    for (int i = 0; i < 3; ++i) {
        QLabel* l = bandLabel(heading[std::size_t(i + 1)], m_form);
        if (ui::EntryField* f = m_form->field(under[i]))
            l->setFixedWidth(f->maximumWidth());  // the entry's own fixed width: the columns line up
        m_form->addToCell(band, 0, l);
    }
    for (const char* name : {"cDayin", "cDayOut"})
        if (QLabel* l = m_form->label(name))
            ui::paintColours(l, ui::kWindowsBlack, ui::kWindowsGreen);
    dressDocumentForm(*m_form, m_screen.fields());
    if (ui::EntryField* f = m_form->field("cStat"))
        ui::paintColours(f, ui::kWindowsWhite, ui::kWindowsRed);
    if (ui::EntryField* f = m_form->field("cRecP"))
        ui::paintColours(f, ui::kWindowsWhite, ui::kWindowsGreen);
    // A weight typed by hand: its mark in bold red beside it, as a text on the dialog, not a box.
    for (const char* mark : {"cWinSrc", "cWoutSrc"})
        if (ui::EntryField* f = m_form->field(mark)) {
            f->setFrame(false);
            QPalette pal = f->palette();
            for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
                pal.setColor(group, QPalette::Text, ui::windowsColour(ui::kWindowsRed));
                pal.setColor(group, QPalette::Base, palette().color(QPalette::Window));
            }
            f->setPalette(pal);
            QFont bold = f->font();
            bold.setBold(true);
            f->setFont(bold);
        }

    for (int which = 1; which <= 2; ++which) {
        auto* weigh = new QPushButton(ui::fromTis(TicketScreen::weighButtonCaption(which)), m_form);
        weigh->setAutoDefault(false);
        const int row = goods ? 16 : 8 + which;
        m_form->addToCell(row, 1, weigh);
        const TicketButton b = which == 1 ? TicketButton::WeighIn : TicketButton::WeighOut;
        m_buttons[std::size_t(b)] = weigh;
        connect(weigh, &QPushButton::clicked, this, [this, b] { press(b); });
    }
}

void TicketDialog::buildToolBar(QWidget* under)
{
    auto* bar = new ui::ToolBar(kToolButtonSize, under);
    for (const ToolButtonDef& def : ticketToolBar()) {
        ui::PictureButton* b = bar->addLibraryButton(def.picture, T(def.tooltip));
        b->setFocusPolicy(def.button == TicketButton::Save ? Qt::TabFocus : Qt::NoFocus);
        m_buttons[std::size_t(def.button)] = b;
        const TicketButton which = def.button;
        connect(b, &QAbstractButton::clicked, this, [this, which] { press(which); });
        if (which == TicketButton::Print)
            b->installEventFilter(this);
    }
    // The indicator's live weight beside the buttons, while no weight dialog reads the port.
    auto* row = new QHBoxLayout();
    row->addWidget(bar, 1);
    row->addWidget(new scale::LiveWeightPanel(under, 14), 0, Qt::AlignBottom);
    static_cast<QBoxLayout*>(layout())->addLayout(row);
}

bool TicketDialog::commitField()
{
    return m_form->commitPending();
}

void TicketDialog::press(TicketButton b, bool alternate)
{
    if (!m_screen.enabled(b))
        return;
    switch (b) {
    case TicketButton::Previous: m_screen.PROCMOVE(kMovePrevious); break;
    case TicketButton::Next: m_screen.PROCMOVE(kMoveNext); break;
    case TicketButton::First: m_screen.PROCMOVE(kMoveFirst); break;
    case TicketButton::Last: m_screen.PROCMOVE(kMoveLast); break;
    case TicketButton::Weigh: m_screen.weighPressed(); break;
    case TicketButton::Edit: m_screen.editPressed(); break;
    case TicketButton::Delete: m_screen.deletePressed(); break;
    case TicketButton::Search: m_screen.PROCMOVE(kSearchTickets); break;
    case TicketButton::Save:
        // The field being edited is left first: validated and recalculated.
        if (commitField())
            (void)m_screen.TRSAVE();
        break;
    case TicketButton::Cancel: (void)m_screen.cancelPressed(m_form->typing()); break;
    case TicketButton::Print: m_screen.printPressed(alternate); break;
    case TicketButton::Exit: close(); break;
    case TicketButton::WeighIn:
    case TicketButton::WeighOut:
        // Nothing typed and something missing: the screen names it, rather than the empty code
        // field the click took the focus from opening its pick-list on the way.
        if (b == TicketButton::WeighIn && !m_form->typing() && !m_screen.missingFields(true).empty()) {
            m_form->dropUntypedExits();
            m_screen.READW(1);
            break;
        }
        if (commitField())
            m_screen.READW(b == TicketButton::WeighIn ? 1 : 2);
        break;
    case TicketButton::Pay1:
    case TicketButton::Pay2:
    case TicketButton::Pay3:
        if (commitField())
            m_screen.payButton(int(b) - int(TicketButton::Pay1) + 1);
        break;
    case TicketButton::Count_: break;
    }
}

void TicketDialog::controlsChanged()
{
    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        if (m_buttons[i])
            m_buttons[i]->setEnabled(m_screen.enabled(TicketButton(i)));
    m_form->updateEnabled();
    if (m_screen.mode() == kTicketBrowsing)
        clearMissing(*m_form, *m_messageBar, m_screen.fields());
}

void TicketDialog::focusRequested(const std::string& target)
{
    if (target == "save") {
        if (QAbstractButton* save = button(TicketButton::Save))
            save->setFocus(Qt::OtherFocusReason);
    } else if (ui::EntryField* f = m_form->field(target)) {
        f->setFocus(Qt::OtherFocusReason);
    }
}

void TicketDialog::fieldMissing(const std::string& name, const std::string& note)
{
    markMissing(*m_form, *m_messageBar, name, note);
}

bool TicketDialog::eventFilter(QObject* watched, QEvent* event)
{
    // The print button's right click prints the alternate form.
    if (watched == button(TicketButton::Print) && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        auto* b = static_cast<QAbstractButton*>(watched);
        if (b->isEnabled() && b->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint()))
            press(TicketButton::Print, true);
        return true;
    }
    return ui::ScreenDialog::eventFilter(watched, event);
}

// ---- QtTicketHost

bool QtTicketHost::askTruck(TicketScreen& screen)
{
    // The prompt edits a value of its own: the screen's values stay bound to the ticket's form.
    core::ValueMap prompt;
    const int width = TicketScreen::kTruckPromptWidth;
    prompt.setText("cTrk", core::xbase::padRight(screen.values().text("cTrk"), std::size_t(width)));
    ui::FormRow row{.label = TicketScreen::truckPromptLabel(), .name = "cTrk", .picture = "@!", .width = width};
    row.validation = [](ui::EntryField& f) { return !core::xbase::alltrim(f.value().asText()).empty(); };
    ui::FormDialog dialog(TicketScreen::truckPromptTitle(), prompt, {row});
    const std::array<std::string, 3> captions = TicketScreen::truckPromptButtons();
    QPushButton* ok = dialog.addButton(captions[0], [&] {
        if (!core::xbase::alltrim(prompt.text("cTrk")).empty())
            dialog.accept();
        else if (ui::EntryField* f = dialog.form().field("cTrk"))
            f->setFocus();
    });
    ok->setDefault(true);
    dialog.addButton(captions[1], [&dialog] { dialog.reject(); }, false);
    dialog.addButton(captions[2], [&] {
        // The list closed without a choice leaves what was typed in the prompt.
        (void)dialog.form().commitPending();
        screen.values().setText("cTrk", prompt.text("cTrk"));
        screen.GETTABLE();
        prompt.setText("cTrk", screen.values().text("cTrk"));
    }, false);
    if (ui::EntryField* f = dialog.form().field("cTrk"))
        f->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return false;
    screen.values().setText("cTrk", core::xbase::padRight(prompt.text("cTrk"), std::size_t(width)));
    return true;
}

void QtTicketHost::chooseFromList(ListDialogModel& list)
{
    ListDialog dialog(list);
    dialog.exec();
}

void QtTicketHost::searchDocuments(SearchDialogModel& search)
{
    SearchDialog dialog(search);
    dialog.exec();
}

void QtTicketHost::readWeight(int which, scale::WeighTarget& target)
{
    (void)scale::READW(which, &target);
}

void TRPROC(int kind, int level)
{
    QtTicketHost host;
    TicketScreen screen(kind, level, host);
    if (!screen.open())
        return;
    {
        TicketDialog dialog(screen);
        dialog.exec();
    }
    screen.close();
}

void registerTicketActions(shell::Dispatcher& dispatcher)
{
    for (int kind = 1; kind <= kTicketKinds; ++kind)
        dispatcher.registerAction(shell::Action(int(shell::Action::TRPROC1) + kind - 1),
                                  [kind](int level) { TRPROC(kind, level); });
}

}  // namespace weighing
