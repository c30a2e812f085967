#include "ticket_ui_helpers.h"

#include <QAbstractButton>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "shell/startup.h"
#include "site/tool_pictures.h"
#include "support/qt_typing.h"

namespace tickettest {

void addToolPictures(const std::string& tables)
{
    std::string error;
    ASSERT_TRUE(site::writeToolPictures(tables + "library", &error)) << error;
}

void useSimulatedIndicator(core::Settings& s)
{
    for (const auto& [name, value] : {std::pair{"CCPORT", "1"}, {"CCPORT1", "09600,E,7,1,002,005,005"}, {"CSTABLE", "3"},
                                      {"NINTERV", "50"}, {"CZEROW", "0"}, {"CWREAD", "1"}, {"CMINUS", "0"}})
        s.setText(name, value);
}

void startDemoSite(const std::string& site)
{
    const auto made = testsupport::runProcess(MERVO_BINARY_DIR "/app/mervo-admin", {"init", site, "--demo", "--no-week"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    core::Settings& s = core::programSettings();
    s.clear();
    shell::startUp(s, site + "/MERVO.INI");
    s.setText("CDRV1", site + "/TABLES/");
    s.setText("CDRV2", site + "/DATA/");
    s.setText("CDRV4", site + "/WORK/");
    s.setText("CUSER", "ADMIN");
    useSimulatedIndicator(s);
}

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

void typeInto(ui::EntryField* f, const std::string& utf8)
{
    QWidget* window = f->window();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    f->setFocus();
    testsupport::settle();
    f->selectAll();
    testsupport::typeUtf8(f, utf8);
    testsupport::tabAway(f);
}

Indicator::Indicator(long long weight, std::vector<std::string> options)
    : process(MERVO_BINARY_DIR "/app/mervo-scale-sim",
              [&] {
                  options.insert(options.begin(), {"--rate", "50", std::to_string(weight) + ":60s"});
                  return options;
              }()),
      path(process.readLine(5000))
{
}

Watchdog::Watchdog(int seconds)
{
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, [seconds] {
        std::fprintf(stderr, "ticket dialogs: no progress within %d s\n", seconds);
        std::_Exit(1);
    });
    m_timer.start(seconds * 1000);
}

}  // namespace tickettest
