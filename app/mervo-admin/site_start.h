// Start-up on a site's configuration file for the commands that work on a site's tables, the way
// the program starts: from the site folder, so the relative folder settings (".\TABLES\" ...)
// resolve there whatever folder the command was run from.
#pragma once

#include <string>

#include "core/prompts.h"

namespace admin {

// Makes the configuration file's folder the current one and runs start-up on the file into the
// program-wide settings. False with a reason when the file does not exist (it is never created
// here) or the folder cannot be entered.
bool startSite(const std::string& configFile, std::string* error);

// A path given on the command line made absolute, before startSite changes the current folder.
std::string absolutePath(const std::string& path);

// The user a command works as when none is given: the first user (in code order, not marked for
// deletion) whose every rights position is at level 6; "" when there is none or the users table
// cannot be opened.
std::string fullRightsUser();

// The prompts of a command without a person to ask: every message and question printed on stderr
// as "TITLE: TEXT", every question answered No. Installed for its lifetime.
class TerminalPrompts final : public core::Prompts {
public:
    TerminalPrompts() : m_previous(core::setPrompts(this)) {}
    ~TerminalPrompts() override { core::setPrompts(m_previous); }
    TerminalPrompts(const TerminalPrompts&) = delete;
    TerminalPrompts& operator=(const TerminalPrompts&) = delete;
    void message(core::MessageKind kind, const std::string& text, const std::string& title) override;
    bool confirm(const std::string& text, const std::string& title) override;
    int shown = 0;  // messages and questions so far

private:
    core::Prompts* m_previous;
};

// For the commands that print through Qt without a window: the offscreen platform unless the
// environment names another, and a private runtime folder when there is none, so Qt does not
// complain on a terminal without a session. Call before the QApplication is made.
void useHeadlessQt();

}  // namespace admin
