#include "codes/dialogs/code_screens.h"

#include "codes/dialogs/code_browser_dialog.h"
#include "codes/dialogs/code_editor_dialog.h"

namespace codes {

void QtCodeScreens::showBrowser(CodeBrowser& browser)
{
    CodeBrowserDialog dialog(browser);
    dialog.exec();
}

void QtCodeScreens::showEditor(CodeEditor& editor)
{
    CodeEditorDialog dialog(editor);
    dialog.exec();
}

void registerCodeActions(shell::Dispatcher& dispatcher)
{
    static QtCodeScreens screens;
    setCodeScreens(&screens);
    for (int n = 1; n <= kCodeTables; ++n)
        dispatcher.registerAction(shell::Action(int(shell::Action::POPCODE1) + n - 1), [n](int) { POPCODE(n); });
}

}  // namespace codes
