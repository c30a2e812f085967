// The login: USERCHK, the check of a user code and password against the users table, and the
// login dialog's behaviour (PASSWC) without its widgets. On success the program-wide CUSER,
// CLOGIN and CTRUSTEE name the user until the program ends (there is no log-out).
//
// The dialog (shell/dialogs/login_dialog.h) calls opened() when it is shown, ok() for its OK
// button (closing only when it answers true) and finish() after it closed. Messages go through
// core::prompts(), sounds through TSOUND. One thread.
#pragma once

#include <string>
#include <string_view>

#include "core/value_map.h"

namespace shell {

// Upper-cases both; the password keeps six characters with its blanks. True, with CUSER, CLOGIN
// and CTRUSTEE set, when a row of that code holds the scramble of the password. A row whose
// stored password is blank never logs in. The users table is opened and closed here.
bool USERCHK(std::string_view code, std::string_view password);

class LoginModel {
public:
    static constexpr int kCodeChars = 15;
    static constexpr int kPasswordChars = 6;

    // Texts of the dialog (TIS-620).
    static std::string title();
    static std::string codeLabel();
    static std::string passwordLabel();
    static std::string okCaption();
    static std::string cancelCaption();
    // The picture at the top (native path under CDRV1); a click on it shows the announcement.
    static std::string picturePath();

    LoginModel();

    // The screen values the dialog edits: USER (15 characters) and PASSWORD (6).
    core::ValueMap& values() { return m_values; }

    // The dialog is up: sound 1.
    void opened();
    // OK: USERCHK on the screen values; on failure the person is told and the dialog stays (false).
    bool ok();
    bool ok(std::string_view code, std::string_view password);
    // After the dialog closed (OK or cancel): with a user logged in, sounds\loop1.wav plays and
    // the result is true.
    bool finish();

    int attempts() const { return m_attempts; }

private:
    core::ValueMap m_values;
    int m_attempts = 0;
};

}  // namespace shell
