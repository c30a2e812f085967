#include "support/qt_typing.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

namespace testsupport {

void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void typeUtf8(QWidget* widget, const std::string& utf8)
{
    typeText(widget, QString::fromUtf8(utf8.c_str()));
}

void pressKey(QWidget* widget, int key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(widget, Qt::Key(key), modifiers);
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

void activate(QWidget* w)
{
    w->activateWindow();
    QApplication::setActiveWindow(w);
    (void)QTest::qWaitForWindowExposed(w);
    settle();
}

void showActive(QWidget& w)
{
    w.show();
    activate(&w);
}

void tabAway(QWidget* widget)
{
    QTest::keyClick(widget, Qt::Key_Tab);
    settle();
}

void whenModal(std::function<void(QWidget* modal)> act)
{
    auto* timer = new QTimer();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act = std::move(act)] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(modal);
        }
    });
    timer->start();
}

}  // namespace testsupport
