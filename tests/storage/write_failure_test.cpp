// A write refused in a live process (a full disk, an I/O error) leaves the table and its indexes as
// they were before the append or change that failed: no bytes after the last record, no marks
// that would make the next workstation rebuild an index. Once with injected failures of each write
// in turn, once on a real file system that fills up (a small tmpfs; needs root, else skipped).
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>

#include "core/xbase.h"
#include "fault_fs.h"
#include "storage/table.h"
#include "storage/table_csv.h"
#include "storage_test_util.h"
#include "support/temp_dir.h"

using namespace storage;
using namespace storagetest;

namespace {

std::map<std::string, std::string> snapshot(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        files[e.path().filename().string()] = testsupport::readFile(e.path().string());
    return files;
}

// The files that differ between two snapshots (or are in only one).
std::vector<std::string> changedFiles(const std::map<std::string, std::string>& before,
                                      const std::map<std::string, std::string>& after)
{
    std::vector<std::string> out;
    for (const auto& [name, bytes] : before)
        if (auto it = after.find(name); it == after.end() || it->second != bytes)
            out.push_back(name);
    for (const auto& [name, bytes] : after)
        if (!before.count(name))
            out.push_back(name);
    return out;
}

// A workstation's next open: no index is rebuilt.
void expectNoRebuild(const std::string& folder)
{
    std::unique_ptr<Table> t;
    ASSERT_OK(openTicketTable(folder, ShareMode::Shared, &t));
    for (const Table::Note& n : t->takeNotes())
        ADD_FAILURE() << n.indexPath << ": " << n.reason;
}

using Job = Status (*)(Table& t);

Status appendOne(Table& t)
{
    STORAGE_TRY(t.append());
    fillTicket(t, 21);
    return t.unlock();
}

Status changeKeys(Table& t)
{
    STORAGE_TRY(t.goTo(7));
    STORAGE_TRY(t.lock());
    STORAGE_TRY(t.put("STAT", core::Value::text("9")));
    STORAGE_TRY(t.put("TRUCK", core::Value::text("ZZ-0007")));
    STORAGE_TRY(t.put("COMPANY", core::Value::text("ZZZZ")));
    STORAGE_TRY(t.put("TMIN", core::Value::text("23:59:59")));
    return t.unlock();
}

}  // namespace

TEST(WriteFailure, EachRefusedWriteOfAnAppendOrAChangeLeavesTheFilesAsTheyWere)
{
    SoftCommits soft;
    const struct {
        const char* name;
        Job job;
    } jobs[] = {{"append", appendOne}, {"change of three keys", changeKeys}};
    for (const auto& job : jobs) {
        // The writes the job makes when nothing fails; the last three are the index headers that
        // finish it, after which it is no longer taken back (an I/O error there: the index is
        // rebuilt at its next use, as after a crash).
        int writes = 0;
        for (int n = 0; n == 0 || n <= writes; ++n) {
            SCOPED_TRACE(std::string(job.name) + ", failing write " + std::to_string(n));
            testsupport::TempDir dir;
            ASSERT_OK(Table::create(dir.file("WDATA1.DBF"), ticketFields()));
            std::map<std::string, std::string> before;
            Status s;
            {
                FaultFileSystem fs;
                std::unique_ptr<Table> t;
                ASSERT_OK(openTicketTable(dir.path(), ShareMode::Shared, &t));
                ASSERT_OK(appendTickets(*t, 1, 20));
                before = snapshot(dir.path());
                fs.counts.clear();
                fs.failWrite = n;
                s = job.job(*t);
                if (n == 0) {
                    ASSERT_OK(s);
                    for (const auto& [file, c] : fs.counts)
                        writes += c.writes;
                    continue;
                }
                ASSERT_EQ(fs.failWrite, 0) << "the job made fewer writes than counted";
                EXPECT_FALSE(s.ok());
                EXPECT_OK(t->close());
            }
            if (n <= writes - 3) {
                EXPECT_EQ(changedFiles(before, snapshot(dir.path())), std::vector<std::string>());
                expectNoRebuild(dir.path());
            }
            EXPECT_EQ(ticketFindings(dir.path(), true), std::vector<std::string>());
            // Whatever the next open rebuilds, the committed tickets read back.
            std::unique_ptr<Table> t;
            ASSERT_OK(openTicketTable(dir.path(), ShareMode::Shared, &t));
            ASSERT_GE(t->recCount(), 20u);
            for (std::uint32_t i = 1; i <= 20; ++i) {
                std::string_view ticket;
                ASSERT_OK(t->goTo(i));
                ASSERT_OK(t->raw(0, &ticket));
                EXPECT_EQ(ticket, core::xbase::padLeft(std::to_string(i), 6, '0'));
            }
        }
        EXPECT_GT(writes, 8) << job.name;
    }
}

TEST(WriteFailure, RecordsHeldBackInExclusiveUseThatCannotBeWrittenLeaveNoIndexListingThem)
{
    // Exclusive appends are written at close; when that write is refused, the table keeps the
    // records it had and every index is rebuilt at the next open instead of listing the lost ones.
    testsupport::TempDir dir;
    ASSERT_OK(Table::create(dir.file("WDATA1.DBF"), ticketFields()));
    {
        std::unique_ptr<Table> t;
        ASSERT_OK(openTicketTable(dir.path(), ShareMode::Exclusive, &t));
        ASSERT_OK(appendTickets(*t, 1, 20));
        ASSERT_OK(t->close());
    }
    {
        FaultFileSystem fs;
        std::unique_ptr<Table> t;
        ASSERT_OK(openTicketTable(dir.path(), ShareMode::Exclusive, &t));
        ASSERT_OK(appendTickets(*t, 21, 30));
        fs.failOnly = "WDATA1.DBF";
        fs.failWrite = 1;
        EXPECT_FALSE(t->close().ok());
        EXPECT_EQ(fs.failWrite, 0);
    }
    std::unique_ptr<Table> t;
    ASSERT_OK(openTicketTable(dir.path(), ShareMode::Shared, &t));
    EXPECT_EQ(t->takeNotes().size(), kTicketOrders.size());
    EXPECT_EQ(t->recCount(), 20u);
    ASSERT_OK(t->close());
    EXPECT_EQ(ticketFindings(dir.path(), true), std::vector<std::string>());
}

