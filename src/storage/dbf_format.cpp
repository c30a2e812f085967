#include "storage/dbf_format.h"

#include <cstdio>
#include <cstring>
#include <set>

#include "core/clock.h"
#include "core/xbase.h"

namespace storage {
namespace {

std::uint16_t get16(const unsigned char* p) { return std::uint16_t(p[0] | p[1] << 8); }
std::uint32_t get32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
void put16(char* p, std::uint32_t v)
{
    p[0] = char(v & 0xFF);
    p[1] = char(v >> 8 & 0xFF);
}
void put32(char* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = char(v >> (8 * i) & 0xFF);
}

bool knownVersion(unsigned char v)
{
    return v == 0x03 || v == 0x83 || v == 0xF5 || (v >= 0x30 && v <= 0x32);
}

bool validNameChar(char c, bool first)
{
    if (c >= 'A' && c <= 'Z')
        return true;
    if (first)
        return false;
    return (c >= '0' && c <= '9') || c == '_';
}

// Checks a field's type, length and decimals as the reference runtime accepts them.
Status checkField(const Field& f)
{
    switch (f.type) {
    case FieldType::Character:
        if (f.length == 0)
            return Status::corrupt("field " + f.name + ": length 0");
        return {};
    case FieldType::Numeric:
        if (f.length == 0 || f.length > 255)
            return Status::corrupt("field " + f.name + ": numeric length " + std::to_string(f.length));
        if (f.decimals > 0 && f.decimals + 2 > f.length)
            return Status::corrupt("field " + f.name + ": " + std::to_string(f.decimals) + " decimals in width " +
                                   std::to_string(f.length));
        return {};
    case FieldType::Date:
        if (f.length != 8)
            return Status::corrupt("field " + f.name + ": date length " + std::to_string(f.length));
        return {};
    case FieldType::Logical:
        if (f.length != 1)
            return Status::corrupt("field " + f.name + ": logical length " + std::to_string(f.length));
        return {};
    }
    return Status::corrupt("field " + f.name + ": unknown type");
}

}  // namespace

Status Layout::decode(std::string_view bytes, Layout* out)
{
    Layout l;
    if (bytes.size() < dbf::kHeaderSize)
        return Status::corrupt("header truncated: " + std::to_string(bytes.size()) + " of 32 bytes");
    const auto* h = reinterpret_cast<const unsigned char*>(bytes.data());
    l.m_version = h[0];
    if (!knownVersion(h[0])) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "0x%02X", h[0]);
        return Status::corrupt(std::string("not a DBF table (version byte ") + buf + ")");
    }
    l.m_headerCount = get32(h + 4);
    l.m_headerLength = get16(h + 8);
    l.m_recordLength = get16(h + 10);
    std::memcpy(l.m_reserved, h + 12, sizeof l.m_reserved);
    if (l.m_headerLength < dbf::headerLength(1) - 1)
        return Status::corrupt("header length " + std::to_string(l.m_headerLength) + " leaves no room for a field");
    if (l.m_recordLength < 2)
        return Status::corrupt("record length " + std::to_string(l.m_recordLength));
    if (bytes.size() < l.m_headerLength)
        return Status::corrupt("header truncated: file holds " + std::to_string(bytes.size()) + " of " +
                               std::to_string(l.m_headerLength) + " header bytes");

    const std::size_t slots = (l.m_headerLength - dbf::kHeaderSize) / dbf::kDescriptorSize;
    std::uint32_t offset = 1;
    std::set<std::string> names;
    for (std::size_t i = 0; i < slots; ++i) {
        const unsigned char* d = h + dbf::kHeaderSize + i * dbf::kDescriptorSize;
        if (d[0] == dbf::kHeaderEnd)
            break;
        Field f;
        std::size_t n = 0;
        while (n < dbf::kNameSize && d[n] != 0)
            ++n;
        f.name.assign(reinterpret_cast<const char*>(d), n);
        if (f.name.empty() || n > dbf::kMaxNameLength)
            return Status::corrupt("field descriptor " + std::to_string(i + 1) + ": bad name");
        const char type = char(d[11]);
        if (type != 'C' && type != 'N' && type != 'D' && type != 'L') {
            if (type >= 0x21 && type < 0x7F)
                return Status::unsupported("field " + core::xbase::upper(f.name) + ": type " + std::string(1, type));
            return Status::corrupt("field descriptor " + std::to_string(i + 1) + ": bad type byte");
        }
        f.type = FieldType(type);
        if (f.type == FieldType::Character) {
            f.length = std::uint16_t(d[16] | d[17] << 8);
            f.decimals = 0;
        } else {
            f.length = d[16];
            f.decimals = d[17];
        }
        f.name = core::xbase::upper(f.name);
        STORAGE_TRY(checkField(f));
        if (!names.insert(f.name).second)
            return Status::corrupt("field " + f.name + " appears twice");
        f.offset = offset;
        offset += f.length;
        if (offset > l.m_recordLength)
            return Status::corrupt("fields need " + std::to_string(offset) + " bytes, record length is " +
                                   std::to_string(l.m_recordLength));
        l.m_fields.push_back(std::move(f));
    }
    if (l.m_fields.empty())
        return Status::corrupt("no field descriptors");
    *out = std::move(l);
    return {};
}

