// The error trap: which faults reach the dialog, what each choice does, the Error.log report with
// the open work areas of the workspaces in use, and the escaped-exception boundary.
#include "errors/error_trap.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "core/identity.h"
#include "errors/guard.h"
#include "errors/work_areas.h"
#include "storage/table.h"
#include "storage/workspace.h"
#include "support/seams.h"
#include "support/temp_dir.h"

namespace {

class ScriptedDialog final : public errors::ErrorDialog {
public:
    Choice choose(const std::string& description, const std::vector<std::string>&, bool canRetry,
                  bool canDefault) override
    {
        shown.push_back({description, canRetry, canDefault});
        if (onChoose)
            onChoose();
        return answer;
    }
    void stop(const std::string& text) override { stops.push_back(text); }

    struct Shown {
        std::string description;
        bool canRetry, canDefault;
    };
    std::vector<Shown> shown;
    std::vector<std::string> stops;
    Choice answer = Choice::Default;
    std::function<void()> onChoose;
};

core::Fault fault(int gen, bool retry, bool def, std::string description = "Argument error")
{
    return {.genCode = gen, .subsystem = "BASE", .subCode = 1081, .description = std::move(description),
            .fileName = {}, .operation = "+", .args = {core::Value::text("A"), core::Value::number(1)},
            .canRetry = retry, .canDefault = def};
}

struct TrapFixture : ::testing::Test {
    TrapFixture()
        : trap(dialog, errors::Environment{{}, {}, "test", [this] { return loopRunning; },
                                           [this](int code) { exitCodes.push_back(code); }})
    {
        trap.setLogPath(dir.file("Error.log"));
    }
    std::string log() const { return testsupport::readFile(dir.file("Error.log")); }

