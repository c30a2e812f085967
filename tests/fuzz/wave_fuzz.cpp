// Any bytes as a wave file: parsing never reads outside the bytes, and what it accepts is a whole
// number of frames of a format the player can open.
#include <cstdint>
#include <string>

#include "core/wave_file.h"
#include "fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using fuzz::check;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    core::WaveData w;
    std::string error;
    if (!core::parseWave(bytes, w, error)) {
        check(!error.empty());
        return 0;
    }
    check(w.channels >= 1 && w.channels <= 8 && w.frameBytes() > 0);
    check(w.samples.size() % std::size_t(w.frameBytes()) == 0);
    check(w.samples.data() >= bytes.data() && w.samples.data() + w.samples.size() <= bytes.data() + bytes.size());
    volatile unsigned char sink = 0;
    for (const char c : w.samples)
        sink = sink ^ static_cast<unsigned char>(c);
    (void)sink;
    return 0;
}
