#include "site_start.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
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

void TerminalPrompts::message(core::MessageKind, const std::string& text, const std::string& title)
{
    ++shown;
    std::cerr << core::tis620::toUtf8(core::xbase::alltrim(title)) << ": " << core::tis620::toUtf8(text) << '\n';
}

bool TerminalPrompts::confirm(const std::string& text, const std::string& title)
{
    message(core::MessageKind::Info, text, title);
    return false;
}

void useHeadlessQt()
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const char* tmp = std::getenv("TMPDIR");
        const std::string runtime =
            std::string(tmp && *tmp ? tmp : "/tmp") + "/mervo-runtime-" + std::to_string(::getuid());
        ::mkdir(runtime.c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
}

}  // namespace admin
