// The weighing evidence: the chain and its tampers, two workstations appending at once, and what the
// ticket screen records.
#include <gtest/gtest.h>

#include <functional>

#include "core/clock.h"
#include "core/tis620.h"
#include "storage/fork_child.h"
#include "storage/table.h"
#include "support/recording_destination.h"
#include "weighing/evidence.h"
#include "weighing/evidence_log.h"
#include "weighing/ticket_screen.h"
#include "weighing_fixture.h"

using core::tis620::T;
using namespace weighing;
using namespace weighingtest;

namespace {

namespace ev = weighing::evidence;

ev::Event event(int kind, const std::string& ticket, const char* what, double weight = 0, char source = ' ',
                const std::string& frame = {})
{
    ev::Event e;
    e.kind = kind;
    e.ticket = ticket;
    e.event = what;
    e.weight = weight;
    e.source = source;
    e.frame = frame;
    e.port = frame.empty() ? "" : "/dev/ttyS0";
    return e;
}

// Ticket 1 with its weighings and save recorded; 2 older than the evidence; 3 later without any.
void recordDay(Site& site)
{
    site.load("Wdata1", "TICKET,STAT,COMPANY,PRODUCT,DAYIN,TMIN,WIN,DAYOUT,TMOUT,WOUT,QTY,AMOUNT\n"
                        "000001,2,F001,P001,20261205,08:00:00,15000,20261205,08:30:00,12000,3000,21750\n"
                        "000002,2,F002,P001,20261201,09:00:00,9000,20261201,09:20:00,5000,4000,29000\n"
                        "000003,2,F001,P002,20261207,10:00:00,8000,20261207,10:10:00,6000,2000,19000\n");
    ASSERT_TRUE(ev::append(site.data(), event(1, "000001", "WEIGH1", 15000, 'I', "\x02 15000 kg\r")).ok());
    ASSERT_TRUE(ev::append(site.data(), event(1, "000001", "WEIGH2", 12000, 'M')).ok());
    std::unique_ptr<storage::Table> t;
    ASSERT_TRUE(storage::Table::open(site.data() + "WDATA1.DBF", storage::ShareMode::Shared, &t).ok());
    ASSERT_TRUE(t->goTo(1).ok());
    ev::Event save = event(1, "000001", "NEW");
    save.values = ev::savedValues(*t);
    ASSERT_TRUE(ev::append(site.data(), save).ok());
}

// The evidence file's bytes changed by `change` (record numbers from 1; the header's count kept
// right when a record is cut out).
void alterEvidence(const Site& site, const std::function<void(std::string& file, std::size_t header, std::size_t length)>& change)
{
    const std::string path = site.data() + ev::kTableFile;
    std::string bytes = testsupport::readFile(path);
    const std::size_t header = std::uint8_t(bytes[8]) | std::size_t(std::uint8_t(bytes[9])) << 8;
    const std::size_t length = std::uint8_t(bytes[10]) | std::size_t(std::uint8_t(bytes[11])) << 8;
    change(bytes, header, length);
    const std::uint32_t count = std::uint32_t((bytes.size() - header) / length);
    for (int i = 0; i < 4; ++i)
        bytes[std::size_t(4 + i)] = char((count >> (8 * i)) & 0xff);
    testsupport::writeFile(path, bytes);
}

TEST(Evidence, AChainVerifiesCleanEachTamperIsReportedAsExactlyThatTicketOrRecordAndOlderTicketsApart)
{
    struct Case {
        const char* what;
        std::function<void(Site&)> tamper;
        std::vector<std::string> findings;
    };
    const auto storeNumber = [](const char* field, double value) {
        return [=](Site& site) {
            std::unique_ptr<storage::Table> t;
            ASSERT_TRUE(storage::Table::open(site.data() + "WDATA1.DBF", storage::ShareMode::Shared, &t).ok());
            ASSERT_TRUE(t->goTo(1).ok());
            ASSERT_TRUE(t->lock().ok());
            ASSERT_TRUE(t->putNumber(t->fieldIndex(field), value).ok());
            ASSERT_TRUE(t->commit().ok());
        };
    };
    const std::vector<std::string> missing = {"missing: WDATA1.DBF: 000003: no evidence"};
    const auto with = [&](std::vector<std::string> first) {
        first.insert(first.end(), missing.begin(), missing.end());
        return first;
    };
    const Case cases[] = {
        {"nothing changed", [](Site&) {}, missing},
        {"a weight typed over outside the program", storeNumber("WOUT", 12400),
         with({"changed: WDATA1.DBF: 000001: WOUT stored 12400, evidence 12000"})},
        {"a byte of an evidence record changed",
         [](Site& site) {
             alterEvidence(site, [](std::string& f, std::size_t header, std::size_t length) {
                 char& c = f[header + length + 20];  // inside the second record's weight or time
                 c = c == '1' ? '2' : '1';
             });
         },
         with({"broken: EVIDENCE.DBF: record 2: contents do not match its hash"})},
        {"an evidence record marked deleted",
         [](Site& site) {
             alterEvidence(site, [](std::string& f, std::size_t header, std::size_t length) { f[header + length] = '*'; });
         },
         with({"deleted: EVIDENCE.DBF: record 2: marked deleted"})},
        {"an evidence record cut out",
         [](Site& site) {
             alterEvidence(site, [](std::string& f, std::size_t header, std::size_t length) { f.erase(header + length, length); });
         },
         with({"broken: EVIDENCE.DBF: record 2: hash does not follow record 1"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Site site;
        recordDay(site);
        c.tamper(site);
        const ev::Verification v = ev::verify(site.data());
        EXPECT_EQ(v.findings, c.findings);
        EXPECT_TRUE(v.problems.empty());
        EXPECT_EQ(v.ticketsChecked, 3);
        EXPECT_EQ(v.ticketsBefore, 1);  // ticket 2, older than the evidence
    }
    // A date range takes only the tickets weighed in within it.
    Site site;
    recordDay(site);
    const ev::Verification v = ev::verify(site.data(), core::Date::fromYmd(2026, 12, 2), core::Date::fromYmd(2026, 12, 6));
    EXPECT_TRUE(v.findings.empty());
    EXPECT_EQ(v.ticketsChecked, 1);

    // A site without evidence: its complete tickets are older than the evidence.
    Site bare;
    bare.load("Wdata3", "TICKET,STAT,DAYIN,DAYOUT,TMOUT\n000001,2,20261205,20261205,08:00:00\n000002,1,20261205,,\n");
    const ev::Verification none = ev::verify(bare.data());
    EXPECT_TRUE(none.findings.empty());
    EXPECT_EQ(std::vector<int>({none.ticketsChecked, none.ticketsBefore, none.records}), std::vector<int>({1, 1, 0}));
}

TEST(Evidence, TwoWorkstationsAppendingAtOnceKeepOneChain)
{
    Site site;
    const std::string folder = site.data();
    constexpr int kEach = 150;
    const auto appender = [&](int kind) {
        return [=](storagetest::Child& parent) {
            // A workstation waits for the other in real time, not on the site's fake clock.
            core::setClock(nullptr);
            if (!parent.readyThenGo())
                return 2;
            for (int i = 0; i < kEach; ++i)
                if (!ev::append(folder, event(kind, "00000" + std::to_string(kind), "WEIGH1", double(i), 'I')).ok())
                    return 1;
            return 0;
        };
    };
    ASSERT_EQ(storagetest::startTogether(appender(1), appender(2)), std::pair(0, 0));
    const ev::Verification v = ev::verify(folder);
    EXPECT_EQ(v.records, 2 * kEach);
    EXPECT_TRUE(v.findings.empty()) << v.findings.front();
}

// Collects the events; answers the sources from what it collected, as the program's log does.
class CollectingLog final : public EvidenceLog {
public:
    CollectingLog() : m_previous(setEvidenceLog(this)) {}
    ~CollectingLog() override { setEvidenceLog(m_previous); }

    storage::Status append(const evidence::Event& e) override
    {
        if (failing)
            return storage::Status::ioError("disk full", 28);
        events.push_back(e);
        return {};
    }
    std::array<char, 2> weightSources(int kind, const std::string& ticket) override
    {
        std::array<char, 2> out{' ', ' '};
        for (const auto& e : events)
            if (e.kind == kind && e.ticket == ticket && (e.event == "WEIGH1" || e.event == "WEIGH2"))
                out[e.event == "WEIGH1" ? 0 : 1] = e.source;
        return out;
    }
    std::vector<EvidenceEntry> history(int kind, const std::string& ticket) override
    {
        std::vector<EvidenceEntry> out;
        for (const auto& e : events)
            if (e.kind == kind && e.ticket == ticket) {
                out.emplace_back();
                out.back().event = e.event;
                out.back().weight = e.weight;
                out.back().source = std::string(1, e.source);
            }
        return out;
    }

    // "TICKET EVENT[ weight source]" per event.
    std::vector<std::string> lines() const
    {
        std::vector<std::string> out;
        for (const auto& e : events)
            out.push_back(e.ticket + " " + e.event +
                          (e.event.rfind("WEIGH", 0) == 0 ? " " + std::to_string(int(e.weight)) + " " + e.source : ""));
        return out;
    }
    std::string value(std::size_t event, const std::string& name) const
    {
        for (const auto& [n, v] : events.at(event).values)
            if (n == name)
                return v;
        return "?";
    }

    std::vector<evidence::Event> events;
    bool failing = false;

private:
    EvidenceLog* m_previous;
};

class TicketEvidenceTest : public ScreenTest {
protected:
    std::unique_ptr<TicketScreen> screen(int level = 6) { return ScreenTest::screen(1, level); }
    CollectingLog log;
};

TEST_F(TicketEvidenceTest, EachWayOfSettingAWeightRecordsItsSourceAndALogThatFailsSaysSo)
{
    const struct {
        const char* what;
        const char* truck;
        std::optional<scale::WeightOrigin> origin;
        const char* weighed;  // the ticket's number is the one the save took
        const char* origins;  // frame|port|device
    } cases[] = {
        {"stable and taken by itself", "81-5678",
         scale::WeightOrigin{false, "\x02" "012000\r", "COM1 /dev/ttyS0", "toledo"}, "000001 WEIGH1 12000 I",
         "\x02" "012000\r|COM1 /dev/ttyS0|toledo"},
        {"accepted with the button", "70-1234",
         scale::WeightOrigin{true, "\x02" "012000\r", "COM2 /dev/pts/3", "indicator"}, "000002 WEIGH1 12000 A",
         "\x02" "012000\r|COM2 /dev/pts/3|indicator"},
        {"a dialog that tells no origin", "99-0001", std::nullopt, "000003 WEIGH1 12000 A", "||"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        log.events.clear();
        auto s = screen();
        if (c.origin)
            host.origins.push_back(*c.origin);
        ASSERT_TRUE(firstWeighing(*s, host, Weighing{c.truck}, 12000));
        EXPECT_EQ(log.lines(), (std::vector<std::string>{c.weighed, s->values().text("cTicket") + " NEW"}));
        const evidence::Event& w = log.events.at(0);
        EXPECT_EQ(w.frame + "|" + w.port + "|" + w.device, c.origins);
        EXPECT_FALSE(w.date.isEmpty());
        EXPECT_EQ(log.value(1, "WIN"), "12000.00");
    }

    // A log that cannot be written leaves the ticket saved and says so.
    auto s = screen();
    log.failing = true;
    ASSERT_TRUE(firstWeighing(*s, host, Weighing{"82-9012"}, 15000));
    EXPECT_EQ(s->mode(), kTicketBrowsing);
    const auto saved = site.find("Wdata1", "TRUCK", "82-9012");
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->number("WIN"), 15000);
    const auto texts = site.prompts.texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_NE(texts.back().find("บันทึกหลักฐานการชั่งไม่ได้"), std::string::npos) << texts.back();
    EXPECT_EQ(site.prompts.shown.back().kind, core::MessageKind::Stop);
}

TEST_F(TicketEvidenceTest, ATypedWeighingADeletionAndAPrintAreRecordedAndTheSettingDecidesWhoMayTypeWeights)
{
    site.setting("CMANUALW", "1");
    auto s = screen(5);
    EXPECT_FALSE(s->mayShowEvidence()) << "no ticket yet";
    ASSERT_TRUE(firstWeighing(*s, host, Weighing{"70-1234"}, 15000));
    ASSERT_TRUE(startSecondWeighing(*s, host, "70-1234", 11000));
    ASSERT_TRUE(s->TRSAVE());
    EXPECT_TRUE(s->mayShowEvidence()) << "level five, browsing a stored ticket";
    EXPECT_EQ(s->evidenceHistory().size(), 4u);
    EXPECT_FALSE(screen(4)->mayShowEvidence());
    EXPECT_TRUE(screen(4)->evidenceHistory().empty());
    EXPECT_FALSE(s->weightTyped(2));

    log.events.clear();
    s->editPressed();
    ASSERT_TRUE(s->fieldEnabled("cWout"));
    ASSERT_TRUE(typeNumber(*s, "cWout", 11400));
    EXPECT_TRUE(s->weightTyped(2)) << "marked as soon as it is typed";
    EXPECT_FALSE(s->weightTyped(1));
    ASSERT_TRUE(s->TRSAVE());
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"000001 WEIGH2 11400 M", "000001 EDIT"}));
    EXPECT_EQ(log.value(1, "WOUT"), "11400.00");
    EXPECT_EQ(site.audit(), std::vector<std::string>{"TRK01-000001 ป้อนน้ำหนักรถออกเอง: 11,000 -> 11,400"});

    // Shown again, and loaded for printing, the typed weight keeps its mark.
    s->PROCMOVE(kMoveFirst);
    EXPECT_TRUE(s->weightTyped(2));
    EXPECT_EQ(s->values().text("cWoutSrc"), T("ป้อนเอง"));
    EXPECT_EQ(s->values().text("cWinSrc"), "");

    // An edit that leaves the weights as they are records only the edit.
    log.events.clear();
    s->editPressed();
    ASSERT_TRUE(typeNumber(*s, "cWout", 11400));
    ASSERT_TRUE(typeText(*s, "cRemark1", "X"));
    ASSERT_TRUE(s->TRSAVE());
    EXPECT_EQ(log.lines(), std::vector<std::string>{"000001 EDIT"});

    // Deletion, undeletion and a print are recorded with the stored values.
    testsupport::writeFile(site.tables() + "Ticket12.txt", "H SAYR1     10    20 wdata->ticket\r\n");
    testsupport::RecordingDestination printer;
    log.events.clear();
    site.prompts.answers = {true, true};
    s->deletePressed();
    s->deletePressed();
    s->printPressed(false);
    s->printPressed(true);  // no "Print12" form: nothing printed, nothing recorded
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"000001 DELETE", "000001 UNDELETE", "000001 PRINT"}));
    EXPECT_EQ(log.value(0, "AMOUNT"), log.value(2, "AMOUNT"));
    EXPECT_EQ(printer.jobs.size(), 1u);

    // Who may type a stored ticket's weights, by the setting, service mode and level.
    struct Case {
        const char* manualW;
        const char* track;
        int level;
        bool typed;
    };
    const Case cases[] = {
        {"0", "0", 6, false}, {"0", "9417", 6, true}, {"0", "9417", 5, false},
        {"1", "0", 5, true},  {"1", "0", 4, false},   {"2", "9417", 6, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("ManualW ") + c.manualW + ", Track " + c.track + ", level " + std::to_string(c.level));
        site.setting("CMANUALW", c.manualW);
        site.setting("CTRACK", c.track);
        auto other = screen(c.level);
        EXPECT_EQ(other->mayTypeWeights(), c.typed);
        other->editPressed();
        ASSERT_EQ(other->mode(), kTicketEdit);
        EXPECT_EQ(other->fieldEnabled("cWin"), c.typed);
        EXPECT_EQ(other->fieldEnabled("cWout"), c.typed);
        other->PCANCEL();
    }
}

