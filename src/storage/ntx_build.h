// Bulk building of NTX trees: the keys of every record gathered in one sequential pass over the
// table, sorted (equal keys by record number), and written bottom-up as a balanced tree whose
// leaves are full from the left, with the right edge balanced against its left neighbour, and the
// root last (near the end of the file) - the shape the reference runtime's INDEX ON gives.
#pragma once

#include <cstdint>
#include <vector>

#include "storage/dbf_file.h"
#include "storage/key_source.h"
#include "storage/ntx_format.h"
#include "storage/os.h"

namespace storage::ntx {

// The keys of records 1..count of one index, keySize bytes each, record n at (n - 1) x keySize.
struct KeyList {
    int keySize = 0;
    std::uint32_t count = 0;
    std::vector<char> keys;
    const char* key(std::uint32_t recno) const { return keys.data() + std::size_t(recno - 1) * std::size_t(keySize); }
};

// Reads every record of the table once and makes the keys of each source (shaped as set on it).
Status collectKeys(DbfFile& table, const std::vector<const KeySource*>& sources, std::vector<KeyList>* out);

// Record numbers in key order; equal keys keep record-number order. Descending reverses the keys.
void sortKeys(const KeyList& keys, bool descending, std::vector<std::uint32_t>* order);

// Writes the tree for the sorted keys from page 1 on (pages 1024, 2048 ...); the header page is
// the caller's. Returns the root offset and the file size after the last page.
Status writeTree(File& file, const Header& geometry, const KeyList& keys, const std::vector<std::uint32_t>& order,
                 std::uint32_t* root, std::uint64_t* end);

}  // namespace storage::ntx
