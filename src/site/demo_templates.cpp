#include "site/demo_templates.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "core/tis620.h"

namespace site {
namespace {

// Positions are hundredths of an inch on 9.5 x 5.5 inch continuous paper. Text is in the medium
// document font ("2", 16 x 50) on rows 22 apart; titles, the company and the amount due in the
// large one ("3", 24 x 80). The small one ("1", 8 x 30) is left to the sites.
constexpr int kLeft = 30;
constexpr int kRight = 920;
constexpr int kMiddle = 475;
constexpr int kHalf = 490;  // the right half of a ticket: the money
constexpr int kStep = 22;

// A template under construction: lines in the fixed columns, UTF-8 until written.
class Builder {
public:
    void text(char section, const char* command, int row, int col, const std::string& expression)
    {
        m_lines.push_back(head(section, command, row, col) + expression);
    }
    void left(char section, int row, int col, const std::string& expression) { text(section, "SAYR2", row, col, expression); }
    void right(char section, int row, int col, const std::string& expression) { text(section, "SAYL2", row, col, expression); }
    void line(char section, int pen, int row, int col, int row2, int col2)
    {
        m_lines.push_back(head(section, ("LINE" + std::to_string(pen)).c_str(), row, col) + number(row2) + " " +
                          number(col2));
    }
    void numbers(char section, const char* command, int n1, int n2)
    {
        std::string l = head(section, command, n1, n2);
        l.pop_back();
        m_lines.push_back(l);
    }
    void sum(char section, int n, const std::string& expression)
    {
        char command[8];
        std::snprintf(command, sizeof command, "SUM%02d", n);
        m_lines.push_back(head(section, command, 0, 0) + expression);
    }
    void comment(const std::string& text) { m_lines.push_back("* " + text); }

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
        std::snprintf(buf, sizeof buf, "%5d", n);
        return buf;
    }
    static std::string head(char section, const char* command, int n1, int n2)
    {
        std::string cmd = command;
        cmd.resize(5, ' ');
        return std::string(1, section) + " " + cmd + " " + number(n1) + " " + number(n2) + " ";
    }

