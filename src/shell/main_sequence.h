// MAIN: the program from start to end, in its order. Start-up (steps 1-10: the settings read,
// corrected and written, nobody logged in) is shell::startUp; the steps that need the screen are
// the host's: building the window resources, the login, the main window's whole life. A failed
// or cancelled login ends the program without a main window.
#pragma once

#include <string_view>

namespace shell {

class MainHost {
public:
    virtual ~MainHost() = default;
    // Closes every table of the program (steps 10 and 18).
    virtual void closeAllTables() = 0;
    // Step 11: icon, background brush, hand cursor and the screen font OFONT0.
    virtual void prepareScreen() = 0;
    // Step 12: PASSWC; true when a user logged in.
    virtual bool login() = 0;
    // Steps 13-17: the main window created and shown; returns when FINISH let it close.
    virtual void runMainWindow() = 0;
};

// Runs the program on the configuration file (empty: .\MERVO.INI) with the program-wide settings
// of core::programSettings(), which are released at the end. Returns the exit code (0).
int MAIN(MainHost& host, std::string_view configFile);

}  // namespace shell
