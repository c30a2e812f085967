// The login, the password change and the rights editor against a real users table.
#include <filesystem>

#include "shell/login.h"
#include "shell/user_editor.h"
#include "shell/users.h"
#include "users_fixture.h"

using namespace shelltest;
using core::tis620::T;

namespace {

class LoginTest : public UsersTest {
protected:
    void SetUp() override
    {
        UsersTest::SetUp();
        site.add({"NOPASS", "ยังไม่มีรหัส", "", fullRights()});
        // Users marked deleted; GONE entered again with another password (its live row after).
        site.add({"QUIT", "ลาออกแล้ว", "AB12", "1111", true});
        site.add({"GONE", "ลาออกแล้ว", "OLD1", "1111", true});
        site.add({"GONE", "กลับมาใหม่", "NEW1", "1111"});
    }
    const core::Settings& s() const { return core::programSettings(); }
};

TEST_F(LoginTest, CredentialsAreCheckedAsTypedAndDeletedUsersRefused)
{
    const struct {
        const char* code;
        const char* password;
        bool ok;
    } cases[] = {
        {"ADMIN", "DEMO", true},
        {"admin", "demo", true},          // lower case is the same user and password
        {"ADMIN   ", "DEMO  ", true},     // trailing blanks do not matter
        {"ADMIN", "DEMOX", false},
        {"ADMIN", "", false},
        {"ADM", "DEMO", false},           // a prefix of a code is not the code
        {"ADMINISTRATOR", "DEMO", false}, // longer than any code
        {"CLERK", "ab12", true},
        {"NOPASS", "", false},            // a blank stored password never logs in
        {"NOPASS", "      ", false},
        {"", "", false},
        {"QUIT", "AB12", false},          // marked deleted
        {"GONE", "OLD1", false},
        {"GONE", "NEW1", true},           // the code entered again
    };
    for (const auto& c : cases) {
        core::programSettings().setText("CUSER", "");
        EXPECT_EQ(shell::USERCHK(c.code, c.password), c.ok) << c.code << "/" << c.password;
        EXPECT_EQ(s().text("CUSER").empty(), !c.ok) << c.code;
    }
    EXPECT_TRUE(prompts.shown.empty());
    // The last login, of the code entered again: the name and rights of its live row.
    EXPECT_EQ(s().text("CLOGIN"), T("กลับมาใหม่"));
    EXPECT_EQ(s().text("CTRUSTEE"), "1111" + std::string(38, ' '));

    // Every password of printable characters differs from six blanks once scrambled, and the one
    // text that would scramble to them holds a control character a field never takes.
    const std::string inverse = core::password::unscramble(std::string(6, ' '));
    EXPECT_NE(inverse.find_first_of(std::string("\x01\x02\x04\x08\x10", 5)), std::string::npos);
    EXPECT_FALSE(shell::USERCHK("NOPASS", inverse));

    // A missing users table is told and never created.
    std::filesystem::remove(site.tablePath());
    EXPECT_FALSE(shell::USERCHK("ADMIN", "DEMO"));
    EXPECT_EQ(prompts.texts(), std::vector<std::string>{"ไม่พบแฟ้ม Employee"});
    EXPECT_FALSE(std::filesystem::exists(site.tablePath()));
}

// The password change and the rights editor on the row of one user.
TEST_F(LoginTest, PasswordChangeOutcomesAndRightsNormalisedWithTheOwnRowAppliedAtOnce)
{
    storage::Workspace ws;
    const auto row = [&ws](const std::string& code) -> storage::Table& {
        EXPECT_TRUE(shell::openUsers(ws));
        storage::Table& t = *ws.find(shell::kUsersAlias);
        EXPECT_TRUE(shell::seekUser(t, code));
        return t;
    };
    const struct {
        const char* code;
        const char* oldPw;
        const char* newPw;
        const char* repeat;
        const char* message;
        bool stored;
    } cases[] = {
        {"CLERK", "AB12", "NEW1", "NEW2", "การทวนรหัสใหม่ไม่ถูกต้อง", false},
        {"CLERK", "XXXX", "NEW1", "NEW1", "ระบุรหัสเดิมไม่ถูกต้อง", false},
        {"CLERK", "ab12", "new1", "NEW1  ", "การเปลี่ยนรหัสใหม่เรียบร้อย", true},
        {"NOPASS", "ANY", "FIRST", "FIRST", "การเปลี่ยนรหัสใหม่เรียบร้อย", true},  // blank: any old text
    };
    for (const auto& c : cases) {
        sound.tones.clear();
        prompts.shown.clear();
        const std::string before = site.stored(c.code, "PASS_W");
        EXPECT_EQ(shell::PasswordChange(row(c.code)).ok(c.oldPw, c.newPw, c.repeat), c.stored) << c.message;
        (void)ws.closeAll();
        EXPECT_EQ(sound.tones, std::vector<int>{900});
        EXPECT_EQ(prompts.texts(), std::vector<std::string>{c.message});
        EXPECT_EQ(site.stored(c.code, "PASS_W"), c.stored ? core::password::stored(c.newPw) : before) << c.message;
    }
    EXPECT_TRUE(shell::USERCHK("CLERK", "NEW1"));
    EXPECT_TRUE(shell::USERCHK("NOPASS", "FIRST"));
    EXPECT_TRUE(shell::PasswordChange::fieldCheck("A     "));
    EXPECT_FALSE(shell::PasswordChange::fieldCheck("      "));

    site.add({"ODD", "สิทธิ์แปลก", "X", "12A9"});
    core::programSettings().setText("CUSER", "ODD");
    core::programSettings().setText("CTRUSTEE", "12A9");
    shell::RightsEditor editor(row("ODD"));
    EXPECT_EQ(editor.cell(1), "1");
    EXPECT_EQ(editor.cell(3), "0");   // a letter
    EXPECT_EQ(editor.cell(4), "0");   // a digit above 6
    EXPECT_EQ(editor.cell(42), "0");  // beyond the stored string
    editor.setCell(33, "6");
    ASSERT_TRUE(editor.ok());
    const std::string expected = "1200" + std::string(28, '0') + "6" + std::string(9, '0');
    EXPECT_EQ(site.stored("ODD", "TRUSTEE"), expected);
    EXPECT_EQ(core::programSettings().text("CTRUSTEE"), expected);
}

}  // namespace
