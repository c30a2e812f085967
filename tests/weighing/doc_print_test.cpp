// Printing documents from templates: the sections and the detail band with its pages, the text
// commands and their fonts and alignment, the optional line, the accumulators, the paper size, the
// print counter with its reprint audit, the refusals (deleted document, missing form, busy work
// table), the printer choice and the tones - through a print job that records what was drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>

#include "core/identity.h"
#include "core/print_destination.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/fault_fs.h"
#include "storage/held_table.h"
#include "storage/ops.h"
#include "support/recording_destination.h"
#include "support/seams.h"
#include "support/temp_dir.h"
#include "shell/startup.h"
#include "weighing/doc_print.h"

namespace {

using core::tis620::T;
using core::Value;
using weighing::PrintResult;

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

// A drawn text as the recording shows it.
struct Drawn {
    int page;
    int x, y;
    char align;
    int height;
    std::string text;  // UTF-8
};

std::vector<Drawn> texts(const testsupport::RecordingPrintJob& job)
{
    std::vector<Drawn> out;
    int page = 0;
    for (const std::string& entry : job.log) {
        std::istringstream in(entry);
        std::string what;
        in >> what;
        if (what == "page")
            in >> page;
        if (what != "text")
            continue;
        Drawn d{page, 0, 0, 0, 0, {}};
        std::string face;
        in >> d.x >> d.y >> d.align >> face >> d.height;
        std::getline(in, d.text);
        d.text.erase(0, 1);
        out.push_back(d);
    }
    return out;
}

class DocPrintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        destination.failingPictures = "missing";
        m_saved = core::programSettings();
        core::Settings& s = core::programSettings();
        s.setText("CDRV1", folder());
        s.setText("CDRV2", folder());
        s.setText("CDRV4", folder() + "work/");
        std::filesystem::create_directory(folder() + "work");
        s.setText("CUSER", "ADMIN");
        s.setText("CPRINTER", "Y");
        const char* sizes[3][2] = {{"8", "30"}, {"16", "50"}, {"24", "80"}};
        for (int i = 0; i < 3; ++i) {
            s.setText("CFONT" + std::to_string(i + 4), "EucrosiaUPC");
            s.setText("CWIDTH" + std::to_string(i + 4), sizes[i][0]);
            s.setText("CHEIGHT" + std::to_string(i + 4), sizes[i][1]);
            s.setText("CPEN" + std::to_string(i + 1), std::to_string(i * 3 + 1));
        }
        for (const char* table : {"Wdata1", "Money1", "Detail1", "Audit"})
            make(table);
    }
    void TearDown() override
    {
        (void)ws.closeAll();
        core::programSettings() = m_saved;
    }

    std::string folder() const { return dir.path() + "/"; }

    void make(const char* name)
    {
        const storage::TableDef* def = storage::findTable(name);
        ASSERT_TRUE(storage::Table::create(folder() + storage::tableFileName(*def), storage::fieldSpecs(def->fields)).ok());
    }
    // The tables made anew (their indexes gone), for the next case of a loop.
    void remake(std::initializer_list<const char*> names)
    {
        (void)ws.closeAll();
        for (const char* name : names) {
            const std::string file = folder() + storage::tableFileName(*storage::findTable(name));
            std::filesystem::remove(file);
            std::filesystem::remove(file.substr(0, file.size() - 3) + "NTX");
            make(name);
        }
    }

    void writeTemplate(const std::string& form, const std::vector<std::string>& lines)
    {
        std::string bytes;
        for (const std::string& l : lines)
            bytes += T(l) + "\r\n";
        testsupport::writeFile(folder() + form + ".txt", bytes);
    }

    // A complete purchase ticket open as "wdata" (with the log open as the screens have it).
    void openTicket(double amount = 1250.50, int printed = 0, bool deleted = false)
    {
        ASSERT_TRUE(storage::OPEN(ws, folder(), "Audit", "dtos(date)+time", false, "Audit", "Audit", "Audit"));
        ASSERT_TRUE(storage::OPENTRK(ws, folder(), "Wdata1", "wdata"));
        storage::Table& t = *ws.current();
        ASSERT_TRUE(storage::ADD_REC(ws));
        ASSERT_TRUE(t.put("TICKET", Value::text("000001")).ok());
        ASSERT_TRUE(t.put("STAT", Value::text("2")).ok());
        ASSERT_TRUE(t.put("TRUCK", Value::text("70-1234")).ok());
        ASSERT_TRUE(t.put("AMOUNT", Value::number(amount, 2)).ok());
        ASSERT_TRUE(t.put("PRINT", Value::number(printed)).ok());
        if (deleted) {
            ASSERT_TRUE(t.deleteRecord().ok());
        }
        ASSERT_TRUE(storage::commitAll(ws));
        ASSERT_TRUE(storage::unlockAll(ws));
    }

    // A payment voucher with `lines` settlement lines (and a deleted one, and a line of another
    // voucher), open as "wdata" and "detail".
    void openVoucher(int lines)
    {
        ASSERT_TRUE(storage::OPEN(ws, folder(), "Audit", "dtos(date)+time", false, "Audit", "Audit", "Audit"));
        ASSERT_TRUE(storage::OPEN(ws, folder(), "Detail1", "INDENT+RECORD", false, "Detail1", "Detail1", "detail"));
        auto addLine = [&](const char* indent, int record, double amount, bool deleted) {
            ASSERT_TRUE(storage::ADD_REC(ws));
            storage::Table& d = *ws.current();
            char rec[16];
            std::snprintf(rec, sizeof rec, "%03d", record);
            ASSERT_TRUE(d.put("INDENT", Value::text(indent)).ok());
            ASSERT_TRUE(d.put("RECORD", Value::text(rec)).ok());
            ASSERT_TRUE(d.put("AMOUNT", Value::number(amount, 2)).ok());
            if (deleted) {
                ASSERT_TRUE(d.deleteRecord().ok());
            }
        };
        addLine("K2", 1, 5, false);
        for (int i = 1; i <= lines; ++i)
            addLine("K1", i, 100 * i, false);
        addLine("K1", lines + 1, 1, true);
        ASSERT_TRUE(storage::OPEN(ws, folder(), "Money1", "DTOS(DATE)+TICKET", false, "Money1", "Money1", "wdata"));
        ASSERT_TRUE(storage::ADD_REC(ws));
        ASSERT_TRUE(ws.current()->put("TICKET", Value::text("000007")).ok());
        ASSERT_TRUE(ws.current()->put("INDENT", Value::text("K1")).ok());
        ASSERT_TRUE(storage::commitAll(ws));
        ASSERT_TRUE(storage::unlockAll(ws));
    }

    struct AuditRow {
        std::string ticket, descrip, olddata, newdata;  // UTF-8, trailing blanks removed
    };
    std::vector<AuditRow> auditRows()
    {
        std::vector<AuditRow> rows;
        std::unique_ptr<storage::Table> t;
        EXPECT_TRUE(storage::Table::open(folder() + "AUDIT.DBF", storage::ShareMode::Shared, &t).ok());
        for (storage::Status s = t->goTop(); s.ok() && !t->eof(); s = t->skip()) {
            auto f = [&](const char* name) {
                core::Value v;
                EXPECT_TRUE(t->get(name, &v).ok());
                return core::tis620::toUtf8(core::xbase::rtrim(v.asText()));
            };
            rows.push_back({f("TICKET"), f("DESCRIP"), f("OLDDATA"), f("NEWDATA")});
        }
        return rows;
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
    shell::startUp(core::programSettings(), folder() + "MERVO.INI");
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
    const auto drawn = texts(*destination.jobs.at(0));
    ASSERT_EQ(drawn.size(), 4u);
    EXPECT_EQ(drawn[0].text, "(หนึ่งพันสองร้อยห้าสิบบาทห้าสิบสตางค์)");
    EXPECT_EQ(drawn[1].text, "ทะเบียน 70-1234");
    // The template's own work table is the current table: an unqualified name is its field.
    EXPECT_EQ(drawn[2].text, core::tis620::toUtf8(T(tl('h', "sayr1", 50, 20, "code"))));
    EXPECT_EQ(drawn[3].text, "mervo 9.9 sha256 0123abcd");
    EXPECT_EQ(destination.titles.at(0), T("  ส่วนการพิมพ์เอกสาร"));
    EXPECT_EQ(destination.kinds.at(0), "Ticket");
    EXPECT_EQ(sound.tones, (std::vector<int>{200, 300, 400}));
    EXPECT_EQ(ws.currentAlias(), "wdata");
    EXPECT_EQ(ws.find("DocPrn"), nullptr);
    EXPECT_TRUE(std::filesystem::exists(folder() + "work/P_ADMIN.DBF"));
}

