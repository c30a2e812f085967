#include "shell/config.h"

#include <algorithm>

#include "core/paths.h"
#include "core/tis620.h"
#include "core/xbase.h"

namespace shell {
namespace {

// Section, key, default, variable, written by SAVEINI. The order is the order of reading.
constexpr ConfigKey kConfigKeys[] = {
    {"Data", "Name", "บริษัท ตัวอย่างการค้า จำกัด", "CHLINE", true},
    {"Data", "Address1", "99 หมู่ 1 ถนนสายหลัก", "CHADDR1", true},
    {"Data", "Address2", "ตำบลในเมือง อำเภอเมือง", "CHADDR2", true},
    {"Data", "Address3", "จังหวัดนครสวรรค์ 60000", "CHADDR3", true},
    {"Data", "Tax ID", "0000000000000", "CHTAXID", true},
    {"Data", "Branch", "000", "CHBRANCH", true},
    {"Font", "Font0", "MS Sans Serif", "CFONT0", true},
    {"Font", "Width0", "0", "CWIDTH0", true},
    {"Font", "Height0", "-10", "CHEIGHT0", true},
    {"Font", "Font1", "EucrosiaUPC", "CFONT1", true},
    {"Font", "Width1", "0", "CWIDTH1", true},
    {"Font", "Height1", "-10", "CHEIGHT1", true},
    {"Font", "Font2", "EucrosiaUPC", "CFONT2", true},
    {"Font", "Width2", "0", "CWIDTH2", true},
    {"Font", "Height2", "-10", "CHEIGHT2", true},
    {"Font", "Font3", "EucrosiaUPC", "CFONT3", true},
    {"Font", "Width3", "0", "CWIDTH3", true},
    {"Font", "Height3", "-10", "CHEIGHT3", true},
    {"Font", "Font4", "EucrosiaUPC", "CFONT4", true},
    {"Font", "Width4", "8", "CWIDTH4", true},
    {"Font", "Height4", "30", "CHEIGHT4", true},
    {"Font", "Font5", "EucrosiaUPC", "CFONT5", true},
    {"Font", "Width5", "16", "CWIDTH5", true},
    {"Font", "Height5", "50", "CHEIGHT5", true},
    {"Font", "Font6", "EucrosiaUPC", "CFONT6", true},
    {"Font", "Width6", "24", "CWIDTH6", true},
    {"Font", "Height6", "80", "CHEIGHT6", true},
    {"Font", "Pen1", "1", "CPEN1", true},
    {"Font", "Pen2", "3", "CPEN2", true},
    {"Font", "Pen3", "6", "CPEN3", true},
    {"Font", "Ratio", "1", "NFONTRATIO", false},
    {"Path", "Table", ".\\", "CDRV1", true},
    {"Path", "Exe", ".\\", "CDRV2", true},
    {"Path", "BackUp", "A:\\", "CDRV3", true},
    {"Path", "Work", ".\\WORK\\", "CDRV4", true},
    {"Comm", "Port#1", "09600,E,7,1,002,005,005", "CCPORT1", true},
    {"Comm", "Port#2", "09600,E,7,1,002,005,005", "CCPORT2", true},
    {"Comm", "Port#3", "09600,E,7,1,002,005,005", "CCPORT3", true},
    {"Comm", "Port#4", "09600,E,7,1,002,005,005", "CCPORT4", true},
    {"Comm", "Default", "1", "CCPORT", true},
    {"Comm", "Modem", "COM2:9600,N,8,1", "TMPORT", true},
    {"Comm", "Connect", "COM2:9600,N,8,1", "TPORT", true},
    {"Comm", "I/O", "640", "CIOADDR", true},
    {"Comm", "Out#1", "002", "CIOADD1", true},
    {"Comm", "Out#2", "001", "CIOADD2", true},
    {"Comm", "Reset", "000", "CIOADD3", true},
    {"Comm", "Mode", "130", "CIOADD4", true},
    {"Comm", "LPT", "111", "CPPORT", true},
    {"Comm", "Feed", "5", "CPLENGHT", true},
    {"Comm", "W.Read", "1", "CWREAD", false},
    {"Comm", "Minus", "0", "CMINUS", false},
    {"Comm", "Stable", "3", "CSTABLE", false},
    {"Comm", "Timer", "300", "NINTERV", false},
    {"Comm", "StatBit", "3", "CTLDST", false},
    {"Comm", "Zero", "0", "CZEROW", false},
    {"Misc", "Sound", "Y", "CSYSSOUND", true},
    {"Misc", "PageL", "60", "CPAGEL", true},
    {"Misc", "Audit", "N", "CAUDITR", true},
    {"Misc", "Printer", "Y", "CPRINTER", true},
    {"Misc", "Factor", "2.0", "CPRNFAC", true},
    {"Misc", "Order", "0", "CORCTRL", false},
    {"Misc", "Track", "0", "CTRACK", false},
    {"Misc", "Fact", "0", "CCLOCK", false},
    {"Calc", "Decimal", "Y", "CDECCOR", true},
    {"Calc", "Payment", "1", "CPAYCASE", false},
};

// Keys this program adds: the serial device behind COM1..COM4 (a USB adapter, the simulator's
// pseudo-terminal), the frame format each indicator speaks (scale/frame_formats.h), "DiscFix"
// ("Y" rounds each percentage step of DISC to 3 decimals), who may type a weight ("ManualW" 0, 1,
// 2) and the tolerance of the truck's stored weight in kilograms and per cent (0: off).
constexpr ConfigKey kExtraKeys[] = {
    {"Comm", "Device#1", "/dev/ttyS0", "CCDEV1", false},
    {"Comm", "Device#2", "/dev/ttyS1", "CCDEV2", false},
    {"Comm", "Device#3", "/dev/ttyS2", "CCDEV3", false},
    {"Comm", "Device#4", "/dev/ttyS3", "CCDEV4", false},
    {"Comm", "Format#1", "indicator", "CCFMT1", false},
    {"Comm", "Format#2", "indicator", "CCFMT2", false},
    {"Comm", "Format#3", "indicator", "CCFMT3", false},
    {"Comm", "Format#4", "indicator", "CCFMT4", false},
    {"Calc", "DiscFix", "N", "CDISCFIX", false},
    {"Misc", "ManualW", "0", "CMANUALW", false},
    {"Misc", "TruckTolKg", "0", "CTRKTOLKG", false},
    {"Misc", "TruckTolPct", "0", "CTRKTOLPCT", false},
};

}  // namespace

std::span<const ConfigKey> configKeys() { return kConfigKeys; }
std::span<const ConfigKey> extraKeys() { return kExtraKeys; }

std::string defaultValue(const ConfigKey& k)
{
    return core::tis620::fromUtf8(k.defaultUtf8);
}

std::string readKey(core::IniFile& ini, const char* section, const char* key, const std::string& def)
{
    std::string v = ini.get(section, key).value_or(def);
    if (v == def)
        ini.set(section, key, def);
    return v;
}

bool writeKey(core::IniFile& ini, const char* section, const char* key, const core::Value& v)
{
    return ini.set(section, key, v.toDisplayText());
}

bool SAVEINI(const core::Settings& settings)
{
    core::IniFile ini(core::paths::native(settings.text("VARFILE")));
    bool ok = true;
    for (const ConfigKey& k : kConfigKeys)
        if (k.savedBySaveIni)
            ok = writeKey(ini, k.section, k.key, settings.get(k.variable)) && ok;
    return ok;
}

}  // namespace shell
