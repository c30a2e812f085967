// The error trap on the screen: the Qt dialog that shows a fault with its call stack and takes
// the person's choice, and the program's surroundings the report lists (open work areas, window
// titles, the Qt and compiler versions). GUI thread only.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "errors/error_dialog_model.h"
#include "errors/error_trap.h"

class QListWidget;
class QPushButton;

namespace errors {

// One fault on the screen: the description at the top, "&Stack List" over the caller lines, and
// the buttons of errorButtons(). "See Error.log file" opens the log in the platform's editor and
// the dialog stays.
class ErrorDialogWindow : public QDialog {
    Q_OBJECT
public:
    ErrorDialogWindow(const std::string& description, const std::vector<std::string>& stack, bool canRetry,
                      bool canDefault, std::string logPath, QWidget* parent = nullptr);

    ErrorDialog::Choice choice() const { return m_choice; }
    QPushButton* button(ErrorButtons::Button b) const;

private:
    void seeLog();

    ErrorDialog::Choice m_choice = ErrorDialog::Choice::Quit;
    std::string m_logPath;
    QListWidget* m_stack;
    std::vector<std::pair<ErrorButtons::Button, QPushButton*>> m_buttons;
};

class QtErrorDialog final : public ErrorDialog {
public:
    explicit QtErrorDialog(std::string logPath = "Error.log") : m_logPath(std::move(logPath)) {}
    Choice choose(const std::string& description, const std::vector<std::string>& stack, bool canRetry,
                  bool canDefault) override;
    void stop(const std::string& text) override;

private:
    std::string m_logPath;
};

// The report's surroundings in the GUI: the work areas in use (errors/work_areas.h), the titles
// of the top-level windows, "Qt x.y.z, g++ x.y.z", whether the main loop runs (Retry needs it),
// and the end of the program (the tables closed, exit code given).
Environment programEnvironment();

// Marks the main window's event loop as running (set when the main window is shown).
void setMainLoopRunning(bool running);

}  // namespace errors
