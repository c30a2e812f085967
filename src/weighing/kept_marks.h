// Lines a person marked by hand before their document was deleted.
//
// Deleting a document marks its live lines and reverses them; undeleting it must post again
// exactly those lines - not the ones somebody had already marked by hand, which would bring back
// stock nobody weighed or settle a ticket a second time. The line tables have no field to tell the
// two apart and keep their layout, so the hand-marked lines found at a deletion are remembered in
// a table of the program's own beside the line tables, KEPTMARK.DBF:
//
//   CODE   C 5   the line kind ("MON_1", "MON_2", "STK_1")
//   INDENT C 15  the document's link key
//   RECORD C 15  the line's own key
//
// A deletion that finds no hand-marked line writes nothing (the table need not exist); an
// undeletion reads its document's rows and marks them deleted. A site whose table went missing
// posts every marked line again on an undeletion, as the line tables alone would say.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "storage/status.h"

namespace weighing::keptmarks {

inline constexpr const char* kTableFile = "KEPTMARK.DBF";

// Appends one row for each of `records` (none: nothing is done, nothing created), the table
// created in `folder` when missing. Appends wait without limit for other workstations.
storage::Status remember(const std::string& folder, std::string_view code, std::string_view indent,
                         const std::vector<std::string>& records);

// The RECORD keys remembered for the document, their rows marked deleted. Empty when there are
// none or the table is not there.
std::vector<std::string> take(const std::string& folder, std::string_view code, std::string_view indent);

}  // namespace weighing::keptmarks
