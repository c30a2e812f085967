// The whole link in real time: mervo-scale-sim on a pseudo-terminal read by the diagnostics command,
// which runs QSerialPort, the reading driver and the weight dialog's model as a weigh-in does. Each
// case plays a few seconds of a truck visit.
#include <QCoreApplication>
#include <gtest/gtest.h>

#include "scale_fixture.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

namespace {

const std::string kAdmin = MERVO_BINARY_DIR "/app/mervo-admin";
using scaletest::Simulator;

// The diagnostics command, as a site runs it: a configuration file whose Device#1 is the simulator.
std::string configFor(const testsupport::TempDir& dir, const std::string& device, const char* format = nullptr,
                      const std::string& more = "")
{
    const std::string path = dir.file("MERVO.INI");
    testsupport::writeFile(path, "[Comm]\r\nDevice#1=" + device + "\r\nTimer=50\r\n" +
                                     (format ? std::string("Format#1=") + format + "\r\n" : "") + more);
    return path;
}

// The end of the output, as long as `tail`.
std::string tailOf(const std::string& out, const std::string& tail)
{
    return out.substr(out.size() - std::min(out.size(), tail.size()));
}

// Every frame printed and the settled weight taken through the real port, also under noise and with
// "Format#1" set; silence gives the message and no weight. (Every format: DetectNamesTheSetting...)
TEST(WeighCommand, PrintsEveryFrameAndTheOutcome)
{
    struct Case {
        const char* format;  // nullptr: no "Format#1"
        std::vector<std::string> sim;
        std::vector<std::string> seen;  // in the output, in this order
        std::string last;
        int timeout;
        std::string more = {};  // more lines of [Comm]
    };
    const Case cases[] = {
        // Each first phase (zero, a negative weight) lasts long enough that the command, slow to
        // start under a sanitizer on a busy machine, still sees it become stable.
        {nullptr,
         {"0:3s", "ramp:2500:500ms", "2500:8s"},
         {" COM1:9600,E,7,1 start=002 header=5 weight=5\n",
          "frame 02 30 30 30 30 30 30 30 30 30 | weight=0 stable=no repeat=1 zero=1 status=00110000\n",
          "| weight=2500 stable=yes repeat=3 zero=2"},
         "accepted 2500\n",
         12},
        // Noise, control characters and a waving needle still give the settled weight, taken as soon
        // as it settles; with "Zero" the load on the scale at the start waits for a zero first.
        {nullptr,
         {"--noise", "3", "--control-every", "5", "--seed", "7", "8000:2s", "0:1s", "ramp:15140:500ms",
          "noise:40:500ms", "15140:8s"},
         {"| weight=8000 ", "zero=0 ", "| weight=0 stable=yes", "| weight=15140 stable=yes repeat=3 zero=2"},
         "accepted 15140\n", 7, "Zero=1\r\n"},
        {nullptr, {"silence:10s"}, {"message ส่วนการรับสัญญาณน้ำหนัก: ไม่สามารถรับสัญญาณน้ำหนักได้ !\n"},
         "no weight\n", 10},
        {"toledo",
         {"--format", "toledo", "--checksum", "-20:4s", "ramp:2500:300ms", "2500:8s"},
         {"start=002 header=5 weight=5 format=toledo\n", "| weight=-20 stable=yes repeat=3 zero=1", "motion=yes",
          "| weight=2500 stable=yes repeat=3 zero=2"},
         "accepted 2500\n", 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.sim));
        testsupport::TempDir dir;
        Simulator sim(c.sim);
        const std::string config = configFor(dir, sim.path, c.format, c.more);
        const auto r =
            testsupport::runProcess(kAdmin, {"weigh", config, "--timeout", std::to_string(c.timeout)});
        std::size_t at = r.out.find("port COM1 " + sim.path + " COM1:9600,E,7,1 ");
        ASSERT_NE(at, std::string::npos) << r.out << r.err;
        for (const std::string& seen : c.seen) {
            at = r.out.find(seen, at);
            ASSERT_NE(at, std::string::npos) << seen << "\n" << r.out;
        }
        EXPECT_EQ(tailOf(r.out, c.last), c.last) << r.out;
        EXPECT_EQ(r.exitCode, c.last.rfind("accepted", 0) == 0 ? 0 : 1);
    }
}

TEST(WeighCommand, DetectNamesTheSettingAndFormatToConfigure)
{
    // Every variant the simulator speaks, with and without decimals, listened to from wherever the
    // stream happens to be.
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--format", "toledo", "--checksum", "2500:8s"}, "toledo"},
        {{"--format", "toledo", "--decimals", "2", "250000:8s"}, "toledo"},
        {{"--format", "xk3190", "--decimals", "1", "25000:8s"}, "xk3190"},
        {{"--format", "xk3190-equals", "2500:8s"}, "xk3190"},
        {{"--format", "ascii", "--decimals", "3", "--unit", "t", "2500:8s"}, "ascii"},
        {{"--format", "ascii-nocomma", "2500:8s"}, "ascii"},
        {{"--format", "indicator", "2500:8s"}, "indicator"},
    };
    for (const auto& [args, format] : cases) {
        testsupport::TempDir dir;
        Simulator sim(args);
        const auto r =
            testsupport::runProcess(kAdmin, {"weigh", configFor(dir, sim.path), "--detect", "--port", "1"});
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_NE(r.out.find("| weight=2500\n"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("\nsure "), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(" frames (100%)\nPort#1="), std::string::npos) << r.out;  // no frame failed
        const std::string tail = std::string("Port#1=09600,E,7,1,002,005,005\nFormat#1=") + format + "\n";
        EXPECT_EQ(tailOf(r.out, tail), tail) << r.out;
    }

    // Nothing but junk: every line setting is tried and none matches.
    testsupport::TempDir dir;
    Simulator junk({"junk:30s"});
    const auto r = testsupport::runProcess(kAdmin, {"weigh", configFor(dir, junk.path), "--detect"});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_EQ(tailOf(r.out, "no match\n"), "no match\n") << r.out;
}

TEST(WeighCommand, PortProblemsAndBadArguments)
{
    testsupport::TempDir dir;
    const std::string config = configFor(dir, dir.file("no-such-device"));
    const auto missing = testsupport::runProcess(kAdmin, {"weigh", config, "--timeout", "2"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.out.find("ไม่สามารถเปิดพอร์ตเครื่องชั่ง COM1 (" + dir.file("no-such-device") + ") ได้ !"),
              std::string::npos)
        << missing.out;
    EXPECT_NE(missing.out.find("problem cannot open"), std::string::npos) << missing.out;

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"weigh", config, "--port", "5"}, {"weigh", config, "--timeout", "x"},
          {"weigh", config, "extra"}}) {
        const auto r = testsupport::runProcess(kAdmin, args);
        EXPECT_EQ(r.exitCode, 2) << args.back();
        EXPECT_FALSE(r.err.empty());
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
