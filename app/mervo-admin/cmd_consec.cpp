#include <iostream>

#include "command_line.h"
#include "core/prompts.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "site_start.h"
#include "storage/ops.h"

namespace admin {

// consec CONFIG SERIES R|W: the document number CONSEC gives for the series of the site's
// "Consec" - R peeks at the next one, W takes it. Prints the six digits. Exit codes: 0 done,
// 1 "Consec" could not be opened or has no such series (the message on stderr; "000000" is
// printed as CONSEC returns it), 2 usage or no such configuration file.
int cmdConsec(const Args& args)
{
    std::string config, series, mode;
    CommandLine line("consec", "consec CONFIG SERIES R|W");
    line.positional("CONFIG", &config, "the site's configuration file", Need::Required);
    line.positional("SERIES", &series, "the series of \"Consec\"", Need::Required);
    line.positional("R|W", &mode, "R peeks at the next number, W takes it", Need::Required);
    if (const auto code = line.parse(args))
        return *code;
    if (!(core::xbase::equalsNoCase(mode, "R") || core::xbase::equalsNoCase(mode, "W")) || series.empty())
        return line.refuse();
    std::string error;
    if (!startSite(config, &error)) {
        std::cerr << "mervo-admin consec: " << error << '\n';
        return 2;
    }
    TerminalPrompts prompts;
    const std::string number = storage::CONSEC(core::tis620::fromUtf8(series), core::xbase::upper(mode));
    std::cout << number << '\n';
    return prompts.shown == 0 ? 0 : 1;
}

}  // namespace admin
