// A new site for the tests of the workflows: made in a folder as `mervo-admin init` makes it
// (every table empty, the first user ADMIN with the password DEMO), the program-wide settings read
// from its configuration file as the program starts, its table, data and work folders and the
// user set; rows of UTF-8 CSV appended to one of its catalogue tables; and the records of one read
// as another workstation reads them. Failures are test failures. Header-only: the fixtures that
// use it link the site and storage libraries.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "shell/startup.h"
#include "site/site_setup.h"
#include "storage/catalogue.h"
#include "storage/table.h"
#include "storage/table_csv.h"

namespace testsupport {

// The table's folder in a site made as above.
inline std::string tableFolder(const std::string& siteDir, const storage::TableDef& def)
{
    return siteDir + (def.folderSetting == std::string("CDRV1") ? "/TABLES/" : "/DATA/");
}

// A catalogue table's file in a site made as above.
inline std::string tablePath(const std::string& siteDir, const storage::TableDef& def)
{
    return tableFolder(siteDir, def) + storage::tableFileName(def);
}

inline void makeSite(const std::string& dir, std::vector<site::DemoStep> demoSteps = {})
{
    site::InitOptions options;
    options.dir = dir;
    options.demoSteps = std::move(demoSteps);
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
    std::unique_ptr<storage::Table> t;
    ASSERT_TRUE(storage::openCatalogueTable(tableFolder(siteDir, *def), *def, storage::ShareMode::Shared, &t).ok());
    storage::csv::Document doc;
    ASSERT_TRUE(storage::csv::parse(csv, &doc).ok());
    std::vector<std::string> records;
    const storage::Status s = storage::csv::toRecords(doc, t->layout(), &records);
    ASSERT_TRUE(s.ok()) << s.toString();
    ASSERT_TRUE(storage::csv::appendRecords(*t, records).ok());
    ASSERT_TRUE(t->close().ok());
}

struct TableRow {
    std::uint32_t recno;
    bool deleted;
    std::map<std::string, core::Value> fields;
    // A text field, trailing blanks removed, in UTF-8 ("" for another type or no such field).
    std::string text(const char* f) const
    {
        auto it = fields.find(f);
        return it == fields.end() || !it->second.isText() ? std::string()
                                                           : core::tis620::toUtf8(core::xbase::rtrim(it->second.asText()));
    }
    double number(const char* f) const
    {
        auto it = fields.find(f);
        return it == fields.end() ? 0 : it->second.asNumber();
    }
};

// Every record of a catalogue table of the site, marked ones too, in record order; none when the
// table cannot be opened.
inline std::vector<TableRow> readRows(const std::string& siteDir, const char* table)
{
    const storage::TableDef* def = storage::findTable(table);
    std::vector<TableRow> out;
    std::unique_ptr<storage::Table> t;
    if (!def || !storage::Table::open(tablePath(siteDir, *def), storage::ShareMode::Shared, &t).ok())
        return out;
    for (std::uint32_t r = 1; r <= t->recCount(); ++r) {
        EXPECT_TRUE(t->goTo(r).ok());
        TableRow row{r, t->deleted(), {}};
        for (const storage::Field& f : t->layout().fields()) {
            core::Value v;
            EXPECT_TRUE(t->get(f.name, &v).ok());
            row.fields[f.name] = v;
        }
        out.push_back(std::move(row));
    }
    (void)t->close();
    return out;
}

}  // namespace testsupport
