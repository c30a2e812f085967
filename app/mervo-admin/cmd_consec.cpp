#include <iostream>

#include "commands.h"
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
    if (args.size() != 3 || !(core::xbase::equalsNoCase(args[2], "R") || core::xbase::equalsNoCase(args[2], "W")) ||
        args[1].empty()) {
        std::cerr << "usage: mervo-admin consec CONFIG SERIES R|W\n";
        return 2;
    }
    std::string error;
    if (!startSite(args[0], &error)) {
        std::cerr << "mervo-admin consec: " << error << '\n';
        return 2;
    }
    TerminalPrompts prompts;
    const std::string number = storage::CONSEC(core::tis620::fromUtf8(args[1]), core::xbase::upper(args[2]));
    std::cout << number << '\n';
    return prompts.shown == 0 ? 0 : 1;
}

}  // namespace admin
