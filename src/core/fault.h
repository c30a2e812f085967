// Run-time faults and the one handler they go to.
//
// A fault is what an xBase error object carries: a general code, the subsystem and its subcode,
// a description, the operation and its arguments, and whether the failed step may be retried or
// may return a default. The evaluator and the table engine raise faults where they happen and act
// on the handler's answer; they never throw through the screens. The program installs its error
// trap as the handler at start-up; tests install a recording one.
#pragma once

#include <string>
#include <vector>

#include "core/value.h"

namespace core {

// General codes of xBase runtimes (the values other tools and logs know).
enum GenCode : int {
    EG_ARG = 1,
    EG_BOUND = 2,
    EG_STROVERFLOW = 3,
    EG_NUMOVERFLOW = 4,
    EG_ZERODIV = 5,
    EG_NUMERR = 6,
    EG_SYNTAX = 7,
    EG_COMPLEXITY = 8,
    EG_MEM = 11,
    EG_NOFUNC = 12,
    EG_NOVAR = 14,
    EG_NOALIAS = 15,
    EG_CREATE = 20,
    EG_OPEN = 21,
    EG_CLOSE = 22,
    EG_READ = 23,
    EG_WRITE = 24,
    EG_PRINT = 25,
    EG_UNSUPPORTED = 30,
    EG_LIMIT = 31,
    EG_CORRUPTION = 32,
    EG_DATATYPE = 33,
    EG_DATAWIDTH = 34,
    EG_NOTABLE = 35,
    EG_NOORDER = 36,
    EG_SHARED = 37,
    EG_UNLOCKED = 38,
    EG_READONLY = 39,
    EG_APPENDLOCK = 40,
    EG_LOCK = 41,
};

struct Fault {
    int genCode = 0;
    int osCode = 0;           // errno-style code of the platform, 0 when none
    std::string subsystem;    // "BASE", "DBFNTX", "MERVO" ...
    int subCode = 0;
    std::string description;  // TIS-620 or ASCII
    std::string fileName;
    std::string operation;    // the operator, function or field involved
    std::vector<Value> args;
    int severity = 2;         // 1 warning, 2 error
    bool canRetry = false;
    bool canDefault = false;
};

enum class FaultAnswer { Retry, Default, Quit };

class FaultHandler {
public:
    virtual ~FaultHandler() = default;
    // Decides what the failed step does next. Answers that the fault does not allow are treated as
    // Quit by the raiser; a handler that answers Quit normally ends the program itself.
    virtual FaultAnswer handle(const Fault& fault) = 0;
};

// The handler in force. Until one is installed, faults are answered Default when allowed, else Quit.
FaultHandler& faultHandler();
// Installs a handler (nullptr restores the built-in one); returns the previous one or nullptr.
FaultHandler* setFaultHandler(FaultHandler* handler);

// Raises a fault through the handler in force and returns its answer; division by zero is
// answered Default without reaching the handler, as the error trap always does.
FaultAnswer raise(const Fault& fault);

// ERRORMESSAGE: "(DOS Error n) " or "Error "/"Warning ", subsystem "/" subcode, two blanks and the
// description, then ": " and the file name or the operation.
std::string errorMessage(const Fault& fault);

}  // namespace core
