// Where a print goes and where a PDF saved from the preview lands, without a window.
#include "core/print_output.h"

#include <gtest/gtest.h>
#include <set>

#include "core/tis620.h"

namespace {

using core::tis620::T;

TEST(PrintPlan, ADocumentWithoutItsPrinterIsAlwaysPreviewed)
{
    struct Case {
        const char* kind;
        std::vector<std::string> installed;
        bool previewSetting;
        std::optional<std::string> printer;
        bool preview;
    };
    const Case cases[] = {
        {"Ticket", {"Laser", "TICKET"}, true, "TICKET", true},
        {"Ticket", {"Laser", "TICKET"}, false, "TICKET", false},  // "Printer" N: straight to it
        {"Ticket", {"Epson-Ticket-1"}, false, "Epson-Ticket-1", false},
        {"Ticket", {"Laser"}, false, std::nullopt, true},  // the person chooses, in the preview
        {"Ticket", {}, false, std::nullopt, true},
        {"Report", {}, true, std::nullopt, true},
    };
    for (const Case& c : cases) {
        const core::PrintPlan plan = core::planPrint(c.kind, c.installed, c.previewSetting);
        EXPECT_EQ(plan.printer, c.printer) << c.kind << " " << c.installed.size();
        EXPECT_EQ(plan.preview, c.preview) << c.kind << " " << c.installed.size();
    }
}

TEST(PdfOutput, NamesTheFileByKindAndTime)
{
    const core::Date day = core::Date::fromYmd(2026, 12, 6);
    struct Case {
        const char* kind;
        std::int64_t hundredths;
        const char* name;
    };
    const Case cases[] = {
        {"Ticket", 13 * 360000 + 45 * 6000 + 1 * 100 + 99, "Ticket-20261206-134501.pdf"},
        {"Report", 0, "Report-20261206-000000.pdf"},
        {"Audit", 8639999, "Audit-20261206-235959.pdf"},
        {"", 100, "Document-20261206-000001.pdf"},
        {"../etc", 100, "Document-20261206-000001.pdf"},
        {"a b", 100, "Document-20261206-000001.pdf"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(core::pdfFileName(c.kind, day, c.hundredths), c.name) << c.kind;
}

TEST(PdfOutput, ATakenNameGetsANumber)
{
    std::set<std::string> files;
    const auto taken = [&files](const std::string& p) { return files.count(p) > 0; };
    EXPECT_EQ(core::freePdfPath("site/PDF", "T-1.pdf", taken), "site/PDF/T-1.pdf");
    files = {"site/PDF/T-1.pdf", "site/PDF/T-1-2.pdf"};
    EXPECT_EQ(core::freePdfPath("site/PDF/", "T-1.pdf", taken), "site/PDF/T-1-3.pdf");
}

TEST(PdfOutput, TheMessagesSayWhereTheDocumentWent)
{
    EXPECT_EQ(core::pdfSavedMessage("/site/PDF/T.pdf"), T("บันทึกเอกสารเป็นไฟล์ PDF ไว้ที่ /site/PDF/T.pdf"));
    EXPECT_EQ(core::pdfFailedMessage("/x.pdf"), T("ไม่สามารถบันทึกไฟล์ PDF ที่ /x.pdf ได้ !"));
    EXPECT_EQ(core::printedMessage("Laser"), T("ส่งเอกสารไปพิมพ์ที่เครื่องพิมพ์ Laser แล้ว"));
    EXPECT_EQ(core::printFailedMessage("Laser"), T("ไม่สามารถพิมพ์ที่เครื่องพิมพ์ Laser ได้ !"));
}

}  // namespace
