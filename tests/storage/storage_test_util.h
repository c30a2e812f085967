// Helpers of the storage tests: the reference runtime's golden files (golden/MANIFEST.md), small tables.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/dbf_format.h"
#include "storage/table.h"

namespace storagetest {

std::string golden(const std::string& name);  // path of a golden file
// Copies golden files into a folder (tests that write must not touch the originals).
void copyGolden(const std::string& folder, const std::vector<std::string>& names);

// The golden CSV, rows without the header: comma-separated, never quoted, "\xHH" for bytes outside
// printable ASCII and for '\', ',' and '"'.
std::vector<std::vector<std::string>> readEscapedCsv(const std::string& path, std::vector<std::string>* header = nullptr);

// Ends the test (throwing the status's text) unless the status is ok, for set-up steps. Not for forked children.
void must(const storage::Status& s);
// The table at `path` opened (made first from `fields` when given), as must() does.
std::unique_ptr<storage::Table> openTable(const std::string& path,
                                          storage::ShareMode mode = storage::ShareMode::Shared);
std::unique_ptr<storage::Table> newTable(const std::string& path, const std::vector<storage::FieldSpec>& fields,
                                         storage::ShareMode mode = storage::ShareMode::Shared);
// The record numbers from the top to the end in the active order.
std::vector<std::uint32_t> recnos(storage::Table& t);
// The first field of every record (of the live ones only with `liveOnly`) in physical order.
std::vector<std::string> firstFields(storage::Table& t, bool liveOnly = false);

// The weighing-ticket layout of the golden WDATA1.DBF.
std::vector<storage::FieldSpec> ticketFields();
// Writes a ticket record's fields for ticket number n, deterministic.
storage::Status writeTicket(storage::Table& t, std::uint32_t n);
// Appends tickets first..last, each released at once in shared use (exclusive use holds them back).
storage::Status appendTickets(storage::Table& t, std::uint32_t first, std::uint32_t last);
// Appends records with the given texts in the first fields, the same way.
storage::Status appendRows(storage::Table& t, const std::vector<std::vector<std::string>>& rows);

// Commits without waiting for the disk while it lives (tests of locks and contents, not of durability).
struct SoftCommits {
    SoftCommits() { storage::setHardCommit(false); }
    ~SoftCommits() { storage::setHardCommit(true); }
};

// The three orders of the weighing-ticket table WDATA1.DBF: index file and key.
extern const std::vector<std::pair<std::string, std::string>> kTicketOrders;
// FOLDER/WDATA1.DBF opened with its three orders, waiting up to waitMs for other workstations.
storage::Status openTicketTable(const std::string& folder, storage::ShareMode mode, std::unique_ptr<storage::Table>* t,
                                int waitMs = 0);
// The same as must() does.
std::unique_ptr<storage::Table> ticketTable(const std::string& folder,
                                            storage::ShareMode mode = storage::ShareMode::Shared);

// What `mervo-admin check` finds on a table and its index files (each against its own key): the problems,
// then with `notes` the notes too.
std::vector<std::string> checkFindings(const std::string& dbf, const std::vector<std::string>& ntx, bool notes);
// The same for FOLDER/WDATA1.DBF and its three orders, against their keys.
std::vector<std::string> ticketFindings(const std::string& folder, bool notes);

// Overwrites bytes of a file.
void patchFile(const std::string& path, std::size_t offset, const std::string& bytes);

// Fails the test unless the status is ok, showing it (wrapped: safe after an unbraced `if`).
inline ::testing::AssertionResult isOk(const storage::Status& s)
{
    return s.ok() ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << s.toString();
}
#define ASSERT_OK(expr) do { ASSERT_TRUE(::storagetest::isOk(expr)); } while (0)
#define EXPECT_OK(expr) do { EXPECT_TRUE(::storagetest::isOk(expr)); } while (0)

}  // namespace storagetest
