#include "codes/dialogs/show_image_dialog.h"

#include <QEvent>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace codes {

ShowImageDialog::ShowImageDialog(const ImageToShow& image, QWidget* parent)
    : ui::Dialog(image.title, parent), m_picture(new QLabel(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_picture);
    const QPixmap pixmap(QString::fromLocal8Bit(image.path.c_str()));
    if (pixmap.isNull())
        m_picture->setMinimumSize(160, 120);
    else
        m_picture->setPixmap(pixmap);
    m_picture->setCursor(Qt::PointingHandCursor);
    m_picture->installEventFilter(this);
}

bool ShowImageDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_picture && event->type() == QEvent::MouseButtonRelease) {
        accept();
        return true;
    }
    return ui::Dialog::eventFilter(watched, event);
}

void SHOWIMAGE(std::string_view fileName, std::string_view caption, QWidget* parent)
{
    ShowImageDialog dialog(showImage(fileName, caption), parent);
    dialog.exec();
}

}  // namespace codes
