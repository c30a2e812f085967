// A day on a demo site from the login through the real windows, the weights read from
// mervo-scale-sim on pseudo-terminals, each ticket printed to a PDF; then the books as another
// workstation reads them, and `mervo-admin verify-ledgers` finds no difference.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "core/settings.h"
#include "shell/dialogs/finish_dialog.h"
#include "shell/dialogs/login_dialog.h"
#include "shell/dialogs/main_window.h"
#include "shell/dialogs/qt_main_host.h"
#include "shell/main_sequence.h"
#include "site/site_setup.h"
#include "support/pdf_text.h"
#include "support/qt_typing.h"
#include "support/run_process.h"
#include "support/seams.h"
#include "support/temp_dir.h"
#include "support/test_site.h"
#include "ticket_ui_helpers.h"
#include "weighing_fixture.h"
#include "ui/qt_print_destination.h"
#include "weighing/dialogs/ticket_dialog.h"

using namespace weighing;
using namespace tickettest;

namespace {

const std::string kAdmin = MERVO_BINARY_DIR "/app/mervo-admin";

// Runs `act` once the top modal widget is a W for which `ready` holds (polled on the event loop):
// the next step of the day runs inside that dialog's own event loop.
template <class W>
void whenShown(std::function<void(W*)> act, std::function<bool(W*)> ready = [](W*) { return true; })
{
    auto* timer = new QTimer();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act = std::move(act), ready = std::move(ready)] {
        auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
        if (!w || !ready(w))
            return;
        timer->stop();
        timer->deleteLater();
        act(w);
    });
    timer->start();
}

// The next truck prompt gets `truck` typed and OK pressed.
void whenTruckPrompt(const std::string& truck)
{
    whenShown<QDialog>(
        [truck](QDialog* prompt) {
            typeInto(prompt->findChild<ui::EntryField*>(), truck);
            for (QPushButton* b : prompt->findChildren<QPushButton*>())
                if (b->text() == QString::fromUtf8("&ตกลง"))
                    b->click();
        },
        [](QDialog* d) { return d->windowTitle() == QString::fromUtf8("  กรุณาระบุทะเบียนรถ"); });
}

struct Visit {
    int kind;
    const char* truck;
    const char* party;
    std::vector<std::pair<const char*, const char*>> codes;  // goods and grades
    long long in, out;
    const char* fee;         // kind 5
    const char* pdfTitle;    // the demo template's title of the complete ticket
};

const Visit kVisits[] = {
    {1, "70-1234", "F001", {{"cProduct", "P001"}, {"cWhouse", "W01"}, {"cUnit", "KG"}, {"cMoisture", "M20"}, {"cMixture", "X2"}},
     15000, 5000, nullptr, "ใบชั่งน้ำหนักรับซื้อสินค้า"},
    {2, "81-5678", "F002", {{"cProduct", "P002"}, {"cWhouse", "W01"}, {"cUnit", "KG"}}, 6480, 16480, nullptr,
     "ใบชั่งน้ำหนักส่งคืนสินค้า"},
    {3, "83-7788", "C001", {{"cProduct", "P003"}, {"cWhouse", "W02"}, {"cUnit", "KG"}, {"cQuality", "Q1"}}, 11980, 31980,
     nullptr, "ใบชั่งน้ำหนักขาย / ส่งสินค้า"},
    {4, "70-3456", "C002", {{"cProduct", "P001"}, {"cWhouse", "W01"}, {"cUnit", "KG"}, {"cQuality", "Q2"}}, 21000, 11000,
     nullptr, "ใบชั่งน้ำหนักรับคืนสินค้า"},
    {5, "82-9012", "C003", {}, 15600, 35600, "200", "ใบรับจ้างชั่งน้ำหนักรถบรรทุก"},
};

