// The live weight display's model over an in-memory port and a fake clock: the text and state it
// shows for a settling load, silence, bad frames and a port that will not open, and the port given
// up to a weight dialog and taken back.
#include "scale/live_weight.h"

#include <cstdio>
#include <gtest/gtest.h>

#include "core/settings.h"
#include "core/tis620.h"
#include "support/seams.h"

namespace {

using core::tis620::T;
using scale::LiveState;

class RecordingTicker final : public scale::Ticker {
public:
    void start(int ms) override
    {
        running = true;
        last = ms;
    }
    void stop() override { running = false; }
    bool running = false;
    int last = 0;
};

std::string indicatorFrame(long long kg)
{
    const std::string w = std::to_string(kg);
    return "\x02" "0000" + std::string(5 - w.size(), '0') + w + "\r\n";
}

// XK3190: STX, sign, 6 digits, decimals, the XOR of bytes 2-9 as two hex characters, ETX.
std::string xkFrame(long long kg, bool goodChecksum = true)
{
    char digits[8];
    std::snprintf(digits, sizeof digits, "%06lld", kg);
    std::string body = std::string("+") + digits + "0";
    unsigned x = 0;
    for (const char c : body)
        x ^= static_cast<unsigned char>(c);
    if (!goodChecksum)
        x ^= 0x01;
    const char* hex = "0123456789ABCDEF";
    return "\x02" + body + hex[(x >> 4) & 0xF] + hex[x & 0xF] + "\x03";
}

class LiveWeightTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto& s = core::programSettings();
        const std::pair<const char*, const char*> keys[] = {
            {"CCPORT", "1"}, {"CCPORT1", "09600,E,7,1,002,005,005"}, {"CSTABLE", "3"}, {"NINTERV", "300"},
            {"CZEROW", "1"}, {"CWREAD", "1"},  {"CMINUS", "0"},  {"CTLDST", "3"},
        };
        for (const auto& [k, v] : keys)
            s.setText(k, v);
        live.setOnChange([this] { ++changes; });
    }
    void TearDown() override { core::programSettings().clear(); }

    // The timer fires with these bytes just arrived.
    void tick(const std::string& arrived, int ms = 300)
    {
        clock.advanceMs(ms);
        port.push(arrived);
        live.timerFired();
    }

    testsupport::FakeClock clock;
    scale::MemoryPort port;
    RecordingTicker ticker;
    scale::LiveWeight live{port, ticker};
    int changes = 0;
};

TEST_F(LiveWeightTest, ShowsTheWeightAndWhetherItIsStable)
{
    struct Case {
        std::vector<long long> frames;
        std::string text;
        LiveState state;
    };
    const Case cases[] = {
        {{1000}, "1,000 Kg.", LiveState::Motion},
        {{1000, 1000, 1000}, "1,000 Kg.", LiveState::Motion},
        {{1000, 1000, 1000, 1000}, "1,000 Kg.", LiveState::Stable},
        {{1000, 1000, 1000, 1000, 1200}, "1,200 Kg.", LiveState::Motion},
        // No zero is waited for, as the weight dialog does when "Zero" is 1.
        {{15140, 15140, 15140, 15140, 15140}, "15,140 Kg.", LiveState::Stable},
    };
    for (const Case& c : cases) {
        live.stop();
        live.start();
        ASSERT_TRUE(live.portOpen());
        EXPECT_EQ(live.state(), LiveState::NoSignal);  // nothing read yet
        for (long long kg : c.frames)
            tick(indicatorFrame(kg));
        EXPECT_EQ(live.text(), c.text);
        EXPECT_EQ(live.state(), c.state) << c.text << " after " << c.frames.size() << " frames";
        EXPECT_TRUE(ticker.running);
        EXPECT_EQ(ticker.last, 300);
    }
}

TEST_F(LiveWeightTest, TheStatesAreNamedInThai)
{
    EXPECT_EQ(scale::LiveWeight::stateText(LiveState::Stable), T("น้ำหนักนิ่ง"));
    EXPECT_EQ(scale::LiveWeight::stateText(LiveState::Motion), T("น้ำหนักกำลังเปลี่ยน"));
    EXPECT_EQ(scale::LiveWeight::stateText(LiveState::NoSignal), T("ไม่มีสัญญาณจากเครื่องชั่ง"));
    EXPECT_EQ(scale::LiveWeight::stateText(LiveState::Off), T("ไม่ได้อ่านเครื่องชั่ง"));
}