    testsupport::TempDir dir;
    ScriptedDialog dialog;
    bool loopRunning = true;
    std::vector<int> exitCodes;
    errors::ErrorTrap trap;
};

TEST_F(TrapFixture, QuietFaultsNeverReachTheDialogAndTheOthersOfferWhatTheyAllow)
{
    EXPECT_EQ(core::raise(fault(core::EG_ZERODIV, false, true)), core::FaultAnswer::Default);
    EXPECT_EQ(core::raise(fault(core::EG_APPENDLOCK, true, true)), core::FaultAnswer::Default);
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_TRUE(log().empty());
    // An open refused by another workstation (EACCES, EAGAIN) is quiet; EIO (5, a sharing number elsewhere) is shown.
    const std::pair<int, bool> cases[] = {{EACCES, true}, {EAGAIN, true}, {EIO, false}, {0, false}};
    for (const auto& [osCode, quiet] : cases) {
        dialog.shown.clear();
        trap.clearNetErr();
        core::Fault open = fault(core::EG_OPEN, true, true);
        open.osCode = osCode;
        EXPECT_EQ(core::raise(open), core::FaultAnswer::Default);
        EXPECT_EQ(dialog.shown.empty(), quiet) << osCode;
        EXPECT_EQ(trap.netErr(), quiet) << osCode;
    }

    // Neither retry nor default: only quit. Retry needs a running main loop. A fault inside the trap stops.
    dialog.shown.clear();
    core::raise(fault(core::EG_ARG, false, false));
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_FALSE(dialog.shown[0].canRetry || dialog.shown[0].canDefault);
    EXPECT_EQ(dialog.shown[0].description, "Error BASE/1081  Argument error: +");
    EXPECT_EQ(exitCodes, std::vector<int>{1});

    dialog.answer = ScriptedDialog::Choice::Retry;
    EXPECT_EQ(core::raise(fault(core::EG_OPEN, true, true)), core::FaultAnswer::Retry);
    EXPECT_EQ(exitCodes.size(), 1u);
    loopRunning = false;
    core::raise(fault(core::EG_OPEN, true, true));
    EXPECT_EQ(exitCodes, (std::vector<int>{1, 1}));

    dialog.answer = ScriptedDialog::Choice::Default;
    dialog.onChoose = [] { core::raise(fault(core::EG_ARG, false, true, "nested")); };
    core::raise(fault(core::EG_ARG, false, true));
    EXPECT_EQ(dialog.stops, std::vector<std::string>{"Error BASE/1081  nested: + from Errorsys, line:  0"});
    EXPECT_EQ(exitCodes, (std::vector<int>{1, 1, 1}));
}

TEST_F(TrapFixture, LogNamesTheFaultAndEachFaultReplacesIt)
{
    core::raise(fault(core::EG_ARG, false, true, "first fault"));
    const std::string first = log();
    EXPECT_NE(first.find("   Error description: Error BASE/1081  first fault: +\r\n"), std::string::npos);
    EXPECT_NE(first.find("     [   1] = C   A\r\n"), std::string::npos);
    EXPECT_EQ(first.find("   Program: "), std::string::npos);  // no identity installed

    // With the program's identity installed, the application's section names it.
    core::setIdentitySource([] { return std::string("mervo 9.9 sha256 0123abcd"); });
    core::raise(fault(core::EG_ARG, false, true, "second fault"));
    core::setIdentitySource(nullptr);
    const std::string second = log();
    EXPECT_EQ(second.find("first fault"), std::string::npos);
    EXPECT_NE(second.find("second fault"), std::string::npos);
    EXPECT_EQ(dialog.shown.size(), 2u);  // the whole trap is back after a default
    const auto program = second.find("   Program: mervo 9.9 sha256 0123abcd\r\n");
    ASSERT_NE(program, std::string::npos) << second;
    EXPECT_LT(program, second.find("Stack Calls"));
}

void makeTable(const std::string& path, const std::vector<std::string>& codes)
{
    ASSERT_TRUE(storage::Table::create(path, {{"CODE", storage::FieldType::Character, 10, 0},
                                              {"PARENT", storage::FieldType::Character, 10, 0}})
                    .ok());
    std::unique_ptr<storage::Table> t;
    ASSERT_TRUE(storage::Table::open(path, storage::ShareMode::Exclusive, &t).ok());
    for (const std::string& c : codes) {
        ASSERT_TRUE(t->append().ok());
        ASSERT_TRUE(t->put("CODE", core::Value::text(c)).ok());
        ASSERT_TRUE(t->put("PARENT", core::Value::text(c)).ok());
    }
    ASSERT_TRUE(t->close().ok());
}

// Every open table of the workspaces in use, with its position, orders and relations.
TEST_F(TrapFixture, TheReportListsTablesOrdersAndRelationsOfTheWorkspacesInUse)
{
    makeTable(dir.file("FARMER.DBF"), {"A", "B", "C"});
    makeTable(dir.file("TRUCK.DBF"), {"B"});
    storage::Workspace ws;
    storage::Table* truck = nullptr;
    ASSERT_TRUE(ws.open("Truck", dir.file("TRUCK.DBF"), storage::ShareMode::Shared, &truck).ok());
    ASSERT_TRUE(truck->createOrder(dir.file("TRUCK.NTX"), "CODE").ok());
    ASSERT_TRUE(truck->setOrder(1).ok());
    storage::Table* farmer = nullptr;
    ASSERT_TRUE(ws.open("Farmer", dir.file("FARMER.DBF"), storage::ShareMode::Shared, &farmer).ok());
    ASSERT_TRUE(farmer->goTo(2).ok());
    ASSERT_TRUE(ws.setRelation("Farmer", "Truck", "PARENT").ok());

    const errors::WorkspaceInUse inUse(ws);
    errors::ErrorTrap withAreas(dialog, errors::Environment{[] { return errors::workAreasInUse(); }, {}, "test",
                                                            {}, [](int) {}});
    const std::string report = withAreas.report(fault(core::EG_ARG, false, true));
    for (const char* line : {"  1:    Truck          ", "  2: => Farmer         ",
                             "           1          1    .F.   .F.\r\n",  // the relation found B
                             "           2          3    .F.   .F.\r\n",
                             "        => CODE                               TRUCK\r\n",
                             "        1: TO PARENT INTO Truck\r\n"}) {
        EXPECT_NE(report.find(line), std::string::npos) << line << "\n" << report;
    }
    EXPECT_EQ(errors::workAreasInUse().size(), 2u);
    errors::closeAllInUse();
    EXPECT_TRUE(errors::workAreasInUse().empty());
}

TEST(Guard, AnEscapedExceptionIsAFaultWithQuitOnly)
{
    testsupport::RecordingFaultHandler faults(core::FaultAnswer::Quit);
    EXPECT_TRUE(errors::runGuarded("TRPROC1", [] {}));
    EXPECT_FALSE(errors::runGuarded("TRPROC1", [] { throw std::out_of_range("vector::at"); }));
    EXPECT_FALSE(errors::runGuarded("REPORT", [] { throw 42; }));
    ASSERT_EQ(faults.faults.size(), 2u);
    EXPECT_EQ(core::errorMessage(faults.faults[0]), "Error MERVO/9001  std::out_of_range: vector::at: TRPROC1");
    EXPECT_EQ(core::errorMessage(faults.faults[1]), "Error MERVO/9001  unknown exception: REPORT");
    for (const core::Fault& f : faults.faults)
        EXPECT_FALSE(f.canRetry || f.canDefault);
}

}  // namespace
