#include "shell/rights.h"

#include "core/prompts.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"

namespace shell {
namespace {

using core::tis620::T;

constexpr const char* kLabels[kRightsPositions] = {
    "ชั่งซื้อ/ชั่งรับสินค้าเข้า", "ชั่งส่งคืนสินค้า", "ชั่งขาย/ส่งออกสินค้า", "ชั่งรับคืนสินค้า", "การรับจ้างชั่งรถ",
    "บันทึกการจ่ายเงิน", "บันทึกการรับเงิน", "ให้กู้/เบิกเงินล่วงหน้า", "ขอกู้/ยืมเงินล่วงหน้า", "บันทึกข้อมูลการผลิต",
    "สถานะของสินค้า", "สถานะของผู้ขาย", "สถานะของลูกค้า", "ข้อมูลรายการใบสั่งซื้อ", "ส่วนจัดทำรายงาน",
    "ข้อมูลบันทึกการแก้ไข", "ตารางรหัสผู้ขาย", "ตารางรหัสลูกค้า", "ตารางรหัสสินค้า", "ตารางรหัสพนักงาน",
    "ตารางรหัสคลังสินค้า", "ตารางรหัสหน่วยนับ", "ตารางรหัสทะเบียนรถ", "ตารางรหัสความชื้น", "ตารางรหัสสิ่งเจือปน",
    "ตารางรหัสคุณภาพ", "ตารางรหัสเลขลำดับ", "ตารางรหัสรายงาน", "บำรุงรักษาแฟ้มข้อมูล", "การทำสำเนาแฟ้มข้อมูล",
    "การสั่งลบข้อมูลต่างๆ", "การอ่านข้อมูลจากสำเนา", "กำหนดค่าตัวแปรต่างๆ",
};

constexpr const char* kLegend[7] = {
    "0 = ไม่มีอำนาจ",
    "1 = ดู/ค้นหา",
    "2 = ดู/ค้นหา/พิมพ์",
    "3 = ดู/ค้นหา/พิมพ์/บันทึก",
    "4 = ดู/ค้นหา/พิมพ์/บันทึก/แก้ไข",
    "5 = ดู/ค้นหา/พิมพ์/บันทึก/แก้ไข/ลบ",
    "6 = อำนาจเต็มที่",
};

}  // namespace

int rightsLevel(std::string_view rights, int position)
{
    if (position < 1 || std::size_t(position) > rights.size())
        return 0;
    const char c = rights[std::size_t(position - 1)];
    return c >= '0' && c <= '9' ? c - '0' : 0;
}

int userLevel(int position)
{
    return rightsLevel(core::programSettings().text("CTRUSTEE"), position);
}

bool AUTHCHK(int position, int minimumLevel)
{
    if (minimumLevel > userLevel(position)) {
        core::prompts().message(core::MessageKind::Alert, T("คุณไม่มีอำนาจที่จะใช้คำสั่งนี้"), T("  ส่วนการกำหนดอำนาจ"));
        return false;
    }
    return true;
}

bool TRUSCHK(std::string_view digit)
{
    if (digit.size() == 1 && digit[0] >= '0' && digit[0] <= '6')
        return true;
    std::string text;
    for (int level = 0; level < 7; ++level) {
        if (level)
            text += '\n';
        text += rightsLegendLine(level);
    }
    core::prompts().message(core::MessageKind::Info, text, T("  การกำหนดระดับอำนาจ"));
    return false;
}

std::string normalizedRights(std::string_view rights)
{
    std::string out(std::size_t(kRightsLength), '0');
    for (std::size_t i = 0; i < out.size() && i < rights.size(); ++i)
        if (rights[i] >= '0' && rights[i] <= '6')
            out[i] = rights[i];
    return out;
}

const char* rightsLabel(int position)
{
    return position >= 1 && position <= kRightsPositions ? kLabels[position - 1] : "";
}

std::string rightsLegendLine(int level)
{
    return level >= 0 && level < 7 ? core::xbase::padRight(T(kLegend[level]), 36) : std::string();
}

}  // namespace shell
