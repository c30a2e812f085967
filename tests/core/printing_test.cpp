// Where a print goes (printer, preview, PDF file) and which calculator and text editor this machine
// offers, from the environment and the PATH, without a window.
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>

#include "core/platform_programs.h"
#include "core/print_output.h"
#include "core/printer_choice.h"
#include "core/tis620.h"
#include "support/scripted_printers.h"
#include "support/seams.h"

namespace {

using core::tis620::T;

// The printer of a kind: the exact name, then one containing it, then none; a document without its
// printer is always previewed.
TEST(PrinterChoice, ExactNameThenContainedThenNoneAndThePlan)
{
    struct Case {
        const char* wanted;
        std::vector<std::string> installed;
        std::optional<std::string> found;
    } cases[] = {
        {"Report", {"Report Room", "report"}, "report"},
        {"Ticket", {"Laser", "EPSON ticket LQ", "ticket2"}, "EPSON ticket LQ"},
        {"Report", {"Laser", "Ticket"}, std::nullopt},
        {"", {"Laser"}, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(core::findPrinter(c.wanted, c.installed), c.found) << c.wanted;

    struct Plan {
        const char* kind;
        std::vector<std::string> installed;
        bool previewSetting;
        std::optional<std::string> printer;
        bool preview;
    };
    const Plan plans[] = {
        {"Ticket", {"Laser", "TICKET"}, true, "TICKET", true},
        {"Ticket", {"Laser", "TICKET"}, false, "TICKET", false},  // "Printer" N: straight to it
        {"Ticket", {"Laser"}, false, std::nullopt, true},  // the person chooses, in the preview
        {"Report", {}, true, std::nullopt, true},
    };
    for (const Plan& c : plans) {
        const core::PrintPlan plan = core::planPrint(c.kind, c.installed, c.previewSetting);
        EXPECT_EQ(plan.printer, c.printer) << c.kind << " " << c.installed.size();
        EXPECT_EQ(plan.preview, c.preview) << c.kind << " " << c.installed.size();
    }
}

TEST(PrinterChoice, WithoutAMatchThePersonChoosesEachTimeAfterABeep)
{
    testsupport::ScriptedPrinters printers({"Laser"}, "Laser");
    testsupport::RecordingSound sound;
    EXPECT_EQ(core::choosePrinter(printers, "Ticket", "doc"), "Laser");
    EXPECT_EQ(core::choosePrinter(printers, "Ticket", "doc"), "Laser");
    EXPECT_EQ(printers.titles.size(), 2u);
    EXPECT_EQ(sound.tones.size(), 2u);
    printers.answer.reset();
    EXPECT_EQ(core::choosePrinter(printers, "Ticket", "doc"), std::nullopt) << "cancelled";

    printers.list = {"Ticket"};
    EXPECT_EQ(core::choosePrinter(printers, "Ticket", "doc"), "Ticket");
    EXPECT_EQ(printers.titles.size(), 3u) << "no question when the rule finds one";
}

// The file is named by kind and time, a taken name gets a number, and the messages say where it went.
TEST(PdfOutput, NamesAndMessages)
{
    const core::Date day = core::Date::fromYmd(2026, 12, 6);
    struct Case {
        const char* kind;
        std::int64_t hundredths;
        const char* name;
    };
    const Case cases[] = {
        {"Ticket", 13 * 360000 + 45 * 6000 + 1 * 100 + 99, "Ticket-20261206-134501.pdf"},
        {"Audit", 8639999, "Audit-20261206-235959.pdf"},
        {"", 100, "Document-20261206-000001.pdf"},
        {"../etc", 100, "Document-20261206-000001.pdf"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(core::pdfFileName(c.kind, day, c.hundredths), c.name) << c.kind;

    std::set<std::string> files;
    const auto taken = [&files](const std::string& p) { return files.count(p) > 0; };
    EXPECT_EQ(core::freePdfPath("site/PDF", "T-1.pdf", taken), "site/PDF/T-1.pdf");
    files = {"site/PDF/T-1.pdf", "site/PDF/T-1-2.pdf"};
    EXPECT_EQ(core::freePdfPath("site/PDF/", "T-1.pdf", taken), "site/PDF/T-1-3.pdf");
    EXPECT_EQ(core::pdfFailedMessage("/x.pdf"), T("ไม่สามารถบันทึกไฟล์ PDF ที่ /x.pdf ได้ !"));
    EXPECT_EQ(core::printFailedMessage("Laser"), T("ไม่สามารถพิมพ์ที่เครื่องพิมพ์ Laser ได้ !"));
}

// A command as one line: the program, then its arguments; "-" for none.
std::string shown(const std::optional<core::ProgramCommand>& c)
{
    std::string out = c ? c->program : "-";
    for (const std::string& a : c ? c->arguments : std::vector<std::string>{})
        out += " " + a;
    return out;
}

TEST(PlatformPrograms, WhatThisMachineOffers)
{
    struct Case {
        std::map<std::string, std::string> env;
        std::vector<std::string> installed;
        std::string file;
        const char* calc;
        const char* editor;
    };
    const Case cases[] = {
        {{}, {}, "", "-", "-"},
        {{}, {"xdg-open"}, "error.log", "-", "xdg-open error.log"},
        {{}, {"xcalc", "galculator", "mousepad"}, "", "galculator", "mousepad"},
        {{{"VISUAL", "code -w"}}, {"code", "gedit"}, "a.txt", "-", "code -w a.txt"},
        {{{"EDITOR", "nano"}}, {"nano", "x-terminal-emulator"}, "a.txt", "-",
         "x-terminal-emulator -e nano a.txt"},
    };
    for (const Case& c : cases) {
        core::PlatformLookup lookup;
        lookup.environment = [&](const char* v) { return c.env.count(v) ? c.env.at(v) : std::string(); };
        lookup.onPath = [&](const std::string& p) {
            return std::find(c.installed.begin(), c.installed.end(), p) != c.installed.end();
        };
        EXPECT_EQ(shown(core::calculatorCommand(lookup)), c.calc) << c.editor;
        EXPECT_EQ(shown(core::editorCommand(lookup, c.file)), c.editor);
    }
}

}  // namespace
