// The program's MAIN on the screen: the window resources, the login dialog and the main window's
// life, for shell::MAIN. The dispatcher outlives the host; later subsystems register their
// commands on it before MAIN runs. GUI thread only.
#pragma once

#include "shell/main_sequence.h"
#include "shell/menu.h"

namespace shell {

class MainWindow;

class QtMainHost : public MainHost {
public:
    explicit QtMainHost(Dispatcher& dispatcher) : m_dispatcher(dispatcher) {}

    void closeAllTables() override;
    void prepareScreen() override;
    bool login() override;
    // Shows the main window maximised and runs its events until FINISH let it close.
    void runMainWindow() override;

    // The main window while it runs (tests drive it), else nullptr.
    MainWindow* mainWindow() const { return m_window; }

private:
    Dispatcher& m_dispatcher;
    MainWindow* m_window = nullptr;
};

}  // namespace shell
