// The printed fonts and pens of the settings, as every printing screen builds them: font n (1..6)
// is CFONTn with the sizes CWIDTHn and CHEIGHTn (texts read as numbers, anything else 0), pen n
// (1..3) is CPENn. Report fonts (1..3) are drawn on the printer at CPRNFAC times their size.
// Pure functions of a settings store; any thread that owns it.
#pragma once

#include "core/print_job.h"
#include "core/settings.h"

namespace core {

// CPRNFAC as a number of at least 1 (start-up already clamps it; a text or a missing value counts 1).
double printerFactor(const Settings& settings);

// Font n of the settings with width and height multiplied by factor (rounded to whole size units).
PrintFont settingsFont(const Settings& settings, int n, double factor = 1.0);

// Report font n (1 data rows, 2 group lines, 3 headings): settingsFont(n, printerFactor()).
PrintFont reportFont(const Settings& settings, int n);

// The width of pen n (1 thin, 2 medium, 3 thick) in size units; 0 (the thinnest) when not a number.
int settingsPen(const Settings& settings, int n);

}  // namespace core
