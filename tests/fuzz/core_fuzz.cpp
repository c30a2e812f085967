// Any bytes through the text and number readers of the core: no crash, and the round trips hold.
#include <cstdint>
#include <string>

#include "core/date.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using fuzz::check;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const core::Date d1 = core::Date::fromDtoc(bytes);
    check(d1.isEmpty() || core::Date::fromDtos(d1.dtos()) == d1);
    const core::Date d2 = core::Date::fromDtos(bytes);
    check(d2.isEmpty() || core::Date::fromDtoc(d2.dtoc()) == d2);

    const auto n = core::xbase::val(bytes);
    check(core::xbase::str(n.value, 30, n.decimals).size() == 30);

    // UTF-8 of any TIS-620 bytes reads back to the same bytes where TIS-620 defines them.
    check(core::tis620::fromUtf8(core::tis620::toUtf8(bytes)).size() == bytes.size());
    (void)core::tis620::fromUtf8(bytes);
    return 0;
}
