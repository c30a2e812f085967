#include "command_line.h"

#include <iostream>

#include <CLI/CLI.hpp>

namespace admin {
namespace {

// CLI11's help with the command's own usage lines in place of the generated one.
class UsageFormatter final : public CLI::Formatter {
public:
    explicit UsageFormatter(std::string usage) : m_usage(std::move(usage)) {}
    std::string make_usage(const CLI::App*, std::string) const override { return m_usage; }
    std::string make_description(const CLI::App*) const override { return {}; }

private:
    std::string m_usage;
};

}  // namespace

CommandLine::CommandLine(std::string command, std::string usage, std::string notes)
    : m_command(std::move(command)), m_usage(std::move(usage)), m_notes(std::move(notes)),
      m_app(std::make_unique<CLI::App>(std::string(), "mervo-admin " + m_command))
{
    m_app->formatter(std::make_shared<UsageFormatter>(usageText()));
}

CommandLine::~CommandLine() = default;

std::string CommandLine::usageText() const
{
    std::string out;
    std::size_t start = 0;
    while (start < m_usage.size()) {
        const std::size_t end = std::min(m_usage.find('\n', start), m_usage.size());
        out += (start == 0 ? "usage: mervo-admin " : "       mervo-admin ") + m_usage.substr(start, end - start) + '\n';
        start = end + 1;
    }
    if (!m_notes.empty())
        out += m_notes + '\n';
    return out;
}

void CommandLine::positional(const std::string& name, std::string* target, const std::string& what, Need need)
{
    m_app->add_option(name, *target, what)->required(need == Need::Required);
}

void CommandLine::value(const std::string& name, std::string* target, const std::string& what, Need need)
{
    m_app->add_option(name, *target, what)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
        ->required(need == Need::Required);
}

void CommandLine::values(const std::string& name, std::vector<std::string>* target, const std::string& what)
{
    // One value per occurrence: "--var A=1 'A+1'" leaves the expression positional.
    m_app->add_option(name, *target, what)->allow_extra_args(false);
}

void CommandLine::flag(const std::string& name, bool* target, const std::string& what)
{
    m_app->add_flag(name, *target, what);
}

void CommandLine::allowDash(const std::string& name, std::string* target)
{
    m_dashName = name;
    m_dashTarget = target;
    m_app->allow_extras();
}

std::optional<int> CommandLine::parse(const Args& args)
{
    try {
        // CLI11 reads its vector from the back.
        m_app->parse(std::vector<std::string>(args.rbegin(), args.rend()));
    } catch (const CLI::CallForHelp&) {
        std::cout << m_app->help();
        return 0;
    } catch (const CLI::ParseError& e) {
        return refuse(e.what());
    }
    if (m_dashTarget) {
        std::vector<std::string> rest;
        for (const std::string& r : m_app->remaining())
            if (r != "--")
                rest.push_back(r);
        if (rest.size() == 1 && !given(m_dashName) && rest[0].rfind("--", 0) != 0) {
            *m_dashTarget = rest[0];
            m_dashTaken = true;
        } else if (!rest.empty()) {
            std::string names;
            for (const std::string& r : rest)
                names += (names.empty() ? "'" : ", '") + r + "'";
            return refuse("unexpected arguments: " + names);
        }
    }
    return std::nullopt;
}

bool CommandLine::given(const std::string& name) const
{
    return m_app->count(name) > 0 || (m_dashTaken && name == m_dashName);
}

int CommandLine::refuse(const std::string& why) const
{
    if (!why.empty())
        std::cerr << "mervo-admin " << m_command << ": " << why << '\n';
    std::cerr << usageText();
    return 2;
}

}  // namespace admin
