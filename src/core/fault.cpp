#include "core/fault.h"

#include "core/seam.h"

namespace core {
namespace {

class BuiltInHandler final : public FaultHandler {
public:
    FaultAnswer handle(const Fault& f) override { return f.canDefault ? FaultAnswer::Default : FaultAnswer::Quit; }
};

BuiltInHandler g_builtIn;
core::Seam<FaultHandler> g_handler(&g_builtIn);

}  // namespace

FaultHandler& faultHandler()
{
    return g_handler.get();
}

FaultHandler* setFaultHandler(FaultHandler* handler)
{
    return g_handler.install(handler);
}

FaultAnswer raise(const Fault& fault)
{
    if (fault.genCode == EG_ZERODIV)
        return FaultAnswer::Default;
    const FaultAnswer a = faultHandler().handle(fault);
    if ((a == FaultAnswer::Retry && !fault.canRetry) || (a == FaultAnswer::Default && !fault.canDefault))
        return FaultAnswer::Quit;
    return a;
}

std::string errorMessage(const Fault& f)
{
    std::string s;
    if (f.osCode != 0)
        s = "(DOS Error " + std::to_string(f.osCode) + ") ";
    else
        s = f.severity > 1 ? "Error " : "Warning ";
    s += f.subsystem.empty() ? "???" : f.subsystem;
    s += f.subCode != 0 ? "/" + std::to_string(f.subCode) : "/???";
    if (!f.description.empty())
        s += "  " + f.description;
    if (!f.fileName.empty())
        s += ": " + f.fileName;
    else if (!f.operation.empty())
        s += ": " + f.operation;
    return s;
}

}  // namespace core
