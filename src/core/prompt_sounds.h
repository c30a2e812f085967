// Prompt sounds and spoken numbers, played from wave files in the "sounds" folder under CDRV1.
//
// Both read the program-wide settings (CSYSSOUND, CDRV1) and play through core::sound(); with
// "Sound" set to anything but "Y" nothing at all is played. Missing files are skipped silently.
#pragma once

#include <optional>
#include <string_view>

namespace core {

// TSOUND: plays prefix + the number in two digits + ".wav". Without flags the sound plays
// asynchronously; flags 0 plays it to the end before returning. Always returns true.
bool TSOUND(int number, std::optional<int> flags = std::nullopt, std::string_view prefix = "TSound");

// NSOUND: speaks the integer part of the value in Thai with the "Number" files, each to its end;
// mode 0 ends with the unit word (file 21).
void NSOUND(double value, int mode = 0);

}  // namespace core
