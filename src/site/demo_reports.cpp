#include "site/demo_reports.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <memory>

#include "core/tis620.h"
#include "storage/catalogue.h"
#include "storage/table.h"

namespace site {
namespace {

// Positions are hundredths of an inch on A4 (8.27 x 11.69 inches, 60 body lines a page): the
// table runs from kLeft to kRight, headings are centred on kMiddle.
constexpr int kLeft = 40;
constexpr int kRight = 790;
constexpr int kMiddle = 415;
constexpr int kPad = 6;  // between a column's rule and its text

const char* const kMoney = "999,999,999.99";
const char* const kKilos = "999,999,999";

// Expressions shared by the layouts (UTF-8 until written).
std::string beDate(const std::string& d)
{
    return "LEFT(DTOC(" + d + "),6)+STR(YEAR(" + d + ")+543,4)";
}
std::string longDate(const std::string& d)
{
    return "LTRIM(STR(DAY(" + d + ")))+\" \"+MONTHNAME(MONTH(" + d + "))+\" พ.ศ. \"+STR(YEAR(" + d + ")+543,4)";
}
std::string amount(const std::string& e, const char* picture = kMoney)
{
    return "TRAN(" + e + ",\"" + picture + "\")";
}
std::string count(const char* counter, const char* what)
{
    return "LTRIM(STR(" + std::string(counter) + "))+\" " + what + "\"";
}

// A definition under construction: settings and print lines in their fixed columns.
class Writer {
public:
    void setting(const char* name, const std::string& value) { m_lines.push_back(std::string("I,") + name + "," + value); }
    void comment(const std::string& text) { m_lines.push_back("* " + text); }
    void lf(char s, const char* option, int a, const std::string& e) { m_lines.push_back(head(s, "LF", option, a) + e); }
    void nf(char s, const char* option, int a, const std::string& e) { m_lines.push_back(head(s, "NF", option, a) + e); }
    void nh(char s) { m_lines.push_back(head(s, "NH", "", 0)); }
    // A rule under the line just printed: one line back (REPLINE), then LH's advance and rule.
    void ruleUnder(char s, int pen)
    {
        nf(s, "", 0, "REPLINE(-1)");
        lh(s, pen, kLeft, kRight);
    }
    void lh(char s, int pen, int a, int b)
    {
        m_lines.push_back(head(s, "LH", pen ? ("LINE" + std::to_string(pen)).c_str() : "", a) + number(b));
    }
    void lv(char s, int pen, int a) { m_lines.push_back(head(s, "LV", ("LINE" + std::to_string(pen)).c_str(), a)); }
    void sm(char s, int slot, const std::string& e) { m_lines.push_back(head(s, "SM", "", slot * 100) + e); }
    void na(char s, int slot, const std::string& e) { m_lines.push_back(head(s, "NA", "", slot * 100) + e); }

    std::string bytes() const
    {
        std::string out;
        for (const std::string& l : m_lines)
            out += core::tis620::fromUtf8(l) + "\r\n";
        return out;
    }

private:
    static std::string number(int n)
    {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%05d", n);
        return buf;
    }
    static std::string head(char section, const char* command, const std::string& option, int a)
    {
        std::string l(1, section);
        l += ",";
        l += command;
        l += ",";
        l += option;
        l.resize(10, ' ');
        return l + "," + number(a) + ",";
    }

