// Dialog: the base of every modal dialog of the program - its title in TIS-620 (the caller passes
// the whole title, by the program's convention two blanks and the section name), the screen font
// OFONT0, and centred over the window it belongs to (or the screen) when shown.
#pragma once

#include <QDialog>
#include <string>

namespace ui {

class Dialog : public QDialog {
    Q_OBJECT
public:
    // parent nullptr: the active window, if any.
    explicit Dialog(const std::string& title, QWidget* parent = nullptr);
    void setTitle(const std::string& title);

protected:
    void showEvent(QShowEvent* event) override;
};

// Moves a top-level widget to the centre of its parent window, or of the screen without one.
void centreOver(QWidget* window, QWidget* over);

}  // namespace ui