TEST_F(TicketEvidenceTest, TheLighterWeightIsCheckedAgainstTheTrucksStoredWeight)
{
    struct Case {  // each a truck of its own, stored at 11,250 kg, weighed in at 30,000 kg
        const char* what;
        const char* tolKg;
        const char* tolPct;
        long long lighter;
        std::deque<bool> answers;  // go on; store the weight
        char truckRights;          // the level at the truck table's position
        bool saved;
        double truckAfter;
        const char* weighed;  // the warning's weighed weight and difference; nullptr: no warning
        const char* off;
    };
    const Case cases[] = {
        {"off", "0", "0", 9000, {}, '6', true, 11250, nullptr, nullptr},
        {"within the kilograms", "100", "0", 11350, {}, '6', true, 11250, nullptr, nullptr},
        {"beyond the kilograms, gone back", "100", "0", 11351, {false}, '6', false, 11250, "11,351", "101"},
        {"beyond, the new weight stored", "100", "0", 11600, {true, true}, '4', true, 11600, "11,600", "350"},
        {"beyond, not allowed to store it", "100", "0", 11600, {true}, '3', true, 11250, "11,600", "350"},
        {"within the per cent", "0", "2", 11025, {}, '6', true, 11250, nullptr, nullptr},
        {"beyond the per cent", "0", "2", 11024, {true, false}, '6', true, 11250, "11,024", "226"},
        {"the larger tolerance counts", "500", "2", 10800, {}, '6', true, 11250, nullptr, nullptr},
    };
    std::string trucks = "CODE,NAME,WEIGHT\n";
    for (std::size_t i = 0; i < std::size(cases); ++i)
        trucks += "T" + std::to_string(i) + ",,11250\n";
    site.load("TruckDt", trucks);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        const std::string truck = "T" + std::to_string(i);
        site.setting("CTRKTOLKG", c.tolKg);
        site.setting("CTRKTOLPCT", c.tolPct);
        std::string rights(42, '6');
        rights[22] = c.truckRights;
        site.setting("CTRUSTEE", rights);
        auto s = screen();
        ASSERT_TRUE(firstWeighing(*s, host, Weighing{truck}, 30000));
        ASSERT_TRUE(startSecondWeighing(*s, host, truck, c.lighter));
        site.prompts.shown.clear();
        site.prompts.answers = c.answers;
        site.prompts.answers.push_back(false);  // the print after the save
        log.events.clear();
        EXPECT_EQ(s->TRSAVE(), c.saved);
        EXPECT_EQ(s->mode(), c.saved ? kTicketBrowsing : kTicketSecondWeighing);
        EXPECT_EQ(site.find("Wdata1", "TRUCK", truck)->text("STAT"), c.saved ? "2" : "1");
        EXPECT_DOUBLE_EQ(site.find("TruckDt", "CODE", truck)->number("WEIGHT"), c.truckAfter);
        const auto warning = std::find_if(log.events.begin(), log.events.end(),
                                          [](const evidence::Event& e) { return e.event == "TRUCKWT"; });
        ASSERT_EQ(warning != log.events.end(), c.weighed != nullptr);
        const auto texts = site.prompts.texts();
        if (!c.weighed) {
            EXPECT_TRUE(texts.empty() || texts[0] == "พิมพ์ใบชั่งน้ำหนัก") << texts[0];
            continue;
        }
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(texts[0], std::string("น้ำหนักรถที่บันทึกไว้ 11,250 กก.\nน้ำหนักที่ชั่งได้ ") + c.weighed +
                                " กก.\nต่างกัน " + c.off + " กก.\nต้องการบันทึกใบชั่งต่อหรือไม่");
        EXPECT_EQ(warning->ticket, s->values().text("cTicket"));
        EXPECT_EQ(warning->weight, c.lighter);
        EXPECT_EQ(warning->values, (std::vector<std::pair<std::string, std::string>>{
                                       {"TRUCK", "11,250"}, {"WIN", "30,000"}, {"WOUT", c.weighed}}));
        EXPECT_EQ(site.audit().back(),
                  "TRK01-" + warning->ticket + " น้ำหนักรถไม่ตรงกับที่บันทึกไว้: 11,250 -> " + c.weighed);
        if (!c.saved)
            s->PCANCEL();
    }
}

