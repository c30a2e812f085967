// Wave file bytes made in tests: a RIFF/WAVE header with a PCM format chunk and silent samples.
#pragma once

#include <cstdint>
#include <string>

namespace wavetest {

inline void put16(std::string& s, std::uint16_t v)
{
    s += char(v & 0xFF);
    s += char(v >> 8);
}

inline void put32(std::string& s, std::uint32_t v)
{
    put16(s, std::uint16_t(v & 0xFFFF));
    put16(s, std::uint16_t(v >> 16));
}

// frames of silence; extraChunk goes between "fmt " and "data" when not empty (an id and a body).
inline std::string wave(int rate, int channels, int bits, int frames, const std::string& extraChunk = {},
                        std::uint16_t tag = 1)
{
    const int frameBytes = channels * bits / 8;
    std::string fmt;
    put16(fmt, tag);
    put16(fmt, std::uint16_t(channels));
    put32(fmt, std::uint32_t(rate));
    put32(fmt, std::uint32_t(rate * frameBytes));
    put16(fmt, std::uint16_t(frameBytes));
    put16(fmt, std::uint16_t(bits));
    std::string body = "WAVEfmt ";
    put32(body, std::uint32_t(fmt.size()));
    body += fmt;
    if (!extraChunk.empty()) {
        body += extraChunk.substr(0, 4);
        put32(body, std::uint32_t(extraChunk.size() - 4));
        body += extraChunk.substr(4);
        if (extraChunk.size() % 2)
            body += '\0';
    }
    body += "data";
    put32(body, std::uint32_t(frames * frameBytes));
    body += std::string(std::size_t(frames * frameBytes), bits == 8 ? char(0x80) : '\0');
    std::string out = "RIFF";
    put32(out, std::uint32_t(body.size()));
    return out + body;
}

}  // namespace wavetest
