// A day on a demo site (`mervo-admin init --demo`) through the ticket screens' dialogs: a truck
// weighed in and out on each of the five kinds with the weights read from mervo-scale-sim, each
// complete ticket printed from the demo template to a PDF, the purchase ticket edited with the
// audit on, deleted and undeleted; then `mervo-admin verify-ledgers` recomputes every ledger from
// the tickets and finds no difference.
//
// With MERVO_TICKET_SHOTS=FOLDER in the environment each screen is also saved as kindN.png there
// after its weigh-out (run under Xvfb with QT_QPA_PLATFORM=xcb to see the real fonts).
#include <QAbstractButton>
#include <gtest/gtest.h>

#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "support/pdf_text.h"
#include "support/run_process.h"
#include "support/seams.h"
#include "support/temp_dir.h"
#include "ticket_ui_helpers.h"
#include "ui/qt_print_destination.h"
#include "weighing/dialogs/ticket_dialog.h"

using namespace weighing;
using namespace tickettest;

namespace {

const std::string kAdmin = MERVO_BINARY_DIR "/app/mervo-admin";

struct Visit {
    int kind;
    const char* truck;
    const char* party;
    std::vector<std::pair<const char*, const char*>> codes;  // goods and grades
    long long in, out;
    const char* fee;         // kind 5
    const char* pdfTitle;    // the demo template's title of the complete ticket
};

const Visit kVisits[] = {
    {1, "70-1234", "F001", {{"cProduct", "P001"}, {"cWhouse", "W01"}, {"cUnit", "KG"}, {"cMoisture", "M20"}, {"cMixture", "X2"}},
     15000, 5000, nullptr, "ใบชั่งน้ำหนักรับซื้อสินค้า"},
    {2, "81-5678", "F002", {{"cProduct", "P002"}, {"cWhouse", "W01"}, {"cUnit", "KG"}}, 6480, 16480, nullptr,
     "ใบชั่งน้ำหนักส่งคืนสินค้า"},
    {3, "83-7788", "C001", {{"cProduct", "P003"}, {"cWhouse", "W02"}, {"cUnit", "KG"}, {"cQuality", "Q1"}}, 11980, 31980,
     nullptr, "ใบชั่งน้ำหนักขาย / ส่งสินค้า"},
    {4, "70-3456", "C002", {{"cProduct", "P001"}, {"cWhouse", "W01"}, {"cUnit", "KG"}, {"cQuality", "Q2"}}, 21000, 11000,
     nullptr, "ใบชั่งน้ำหนักรับคืนสินค้า"},
    {5, "82-9012", "C003", {}, 15600, 35600, "200", "ใบรับจ้างชั่งน้ำหนักรถบรรทุก"},
};

void weigh(TicketDialog& d, long long kg, TicketButton which)
{
    Indicator indicator(kg);
    core::programSettings().setText("CCDEV1", indicator.path);
    d.button(which)->click();
}

class TicketDemoDay : public ::testing::Test {
protected:
    void SetUp() override
    {
        site = dir.path() + "/demo";
        startDemoSite(site);
        core::programSettings().setText("CAUDITR", "Y");
    }
    void TearDown() override { core::programSettings().clear(); }

