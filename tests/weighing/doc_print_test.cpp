// Printing documents from templates through a print job that records what was drawn; the template
// lines' fixed columns, and the demo site's templates.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <tuple>

#include "core/identity.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "expr/expr.h"
#include "storage/catalogue.h"
#include "storage/fault_fs.h"
#include "storage/held_table.h"
#include "storage/ops.h"
#include "support/recording_destination.h"
#include "support/scripted_printers.h"
#include "support/seams.h"
#include "support/temp_dir.h"
#include "support/test_site.h"
#include "shell/startup.h"
#include "site/demo_templates.h"
#include "weighing/doc_print.h"
#include "weighing/print_template.h"

namespace {

using core::tis620::T;
using core::Value;
using weighing::PrintResult;
using weighing::TemplateCommand;
using Lines = std::vector<std::string>;

// One template line in its fixed columns: section, command, numbers 1 and 2, then the rest from
// column 21 (an expression, or numbers 3 and 4).
std::string tl(char section, const char* command, int n1, int n2, const std::string& rest = {})
{
    char head[32];
    std::snprintf(head, sizeof head, "%c %-5s %5d %5d ", section, command, n1, n2);
    return head + rest;
}

std::string numbers34(int n3, int n4)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%5d %5d", n3, n4);
    return buf;
}

// The texts a job drew, each as "x y align height text" (every font here has the same face).
Lines texts(const testsupport::RecordingPrintJob& job)
{
    Lines out;
    for (const std::string& entry : job.log)
        if (entry.rfind("text ", 0) == 0)
            out.push_back(entry.substr(5).replace(entry.find(" EucrosiaUPC") - 5, 12, ""));
    return out;
}

class DocPrintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        destination.failingPictures = "missing";
        m_saved = core::programSettings();
        core::Settings& s = core::programSettings();
        std::filesystem::create_directories(tables());
        std::filesystem::create_directories(dir.path() + "/WORK");
        s.setText("CDRV1", tables());
        s.setText("CDRV2", data());
        s.setText("CDRV4", dir.path() + "/WORK/");
        s.setText("CUSER", "ADMIN");
        s.setText("CPRINTER", "Y");
        const char* sizes[3][2] = {{"8", "30"}, {"16", "50"}, {"24", "80"}};
        for (int i = 0; i < 3; ++i) {
            s.setText("CFONT" + std::to_string(i + 4), "EucrosiaUPC");
            s.setText("CWIDTH" + std::to_string(i + 4), sizes[i][0]);
            s.setText("CHEIGHT" + std::to_string(i + 4), sizes[i][1]);
            s.setText("CPEN" + std::to_string(i + 1), std::to_string(i * 3 + 1));
        }
        remake({"Wdata1", "Money1", "Detail1", "Audit"});
    }
    void TearDown() override
    {
        (void)ws.closeAll();
        core::programSettings() = m_saved;
    }

    std::string tables() const { return dir.path() + "/TABLES/"; }
    std::string data() const { return dir.path() + "/DATA/"; }

    // The tables made anew, without indexes (the next case of a loop starts from them empty).
    void remake(std::initializer_list<const char*> names)
    {
        (void)ws.closeAll();
        std::filesystem::create_directories(data());
        for (const char* name : names) {
            const storage::TableDef* def = storage::findTable(name);
            const std::string file = data() + storage::tableFileName(*def);
            std::filesystem::remove(file);
            std::filesystem::remove(file.substr(0, file.size() - 3) + "NTX");
            ASSERT_TRUE(storage::Table::create(file, storage::fieldSpecs(def->fields)).ok());
        }
    }

    void writeTemplate(const std::string& form, const Lines& lines)
    {
        std::string bytes;
        for (const std::string& l : lines)
            bytes += T(l) + "\r\n";
        testsupport::writeFile(tables() + form + ".txt", bytes);
    }

    // A record appended to the table open as `alias`, committed; marked deleted when asked.
    void add(const char* alias, std::initializer_list<std::pair<const char*, Value>> fields, bool deleted = false)
    {
        ASSERT_TRUE(ws.select(alias).ok());
        ASSERT_TRUE(storage::ADD_REC(ws));
        for (const auto& [name, v] : fields)
            ASSERT_TRUE(ws.current()->put(name, v).ok()) << name;
        if (deleted) {
            ASSERT_TRUE(ws.current()->deleteRecord().ok());
        }
        ASSERT_TRUE(storage::commitAll(ws) && storage::unlockAll(ws));
    }

    // A complete purchase ticket open as "wdata" (with the log open as the screens have it).
    void openTicket(double amount = 1250.50, int printed = 0, bool deleted = false)
    {
        ASSERT_TRUE(storage::OPEN(ws, data(), "Audit", "dtos(date)+time", false, "Audit", "Audit", "Audit"));
        ASSERT_TRUE(storage::OPENTRK(ws, data(), "Wdata1", "wdata"));
        add("wdata", {{"TICKET", Value::text("000001")}, {"STAT", Value::text("2")}, {"TRUCK", Value::text("70-1234")},
                      {"AMOUNT", Value::number(amount, 2)}, {"PRINT", Value::number(printed)}}, deleted);
    }

    // A payment voucher with `lines` settlement lines (and a deleted one, and a line of another
    // voucher), open as "wdata" and "detail".
    void openVoucher(int lines)
    {
        ASSERT_TRUE(storage::OPEN(ws, data(), "Audit", "dtos(date)+time", false, "Audit", "Audit", "Audit"));
        ASSERT_TRUE(storage::OPEN(ws, data(), "Detail1", "INDENT+RECORD", false, "Detail1", "Detail1", "detail"));
        const auto line = [&](const char* indent, int record, double amount, bool deleted = false) {
            char rec[16];
            std::snprintf(rec, sizeof rec, "%03d", record);
            add("detail", {{"INDENT", Value::text(indent)}, {"RECORD", Value::text(rec)},
                           {"AMOUNT", Value::number(amount, 2)}}, deleted);
        };
        line("K2", 1, 5);
        for (int i = 1; i <= lines; ++i)
            line("K1", i, 100 * i);
        line("K1", lines + 1, 1, true);
        ASSERT_TRUE(storage::OPEN(ws, data(), "Money1", "DTOS(DATE)+TICKET", false, "Money1", "Money1", "wdata"));
        add("wdata", {{"TICKET", Value::text("000007")}, {"INDENT", Value::text("K1")}});
    }

    // The log's rows as "TICKET DESCRIP: OLDDATA -> NEWDATA".
    Lines audit()
    {
        Lines out;
        for (const auto& r : testsupport::readRows(dir.path(), "Audit"))
            out.push_back(r.text("TICKET") + " " + r.text("DESCRIP") + ": " + r.text("OLDDATA") + " -> " +
                          r.text("NEWDATA"));
        return out;
    }

    double printCount()
    {
        core::Value v;
        EXPECT_TRUE(ws.find("wdata")->get("PRINT", &v).ok());
        return v.asNumber();
    }

    PrintResult print(const std::string& form, bool details = false)
    {
        return weighing::PROPRN(ws, screen, form, details);
    }

    testsupport::TempDir dir;
    testsupport::RecordingPrompts prompts;
    testsupport::FakeClock clock;
    testsupport::RecordingSound sound;
    testsupport::RecordingDestination destination;
    storage::Workspace ws;
    core::ValueMap screen;

private:
    core::Settings m_saved;
};

