// The users table: the employee code table "Employee" in the code-table folder (CDRV1), opened
// shared with its index on CODE. Every user is a row: CODE (the login name, upper case, 10),
// NAME, PASS_W (the scrambled six-character password, blank when never set) and TRUSTEE (the
// rights string). The login, the password change and the rights editor reach it through here.
// One thread; the workspace belongs to the caller.
#pragma once

#include <string>
#include <string_view>

#include "storage/table.h"
#include "storage/workspace.h"

namespace shell {

inline constexpr const char* kUsersAlias = "Employee";
inline constexpr int kCodeWidth = 10;
inline constexpr int kPasswordWidth = 6;

// Opens the users table in the workspace under kUsersAlias with its CODE index active, as every
// operation opens a table: a missing table is never created, and what went wrong has been told
// to the person when it returns false.
bool openUsers(storage::Workspace& ws);

// Moves to the user whose code is `code` (upper case, trailing blanks ignored; a code longer than
// the field matches nobody; a row marked deleted matches nobody). True when found.
bool seekUser(storage::Table& users, std::string_view code);

// Fields of the current row, trailing blanks removed except for PASS_W and TRUSTEE (as stored).
std::string userField(storage::Table& users, const char* field);

// Writes one field of the current row as every write is made: the row locked (waiting until it
// is free), the value stored, flushed to disk, the lock released. A failure goes to the error
// trap, whose retry runs the write again; false when it was given up.
bool writeUserField(storage::Table& users, const char* field, const std::string& value);

}  // namespace shell
