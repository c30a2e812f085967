#include "shell/dialogs/qt_main_host.h"

#include <QApplication>
#include <QEventLoop>

#include "errors/error_dialog.h"
#include "errors/work_areas.h"
#include "shell/dialogs/login_dialog.h"
#include "shell/dialogs/main_window.h"
#include "ui/fonts.h"

namespace shell {

void QtMainHost::closeAllTables()
{
    errors::closeAllInUse();
}

void QtMainHost::prepareScreen()
{
    ui::installFontSubstitutions();
    QApplication::setWindowIcon(programIcon());
    QApplication::setQuitOnLastWindowClosed(false);  // the login closes before the main window opens
    QApplication::setFont(ui::screenFont());  // OFONT0 for every window and dialog
}

bool QtMainHost::login()
{
    return PASSWC();
}

void QtMainHost::runMainWindow()
{
    MainWindow window(m_dispatcher);
    window.registerOwnActions();
    m_window = &window;
    QEventLoop loop;
    QObject::connect(&window, &MainWindow::finished, &loop, &QEventLoop::quit);
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &loop, &QEventLoop::quit);
    window.showMaximized();
    errors::setMainLoopRunning(true);
    loop.exec();
    errors::setMainLoopRunning(false);
    m_window = nullptr;
}

}  // namespace shell
