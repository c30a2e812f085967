#include "core/print_settings.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/xbase.h"

namespace core {

double printerFactor(const Settings& settings)
{
    const Value& v = settings.get("CPRNFAC");
    const double f = v.isNumber() ? v.asNumber() : xbase::val(v.isText() ? v.asText() : std::string()).value;
    return f >= 1 ? f : 1.0;
}

PrintFont settingsFont(const Settings& settings, int n, double factor)
{
    const std::string i = std::to_string(n);
    PrintFont f;
    f.face = xbase::alltrim(settings.text("CFONT" + i));
    f.width = int(std::lround(xbase::val(settings.text("CWIDTH" + i)).value * factor));
    f.height = int(std::lround(xbase::val(settings.text("CHEIGHT" + i)).value * factor));
    return f;
}

PrintFont reportFont(const Settings& settings, int n)
{
    return settingsFont(settings, n, printerFactor(settings));
}

int settingsPen(const Settings& settings, int n)
{
    return std::max(0, int(xbase::val(settings.text("CPEN" + std::to_string(n))).value));
}

}  // namespace core
