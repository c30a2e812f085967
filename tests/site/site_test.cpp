// A new site as `mervo-admin init` makes it, the commands on a site's tables (check, load, consec),
// and the week of history `init --demo` weighs, whose books and evidence verify.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/password.h"
#include "site/site_setup.h"
#include "storage/catalogue.h"
#include "support/run_process.h"
#include "support/temp_dir.h"
#include "support/test_site.h"

namespace fs = std::filesystem;
using testsupport::lines;
using testsupport::runProcess;

namespace {

const std::string kAdmin = MERVO_BINARY_DIR "/app/mervo-admin";

// mervo-admin init into a folder of its own.
class SiteTest : public ::testing::Test {
protected:
    std::string site() const { return dir.file("site"); }
    testsupport::TempDir dir;
};

// One site made by `init --demo` for the suite, read and never changed by its tests.
class DemoWeekTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new testsupport::TempDir;
        const auto made = runProcess(kAdmin, {"init", site(), "--demo"});
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }
    static std::string site() { return s_dir->file("site"); }

    static testsupport::TempDir* s_dir;
};

testsupport::TempDir* DemoWeekTest::s_dir = nullptr;

}  // namespace

// Init refuses a site that exists and leaves nothing when it fails; the first user has full rights;
// consec prints the number of the series.
TEST_F(SiteTest, InitTheFirstUserAndConsec)
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
    EXPECT_EQ(runProcess(kAdmin, {"init", site(), "--no-week"}).exitCode, 2);  // a week needs --demo
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

    // Made from the folder above it, named relative to that.
    r = runProcess(kAdmin, {"init", "site", "--admin", "boss", "--password", "ab12"}, dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto users = testsupport::readRows(site(), "Employee");
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0].text("CODE"), "BOSS");
    EXPECT_EQ(users[0].fields.at("PASS_W").asText(), core::password::stored("AB12"));
    EXPECT_EQ(users[0].text("TRUSTEE"), std::string(33, '6') + std::string(9, '0'));
    // Without --demo the code tables stay empty; the ten series (five weighing kinds, four
    // voucher kinds, production) start at one.
    EXPECT_TRUE(testsupport::readRows(site(), "Farmer").empty());
    const auto series = testsupport::readRows(site(), "Consec");
    EXPECT_EQ(series.size(), 10u);
    for (const auto& row : series)
        EXPECT_EQ(row.number("CSNO"), 1) << row.text("CODE");
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
        r = runProcess(kAdmin, {"consec", config, s.series, s.mode});
        EXPECT_EQ(r.exitCode, s.exitCode) << s.series << s.mode << r.err;
        EXPECT_EQ(r.out, s.out) << s.series << s.mode;
    }
    const auto missing = runProcess(kAdmin, {"consec", config, "XXX01", "W"});
    EXPECT_NE(missing.err.find("ไม่พบเลขลำดับของระบบ XXX01"), std::string::npos) << missing.err;
    EXPECT_EQ(runProcess(kAdmin, {"consec", config, "TRK01", "X"}).exitCode, 2);
    EXPECT_EQ(runProcess(kAdmin, {"consec", dir.file("none.ini"), "TRK01", "R"}).exitCode, 2);
}

