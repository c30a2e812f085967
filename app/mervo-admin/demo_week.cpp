#include "demo_week.h"

#include <unistd.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "accounts/production_screen.h"
#include "accounts/voucher_lines.h"
#include "accounts/voucher_screen.h"
#include "codes/code_tables.h"
#include "codes/pick_list.h"
#include "core/clock.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "scale/port_setting.h"
#include "scale/serial_port.h"
#include "scale/sim_formats.h"
#include "scale/sim_profile.h"
#include "scale/weight_dialog_model.h"
#include "shell/startup.h"
#include "storage/catalogue.h"
#include "storage/table.h"
#include "weighing/ticket_screen.h"
#include "weighing/ticket_store.h"

namespace admin {
namespace {

using core::tis620::T;

constexpr std::int64_t kLastHundredth = 8639999;

// The week's own time: the script sets the day and the time of day; the weight dialog's waits move
// the monotonic clock and the time of day with it.
class WeekClock final : public core::Clock {
public:
    WeekClock() : m_previous(core::setClock(this)) {}
    ~WeekClock() override { core::setClock(m_previous); }
    WeekClock(const WeekClock&) = delete;
    WeekClock& operator=(const WeekClock&) = delete;

    core::Date today() override { return m_day; }
    std::int64_t hundredthsSinceMidnight() override { return m_hundredths; }
    std::int64_t monotonicMs() override { return m_monotonic; }
    void sleepMs(int ms) override { advanceMs(ms); }

    void advanceMs(std::int64_t ms)
    {
        m_monotonic += ms;
        m_hundredths = std::min(m_hundredths + ms / 10, kLastHundredth);
    }
    void at(core::Date day, int hour, int minute)
    {
        m_day = day;
        m_hundredths = (std::int64_t(hour) * 3600 + minute * 60) * 100;
    }

private:
    core::Date m_day;
    std::int64_t m_hundredths = 0;
    std::int64_t m_monotonic = 0;
    core::Clock* m_previous;
};

// Questions are answered Yes as often as the script says, then No (the ticket is not printed);
// messages are kept, for a step that went otherwise than planned names them.
class WeekPrompts final : public core::Prompts {
public:
    WeekPrompts() : m_previous(core::setPrompts(this)) {}
    ~WeekPrompts() override { core::setPrompts(m_previous); }
    WeekPrompts(const WeekPrompts&) = delete;
    WeekPrompts& operator=(const WeekPrompts&) = delete;

    void message(core::MessageKind, const std::string& text, const std::string& title) override
    {
        shown.push_back(core::tis620::toUtf8(core::xbase::alltrim(title)) + ": " + core::tis620::toUtf8(text));
    }
    bool confirm(const std::string&, const std::string&) override
    {
        if (yes == 0)
            return false;
        --yes;
        return true;
    }

    int yes = 0;  // questions still to be answered Yes
    std::vector<std::string> shown;

private:
    core::Prompts* m_previous;
};

// The code fields take the codes typed: the week types only codes of the demo's tables.
class WeekPickList final : public codes::PickList {
public:
    WeekPickList() : m_previous(codes::setPickList(this)) {}
    ~WeekPickList() override { codes::setPickList(m_previous); }
    WeekPickList(const WeekPickList&) = delete;
    WeekPickList& operator=(const WeekPickList&) = delete;

    codes::PickResult pick(storage::Workspace& ws, int table, std::string_view seed, std::string_view callerAlias,
                           bool) override
    {
        return weighing::pickKnownCode(ws, table, core::xbase::rtrim(seed), seed, callerAlias);
    }

private:
    codes::PickList* m_previous;
};

// The weight dialog's timer: the week calls RCOMM itself, one timer period after the other.
class StillTicker final : public scale::Ticker {
public:
    void start(int) override {}
    void stop() override {}
};

// The dialogs the screens open. The truck prompt takes `truck`; the weight dialog reads an indicator
// on port 1 whose weight rises to `kg` and settles there, as the simulator plays it.
class WeekHost final : public weighing::TicketHost, public accounts::DocumentHost {
public:
    explicit WeekHost(WeekClock& clock) : m_clock(clock) {}

