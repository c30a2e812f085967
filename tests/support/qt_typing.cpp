#include "support/qt_typing.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

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

void expectFitsSmallScreen(QWidget& screen)
{
    showActive(screen);
    screen.adjustSize();
    QCoreApplication::processEvents();
    const std::string title = screen.windowTitle().toStdString();
    EXPECT_LE(screen.width(), 1024) << title;
    EXPECT_LE(screen.height(), 700) << title;
    const auto inside = [&](QWidget* w) {
        if (!w->isVisibleTo(&screen))
            return;
        const QRect at(w->mapTo(&screen, QPoint(0, 0)), w->size());
        EXPECT_TRUE(screen.rect().contains(at)) << title << ": " << w->metaObject()->className() << " "
                                                << w->objectName().toStdString() << " at " << at.x() << ","
                                                << at.y() << " " << at.width() << "x" << at.height();
    };
    // Entry fields are line edits underneath.
    for (QWidget* w : screen.findChildren<QLineEdit*>())
        inside(w);
    for (QWidget* w : screen.findChildren<QAbstractButton*>())
        inside(w);
}

}  // namespace testsupport
