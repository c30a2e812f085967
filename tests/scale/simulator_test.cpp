#include <gtest/gtest.h>

#include "scale/frame_reader.h"
#include "scale/sim_formats.h"
#include "scale/sim_profile.h"
#include "support/run_process.h"

namespace {

using scale::sim::Format;
using scale::sim::Player;
using scale::sim::Reading;

TEST(SimulatorProfile, ParsesStepsAndRejectsBadOnesWithTheStepNamed)
{
    std::string error;
    const char* text = "0:2s ramp:32000:3s\nhold:5s # settle\nnoise:20:1s -500:500ms silence:1.5s junk:1m";
    const auto p = scale::sim::parseProfile(text, &error);
    ASSERT_TRUE(p) << error;
    ASSERT_EQ(p->steps.size(), 7u);
    EXPECT_EQ(p->steps[1].kind, scale::sim::StepKind::Ramp);
    EXPECT_EQ(p->steps[1].weight, 32000);
    EXPECT_EQ(p->steps[3].amplitude, 20);
    EXPECT_EQ(p->steps[4].weight, -500);
    EXPECT_EQ(p->steps[4].durationMs, 500);
    EXPECT_EQ(p->steps[5].durationMs, 1500);
    EXPECT_EQ(p->durationMs(), 2000 + 3000 + 5000 + 1000 + 500 + 1500 + 60000);

    const std::pair<const char*, const char*> bad[] = {
        {"", "no steps"},
        {"# only a comment", "no steps"},
        {"0:2s ramp:3s", "step 2 \"ramp:3s\": expected ramp:WEIGHT:DURATION"},
        {"hold", "expected hold:DURATION"},
        {"12:0s", "is not a duration"},
        {"12:25h", "is not a duration"},
        {"12:2x", "is not a duration"},
        {"1234567890:1s", "step 1"},
        {"noise:-5:1s", "not a whole number"},
        {"wobble:1s", "unknown step"},
        {"12:1s:3", "expected WEIGHT:DURATION"},
        {"12:1.s", "is not a duration"},
    };
    for (const auto& [text, reason] : bad) {
        error.clear();
        EXPECT_FALSE(scale::sim::parseProfile(text, &error)) << text;
        EXPECT_NE(error.find(reason), std::string::npos) << text << " -> " << error;
    }
}

TEST(SimulatorProfile, PlaysStepsFrameByFrameTheSameWayEveryTime)
{
    const auto p = scale::sim::parseProfile("0:1s ramp:1000:1s hold:1s noise:10:1s silence:1s junk:1s");
    ASSERT_TRUE(p);
    const Player a(*p, 10, 42), b(*p, 10, 42), c(*p, 10, 43);
    EXPECT_EQ(a.frameCount(), 60u);
    EXPECT_EQ(a.frame(0)->weight, 0);
    EXPECT_FALSE(a.frame(0)->motion);
    EXPECT_EQ(a.frame(15)->weight, 500);  // half way up the ramp
    EXPECT_TRUE(a.frame(15)->motion);
    EXPECT_EQ(a.frame(25)->weight, 1000);  // hold keeps the ramp's target
    EXPECT_FALSE(a.frame(26)->motion);
    bool differs = false;
    for (std::uint64_t i = 30; i < 40; ++i) {
        const long long w = a.frame(i)->weight;
        EXPECT_GE(w, 990);
        EXPECT_LE(w, 1010);
        EXPECT_EQ(w, b.frame(i)->weight);
        differs = differs || w != c.frame(i)->weight;
    }
    EXPECT_TRUE(differs);  // another seed, other noise
    EXPECT_EQ(a.frame(45)->kind, Reading::Kind::Silence);
    EXPECT_EQ(a.frame(55)->kind, Reading::Kind::Junk);
    EXPECT_FALSE(a.frame(60));
}

std::string encode(Format f, const scale::sim::EncoderOptions& o, long long kg, bool motion = false,
                   std::uint64_t index = 0)
{
    return scale::sim::encode(f, o, Reading{.weight = kg, .motion = motion}, index, 1);
}

TEST(SimulatorFormats, ByteLayoutsNoiseAndJunk)
{
    const scale::sim::EncoderOptions o, checksum{.frame = {}, .checksum = true},
        digitsSign{.frame = {}, .signInDigits = true, .eol = ""};
    const std::string stx = "\x02";
    const std::pair<std::string, std::string> cases[] = {
        {encode(Format::Indicator, o, 1234), stx + "000001234\r\n"},
        {encode(Format::Indicator, o, -1234, true), stx + "060001234\r\n"},  // negative, moving
        {encode(Format::Indicator, digitsSign, -1234), stx + "0000-1234"},
        {encode(Format::Indicator, o, 123456), stx + "000099999\r\n"},  // too heavy
        {encode(Format::Toledo, o, 1234), stx + "\x2a\x30\x20" "001234000000\r"},
        {encode(Format::Toledo, o, -5, true), stx + "\x2a\x3a\x20" "000005000000\r"},
        // The 7-bit sum of the 17 bytes is 0x2D3; its two's complement in 7 bits is 0x2D.
        {encode(Format::Toledo, checksum, 1234), stx + "\x2a\x30\x20" "001234000000\r\x2d"},
        {encode(Format::Ascii, o, 1234), "ST,GS,+0001234kg\r\n"},
        {encode(Format::Ascii, o, -20, true), "US,GS,-0000020kg\r\n"},
        {encode(Format::Ascii, o, 12345678), "OL,GS,+9999999kg\r\n"},
        // "+0012340" XORed together is 0x1F.
        {encode(Format::Xk3190, o, 1234), stx + "+0012340" + "1F" + "\x03"},
    };
    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ(bytes, expected);

    // Noise before each frame, never a start character; every third frame a CR in its weight.
    const scale::sim::EncoderOptions noisy{.frame = {}, .noiseBytes = 50, .controlEvery = 3};
    const std::string first = encode(Format::Indicator, noisy, 777, false, 0);
    ASSERT_EQ(first.size(), 50u + 12u);
    EXPECT_EQ(first.find('\x02'), 50u);
    EXPECT_EQ(first.substr(50), stx + "000000777\r\n");
    EXPECT_EQ(encode(Format::Indicator, noisy, 777, false, 2).substr(50), stx + "000000\r77\r\n");
    // Junk is free of start characters; silence sends nothing.
    const std::string junk = scale::sim::encode(Format::Indicator, noisy, Reading{.kind = Reading::Kind::Junk}, 9, 1);
    EXPECT_EQ(junk.size(), 12u);
    EXPECT_EQ(junk.find('\x02'), std::string::npos);
    EXPECT_TRUE(scale::sim::encode(Format::Toledo, noisy, Reading{.kind = Reading::Kind::Silence}, 9, 1).empty());
}

// What the simulator sends in the program's format is what the program reads, for any frame layout.
TEST(SimulatorFormats, TheProgramReadsWhatTheIndicatorFormatSends)
{
    struct Layout {
        unsigned char start;
        int header, weight, status;
    };
    for (const Layout l : {Layout{2, 5, 5, 3}, Layout{'=', 1, 7, 1}, Layout{0xAA & 0x7F, 8, 6, 4}}) {
        const scale::sim::EncoderOptions o{
            .frame = {l.start, l.header, l.weight}, .statusPosition = l.status, .noiseBytes = 5};
        const scale::ReaderConfig c{.frame = o.frame, .statusPosition = l.status, .signFromStatus = l.status > 1};
        scale::FrameReader reader(c);
        scale::ByteQueue in;
        for (const long long kg : {0LL, 15140LL, -20LL, 999LL}) {
            if (kg < 0 && !c.signFromStatus)
                continue;
            in.push(encode(Format::Indicator, o, kg, false, std::uint64_t(kg + 100)));
            reader.beginTick(0);
            const auto r = reader.service(in, 0);
            ASSERT_EQ(r.end, scale::TickEnd::Frame) << int(l.start);
            EXPECT_EQ(r.evaluation->weight, kg) << int(l.start);
        }
    }
}

TEST(SimulatorProgram, WritesFramesToStandardOutputAndRejectsBadArguments)
{
    const std::string sim = MERVO_BINARY_DIR "/app/mervo-scale-sim";
    const auto ok = testsupport::runProcess(
        sim, {"--device", "-", "--fast", "--rate", "10", "--format", "ascii", "0:200ms", "ramp:100:200ms"});
    EXPECT_EQ(ok.exitCode, 0) << ok.err;
    EXPECT_EQ(ok.out, "ST,GS,+0000000kg\r\nST,GS,+0000000kg\r\nST,GS,+0000000kg\r\nUS,GS,+0000050kg\r\n");

    const auto setting = testsupport::runProcess(
        sim, {"--device", "-", "--fast", "--setting", "09600,N,8,1,061,002,004", "--status-pos", "2", "--eol",
              "none", "42:100ms"});
    EXPECT_EQ(setting.out, "=00042");

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--format", "weird", "0:1s"}, {"--rate", "0", "0:1s"},
          {"--setting", "9600", "0:1s"}, {"--noise", "-1", "0:1s"}, {"ramp:5"}, {"--bogus", "0:1s"},
          {"--device"}}) {
        const auto r = testsupport::runProcess(sim, args);
        EXPECT_EQ(r.exitCode, 2) << args.front();
        EXPECT_NE(r.err.find("mervo-scale-sim: "), std::string::npos) << args.front();
    }
}

}  // namespace
