#include "shell/startup.h"

#include <cmath>

#include "core/identity.h"
#include "core/paths.h"
#include "core/xbase.h"
#include "shell/config.h"

namespace shell {

void CHKFONT(core::Settings& s)
{
    for (int i = 1; i <= 6; ++i) {
        const std::string name = "CHEIGHT" + std::to_string(i);
        const double h = std::fabs(core::xbase::val(s.text(name)).value);
        if (i <= 3 && h < 16)
            s.setText(name, "-16");
        else if (i >= 4 && h < 30)
            s.setText(name, "-30");
    }
}

void startUp(core::Settings& s, std::string_view configFile)
{
    // 1. The configuration file.
    s.setText("VARFILE", std::string(configFile.empty() ? kDefaultConfigFile : configFile));

    // 2. Every program-wide variable, with its default until the file is read.
    for (const ConfigKey& k : configKeys())
        s.setText(k.variable, defaultValue(k));
    for (const ConfigKey& k : extraKeys())
        s.setText(k.variable, defaultValue(k));
    for (const char* name : {"CUSER", "CLOGIN", "CTRUSTEE"})
        s.setText(name, "");

    // 3-4. Dates are always shown dd/mm/yyyy and two-digit years read in 1970..2069 (core::Date);
    // the platform gives far more than 100 file handles.

    // 5. Every key, in the order of the table.
    core::IniFile ini(core::paths::native(s.text("VARFILE")));
    for (const ConfigKey& k : configKeys())
        s.setText(k.variable, readKey(ini, k.section, k.key, defaultValue(k)));
    for (const ConfigKey& k : extraKeys())
        s.setText(k.variable, ini.get(k.section, k.key).value_or(defaultValue(k)));

    // 6. Minimum font heights.
    CHKFONT(s);

    // 7. Font ratio between 1 and 2, print factor at least 1; both become numbers.
    {
        const auto r = core::xbase::val(s.text("NFONTRATIO"));
        const double a = std::fabs(r.value);
        core::Value ratio = a >= 2 ? core::Value::number(a == 2 ? a : 2, a == 2 ? r.decimals : 0)
                          : a < 1  ? core::Value::number(1, 0)
                                   : core::Value::number(a, r.decimals);
        s.set("NFONTRATIO", ratio);
        const auto f = core::xbase::val(s.text("CPRNFAC"));
        s.set("CPRNFAC", f.value >= 1 ? core::Value::number(f.value, f.decimals) : core::Value::number(1, 0));
    }

    // 8. A file that still does not exist (it could not be written key by key) is written whole.
    if (!ini.exists())
        SAVEINI(s);

    // 9. At least two equal readings make a stable weight.
    if (core::xbase::val(s.text("CSTABLE")).value < 2)
        s.setText("CSTABLE", "2");

    // 10. Nobody is logged in yet.
    s.setText("CUSER", "");

    // The program's identity, for templates and reports to print (cVersion).
    s.setText("CVERSION", core::programIdentity());
}

}  // namespace shell
