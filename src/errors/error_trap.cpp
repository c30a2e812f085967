#include "errors/error_trap.h"

#include <cstdio>
#include <cxxabi.h>
#include <execinfo.h>
#include <fstream>
#include <malloc.h>
#include <sstream>
#include <sys/utsname.h>
#include <unistd.h>

#include "core/identity.h"
#include "core/clock.h"
#include "core/xbase.h"
#include "storage/fault_bridge.h"

namespace errors {
namespace {

using core::xbase::padLeft;
using core::xbase::padRight;

const char* const kEol = "\r\n";

std::string num(long v, int width)
{
    return padLeft(std::to_string(v), std::size_t(width));
}

// "9,999,999"-style digits with thousands separators.
std::string grouped(unsigned long long v)
{
    std::string d = std::to_string(v), out;
    for (std::size_t i = 0; i < d.size(); ++i) {
        if (i > 0 && (d.size() - i) % 3 == 0)
            out += ',';
        out += d[i];
    }
    return out;
}

std::string readFirstLine(const char* path, const char* prefix)
{
    std::ifstream in(path);
    std::string line;
    const std::string p(prefix);
    while (std::getline(in, line))
        if (line.rfind(p, 0) == 0)
            return line;
    return {};
}

std::string afterColon(const std::string& line)
{
    const auto c = line.find(':');
    return c == std::string::npos ? std::string() : core::xbase::alltrim(line.substr(c + 1));
}

std::string selfPath()
{
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, std::size_t(n)) : std::string("?");
}

// "   Called from: file => function(line)" for the callers of the trap, from the C++ call stack.
// Debug information is not read: the file is the binary and the line 0.
std::vector<std::string> callStack()
{
    void* frames[80];
    const int n = ::backtrace(frames, 80);
    char** symbols = ::backtrace_symbols(frames, n);
    std::vector<std::string> lines;
    for (int i = 2; i < n && i < 74 && symbols; ++i) {
        std::string s = symbols[i];
        std::string file = s.substr(0, s.find('('));
        std::string function = "?";
        const auto open = s.find('('), plus = s.find('+', open == std::string::npos ? 0 : open);
        if (open != std::string::npos && plus != std::string::npos && plus > open + 1) {
            const std::string mangled = s.substr(open + 1, plus - open - 1);
            int status = 0;
            char* demangled = abi::__cxa_demangle(mangled.c_str(), nullptr, nullptr, &status);
            function = status == 0 && demangled ? demangled : mangled;
            std::free(demangled);
        }
        if (function == "?")
            continue;  // unnamed frames end the list as callers without a name do
        const auto slash = file.find_last_of('/');
        lines.push_back("   Called from: " + (slash == std::string::npos ? file : file.substr(slash + 1)) + " => " +
                        function + "(0)");
    }
    std::free(symbols);
    return lines;
}

}  // namespace

std::string CGETINFO(const core::Value& v)
{
    switch (v.type()) {
    case core::Value::Type::Text: return "\"" + v.asText() + "\"";
    case core::Value::Type::Array: return "Len: " + num(long(v.asArray() ? v.asArray()->size() : 0), 4);
    case core::Value::Type::Number: return core::xbase::alltrim(v.toDisplayText());
    default: return v.toDisplayText();
    }
}

std::string GETCPU()
{
    std::string name = afterColon(readFirstLine("/proc/cpuinfo", "model name"));
    return name.empty() ? std::string("unknown processor") : name;
}

ErrorTrap::ErrorTrap(ErrorDialog& dialog, Environment env)
    : m_dialog(dialog), m_env(std::move(env)), m_previous(core::setFaultHandler(this)),
      m_start(std::chrono::steady_clock::now())
{
}

ErrorTrap::~ErrorTrap()
{
    core::setFaultHandler(m_previous);
}

core::FaultAnswer ErrorTrap::handle(const core::Fault& f)
{
    // 1-3. The faults settled without a word.
    if (f.genCode == core::EG_ZERODIV)
        return core::FaultAnswer::Default;
    if (f.genCode == core::EG_OPEN && storage::heldElsewhere(f) && f.canDefault) {
        m_netErr = true;
        return core::FaultAnswer::Default;
    }
    if (f.genCode == core::EG_APPENDLOCK && f.canDefault) {
        m_netErr = true;
        return core::FaultAnswer::Default;
    }

    auto end = [this](int code) {
        if (m_env.terminate)
            m_env.terminate(code);
        else
            std::_Exit(code);
        return core::FaultAnswer::Quit;
    };

    // 4-5. A fault while the trap is at work: the stop box, then the end.
    if (m_active) {
        m_dialog.stop(core::errorMessage(f) + " from Errorsys, line:" + num(0, 3));
        return end(1);
    }
    m_active = true;

    // 6. The report, replacing the last one; a failure to write it is ignored.
    const std::string text = report(f);
    if (std::FILE* out = std::fopen(m_logPath.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), out);
        std::fclose(out);
    }

    // 7. The dialog.
    std::vector<std::string> stack;
    std::istringstream lines(text);
    for (std::string l; std::getline(lines, l);) {
        if (!l.empty() && l.back() == '\r')
            l.pop_back();
        if (l.rfind("   Called from: ", 0) == 0)
            stack.push_back(l);
    }
    const ErrorDialog::Choice c = m_dialog.choose(core::errorMessage(f), stack, f.canRetry, f.canDefault);
    m_active = false;
    const bool loopRunning = !m_env.eventLoopRunning || m_env.eventLoopRunning();
    if (c == ErrorDialog::Choice::Retry && f.canRetry && loopRunning)
        return core::FaultAnswer::Retry;
    if (c == ErrorDialog::Choice::Default && f.canDefault)
        return core::FaultAnswer::Default;
    return end(1);
}

