#include "shell/login.h"

#include "core/password.h"
#include "core/paths.h"
#include "core/prompt_sounds.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/sound.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "errors/work_areas.h"
#include "shell/users.h"

namespace shell {
namespace {

using core::tis620::T;

}  // namespace

bool USERCHK(std::string_view code, std::string_view password)
{
    const std::string typed = core::password::stored(password);
    storage::Workspace ws;
    const errors::WorkspaceInUse inUse(ws);
    if (!openUsers(ws))
        return false;
    storage::Table& users = *ws.find(kUsersAlias);
    bool ok = false;
    if (seekUser(users, code)) {
        const std::string stored = core::xbase::padRight(userField(users, "PASS_W"), std::size_t(kPasswordWidth));
        // Nothing typed scrambles to six blanks; a row whose password was never set stays closed
        // even to bytes made up for the purpose.
        ok = stored != std::string(std::size_t(kPasswordWidth), ' ') && stored == typed;
    }
    if (ok) {
        core::Settings& s = core::programSettings();
        s.setText("CUSER", userField(users, "CODE"));
        s.setText("CLOGIN", userField(users, "NAME"));
        s.setText("CTRUSTEE", userField(users, "TRUSTEE"));
    }
    (void)ws.closeAll();
    return ok;
}

std::string LoginModel::title() { return T("  ส่วนการระบุชื่อผู้ใช้โปรแกรม"); }
std::string LoginModel::codeLabel() { return T("ผู้ใช้โปรแกรม"); }
std::string LoginModel::passwordLabel() { return T("รหัสผ่าน"); }
std::string LoginModel::okCaption() { return T("&ตกลง"); }
std::string LoginModel::cancelCaption() { return T("&ยกเลิก"); }

std::string LoginModel::picturePath()
{
    return core::paths::join(core::programSettings().text("CDRV1"), "library\\welcome.bmp");
}

LoginModel::LoginModel()
{
    m_values.setText("USER", std::string(std::size_t(kCodeChars), ' '));
    m_values.setText("PASSWORD", std::string(std::size_t(kPasswordChars), ' '));
}

bool LoginModel::ok()
{
    return ok(m_values.text("USER"), m_values.text("PASSWORD"));
}

void LoginModel::opened()
{
    core::TSOUND(1);
}

bool LoginModel::ok(std::string_view code, std::string_view password)
{
    ++m_attempts;
    if (USERCHK(code, password))
        return true;
    core::prompts().message(core::MessageKind::Alert, T("ชื่อและรหัสผ่านไม่ถูกต้อง"), T("ส่วนบันทึกรหัสผ่าน"));
    return false;
}

bool LoginModel::finish()
{
    const core::Settings& s = core::programSettings();
    if (s.text("CUSER").empty())
        return false;
    const std::string loop = core::paths::join(s.text("CDRV1"), "sounds\\loop1.wav");
    if (s.text("CSYSSOUND") == "Y" && core::paths::exists(loop))
        core::sound().playWave(loop, false);
    return true;
}

}  // namespace shell