namespace {

// A tmpfs of 3 MB mounted over a temporary folder for the life of the object, unmounted (lazily,
// so a file still open cannot keep it) when it goes - also when the test fails halfway.
class SmallDisk {
public:
    SmallDisk()
    {
        if (::geteuid() != 0)
            return;
        m_mounted = ::mount("tmpfs", m_dir.path().c_str(), "tmpfs", 0, "size=3m") == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            (void)::umount2(m_dir.path().c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return m_mounted; }
    const std::string& path() const { return m_dir.path(); }

private:
    testsupport::TempDir m_dir;
    bool m_mounted = false;
};

}  // namespace

TEST(WriteFailure, AFullDiskLeavesAppendsChangesAndAPackAsTheyWere)
{
    SmallDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "needs root to mount a small tmpfs";
    SoftCommits soft;
    const std::string folder = disk.path();
    ASSERT_OK(Table::create(folder + "/WDATA1.DBF", ticketFields()));

    // Appends until the disk is full, as a load of tickets does.
    std::uint32_t appended = 0;
    {
        std::unique_ptr<Table> t;
        ASSERT_OK(openTicketTable(folder, ShareMode::Shared, &t));
        std::vector<std::string> records;
        for (std::uint32_t i = 1; i <= 60000; ++i) {
            ASSERT_OK(t->append());
            fillTicket(*t, i);
            const char* rec = nullptr;
            ASSERT_OK(t->record(&rec));
            records.emplace_back(rec, t->layout().recordLength());
            Status s = t->unlock();
            if (!s.ok()) {
                EXPECT_EQ(s.osError(), ENOSPC) << s.toString();
                appended = i - 1;
                break;
            }
        }
        ASSERT_GT(appended, 0u) << "the disk never filled";
        EXPECT_EQ(t->recCount(), appended);
        // A load that meets the full disk says how many records went in, and they are all there.
        Status s = csv::appendRecords(*t, {records.begin(), records.begin() + 50});
        EXPECT_FALSE(s.ok());
        const std::string message = s.toString();
        const std::size_t of = message.find(" of 50 records appended");
        ASSERT_NE(of, std::string::npos) << message;
        appended += std::uint32_t(std::stoul(message.substr(message.rfind(' ', of - 1) + 1)));
        EXPECT_EQ(t->recCount(), appended);
        ASSERT_OK(t->close());
    }
    Layout layout;
    ASSERT_OK(Layout::fromSpecs(ticketFields(), &layout));
    EXPECT_EQ(std::filesystem::file_size(folder + "/WDATA1.DBF"),
              layout.headerLength() + std::uint64_t(appended) * layout.recordLength());
    EXPECT_EQ(ticketFindings(folder, true), std::vector<std::string>());
    expectNoRebuild(folder);

    // Changes of keys that need new index pages, until one cannot be written.
    {
        std::unique_ptr<Table> t;
        ASSERT_OK(openTicketTable(folder, ShareMode::Shared, &t));
        bool refused = false;
        for (std::uint32_t r = 1; r <= appended && !refused; ++r) {
            ASSERT_OK(t->goTo(r));
            core::Value old;
            ASSERT_OK(t->get("TRUCK", &old));
            ASSERT_OK(t->lock());
            char truck[16];
            std::snprintf(truck, sizeof truck, "ZZ%08u", r);
            ASSERT_OK(t->put("TRUCK", core::Value::text(truck)));
            ASSERT_OK(t->put("COMPANY", core::Value::text(truck)));
            ASSERT_OK(t->put("TMIN", core::Value::text("99:99:99")));
            Status s = t->unlock();
            if (!s.ok()) {
                EXPECT_EQ(s.osError(), ENOSPC) << s.toString();
                refused = true;
                core::Value now;
                ASSERT_OK(t->get("TRUCK", &now));
                EXPECT_EQ(now.asText(), old.asText());
            }
        }
        EXPECT_TRUE(refused);
        ASSERT_OK(t->close());
    }
    EXPECT_EQ(ticketFindings(folder, true), std::vector<std::string>());
    expectNoRebuild(folder);

    // A pack needs room for the packed copy: refused, the table stays whole.
    const std::map<std::string, std::string> before = [&] {
        std::unique_ptr<Table> t;
        EXPECT_OK(openTicketTable(folder, ShareMode::Exclusive, &t));
        for (std::uint32_t r = 3; r <= appended; r += 10) {
            EXPECT_OK(t->goTo(r));
            EXPECT_OK(t->deleteRecord());
        }
        EXPECT_OK(t->close());
        return snapshot(folder);
    }();
    {
        std::unique_ptr<Table> t;
        ASSERT_OK(openTicketTable(folder, ShareMode::Exclusive, &t));
        Status s = t->pack();
        EXPECT_FALSE(s.ok());
        EXPECT_EQ(s.osError(), ENOSPC) << s.toString();
        ASSERT_OK(t->close());
    }
    EXPECT_EQ(changedFiles(before, snapshot(folder)), std::vector<std::string>());
    EXPECT_EQ(ticketFindings(folder, true), std::vector<std::string>());
}
