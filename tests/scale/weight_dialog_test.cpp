// The whole link in real time, mervo-scale-sim on a pseudo-terminal: the weight dialog offscreen (no
// closing while the weight may not be taken, the live weight's port lent to it, the port asked for
// when none is set) and mervo-admin weigh, printing every frame and detecting the line settings.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "core/settings.h"
#include "scale/live_reader.h"
#include "scale/dialogs/live_weight_panel.h"
#include "scale/weight_dialog.h"
#include "support/qt_typing.h"
#include "scale_fixture.h"
#include "support/run_process.h"
#include "support/seams.h"
#include "support/temp_dir.h"
#include "ui/entry_field.h"

namespace {

using scaletest::kNoSignal;
using scaletest::Simulator;

// Runs `act` on the dialog once it is up and has begun (polled on the event loop).
void onDialog(std::function<void(scale::WeightDialog&)> act)
{
    testsupport::whenModal(
        [act = std::move(act)](QWidget* modal) { act(*static_cast<scale::WeightDialog*>(modal)); });
}

class WeightDialogTest : public ::testing::Test {
protected:
    void SetUp() override { scaletest::setLinkSettings(); }
    void TearDown() override { core::programSettings().clear(); }

    testsupport::RecordingPrompts prompts;
    testsupport::RecordingSound sound;
    scaletest::RecordingTarget ticket;
};

TEST_F(WeightDialogTest, AMovingWeightCannotBeTakenNorTheDialogClosed)
{
    Simulator sim({"--seed", "3", "noise:900:1500ms", "silence:10s"});
    core::programSettings().setText("CCDEV1", sim.path);
    bool stillOpen = false;
    onDialog([&](scale::WeightDialog& d) {
        QTimer::singleShot(800, &d, [&] {
            QTest::keyClick(&d, Qt::Key_Escape);
            d.close();
            d.acceptButton()->click();
            stillOpen = d.isVisible();
        });
    });
    const std::optional<long long> weight = scale::READW(1, &ticket);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(sound.tones, std::vector<int>{900});
    EXPECT_FALSE(weight.has_value());  // the silence after it ended the dialog without a weight
    EXPECT_EQ(prompts.texts(), std::vector<std::string>{kNoSignal});
    EXPECT_TRUE(ticket.calls.empty());
}

// The live weight reads the same port in the background; a weight dialog takes the port from it
// (a serial port opens for one reader only) and gives it back when it closes.
TEST_F(WeightDialogTest, TheLiveWeightLendsItsPortToTheDialog)
{
    Simulator sim({"12000:20s"});
    core::programSettings().setText("CCDEV1", sim.path);
    scale::LiveReader reader;
    scale::LiveWeightPanel panel;
    reader.start();
    const auto stable = [&] { return reader.live().state() == scale::LiveState::Stable; };
    ASSERT_TRUE(QTest::qWaitFor(stable, 3000)) << reader.live().failureReason();
    EXPECT_EQ(panel.weightLabel()->text(), QStringLiteral("12,000 Kg."));

    bool lent = false;
    onDialog([&](scale::WeightDialog&) { lent = reader.live().released() && !reader.live().portOpen(); });
    EXPECT_EQ(scale::READW(1, &ticket), 12000);
    EXPECT_TRUE(lent);
    EXPECT_TRUE(prompts.shown.empty());  // the dialog opened its port
    EXPECT_TRUE(reader.live().portOpen());
    EXPECT_TRUE(QTest::qWaitFor(stable, 3000));
    EXPECT_EQ(panel.weightLabel()->text(), QStringLiteral("12,000 Kg."));
}

TEST_F(WeightDialogTest, WithNoDefaultPortTheFieldAsksForOne)
{
    Simulator sim({"0:300ms", "ramp:5000:300ms", "5000:8s"});
    core::programSettings().setText("CCPORT", "0");
    core::programSettings().setText("CCDEV2", sim.path);
    bool keptFocus = false;
    onDialog([&](scale::WeightDialog& d) {
        ui::EntryField* port = d.portField();
        ASSERT_NE(port, nullptr);
        d.activateWindow();
        QApplication::setActiveWindow(&d);
        port->setFocus();
        testsupport::settle();
        testsupport::typeUtf8(port, "5");
        testsupport::tabAway(port);
        keptFocus = port->hasFocus() && !d.model().portOpen();
        port->selectAll();
        testsupport::typeUtf8(port, "2");
        testsupport::tabAway(port);
    });
    EXPECT_EQ(scale::READW(1, &ticket), 5000);
    EXPECT_TRUE(keptFocus);
    EXPECT_TRUE(prompts.shown.empty());
}

// ---- mervo-admin weigh: the diagnostics command runs QSerialPort, the reading driver and the weight
// dialog's model as a weigh-in does; each case plays a few seconds of a truck visit.

const std::string kAdmin = MERVO_BINARY_DIR "/app/mervo-admin";

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
        // Noise, control characters and a waving needle still give the settled weight, taken as soon
        // as it settles; with "Zero" the load on the scale at the start waits for a zero first. The
        // first load lasts long enough that the command, slow to start under a sanitizer on a busy
        // machine, still sees it.
        {nullptr,
         {"--noise", "3", "--control-every", "5", "--seed", "7", "8000:4s", "0:1s", "ramp:15140:500ms",
          "noise:40:500ms", "15140:8s"},
         {"| weight=8000 ", "zero=0 ", "| weight=0 stable=yes", "| weight=15140 stable=yes repeat=3 zero=2"},
         "accepted 15140\n", 10, "Zero=1\r\n"},
        {nullptr, {"silence:10s"}, {"message ส่วนการรับสัญญาณน้ำหนัก: ไม่สามารถรับสัญญาณน้ำหนักได้ !\n"},
         "no weight\n", 10},
        // The negative weight lasts long enough that the command, slow to start under a sanitizer on a
        // busy machine, still sees it become stable.
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
    // Every frame shape the simulator speaks, with and without decimals, listened to from wherever the
    // stream happens to be (the toledo's decimal codes: FrameFormats.EachFormatDecodesItsFrames).
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--format", "toledo", "--checksum", "2500:8s"}, "toledo"},
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
