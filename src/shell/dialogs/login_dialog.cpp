#include "shell/dialogs/login_dialog.h"

#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialog.h"
#include "ui/thai_text.h"
#include "shell/main_window_model.h"

namespace shell {

ClickablePicture::ClickablePicture(const std::string& path, QWidget* parent) : QLabel(parent)
{
    const QPixmap picture(QString::fromLocal8Bit(path.c_str()));
    if (!picture.isNull())
        setPixmap(picture);
    setAlignment(Qt::AlignCenter);
    setCursor(Qt::PointingHandCursor);
}

void ClickablePicture::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QLabel::mousePressEvent(event);
}

LoginDialog::LoginDialog(LoginModel& model, QWidget* parent)
    : ui::FormDialog(LoginModel::title(), model.values(),
                     {
                         {.label = LoginModel::codeLabel(), .name = "USER", .picture = "@!",
                          .width = LoginModel::kCodeChars},
                         {.label = LoginModel::passwordLabel(), .name = "PASSWORD", .picture = "@!",
                          .width = LoginModel::kPasswordChars, .masked = true},
                     },
                     parent),
      m_model(model)
{
    m_picture = new ClickablePicture(LoginModel::picturePath(), this);
    static_cast<QVBoxLayout*>(layout())->insertWidget(0, m_picture);
    connect(m_picture, &ClickablePicture::clicked, this, [this] { WELMESS(this); });
    m_ok = addButton(LoginModel::okCaption(), [this] { ok(); });
    m_ok->setDefault(true);
    m_cancel = addButton(LoginModel::cancelCaption(), [this] { reject(); }, false);
    codeField()->setFocus();
}

void LoginDialog::ok()
{
    if (m_model.ok()) {
        accept();
        return;
    }
    codeField()->setFocus();
    codeField()->selectAll();
}

bool PASSWC(QWidget* parent)
{
    LoginModel model;
    {
        LoginDialog dialog(model, parent);
        model.opened();
        dialog.exec();
    }
    return model.finish();
}

bool WELMESS(QWidget* parent)
{
    const std::optional<std::string> text = announcement();
    if (!text)
        return false;
    ui::Dialog dialog(announcementTitle(), parent);
    auto* layout = new QVBoxLayout(&dialog);
    auto* box = new QPlainTextEdit(ui::fromTis(*text), &dialog);
    box->setFixedSize(260, 170);
    layout->addWidget(box);
    auto* back = new QPushButton(ui::fromTis(announcementButton()), &dialog);
    QObject::connect(back, &QPushButton::clicked, &dialog, &QDialog::accept);
    layout->addWidget(back, 0, Qt::AlignCenter);
    dialog.exec();
    return false;
}

}  // namespace shell
