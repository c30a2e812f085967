#include "site_start.h"

#include <unistd.h>

#include <filesystem>

#include "core/settings.h"
#include "shell/rights.h"
#include "shell/startup.h"
#include "shell/users.h"

namespace admin {

std::string absolutePath(const std::string& path)
{
    std::error_code ec;
    const auto p = std::filesystem::absolute(path, ec);
    return ec ? path : p.string();
}

bool startSite(const std::string& configFile, std::string* error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path file(configFile);
    if (!fs::is_regular_file(file, ec)) {
        *error = configFile + ": no such configuration file";
        return false;
    }
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    if (::chdir(folder.c_str()) != 0) {
        *error = folder.string() + ": cannot be entered";
        return false;
    }
    shell::startUp(core::programSettings(), file.filename().string());
    return true;
}

std::string fullRightsUser()
{
    storage::Workspace ws;
    if (!shell::openUsers(ws))
        return {};
    storage::Table& users = *ws.find(shell::kUsersAlias);
    for (storage::Status s = users.goTop(); s.ok() && !users.eof(); s = users.skip()) {
        const std::string rights = shell::userField(users, "TRUSTEE");
        bool full = true;
        for (int p = 1; p <= shell::kRightsPositions && full; ++p)
            full = shell::rightsLevel(rights, p) == 6;
        if (full && !users.deleted())
            return shell::userField(users, "CODE");
    }
    return {};
}

}  // namespace admin
