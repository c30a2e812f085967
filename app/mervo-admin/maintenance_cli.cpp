#include "maintenance_cli.h"

#include <iostream>

#include "core/tis620.h"
#include "core/xbase.h"
#include "site_start.h"

namespace admin {
namespace {

std::string utf8(const std::string& tis)
{
    return core::tis620::toUtf8(tis);
}

}  // namespace

std::optional<core::Date> parseDate(const std::string& text)
{
    // Exactly DD/MM/YYYY: a scheduler's two-digit year would silently mean another century.
    if (text.size() != 10 || text[2] != '/' || text[5] != '/')
        return std::nullopt;
    const core::Date d = core::Date::fromDtoc(text);
    if (d.isEmpty())
        return std::nullopt;
    return d;
}

PrintingPrompts::PrintingPrompts(bool answer, bool interactive)
    : m_answer(answer), m_interactive(interactive), m_previous(core::setPrompts(this))
{
}

PrintingPrompts::~PrintingPrompts()
{
    core::setPrompts(m_previous);
}

void PrintingPrompts::message(core::MessageKind, const std::string& text, const std::string& title)
{
    std::cout << "message " << utf8(core::xbase::alltrim(title)) << ": " << utf8(text) << std::endl;
}

bool PrintingPrompts::confirm(const std::string& text, const std::string& title)
{
    const std::string question = "question " + utf8(core::xbase::alltrim(title)) + ": " + utf8(text);
    bool answer = m_answer;
    if (m_interactive) {
        std::cout << question << " [y/N] " << std::flush;
        std::string line;
        answer = std::getline(std::cin, line) && (line == "y" || line == "Y" || line == "yes" || line == "YES");
        std::cout << "question answered " << (answer ? "yes" : "no") << std::endl;
    } else {
        std::cout << question << " -> " << (answer ? "yes" : "no") << std::endl;
    }
    return answer;
}

PrintingFaults::PrintingFaults() : m_previous(core::setFaultHandler(this)) {}

PrintingFaults::~PrintingFaults()
{
    core::setFaultHandler(m_previous);
}

core::FaultAnswer PrintingFaults::handle(const core::Fault& fault)
{
    std::cerr << "fault: " << utf8(core::errorMessage(fault)) << std::endl;
    return fault.canDefault ? core::FaultAnswer::Default : core::FaultAnswer::Quit;
}

void LinePrinter::finished(const maintenance::StepResult& r)
{
    std::cout << r.name << ": ";
    if (r.outcome == maintenance::Outcome::Declined)
        std::cout << "not done: ";
    else if (r.outcome == maintenance::Outcome::Failed)
        std::cout << "FAILED: ";
    std::cout << utf8(r.detail) << std::endl;
}

int finish(const std::string& command, const std::vector<maintenance::StepResult>& results, bool interactive)
{
    std::string failed;
    for (const maintenance::StepResult& r : results) {
        const bool bad = r.outcome == maintenance::Outcome::Failed ||
                         (r.outcome == maintenance::Outcome::Declined && !interactive);
        if (bad && failed.find(r.name) == std::string::npos)
            failed += (failed.empty() ? "" : ", ") + r.name;
    }
    if (failed.empty())
        return 0;
    std::cerr << "mervo-admin " << command << ": not done for " << failed << '\n';
    return 1;
}

bool startMaintenance(const std::string& command, const std::string& config)
{
    std::string error;
    if (!startSite(config, &error)) {
        std::cerr << "mervo-admin " << command << ": " << error << '\n';
        return false;
    }
    return true;
}

}  // namespace admin
