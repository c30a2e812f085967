// mervo-admin print on a demo site: the ticket's PDF text, the print counter and reprint audit, the
// refusals and the template's faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "core/tis620.h"
#include "support/pdf_text.h"
#include "support/run_process.h"
#include "support/temp_dir.h"
#include "support/test_site.h"
#include "weighing/evidence.h"

namespace {

using testsupport::runProcess;

const std::string kAdmin = MERVO_BINARY_DIR "/app/mervo-admin";

class PrintCommandTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new testsupport::TempDir;
        // The demo's codes and templates with empty books: the documents printed are the ones loaded.
        const auto init = runProcess(kAdmin, {"init", site(), "--demo", "--no-week"});
        ASSERT_EQ(init.exitCode, 0) << init.err;
        load("Wdata1",
             "TICKET,STAT,TRUCK,COMPANY,PRODUCT,WHOUSE,UNIT,MOISTURE,MIXTURE,REMARK1,DAYIN,TMIN,WIN,DAYOUT,TMOUT,WOUT,"
             "ADJ_W1,ADJ_W2,ADJ_M1,PRICE,RATE,QTY,AMOUNT,CASH,DRCR,STAFF\n"
             "000001,2,70-1234,F001,P001,W01,KG,M20,X2,ข้าวหอมมะลิ 105,20261205,08:15:20,15140,20261205,09:02:45,6480,"
             "260,43.3,40,12.5,1,8356.7,104418.75,50000,54418.75,ADMIN\n"
             "000002,1,81-5678,F002,P002,W02,KG,M15,X0,,20261205,10:05:00,12030,,,0,0,0,0,0,1,0,0,0,0,ADMIN\n");
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }

    static std::string site() { return s_dir->file("site"); }
    static std::string config() { return site() + "/MERVO.INI"; }
    static void load(const std::string& table, const std::string& csv)
    {
        const std::string file = s_dir->file(table + ".csv");
        testsupport::writeFile(file, csv);
        const auto r = runProcess(kAdmin, {"load", config(), table, file});
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }

    testsupport::ProcessResult print(const std::vector<std::string>& args)
    {
        std::vector<std::string> all = {"print", config()};
        all.insert(all.end(), args.begin(), args.end());
        return runProcess(kAdmin, all);
    }

    // The log's rows not marked deleted, as "TICKET STAFF DESCRIP: OLDDATA".
    std::vector<std::string> audit()
    {
        std::vector<std::string> rows;
        for (const testsupport::TableRow& r : testsupport::readRows(site(), "Audit"))
            if (!r.deleted)
                rows.push_back(r.text("TICKET") + " " + r.text("STAFF") + " " + r.text("DESCRIP") + ": " +
                               r.text("OLDDATA"));
        return rows;
    }

    static testsupport::TempDir* s_dir;
};

testsupport::TempDir* PrintCommandTest::s_dir = nullptr;

