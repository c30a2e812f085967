// The configuration file's keys, their defaults and program-wide variables, and the routines that
// move values between the file and the settings store.
//
// kConfigKeys lists every key in the order start-up reads it. The program's extra keys (the device
// and the frame format behind each COM port, the discount rounding switch) follow in kExtraKeys: they
// are read when present and never written at start-up, so a new file holds exactly the standard
// keys; only the settings dialog writes a frame format the site chose.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/ini_file.h"
#include "core/settings.h"

namespace shell {

struct ConfigKey {
    const char* section;
    const char* key;
    const char* defaultUtf8;  // default value, UTF-8 in the source, TIS-620 in memory and file
    const char* variable;
    bool savedBySaveIni;
};

std::span<const ConfigKey> configKeys();  // the 65 standard keys, in reading order
std::span<const ConfigKey> extraKeys();   // the program's own keys, not written at start-up

// The default of a key's variable in TIS-620.
std::string defaultValue(const ConfigKey& k);

// Reads one key the way the program always does: the stored text, or the default when absent; a
// text equal to the default is written back at once (so the first start writes every key).
std::string readKey(core::IniFile& ini, const char* section, const char* key, const std::string& def);

// Writes one value: texts unchanged, numbers in plain decimal form with their decimals ("2.0"),
// dates dd/mm/yyyy, logicals ".T."/".F.".
bool writeKey(core::IniFile& ini, const char* section, const char* key, const core::Value& v);

// SAVEINI: writes the settings that the file keeps for the dialogs, in their order.
bool SAVEINI(const core::Settings& settings);

}  // namespace shell
