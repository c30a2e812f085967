// The demo site's pictures for the ticket screens' tool bar: "prev.bmp" .. "cancel.bmp" in the
// "library" folder under the code-table folder (the print and exit pictures, "report.bmp" and
// "door.bmp", are the main window's, written by the shell's demo step). Simple glyphs drawn with
// QPainter on images, so neither a display nor a Qt application is needed. Any thread.
#pragma once

#include <string>

#include "site/site_setup.h"

namespace site {

// Writes the ten pictures into `libraryFolder` (native, created when missing); existing files are
// replaced. False with the reason in `error` when one could not be written.
bool writeToolPictures(const std::string& libraryFolder, std::string* error);

// The step of `mervo-admin init --demo`.
bool toolPicturesDemoStep(const site::Site& site, std::string* error);

}  // namespace site
