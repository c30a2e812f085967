#include "ui/widgets.h"

#include <algorithm>
#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QStatusTipEvent>
#include <QVBoxLayout>

#include "core/clock.h"
#include "core/paths.h"
#include "core/settings.h"
#include "ui/browse_widget.h"
#include "ui/dialog.h"
#include "ui/fonts.h"
#include "ui/thai_text.h"

namespace ui {

PictureButton::PictureButton(const std::string& picturePath, const std::string& tooltip, const std::string& message,
                             QWidget* parent)
    : QToolButton(parent)
{
    const QPixmap picture(QString::fromLocal8Bit(picturePath.c_str()));
    const QIcon icon = picture.isNull() ? QIcon() : QIcon(picture);
    if (!icon.isNull())
        setIcon(icon);
    setToolTip(fromTis(tooltip));
    setStatusTip(fromTis(message));
    setCursor(Qt::PointingHandCursor);
    setAutoRaise(false);
    setToolButtonStyle(icon.isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
}

void PictureButton::setCaption(const std::string& caption)
{
    setText(fromTis(caption));
    setToolButtonStyle(icon().isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonTextBesideIcon);
}

ToolBar::ToolBar(QSize buttonSize, QWidget* parent) : QToolBar(parent)
{
    setIconSize(buttonSize - QSize(6, 6));
    setMovable(false);
    setFloatable(false);
    setCursor(Qt::PointingHandCursor);
}

PictureButton* ToolBar::addPictureButton(const std::string& picturePath, const std::string& tooltip,
                                         const std::string& message, bool startsGroup)
{
    if (startsGroup && !actions().isEmpty())
        addSeparator();
    auto* b = new PictureButton(picturePath, tooltip, message, this);
    b->setIconSize(iconSize());
    b->setFixedSize(iconSize() + QSize(6, 6));
    addWidget(b);
    return b;
}

PictureButton* ToolBar::addLibraryButton(const std::string& picture, const std::string& tooltip)
{
    const std::string path =
        core::paths::join(core::programSettings().text("CDRV1"), std::string("library\\") + picture);
    PictureButton* b = addPictureButton(path, tooltip, tooltip, false);
    if (!core::paths::exists(path)) {
        b->setCaption(tooltip);
        b->setFixedSize(b->sizeHint().expandedTo(iconSize() + QSize(6, 6)));
    }
    return b;
}

void paintColours(QWidget* w, int text, int back)
{
    QPalette pal = w->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (const auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
            pal.setColor(group, role, windowsColour(text));
        for (const auto role : {QPalette::Base, QPalette::Window, QPalette::Button})
            pal.setColor(group, role, windowsColour(back));
    }
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

MessageBar::MessageBar(QWidget* parent) : QStatusBar(parent), m_label(new QLabel(this))
{
    m_label->setAlignment(Qt::AlignCenter);
    addWidget(m_label, 1);
    auto* mode = new QLabel(QStringLiteral("INS"), this);
    mode->setFrameShape(QFrame::Panel);
    mode->setFrameShadow(QFrame::Sunken);
    addPermanentWidget(mode);
    setSizeGripEnabled(false);
}

void MessageBar::setDefaultText(const std::string& text)
{
    m_default = fromTis(text);
    if (m_label->text().isEmpty())
        m_label->setText(m_default);
}

void MessageBar::setText(const std::string& text)
{
    m_text = fromTis(text);
    m_label->setText(m_text.isEmpty() ? m_default : m_text);
}

QString MessageBar::shownText() const
{
    return m_label->text();
}

void MessageBar::attachTo(QWidget* window)
{
    window->installEventFilter(this);
}

bool MessageBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        m_label->setText(!tip.isEmpty() ? tip : m_text.isEmpty() ? m_default : m_text);
        return true;
    }
    return QStatusBar::eventFilter(watched, event);
}

Folder::Folder(QWidget* parent) : QTabWidget(parent) {}

int Folder::addPage(QWidget* page, const std::string& caption)
{
    return addTab(page, fromTis(caption));
}

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent)
{
    setRange(0, 100);
    setValue(0);
}

void ProgressBar::setPercent(int percent)
{
    setValue(std::clamp(percent, 0, 100));
    repaint();
}

void processPendingPaint()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void installIdleHook()
{
    core::setIdleHook(&processPendingPaint);
}

WaitWindow::WaitWindow(const std::string& title, QWidget* parent)
    : QFrame(parent ? parent : QApplication::activeWindow(), Qt::Tool | Qt::FramelessWindowHint),
      m_step(new QLabel(this))
{
    setFont(screenFont());
    setFrameShape(QFrame::Box);
    setLineWidth(2);
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(fromTis(title), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);
    layout->addWidget(m_step);
    m_step->setMinimumWidth(280);
    adjustSize();
    show();
    centreOver(this, parentWidget());
    repaint();
    processPendingPaint();
}

void WaitWindow::setStep(const std::string& text)
{
    m_step->setText(fromTis(text));
    m_step->repaint();
    processPendingPaint();
}

QString WaitWindow::stepText() const
{
    return m_step->text();
}

}  // namespace ui
