#include "demo_steps.h"

#include "accounts/status_demo.h"
#include "reports/demo_reports.h"
#include "weighing/demo_templates.h"

#ifdef MERVO_SHELL_DEMO
#include "shell/demo_content.h"
#include "weighing/dialogs/tool_pictures.h"
#endif

namespace admin {

std::vector<site::DemoStep> demoSteps()
{
    // Codes first: later steps may refer to them.
    std::vector<site::DemoStep> steps(site::codeTableDemoSteps().begin(), site::codeTableDemoSteps().end());
    // Further steps, one line each: steps.push_back({"name", function});
    steps.push_back({"print templates", [](const site::Site& newSite, std::string* error) {
                         return weighing::writeDemoTemplates(newSite.folder("CDRV1"), error);
                     }});
    steps.push_back({"purchase orders", [](const site::Site& newSite, std::string* error) {
                         return accounts::writeDemoOrders(newSite.folder("CDRV2"), error);
                     }});
    steps.push_back({"report definitions", [](const site::Site& newSite, std::string* error) {
                         return reports::writeDemoReports(newSite.folder("CDRV1"), error);
                     }});
#ifdef MERVO_SHELL_DEMO
    steps.push_back({"main window pictures and sounds", shell::shellDemoStep});
    steps.push_back({"ticket screen tool bar pictures", weighing::toolPicturesDemoStep});
#endif
    return steps;
}

}  // namespace admin
