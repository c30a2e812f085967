// What the file-maintenance commands (reindex, backup, purge, restore) share: the
// prompts that print the program's messages and answer its questions from the flags (or, with
// --interactive, from the terminal), the error trap of a batch run, the line per table and the
// exit code. Output is UTF-8 on stdout; problems go to stderr.
//
// Lines printed:
//   message TITLE: TEXT                  what the GUI would show in a message box
//   question TITLE: TEXT -> yes|no       a question and the answer given
//   FILE.DBF: what was done              one line per table (per index entry for reindex)
//   FILE.DBF: not done: why              a question answered No
//   FILE.DBF: FAILED: why                the table failed
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "core/date.h"
#include "core/fault.h"
#include "core/prompts.h"
#include "maintenance/maintenance_tables.h"

namespace admin {

// A DD/MM/YYYY date, or nullopt.
std::optional<core::Date> parseDate(const std::string& text);

// The program's prompts for a batch run: messages printed, every question printed and answered
// with `answer`, or asked on the terminal when interactive.
class PrintingPrompts final : public core::Prompts {
public:
    PrintingPrompts(bool answer, bool interactive);
    ~PrintingPrompts() override;
    void message(core::MessageKind kind, const std::string& text, const std::string& title) override;
    bool confirm(const std::string& text, const std::string& title) override;

private:
    bool m_answer;
    bool m_interactive;
    core::Prompts* m_previous;
};

// The error trap of a batch run: the fault's one line on stderr; Default where the fault allows
// it (the operation then gives up that table), else Quit.
class PrintingFaults final : public core::FaultHandler {
public:
    PrintingFaults();
    ~PrintingFaults() override;
    core::FaultAnswer handle(const core::Fault& fault) override;

private:
    core::FaultHandler* m_previous;
};

// Prints each table's line as its step ends.
class LinePrinter final : public maintenance::Progress {
public:
    void finished(const maintenance::StepResult& result) override;
};

// The exit code of a run: 1 (naming the tables on stderr) when a table failed, or when a question
// was answered No without a person to ask; else 0.
int finish(const std::string& command, const std::vector<maintenance::StepResult>& results, bool interactive);

// Start-up on the site's configuration file; false (after saying why) when it is missing.
bool startMaintenance(const std::string& command, const std::string& config);

}  // namespace admin
