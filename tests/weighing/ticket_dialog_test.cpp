// The ticket screens' dialogs offscreen over the weighing model on a test site.
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "core/tis620.h"
#include "core/xbase.h"
#include "support/qt_typing.h"
#include "ui/browse_widget.h"
#include "ui/widgets.h"
#include "weighing/dialogs/document_dialogs.h"
#include "weighing/dialogs/ticket_dialog.h"
#include "ticket_ui_helpers.h"
#include "weighing_fixture.h"

using core::tis620::T;
using namespace weighing;
using namespace weighingtest;
using tickettest::showActive;
using tickettest::typeInto;

namespace {

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QPushButton* buttonNamed(QWidget* dialog, const char* captionUtf8)
{
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        if (b->text() == u(captionUtf8))
            return b;
    return nullptr;
}

// The dialog's enabled buttons, as enabledButtons() names them.
std::string enabledButtons(TicketDialog& d)
{
    return weighingtest::enabledButtons([&](TicketButton b) { return d.button(b) && d.button(b)->isEnabled(); });
}

using TicketDialogTest = ScreenTest;

// A weighing through the dialog: a field missing at the weigh-in marked until the entry ends, Enter
// on save stores, both print clicks, and every way of closing is Cancel, asking before losing typing.
TEST_F(TicketDialogTest, AWeighingThroughTheDialogFromTheWeighButtonToThePrintAndACancelledOne)
{
    auto s = screen();
    TicketDialog d(*s);
    showActive(d);
    host.trucks.push_back("70-1234");
    d.button(TicketButton::Weigh)->click();
    ASSERT_EQ(s->mode(), 1);
    testsupport::settle();
    EXPECT_TRUE(d.form().field("cFarmer")->hasFocus());
    EXPECT_FALSE(d.form().field("cPrice")->isEnabled()) << "no money on a first weighing";
    EXPECT_EQ(enabledButtons(d), "Cancel WeighIn") << "save waits for the reading";

    // Codes typed fill their names; the product missing at the weigh-in is marked, named, focused.
    typeInto(d.form().field("cFarmer"), "f001");
    EXPECT_EQ(d.form().field("cFarName")->text().trimmed(), u("นายสมศักดิ์ ทองดี"));
    host.weights.push_back(12000);
    d.button(TicketButton::WeighIn)->click();
    testsupport::settle();
    EXPECT_EQ(host.weights.size(), 1u) << "no weighing started";
    ui::EntryField* product = d.form().field("cProduct");
    EXPECT_TRUE(product->hasFocus());
    EXPECT_TRUE(product->property("missing").toBool());
    EXPECT_EQ(d.messageBar().shownText(), u("กรุณาระบุสินค้า"));
    host.weights.clear();

    for (const auto& [field, typed] : {std::pair{"cProduct", "p001"}, {"cWhouse", "w2"}, {"cUnit", "kg"}})
        typeInto(d.form().field(field), typed);
    host.weights.push_back(12000);
    d.button(TicketButton::WeighIn)->click();
    testsupport::settle();
    EXPECT_EQ(d.form().field("cWin")->text(), QStringLiteral("12,000"));
    EXPECT_EQ(enabledButtons(d), "Save Cancel");
    EXPECT_TRUE(d.button(TicketButton::Save)->hasFocus());
    QTest::keyClick(d.button(TicketButton::Save), Qt::Key_Return);
    EXPECT_EQ(s->mode(), 0);
    ASSERT_EQ(site.rows("Wdata1").size(), 1u);
    EXPECT_EQ(fieldsOf(site.rows("Wdata1")[0], "COMPANY WHOUSE WIN"), "F001 W2 12000");
    EXPECT_FALSE(product->property("missing").toBool()) << "the mark ends with the entry";
    EXPECT_NE(d.messageBar().shownText(), u("กรุณาระบุสินค้า"));
    EXPECT_EQ(enabledButtons(d), "Previous Next First Last Weigh Edit Delete Search Print Exit");

    site.prompts.shown.clear();
    QTest::mouseClick(d.button(TicketButton::Print), Qt::LeftButton);
    QTest::mouseClick(d.button(TicketButton::Print), Qt::RightButton);
    EXPECT_EQ(site.prompts.texts(), (std::vector<std::string>{"ไม่พบฟอร์ม Ticket11", "ไม่พบฟอร์ม Print11"}));

    // A code typed and not left: the close box, Escape and any other end ask first; No keeps it.
    site.prompts.shown.clear();
    host.trucks.push_back("81-5678");
    d.button(TicketButton::Weigh)->click();
    ASSERT_EQ(s->mode(), 1);
    testsupport::settle();
    testsupport::typeUtf8(d.form().field("cFarmer"), "F0");
    d.close();
    QTest::keyClick(&d, Qt::Key_Escape);
    d.done(QDialog::Accepted);
    testsupport::settle();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(s->mode(), 1);
    ASSERT_EQ(site.prompts.shown.size(), 3u);
    for (const auto& shown : site.prompts.shown)
        EXPECT_TRUE(shown.question) << core::tis620::toUtf8(shown.text);
    site.prompts.answers = {true};
    d.button(TicketButton::Cancel)->click();
    EXPECT_EQ(s->mode(), 0);
    EXPECT_EQ(site.rows("Wdata1").size(), 1u);
    EXPECT_FALSE(d.form().field("cFarmer")->isEnabled());

    // Nothing typed: Escape cancels without a word, ending the missing mark; again, it closes.
    host.trucks.push_back("81-5678");
    d.button(TicketButton::Weigh)->click();
    ASSERT_EQ(s->mode(), 1);
    d.button(TicketButton::WeighIn)->click();
    ui::EntryField* farmer = d.form().field("cFarmer");
    ASSERT_TRUE(farmer->property("missing").toBool());
    EXPECT_EQ(d.messageBar().shownText(), u("กรุณาระบุผู้ขาย"));
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_EQ(s->mode(), 0);
    EXPECT_FALSE(farmer->property("missing").toBool()) << "the mark ends with the entry";
    EXPECT_EQ(d.messageBar().shownText(), QString());
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(site.prompts.shown.size(), 5u);
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
}

// Kind 5's fee left goes to the default payment part (no pay button needed), not overwritten by Amount5.
TEST_F(TicketDialogTest, LeavingTheFeePutsItIntoTheDefaultPaymentPart)
{
    site.setting("CPAYCASE", "2");
    site.config("Variable", "Amount5", "cNet * 0.01");
    auto s = screen(5);
    ASSERT_TRUE(firstWeighing(*s, host, Weighing{"70-1234", "C002"}, 15000));
    ASSERT_TRUE(startSecondWeighing(*s, host, "70-1234", 5000));
    TicketDialog d(*s);
    showActive(d);
    ui::EntryField* fee = d.form().field("cAmount");
    ASSERT_TRUE(fee->isEnabled());
    typeInto(fee, "250");
    EXPECT_EQ(fieldsOf(s->values(), "cAmount cCash cDrCr"), "250 0 250");
    site.prompts.answers = {false};
    d.button(TicketButton::Save)->click();
    EXPECT_EQ(s->mode(), 0);
    EXPECT_EQ(fieldsOf(site.rows("Wdata5").at(0), "AMOUNT CASH DRCR"), "250 0 250");
}

// The truck prompt needs a registration and its waiting list fills one; the search finds a deleted ticket.
TEST_F(TicketDialogTest, TheTruckPromptWithItsWaitingListAndTheSearchDialog)
{
    auto s = screen();
    for (const char* t : {"70-1234", "82-9012", "81-5678"}) {
        site.clock.advanceMs(60 * 1000);
        ASSERT_TRUE(firstWeighing(*s, host, Weighing{t}, 1000));
    }
    s->PROCMOVE(kMovePrevious);
    site.prompts.answers = {true};
    s->deletePressed();
    s->PROCMOVE(kMoveFirst);
    site.prompts.shown.clear();

    host.onList = [](ListDialogModel& list) {
        ListDialog d(list);
        QTimer::singleShot(0, &d, [&d] { d.chooseButton()->click(); });
        d.exec();
        EXPECT_EQ(d.result(), QDialog::Accepted);
    };
    std::vector<std::string> steps;
    testsupport::whenModal([&](QWidget* prompt) {
        prompt->activateWindow();
        QApplication::setActiveWindow(prompt);
        steps.push_back(prompt->windowTitle().toStdString());
        QPushButton* ok = buttonNamed(prompt, "&ตกลง");
        ASSERT_NE(ok, nullptr);
        ok->click();  // empty: refused, the prompt stays
        testsupport::settle();
        if (prompt->isVisible())
            steps.push_back("kept");
        buttonNamed(prompt, "...")->click();
        steps.push_back(prompt->findChild<ui::EntryField*>()->text().trimmed().toStdString());
        ok->click();
    });
    QtTicketHost qtHost;
    s->values().setText("cTrk", std::string(20, ' '));  // as GETTRUCK asks
    ASSERT_TRUE(qtHost.askTruck(*s));
    EXPECT_EQ(steps, (std::vector<std::string>{"  กรุณาระบุทะเบียนรถ", "kept", "70-1234"}));
    EXPECT_EQ(core::xbase::rtrim(s->values().text("cTrk")), "70-1234");
    EXPECT_EQ(s->values().text("cTrk").size(), 20u);
    testsupport::whenModal([](QWidget* prompt) { buttonNamed(prompt, "&ยกเลิก")->click(); });
    EXPECT_FALSE(qtHost.askTruck(*s));

    host.onSearch = [&](SearchDialogModel& m) {
        SearchDialog d(m);
        QTimer::singleShot(0, &d, [&d] {
            typeInto(d.searchBox(), "82-9");  // leaving the box searches
            QTest::keyClick(d.browse(), Qt::Key_Return);
        });
        d.exec();
    };
    TicketDialog d(*s);
    showActive(d);
    d.button(TicketButton::Search)->click();
    EXPECT_EQ(fieldsOf(s->values(), "cTruck cStat"), "82-9012 สั่งลบ");
    EXPECT_EQ(d.form().field("cRecP")->text().trimmed(), QStringLiteral("Rec.:2/3"));
    EXPECT_TRUE(site.prompts.shown.empty());
}

}  // namespace
