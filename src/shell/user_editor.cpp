#include "shell/user_editor.h"

#include "core/password.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/sound.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "shell/users.h"

namespace shell {
namespace {

using core::tis620::T;

constexpr int kBeepHz = 900;
constexpr int kBeepMs = 150;

void tell(const char* utf8)
{
    core::sound().tone(kBeepHz, kBeepMs);
    core::prompts().message(core::MessageKind::Alert, T(utf8), PasswordChange::sectionTitle());
}

std::string sixChars(std::string_view typed)
{
    return core::xbase::padRight(core::xbase::upper(typed), std::size_t(kPasswordWidth));
}

}  // namespace

PasswordChange::PasswordChange(storage::Table& users)
    : m_users(users), m_title("  " + userField(users, "CODE") + " - " + userField(users, "NAME"))
{
}

std::string PasswordChange::oldLabel() { return T("รหัสเ&ดิม"); }
std::string PasswordChange::newLabel() { return T("รหัสใ&หม่"); }
std::string PasswordChange::repeatLabel() { return T("&ทวนรหัสใหม่"); }
std::string PasswordChange::sectionTitle() { return T("  ส่วนการกำหนดรหัสผ่าน"); }

bool PasswordChange::fieldCheck(std::string_view value)
{
    return !core::xbase::rtrimView(value).empty();
}

bool PasswordChange::ok(std::string_view oldPassword, std::string_view newPassword, std::string_view repeated)
{
    if (!fieldCheck(oldPassword) || !fieldCheck(newPassword) || !fieldCheck(repeated))
        return false;  // the dialog keeps the focus in the blank field
    if (sixChars(newPassword) != sixChars(repeated)) {
        tell("การทวนรหัสใหม่ไม่ถูกต้อง");
        return false;
    }
    const std::string stored = core::xbase::padRight(userField(m_users, "PASS_W"), std::size_t(kPasswordWidth));
    const bool blank = stored == std::string(std::size_t(kPasswordWidth), ' ');
    if (!blank && core::password::unscramble(stored) != sixChars(oldPassword)) {
        tell("ระบุรหัสเดิมไม่ถูกต้อง");
        return false;
    }
    if (!writeUserField(m_users, "PASS_W", core::password::stored(newPassword)))
        return false;
    tell("การเปลี่ยนรหัสใหม่เรียบร้อย");
    return true;
}

RightsEditor::RightsEditor(storage::Table& users)
    : m_users(users), m_code(userField(users, "CODE")), m_title("  " + m_code + " : " + userField(users, "NAME"))
{
    const std::string cells = normalizedRights(userField(users, "TRUSTEE"));
    for (std::size_t i = 0; i < m_cells.size(); ++i)
        m_cells[i] = cells[i];
}

std::string RightsEditor::cell(int position) const
{
    if (position < 1 || position > kRightsLength)
        return {};
    return std::string(1, m_cells[std::size_t(position - 1)]);
}

void RightsEditor::setCell(int position, std::string_view digit)
{
    if (position < 1 || position > kRightsLength)
        return;
    const char c = digit.empty() ? '0' : digit[0];
    m_cells[std::size_t(position - 1)] = c >= '0' && c <= '6' ? c : '0';
}

std::string RightsEditor::joined() const
{
    return std::string(m_cells.begin(), m_cells.end());
}

bool RightsEditor::ok()
{
    const std::string rights = joined();
    if (!writeUserField(m_users, "TRUSTEE", rights))
        return false;
    core::Settings& s = core::programSettings();
    if (core::xbase::equalsNoCase(m_code, s.text("CUSER")))
        s.setText("CTRUSTEE", rights);
    return true;
}

}  // namespace shell
