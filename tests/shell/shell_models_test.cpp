// The rights rules, the main window, the settings dialogs and the start-to-end order, without widgets.
#include <array>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>

#include "core/ini_file.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "shell/main_sequence.h"
#include "shell/main_window_model.h"
#include "shell/menu.h"
#include "shell/rights.h"
#include "shell/startup.h"
#include "shell/varset.h"
#include "support/run_process.h"
#include "users_fixture.h"

using namespace shelltest;
using core::tis620::T;
using Texts = std::vector<std::string>;

namespace {

TEST(Rights, LevelsFromShortOrOddRightsStringsAndTheDigitCheckShowsTheLegend)
{
    EXPECT_EQ(shell::rightsLevel("6543210", 1), 6);
    EXPECT_EQ(shell::rightsLevel("6543210", 8), 0);   // beyond the string
    EXPECT_EQ(shell::rightsLevel("6X3", 2), 0);       // not a digit
    EXPECT_EQ(shell::normalizedRights("69A3"), "6003" + std::string(38, '0'));
    EXPECT_EQ(shell::normalizedRights(std::string(50, '5')).size(), 42u);

    testsupport::RecordingPrompts prompts;  // anything but 0 to 6 is refused with the legend
    EXPECT_TRUE(shell::TRUSCHK("0"));
    EXPECT_TRUE(shell::TRUSCHK("6"));
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_FALSE(shell::TRUSCHK("7"));
    EXPECT_FALSE(shell::TRUSCHK(""));
    EXPECT_EQ(prompts.shown.size(), 2u);
}

TEST(MainMenu, EveryCommandChecksThePositionWhoseLevelItReceives)
{
    std::set<int> positions;
    for (const shell::Menu& m : shell::mainMenu()) {
        for (const shell::MenuEntry& e : m.entries) {
            if (e.kind != shell::MenuEntry::Kind::Item)
                continue;
            positions.insert(e.rights);
            if (const int p = shell::levelPosition(e.action)) {
                EXPECT_EQ(e.rights, p) << e.caption;
            }
        }
    }
    for (int p = 1; p <= 33; ++p)
        EXPECT_TRUE(positions.count(p)) << "rights position " << p << " has no menu item";
}

// A site whose configuration file start-up has read, its tables staying in the site's folder.
class SiteTest : public UsersTest {
protected:
    void SetUp() override
    {
        UsersTest::SetUp();
        for (int n : {2, 7, 8, 9})
            testsupport::writeFile(site.dir.file("sounds/TSound0" + std::to_string(n) + ".wav"), "RIFF");
        shell::startUp(core::programSettings(), site.ini());
        core::programSettings().setText("CDRV1", site.dir.path() + "/");
    }
};

// The main picture's hot spots, edges inclusive, run their action after the rights check.
TEST_F(SiteTest, PictureClicksRunTheirActionAfterTheRightsCheckAndTheAnnouncementIsTheSitesFile)
{
    core::programSettings().setText("CTRUSTEE", std::string(33, '1'));
    shell::Dispatcher d;
    std::vector<std::string> ran;
    const auto record = [&](shell::Action action, const std::string& name) {
        d.registerAction(action, [&ran, name](int level) { ran.push_back(name + "/" + std::to_string(level)); });
    };
    record(shell::Action::TRPROC1, "TRPROC1");
    record(shell::Action::REPORT, "REPORT");
    struct Case {
        int column, row;
        const char* ran;  // empty: outside every spot
    } cases[] = {
        {36, 80, "TRPROC1/1"}, {35, 80, ""}, {216, 130, "TRPROC1/1"}, {217, 130, ""}, {36, 131, ""},
        {500, 340, "REPORT/0"},
    };
    for (const Case& c : cases) {
        ran.clear();
        EXPECT_EQ(shell::MAPSEL(d, c.column, c.row), *c.ran != 0) << c.column << "," << c.row;
        EXPECT_EQ(ran, *c.ran ? std::vector<std::string>{c.ran} : std::vector<std::string>{}) << c.column << "," << c.row;
    }
    EXPECT_TRUE(prompts.shown.empty());

    core::programSettings().setText("CTRUSTEE", "0");  // no right at position 1: refused, not run
    ran.clear();
    EXPECT_TRUE(shell::MAPSEL(d, 100, 100));
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(prompts.shown.size(), 1u);

    // The announcement is the site's file, its name matched without regard to case, or nothing.
    EXPECT_FALSE(shell::announcement().has_value());
    testsupport::writeFile(site.dir.file("DOCFILE.txt"), T("ประกาศ\r\nบรรทัดสอง"));
    ASSERT_TRUE(shell::announcement().has_value());
    EXPECT_EQ(*shell::announcement(), T("ประกาศ\r\nบรรทัดสอง"));
}

TEST_F(SiteTest, SettingsDialogChecksFieldsAndWritesOnlyItsKeysBack)
{
    // Keys the dialog does not show, set by hand in the file.
    core::IniFile file(site.ini());
    file.set("Comm", "W.Read", "2");
    file.set("Comm", "Stable", "7");
    file.set("Misc", "Track", "9417");

    shell::VarsetModel model;
    model.open();
    EXPECT_EQ(sound.waves, std::vector<std::string>{"TSound07.wav"});
    EXPECT_EQ(core::programSettings().text("CDRV2").size(), 60u);

    std::map<std::string, const shell::VarsetField*> byName;
    for (const shell::VarsetField& f : shell::varsetFields())
        byName[f.variable] = &f;
    struct Case {
        const char* variable;
        const char* value;
        bool ok;
    } cases[] = {
        {"CDRV1", ".\\TABLES\\     ", true}, {"CDRV1", ".\\TABLES", false}, {"CDRV1", "", false},
        {"CSYSSOUND", "X", false},           {"CPRINTER", " ", false},
        {"CCPORT1", "19200,N,8,1,002,005,005", true},
        {"CCFMT1", "toledo   ", true},       {"CCFMT3", "", true},           {"CCFMT4", "mettler", false},
        {"CMANUALW", "2", true},             {"CMANUALW", "3", false},
    };
    EXPECT_EQ(shell::VarsetModel::firstFailing(core::programSettings()), nullptr);
    for (const Case& c : cases) {
        EXPECT_EQ(shell::VarsetModel::check(*byName.at(c.variable), c.value), c.ok) << c.variable << "=" << c.value;
        // The same value among the others: OK names the field, or takes them all.
        const core::Settings saved = core::programSettings();
        core::programSettings().setText(c.variable, c.value);
        const shell::VarsetField* failing = shell::VarsetModel::firstFailing(core::programSettings());
        EXPECT_STREQ(failing ? failing->variable : "", c.ok ? "" : c.variable) << c.value;
        core::programSettings() = saved;
    }

    core::programSettings().setText("CDRV2", core::xbase::padRight(".\\DATA\\", 60));
    core::programSettings().setText("CIOADDR", "700  ");
    core::programSettings().setText("CCFMT2", "toledo   ");
    core::programSettings().setText("CMANUALW", "2");
    core::programSettings().setText("CTRKTOLKG", "0    ");
    // Keys read but never written: the file's values stand.
    core::programSettings().setText("CWREAD", "1");
    core::programSettings().setText("CSTABLE", "9");
    core::programSettings().setText("CTRACK", "0");
    ASSERT_TRUE(model.close());
    EXPECT_EQ(core::programSettings().text("CDRV2"), ".\\DATA\\");
    const std::array<const char*, 3> written[] = {
        {"Comm", "Format#2", "toledo"}, {"Misc", "ManualW", "2"},   {"Path", "Exe", ".\\DATA\\"},
        {"Comm", "I/O", "700"},         {"Misc", "Factor", "2.0"},  {"Comm", "W.Read", "2"},
        {"Comm", "Stable", "7"},        {"Misc", "Track", "9417"},
        {"Misc", "TruckTolKg", "<absent>"}, {"Comm", "Format#1", "<absent>"},  // defaults are not written
    };
    for (const auto& [section, name, value] : written)
        EXPECT_EQ(site.key(section, name), value) << section << " " << name;
}

TEST_F(SiteTest, FontChoiceStoresHeightTimesRatioAndTheMinimums)
{
    struct Case {
        const char* ratio;
        int n;
        double chosenHeight;
        int chosenWidth;
        const char* height;
        const char* width;
    } cases[] = {
        {"1", 1, 6, 3, "-16", "3"},      // raised by CHKFONT before writing
        {"1.5", 2, 11, -4, "-16.5", "4"},
        {"1", 5, 20, 8, "-30", "8"},     // document fonts: at least 30
    };
    for (const Case& c : cases) {
        core::IniFile(site.ini()).set("Font", "Ratio", c.ratio);
        shell::startUp(core::programSettings(), site.ini());
        shell::FontSelModel model(c.n);
        EXPECT_EQ(model.preset().face, core::programSettings().text("CFONT" + std::to_string(c.n)));
        ASSERT_TRUE(model.close(shell::FontChoice{"Garuda", c.chosenHeight, c.chosenWidth}));
        const std::string n = std::to_string(c.n);
        EXPECT_EQ(site.key("Font", ("Height" + n).c_str()), c.height) << c.ratio << " " << c.chosenHeight;
        EXPECT_EQ(site.key("Font", ("Width" + n).c_str()), c.width);
        EXPECT_EQ(site.key("Font", ("Font" + n).c_str()), "Garuda");
    }

    // Cancelled: nothing changes but the minimums, and the six fonts are written.
    core::IniFile(site.ini()).set("Font", "Height3", "-10");
    core::IniFile(site.ini()).set("Font", "Height0", "-99");
    shell::startUp(core::programSettings(), site.ini());
    core::programSettings().setText("CHEIGHT3", "-10");
    core::programSettings().setText("CHEIGHT0", "-12");
    ASSERT_TRUE(shell::FontSelModel(3).close(std::nullopt));
    EXPECT_EQ(site.key("Font", "Height3"), "-16");
    EXPECT_EQ(site.key("Font", "Height0"), "-99");  // the screen font is not written
}

// The order of the program from start to end, as a host sees it.
class RecordingHost final : public shell::MainHost {
public:
    void closeAllTables() override { steps.push_back("close"); }
    void prepareScreen() override
    {
        steps.push_back("screen");
        varfile = core::programSettings().text("VARFILE");
        cuser = core::programSettings().text("CUSER");
    }
    bool login() override
    {
        steps.push_back("login");
        return loginOk;
    }
    void runMainWindow() override { steps.push_back("main"); }

