// The voucher and production screens on the offscreen platform, started as the main window starts
// them (the dispatcher with the user's rights): a payment made through the form, its lines through
// the line dialog and the ticket selection dialog, the exit refused until it is settled; a
// production line entered with its codes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QPointer>
#include <QPushButton>

#include "accounts/dialogs/voucher_dialogs.h"
#include "support/qt_typing.h"
#include "ui/thai_text.h"
#include "voucher_fixture.h"
#include "weighing/ticket_ui_helpers.h"

using namespace accounts;
using namespace vouchertest;

namespace {

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// Runs `act` once a modal dialog other than `current` (which may still be closing) is up.
void whenModalOtherThan(QWidget* current, std::function<void(QWidget*)> act)
{
    QPointer<QWidget> old(current);
    testsupport::whenModal([old, current, act](QWidget* modal) {
        if (old && modal == current) {
            whenModalOtherThan(current, act);
            return;
        }
        act(modal);
    });
}

// Types into a field of a form and leaves it with Tab.
void typeInto(ui::Form& form, const char* name, const char* utf8)
{
    ASSERT_TRUE(form.field(name)) << name;
    tickettest::typeInto(form.field(name), utf8);
}

class VoucherDialogsTest : public ::testing::Test {
protected:
    void SetUp() override { registerVoucherActions(dispatcher); }

    Site site;
    weighingtest::ScriptedPickList pickList;
    shell::Dispatcher dispatcher;
};

TEST_F(VoucherDialogsTest, EveryDocumentScreenFitsASmallScreen)
{
    ScriptedDocumentHost host;
    tickettest::addToolPictures(site.tables());
    for (int kind = 1; kind <= 5; ++kind) {
        SCOPED_TRACE(kind);
        std::unique_ptr<DocumentScreen> screen;
        if (kind <= 4)
            screen = std::make_unique<VoucherScreen>(kind, 6, host);
        else
            screen = std::make_unique<ProductionScreen>(6, host);
        ASSERT_TRUE(screen->open());
        DocumentDialog d(*screen);
        testsupport::expectFitsSmallScreen(d);
    }
}

TEST_F(VoucherDialogsTest, APaymentIsMadeThroughItsFormLinesAndSelection)
{
    site.load("Wdata1", std::string(kTicketHeader) + "000001,2,F001,P001,W1,KG,20261205,08:00:00,1000,7250,6250,1000,0,\n");
    QString title, lineTitle, selectionTitle, name;
    bool stayedOpen = false;
    int selectionRows = 0;
    testsupport::whenModal([&](QWidget* modal) {
        auto* d = qobject_cast<DocumentDialog*>(modal);
        ASSERT_TRUE(d);
        tickettest::showActive(*d);
        title = d->windowTitle();
        EXPECT_FALSE(d->button(DocButton::Save)->isEnabled());
        d->press(DocButton::New);
        EXPECT_TRUE(d->button(DocButton::Save)->isEnabled());
        EXPECT_FALSE(d->button(DocButton::Next)->isEnabled());
        EXPECT_FALSE(d->lines()->isEnabled());
        typeInto(d->form(), "cFarmer", "F001");
        name = d->form().field("cFarName")->text();
        d->press(DocButton::Save);
        ASSERT_EQ(d->screen().mode(), kBrowsing);

        // The line type left empty opens the selection; everything selected is settled.
        testsupport::whenModal([&](QWidget* modal) {
            auto* line = qobject_cast<LineDialog*>(modal);
            ASSERT_TRUE(line);
            tickettest::showActive(*line);
            lineTitle = line->windowTitle();
            whenModalOtherThan(line, [&](QWidget* modal) {
                auto* sel = qobject_cast<TicketSelectionDialog*>(modal);
                ASSERT_TRUE(sel);
                tickettest::showActive(*sel);
                selectionTitle = sel->windowTitle();
                sel->button(2)->click();  // "เลือกหมด"
                selectionRows = int(sel->browse()->rows().rowCount());
                sel->button(5)->click();  // "ตกลง"
            });
            typeInto(line->form(), "cdType", "");
            testsupport::settle();
            line->cancelButton()->click();
        });
        d->press(DocButton::LineAdd);
        testsupport::settle();
        EXPECT_EQ(d->form().field("cAmount")->text(), u("1,000.00"));

        d->press(DocButton::Exit);  // not settled yet
        testsupport::settle();
        stayedOpen = d->isVisible();
        tickettest::showActive(*d);
        d->press(DocButton::Edit);
        typeInto(d->form(), "cCash", "1000");
        d->press(DocButton::Save);
        d->press(DocButton::Exit);
    });
    EXPECT_TRUE(dispatcher.dispatch(shell::Action::MNPROC1, 6));
    EXPECT_EQ(title, u("  ส่วนบันทึกข้อมูลการจ่ายเงิน"));
    EXPECT_EQ(name, u("นายสมศักดิ์ ทองดี"));
    EXPECT_EQ(lineTitle, u("  เพิ่มรายการใหม่"));
    EXPECT_EQ(selectionTitle, u("  ข้อมูลการชั่งรับ/ส่งสินค้า"));
    EXPECT_GE(selectionRows, 1);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(weighingtest::shownTexts(site.prompts).front(), "กรุณาแก้ไขวิธีการจ่ายเงิน");
    EXPECT_EQ(ticket(site, "Wdata1", "000001").text("ACCOUNT"), "1");
    EXPECT_EQ(site.rows("Money1")[0].number("CASH"), 1000);
    EXPECT_EQ(site.account("ApAcc", "F001"), -1000);
}

TEST_F(VoucherDialogsTest, AProductionLineIsEnteredInTheLineDialog)
{
    testsupport::whenModal([&](QWidget* modal) {
        auto* d = qobject_cast<DocumentDialog*>(modal);
        ASSERT_TRUE(d);
        tickettest::showActive(*d);
        d->press(DocButton::New);
        typeInto(d->form(), "cRemark1", "ผลิตข้าวสาร");
        d->press(DocButton::Save);
        testsupport::whenModal([&](QWidget* modal) {
            auto* line = qobject_cast<LineDialog*>(modal);
            ASSERT_TRUE(line);
            tickettest::showActive(*line);
            typeInto(line->form(), "cdCode", "P002");
            EXPECT_EQ(line->form().field("cdName")->text(), u("ข้าวโพด"));
            EXPECT_FALSE(line->form().field("cdName")->isEnabled());
            typeInto(line->form(), "cdWHouse", "W2");
            typeInto(line->form(), "cdUnit", "BAG");
            typeInto(line->form(), "cdQty", "10");
            whenModalOtherThan(line, [](QWidget* next) { static_cast<QDialog*>(next)->reject(); });
            line->saveButton()->click();
        });
        d->press(DocButton::LineAdd);
        testsupport::settle();
        d->press(DocButton::Exit);
    });
    EXPECT_TRUE(dispatcher.dispatch(shell::Action::SKPROC1, 10));
    EXPECT_EQ(site.stock("P002", "W2"), 500);
    EXPECT_EQ(site.rows("Detail3").size(), 1u);
}

}  // namespace
