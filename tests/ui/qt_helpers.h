// Helpers of the toolkit tests: showing a window so that it takes the keyboard focus offscreen.
#pragma once

#include <QApplication>
#include <QTest>
#include <QWidget>

namespace uitest {

inline void showActive(QWidget& w)
{
    w.show();
    w.activateWindow();
    QApplication::setActiveWindow(&w);
    (void)QTest::qWaitForWindowExposed(&w);
    QCoreApplication::processEvents();
}

}  // namespace uitest