TEST_F(DocPrintTest, TextsComeFromTheDocumentTheScreenAndTheProgramsIdentity)
{
    // The program's identity is CVERSION once the program has started.
    core::setIdentitySource([] { return std::string("mervo 9.9 sha256 0123abcd"); });
    const core::Settings kept = core::programSettings();
    shell::startUp(core::programSettings(), dir.path() + "/MERVO.INI");
    core::setIdentitySource(nullptr);
    const std::string version = core::programSettings().text("CVERSION");
    core::programSettings() = kept;
    core::programSettings().setText("CVERSION", version);

    openTicket(1250.50);
    screen.setText("cTruck", "70-1234");
    writeTemplate("Ticket12", {tl('H', "SAYR1", 10, 20, "BAHT(wdata->amount)"),
                               tl('H', "SAYR1", 30, 20, "\"ทะเบียน \"+cTRUCK"), tl('h', "sayr1", 50, 20, "code"),
                               tl('H', "SAYR1", 70, 20, "cVersion")});
    ASSERT_EQ(print("Ticket12"), PrintResult::Printed);
    // The template's own work table is the current table: an unqualified name is its field.
    EXPECT_EQ(texts(*destination.jobs.at(0)), (Lines{"240 120 L 30 (หนึ่งพันสองร้อยห้าสิบบาทห้าสิบสตางค์)",
                                                      "240 360 L 30 ทะเบียน 70-1234",
                                                      "240 600 L 30 " + tl('h', "sayr1", 50, 20, "code"),
                                                      "240 840 L 30 mervo 9.9 sha256 0123abcd"}));
    EXPECT_EQ(ws.currentAlias(), "wdata");
    EXPECT_EQ(ws.find("DocPrn"), nullptr);
    EXPECT_TRUE(std::filesystem::exists(dir.path() + "/WORK/P_ADMIN.DBF"));
}

TEST_F(DocPrintTest, TextCommandsPlaceAlignAndChooseFonts)
{
    openTicket();
    core::programSettings().setText("CPRINTER", "n");
    destination.dpi = 180;
    writeTemplate("Ticket12", {
                                  tl('H', "FONT1", 10, 100, "\"left   \""),
                                  tl('H', "SAYR2", 20, 100, "\"left2\""),
                                  tl('H', "SAYL1", 30, 200, "\"right\""),
                                  tl('H', "SAYC ", 40, 300, "\"centre\""),
                                  tl('H', "sayc9", 50, 300, "\"big\""),
                                  tl('X', "SAYR1", 60, 100, "\"never\""),
                                  tl('H', "LINE2", 70, 10, numbers34(75, 500)),
                                  tl('H', "LINE7", 70, 10, numbers34(75, 500)),
                                  tl('h', "psize", 950, 550),
                              });
    ASSERT_EQ(print("Ticket12"), PrintResult::Printed);
    EXPECT_EQ(destination.previews, std::vector<bool>{false}) << "N: straight to the printer";
    EXPECT_EQ(texts(*destination.jobs.at(0)), (Lines{"180 18 L 30 left", "180 36 L 50 left2", "360 54 R 30 right",
                                                      "540 72 C 80 centre", "540 90 C 80 big"}));
    // Pen 2 is the configured width of "Pen2"; "LINE7" is no command; the paper size holds from
    // the first page though set on the template's last line.
    const auto& log = destination.jobs[0]->log;
    EXPECT_EQ(log.at(1), "paper 2413 1397");
    EXPECT_EQ(log.at(2), "page 1");
    EXPECT_EQ(std::count(log.begin(), log.end(), "line 18 126 900 135 4"), 1);
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("line", 0) == 0; }), 1);
}

TEST_F(DocPrintTest, NineteenLinesAtEightAPagePrintThreePagesWithTheirFormsUnderThem)
{
    openVoucher(19);
    writeTemplate("Money1", {
                                tl('H', "DTMAX", 8, 20),
                                tl('H', "SAYR1", 10, 10, "\"H\""),
                                "H WMFIM first.png",
                                tl('S', "SAYR1", 10, 10, "\"S \"+LTRIM(STR(nPage))+\" \"+LTRIM(STR(pSum[1]))"),
                                tl('D', "SAYR1", 100, 10, "\"D\"+LTRIM(STR(nI))+\"/\"+LTRIM(STR(cLineNo))"),
                                tl('D', "SUM01", 0, 0, "detail->amount"),
                                tl('F', "SAYR1", 400, 10, "\"F \"+LTRIM(STR(pSum[1]))"),
                                "F WMFIM last.png",
                            });
    ASSERT_EQ(print("Money1", true), PrintResult::Printed);
    const auto& job = *destination.jobs.at(0);
    EXPECT_EQ(job.pageCount(), 3);
    // A page: the forms under it and its texts with their rows. "S" on each further page, with the
    // total of the pages before it; a page's first line at the band's first row, 240 apart.
    Lines pages;
    for (const std::string& entry : job.log) {
        std::istringstream in(entry);
        std::string what, x, y, align, face, height, text;
        in >> what >> x >> y >> align >> face >> height;
        if (what == "page")
            pages.emplace_back();
        else if (what == "form")
            pages.back() += entry.substr(entry.rfind('/') + 1) + ",";
        else if (what == "text" && std::getline(in >> std::ws, text))
            pages.back() += text + "@" + y + ",";
    }
    EXPECT_EQ(pages, (Lines{"first.png,H@120,D1/1@1200,D2/2@1440,D3/3@1680,D4/4@1920,D5/5@2160,D6/6@2400,"
                            "D7/7@2640,D8/8@2880,",
                            "S 2 3600.00@120,D9/1@1200,D10/2@1440,D11/3@1680,D12/4@1920,D13/5@2160,D14/6@2400,"
                            "D15/7@2640,D16/8@2880,",
                            "last.png,S 3 13600.00@120,D17/1@1200,D18/2@1440,D19/3@1680,F 19000.00@4800,"}));
}