    std::vector<std::string> m_lines;
};

std::string quoted(const std::string& utf8)
{
    return "\"" + utf8 + "\"";
}

std::string money(const std::string& field)
{
    return "TRANSFORM(" + field + ",\"999,999,999.99\")";
}

// The company block every document opens with: name, address, tax number and branch, the title;
// a line under it at row 108.
void companyHeader(Builder& b, char section, const std::string& title)
{
    b.text(section, "SAYC3", 6, kMiddle, "TRIM(CHLINE)");
    b.text(section, "SAYC2", 38, kMiddle, "TRIM(CHADDR1)+\" \"+TRIM(CHADDR2)+\" \"+TRIM(CHADDR3)");
    b.text(section, "SAYC2", 57, kMiddle,
           "\"เลขประจำตัวผู้เสียภาษีอากร \"+TRIM(CHTAXID)+IIF(VAL(CHBRANCH)=0,\"  (สำนักงานใหญ่)\",\"  (สาขาที่ \"+TRIM(CHBRANCH)+\")\")");
    b.text(section, "SAYC3", 76, kMiddle, quoted(title));
    b.line(section, 2, 108, kLeft, 108, kRight);
}

// The original or a copy: PRINT counts the prints made before this one.
const char* kCopyMark = "IIF(wdata->print=0,\"ต้นฉบับ\",\"สำเนา ครั้งที่ \"+LTRIM(STR(wdata->print+1)))";

// Three signature lines at row 496 with their captions (the staff who saved the document beside
// the first), and the time of printing at the foot.
void signatures(Builder& b, char section, const std::string& a, const std::string& c, const std::string& d)
{
    const int cols[3][2] = {{60, 280}, {365, 585}, {680, 900}};
    const std::string captions[3] = {quoted(a + "  ( ") + "+TRIM(wdata->staff)+\" )\"", quoted(c), quoted(d)};
    for (int i = 0; i < 3; ++i) {
        b.line(section, 1, 496, cols[i][0], 496, cols[i][1]);
        b.text(section, "SAYC2", 499, (cols[i][0] + cols[i][1]) / 2, captions[i]);
    }
    b.left(section, 524, kLeft, "\"พิมพ์เมื่อ \"+DTOC(DATE())+\" \"+TIME()");
    b.right(section, 524, kRight, kCopyMark);
}

// How the amount is settled: cash, on account and cheque side by side; returns the next row.
int payment(Builder& b, char section, int row, bool cheque, bool onAccount)
{
    b.left(section, row, kLeft, "\"ชำระโดย\"");
    b.left(section, row, 130, "\"เงินสด  \"+LTRIM(" + money("wdata->cash") + ")");
    if (onAccount)
        b.left(section, row, 360, "\"ลงบัญชี  \"+LTRIM(" + money("wdata->drcr") + ")");
    if (cheque)
        b.left(section, row, 600, "\"เช็ค  \"+LTRIM(" + money("wdata->cheque") + ")");
    return row + kStep;
}

// The amount in words, then the remarks with the cheque's number and bank at the right when there
// is a cheque; returns the next row.
int inWordsAndRemarks(Builder& b, char section, int row, const std::string& remarks, bool cheque)
{
    b.left(section, row, kLeft, "\"จำนวนเงิน (ตัวอักษร)  \"+BAHT(wdata->amount)");
    row += kStep;
    b.left(section, row, kLeft, "\"หมายเหตุ  \"+" + remarks);
    if (cheque)
        b.right(section, row, kRight,
                "IIF(EMPTY(wdata->chq_no),\"\",\"เช็คเลขที่ \"+TRIM(wdata->chq_no)+\"  \"+TRIM(wdata->chq_bank))");
    return row + kStep;
}

struct KindText {
    const char* title;
    const char* party;       // caption of the counterpart
    const char* partyAlias;  // its code table
    const char* adjust[6];   // the deduction captions of the kind
};

const KindText kKinds[5] = {
    {"ใบชั่งน้ำหนักรับซื้อสินค้า", "ผู้ขาย", "farmer",
     {"หักความชื้น", "หักสิ่งเจือปน", "หักน้ำหนัก", "หักค่าชั่ง", "หักเบิกล่วงหน้า", "หักอื่นๆ"}},
    {"ใบชั่งน้ำหนักส่งคืนสินค้า", "ผู้ขาย", "farmer",
     {"หักความชื้น", "หักสิ่งเจือปน", "หักน้ำหนัก", "หักค่าชั่ง", "หักเบิกล่วงหน้า", "หักอื่นๆ"}},
    {"ใบชั่งน้ำหนักขาย / ส่งสินค้า", "ลูกค้า", "company",
     {"หักน้ำหนัก 1", "หักน้ำหนัก 2", "หักน้ำหนัก 3", "หักเงิน 1", "หักเงิน 2", "หักเงิน 3"}},
    {"ใบชั่งน้ำหนักรับคืนสินค้า", "ลูกค้า", "company",
     {"หักน้ำหนัก 1", "หักน้ำหนัก 2", "หักน้ำหนัก 3", "หักเงิน 1", "หักเงิน 2", "หักเงิน 3"}},
    {"ใบรับจ้างชั่งน้ำหนักรถบรรทุก", "ผู้จ้าง", "company", {}},
};

// Ticket number, truck, counterpart, goods and grades from row 114; returns the first row under
// the line that closes them.
int ticketParticulars(Builder& b, int kind)
{
    const KindText& k = kKinds[kind - 1];
    int row = 114;
    b.left('H', row, kLeft, "\"เลขที่ใบชั่ง  \"+wdata->ticket");
    b.right('H', row, kRight, "\"สถานะ  \"+IIF(wdata->stat=\"2\",\"ชั่งเสร็จแล้ว\",\"รอชั่งออก\")");
    row += kStep;
    b.left('H', row, kLeft, "\"ทะเบียนรถ  \"+TRIM(wdata->truck)");
    if (kind <= 4)  // the hire screen does not open the truck table
        b.left('H', row, kHalf, "\"คนขับรถ  \"+TRIM(truckdt->driver)");
    row += kStep;
    b.left('H', row, kLeft,
           quoted(std::string(k.party) + "  ") + "+TRIM(wdata->company)+\"  \"+TRIM(" + k.partyAlias + "->name)");
    row += kStep;
    if (kind <= 4) {
        b.left('H', row, kLeft, "\"สินค้า  \"+TRIM(wdata->product)+\"  \"+TRIM(product->name)");
        b.left('H', row, kHalf, "\"คลังสินค้า  \"+TRIM(whouse->name)");
        row += kStep;
        if (kind <= 2) {
            b.left('H', row, kLeft, "\"ความชื้น  \"+TRIM(moisture->name)");
            b.left('H', row, kHalf, "\"สิ่งเจือปน  \"+TRIM(mixture->name)");
        } else {
            b.left('H', row, kLeft, "\"คุณภาพ  \"+TRIM(quality->name)");
            b.left('H', row, kHalf, "\"เลขที่ใบสั่งซื้อ  \"+TRIM(wdata->remark4)");
        }
        row += kStep;
    }
    b.line('H', 1, row + 2, kLeft, row + 2, kRight);
    return row + 6;
}

// The weighings (the second one only on a complete ticket) and the net weight in the left half,
// a weight typed by hand marked "ป้อนเอง" (cWinSrc, cWoutSrc) right after it; returns
// the next row.
int weighings(Builder& b, int row, bool second)
{
    constexpr int kTimeColumn = 240;
    constexpr int kMarkColumn = 316;
    b.left('H', row, kLeft, "\"รายการ\"");
    b.left('H', row, 150, "\"วันที่\"");
    b.left('H', row, kTimeColumn, "\"เวลา\"");
    b.right('H', row, 450, "\"น้ำหนัก (กก.)\"");
    row += kStep;
    b.left('H', row, kLeft, "\"ชั่งเข้า\"");
    b.left('H', row, 150, "DTOC(wdata->dayin)");
    b.left('H', row, kTimeColumn, "wdata->tmin");
    b.left('H', row, kMarkColumn, "cWinSrc");
    b.right('H', row, 450, "TRANSFORM(wdata->win,\"999,999\")");
    row += kStep;
    if (!second)
        return row;
    b.left('H', row, kLeft, "\"ชั่งออก\"");
    b.left('H', row, 150, "DTOC(wdata->dayout)");
    b.left('H', row, kTimeColumn, "wdata->tmout");
    b.left('H', row, kMarkColumn, "cWoutSrc");
    b.right('H', row, 450, "TRANSFORM(wdata->wout,\"999,999\")");
    row += kStep;
    b.line('H', 1, row + 1, 330, row + 1, 450);
    row += 3;
    b.left('H', row, kLeft, "\"น้ำหนักสุทธิ\"");
    b.right('H', row, 450, "TRANSFORM(ABS(wdata->wout-wdata->win),\"999,999\")");
    return row + kStep;
}

std::string ticketTemplate(int kind, bool complete, bool certificate)
{
    const KindText& k = kKinds[kind - 1];
    Builder b;
    b.comment(std::string("Form ") + (certificate ? "Print" : "Ticket") + std::to_string(kind) + (complete ? "2" : "1") +
              ": " + (complete ? "complete ticket" : "first weighing") + ", 9.5 x 5.5 inch continuous paper");
    b.numbers('H', "PSIZE", 950, 550);
    std::string title = k.title;
    if (!complete)
        title = "บัตรชั่งน้ำหนักเข้า (รอชั่งออก)";
    else if (certificate)
        title = "ใบรับรองน้ำหนัก";
    companyHeader(b, 'H', title);
    const int top = ticketParticulars(b, kind);
    int row = weighings(b, top, complete);
    const std::string remarks = "TRIM(wdata->remark1)+\" \"+TRIM(wdata->remark2)+\" \"+TRIM(wdata->remark3)";

    if (!complete) {
        b.left('H', row, kLeft, "\"หมายเหตุ  \"+" + remarks);
        b.text('H', "SAYC3", row + 2 * kStep, kMiddle, "\"โปรดนำบัตรนี้มาแสดงเมื่อชั่งออก\"");
        signatures(b, 'H', "ผู้ชั่ง", "คนขับรถ", "ผู้ตรวจสอบ");
        return b.bytes();
    }
    if (kind <= 4) {
        for (int i = 0; i < 3; ++i) {
            b.left('H', row, kLeft, quoted(k.adjust[i]));
            b.right('H', row, 450, "TRANSFORM(wdata->adj_w" + std::to_string(i + 1) + ",\"99,999.99\")");
            row += kStep;
        }
        b.line('H', 1, row + 1, 330, row + 1, 450);
        row += 3;
        b.left('H', row, kLeft, "\"น้ำหนักคงเหลือ\"");
        b.right('H', row, 450, "TRANSFORM(wdata->qty,\"999,999.99\")");
        row += kStep;
    }
    if (certificate) {
        b.left('H', row + 4, kLeft, "\"หมายเหตุ  \"+" + remarks);
        signatures(b, 'H', "ผู้ชั่ง", std::string(k.party) + " / คนขับรถ", "ผู้ตรวจสอบ");
        return b.bytes();
    }
    // The money in the right half, beside the weighings.
    int r = top;
    if (kind <= 4) {
        b.left('H', r, kHalf, "\"ราคาต่อหน่วย\"");
        b.right('H', r, kRight, "TRANSFORM(wdata->price,\"999,999.999\")+\" บาท/\"+TRIM(unit->name)");
        r += kStep;
        b.left('H', r, kHalf, "\"อัตราหน่วย\"");
        b.right('H', r, kRight, "LTRIM(TRANSFORM(wdata->rate,\"999,999.999\"))+\" กก./\"+TRIM(unit->name)");
        r += kStep;
        b.left('H', r, kHalf, "\"เป็นเงิน\"");
        b.right('H', r, kRight, money("XROUND(wdata->qty/wdata->rate*wdata->price,2)"));
        r += kStep;
        for (int i = 3; i < 6; ++i) {
            b.left('H', r, kHalf, quoted(k.adjust[i]));
            b.right('H', r, kRight, money("wdata->adj_m" + std::to_string(i - 2)));
            r += kStep;
        }
        b.line('H', 1, r + 1, 700, r + 1, kRight);
        r += 4;
    }
    b.text('H', "SAYR3", r, kHalf, kind <= 4 ? "\"จำนวนเงินสุทธิ\"" : "\"ค่าชั่ง\"");
    b.text('H', "SAYL3", r, kRight, money("wdata->amount"));
    r += 34;
    b.line('H', 2, r, 700, r, kRight);
    row = std::max(row, r + 4);
    row = payment(b, 'H', row, kind <= 4, true);
    inWordsAndRemarks(b, 'H', row, remarks, kind <= 4);
    signatures(b, 'H', "ผู้ชั่ง", std::string(k.party) + " / คนขับรถ", "ผู้ตรวจสอบ");
    return b.bytes();
}

struct VoucherText {
    const char* title;
    const char* party;       // caption before the counterpart's name
    const char* partyAlias;  // its code table
    const char* signers[3];
};

const VoucherText kVouchers[4] = {
    {"ใบสำคัญจ่ายเงิน", "จ่ายให้", "farmer", {"ผู้จัดทำ", "ผู้อนุมัติ", "ผู้รับเงิน"}},
    {"ใบเสร็จรับเงิน", "ได้รับเงินจาก", "company", {"ผู้จัดทำ", "ผู้จ่ายเงิน", "ผู้รับเงิน"}},
    {"ใบสำคัญจ่ายเงินให้ยืม", "ผู้ยืม", "farmer", {"ผู้จัดทำ", "ผู้อนุมัติ", "ผู้ยืมเงิน"}},
    {"ใบสำคัญรับเงินยืม", "ผู้ให้ยืม", "company", {"ผู้จัดทำ", "ผู้อนุมัติ", "ผู้รับเงิน"}},
};

// The settlement line types of payment and receipt vouchers in words.
const char* kLineType =
    "IIF(detail->type=\"REC\",\"รับซื้อ\",IIF(detail->type=\"CAN\",\"ส่งคืน\","
    "IIF(detail->type=\"INV\",\"ขาย\",IIF(detail->type=\"RET\",\"รับคืน\",detail->type))))";

// Document number and date at row 114, the counterpart at 136.
void documentParticulars(Builder& b, const char* party, const char* partyAlias)
{
    b.left('H', 114, kLeft, "\"เลขที่  \"+wdata->ticket");
    b.right('H', 114, kRight, "\"วันที่  \"+DTOC(wdata->date)");
    if (party)
        b.left('H', 136, kLeft,
               quoted(std::string(party) + "  ") + "+TRIM(wdata->company)+\"  \"+TRIM(" + partyAlias + "->name)");
}

// The detail band: headings at row 162 in H and S with a line under them, eight lines 22 apart
// from row 188; the footer starts under the band.
struct Band {
    int headings = 162;
    int first = 188;
    int lines = 8;
    int distance = kStep;
    int end() const { return first + lines * distance; }
};

// Further pages of a document with lines: its title, number and page, and what the pages before
// carried (accumulator 1, formatted by `total`).
void continuation(Builder& b, const std::string& title, const std::string& total)
{
    b.text('S', "SAYC3", 20, kMiddle, quoted(title));
    b.line('S', 2, 108, kLeft, 108, kRight);
    b.left('S', 114, kLeft, "\"เลขที่  \"+wdata->ticket+\"  (ต่อ)  หน้า \"+LTRIM(STR(nPage))");
    b.right('S', 114, kRight, "\"ยอดยกมา  \"+" + total);
}

std::string voucherTemplate(int n)
{
    const VoucherText& v = kVouchers[n - 1];
    Builder b;
    b.comment("Form Money" + std::to_string(n) + ", 9.5 x 5.5 inch continuous paper");
    b.numbers('H', "PSIZE", 950, 550);
    companyHeader(b, 'H', v.title);
    documentParticulars(b, v.party, v.partyAlias);
    const char s = n <= 2 ? 'F' : 'H';
    int row = 178;
    if (n <= 2) {
        const Band band;
        b.numbers('H', "DTMAX", band.lines, band.distance);
        continuation(b, v.title, money("pSum[1]"));
        for (const char section : {'H', 'S'}) {
            b.left(section, band.headings, kLeft, "\"ลำดับ\"");
            b.left(section, band.headings, 110, "\"ประเภท\"");
            b.left(section, band.headings, 250, "\"เลขที่ใบชั่ง\"");
            b.left(section, band.headings, 380, "\"วันที่ชั่ง\"");
            b.left(section, band.headings, 520, "\"เวลา\"");
            b.right(section, band.headings, 760, "\"จำนวนเงิน\"");
            b.line(section, 1, band.headings + 22, kLeft, band.headings + 22, kRight);
        }
        b.right('D', band.first, 80, "STR(nI,3)");
        b.left('D', band.first, 110, kLineType);
        b.left('D', band.first, 250, "detail->ticket");
        b.left('D', band.first, 380, "DTOC(detail->date)");
        b.left('D', band.first, 520, "detail->time");
        b.right('D', band.first, 760, money("detail->amount"));
        b.sum('D', 1, "detail->amount");
        row = band.end() + 2;
        b.line('F', 1, row, kLeft, row, kRight);
        row += 4;
        b.left('F', row, kLeft, "\"รวม \"+LTRIM(STR(nI))+\" รายการ\"");
        b.right('F', row, 760, money("pSum[1]"));
        row += kStep;
    } else {
        b.left('H', 156, kLeft, "\"รายการ  \"+TRIM(wdata->remark1)");
        b.text('H', "SAYR3", 200, kHalf, "\"จำนวนเงิน\"");
        b.text('H', "SAYL3", 200, kRight, money("wdata->amount"));
        b.line('H', 2, 236, 700, 236, kRight);
        row = 250;
    }
    row = payment(b, s, row, true, n <= 2);
    inWordsAndRemarks(b, s, row, "TRIM(wdata->remark2)+\" \"+TRIM(wdata->remark3)", true);
    signatures(b, s, v.signers[0], v.signers[1], v.signers[2]);
    return b.bytes();
}

std::string productionTemplate()
{
    Builder b;
    b.comment("Form Stock1, 9.5 x 5.5 inch continuous paper");
    b.numbers('H', "PSIZE", 950, 550);
    companyHeader(b, 'H', "ใบบันทึกการผลิต");
    documentParticulars(b, nullptr, nullptr);
    b.left('H', 136, kLeft, "\"รายละเอียด  \"+TRIM(wdata->remark1)");
    const Band band;
    b.numbers('H', "DTMAX", band.lines, band.distance);
    continuation(b, "ใบบันทึกการผลิต", "TRANSFORM(pSum[1],\"999,999,999.999\")");
    for (const char section : {'H', 'S'}) {
        b.left(section, band.headings, kLeft, "\"ลำดับ\"");
        b.left(section, band.headings, 110, "\"รหัสสินค้า\"");
        b.left(section, band.headings, 270, "\"คลังสินค้า\"");
        b.left(section, band.headings, 420, "\"หน่วยนับ\"");
        b.right(section, band.headings, 760, "\"จำนวน\"");
        b.line(section, 1, band.headings + 22, kLeft, band.headings + 22, kRight);
    }
    b.right('D', band.first, 80, "STR(nI,3)");
    b.left('D', band.first, 110, "detail->code");
    b.left('D', band.first, 270, "detail->whouse");
    b.left('D', band.first, 420, "detail->unit");
    b.right('D', band.first, 760, "TRANSFORM(detail->qty,\"999,999,999.999\")");
    b.sum('D', 1, "detail->qty");
    int row = band.end() + 2;
    b.line('F', 1, row, kLeft, row, kRight);
    row += 4;
    b.left('F', row, kLeft, "\"รวม \"+LTRIM(STR(nI))+\" รายการ\"");
    b.right('F', row, 760, "TRANSFORM(pSum[1],\"999,999,999.999\")");
    row += kStep;
    b.left('F', row, kLeft, "\"หมายเหตุ  \"+TRIM(wdata->remark2)+\" \"+TRIM(wdata->remark3)");
    signatures(b, 'F', "ผู้บันทึก", "ผู้ตรวจสอบ", "ผู้อนุมัติ");
    return b.bytes();
}

}  // namespace

