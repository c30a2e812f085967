// The live weight display's model over an in-memory port and a fake clock: the text and state it
// shows for a settling load, silence, bad frames and a port that will not open, and the port given
// up to a weight dialog and taken back.
#include "scale/live_weight.h"

#include <gtest/gtest.h>

#include "core/settings.h"
#include "scale_fixture.h"
#include "sim_process.h"
#include "support/seams.h"

namespace {

using scale::LiveState;
using scaletest::frameOf;
using scaletest::tf0;

class LiveWeightTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scaletest::setLinkSettings();
        core::programSettings().setText("NINTERV", "300");
        core::programSettings().setText("CZEROW", "1");
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
    scaletest::RecordingTicker ticker;
    scale::LiveWeight live{port, ticker};
};

TEST_F(LiveWeightTest, ShowsTheWeightAndWhetherItIsStable)
{
    // No zero is waited for, as the weight dialog does when "Zero" is 1.
    struct Frame {
        long long kg;
        const char* text;
        LiveState state;
    };
    const Frame frames[] = {
        {1000, "1,000 Kg.", LiveState::Motion},  {1000, "1,000 Kg.", LiveState::Motion},
        {1000, "1,000 Kg.", LiveState::Motion},  {1000, "1,000 Kg.", LiveState::Stable},
        {1200, "1,200 Kg.", LiveState::Motion},  {15140, "15,140 Kg.", LiveState::Motion},
        {15140, "15,140 Kg.", LiveState::Motion}, {15140, "15,140 Kg.", LiveState::Motion},
        {15140, "15,140 Kg.", LiveState::Stable},
    };
    live.start();
    ASSERT_TRUE(live.portOpen());
    EXPECT_EQ(live.state(), LiveState::NoSignal);  // nothing read yet
    for (const Frame& f : frames) {
        tick(frameOf(f.kg));
        EXPECT_EQ(live.text(), f.text);
        EXPECT_EQ(live.state(), f.state) << f.text;
    }
    EXPECT_TRUE(ticker.running);
    EXPECT_EQ(ticker.started.back(), 300);
    live.stop();
    live.start();
    EXPECT_EQ(live.state(), LiveState::NoSignal);  // the weight read before is gone
}

TEST_F(LiveWeightTest, SilenceIsNoSignalAndTheNextFramesBringTheWeightBack)
{
    live.start();
    for (int i = 0; i < 4; ++i)
        tick(frameOf(2500));
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
    tick(frameOf(2600));
    EXPECT_EQ(live.state(), LiveState::Motion);
    EXPECT_EQ(live.text(), "2,600 Kg.");
}

TEST_F(LiveWeightTest, ABadFrameLeavesTheWeightAndAStaleWeightIsNoLongerStable)
{
    core::programSettings().setText("CCFMT1", "xk3190");
    std::string bad = tf0('+', "009000", '0');
    bad[2] = '1';  // the checksum is that of 9000
    live.start();
    for (int i = 0; i < 4; ++i)
        tick(tf0('+', "008000", '0'));
    ASSERT_EQ(live.state(), LiveState::Stable);
    ASSERT_EQ(live.text(), "8,000 Kg.");
    tick(bad);
    EXPECT_EQ(live.text(), "8,000 Kg.");
    EXPECT_EQ(live.state(), LiveState::Stable);  // the last reading is still fresh
    tick(bad, 1000);
    EXPECT_EQ(live.text(), "8,000 Kg.");
    EXPECT_EQ(live.state(), LiveState::Motion);
    // Bad frames only, for the whole silence window: no signal.
    for (int i = 0; i < 4; ++i)
        tick(bad, 1000);
    EXPECT_EQ(live.state(), LiveState::NoSignal);
}

TEST_F(LiveWeightTest, APortThatWillNotOpenIsNoSignalAndIsTriedAgainLater)
{
    port.result = scale::OpenResult::CannotOpen;
    live.start();
    EXPECT_EQ(live.state(), LiveState::NoSignal);
    EXPECT_FALSE(live.portOpen());
    EXPECT_FALSE(live.failureReason().empty());
    EXPECT_EQ(ticker.started.back(), scale::LiveWeight::kRetryMs);
    port.result = scale::OpenResult::Opened;
    live.timerFired();
    EXPECT_TRUE(live.portOpen());
    EXPECT_EQ(port.openCount, 2);
    tick(frameOf(40));
    EXPECT_EQ(live.text(), "40 Kg.");
}

TEST_F(LiveWeightTest, ALostDeviceClosesThePortUntilTheRetry)
{
    live.start();
    tick(frameOf(100));
    port.loseDevice();
    tick("");
    EXPECT_EQ(live.state(), LiveState::NoSignal);
    EXPECT_EQ(ticker.started.back(), scale::LiveWeight::kRetryMs);
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
    tick(frameOf(700));
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
    tick(frameOf(710));
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
