#include "ticket_ui_helpers.h"

#include <QApplication>
#include <gtest/gtest.h>

#include "shell/startup.h"
#include "site/tool_pictures.h"
#include "support/qt_typing.h"
#include "support/run_process.h"

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

}  // namespace tickettest
