// The indicator simulator, the serial port's double: its frames as the program reads them (each format
// through the pseudo-terminal: WeighCommand.DetectNamesTheSettingAndFormatToConfigure) and its command
// line, whose profile is read as the link tests write theirs.
#include <gtest/gtest.h>

#include "scale/frame_reader.h"
#include "scale/sim_formats.h"
#include "support/run_process.h"

namespace {

using scale::sim::Format;
using scale::sim::Reading;

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
            in.push(scale::sim::encode(Format::Indicator, o, Reading{.weight = kg}, std::uint64_t(kg + 100), 1));
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
         {std::vector<std::string>{"--format", "weird", "0:1s"}, {"--rate", "0", "0:1s"}, {"ramp:5"}, {"--device"}}) {
        const auto r = testsupport::runProcess(sim, args);
        EXPECT_EQ(r.exitCode, 2) << args.front();
        EXPECT_NE(r.err.find("mervo-scale-sim: "), std::string::npos) << args.front();
    }
}

}  // namespace