    testsupport::TempDir dir;
    std::string site;
    testsupport::RecordingPrompts prompts;
    testsupport::RecordingSound sound;
};

TEST_F(TicketDemoDay, EveryKindWeighedPrintedAndThePurchaseEditedDeletedAndUndeletedKeepsTheLedgersExact)
{
    Watchdog watchdog(120);
    const QString shots = qEnvironmentVariable("MERVO_TICKET_SHOTS");
    std::vector<std::string> done;
    for (const Visit& v : kVisits) {
        SCOPED_TRACE(v.kind);
        const std::string pdf = dir.path() + "/kind" + std::to_string(v.kind) + ".pdf";
        ui::PdfPrintDestination destination(pdf);
        core::PrintDestination* previous = core::setPrintDestination(&destination);
        whenShown<TicketDialog>([&](TicketDialog* d) {
            ui::Form& form = d->form();
            whenTruckPrompt(v.truck);
            d->button(TicketButton::Weigh)->click();
            ASSERT_EQ(d->screen().mode(), 1);
            typeInto(form.field(d->screen().kindInfo().partyValue), v.party);
            for (const auto& [field, code] : v.codes)
                typeInto(form.field(field), code);
            weigh(*d, v.in, TicketButton::WeighIn);
            d->button(TicketButton::Save)->click();
            ASSERT_EQ(d->screen().mode(), 0);

            whenTruckPrompt(v.truck);
            d->button(TicketButton::Weigh)->click();
            ASSERT_EQ(d->screen().mode(), 2);
            weigh(*d, v.out, TicketButton::WeighOut);
            if (v.fee)
                typeInto(form.field("cAmount"), v.fee);
            d->button(TicketButton::Pay2)->click();  // on account: the account ledger moves
            if (!shots.isEmpty())
                d->grab().save(shots + QStringLiteral("/kind%1.png").arg(v.kind));
            prompts.answers = {true};
            d->button(TicketButton::Save)->click();
            ASSERT_EQ(d->screen().mode(), 0);

            if (v.kind == 1) {
                d->button(TicketButton::Edit)->click();
                ASSERT_EQ(d->screen().mode(), 3);
                typeInto(form.field("cAdj_W1"), "150");
                d->button(TicketButton::Pay2)->click();
                d->button(TicketButton::Save)->click();
                ASSERT_EQ(d->screen().mode(), 0);
                prompts.answers = {true};
                d->button(TicketButton::Delete)->click();
                EXPECT_EQ(d->screen().values().text("cStat"), core::tis620::T("สั่งลบ"));
                prompts.answers = {true};
                d->button(TicketButton::Delete)->click();
                EXPECT_EQ(d->screen().values().text("cStat"), core::tis620::T("ชั่งเสร็จแล้ว"));
            }
            done.push_back(std::to_string(v.kind));
            d->button(TicketButton::Exit)->click();
        });
        TRPROC(v.kind, 6);
        core::setPrintDestination(previous);
        const std::string text = testsupport::pdfText("-raw", pdf);
        prompts.shown.clear();
        EXPECT_NE(text.find(v.pdfTitle), std::string::npos) << text;
        EXPECT_NE(text.find(v.truck), std::string::npos) << text;
    }
    EXPECT_EQ(done, (std::vector<std::string>{"1", "2", "3", "4", "5"}));

    {
        // Read back as another workstation: the purchase ticket edited (150 kg deducted), on account.
        std::unique_ptr<storage::Table> t;
        ASSERT_TRUE(storage::Table::open(site + "/DATA/WDATA1.DBF", storage::ShareMode::Shared, &t).ok());
        ASSERT_TRUE(t->goTo(1).ok());
        core::Value qty, drcr, amount, stat;
        ASSERT_TRUE(t->get("QTY", &qty).ok() && t->get("DRCR", &drcr).ok() && t->get("AMOUNT", &amount).ok());
        EXPECT_DOUBLE_EQ(qty.asNumber(), 10000 - 150);
        EXPECT_DOUBLE_EQ(drcr.asNumber(), amount.asNumber());
        EXPECT_FALSE(t->deleted());
        (void)t->close();
    }
    const auto audit = testsupport::runProcess(kAdmin, {"dump", site + "/DATA/AUDIT.DBF"});
    ASSERT_EQ(audit.exitCode, 0) << audit.err;
    for (const char* row : {"TRK01-000001", "สั่งลบข้อมูล", "สั่งยกเลิการลบ", "150.00"})
        EXPECT_NE(audit.out.find(row), std::string::npos) << row << "\n" << audit.out;

    const auto verified = testsupport::runProcess(kAdmin, {"verify-ledgers", site + "/MERVO.INI"});
    EXPECT_EQ(verified.exitCode, 0) << verified.out << verified.err;
    for (const std::string& line : testsupport::lines(verified.out)) {
        if (line.find("difference") != std::string::npos) {
            EXPECT_NE(line.find(" 0 differences"), std::string::npos) << verified.out;
        }
    }
}

}  // namespace
