// The main window's behaviour without its widgets: the caption, where the main picture sits, its
// hot spots (MAPSEL) and update stamp (SAYTEXT), the exit confirmation (FINISH) and the
// announcement (WELMESS). The Qt main window (shell/dialogs/main_window.h) shows what these say.
// Everything reads core::programSettings(); one thread.
#pragma once

#include <optional>
#include <string>

#include "shell/menu.h"

namespace shell {

inline constexpr int kMainPictureWidth = 600;
inline constexpr int kMainPictureHeight = 400;
inline constexpr int kToolButtonSize = 34;

// "  โปรแกรมชั่งรถบรรทุก สำหรับ " followed by CHLINE (TIS-620).
std::string mainCaption();
// The default text of the message bar (TIS-620).
std::string messageBarDefault();
// The status bar's permanent texts (TIS-620): the logged-in user, "ผู้ใช้ " with CLOGIN and CUSER
// in brackets, and the site, CHLINE; blanks trimmed, empty when the setting is.
std::string statusUser();
std::string statusSite();

// A file of the code-table folder (CDRV1) as the program names it ("library\\door.bmp"), made
// native and resolved without regard to letter case.
std::string siteFile(std::string_view name);

// The main picture's top-left corner in the window: top (screen height - 400) / 3, left
// (screen width - 600) / 2, in pixels.
struct Placement {
    int left;
    int top;
};
Placement mainPicturePlacement(int screenWidth, int screenHeight);
std::string mainPicturePath();

// MAPSEL: a left click at (column, row) of the main picture runs the hot spot's action through
// the dispatcher (rights check first). True when the click was on a hot spot.
bool MAPSEL(Dispatcher& dispatcher, int column, int row);

// SAYTEXT: the update stamp drawn on each paint of the main picture, unless CTRACK is "9417".
struct UpdateStamp {
    bool shown = false;
    std::string text;  // "UPDATE: 03/07/2009"
    int x = 15;
    int y = 440;  // below a 400-pixel picture: the painter keeps it inside (see main_window.cpp)
};
UpdateStamp SAYTEXT();

// FINISH: the exit confirmation. The dialog calls opened() when shown and decide() with the
// button pressed (Cancel for any other way of closing); decide(true) plays sound 9 to its end.
class FinishModel {
public:
    static std::string title();
    static std::string text();
    static std::string okCaption();
    static std::string cancelCaption();
    static std::string picturePath();
    void opened();
    bool decide(bool ok);
};

// WELMESS: the text of DocFile.TXT in CDRV1 (TIS-620), or nothing when the file is missing.
std::optional<std::string> announcement();
std::string announcementTitle();
std::string announcementButton();

}  // namespace shell
