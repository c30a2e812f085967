// A new site as `mervo-admin init` makes it - folders, configuration, every table with its indexes,
// the series, the first user, demo codes - and the commands that work on a site's tables: check,
// load (round trip with dump) and consec.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/ini_file.h"
#include "core/password.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "site/site_setup.h"
#include "storage/catalogue.h"
#include "storage/table.h"
#include "support/run_process.h"
#include "support/temp_dir.h"
#include "support/test_site.h"

namespace fs = std::filesystem;
using testsupport::runProcess;

namespace {

const std::string kAdmin = MERVO_BINARY_DIR "/app/mervo-admin";

std::size_t records(const std::string& dbf)
{
    std::unique_ptr<storage::Table> t;
    const storage::Status s = storage::Table::open(dbf, storage::ShareMode::Shared, &t);
    EXPECT_TRUE(s.ok()) << s.toString();
    return s.ok() ? t->recCount() : 0;
}

std::string field(storage::Table& t, const char* name)
{
    core::Value v;
    EXPECT_TRUE(t.get(name, &v).ok());
    return v.isText() ? v.asText() : v.toDisplayText();
}

using testsupport::lines;

// A CSV line without its record number (the first value).
std::string withoutRecno(const std::string& line)
{
    return line.substr(line.find(','));
}

class SiteTest : public ::testing::Test {
protected:
    std::string site() const { return dir.file("site"); }
    void init(const std::vector<std::string>& extra = {"--demo"})
    {
        std::vector<std::string> args{"init", site()};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto r = runProcess(kAdmin, args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    testsupport::TempDir dir;
};

}  // namespace

TEST_F(SiteTest, DemoSiteHoldsEveryTableAndPassesCheck)
{
    init();
    for (const char* folder : {"TABLES", "TABLES/library", "TABLES/sounds", "DATA", "WORK", "BACKUP"})
        EXPECT_TRUE(fs::is_directory(site() + "/" + folder)) << folder;
    core::IniFile ini(site() + "/MERVO.INI");
    for (const site::SiteFolder& f : site::siteFolders())
        EXPECT_EQ(ini.get(f.section, f.key).value_or(""), f.value);
    EXPECT_EQ(ini.get("Data", "Name").value_or(""), core::tis620::T("บริษัท ตัวอย่างการค้า จำกัด"));

    for (const storage::TableDef& def : storage::catalogue()) {
        const std::string folder = site() + (def.folderSetting == std::string("CDRV1") ? "/TABLES/" : "/DATA/");
        EXPECT_EQ(fs::exists(folder + storage::tableFileName(def)), !def.optional) << def.name;
        for (const storage::IndexDef& ix : def.indexes)
            EXPECT_EQ(fs::exists(folder + storage::indexFileName(ix)), !def.optional) << ix.file;
    }
    // Every code table has rows: the codes a weighing needs and the report list.
    for (int n = 1; n <= 12; ++n)
        EXPECT_FALSE(testsupport::readRows(site(), storage::codeTable(n).name).empty()) << storage::codeTable(n).name;
    for (const char* folder : {"/TABLES", "/DATA"}) {
        const auto r = runProcess(kAdmin, {"check", site() + folder});
        EXPECT_EQ(r.exitCode, 0) << r.out;
        EXPECT_EQ(lines(r.out).back(), "OK");
        EXPECT_EQ(r.out.find("problem"), std::string::npos) << r.out;
    }
}

TEST_F(SiteTest, SeriesStartAtOneAndTheFirstUserHasFullRights)
{
    init({"--admin", "boss", "--password", "ab12"});
    const auto series = testsupport::readRows(site(), "Consec");
    EXPECT_EQ(series.size(), 10u);  // five weighing kinds, four voucher kinds, production
    for (const auto& r : series) {
        EXPECT_EQ(r.number("CSNO"), 1) << r.text("CODE");
        EXPECT_FALSE(r.text("NAME").empty()) << r.text("CODE");
    }

    std::unique_ptr<storage::Table> t;
    ASSERT_TRUE(storage::openCatalogueTable(site() + "/TABLES/", storage::codeTable(4), storage::ShareMode::Shared, &t)
                    .ok());
    EXPECT_EQ(t->recCount(), 1u);
    ASSERT_TRUE(t->seek("BOSS      ").ok());
    ASSERT_TRUE(t->found());
    EXPECT_EQ(field(*t, "PASS_W"), core::password::stored("AB12"));
    EXPECT_EQ(field(*t, "TRUSTEE"), std::string(33, '6') + std::string(9, '0'));
    // Without --demo the code tables stay empty.
    EXPECT_EQ(records(site() + "/TABLES/FARMER.DBF"), 0u);
}

TEST_F(SiteTest, InitRefusesASiteThatExistsAndLeavesNothingWhenItFails)
{
    fs::create_directory(site());
    testsupport::writeFile(site() + "/MERVO.INI", "[Data]\r\n");
    auto r = runProcess(kAdmin, {"init", site(), "--demo"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("never overwritten"), std::string::npos) << r.err;
    EXPECT_EQ(testsupport::readFile(site() + "/MERVO.INI"), "[Data]\r\n");
    fs::remove_all(site());

    const struct {
        std::vector<std::string> args;
        const char* error;
    } bad[] = {
        {{"--password", "1234567"}, "1 to 6 characters"},
        {{"--password", ""}, "1 to 6 characters"},
        {{"--admin", "ADMINISTRATOR", "--password", "x"}, "1 to 10 characters"},
    };
    for (const auto& b : bad) {
        std::vector<std::string> args{"init", site()};
        args.insert(args.end(), b.args.begin(), b.args.end());
        r = runProcess(kAdmin, args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(b.error), std::string::npos) << r.err;
    }
    EXPECT_EQ(runProcess(kAdmin, {"init"}).exitCode, 2);
    EXPECT_TRUE(fs::is_empty(dir.path()));

    // A demo step that fails takes the whole site with it.
    site::InitOptions o;
    o.dir = site();
    o.password = "X";
    o.demoSteps = {{"broken", [](const site::Site& s, std::string* error) {
                        testsupport::writeFile(s.folder("CDRV1") + "library/half.bmp", "BM");
                        *error = "no pictures today";
                        return false;
                    }}};
    std::string error;
    EXPECT_FALSE(site::initSite(o, &error));
    EXPECT_EQ(error, "demo content \"broken\": no pictures today");
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(SiteTest, LoadRoundTripsWithDumpThroughTheSharedAppend)
{
    init();
    const std::string farmer = site() + "/TABLES/FARMER.DBF";
    const auto before = runProcess(kAdmin, {"dump", farmer});
    ASSERT_EQ(before.exitCode, 0);
    testsupport::writeFile(dir.file("farmer.csv"), before.out);
    // From another folder: the site's folders are found from its configuration file.
    const auto load = runProcess(kAdmin, {"load", "site/MERVO.INI", "farmer", "farmer.csv"}, dir.path());
    ASSERT_EQ(load.exitCode, 0) << load.err;
    EXPECT_EQ(load.out, "FARMER.DBF: 5 records appended\n");

    const auto after = lines(runProcess(kAdmin, {"dump", farmer}).out);
    const auto first = lines(before.out);
    ASSERT_EQ(after.size(), 1 + 2 * (first.size() - 1));
    for (std::size_t i = 1; i < first.size(); ++i)
        EXPECT_EQ(withoutRecno(after[first.size() - 1 + i]), withoutRecno(first[i]));
    // The index took every new key (each code now twice, in code order).
    const auto ordered = lines(runProcess(kAdmin, {"dump", farmer, "--index", site() + "/TABLES/FARMER.NTX"}).out);
    ASSERT_EQ(ordered.size(), after.size());
    EXPECT_EQ(ordered[1].substr(0, 7), "1,,F001");
    EXPECT_EQ(ordered[2].substr(0, 7), "6,,F001");
    EXPECT_EQ(runProcess(kAdmin, {"check", farmer}).exitCode, 0);

    // A bad file appends nothing and says where it is wrong.
    testsupport::writeFile(dir.file("bad.csv"), "CODE,NAME\nF9,ok\nF10,\"" + std::string(61, 'x') + "\"\n");
    const auto bad = runProcess(kAdmin, {"load", site() + "/MERVO.INI", "Farmer", dir.file("bad.csv")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("line 3, column 2 (NAME)"), std::string::npos) << bad.err;
    EXPECT_EQ(records(farmer), 10u);
    testsupport::writeFile(dir.file("odd.csv"), "CODE,COLOUR\nF9,red\n");
    EXPECT_EQ(runProcess(kAdmin, {"load", site() + "/MERVO.INI", "Farmer", dir.file("odd.csv")}).exitCode, 1);
    EXPECT_EQ(runProcess(kAdmin, {"load", site() + "/MERVO.INI", "Nosuch", dir.file("odd.csv")}).exitCode, 2);
    EXPECT_EQ(runProcess(kAdmin, {"load", dir.file("none.ini"), "Farmer", dir.file("odd.csv")}).exitCode, 2);
}

TEST_F(SiteTest, ConsecPrintsTheNumberOfTheSeries)
{
    init({"--password", "x"});
    const std::string config = site() + "/MERVO.INI";
    const struct {
        const char* series;
        const char* mode;
        int exitCode;
        const char* out;
    } steps[] = {
        {"TRK03", "R", 0, "000001\n"}, {"TRK03", "W", 0, "000001\n"}, {"TRK03", "w", 0, "000002\n"},
        {"TRK03", "R", 0, "000003\n"}, {"MON01", "R", 0, "000001\n"}, {"XXX01", "W", 1, "000000\n"},
    };
    for (const auto& s : steps) {
        const auto r = runProcess(kAdmin, {"consec", config, s.series, s.mode});
        EXPECT_EQ(r.exitCode, s.exitCode) << s.series << s.mode << r.err;
        EXPECT_EQ(r.out, s.out) << s.series << s.mode;
    }
    const auto missing = runProcess(kAdmin, {"consec", config, "XXX01", "W"});
    EXPECT_NE(missing.err.find("ไม่พบเลขลำดับของระบบ XXX01"), std::string::npos) << missing.err;
    EXPECT_EQ(runProcess(kAdmin, {"consec", config, "TRK01", "X"}).exitCode, 2);
    EXPECT_EQ(runProcess(kAdmin, {"consec", dir.file("none.ini"), "TRK01", "R"}).exitCode, 2);
}
