// One purchase from the login to the printed ticket, through the program's own dialogs offscreen:
// the login, the menu's purchase screen, the truck prompt, the code fields, the weight dialog
// reading mervo-scale-sim on a pseudo-terminal (one simulator showing the loaded truck in Toledo
// frames, one the empty truck in XK3190 frames), the pay button, the save, the print question answered Yes to a PDF; then the
// ticket record, the stock and supplier ledgers and the PDF's text.
#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "core/ini_file.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "shell/dialogs/finish_dialog.h"
#include "shell/dialogs/login_dialog.h"
#include "shell/dialogs/main_window.h"
#include "shell/dialogs/qt_main_host.h"
#include "shell/login.h"
#include "shell/main_sequence.h"
#include "site/demo_templates.h"
#include "support/pdf_text.h"
#include "support/qt_typing.h"
#include "support/temp_dir.h"
#include "ticket_ui_helpers.h"
#include "ui/qt_print_destination.h"
#include "weighing/dialogs/ticket_dialog.h"
#include "weighing_fixture.h"

using core::tis620::T;
using namespace weighing;

namespace {

using namespace tickettest;

TEST(TicketEndToEnd, APurchaseWeighedInAndOutThroughTheDialogsIsStoredPostedAndPrinted)
{
    Watchdog watchdog(60);

    weighingtest::Site site;
    std::string error;
    ASSERT_TRUE(site::writeDemoTemplates(site.tables(), &error)) << error;
    site.config("Path", "Table", site.tables());
    site.config("Path", "Exe", site.data());
    site.config("Path", "Work", site.dir() + "/site/WORK/");
    const std::string pdf = site.dir() + "/ticket.pdf";
    ui::PdfPrintDestination destination(pdf);
    core::PrintDestination* previous = core::setPrintDestination(&destination);
    // The truck is weighed in on a Toledo-type indicator and out on an XK3190 sending "=" frames
    // with two decimals: each port's format as "Format#1" says.
    Indicator loaded(15140, {"--format", "toledo", "--checksum"});
    Indicator empty(514000, {"--format", "xk3190-equals", "--decimals", "2"});
    ASSERT_EQ(loaded.path.rfind("/dev/pts/", 0), 0u) << loaded.path;
    ASSERT_EQ(empty.path.rfind("/dev/pts/", 0), 0u) << empty.path;

    shell::Dispatcher dispatcher;
    registerTicketActions(dispatcher);
    shell::QtMainHost host(dispatcher);
    std::vector<std::string> steps;

    auto ticketScreen = [&](TicketDialog* d) {
        steps.push_back("ticket screen");
        EXPECT_EQ(d->windowTitle(), QString::fromUtf8("  ส่วนบันทึกข้อมูลการชั่งรับซื้อเข้า"));
        ui::Form& form = d->form();

        whenTruckPrompt("70-1234");
        d->button(TicketButton::Weigh)->click();
        EXPECT_EQ(d->screen().mode(), 1);
        typeInto(form.field("cFarmer"), "F001");
        typeInto(form.field("cProduct"), "P001");
        typeInto(form.field("cWhouse"), "W1");
        typeInto(form.field("cUnit"), "KG");
        core::programSettings().setText("CCDEV1", loaded.path);
        core::programSettings().setText("CCFMT1", "toledo");
        d->button(TicketButton::WeighIn)->click();
        EXPECT_EQ(form.field("cWin")->text(), QStringLiteral("15,140"));
        d->button(TicketButton::Save)->click();
        EXPECT_EQ(d->screen().mode(), 0);
        steps.push_back("weighed in");

        whenTruckPrompt("70-1234");
        d->button(TicketButton::Weigh)->click();
        EXPECT_EQ(d->screen().mode(), 2) << "the open ticket resumed";
        core::programSettings().setText("CCDEV1", empty.path);
        core::programSettings().setText("CCFMT1", "xk3190");
        d->button(TicketButton::WeighOut)->click();
        EXPECT_EQ(form.field("cWout")->text(), QStringLiteral("5,140"));
        EXPECT_EQ(form.field("cNet")->text(), QStringLiteral("10,000"));
        d->button(TicketButton::Pay2)->click();  // the whole amount on account
        site.prompts.answers = {true};           // print the ticket
        d->button(TicketButton::Save)->click();
        EXPECT_EQ(d->screen().mode(), 0);
        steps.push_back("weighed out");
        d->button(TicketButton::Exit)->click();
    };

    testsupport::whenModal([&](QWidget* modal) {
        auto* login = qobject_cast<shell::LoginDialog*>(modal);
        ASSERT_NE(login, nullptr);
        login->codeField()->setFocus();
        testsupport::typeUtf8(login->codeField(), "admin");
        testsupport::tabAway(login->codeField());
        login->passwordField()->setFocus();
        testsupport::typeUtf8(login->passwordField(), "demo");
        auto* started = new QTimer();
        started->setInterval(5);
        QObject::connect(started, &QTimer::timeout, started, [&, started] {
            shell::MainWindow* w = host.mainWindow();
            if (!w || !w->isVisible())
                return;
            started->stop();
            started->deleteLater();
            steps.push_back("main window");
            // The indicator: port 1 on the simulators' line.
            useSimulatedIndicator(core::programSettings());
            whenShown<TicketDialog>(ticketScreen);
            w->menuAction(shell::Action::TRPROC1)->trigger();
            whenShown<shell::FinishDialog>([](shell::FinishDialog* finish) { finish->okButton()->click(); });
            w->menuAction(shell::Action::Exit)->trigger();
        });
        started->start();
        login->okButton()->click();
    });
   
    EXPECT_EQ(shell::MAIN(host, site.configFile()), 0);
    core::setPrintDestination(previous);
    EXPECT_EQ(steps, (std::vector<std::string>{"main window", "ticket screen", "weighed in", "weighed out"}));

    const auto tickets = site.rows("Wdata1");
    ASSERT_EQ(tickets.size(), 1u);
    const auto& t = tickets[0];
    for (const auto& [field, text] : {std::pair{"TICKET", "000001"}, {"STAT", "2"}, {"TRUCK", "70-1234"},
                                      {"COMPANY", "F001"}, {"STAFF", "ADMIN"}})
        EXPECT_EQ(t.text(field), text) << field;
    for (const auto& [field, n] : {std::pair{"WIN", 15140.0}, {"WOUT", 5140.0}, {"QTY", 10000.0}, {"PRICE", 7.25},
                                   {"AMOUNT", 72500.0}, {"DRCR", 72500.0}, {"CASH", 0.0}, {"PRINT", 1.0}})
        EXPECT_DOUBLE_EQ(t.number(field), n) << field;
    EXPECT_DOUBLE_EQ(site.stock("P001", "W1"), 10000);
    EXPECT_DOUBLE_EQ(site.account("ApAcc", "F001"), 72500);

    const std::string text = testsupport::pdfText("-raw", pdf);
    for (const char* expected : {"เลขที่ใบชั่ง 000001", "ทะเบียนรถ 70-1234", "นายสมศักดิ์ ทองดี", "ข้าวเปลือกหอมมะลิ",
                                 "15,140", "5,140", "10,000", "72,500.00", "(เจ็ดหมื่นสองพันห้าร้อยบาทถ้วน)"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
}

}  // namespace
