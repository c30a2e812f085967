// The browse functions other screens share: SACTION's top, bottom and text search over an
// expression (scoped browses included), BROWADJ's row placement within a key prefix, and CODCHK
// reading the key again when the error trap answers Retry.
#include <gtest/gtest.h>

#include "codes/table_browse.h"
#include "codes_fixture.h"
#include "storage/fault_fs.h"
#include "storage/ops.h"

using namespace codestest;

namespace {

const char* const kNotFound = "ไม่พบข้อความที่ระบุ";

class BrowseActionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        site.add(12, {{"R01", "Daily weighing"}, {"R02", "Stock balance"}, {"R03", "รายงานสินค้า rice"},
                      {"S01", "Supplier RICE"}, {"S02", "Customer list", true}, {"S03", "Rice by month"}});
        ASSERT_TRUE(storage::OPEN(ws, site.folder(), "Replist", "CODE", false, "Replist", "Replist", "RepList"));
    }
    // A browse of the report list, optionally limited to codes beginning with scope.
    std::unique_ptr<codes::TableBrowse> browse(std::string_view scope = {})
    {
        EXPECT_TRUE(storage::TableRowSource::create(*ws.find("RepList"), {"CODE", "NAME"}, &source, scope).ok());
        auto b = std::make_unique<codes::TableBrowse>(ws, "RepList", *source);
        b->setView({.refresh = [this] { ++refreshes; }, .focus = [this] { ++focuses; }});
        return b;
    }
    void moveTo(codes::TableBrowse& b, const std::string& code)
    {
        b.source().goTop();
        while (highlighted(b) != code)
            ASSERT_EQ(b.source().skip(1), 1) << code;
    }

    CodeSite site;
    testsupport::RecordingPrompts prompts;
    storage::Workspace ws;
    std::unique_ptr<storage::TableRowSource> source;
    int refreshes = 0;
    int focuses = 0;
};

TEST_F(BrowseActionsTest, SearchStepsForwardThroughTheExpressionsText)
{
    // The scope, the row started from, the text, the expression, the row found ("" when not found:
    // back on the start).
    const std::tuple<const char*, const char*, const char*, const char*, const char*> cases[] = {
        {"", "R01", "rice", "RepList->code+RepList->name", "R03"},
        {"", "S03", "SUPPLIER", "RepList->code+RepList->name", ""},    // never wraps
        {"", "R01", "s02", "code+name", "S02"},                         // marked rows too; plain names
        {"R", "R01", "RICE", "RepList->name", "R03"},
        {"R", "R01", "SUPPLIER", "RepList->name", ""},                  // the scope ends the search
        {"", "R01", "3", "LEN(TRIM(name))", "R02"},                     // numbers as they display: "13"
    };
    for (const auto& [scope, start, text, expression, found] : cases) {
        SCOPED_TRACE(std::string(text) + " from " + start);
        auto b = browse(scope);
        moveTo(*b, start);
        prompts.shown.clear();
        refreshes = focuses = 0;
        EXPECT_TRUE(codes::SACTION(*b, 3, text, expression));
        const std::string row = highlighted(*b);
        // The table follows the browse, which is drawn and focused once.
        EXPECT_EQ(std::tuple(row, ws.find("RepList")->recNo(), refreshes, focuses, prompts.texts()),
                  std::tuple(*found ? found : start, b->source().recNo(), 1, 1, *found ? Codes{} : Codes{kNotFound}));
    }
}

// Searching the same text again goes on after the row the last search found, a new text or a
// move (top) starts afresh with the row in view, an empty text says so; a search crosses batches.
TEST_F(BrowseActionsTest, SearchAgainGoesOnAndAnEmptyTextSaysSo)
{
    auto b = browse();
    moveTo(*b, "R03");
    for (const char* want : {"R03", "S01", "S03", "S03"}) {
        codes::SACTION(*b, 3, "rice", "name");
        EXPECT_EQ(highlighted(*b), want);
    }
    codes::SACTION(*b, 1, "", "");
    codes::SACTION(*b, 3, "daily", "name");
    EXPECT_EQ(highlighted(*b), "R01");
    codes::SACTION(*b, 3, "  ", "name");
    EXPECT_EQ(highlighted(*b), "R01");
    EXPECT_EQ(prompts.texts(), (Codes{kNotFound, codes::kEmptySearchUtf8}));
    auto scoped = browse("R");
    codes::SACTION(*scoped, 2, "", "");
    EXPECT_EQ(highlighted(*scoped), "R03") << "the bottom of the scope, not of the table";

    // A search over more rows than one batch reads.
    prompts.shown.clear();
    std::vector<Row> rows;
    for (int i = 0; i < 1500; ++i)
        rows.push_back({"T" + std::to_string(10000 + i), i == 1400 ? "the needle" : "hay"});
    site.add(12, rows);
    auto many = browse();
    moveTo(*many, "T10000");
    codes::SACTION(*many, 3, "NEEDLE", "name");
    EXPECT_EQ(highlighted(*many), "T11400");
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(BrowseActionsTest, BrowadjCountsOnlyTheRowsWithinThePrefix)
{
    // The code added, the prefix, the rows visible, the line the new row is put on. Rows before: R01
    // R02 R03 S01 S02 S03 (and each case's earlier additions).
    const std::tuple<const char*, const char*, int, int> cases[] = {
        {"S025", "S", 10, 3},  // S01, S02 before it within "S"
        {"S04", "", 10, 8},    // no prefix: every row before it (S025 included)
        {"S05", "", 4, 4},     // more rows before it than fit
        {"R00", "R", 10, 1},   // the first of the table
    };
    for (const auto& [added, prefix, visible, line] : cases) {
        auto b = browse();
        b->setView({.visibleRows = [visible = visible] { return visible; }});
        storage::Table& t = b->table();
        ASSERT_TRUE(t.append().ok());
        ASSERT_TRUE(t.put("CODE", core::Value::text(added)).ok());
        ASSERT_TRUE(t.unlock().ok());
        codes::BROWADJ(*b, "RepList->code", prefix);
        EXPECT_EQ(b->rowPos(), line) << added;
        EXPECT_EQ(highlighted(*b), added);
    }
}

TEST_F(BrowseActionsTest, CodchkReadsTheKeyAgainWhenTheTrapAnswersRetry)
{
    storagetest::FaultFileSystem fs;
    storage::Workspace own;
    ASSERT_TRUE(storage::OPEN(own, site.folder(), "Replist", "CODE", false, "Replist", "Replist", "RepList"));
    storage::Table& t = *own.find("RepList");
    // A code another row has is refused only when its key could be read.
    for (const auto& [answer, accepted] :
         {std::pair{core::FaultAnswer::Retry, false}, {core::FaultAnswer::Default, true}}) {
        testsupport::RecordingFaultHandler faults(answer);
        fs.failRead = 1;
        EXPECT_EQ(codes::CODCHK(t, pad("R09"), pad("R01"), 1), accepted);
        EXPECT_EQ(faults.faults.size(), 1u);
    }
}

}  // namespace
