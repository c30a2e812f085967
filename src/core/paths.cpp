#include "core/paths.h"

#include <dirent.h>
#include <sys/stat.h>

#include "core/xbase.h"

namespace core::paths {

std::string native(std::string_view path)
{
    std::string out(path);
    for (char& c : out)
        if (c == '\\')
            c = '/';
    return out;
}

bool exists(const std::string& p)
{
    struct stat st;
    return ::stat(p.c_str(), &st) == 0;
}

bool isDirectory(const std::string& p)
{
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string resolve(std::string_view path)
{
    std::string p = native(path);
    if (p.empty() || exists(p))
        return p;
    std::string out;
    std::size_t pos = 0;
    if (p.front() == '/') {
        out = "/";
        pos = 1;
    }
    bool matching = true;
    while (pos <= p.size()) {
        auto slash = p.find('/', pos);
        if (slash == std::string::npos)
            slash = p.size();
        std::string comp = p.substr(pos, slash - pos);
        const bool last = slash == p.size();
        if (!comp.empty()) {
            std::string candidate = out + comp;
            if (matching && !exists(candidate)) {
                // Look for the one entry of the folder that matches without regard to case.
                const std::string dir = out.empty() ? "." : out;
                if (DIR* d = ::opendir(dir.c_str())) {
                    std::string found;
                    while (dirent* e = ::readdir(d)) {
                        if (xbase::equalsNoCase(e->d_name, comp)) {
                            found = e->d_name;
                            break;
                        }
                    }
                    ::closedir(d);
                    if (!found.empty())
                        comp = found;
                    else
                        matching = false;
                } else {
                    matching = false;
                }
            }
            out += comp;
        }
        if (!last)
            out += '/';
        pos = slash + 1;
    }
    return out;
}

std::string join(std::string_view folder, std::string_view name)
{
    std::string p(folder);
    p.append(name);
    return resolve(p);
}

}  // namespace core::paths
