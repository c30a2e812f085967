// The program-wide variables (VARFILE, CUSER, CDRV1, NFONTRATIO ...): one ValueMap that lives from
// start-up to exit. Values are mostly texts in TIS-620 exactly as the configuration file holds
// them; NFONTRATIO and CPRNFAC are numbers after start-up.
#pragma once

#include "core/value_map.h"

namespace core {

using Settings = ValueMap;

// The program's one store of program-wide variables (filled by start-up). Tests may clear it.
Settings& programSettings();

}  // namespace core
