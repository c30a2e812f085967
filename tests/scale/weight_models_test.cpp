// The weight dialog's and the live weight's models over an in-memory port and a fake clock: when the
// dialog closes and what reaches the ticket; the live weight's port lent to a weight dialog.
#include <gtest/gtest.h>

#include "core/tis620.h"
#include "scale/live_weight.h"
#include "scale/weight_dialog_model.h"
#include "scale_fixture.h"

namespace {

using core::tis620::T;
using scale::LiveState;
using scale::ZeroState;
using scaletest::kNoSignal;
using scaletest::RecordingTarget;
using scaletest::tf0;
using Texts = std::vector<std::string>;

class RecordingListener final : public scale::WeightDialogListener {
public:
    void focusPortField() override { ++focused; }
    void closeDialog() override { ++closed; }
    void frameDropped(const std::string&, scale::DropReason) override { ++dropped; }
    int focused = 0, closed = 0, dropped = 0;
};

// An indicator frame as the indicator sends it, with its line end.
std::string frameOf(long long kg, char status = '0')
{
    return scaletest::frameOf(kg, status) + "\r\n";
}

class WeightDialogTest : public scaletest::PortTest {
protected:
    void SetUp() override
    {
        PortTest::SetUp();
        auto& s = core::programSettings();
        s.setText("CCPORT2", "19200,N,8,1,002,005,005");
        s.setText("CCDEV2", "/dev/pts/7");
        s.setText("CSYSSOUND", "Y");
    }

    // A dialog opened and shown, with what the previous one did to the ticket, listener, beeper,
    // screen and ticker forgotten.
    std::unique_ptr<scale::WeightDialogModel> openDialog(int which = 1)
    {
        target = RecordingTarget{};
        listener = RecordingListener{};
        sound.tones.clear();
        prompts.shown.clear();
        ticker.started.clear();
        auto m = std::make_unique<scale::WeightDialogModel>(which, port, ticker, &target);
        m->setListener(&listener);
        m->open();
        m->DISPLAYW();
        return m;
    }

