#include "site/site_setup.h"

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <system_error>

#include "core/ini_file.h"
#include "core/password.h"
#include "core/paths.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "shell/config.h"
#include "shell/startup.h"
#include "storage/catalogue.h"
#include "storage/table.h"

namespace site {
namespace {

namespace fs = std::filesystem;
using core::tis620::T;

constexpr SiteFolder kFolders[] = {
    {"CDRV1", "Path", "Table", ".\\TABLES\\"},
    {"CDRV2", "Path", "Exe", ".\\DATA\\"},
    {"CDRV3", "Path", "BackUp", ".\\BACKUP\\"},
    {"CDRV4", "Path", "Work", ".\\WORK\\"},
};

// Under the code-table folder: pictures and wave files of the main window and the prompts.
constexpr const char* kCodeTableSubfolders[] = {"library", "sounds"};

constexpr const char* kAdminName = "ผู้ดูแลระบบ";
constexpr int kUsedRightsPositions = 33;
constexpr int kRightsLength = 42;

bool fail(std::string* error, std::string message)
{
    if (error)
        *error = std::move(message);
    return false;
}

bool storageFail(std::string* error, const std::string& what, const storage::Status& s)
{
    return fail(error, what + ": " + s.toString());
}

// The table of the catalogue in the site, empty, with every index file built.
bool createTable(const Site& site, const storage::TableDef& def, std::string* error)
{
    const std::string folder = site.folder(def.folderSetting);
    const std::string path = folder + storage::tableFileName(def);
    if (storage::Status s = storage::Table::create(path, storage::fieldSpecs(def.fields)); !s.ok())
        return storageFail(error, path, s);
    std::unique_ptr<storage::Table> t;
    if (storage::Status s = storage::Table::open(path, storage::ShareMode::Exclusive, &t); !s.ok())
        return storageFail(error, path, s);
    for (const storage::IndexDef& ix : def.indexes) {
        const std::string file = folder + storage::indexFileName(ix);
        if (storage::Status s = t->createOrder(file, ix.key); !s.ok())
            return storageFail(error, file, s);
    }
    if (storage::Status s = t->close(); !s.ok())
        return storageFail(error, path, s);
    return true;
}

storage::Status openShared(const Site& site, const char* name, std::unique_ptr<storage::Table>* out)
{
    const storage::TableDef* def = storage::findTable(name);
    return storage::openCatalogueTable(site.folder(def->folderSetting), *def, storage::ShareMode::Shared, out);
}

// Every series at CSNO 1, and the first user with full rights.
bool firstRecords(const Site& site, const std::string& admin, const std::string& password, std::string* error)
{
    std::unique_ptr<storage::Table> t;
    if (storage::Status s = openShared(site, "Consec", &t); !s.ok())
        return storageFail(error, "Consec", s);
    for (const storage::SeriesDef& series : storage::runningNumberSeries()) {
        storage::Status s = t->appendWait();
        if (s.ok())
            s = t->put("CODE", core::Value::text(series.code));
        if (s.ok())
            s = t->put("NAME", core::Value::text(T(series.nameUtf8)));
        if (s.ok())
            s = t->put("CSNO", core::Value::number(1));
        if (!s.ok())
            return storageFail(error, "Consec", s);
    }
    if (storage::Status s = t->commit(); !s.ok() || !(s = t->close()).ok())
        return storageFail(error, "Consec", s);

    if (storage::Status s = openShared(site, "Employee", &t); !s.ok())
        return storageFail(error, "Employee", s);
    const std::string rights =
        std::string(kUsedRightsPositions, '6') + std::string(kRightsLength - kUsedRightsPositions, '0');
    storage::Status s = t->appendWait();
    if (s.ok())
        s = t->put("CODE", core::Value::text(admin));
    if (s.ok())
        s = t->put("NAME", core::Value::text(T(kAdminName)));
    if (s.ok())
        s = t->put("PASS_W", core::Value::text(core::password::stored(password)));
    if (s.ok())
        s = t->put("TRUSTEE", core::Value::text(rights));
    if (s.ok())
        s = t->commit();
    if (s.ok())
        s = t->close();
    return s.ok() || storageFail(error, "Employee", s);
}

bool writeConfig(Site& site, std::string* error)
{
    // Start-up on a file that does not exist writes every standard key with its default.
    shell::startUp(site.settings, site.configFile);
    core::IniFile ini(site.configFile);
    if (!ini.exists())
        return fail(error, site.configFile + ": cannot be written");
    for (const SiteFolder& f : kFolders) {
        if (!shell::writeKey(ini, f.section, f.key, core::Value::text(f.value)))
            return fail(error, site.configFile + ": " + ini.error());
    }
    shell::startUp(site.settings, site.configFile);
    return true;
}

bool makeFolders(const Site& site, std::string* error)
{
    std::error_code ec;
    for (const SiteFolder& f : kFolders) {
        const std::string dir = site.folder(f.variable);
        fs::create_directories(dir, ec);
        if (ec)
            return fail(error, dir + ": " + ec.message());
    }
    for (const char* sub : kCodeTableSubfolders) {
        const std::string dir = site.folder("CDRV1") + sub;
        fs::create_directories(dir, ec);
        if (ec)
            return fail(error, dir + ": " + ec.message());
    }
    return true;
}

bool checkOptions(const InitOptions& o, std::string* admin, std::string* password, std::string* error)
{
    if (o.dir.empty())
        return fail(error, "no site folder given");
    *admin = core::xbase::upper(core::tis620::fromUtf8(core::xbase::alltrim(o.admin)));
    if (admin->empty() || admin->size() > 10 || core::tis620::toUtf8(*admin) != core::xbase::upper(core::xbase::alltrim(o.admin)))
        return fail(error, "the user code must be 1 to 10 characters (letters, digits, Thai)");
    if (admin->find(' ') != std::string::npos)
        return fail(error, "the user code must not contain blanks");
    *password = core::tis620::fromUtf8(o.password);
    if (core::tis620::toUtf8(*password) != o.password)
        return fail(error, "the password holds characters the tables cannot store");
    if (core::xbase::rtrim(*password).empty() || password->size() > 6)
        return fail(error, "the password must be 1 to 6 characters (the login takes six)");
    return true;
}

}  // namespace

std::span<const SiteFolder> siteFolders()
{
    return kFolders;
}

std::string Site::folder(std::string_view variable) const
{
    std::string value = core::paths::native(settings.text(variable));
    while (value.substr(0, 2) == "./")
        value.erase(0, 2);
    if (value == ".")
        value.clear();
    if (!value.empty() && value.back() != '/')
        value.push_back('/');
    if (!value.empty() && value.front() == '/')
        return value;
    return dir + "/" + value;
}

bool siteFolderFree(const std::string& dir, std::string* error)
{
    std::error_code ec;
    const fs::path target = fs::path(dir).lexically_normal();
    if (fs::exists(target, ec) && !(fs::is_directory(target, ec) && fs::is_empty(target, ec)))
        return fail(error, dir + " already exists and is not an empty folder: a site is never overwritten");
    return true;
}

bool initSite(const InitOptions& options, std::string* error)
{
    std::string admin, password;
    if (!checkOptions(options, &admin, &password, error))
        return false;
    if (!siteFolderFree(options.dir, error))
        return false;
    const fs::path target = fs::path(options.dir).lexically_normal();
    std::error_code ec;

    fs::path parent = target.parent_path();
    if (parent.empty())
        parent = ".";
    if (!fs::is_directory(parent, ec))
        return fail(error, parent.string() + ": no such folder");
    std::string tmpl = (parent / ("." + target.filename().string() + ".init-XXXXXX")).string();
    if (!::mkdtemp(tmpl.data()))
        return fail(error, parent.string() + ": cannot create a folder there");

    Site site;
    site.dir = tmpl;
    site.configFile = site.dir + "/" + kConfigFile;
    bool ok = writeConfig(site, error) && makeFolders(site, error);
    for (const storage::TableDef& def : storage::catalogue()) {
        if (ok && !def.optional)
            ok = createTable(site, def, error);
    }
    ok = ok && firstRecords(site, admin, password, error);
    for (const DemoStep& step : options.demoSteps) {
        if (!ok)
            break;
        std::string why;
        if (!step.run(site, &why))
            ok = fail(error, std::string("demo content \"") + step.name + "\": " + why);
    }
    if (ok) {
        if (fs::exists(target, ec))
            fs::remove(target, ec);
        fs::rename(site.dir, target, ec);
        if (ec)
            ok = fail(error, options.dir + ": " + ec.message());
    }
    if (!ok)
        fs::remove_all(site.dir, ec);
    return ok;
}

}  // namespace site
