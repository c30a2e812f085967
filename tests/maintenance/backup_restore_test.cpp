// Backups and restores on a site with records on both sides of January: what the JAN backup
// holds, the name rules, the overwrite question, a failed copy leaving the old backup whole,
// restores that append nothing twice, bring purged tickets back and unmark marked ones, refuse a
// backup of another structure, and the code tables copied back whole with fresh indexes - unless
// another workstation has the table open.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/settings.h"
#include "maintenance_fixture.h"
#include "maintenance_jobs.h"
#include "storage/catalogue.h"
#include "storage/fault_fs.h"
#include "storage/held_table.h"
#include "storage/ops.h"
#include "storage/table.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using mainttest::backup;
using mainttest::done;
using mainttest::outcomes;
using mainttest::restore;
using mainttest::Site;
using mainttest::T;
using maintenance::Outcome;

namespace {

class Recorder final : public maintenance::Progress {
public:
    void begin(const std::string&) override {}
    void step(const std::string& n) override { steps.push_back(n); }
    std::vector<std::string> steps;
};

class BackupRestoreTest : public ::testing::Test {
protected:
    void SetUp() override { mainttest::loadJanuary(site); }
    std::vector<std::string> backupFiles() const
    {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(site.backup()))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    Site site;
};

TEST_F(BackupRestoreTest, TheJanBackupHoldsJanuarysUnmarkedRecordsAndTheLedgersWhole)
{
    Recorder progress;
    const auto results = backup("jan", &progress);
    EXPECT_EQ(outcomes(results), std::vector<Outcome>(17, Outcome::Done));
    EXPECT_EQ(backupFiles(),
              (std::vector<std::string>{"APACC.DBF", "ARACC.DBF", "JAN1.DBF", "JAN2.DBF", "JAN3.DBF", "JAN4.DBF",
                                        "JAN5.DBF", "JAN6.DBF", "JAN7.DBF", "JAN8.DBF", "JAN9.DBF", "JANA.DBF",
                                        "JANB.DBF", "JANC.DBF", "JAND.DBF", "ORACC.DBF", "STOCK.DBF"}));
    const std::string b = site.backup();
    EXPECT_EQ(site.column(b + "JAN1.DBF", "TICKET"), (std::vector<std::string>{"000002", "000003", "000004"}));
    for (const char* f : {"JAN2.DBF", "JAN5.DBF", "JAN6.DBF", "JAN9.DBF", "JANA.DBF"})
        EXPECT_EQ(site.column(b + f, "TICKET"), std::vector<std::string>{"000001"}) << f;
    for (const char* f : {"JANB.DBF", "JANC.DBF", "JAND.DBF"})
        EXPECT_EQ(site.column(b + f, "RECORD"), std::vector<std::string>{"R1"}) << f;
    for (const char* f : {"STOCK.DBF", "APACC.DBF", "ARACC.DBF", "ORACC.DBF"})
        EXPECT_EQ(testsupport::readFile(b + f), testsupport::readFile(site.data() + f)) << f;
    EXPECT_EQ(progress.steps.size(), 17u);  // the wait window names each table
    EXPECT_TRUE(site.prompts.shown.empty());
}

TEST_F(BackupRestoreTest, BackupNamesAreOneToSevenLettersOrDigits)
{
    const std::pair<const char*, const char*> cases[] = {
        {"JAN", "JAN"},    {"jan", "JAN"},     {"A1B2C3D", "A1B2C3D"}, {"7", "7"},    {"", ""},
        {"JA.N", ""},      {"../X", ""},       {"A/B", ""},            {"A\\B", ""},  {"C:X", ""},
        {"ABCDEFGH", ""},  {" JAN", ""},       {"JAN ", ""},           {"ม.ค.", ""},  {"ABC\x01", ""},
        // Names whose receipt-lines copy (suffix C) would be a ledger's or a code table's copy, or
        // whose evidence copy (suffix E) would be the warehouses' (WHOUSE).
        {"APAC", ""},      {"arac", ""},       {"ORAC", ""},           {"CONSE", ""}, {"APA", "APA"},
        {"APACX", "APACX"}, {"WHOUS", ""},     {"WHOU", "WHOU"},
    };
    for (const auto& [typed, expected] : cases) {
        std::string why;
        EXPECT_EQ(maintenance::checkBackupName(T(typed), &why), expected) << typed;
        EXPECT_EQ(why.empty(), *expected != '\0') << typed;
    }
    const std::pair<const char*, std::string> refused[] = {
        {"JA.N", "ชื่อแฟ้มสำเนาต้องเป็นตัวอักษรภาษาอังกฤษหรือตัวเลข 1 ถึง 7 ตัว"},
        {"apac", "ชื่อแฟ้มสำเนา APAC ทำให้แฟ้ม APACC.DBF ซ้ำกับแฟ้มสำเนาของ APACC"},
    };
    for (const auto& [name, why] : refused) {
        site.prompts.shown.clear();
        EXPECT_EQ(outcomes(backup(name)), std::vector<Outcome>{Outcome::Failed}) << name;
        EXPECT_EQ(mainttest::shownWithTitles(site.prompts), std::vector<std::string>{"ส่วนการทำสำเนาข้อมูล|" + why});
    }
    EXPECT_TRUE(backupFiles().empty());
}

TEST_F(BackupRestoreTest, ABackupFolderThatIsOrLiesInALiveFolderIsRefused)
{
    const std::string folders[] = {site.data(), site.data() + "OLD/", site.dir() + "/./DATA/../DATA", site.tables(),
                                   site.tables() + "SAVE/"};
    const std::string data = testsupport::readFile(site.pathOf("Wdata1"));
    const std::string codes = testsupport::readFile(site.pathOf("Farmer"));
    for (const std::string& folder : folders) {
        SCOPED_TRACE(folder);
        fs::create_directories(folder);
        core::programSettings().setText("CDRV3", folder);
        site.prompts.shown.clear();
        site.prompts.answers = std::deque<bool>(32, true);
        for (const auto& results : {backup("JAN"), maintenance::FGBACKUP2(nullptr), restore("JAN"),
                                    maintenance::FGRESTORE2(nullptr)}) {
            ASSERT_EQ(results.size(), 1u);
            EXPECT_EQ(results[0].outcome, Outcome::Failed);
        }
        ASSERT_EQ(site.prompts.shown.size(), 4u);
        EXPECT_NE(mainttest::shown(site.prompts)[0].find(std::string("เพราะอยู่ในโฟลเดอร์แฟ้มข้อมูล ")), std::string::npos);
        EXPECT_EQ(testsupport::readFile(site.pathOf("Wdata1")), data);
        EXPECT_EQ(testsupport::readFile(site.pathOf("Farmer")), codes);
    }
    // A folder beside them, whose name merely begins like one of theirs, is fine.
    core::programSettings().setText("CDRV3", site.dir() + "/DATA2/");
    fs::create_directories(site.dir() + "/DATA2/");
    site.prompts.answers = std::deque<bool>(32, true);
    EXPECT_EQ(done(backup("JAN")), 17);
}

TEST_F(BackupRestoreTest, ADocumentEditedSinceTheBackupIsReportedNotRestoredTwice)
{
    backup("JAN");
    // Ticket 000002's weigh-in time corrected after the backup; 000004 purged by hand.
    site.set(site.pathOf("Wdata1"), "TICKET", "000002", "TMIN", "08:30:00");
    site.set(site.pathOf("Money1"), "TICKET", "000001", "DATE", "20260111");
    site.mark(site.pathOf("Wdata1"), "TICKET", "000004");
    for (const char* index : {"WDATA12.NTX", "MONEY1.NTX"})
        fs::remove(site.data() + index);  // the keys changed under them: built again at the next open
    const auto results = restore("JAN");
    EXPECT_EQ(results[0].detail, "from " + site.backup() +
                                     "JAN1.DBF: 0 appended, 1 recalled, 1 already there, 1 held with other values "
                                     "(left as they are): 000002");
    EXPECT_NE(results[5].detail.find("1 held with other values (left as they are): 000001"), std::string::npos)
        << results[5].detail;
    EXPECT_EQ(site.column(site.pathOf("Wdata1"), "TICKET"),
              (std::vector<std::string>{"000001", "000002", "000003", "000004", "000005", "000006*"}));
    EXPECT_EQ(site.column(site.pathOf("Wdata1"), "TMIN")[1], "08:30:00");
    EXPECT_EQ(site.column(site.pathOf("Money1"), "TICKET").size(), 3u);
    EXPECT_TRUE(site.problems("Wdata1").empty()) << ::testing::PrintToString(site.problems("Wdata1"));
}

TEST_F(BackupRestoreTest, AnExistingBackupIsReplacedOnlyWhenTheQuestionIsAnsweredYes)
{
    site.withSound("TSound08.wav");
    backup("JAN");
    site.load("Wdata1", "TICKET,STAT,DAYIN,TMIN\n000007,2,20260105,07:00:00\n");
    site.load("Wdata2", "TICKET,STAT,DAYIN,TMIN\n000003,2,20260105,07:00:00\n");
    site.prompts.answers = {false, true};  // keep JAN1, replace JAN2; the rest are answered No
    const auto results = backup("JAN");
    EXPECT_EQ(results[0].outcome, Outcome::Declined);
    EXPECT_EQ(results[1].outcome, Outcome::Done);
    EXPECT_EQ(results[2].outcome, Outcome::Declined);
    EXPECT_EQ(site.column(site.backup() + "JAN1.DBF", "TICKET"), (std::vector<std::string>{"000002", "000003", "000004"}));
    EXPECT_EQ(site.column(site.backup() + "JAN2.DBF", "TICKET"), (std::vector<std::string>{"000001", "000003"}));
    ASSERT_EQ(site.prompts.shown.size(), 17u);
    EXPECT_TRUE(site.prompts.shown[0].question);
    EXPECT_EQ(mainttest::shownWithTitles(site.prompts)[0],
              "ส่วนการทำสำเนาข้อมูล|เขียนทับแฟ้ม " + site.backup() + "JAN1.DBF ?");
    EXPECT_EQ(std::count(site.sound.waves.begin(), site.sound.waves.end(), "TSound08.wav"), 17);
}

TEST_F(BackupRestoreTest, ACopyThatFailsHalfWayLeavesThePreviousBackupAsItWas)
{
    backup("JAN");
    const std::string before = testsupport::readFile(site.backup() + "JAN1.DBF");
    site.load("Wdata1", "TICKET,STAT,DAYIN,TMIN\n000007,2,20260105,07:00:00\n");
    site.prompts.answers = {true};
    maintenance::StepResult r;
    {
        storagetest::FaultFileSystem failing;
        failing.failWrite = 2;
        r = maintenance::BACKLOOP({site.data(), "WDATA1", site.backup(), "JAN1", maintenance::DateMode::Weighing,
                                   mainttest::kJanuary});
    }
    EXPECT_EQ(r.outcome, Outcome::Failed);
    EXPECT_FALSE(site.faults.faults.empty());
    EXPECT_EQ(testsupport::readFile(site.backup() + "JAN1.DBF"), before);
    EXPECT_FALSE(fs::exists(site.backup() + "JAN1.DBF.part"));
}

TEST_F(BackupRestoreTest, AMissingSourceIsToldAndTheOtherTablesAreCopied)
{
    fs::remove(site.data() + "MONEY2.DBF");
    const auto results = backup("JAN");
    EXPECT_EQ(results[6].outcome, Outcome::Failed);
    EXPECT_EQ(done(results), 16);
    EXPECT_EQ(mainttest::shownWithTitles(site.prompts),
              std::vector<std::string>{"ส่วนการทำสำเนาข้อมูล|ไม่พบแฟ้ม " + site.data() + "MONEY2.DBF"});
}

TEST_F(BackupRestoreTest, RestoringTwiceAppendsNothingTheSecondTime)
{
    backup("JAN");
    site.prompts.answers = std::deque<bool>(14, true);
    mainttest::purge();
    EXPECT_EQ(site.column(site.pathOf("Wdata1"), "TICKET"), (std::vector<std::string>{"000001", "000003", "000005"}));

    const auto first = restore("JAN");
    EXPECT_EQ(outcomes(first), std::vector<Outcome>(13, Outcome::Done));
    EXPECT_EQ(first[0].detail, "from " + site.backup() + "JAN1.DBF: 2 appended, 0 recalled, 1 already there");
    std::vector<std::string> tickets = site.column(site.pathOf("Wdata1"), "TICKET");
    std::sort(tickets.begin(), tickets.end());
    EXPECT_EQ(tickets, (std::vector<std::string>{"000001", "000002", "000003", "000004", "000005"}));
    EXPECT_EQ(site.column(site.pathOf("Money1"), "TICKET").size(), 3u);

    const auto second = restore("JAN");
    for (const auto& r : second)
        EXPECT_NE(r.detail.find(": 0 appended, 0 recalled"), std::string::npos) << r.name << ": " << r.detail;
    EXPECT_EQ(site.column(site.pathOf("Wdata1"), "TICKET").size(), 5u);
    EXPECT_TRUE(site.problems("Wdata1").empty()) << ::testing::PrintToString(site.problems("Wdata1"));
}

TEST_F(BackupRestoreTest, RestoringBringsBackAPurgedTicketAndUnmarksAMarkedOne)
{
    backup("JAN");
    site.prompts.answers = {true, true};  // the purge, and its first table only
    mainttest::purge();
    site.mark(site.pathOf("Wdata1"), "TICKET", "000003");
    ASSERT_EQ(site.column(site.pathOf("Wdata1"), "TICKET"), (std::vector<std::string>{"000001", "000003*", "000005"}));
    const auto results = restore("JAN");
    EXPECT_EQ(results[0].detail, "from " + site.backup() + "JAN1.DBF: 2 appended, 1 recalled, 0 already there");
    EXPECT_EQ(site.column(site.pathOf("Wdata1"), "TICKET"),
              (std::vector<std::string>{"000001", "000003", "000005", "000002", "000004"}));
    // The ticket marked before the backup stays gone: the backup holds no marked records.
    EXPECT_EQ(site.column(site.pathOf("Wdata1"), "STAT"), (std::vector<std::string>{"2", "1", "2", "2", "2"}));
}

TEST_F(BackupRestoreTest, ABackupOfAnotherStructureIsRefusedAndTheOtherTablesRestored)
{
    backup("JAN");
    // A JAN1 whose QTY is wider than the table's: copying by name would change the numbers' field.
    auto fields = storage::fieldSpecs(storage::findTable("Wdata1")->fields);
    for (auto& f : fields)
        if (f.name == "QTY")
            f.length = 14;
    ASSERT_TRUE(storage::Table::create(site.backup() + "JAN1.DBF", fields, true).ok());
    site.mark(site.pathOf("Wdata2"), "TICKET", "000001");
    const std::string table = testsupport::readFile(site.pathOf("Wdata1"));
    const auto results = restore("JAN");
    EXPECT_EQ(results[0].outcome, Outcome::Failed);
    EXPECT_EQ(results[1].outcome, Outcome::Done);
    EXPECT_EQ(testsupport::readFile(site.pathOf("Wdata1")), table);
    EXPECT_EQ(mainttest::shownWithTitles(site.prompts),
              std::vector<std::string>{"ส่วนการอ่านข้อมูล|โครงสร้างของแฟ้ม JAN1 ไม่ตรงกับแฟ้ม WDATA1"});
    EXPECT_EQ(site.column(site.pathOf("Wdata2"), "TICKET"), (std::vector<std::string>{"000001", "000002"}));
}

TEST_F(BackupRestoreTest, AMissingBackupIsToldForEachTable)
{
    const auto results = restore("FEB");
    EXPECT_EQ(outcomes(results), std::vector<Outcome>(13, Outcome::Failed));
    const auto texts = mainttest::shownWithTitles(site.prompts);
    ASSERT_EQ(texts.size(), 13u);
    EXPECT_EQ(texts[0], "ส่วนการอ่านแฟ้นสำเนาข้อมูล|ไม่พบแฟ้ม FEB1");
    EXPECT_EQ(texts[12], "ส่วนการอ่านแฟ้นสำเนาข้อมูล|ไม่พบแฟ้ม FEBD");
}

// ---- Code tables

class CodeRestoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        site.load("Farmer", "CODE,NAME\nF001,นายสมศักดิ์ ทองดี\nF002,นางสาวมาลี ศรีสุข\nF003,นายมานะ ใจดี\n");
        site.load("Company", "CODE,NAME\nC001,บริษัท ข้าวไทยส่งออก จำกัด\n");
        ASSERT_EQ(outcomes(maintenance::FGBACKUP2(nullptr)), std::vector<Outcome>(12, Outcome::Done));
        site.load("Farmer", "CODE,NAME\nF009,นายใหม่\n");
        site.mark(site.pathOf("Farmer"), "CODE", "F001");
        site.prompts.answers = std::deque<bool>(12, true);
    }
    bool seekFarmer(const std::string& code)
    {
        storage::Workspace ws;
        EXPECT_TRUE(storage::OPEN(ws, site.tables(), "Farmer", "CODE", false, "Farmer", "Farmer"));
        EXPECT_TRUE(ws.current()->seek(code).ok());
        return ws.current()->found();
    }
    Site site;
};

