// print CONFIG FORM NUMBER --pdf FILE [--user CODE]: one stored document printed to a PDF through
// the program's own template printing, counted and (from the second print on) audited as the
// screens do it.
#include <iostream>

#include "command_line.h"
#include "site_start.h"

#ifdef MERVO_PRINT
#include <QApplication>

#include "audit/audit.h"
#include "core/fault.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/ops.h"
#include "ui/qt_print_destination.h"
#include "weighing/doc_print.h"
#ifdef MERVO_TICKET_VALUES
#include "weighing/ticket_values.h"
#endif
#endif

namespace admin {

#ifdef MERVO_PRINT
namespace {

using core::tis620::T;

// What a form name prints: "Ticket"/"Print" + kind + state a weighing ticket of "Wdata" + kind,
// "Money" + n a voucher (1 and 2 with their lines), "Stock1" a production record with its lines.
struct FormTarget {
    std::string form;    // the name as the program spells it: "Ticket12", "Money1"
    int ticketKind = 0;  // 1..5 for tickets
    std::string table;   // the document table
    std::string lines;   // its detail table, or empty
    std::string party;   // the code table of the counterpart (COMPANY), or empty
    bool supplier = false;
};

bool formTarget(const std::string& form, FormTarget* out)
{
    const std::string upper = core::xbase::upper(form);
    const auto digit = [&](std::size_t i) { return i < upper.size() && upper[i] >= '0' && upper[i] <= '9' ? upper[i] - '0' : -1; };
    for (const std::string stem : {"TICKET", "PRINT"}) {
        const std::size_t n = stem.size();
        if (upper.size() == n + 2 && upper.compare(0, n, stem) == 0 && digit(n) >= 1 && digit(n) <= 5 &&
            (digit(n + 1) == 1 || digit(n + 1) == 2)) {
            out->form = (n == 6 ? "Ticket" : "Print") + upper.substr(n);
            out->ticketKind = digit(n);
            out->table = "Wdata" + std::to_string(digit(n));
            out->party = digit(n) <= 2 ? "Farmer" : "Company";
            out->supplier = digit(n) <= 2;
            return true;
        }
    }
    if (upper.size() == 6 && upper.compare(0, 5, "MONEY") == 0 && digit(5) >= 1 && digit(5) <= 4) {
        const int n = digit(5);
        out->form = "Money" + upper.substr(5);
        out->table = "Money" + std::to_string(n);
        out->lines = n <= 2 ? "Detail" + std::to_string(n) : std::string();
        out->supplier = n == 1 || n == 3;
        out->party = out->supplier ? "Farmer" : "Company";
        return true;
    }
    if (upper == "STOCK1") {
        out->form = "Stock1";
        out->table = "Stock1";
        out->lines = "Detail3";
        return true;
    }
    return false;
}

bool openTable(storage::Workspace& ws, const std::string& folder, const std::string& name, const std::string& alias)
{
    const storage::TableDef* def = storage::findTable(name);
    return def && storage::OPEN(ws, folder, name, def->indexes[0].key, false, T(def->openTitle),
                                def->indexes[0].file, alias);
}

// The document's tables as its screen opens them, the counterpart's code table following it.
bool openDocumentTables(storage::Workspace& ws, const FormTarget& target)
{
#ifdef MERVO_TICKET_VALUES
    if (target.ticketKind)
        return weighing::openTicketTables(target.ticketKind, ws);
#endif
    const std::string cdrv1 = core::programSettings().text("CDRV1");
    const std::string cdrv2 = core::programSettings().text("CDRV2");
    // The code tables a ticket's template may name, each following its field.
    std::vector<std::pair<std::string, std::string>> codes;
    if (!target.party.empty())
        codes.push_back({target.party, "COMPANY"});
    if (target.ticketKind)
        codes.insert(codes.end(), {{"Product", "PRODUCT"}, {"WHouse", "WHOUSE"}, {"Unit", "UNIT"},
                                   {"Moisture", "MOISTURE"}, {"Mixture", "MIXTURE"}, {"Quality", "QUALITY"},
                                   {"TruckDt", "TRUCK"}});
    bool ok = true;
    for (const auto& code : codes)
        ok = ok && openTable(ws, cdrv1, code.first, code.first);
    ok = ok && audit::openAudit(ws, cdrv2, false);
    if (ok && !target.lines.empty())
        ok = openTable(ws, cdrv2, target.lines, "detail");
    if (ok)
        ok = target.ticketKind ? storage::OPENTRK(ws, cdrv2, target.table, "wdata")
                               : openTable(ws, cdrv2, target.table, "wdata");
    for (const auto& code : codes)
        ok = ok && ws.setRelation("wdata", code.first, code.second).ok();
    (void)ws.select("wdata");
    return ok;
}

// The screen values of a document: every field F of it as cF (cTicket, cDate, cAmount ...), the
// counterpart's code as cFarmer or cCompany and its name as cFarName or cComName.
void documentValues(storage::Workspace& ws, const FormTarget& target, core::ValueMap& values)
{
#ifdef MERVO_TICKET_VALUES
    if (target.ticketKind) {
        weighing::loadTicketValuesCalculated(target.ticketKind, ws, values);
        return;
    }
#endif
    storage::Table& doc = *ws.find("wdata");
    core::Value v;
    for (const auto& f : doc.layout().fields())
        if (doc.get(f.name, &v).ok())
            values.set("c" + f.name, v);
    if (target.party.empty())
        return;
    (void)doc.get("COMPANY", &v);
    values.set(target.supplier ? "cFarmer" : "cCompany", v);
    core::Value name = core::Value::text("");
    if (storage::Table* party = ws.find(target.party); party && party->found())
        (void)party->get("NAME", &name);
    values.set(target.supplier ? "cFarName" : "cComName", name);
}

// What the print tells a person, on stderr as "message TITLE: TEXT": its messages, and its faults
// under the print's own title. Questions are answered No; a fault Default where it allows that (the
// line is left out), else Quit (the print stops). Installed for its lifetime.
class PrintReport final : public core::Prompts, public core::FaultHandler {
public:
    PrintReport() : m_prompts(core::setPrompts(this)), m_faults(core::setFaultHandler(this)) {}
    ~PrintReport() override
    {
        core::setFaultHandler(m_faults);
        core::setPrompts(m_prompts);
    }
    PrintReport(const PrintReport&) = delete;
    PrintReport& operator=(const PrintReport&) = delete;