    bool loginOk = true;
    std::vector<std::string> steps;
    std::string varfile, cuser = "?";
};

TEST(MainSequence, MainWindowOnlyAfterALogin)
{
    testsupport::TempDir dir;
    for (bool ok : {true, false}) {
        RecordingHost host;
        host.loginOk = ok;
        EXPECT_EQ(shell::MAIN(host, dir.file("SITE.INI")), 0);
        const std::vector<std::string> expected =
            ok ? std::vector<std::string>{"close", "screen", "login", "main", "close"}
               : std::vector<std::string>{"close", "screen", "login", "close"};
        EXPECT_EQ(host.steps, expected);
        EXPECT_EQ(host.varfile, dir.file("SITE.INI"));
        EXPECT_EQ(host.cuser, "");
        EXPECT_EQ(core::programSettings().size(), 0u);  // released at the end
    }
    EXPECT_TRUE(std::filesystem::exists(dir.file("SITE.INI")));
}

TEST(AdminConfig, PrintsAndWritesOneKey)
{
    testsupport::TempDir dir;
    const std::string ini = dir.file("MERVO.INI");
    testsupport::writeFile(ini, "; site file\r\n[Comm]\r\nPort#1=09600,E,7,1,002,005,005\r\n[Data]\r\nName=" +
                                    T("บริษัท ก จำกัด") + "\r\n");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string out;
    } cases[] = {
        {{"config", ini, "Data", "Name"}, 0, "บริษัท ก จำกัด\n"},
        {{"config", ini, "Comm", "Device#1", "/dev/pts/7"}, 0, ""},
        {{"config", ini, "Misc", "Note", "ทดสอบ"}, 0, ""},
        {{"config", ini, "Comm", "Missing"}, 1, ""},
        {{"config", ini, "Comm"}, 2, ""},
        {{"config", ini, "Comm", "K", "a\nb"}, 2, ""},
    };
    for (const Case& c : cases) {
        const auto r = testsupport::runProcess(MERVO_BINARY_DIR "/app/mervo-admin", c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.back() << r.err;
        EXPECT_EQ(r.out, c.out) << c.args.back();
        EXPECT_EQ(r.err.empty(), c.exitCode == 0) << c.args.back();
    }
    const std::string bytes = testsupport::readFile(ini);
    EXPECT_EQ(bytes.rfind("; site file\r\n[Comm]\r\nPort#1=09600,E,7,1,002,005,005\r\nDevice#1=/dev/pts/7\r\n", 0), 0u)
        << bytes;
    EXPECT_NE(bytes.find("[Misc]\r\nNote=" + T("ทดสอบ") + "\r\n"), std::string::npos);
}

}  // namespace