TEST_F(CodeRestoreTest, CodeTablesComeBackWholeWithIndexesForTheRestoredFiles)
{
    Recorder progress;
    const auto results = maintenance::FGRESTORE2(&progress);
    EXPECT_EQ(outcomes(results), std::vector<Outcome>(12, Outcome::Done));
    EXPECT_EQ(progress.steps.size(), 12u);
    EXPECT_EQ(site.column(site.pathOf("Farmer"), "CODE"), (std::vector<std::string>{"F001", "F002", "F003"}));
    EXPECT_TRUE(site.problems("Farmer").empty()) << ::testing::PrintToString(site.problems("Farmer"));
    EXPECT_TRUE(seekFarmer("F003"));
    EXPECT_FALSE(seekFarmer("F009"));
    EXPECT_EQ(mainttest::shown(site.prompts).front(), "เขียนทับแฟ้ม " + site.tables() + "FARMER.DBF ?");
    for (const auto& e : fs::directory_iterator(site.tables()))
        EXPECT_NE(e.path().extension(), ".part") << e.path();
}

TEST_F(CodeRestoreTest, ATableAnotherWorkstationHasOpenIsNotReplaced)
{
    const std::string path = site.pathOf("Farmer");
    std::vector<maintenance::StepResult> results;
    const std::string before = testsupport::readFile(path);
    {
        storagetest::HeldTable other(path);
        ASSERT_TRUE(other.open());
        results = maintenance::FGRESTORE2(nullptr);
    }
    EXPECT_EQ(results[0].outcome, Outcome::Failed);
    EXPECT_EQ(results[1].outcome, Outcome::Done);
    EXPECT_EQ(testsupport::readFile(path), before);
    EXPECT_EQ(mainttest::shownWithTitles(site.prompts)[1], "ส่วนการทำสำเนาข้อมูล|FARMERถูกใช้งานอยู่");
}

