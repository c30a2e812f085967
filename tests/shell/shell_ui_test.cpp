// The shell's dialogs and main window offscreen with scripted prompts, the error dialog, and one run
// of the real program from login to exit.
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <optional>

#include "core/ini_file.h"
#include "errors/error_dialog.h"
#include "errors/guard.h"
#include "shell/dialogs/finish_dialog.h"
#include "shell/dialogs/login_dialog.h"
#include "shell/dialogs/main_window.h"
#include "shell/dialogs/qt_main_host.h"
#include "shell/dialogs/settings_dialogs.h"
#include "shell/startup.h"
#include "shell/users.h"
#include "site/demo_content.h"
#include "support/qt_typing.h"
#include "ui/widgets.h"
#include "users_fixture.h"

using namespace shelltest;
using core::tis620::T;

namespace {

using testsupport::showActive;

// Runs `act` once `ready` holds (polled on the event loop), for steps that wait for a window.
void when(std::function<bool()> ready, std::function<void()> act)
{
    auto* timer = new QTimer();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, ready = std::move(ready), act = std::move(act)] {
        if (!ready())
            return;
        timer->stop();
        timer->deleteLater();
        act();
    });
    timer->start();
}

// Types the text over the whole of the field, then leaves it with Tab.
void retype(ui::EntryField* field, const char* utf8)
{
    field->setFocus();
    field->selectAll();
    testsupport::typeUtf8(field, utf8);
    testsupport::tabAway(field);
}

// Clicks the button and lets what it started run.
void click(QAbstractButton* button)
{
    button->click();
    testsupport::settle();
}

class ShellUiTest : public UsersTest {
protected:
    // Start-up on the site's configuration file, then the settings dialog shown over its model.
    shell::VarsetDialog& openSettings()
    {
        shell::startUp(core::programSettings(), site.ini());
        settings.emplace();
        settings->open();
        settingsDialog.emplace();
        showActive(*settingsDialog);
        return *settingsDialog;
    }

    std::optional<shell::VarsetModel> settings;
    std::optional<shell::VarsetDialog> settingsDialog;
};

TEST_F(ShellUiTest, CancelledLoginLogsNobodyIn)
{
    testsupport::whenModal([](QWidget* modal) { static_cast<shell::LoginDialog*>(modal)->cancelButton()->click(); });
    EXPECT_FALSE(shell::PASSWC());
    EXPECT_EQ(core::programSettings().text("CUSER"), "");
    EXPECT_EQ(sound.waves, std::vector<std::string>{});  // no sounds folder content
}

TEST_F(ShellUiTest, TypingSevenInARightsFieldShowsTheLegendAndKeepsTheFocus)
{
    storage::Workspace ws;
    ASSERT_TRUE(shell::openUsers(ws));
    ASSERT_TRUE(shell::seekUser(*ws.find(shell::kUsersAlias), "CLERK"));
    shell::RightsEditor model(*ws.find(shell::kUsersAlias));
    shell::TrusteeDialog dialog(model);
    showActive(dialog);
    ui::EntryField* first = dialog.field(1);
    retype(first, "7");
    ASSERT_EQ(prompts.shown.size(), 1u);  // the legend
    EXPECT_NE(prompts.shown[0].text.find(T("6 = อำนาจเต็มที่")), std::string::npos);
    EXPECT_TRUE(first->hasFocus());

    first->selectAll();
    testsupport::typeUtf8(first, "5");
    click(dialog.okButton());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_TRUE(model.ok());
    EXPECT_EQ(site.stored("CLERK", "TRUSTEE"), "5111" + std::string(38, '0'));
    EXPECT_EQ(core::programSettings().text("CTRUSTEE"), "") << "another user's rights wait for their next login";
}

