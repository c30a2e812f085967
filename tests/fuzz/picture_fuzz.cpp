// A picture and keys typed into it, both from the input: the editor never leaves its width, its
// cursor stays inside the text, and what it shows is what its value formats to.
#include <cstdint>
#include <string>

#include "core/xbase.h"
#include "fuzz_util.h"
#include "ui/picture.h"
#include "ui/picture_editor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using fuzz::check;
    if (size < 2)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = std::min<std::size_t>(data[0] % 32, size - 1);
    const std::string_view picture = bytes.substr(1, cut);
    const std::string_view keys = bytes.substr(1 + cut);
    const auto type = core::Value::Type(data[1] % 4 == 0 ? 2 : data[1] % 4 == 1 ? 3 : 1);  // number, date, text

    const ui::Picture p = ui::Picture::parse(picture, type, 1 + data[0] % 40);
    ui::PictureEditor e(p);
    e.load(type == core::Value::Type::Number ? core::Value::number(0) : core::Value());
    for (const char k : keys) {
        switch (static_cast<unsigned char>(k)) {
        case 1: e.backspace(); break;
        case 2: e.del(); break;
        case 3: e.left(); break;
        case 4: e.right(); break;
        case 5: e.home(); break;
        case 6: e.end(); break;
        case 7: e.setCursor(static_cast<unsigned char>(k) % 50); break;
        default: e.type(static_cast<unsigned char>(k));
        }
        const int shown = int(e.text().size());
        check(p.kind() == ui::Picture::Kind::Text ? shown <= p.width() : shown == p.width());
        check(e.cursor() >= 0 && e.cursor() <= p.width());
    }
    bool ok = true;
    const core::Value v = e.value(ok);
    const std::string formatted = p.format(v);
    // The editor refuses digits that would not fit.
    check(p.kind() != ui::Picture::Kind::Number || formatted.find('*') == std::string::npos);
    return 0;
}