std::string ErrorTrap::report(const core::Fault& f) const
{
    std::string r;
    auto line = [&r](const std::string& s) { r += s + kEol; };

    line("Application");
    line("===========");
    const std::string exe = selfPath();
    std::ifstream bin(exe, std::ios::binary | std::ios::ate);
    const auto size = bin ? static_cast<unsigned long long>(bin.tellg()) : 0ULL;
    line("   Path and name: " + exe + " (64 bits)");
    line("   Size: " + padLeft(grouped(size), 9) + " bytes");
    if (const std::string& identity = core::programIdentity(); !identity.empty())
        line("   Program: " + identity);
    const long secs = long(std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - m_start).count());
    line("   Time from start: " + std::to_string(secs / 3600) + " hours " + std::to_string(secs / 60 % 60) + " mins " +
         std::to_string(secs % 60) + " secs ");
    line("   Error occurred at: " + core::clock().today().dtoc() + ", " + core::timeOfDay());
    line("   Error description: " + core::errorMessage(f));
    if (!f.args.empty()) {
        line("   Args:");
        for (std::size_t i = 0; i < f.args.size(); ++i)
            line("     [" + num(long(i + 1), 4) + "] = " + std::string(1, f.args[i].typeLetter()) + "   " +
                 f.args[i].toDisplayText());
    }

    r += kEol;
    line("Stack Calls");
    line("===========");
    for (const std::string& s : callStack())
        line(s);

    r += kEol;
    line("System");
    line("======");
    const std::string mhz = afterColon(readFirstLine("/proc/cpuinfo", "cpu MHz"));
    line("   CPU type: " + GETCPU() + " " + (mhz.empty() ? "0" : mhz.substr(0, mhz.find('.'))) + " Mhz");
    const long memMb = long(core::xbase::val(afterColon(readFirstLine("/proc/meminfo", "MemTotal"))).value / 1024);
    line("   Hardware memory: " + std::to_string(memMb + 1) + " megs");
    line("   Compiler version: " + (m_env.compilerLine.empty() ? std::string("g++ " __VERSION__) : m_env.compilerLine));
    utsname u{};
    ::uname(&u);
    line(std::string("   Windows version: ") + u.sysname + " " + u.release + ", Build " + u.version);
    const std::vector<std::string> titles = m_env.windowTitles ? m_env.windowTitles() : std::vector<std::string>{};
    line("   Windows total applications running: " + std::to_string(titles.size()));
    for (std::size_t i = 0; i < titles.size(); ++i)
        line("    " + num(long(i + 1), 3) + " " + titles[i]);

    r += kEol;
    line("Variables in use");
    line("================");
    line("   Procedure     Type   Value");
    line("   ==========================");

    r += kEol;
    line("Linked RDDs");
    line("===========");
    line("   DBF");
    line("   DBFNTX");

    r += kEol;
    line("DataBases in use");
    line("================");
    if (m_env.workAreas) {
        for (const WorkAreaInfo& w : m_env.workAreas()) {
            line(num(w.number, 3) + ": " + (w.current ? "=> " : "   ") + padRight(w.alias, 15) + std::string(20, ' ') +
                 "RddName: DBFNTX");
            line("     ==============================");
            line("     RecNo    RecCount    BOF   EOF");
            line("     " + num(w.recNo, 7) + "    " + num(w.recCount, 7) + "    " + (w.bof ? ".T." : ".F.") + "   " +
                 (w.eof ? ".T." : ".F."));
            line("     Indexes in use " + std::string(23, ' ') + "TagName");
            for (const auto& o : w.orders)
                line(std::string(8, ' ') + (o.controlling ? "=> " : "   ") + padRight(o.key, 35) + o.name);
            line("     Relations in use");
            for (std::size_t i = 0; i < w.relations.size(); ++i)
                line(std::string(8, ' ') + std::to_string(i + 1) + ": TO " + w.relations[i].expression + " INTO " +
                     w.relations[i].target);
        }
    }

    r += kEol;
    line("Classes in use:");
    line("===============");

    r += kEol;
    line("Memory Analysis");
    line("===============");
    line("      0 Static variables");
    line("   Dynamic memory consume:");
    const struct mallinfo2 mi = ::mallinfo2();
    line("      Actual  Value: " + std::to_string(mi.uordblks) + " bytes");
    const std::string hwm = afterColon(readFirstLine("/proc/self/status", "VmHWM"));
    line("      Highest Value: " + std::to_string(long(core::xbase::val(hwm).value) * 1024) + " bytes");
    return r;
}

}  // namespace errors
