// The work areas the error trap reports: every open table of the workspaces in use, with its
// position, orders and relations, and the escaped-exception boundary.
#include <gtest/gtest.h>

#include "errors/error_trap.h"
#include "errors/guard.h"
#include "errors/work_areas.h"
#include "storage/table.h"
#include "storage/workspace.h"
#include "support/seams.h"
#include "support/temp_dir.h"

namespace {

class NullDialog final : public errors::ErrorDialog {
public:
    Choice choose(const std::string&, const std::vector<std::string>&, bool, bool) override { return Choice::Default; }
    void stop(const std::string&) override {}
};

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

TEST(WorkAreas, TheReportListsTablesOrdersAndRelationsOfTheWorkspacesInUse)
{
    testsupport::TempDir dir;
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
    const auto areas = errors::workAreasInUse();
    ASSERT_EQ(areas.size(), 2u);
    EXPECT_EQ(areas[0].number, 1);
    EXPECT_EQ(areas[0].alias, "Truck");
    ASSERT_EQ(areas[0].orders.size(), 1u);
    EXPECT_EQ(areas[0].orders[0].key, "CODE");
    EXPECT_EQ(areas[0].orders[0].name, "TRUCK");
    EXPECT_TRUE(areas[0].orders[0].controlling);
    EXPECT_EQ(areas[0].recNo, 1);  // the relation found B
    EXPECT_TRUE(areas[1].current);
    EXPECT_EQ(areas[1].recNo, 2);
    EXPECT_EQ(areas[1].recCount, 3);
    ASSERT_EQ(areas[1].relations.size(), 1u);
    EXPECT_EQ(areas[1].relations[0].expression, "PARENT");
    EXPECT_EQ(areas[1].relations[0].target, "Truck");

    NullDialog dialog;
    errors::ErrorTrap trap(dialog, errors::Environment{[] { return errors::workAreasInUse(); }, {}, "test", {},
                                                       [](int) {}});
    core::Fault f;
    f.genCode = core::EG_ARG;
    f.subsystem = "BASE";
    f.canDefault = true;
    const std::string report = trap.report(f);
    EXPECT_NE(report.find("  1:    Truck          "), std::string::npos) << report;
    EXPECT_NE(report.find("  2: => Farmer         "), std::string::npos) << report;
    EXPECT_NE(report.find("        => CODE                               TRUCK\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("        1: TO PARENT INTO Truck\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("           2          3    .F.   .F.\r\n"), std::string::npos) << report;

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
    for (const core::Fault& f : faults.faults) {
        EXPECT_FALSE(f.canRetry);
        EXPECT_FALSE(f.canDefault);
    }
}

}  // namespace