Status Layout::fromSpecs(const std::vector<FieldSpec>& specs, Layout* out)
{
    if (specs.empty())
        return Status::invalidArgument("a table needs at least one field");
    if (specs.size() > dbf::kMaxFields)
        return Status::invalidArgument("too many fields");
    Layout l;
    std::uint32_t offset = 1;
    std::set<std::string> names;
    for (const FieldSpec& s : specs) {
        Field f;
        f.name = core::xbase::upper(s.name.substr(0, dbf::kMaxNameLength));
        if (f.name.empty() || !validNameChar(f.name[0], true))
            return Status::invalidArgument("bad field name '" + s.name + "'");
        for (char c : f.name)
            if (!validNameChar(c, false))
                return Status::invalidArgument("bad field name '" + s.name + "'");
        f.type = s.type;
        int length = s.length;
        if (s.type == FieldType::Date && length == 0)
            length = 8;
        if (s.type == FieldType::Logical && length == 0)
            length = 1;
        if (length <= 0 || length > 65535 || s.decimals < 0 || s.decimals > 255 ||
            (s.type != FieldType::Numeric && s.decimals != 0))
            return Status::invalidArgument("field " + f.name + ": bad length or decimals");
        f.length = std::uint16_t(length);
        f.decimals = std::uint8_t(s.decimals);
        if (Status st = checkField(f); !st.ok())
            return Status::invalidArgument(st.message());
        if (!names.insert(f.name).second)
            return Status::invalidArgument("field " + f.name + " appears twice");
        f.offset = offset;
        offset += f.length;
        if (offset > dbf::kMaxRecordLength)
            return Status::invalidArgument("record longer than 65535 bytes");
        l.m_fields.push_back(std::move(f));
    }
    l.m_headerLength = dbf::headerLength(l.m_fields.size());
    l.m_recordLength = offset;
    *out = std::move(l);
    return {};
}

void Layout::encodeFixedHeader(std::uint32_t recordCount, core::Date date, char out[dbf::kHeaderSize]) const
{
    if (date.isEmpty())
        date = core::clock().today();
    std::memset(out, 0, dbf::kHeaderSize);
    out[0] = char(m_version);
    out[1] = char(date.year() - 1900);
    out[2] = char(date.month());
    out[3] = char(date.day());
    put32(out + 4, recordCount);
    put16(out + 8, std::uint32_t(m_headerLength));
    put16(out + 10, std::uint32_t(m_recordLength));
    std::memcpy(out + 12, m_reserved, sizeof m_reserved);
}

std::string Layout::encodeHeader(std::uint32_t recordCount, core::Date date) const
{
    std::string h(m_headerLength, '\0');
    encodeFixedHeader(recordCount, date, h.data());
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        const Field& f = m_fields[i];
        char* d = h.data() + dbf::kHeaderSize + i * dbf::kDescriptorSize;
        std::memcpy(d, f.name.data(), f.name.size());
        d[11] = char(f.type);
        if (f.type == FieldType::Character) {
            put16(d + 16, f.length);
        } else {
            d[16] = char(f.length);
            d[17] = char(f.decimals);
        }
    }
    h[dbf::kHeaderSize + m_fields.size() * dbf::kDescriptorSize] = char(dbf::kHeaderEnd);
    return h;
}

int Layout::find(std::string_view name) const
{
    for (std::size_t i = 0; i < m_fields.size(); ++i)
        if (core::xbase::equalsNoCase(m_fields[i].name, name))
            return int(i);
    return -1;
}

std::string Layout::blankRecord() const
{
    return std::string(m_recordLength, ' ');
}

}  // namespace storage