TEST_F(DocPrintTest, TextCommandsPlaceAlignAndChooseFonts)
{
    openTicket();
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
    const auto drawn = texts(*destination.jobs.at(0));
    struct Expect {
        int x, y;
        char align;
        int height;
        const char* text;
    };
    const Expect expected[] = {
        {180, 18, 'L', 30, "left"}, {180, 36, 'L', 50, "left2"}, {360, 54, 'R', 30, "right"},
        {540, 72, 'C', 80, "centre"}, {540, 90, 'C', 80, "big"},
    };
    ASSERT_EQ(drawn.size(), std::size(expected));
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        SCOPED_TRACE(expected[i].text);
        EXPECT_EQ(drawn[i].x, expected[i].x);
        EXPECT_EQ(drawn[i].y, expected[i].y);
        EXPECT_EQ(drawn[i].align, expected[i].align);
        EXPECT_EQ(drawn[i].height, expected[i].height);
        EXPECT_EQ(drawn[i].text, expected[i].text);
    }
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
                                tl('H', "WMFIM", 0, 0, "").substr(0, 8) + "first.png",
                                tl('S', "SAYR1", 10, 10, "\"S \"+LTRIM(STR(nPage))+\" \"+LTRIM(STR(pSum[1]))"),
                                tl('D', "SAYR1", 100, 10, "\"D\"+LTRIM(STR(nI))+\"/\"+LTRIM(STR(cLineNo))"),
                                tl('D', "SUM01", 0, 0, "detail->amount"),
                                tl('F', "SAYR1", 400, 10, "\"F \"+LTRIM(STR(pSum[1]))"),
                                tl('F', "WMFIM", 0, 0, "").substr(0, 8) + "last.png",
                            });
    ASSERT_EQ(print("Money1", true), PrintResult::Printed);
    const auto& job = *destination.jobs.at(0);
    EXPECT_EQ(job.pageCount(), 3);
    std::map<std::string, std::vector<int>> pages;  // text -> pages it is on
    int details = 0;
    for (const Drawn& d : texts(job)) {
        if (d.text[0] == 'D')
            ++details;
        else
            pages[d.text].push_back(d.page);
    }
    EXPECT_EQ(details, 19);
    EXPECT_EQ(pages["H"], std::vector<int>{1});
    // "S" on each further page, with the total of the pages before it.
    EXPECT_EQ(pages["S 2 3600.00"], std::vector<int>{2});
    EXPECT_EQ(pages["S 3 13600.00"], std::vector<int>{3});
    EXPECT_EQ(pages["F 19000.00"], std::vector<int>{3});
    EXPECT_EQ(pages.size(), 4u);
    // Line 9 is the first of page 2, at the band's first row again.
    const auto drawn = texts(job);
    const auto line9 = std::find_if(drawn.begin(), drawn.end(), [](const Drawn& d) { return d.text == "D9/1"; });
    ASSERT_NE(line9, drawn.end());
    EXPECT_EQ(line9->page, 2);
    EXPECT_EQ(line9->y, 1200);
    const auto line8 = std::find_if(drawn.begin(), drawn.end(), [](const Drawn& d) { return d.text == "D8/8"; });
    ASSERT_NE(line8, drawn.end());
    EXPECT_EQ(line8->y, 1200 + 7 * 240);
    // The header's form goes under the first page, the footer's under the last.
    std::vector<std::string> pagesAndForms;
    for (const std::string& entry : job.log)
        if (entry.rfind("page", 0) == 0 || entry.rfind("form", 0) == 0)
            pagesAndForms.push_back(entry.substr(0, 4) + (entry[0] == 'f' ? entry.substr(entry.rfind('/')) : ""));
    EXPECT_EQ(pagesAndForms, (std::vector<std::string>{"page", "form/first.png", "page", "page", "form/last.png"}));
}