    std::string truck;  // UTF-8
    long long kg = 0;
    std::deque<std::function<void(accounts::LineEditor&)>> lineDialogs;
    std::function<void(accounts::TicketSelection&)> onSelection;

    bool askTruck(weighing::TicketScreen& screen) override
    {
        screen.values().setText("cTrk", core::xbase::padRight(core::tis620::fromUtf8(truck), 20));
        return !truck.empty();
    }
    void chooseFromList(weighing::ListDialogModel&) override {}
    void searchDocuments(weighing::SearchDialogModel&) override {}
    void readWeight(int which, scale::WeighTarget& target) override
    {
        scale::MemoryPort port;
        StillTicker ticker;
        scale::WeightDialogModel dialog(which, port, ticker, &target);
        dialog.open();
        dialog.DISPLAYW();
        const std::string profileText = "ramp:" + std::to_string(kg) + ":2s " + std::to_string(kg) + ":30s";
        const auto profile = scale::sim::parseProfile(profileText);
        const double framesPerSecond = 1000.0 / std::max(dialog.intervalMs(), 1);
        const scale::sim::Player player(profile.value_or(scale::sim::Profile{}), framesPerSecond, std::uint64_t(kg));
        scale::sim::EncoderOptions options;
        if (const auto setting = scale::parsePortSetting(core::programSettings().text("CCPORT1")))
            options.frame = setting->frame;
        for (std::uint64_t i = 0; dialog.portOpen() && !dialog.closing(); ++i) {
            const std::optional<scale::sim::Reading> reading = player.frame(i);
            if (!reading)
                break;
            m_clock.advanceMs(dialog.intervalMs());
            port.push(scale::sim::encode(scale::sim::Format::Indicator, options, *reading, i, std::uint64_t(kg)));
            dialog.RCOMM();
        }
        dialog.finish();
    }
    void editLine(accounts::LineEditor& editor) override
    {
        if (lineDialogs.empty())
            return;
        auto script = std::move(lineDialogs.front());
        lineDialogs.pop_front();
        script(editor);
    }
    void selectTickets(accounts::TicketSelection& selection) override
    {
        if (onSelection)
            onSelection(selection);
    }

private:
    WeekClock& m_clock;
};

// Typing into a field and leaving it: its validation, then the recalculation of its position.
template <class Screen>
bool type(Screen& s, const std::string& name, const core::Value& v)
{
    s.values().set(name, v);
    if (!s.validate(name))
        return false;
    for (const auto& f : s.fields())
        if (core::xbase::equalsNoCase(f.name, name) && f.recalc >= 0)
            s.recalculate(f.recalc);
    return true;
}

template <class Screen>
bool typeText(Screen& s, const std::string& name, const std::string& utf8)
{
    return type(s, name, core::Value::text(core::tis620::fromUtf8(utf8)));
}

// A line dialog in which the values are typed and save is pressed.
std::function<void(accounts::LineEditor&)> saveLine(std::vector<std::pair<std::string, core::Value>> values)
{
    return [values = std::move(values)](accounts::LineEditor& e) {
        for (const auto& [name, value] : values) {
            e.values().set(name, value);
            if (!e.validate(name))
                return;
        }
        (void)e.save();
    };
}

std::function<void(accounts::LineEditor&)> productionLine(const char* product, const char* whouse, const char* unit,
                                                          double qty)
{
    return saveLine({{"cdCode", core::Value::text(product)},
                     {"cdWHouse", core::Value::text(whouse)},
                     {"cdUnit", core::Value::text(unit)},
                     {"cdQty", core::Value::number(qty, 3)}});
}

// One truck's visit: weighed in, then out, its amount paid in cash or put on account.
struct Visit {
    int day;  // 1 .. kDemoWeekDays: the first day of the week is 1
    int hour, minute;
    int kind;
    const char* truck;
    const char* party;
    std::vector<std::pair<const char*, const char*>> codes;  // goods, warehouse, unit and grades
    long long in, out;
    double fee = 0;     // kind 5: the service fee typed
    bool cash = false;  // else on account
    enum class After { Nothing, TypedWeight, Delete } after = After::Nothing;
    bool truckWarning = false;  // weighed out off its stored weight, with the check switched on
};

const std::vector<Visit>& visits()
{
    using A = Visit::After;
    static const std::vector<Visit> v = {
        {1, 8, 10, 1, "70-1234", "F001", {{"cProduct", "P001"}, {"cWhouse", "W01"}, {"cUnit", "KG"}, {"cMoisture", "M20"}, {"cMixture", "X2"}},
         26480, 11250},
        {1, 9, 35, 3, "83-7788", "C001", {{"cProduct", "P001"}, {"cWhouse", "W01"}, {"cUnit", "KG"}, {"cQuality", "Q1"}},
         11980, 24810},
        {2, 8, 5, 1, "81-5678", "F003", {{"cProduct", "P003"}, {"cWhouse", "W02"}, {"cUnit", "KG"}, {"cMoisture", "M15"}, {"cMixture", "X0"}},
         14320, 6480, 0, true},
        {2, 13, 20, 2, "70-3456", "F001", {{"cProduct", "P001"}, {"cWhouse", "W01"}, {"cUnit", "KG"}}, 1850, 2630},
        {3, 10, 0, 4, "81-5678", "C002", {{"cProduct", "P002"}, {"cWhouse", "W01"}, {"cUnit", "KG"}, {"cQuality", "Q2"}},
         9120, 6480},
        {3, 14, 45, 5, "82-9012", "C003", {}, 15600, 38920, 250, true},
        {4, 8, 30, 1, "70-1234", "F002", {{"cProduct", "P002"}, {"cWhouse", "W01"}, {"cUnit", "KG"}, {"cMoisture", "M25"}, {"cMixture", "X2"}},
         23760, 11250, 0, false, A::TypedWeight},
        {5, 9, 15, 1, "82-9012", "F005", {{"cProduct", "P004"}, {"cWhouse", "W02"}, {"cUnit", "KG"}}, 33400, 15600, 0,
         false, A::Delete},
        {5, 11, 0, 3, "83-7788", "C003", {{"cProduct", "P003"}, {"cWhouse", "W02"}, {"cUnit", "KG"}, {"cQuality", "Q2"}},
         11980, 18900},
        {6, 8, 40, 1, "70-1234", "F001", {{"cProduct", "P001"}, {"cWhouse", "W01"}, {"cUnit", "KG"}, {"cMoisture", "M15"}, {"cMixture", "X0"}},
         24930, 11480, 0, false, A::Nothing, true},
    };
    return v;
}

class Week {
public:
    explicit Week(core::Date first) : m_first(first), m_host(m_clock) {}

