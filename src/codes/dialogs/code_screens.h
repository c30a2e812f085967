// The code tables on the screen: the Qt implementation of codes::CodeScreens (the browser's dialog
// and the editors' forms) and the registration of the menu's twelve code-table commands. The
// program calls registerCodeActions() once at start; GUI thread only.
#pragma once

#include "codes/code_browser.h"
#include "shell/menu.h"

namespace codes {

class QtCodeScreens final : public CodeScreens {
public:
    void showBrowser(CodeBrowser& browser) override;
    void showEditor(CodeEditor& editor) override;
};

// Installs the Qt screens (so every pick-list shows the browser) and registers POPCODE1 ..
// POPCODE12 (rights positions 17 .. 28) with the dispatcher.
void registerCodeActions(shell::Dispatcher& dispatcher);

}  // namespace codes
