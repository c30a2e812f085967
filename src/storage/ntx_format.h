// The NTX index file format as the reference runtime writes it: 1024-byte pages, page 0 the header,
// the others B-tree pages or free pages. Page references are byte offsets of page starts.
//
// HEADER PAGE (offset 0)
//   off size  field
//     0   2   signature: 0x0006 (0x0007 with a FOR condition)
//     2   2   version: update counter, +1 (wrapping) each time a writer changes pages
//     4   4   root page offset
//     8   4   first free page offset, 0 = none
//    12   2   item size = key size + 8
//    14   2   key size (1-256)
//    16   2   key decimals
//    18   2   max items per page = floor(1022 / (key size + 10)) - 1, less 1 when odd and > 2
//    20   2   half page = max items / 2
//    22 256   key expression, NUL-padded
//   278   1   unique flag          280  1  descending flag
//   282 256   FOR expression       538 12  tag name           550  1  custom flag
//   551 473   zero for the reference runtime, which never rewrites these bytes after creation.
//             This engine keeps there (see ntx_index.cpp):
//   552 464     116 pending-record slots, 4 bytes each: a record number whose keys in this index
//               are being changed (or are not in yet) by the process holding that record's lock;
//               0 = a free slot
//  1016   8     the "update in progress" mark, "MVUPDATE": a rebuild or an exclusive session
//
// TREE PAGE
//     0   2                  k = keys in the page
//     2   2 x (max+1)        offset table: slot i -> byte offset of item i in the page
//   2 x (max+2)  (max+1) x item size   item area
//   item: 0-3 child page offset (0 = none), 4-7 record number, 8.. key.
//   Items 0..k-1 are the keys in order BY THE OFFSET TABLE (physical order is scrambled by the
//   reference runtime's rotations); slot k carries only the rightmost child; slots k+1..max are
//   spare. The whole offset table is a permutation of the max+1 item positions.
//   A free page: its slot-0 item's child field is the next free page (0 ends the chain).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "storage/status.h"

namespace storage::ntx {

inline constexpr std::size_t kPageSize = 1024;
inline constexpr std::uint16_t kSignature = 0x0006;
inline constexpr std::uint16_t kSignatureFor = 0x0007;
inline constexpr std::size_t kExpressionSize = 256;
inline constexpr std::size_t kOffVersion = 2;
inline constexpr std::size_t kOffRoot = 4;
inline constexpr std::size_t kOffFree = 8;
inline constexpr std::size_t kOffItemSize = 12;
inline constexpr std::size_t kOffKeySize = 14;
inline constexpr std::size_t kOffKeyDecimals = 16;
inline constexpr std::size_t kOffMaxItems = 18;
inline constexpr std::size_t kOffHalfPage = 20;
inline constexpr std::size_t kOffExpression = 22;
inline constexpr std::size_t kOffUnique = 278;
inline constexpr std::size_t kOffDescending = 280;
inline constexpr std::size_t kOffFor = 282;
inline constexpr std::size_t kFixedHeaderSize = 12;  // what an update rewrites
// This engine's marks in bytes the reference runtime leaves zero.
inline constexpr std::size_t kSlotOffset = 552;
inline constexpr std::size_t kMarkOffset = 1016;
inline constexpr std::size_t kSlotCount = (kMarkOffset - kSlotOffset) / 4;
inline constexpr char kMark[8] = {'M', 'V', 'U', 'P', 'D', 'A', 'T', 'E'};
static_assert(kSlotOffset >= 551 && kMarkOffset + sizeof kMark <= kPageSize && kSlotCount == 116);
static_assert(kOffFor + kExpressionSize == 538);

inline constexpr int kMaxKeySize = 256;
inline constexpr int kMaxDepth = 48;  // deeper trees are corrupt (a cycle, or nonsense offsets)

// Max items per page for a key size, as the reference runtime computes it.
constexpr int maxItems(int keySize)
{
    int m = 1022 / (keySize + 10) - 1;
    if (m > 2 && (m & 1))
        --m;
    return m;
}
static_assert(maxItems(8) == 54 && maxItems(10) == 50 && maxItems(11) == 46 && maxItems(12) == 44 &&
              maxItems(15) == 38 && maxItems(22) == 30 && maxItems(25) == 28 && maxItems(30) == 24 &&
              maxItems(256) == 2);

inline std::uint16_t get16(const char* p)
{
    return std::uint16_t((unsigned char)p[0] | (unsigned char)p[1] << 8);
}
inline std::uint32_t get32(const char* p)
{
    return std::uint32_t((unsigned char)p[0]) | std::uint32_t((unsigned char)p[1]) << 8 |
           std::uint32_t((unsigned char)p[2]) << 16 | std::uint32_t((unsigned char)p[3]) << 24;
}
inline void put16(char* p, std::uint32_t v)
{
    p[0] = char(v & 0xFF);
    p[1] = char(v >> 8 & 0xFF);
}
inline void put32(char* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = char(v >> (8 * i) & 0xFF);
}

struct Header {
    std::uint16_t signature = kSignature;
    std::uint16_t version = 1;
    std::uint32_t root = 0;
    std::uint32_t freeHead = 0;
    int itemSize = 0;
    int keySize = 0;
    int keyDecimals = 0;
    int maxItems = 0;
    int halfPage = 0;
    std::string expression;
    std::string forExpression;
    bool unique = false;
    bool descending = false;
    bool updating = false;                // this engine's mark is set
    std::vector<std::uint32_t> pending;  // the record numbers in this engine's slots

    // Decodes and checks a header page; Corrupt or Unsupported with the reason.
    static Status decode(const char* page, Header* out);
    // A complete header page for a new or rebuilt index (the reserved bytes zero, the mark and
    // the pending records as set).
    void encode(char* page) const;
    // Bytes 0-11 only (signature, version, root, free).
    void encodeFixed(char* page) const;
};

}  // namespace storage::ntx
