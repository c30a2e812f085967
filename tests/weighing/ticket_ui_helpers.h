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

// A demo site without its week (the books empty, every series at 1) started on as the program starts,
// as user ADMIN with the simulated indicator on port 1.
void startDemoSite(const std::string& site);

}  // namespace tickettest
