// mervo: the weighbridge program. The first argument names the configuration file (default
// .\MERVO.INI); the program is started from the site's folder, whose settings name the other
// folders relative to it.
//
// MERVO_EXIT_AT_LOGIN=1 in the environment makes it print "login shown" and end as soon as the
// login dialog has painted (the start-up benchmark measures that).
#include <QApplication>
#include <QEvent>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <unistd.h>

#include "accounts/dialogs/status_dialogs.h"
#include "accounts/dialogs/voucher_dialogs.h"
#include "audit/dialogs/audit_dialog.h"
#include "codes/dialogs/code_screens.h"
#include "core/identity.h"
#include "core/prompts.h"
#include "core/sound.h"
#include "errors/error_dialog.h"
#include "errors/error_trap.h"
#include "maintenance/dialogs/maintenance_dialogs.h"
#include "reports/dialogs/report_dialogs.h"
#include "shell/dialogs/login_dialog.h"
#include "shell/dialogs/qt_main_host.h"
#include "shell/main_sequence.h"
#include "shell/menu.h"
#include "ui/alsa_sound.h"
#include "weighing/evidence.h"
#include "weighing/evidence_log.h"
#include "ui/message_box.h"
#include "ui/qt_print_destination.h"
#include "ui/widgets.h"
#include "weighing/dialogs/ticket_dialog.h"

namespace {

class ExitAtLogin final : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && qobject_cast<shell::LoginDialog*>(watched)) {
            std::fputs("login shown\n", stdout);
            std::fflush(stdout);
            ::_exit(0);
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("%s\n", weighing::evidence::programIdentity("mervo").c_str());
        return 0;
    }
    core::setIdentitySource([] { return weighing::evidence::programIdentityLine("mervo"); });
    QApplication app(argc, argv);
    ExitAtLogin probe;
    if (qEnvironmentVariableIntValue("MERVO_EXIT_AT_LOGIN") == 1)
        app.installEventFilter(&probe);

    ui::QtPrompts prompts;
    core::setPrompts(&prompts);
    ui::AlsaSound sound;
    core::setSound(&sound);
    ui::installIdleHook();
    // The ticket screens record every weight and save in the site's EVIDENCE.DBF.
    weighing::setEvidenceLog(&weighing::fileEvidenceLog());

    // ERRORSYS, before anything else runs.
    errors::QtErrorDialog errorDialog;
    errors::ErrorTrap trap(errorDialog, errors::programEnvironment());

    // The operations of later parts register their commands here; the main window registers its
    // own, and every other command says it is not available yet.
    shell::Dispatcher dispatcher;
    codes::registerCodeActions(dispatcher);
    audit::registerAuditActions(dispatcher);
    // File maintenance (menu group 6 and the second button): reindex, backup, purge, restore.
    maintenance::registerMaintenanceActions(dispatcher);
    // The status ledgers and purchase orders (menu group 3): EDITPROC1 .. EDITPROC4.
    accounts::registerStatusActions(dispatcher);
    // The five weighing ticket screens (menu group 1 and the main picture): TRPROC1 .. TRPROC5.
    weighing::registerTicketActions(dispatcher);
    // The reports (menu "รายงานต่างๆ", the first button and the main picture): REPORT.
    reports::registerReportActions(dispatcher);
    // Money vouchers and production records (menu group 2 and the main picture): MNPROC1 ..
    // MNPROC4, SKPROC1.
    accounts::registerVoucherActions(dispatcher);
    // Tickets, vouchers and production records print through the printer rules with a preview.
    ui::QtPrintDestination printDestination;
    core::setPrintDestination(&printDestination);
    shell::QtMainHost host(dispatcher);
    const int code = shell::MAIN(host, argc > 1 ? std::string_view(argv[1]) : std::string_view());
    core::setPrintDestination(nullptr);
    weighing::setEvidenceLog(nullptr);
    core::setSound(nullptr);
    core::setPrompts(nullptr);
    return code;
}
