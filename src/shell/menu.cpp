#include "shell/menu.h"

#include "core/prompts.h"
#include "core/tis620.h"
#include "shell/rights.h"

namespace shell {
namespace {

using K = MenuEntry::Kind;
using A = Action;

constexpr MenuEntry kSep{K::Separator};

constexpr MenuEntry kWeighing[] = {
    {K::Item, "ชั่งซื้อ/รับเข้า", "ส่วนบันทึกการชั่งซื้อหรือการชั่งรับสินค้าเข้า", 1, A::TRPROC1},
    kSep,
    {K::Item, "ชั่งส่งคืนสินค้า", "ส่วนบันทึกการชั่งส่งคืนสินค้า", 2, A::TRPROC2},
    kSep,
    {K::Item, "ชั่งขาย/ส่งออก", "ส่วนบันทึกการชั่งขายหรือส่งออกสินค้า", 3, A::TRPROC3},
    kSep,
    {K::Item, "ชั่งรับคืนสินค้า", "ส่วนบันทึกการชั่งรับคืนสินค้า", 4, A::TRPROC4},
    kSep,
    {K::Item, "ชั่งรับจ้างชั่ง", "ส่วนบันทึกการรับจ้างชั่งรถ", 5, A::TRPROC5},
};

constexpr MenuEntry kEntries[] = {
    {K::Item, "บันทึกการจ่ายเงิน", "ส่วนบันทึกข้อมูลการจ่ายเงิน", 6, A::MNPROC1},
    {K::Item, "บันทึกการรับเงิน", "ส่วนบันทึกข้อมูลการรับเงิน", 7, A::MNPROC2},
    kSep,
    {K::Item, "บันทึกการให้กู้/เบิกเงิน", "ส่วนบันทึกข้อมูลการให้กู้หรือให้เบิกเงินล่วงหน้า", 8, A::MNPROC3},
    {K::Item, "บันทึกการขอกู้/ยืมเงิน", "ส่วนบันทึกข้อมูลการขอกู้หรือการขอยืมเงินล่วงหน้า", 9, A::MNPROC4},
    kSep,
    {K::Item, "บันทึกข้อมูลการผลิต", "ส่วนบันทึกข้อมูลการผลิต", 10, A::SKPROC1},
};

constexpr MenuEntry kAccounts[] = {
    {K::Item, "สถานะสินค้าคงคลัง", "ส่วนรายละเอียดสถานะของสินค้า", 11, A::EDITPROC1},
    kSep,
    {K::Item, "สถานะข้อมูลผู้ขาย", "ส่วนรายละเอียดสถานะของผู้ขาย", 12, A::EDITPROC2},
    kSep,
    {K::Item, "สถานะข้อมูลลูกค้า", "ส่วนรายละเอียดสถานะของลูกค้า", 13, A::EDITPROC3},
    kSep,
    {K::Item, "ข้อมูลการสั่งซื้อ", "ส่วนบันทึกข้อมูลรายการสั่งซื้อ", 14, A::EDITPROC4},
};

constexpr MenuEntry kReports[] = {
    {K::Item, "รายงานต่างๆ", "ส่วนจัดทำรายงานข้อมูลต่างๆ", 15, A::REPORT},
    kSep,
    {K::Item, "บันทึกการแก้ไข", "ส่วนข้อมูลบันทึกการแก้ไข", 16, A::AUDITLIST},
};

constexpr MenuEntry kCodes[] = {
    {K::Item, "รหัสผู้ขาย", "ส่วนกำหนดตารางรหัสผู้ขายและชาวนาชาวไร่", 17, A::POPCODE1},
    kSep,
    {K::Item, "รหัสลูกค้า", "ส่วนกำหนดตารางรหัสลูกค้าหรือลูกหนี้", 18, A::POPCODE2},
    kSep,
    {K::Item, "รหัสสินค้า", "ส่วนกำหนดตารางรหัสสินค้า", 19, A::POPCODE3},
    kSep,
    {K::Item, "รหัสพนักงาน", "ส่วนกำหนดตารางรหัสพนักงาน", 20, A::POPCODE4},
    kSep,
    {K::Item, "รหัสคลังสินค้า", "ส่วนกำหนดตารางรหัสคลังสินค้า", 21, A::POPCODE5},
    {K::Item, "รหัสหน่วยนับ", "ส่วนกำหนดตารางรหัสหน่วยนับ", 22, A::POPCODE6},
    {K::Item, "รหัสทะเบียนรถ", "ส่วนกำหนดตารางรหัสทะเบียนรถ", 23, A::POPCODE7},
    kSep,
    {K::Item, "รหัสความชื้น", "ส่วนกำหนดตารางรหัสความชื้น", 24, A::POPCODE8},
    {K::Item, "รหัสสิ่งเจือปน", "ส่วนกำหนดตารางรหัสสิ่งเจือปน", 25, A::POPCODE9},
    {K::Item, "รหัสคุณภาพ", "ส่วนกำหนดตารางรหัสคุณภาพ", 26, A::POPCODE10},
    kSep,
    {K::Item, "รหัสเลขลำดับ", "ส่วนกำหนดตารางรหัสเลขลำดับ", 27, A::POPCODE11},
    {K::Item, "รหัสรายงาน", "ส่วนกำหนดตารางรหัสรายงาน", 28, A::POPCODE12},
};

constexpr MenuEntry kFiles[] = {
    {K::Item, "บำรุงรักษาแฟ้มข้อมูล", "ส่วนบำรุงรักษาแฟ้มข้อมูล", 29, A::FGINDEX},
    kSep,
    {K::Submenu, "ทำสำเนาข้อมูล", "ส่วนการทำสำเนาแฟ้มข้อมูล"},
    {K::Item, "สำเนาบันทึกการทำงาน", "ทำสำเนาแฟ้มข้อมูลบันทึกการทำงานต่างๆ", 30, A::FGBACKUP1},
    kSep,
    {K::Item, "สำเนาข้อมูลตารางรหัส", "ส่วนการทำสำเนาแฟ้มข้อมูลตารางรหัสต่างๆ", 30, A::FGBACKUP2},
    {K::EndSubmenu},
    {K::Item, "ลบข้อมูลออก", "ส่วนการสั่งลบข้อมูลต่างๆ", 31, A::FGDELETE},
    {K::Submenu, "อ่านข้อมูลกลับ", "ส่วนการอ่านข้อมูลการชั่งจากสำเนา"},
    {K::Item, "อ่านบันทึกการทำงาน", "อ่านแฟ้มข้อมูลบันทึกการทำงานต่างๆ", 32, A::FGRESTORE1},
    kSep,
    {K::Item, "อ่านข้อมูลตารางรหัส", "ส่วนการอ่านแฟ้มข้อมูลตารางรหัสต่างๆ", 32, A::FGRESTORE2},
    {K::EndSubmenu},
};

constexpr MenuEntry kSettings[] = {
    {K::Item, "กำหนดค่าระบบ", "ส่วนกำหนดค่าตัวแปรของระบบ", 33, A::VARSET},
    kSep,
    {K::Item, "เครื่องพิมพ์", "ส่วนการตั้งค่าเครื่องพิมพ์", 0, A::PrinterSetup},
    kSep,
    {K::Item, "อักษรรายงาน 1", "ส่วนกำหนดรูปแบบอักษรข้อมูลรายงาน", 33, A::FONTSEL1},
    {K::Item, "อักษรรายงาน 2", "ส่วนกำหนดรูปแบบอักษรกลุ่มรายงาน", 33, A::FONTSEL2},
    {K::Item, "อักษรรายงาน 3", "ส่วนกำหนดรูปแบบอักษรหัวรายงาน", 33, A::FONTSEL3},
    kSep,
    {K::Item, "อักษรเอกสาร 1", "ส่วนกำหนดรูปแบบอักษรเอกสาร #1", 33, A::FONTSEL4},
    {K::Item, "อักษรเอกสาร 2", "ส่วนกำหนดรูปแบบอักษรเอกสาร #2", 33, A::FONTSEL5},
    {K::Item, "อักษรเอกสาร 3", "ส่วนกำหนดรูปแบบอักษรเอกสาร #3", 33, A::FONTSEL6},
    kSep,
    {K::Item, "NotePad", "ส่วนเรียกใช้ Text editor", 0, A::TextEditor},
};

const Menu kMenus[] = {
    {"บันทึกการชั่งรถ", "ส่วนบันทึกข้อมูลการชั่งรถบรรทุก", kWeighing, A::Exit},
    {"บันทึกรายการทั่วไป", "ส่วนการบันทึกข้อมูลรายการต่างๆ", kEntries, A::Exit},
    {"ส่วนข้อมูลทางบัญชี", "ส่วนบันทึกข้อมูลการปรับปรุงและยอดบัญชี", kAccounts, A::Exit},
    {"รายงาน", "ส่วนการทำรายงานต่างๆ", kReports, A::Exit},
    {"ตารางรหัส", "ส่วนกำหนดรหัสข้อมูลต่างๆ", kCodes, A::Exit},
    {"จัดการแฟ้มข้อมูล", "ส่วนจัดการระบบแฟ้มข้อมูล", kFiles, A::Exit},
    {"กำหนดค่าระบบ", "ส่วนการกำหนดและตั้งค่าตัวแปรต่างๆ", kSettings, A::Exit},
    {"ออกจากโปรแกรม", "เสร็จการทำงานและออกจากโปรแกรม", {}, A::Exit},
};

constexpr ToolButton kButtons[] = {
    {"library\\Report2.bmp", "ส่วนจัดทำรายงาน", "รายงาน", true, 15, A::REPORT},
    {"library\\Prjadd.bmp", "ส่วนซ่อมบำรุงรักษาแฟ้มข้อมูล", "บำรุงรักษา", true, 29, A::FGINDEX},
    {"library\\Folder.bmp", "ส่วนกำหนดค่าตัวแปรของระบบ", "ตั้งค่าตัวแปร", false, 33, A::VARSET},
    {"library\\Calc.bmp", "เรียกใช้เครื่องคิดเลข", "เครื่องคิดเลข", true, 0, A::Calculator},
    {"library\\report.bmp", "กำหนดและตั้งค่าเครื่องพิมพ์", "ตั้งค่าเครื่องพิมพ์", false, 0, A::PrinterSetup},
    {"library\\newfile.bmp", "เรียกใช้ Text Editor", "Notepad", false, 0, A::TextEditor},
    {"library\\door.bmp", "เสร็จการทำงานและออกจากโปรแกรม", "ออกจากโปรแกรม", true, 0, A::Exit},
};

constexpr HotSpot kHotSpots[] = {
    {36, 216, 80, 130, 1, A::TRPROC1},   {36, 216, 144, 194, 3, A::TRPROC3},
    {36, 216, 208, 258, 6, A::MNPROC1},  {36, 216, 272, 322, 7, A::MNPROC2},
    {36, 216, 336, 386, 10, A::SKPROC1}, {488, 587, 332, 395, 15, A::REPORT},
};

}  // namespace

std::span<const Menu> mainMenu() { return kMenus; }
std::span<const ToolButton> buttonBar() { return kButtons; }
std::span<const HotSpot> hotSpots() { return kHotSpots; }

const HotSpot* hotSpotAt(int column, int row)
{
    for (const HotSpot& h : kHotSpots)
        if (column >= h.left && column <= h.right && row >= h.top && row <= h.bottom)
            return &h;
    return nullptr;
}

int levelPosition(Action a)
{
    const int i = int(a);
    if (i >= int(A::TRPROC1) && i <= int(A::EDITPROC4))
        return i - int(A::TRPROC1) + 1;  // kinds 1..5, vouchers 6..9, production 10, ledgers 11..14
    if (a == A::AUDITLIST)
        return 16;
    if (i >= int(A::POPCODE1) && i <= int(A::POPCODE12))
        return i - int(A::POPCODE1) + 17;
    return 0;
}

void Dispatcher::registerAction(Action a, Handler h)
{
    m_handlers[int(a)] = std::move(h);
}

bool Dispatcher::has(Action a) const
{
    return bool(m_handlers[int(a)]);
}

bool Dispatcher::dispatch(Action a, int rightsPosition)
{
    if (rightsPosition > 0 && !AUTHCHK(rightsPosition, 1))
        return false;
    const auto& h = m_handlers[int(a)];
    if (!h) {
        core::prompts().message(core::MessageKind::Info, core::tis620::T("ส่วนนี้ของโปรแกรมยังไม่พร้อมใช้งาน"),
                                core::tis620::T("  ยังไม่พร้อมใช้งาน"));
        return false;
    }
    const int pos = levelPosition(a);
    h(pos ? userLevel(pos) : 0);
    return true;
}

}  // namespace shell