// The program's own log keeps each event of a ticket weighed, weighed out and typed over, with its
// source (a week's log verifying clean is the demo site's test).
TEST_F(TicketEvidenceTest, TheProgramsOwnLogKeepsEachEventWithItsSourceAndTheTypedMark)
{
    EvidenceLog* previous = setEvidenceLog(&fileEvidenceLog());
    site.setting("CMANUALW", "1");
    {
        auto s = screen();
        host.origins.push_back({false, "\x02" "015000\r", "COM1 /dev/ttyS0", "indicator"});
        ASSERT_TRUE(firstWeighing(*s, host, Weighing{"70-1234"}, 15000));
        ASSERT_TRUE(startSecondWeighing(*s, host, "70-1234", 11000));
        ASSERT_TRUE(s->TRSAVE());
        s->editPressed();
        ASSERT_TRUE(typeNumber(*s, "cWout", 11300));
        ASSERT_TRUE(s->TRSAVE());
    }
    const evidence::Verification v = evidence::verify(site.data());
    EXPECT_TRUE(v.findings.empty()) << v.findings.front();
    EXPECT_TRUE(v.problems.empty());

    auto again = screen();
    again->PROCMOVE(kMoveFirst);
    ASSERT_EQ(again->values().text("cTicket"), "000001");
    EXPECT_TRUE(again->weightTyped(2));
    EXPECT_FALSE(again->weightTyped(1));
    std::vector<std::string> history;  // "EVENT|weight|source|port"
    for (const EvidenceEntry& e : again->evidenceHistory())
        history.push_back(e.event + "|" + std::to_string(int(e.weight)) + "|" + e.source + "|" + e.port);
    EXPECT_EQ(history, (std::vector<std::string>{"WEIGH1|15000|I|COM1 /dev/ttyS0", "NEW|0||", "WEIGH2|11000|A|",
                                                 "NEW|0||", "WEIGH2|11300|M|", "EDIT|0||"}));
    setEvidenceLog(previous);
}

