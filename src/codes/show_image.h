// SHOWIMAGE without its window: which picture file a small picture dialog shows and its title. The
// pictures live in the folder "IMAGE" under the code-table folder (CDRV1); a picture that is
// missing - or a name that is not a plain file name, which could reach outside that folder - shows
// "library\noimage.bmp" under CDRV1 instead. Reads the program-wide settings; one thread.
#pragma once

#include <string>
#include <string_view>

namespace codes {

struct ImageToShow {
    std::string path;   // native path of the picture to show (it may be missing too)
    std::string title;  // "  " + caption (TIS-620)
    bool found = false;  // the named picture itself is shown
};

ImageToShow showImage(std::string_view fileName, std::string_view caption);

}  // namespace codes
