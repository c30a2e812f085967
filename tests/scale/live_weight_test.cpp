// The live weight display's model over an in-memory port and a fake clock: the text and state it
// shows for a settling load, silence, bad frames and a port that will not open, and the port given
// up to a weight dialog and taken back.
#include "scale/live_weight.h"

#include <gtest/gtest.h>

#include "scale_fixture.h"

namespace {

using scale::LiveState;
using scaletest::frameOf;
using scaletest::tf0;

class LiveWeightTest : public scaletest::PortTest {
protected:
    void SetUp() override
    {
        PortTest::SetUp();
        core::programSettings().setText("CZEROW", "1");
    }

    // The state and the text shown.
    std::pair<LiveState, std::string> shows() const { return {live.state(), live.text()}; }

    scale::LiveWeight live{port, ticker};
};

TEST_F(LiveWeightTest, ShowsTheWeightAndWhetherItIsStable)
{
    // No zero is waited for, as the weight dialog does when "Zero" is 1.
    const std::pair<long long, LiveState> frames[] = {
        {1000, LiveState::Motion},  {1000, LiveState::Motion},  {1000, LiveState::Motion},
        {1000, LiveState::Stable},  {1200, LiveState::Motion},  {15140, LiveState::Motion},
        {15140, LiveState::Motion}, {15140, LiveState::Motion}, {15140, LiveState::Stable},
    };
    live.start();
    ASSERT_TRUE(live.portOpen());
    EXPECT_EQ(live.state(), LiveState::NoSignal);  // nothing read yet
    for (const auto& [kg, state] : frames) {
        tick(live, frameOf(kg));
        EXPECT_EQ(shows(), std::make_pair(state, scale::weightText(kg)));
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
    tick(live, frameOf(2500), 4);
    ASSERT_EQ(live.state(), LiveState::Stable);
    // The timer fires and nothing comes: the tick stays open until the silence window has passed.
    tick(live, "");
    EXPECT_TRUE(live.waitingForFrame());
    clock.advanceMs(3000);
    live.serviceTick();
    EXPECT_EQ(live.state(), LiveState::Stable);
    clock.advanceMs(1000);
    live.serviceTick();
    EXPECT_EQ(shows(), std::make_pair(LiveState::NoSignal, std::string("--- Kg.")));
    EXPECT_TRUE(live.portOpen());  // the indicator may come back at any moment
    EXPECT_EQ(port.openCount, 1);
    tick(live, frameOf(2600));
    EXPECT_EQ(shows(), std::make_pair(LiveState::Motion, std::string("2,600 Kg.")));
}

TEST_F(LiveWeightTest, ABadFrameLeavesTheWeightAndAStaleWeightIsNoLongerStable)
{
    core::programSettings().setText("CCFMT1", "xk3190");
    std::string bad = tf0('+', "009000", '0');
    bad[2] = '1';  // the checksum is that of 9000
    const std::string eightTons = "8,000 Kg.";
    live.start();
    tick(live, tf0('+', "008000", '0'), 4);
    ASSERT_EQ(shows(), std::make_pair(LiveState::Stable, eightTons));
    tick(live, bad);
    EXPECT_EQ(shows(), std::make_pair(LiveState::Stable, eightTons));  // the last reading is still fresh
    tick(live, bad, 1, 1000);
    EXPECT_EQ(shows(), std::make_pair(LiveState::Motion, eightTons));
    // Bad frames only, for the whole silence window: no signal.
    tick(live, bad, 4, 1000);
    EXPECT_EQ(live.state(), LiveState::NoSignal);
}

TEST_F(LiveWeightTest, APortThatWillNotOpenOrIsLostIsNoSignalAndIsTriedAgainLater)
{
    for (const bool lost : {false, true}) {
        SCOPED_TRACE(lost);
        port.result = lost ? scale::OpenResult::Opened : scale::OpenResult::CannotOpen;
        const int opens = port.openCount;
        live.start();
        if (lost) {
            tick(live, frameOf(100));
            port.loseDevice();
            tick(live, "");
        } else {
            EXPECT_FALSE(live.failureReason().empty());
        }
        EXPECT_EQ(live.state(), LiveState::NoSignal);
        EXPECT_FALSE(port.isOpen());
        EXPECT_EQ(ticker.started.back(), scale::LiveWeight::kRetryMs);
        port.result = scale::OpenResult::Opened;
        live.timerFired();
        EXPECT_TRUE(live.portOpen());
        EXPECT_EQ(port.openCount, opens + 2);
        tick(live, frameOf(40));
        EXPECT_EQ(live.text(), "40 Kg.");
        live.stop();
    }
}

TEST_F(LiveWeightTest, NoConfiguredPortReadsNothing)
{
    for (const char* setting : {"", "0", "5", "X"}) {
        core::programSettings().setText("CCPORT", setting);
        live.start();
        EXPECT_EQ(shows(), std::make_pair(LiveState::Off, std::string())) << setting;
    }
    EXPECT_EQ(port.openCount, 0);
    EXPECT_FALSE(ticker.running);
}

// A weight dialog holds a lease while it reads: the live weight gives the port up, also when it is
// made during one, and takes it back once the last lease ends.
TEST_F(LiveWeightTest, ThePortIsGivenUpWhileLeasesLastAndTakenAgainAfter)
{
    scale::LiveWeight* previous = nullptr;
    {
        scale::PortLease first;
        previous = scale::setLiveWeight(&live);
        live.start();
        EXPECT_EQ(port.openCount, 0);
    }
    tick(live, frameOf(700));
    EXPECT_EQ(live.text(), "700 Kg.");
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
    tick(live, frameOf(710));
    EXPECT_EQ(live.text(), "710 Kg.");
    scale::setLiveWeight(previous);
}

}  // namespace
