// What the scale tests share: frames as the indicators send them, a reader played tick by tick,
// recording ticket and ticker, the link settings and mervo-scale-sim on a pseudo-terminal.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/settings.h"
#include "scale/frame_reader.h"
#include "scale/serial_port.h"
#include "scale/ticker.h"
#include "scale/weight_dialog_model.h"
#include "support/run_process.h"
#include "support/seams.h"

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
    char w[24];
    std::snprintf(w, sizeof w, kg < 0 ? "-%04lld" : "%05lld", kg < 0 ? -kg : kg);
    return frame(w, status);
}

// A toledo frame: status words, 6 weight digits, zero tare, CR, and the checksum when asked.
inline std::string toledo(char swa, char swb, const std::string& weight6, bool checksum = false)
{
    std::string f = STX + swa + swb + ' ' + weight6 + "000000\r";
    unsigned sum = 0;
    for (const char c : f)
        sum += static_cast<unsigned char>(c) & 0x7F;
    return checksum ? f + static_cast<char>((0u - sum) & 0x7F) : f;
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
        reader.beginTick(now);
        return arrive(arrived);
    }
    // Bytes arriving while the tick is open; a tick 300 ms on begins when none is.
    scale::TickResult arrive(const std::string& bytes)
    {
        in.push(bytes);
        if (!reader.tickOpen())
            reader.beginTick(now += 300);
        return reader.service(in, now);
    }

    scale::FrameReader reader;
    scale::ByteQueue in;
    std::int64_t now = 0;
};

inline const std::string kNoSignal = "ไม่สามารถรับสัญญาณน้ำหนักได้ !";

// The ticket screen: records what the weight dialog did to it, in order.
class RecordingTarget final : public scale::WeighTarget {
public:
    void receiveWeight(int which, long long kg) override
    {
        calls.push_back("weight " + std::to_string(which) + "=" + std::to_string(kg));
    }
    void disableWeighButton(int which) override { calls.push_back("disable " + std::to_string(which)); }
    void enableAndFocusSave() override { calls.push_back("save"); }
    void weightOrigin(int, const scale::WeightOrigin& o) override { origins.push_back(o); }
    std::vector<std::string> calls;
    std::vector<scale::WeightOrigin> origins;
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

struct Simulator {
    explicit Simulator(std::vector<std::string> args)
        : process(MERVO_BINARY_DIR "/app/mervo-scale-sim", withRate(std::move(args))),
          path(process.readLine(5000))
    {
    }
    static std::vector<std::string> withRate(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--rate", "20"});
        return args;
    }
    testsupport::ChildProcess process;
    std::string path;
};

inline void setLinkSettings()
{
    auto& s = core::programSettings();
    for (int n = 1; n <= 4; ++n)
        s.setText("CCPORT" + std::to_string(n), "09600,E,7,1,002,005,005");
    const std::pair<const char*, const char*> keys[] = {
        {"CCPORT", "1"}, {"CSTABLE", "3"}, {"NINTERV", "50"}, {"CZEROW", "0"},
        {"CWREAD", "1"}, {"CMINUS", "0"}, {"CTLDST", "3"}, {"CSYSSOUND", "N"}};
    for (const auto& [k, v] : keys)
        s.setText(k, v);
}

// The world of the weight dialog's and the live weight's models: those settings read every 300 ms,
// a port in memory, the recording ticker and a clock that moves only with the ticks.
class PortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setLinkSettings();
        core::programSettings().setText("NINTERV", "300");
    }
    void TearDown() override { core::programSettings().clear(); }

    // `times` timer ticks `ms` apart, with `arrived` pushed before each.
    void tick(scale::TickedReading& reading, const std::string& arrived, int times = 1, int ms = 300)
    {
        for (int i = 0; i < times; ++i) {
            clock.advanceMs(ms);
            port.push(arrived);
            reading.timerFired();
        }
    }
    testsupport::FakeClock clock;
    scale::MemoryPort port;
    RecordingTicker ticker;
};

}  // namespace scaletest
