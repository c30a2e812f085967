// Start-up of the program up to the login: the configuration file read into the settings store,
// with the program's corrections applied (font minimums, ratio and print factor clamps, stability
// count), and the file created when it did not exist.
#pragma once

#include <string_view>

#include "core/settings.h"

namespace shell {

// The configuration file used when none is named on the command line.
inline constexpr std::string_view kDefaultConfigFile = ".\\MERVO.INI";

// Creates every program-wide variable in `settings` and fills it from the configuration file
// `configFile` (the program's first argument; empty means kDefaultConfigFile), which is created
// with every key when missing. Tables are not touched here: nothing is open yet.
void startUp(core::Settings& settings, std::string_view configFile);

// CHKFONT: report font heights (1-3) below 16 in absolute value become "-16", document font
// heights (4-6) below 30 become "-30". Heights that are not numbers count as 0.
void CHKFONT(core::Settings& settings);

}  // namespace shell