// The history list: events and sources in Thai, only weights grouped, workstation and port together.
TEST(TicketEvidenceHistory, TheListNamesEventsAndSourcesInThai)
{
    const std::vector<EvidenceEntry> entries = {
        {"05/12/2026", "08:00:00", "WEIGH1", 15000, "I", "OPER1", "scale1", "COM1 /dev/ttyS0", ""},
        {"05/12/2026", "08:30:00", "WEIGH2", 1234567, "M", "ADMIN", "office", "", ""},
        {"05/12/2026", "08:31:00", "EDIT", 0, " ", "ADMIN", "office", "", "WIN=15000.00"},
        {"05/12/2026", "08:32:00", "TRUCKWT", 11600, " ", "ADMIN", "", "", "TRUCK=11,250"},
        {"05/12/2026", "08:33:00", "ODD", 0, "X", "", "", "", ""},
    };
    const EvidenceHistory h = evidenceHistoryList("000001", entries);
    EXPECT_EQ(core::tis620::toUtf8(h.title), "  หลักฐานการชั่ง ใบชั่งเลขที่ 000001");
    std::vector<std::string> rows;
    for (const auto& r : h.rows) {
        std::string line;
        for (const std::string& cell : r)
            line += core::tis620::toUtf8(cell) + "|";
        rows.push_back(line);
    }
    EXPECT_EQ(rows, (std::vector<std::string>{
                        "05/12/2026|08:00:00|ชั่งเข้า|15,000|เครื่องชั่ง|OPER1|scale1 COM1 /dev/ttyS0||",
                        "05/12/2026|08:30:00|ชั่งออก|1,234,567|ป้อนเอง|ADMIN|office||",
                        "05/12/2026|08:31:00|แก้ไข|| |ADMIN|office|WIN=15000.00|",
                        "05/12/2026|08:32:00|น้ำหนักรถไม่ตรง|11,600| |ADMIN||TRUCK=11,250|",
                        "05/12/2026|08:33:00|ODD||X||||",
                    }));
}

}  // namespace
