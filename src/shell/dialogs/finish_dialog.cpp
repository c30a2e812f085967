#include "shell/dialogs/finish_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/thai_text.h"

namespace shell {

FinishDialog::FinishDialog(QWidget* parent)
    : ui::Dialog(FinishModel::title(), parent),
      m_ok(new QPushButton(ui::fromTis(FinishModel::okCaption()), this)),
      m_cancel(new QPushButton(ui::fromTis(FinishModel::cancelCaption()), this))
{
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel(this);
    const QPixmap goodbye(QString::fromLocal8Bit(FinishModel::picturePath().c_str()));
    if (!goodbye.isNull())
        picture->setPixmap(goodbye);
    picture->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture);
    auto* text = new QLabel(ui::fromTis(FinishModel::text()), this);
    text->setAlignment(Qt::AlignCenter);
    layout->addWidget(text);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool FINISH(QWidget* parent)
{
    FinishModel model;
    FinishDialog dialog(parent);
    model.opened();
    const bool ok = dialog.exec() == QDialog::Accepted;
    return model.decide(ok);
}

}  // namespace shell
