#include "shell/dialogs/main_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTimer>

#include "core/platform_programs.h"
#include "core/prompt_sounds.h"
#include "core/prompts.h"
#include "core/tis620.h"
#include "errors/guard.h"
#include "scale/live_reader.h"
#include "scale/dialogs/live_weight_panel.h"
#include "shell/dialogs/finish_dialog.h"
#include "shell/dialogs/settings_dialogs.h"
#include "shell/main_window_model.h"
#include "ui/fonts.h"
#include "ui/print_preview.h"
#include "ui/qt_print_job.h"
#include "ui/thai_text.h"
#include "ui/widgets.h"

namespace shell {
namespace {

using core::tis620::T;

constexpr int kMainWindowSound = 2;

// The operation names the error trap reports, in the order of Action.
constexpr const char* kActionNames[] = {
    "TRPROC1",   "TRPROC2",   "TRPROC3",   "TRPROC4",    "TRPROC5",    "MNPROC1",   "MNPROC2",   "MNPROC3",
    "MNPROC4",   "SKPROC1",   "EDITPROC1", "EDITPROC2",  "EDITPROC3",  "EDITPROC4", "REPORT",    "AUDITLIST",
    "POPCODE1",  "POPCODE2",  "POPCODE3",  "POPCODE4",   "POPCODE5",   "POPCODE6",  "POPCODE7",  "POPCODE8",
    "POPCODE9",  "POPCODE10", "POPCODE11", "POPCODE12",  "FGINDEX",    "FGBACKUP1", "FGBACKUP2", "FGDELETE",
    "FGRESTORE1", "FGRESTORE2", "VARSET",  "PRINTSETUP", "FONTSEL1",   "FONTSEL2",  "FONTSEL3",  "FONTSEL4",
    "FONTSEL5",  "FONTSEL6",  "CALC",      "NOTEPAD",    "EXIT",
};
static_assert(std::size(kActionNames) == std::size_t(Action::Count_));

QString tis(std::string_view utf8)
{
    return ui::fromTis(T(utf8));
}

// The window's background: a fine two-tone weave.
QBrush backgroundBrush()
{
    QPixmap tile(8, 8);
    tile.fill(QColor(0xd8, 0xdc, 0xe4));
    QPainter p(&tile);
    p.setPen(QColor(0xc8, 0xcd, 0xd8));
    p.drawLine(0, 0, 7, 7);
    p.drawLine(0, 4, 3, 7);
    p.drawLine(4, 0, 7, 3);
    return QBrush(tile);
}

}  // namespace

QIcon programIcon()
{
    QPixmap icon(32, 32);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x1f, 0x4e, 0x9a));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(0, 0, 32, 32, 6, 6);
    p.setBrush(Qt::white);
    p.drawRect(4, 11, 15, 10);   // load
    p.drawRect(20, 14, 8, 7);    // cab
    p.setBrush(QColor(0xf5, 0xc2, 0x11));
    p.drawRect(2, 25, 28, 3);    // weighbridge
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(9, 22.5), 2.5, 2.5);
    p.drawEllipse(QPointF(24, 22.5), 2.5, 2.5);
    return QIcon(icon);
}

MainPicture::MainPicture(Dispatcher& dispatcher, QWidget* parent)
    : QWidget(parent), m_dispatcher(dispatcher), m_picture(QString::fromLocal8Bit(mainPicturePath().c_str()))
{
    setFixedSize(kMainPictureWidth, kMainPictureHeight);
    setCursor(Qt::PointingHandCursor);
}

void MainPicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!m_picture.isNull())
        p.drawPixmap(0, 0, m_picture);  // unstretched, no border
    const UpdateStamp stamp = SAYTEXT();
    if (!stamp.shown)
        return;
    // The stamp's place lies below a 400-pixel picture, where it would never be seen; it keeps its
    // column and sits on the picture's last line instead.
    const QFontMetrics fm(font());
    const int top = std::min(stamp.y, height() - fm.height());
    p.setPen(Qt::yellow);
    p.setBackgroundMode(Qt::TransparentMode);
    p.drawText(stamp.x, top + fm.ascent(), QString::fromLatin1(stamp.text.c_str()));
}

void MainPicture::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    errors::runGuarded("MAPSEL", [&] { MAPSEL(m_dispatcher, at.x(), at.y()); });
}

MainWindow::MainWindow(Dispatcher& dispatcher, QWidget* parent)
    : QMainWindow(parent),
      m_dispatcher(dispatcher),
      m_messageBar(new ui::MessageBar(this)),
      m_picture(nullptr),
      m_reader(new scale::LiveReader(this))
{
    setWindowTitle(ui::fromTis(mainCaption()));
    setWindowIcon(programIcon());
    setFont(ui::screenFont());

    auto* central = new QWidget(this);
    central->setAutoFillBackground(true);
    QPalette pal = central->palette();
    pal.setBrush(QPalette::Window, backgroundBrush());
    central->setPalette(pal);
    setCentralWidget(central);
    m_picture = new MainPicture(m_dispatcher, central);
    m_live = new scale::LiveWeightPanel(central);

    buildMenu();
    buildButtonBar();
    m_messageBar->setDefaultText(messageBarDefault());
    setStatusBar(m_messageBar);
    m_messageBar->attachTo(this);
    m_user = new QLabel(ui::fromTis(statusUser()), m_messageBar);
    m_site = new QLabel(ui::fromTis(statusSite()), m_messageBar);
    for (QLabel* l : {m_user, m_site}) {
        l->setContentsMargins(6, 0, 6, 0);
        m_messageBar->addPermanentWidget(l);
    }
}

