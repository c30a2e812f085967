// One command's command line, read by CLI11: the options and positional arguments declared here,
// the command's own usage lines heading its --help and every refusal.
//
//   --help, -h         the usage lines, the notes and every argument described, on stdout; exit 0
//   a refused line     "mervo-admin COMMAND: why", the usage lines and the notes on stderr; exit 2
//
// A valued option takes the next argument or "--name=VALUE"; given twice, the last one counts.
// After "--" every argument is positional.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"

namespace CLI {
class App;
}

namespace admin {

enum class Need { Optional, Required };

class CommandLine {
public:
    // `usage`: the command's forms after "mervo-admin ", one a line ("backup CONFIG --codes").
    // `notes`: lines printed below them ("  VALUE: ...").
    CommandLine(std::string command, std::string usage, std::string notes = {});
    ~CommandLine();
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    void positional(const std::string& name, std::string* target, const std::string& what, Need need = Need::Optional);
    void value(const std::string& name, std::string* target, const std::string& what, Need need = Need::Optional);
    // Every occurrence of a repeatable option, in order.
    void values(const std::string& name, std::vector<std::string>* target, const std::string& what);
    void flag(const std::string& name, bool* target, const std::string& what);

    // The positional `name` (declared last) may begin with "-": an expression "-(1+2)", a value "-x".
    // One such argument left over, which the parser took for an unknown short option, fills it.
    void allowDash(const std::string& name, std::string* target);

    // The exit code when the command is not to run (0 after --help, 2 after a refusal); nullopt when
    // it is.
    std::optional<int> parse(const Args& args);

    // Whether the option or positional was on the command line.
    bool given(const std::string& name) const;

    // Refuses what the parser could not judge: the reason (when there is one) and the usage on
    // stderr. Returns 2.
    int refuse(const std::string& why = {}) const;

private:
    std::string usageText() const;

    std::string m_command;
    std::string m_usage;
    std::string m_notes;
    std::unique_ptr<CLI::App> m_app;  // CLI11 is a large header: only command_line.cpp reads it
    std::string m_dashName;
    std::string* m_dashTarget = nullptr;
    bool m_dashTaken = false;
};

}  // namespace admin