    std::vector<std::string> m_lines;
};

// One column of a ruled table.
struct Column {
    const char* heading;     // UTF-8
    int left, right;
    char align;              // 'L' text from the left rule, 'R' numbers ending at the right one, 'C' centred
    std::string expression;  // of a detail row; empty: nothing
    int sum = 0;             // the accumulator slot that adds up `summed`; 0 none
    std::string summed{};    // the number added up
    const char* picture = kMoney;
};

// A number column: the value formatted, and optionally added up in an accumulator slot.
Column figure(const char* heading, int left, int right, const std::string& value, int sum = 0,
              const char* picture = kMoney)
{
    return {heading, left, right, 'R', amount(value, picture), sum, sum ? value : std::string(), picture};
}

// A ruled table report: the page header, the column headings, detail rows and the footers.
struct Layout {
    std::string file;
    int form = 0;
    std::string index, group, block, condition;
    bool period = true;              // the ranges' dates under the title, else "as at" today
    std::vector<Column> columns;
    int labelColumn = 0;             // the column of the footers' labels
    std::string groupLabel{};        // the group header's text; empty: no group row
    std::string groupTotal{};        // the group footer's label; empty: no group footer
    std::string total{};             // the report total's label
    bool carry = true;               // the page footer carries the totals forward
    std::function<void(Writer&)> groupBefore{};  // group header lines before its label (name slots)
    std::function<void(Writer&)> underLabel{};   // group header rows under its label, above the frame
    std::function<void(Writer&)> groupAfter{};   // group header rows inside the frame (an opening row)
    std::function<void(Writer&)> detailBefore{}; // detail lines before the row is printed
    std::function<void(Writer&)> footerAfter{};  // group footer lines after its ruled row
};

int textX(const Column& c)
{
    return c.align == 'L' ? c.left + kPad : c.align == 'R' ? c.right - kPad : (c.left + c.right) / 2;
}

const char* say(const Column& c, int font)
{
    static const char* const kSay[3][3] = {
        {"SAYR1", "SAYL1", "SAYC1"}, {"SAYR2", "SAYL2", "SAYC2"}, {"SAYR3", "SAYL3", "SAYC3"}};
    return kSay[font - 1][c.align == 'L' ? 0 : c.align == 'R' ? 1 : 2];
}

void rules(Writer& w, char section, const Layout& t)
{
    w.lv(section, 1, t.columns.front().left);
    for (const Column& c : t.columns)
        w.lv(section, 1, c.right);
}

// A row of footer figures: the label in its column, the accumulators of the summed columns.
void figures(Writer& w, char section, const Layout& t, const std::string& label, const char* accumulators)
{
    const Column& l = t.columns[std::size_t(t.labelColumn)];
    w.nf(section, "SAYR2", l.left + kPad, label);
    for (const Column& c : t.columns)
        if (c.sum)
            w.nf(section, "SAYL2", c.right - kPad,
                 amount(std::string(accumulators) + "[" + std::to_string(c.sum) + "]", c.picture));
}

std::string write(const Layout& t)
{
    Writer w;
    w.comment("รายงานตัวอย่าง: ปรับแก้ได้ตามความต้องการของกิจการ รูปแบบดูได้ที่ docs/reports.md");
    w.setting("FILES", t.file);
    w.setting("FORMS", std::to_string(t.form));
    w.setting("INDEX", t.index);
    w.setting("GROUP", t.group);
    w.setting("BLOCK", t.block);
    if (!t.condition.empty())
        w.setting("CONDI", t.condition);

    // Page header: the company, the report, its period, the printing date and the page; the
    // column headings between two rules, their columns ruled.
    w.na('H', 9, longDate(t.period ? "CDAYBEG" : "DATE()"));
    if (t.period)
        w.na('H', 10, longDate("CDAYEND"));
    w.lf('H', "SAYC3", kMiddle, "ALLTRIM(CHLINE)");
    w.lf('H', "SAYC1", kMiddle, "ALLTRIM(CHADDR1)+\" \"+ALLTRIM(CHADDR2)+\" \"+ALLTRIM(CHADDR3)");
    w.lf('H', "SAYC3", kMiddle, "ALLTRIM(CREPNAME)");
    w.lf('H', "SAYC2", kMiddle,
         t.period ? "\"ตั้งแต่วันที่ \"+CDNAME[9]+\" ถึงวันที่ \"+CDNAME[10]" : "\"ณ วันที่ \"+CDNAME[9]");
    w.lh('H', 2, kLeft, kRight);
    w.nf('H', "SAYR1", kLeft, "\"พิมพ์เมื่อ \"+" + beDate("DATE()") + "+\" เวลา \"+LEFT(TIME(),5)");
    w.nf('H', "SAYL1", kRight, "\"หน้า \"+LTRIM(STR(NPAGE))");
    w.lh('H', 1, kLeft, kRight);
    for (const Column& c : t.columns)
        w.nf('H', "SAYC2", (c.left + c.right) / 2, std::string("\"") + c.heading + "\"");
    rules(w, 'H', t);

    // Group header: its row above the frame of the group's rows.
    if (t.groupBefore)
        t.groupBefore(w);
    if (!t.groupLabel.empty())
        w.lf('G', "SAYR2", kLeft + kPad, t.groupLabel);
    if (t.underLabel)
        t.underLabel(w);
    w.nh('G');
    if (t.groupAfter)
        t.groupAfter(w);

    // Detail rows, and the sums of the summed columns.
    if (t.detailBefore)
        t.detailBefore(w);
    bool first = true;
    for (const Column& c : t.columns) {
        if (c.expression.empty())
            continue;
        if (first)
            w.lf('D', say(c, 1), textX(c), c.expression);
        else
            w.nf('D', say(c, 1), textX(c), c.expression);
        first = false;
    }
    for (const Column& c : t.columns)
        if (c.sum)
            w.sm('D', c.sum, c.summed);

    // Group footer: the group's figures on a row closed by a rule, the group's columns ruled.
    if (!t.groupTotal.empty()) {
        w.ruleUnder('S', 1);
        w.lh('S', 1, kLeft, kRight);
        figures(w, 'S', t, t.groupTotal, "CSUM");
        rules(w, 'S', t);
    }
    if (t.footerAfter)
        t.footerAfter(w);

    // Report total: a row between a rule and a thicker one, the columns ruled down from the top of
    // the last group (or of the page).
    w.ruleUnder('T', 1);
    w.lh('T', 2, kLeft, kRight);
    figures(w, 'T', t, t.total, "CTOT");
    rules(w, 'T', t);

    // Page footer (every page but the last): the page's frame closed, the totals carried forward.
    w.ruleUnder('F', 1);
    w.lh('F', 1, kLeft, kRight);
    if (t.carry)
        figures(w, 'F', t, "\"ยอดยกไป\"", "CTOT");
    rules(w, 'F', t);
    return w.bytes();
}

// ---- Weighing tickets of a kind, by day.

Layout tickets(int kind)
{
    const bool supplier = kind <= 2;
    const std::string party = supplier ? "Farmer" : "Company";
    const std::string net = "ABS(WIN-WOUT)";
    Layout t;
    t.file = "WDATA" + std::to_string(kind);
    t.form = kind == 5 ? 7 : 6;
    t.index = "DTOS(DAYIN)+TMIN+TICKET";
    t.group = t.block = "DTOS(DAYIN)";
    t.condition = "STAT=\"2\"";
    if (kind < 5) {
        t.columns = {
            {"เลขที่", 40, 100, 'L', "TICKET"},
            {"เวลาเข้า", 100, 155, 'L', "LEFT(TMIN,5)"},
            {"ทะเบียนรถ", 155, 240, 'L', "TRUCK"},
            {supplier ? "ผู้ขาย" : "ลูกค้า", 240, 430, 'L',
             "LEFT(ALLTRIM(COMPANY)+\" \"+ALLTRIM(" + party + "->NAME),34)"},
            {"สินค้า", 430, 540, 'L', "LEFT(ALLTRIM(Product->NAME),20)"},
            figure("น้ำหนักสุทธิ", 540, 620, net, 1, kKilos),
            figure("ปริมาณ", 620, 700, "QTY", 2),
            figure("จำนวนเงิน", 700, 790, "AMOUNT", 3),
        };
    } else {
        t.columns = {
            {"เลขที่", 40, 100, 'L', "TICKET"},
            {"เวลาเข้า", 100, 155, 'L', "LEFT(TMIN,5)"},
            {"ทะเบียนรถ", 155, 240, 'L', "TRUCK"},
            {"ผู้จ้าง", 240, 460, 'L', "LEFT(ALLTRIM(COMPANY)+\" \"+ALLTRIM(Company->NAME),44)"},
            figure("ชั่งเข้า", 460, 540, "WIN", 0, kKilos),
            figure("ชั่งออก", 540, 620, "WOUT", 0, kKilos),
            figure("น้ำหนักสุทธิ", 620, 700, net, 1, kKilos),
            figure("ค่าชั่ง", 700, 790, "AMOUNT", 3),
        };
    }
    t.labelColumn = 3;
    t.groupBefore = [](Writer& w) { w.na('G', 8, longDate("DAYIN")); };
    t.groupLabel = "\"วันที่ \"+CDNAME[8]";
    t.groupTotal = "\"รวมประจำวัน \"+" + count("NSUM", "ใบ");
    t.total = "\"รวมทั้งสิ้น \"+" + count("NITEM", "ใบ");
    return t;
}

// ---- Payments and receipts with their lines, by voucher.

Layout vouchersWithLines(int kind)
{
    const bool payment = kind == 1;
    const std::string money = payment ? "Money1" : "Money2";
    const std::string party = payment ? "Farmer" : "Company";
    Layout t;
    t.file = payment ? "DETAIL1" : "DETAIL2";
    t.form = 2;
    t.index = "DTOS(DOC_DATE)+DOC_NO+RECORD";
    t.group = t.block = "DTOS(DOC_DATE)+DOC_NO";
    const std::string type =
        payment ? "IIF(TYPE=\"REC\",\"ค่าสินค้ารับซื้อ\",IIF(TYPE=\"CAN\",\"หักค่าสินค้าส่งคืน\",\"รายการอื่น\"))"
                : "IIF(TYPE=\"INV\",\"ค่าสินค้าขาย\",IIF(TYPE=\"RET\",\"หักค่าสินค้ารับคืน\",\"รายการอื่น\"))";
    t.columns = {
        {"ลำดับ", 40, 90, 'R', "LTRIM(STR(NSUM))"},
        {"รายการ", 90, 340, 'L', type},
        {"เลขที่ใบชั่ง", 340, 440, 'L', "TICKET"},
        {"วันที่ชั่ง", 440, 540, 'L', beDate("DATE")},
        {"เวลาชั่ง", 540, 620, 'L', "TIME"},
        figure("จำนวนเงิน", 620, 790, "AMOUNT", 1),
    };
    t.labelColumn = 1;
    t.groupBefore = [money](Writer& w) {
        w.na('G', 1, money + "->CASH");
        w.na('G', 2, money + "->DRCR");
        w.na('G', 3, money + "->CHEQUE");
    };
    t.groupLabel = std::string(payment ? "\"ใบจ่ายเงินเลขที่ \"" : "\"ใบรับเงินเลขที่ \"") + "+DOC_NO+\"  วันที่ \"+" +
                   beDate("DOC_DATE") + (payment ? "+\"  จ่ายให้ \"" : "+\"  รับจาก \"") + "+ALLTRIM(" + money +
                   "->COMPANY)+\" \"+ALLTRIM(" + party + "->NAME)";
    t.underLabel = [money](Writer& w) {
        // The remark on a row of its own only when there is one.
        w.nf('G', "SAYR1", 95, "IIF(EMPTY(" + money + "->REMARK1),\"\",REPLINE(1)+\"หมายเหตุ \"+ALLTRIM(" + money +
                                   "->REMARK1))");
    };
    t.groupTotal = "\"รวม \"+" + count("NSUM", "รายการ");
    t.footerAfter = [](Writer& w) {
        // How the voucher was settled, under its frame.
        w.lf('S', "SAYR1", 95, "\"ชำระโดย เงินสด \"+LTRIM(" + amount("CDNAME[1]") + ")+\"  หักเงินกู้ \"+LTRIM(" +
                                   amount("CDNAME[2]") + ")+\"  เช็ค \"+LTRIM(" + amount("CDNAME[3]") + ")");
        w.nh('S');
    };
    t.total = "\"รวมทั้งสิ้น \"+" + count("NITEM", "รายการ");
    return t;
}

// ---- Loans given and taken, by party.

Layout loans(int kind)
{
    const bool given = kind == 3;
    const std::string party = given ? "Farmer" : "Company";
    Layout t;
    t.file = given ? "MONEY3" : "MONEY4";
    t.form = 2;
    t.index = "COMPANY+DTOS(DATE)+TICKET";
    t.group = t.block = "COMPANY";
    t.columns = {
        {"วันที่", 40, 140, 'L', beDate("DATE")},
        {"เลขที่", 140, 210, 'L', "TICKET"},
        {"หมายเหตุ", 210, 470, 'L', "LEFT(ALLTRIM(REMARK1),40)"},
        figure("เงินสด", 470, 570, "CASH", 1),
        figure("เช็ค", 570, 670, "CHEQUE", 2),
        figure("รวม", 670, 790, "CASH+CHEQUE", 3),
    };
    t.labelColumn = 2;
    t.groupLabel = std::string(given ? "\"ผู้กู้ \"" : "\"ผู้ให้กู้ \"") + "+ALLTRIM(COMPANY)+\" \"+ALLTRIM(" + party + "->NAME)";
    t.groupTotal = "\"รวม \"+" + count("NSUM", "รายการ");
    t.total = "\"รวมทั้งสิ้น \"+" + count("NITEM", "รายการ");
    return t;
}

// ---- Production lines, by record.

Layout production()
{
    Layout t;
    t.file = "DETAIL3";
    t.form = 2;
    t.index = "DTOS(DOC_DATE)+DOC_NO+RECORD";
    t.group = t.block = "DTOS(DOC_DATE)+DOC_NO";
    t.columns = {
        {"ลำดับ", 40, 90, 'R', "LTRIM(STR(NSUM))"},
        {"รหัสสินค้า", 90, 190, 'L', "CODE"},
        {"ชื่อสินค้า", 190, 470, 'L', "LEFT(ALLTRIM(Product->NAME),44)"},
        {"คลัง", 470, 560, 'L', "WHOUSE"},
        {"หน่วย", 560, 650, 'L', "UNIT"},
        figure("จำนวน", 650, 790, "QTY", 0, "999,999,999.999"),
    };
    t.labelColumn = 2;
    t.groupLabel = "\"ใบบันทึกการผลิตเลขที่ \"+DOC_NO+\"  วันที่ \"+" + beDate("DOC_DATE") +
                   "+\"  \"+ALLTRIM(Stock1->REMARK1)";
    t.groupTotal = "\"รวม \"+" + count("NSUM", "รายการ");
    t.total = "\"รวมทั้งสิ้น \"+" + count("NITEM", "รายการ");
    t.carry = false;
    return t;
}

// ---- The status ledgers.

Layout ledger(int kind)
{
    Layout t;
    t.period = false;
    t.group = t.block = "\"1\"";
    t.form = 3;
    t.total = "\"รวมทั้งสิ้น \"+" + count("NITEM", "รายการ");
    switch (kind) {
    case 1:
        t.file = "STOCK";
        t.index = "CODE+WHOUSE";
        t.columns = {
            {"ลำดับ", 40, 90, 'R', "LTRIM(STR(NITEM))"},
            {"รหัสสินค้า", 90, 190, 'L', "CODE"},
            {"ชื่อสินค้า", 190, 520, 'L', "LEFT(ALLTRIM(Product->NAME),50)"},
            {"คลังสินค้า", 520, 630, 'L', "WHOUSE"},
            figure("ยอดคงเหลือ", 630, 790, "BALANCE", 1),
        };
        t.labelColumn = 2;
        break;
    case 2:
    case 3: {
        const std::string party = kind == 2 ? "Farmer" : "Company";
        t.file = kind == 2 ? "APACC" : "ARACC";
        t.index = "CODE";
        t.columns = {
            {"ลำดับ", 40, 90, 'R', "LTRIM(STR(NITEM))"},
            {kind == 2 ? "รหัสผู้ขาย" : "รหัสลูกค้า", 90, 190, 'L', "CODE"},
            {kind == 2 ? "ชื่อผู้ขาย" : "ชื่อลูกค้า", 190, 470, 'L', "LEFT(ALLTRIM(" + party + "->NAME),44)"},
            figure(kind == 2 ? "ยอดค้างจ่าย" : "ยอดค้างรับ", 470, 630, "BALANCE", 1),
            figure("ยอดเงินกู้ยืม", 630, 790, "BORROW", 2),
        };
        t.labelColumn = 2;
        break;
    }
    default:
        t.file = "ORACC";
        t.index = "COMPANY+PRODUCT+CODE";
        t.group = t.block = "COMPANY";
        t.columns = {
            {"เลขที่สั่งซื้อ", 40, 130, 'L', "CODE"},
            {"สินค้า", 130, 330, 'L', "LEFT(ALLTRIM(PRODUCT)+\" \"+ALLTRIM(Product->NAME),30)"},
            {"วันที่", 330, 420, 'L', beDate("DATE")},
            figure("สั่ง (กก.)", 420, 510, "ORWEIGHT", 1, kKilos),
            figure("ส่งแล้ว (กก.)", 510, 600, "WEIGHT", 2, kKilos),
            figure("ค้างส่ง (กก.)", 600, 690, "ORWEIGHT-WEIGHT", 3, kKilos),
            figure("มูลค่าส่งแล้ว", 690, 790, "AMOUNT", 4),
        };
        t.labelColumn = 1;
        t.groupLabel = "\"ลูกค้า \"+ALLTRIM(COMPANY)+\" \"+ALLTRIM(Company->NAME)";
        t.groupTotal = "\"รวม \"+" + count("NSUM", "ใบสั่งซื้อ");
        break;
    }
    return t;
}

// ---- Listings of the code tables.

Layout codes(int table)
{
    Layout t;
    t.file = storage::codeTable(table).name;
    for (char& c : t.file)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    t.form = 1;
    t.index = "CODE";
    t.group = t.block = "\"1\"";
    t.period = false;
    t.carry = false;
    t.total = "\"รวมทั้งสิ้น \"+" + count("NITEM", "รายการ");
    const Column number{"ลำดับ", 40, 90, 'R', "LTRIM(STR(NITEM))"};
    const Column code{"รหัส", 90, 190, 'L', "CODE"};
    t.labelColumn = 2;
    switch (table) {
    case 1:
    case 2:
        t.columns = {number, code, {table == 1 ? "ชื่อผู้ขาย" : "ชื่อลูกค้า", 190, 450, 'L', "LEFT(ALLTRIM(NAME),40)"},
                     {"ที่อยู่", 450, 790, 'L', "LEFT(ALLTRIM(ADDR1)+\" \"+ALLTRIM(ADDR2),56)"}};
        break;
    case 3:
        t.columns = {number,
                     {"รหัส", 90, 170, 'L', "CODE"},
                     {"ชื่อสินค้า", 170, 350, 'L', "LEFT(ALLTRIM(NAME),28)"},
                     {"หน่วย 1", 350, 410, 'L', "UNIT1"},
                     figure("ราคา 1", 410, 490, "PRICE1", 0, "99,999.999"),
                     {"หน่วย 2", 490, 550, 'L', "UNIT2"},
                     figure("ราคา 2", 550, 630, "PRICE2", 0, "@Z 99,999.999"),
                     {"หน่วย 3", 630, 690, 'L', "UNIT3"},
                     figure("ราคา 3", 690, 790, "PRICE3", 0, "@Z 99,999.999")};
        break;
    case 4:
        t.columns = {number, code, {"ชื่อพนักงาน", 190, 790, 'L', "ALLTRIM(NAME)"}};
        break;
    case 5:
        t.columns = {number, code, {"ชื่อคลังสินค้า", 190, 470, 'L', "LEFT(ALLTRIM(NAME),44)"},
                     {"หมายเหตุ", 470, 790, 'L', "LEFT(ALLTRIM(REMARKS),50)"}};
        break;
    case 6:
        t.columns = {number, code, {"ชื่อหน่วยนับ", 190, 450, 'L', "LEFT(ALLTRIM(NAME),40)"},
                     figure("อัตรา (กก.)", 450, 560, "RATE", 0, "999,999.999"),
                     {"หมายเหตุ", 560, 790, 'L', "LEFT(ALLTRIM(REMARKS),36)"}};
        break;
    case 7:
        t.columns = {number,
                     {"ทะเบียนรถ", 90, 190, 'L', "CODE"},
                     {"รายละเอียด", 190, 440, 'L', "LEFT(ALLTRIM(NAME),38)"},
                     {"คนขับรถ", 440, 650, 'L', "LEFT(ALLTRIM(DRIVER),32)"},
                     figure("น้ำหนักรถ (กก.)", 650, 790, "WEIGHT", 0, "99,999")};
        break;
    case 8:
    case 9:
    case 10:
        t.columns = {number, code, {"รายละเอียด", 190, 480, 'L', "LEFT(ALLTRIM(NAME),44)"},
                     figure("หักน้ำหนัก/ตัน", 480, 630, "WEIGHT", 0, "99,999.99"),
                     figure("หักราคา/ตัน", 630, 790, "PRICE", 0, "999,999.999")};
        break;
    case 11:
        t.columns = {number, code, {"รายละเอียด", 190, 620, 'L', "ALLTRIM(NAME)"},
                     {"เลขที่ถัดไป", 620, 790, 'R', "ZERO(CSNO,6)"}};
        break;
    default:
        t.columns = {number, code, {"ชื่อรายงาน", 190, 790, 'L', "ALLTRIM(NAME)"}};
        break;
    }
    return t;
}

// ---- Movement analyses: opening balance, the period's movements, closing balance.

Layout movements(int which)
{
    Layout t;
    t.form = 4;
    t.file = "D_";
    const std::string nines = "\"๙๙๙๙๙๙๙๙๙๙\"";
    // which 1 suppliers, 2 customers, 3 stock: the row's effect on the balance (up, down) and on
    // the loan, its description.
    std::string up, down, loan, what, key, label, ledger;
    switch (which) {
    case 1:
        key = "FARMER";
        ledger = "apacc";
        up = "IIF(TYPE=\"REC\",DRCR,0)";
        down = "IIF(TYPE=\"CAN\",DRCR,0)+IIF(TYPE=\"MON1\",CASH+CHEQUE+BORROW,0)";
        loan = "IIF(TYPE=\"MON3\",CASH+CHEQUE,0)-IIF(TYPE=\"MON1\",BORROW,0)";
        what = "IIF(TYPE=\"REC\",\"รับซื้อ\",IIF(TYPE=\"CAN\",\"ส่งคืนสินค้า\",IIF(TYPE=\"MON1\",\"จ่ายชำระ\",\"ให้กู้/เบิก\")))";
        label = "\"ผู้ขาย \"+ALLTRIM(FARMER)+\" \"+ALLTRIM(Farmer->NAME)";
        break;
    case 2:
        key = "COMPANY";
        ledger = "aracc";
        up = "IIF(TYPE=\"INV\".OR.TYPE=\"SCL\",DRCR,0)";
        down = "IIF(TYPE=\"RET\",DRCR,0)+IIF(TYPE=\"MON2\",CASH+CHEQUE+BORROW,0)";
        loan = "IIF(TYPE=\"MON4\",CASH+CHEQUE,0)-IIF(TYPE=\"MON2\",BORROW,0)";
        what = "IIF(TYPE=\"INV\",\"ขายสินค้า\",IIF(TYPE=\"SCL\",\"รับจ้างชั่ง\",IIF(TYPE=\"RET\",\"รับคืนสินค้า\","
               "IIF(TYPE=\"MON2\",\"รับชำระ\",\"กู้/ยืมเงิน\"))))";
        label = "\"ลูกค้า \"+ALLTRIM(COMPANY)+\" \"+ALLTRIM(Company->NAME)";
        break;
    default:
        key = "PRODUCT";
        ledger = "stock";
        up = "IIF(TYPE=\"REC\".OR.TYPE=\"RET\".OR.(TYPE=\"STK1\".AND.QTY>0),QTY,0)";
        down = "IIF(TYPE=\"CAN\".OR.TYPE=\"INV\",QTY,0)-IIF(TYPE=\"STK1\".AND.QTY<0,QTY,0)";
        what = "IIF(TYPE=\"REC\",\"รับซื้อ\",IIF(TYPE=\"CAN\",\"ส่งคืนผู้ขาย\",IIF(TYPE=\"INV\",\"ขาย\","
               "IIF(TYPE=\"RET\",\"รับคืน\",\"ผลิต\"))))";
        label = "\"สินค้า \"+ALLTRIM(PRODUCT)+\" \"+ALLTRIM(Product->NAME)+\"  คลัง \"+ALLTRIM(WHOUSE)";
        break;
    }
    const bool stock = which == 3;
    t.index = key + (stock ? "+WHOUSE" : "") + "+DTOS(DATE)+TYPE+TICKET";
    t.group = t.block = stock ? "PRODUCT+WHOUSE" : key;
    t.condition = key + "<>" + nines;
    t.carry = false;
    const char* picture = kMoney;
    const char* movement = "@Z 999,999,999.99";  // a movement that is not there stays blank
    t.columns = {
        {"วันที่", 40, 140, 'L', beDate("DATE")},
        {"รายการ", 140, stock ? 440 : 340, 'L', what + "+\" \"+TICKET"},
        figure(stock ? "รับเข้า" : "เพิ่มขึ้น", stock ? 440 : 340, stock ? 560 : 450, up, 1, movement),
        figure(stock ? "จ่ายออก" : "ลดลง", stock ? 560 : 450, stock ? 670 : 560, down, 2, movement),
        {"คงเหลือ", stock ? 670 : 560, stock ? 790 : 670, 'R', amount("CDNAME[3]", picture)},
    };
    if (!stock)
        t.columns.push_back({"เงินกู้ยืมคงเหลือ", 670, 790, 'R', amount("CDNAME[4]")});
    t.labelColumn = 1;
    t.groupLabel = label;
    // The opening values come from the ledger the first row relates to; the group's footer runs
    // on the next group's first row, so they are kept in name slots 1 to 4 (3 and 4 running).
    t.groupBefore = [ledger, stock](Writer& w) {
        w.na('G', 1, ledger + "->BEGIN");
        w.na('G', 3, ledger + "->BEGIN");
        if (!stock) {
            w.na('G', 2, ledger + "->BBEGIN");
            w.na('G', 4, ledger + "->BBEGIN");
        }
    };
    const int balanceX = t.columns[4].right - kPad;
    t.groupAfter = [balanceX, picture, stock](Writer& w) {
        w.lf('G', "SAYR1", 140 + kPad, "\"ยอดยกมา\"");
        w.nf('G', "SAYL1", balanceX, amount("CDNAME[1]", picture));
        if (!stock)
            w.nf('G', "SAYL1", kRight - kPad, amount("CDNAME[2]"));
    };
    t.detailBefore = [up, down, loan, stock](Writer& w) {
        w.na('D', 3, "CDNAME[3]+" + up + "-(" + down + ")");
        if (!stock)
            w.na('D', 4, "CDNAME[4]+" + loan);
    };
    t.groupTotal = "\"ยอดคงเหลือยกไป\"";
    t.footerAfter = [balanceX, picture, stock](Writer& w) {
        // The closing balances on the group's total row.
        w.nf('S', "SAYL2", balanceX, amount("CDNAME[3]", picture));
        if (!stock)
            w.nf('S', "SAYL2", kRight - kPad, amount("CDNAME[4]"));
    };
    t.total = "\"รวมการเคลื่อนไหวทั้งสิ้น \"+" + count("NITEM", "รายการ");
    return t;
}

// ---- The balance summary.

Layout summary()
{
    Layout t;
    t.file = "D_";
    t.form = 5;
    t.index = "CODE";
    t.group = t.block = "\"1\"";
    t.carry = false;
    t.columns = {
        {"รหัส", 40, 90, 'L', "CODE"},
        {"รายการ", 90, 330, 'L', "ALLTRIM(DESCRIPT)"},
        figure("เงินสด", 330, 420, "CASH"),
        figure("ลงบัญชี", 420, 510, "DRCR"),
        figure("เช็ค", 510, 600, "CHEQUE"),
        figure("ยอดคงเหลือ", 600, 700, "BALANCE"),
        figure("เงินกู้ยืม", 700, 790, "BORROW"),
    };
    t.labelColumn = 1;
    t.total = "\"รวม \"+" + count("NITEM", "รายการ");
    return t;
}

struct Entry {
    const char* code;
    const char* name;
    std::function<Layout()> layout;
};

const std::vector<Entry>& entries()
{
    static const std::vector<Entry> kEntries = [] {
        std::vector<Entry> e;
        static const char* const kCodeNames[] = {
            "รายงานรหัสผู้ขาย", "รายงานรหัสลูกค้า", "รายงานรหัสสินค้า", "รายงานรหัสพนักงาน",
            "รายงานรหัสคลังสินค้า", "รายงานรหัสหน่วยนับ", "รายงานรหัสทะเบียนรถ", "รายงานรหัสความชื้น",
            "รายงานรหัสสิ่งเจือปน", "รายงานรหัสคุณภาพ", "รายงานรหัสเลขลำดับเอกสาร", "รายงานรหัสรายงาน"};
        static const char* const kCodes[] = {"COD01", "COD02", "COD03", "COD04", "COD05", "COD06",
                                             "COD07", "COD08", "COD09", "COD10", "COD11", "COD12"};
        e.push_back({"ACC01", "รายงานความเคลื่อนไหวบัญชีผู้ขาย", [] { return movements(1); }});
        e.push_back({"ACC02", "รายงานความเคลื่อนไหวบัญชีลูกค้า", [] { return movements(2); }});
        e.push_back({"ACC03", "รายงานความเคลื่อนไหวสินค้า", [] { return movements(3); }});
        for (int n = 1; n <= 12; ++n)
            e.push_back({kCodes[n - 1], kCodeNames[n - 1], [n] { return codes(n); }});
        e.push_back({"GLR01", "รายงานสรุปยอดคงเหลือและยอดรวม", summary});
        e.push_back({"MON01", "รายงานการจ่ายเงิน", [] { return vouchersWithLines(1); }});
        e.push_back({"MON02", "รายงานการรับเงิน", [] { return vouchersWithLines(2); }});
        e.push_back({"MON03", "รายงานการให้กู้/เบิกเงินล่วงหน้า", [] { return loans(3); }});
        e.push_back({"MON04", "รายงานการขอกู้/ยืมเงิน", [] { return loans(4); }});
        e.push_back({"STA01", "รายงานยอดสินค้าคงเหลือ", [] { return ledger(1); }});
        e.push_back({"STA02", "รายงานยอดเจ้าหนี้ผู้ขาย", [] { return ledger(2); }});
        e.push_back({"STA03", "รายงานยอดลูกหนี้ลูกค้า", [] { return ledger(3); }});
        e.push_back({"STA04", "รายงานใบสั่งซื้อของลูกค้า", [] { return ledger(4); }});
        e.push_back({"STK01", "รายงานการผลิต", production});
        static const char* const kTickets[] = {"รายงานการชั่งรับซื้อสินค้า", "รายงานการชั่งส่งคืนสินค้า",
                                               "รายงานการชั่งขายสินค้า", "รายงานการชั่งรับคืนสินค้า",
                                               "รายงานการรับจ้างชั่ง"};
        static const char* const kTicketCodes[] = {"TRK01", "TRK02", "TRK03", "TRK04", "TRK05"};
        for (int k = 1; k <= 5; ++k)
            e.push_back({kTicketCodes[k - 1], kTickets[k - 1], [k] { return tickets(k); }});
        return e;
    }();
    return kEntries;
}

}  // namespace

const std::vector<DemoReport>& demoReports()
{
    static const std::vector<DemoReport> kReports = [] {
        std::vector<DemoReport> r;
        for (const Entry& e : entries())
            r.push_back({e.code, e.name});
        return r;
    }();
    return kReports;
}

bool writeDemoReports(const std::string& folder, std::string* error)
{
    for (const Entry& e : entries()) {
        const std::string path = folder + e.code + ".txt";
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        const std::string bytes = write(e.layout());
        out.write(bytes.data(), std::streamsize(bytes.size()));
        out.close();
        if (!out) {
            *error = path + ": cannot be written";
            return false;
        }
    }
    const storage::TableDef& def = storage::codeTable(12);
    std::unique_ptr<storage::Table> list;
    storage::Status s = storage::openCatalogueTable(folder, def, storage::ShareMode::Shared, &list);
    for (const Entry& e : entries()) {
        if (s.ok())
            s = list->appendWait();
        if (s.ok())
            s = list->put("CODE", core::Value::text(e.code));
        if (s.ok())
            s = list->put("NAME", core::Value::text(core::tis620::fromUtf8(e.name)));
    }
    if (s.ok())
        s = list->commit();
    if (s.ok())
        s = list->close();
    if (!s.ok()) {
        *error = "Replist: " + s.toString();
        return false;
    }
    return true;
}

}  // namespace site
