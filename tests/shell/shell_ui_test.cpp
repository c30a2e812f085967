// The shell's dialogs and main window on the offscreen platform, with scripted prompts: the login,
// the rights editor's legend, the settings dialog's path check, the refused command, the error
// dialog's buttons, and one run of the real program from login to exit.
#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "core/identity.h"
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
#include "support/seams.h"
#include "ui/widgets.h"
#include "users_fixture.h"

using core::tis620::T;

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

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

class ShellUiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        site.add({"ADMIN", "ผู้ดูแลระบบ", "DEMO", shelltest::fullRights()});
        site.add({"CLERK", "พนักงานชั่ง", "AB12", "1111"});
    }
    shelltest::UsersSite site;
    testsupport::RecordingPrompts prompts;
    testsupport::RecordingSound sound;
};

TEST_F(ShellUiTest, WrongPasswordKeepsTheLoginDialogOpen)
{
    shell::LoginModel model;
    shell::LoginDialog dialog(model);
    EXPECT_EQ(dialog.windowTitle(), u("  ส่วนการระบุชื่อผู้ใช้โปรแกรม"));
    EXPECT_EQ(dialog.passwordField()->echoMode(), QLineEdit::Password);
    showActive(dialog);

    dialog.codeField()->setFocus();
    testsupport::typeUtf8(dialog.codeField(), "admin");
    testsupport::tabAway(dialog.codeField());
    testsupport::typeUtf8(dialog.passwordField(), "wrong");
    dialog.okButton()->click();
    testsupport::settle();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, T("ชื่อและรหัสผ่านไม่ถูกต้อง"));
    EXPECT_EQ(prompts.shown[0].title, T("ส่วนบันทึกรหัสผ่าน"));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.codeField()->text(), u("ADMIN"));  // typed in lower case, shown upper

    dialog.passwordField()->setFocus();
    dialog.passwordField()->selectAll();
    testsupport::typeUtf8(dialog.passwordField(), "demo");
    dialog.okButton()->click();
    testsupport::settle();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(model.finish());
    EXPECT_EQ(core::programSettings().text("CUSER"), "ADMIN");
}

TEST_F(ShellUiTest, TheLoginPictureShowsTheAnnouncement)
{
    testsupport::writeFile(site.dir.file("DocFile.TXT"), T("ประกาศ: ปิดปรับปรุงเครื่องชั่งวันอาทิตย์"));
    shell::LoginModel model;
    shell::LoginDialog dialog(model);
    showActive(dialog);
    QString title, text, button;
    testsupport::whenModal([&](QWidget* modal) {
        title = modal->windowTitle();
        if (auto* box = modal->findChild<QPlainTextEdit*>())
            text = box->toPlainText();
        if (auto* b = modal->findChild<QPushButton*>()) {
            button = b->text();
            b->click();
        }
    });
    QTest::mouseClick(dialog.picture(), Qt::LeftButton);
    EXPECT_EQ(title, u("  ประกาศ"));
    EXPECT_EQ(text, u("ประกาศ: ปิดปรับปรุงเครื่องชั่งวันอาทิตย์"));
    EXPECT_EQ(button, u("&กลับสู่โปรแกรม"));
    EXPECT_TRUE(dialog.isVisible());
}

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
    EXPECT_EQ(dialog.windowTitle(), u("  CLERK : พนักงานชั่ง"));
    showActive(dialog);
    ui::EntryField* first = dialog.field(1);
    first->setFocus();
    first->selectAll();
    testsupport::typeUtf8(first, "7");
    testsupport::tabAway(first);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].title, T("  การกำหนดระดับอำนาจ"));
    EXPECT_NE(prompts.shown[0].text.find(T("6 = อำนาจเต็มที่")), std::string::npos);
    EXPECT_TRUE(first->hasFocus());

    first->selectAll();
    testsupport::typeUtf8(first, "5");
    dialog.okButton()->click();
    testsupport::settle();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_TRUE(model.ok());
    EXPECT_EQ(site.stored("CLERK", "TRUSTEE"), "5111" + std::string(38, '0'));
}

