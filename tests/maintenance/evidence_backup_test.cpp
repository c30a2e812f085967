// The weighing evidence in file maintenance: a transaction backup copies the chain whole, a restore
// gives a lost table back or appends what the live chain lacks at its end and never touches a
// chain that differs from the backup, and a purge leaves the chain as it is.
#include <gtest/gtest.h>

#include <filesystem>

#include "maintenance_fixture.h"
#include "maintenance_jobs.h"
#include "storage/own_table.h"
#include "support/temp_dir.h"
#include "weighing/evidence.h"

namespace fs = std::filesystem;
using maintenance::Outcome;
using mainttest::Site;

using mainttest::backup;

namespace {

class EvidenceBackupTest : public ::testing::Test {
protected:
    std::string live() const { return site.data() + storage::kEvidenceFile; }

    // One more weighing in the evidence.
    void weigh(double kg)
    {
        weighing::evidence::Event e;
        e.kind = 1;
        e.ticket = "000001";
        e.event = "WEIGH1";
        e.weight = kg;
        e.source = 'I';
        ASSERT_TRUE(weighing::evidence::append(site.data(), e).ok());
    }
    // The evidence's line of a restore.
    maintenance::StepResult restore(const std::string& name)
    {
        const auto results = mainttest::restore(name);
        EXPECT_EQ(results.size(), 14u);
        return results.empty() ? maintenance::StepResult{} : results.back();
    }
    // The evidence's weights in record order, and whether its chain holds.
    std::vector<std::string> weights() const { return site.column(live(), "WEIGHT"); }
    bool chainHolds() const
    {
        const auto v = weighing::evidence::verify(site.data());
        return v.findings.empty() && v.problems.empty();
    }

    Site site;
};

TEST_F(EvidenceBackupTest, ABackupCopiesTheChainWholeAfterTheLedgers)
{
    EXPECT_EQ(backup("nochain").size(), 17u) << "a site without evidence has nothing more to copy";
    EXPECT_FALSE(fs::exists(site.backup() + "NOCHAINE.DBF"));

    weigh(12000);
    weigh(4000);
    const auto results = backup("jan");
    ASSERT_EQ(results.size(), 18u);
    EXPECT_EQ(results.back().name, storage::kEvidenceFile);
    EXPECT_EQ(results.back().outcome, Outcome::Done);
    EXPECT_EQ(testsupport::readFile(site.backup() + "JANE.DBF"), testsupport::readFile(live()));

    // A restore of a backup made before the site had evidence reads back no evidence.
    EXPECT_EQ(mainttest::restore("nochain").size(), 13u);
}

TEST_F(EvidenceBackupTest, ARestoreOnlyEverLengthensTheLiveChainAtItsEnd)
{
    weigh(1000);
    weigh(2000);
    backup("two");
    weigh(3000);
    backup("three");
    const std::vector<std::string> all = {"1000.00", "2000.00", "3000.00"};

    fs::remove(live());
    const struct {
        const char* backupName;
        std::vector<std::string> weights;  // the live chain after the restore
        const char* detail;                // the end of the result's detail
    } steps[] = {
        {"two", {"1000.00", "2000.00"}, "2 records copied whole"},
        {"three", all, "1 appended, 2 already there"},
        {"three", all, "0 appended, 3 already there"},
        {"two", all, "0 appended, 2 already there, 1 newer than the backup"},
    };
    for (const auto& s : steps) {
        const maintenance::StepResult r = restore(s.backupName);
        EXPECT_EQ(r.outcome, Outcome::Done) << s.backupName;
        EXPECT_TRUE(r.detail.ends_with(s.detail)) << s.backupName << ": " << r.detail;
        EXPECT_EQ(weights(), s.weights) << s.backupName;
        EXPECT_TRUE(chainHolds()) << s.backupName;
    }

    // A live chain that differs from the backup is left as it is: no record is matched by a key.
    site.set(live(), "WEIGHT", "2000.00", "WEIGHT", "2500");
    const std::string changed = testsupport::readFile(live());
    const maintenance::StepResult r = restore("three");
    EXPECT_TRUE(r.detail.ends_with("record 2 differs from the backup, the table left as it is")) << r.detail;
    EXPECT_EQ(testsupport::readFile(live()), changed);
    EXPECT_FALSE(chainHolds());
}

TEST_F(EvidenceBackupTest, APurgeNeverCutsRecordsOutOfTheChain)
{
    weigh(1000);
    weigh(2000);
    const std::string before = testsupport::readFile(live());
    site.prompts.answers.assign(20, true);
    const auto results = mainttest::purge();
    EXPECT_EQ(results.size(), 13u);
    for (const auto& r : results)
        EXPECT_NE(r.name, storage::kEvidenceFile);
    EXPECT_EQ(testsupport::readFile(live()), before);
}

}  // namespace
