// What the scale's unit tests share: frames as the indicators send them, a frame reader played
// tick by tick, and a ticker that records what it was asked to do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scale/frame_reader.h"
#include "scale/ticker.h"

namespace scaletest {

inline const std::string STX = "\x02";
inline const std::string ETX = "\x03";

// The default layout: STX, four header bytes with `status` third, five weight bytes.
inline std::string frame(const std::string& weight5, char status = '0')
{
    std::string f = STX + "0000" + weight5;
    f[2] = status;
    return f;
}

// A negative weight carries its sign in the weight field: "-0005".
inline std::string frameOf(long long kg, char status = '0')
{
    const std::string w = std::to_string(kg < 0 ? -kg : kg);
    return frame((kg < 0 ? "-" + std::string(4 - w.size(), '0') : std::string(5 - w.size(), '0')) + w,
                          status);
}

// A toledo frame: status words, 6 weight digits, zero tare, CR, and the checksum when asked.
inline std::string toledo(char swa, char swb, const std::string& weight6, bool checksum = false)
{
    std::string f = STX + swa + swb + ' ' + weight6 + "000000\r";
    if (checksum) {
        unsigned sum = 0;
        for (const char c : f)
            sum += static_cast<unsigned char>(c) & 0x7F;
        f.push_back(static_cast<char>((0u - sum) & 0x7F));
    }
    return f;
}

// An xk3190 frame: STX, sign, 6 digits, decimal places, the XOR of those 8 bytes as two hex
// characters, ETX.
inline std::string tf0(char sign, const std::string& digits6, char places)
{
    const std::string body = std::string(1, sign) + digits6 + places;
    unsigned x = 0;
    for (const char c : body)
        x ^= static_cast<unsigned char>(c);
    const char* hex = "0123456789ABCDEF";
    return STX + body + hex[x >> 4] + hex[x & 15] + ETX;
}

// The reader's rules the tests vary, the rest as ReaderConfig has them.
using Rules = scale::ReaderConfig;

// Plays ticks 300 ms apart: before each tick the bytes that arrived since the previous one.
struct Player {
    explicit Player(scale::ReaderConfig c = {}) : reader(c) {}

    scale::TickResult tick(const std::string& arrived)
    {
        now += 300;
        in.push(arrived);
        reader.beginTick(now);
        return reader.service(in, now);
    }
    // The weight of each tick's frame; kNoFrame when the tick ended without one.
    static constexpr long long kNoFrame = -999999;
    std::vector<long long> weights(const std::vector<std::string>& ticks)
    {
        std::vector<long long> out;
        for (const auto& t : ticks) {
            const auto r = tick(t);
            out.push_back(r.end == scale::TickEnd::Frame ? r.evaluation->weight : kNoFrame);
        }
        return out;
    }

    scale::FrameReader reader;
    scale::ByteQueue in;
    std::int64_t now = 0;
};

class RecordingTicker final : public scale::Ticker {
public:
    void start(int ms) override
    {
        running = true;
        started.push_back(ms);
    }
    void stop() override { running = false; }
    bool running = false;
    std::vector<int> started;
};

}  // namespace scaletest