TEST_F(DemoWeekTest, TheSiteHoldsEveryTableAndPassesCheckAndTheBooksAndTheEvidenceVerify)
{
    for (const storage::TableDef& def : storage::catalogue()) {
        const std::string folder = testsupport::tableFolder(site(), def);
        EXPECT_EQ(fs::exists(folder + storage::tableFileName(def)), !def.optional) << def.name;
        for (const storage::IndexDef& ix : def.indexes)
            EXPECT_EQ(fs::exists(folder + storage::indexFileName(ix)), !def.optional) << ix.file;
    }
    for (const char* folder : {"/TABLES", "/DATA"}) {
        const auto r = runProcess(kAdmin, {"check", site() + folder});
        EXPECT_EQ(r.exitCode, 0) << r.out;
        EXPECT_EQ(lines(r.out).back(), "OK");
        EXPECT_EQ(r.out.find("problem"), std::string::npos) << r.out;
    }

    const auto ledgers = runProcess(kAdmin, {"verify-ledgers", site() + "/MERVO.INI"});
    EXPECT_EQ(ledgers.exitCode, 0) << ledgers.out << ledgers.err;
    int summed = 0;
    for (const std::string& line : lines(ledgers.out)) {
        if (line.find("difference") == std::string::npos)
            continue;
        ++summed;
        EXPECT_NE(line.find(" 0 differences"), std::string::npos) << ledgers.out;
    }
    EXPECT_GE(summed, 8) << ledgers.out;

    const auto evidence = runProcess(kAdmin, {"verify-evidence", site() + "/MERVO.INI"});
    EXPECT_EQ(evidence.exitCode, 0) << evidence.out << evidence.err;
    ASSERT_FALSE(lines(evidence.out).empty());
    EXPECT_NE(lines(evidence.out).back().find("10 tickets checked, 0 findings"), std::string::npos) << evidence.out;
}

// On a copy of the demo site, so the suite's site stays as init made it.
TEST_F(DemoWeekTest, LoadRoundTripsWithDumpThroughTheSharedAppend)
{
    testsupport::TempDir dir;
    fs::copy(site(), dir.file("site"), fs::copy_options::recursive);
    const std::string config = dir.file("site/MERVO.INI"), farmer = dir.file("site/TABLES/FARMER.DBF");
    const auto dump = [&](std::vector<std::string> more = {}) {
        more.insert(more.begin(), {"dump", farmer});
        return runProcess(kAdmin, more);
    };
    const auto before = dump();
    ASSERT_EQ(before.exitCode, 0);
    testsupport::writeFile(dir.file("farmer.csv"), before.out);
    // From another folder: the site's folders are found from its configuration file.
    const auto load = runProcess(kAdmin, {"load", "site/MERVO.INI", "farmer", "farmer.csv"}, dir.path());
    ASSERT_EQ(load.exitCode, 0) << load.err;
    EXPECT_EQ(load.out, "FARMER.DBF: 5 records appended\n");

    // The same records again after the first, each line but its record number (the first value).
    const auto withoutRecno = [](const std::string& line) { return line.substr(line.find(',')); };
    const auto after = lines(dump().out), first = lines(before.out);
    ASSERT_EQ(after.size(), 1 + 2 * (first.size() - 1));
    for (std::size_t i = 1; i < first.size(); ++i)
        EXPECT_EQ(withoutRecno(after[first.size() - 1 + i]), withoutRecno(first[i]));
    // The index took every new key (each code now twice, in code order).
    const auto ordered = lines(dump({"--index", dir.file("site/TABLES/FARMER.NTX")}).out);
    ASSERT_EQ(ordered.size(), after.size());
    EXPECT_EQ(ordered[1].substr(0, 7), "1,,F001");
    EXPECT_EQ(ordered[2].substr(0, 7), "6,,F001");
    EXPECT_EQ(runProcess(kAdmin, {"check", farmer}).exitCode, 0);

    // A bad file appends nothing and says where it is wrong.
    testsupport::writeFile(dir.file("bad.csv"), "CODE,NAME\nF9,ok\nF10,\"" + std::string(61, 'x') + "\"\n");
    const auto bad = runProcess(kAdmin, {"load", config, "Farmer", dir.file("bad.csv")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("line 3, column 2 (NAME)"), std::string::npos) << bad.err;
    EXPECT_EQ(testsupport::readRows(dir.file("site"), "Farmer").size(), 10u);
    testsupport::writeFile(dir.file("odd.csv"), "CODE,COLOUR\nF9,red\n");
    EXPECT_EQ(runProcess(kAdmin, {"load", config, "Farmer", dir.file("odd.csv")}).exitCode, 1);
    EXPECT_EQ(runProcess(kAdmin, {"load", config, "Nosuch", dir.file("odd.csv")}).exitCode, 2);
    EXPECT_EQ(runProcess(kAdmin, {"load", dir.file("none.ini"), "Farmer", dir.file("odd.csv")}).exitCode, 2);
}
