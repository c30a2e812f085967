// A new site in a temporary folder with a handful of codes, and scripted prompts, clock, sounds,
// pick-list and ticket dialogs.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "codes/pick_list.h"
#include "core/value.h"
#include "storage/table.h"
#include "support/seams.h"
#include "support/temp_dir.h"
#include "support/test_site.h"
#include "weighing/ticket_screen.h"

namespace weighingtest {

// Codes of the site (UTF-8 CSV in the dump format, appended at set-up):
//   suppliers F001, F002; customers C001, C002; products P001 (KG 7.25, TON 7250, BAG 350),
//   P002 (KG 9.5); warehouses W1, W2; units KG 1, TON 1000, BAG 50, BOX 0; grades M1, X1, Q1;
//   trucks 70-1234, 81-5678; sales orders C001/P001/"SO1" (ordered 10,000 kg, 72,500.00, price 7.25).
class Site {
public:
    Site();
    ~Site();

    const std::string& dir() const { return m_dir.path(); }
    std::string configFile() const { return m_dir.path() + "/site/MERVO.INI"; }
    std::string tables() const { return m_dir.path() + "/site/TABLES/"; }
    std::string data() const { return m_dir.path() + "/site/DATA/"; }

    // A key of the configuration file, and the program-wide setting of the same meaning.
    void config(const char* section, const char* key, const std::string& valueUtf8);
    void setting(const char* name, const std::string& value);
    // Rows appended to a catalogue table (UTF-8 CSV with a header line).
    void load(const char* table, const std::string& csv);
    // A prompt sound file in the site's sounds folder (its content does not matter to the tests).
    void addSound(const std::string& name);

    using Row = testsupport::TableRow;
    std::vector<Row> rows(const char* table) const { return testsupport::readRows(m_dir.path() + "/site", table); }
    // The first row whose field (trimmed) equals the text; nullopt when none.
    std::optional<Row> find(const char* table, const char* field, const std::string& value) const;
    double stock(const std::string& product, const std::string& whouse) const;  // NaN: no row
    // The audit log's rows as "TICKET DESCRIP: OLDDATA -> NEWDATA".
    std::vector<std::string> audit() const;

    testsupport::RecordingPrompts prompts;
    testsupport::FakeClock clock;
    testsupport::RecordingSound sound;

private:
    testsupport::TempDir m_dir;
};

// Answers the pick-list: a code that exists in its table is accepted; another is refused.
class ScriptedPickList final : public codes::PickList {
public:
    ScriptedPickList();
    ~ScriptedPickList() override;
    codes::PickResult pick(storage::Workspace& ws, int table, std::string_view seed, std::string_view callerAlias,
                           bool allowChanges) override;

private:
    codes::PickList* m_previous;
};

// The dialogs of a ticket screen, scripted.
class ScriptedHost final : public weighing::TicketHost {
public:
    // Registrations typed into the truck prompt, in order; nullopt cancels, "..." opens the waiting list.
    std::deque<std::optional<std::string>> trucks;
    // Weights the weight dialog delivers (nullopt: none), each with the next of `origins` if any.
    std::deque<std::optional<long long>> weights;
    std::deque<scale::WeightOrigin> origins;
    // What the person does in a list / the search dialog (default: closes without choosing).
    std::function<void(weighing::ListDialogModel&)> onList;
    std::function<void(weighing::SearchDialogModel&)> onSearch;
    int lists = 0;

    bool askTruck(weighing::TicketScreen& screen) override;
    void chooseFromList(weighing::ListDialogModel& list) override;
    void searchDocuments(weighing::SearchDialogModel& search) override;
    void readWeight(int which, scale::WeighTarget& target) override;
};

// Drives a screen through whole weighings.
struct Weighing {
    std::string truck;
    std::string party = "F001";
    std::string product = "P001";
    std::string whouse = "W1";
    std::string unit = "KG";
    std::vector<std::pair<std::string, std::string>> grades = {};  // field, code: typed after the unit
};

// Types a value into a field and leaves it: validation, then the recalculation of its position.
bool type(weighing::TicketScreen& s, const std::string& name, const core::Value& v);
bool typeText(weighing::TicketScreen& s, const std::string& name, const std::string& text);
bool typeNumber(weighing::TicketScreen& s, const std::string& name, double v);

// A new ticket waiting for its weight in: weigh button, registration, codes.
bool startFirstWeighing(weighing::TicketScreen& s, ScriptedHost& host, const Weighing& w);
// A first weighing saved: weigh button, registration, codes, the weight in, save.
bool firstWeighing(weighing::TicketScreen& s, ScriptedHost& host, const Weighing& w, long long weightIn);
// The second weighing of the truck's open ticket up to (not including) save.
bool startSecondWeighing(weighing::TicketScreen& s, ScriptedHost& host, const std::string& truck, long long weightOut);

// The buttons for which `on` holds (a screen's: enabled), by name in TicketButton's order.
std::string enabledButtons(const std::function<bool(weighing::TicketButton)>& on);
inline std::string enabledButtons(const weighing::TicketScreen& s)
{
    return enabledButtons([&](weighing::TicketButton b) { return s.enabled(b); });
}

// The named values blank-separated: texts trimmed (UTF-8), numbers "7849.5", dates yyyymmdd, "?" if none.
std::string fieldsOf(const core::ValueMap& v, const std::string& names);
std::string fieldsOf(const Site::Row& r, const std::string& names);

// A test on the site with the scripted pick-list and dialogs, opening ticket screens on it.
class ScreenTest : public ::testing::Test {
protected:
    std::unique_ptr<weighing::TicketScreen> screen(int kind = 1, int level = 6)
    {
        auto s = std::make_unique<weighing::TicketScreen>(kind, level, host);
        EXPECT_TRUE(s->open());
        return s;
    }
    // A screen of the kind on truck 70-1234 weighed in and now weighed out, not yet saved.
    std::unique_ptr<weighing::TicketScreen> weighedInAndOut(long long in, long long out, int kind = 1,
                                                            const char* party = "F001")
    {
        auto s = screen(kind);
        EXPECT_TRUE(firstWeighing(*s, host, Weighing{"70-1234", party}, in));
        EXPECT_TRUE(startSecondWeighing(*s, host, "70-1234", out));
        return s;
    }

    Site site;
    ScriptedPickList pickList;
    ScriptedHost host;
};

}  // namespace weighingtest
