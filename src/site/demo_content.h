// The demo site's content for the shell: what the main window, the login and the exit dialogs
// show and play - the seven button bar pictures, the 600 x 400 main picture with its six hot-spot
// areas drawn and labelled in Thai, the welcome and goodbye pictures, the announcement file
// DocFile.TXT, and the prompt and number sounds (spoken Thai made with espeak-ng when it is
// installed, silent wave files otherwise).
//
// Pictures are drawn with QPainter on the offscreen platform, so no display is needed; when no Qt
// application exists yet, one is made for the purpose. Call from the main thread.
#pragma once

#include <string>

#include "core/settings.h"

namespace site {
struct Site;
}

namespace site {

struct DemoContentOptions {
    bool speech = true;                // espeak-ng when installed; false: silent files
    std::string loginHint;             // a line for the announcement (who logs in with what), TIS-620
};

// Writes everything under the site's code-table folder (CDRV1 of `settings`, taken relative to
// siteDir unless absolute), creating "library" and "sounds" when missing; existing files are
// replaced. False with a reason in `error` when a file could not be written.
bool writeShellDemoContent(const std::string& siteDir, const core::Settings& settings, std::string* error = nullptr,
                           const DemoContentOptions& options = {});

// The step of `mervo-admin init --demo` (site/site_setup.h): the content above, with the demo
// users' login in the announcement.
bool shellDemoStep(const site::Site& site, std::string* error);

}  // namespace site
