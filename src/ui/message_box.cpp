#include "ui/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "core/tis620.h"
#include "ui/fonts.h"
#include "ui/thai_text.h"

namespace ui {
namespace {

QMessageBox::Icon iconOf(core::MessageKind kind)
{
    switch (kind) {
    case core::MessageKind::Info: return QMessageBox::Information;
    case core::MessageKind::Alert: return QMessageBox::Warning;
    case core::MessageKind::Stop: return QMessageBox::Critical;
    }
    return QMessageBox::Information;
}

QString caption(std::string_view utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }

}  // namespace

void QtPrompts::message(core::MessageKind kind, const std::string& text, const std::string& title)
{
    QMessageBox box(iconOf(kind), fromTis(title), fromTis(text), QMessageBox::NoButton, QApplication::activeWindow());
    box.setFont(screenFont());
    QPushButton* ok = box.addButton(caption("&ตกลง"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
}

bool QtPrompts::confirm(const std::string& text, const std::string& title)
{
    QMessageBox box(QMessageBox::Question, fromTis(title), fromTis(text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setFont(screenFont());
    QPushButton* yes = box.addButton(caption("&ใช่"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(caption("&ไม่ใช่"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

}  // namespace ui
