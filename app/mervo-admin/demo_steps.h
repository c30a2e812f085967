// The demo content `mervo-admin init --demo` writes into a new site, as a list of steps run in
// order after the empty site is complete. A subsystem adds its own step (pictures and sounds of
// the main window, print templates, report definitions ...) as one line in demo_steps.cpp and
// links its library to mervo-admin in app/CMakeLists.txt; a step gets the new site's folders and
// settings (site/site_setup.h) and must not need a display.
#pragma once

#include <vector>

#include "site/site_setup.h"

namespace admin {

// withWeek: also the week of history weighed on the site (site/demo_week.h), the last step.
std::vector<site::DemoStep> demoSteps(bool withWeek = true);

}  // namespace admin
