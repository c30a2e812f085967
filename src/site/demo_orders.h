// Demo content of the status screens for `mervo-admin init --demo`: a few customers' purchase
// orders over the demo codes, so a dispatch ticket of a demo site can quote one. Runs on a new site
// nobody uses yet; one thread.
#pragma once

#include <string>

namespace site {

// Appends the demo purchase orders to "OrAcc" in `dataFolder` (the site's CDRV2, native, ending with
// '/') through the normal shared append, every index kept. False with *error (UTF-8) on failure.
bool writeDemoOrders(const std::string& dataFolder, std::string* error);

}  // namespace site
