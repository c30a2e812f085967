#include "commands.h"

#include <iostream>

#include "command_line.h"

#include "core/settings.h"
#include "core/tis620.h"
#include "shell/config.h"
#include "shell/startup.h"

namespace admin {

// settings [CONFIG.INI]: start-up on that file, then NAME=value for every standard key's variable.
int cmdSettings(const Args& args)
{
    std::string config;
    CommandLine line("settings", "settings [CONFIG.INI]");
    line.positional("CONFIG.INI", &config, "the configuration file (default MERVO.INI in the current folder)");
    if (const auto code = line.parse(args))
        return *code;
    core::Settings settings;
    shell::startUp(settings, line.given("CONFIG.INI") ? std::string_view(config) : std::string_view());
    for (const shell::ConfigKey& k : shell::configKeys())
        std::cout << k.variable << '=' << core::tis620::toUtf8(settings.get(k.variable).toDisplayText()) << '\n';
    return 0;
}

}  // namespace admin
