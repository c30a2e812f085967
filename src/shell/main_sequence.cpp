#include "shell/main_sequence.h"

#include "core/settings.h"
#include "shell/startup.h"

namespace shell {

int MAIN(MainHost& host, std::string_view configFile)
{
    core::Settings& s = core::programSettings();
    startUp(s, configFile);  // 1-9, and CUSER empty (10)
    host.closeAllTables();   // 10
    host.prepareScreen();    // 11
    if (host.login())        // 12
        host.runMainWindow();  // 13-17
    host.closeAllTables();   // 18
    s.clear();
    return 0;
}

}  // namespace shell