TEST_F(CodeRestoreTest, ACodeTableBackupOfAnotherStructureIsRefused)
{
    ASSERT_TRUE(storage::Table::create(site.backup() + "COMPANY.DBF", {{"CODE", storage::FieldType::Character, 8, 0}}, true)
                    .ok());
    const std::string before = testsupport::readFile(site.pathOf("Company"));
    const auto results = maintenance::FGRESTORE2(nullptr);
    EXPECT_EQ(results[1].outcome, Outcome::Failed);
    EXPECT_EQ(testsupport::readFile(site.pathOf("Company")), before);
    const auto texts = mainttest::shown(site.prompts);
    EXPECT_NE(std::find(texts.begin(), texts.end(),
                        "โครงสร้างของแฟ้ม " + site.backup() + "COMPANY.DBF ไม่ตรงกับแฟ้ม " + site.tables() + "COMPANY.DBF"),
              texts.end());
}

TEST_F(CodeRestoreTest, RestoringTheRunningNumbersNeverSetsASeriesBack)
{
    // Since the backup two purchase tickets took their numbers and a series was added; in the
    // backup another series stands further on.
    EXPECT_EQ(storage::CONSEC(site.tables(), "TRK01", "W"), "000001");
    EXPECT_EQ(storage::CONSEC(site.tables(), "TRK01", "W"), "000002");
    site.load("Consec", "CODE,NAME,CSNO\nTST01,ทดสอบ,7\n");
    site.set(site.backup() + "CONSEC.DBF", "CODE", "TRK02", "CSNO", "9");
    const auto results = maintenance::FGRESTORE2(nullptr);
    ASSERT_EQ(results[10].name, "CONSEC.DBF");
    EXPECT_EQ(results[10].outcome, Outcome::Done);
    EXPECT_NE(results[10].detail.find("; 2 series kept ahead"), std::string::npos) << results[10].detail;
    const std::pair<const char*, const char*> next[] = {
        {"TRK01", "000003"}, {"TRK02", "000009"}, {"TRK03", "000001"}, {"TST01", "000007"}};
    for (const auto& [series, number] : next)
        EXPECT_EQ(storage::CONSEC(site.tables(), series, "R"), number) << series;
    EXPECT_TRUE(site.problems("Consec").empty()) << ::testing::PrintToString(site.problems("Consec"));
}

TEST_F(CodeRestoreTest, ASeriesTheBackupHoldsMarkedDeletedKeepsItsLiveNumber)
{
    EXPECT_EQ(storage::CONSEC(site.tables(), "TRK01", "W"), "000001");
    EXPECT_EQ(storage::CONSEC(site.tables(), "TRK01", "W"), "000002");
    ASSERT_EQ(site.mark(site.backup() + "CONSEC.DBF", "CODE", "TRK01"), 1);
    const auto results = maintenance::FGRESTORE2(nullptr);
    EXPECT_EQ(results[10].outcome, Outcome::Done);
    EXPECT_EQ(storage::CONSEC(site.tables(), "TRK01", "W"), "000003");
    const auto codes = site.column(site.pathOf("Consec"), "CODE");
    EXPECT_EQ(std::count(codes.begin(), codes.end(), "TRK01"), 1) << ::testing::PrintToString(codes);
    EXPECT_TRUE(site.problems("Consec").empty()) << ::testing::PrintToString(site.problems("Consec"));
}

}  // namespace
