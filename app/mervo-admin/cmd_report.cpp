// report CONFIG CODE --pdf FILE [--from DD/MM/YYYY] [--to DD/MM/YYYY] [--range NAME=FROM:TO]...
// [--user CODE]: one report of the site run to a PDF through the same engine as the menu's
// REPORT, with the range dialog's defaults for every range not given - for schedulers and tests.
#include <iostream>

#include "command_line.h"
#include "site_start.h"

#ifdef MERVO_PRINT
#include <QApplication>

#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "maintenance_cli.h"
#include "reports/report.h"
#include "storage/ops.h"
#include "ui/qt_print_destination.h"
#endif

namespace admin {

#ifdef MERVO_PRINT
namespace {

struct Range {
    std::string name, from, to;  // UTF-8 as given; an empty side keeps the default
};

std::string rangeNames(const std::vector<reports::RangeDef>& defs)
{
    std::string names;
    for (const reports::RangeDef& d : defs)
        names += (names.empty() ? "" : ", ") + std::string(d.option);
    return names.empty() ? "none" : names;
}

// One side of a range given on the command line, as the range's entry would hold it. False with
// the reason when it does not fit the entry.
bool rangeValue(const reports::RangeDef& def, const std::string& text, core::Value* out, std::string* why)
{
    switch (def.kind) {
    case reports::RangeDef::Kind::Code: {
        const std::string code = core::xbase::upper(core::tis620::fromUtf8(text));
        if (code.size() > 10 || code.find('?') != std::string::npos) {
            *why = "a code has at most 10 characters TIS-620 can hold";
            return false;
        }
        *out = core::Value::text(core::xbase::padRight(code, 10));
        return true;
    }
    case reports::RangeDef::Kind::Number:
        if (text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) {
            *why = "a document number has up to six digits";
            return false;
        }
        *out = core::Value::text(storage::ZERO(std::stod(text), 6));
        return true;
    case reports::RangeDef::Kind::Date: {
        const auto d = parseDate(text);
        if (!d) {
            *why = "a date is DD/MM/YYYY";
            return false;
        }
        *out = core::Value::date(*d);
        return true;
    }
    }
    return false;
}

}  // namespace
#endif

// Exit codes: 0 printed; 1 the site refused or there was nothing to print (no such report in
// "RepList", no definition, an incomplete definition, a table missing or held by another
// workstation, no data in the ranges, the PDF could not be written); 2 bad arguments (also a
// range the report does not ask for) or a missing configuration file.
int cmdReport(const Args& args)
{
    std::string config, reportCode, pdf, user, from, to;
    std::vector<std::string> ranges;
    CommandLine line("report", "report CONFIG CODE --pdf FILE [--from DD/MM/YYYY] [--to DD/MM/YYYY] "
                               "[--range NAME=FROM:TO]... [--user CODE]");
    line.positional("CONFIG", &config, "the site's configuration file", Need::Required);
    line.positional("CODE", &reportCode, "the report's code in the report list", Need::Required);
    line.value("--pdf", &pdf, "the PDF to write", Need::Required);
    line.value("--from", &from, "the first date (default today)");
    line.value("--to", &to, "the last date (default today)");
    line.values("--range", &ranges, "another range by its name; either side may be empty");
    line.value("--user", &user, "the user running it (default the first with full rights)");
    if (const auto code = line.parse(args))
        return *code;
    if (pdf.empty())
        return line.refuse();
#ifndef MERVO_PRINT
    std::cerr << "mervo-admin report: this build has no printing (built without the Qt parts)\n";
    return 2;
#else
    std::vector<Range> given;
    for (const std::string& r : ranges) {
        const auto eq = r.find('='), colon = r.find(':', r.find('=') + 1);
        if (eq == std::string::npos || eq == 0 || colon == std::string::npos) {
            std::cerr << "mervo-admin report: --range " << r << ": not NAME=FROM:TO\n";
            return 2;
        }
        given.push_back({r.substr(0, eq), r.substr(eq + 1, colon - eq - 1), r.substr(colon + 1)});
    }
    if (!from.empty() || !to.empty())
        given.push_back({"date", from, to});
    const std::string code = core::xbase::upper(core::tis620::fromUtf8(reportCode));
    pdf = absolutePath(pdf);
    std::string error;
    if (!startSite(config, &error)) {
        std::cerr << "mervo-admin report: " << error << '\n';
        return 2;
    }
    useHeadlessQt();
    int argc = 1;
    char name[] = "mervo-admin";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    PrintingPrompts prompts(false, false);
    PrintingFaults faults;
    core::Settings& settings = core::programSettings();
    if (user.empty())
        user = fullRightsUser();
    settings.setText("CUSER", core::xbase::upper(core::tis620::fromUtf8(user)));
    // The file is the destination: no preview.
    settings.setText("CPRINTER", "N");

    const std::optional<std::string> reportName = reports::reportName(code);
    if (!reportName) {
        std::cerr << "mervo-admin report: no report " << reportCode << " in the report list\n";
        return 1;
    }
    storage::Workspace ws;
    reports::ReportSession session(ws);
    if (!session.load(code, *reportName))
        return 1;
    if (!session.openForm()) {
        if (session.form() == 0)
            std::cerr << "mervo-admin report: " << reportCode << ": the definition's form is not 1 to 7\n";
        return 1;
    }
    for (const Range& r : given) {
        const reports::RangeDef* def = nullptr;
        for (const reports::RangeDef& d : session.ranges())
            if (core::xbase::equalsNoCase(d.option, r.name))
                def = &d;
        if (!def) {
            std::cerr << "mervo-admin report: " << reportCode << " has no range " << r.name
                      << " (its ranges: " << rangeNames(session.ranges()) << ")\n";
            return 2;
        }
        for (const auto& [text, target] : {std::pair{r.from, def->from}, std::pair{r.to, def->to}}) {
            if (text.empty())
                continue;
            core::Value v;
            std::string why;
            if (!rangeValue(*def, text, &v, &why)) {
                std::cerr << "mervo-admin report: " << r.name << " " << text << ": " << why << '\n';
                return 2;
            }
            session.values().set(target, v);
        }
    }

    ui::PdfPrintDestination destination(pdf);
    const reports::ReportOutcome outcome = session.REPCREA(destination);
    switch (outcome) {
    case reports::ReportOutcome::Printed:
        std::cout << code << " printed to " << pdf << " (" << session.pages() << (session.pages() == 1 ? " page" : " pages")
                  << ")\n";
        return 0;
    case reports::ReportOutcome::NoPrinter:
        std::cerr << "mervo-admin report: " << pdf << ": cannot be written\n";
        return 1;
    default:
        return 1;
    }
#endif
}

}  // namespace admin
