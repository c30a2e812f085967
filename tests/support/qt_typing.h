// Typing into widgets in tests. QTest::keyClicks aborts on Thai text (it maps every character to
// an ASCII key), so each character goes as its own key event with the text attached.
#pragma once

#include <QString>
#include <functional>
#include <string>

class QWidget;

namespace testsupport {

// Types UTF-16 text, one key event per character, into the widget (it need not have the focus).
void typeText(QWidget* widget, const QString& text);
// The same for UTF-8 text.
void typeUtf8(QWidget* widget, const std::string& utf8);
// Presses a key (Qt::Key_Tab, Qt::Key_Backspace ...) on the widget with the modifiers.
void pressKey(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Moves the focus on as Tab does in the widget's window, then lets queued work (validations) run.
void tabAway(QWidget* widget);
// Runs `act` once the next modal dialog or message box is up, then returns; used around a call
// that opens one and waits for it.
void whenModal(std::function<void(QWidget* modal)> act);
// Lets queued events and zero-time timers run.
void settle();
// Makes a shown window the active one, so that it takes the keyboard focus offscreen (a modal
// dialog the test types into has its fields left as by a person).
void activate(QWidget* w);
// Shows the window and makes it the active one.
void showActive(QWidget& w);
// A screen, shown at its own size, fits a 1024 x 768 display with a task bar and a title bar
// (1024 x 700), and each of its entries and buttons lies within it.
void expectFitsSmallScreen(QWidget& screen);

}  // namespace testsupport
