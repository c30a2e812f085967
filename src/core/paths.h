// Paths as the settings write them ("./WORK/", ".\\WORK\\", "A:\\") made usable on this platform.
//
// Folder settings keep their stored text; a path becomes native only where a file is opened.
// The file system is case-sensitive while stored names are not ("LIBRARY\\MAIN.BMP" and
// "library\\main.bmp" name one file), so opening resolves each component without regard to case
// when the exact spelling is missing.
#pragma once

#include <string>
#include <string_view>

namespace core::paths {

// Backslashes become '/'; everything else is kept.
std::string native(std::string_view path);

// The existing file or folder whose path matches `path` (native) component by component without
// regard to ASCII case; the exact spelling wins when it exists. When nothing matches, returns the
// path with the matched leading components resolved and the rest as given, so a file about to be
// created lands in the folder that exists.
std::string resolve(std::string_view path);

bool exists(const std::string& nativePath);
bool isDirectory(const std::string& nativePath);

// Joins a folder setting and a file name as the program does (folder settings end with a
// separator), then makes the result native and resolved.
std::string join(std::string_view folder, std::string_view name);

}  // namespace core::paths
