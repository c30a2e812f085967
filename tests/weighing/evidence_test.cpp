// The weighing evidence: a chain that verifies clean, each kind of tamper reported as exactly that
// ticket or record, tickets older than the evidence counted apart, and two workstations appending
// at once keeping one chain.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "core/clock.h"
#include "core/value.h"
#include "storage/fork_child.h"
#include "storage/table.h"
#include "support/temp_dir.h"
#include "weighing/evidence.h"
#include "weighing/weighing_fixture.h"

namespace {

namespace ev = weighing::evidence;
using weighingtest::Site;

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

// Ticket 1 completed after the evidence began, with its weighings and save recorded; ticket 2
// completed on the 1st, before any evidence; ticket 3 completed on the 7th without evidence.
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

TEST(Evidence, AChainVerifiesCleanAndEachTamperIsReportedAsExactlyThatTicketOrRecord)
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
        {"a net changed outside the program", storeNumber("QTY", 3000.5),
         with({"changed: WDATA1.DBF: 000001: QTY stored 3000.5, evidence 3000"})},
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
}

TEST(Evidence, ASiteWithoutEvidenceCountsItsTicketsAsOlder)
{
    Site site;
    site.load("Wdata3", "TICKET,STAT,DAYIN,DAYOUT,TMOUT\n000001,2,20261205,20261205,08:00:00\n000002,1,20261205,,\n");
    const ev::Verification v = ev::verify(site.data());
    EXPECT_TRUE(v.findings.empty());
    EXPECT_EQ(v.ticketsChecked, 1);
    EXPECT_EQ(v.ticketsBefore, 1);
    EXPECT_EQ(v.records, 0);
}

TEST(Evidence, TwoWorkstationsAppendingAtOnceKeepOneChain)
{
    Site site;
    const std::string folder = site.data();
    constexpr int kEach = 150;
    const auto appender = [&](int kind) {
        return [=](storagetest::Child& parent) {
            // The site's fake clock would let the wait for the other workstation run out at
            // once: a workstation waits in real time.
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

}  // namespace
