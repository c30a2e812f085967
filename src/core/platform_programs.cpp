#include "core/platform_programs.h"

#include <cstdlib>
#include <sstream>
#include <unistd.h>

#include "core/tis620.h"

namespace core {
namespace {

using core::tis620::T;

constexpr const char* kCalculators[] = {"gnome-calculator", "galculator", "kcalc", "mate-calc",
                                        "qalculate-gtk", "xcalc"};
constexpr const char* kDesktopEditors[] = {"gnome-text-editor", "gedit", "mousepad", "kate", "kwrite",
                                           "pluma", "xed", "featherpad", "leafpad"};
// Editors that need a terminal; started inside the desktop's terminal program.
constexpr const char* kTerminalEditors[] = {"vi", "vim", "nvim", "nano", "pico", "ed", "joe", "jed",
                                            "mcedit", "micro", "ne", "emacs"};

std::vector<std::string> words(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

std::string baseName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isTerminalEditor(const std::string& program)
{
    const std::string name = baseName(program);
    for (const char* e : kTerminalEditors)
        if (name == e)
            return true;
    return false;
}

std::optional<ProgramCommand> fromVariable(const PlatformLookup& lookup, const char* variable, const std::string& file)
{
    std::vector<std::string> w = words(lookup.environment(variable));
    if (w.empty() || !lookup.onPath(w[0]))
        return std::nullopt;
    ProgramCommand c{w[0], {w.begin() + 1, w.end()}};
    if (!file.empty())
        c.arguments.push_back(file);
    if (!isTerminalEditor(c.program))
        return c;
    if (!lookup.onPath("x-terminal-emulator"))
        return std::nullopt;
    std::vector<std::string> args{"-e", c.program};
    args.insert(args.end(), c.arguments.begin(), c.arguments.end());
    return ProgramCommand{"x-terminal-emulator", args};
}

}  // namespace

PlatformLookup systemLookup()
{
    PlatformLookup l;
    l.environment = [](const char* v) {
        const char* e = std::getenv(v);
        return std::string(e ? e : "");
    };
    l.onPath = [](const std::string& program) {
        if (program.find('/') != std::string::npos)
            return ::access(program.c_str(), X_OK) == 0;
        const char* path = std::getenv("PATH");
        std::istringstream dirs(path ? path : "/usr/bin:/bin");
        for (std::string dir; std::getline(dirs, dir, ':');)
            if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0)
                return true;
        return false;
    };
    return l;
}

std::optional<ProgramCommand> calculatorCommand(const PlatformLookup& lookup)
{
    for (const char* c : kCalculators)
        if (lookup.onPath(c))
            return ProgramCommand{c, {}};
    return std::nullopt;
}

std::optional<ProgramCommand> editorCommand(const PlatformLookup& lookup, const std::string& file)
{
    for (const char* v : {"VISUAL", "EDITOR"})
        if (auto c = fromVariable(lookup, v, file))
            return c;
    for (const char* e : kDesktopEditors)
        if (lookup.onPath(e))
            return file.empty() ? ProgramCommand{e, {}} : ProgramCommand{e, {file}};
    if (!file.empty() && lookup.onPath("xdg-open"))
        return ProgramCommand{"xdg-open", {file}};
    return std::nullopt;
}

std::string noCalculatorMessage() { return T("ไม่พบโปรแกรมเครื่องคิดเลขในเครื่องนี้"); }
std::string noEditorMessage() { return T("ไม่พบโปรแกรมแก้ไขข้อความ (Text Editor) ในเครื่องนี้"); }
std::string programsTitle() { return T("  ส่วนเรียกใช้โปรแกรม"); }

}  // namespace core
