// Damaged files: flipped bytes of the golden tables and indexes give errors, never a crash or a read
// past a buffer (the sanitizer build runs these too; the storage fuzz target, started from the same
// files, cuts and mutates them further), and the typical damages are reported with the right kind
// of error.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "storage/check.h"
#include "storage/ntx_format.h"
#include "storage/table.h"
#include "storage_test_util.h"
#include "support/temp_dir.h"

using namespace storage;
using namespace storagetest;

namespace {

// Everything a reader does with a table and one index; any status is acceptable, a crash is not.
// Returns the first failure, or ok.
Status exercise(const std::string& dbf, const std::string& ntx)
{
    std::unique_ptr<Table> t;
    STORAGE_TRY(Table::open(dbf, ShareMode::Shared, &t));
    Status first;
    auto note = [&](Status s) {
        if (first.ok())
            first = s;
        return s.ok();
    };
    const char* rec = nullptr;
    for (note(t->goTop()); !t->eof() && t->recNo() < 5000 && note(t->record(&rec)) && note(t->skip());)
        ;
    if (!ntx.empty() && note(t->addOrder(ntx))) {
        int steps = 0;
        for (note(t->goTop()); !t->eof() && ++steps < 5000 && note(t->record(&rec)) && note(t->skip());)
            ;
        steps = 0;
        for (note(t->goBottom()); !t->bof() && !t->eof() && ++steps < 5000 && note(t->skip(-1));)
            ;
        for (const char* key : {"", "F0", "S0182", "2", "\xFF"})
            note(t->seek(key, true));
        std::vector<std::uint32_t> recnos;
        note(t->goTop());
        note(t->skipMany(100, &recnos));
    }
    CheckReport report;
    checkTable(dbf, ntx.empty() ? std::vector<IndexToCheck>{} : std::vector<IndexToCheck>{{ntx, "", true}}, &report);
    if (first.ok() && !report.ok())
        first = Status::corrupt(report.problems[0]);
    return first;
}

struct Pair {
    const char* dbf;
    const char* ntx;
};
const Pair kPairs[] = {{"FARMER.DBF", "FARMERB.NTX"}, {"PACKED.DBF", "PACKED.NTX"}, {"WDATA1.DBF", "WDATA13.NTX"}};

}  // namespace

TEST(DamagedFiles, FlippedBytesGiveErrorsNotCrashes)
{
    testsupport::TempDir dir;
    std::mt19937 rng(99);
    int failures = 0, runs = 0;
    for (const auto& p : kPairs) {
        for (const char* victim : {p.dbf, p.ntx}) {
            const std::string original = testsupport::readFile(golden(victim));
            // The headers are where damage matters most: half the flips land in the first page.
            const int trials = std::string(p.dbf) == "WDATA1.DBF" ? 16 : 60;
            for (int i = 0; i < trials; ++i) {
                copyGolden(dir.path(), {p.dbf, p.ntx});
                std::string bytes = original;
                const int flips = 1 + int(rng() % 4);
                for (int f = 0; f < flips; ++f) {
                    const std::size_t at = i % 2 ? rng() % std::min<std::size_t>(bytes.size(), 1024) : rng() % bytes.size();
                    bytes[at] = char(bytes[at] ^ (1 << (rng() % 8)));
                }
                testsupport::writeFile(dir.file(victim), bytes);
                ++runs;
                if (!exercise(dir.file(p.dbf), dir.file(p.ntx)).ok())
                    ++failures;
            }
        }
    }
    EXPECT_GT(failures, runs / 10);  // the damage is noticed, not just survived
}

TEST(DamagedFiles, TypicalDamageIsReportedAsCorrupt)
{
    testsupport::TempDir dir;
    struct Case {
        const char* what;
        const char* file;
        std::size_t offset;  // std::string::npos: truncate to `size`
        std::string bytes;
        std::size_t size;
    } cases[] = {
        {"DBF header cut short", "FARMER.DBF", std::string::npos, "", 100},
        {"DBF not a table", "FARMER.DBF", 0, "\x42", 0},
        {"NTX key too long for a page", "FARMER.NTX", ntx::kOffKeySize, std::string("\x2C\x01", 2), 0},
        {"NTX item size wrong", "FARMER.NTX", ntx::kOffItemSize, std::string("\x10\x00", 2), 0},
        {"NTX more keys than fit", "FARMER.NTX", 1024, std::string("\x40\x00", 2), 0},
        {"NTX offset table broken", "FARMER.NTX", 1026, std::string("\x00\x00", 2), 0},
        {"NTX root beyond the file", "FARMER.NTX", ntx::kOffRoot, std::string("\x00\x10\x00\x00", 4), 0},
        {"NTX root not a page", "FARMER.NTX", ntx::kOffRoot, std::string("\x01\x04\x00\x00", 4), 0},
        {"NTX cut inside the tree", "FARMER.NTX", std::string::npos, "", 1500},
        {"NTX no key expression", "FARMER.NTX", ntx::kOffExpression, std::string(1, '\0'), 0},
    };
    for (const auto& c : cases) {
        copyGolden(dir.path(), {"FARMER.DBF", "FARMER.NTX"});
        if (c.offset == std::string::npos)
            truncateFile(dir.file(c.file), c.size);
        else
            patchFile(dir.file(c.file), c.offset, c.bytes);
        const Status s = exercise(dir.file("FARMER.DBF"), dir.file("FARMER.NTX"));
        EXPECT_TRUE(s.is(Status::Code::Corrupt)) << c.what << ": " << s.toString();
    }
}

TEST(DamagedFiles, PageThatPointsAtItsAncestorIsCaught)
{
    testsupport::TempDir dir;
    copyGolden(dir.path(), {"PACKED.DBF", "PACKED.NTX"});
    // The root (page 5120) lists the leaf at 1024 first: make that leaf's first child the root.
    const std::string ntxBytes = testsupport::readFile(dir.file("PACKED.NTX"));
    const std::size_t slot0 = ntx::get16(ntxBytes.data() + 1024 + 2);
    patchFile(dir.file("PACKED.NTX"), 1024 + slot0, std::string("\x00\x14\x00\x00", 4));
    const Status s = exercise(dir.file("PACKED.DBF"), dir.file("PACKED.NTX"));
    EXPECT_TRUE(s.is(Status::Code::Corrupt)) << s.toString();
}

TEST(DamagedFiles, HeaderCountBeyondTheFileIsAProblemButTheRecordsStillRead)
{
    testsupport::TempDir dir;
    copyGolden(dir.path(), {"FARMER.DBF"});
    patchFile(dir.file("FARMER.DBF"), 4, std::string("\x88\x13\x00\x00", 4));  // 5000 records claimed
    std::unique_ptr<Table> t;
    ASSERT_OK(Table::open(dir.file("FARMER.DBF"), ShareMode::Shared, &t));
    EXPECT_EQ(t->recCount(), 50u);
    ASSERT_OK(t->goTo(51));
    EXPECT_TRUE(t->eof());
    CheckReport report;
    checkTable(dir.file("FARMER.DBF"), {}, &report);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0], "FARMER.DBF: the header counts more records than the file holds: 5000 counted, 50 present");
}
