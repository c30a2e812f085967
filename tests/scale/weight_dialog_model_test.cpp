#include "scale/weight_dialog_model.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "core/settings.h"
#include "core/tis620.h"
#include "scale_fixture.h"
#include "sim_process.h"
#include "support/seams.h"
#include "support/temp_dir.h"

namespace {

using core::tis620::T;
using scale::Colour;
using scale::Colours;
using scale::ZeroState;

// The ticket screen: records what the weight dialog did to it, in order.
class RecordingTarget final : public scale::WeighTarget {
public:
    void receiveWeight(int which, long long kg) override { calls.push_back("weight " + std::to_string(which) + "=" + std::to_string(kg)); }
    void disableWeighButton(int which) override { calls.push_back("disable " + std::to_string(which)); }
    void enableAndFocusSave() override { calls.push_back("save"); }
    void weightOrigin(int, const scale::WeightOrigin& o) override { origins.push_back(o); }
    std::vector<std::string> calls;
    std::vector<scale::WeightOrigin> origins;
};

class RecordingListener final : public scale::WeightDialogListener {
public:
    void focusPortField() override { ++focused; }
    void closeDialog() override { ++closed; }
    void frameDropped(const std::string&, scale::DropReason) override { ++dropped; }
    int focused = 0;
    int closed = 0;
    int dropped = 0;
};

// An indicator frame as the indicator sends it, with its line end.
std::string frameOf(long long kg, char status = '0')
{
    return scaletest::frameOf(kg, status) + "\r\n";
}

class WeightDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.file("sounds"));
        for (const char* name : {"TSound12.wav", "Number00.wav", "Number01.wav", "Number12.wav", "Number21.wav"})
            testsupport::writeFile(dir.file("sounds/") + name, "RIFF");
        scaletest::setLinkSettings();
        auto& s = core::programSettings();
        s.setText("CCPORT2", "19200,N,8,1,002,005,005");
        s.setText("CCDEV2", "/dev/pts/7");
        s.setText("NINTERV", "300");
        s.setText("CSYSSOUND", "Y");
        s.setText("CDRV1", dir.path() + "/");
    }
    void TearDown() override { core::programSettings().clear(); }

    std::unique_ptr<scale::WeightDialogModel> openDialog(int which = 1)
    {
        auto m = std::make_unique<scale::WeightDialogModel>(which, port, ticker, &target);
        m->setListener(&listener);
        m->open();
        m->DISPLAYW();
        return m;
    }
    // One timer tick with the frames that arrived since the previous one.
    void tick(scale::WeightDialogModel& m, const std::string& arrived)
    {
        clock.advanceMs(300);
        port.push(arrived);
        m.RCOMM();
    }

    testsupport::TempDir dir;
    testsupport::FakeClock clock;
    testsupport::RecordingSound sound;
    testsupport::RecordingPrompts prompts;
    scale::MemoryPort port;
    scaletest::RecordingTicker ticker;
    RecordingTarget target;
    RecordingListener listener;
};

TEST_F(WeightDialogTest, OpeningPlaysSound12AndStartsReadingTheDefaultPort)
{
    auto m = openDialog();
    EXPECT_EQ(sound.waves, std::vector<std::string>{"TSound12.wav"});
    EXPECT_EQ(m->weightText(), "0 Kg.");
    EXPECT_EQ(m->weightColours(), (Colours{Colour::Green, Colour::Black}));
    EXPECT_FALSE(m->portFieldShown());
    EXPECT_TRUE(m->portOpen());
    EXPECT_EQ(port.opened.device, "/dev/ttyS0");
    EXPECT_EQ(port.opened.baud, 9600);
    EXPECT_EQ(port.opened.parity, 'E');
    EXPECT_EQ(port.opened.dataBits, 7);
    EXPECT_EQ(ticker.started, std::vector<int>{300});
}

TEST_F(WeightDialogTest, AStableLoadClosesByItselfAndIsDeliveredToTheTicket)
{
    auto m = openDialog(2);
    sound.waves.clear();
    for (int i = 0; i < 3; ++i) {
        tick(*m, frameOf(1000));
        EXPECT_EQ(listener.closed, 0);
        EXPECT_FALSE(m->mayClose());  // reading, not yet acceptable
    }
    EXPECT_EQ(m->weightColours(), (Colours{Colour::Black, Colour::Green}));
    EXPECT_EQ(m->weightText(), "1,000 Kg.");
    tick(*m, frameOf(1000));
    EXPECT_EQ(listener.closed, 1);
    EXPECT_EQ(m->weightColours(), (Colours{Colour::Red, Colour::Green}));
    EXPECT_TRUE(target.calls.empty());  // nothing reaches the ticket before the dialog has closed

    m->finish();
    EXPECT_EQ(target.calls, (std::vector<std::string>{"weight 2=1000", "disable 2", "save"}));
    EXPECT_EQ(sound.waves, (std::vector<std::string>{"Number01.wav", "Number12.wav", "Number21.wav"}));
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(ticker.running);
    EXPECT_EQ(m->delivered(), 1000);
}

