// Site set-up behind `mervo-admin init`: a new site folder holding its configuration file, its
// folders, every permanent table of the catalogue (empty, with its index files), the running-number
// series and the first user with full rights - and, when asked, demo content from a list of steps.
// Runs alone on a folder nobody uses yet; one thread.
//
// Layout of a site (the program is started from the site folder, so the folder settings are
// relative to it and keep their Windows form):
//
//   SITE/MERVO.INI        every standard key; under "Path": Table ".\TABLES\", Exe ".\DATA\",
//                         BackUp ".\BACKUP\", Work ".\WORK\" (see siteFolders())
//   SITE/TABLES/          code tables, "Consec", "Replist"; library/ (pictures), sounds/ (waves)
//   SITE/DATA/            weighing tickets, vouchers, lines, production, ledgers, the audit log
//   SITE/WORK/            per-user work tables
//   SITE/BACKUP/          backup copies
//
// The site is built in a temporary folder beside SITE and renamed to SITE when every step
// succeeded, so a failed init leaves nothing behind and can simply be run again.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"

namespace site {

inline constexpr const char* kDefaultAdmin = "ADMIN";
// The password of the first user of a demo site (`init --demo`), as typed at the login.
inline constexpr const char* kDemoPassword = "DEMO";
// The configuration file's name in the site folder.
inline constexpr const char* kConfigFile = "MERVO.INI";

// A folder setting of a new site: the variable, its configuration key and the value written.
struct SiteFolder {
    const char* variable;  // "CDRV1" ..
    const char* section;   // "Path"
    const char* key;       // "Table" ..
    const char* value;     // ".\\TABLES\\" ..
};
std::span<const SiteFolder> siteFolders();

// The site as a demo-content step sees it (the folder may be the temporary one: keep paths
// relative to it, never write `dir` into a file).
struct Site {
    std::string dir;          // the site folder, native
    std::string configFile;   // dir + "/MERVO.INI"
    core::Settings settings;  // start-up settings read from it (texts in TIS-620)
    // The native folder of a folder setting ("CDRV1" .. "CDRV4") of this site, ending with '/'.
    std::string folder(std::string_view variable) const;
};

// One step of demo content. Returns false with a reason (UTF-8, for the terminal) in *error.
struct DemoStep {
    const char* name;
    bool (*run)(const Site& site, std::string* error);
};

// The demo steps of this library: a handful of realistic codes in every code table (suppliers,
// customers, products with units and prices, an operator, warehouses, units with rates, trucks
// with drivers and empty weights, moisture, impurity and quality grades), written through the
// normal shared append so every index is kept, and the site's formulas that deduct the grades'
// rates on purchase and sale tickets. Other libraries add their own steps after these
// (app/mervo-admin/demo_steps.cpp holds the list `init --demo` runs).
std::span<const DemoStep> codeTableDemoSteps();

struct InitOptions {
    std::string dir;                   // the site folder to create
    std::string admin = kDefaultAdmin; // the first user's code (UTF-8): upper-cased, 1 to 10 characters
    std::string password;              // (UTF-8) 1 to 6 characters, stored scrambled in PASS_W
    std::vector<DemoStep> demoSteps;   // run in order once the empty site is complete
};

// True when a site may be made at dir: it does not exist, or is an empty folder.
bool siteFolderFree(const std::string& dir, std::string* error);

// Creates the site. False with *error (UTF-8) when the folder exists and is not empty (a site is
// never overwritten), an option is unusable, or a step fails; nothing is left behind then.
bool initSite(const InitOptions& options, std::string* error);

}  // namespace site