// A value left failing on a page no longer shown brings OK back to its field; a value refused as it
// is typed stays in its field with the focus, and OK waits for it.
TEST_F(ShellUiTest, SettingsDialogKeepsARefusedValueInItsFieldUntilItPasses)
{
    shell::VarsetDialog& dialog = openSettings();
    ui::Folder* folder = dialog.form().folder();
    ASSERT_NE(folder, nullptr);
    core::programSettings().setText("CDRV1", ".\\TABLES");
    folder->setCurrentIndex(1);
    testsupport::settle();
    click(dialog.okButton());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(folder->currentWidget()->isAncestorOf(dialog.field("CDRV1")));
    EXPECT_TRUE(dialog.field("CDRV1")->hasFocus());
    EXPECT_NE(site.key("Path", "Table"), ".\\TABLES");
    core::programSettings().setText("CDRV1", ".\\TABLES\\");

    const struct {
        const char* variable;
        int page;
        const char* refused;
        const char* completion;  // typed after it
        const char* section;
        const char* key;
        const char* stored;
    } cases[] = {
        {"CDRV4", 0, ".\\tmp", "\\", "Path", "Work", ".\\TMP\\"},         // a folder without its separator
        {"CCFMT2", 1, "toled", "o", "Comm", "Format#2", "toledo"},         // no frame format of that name
    };
    for (const auto& c : cases) {
        folder->setCurrentIndex(c.page);
        testsupport::settle();
        ui::EntryField* field = dialog.field(c.variable);
        retype(field, c.refused);
        EXPECT_TRUE(field->hasFocus()) << c.variable;
        click(dialog.okButton());
        EXPECT_TRUE(dialog.isVisible()) << c.variable;
        testsupport::typeUtf8(field, c.completion);
        testsupport::tabAway(field);
    }
    click(dialog.okButton());
    EXPECT_FALSE(dialog.isVisible());
    for (const auto& c : cases)
        EXPECT_EQ(site.key(c.section, c.key), c.stored) << c.variable;
    EXPECT_EQ(site.key("Path", "Table"), ".\\TABLES\\");
}

