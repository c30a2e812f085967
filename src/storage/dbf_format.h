// The DBF table file format (dBASE III, no memo) as the reference runtime writes it: the header and
// field descriptors, decoded against hostile bytes, and the record layout derived from them.
//
// HEADER (bytes 0-31; integers little-endian)
//   off size  content
//     0   1   version: 0x03 (also read: 0x83, 0xF5, 0x30-0x32 - tables with memo files whose C N D L
//             fields we can still read; anything else is corrupt)
//     1   3   date of last update: year - 1900, month, day
//     4   4   record count - informational only: the count is always taken from the file size
//     8   2   header length = 32 + 32 x fields + 2
//    10   2   record length = 1 + sum of field lengths
//    12  20   zero when we write; kept as read when we rewrite the header
//
// FIELD DESCRIPTOR (32 bytes each from offset 32, in record order, until a slot starting 0x0D)
//     0  11   name: ASCII upper case, at most 10 characters, NUL-padded
//    11   1   type 'C' 'N' 'D' 'L'
//    12   4   zero (offsets are sums of lengths)
//    16   1   length (C: low byte)
//    17   1   N: decimals; C: high byte of the length
//    18  14   zero
//
// After the descriptors: 0x0D, 0x00, then the records at the header length. An empty table ends with
// one 0x1A. Record n (1-based) is at header length + (n - 1) x record length: one flag byte ('*'
// deleted, anything else live) then the fields with no separators.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/date.h"
#include "storage/status.h"

namespace storage {

namespace dbf {
inline constexpr std::size_t kHeaderSize = 32;
inline constexpr std::size_t kDescriptorSize = 32;
inline constexpr std::size_t kNameSize = 11;
inline constexpr std::size_t kMaxNameLength = 10;
inline constexpr unsigned char kVersion = 0x03;
inline constexpr unsigned char kHeaderEnd = 0x0D;
inline constexpr unsigned char kEndOfFile = 0x1A;
inline constexpr char kDeletedFlag = '*';
inline constexpr char kLiveFlag = ' ';
inline constexpr std::size_t kMaxFields = 2046;      // header length must fit 16 bits
inline constexpr std::size_t kMaxRecordLength = 65535;
static_assert(kHeaderSize + kMaxFields * kDescriptorSize + 2 <= 65535);

// Header length of a table with n fields: the descriptors, 0x0D and one 0x00.
inline constexpr std::size_t headerLength(std::size_t fields) { return kHeaderSize + kDescriptorSize * fields + 2; }
}  // namespace dbf

enum class FieldType : char { Character = 'C', Numeric = 'N', Date = 'D', Logical = 'L' };

// A field as a caller declares it when creating a table.
struct FieldSpec {
    std::string name;  // folded to upper case, at most 10 characters
    FieldType type = FieldType::Character;
    int length = 0;    // D: 8, L: 1 (0 means "the fixed length")
    int decimals = 0;  // N only
};

struct Field {
    std::string name;  // upper case, as stored
    FieldType type;
    std::uint16_t length;
    std::uint8_t decimals;
    std::uint32_t offset;  // within the record; the flag byte is at 0
};

// The structure of one table: fields with their offsets, the header and record lengths.
class Layout {
public:
    // Decodes the header and descriptors (the first headerLength bytes, or fewer when the file is
    // shorter). Corrupt with the reason when anything does not add up.
    static Status decode(std::string_view bytes, Layout* out);
    // Builds the layout of a new table; InvalidArgument for bad names, types, lengths or duplicates.
    static Status fromSpecs(const std::vector<FieldSpec>& specs, Layout* out);

    // The header bytes of this layout with the given count and date (today's when empty).
    std::string encodeHeader(std::uint32_t recordCount, core::Date date) const;
    // The first 32 bytes alone, with a new count and date, keeping bytes 12-31 as read.
    void encodeFixedHeader(std::uint32_t recordCount, core::Date date, char out[dbf::kHeaderSize]) const;

    const std::vector<Field>& fields() const { return m_fields; }
    std::size_t headerLength() const { return m_headerLength; }
    std::size_t recordLength() const { return m_recordLength; }
    std::uint32_t headerCount() const { return m_headerCount; }  // as read; informational
    unsigned char version() const { return m_version; }

    // Index of a field by name without regard to case, or -1.
    int find(std::string_view name) const;

    // A record of this layout with every field blank (flag byte live).
    std::string blankRecord() const;

private:
    std::vector<Field> m_fields;
    std::size_t m_headerLength = 0;
    std::size_t m_recordLength = 0;
    std::uint32_t m_headerCount = 0;
    unsigned char m_version = dbf::kVersion;
    char m_reserved[20] = {};  // bytes 12-31 as read
};

}  // namespace storage
