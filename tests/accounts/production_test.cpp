// The production screen: refused lines, the record's own save, rounding to the ledger's hundredths,
// the line's audit rows and search. What lines in each unit, lines changed and marked, and the
// record's deletion and undeletion (a line marked by hand staying marked) move in the stock is
// checked by the seeded run of the books against the documents.
#include <gtest/gtest.h>

#include "voucher_fixture.h"

using namespace accounts;
using namespace vouchertest;

namespace {

class ProductionTest : public DocumentTest {
protected:
    std::unique_ptr<ProductionScreen> open()
    {
        auto s = std::make_unique<ProductionScreen>(6, host);
        EXPECT_TRUE(s->open());
        return s;
    }
    bool newRecord(ProductionScreen& s, const char* remark = "ผลิตข้าวสาร")
    {
        s.newPressed();
        return type(s, text("cRemark1", remark)) && s.SKSAVE1();
    }
};

TEST_F(ProductionTest, AnIncompleteLineOrAQuantityOfZeroOrTooLargeIsNotStored)
{
    auto s = open();
    ASSERT_TRUE(newRecord(*s));
    addLines(*s, {productionLine("P001", "W1", "KG", 0)});
    addLines(*s, {saveLine({text("cdCode", "P001"), text("cdUnit", "KG"), number("cdQty", 5, 3)})});
    addLines(*s, {productionLine("P001", "W1", "KG", 900'000'000)});
    EXPECT_EQ(shownTexts(site.prompts).back(), "ค่าของ จำนวน เกินขนาดที่บันทึกได้ จึงไม่ได้บันทึกข้อมูล");
    EXPECT_TRUE(site.rows("Detail3").empty());
    EXPECT_TRUE(site.rows("Stock").empty());
}

// The stock ledger keeps two decimals; a posting and its reversal move it by the same stored amount.
TEST_F(ProductionTest, AQuantityFinerThanTheLedgerPostedAndReversedLeavesNothing)
{
    auto s = open();
    ASSERT_TRUE(newRecord(*s));
    addLines(*s, {productionLine("P001", "W1", "KG", 0.125), productionLine("P001", "W1", "KG", -0.125)});
    EXPECT_DOUBLE_EQ(site.stock("P001", "W1"), 0);
    toLine(*s, 0);
    ASSERT_TRUE(confirmMark(*s));
    EXPECT_DOUBLE_EQ(site.stock("P001", "W1"), -0.13);
    confirmDelete(*s);
    EXPECT_DOUBLE_EQ(site.stock("P001", "W1"), 0);
}

TEST_F(ProductionTest, TheRecordNeedsItsFirstRemarkAndPostsNothingItself)
{
    auto s = open();
    s->newPressed();
    EXPECT_FALSE(s->SKSAVE1());
    EXPECT_EQ(shownTexts(site.prompts), Texts{"การระบุข้อมูลยังไม่ครบถ้วน"});
    EXPECT_TRUE(site.rows("Stock1").empty());
    ASSERT_TRUE(type(*s, text("cRemark1", "ผลิตข้าวสาร")));
    ASSERT_TRUE(s->SKSAVE1());
    const auto rec = site.rows("Stock1");
    ASSERT_EQ(rec.size(), 1u);
    EXPECT_EQ(rec[0].text("TICKET"), "000001");

    // Edited, the new number and date reach the lines at the next display; nothing is posted.
    addLines(*s, {productionLine("P001", "W1", "KG", 10)});
    s->editPressed();
    ASSERT_TRUE(type(*s, {text("cTicket", "000077"), date("cDate", 2026, 12, 7)}));
    ASSERT_TRUE(s->SKSAVE1());
    EXPECT_EQ(site.rows("Detail3")[0].text("DOC_NO"), "000077");
    EXPECT_EQ(site.rows("Detail3")[0].fields.at("DOC_DATE").asDate(), core::Date::fromYmd(2026, 12, 7));
    EXPECT_EQ(site.stock("P001", "W1"), 10);
    EXPECT_TRUE(site.rows("Audit").empty());

    // With the audit on, a changed line is audited: its warehouse, its quantity to three decimals.
    site.setting("CAUDITR", "Y");
    changeLine(*s, saveLine({text("cdWHouse", "W2"), number("cdQty", 12.5, 3)}));
    EXPECT_EQ(audited(site), (Texts{"STK_1-000077 รหัสคลังสินค้า W1 W2", "STK_1-000077 จำนวน 10.000 12.500"}));
}

TEST_F(ProductionTest, SearchListsTheRecordsByTheirFirstRemark)
{
    auto s = open();
    ASSERT_TRUE(newRecord(*s, "ชุดแรก"));
    ASSERT_TRUE(newRecord(*s, "ชุดสอง"));
    host.onSearch = [&](weighing::SearchDialogModel& m) {
        m.top();
        m.search(core::tis620::T("ชุดสอง"));
    };
    s->searchPressed();
    EXPECT_EQ(s->values().text("cTicket"), "000002");
}

}  // namespace