TEST_F(DocPrintTest, OptionalLineTakesRoomOnlyWhenNotBlank)
{
    const struct {
        const char* optional;
        std::map<std::string, int> y;  // text -> its row
    } cases[] = {
        {"\"\"", {{"D1", 1200}, {"D2", 1440}, {"D3", 1680}}},
        {"IIF(nI=2,\"extra\",\"\")", {{"D1", 1200}, {"D2", 1440}, {"extra", 1680}, {"D3", 1920}}},
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
        std::map<std::string, int> y;
        for (const Drawn& d : texts(*destination.jobs.back()))
            y[d.text] = d.y;
        EXPECT_EQ(y, c.y);
        // Other commands of "I" stay on their template row.
        const auto& log = destination.jobs.back()->log;
        EXPECT_EQ(std::count(log.begin(), log.end(), "line 120 1200 240 1200 1"), 3);
    }
}

// The first print is counted and not audited; each reprint is audited with its count, which stops
// at 99.
TEST_F(DocPrintTest, ReprintsAreCountedAndAudited)
{
    const struct {
        int before, after;
        const char* audited;  // nullptr: no audit row
    } cases[] = {{0, 1, nullptr}, {1, 2, "พิมพ์ครั้งที่  2"}, {99, 99, "พิมพ์ครั้งที่ 99"}};
    writeTemplate("Ticket12", {tl('H', "SAYR1", 10, 10, "wdata->ticket")});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        remake({"Wdata1", "Audit"});
        openTicket(10, c.before);
        ASSERT_EQ(print("Ticket12"), PrintResult::Printed);
        EXPECT_EQ(printCount(), c.after);
        const auto rows = auditRows();
        ASSERT_EQ(rows.size(), c.audited ? 1u : 0u);
        if (c.audited) {
            EXPECT_EQ(rows[0].ticket, "Ticket12");
            EXPECT_EQ(rows[0].descrip, c.audited);
            EXPECT_EQ(rows[0].olddata, "000001");
            EXPECT_EQ(rows[0].newdata, "");
        }
    }
}

