// Driving the ticket screens' Qt dialogs in tests: showing a window as the active one, typing into
// a field as a person does, the tool bar pictures, and a demo site started on as the program starts.
#pragma once

#include <string>

#include "core/settings.h"
#include "support/qt_typing.h"
#include "ui/entry_field.h"

namespace tickettest {

using testsupport::showActive;

// The tool bar pictures a site is made with, in the test site whose code tables are in `tables`.
void addToolPictures(const std::string& tables);

// Focus into the field (its window made active), the field left before it checked, the text typed
// over what the field held, Tab.
void typeInto(ui::EntryField* f, const std::string& utf8);

// Indicator port 1 set as mervo-scale-sim writes (9600 7E1, two header and five weight
// characters): three equal frames make a stable weight, read every 50 ms, taken once stable.
void useSimulatedIndicator(core::Settings& s);

// A demo site made by `mervo-admin init SITE --demo --no-week` (the demo's codes, templates and
// reports, the books empty and every series at 1, so a day's numbers and balances are its own) and
// started on as the program starts: the program-wide settings read from its configuration file, its
// folders, the user ADMIN and the simulated indicator. Failures are test failures.
void startDemoSite(const std::string& site);

}  // namespace tickettest
