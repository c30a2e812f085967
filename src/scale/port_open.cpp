#include "scale/port_open.h"

#include "core/tis620.h"
#include "core/xbase.h"

namespace scale {

using core::tis620::T;

PortOpening openScalePort(const core::Settings& s, int port, SerialPort& serial)
{
    PortOpening o;
    const std::string n = std::to_string(port);
    const std::string com = "COM" + n;
    std::string why;
    o.setting = parsePortSetting(s.text("CCPORT" + n), &why);
    o.line.device = devicePath(s, port);
    if (!o.setting) {
        o.failure = "Port#" + n + ": " + why;
        o.message = T("ค่ากำหนดของพอร์ตเครื่องชั่ง ") + com + T(" ไม่ถูกต้อง !");
        return o;
    }
    const std::optional<FrameKind> kind = frameKind(s, port);
    if (!kind) {
        const std::string text = core::xbase::alltrim(s.text("CCFMT" + n));
        o.failure = "Format#" + n + ": \"" + text + "\" is not a frame format (indicator, toledo, xk3190 or ascii)";
        o.message = T("รูปแบบข้อมูลของเครื่องชั่ง ") + com + T(" ไม่ถูกต้อง !");
        return o;
    }
    o.line.baud = o.setting->baud;
    o.line.parity = o.setting->parity;
    o.line.dataBits = o.setting->dataBits;
    o.line.stopBits = o.setting->stopBits;
    const OpenResult opened = serial.open(o.line, why);
    serial.clearErrors();
    if (opened != OpenResult::Opened) {
        o.failure = why;
        const std::string where = com + " (" + o.line.device + ")";
        o.message = opened == OpenResult::CannotOpen ? T("ไม่สามารถเปิดพอร์ตเครื่องชั่ง ") + where + T(" ได้ !")
                                                     : T("ไม่สามารถกำหนดค่าพอร์ตเครื่องชั่ง ") + where + T(" ได้ !");
        return o;
    }
    o.opened = true;
    o.reader = readerConfig(s, o.setting->frame, *kind);
    return o;
}

}  // namespace scale