TEST_F(DocPrintTest, RefusalsPrintNothingAndCountNothing)
{
    struct Case {
        const char* name;
        bool deleted;
        bool withTemplate;
        PrintResult result;
        const char* message;
    };
    const Case cases[] = {
        {"deleted", true, true, PrintResult::Deleted, "  ข้อมูลถูกสั่งลบ"},
        {"missing form", false, false, PrintResult::NoTemplate, "ไม่พบฟอร์ม Ticket12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        remake({"Wdata1"});
        std::filesystem::remove(folder() + "Ticket12.txt");
        openTicket(10, 0, c.deleted);
        if (c.withTemplate)
            writeTemplate("Ticket12", {tl('H', "SAYR1", 10, 10, "wdata->ticket")});
        prompts.shown.clear();
        const std::size_t jobs = destination.jobs.size();
        EXPECT_EQ(print("Ticket12"), c.result);
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].text, T(c.message));
        EXPECT_EQ(prompts.shown[0].title, T("  ส่วนการพิมพ์เอกสาร"));
        EXPECT_EQ(destination.jobs.size(), jobs);
        EXPECT_EQ(printCount(), 0);
        EXPECT_TRUE(sound.tones.empty());
    }
}

TEST_F(DocPrintTest, WorkTableHeldElsewhereIsNotReady)
{
    openTicket();
    writeTemplate("Ticket12", {tl('H', "SAYR1", 10, 10, "wdata->ticket")});
    ASSERT_EQ(print("Ticket12"), PrintResult::Printed);  // makes the work table
    const std::string workTable = folder() + "work/P_ADMIN.DBF";
    storagetest::HeldTable other(workTable, storage::ShareMode::Exclusive);
    ASSERT_TRUE(other.open());
    prompts.shown.clear();
    EXPECT_EQ(print("Ticket12"), PrintResult::WorkTableBusy);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, T("  แฟ้มการพิมพ์ไม่พร้อม"));
    EXPECT_EQ(printCount(), 1);
    EXPECT_EQ(other.release(), 0);
}

