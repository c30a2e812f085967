#include "codes/show_image.h"

#include "core/paths.h"
#include "core/settings.h"
#include "core/xbase.h"

namespace codes {
namespace {

// A name inside the folder: no separators, no drive, no parent folder, something left to name.
bool plainFileName(std::string_view name)
{
    const std::string trimmed = core::xbase::alltrim(name);
    if (trimmed.empty() || trimmed == "." || trimmed == "..")
        return false;
    return trimmed.find_first_of("/\\:") == std::string::npos && trimmed.find('\0') == std::string::npos;
}

}  // namespace

ImageToShow showImage(std::string_view fileName, std::string_view caption)
{
    const std::string& folder = core::programSettings().text("CDRV1");
    ImageToShow out;
    out.title = "  " + std::string(caption);
    if (plainFileName(fileName)) {
        out.path = core::paths::join(folder, "IMAGE\\" + core::xbase::alltrim(fileName));
        out.found = core::paths::exists(out.path) && !core::paths::isDirectory(out.path);
    }
    if (!out.found)
        out.path = core::paths::join(folder, "library\\noimage.bmp");
    return out;
}

}  // namespace codes
