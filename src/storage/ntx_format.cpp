#include "storage/ntx_format.h"

#include <algorithm>

namespace storage::ntx {
namespace {

std::string cString(const char* p, std::size_t max)
{
    std::size_t n = 0;
    while (n < max && p[n] != 0)
        ++n;
    return std::string(p, n);
}

}  // namespace

Status Header::decode(const char* page, Header* out)
{
    Header h;
    h.signature = get16(page);
    // The reference runtime's own acceptance rule, then the features this engine does not handle.
    const bool accepted = (h.signature & ~0x87FF) == 0 && ((h.signature & 6) == 6 || h.signature == 3);
    if (!accepted)
        return Status::corrupt("not an NTX index (signature " + std::to_string(h.signature) + ")");
    if (h.signature & 0x8000)
        return Status::unsupported("multi-tag NTX index");
    if (h.signature & 0x0200)
        return Status::unsupported("NTX index with page numbers instead of offsets");
    if (h.signature & 0x0010)
        return Status::unsupported("NTX index with the extended lock scheme");
    h.version = get16(page + kOffVersion);
    h.root = get32(page + kOffRoot);
    h.freeHead = get32(page + kOffFree);
    h.itemSize = get16(page + kOffItemSize);
    h.keySize = get16(page + kOffKeySize);
    h.keyDecimals = get16(page + kOffKeyDecimals);
    h.maxItems = get16(page + kOffMaxItems);
    h.halfPage = get16(page + kOffHalfPage);
    if ((unsigned char)page[kOffExpression] < 0x20)
        return Status::corrupt("NTX header without a key expression");
    h.expression = cString(page + kOffExpression, kExpressionSize);
    h.forExpression = cString(page + kOffFor, kExpressionSize);
    h.unique = page[kOffUnique] != 0;
    h.descending = page[kOffDescending] != 0;
    h.updating = std::memcmp(page + kMarkOffset, kMark, sizeof kMark) == 0;
    for (std::size_t i = 0; i < kSlotCount; ++i)
        if (const std::uint32_t n = get32(page + kSlotOffset + 4 * i); n != 0)
            h.pending.push_back(n);

    if (h.keySize < 1 || h.keySize > kMaxKeySize)
        return Status::corrupt("NTX key size " + std::to_string(h.keySize));
    if (h.itemSize != h.keySize + 8)
        return Status::corrupt("NTX item size " + std::to_string(h.itemSize) + " for key size " +
                               std::to_string(h.keySize));
    if (h.keyDecimals < 0 || h.keyDecimals >= h.keySize)
        return Status::corrupt("NTX key decimals " + std::to_string(h.keyDecimals));
    if (h.maxItems < 2 || std::size_t(2 * (h.maxItems + 2) + (h.maxItems + 1) * h.itemSize) > kPageSize)
        return Status::corrupt("NTX max items " + std::to_string(h.maxItems) + " do not fit a page");
    if (h.root == 0 || h.root % kPageSize != 0)
        return Status::corrupt("NTX root offset " + std::to_string(h.root));
    if (h.freeHead % kPageSize != 0)
        return Status::corrupt("NTX free page offset " + std::to_string(h.freeHead));
    h.halfPage = h.maxItems / 2;
    *out = std::move(h);
    return {};
}

void Header::encode(char* page) const
{
    std::memset(page, 0, kPageSize);
    encodeFixed(page);
    put16(page + kOffItemSize, std::uint32_t(itemSize));
    put16(page + kOffKeySize, std::uint32_t(keySize));
    put16(page + kOffKeyDecimals, std::uint32_t(keyDecimals));
    put16(page + kOffMaxItems, std::uint32_t(maxItems));
    put16(page + kOffHalfPage, std::uint32_t(maxItems / 2));
    std::memcpy(page + kOffExpression, expression.data(), std::min(expression.size(), kExpressionSize - 1));
    page[kOffUnique] = unique ? 1 : 0;
    page[kOffDescending] = descending ? 1 : 0;
    std::memcpy(page + kOffFor, forExpression.data(), std::min(forExpression.size(), kExpressionSize - 1));
    if (updating)
        std::memcpy(page + kMarkOffset, kMark, sizeof kMark);
    for (std::size_t i = 0; i < pending.size() && i < kSlotCount; ++i)
        put32(page + kSlotOffset + 4 * i, pending[i]);
}

void Header::encodeFixed(char* page) const
{
    put16(page, signature);
    put16(page + kOffVersion, version);
    put32(page + kOffRoot, root);
    put32(page + kOffFree, freeHead);
}

}  // namespace storage::ntx