// mervo-scale-sim on a pseudo-terminal as indicator 1, showing `sent` for a minute at 50 frames a
// second in the frame format `format` ("" the port's default), started with `options` for it.
void weigh(TicketDialog& d, long long sent, TicketButton which, const char* format = "",
           std::vector<std::string> options = {})
{
    options.insert(options.begin(), {"--rate", "50", std::to_string(sent) + ":60s"});
    testsupport::ChildProcess indicator(MERVO_BINARY_DIR "/app/mervo-scale-sim", options);
    const std::string path = indicator.readLine(5000);
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    core::programSettings().setText("CCDEV1", path);
    core::programSettings().setText("CCFMT1", format);
    d.button(which)->click();
}

class TicketDemoDay : public ::testing::Test {
protected:
    void SetUp() override
    {
        site = dir.path() + "/demo";
        startDemoSite(site);
        core::programSettings().setText("CAUDITR", "Y");
    }
    void TearDown() override { core::programSettings().clear(); }

    testsupport::TempDir dir;
    std::string site;
    testsupport::RecordingPrompts prompts;
    testsupport::RecordingSound sound;
};

TEST_F(TicketDemoDay, FromTheLoginEveryKindWeighedPrintedAndThePurchaseEditedKeepsTheLedgersExact)
{
    // A dialog that never came would otherwise hold the test until ctest's limit.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        std::fprintf(stderr, "ticket dialogs: no progress within 150 s\n");
        std::_Exit(1);
    });
    watchdog.start(150 * 1000);
    std::vector<std::string> done;
    auto visit = [&](const Visit& v, TicketDialog* d) {
        SCOPED_TRACE(v.kind);
        ui::Form& form = d->form();
        // The dialog fits a small screen; kind 5 has no cheque part and no goods to price.
        testsupport::expectFitsSmallScreen(*d);
        EXPECT_EQ(d->button(TicketButton::Pay3) != nullptr, v.kind != 5);
        EXPECT_EQ(form.field("cCheque") != nullptr, v.kind != 5);
        EXPECT_EQ(form.field("cPrice") != nullptr, v.kind != 5);
        whenTruckPrompt(v.truck);
        d->button(TicketButton::Weigh)->click();
        ASSERT_EQ(d->screen().mode(), 1);
        typeInto(form.field(d->screen().kindInfo().partyValue), v.party);
        for (const auto& [field, code] : v.codes)
            typeInto(form.field(field), code);
        if (v.kind == 1) {
            weigh(*d, v.in, TicketButton::WeighIn, "toledo", {"--format", "toledo", "--checksum"});
            EXPECT_EQ(form.field("cWin")->text(), QStringLiteral("15,000"));
        } else {
            weigh(*d, v.in, TicketButton::WeighIn);
        }
        d->button(TicketButton::Save)->click();
        ASSERT_EQ(d->screen().mode(), 0);

        whenTruckPrompt(v.truck);
        d->button(TicketButton::Weigh)->click();
        ASSERT_EQ(d->screen().mode(), 2) << "the open ticket resumed";
        if (v.kind == 1) {
            weigh(*d, v.out * 100, TicketButton::WeighOut, "xk3190",
                  {"--format", "xk3190-equals", "--decimals", "2"});
            EXPECT_EQ(form.field("cWout")->text(), QStringLiteral("5,000"));
            EXPECT_EQ(form.field("cNet")->text(), QStringLiteral("10,000"));
        } else {
            weigh(*d, v.out, TicketButton::WeighOut);
        }
        if (v.fee)
            typeInto(form.field("cAmount"), v.fee);
        d->button(TicketButton::Pay2)->click();  // on account: the account ledger moves
        prompts.answers = {true};  // print the ticket
        d->button(TicketButton::Save)->click();
        ASSERT_EQ(d->screen().mode(), 0);

        if (v.kind == 1) {
            d->button(TicketButton::Edit)->click();
            ASSERT_EQ(d->screen().mode(), 3);
            typeInto(form.field("cAdj_W1"), "150");
            d->button(TicketButton::Pay2)->click();
            d->button(TicketButton::Save)->click();
            ASSERT_EQ(d->screen().mode(), 0);
        }
        done.push_back(std::to_string(v.kind));
        d->button(TicketButton::Exit)->click();
    };
    std::vector<std::string> printed;
    auto day = [&](shell::MainWindow* w) {
        // The program read its settings afresh at the start: the indicator on the simulators'
        // line again, the audit of edits on.
        useSimulatedIndicator(core::programSettings());
        core::programSettings().setText("CAUDITR", "Y");
        for (const Visit& v : kVisits) {
            const std::string pdf = dir.path() + "/kind" + std::to_string(v.kind) + ".pdf";
            ui::PdfPrintDestination destination(pdf);
            core::PrintDestination* previous = core::setPrintDestination(&destination);
            whenShown<TicketDialog>([&](TicketDialog* d) { visit(v, d); });
            w->menuAction(shell::Action(int(shell::Action::TRPROC1) + v.kind - 1))->trigger();
            core::setPrintDestination(previous);
            printed.push_back(testsupport::pdfText("-raw", pdf));
            EXPECT_NE(printed.back().find(v.pdfTitle), std::string::npos) << printed.back();
            EXPECT_NE(printed.back().find(v.truck), std::string::npos) << printed.back();
            prompts.shown.clear();
        }
        whenShown<shell::FinishDialog>([](shell::FinishDialog* finish) { finish->okButton()->click(); });
        w->menuAction(shell::Action::Exit)->trigger();
    };

    shell::Dispatcher dispatcher;
    registerTicketActions(dispatcher);
    shell::QtMainHost host(dispatcher);
    testsupport::whenModal([&](QWidget* modal) {
        auto* login = qobject_cast<shell::LoginDialog*>(modal);
        ASSERT_NE(login, nullptr);
        login->codeField()->setFocus();
        testsupport::typeUtf8(login->codeField(), "admin");
        testsupport::tabAway(login->codeField());
        login->passwordField()->setFocus();
        testsupport::typeUtf8(login->passwordField(), site::kDemoPassword);
        auto* started = new QTimer();
        started->setInterval(5);
        QObject::connect(started, &QTimer::timeout, started, [&, started] {
            shell::MainWindow* w = host.mainWindow();
            if (!w || !w->isVisible())
                return;
            started->stop();
            started->deleteLater();
            day(w);
        });
        started->start();
        login->okButton()->click();
    });
    // The program starts in the site's folder: its configuration names the folders relative to it.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(site);
    EXPECT_EQ(shell::MAIN(host, site::kConfigFile), 0);
    std::filesystem::current_path(before);
    EXPECT_EQ(done, (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    // What a ticket's PDF holds is the print command's test; here each kind printed its own ticket.
    ASSERT_EQ(printed.size(), std::size(kVisits));

    // Read back as another workstation: the purchase ticket edited (150 kg typed over the 300
    // the moisture grade M20 deducts from 10 tons; the 200 of impurity grade X2 stays), on
    // account, by the user who logged in, printed once.
    const auto rows = testsupport::readRows(site, "Wdata1");
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(weighingtest::fieldsOf(rows[0], "TRUCK STAFF WIN WOUT ADJ_W1 ADJ_W2 QTY"),
              "70-1234 ADMIN 15000 5000 150 200 9650");
    // 12.50 a kilogram, less the grades' 100 + 50 baht a ton of net weight.
    EXPECT_EQ(weighingtest::fieldsOf(rows[0], "AMOUNT DRCR CASH PRINT"), "119125 119125 0 1");
    EXPECT_FALSE(rows[0].deleted);
    const auto audit = testsupport::runProcess(kAdmin, {"dump", site + "/DATA/AUDIT.DBF"});
    ASSERT_EQ(audit.exitCode, 0) << audit.err;
    for (const char* row : {"TRK01-000001", "150.00"})
        EXPECT_NE(audit.out.find(row), std::string::npos) << row << "\n" << audit.out;

    const auto verified = testsupport::runProcess(kAdmin, {"verify-ledgers", site + "/MERVO.INI"});
    EXPECT_EQ(verified.exitCode, 0) << verified.out << verified.err;
    for (const std::string& line : testsupport::lines(verified.out)) {
        if (line.find("difference") != std::string::npos) {
            EXPECT_NE(line.find(" 0 differences"), std::string::npos) << verified.out;
        }
    }
}

}  // namespace
