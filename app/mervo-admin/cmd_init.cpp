#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <iostream>

#include "command_line.h"
#include "core/xbase.h"
#include "demo_steps.h"
#include "site/site_setup.h"

namespace admin {
namespace {

// Reads one line from the terminal with echo switched off.
bool readHidden(int fd, const char* prompt, std::string* out)
{
    (void)!::write(fd, prompt, std::strlen(prompt));
    termios old{};
    const bool restore = ::tcgetattr(fd, &old) == 0;
    if (restore) {
        termios quiet = old;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    out->clear();
    char c = 0;
    bool ended = false;
    while (::read(fd, &c, 1) == 1) {
        if (c == '\n') {
            ended = true;
            break;
        }
        if (c != '\r')
            out->push_back(c);
    }
    if (restore)
        ::tcsetattr(fd, TCSAFLUSH, &old);
    return ended;
}

// Asks for the first user's password twice on the terminal; false with a reason when there is no
// terminal or the two differ.
bool askPassword(const std::string& user, std::string* password, std::string* error)
{
    const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        *error = "no terminal to ask the password on: give --password PW";
        return false;
    }
    const std::string prompt = "Password for " + user + " (1 to 6 characters): ";
    std::string again;
    const bool ok = readHidden(fd, prompt.c_str(), password) && readHidden(fd, "The same again: ", &again);
    ::close(fd);
    if (!ok) {
        *error = "no password was typed";
        return false;
    }
    if (*password != again) {
        *error = "the two passwords differ";
        return false;
    }
    return true;
}

}  // namespace

// init SITE_DIR [--admin CODE] [--password PW] [--demo [--no-week]]: a new site with every table
// empty, the running-number series and one user with full rights; with --demo also demo content,
// the codes, templates and reports and a week of weighings before today (--no-week: without the
// week, the books empty and every series at its first number).
// Exit codes: 0 created, 1 refused or failed (nothing is left behind), 2 usage.
int cmdInit(const Args& args)
{
    site::InitOptions options;
    bool demo = false, noWeek = false;
    CommandLine line("init", "init SITE_DIR [--admin CODE] [--password PW] [--demo [--no-week]]");
    line.positional("SITE_DIR", &options.dir, "the new site's folder: missing or empty", Need::Required);
    line.value("--admin", &options.admin, "the first user's code (default ADMIN)");
    line.value("--password", &options.password, "the first user's password; asked on the terminal when not given");
    line.flag("--demo", &demo, "write demo content too");
    line.flag("--no-week", &noWeek, "with --demo: no week of weighings, the books empty");
    if (const auto code = line.parse(args))
        return *code;
    if (options.dir.empty() || options.dir[0] == '-')
        return line.refuse();
    if (noWeek && !demo)
        return line.refuse("--no-week is for a demo site");
    const bool havePassword = line.given("--password");
    const bool week = !noWeek;
    std::string error;
    if (!site::siteFolderFree(options.dir, &error)) {
        std::cerr << "mervo-admin init: " << error << '\n';
        return 1;
    }
    if (!havePassword) {
        if (demo) {
            options.password = site::kDemoPassword;
        } else if (!askPassword(options.admin, &options.password, &error)) {
            std::cerr << "mervo-admin init: " << error << '\n';
            return 1;
        }
    }
    if (demo)
        options.demoSteps = demoSteps(week);
    if (!site::initSite(options, &error)) {
        std::cerr << "mervo-admin init: " << error << '\n';
        return 1;
    }
    std::cout << "site " << options.dir << " created; log in as " << core::xbase::upper(options.admin);
    if (demo && !havePassword)
        std::cout << " with the password " << site::kDemoPassword;
    std::cout << '\n';
    return 0;
}

}  // namespace admin
