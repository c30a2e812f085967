// SHOWIMAGE on the screen: a small dialog showing one picture of the "IMAGE" folder (or the
// "no image" picture, codes/show_image.h), titled with the caption; a click on the picture closes
// it. GUI thread only.
#pragma once

#include <string_view>

#include "codes/show_image.h"
#include "ui/dialog.h"

class QLabel;

namespace codes {

class ShowImageDialog : public ui::Dialog {
    Q_OBJECT
public:
    explicit ShowImageDialog(const ImageToShow& image, QWidget* parent = nullptr);
    QLabel* picture() const { return m_picture; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_picture;
};

// SHOWIMAGE(file name, caption): the dialog, modal, until the picture is clicked or it is closed.
void SHOWIMAGE(std::string_view fileName, std::string_view caption, QWidget* parent = nullptr);

}  // namespace codes
