#include "shell/varset.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "core/ini_file.h"
#include "core/paths.h"
#include "core/prompt_sounds.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "scale/frame_formats.h"
#include "shell/config.h"
#include "shell/startup.h"

namespace shell {
namespace {

using core::tis620::T;
using C = VarsetField::Check;

constexpr const char* kPathPage = "&Path";
constexpr const char* kCommPage = "&Communicate";
constexpr const char* kMiscPage = "&Miscellaneous";
constexpr const char* kPortPicture = "99999,!,9,9,999,999,999";

constexpr VarsetField kFields[] = {
    {kPathPage, "&ตารางรหัส", "CDRV1", "@!", VarsetModel::kPathWidth, 30, C::Path},
    {kPathPage, "โ&ปรแกรม", "CDRV2", "@!", VarsetModel::kPathWidth, 30, C::Path},
    {kPathPage, "&สำเนา", "CDRV3", "@!", VarsetModel::kPathWidth, 30, C::Path},
    {kPathPage, "&ทำงาน", "CDRV4", "@!", VarsetModel::kPathWidth, 30, C::Path},
    {kCommPage, "Port#&1", "CCPORT1", kPortPicture, 23, 0, C::None},
    {kCommPage, "Port#&2", "CCPORT2", kPortPicture, 23, 0, C::None},
    {kCommPage, "Port#&3", "CCPORT3", kPortPicture, 23, 0, C::None},
    {kCommPage, "Port#&4", "CCPORT4", kPortPicture, 23, 0, C::None},
    {kCommPage, "Format#1", "CCFMT1", "", 9, 0, C::Format},
    {kCommPage, "Format#2", "CCFMT2", "", 9, 0, C::Format},
    {kCommPage, "Format#3", "CCFMT3", "", 9, 0, C::Format},
    {kCommPage, "Format#4", "CCFMT4", "", 9, 0, C::Format},
    {kCommPage, "เครื่อง&ชั่ง", "CCPORT", "9", 1, 0, C::None},
    {kCommPage, "I/O &Port", "CIOADDR", "@9", 5, 0, C::None},
    {kCommPage, "Line &Feed", "CPLENGHT", "@9", 5, 0, C::None},
    {kMiscPage, "เ&สียงพูด", "CSYSSOUND", "@!", 1, 0, C::YesNo},
    {kMiscPage, "&บรรทัด", "CPAGEL", "@9", 5, 0, C::None},
    {kMiscPage, "&บันทึกแก้ไข", "CAUDITR", "@!", 1, 0, C::YesNo},
    {kMiscPage, "Preview", "CPRINTER", "@!", 1, 0, C::YesNo},
    {kMiscPage, "&ป้อนน้ำหนักเอง (0 ทุกคน 1 ระดับ 5 ขึ้นไป 2 ห้าม)", "CMANUALW", "9", 1, 0, C::ManualWeights},
    {kMiscPage, "น้ำหนักรถต่างได้ (กก.)", "CTRKTOLKG", "@9", 5, 0, C::None},
    {kMiscPage, "น้ำหนักรถต่างได้ (%)", "CTRKTOLPCT", "@9", 3, 0, C::None},
};

constexpr const char* kPathVariables[] = {"CDRV1", "CDRV2", "CDRV3", "CDRV4"};

}  // namespace

std::span<const VarsetField> varsetFields() { return kFields; }

std::string VarsetModel::title() { return T("  ส่วนการกำหนดค่าตัวแปรต่างๆ"); }
std::string VarsetModel::okCaption() { return T("&ตกลง"); }

void VarsetModel::open()
{
    core::TSOUND(7);
    padFolders();
}

void VarsetModel::padFolders()
{
    core::Settings& s = core::programSettings();
    for (const char* v : kPathVariables)
        s.setText(v, core::xbase::padRight(s.text(v), std::size_t(kPathWidth)));
}

const VarsetField* VarsetModel::firstFailing(const core::Settings& settings)
{
    for (const VarsetField& f : kFields) {
        const core::Value& v = settings.get(f.variable);
        if (!check(f, v.isText() ? v.asText() : std::string()))
            return &f;
    }
    return nullptr;
}

std::string settingsNotSavedMessage()
{
    return T("ไม่สามารถบันทึกค่าลงแฟ้ม ") + core::xbase::alltrim(core::programSettings().text("VARFILE")) + T(" ได้");
}

bool VarsetModel::check(const VarsetField& field, std::string_view value)
{
    const std::string_view v = core::xbase::rtrimView(value);
    switch (field.check) {
    case C::None:
        return true;
    case C::Path:
        return !v.empty() && (v.back() == '\\' || v.back() == '/');
    case C::YesNo:
        return v == "Y" || v == "N";
    case C::Format:
        return scale::frameKindNamed(v).has_value();
    case C::ManualWeights:
        return v.empty() || v == "0" || v == "1" || v == "2";
    }
    return true;
}

bool VarsetModel::close()
{
    core::Settings& s = core::programSettings();
    for (const char* v : kPathVariables)
        s.setText(v, core::xbase::alltrim(s.text(v)));
    // The digit fields are edited in a box wider than most values; the blanks after a shorter
    // value are not part of it (the file's reader drops them too).
    for (const VarsetField& f : kFields)
        if (f.check != C::Path && s.get(f.variable).isText())
            s.setText(f.variable, core::xbase::rtrim(s.text(f.variable)));
    bool ok = SAVEINI(s);
    core::IniFile ini(core::paths::native(s.text("VARFILE")));
    for (const ConfigKey& k : extraKeys()) {
        const bool onDialog = std::any_of(std::begin(kFields), std::end(kFields), [&k](const VarsetField& f) {
            return std::string_view(f.variable) == k.variable;
        });
        const std::string value = core::xbase::alltrim(s.text(k.variable));
        if (onDialog && (value != defaultValue(k) || ini.get(k.section, k.key)))
            ok = ini.set(k.section, k.key, value) && ok;
    }
    return ok;
}

FontSelModel::FontSelModel(int n) : m_n(n < 1 ? 1 : n > 6 ? 6 : n) {}

FontChoice FontSelModel::preset() const
{
    const core::Settings& s = core::programSettings();
    const std::string n = std::to_string(m_n);
    double ratio = s.number("NFONTRATIO");
    if (!(ratio > 0))
        ratio = 1;
    FontChoice c;
    c.face = s.text("CFONT" + n);
    c.height = core::xbase::val(s.text("CHEIGHT" + n)).value / ratio;
    c.width = int(core::xbase::val(s.text("CWIDTH" + n)).value);
    return c;
}

bool FontSelModel::close(const std::optional<FontChoice>& chosen)
{
    core::Settings& s = core::programSettings();
    if (chosen) {
        const std::string n = std::to_string(m_n);
        const core::Value& ratio = s.get("NFONTRATIO");
        const double r = ratio.isNumber() && ratio.asNumber() > 0 ? ratio.asNumber() : 1;
        const double h = -std::fabs(chosen->height) * r;
        // The height is a whole number times the ratio: it keeps the ratio's decimals ("-24" for
        // 12 x 2, "-16.5" for 11 x 1.5).
        const int decimals = ratio.isNumber() ? ratio.decimals() : 0;
        s.setText("CHEIGHT" + n, core::Value::number(core::xbase::roundDecimal(h, decimals), decimals).toDisplayText());
        s.setText("CWIDTH" + n, std::to_string(std::abs(chosen->width)));
        s.setText("CFONT" + n, chosen->face);
    }
    CHKFONT(s);
    core::IniFile ini(core::paths::native(s.text("VARFILE")));
    bool ok = true;
    for (int i = 1; i <= 6; ++i) {
        const std::string n = std::to_string(i);
        ok = writeKey(ini, "Font", ("Font" + n).c_str(), s.get("CFONT" + n)) && ok;
        ok = writeKey(ini, "Font", ("Width" + n).c_str(), s.get("CWIDTH" + n)) && ok;
        ok = writeKey(ini, "Font", ("Height" + n).c_str(), s.get("CHEIGHT" + n)) && ok;
    }
    return ok;
}

}  // namespace shell
