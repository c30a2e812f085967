#include "ui/dialog.h"

#include <QApplication>
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

}  // namespace ui
