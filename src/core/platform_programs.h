// The platform programs the main window starts: a calculator ("Calc") and a text editor
// ("NotePad", and the error trap's "See Error.log file"). Which program is whatever this machine
// offers, decided here from the environment and the programs on the PATH, so tests can give both.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace core {

struct ProgramCommand {
    std::string program;
    std::vector<std::string> arguments;
};

// What the decision may look at: an environment variable (empty when unset) and whether a program
// of that name is on the PATH.
struct PlatformLookup {
    std::function<std::string(const char* variable)> environment;
    std::function<bool(const std::string& program)> onPath;
};
// The real one: getenv and the folders of $PATH.
PlatformLookup systemLookup();

// The first installed of the desktop calculators; nothing when none is.
std::optional<ProgramCommand> calculatorCommand(const PlatformLookup& lookup);

// The editor for a file (or for a new text when `file` is empty): $VISUAL, then $EDITOR (a
// terminal editor such as vi or nano runs in the desktop's terminal, when there is one), then the
// first installed desktop editor, then xdg-open for a file. Nothing when none can be used.
std::optional<ProgramCommand> editorCommand(const PlatformLookup& lookup, const std::string& file = {});

// The messages when nothing can be started (TIS-620), and their title.
std::string noCalculatorMessage();
std::string noEditorMessage();
std::string programsTitle();

}  // namespace core