TEST_F(ShellUiTest, SettingsDialogNamesTheProgramsIdentityAndFitsTheSmallestScreen)
{
    const std::string identity = "mervo 0.1 sha256 " + std::string(64, 'f');
    static std::string s_identity;
    s_identity = identity;
    core::setIdentitySource([] { return s_identity; });
    shell::startUp(core::programSettings(), site.dir.file("MERVO.INI"));
    shell::VarsetModel model;
    model.open();
    shell::VarsetDialog dialog;
    core::setIdentitySource(nullptr);
    ASSERT_NE(dialog.identityLabel(), nullptr);
    EXPECT_EQ(dialog.identityLabel()->text().toStdString(), identity);
    showActive(dialog);
    EXPECT_TRUE(dialog.identityLabel()->isVisible());
    EXPECT_LE(dialog.width(), 1024);
    EXPECT_LE(dialog.height(), 768);

    shell::VarsetDialog without;
    EXPECT_EQ(without.identityLabel(), nullptr);
}

TEST_F(ShellUiTest, SettingsDialogKeepsAPathWithoutTheSeparatorInItsField)
{
    shell::startUp(core::programSettings(), site.dir.file("MERVO.INI"));
    shell::VarsetModel model;
    model.open();
    shell::VarsetDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), u("  ส่วนการกำหนดค่าตัวแปรต่างๆ"));
    showActive(dialog);
    ui::EntryField* work = dialog.field("CDRV4");
    work->setFocus();
    work->selectAll();
    testsupport::typeUtf8(work, ".\\tmp");
    testsupport::tabAway(work);
    EXPECT_TRUE(work->hasFocus());
    dialog.okButton()->click();  // closing waits for the field too
    testsupport::settle();
    EXPECT_TRUE(dialog.isVisible());

    testsupport::typeUtf8(work, "\\");
    dialog.okButton()->click();
    testsupport::settle();
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_TRUE(model.close());
    EXPECT_EQ(core::IniFile(site.dir.file("MERVO.INI")).get("Path", "Work").value_or(""), ".\\TMP\\");
}

TEST_F(ShellUiTest, SettingsDialogChecksEveryPageOnOkAndShowsTheFailingField)
{
    const std::string ini = site.dir.file("MERVO.INI");
    shell::startUp(core::programSettings(), ini);
    shell::VarsetModel model;
    model.open();
    shell::VarsetDialog dialog;
    showActive(dialog);
    ui::Folder* folder = dialog.form().folder();
    ASSERT_NE(folder, nullptr);
    // Values left failing on a page no longer shown, the last page in front.
    const struct {
        const char* variable;
        const char* bad;
        const char* good;
        const char* section;
        const char* key;
        const char* stored;
    } cases[] = {
        {"CDRV1", ".\\TABLES", ".\\TABLES\\", "Path", "Table", ".\\TABLES\\"},
        {"CSYSSOUND", "X", "N", "Misc", "Sound", "N"},
    };
    for (const auto& c : cases) {
        core::programSettings().setText(c.variable, c.bad);
        folder->setCurrentIndex(c.variable[1] == 'D' ? 1 : 0);
        testsupport::settle();  // the field left, failing, while its page went out of sight
        dialog.okButton()->click();
        testsupport::settle();
        EXPECT_TRUE(dialog.isVisible()) << c.variable;
        ui::EntryField* entry = dialog.field(c.variable);
        EXPECT_TRUE(folder->currentWidget()->isAncestorOf(entry)) << c.variable;
        EXPECT_TRUE(entry->hasFocus()) << c.variable;
        EXPECT_NE(core::IniFile(ini).get(c.section, c.key).value_or(""), c.bad);
        core::programSettings().setText(c.variable, c.good);
    }
    dialog.okButton()->click();
    testsupport::settle();
    EXPECT_FALSE(dialog.isVisible());
    for (const auto& c : cases)
        EXPECT_EQ(core::IniFile(ini).get(c.section, c.key).value_or(""), c.stored);
}

