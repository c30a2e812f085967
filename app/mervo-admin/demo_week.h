// Demo content: a week of history on a new demo site, so every report and screen has something to
// show and the books and the weighing evidence have real content. It is weighed, paid and produced
// through the screens' own models (the ticket, voucher and production screens, their saves and
// postings) with the weights read by the weight dialog's model from indicator frames the simulator
// encodes - nothing is written into a table behind the screens' backs.
//
// The week runs on the seven days before the day the site is made, on a clock of its own (the clock
// seam): every kind of ticket weighed in and out, one weight corrected by hand in an edit, one
// ticket deleted, a payment and a receipt settling tickets through the ticket selection, and a
// production record with lines. The same date always gives the same week.
#pragma once

#include <string>

#include "site/site_setup.h"

namespace admin {

// The demo step: runs the week on the new site (the program-wide settings, seams and current
// folder are those of the site meanwhile, and put back after). False with a reason (UTF-8).
bool weighDemoWeek(const site::Site& site, std::string* error);

// The number of days before the site's "today" the week begins.
inline constexpr int kDemoWeekDays = 7;

}  // namespace admin
