// The voucher, production and status screens offscreen, started by the dispatcher: a payment through
// its form, line and selection dialogs, its exit refused until settled; a production line; an order
// through the status editor's form; a payment and a production record printed from the demo's templates.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QPointer>
#include <QPushButton>

#include "accounts/dialogs/status_dialogs.h"
#include "accounts/dialogs/voucher_dialogs.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "support/pdf_text.h"
#include "support/qt_typing.h"
#include "support/seams.h"
#include "support/temp_dir.h"
#include "support/test_site.h"
#include "ui/qt_print_destination.h"
#include "voucher_fixture.h"
#include "weighing/ticket_ui_helpers.h"

using namespace accounts;
using namespace vouchertest;

namespace {

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

class AccountsDialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerVoucherActions(dispatcher);
        registerStatusActions(dispatcher);
    }
    void TearDown() override { setStatusScreens(nullptr); }

    Site site;
    weighingtest::ScriptedPickList pickList;
    shell::Dispatcher dispatcher;
};

TEST_F(AccountsDialogsTest, APaymentIsMadeThroughItsFormLinesAndSelection)
{
    loadOneTicket(site);
    tickettest::addToolPictures(site.tables());
    bool stayedOpen = false;
    testsupport::whenModal([&](QWidget* modal) {
        auto* d = qobject_cast<DocumentDialog*>(modal);
        ASSERT_TRUE(d);
        tickettest::showActive(*d);
        testsupport::expectFitsSmallScreen(*d);
        d->press(DocButton::New);
        typeInto(d->form(), "cFarmer", "F001");
        d->press(DocButton::Save);
        ASSERT_EQ(d->screen().mode(), kBrowsing);

        // The line type left empty opens the selection; everything selected is settled.
        testsupport::whenModal([&](QWidget* modal) {
            auto* line = qobject_cast<LineDialog*>(modal);
            ASSERT_TRUE(line);
            tickettest::showActive(*line);
            whenModalOtherThan(line, [&](QWidget* modal) {
                auto* sel = qobject_cast<TicketSelectionDialog*>(modal);
                ASSERT_TRUE(sel);
                tickettest::showActive(*sel);
                sel->button(2)->click();  // "เลือกหมด"
                sel->button(5)->click();  // "ตกลง"
            });
            typeInto(line->form(), "cdType", "");
            testsupport::settle();
            line->cancelButton()->click();
        });
        d->press(DocButton::LineAdd);
        testsupport::settle();
        EXPECT_EQ(d->form().field("cAmount")->text(), QString::fromUtf8("1,000.00"));

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
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(site.prompts.texts().front(), "กรุณาแก้ไขวิธีการจ่ายเงิน");
    EXPECT_EQ(site.rows("Money1")[0].number("CASH"), 1000);
    EXPECT_EQ(site.rows("Detail1").size(), 1u);
}

TEST_F(AccountsDialogsTest, AProductionLineIsEnteredInTheLineDialog)
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

TEST_F(AccountsDialogsTest, AnOrderIsEnteredThroughTheEditorsForm)
{
    testsupport::whenModal([&](QWidget* modal) {
        auto* list = qobject_cast<StatusListDialog*>(modal);
        ASSERT_TRUE(list);
        testsupport::activate(list);
        testsupport::whenModal([&](QWidget* modal) {
            auto* editor = qobject_cast<StatusEditorDialog*>(modal);
            ASSERT_TRUE(editor);
            testsupport::activate(editor);
            typeInto(editor->form(), "CODE", "po88");
            typeInto(editor->form(), "COMPANY", "C002");
            typeInto(editor->form(), "PRODUCT", "P002");
            typeInto(editor->form(), "ORWEIGHT", "8000");
            typeInto(editor->form(), "PRICE", "9.5");
            editor->saveButton()->click();
            testsupport::settle();
        });
        list->button(StatusListDialog::Button::Add)->click();
        testsupport::settle();
        list->button(StatusListDialog::Button::Exit)->click();
    });
    EXPECT_TRUE(dispatcher.dispatch(shell::Action::EDITPROC4, 14));
    const auto order = site.find("OrAcc", "CODE", "PO88");
    ASSERT_TRUE(order);
    EXPECT_EQ(weighingtest::fieldsOf(*order, "COMPANY PRODUCT DATE ORWEIGHT PRICE"), "C002 P002 20261205 8000 9.5");
}

class VoucherDemoDay : public ::testing::Test {
protected:
    void SetUp() override
    {
        site = dir.path() + "/demo";
        tickettest::startDemoSite(site);
        core::programSettings().setText("CPRINTER", "N");
    }
    void TearDown() override { core::programSettings().clear(); }

    // The screen's current document printed to its own PDF; the PDF's text.
    std::string print(DocumentScreen& s, const std::string& name)
    {
        const std::string pdf = dir.path() + "/" + name + ".pdf";
        ui::PdfPrintDestination destination(pdf);
        core::PrintDestination* previous = core::setPrintDestination(&destination);
        s.printPressed();
        core::setPrintDestination(previous);
        return testsupport::pdfText("-raw", pdf);
    }

    testsupport::TempDir dir;
    std::string site;
    testsupport::RecordingPrompts prompts;
    testsupport::RecordingSound sound;
    ScriptedDocumentHost host;
};

TEST_F(VoucherDemoDay, APaymentAndAProductionRecordPrintFromTheirTemplates)
{
    VoucherScreen payments(1, 6, host);
    ASSERT_TRUE(payments.open());
    ASSERT_TRUE(newVoucher(payments, "F001"));
    // A marked line's skipping is the document print tests' check.
    host.lineDialogs = {voucherLine("OTH", "X1", 50000), voucherLine("OTH", "X2", 38150)};
    payments.addLines();
    payments.editPressed();
    ASSERT_TRUE(type(payments, {number("cCheque", 80000), number("cCash", 8150)}));
    ASSERT_TRUE(payments.MNSAVE());
    const std::string payment = print(payments, "payment");
    EXPECT_NE(payment.find("ใบสำคัญจ่ายเงิน"), std::string::npos) << payment;
    EXPECT_NE(payment.find("X2"), std::string::npos) << payment;
    EXPECT_NE(payment.find("รวม 2 รายการ"), std::string::npos) << payment;
    EXPECT_EQ(testsupport::readRows(site, "Money1").at(0).number("PRINT"), 1);

    ProductionScreen production(6, host);
    ASSERT_TRUE(production.open());
    production.newPressed();
    ASSERT_TRUE(type(production, text("cRemark1", "สีข้าวเปลือกเป็นข้าวสาร")));
    ASSERT_TRUE(production.SKSAVE1());
    host.lineDialogs = {productionLine("P002", "W02", "SACK50", 10), productionLine("P001", "W01", "TON", -1.5)};
    production.addLines();
    ASSERT_EQ(production.values().number("cLines"), 2);
    const std::string record = print(production, "production");
    EXPECT_NE(record.find("ใบบันทึกการผลิต"), std::string::npos) << record;
}

}  // namespace