void MainWindow::buildMenu()
{
    for (const Menu& m : mainMenu()) {
        if (m.entries.empty()) {  // a command on the menu bar itself
            QAction* a = menuBar()->addAction(tis(m.caption));
            a->setStatusTip(tis(m.message));
            const Action action = m.action;
            connect(a, &QAction::triggered, this, [this, action] { run(action, 0); });
            m_actions.emplace(action, a);
            continue;
        }
        QMenu* menu = menuBar()->addMenu(tis(m.caption));
        menu->menuAction()->setStatusTip(tis(m.message));
        QMenu* current = menu;
        for (const MenuEntry& e : m.entries) {
            switch (e.kind) {
            case MenuEntry::Kind::Separator:
                current->addSeparator();
                break;
            case MenuEntry::Kind::Submenu:
                current = menu->addMenu(tis(e.caption));
                current->menuAction()->setStatusTip(tis(e.message));
                break;
            case MenuEntry::Kind::EndSubmenu:
                current = menu;
                break;
            case MenuEntry::Kind::Item: {
                QAction* a = current->addAction(tis(e.caption));
                a->setStatusTip(tis(e.message));
                const Action action = e.action;
                const int rights = e.rights;
                connect(a, &QAction::triggered, this, [this, action, rights] { run(action, rights); });
                m_actions.emplace(action, a);
                break;
            }
            }
        }
    }
}

void MainWindow::buildButtonBar()
{
    m_buttonBar = new ui::ToolBar(QSize(kToolButtonSize, kToolButtonSize), this);
    m_buttonBar->setCursor(Qt::PointingHandCursor);
    for (const ToolButton& b : shell::buttonBar()) {
        ui::PictureButton* button =
            m_buttonBar->addPictureButton(siteFile(b.picture), T(b.tooltip), T(b.message), b.startsGroup);
        const Action action = b.action;
        const int rights = b.rights;
        connect(button, &QToolButton::clicked, this, [this, action, rights] { run(action, rights); });
    }
    addToolBar(Qt::TopToolBarArea, m_buttonBar);
}

QAction* MainWindow::menuAction(Action action) const
{
    const auto it = m_actions.find(action);
    return it == m_actions.end() ? nullptr : it->second;
}

void MainWindow::run(Action action, int rightsPosition)
{
    errors::runGuarded(kActionNames[int(action)], [&] { m_dispatcher.dispatch(action, rightsPosition); });
}

void MainWindow::registerOwnActions()
{
    m_dispatcher.registerAction(Action::VARSET, [this](int) {
        VARSET(this);
        m_reader->start();  // the scale port's settings may have changed
    });
    for (int n = 1; n <= 6; ++n)
        m_dispatcher.registerAction(Action(int(Action::FONTSEL1) + n - 1), [this, n](int) { FONTSEL(n, this); });
    m_dispatcher.registerAction(Action::PrinterSetup, [this](int) { printerSetup(); });
    m_dispatcher.registerAction(Action::Calculator, [this](int) { startProgram(true); });
    m_dispatcher.registerAction(Action::TextEditor, [this](int) { startProgram(false); });
    // Closing goes through closeEvent, so FINISH asks here as for every other way of closing.
    m_dispatcher.registerAction(Action::Exit, [this](int) { QTimer::singleShot(0, this, &QWidget::close); });
}

void MainWindow::printerSetup()
{
    ui::QtPrinters printers;
    ui::PrinterChoiceDialog dialog(T("  ส่วนการตั้งค่าเครื่องพิมพ์"), printers.installed(), this);
    dialog.exec();
}

void MainWindow::startProgram(bool calculator)
{
    const core::PlatformLookup lookup = core::systemLookup();
    const std::optional<core::ProgramCommand> command =
        calculator ? core::calculatorCommand(lookup) : core::editorCommand(lookup);
    QStringList args;
    if (command)
        for (const std::string& a : command->arguments)
            args << QString::fromLocal8Bit(a.c_str());
    if (command && QProcess::startDetached(QString::fromLocal8Bit(command->program.c_str()), args))
        return;
    core::prompts().message(core::MessageKind::Info, calculator ? core::noCalculatorMessage() : core::noEditorMessage(),
                            core::programsTitle());
}

void MainWindow::placePicture(QSize screen)
{
    const Placement at = mainPicturePlacement(screen.width(), screen.height());
    m_picture->move(std::max(0, at.left), std::max(0, at.top));
}

void MainWindow::placeLiveWeight()
{
    constexpr int kMargin = 8;
    const QWidget* area = centralWidget();
    m_live->adjustSize();
    m_live->move(std::max(0, area->width() - m_live->width() - kMargin), kMargin);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    if (QScreen* s = screen())
        placePicture(s->geometry().size());
    placeLiveWeight();
    m_reader->start();
    QTimer::singleShot(0, this, [] { core::TSOUND(kMainWindowSound); });
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (QScreen* s = screen())
        placePicture(s->geometry().size());
    placeLiveWeight();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!m_closing && !FINISH(this)) {
        event->ignore();
        return;
    }
    m_closing = true;
    event->accept();
    emit finished();
}

}  // namespace shell
