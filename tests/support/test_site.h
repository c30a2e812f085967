// A new site for the tests of the workflows: made in a folder as `mervo-admin init` makes it
// (every table empty, the first user ADMIN with the password DEMO), the program-wide settings read
// from its configuration file as the program starts, its table, data and work folders and the
// user set; and rows of UTF-8 CSV appended to one of its catalogue tables. Failures are test
// failures. Header-only: the fixtures that use it link the site and storage libraries.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/settings.h"
#include "shell/startup.h"
#include "site/site_setup.h"
#include "storage/catalogue.h"
#include "storage/table.h"
#include "storage/table_csv.h"

namespace testsupport {

inline void makeSite(const std::string& dir)
{
    site::InitOptions options;
    options.dir = dir;
    options.password = site::kDemoPassword;
    std::string error;
    if (!site::initSite(options, &error))
        ADD_FAILURE() << error;
    core::Settings& s = core::programSettings();
    s.clear();
    shell::startUp(s, dir + "/" + site::kConfigFile);
    s.setText("CDRV1", dir + "/TABLES/");
    s.setText("CDRV2", dir + "/DATA/");
    s.setText("CDRV4", dir + "/WORK/");
    s.setText("CUSER", site::kDefaultAdmin);
}

// `csv`: a header line of field names, then one line a record.
inline void loadCsv(const std::string& siteDir, const char* table, const std::string& csv)
{
    const storage::TableDef* def = storage::findTable(table);
    ASSERT_NE(def, nullptr) << table;
    const std::string folder = siteDir + (def->folderSetting == std::string("CDRV1") ? "/TABLES/" : "/DATA/");
    std::unique_ptr<storage::Table> t;
    ASSERT_TRUE(storage::openCatalogueTable(folder, *def, storage::ShareMode::Shared, &t).ok());
    storage::csv::Document doc;
    ASSERT_TRUE(storage::csv::parse(csv, &doc).ok());
    std::vector<std::string> records;
    const storage::Status s = storage::csv::toRecords(doc, t->layout(), &records);
    ASSERT_TRUE(s.ok()) << s.toString();
    ASSERT_TRUE(storage::csv::appendRecords(*t, records).ok());
    ASSERT_TRUE(t->close().ok());
}

}  // namespace testsupport