TEST_F(WeightDialogTest, ANegativeWeightCannotBeAcceptedAndTheButtonBeeps)
{
    core::programSettings().setText("CMINUS", "1");
    auto m = openDialog();
    for (int i = 0; i < 6; ++i)
        tick(*m, frameOf(1234, '2'));  // negative by the status byte
    EXPECT_EQ(m->reader().weight(), -1234);
    EXPECT_EQ(m->reader().zeroState(), ZeroState::Reading);
    EXPECT_EQ(m->weightText(), "-1,234 Kg.");
    m->acceptPressed();
    EXPECT_EQ(sound.tones, std::vector<int>{900});
    EXPECT_EQ(listener.closed, 0);
    EXPECT_FALSE(m->mayClose());  // Escape and the system menu are refused too
    EXPECT_TRUE(ticker.running);
}

TEST_F(WeightDialogTest, AStableZeroIsTakenOnlyByTheAcceptButton)
{
    auto m = openDialog();
    for (int i = 0; i < 5; ++i)
        tick(*m, frameOf(0));
    EXPECT_EQ(listener.closed, 0);
    EXPECT_EQ(m->reader().zeroState(), ZeroState::Acceptable);
    m->acceptPressed();
    EXPECT_TRUE(sound.tones.empty());
    EXPECT_EQ(listener.closed, 1);
    m->finish();
    EXPECT_EQ(target.calls.front(), "weight 1=0");
}

TEST_F(WeightDialogTest, FourSecondsOfSilenceCloseTheDialogWithTheMessage)
{
    auto m = openDialog();
    tick(*m, "");
    EXPECT_TRUE(m->tickOpen());
    clock.advanceMs(3999);
    m->service();
    EXPECT_EQ(listener.closed, 0);
    clock.advanceMs(1);
    m->service();
    EXPECT_EQ(listener.closed, 1);
    EXPECT_EQ(m->reader().zeroState(), ZeroState::NoSignal);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, T("ไม่สามารถรับสัญญาณน้ำหนักได้ !"));
    EXPECT_TRUE(m->mayClose());
    m->finish();
    EXPECT_TRUE(target.calls.empty());
}

TEST_F(WeightDialogTest, AnIncompleteFrameThenSilenceIsDroppedSilently)
{
    auto m = openDialog();
    tick(*m, "\x02" "000");
    clock.advanceMs(4000);
    m->service();
    EXPECT_EQ(listener.dropped, 1);
    EXPECT_EQ(listener.closed, 0);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(ticker.started.size(), 2u);  // restarted after the dropped frame
    tick(*m, frameOf(55));
    EXPECT_EQ(m->reader().weight(), 55);
}

TEST_F(WeightDialogTest, ALostDeviceIsNoSignalAtOnce)
{
    auto m = openDialog();
    tick(*m, frameOf(10));
    port.loseDevice();
    tick(*m, "");
    EXPECT_EQ(listener.closed, 1);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, T("ไม่สามารถรับสัญญาณน้ำหนักได้ !"));
    m->finish();

    // The adapter plugged back: the next weighing opens the device afresh.
    auto again = openDialog();
    EXPECT_TRUE(again->portOpen());
    tick(*again, frameOf(20));
    EXPECT_EQ(again->reader().weight(), 20);
}

TEST_F(WeightDialogTest, TheFormatOfThePortIsReadAndItsRefusalsShown)
{
    core::programSettings().setText("CCFMT1", "ASCII");
    auto m = openDialog();
    tick(*m, "\r\n");
    tick(*m, "OL,GS,+9999999kg\r\n");
    EXPECT_EQ(m->weightText(), T("น้ำหนักเกินพิกัดของเครื่องชั่ง !"));
    m->acceptPressed();
    EXPECT_EQ(sound.tones, std::vector<int>{900});
    for (int i = 0; i < 4; ++i)
        tick(*m, "ST,GS,+0007.250t\r\n");
    EXPECT_EQ(listener.closed, 1);
    m->finish();
    EXPECT_EQ(m->delivered(), 7250);
}

TEST_F(WeightDialogTest, TheTicketIsToldWhereTheWeightCameFrom)
{
    struct Case {
        const char* wread;  // "2": stable weights wait for the button
        bool button;
    };
    for (const Case c : {Case{"1", false}, Case{"2", true}}) {
        SCOPED_TRACE(c.wread);
        core::programSettings().setText("CWREAD", c.wread);
        target.origins.clear();
        auto m = openDialog(1);
        for (int i = 0; i < 3; ++i)
            tick(*m, frameOf(1000 + i));
        for (int i = 0; i < 4 && listener.closed == 0; ++i)
            tick(*m, frameOf(2000));
        if (c.button)
            m->acceptPressed();
        m->finish();
        ASSERT_EQ(m->delivered(), 2000);
        ASSERT_EQ(target.origins.size(), 1u);
        EXPECT_EQ(target.origins[0].byButton, c.button);
        EXPECT_EQ(target.origins[0].frame + "\r\n", frameOf(2000)) << "the frame without its end";
        EXPECT_EQ(target.origins[0].port, "COM1 /dev/ttyS0");
        EXPECT_EQ(target.origins[0].format, "indicator");
        listener.closed = 0;
    }
}