class Printers final : public core::Printers {
public:
    std::vector<std::string> installed() override { return {"Office", "EPSON-Ticket-LQ"}; }
    std::optional<std::string> choose(const std::string&) override { return std::string("Office"); }
};

// Which installed printer is the ticket printer is the printer choice's own test; here the document
// asks for its kind's printer, and the setting decides the preview.
TEST_F(DocPrintTest, TheDocumentGoesToItsKindsPrinterPreviewedAsTheSettingSays)
{
    openTicket();
    writeTemplate("Ticket12", {tl('H', "SAYR1", 10, 10, "wdata->ticket")});
    Printers printers;
    std::vector<std::pair<std::string, bool>> made;
    core::ChoosingDestination choosing(printers, [&](const std::string& printer, bool preview) {
        made.emplace_back(printer, preview);
        return std::make_unique<testsupport::RecordingPrintJob>();
    });
    core::PrintDestination* previous = core::setPrintDestination(&choosing);
    core::programSettings().setText("CPRINTER", "n");
    EXPECT_EQ(print("Ticket12"), PrintResult::Printed);
    core::programSettings().setText("CPRINTER", "Y");
    EXPECT_EQ(print("Ticket12"), PrintResult::Printed);
    core::setPrintDestination(previous);
    EXPECT_EQ(made, (std::vector<std::pair<std::string, bool>>{{"EPSON-Ticket-LQ", false}, {"EPSON-Ticket-LQ", true}}));
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
        const auto drawn = texts(*destination.jobs.at(0));
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_EQ(drawn[0].text, "after");
    }
    writeTemplate("Ticket12", {tl('H', "SAYR1", 10, 10, "wdata->nosuch"), tl('H', "SAYR1", 40, 10, "\"after\"")});
    {
        testsupport::RecordingFaultHandler faults(core::FaultAnswer::Quit);
        EXPECT_EQ(print("Ticket12"), PrintResult::Stopped);
        EXPECT_EQ(faults.faults.size(), 1u);
        EXPECT_EQ(printCount(), 1);
    }
}

