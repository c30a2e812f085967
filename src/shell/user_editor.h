// The password change (PASSUSER) and the rights editor (TRUSTEE) of one user, without their
// widgets. Both work on the current row of an open users table (shell/users.h): the employee
// record editor opens the table, moves to the row and calls them. Writes lock the row (waiting
// until it is free), store, flush and release. Messages through core::prompts(); one thread.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "shell/rights.h"
#include "storage/table.h"

namespace shell {

class PasswordChange {
public:
    explicit PasswordChange(storage::Table& users);

    // "  " + code + " - " + name, both without trailing blanks (TIS-620).
    const std::string& title() const { return m_title; }
    static std::string oldLabel();
    static std::string newLabel();
    static std::string repeatLabel();
    static std::string sectionTitle();  // the title of the three messages

    // The check of each field on leaving it: not all blank.
    static bool fieldCheck(std::string_view value);

    // OK: the repeated password must match, and the old one must be the stored one (or the stored
    // one is blank); then the scramble of the new one is stored. Each outcome beeps and is told.
    // A blank field stores nothing and says nothing (the dialog does not close with one).
    // True when the new password was stored.
    bool ok(std::string_view oldPassword, std::string_view newPassword, std::string_view repeated);

private:
    storage::Table& m_users;
    std::string m_title;
};

class RightsEditor {
public:
    explicit RightsEditor(storage::Table& users);

    // "  " + code + " : " + name, both without trailing blanks (TIS-620).
    const std::string& title() const { return m_title; }

    // Cells 1..42, each one of "0".."6" (what was stored, other characters as "0").
    std::string cell(int position) const;
    void setCell(int position, std::string_view digit);
    // The check of a field on leaving it (TRUSCHK): "0".."6" passes; anything else shows the legend.
    static bool check(std::string_view digit) { return TRUSCHK(digit); }

    // OK: the 42 cells joined and stored in TRUSTEE; when the row is the logged-in user's own,
    // CTRUSTEE takes the new string at once. True when stored.
    bool ok();
    std::string joined() const;

private:
    storage::Table& m_users;
    std::string m_code;
    std::string m_title;
    std::array<char, kRightsLength> m_cells{};
};

}  // namespace shell
