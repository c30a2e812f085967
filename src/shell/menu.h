// The main window's commands as data: the menu tree, the button bar and the hot spots of the main
// picture, each naming an action, the rights position checked before it and the position whose
// level the action receives. The GUI builds its widgets from these tables; dispatch() runs an
// action after the rights check, so menu, buttons and picture behave alike.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>

namespace shell {

enum class Action {
    TRPROC1, TRPROC2, TRPROC3, TRPROC4, TRPROC5,
    MNPROC1, MNPROC2, MNPROC3, MNPROC4, SKPROC1,
    EDITPROC1, EDITPROC2, EDITPROC3, EDITPROC4,
    REPORT, AUDITLIST,
    POPCODE1, POPCODE2, POPCODE3, POPCODE4, POPCODE5, POPCODE6,
    POPCODE7, POPCODE8, POPCODE9, POPCODE10, POPCODE11, POPCODE12,
    FGINDEX, FGBACKUP1, FGBACKUP2, FGDELETE, FGRESTORE1, FGRESTORE2,
    VARSET, PrinterSetup, FONTSEL1, FONTSEL2, FONTSEL3, FONTSEL4, FONTSEL5, FONTSEL6,
    Calculator, TextEditor, Exit,
    Count_
};

struct MenuEntry {
    enum class Kind { Item, Separator, Submenu, EndSubmenu };
    Kind kind;
    const char* caption = "";  // UTF-8; "&" marks the access key where the menu has one
    const char* message = "";  // UTF-8 message-bar text
    int rights = 0;            // position checked at level 1 before the action; 0 = none
    Action action = Action::Exit;
};

struct Menu {
    const char* caption;  // UTF-8
    const char* message;  // UTF-8
    std::span<const MenuEntry> entries;  // empty: the menu is a single command on the menu bar
    Action action;                       // for a single command
};

struct ToolButton {
    const char* picture;  // relative to CDRV1, e.g. "library\\Report2.bmp"
    const char* message;  // UTF-8
    const char* tooltip;  // UTF-8
    bool startsGroup;
    int rights;
    Action action;
};

struct HotSpot {
    int left, right, top, bottom;  // pixels of the main picture, inclusive
    int rights;
    Action action;
};

// BUILDMENU: the eight menus of the menu bar.
std::span<const Menu> mainMenu();
std::span<const ToolButton> buttonBar();
std::span<const HotSpot> hotSpots();

// The hot spot under a click of the main picture, if any (the first match wins).
const HotSpot* hotSpotAt(int column, int row);

// The rights position whose level an action receives (0: it takes none).
int levelPosition(Action a);

// Runs actions. Subsystems register their handler per action; the GUI registers the ones it owns
// (exit, printer set-up, calculator, text editor). A handler receives the user's level at the
// action's level position.
class Dispatcher {
public:
    using Handler = std::function<void(int level)>;

    void registerAction(Action a, Handler h);
    bool has(Action a) const;

    // The rights check at level 1 (when the entry has a position), then the handler; an action
    // nobody registered shows "not available yet". Returns true when the handler ran.
    bool dispatch(Action a, int rightsPosition);

private:
    std::function<void(int)> m_handlers[int(Action::Count_)];
};

}  // namespace shell
