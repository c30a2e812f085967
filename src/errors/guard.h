// The boundary of an operation: a C++ exception that escapes it (a fault of the program itself,
// never a planned outcome) is reported through the error trap like any run-time fault, offering
// only Quit, instead of unwinding through the event loop.
#pragma once

#include <exception>
#include <functional>
#include <string>

#include "core/fault.h"

namespace errors {

// The fault an escaped exception is reported as: subsystem "MERVO", the exception's type and
// text as the description, the operation named; neither retry nor default.
core::Fault exceptionFault(const std::exception* e, const std::string& operation);

// Runs the operation; an exception escaping it goes to the error trap. True when it ended normally.
bool runGuarded(const std::string& operation, const std::function<void()>& action);

}  // namespace errors