    testsupport::RecordingSound sound;
    testsupport::RecordingPrompts prompts;
    RecordingTarget target;
    RecordingListener listener;
};

// Opening starts reading the default port, not the one of the weight's number.
TEST_F(WeightDialogTest, AStableLoadClosesByItselfAndIsDeliveredToTheTicket)
{
    auto m = openDialog(2);
    EXPECT_TRUE(m->portOpen());
    const scale::LineSettings& line = port.opened;
    EXPECT_EQ(std::tie(line.device, line.baud, line.parity, line.dataBits),
              std::make_tuple(std::string("/dev/ttyS0"), 9600, 'E', 7));

    tick(*m, frameOf(990));
    tick(*m, frameOf(1000), 3);
    EXPECT_EQ(listener.closed, 0);
    EXPECT_FALSE(m->mayClose());  // reading, not yet acceptable
    EXPECT_EQ(m->weightText(), "1,000 Kg.");
    tick(*m, frameOf(1000));
    EXPECT_EQ(listener.closed, 1);
    EXPECT_TRUE(target.calls.empty());  // nothing reaches the ticket before the dialog has closed

    m->finish();
    EXPECT_EQ(target.calls, (Texts{"weight 2=1000", "disable 2", "save"}));
    // The ticket is told where the weight came from: the settled frame without its end.
    ASSERT_EQ(target.origins.size(), 1u);
    const scale::WeightOrigin& o = target.origins[0];
    EXPECT_EQ(std::tie(o.byButton, o.port, o.format), std::make_tuple(false, "COM1 /dev/ttyS0", "indicator"));
    EXPECT_EQ(o.frame + "\r\n", frameOf(1000));
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(ticker.running);
    EXPECT_EQ(m->delivered(), 1000);
}

// While the weight may not be taken the button beeps and the dialog stays, nor may Escape or the
// system menu close it; a stable zero is never taken by itself, only by the button.
TEST_F(WeightDialogTest, TheAcceptButtonTakesOnlyAWeightThatMayBeTaken)
{
    struct Case {
        const char* name;
        const char* minus;
        const char* format;
        Texts ticks;
        std::string shows;
        ZeroState state;
        std::optional<long long> taken;
    };
    const Case cases[] = {
        {"negative by the status byte", "1", "", Texts(6, frameOf(1234, '2')), "-1,234 Kg.", ZeroState::Reading,
         std::nullopt},
        {"the port's format refuses the reading", "0", "ASCII", {"\r\n", "OL,GS,+9999999kg\r\n"},
         T("น้ำหนักเกินพิกัดของเครื่องชั่ง !"), ZeroState::Reading, std::nullopt},
        {"a stable zero", "0", "", Texts(5, frameOf(0)), "0 Kg.", ZeroState::Acceptable, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        core::programSettings().setText("CMINUS", c.minus);
        core::programSettings().setText("CCFMT1", c.format);
        auto m = openDialog();
        for (const std::string& t : c.ticks)
            tick(*m, t);
        EXPECT_EQ(m->weightText(), c.shows);
        EXPECT_EQ(m->reader().zeroState(), c.state);
        EXPECT_EQ(listener.closed, 0);
        EXPECT_EQ(m->mayClose(), c.taken.has_value());
        m->acceptPressed();
        EXPECT_EQ(sound.tones, c.taken ? std::vector<int>{} : std::vector<int>{900});
        EXPECT_EQ(listener.closed, c.taken ? 1 : 0);
        EXPECT_EQ(ticker.running, !c.taken);
        m->finish();
        EXPECT_EQ(m->delivered(), c.taken);
        if (c.taken) {
            EXPECT_TRUE(target.origins.at(0).byButton);
        }
    }
}

// Four seconds without a byte end the tick: after silence the dialog closes with the message; a
// frame cut short is dropped without a word and the reading goes on.
TEST_F(WeightDialogTest, FourSecondsWithoutBytesEndTheTick)
{
    for (const bool cutShort : {false, true}) {
        SCOPED_TRACE(cutShort);
        auto m = openDialog();
        tick(*m, cutShort ? "\x02" "000" : "");
        EXPECT_TRUE(m->tickOpen());
        clock.advanceMs(3999);
        m->service();
        EXPECT_EQ(listener.closed, 0);
        clock.advanceMs(1);
        m->service();
        EXPECT_EQ(listener.closed, cutShort ? 0 : 1);
        EXPECT_EQ(listener.dropped, cutShort ? 1 : 0);
        EXPECT_EQ(m->reader().zeroState(), cutShort ? ZeroState::Reading : ZeroState::NoSignal);
        EXPECT_EQ(prompts.texts(), cutShort ? Texts{} : Texts{kNoSignal});
        EXPECT_EQ(m->mayClose(), !cutShort);
        EXPECT_EQ(ticker.started.size(), cutShort ? 2u : 1u);  // restarted after a dropped frame
        tick(*m, frameOf(55));
        EXPECT_EQ(m->reader().weight(), cutShort ? 55 : 0);
        m->finish();
        EXPECT_TRUE(target.calls.empty());
    }
}

TEST_F(WeightDialogTest, ALostDeviceIsNoSignalAtOnce)
{
    auto m = openDialog();
    tick(*m, frameOf(10));
    port.loseDevice();
    tick(*m, "");
    EXPECT_EQ(listener.closed, 1);
    EXPECT_EQ(prompts.texts(), Texts{kNoSignal});
    m->finish();

    // The adapter plugged back: the next weighing opens the device afresh.
    auto again = openDialog();
    EXPECT_TRUE(again->portOpen());
    tick(*again, frameOf(20));
    EXPECT_EQ(again->reader().weight(), 20);
}

TEST_F(WeightDialogTest, AWeightNoLongerShownOrGivenUpOnIsNotDelivered)
{
    core::programSettings().setText("CWREAD", "2");
    for (const bool abandon : {false, true}) {
        SCOPED_TRACE(abandon);
        auto m = openDialog();
        tick(*m, frameOf(8000), 4);
        ASSERT_EQ(m->reader().zeroState(), ZeroState::Acceptable);
        EXPECT_TRUE(m->mayClose());
        if (abandon) {
            m->abandon();  // the command's time limit
        } else {
            tick(*m, "junk");  // the frames stop, the bytes go on
            clock.advanceMs(1500);
            m->service();
            m->acceptPressed();  // too old: a beep
            EXPECT_EQ(sound.tones.size(), 1u);
        }
        m->finish();
        EXPECT_TRUE(target.calls.empty());
        EXPECT_FALSE(m->delivered());
    }
}

TEST_F(WeightDialogTest, APortThatCannotBeUsedIsExplainedAndTheDialogCanBeLeft)
{
    const char* good = "09600,E,7,1,002,005,005";
    struct Case {
        const char* ccport;  // "0": the port is typed into the field
        const char* setting;
        scale::OpenResult result;
        const char* message;
        const char* format = "indicator";
    };
    const Case cases[] = {
        {"1", good, scale::OpenResult::CannotOpen, "ไม่สามารถเปิดพอร์ตเครื่องชั่ง COM1 (/dev/ttyS0) ได้ !"},
        {"1", good, scale::OpenResult::CannotConfigure,
         "ไม่สามารถกำหนดค่าพอร์ตเครื่องชั่ง COM1 (/dev/ttyS0) ได้ !"},
        {"1", "9600,E,7,1", scale::OpenResult::Opened, "ค่ากำหนดของพอร์ตเครื่องชั่ง COM1 ไม่ถูกต้อง !"},
        {"1", good, scale::OpenResult::Opened, "รูปแบบข้อมูลของเครื่องชั่ง COM1 ไม่ถูกต้อง !", "mettler"},
        {"0", good, scale::OpenResult::CannotOpen, "ไม่สามารถเปิดพอร์ตเครื่องชั่ง COM1 (/dev/ttyS0) ได้ !"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        auto& s = core::programSettings();
        s.setText("CCPORT", c.ccport);
        s.setText("CCPORT1", c.setting);
        s.setText("CCFMT1", c.format);
        port.result = c.result;
        auto m = openDialog();
        const bool typed = m->portFieldShown();
        if (typed) {
            m->setPortField("1");
            EXPECT_FALSE(m->MULTISCL());
            EXPECT_TRUE(m->portFieldEnabled());  // emptied for another try
            EXPECT_EQ(listener.focused, 2);
        }
        EXPECT_EQ(prompts.texts(), Texts{c.message});
        EXPECT_EQ(listener.closed, typed ? 0 : 1);
        EXPECT_FALSE(m->portOpen());
        EXPECT_TRUE(m->mayClose());
        EXPECT_FALSE(m->failureReason().empty());
        m->finish();
        EXPECT_TRUE(target.calls.empty());
    }
}

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

TEST_F(LiveWeightTest, ShowsTheWeightWhetherItIsStableAndSilenceAsNoSignal)
{
    // No zero is waited for, as the weight dialog does when "Zero" is 1.
    const std::pair<long long, LiveState> frames[] = {
        {1000, LiveState::Motion}, {1000, LiveState::Motion},  {1000, LiveState::Motion},
        {1000, LiveState::Stable}, {15140, LiveState::Motion},
    };
    live.start();
    ASSERT_TRUE(live.portOpen());
    EXPECT_EQ(live.state(), LiveState::NoSignal);  // nothing read yet
    for (const auto& [kg, state] : frames) {
        tick(live, frameOf(kg));
        EXPECT_EQ(shows(), std::make_pair(state, scale::weightText(kg)));
    }
    EXPECT_TRUE(ticker.running);

    // The timer fires and nothing comes: the tick stays open until the silence window has passed.
    tick(live, "");
    EXPECT_TRUE(live.waitingForFrame());
    clock.advanceMs(3000);
    live.serviceTick();
    EXPECT_EQ(live.state(), LiveState::Motion);
    clock.advanceMs(1000);
    live.serviceTick();
    EXPECT_EQ(shows(), std::make_pair(LiveState::NoSignal, std::string("--- Kg.")));
    EXPECT_TRUE(live.portOpen());  // the indicator may come back at any moment
    EXPECT_EQ(port.openCount, 1);
    tick(live, frameOf(2600));
    EXPECT_EQ(shows(), std::make_pair(LiveState::Motion, std::string("2,600 Kg.")));

    live.stop();
    live.start();
    EXPECT_EQ(live.state(), LiveState::NoSignal);  // the weight read before is gone
}

// The bad frame is counted and dropped; the weight read before stays shown, and is stable only while
// it is fresh: a stale reading taken as a stable weight would be weighed onto a ticket.
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

// A port that will not open, and the adapter unplugged: no signal, and the port is tried again.
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
        }
        EXPECT_EQ(live.failureReason().empty(), lost);
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