TEST_F(ShellUiTest, ASettingsFileThatCannotBeWrittenIsNamedAndTheDialogStaysOpen)
{
    const std::string ini = site.dir.file("MERVO.INI");
    shell::startUp(core::programSettings(), ini);
    std::filesystem::permissions(ini, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                          std::filesystem::perms::others_read);
    shell::VarsetModel model;
    model.open();
    shell::VarsetDialog dialog;
    showActive(dialog);
    core::programSettings().setText("CDRV3", ".\\COPY\\");
    dialog.okButton()->click();
    testsupport::settle();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, T("ไม่สามารถบันทึกค่าลงแฟ้ม ") + core::programSettings().text("VARFILE") + T(" ได้"));
    EXPECT_NE(prompts.shown[0].text.find("MERVO.INI"), std::string::npos);
    EXPECT_EQ(prompts.shown[0].title, shell::VarsetModel::title());
    EXPECT_EQ(dialog.field("CDRV3")->text().trimmed(), u(".\\COPY\\"));

    std::filesystem::permissions(ini, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    dialog.okButton()->click();
    testsupport::settle();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(core::IniFile(ini).get("Path", "Backup").value_or(""), ".\\COPY\\");

    // The font choice: said, and the choice offered again until it is written or cancelled.
    std::filesystem::permissions(ini, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
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
    EXPECT_EQ(prompts.shown[1].title, T("  อักษรรายงาน 2"));
    std::filesystem::permissions(ini, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
}

TEST_F(ShellUiTest, SettingsDialogTakesOnlyAKnownFrameFormat)
{
    shell::startUp(core::programSettings(), site.dir.file("MERVO.INI"));
    shell::VarsetModel model;
    model.open();
    shell::VarsetDialog dialog;
    showActive(dialog);
    ui::EntryField* format = dialog.field("CCFMT2");
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->text(), QStringLiteral("indicator"));
    dialog.form().folder()->setCurrentIndex(1);  // the Communicate page
    testsupport::settle();
    format->setFocus();
    format->selectAll();
    testsupport::typeUtf8(format, "tolede");
    testsupport::tabAway(format);
    EXPECT_TRUE(format->hasFocus());
    format->selectAll();
    testsupport::typeUtf8(format, "toledo");
    dialog.okButton()->click();
    testsupport::settle();
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_TRUE(model.close());
    EXPECT_EQ(core::IniFile(site.dir.file("MERVO.INI")).get("Comm", "Format#2").value_or(""), "toledo");
}

TEST_F(ShellUiTest, FontChoiceConfirmedUnchangedKeepsTheSettingAndCancelledChangesNothing)
{
    const std::string ini = site.dir.file("MERVO.INI");
    core::IniFile(ini).set("Font", "Ratio", "2");
    core::IniFile(ini).set("Font", "Height2", "-40");
    shell::startUp(core::programSettings(), ini);
    QString title;
    testsupport::whenModal([&](QWidget* modal) {
        title = modal->windowTitle();
        static_cast<QDialog*>(modal)->accept();
    });
    shell::FONTSEL(2);
    EXPECT_EQ(title, u("  อักษรรายงาน 2"));
    EXPECT_EQ(core::IniFile(ini).get("Font", "Height2").value_or(""), "-40");
    EXPECT_EQ(core::IniFile(ini).get("Font", "Font2").value_or(""), "EucrosiaUPC");

    core::programSettings().setText("CHEIGHT5", "-45");
    testsupport::whenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    shell::FONTSEL(5);
    EXPECT_EQ(core::IniFile(ini).get("Font", "Height5").value_or(""), "-45");  // the six fonts written
}

TEST_F(ShellUiTest, RefusedRightsOpenNoSettingsDialogAndUnbuiltCommandsSaySo)
{
    core::programSettings().setText("CTRUSTEE", std::string(32, '6') + "0");
    shell::Dispatcher dispatcher;
    shell::MainWindow window(dispatcher);
    window.registerOwnActions();
    window.run(shell::Action::VARSET, 33);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, T("คุณไม่มีอำนาจที่จะใช้คำสั่งนี้"));
    EXPECT_EQ(prompts.shown[0].title, T("  ส่วนการกำหนดอำนาจ"));

    window.menuAction(shell::Action::POPCODE1)->trigger();
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1].text, T("ส่วนนี้ของโปรแกรมยังไม่พร้อมใช้งาน"));

    // The message bar shows the text of the highlighted item (a menu sends it through the menu bar).
    window.menuAction(shell::Action::TRPROC1)->showStatusText(window.menuBar());
    EXPECT_EQ(window.messageBar()->shownText(), u("ส่วนบันทึกการชั่งซื้อหรือการชั่งรับสินค้าเข้า"));
}

