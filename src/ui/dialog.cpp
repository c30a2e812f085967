#include "ui/dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>

#include "ui/fonts.h"
#include "ui/thai_text.h"

namespace ui {

Dialog::Dialog(const std::string& title, QWidget* parent)
    : QDialog(parent ? parent : QApplication::activeWindow())
{
    setTitle(title);
    setFont(screenFont());
    setModal(true);
}

void Dialog::setTitle(const std::string& title)
{
    setWindowTitle(fromTis(title));
}

void Dialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    centreOver(this, parentWidget());
}

void centreOver(QWidget* window, QWidget* over)
{
    QRect area;
    if (over && over->window()->isVisible())
        area = over->window()->frameGeometry();
    else if (QScreen* screen = window->screen())
        area = screen->availableGeometry();
    if (area.isEmpty())
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(area.center());
    window->move(frame.topLeft());
}

ScreenDialog::ScreenDialog(const std::string& title, std::function<bool()> mayClose, QWidget* parent)
    : Dialog(title, parent), m_mayClose(std::move(mayClose))
{
}

void ScreenDialog::done(int result)
{
    if (m_mayClose && !m_mayClose())
        return;
    Dialog::done(result);
}

void ScreenDialog::closeEvent(QCloseEvent* event)
{
    if (m_mayClose && !m_mayClose())
        event->ignore();
    else
        event->accept();
}

void ScreenDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QWidget* focus = focusWidget();
        if (auto* b = qobject_cast<QAbstractButton*>(focus))
            b->click();
        else if (focus)
            focusNextChild();
        return;
    }
    Dialog::keyPressEvent(event);
}

}  // namespace ui