std::vector<std::string> printFormNames()
{
    std::vector<std::string> names;
    for (const char* stem : {"Ticket", "Print"})
        for (int kind = 1; kind <= 5; ++kind)
            for (int state = 1; state <= 2; ++state)
                names.push_back(stem + std::to_string(kind) + std::to_string(state));
    for (int n = 1; n <= 4; ++n)
        names.push_back("Money" + std::to_string(n));
    names.push_back("Stock1");
    return names;
}

std::string demoTemplate(const std::string& form)
{
    const auto digitAt = [&](std::size_t i) { return i < form.size() ? form[i] - '0' : -1; };
    if (form.size() == 8 && form.compare(0, 6, "Ticket") == 0 && digitAt(6) >= 1 && digitAt(6) <= 5 &&
        (digitAt(7) == 1 || digitAt(7) == 2))
        return ticketTemplate(digitAt(6), digitAt(7) == 2, false);
    if (form.size() == 7 && form.compare(0, 5, "Print") == 0 && digitAt(5) >= 1 && digitAt(5) <= 5 &&
        (digitAt(6) == 1 || digitAt(6) == 2))
        return ticketTemplate(digitAt(5), digitAt(6) == 2, true);
    if (form.size() == 6 && form.compare(0, 5, "Money") == 0 && digitAt(5) >= 1 && digitAt(5) <= 4)
        return voucherTemplate(digitAt(5));
    if (form == "Stock1")
        return productionTemplate();
    return {};
}

bool writeDemoTemplates(const std::string& folder, std::string* error)
{
    for (const std::string& form : printFormNames()) {
        const std::string path = folder + form + ".txt";
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        const std::string bytes = demoTemplate(form);
        out.write(bytes.data(), std::streamsize(bytes.size()));
        out.close();
        if (!out) {
            *error = path + ": cannot be written";
            return false;
        }
    }
    return true;
}

}  // namespace site
