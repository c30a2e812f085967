#include "core/printer_choice.h"

#include "core/sound.h"
#include "core/xbase.h"

namespace core {

std::optional<std::string> findPrinter(std::string_view wanted, const std::vector<std::string>& installed)
{
    const std::string want = xbase::upper(wanted);
    for (const std::string& name : installed)
        if (xbase::upper(name) == want)
            return name;
    if (want.empty())
        return std::nullopt;
    for (const std::string& name : installed)
        if (xbase::upper(name).find(want) != std::string::npos)
            return name;
    return std::nullopt;
}

void noPrinterBeep()
{
    sound().tone(900, 100);
}

std::optional<std::string> choosePrinter(Printers& printers, std::string_view wanted, const std::string& title)
{
    if (auto found = findPrinter(wanted, printers.installed()))
        return found;
    noPrinterBeep();
    return printers.choose(title);
}

}  // namespace core
