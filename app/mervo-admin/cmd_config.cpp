#include <iostream>

#include "command_line.h"
#include "core/ini_file.h"
#include "core/paths.h"
#include "core/tis620.h"

namespace admin {

// config CONFIG.INI SECTION KEY [VALUE]: prints one key of a configuration file, or writes it.
// Values are UTF-8 on the command line and TIS-620 in the file. Exit 0 done, 1 the key is absent
// (reading) or the file cannot be written, 2 bad arguments.
int cmdConfig(const Args& args)
{
    std::string file, sectionName, keyName, value;
    CommandLine line("config", "config CONFIG.INI SECTION KEY [VALUE]");
    line.positional("CONFIG.INI", &file, "the configuration file", Need::Required);
    line.positional("SECTION", &sectionName, "the section, any letter case", Need::Required);
    line.positional("KEY", &keyName, "the key, any letter case", Need::Required);
    line.positional("VALUE", &value, "the value to write (UTF-8, one line); without it the key is printed");
    line.allowDash("VALUE", &value);
    if (const auto code = line.parse(args))
        return *code;
    if (sectionName.empty() || keyName.empty())
        return line.refuse();
    core::IniFile ini(core::paths::native(file));
    const std::string section = core::tis620::fromUtf8(sectionName);
    const std::string key = core::tis620::fromUtf8(keyName);
    if (!line.given("VALUE")) {
        const std::optional<std::string> value = ini.get(section, key);
        if (!value) {
            std::cerr << "mervo-admin config: " << file << ": no key \"" << keyName << "\" in [" << sectionName << "]\n";
            return 1;
        }
        std::cout << core::tis620::toUtf8(*value) << '\n';
        return 0;
    }
    if (value.find_first_of("\r\n") != std::string::npos) {
        std::cerr << "mervo-admin config: a value is one line\n";
        return 2;
    }
    if (!ini.set(section, key, core::tis620::fromUtf8(value))) {
        std::cerr << "mervo-admin config: " << ini.error() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace admin