    bool run(std::string* error)
    {
        for (const Visit& v : visits())
            if (!weigh(v, error))
                return false;
        return payments(error) && production(error);
    }

private:
    core::Date dayOf(int day) const { return m_first.addDays(day - 1); }

    bool fail(std::string* error, const std::string& what)
    {
        *error = what;
        for (const std::string& m : m_prompts.shown)
            *error += "; " + m;
        return false;
    }

    bool weigh(const Visit& v, std::string* error)
    {
        const std::string name = "ticket kind " + std::to_string(v.kind) + " of " + v.truck;
        weighing::TicketScreen s(v.kind, 6, m_host);
        if (!s.open())
            return fail(error, name + ": the screen did not open");
        m_host.truck = v.truck;
        m_clock.at(dayOf(v.day), v.hour, v.minute);
        s.weighPressed();
        if (s.mode() != weighing::kTicketNew)
            return fail(error, name + ": no new ticket");
        bool ok = typeText(s, s.kindInfo().partyValue, v.party);
        for (const auto& [field, code] : v.codes)
            ok = ok && typeText(s, field, code);
        m_host.kg = v.in;
        s.READW(1);
        if (!ok || s.values().number("cWin") != double(v.in) || !s.TRSAVE())
            return fail(error, name + ": the weigh-in was not stored");

        m_clock.at(dayOf(v.day), v.hour, v.minute + 25);
        s.weighPressed();
        if (s.mode() != weighing::kTicketSecondWeighing)
            return fail(error, name + ": its open ticket was not found");
        m_host.kg = v.out;
        s.READW(2);
        if (v.fee > 0)
            ok = type(s, "cAmount", core::Value::number(v.fee, 2));
        s.payButton(v.cash ? 1 : 2);
        if (v.truckWarning) {
            // The ten-wheeler leaves 230 kg heavier than its stored weight (a spare tyre and a
            // tarpaulin): with the check on, the operator is warned, saves, and keeps the stored
            // weight (the second question answered No).
            core::programSettings().setText("CTRKTOLKG", "100");
            ++m_prompts.yes;
        }
        ok = ok && s.values().number("cWout") == double(v.out) && s.TRSAVE();
        core::programSettings().setText("CTRKTOLKG", "0");
        if (!ok)
            return fail(error, name + ": the weigh-out was not stored");

        if (v.after == Visit::After::TypedWeight) {
            // The weigh-out corrected by hand in service mode: the truck had left a passenger on the
            // scale; 150 kg deducted for the wet sacks.
            m_clock.at(dayOf(v.day), v.hour, v.minute + 40);
            core::programSettings().setText("CTRACK", "9417");
            s.editPressed();
            ok = s.mode() == weighing::kTicketEdit && type(s, "cWout", core::Value::number(double(v.out - 70), 0)) &&
                 type(s, "cAdj_W1", core::Value::number(150, 2));
            s.payButton(2);
            ok = ok && s.TRSAVE();
            core::programSettings().setText("CTRACK", "0");
            if (!ok)
                return fail(error, name + ": the edit was not stored");
        } else if (v.after == Visit::After::Delete) {
            // Weighed under the wrong supplier: marked deleted.
            ++m_prompts.yes;
            s.deletePressed();
            if (s.values().text("cStat") != T("สั่งลบ"))
                return fail(error, name + ": the ticket was not deleted");
        }
        s.close();
        return true;
    }

