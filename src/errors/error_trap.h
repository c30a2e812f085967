// The error trap: the one handler of every run-time fault that no operation handles itself.
//
// It settles three kinds of fault quietly (division by zero gives 0; a sharing or access failure
// while opening, and an append lock failure, go back to the opening or appending routine as a
// failure), writes every other fault's report to "Error.log" in the current folder (replacing the
// last one), and lets the person choose quit, retry or default through an ErrorDialog. A fault
// raised while the trap itself is at work ends the program at once. After a retry or a default the
// whole trap is in force again for the next fault.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "core/fault.h"

namespace errors {

// What the trap needs to show the fault and hear the choice: the GUI's error dialog, a recording
// stub in tests, the console for command-line tools.
class ErrorDialog {
public:
    enum class Choice { Quit, Retry, Default };
    virtual ~ErrorDialog() = default;
    // description: ERRORMESSAGE; stack: the "   Called from: ..." lines of the report.
    virtual Choice choose(const std::string& description, const std::vector<std::string>& stack,
                          bool canRetry, bool canDefault) = 0;
    // The stop box of a fault inside the trap, just before the program ends.
    virtual void stop(const std::string& text) = 0;
};

// One open work area as the report lists it (filled by the program from its workspace).
struct WorkAreaInfo {
    int number = 0;
    std::string alias;
    bool current = false;
    long recNo = 0;
    long recCount = 0;
    bool bof = false;
    bool eof = false;
    struct Order {
        std::string key;
        std::string name;
        bool controlling = false;
    };
    std::vector<Order> orders;
    struct Relation {
        std::string expression;
        std::string target;
    };
    std::vector<Relation> relations;
};

// What the report says about the program's surroundings; each part can be left empty.
struct Environment {
    std::function<std::vector<WorkAreaInfo>()> workAreas;
    std::function<std::vector<std::string>()> windowTitles;  // top-level windows
    std::string compilerLine;                                 // e.g. "Qt 6.4.2, g++ 12.2.0"
    std::function<bool()> eventLoopRunning;                   // Retry needs a running main loop
    std::function<void(int exitCode)> terminate;              // ends the program (tests record it)
};

class ErrorTrap final : public core::FaultHandler {
public:
    // ERRORSYS: makes this trap the handler of every fault until it is destroyed.
    ErrorTrap(ErrorDialog& dialog, Environment env);
    ~ErrorTrap() override;
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // ERRORDIALOG.
    core::FaultAnswer handle(const core::Fault& fault) override;

    // Set when an open or append failed on a lock or sharing conflict (NETERR()).
    bool netErr() const { return m_netErr; }
    void clearNetErr() { m_netErr = false; }

    // The full report text of a fault, as "Error.log" receives it.
    std::string report(const core::Fault& fault) const;

    // Where "Error.log" is written (default: the current folder).
    void setLogPath(std::string path) { m_logPath = std::move(path); }

private:
    ErrorDialog& m_dialog;
    Environment m_env;
    core::FaultHandler* m_previous;
    std::chrono::steady_clock::time_point m_start;
    std::string m_logPath = "Error.log";
    bool m_active = false;
    bool m_netErr = false;
};

// CGETINFO: a value as the variable list of the report shows it.
std::string CGETINFO(const core::Value& v);

// GETCPU: the processor's name as the platform reports it.
std::string GETCPU();

}  // namespace errors
