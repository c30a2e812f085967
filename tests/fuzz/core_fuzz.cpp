// Any bytes through the text and number readers of the core: no crash, and the round trips hold.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/date.h"
#include "core/tis620.h"
#include "core/xbase.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const core::Date d1 = core::Date::fromDtoc(bytes);
    if (!d1.isEmpty() && core::Date::fromDtos(d1.dtos()) != d1)
        std::abort();
    const core::Date d2 = core::Date::fromDtos(bytes);
    if (!d2.isEmpty() && core::Date::fromDtoc(d2.dtoc()) != d2)
        std::abort();

    const auto n = core::xbase::val(bytes);
    const std::string text = core::xbase::str(n.value, 30, n.decimals);
    if (text.size() != 30)
        std::abort();

    // UTF-8 of any TIS-620 bytes reads back to the same bytes where TIS-620 defines them.
    const std::string utf8 = core::tis620::toUtf8(bytes);
    const std::string back = core::tis620::fromUtf8(utf8);
    if (back.size() != bytes.size())
        std::abort();
    (void)core::tis620::fromUtf8(bytes);
    return 0;
}