TEST_F(DocPrintTest, OptionalLineTakesRoomOnlyWhenNotBlank)
{
    const struct {
        const char* optional;
        Lines drawn;
    } cases[] = {
        {"\"\"", {"120 1200 L 30 D1", "120 1440 L 30 D2", "120 1680 L 30 D3"}},
        {"IIF(nI=2,\"extra\",\"\")",
         {"120 1200 L 30 D1", "120 1440 L 30 D2", "120 1680 L 30 extra", "120 1920 L 30 D3"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.optional);
        remake({"Detail1", "Money1"});
        openVoucher(3);
        writeTemplate("Money1", {
                                    tl('D', "SAYR1", 100, 10, "\"D\"+LTRIM(STR(nI))"),
                                    tl('I', "SAYR1", 100, 10, c.optional),
                                    tl('I', "LINE1", 100, 10, numbers34(100, 20)),
                                });
        ASSERT_EQ(print("Money1", true), PrintResult::Printed);
        EXPECT_EQ(texts(*destination.jobs.back()), c.drawn);
        // Other commands of "I" stay on their template row.
        const auto& log = destination.jobs.back()->log;
        EXPECT_EQ(std::count(log.begin(), log.end(), "line 120 1200 240 1200 1"), 3);
    }
}

// The first print is counted and not audited; each reprint is audited with its count (at most 99).
TEST_F(DocPrintTest, ReprintsAreCountedAndAudited)
{
    const struct {
        int before, after;
        Lines audit;
    } cases[] = {{0, 1, {}},
                 {1, 2, {"Ticket12 พิมพ์ครั้งที่  2: 000001 -> "}},
                 {99, 99, {"Ticket12 พิมพ์ครั้งที่ 99: 000001 -> "}}};
    writeTemplate("Ticket12", {tl('H', "SAYR1", 10, 10, "wdata->ticket")});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        remake({"Wdata1", "Audit"});
        openTicket(10, c.before);
        ASSERT_EQ(print("Ticket12"), PrintResult::Printed);
        EXPECT_EQ(printCount(), c.after);
        EXPECT_EQ(audit(), c.audit);
    }
}

TEST_F(DocPrintTest, RefusalsPrintNothingAndCountNothingAndABusyWorkTableIsNotReady)
{
    const auto refused = [&](PrintResult result, const char* message, double count) {
        SCOPED_TRACE(message);
        prompts.shown.clear();
        const std::size_t jobs = destination.jobs.size();
        EXPECT_EQ(print("Ticket12"), result);
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].text, T(message));
        EXPECT_EQ(destination.jobs.size(), jobs);
        EXPECT_EQ(printCount(), count);
    };
    openTicket(10, 0, true);
    writeTemplate("Ticket12", {tl('H', "SAYR1", 10, 10, "wdata->ticket")});
    refused(PrintResult::Deleted, "  ข้อมูลถูกสั่งลบ", 0);
    remake({"Wdata1"});
    openTicket(10);
    std::filesystem::remove(tables() + "Ticket12.txt");
    refused(PrintResult::NoTemplate, "ไม่พบฟอร์ม Ticket12", 0);

    // The work table held by another workstation: not ready.
    writeTemplate("Ticket12", {tl('H', "SAYR1", 10, 10, "wdata->ticket")});
    ASSERT_EQ(print("Ticket12"), PrintResult::Printed);  // makes the work table
    storagetest::HeldTable other(dir.path() + "/WORK/P_ADMIN.DBF", storage::ShareMode::Exclusive);
    ASSERT_TRUE(other.open());
    refused(PrintResult::WorkTableBusy, "  แฟ้มการพิมพ์ไม่พร้อม", 1);
    EXPECT_EQ(other.release(), 0);
}

