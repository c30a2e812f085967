// Nothing typed or weighed is thrown away without a question: the ticket and voucher screens and the
// status row editor (the code editor's check is the same code), each in the middle of an entry, ask
// before a cancel or a closed window throws it away (No keeps the entry), and not when nothing changed.
#include <gtest/gtest.h>

#include "accounts/status_editor.h"
#include "status_fixture.h"
#include "voucher_fixture.h"
#include "weighing/ticket_screen.h"

using namespace accounts;
using namespace vouchertest;

namespace {

const std::string kQuestion = "ข้อมูลที่ระบุยังไม่ได้บันทึก ต้องการยกเลิกโดยไม่บันทึกหรือไม่";

// One screen in the middle of an entry.
struct Entry {
    std::function<bool()> hasChanges;
    std::function<void()> change;             // the person types (or weighs)
    std::function<bool(bool typing)> cancel;  // cancel pressed: true when the entry was left
    std::function<bool()> inEntry;            // the screen still holds the entry
    std::shared_ptr<void> keep;               // what the entry needs alive
};

struct StatusEntry {
    StatusEntry() : open(1)
    {
        open.highlight({"P001", "W1"});
        editor = std::make_unique<StatusEditor>(open.screen.browse(), open.screen.def(), false);
        EXPECT_TRUE(editor->begin());
    }
    statustest::OpenScreen open;
    std::unique_ptr<StatusEditor> editor;
};

class UnsavedChangesTest : public DocumentTest {
protected:
    UnsavedChangesTest()
    {
        // A stock row to change in the status editor.
        site.load("Stock", "CODE,WHOUSE,BALANCE\nP001,W1,100\n");
    }

    // A screen of the document kind with its Cancel (both tickets and documents have one).
    template <class Screen>
    Entry documentEntry(std::shared_ptr<Screen> s, std::function<void(Screen&)> change)
    {
        return {[s] { return s->hasChanges(); }, [s, change] { change(*s); },
                [s](bool typing) { return s->cancelPressed(typing); }, [s] { return s->mode() != 0; }, s};
    }

    struct Maker {
        const char* name;
        std::function<Entry(UnsavedChangesTest&)> make;
    };
    static std::vector<Maker> makers()
    {
        return {
            {"new ticket",
             [](UnsavedChangesTest& t) {
                 auto s = std::make_shared<weighing::TicketScreen>(1, 6, t.ticketHost);
                 EXPECT_TRUE(s->open());
                 t.ticketHost.trucks.push_back("70-1234");
                 s->weighPressed();
                 return t.documentEntry<weighing::TicketScreen>(
                     s, [](weighing::TicketScreen& s) { EXPECT_TRUE(weighingtest::typeText(s, "cFarmer", "F001")); });
             }},
            {"ticket weighed out",
             [](UnsavedChangesTest& t) {
                 auto s = std::make_shared<weighing::TicketScreen>(1, 6, t.ticketHost);
                 EXPECT_TRUE(s->open());
                 if (t.site.rows("Wdata1").empty()) {
                     EXPECT_TRUE(weighingtest::firstWeighing(*s, t.ticketHost, {"70-1234"}, 12000));
                 }
                 t.ticketHost.trucks.push_back("70-1234");
                 s->weighPressed();
                 EXPECT_EQ(s->mode(), weighing::kTicketSecondWeighing);
                 return t.documentEntry<weighing::TicketScreen>(s, [&t](weighing::TicketScreen& s) {
                     t.ticketHost.weights.push_back(4000);
                     s.READW(2);
                 });
             }},
            {"payment voucher",
             [](UnsavedChangesTest& t) {
                 std::shared_ptr<VoucherScreen> s = t.open(1);
                 s->newPressed();
                 return t.documentEntry<VoucherScreen>(
                     s, [](VoucherScreen& s) { EXPECT_TRUE(type(s, text("cRemark1", "ค่าข้าว"))); });
             }},
            {"status editor",
             [](UnsavedChangesTest&) {
                 auto e = std::make_shared<StatusEntry>();
                 return Entry{[e] { return e->editor->hasChanges(); },
                              [e] { e->editor->values().setNumber("BALANCE", 120, 2); },
                              [e](bool typing) { return e->editor->mayCancel(typing); }, [] { return true; }, e};
             }},
        };
    }

    weighingtest::ScriptedHost ticketHost;
};

TEST_F(UnsavedChangesTest, AnEntryWithChangesIsLeftOnlyAfterAYes)
{
    for (const Maker& m : makers()) {
        SCOPED_TRACE(m.name);
        auto questions = [&] {
            return std::count_if(site.prompts.shown.begin(), site.prompts.shown.end(),
                                 [](const auto& s) { return s.question && core::tis620::toUtf8(s.text) == kQuestion; });
        };
        {
            Entry e = m.make(*this);
            const auto before = questions();
            EXPECT_FALSE(e.hasChanges()) << "nothing typed yet";
            EXPECT_TRUE(e.cancel(false));
            EXPECT_EQ(questions(), before) << "nothing to lose, nothing asked";
        }
        {
            Entry e = m.make(*this);
            const auto before = questions();
            site.prompts.answers = {false};
            EXPECT_FALSE(e.cancel(true)) << "an entry typed into and not left yet counts";
            EXPECT_EQ(questions(), before + 1);
            EXPECT_TRUE(e.inEntry());
            EXPECT_TRUE(e.cancel(false)) << "once the entry was given up, nothing else changed";
        }
        {
            Entry e = m.make(*this);
            e.change();
            EXPECT_TRUE(e.hasChanges());
            site.prompts.answers = {false, true};
            EXPECT_FALSE(e.cancel(false)) << "No keeps what was typed";
            EXPECT_TRUE(e.inEntry());
            EXPECT_TRUE(e.hasChanges());
            EXPECT_TRUE(e.cancel(false)) << "Yes throws it away";
            EXPECT_TRUE(site.prompts.answers.empty());
        }
    }
}

TEST_F(UnsavedChangesTest, ClosingADocumentWindowIsItsOwnExitAndAMissingPartnerIsFocused)
{
    auto voucher = open(1);
    voucher->newPressed();
    EXPECT_FALSE(voucher->save());  // refused with the save checks' "no partner" message
    EXPECT_EQ(voucher->focus(), "cFarmer");
    EXPECT_FALSE(voucher->closeRequested()) << "nothing typed: cancelled without a question, the window stays";
    EXPECT_EQ(voucher->mode(), kBrowsing);
    EXPECT_TRUE(voucher->closeRequested());
}

}  // namespace
