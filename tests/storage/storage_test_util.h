// Helpers of the storage tests: the golden files of the reference runtime (tests/storage/golden,
// described in its MANIFEST.md), their escaped CSV format, and small tables made on the spot.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/dbf_format.h"
#include "storage/table.h"

namespace storagetest {

std::string goldenDir();
std::string golden(const std::string& name);  // path of a golden file
// Copies golden files into a folder (tests that write must not touch the originals).
void copyGolden(const std::string& folder, const std::vector<std::string>& names);

// The golden CSV format: comma-separated, never quoted, "\xHH" for bytes outside printable ASCII
// and for '\', ',' and '"'. Rows without the header line.
std::vector<std::vector<std::string>> readEscapedCsv(const std::string& path, std::vector<std::string>* header = nullptr);
std::string unescape(const std::string& s);

// The weighing-ticket layout of the golden WDATA1.DBF.
std::vector<storage::FieldSpec> ticketFields();
// A ticket record's fields for ticket number n, deterministic. writeTicket is for child processes
// (no test assertions there).
void fillTicket(storage::Table& t, std::uint32_t n);
storage::Status writeTicket(storage::Table& t, std::uint32_t n);

// Flip, cut or overwrite bytes of a file.
void patchFile(const std::string& path, std::size_t offset, const std::string& bytes);
void truncateFile(const std::string& path, std::size_t size);

// Fails the test unless the status is ok, showing it.
#define ASSERT_OK(expr)                                                    \
    do {                                                                   \
        const ::storage::Status assertOkStatus_ = (expr);                  \
        ASSERT_TRUE(assertOkStatus_.ok()) << assertOkStatus_.toString();   \
    } while (0)
#define EXPECT_OK(expr)                                                    \
    do {                                                                   \
        const ::storage::Status expectOkStatus_ = (expr);                  \
        EXPECT_TRUE(expectOkStatus_.ok()) << expectOkStatus_.toString();   \
    } while (0)

}  // namespace storagetest