TEST_F(DocPrintTest, PositionsCountFromThePrintableAreaFormsFromTheSheetAndWhatCannotPrintIsNamed)
{
    openTicket();
    writeTemplate("Ticket12", {
                                  tl('H', "SAYR1", 10, 20, "\"A\""),
                                  tl('H', "LINE1", 10, 20, numbers34(30, 40)),
                                  tl('H', "IMAGE", 10, 20, numbers34(50, 80) + " logo.png"),
                                  tl('H', "IMAGE", 10, 20, numbers34(50, 80) + " missing.png"),
                                  tl('H', "WMFIM", 0, 0, "").substr(0, 8) + "form.png",
                                  tl('H', "RAWIM", 0, 0, "").substr(0, 8) + "init.prn",
                              });
    testsupport::writeFile(folder() + "init.prn", "\x1b@raw");
    const struct {
        int left, top;
    } margins[] = {{0, 0}, {50, 30}};
    for (const auto& m : margins) {
        SCOPED_TRACE(m.left);
        destination.marginLeft = m.left;
        destination.marginTop = m.top;
        prompts.shown.clear();
        ASSERT_EQ(print("Ticket12"), PrintResult::Printed);
        const testsupport::RecordingPrintJob& job = *destination.jobs.back();
        const std::string form = "form " + std::to_string(job.pageWidth()) + " " + std::to_string(job.pageHeight()) +
                                 " " + folder() + "form.png";
        const std::string at = std::to_string(240 + m.left) + " " + std::to_string(120 + m.top) + " ";
        EXPECT_EQ(std::vector<std::string>(job.log.begin() + 1, job.log.end()), (std::vector<std::string>{
                               "page 1", form, "text " + at + "L EucrosiaUPC 30 A",
                               "line " + at + std::to_string(480 + m.left) + " " + std::to_string(360 + m.top) + " 1",
                               "picture " + at + "960 600 " + folder() + "logo.png",
                               "picture " + at + "960 600 " + folder() + "missing.png", "end"}));
        ASSERT_EQ(prompts.shown.size(), 2u);
        EXPECT_EQ(prompts.shown[0].text, T("ไม่สามารถพิมพ์ภาพ missing.png (ฟอร์ม Ticket12 บรรทัดที่ 4)"));
        EXPECT_EQ(prompts.shown[1].text, T("เครื่องพิมพ์นี้รับข้อมูลโดยตรงจากแฟ้ม init.prn ไม่ได้ (ฟอร์ม Ticket12 บรรทัดที่ 6)"));
    }
    EXPECT_EQ(destination.raw, (std::vector<std::string>{"\x1b@raw", "\x1b@raw"}));
}

TEST_F(DocPrintTest, RawBytesGoInTemplateOrderOnlyAfterACompletedPrint)
{
    openTicket();
    testsupport::writeFile(folder() + "a.prn", "A");
    testsupport::writeFile(folder() + "b.prn", "B");
    testsupport::writeFile(folder() + "c.prn", "C");
    const std::string raw = tl('H', "RAWIM", 0, 0, "").substr(0, 8);
    writeTemplate("Ticket12", {raw + "a.prn", tl('F', "SAYR1", 10, 10, "\"x\""), tl('F', "RAWIM", 0, 0, "").substr(0, 8) + "c.prn",
                               raw + "b.prn"});
    destination.rawAccepted = true;
    ASSERT_EQ(print("Ticket12"), PrintResult::Printed);
    EXPECT_EQ(destination.raw, (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(destination.rawAfterEnd, (std::vector<bool>{true, true, true}));

    // A fault that stops the print after a raw line sends nothing.
    destination.raw.clear();
    writeTemplate("Ticket12", {raw + "a.prn", tl('H', "SAYR1", 10, 10, "wdata->nosuch")});
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
    const struct {
        core::FaultAnswer answer;
        PrintResult result;
        double count;
    } cases[] = {{core::FaultAnswer::Quit, PrintResult::NotCounted, 0}, {core::FaultAnswer::Retry, PrintResult::Printed, 1}};
    for (const auto& c : cases) {
        fs.failWrite = 1;
        testsupport::RecordingFaultHandler faults(c.answer);
        EXPECT_EQ(print("Ticket12"), c.result);
        ASSERT_EQ(faults.faults.size(), 1u);
        EXPECT_EQ(faults.faults[0].fileName.substr(faults.faults[0].fileName.size() - 10), "WDATA1.DBF");
        EXPECT_EQ(printCount(), c.count);
        EXPECT_TRUE(auditRows().empty());
    }
}

}  // namespace
