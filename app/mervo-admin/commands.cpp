#include "commands.h"

#include <iostream>

#include "core/settings.h"
#include "core/tis620.h"
#include "shell/config.h"
#include "shell/startup.h"

namespace admin {

// settings [CONFIG.INI]: start-up on that file, then NAME=value for every standard key's variable.
int cmdSettings(const Args& args)
{
    if (args.size() > 1) {
        std::cerr << "usage: mervo-admin settings [CONFIG.INI]\n";
        return 2;
    }
    core::Settings settings;
    shell::startUp(settings, args.empty() ? std::string_view() : std::string_view(args[0]));
    for (const shell::ConfigKey& k : shell::configKeys())
        std::cout << k.variable << '=' << core::tis620::toUtf8(settings.get(k.variable).toDisplayText()) << '\n';
    return 0;
}

}  // namespace admin