TEST_F(ShellUiTest, ASettingsFileThatCannotBeWrittenIsNamedAndTheDialogsStayOpen)
{
    namespace fs = std::filesystem;
    shell::VarsetDialog& dialog = openSettings();
    fs::permissions(site.ini(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string before = testsupport::readFile(site.ini());
    core::programSettings().setText("CDRV3", ".\\COPY\\");
    click(dialog.okButton());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(testsupport::readFile(site.ini()), before);  // not replaced
    EXPECT_EQ(prompts.texts(), std::vector<std::string>{"ไม่สามารถบันทึกค่าลงแฟ้ม " + site.ini() + " ได้"});
    EXPECT_EQ(dialog.field("CDRV3")->text().trimmed(), QString::fromUtf8(".\\COPY\\"));

    fs::permissions(site.ini(), fs::perms::owner_write, fs::perm_options::add);
    click(dialog.okButton());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(site.key("Path", "BackUp"), ".\\COPY\\");

    // The font choice: said, and the choice offered again until it is written or cancelled.
    fs::permissions(site.ini(), fs::perms::owner_write, fs::perm_options::remove);
    core::programSettings().setText("CWIDTH2", "7");  // a change to write
    int offered = 0;
    std::function<void(QWidget*)> answer = [&](QWidget* modal) {
        ++offered;
        if (offered == 1) {
            static_cast<QDialog*>(modal)->accept();
            testsupport::whenModal(answer);
        } else {
            static_cast<QDialog*>(modal)->reject();
        }
    };
    testsupport::whenModal(answer);
    shell::FONTSEL(2);
    EXPECT_EQ(offered, 2);
    ASSERT_EQ(prompts.shown.size(), 3u);
    EXPECT_EQ(prompts.shown[1].text, prompts.shown[0].text);
    fs::permissions(site.ini(), fs::perms::owner_write, fs::perm_options::add);
}

// Refused rights open no dialog, unbuilt commands say so, an exception offers only Quit, and closing
// the window asks first.
TEST_F(ShellUiTest, MainWindowRefusesWithoutRightsSurvivesExceptionsAndAsksBeforeClosing)
{
    core::programSettings().setText("CTRUSTEE", std::string(32, '6') + "0");
    testsupport::RecordingFaultHandler faults(core::FaultAnswer::Quit);
    shell::Dispatcher dispatcher;
    dispatcher.registerAction(shell::Action::TRPROC1, [](int) { throw std::runtime_error("boom"); });
    shell::MainWindow window(dispatcher);
    window.registerOwnActions();
    window.run(shell::Action::VARSET, 33);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    window.menuAction(shell::Action::POPCODE1)->trigger();
    EXPECT_EQ(prompts.texts(),
              (std::vector<std::string>{"คุณไม่มีอำนาจที่จะใช้คำสั่งนี้", "ส่วนนี้ของโปรแกรมยังไม่พร้อมใช้งาน"}));
    window.menuAction(shell::Action::TRPROC1)->trigger();  // through errors::runGuarded: no escape
    EXPECT_EQ(faults.faults.size(), 1u);

    showActive(window);
    int finished = 0;
    QObject::connect(&window, &shell::MainWindow::finished, [&] { ++finished; });
    for (const bool ok : {false, true}) {
        testsupport::whenModal([ok](QWidget* modal) {
            auto* finish = static_cast<shell::FinishDialog*>(modal);
            (ok ? finish->okButton() : finish->cancelButton())->click();
        });
        window.close();
        EXPECT_EQ(window.isVisible(), !ok);
        EXPECT_EQ(finished, ok ? 1 : 0);
    }
}

TEST(ErrorDialog, ButtonsFollowWhatTheFaultAllowsAndTheChoiceComesBack)
{
    using B = errors::ErrorButtons::Button;
    struct Case {
        bool retry, def;
        std::vector<B> shown;
        B defaultButton;
    } cases[] = {
        {false, false, {B::Quit, B::SeeLog}, B::Quit},
        {true, true, {B::Quit, B::Retry, B::Default, B::SeeLog}, B::Quit},
        {true, false, {B::Quit, B::Retry, B::SeeLog}, B::Retry},
        {false, true, {B::Quit, B::Default, B::SeeLog}, B::Default},
    };
    for (const Case& c : cases) {
        const errors::ErrorButtons model = errors::errorButtons(c.retry, c.def);
        EXPECT_EQ(model.shown, c.shown);
        EXPECT_EQ(model.defaultButton, c.defaultButton);
        errors::ErrorDialogWindow dialog("Error BASE/1003  Variable does not exist: X", {"   Called from: mervo => f(0)"},
                                         c.retry, c.def, "Error.log");
        EXPECT_TRUE(dialog.button(c.defaultButton)->isDefault());
    }

    errors::QtErrorDialog dialog;
    testsupport::whenModal([](QWidget* modal) {
        static_cast<errors::ErrorDialogWindow*>(modal)->button(errors::ErrorButtons::Button::Retry)->click();
    });
    EXPECT_EQ(dialog.choose("Error DBFNTX/1041", {}, true, true), errors::ErrorDialog::Choice::Retry);
    testsupport::whenModal([](QWidget* modal) { modal->close(); });
    EXPECT_EQ(dialog.choose("Error DBFNTX/1041", {}, true, true), errors::ErrorDialog::Choice::Quit);
}

// The real program on the demo site's pictures: a wrong password then the right one, the main
// window, the exit.
TEST_F(ShellUiTest, EndToEndFromLoginToExit)
{
    core::Settings demo;
    demo.setText("CDRV1", site.dir.path() + "/");
    site::DemoContentOptions silent;
    silent.speech = false;
    std::string error;
    ASSERT_TRUE(site::writeShellDemoContent(site.dir.path(), demo, &error, silent)) << error;
    core::IniFile(site.ini()).set("Path", "Table", site.dir.path() + "/");

    shell::Dispatcher dispatcher;
    shell::QtMainHost host(dispatcher);
    std::vector<std::string> steps;
    testsupport::whenModal([&](QWidget* modal) {
        auto* login = qobject_cast<shell::LoginDialog*>(modal);
        ASSERT_NE(login, nullptr);
        steps.push_back("login");
        showActive(*login);
        login->codeField()->setFocus();
        testsupport::typeUtf8(login->codeField(), "admin");
        testsupport::tabAway(login->codeField());
        testsupport::typeUtf8(login->passwordField(), "wrong");
        click(login->okButton());
        EXPECT_TRUE(login->isVisible());

        login->passwordField()->setFocus();
        login->passwordField()->selectAll();
        testsupport::typeUtf8(login->passwordField(), "demo");
        when([&] { return host.mainWindow() && host.mainWindow()->isVisible(); },
             [&] {
                 steps.push_back("main");
                 EXPECT_TRUE(host.mainWindow()->mainPicture()->hasPicture());
                 // The settings through the menu, and back to the main window.
                 testsupport::whenModal([&](QWidget* varset) {
                     steps.push_back("varset");
                     static_cast<shell::VarsetDialog*>(varset)->okButton()->click();
                 });
                 host.mainWindow()->menuAction(shell::Action::VARSET)->trigger();
                 testsupport::whenModal([&](QWidget* finish) {
                     steps.push_back("finish");
                     static_cast<shell::FinishDialog*>(finish)->okButton()->click();
                 });
                 host.mainWindow()->menuAction(shell::Action::Exit)->trigger();
             });
        login->okButton()->click();
    });
    EXPECT_EQ(shell::MAIN(host, site.ini()), 0);
    EXPECT_EQ(steps, (std::vector<std::string>{"login", "main", "varset", "finish"}));
    EXPECT_EQ(prompts.texts(), std::vector<std::string>{"ชื่อและรหัสผ่านไม่ถูกต้อง"});  // and nothing after it
    EXPECT_EQ(host.mainWindow(), nullptr);
}

}  // namespace