// The job goes to the installed printer named like the kind; with none, nothing is made or counted.
TEST_F(DocPrintTest, TheDocumentGoesToItsKindsPrinterPreviewedAsTheSettingSays)
{
    testsupport::ScriptedPrinters printers({"Office", "EPSON-Ticket-LQ"});
    std::vector<std::pair<std::string, bool>> made;
    core::ChoosingDestination choosing(printers, [&made](const std::string& printer, bool preview) {
        made.emplace_back(printer, preview);
        return std::make_unique<testsupport::RecordingPrintJob>();
    });
    core::PrintDestination* previous = core::setPrintDestination(&choosing);
    openTicket();
    writeTemplate("Ticket12", {tl('H', "SAYR1", 10, 10, "wdata->ticket")});
    core::programSettings().setText("CPRINTER", "n");
    EXPECT_EQ(print("Ticket12"), PrintResult::Printed);
    core::programSettings().setText("CPRINTER", "Y");
    EXPECT_EQ(print("Ticket12"), PrintResult::Printed);
    printers.list = {"Office"};
    EXPECT_EQ(print("Ticket12"), PrintResult::NoPrinter);
    core::setPrintDestination(previous);
    EXPECT_EQ(made, (std::vector<std::pair<std::string, bool>>{{"EPSON-Ticket-LQ", false}, {"EPSON-Ticket-LQ", true}}));
    EXPECT_EQ(printCount(), 2);
}

TEST_F(DocPrintTest, TemplateFaultsGoToTheErrorTrap)
{
    openTicket();
    writeTemplate("Ticket12", {
                                  tl('H', "SAYR1", 20, 10, "wdata->amount"),
                                  tl('H', "SAYR1", 30, 10, "\"unclosed"),
                                  tl('H', "SUM01", 0, 0, "\"text\""),
                                  tl('H', "DTMAX", 0, 20),
                                  tl('H', "SAYR1", 40, 10, "\"after\""),
                              });
    {
        testsupport::RecordingFaultHandler faults(core::FaultAnswer::Default);
        ASSERT_EQ(print("Ticket12"), PrintResult::Printed);
        ASSERT_EQ(faults.faults.size(), 3u);
        EXPECT_EQ(faults.faults[0].genCode, core::EG_DATATYPE);
        EXPECT_EQ(faults.faults[0].operation, "Ticket12 line 1");
        EXPECT_EQ(faults.faults[1].genCode, core::EG_SYNTAX);
        EXPECT_EQ(faults.faults[2].genCode, core::EG_DATATYPE);
        EXPECT_EQ(texts(*destination.jobs.at(0)), Lines{"120 480 L 30 after"});
    }
    writeTemplate("Ticket12", {tl('H', "SAYR1", 10, 10, "wdata->nosuch"), tl('H', "SAYR1", 40, 10, "\"after\"")});
    testsupport::RecordingFaultHandler faults(core::FaultAnswer::Quit);
    EXPECT_EQ(print("Ticket12"), PrintResult::Stopped);
    EXPECT_EQ(faults.faults.size(), 1u);
    EXPECT_EQ(printCount(), 1);
}

