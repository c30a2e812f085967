#include "core/print_destination.h"

#include "core/seam.h"

namespace core {
namespace {

class NoDestination final : public PrintDestination {
public:
    std::unique_ptr<PrintJob> open(std::string_view, bool, const std::string&) override { return nullptr; }
};

NoDestination g_none;
Seam<PrintDestination> g_destination(&g_none);

}  // namespace

std::unique_ptr<PrintJob> ChoosingDestination::open(std::string_view printerKind, bool preview,
                                                    const std::string& title)
{
    const auto printer = choosePrinter(m_printers, printerKind, title);
    if (!printer)
        return nullptr;
    return m_makeJob(*printer, preview);
}

PrintDestination& printDestination()
{
    return g_destination.get();
}

PrintDestination* setPrintDestination(PrintDestination* destination)
{
    return g_destination.install(destination);
}

}  // namespace core
