// Access rights: the user's rights string (CTRUSTEE), one digit 0..6 per rights position 1..33.
//
// Level meanings: 1 look and search, 2 also print, 3 also add, 4 also change, 5 also delete,
// 6 full authority. A character that is not a digit, or a position beyond the string, is level 0.
#pragma once

#include <string>
#include <string_view>

namespace shell {

inline constexpr int kRightsLength = 42;
inline constexpr int kRightsPositions = 33;

// The level at a 1-based position of a rights string.
int rightsLevel(std::string_view rights, int position);
// The logged-in user's level at a position (from CTRUSTEE).
int userLevel(int position);

// AUTHCHK: true when the user's level at the position is at least the minimum; otherwise shows
// the refusal message and returns false.
bool AUTHCHK(int position, int minimumLevel);

// TRUSCHK: true for "0".."6"; anything else shows the legend of levels and returns false.
bool TRUSCHK(std::string_view digit);

// The 42 cells of a rights string as the rights editor keeps them: every character outside
// "0123456" (and every missing one) becomes "0".
std::string normalizedRights(std::string_view rights);

// The label of a rights position in the rights editor (UTF-8), 1..33.
const char* rightsLabel(int position);
// The seven legend lines, each padded with blanks to 36 characters (TIS-620).
std::string rightsLegendLine(int level);

}  // namespace shell