    // On the last day, after every weighing: a payment to F001 settling every open ticket of the
    // supplier, in cash; a receipt from C001 settling its first ticket.
    bool payments(std::string* error)
    {
        struct Settle {
            int kind;
            const char* party;
            int hour;
            bool all;
        };
        for (const Settle& p : {Settle{1, "F001", 15, true}, Settle{2, "C001", 16, false}}) {
            const std::string name = std::string(p.kind == 1 ? "payment to " : "receipt from ") + p.party;
            m_clock.at(dayOf(kDemoWeekDays), p.hour, 0);
            accounts::VoucherScreen s(p.kind, 6, m_host);
            if (!s.open())
                return fail(error, name + ": the screen did not open");
            s.newPressed();
            if (s.mode() != accounts::kNewDocument || !typeText(s, s.kindInfo().partyValue, p.party) || !s.MNSAVE())
                return fail(error, name + ": the voucher was not stored");
            m_host.onSelection = [all = p.all](accounts::TicketSelection& sel) {
                sel.source().goTop();
                sel.MNFILLCHK(all ? 4 : 2);
                sel.accept();
            };
            m_host.lineDialogs = {saveLine({{"cdType", core::Value::text("")}})};
            s.addLines();
            m_host.onSelection = nullptr;
            const double amount = s.values().number("cAmount");
            if (s.values().number("cLines") < 1 || amount <= 0)
                return fail(error, name + ": no ticket was settled");
            s.editPressed();
            if (!type(s, "cCash", core::Value::number(amount, 2)) || !s.MNSAVE())
                return fail(error, name + ": the settlement was not stored");
            s.close();
        }
        return true;
    }