    void message(core::MessageKind, const std::string& text, const std::string& title) override
    {
        std::cerr << "message " << core::tis620::toUtf8(core::xbase::alltrim(title)) << ": "
                  << core::tis620::toUtf8(text) << '\n';
    }
    bool confirm(const std::string& text, const std::string& title) override
    {
        message(core::MessageKind::Info, text, title);
        return false;
    }
    core::FaultAnswer handle(const core::Fault& fault) override
    {
        ++faults;
        message(core::MessageKind::Alert, core::errorMessage(fault), T("  ส่วนการพิมพ์เอกสาร"));
        return fault.canDefault ? core::FaultAnswer::Default : core::FaultAnswer::Quit;
    }

    int faults = 0;

private:
    core::Prompts* m_prompts;
    core::FaultHandler* m_faults;
};

// Puts "wdata" on the document numbered `number` (its TICKET); false when there is none. The
// numbers are read through a handle of their own, so the code tables following "wdata" move once.
bool findDocument(storage::Workspace& ws, const std::string& number)
{
    storage::Table& doc = *ws.find("wdata");
    std::unique_ptr<storage::Table> scan;
    if (!storage::Table::open(doc.path(), storage::ShareMode::Shared, &scan).ok())
        return false;
    const int field = scan->fieldIndex("TICKET");
    const std::uint32_t count = scan->recCount();
    for (std::uint32_t r = 1; r <= count && field >= 0; ++r) {
        std::string_view ticket;
        if (scan->goTo(r).ok() && scan->raw(field, &ticket).ok() && core::xbase::rtrimView(ticket) == number)
            return doc.goTo(r).ok();
    }
    return false;
}

}  // namespace
#endif

// Exit codes: 0 printed; 1 the site refused (a table could not be opened, no such document, the
// document is marked deleted, no template, the work table is busy, the PDF could not be written),
// a template fault stopped the print or left a line out, or the print count could not be stored;
// 2 bad arguments, an unknown form name or a missing configuration file.
int cmdPrint(const Args& args)
{
    std::string config, form, given, pdf, user;
    CommandLine line("print", "print CONFIG FORM NUMBER --pdf FILE [--user CODE]");
    line.positional("CONFIG", &config, "the site's configuration file", Need::Required);
    line.positional("FORM", &form, "Ticket11..Ticket52, Print11..Print52, Money1..Money4, Stock1", Need::Required);
    line.positional("NUMBER", &given, "the document's number, up to six digits", Need::Required);
    line.value("--pdf", &pdf, "the PDF to write", Need::Required);
    line.value("--user", &user, "the user printing (default the first with full rights)");
    if (const auto code = line.parse(args))
        return *code;
    if (pdf.empty())
        return line.refuse();
#ifndef MERVO_PRINT
    std::cerr << "mervo-admin print: this build has no printing (built without the Qt parts)\n";
    return 2;
#else
    FormTarget target;
    if (!formTarget(form, &target)) {
        std::cerr << "mervo-admin print: " << form << ": not a form name (Ticket11..Ticket52, Print11..Print52, "
                  << "Money1..Money4, Stock1)\n";
        return 2;
    }
    std::string number = core::xbase::alltrim(given);
    if (number.empty() || number.size() > 6 || number.find_first_not_of("0123456789") != std::string::npos) {
        std::cerr << "mervo-admin print: " << number << ": not a document number (up to six digits)\n";
        return 2;
    }
    number = storage::ZERO(std::stod(number), 6);
    pdf = absolutePath(pdf);
    std::string error;
    if (!startSite(config, &error)) {
        std::cerr << "mervo-admin print: " << error << '\n';
        return 2;
    }
    useHeadlessQt();
    int argc = 1;
    char name[] = "mervo-admin";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    PrintReport report;
    core::Settings& settings = core::programSettings();
    if (user.empty())
        user = fullRightsUser();
    settings.setText("CUSER", core::xbase::upper(core::tis620::fromUtf8(user)));
    // The file is the destination: no preview.
    settings.setText("CPRINTER", "N");

    storage::Workspace ws;
    if (!openDocumentTables(ws, target))
        return 1;
    if (!findDocument(ws, number)) {
        std::cerr << "mervo-admin print: " << target.table << ": no document " << number << '\n';
        return 1;
    }
    core::ValueMap values;
    documentValues(ws, target, values);

    ui::PdfPrintDestination destination(pdf);
    core::PrintDestination* previous = core::setPrintDestination(&destination);
    const weighing::PrintResult result = weighing::PROPRN(ws, values, target.form, !target.lines.empty());
    core::setPrintDestination(previous);
    if (result != weighing::PrintResult::Printed && result != weighing::PrintResult::NotCounted) {
        if (result == weighing::PrintResult::NoPrinter)
            std::cerr << "mervo-admin print: " << pdf << ": cannot be written\n";
        return 1;
    }
    core::Value count;
    (void)ws.find("wdata")->get("PRINT", &count);
    std::cout << target.form << ' ' << number << " printed to " << pdf << " (print " << int(count.asNumber()) << ")\n";
    return result == weighing::PrintResult::Printed && report.faults == 0 ? 0 : 1;
#endif
}

}  // namespace admin
