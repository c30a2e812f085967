#include "core/wave_file.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace core {
namespace {

std::uint32_t u32(std::string_view b, std::size_t at)
{
    return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8 |
           std::uint32_t(std::uint8_t(b[at + 2])) << 16 | std::uint32_t(std::uint8_t(b[at + 3])) << 24;
}

std::uint16_t u16(std::string_view b, std::size_t at)
{
    return std::uint16_t(std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8);
}

constexpr std::uint16_t kPcm = 1;
constexpr std::uint16_t kExtensible = 0xFFFE;

}  // namespace

bool parseWave(std::string_view bytes, WaveData& out, std::string& error)
{
    out = WaveData{};
    if (bytes.size() < 12 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 4) != "WAVE") {
        error = "not a RIFF WAVE file";
        return false;
    }
    bool haveFormat = false;
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::string_view id = bytes.substr(at, 4);
        const std::uint64_t size = u32(bytes, at + 4);
        const std::size_t body = at + 8;
        const std::size_t available = bytes.size() - body;
        if (id == "fmt ") {
            if (size < 16 || size > available) {
                error = "format chunk too short";
                return false;
            }
            std::uint16_t tag = u16(bytes, body);
            out.channels = u16(bytes, body + 2);
            out.sampleRate = int(u32(bytes, body + 4));
            const std::uint16_t align = u16(bytes, body + 12);
            out.bitsPerSample = u16(bytes, body + 14);
            if (tag == kExtensible) {
                if (size < 40) {
                    error = "extensible format chunk too short";
                    return false;
                }
                tag = u16(bytes, body + 24);  // first two bytes of the sub-format GUID
            }
            if (tag != kPcm) {
                error = "not PCM samples (format " + std::to_string(tag) + ")";
                return false;
            }
            if (out.channels < 1 || out.channels > 8) {
                error = "unsupported channel count " + std::to_string(out.channels);
                return false;
            }
            if (out.bitsPerSample != 8 && out.bitsPerSample != 16 && out.bitsPerSample != 24 &&
                out.bitsPerSample != 32) {
                error = "unsupported sample size " + std::to_string(out.bitsPerSample);
                return false;
            }
            if (out.sampleRate < 1000 || out.sampleRate > 384000) {
                error = "unsupported sample rate " + std::to_string(out.sampleRate);
                return false;
            }
            if (align != out.frameBytes()) {
                error = "block align does not match channels and sample size";
                return false;
            }
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat) {
                error = "sample data before the format chunk";
                return false;
            }
            // A writer that never went back to fix the size leaves 0 or 0xFFFFFFFF: take what is there.
            std::uint64_t n = (size == 0 || size > available) ? available : size;
            n -= n % std::uint64_t(out.frameBytes());
            out.samples = bytes.substr(body, std::size_t(n));
            return true;
        }
        if (size > available)
            break;
        at = body + std::size_t(size) + (size & 1);
    }
    error = haveFormat ? "no sample data" : "no format chunk";
    return false;
}

std::vector<std::int16_t> toneSamples(int hz, int ms, int sampleRate)
{
    if (hz <= 0 || ms <= 0 || sampleRate <= 0)
        return {};
    const long n = long(sampleRate) * ms / 1000;
    const long fade = std::min(n / 2, long(sampleRate) / 200);  // 5 ms
    std::vector<std::int16_t> out(static_cast<std::size_t>(n));
    const double step = 2.0 * std::numbers::pi * hz / sampleRate;
    for (long i = 0; i < n; ++i) {
        double gain = 0.5;
        if (fade > 0 && i < fade)
            gain *= double(i) / fade;
        else if (fade > 0 && n - 1 - i < fade)
            gain *= double(n - 1 - i) / fade;
        out[std::size_t(i)] = std::int16_t(std::lround(std::sin(step * i) * gain * 32767));
    }
    return out;
}

}  // namespace core
