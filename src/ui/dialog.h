// Dialog: the base of every modal dialog of the program - its title in TIS-620 (the caller passes
// the whole title, by the program's convention two blanks and the section name), the screen font
// OFONT0, and centred over the window it belongs to (or the screen) when shown.
#pragma once

#include <QDialog>
#include <functional>
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

// The dialog of a data-entry screen: each way of closing it (a button, Escape, the window's close
// box, Alt+F4) asks `mayClose` once, and it closes only on true. `mayClose` is the screen's own
// exit: it may ask the person or cancel an entry in progress and answer false to stay open. Enter
// presses the button that has the focus or moves on from a field as Tab does.
class ScreenDialog : public Dialog {
    Q_OBJECT
public:
    ScreenDialog(const std::string& title, std::function<bool()> mayClose, QWidget* parent = nullptr);
    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::function<bool()> m_mayClose;
};

// Moves a top-level widget to the centre of its parent window, or of the screen without one.
void centreOver(QWidget* window, QWidget* over);

}  // namespace ui