TEST_F(DocPrintTest, PositionsCountFromThePrintableAreaFormsFromTheSheetAndWhatCannotPrintIsNamed)
{
    openTicket();
    writeTemplate("Ticket12", {
                                  tl('H', "SAYR1", 10, 20, "\"A\""),
                                  tl('H', "LINE1", 10, 20, numbers34(30, 40)),
                                  tl('H', "IMAGE", 10, 20, numbers34(50, 80) + " logo.png"),
                                  tl('H', "IMAGE", 10, 20, numbers34(50, 80) + " missing.png"),
                                  "H WMFIM form.png",
                                  "H RAWIM init.prn",
                              });
    testsupport::writeFile(tables() + "init.prn", "\x1b@raw");
    destination.dpi = 600;  // a hundredth of an inch is six dots here
    destination.marginLeft = 50;
    destination.marginTop = 30;
    ASSERT_EQ(print("Ticket12"), PrintResult::Printed);
    const testsupport::RecordingPrintJob& job = *destination.jobs.back();
    const std::string form = "form " + std::to_string(job.pageWidth()) + " " + std::to_string(job.pageHeight()) + " " +
                             tables() + "form.png";
    EXPECT_EQ(Lines(job.log.begin() + 1, job.log.end()),
              (Lines{"page 1", form, "text 170 90 L EucrosiaUPC 30 A", "line 170 90 290 210 1",
                     "picture 170 90 480 300 " + tables() + "logo.png",
                     "picture 170 90 480 300 " + tables() + "missing.png", "end"}));
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0].text, T("ไม่สามารถพิมพ์ภาพ missing.png (ฟอร์ม Ticket12 บรรทัดที่ 4)"));
    EXPECT_EQ(prompts.shown[1].text, T("เครื่องพิมพ์นี้รับข้อมูลโดยตรงจากแฟ้ม init.prn ไม่ได้ (ฟอร์ม Ticket12 บรรทัดที่ 6)"));
    EXPECT_EQ(destination.raw, Lines{"\x1b@raw"});
}

TEST_F(DocPrintTest, RawBytesGoInTemplateOrderOnlyAfterACompletedPrint)
{
    openTicket();
    for (const auto& [file, bytes] : {std::pair{"a.prn", "A"}, {"b.prn", "B"}, {"c.prn", "C"}})
        testsupport::writeFile(tables() + file, bytes);
    writeTemplate("Ticket12", {"H RAWIM a.prn", tl('F', "SAYR1", 10, 10, "\"x\""), "F RAWIM c.prn", "H RAWIM b.prn"});
    destination.rawAccepted = true;
    ASSERT_EQ(print("Ticket12"), PrintResult::Printed);
    EXPECT_EQ(destination.raw, (Lines{"A", "B", "C"}));
    EXPECT_EQ(destination.rawAfterEnd, (std::vector<bool>{true, true, true}));

    // A fault that stops the print after a raw line sends nothing.
    destination.raw.clear();
    writeTemplate("Ticket12", {"H RAWIM a.prn", tl('H', "SAYR1", 10, 10, "wdata->nosuch")});
    testsupport::RecordingFaultHandler faults(core::FaultAnswer::Quit);
    EXPECT_EQ(print("Ticket12"), PrintResult::Stopped);
    EXPECT_TRUE(destination.raw.empty());
}

TEST_F(DocPrintTest, APrintCountThatCannotBeStoredGoesToTheErrorTrap)
{
    storagetest::FaultFileSystem fs;
    fs.failOnly = "WDATA1.DBF";
    openTicket();
    writeTemplate("Ticket12", {tl('H', "SAYR1", 10, 10, "\"x\"")});
    for (const auto& [answer, result, count] : {std::tuple{core::FaultAnswer::Quit, PrintResult::NotCounted, 0.0},
                                                {core::FaultAnswer::Retry, PrintResult::Printed, 1.0}}) {
        fs.failWrite = 1;
        testsupport::RecordingFaultHandler faults(answer);
        EXPECT_EQ(print("Ticket12"), result);
        ASSERT_EQ(faults.faults.size(), 1u);
        EXPECT_EQ(faults.faults[0].fileName.substr(faults.faults[0].fileName.size() - 10), "WDATA1.DBF");
        EXPECT_EQ(printCount(), count);
        EXPECT_TRUE(audit().empty());
    }
}

// ---- Templates

