// The main window's behaviour, the settings dialogs and the start-to-end order, without widgets.
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

#include "core/ini_file.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "shell/main_sequence.h"
#include "shell/main_window_model.h"
#include "shell/startup.h"
#include "shell/varset.h"
#include "support/run_process.h"
#include "support/seams.h"
#include "support/temp_dir.h"

using core::tis620::T;

namespace {

struct SettingsGuard {
    ~SettingsGuard() { core::programSettings().clear(); }
};

// A site folder with a configuration file read by start-up.
class SiteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.file("sounds"));
        for (int n : {2, 7, 8, 9})
            testsupport::writeFile(dir.file("sounds/TSound0" + std::to_string(n) + ".wav"), "RIFF");
        shell::startUp(core::programSettings(), ini());
        core::programSettings().setText("CDRV1", dir.path() + "/");
    }
    std::string ini() const { return dir.file("MERVO.INI"); }
    std::string key(const char* section, const char* name) const
    {
        return core::IniFile(ini()).get(section, name).value_or("<absent>");
    }

    testsupport::TempDir dir;
    SettingsGuard guard;
    testsupport::RecordingPrompts prompts;
    testsupport::RecordingSound sound;
};

TEST_F(SiteTest, PictureClicksRunTheirActionAfterTheRightsCheck)
{
    core::programSettings().setText("CTRUSTEE", std::string(33, '1'));
    shell::Dispatcher d;
    std::vector<std::string> ran;
    d.registerAction(shell::Action::TRPROC1, [&](int level) { ran.push_back("TRPROC1/" + std::to_string(level)); });
    d.registerAction(shell::Action::REPORT, [&](int level) { ran.push_back("REPORT/" + std::to_string(level)); });
    struct Case {
        int column, row;
        bool hit;
        std::vector<std::string> ran;
    } cases[] = {
        {36, 80, true, {"TRPROC1/1"}},
        {35, 80, false, {}},
        {216, 130, true, {"TRPROC1/1"}},
        {500, 340, true, {"REPORT/0"}},
        {599, 399, false, {}},
    };
    for (const Case& c : cases) {
        ran.clear();
        EXPECT_EQ(shell::MAPSEL(d, c.column, c.row), c.hit) << c.column << "," << c.row;
        EXPECT_EQ(ran, c.ran) << c.column << "," << c.row;
    }
    EXPECT_TRUE(prompts.shown.empty());

    core::programSettings().setText("CTRUSTEE", "0");  // no right at position 1: refused, not run
    ran.clear();
    EXPECT_TRUE(shell::MAPSEL(d, 100, 100));
    EXPECT_TRUE(ran.empty());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, T("คุณไม่มีอำนาจที่จะใช้คำสั่งนี้"));
}

TEST_F(SiteTest, StampCaptionAndPlacement)
{
    for (const auto& [track, shown] : std::vector<std::pair<std::string, bool>>{
             {"0", true}, {"9417", false}, {" 9417 ", false}, {"94170", true}}) {
        core::programSettings().setText("CTRACK", track);
        EXPECT_EQ(shell::SAYTEXT().shown, shown) << track;
    }
    EXPECT_EQ(shell::SAYTEXT().text, "UPDATE: 03/07/2009");
    core::programSettings().setText("CHLINE", T("บริษัท ทดสอบ จำกัด"));
    EXPECT_EQ(shell::mainCaption(), T("  โปรแกรมชั่งรถบรรทุก สำหรับ บริษัท ทดสอบ จำกัด"));
    const shell::Placement p = shell::mainPicturePlacement(1280, 1024);
    EXPECT_EQ(p.left, 340);
    EXPECT_EQ(p.top, 208);
}

TEST_F(SiteTest, TheStatusBarNamesTheUserAndTheSite)
{
    struct Case {
        const char* code;
        const char* name;
        const char* site;
        const char* user;
        const char* shownSite;
    };
    const Case cases[] = {
        {"ADMIN          ", "ผู้ดูแลระบบ                   ", "  บริษัท ทดสอบ จำกัด  ", "ผู้ใช้ ผู้ดูแลระบบ (ADMIN)",
         "บริษัท ทดสอบ จำกัด"},
        {"OPER1", "", "", "ผู้ใช้ OPER1", ""},
        {"", "", "x", "", "x"},  // before the login
    };
    auto& s = core::programSettings();
    for (const Case& c : cases) {
        s.setText("CUSER", c.code);
        s.setText("CLOGIN", T(c.name));
        s.setText("CHLINE", T(c.site));
        EXPECT_EQ(shell::statusUser(), T(c.user)) << c.code;
        EXPECT_EQ(shell::statusSite(), T(c.shownSite)) << c.code;
    }
}

