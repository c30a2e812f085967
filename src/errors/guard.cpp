#include "errors/guard.h"

#include <cstdlib>
#include <cxxabi.h>
#include <typeinfo>

namespace errors {
namespace {

constexpr int kUncaughtException = 9001;

std::string typeName(const std::type_info& t)
{
    int status = 0;
    char* d = abi::__cxa_demangle(t.name(), nullptr, nullptr, &status);
    std::string name = status == 0 && d ? d : t.name();
    std::free(d);
    return name;
}

}  // namespace

core::Fault exceptionFault(const std::exception* e, const std::string& operation)
{
    core::Fault f;
    f.subsystem = "MERVO";
    f.subCode = kUncaughtException;
    f.operation = operation;
    f.description = e ? typeName(typeid(*e)) + ": " + e->what() : std::string("unknown exception");
    f.canRetry = false;
    f.canDefault = false;
    return f;
}

bool runGuarded(const std::string& operation, const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const std::exception& e) {
        core::raise(exceptionFault(&e, operation));
    } catch (...) {
        core::raise(exceptionFault(nullptr, operation));
    }
    return false;
}

}  // namespace errors
