// Any bytes as a wave file: parsing never reads outside the bytes, and what it accepts is a whole
// number of frames of a format the player can open.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    core::WaveData w;
    std::string error;
    if (!core::parseWave(bytes, w, error)) {
        if (error.empty())
            std::abort();
        return 0;
    }
    if (w.channels < 1 || w.channels > 8 || w.frameBytes() <= 0 || w.samples.size() % std::size_t(w.frameBytes()) != 0)
        std::abort();
    if (w.samples.data() < bytes.data() || w.samples.data() + w.samples.size() > bytes.data() + bytes.size())
        std::abort();
    volatile unsigned char sink = 0;
    for (const char c : w.samples)
        sink = sink ^ static_cast<unsigned char>(c);
    (void)sink;
    return 0;
}