TEST_F(SiteTest, ExitConfirmationSounds)
{
    shell::FinishModel finish;
    finish.opened();
    EXPECT_FALSE(finish.decide(false));
    EXPECT_TRUE(finish.decide(true));
    EXPECT_EQ(sound.waves, (std::vector<std::string>{"TSound08.wav", "TSound09.wav"}));
    EXPECT_EQ(sound.waitedToEnd, (std::vector<bool>{false, true}));
    EXPECT_EQ(shell::FinishModel::title(), T("  ออกจากโปรแกรม"));
}

TEST_F(SiteTest, AnnouncementIsTheFileOrNothing)
{
    EXPECT_FALSE(shell::announcement().has_value());
    testsupport::writeFile(dir.file("DOCFILE.txt"), T("ประกาศ\r\nบรรทัดสอง"));
    ASSERT_TRUE(shell::announcement().has_value());  // the name is matched without regard to case
    EXPECT_EQ(*shell::announcement(), T("ประกาศ\r\nบรรทัดสอง"));
}

TEST_F(SiteTest, SettingsDialogChecksFieldsAndWritesOnlyItsKeysBack)
{
    // Keys the dialog does not show, set by hand in the file.
    core::IniFile file(ini());
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
    ASSERT_EQ(byName.size(), 22u);
    struct Case {
        const char* variable;
        const char* value;
        bool ok;
    } cases[] = {
        {"CDRV1", ".\\TABLES\\", true}, {"CDRV1", ".\\TABLES\\     ", true}, {"CDRV1", ".\\TABLES", false},
        {"CDRV1", "", false},           {"CDRV4", "/srv/site/work/", true},  {"CSYSSOUND", "Y", true},
        {"CSYSSOUND", "X", false},      {"CAUDITR", "N", true},              {"CPRINTER", "", false},
        {"CCPORT1", "19200,N,8,1,002,005,005", true},
        {"CCFMT1", "toledo   ", true},          {"CCFMT2", "XK3190", true},          {"CCFMT3", "", true},
        {"CCFMT4", "mettler", false},
        {"CMANUALW", "0", true},        {"CMANUALW", "2", true},             {"CMANUALW", "3", false},
        {"CMANUALW", "A", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shell::VarsetModel::check(*byName.at(c.variable), c.value), c.ok) << c.variable << "=" << c.value;

    core::programSettings().setText("CDRV2", core::xbase::padRight(".\\DATA\\", 60));
    core::programSettings().setText("CIOADDR", "700  ");
    core::programSettings().setText("CCFMT2", "toledo   ");
    core::programSettings().setText("CMANUALW", "2");
    core::programSettings().setText("CTRKTOLKG", "0    ");
    ASSERT_TRUE(model.close());
    EXPECT_EQ(key("Comm", "Format#2"), "toledo");
    EXPECT_EQ(key("Misc", "ManualW"), "2");
    EXPECT_FALSE(core::IniFile(ini()).get("Misc", "TruckTolKg"));  // the default is not written
    EXPECT_FALSE(core::IniFile(ini()).get("Comm", "Format#1"));  // the default is not written
    EXPECT_EQ(key("Path", "Exe"), ".\\DATA\\");
    EXPECT_EQ(core::programSettings().text("CDRV2"), ".\\DATA\\");
    EXPECT_EQ(key("Comm", "I/O"), "700");
    EXPECT_EQ(key("Misc", "Factor"), "2.0");
    EXPECT_EQ(key("Comm", "W.Read"), "2");
    EXPECT_EQ(key("Comm", "Stable"), "7");
    EXPECT_EQ(key("Misc", "Track"), "9417");
}

TEST_F(SiteTest, SettingsAreWrittenOnlyWhenEveryFieldPassesAndTheFileTakesThem)
{
    shell::VarsetModel model;
    model.open();
    EXPECT_EQ(shell::VarsetModel::firstFailing(core::programSettings()), nullptr);
    const struct {
        const char* variable;
        const char* value;
    } bad[] = {{"CDRV1", ".\\TABLES"}, {"CDRV4", ""}, {"CSYSSOUND", "X"}, {"CPRINTER", " "}};
    for (const auto& b : bad) {
        core::Settings saved = core::programSettings();
        core::programSettings().setText(b.variable, b.value);
        const shell::VarsetField* failing = shell::VarsetModel::firstFailing(core::programSettings());
        ASSERT_NE(failing, nullptr) << b.variable;
        EXPECT_STREQ(failing->variable, b.variable);
        core::programSettings() = saved;
    }

    // A read-only file is not replaced, and the dialogs are told.
    std::filesystem::permissions(ini(), std::filesystem::perms::owner_read);
    const std::string before = testsupport::readFile(ini());
    core::programSettings().setText("CDRV3", ".\\ELSEWHERE\\");
    EXPECT_FALSE(model.close());
    EXPECT_FALSE(shell::FontSelModel(1).close(shell::FontChoice{"Garuda", 12, 0}));
    EXPECT_EQ(testsupport::readFile(ini()), before);
    EXPECT_EQ(shell::settingsNotSavedMessage(),
              T("ไม่สามารถบันทึกค่าลงแฟ้ม ") + core::programSettings().text("VARFILE") + T(" ได้"));
    std::filesystem::permissions(ini(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_TRUE(model.close());
    EXPECT_EQ(key("Path", "BackUp"), ".\\ELSEWHERE\\");
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
        {"2", 1, 12, 0, "-24", "0"},
        {"1", 1, 6, 3, "-16", "3"},      // raised by CHKFONT before writing
        {"1.5", 2, 11, -4, "-16.5", "4"},
        {"1", 4, 40, 8, "-40", "8"},
        {"1", 5, 20, 8, "-30", "8"},     // document fonts: at least 30
    };
    for (const Case& c : cases) {
        shell::startUp(core::programSettings(), ini());
        core::IniFile(ini()).set("Font", "Ratio", c.ratio);
        shell::startUp(core::programSettings(), ini());
        shell::FontSelModel model(c.n);
        const shell::FontChoice preset = model.preset();
        EXPECT_EQ(preset.face, core::programSettings().text("CFONT" + std::to_string(c.n)));
        ASSERT_TRUE(model.close(shell::FontChoice{"Garuda", c.chosenHeight, c.chosenWidth}));
        const std::string n = std::to_string(c.n);
        EXPECT_EQ(key("Font", ("Height" + n).c_str()), c.height) << c.ratio << " " << c.chosenHeight;
        EXPECT_EQ(key("Font", ("Width" + n).c_str()), c.width);
        EXPECT_EQ(key("Font", ("Font" + n).c_str()), "Garuda");
    }

    // Cancelled: nothing changes but the minimums, and the six fonts are written.
    core::IniFile(ini()).set("Font", "Height3", "-10");
    core::IniFile(ini()).set("Font", "Height0", "-99");
    shell::startUp(core::programSettings(), ini());
    core::programSettings().setText("CHEIGHT3", "-10");
    core::programSettings().setText("CHEIGHT0", "-12");
    ASSERT_TRUE(shell::FontSelModel(3).close(std::nullopt));
    EXPECT_EQ(key("Font", "Height3"), "-16");
    EXPECT_EQ(key("Font", "Height0"), "-99");  // the screen font is not written
}

TEST(FontChoice, PresetDividesTheHeightByTheRatio)
{
    SettingsGuard guard;
    auto& s = core::programSettings();
    s.setText("CFONT2", "EucrosiaUPC");
    s.setText("CHEIGHT2", "-32");
    s.setText("CWIDTH2", "5");
    s.set("NFONTRATIO", core::Value::number(2));
    const shell::FontChoice c = shell::FontSelModel(2).preset();
    EXPECT_EQ(c.face, "EucrosiaUPC");
    EXPECT_EQ(c.height, -16);
    EXPECT_EQ(c.width, 5);
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

TEST(MainSequence, DefaultConfigurationFileInTheCurrentFolder)
{
    testsupport::TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    RecordingHost host;
    host.loginOk = false;
    shell::MAIN(host, "");
    std::filesystem::current_path(previous);
    EXPECT_EQ(host.varfile, ".\\MERVO.INI");
    EXPECT_TRUE(std::filesystem::exists(dir.file("MERVO.INI")));
}

}  // namespace

namespace {

const std::string kAdmin = MERVO_BINARY_DIR "/app/mervo-admin";

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
        {{"config", ini, "comm", "PORT#1"}, 0, "09600,E,7,1,002,005,005\n"},
        {{"config", ini, "Comm", "Device#1", "/dev/pts/7"}, 0, ""},
        {{"config", ini, "Comm", "Device#1"}, 0, "/dev/pts/7\n"},
        {{"config", ini, "Misc", "Note", "ทดสอบ"}, 0, ""},
        {{"config", ini, "Comm", "Missing"}, 1, ""},
        {{"config", ini, "Comm"}, 2, ""},
        {{"config", ini, "Comm", "K", "a\nb"}, 2, ""},
    };
    for (const Case& c : cases) {
        const auto r = testsupport::runProcess(kAdmin, c.args);
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