TEST_F(WeightDialogTest, AWeightNoLongerShownOrGivenUpOnIsNotDelivered)
{
    core::programSettings().setText("CWREAD", "2");
    for (const bool abandon : {false, true}) {
        target.calls.clear();
        auto m = openDialog();
        for (int i = 0; i < 4; ++i)
            tick(*m, frameOf(8000));
        ASSERT_EQ(m->reader().zeroState(), ZeroState::Acceptable);
        EXPECT_TRUE(m->mayClose());
        if (abandon) {
            m->abandon();  // the command's time limit
        } else {
            tick(*m, "junk");    // the frames stop, the bytes go on
            clock.advanceMs(1500);
            m->service();
            m->acceptPressed();  // too old: a beep
            EXPECT_EQ(sound.tones.size(), 1u);
        }
        m->finish();
        EXPECT_TRUE(target.calls.empty()) << abandon;
        EXPECT_FALSE(m->delivered()) << abandon;
    }
}

TEST_F(WeightDialogTest, APortOutsideOneToFourAsksForThePort)
{
    core::programSettings().setText("CCPORT", "0");
    auto m = openDialog();
    EXPECT_TRUE(m->portFieldShown());
    EXPECT_TRUE(m->portFieldEnabled());
    EXPECT_EQ(listener.focused, 1);
    EXPECT_EQ(port.openCount, 0);
    EXPECT_TRUE(m->mayClose());  // nothing is being read: the operator may leave

    m->setPortField("5");
    EXPECT_FALSE(m->MULTISCL());
    EXPECT_TRUE(m->portFieldEnabled());
    EXPECT_EQ(port.openCount, 0);

    m->setPortField("2");
    EXPECT_TRUE(m->MULTISCL());
    EXPECT_FALSE(m->portFieldEnabled());
    EXPECT_EQ(port.opened.device, "/dev/pts/7");
    EXPECT_EQ(port.opened.baud, 19200);
    EXPECT_EQ(m->port(), 2);
    EXPECT_FALSE(m->mayClose());
}

TEST_F(WeightDialogTest, APortThatCannotBeUsedIsExplainedAndTheDialogCanBeLeft)
{
    struct Case {
        const char* name;
        const char* ccport;
        const char* setting;
        scale::OpenResult result;
        const char* message;
        bool closes;
        const char* format = "indicator";
    };
    const Case cases[] = {
        {"cannot open", "1", "09600,E,7,1,002,005,005", scale::OpenResult::CannotOpen,
         "ไม่สามารถเปิดพอร์ตเครื่องชั่ง COM1 (/dev/ttyS0) ได้ !", true},
        {"cannot configure", "1", "09600,E,7,1,002,005,005", scale::OpenResult::CannotConfigure,
         "ไม่สามารถกำหนดค่าพอร์ตเครื่องชั่ง COM1 (/dev/ttyS0) ได้ !", true},
        {"bad setting", "1", "9600,E,7,1", scale::OpenResult::Opened, "ค่ากำหนดของพอร์ตเครื่องชั่ง COM1 ไม่ถูกต้อง !", true},
        {"unknown format", "1", "09600,E,7,1,002,005,005", scale::OpenResult::Opened,
         "รูปแบบข้อมูลของเครื่องชั่ง COM1 ไม่ถูกต้อง !", true, "mettler"},
        {"cannot open the typed port", "0", "09600,E,7,1,002,005,005", scale::OpenResult::CannotOpen,
         "ไม่สามารถเปิดพอร์ตเครื่องชั่ง COM1 (/dev/ttyS0) ได้ !", false},
    };
    for (const Case& c : cases) {
        auto& s = core::programSettings();
        s.setText("CCPORT", c.ccport);
        s.setText("CCPORT1", c.setting);
        s.setText("CCFMT1", c.format);
        port.result = c.result;
        listener = RecordingListener{};
        prompts.shown.clear();
        auto m = openDialog();
        if (m->portFieldShown()) {
            m->setPortField("1");
            EXPECT_FALSE(m->MULTISCL()) << c.name;
            EXPECT_TRUE(m->portFieldEnabled()) << c.name;  // emptied for another try
            EXPECT_EQ(listener.focused, 2) << c.name;
        }
        ASSERT_EQ(prompts.shown.size(), 1u) << c.name;
        EXPECT_EQ(prompts.shown[0].text, T(c.message)) << c.name;
        EXPECT_EQ(listener.closed, c.closes ? 1 : 0) << c.name;
        EXPECT_FALSE(m->portOpen()) << c.name;
        EXPECT_TRUE(m->mayClose()) << c.name;
        EXPECT_FALSE(m->failureReason().empty()) << c.name;
        m->finish();
        EXPECT_TRUE(target.calls.empty()) << c.name;
    }
}

}  // namespace