    // On the last day jasmine paddy is moved from the front warehouse to the drying yard, losing
    // weight as it dries.
    bool production(std::string* error)
    {
        m_clock.at(dayOf(kDemoWeekDays), 10, 30);
        accounts::ProductionScreen s(6, m_host);
        if (!s.open())
            return fail(error, "production: the screen did not open");
        s.newPressed();
        if (!typeText(s, "cRemark1", "ตากข้าวเปลือกหอมมะลิที่ลานตาก") || !s.SKSAVE1())
            return fail(error, "production: the record was not stored");
        m_host.lineDialogs = {productionLine("P001", "W01", "KG", -3000), productionLine("P001", "W03", "KG", 2910)};
        s.addLines();
        if (s.values().number("cLines") != 2)
            return fail(error, "production: its lines were not stored");
        s.close();
        return true;
    }

    core::Date m_first;
    WeekClock m_clock;
    WeekPrompts m_prompts;
    WeekPickList m_picks;
    WeekHost m_host;
};

// The first user of the site (the administrator init made), who weighs the week.
std::string firstUser(const site::Site& site)
{
    const storage::TableDef& def = storage::codeTable(4);
    std::unique_ptr<storage::Table> t;
    core::Value code;
    if (!storage::Table::open(site.folder(def.folderSetting) + storage::tableFileName(def), storage::ShareMode::Shared,
                              &t)
             .ok() ||
        t->recCount() == 0 || !t->goTo(1).ok() || !t->get("CODE", &code).ok())
        return {};
    (void)t->close();
    return core::xbase::rtrim(code.asText());
}

// The site's settings and folder in force for the week's lifetime, the previous ones put back after.
class OnSite {
public:
    explicit OnSite(const site::Site& site) : m_saved(core::programSettings())
    {
        std::error_code ec;
        m_folder = std::filesystem::current_path(ec);
        m_entered = ::chdir(site.dir.c_str()) == 0;
        // As the program starts: from the site's folder, on its configuration file there (the
        // site's paths may be relative to the folder left).
        if (m_entered)
            shell::startUp(core::programSettings(), site::kConfigFile);
    }
    ~OnSite()
    {
        core::programSettings() = m_saved;
        if (m_entered)
            (void)::chdir(m_folder.c_str());
    }
    OnSite(const OnSite&) = delete;
    OnSite& operator=(const OnSite&) = delete;
    bool entered() const { return m_entered; }

private:
    core::Settings m_saved;
    std::filesystem::path m_folder;
    bool m_entered = false;
};

}  // namespace

bool weighDemoWeek(const site::Site& site, std::string* error)
{
    const core::Date today = core::clock().today();
    const std::string user = firstUser(site);
    OnSite on(site);
    if (!on.entered() || user.empty()) {
        *error = site.dir + ": the site cannot be worked on";
        return false;
    }
    core::Settings& s = core::programSettings();
    s.setText("CUSER", user);
    s.setText("CTRUSTEE", std::string(42, '6'));
    s.setText("CAUDITR", "Y");
    // The indicator of the simulator on port 1, in its own frame format, accepted once stable.
    const std::pair<const char*, const char*> indicator[] = {
        {"CCPORT", "1"}, {"CCFMT1", "indicator"}, {"CWREAD", "1"}, {"CSTABLE", "3"}, {"CZEROW", "0"}, {"CMINUS", "0"},
    };
    for (const auto& [name, value] : indicator)
        s.setText(name, value);
    Week week(today.addDays(-kDemoWeekDays));
    return week.run(error);
}

}  // namespace admin