TEST_F(LiveWeightTest, SilenceIsNoSignalAndTheNextFramesBringTheWeightBack)
{
    live.start();
    for (int i = 0; i < 4; ++i)
        tick(indicatorFrame(2500));
    ASSERT_EQ(live.state(), LiveState::Stable);
    // The timer fires and nothing comes: the tick stays open until the silence window has passed.
    tick("");
    EXPECT_TRUE(live.waitingForFrame());
    clock.advanceMs(3000);
    live.serviceTick();
    EXPECT_EQ(live.state(), LiveState::Stable);
    clock.advanceMs(1000);
    live.serviceTick();
    EXPECT_EQ(live.state(), LiveState::NoSignal);
    EXPECT_EQ(live.text(), "--- Kg.");
    EXPECT_TRUE(live.portOpen());  // the indicator may come back at any moment
    EXPECT_EQ(port.openCount, 1);
    tick(indicatorFrame(2600));
    EXPECT_EQ(live.state(), LiveState::Motion);
    EXPECT_EQ(live.text(), "2,600 Kg.");
}

TEST_F(LiveWeightTest, ABadFrameLeavesTheWeightAndAStaleWeightIsNoLongerStable)
{
    core::programSettings().setText("CCFMT1", "xk3190");
    live.start();
    for (int i = 0; i < 4; ++i)
        tick(xkFrame(8000));
    ASSERT_EQ(live.state(), LiveState::Stable);
    ASSERT_EQ(live.text(), "8,000 Kg.");
    tick(xkFrame(9000, false));
    EXPECT_EQ(live.text(), "8,000 Kg.");
    EXPECT_EQ(live.state(), LiveState::Stable);  // the last reading is still fresh
    tick(xkFrame(9000, false), 1000);
    EXPECT_EQ(live.text(), "8,000 Kg.");
    EXPECT_EQ(live.state(), LiveState::Motion);
    // Bad frames only, for the whole silence window: no signal.
    for (int i = 0; i < 4; ++i)
        tick(xkFrame(9000, false), 1000);
    EXPECT_EQ(live.state(), LiveState::NoSignal);
}

TEST_F(LiveWeightTest, APortThatWillNotOpenIsNoSignalAndIsTriedAgainLater)
{
    port.result = scale::OpenResult::CannotOpen;
    live.start();
    EXPECT_EQ(live.state(), LiveState::NoSignal);
    EXPECT_FALSE(live.portOpen());
    EXPECT_FALSE(live.failureReason().empty());
    EXPECT_EQ(ticker.last, scale::LiveWeight::kRetryMs);
    port.result = scale::OpenResult::Opened;
    live.timerFired();
    EXPECT_TRUE(live.portOpen());
    EXPECT_EQ(port.openCount, 2);
    tick(indicatorFrame(40));
    EXPECT_EQ(live.text(), "40 Kg.");
}

TEST_F(LiveWeightTest, ALostDeviceClosesThePortUntilTheRetry)
{
    live.start();
    tick(indicatorFrame(100));
    port.loseDevice();
    tick("");
    EXPECT_EQ(live.state(), LiveState::NoSignal);
    EXPECT_EQ(ticker.last, scale::LiveWeight::kRetryMs);
    live.timerFired();
    EXPECT_TRUE(port.isOpen());
}

TEST_F(LiveWeightTest, NoConfiguredPortReadsNothing)
{
    for (const char* setting : {"", "0", "5", "X"}) {
        core::programSettings().setText("CCPORT", setting);
        live.start();
        EXPECT_EQ(live.state(), LiveState::Off) << setting;
        EXPECT_EQ(live.text(), "");
    }
    EXPECT_EQ(port.openCount, 0);
    EXPECT_FALSE(ticker.running);
}

TEST_F(LiveWeightTest, ThePortIsGivenUpWhileLeasesLastAndTakenAgainAfter)
{
    scale::LiveWeight* previous = scale::setLiveWeight(&live);
    live.start();
    tick(indicatorFrame(700));
    {
        scale::PortLease dialog;
        EXPECT_FALSE(port.isOpen());
        EXPECT_FALSE(ticker.running);
        EXPECT_EQ(live.state(), LiveState::Off);
        {
            scale::PortLease nested;
        }
        EXPECT_FALSE(port.isOpen());  // the outer lease still holds it
        live.timerFired();            // a timeout already queued reads nothing
        EXPECT_FALSE(port.isOpen());
    }
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.openCount, 2);
    tick(indicatorFrame(710));
    EXPECT_EQ(live.text(), "710 Kg.");
    scale::setLiveWeight(previous);
}

TEST_F(LiveWeightTest, ALiveWeightMadeDuringALeaseWaitsForItsEnd)
{
    scale::PortLease dialog;
    scale::LiveWeight* previous = scale::setLiveWeight(&live);
    live.start();
    EXPECT_EQ(port.openCount, 0);
    scale::setLiveWeight(previous);
}

}  // namespace
