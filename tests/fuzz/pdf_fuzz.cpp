// Any bytes as a PDF to mend: never reads outside the bytes, refuses with a reason, and what it
// writes from a file it accepted is accepted again and comes out the same.
#include <cstdint>
#include <string>

#include "core/pdf_thai_text.h"
#include "fuzz_util.h"

namespace {

std::string mend(const std::string& in, std::string* error)
{
    std::string out;
    const auto read = [&in](std::uint64_t offset, std::size_t length, std::string* text) {
        if (offset > in.size() || length > in.size() - offset)
            return false;
        *text = in.substr(std::size_t(offset), length);
        return true;
    };
    *error = core::pdf::mendThaiText(in.size(), read, [&out](std::string_view s) { out.append(s); });
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string error;
    const std::string once = mend(std::string(reinterpret_cast<const char*>(data), size), &error);
    if (error.empty())
        fuzz::check(mend(once, &error) == once && error.empty());
    return 0;
}
