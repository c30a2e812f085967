// Backups and restores of the transaction tables (on a site with records on both sides of
// January), of the code tables and of the weighing evidence, whose chain a restore only ever
// lengthens at its end. A backup never replaces a file half way; a restore never doubles a record.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/settings.h"
#include "maintenance_fixture.h"
#include "storage/catalogue.h"
#include "storage/fault_fs.h"
#include "storage/held_table.h"
#include "storage/ops.h"
#include "storage/own_table.h"
#include "storage/table.h"
#include "support/temp_dir.h"
#include "weighing/evidence.h"

namespace fs = std::filesystem;
using maintenance::Outcome;
using namespace mainttest;
using testsupport::readFile;

namespace {

class BackupRestoreTest : public ::testing::Test {
protected:
    void SetUp() override { mainttest::loadJanuary(site); }
    Strings backupFiles() const
    {
        Strings out;
        for (const auto& e : fs::directory_iterator(site.backup()))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    Site site;
};

TEST_F(BackupRestoreTest, BackupNamesAreOneToSevenLettersOrDigits)
{
    const std::pair<const char*, const char*> cases[] = {
        {"jan", "JAN"},   {"A1B2C3D", "A1B2C3D"}, {"7", "7"},     {"", ""},       {"JA.N", ""},
        {"../X", ""},     {"A\\B", ""},            {"ABCDEFGH", ""}, {"JAN ", ""},   {"ม.ค.", ""},
        // Names whose receipt-lines copy (suffix C) would be a ledger's or a code table's copy, or
        // whose evidence copy (suffix E) would be the warehouses' (WHOUSE).
        {"arac", ""},     {"CONSE", ""},          {"APA", "APA"}, {"WHOUS", ""},  {"WHOU", "WHOU"},
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
        EXPECT_EQ(site.prompts.titledTexts(), Strings{"ส่วนการทำสำเนาข้อมูล|" + why});
    }
    EXPECT_TRUE(backupFiles().empty());
}

TEST_F(BackupRestoreTest, ABackupFolderThatIsOrLiesInALiveFolderIsRefused)
{
    const std::string folders[] = {site.data(), site.data() + "OLD/", site.dir() + "/./DATA/../DATA", site.tables(),
                                   site.tables() + "SAVE/"};
    const std::string data = site.bytesOf("Wdata1"), codes = site.bytesOf("Farmer");
    for (const std::string& folder : folders) {
        SCOPED_TRACE(folder);
        fs::create_directories(folder);
        core::programSettings().setText("CDRV3", folder);
        site.prompts.shown.clear();
        site.prompts.answers = std::deque<bool>(32, true);
        for (const auto& results : {backup("JAN"), maintenance::FGBACKUP2(nullptr), restore("JAN"),
                                    maintenance::FGRESTORE2(nullptr)})
            EXPECT_EQ(outcomes(results), std::vector<Outcome>{Outcome::Failed});
        ASSERT_EQ(site.prompts.shown.size(), 4u);
        EXPECT_NE(site.prompts.texts()[0].find("เพราะอยู่ในโฟลเดอร์แฟ้มข้อมูล "), std::string::npos);
        EXPECT_EQ(site.bytesOf("Wdata1"), data);
        EXPECT_EQ(site.bytesOf("Farmer"), codes);
    }
    // A folder beside them, whose name merely begins like one of theirs, is fine.
    core::programSettings().setText("CDRV3", site.dir() + "/DATA2/");
    fs::create_directories(site.dir() + "/DATA2/");
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
    EXPECT_TRUE(results[5].detail.ends_with("1 held with other values (left as they are): 000001"))
        << results[5].detail;
    EXPECT_EQ(site.columnOf("Wdata1"), (Strings{"000001", "000002", "000003", "000004", "000005", "000006*"}));
    EXPECT_EQ(site.columnOf("Wdata1", "TMIN")[1], "08:30:00");
    EXPECT_EQ(site.columnOf("Money1").size(), 3u);
    EXPECT_EQ(site.problems("Wdata1"), Strings{});
}

// The previous backup stays whole when a copy over it fails half way, and is replaced table by
// table only where the question is answered Yes.
TEST_F(BackupRestoreTest, AnExistingBackupIsReplacedOnlyWhenTheQuestionIsAnsweredYes)
{
    EXPECT_EQ(outcomes(backup("JAN")), std::vector<Outcome>(17, Outcome::Done));
    // The money and detail tables are chosen by their own dates; the ledgers are copied whole.
    EXPECT_EQ(site.column(site.backup() + "JAN6.DBF", "TICKET"), Strings{"000001"});
    EXPECT_EQ(site.column(site.backup() + "JANB.DBF", "RECORD"), Strings{"R1"});
    for (const char* f : {"STOCK.DBF", "APACC.DBF", "ARACC.DBF", "ORACC.DBF"})
        EXPECT_EQ(readFile(site.backup() + f), readFile(site.data() + f)) << f;
    const std::string before = readFile(site.backup() + "JAN1.DBF");
    site.load("Wdata1", "TICKET,STAT,DAYIN,TMIN\n000007,2,20260105,07:00:00\n");
    site.load("Wdata2", "TICKET,STAT,DAYIN,TMIN\n000003,2,20260105,07:00:00\n");
    site.prompts.answers = {true};
    {
        storagetest::FaultFileSystem failing;
        failing.failWrite = 2;
        EXPECT_EQ(maintenance::BACKLOOP({site.data(), "WDATA1", site.backup(), "JAN1", maintenance::DateMode::Weighing,
                                         kJanuary})
                      .outcome,
                  Outcome::Failed);
    }
    EXPECT_FALSE(site.faults.faults.empty());
    EXPECT_EQ(readFile(site.backup() + "JAN1.DBF"), before);
    EXPECT_FALSE(fs::exists(site.backup() + "JAN1.DBF.part"));

    site.prompts.shown.clear();
    site.prompts.answers = {false, true};  // keep JAN1, replace JAN2; the rest are answered No
    std::vector<Outcome> expected(17, Outcome::Declined);
    expected[1] = Outcome::Done;
    EXPECT_EQ(outcomes(backup("JAN")), expected);
    EXPECT_EQ(site.column(site.backup() + "JAN1.DBF", "TICKET"), (Strings{"000002", "000003", "000004"}));
    EXPECT_EQ(site.column(site.backup() + "JAN2.DBF", "TICKET"), (Strings{"000001", "000003"}));
    ASSERT_EQ(site.prompts.shown.size(), 17u);
    EXPECT_TRUE(site.prompts.shown[0].question);
    EXPECT_EQ(site.prompts.titledTexts()[0], "ส่วนการทำสำเนาข้อมูล|เขียนทับแฟ้ม " + site.backup() + "JAN1.DBF ?");
}

TEST_F(BackupRestoreTest, AMissingFileIsToldAndTheOtherTablesAreCopied)
{
    fs::remove(site.data() + "MONEY2.DBF");
    const auto results = backup("JAN");
    EXPECT_EQ(results[6].outcome, Outcome::Failed);
    EXPECT_EQ(done(results), 16);
    EXPECT_EQ(site.prompts.titledTexts(), Strings{"ส่วนการทำสำเนาข้อมูล|ไม่พบแฟ้ม " + site.data() + "MONEY2.DBF"});
}

TEST_F(BackupRestoreTest, RestoringBringsBackPurgedTicketsUnmarksAMarkedOneAndAppendsNothingTwice)
{
    backup("JAN");
    site.prompts.answers = std::deque<bool>(14, true);
    purge();
    site.mark(site.pathOf("Wdata1"), "TICKET", "000003");
    ASSERT_EQ(site.columnOf("Wdata1"), (Strings{"000001", "000003*", "000005"}));
    ASSERT_EQ(site.columnOf("Money1"), (Strings{"000002", "000003"}));

    const auto first = restore("JAN");
    EXPECT_EQ(outcomes(first), std::vector<Outcome>(13, Outcome::Done));
    EXPECT_EQ(first[0].detail, "from " + site.backup() + "JAN1.DBF: 2 appended, 1 recalled, 0 already there");
    EXPECT_EQ(site.columnOf("Wdata1"), (Strings{"000001", "000003", "000005", "000002", "000004"}));
    // The ticket marked before the backup stays gone: the backup holds no marked records.
    EXPECT_EQ(site.columnOf("Wdata1", "STAT"), (Strings{"2", "1", "2", "2", "2"}));
    EXPECT_EQ(site.columnOf("Money1").size(), 3u);

    for (const auto& r : restore("JAN"))
        EXPECT_NE(r.detail.find(": 0 appended, 0 recalled"), std::string::npos) << r.name << ": " << r.detail;
    EXPECT_EQ(site.columnOf("Wdata1").size(), 5u);
    EXPECT_EQ(site.problems("Wdata1"), Strings{});
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
    const std::string table = site.bytesOf("Wdata1");
    const auto results = restore("JAN");
    const auto got = outcomes(results);
    EXPECT_EQ(std::vector(got.begin(), got.begin() + 2), (std::vector<Outcome>{Outcome::Failed, Outcome::Done}));
    EXPECT_EQ(site.bytesOf("Wdata1"), table);
    EXPECT_EQ(site.prompts.titledTexts(), Strings{"ส่วนการอ่านข้อมูล|โครงสร้างของแฟ้ม JAN1 ไม่ตรงกับแฟ้ม WDATA1"});
    EXPECT_EQ(site.columnOf("Wdata2"), (Strings{"000001", "000002"}));
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
    Site site;
};

// Since the backup two purchase tickets took their numbers and a series was added; in the backup
// another series stands further on and the purchases' series is marked deleted. No series goes back.
TEST_F(CodeRestoreTest, CodeTablesComeBackWholeWithIndexesAndNoSeriesGoesBack)
{
    EXPECT_EQ(storage::CONSEC(site.tables(), "TRK01", "W"), "000001");
    EXPECT_EQ(storage::CONSEC(site.tables(), "TRK01", "W"), "000002");
    site.load("Consec", "CODE,NAME,CSNO\nTST01,ทดสอบ,7\n");
    site.set(site.backup() + "CONSEC.DBF", "CODE", "TRK02", "CSNO", "9");
    ASSERT_EQ(site.mark(site.backup() + "CONSEC.DBF", "CODE", "TRK01"), 1);
    const auto results = maintenance::FGRESTORE2(nullptr);
    EXPECT_EQ(outcomes(results), std::vector<Outcome>(12, Outcome::Done));
    EXPECT_EQ(site.columnOf("Farmer", "CODE"), (Strings{"F001", "F002", "F003"}));
    EXPECT_EQ(site.problems("Farmer"), Strings{});  // the index built again over the restored records
    EXPECT_EQ(site.prompts.texts().front(), "เขียนทับแฟ้ม " + site.tables() + "FARMER.DBF ?");
    for (const auto& e : fs::directory_iterator(site.tables()))
        EXPECT_NE(e.path().extension(), ".part") << e.path();

    ASSERT_EQ(results[10].name, "CONSEC.DBF");
    EXPECT_NE(results[10].detail.find("; 2 series kept ahead"), std::string::npos) << results[10].detail;
    const std::pair<const char*, const char*> next[] = {
        {"TRK01", "000003"}, {"TRK02", "000009"}, {"TRK03", "000001"}, {"TST01", "000007"}};
    for (const auto& [series, number] : next)
        EXPECT_EQ(storage::CONSEC(site.tables(), series, "R"), number) << series;
    const auto codes = site.columnOf("Consec", "CODE");
    EXPECT_EQ(std::count(codes.begin(), codes.end(), "TRK01"), 1) << ::testing::PrintToString(codes);
    EXPECT_EQ(site.problems("Consec"), Strings{});
}

// A table another workstation has open is not replaced; a backup of another structure is refused.
TEST_F(CodeRestoreTest, AHeldTableOrABackupOfAnotherStructureIsLeftAsItIs)
{
    ASSERT_TRUE(storage::Table::create(site.backup() + "COMPANY.DBF", {{"CODE", storage::FieldType::Character, 8, 0}}, true)
                    .ok());
    const std::string farmer = site.bytesOf("Farmer"), company = site.bytesOf("Company");
    std::vector<maintenance::StepResult> results;
    {
        storagetest::HeldTable other(site.pathOf("Farmer"));
        ASSERT_TRUE(other.open());
        results = maintenance::FGRESTORE2(nullptr);
    }
    const auto got = outcomes(results);
    EXPECT_EQ(std::vector(got.begin(), got.begin() + 3),
              (std::vector<Outcome>{Outcome::Failed, Outcome::Failed, Outcome::Done}));
    EXPECT_EQ(site.bytesOf("Farmer"), farmer);
    EXPECT_EQ(site.bytesOf("Company"), company);
    const auto texts = site.prompts.titledTexts();
    EXPECT_EQ(texts[1], "ส่วนการทำสำเนาข้อมูล|FARMERถูกใช้งานอยู่");
    const std::string refused =
        "ส่วนการทำสำเนาข้อมูล|โครงสร้างของแฟ้ม " + site.backup() + "COMPANY.DBF ไม่ตรงกับแฟ้ม " + site.tables() + "COMPANY.DBF";
    EXPECT_NE(std::find(texts.begin(), texts.end(), refused), texts.end()) << ::testing::PrintToString(texts);
}

// ---- The weighing evidence

class EvidenceBackupTest : public ::testing::Test {
protected:
    std::string live() const { return site.data() + storage::kEvidenceFile; }
    void weigh(double kg)
    {
        weighing::evidence::Event e;  // designated initializers would warn of the fields left out
        e.kind = 1;
        e.ticket = "000001";
        e.event = "WEIGH1";
        e.weight = kg;
        e.source = 'I';
        ASSERT_TRUE(weighing::evidence::append(site.data(), e).ok());
    }
    // The evidence's line of a restore.
    maintenance::StepResult restoreEvidence(const std::string& name)
    {
        const auto results = restore(name);
        EXPECT_EQ(results.size(), 14u);
        return results.empty() ? maintenance::StepResult{} : results.back();
    }
    bool chainHolds() const
    {
        const auto v = weighing::evidence::verify(site.data());
        return v.findings.empty() && v.problems.empty();
    }
    Site site;
};

TEST_F(EvidenceBackupTest, ABackupCopiesTheChainWholeAndARestoreOnlyEverLengthensItAtItsEnd)
{
    EXPECT_EQ(backup("nochain").size(), 17u) << "a site without evidence has nothing more to copy";
    EXPECT_FALSE(fs::exists(site.backup() + "NOCHAINE.DBF"));
    weigh(1000);
    weigh(2000);
    const auto results = backup("two");
    ASSERT_EQ(results.size(), 18u);  // the chain after the ledgers
    EXPECT_EQ(results.back().name, storage::kEvidenceFile);
    EXPECT_EQ(results.back().outcome, Outcome::Done);
    EXPECT_EQ(readFile(site.backup() + "TWOE.DBF"), readFile(live()));
    weigh(3000);
    backup("three");
    // A restore of a backup made before the site had evidence reads back no evidence.
    EXPECT_EQ(restore("nochain").size(), 13u);
    // A purge never cuts records out of the chain.
    site.prompts.answers.assign(20, true);
    const std::string before = readFile(live());
    const auto purged = purge();
    EXPECT_EQ(purged.size(), 13u);
    for (const auto& r : purged)
        EXPECT_NE(r.name, storage::kEvidenceFile);
    EXPECT_EQ(readFile(live()), before);

    const Strings all = {"1000.00", "2000.00", "3000.00"};
    fs::remove(live());
    const struct {
        const char* backupName;
        Strings weights;     // the live chain after the restore
        const char* detail;  // the end of the result's detail
    } steps[] = {
        {"two", {"1000.00", "2000.00"}, "2 records copied whole"},
        {"three", all, "1 appended, 2 already there"},
        {"three", all, "0 appended, 3 already there"},
        {"two", all, "0 appended, 2 already there, 1 newer than the backup"},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.backupName);
        const maintenance::StepResult r = restoreEvidence(s.backupName);
        EXPECT_EQ(r.outcome, Outcome::Done);
        EXPECT_TRUE(r.detail.ends_with(s.detail)) << r.detail;
        EXPECT_EQ(site.column(live(), "WEIGHT"), s.weights);
        EXPECT_TRUE(chainHolds());
    }
    // A live chain that differs from the backup is left as it is: no record is matched by a key.
    site.set(live(), "WEIGHT", "2000.00", "WEIGHT", "2500");
    const std::string changed = readFile(live());
    const maintenance::StepResult r = restoreEvidence("three");
    EXPECT_TRUE(r.detail.ends_with("record 2 differs from the backup, the table left as it is")) << r.detail;
    EXPECT_EQ(readFile(live()), changed);
    EXPECT_FALSE(chainHolds());
}

}  // namespace