// The ticket printed with its Thai text; a reprint counted, marked a copy and audited with the
// user; a weight typed by hand (its evidence added here) printed with its mark.
TEST_F(PrintCommandTest, TicketPrintsWithThaiTextReprintsAreAuditedAndATypedWeightIsMarked)
{
    const std::string pdf = s_dir->file("ticket.pdf");
    auto r = print({"Ticket12", "1", "--pdf", pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Ticket12 000001 printed to " + pdf + " (print 1)\n");
    std::string text = testsupport::pdfText("-raw", pdf);
    for (const char* expected : {"บริษัท ตัวอย่างการค้า จำกัด", "ใบชั่งน้ำหนักรับซื้อสินค้า", "เลขที่ใบชั่ง 000001",
                                 "ทะเบียนรถ 70-1234 คนขับรถ นายสมปอง ขับดี", "ผู้ขาย F001 นายสมศักดิ์ ทองดี",
                                 "ชั่งเข้า 05/12/2026 08:15:20 15,140", "ชั่งออก 05/12/2026 09:02:45 6,480",
                                 "น้ำหนักสุทธิ 8,660", "น้ำหนักคงเหลือ 8,356.70", "จำนวนเงินสุทธิ 104,418.75",
                                 "ชำระโดย เงินสด 50,000.00 ลงบัญชี 54,418.75",
                                 "(หนึ่งแสนสี่พันสี่ร้อยสิบแปดบาทเจ็ดสิบห้าสตางค์)", "ต้นฉบับ"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    EXPECT_EQ(text.find("ป้อนเอง"), std::string::npos) << text;
    EXPECT_TRUE(audit().empty());

    r = print({"ticket12", "000001", "--pdf", pdf, "--user", "oper1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("(print 2)"), std::string::npos);
    EXPECT_NE(testsupport::pdfText("-raw", pdf).find("สำเนา ครั้งที่ 2"), std::string::npos);
    EXPECT_EQ(audit(), std::vector<std::string>{"Ticket12 OPER1 พิมพ์ครั้งที่  2: 000001"});

    weighing::evidence::Event typed;
    typed.kind = 1;
    typed.ticket = "000001";
    typed.event = "WEIGH2";
    typed.weight = 6480;
    typed.source = 'M';
    ASSERT_TRUE(weighing::evidence::append(site() + "/DATA/", typed).ok());
    r = print({"Ticket12", "1", "--pdf", pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    text = testsupport::pdfText("-raw", pdf);
    EXPECT_NE(text.find("ชั่งออก 05/12/2026 09:02:45 ป้อนเอง 6,480"), std::string::npos) << text;
    EXPECT_NE(text.find("ชั่งเข้า 05/12/2026 08:15:20 15,140\n"), std::string::npos) << text;
}

// A money voucher of nineteen lines over three pages: the page carried forward, the total in
// figures and words, the payee's name from its code table and the last line's ticket.
TEST_F(PrintCommandTest, VoucherOfNineteenLinesTakesThreePages)
{
    load("Money1", "TICKET,DATE,COMPANY,REMARK1,AMOUNT,CASH,DRCR,CHEQUE,INDENT,STAFF\n"
                   "000001,20261206,F001,ชำระค่าข้าวเปลือก,19000,19000,0,0,202612060360000,ADMIN\n");
    std::string lines = "INDENT,RECORD,DOC_NO,DOC_DATE,COMPANY,TYPE,TICKET,DATE,TIME,AMOUNT\n";
    for (int i = 1; i <= 19; ++i) {
        char row[160];
        std::snprintf(row, sizeof row, "202612060360000,2026120603600%02d,000001,20261206,F001,REC,%06d,20261205,08:%02d:00,%d\n",
                      i, i, i, 100 * i);
        lines += row;
    }
    load("Detail1", lines);

    const std::string pdf = s_dir->file("voucher.pdf");
    const auto r = print({"Money1", "1", "--pdf", pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string text = testsupport::pdfText("-raw", pdf);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), 3);
    const std::string page3 = text.substr(text.find('\f', text.find('\f') + 1));
    for (const char* expected : {"ยอดยกมา 13,600.00", "รวม 19 รายการ 19,000.00", "(หนึ่งหมื่นเก้าพันบาทถ้วน)"})
        EXPECT_NE(page3.find(expected), std::string::npos) << expected << "\n" << page3;
    EXPECT_NE(text.find("จ่ายให้ F001 นายสมศักดิ์ ทองดี"), std::string::npos) << text;
    EXPECT_NE(text.find("19 รับซื้อ 000019 05/12/2026 08:19:00 1,900.00"), std::string::npos) << text;
}

TEST_F(PrintCommandTest, RefusalsAndTemplateFaultsSayWhyAndAStoppedPrintIsNotCounted)
{
    const std::string pdf = s_dir->file("x.pdf");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* err;
    };
    const Case cases[] = {
        {{"Ticket12", "99", "--pdf", pdf}, 1, "no document 000099"},
        {{"Ticket32", "1", "--pdf", pdf}, 1, "no document 000001"},  // each form reads its own table
        {{"Money3", "1", "--pdf", pdf}, 1, "no document"},
        {{"Ticket62", "1", "--pdf", pdf}, 2, "not a form name"},
        {{"Ticket12", "12a", "--pdf", pdf}, 2, "not a document number"},
        {{"Ticket12", "1"}, 2, "usage"},
        {{"Print12", "1", "--pdf", pdf}, 1, "ไม่พบฟอร์ม Print12"},  // refused by the printing itself
    };
    std::filesystem::remove(site() + "/TABLES/Print12.txt");
    for (const Case& c : cases) {
        const auto r = print(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[0] << " " << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }

    // A line that cannot be read is left out and the print goes on; one that cannot be worked out stops it.
    testsupport::writeFile(site() + "/TABLES/Print11.txt", "H SAYR1    10    10 \"first\"\r\n"
                                                           "H SAYR1    20    10 \"unclosed\r\n"
                                                           "H SAYR1    30    10 nosuchvar\r\n");
    const auto r = print({"Print11", "2", "--pdf", pdf});
    EXPECT_EQ(r.exitCode, 1);
    for (const char* said : {"message ส่วนการพิมพ์เอกสาร: ", "Syntax error", "Variable does not exist"})
        EXPECT_NE(r.err.find(said), std::string::npos) << said << "\n" << r.err;
    EXPECT_EQ(testsupport::readRows(site(), "Wdata1").at(1).number("PRINT"), 0) << "a stopped print is not counted";
}

}  // namespace