TEST_F(ShellUiTest, ClosingTheMainWindowAsksFirst)
{
    shell::Dispatcher dispatcher;
    shell::MainWindow window(dispatcher);
    window.registerOwnActions();
    showActive(window);
    int finished = 0;
    QObject::connect(&window, &shell::MainWindow::finished, [&] { ++finished; });
    testsupport::whenModal([](QWidget* modal) {
        EXPECT_EQ(modal->windowTitle(), u("  ออกจากโปรแกรม"));
        static_cast<shell::FinishDialog*>(modal)->cancelButton()->click();
    });
    window.close();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(finished, 0);
    testsupport::whenModal([](QWidget* modal) { static_cast<shell::FinishDialog*>(modal)->okButton()->click(); });
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(finished, 1);
}

TEST_F(ShellUiTest, AnExceptionEscapingACommandOffersOnlyQuit)
{
    core::programSettings().setText("CTRUSTEE", shelltest::fullRights());
    testsupport::RecordingFaultHandler faults(core::FaultAnswer::Quit);
    shell::Dispatcher dispatcher;
    dispatcher.registerAction(shell::Action::TRPROC1, [](int) { throw std::runtime_error("boom"); });
    shell::MainWindow window(dispatcher);
    window.menuAction(shell::Action::TRPROC1)->trigger();
    ASSERT_EQ(faults.faults.size(), 1u);
    EXPECT_FALSE(faults.faults[0].canRetry);
    EXPECT_FALSE(faults.faults[0].canDefault);
    EXPECT_EQ(core::errorMessage(faults.faults[0]), "Error MERVO/9001  std::runtime_error: boom: TRPROC1");
}

TEST(ErrorDialog, ButtonsFollowWhatTheFaultAllows)
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
        errors::ErrorDialogWindow dialog("Error BASE/1003  Variable does not exist: X",
                                         {"   Called from: mervo => f(0)", "   Called from: mervo => g(0)"}, c.retry,
                                         c.def, "Error.log");
        QStringList captions;
        for (QPushButton* b : dialog.findChildren<QPushButton*>())
            captions << b->text();
        QStringList expected;
        for (B b : c.shown)
            expected << QString::fromLatin1(errors::buttonCaption(b));
        EXPECT_EQ(captions, expected);
        EXPECT_TRUE(dialog.button(c.defaultButton)->isDefault());
        EXPECT_EQ(dialog.stackList()->count(), 2);
        EXPECT_EQ(dialog.stackList()->currentRow(), 0);
    }
}

TEST(ErrorDialog, TheChoiceComesBackAndTheWindowTitlesReachTheReport)
{
    errors::QtErrorDialog dialog;
    testsupport::whenModal([](QWidget* modal) {
        static_cast<errors::ErrorDialogWindow*>(modal)->button(errors::ErrorButtons::Button::Retry)->click();
    });
    EXPECT_EQ(dialog.choose("Error DBFNTX/1041", {}, true, true), errors::ErrorDialog::Choice::Retry);
    testsupport::whenModal([](QWidget* modal) { modal->close(); });
    EXPECT_EQ(dialog.choose("Error DBFNTX/1041", {}, true, true), errors::ErrorDialog::Choice::Quit);

    QWidget window;
    window.setWindowTitle(u("  โปรแกรมชั่งรถบรรทุก"));
    window.show();
    const errors::Environment env = errors::programEnvironment();
    const auto titles = env.windowTitles();
    EXPECT_NE(std::find(titles.begin(), titles.end(), T("  โปรแกรมชั่งรถบรรทุก")), titles.end());
    EXPECT_EQ(env.compilerLine.rfind(std::string("Qt ") + qVersion() + ", g++ ", 0), 0u);
}

