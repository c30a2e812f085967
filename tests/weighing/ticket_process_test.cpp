// Two workstations (forked processes) save the second weighing of the same open ticket at the same
// moment: exactly one of them completes and posts it, the other is told and posts nothing.
#include <gtest/gtest.h>

#include "storage/fork_child.h"
#include "weighing_fixture.h"

using namespace weighing;
using namespace weighingtest;

namespace {

using TicketProcessTest = ScreenTest;

TEST_F(TicketProcessTest, TwoWorkstationsCompletingOneTicketPostItOnce)
{
    auto workstation = [](long long weightOut) {
        return [weightOut](storagetest::Child& parent) {
            ScriptedPickList pickList;
            ScriptedHost host;
            TicketScreen s(1, 6, host);
            if (!s.open() || !startSecondWeighing(s, host, "70-1234", weightOut))
                return 3;
            if (!parent.readyThenGo())
                return 4;
            return s.TRSAVE() ? 0 : 1;
        };
    };
    for (int round = 0; round < 3; ++round) {
        // The truck weighed in: a fresh open ticket each round.
        ASSERT_TRUE(firstWeighing(*screen(), host, Weighing{"70-1234"}, 9000));
        const auto [ra, rb] = storagetest::startTogether(workstation(1000), workstation(2000));
        EXPECT_TRUE((ra == 0 && rb == 1) || (ra == 1 && rb == 0)) << ra << " " << rb;
        const auto tickets = site.rows("Wdata1");
        ASSERT_EQ(tickets.size(), std::size_t(round + 1));
        EXPECT_EQ(tickets.back().text("STAT"), "2");
        const double qty = tickets.back().number("QTY");
        EXPECT_TRUE(qty == 8000 || qty == 7000) << qty;
    }
    double posted = 0;
    for (const auto& t : site.rows("Wdata1"))
        posted += t.number("QTY");
    EXPECT_DOUBLE_EQ(site.stock("P001", "W1"), posted) << "each ticket in the stock exactly once";
}

}  // namespace
