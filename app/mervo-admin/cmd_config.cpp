#include <iostream>

#include "commands.h"
#include "core/ini_file.h"
#include "core/paths.h"
#include "core/tis620.h"

namespace admin {

// config CONFIG.INI SECTION KEY [VALUE]: prints one key of a configuration file, or writes it.
// Values are UTF-8 on the command line and TIS-620 in the file. Exit 0 done, 1 the key is absent
// (reading) or the file cannot be written, 2 bad arguments.
int cmdConfig(const Args& args)
{
    if (args.size() < 3 || args.size() > 4 || args[1].empty() || args[2].empty()) {
        std::cerr << "usage: mervo-admin config CONFIG.INI SECTION KEY [VALUE]\n";
        return 2;
    }
    core::IniFile ini(core::paths::native(args[0]));
    const std::string section = core::tis620::fromUtf8(args[1]);
    const std::string key = core::tis620::fromUtf8(args[2]);
    if (args.size() == 3) {
        const std::optional<std::string> value = ini.get(section, key);
        if (!value) {
            std::cerr << "mervo-admin config: " << args[0] << ": no key \"" << args[2] << "\" in [" << args[1] << "]\n";
            return 1;
        }
        std::cout << core::tis620::toUtf8(*value) << '\n';
        return 0;
    }
    if (args[3].find_first_of("\r\n") != std::string::npos) {
        std::cerr << "mervo-admin config: a value is one line\n";
        return 2;
    }
    if (!ini.set(section, key, core::tis620::fromUtf8(args[3]))) {
        std::cerr << "mervo-admin config: " << ini.error() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace admin