// The real program on a site: login, a menu item, the exit through FINISH.
TEST_F(ShellUiTest, EndToEndFromLoginToExit)
{
    // The demo site's pictures, announcement and (silent) sounds.
    core::Settings demo;
    demo.setText("CDRV1", site.dir.path() + "/");
    site::DemoContentOptions silent;
    silent.speech = false;
    std::string error;
    ASSERT_TRUE(site::writeShellDemoContent(site.dir.path(), demo, &error, silent)) << error;
    const std::string ini = site.dir.file("MERVO.INI");
    core::IniFile(ini).set("Path", "Table", site.dir.path() + "/");
    core::IniFile(ini).set("Data", "Name", T("บริษัท ทดสอบ จำกัด"));

    shell::Dispatcher dispatcher;
    shell::QtMainHost host(dispatcher);
    std::vector<std::string> steps;
    int before = 0;
    testsupport::whenModal([&](QWidget* modal) {
        auto* login = qobject_cast<shell::LoginDialog*>(modal);
        ASSERT_NE(login, nullptr);
        steps.push_back("login");
        showActive(*login);
        login->codeField()->setFocus();
        testsupport::typeUtf8(login->codeField(), "admin");
        testsupport::tabAway(login->codeField());
        login->passwordField()->setFocus();
        testsupport::typeUtf8(login->passwordField(), "demo");
        when([&] { return host.mainWindow() && host.mainWindow()->isVisible(); },
             [&] {
                 shell::MainWindow* w = host.mainWindow();
                 steps.push_back("main");
                 EXPECT_EQ(w->windowTitle(), u("  โปรแกรมชั่งรถบรรทุก สำหรับ บริษัท ทดสอบ จำกัด"));
                 EXPECT_TRUE(w->isMaximized());
                 EXPECT_EQ(w->menuBar()->actions().size(), 8);
                 EXPECT_EQ(w->buttonBar()->findChildren<ui::PictureButton*>().size(), 7u);
                 EXPECT_TRUE(w->mainPicture()->hasPicture());
                 EXPECT_EQ(w->messageBar()->shownText(), u("Mervo - โปรแกรมชั่งรถบรรทุก"));
                 if (const char* shot = std::getenv("MERVO_SCREENSHOT")) {
                     // A virtual display has no window manager to maximise the window.
                     w->setGeometry(w->screen()->availableGeometry());
                     testsupport::settle();
                     w->grab().save(QString::fromLocal8Bit(shot));
                 }
                 testsupport::whenModal([&](QWidget* varset) {
                     steps.push_back("varset");
                     static_cast<shell::VarsetDialog*>(varset)->okButton()->click();
                 });
                 w->menuAction(shell::Action::VARSET)->trigger();
                 before = int(prompts.shown.size());
                 testsupport::whenModal([&](QWidget* finish) {
                     steps.push_back("finish");
                     static_cast<shell::FinishDialog*>(finish)->okButton()->click();
                 });
                 w->menuAction(shell::Action::Exit)->trigger();
             });
        login->okButton()->click();
    });
    EXPECT_EQ(shell::MAIN(host, ini), 0);
    EXPECT_EQ(steps, (std::vector<std::string>{"login", "main", "varset", "finish"}));
    EXPECT_EQ(int(prompts.shown.size()), before);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(sound.waves, (std::vector<std::string>{"TSound01.wav", "loop1.wav", "TSound02.wav", "TSound07.wav",
                                                     "TSound08.wav", "TSound09.wav"}));
    EXPECT_EQ(sound.waitedToEnd.back(), true);  // the goodbye sound plays to its end
    EXPECT_EQ(core::IniFile(ini).get("Misc", "Factor").value_or(""), "2.0");
    EXPECT_EQ(host.mainWindow(), nullptr);
}

}  // namespace