TEST(PrintTemplateTest, LinesAreReadInFixedColumns)
{
    // A line read as line 7: "number section command[ align font] sum n1 n2 n3 n4 |text|".
    const auto read = [](const std::string& line) {
        static const char* const kCommands[] = {"None", "Text",      "Line",      "Image", "Metafile",
                                                "Raw",  "PaperSize", "DetailMax", "Sum"};
        const weighing::TemplateLine t = weighing::parseTemplateLine(line, 7);
        std::ostringstream out;
        out << t.number << ' ' << (t.section ? t.section : '-') << ' ' << kCommands[int(t.command)];
        if (t.command == TemplateCommand::Text)
            out << ' ' << "LRC"[int(t.align)] << t.font;
        out << ' ' << t.sum << ' ' << t.n1 << ' ' << t.n2 << ' ' << t.n3 << ' ' << t.n4 << " |" << t.text << '|';
        return out.str();
    };
    const std::pair<const char*, const char*> cases[] = {
        {"S SAYL3  12.5    30 a", "7 S Text R6 0 12.5 30 0 0 |a|"},
        {"H LINE4    10    20    30    40", "7 H None 0 10 20 30 40 ||"},
        {"H IMAGE    10    20    30    40 library\\logo.bmp  ", "7 H Image 0 10 20 30 40 |library\\logo.bmp|"},
        {"D SUM40             x", "7 D Sum 40 0 0 0 0 |x|"},
        {"D SUM41             x", "7 D None 0 0 0 0 0 ||"},
        {"D SUM00             x", "7 D None 0 0 0 0 0 ||"},
        {"D SUM1              x", "7 D None 0 0 0 0 0 ||"},
        {"H", "7 H None 0 0 0 0 0 ||"},
        {"* a comment", "7 * None 0 0 0 0 0 ||"},
        {"", "7 - None 0 0 0 0 0 ||"},
        {"H SAYR1   abc   -5", "7 H Text L4 0 0 -5 0 0 ||"},
    };
    for (const auto& [line, fields] : cases)
        EXPECT_EQ(read(line), fields) << line;
}

TEST(PrintTemplateTest, LinesEndAtTwoHundredColumns)
{
    const std::string longLine = "H SAYR1    10    10 \"" + std::string(300, 'x') + "\"";
    const auto lines = weighing::splitTemplate("a\r\n\r\nb\n" + longLine + "\nlast");
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "", "b", longLine.substr(0, 200), "last"}));
    EXPECT_EQ(weighing::parseTemplateLine(longLine, 1).text.size(), 180u);
}

TEST(DemoTemplatesTest, EveryFormHasAWorkingTemplate)
{
    const auto forms = site::printFormNames();
    EXPECT_EQ(forms.size(), 25u);
    for (const std::string& form : forms) {
        SCOPED_TRACE(form);
        const std::string bytes = site::demoTemplate(form);
        ASSERT_FALSE(bytes.empty());
        // TIS-620 bytes: every Thai character is one byte, nothing undefined.
        EXPECT_EQ(core::tis620::fromUtf8(core::tis620::toUtf8(bytes)), bytes);
        EXPECT_EQ(core::tis620::toUtf8(bytes).find("\xEF\xBF\xBD"), std::string::npos);
        int number = 0;
        ASSERT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
        for (std::size_t start = 0, end; start < bytes.size(); start = end + 2) {
            end = bytes.find("\r\n", start);
            const std::string line = bytes.substr(start, end - start);
            ++number;
            // Nothing of a line beyond column 200 is read.
            EXPECT_LE(line.size(), weighing::kTemplateLineLength) << "line " << number;
            const weighing::TemplateLine t = weighing::parseTemplateLine(line, number);
            if (t.command == TemplateCommand::Text || t.command == TemplateCommand::Sum) {
                expr::CompileError error;
                EXPECT_TRUE(expr::Expression::compile(t.text, &error).valid())
                    << "line " << number << ": " << error.describe(t.text);
            }
        }
    }
    EXPECT_TRUE(site::demoTemplate("Ticket61").empty());
    EXPECT_TRUE(site::demoTemplate("Money5").empty());
}

}  // namespace
