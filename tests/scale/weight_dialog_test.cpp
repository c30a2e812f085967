// The weight dialog offscreen reading mervo-scale-sim over a pseudo-terminal: no closing while the
// weight may not be taken, the live weight's port lent to it, the port asked for when none is set.
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
#include "support/seams.h"
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
    QString shown;
    onDialog([&](scale::WeightDialog& d) {
        QTimer::singleShot(800, &d, [&] {
            QTest::keyClick(&d, Qt::Key_Escape);
            d.close();
            d.acceptButton()->click();
            stillOpen = d.isVisible();
            shown = d.weightLabel()->text();
        });
    });
    const std::optional<long long> weight = scale::READW(1, &ticket);
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(shown.endsWith(QStringLiteral(" Kg."))) << shown.toStdString();
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

}  // namespace
