// The print templates of a demo site: one file per form name the program prints - "Ticket11" ..
// "Ticket52" and "Print11" .. "Print52" (weighing tickets of the five kinds, open and complete),
// "Money1" .. "Money4" (vouchers, 1 and 2 with their settlement lines) and "Stock1" (production
// with its lines) - laid out as real Thai weighing tickets and vouchers on continuous 9.5 x 5.5
// inch paper. Files are TIS-620 with CR LF line ends, as sites edit them.
#pragma once

#include <string>
#include <vector>

namespace site {

// Every form name the program prints.
std::vector<std::string> printFormNames();

// The template text of one form name (TIS-620); empty for a name that is not a form.
std::string demoTemplate(const std::string& form);

// Writes every template into the folder (the site's CDRV1, native, ending with '/') as
// form + ".txt". False with a reason (UTF-8) when a file could not be written.
bool writeDemoTemplates(const std::string& folder, std::string* error);

}  // namespace site
