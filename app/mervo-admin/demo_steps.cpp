#include "demo_steps.h"

#include "demo_week.h"
#include "site/demo_orders.h"
#include "site/demo_reports.h"
#include "site/demo_templates.h"

#ifdef MERVO_SITE_DEMO
#include "site/demo_content.h"
#include "site/tool_pictures.h"
#endif

namespace admin {

std::vector<site::DemoStep> demoSteps(bool withWeek)
{
    // Codes first: later steps may refer to them.
    std::vector<site::DemoStep> steps(site::codeTableDemoSteps().begin(), site::codeTableDemoSteps().end());
    // Further steps, one line each: steps.push_back({"name", function});
    steps.push_back({"print templates", [](const site::Site& newSite, std::string* error) {
                         return site::writeDemoTemplates(newSite.folder("CDRV1"), error);
                     }});
    steps.push_back({"purchase orders", [](const site::Site& newSite, std::string* error) {
                         return site::writeDemoOrders(newSite.folder("CDRV2"), error);
                     }});
    steps.push_back({"report definitions", [](const site::Site& newSite, std::string* error) {
                         return site::writeDemoReports(newSite.folder("CDRV1"), error);
                     }});
#ifdef MERVO_SITE_DEMO
    steps.push_back({"main window pictures and sounds", site::shellDemoStep});
    steps.push_back({"ticket screen tool bar pictures", site::toolPicturesDemoStep});
#endif
    // Last: it weighs with every code, template and setting of the demo in place.
    if (withWeek)
        steps.push_back({"a week of weighings", weighDemoWeek});
    return steps;
}

}  // namespace admin
