// The maintenance commands of mervo-admin as a scheduler runs them: the line per table, the
// program's Thai messages and questions printed with the answers the flags give, the exit codes,
// verify-ledgers and verify-evidence.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/ini_file.h"
#include "maintenance_fixture.h"
#include "scripted_day.h"
#include "storage/table.h"
#include "support/run_process.h"
#include "support/temp_dir.h"
#include "weighing/evidence.h"

namespace {

using mainttest::Site;
using mainttest::Strings;
using testsupport::lines;
using testsupport::runProcess;

const std::string kAdmin = MERVO_BINARY_DIR "/app/mervo-admin";

bool has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class AdminMaintenanceTest : public ::testing::Test {
protected:
    testsupport::ProcessResult run(std::vector<std::string> args)
    {
        args.insert(args.begin() + 1, site.configFile());
        return runProcess(kAdmin, args);
    }
    Site site;
};

TEST_F(AdminMaintenanceTest, UsageMistakesExitWithTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {"backup", "--name", "JA.N", "--from", "01/01/2026", "--to", "31/01/2026"},
        {"backup", "--name", "JAN", "--from", "1/1/26", "--to", "31/01/2026"},
        {"backup", "--name", "JAN", "--from", "01/02/2026", "--to", "31/01/2026"},
        {"backup", "--codes", "--name", "JAN"},
        {"backup"},
        {"purge", "--from", "01/01/2026", "--to", "31/01/2026"},
        {"restore", "--name", "../X"},  // a name outside the backup folder is refused before any read
        {"restore", "--name", "JAN", "--codes"},
        {"reindex", "--groups", "stock"},
        {"reindex", "--groups", ","},
    };
    for (const auto& c : cases) {
        const auto r = run(c);
        EXPECT_EQ(r.exitCode, 2) << c[0] << " " << (c.size() > 1 ? c[1] + " " + c.back() : "") << "\n" << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    EXPECT_EQ(runProcess(kAdmin, {"verify-ledgers", site.dir() + "/NONE.INI"}).exitCode, 2);
}

// Every command answers --help on stdout and refuses an option it does not know before touching
// anything.
TEST(AdminCommandLine, EveryCommandHasHelpAndRefusesUnknownOptions)
{
    for (const std::string command :
         {"settings", "eval", "weigh", "dump", "check", "init", "load", "consec", "config", "print", "reindex", "backup",
          "purge", "restore", "verify-ledgers", "verify-evidence", "report"}) {
        const auto help = runProcess(kAdmin, {command, "--help"});
        EXPECT_EQ(help.exitCode, 0) << command << help.err;
        EXPECT_TRUE(has(help.out, "usage: mervo-admin " + command + " ")) << help.out;
        const auto refused = runProcess(kAdmin, {command, "ARG", "--bogus"});
        EXPECT_EQ(refused.exitCode, 2) << command;
        EXPECT_TRUE(has(refused.err, "mervo-admin " + command + ": ")) << refused.err;
        EXPECT_TRUE(has(refused.err, "usage: mervo-admin " + command + " ")) << refused.err;
        EXPECT_TRUE(refused.out.empty()) << command << refused.out;
    }
}

TEST_F(AdminMaintenanceTest, TheJobsRunUnattendedWithALinePerTableAndTheAnswersTheFlagsGive)
{
    site.load("Wdata1", "TICKET,STAT,DAYIN,TMIN\n000001,2,20260110,08:00:00\n000002,1,20260111,08:00:00\n");
    const std::vector<std::string> args = {"backup", "--name", "jan", "--from", "01/01/2026", "--to", "31/01/2026"};
    const auto first = run(args);
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const auto out = lines(first.out);
    ASSERT_EQ(out.size(), 17u) << first.out;
    EXPECT_EQ(out[0], "WDATA1.DBF: to .\\BACKUP\\JAN1.DBF: 2 records of 01/01/2026 - 31/01/2026");
    EXPECT_EQ(out[16], "ORACC.DBF: to .\\BACKUP\\ORACC.DBF: 0 records copied whole");

    const auto again = run(args);
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(lines(again.out)[0], "question ส่วนการทำสำเนาข้อมูล: เขียนทับแฟ้ม .\\BACKUP\\JAN1.DBF ? -> no");
    EXPECT_EQ(lines(again.out)[1], "WDATA1.DBF: not done: .\\BACKUP\\JAN1.DBF not overwritten");
    EXPECT_TRUE(has(again.err, "not done for WDATA1.DBF, WDATA2.DBF"));

    auto overwrite = args;
    overwrite.push_back("--overwrite");
    const auto replaced = run(overwrite);
    EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
    EXPECT_TRUE(has(replaced.out, "question ส่วนการทำสำเนาข้อมูล: เขียนทับแฟ้ม .\\BACKUP\\JAN1.DBF ? -> yes"));

    const auto purged = run({"purge", "--from", "01/01/2026", "--to", "31/01/2026", "--yes"});
    ASSERT_EQ(purged.exitCode, 0) << purged.err;
    EXPECT_EQ(lines(purged.out)[0], "question ส่วนสั่งลบข้อมูล: คุณต้องการลบข้อมูล ! -> yes");
    EXPECT_TRUE(has(purged.out, "WDATA1.DBF: 1 record of 01/01/2026 - 31/01/2026 purged, 1 removed, 1 left"));

    // A backup that is not there: told for each of the 13 tables.
    const auto missing = run({"restore", "--name", "FEB"});
    EXPECT_EQ(missing.exitCode, 1);
    const auto said = lines(missing.out);
    ASSERT_EQ(said.size(), 26u) << missing.out;
    EXPECT_EQ(said[0], "message ส่วนการอ่านแฟ้นสำเนาข้อมูล: ไม่พบแฟ้ม FEB1");
    EXPECT_EQ(said[1], "WDATA1.DBF: FAILED: ไม่พบแฟ้ม FEB1");
    EXPECT_EQ(said[24], "message ส่วนการอ่านแฟ้นสำเนาข้อมูล: ไม่พบแฟ้ม FEBD");

    const auto reindexed = run({"reindex", "--groups", "Codes, balances"});
    ASSERT_EQ(reindexed.exitCode, 0) << reindexed.err;
    EXPECT_EQ(lines(reindexed.out).size(), 17u);
    EXPECT_EQ(lines(reindexed.out)[0], "AUDIT.DBF: 0 records, 0 removed; AUDIT.NTX (DTOS(DATE)+TIME) built");

    ASSERT_EQ(run({"backup", "--codes"}).exitCode, 0);
    const auto codes = run({"restore", "--codes"});
    EXPECT_EQ(codes.exitCode, 1);  // every table exists, and nothing is overwritten without --overwrite
    const auto overwritten = run({"restore", "--codes", "--overwrite"});
    EXPECT_EQ(overwritten.exitCode, 0) << overwritten.err;
    EXPECT_TRUE(has(overwritten.out, "FARMER.DBF: from .\\BACKUP\\FARMER.DBF: 0 records copied whole"));
}

// The scripted day is clean (verify_ledgers_test); one balance changed by hand is the one difference.
TEST_F(AdminMaintenanceTest, VerifyLedgersReportsAHandChangedBalanceOnTheScriptedDay)
{
    core::IniFile ini(site.configFile());
    ASSERT_TRUE(ini.set("Misc", "Order", "1"));
    mainttest::loadScriptedDay(site);
    site.set(site.pathOf("ArAcc"), "CODE", "C002", "BALANCE", "250");
    const auto changed = run({"verify-ledgers"});
    EXPECT_EQ(changed.exitCode, 1);
    EXPECT_EQ(lines(changed.out),
              (Strings{"STOCK.DBF: 3 rows, 0 differences", "APACC.DBF: 1 row, 0 differences",
                       "ARACC.DBF: 2 rows, 1 difference",
                       "difference: ARACC.DBF: C002: BALANCE stored 250.00, documents give 200.00, 50.00 not "
                       "explained by documents",
                       "ORACC.DBF: 2 rows, 0 differences", "WDATA1.DBF: 3 rows, 0 differences",
                       "WDATA2.DBF: 1 row, 0 differences", "WDATA3.DBF: 1 row, 0 differences",
                       "WDATA4.DBF: 1 row, 0 differences", "WDATA5.DBF: 1 row, 0 differences"}));
    EXPECT_TRUE(has(changed.err, "1 difference"));
}

// The software identified: the version, and the SHA-256 of the very file that runs.
TEST(AdminVersion, PrintsTheVersionAndTheHashOfItsOwnExecutable)
{
    const auto r = runProcess(kAdmin, {"--version"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto out = lines(r.out);
    ASSERT_EQ(out.size(), 2u) << r.out;
    EXPECT_EQ(out[0].rfind("mervo-admin ", 0), 0u) << out[0];
    const std::string exe = std::filesystem::canonical(kAdmin).string();
    EXPECT_EQ(out[1], "sha256 " + weighing::evidence::sha256Hex(testsupport::readFile(exe)) + "  " + exe);
}

// The weighing evidence from the command line: a ticket older than the evidence is counted apart,
// a weight typed over outside the program after its save is reported, and the exit code follows.
TEST_F(AdminMaintenanceTest, VerifyEvidenceReportsAChangedWeightAndExitsByItsFindings)
{
    site.load("Wdata1", "TICKET,STAT,COMPANY,PRODUCT,DAYIN,TMIN,WIN,DAYOUT,TMOUT,WOUT,QTY,AMOUNT\n"
                        "000001,2,F001,P001,20261201,08:00:00,15000,20261201,08:30:00,12000,3000,21750\n");
    const auto before = run({"verify-evidence"});
    EXPECT_EQ(before.exitCode, 0) << before.err;
    EXPECT_EQ(lines(before.out), (std::vector<std::string>{"1 ticket completed before the evidence began",
                                                           "1 ticket checked, 0 findings"}));

    namespace ev = weighing::evidence;
    {
        std::unique_ptr<storage::Table> t;
        ASSERT_TRUE(storage::Table::open(site.pathOf("Wdata1"), storage::ShareMode::Shared, &t).ok());
        ASSERT_TRUE(t->goTo(1).ok());
        ev::Event save;
        save.kind = 1;
        save.ticket = "000001";
        save.event = "NEW";
        save.values = ev::savedValues(*t);
        ASSERT_TRUE(ev::append(site.data(), save).ok());
    }
    EXPECT_EQ(run({"verify-evidence"}).exitCode, 0);
    site.set(site.pathOf("Wdata1"), "TICKET", "000001", "WOUT", "12400");
    const auto changed = run({"verify-evidence", "--from", "01/12/2026", "--to", "31/12/2026"});
    EXPECT_EQ(changed.exitCode, 1);
    EXPECT_EQ(lines(changed.out), (std::vector<std::string>{"changed: WDATA1.DBF: 000001: WOUT stored 12400, evidence 12000",
                                                            "1 ticket checked, 1 finding"}));
    EXPECT_EQ(run({"verify-evidence", "--from", "1/12/26"}).exitCode, 2);
}

}  // namespace
