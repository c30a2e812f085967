#include "storage/ntx_build.h"

#include <algorithm>
#include <cstring>

namespace storage::ntx {
namespace {

constexpr std::uint32_t kScanChunkBytes = 1 << 20;
constexpr std::size_t kWriteChunkPages = 1024;
constexpr std::uint64_t kHuge = std::uint64_t(1) << 62;

std::uint64_t loadBigEndian(const char* p, int n)
{
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v = v << 8 | (i < n ? (unsigned char)p[i] : 0u);
    return v;
}

struct SortItem {
    std::uint64_t a;
    std::uint64_t b;
    std::uint32_t rec;
};

// Writes the pages of a bulk-built tree in post-order (children before their parent), so the root
// comes last, streaming them to the file in large writes.
class TreeWriter {
public:
    TreeWriter(File& file, const Header& g, const KeyList& keys, const std::vector<std::uint32_t>& order)
        : m_file(file), m_g(g), m_keys(keys), m_order(order)
    {
        // cap[h]: most keys a subtree of height h holds; minc[h]: fewest a non-root one may hold.
        std::uint64_t cap = std::uint64_t(g.maxItems), minc = std::uint64_t(g.maxItems / 2);
        for (int h = 0; h < kMaxDepth; ++h) {
            m_cap.push_back(cap);
            m_minc.push_back(minc);
            cap = std::min(kHuge, std::uint64_t(g.maxItems) + std::uint64_t(g.maxItems + 1) * cap);
            minc = std::min(kHuge, std::uint64_t(g.maxItems / 2) + std::uint64_t(g.maxItems / 2 + 1) * minc);
        }
        m_buffer.resize(kWriteChunkPages * kPageSize);
    }

    Status run(std::uint32_t* root, std::uint64_t* end)
    {
        const std::uint64_t n = m_order.size();
        int height = 0;
        while (m_cap[std::size_t(height)] < n)
            ++height;
        *root = build(0, n, height);
        STORAGE_TRY(m_status);
        STORAGE_TRY(flush());
        *end = m_next;
        return {};
    }

private:
    std::uint32_t build(std::uint64_t lo, std::uint64_t hi, int h)
    {
        if (h == 0)
            return emit(lo, hi, nullptr, nullptr, 0);
        const std::uint64_t s = hi - lo, cap = m_cap[std::size_t(h - 1)], minc = m_minc[std::size_t(h - 1)];
        // The fewest children that hold s keys: all but the last two full, those two balanced.
        const std::uint64_t c = std::max<std::uint64_t>(2, (s + 1 + cap) / (cap + 1));
        std::vector<std::uint64_t> sizes(c, cap);
        const std::uint64_t rest = (s - (c - 1)) - (c - 2) * cap;
        if (rest >= cap + minc) {
            sizes[c - 1] = rest - cap;
        } else {
            sizes[c - 2] = (rest + 1) / 2;
            sizes[c - 1] = rest / 2;
        }
        std::vector<std::uint32_t> children(c), separators(c - 1);
        std::uint64_t pos = lo;
        for (std::uint64_t j = 0; j < c; ++j) {
            children[j] = build(pos, pos + sizes[j], h - 1);
            pos += sizes[j];
            if (j + 1 < c)
                separators[j] = m_order[pos++];
        }
        return emit(0, 0, children.data(), separators.data(), c - 1);
    }

    // One page: a leaf of order[lo, hi), or a branch of `count` separators with count + 1 children.
    std::uint32_t emit(std::uint64_t lo, std::uint64_t hi, const std::uint32_t* children,
                       const std::uint32_t* separators, std::uint64_t count)
    {
        if (m_used == kWriteChunkPages && !(m_status = flush()).ok())
            return 0;
        char* page = m_buffer.data() + m_used * kPageSize;
        std::memset(page, 0, kPageSize);
        const int max = m_g.maxItems, item = m_g.itemSize, ks = m_g.keySize;
        const int base = 2 * (max + 2);
        for (int j = 0; j <= max; ++j)
            put16(page + 2 + 2 * j, std::uint32_t(base + j * item));
        const int k = children ? int(count) : int(hi - lo);
        put16(page, std::uint32_t(k));
        for (int j = 0; j < k; ++j) {
            char* it = page + base + j * item;
            const std::uint32_t rec = children ? separators[j] : m_order[lo + std::uint64_t(j)];
            put32(it, children ? children[j] : 0);
            put32(it + 4, rec);
            std::memcpy(it + 8, m_keys.key(rec), std::size_t(ks));
        }
        if (children)
            put32(page + base + k * item, children[k]);
        ++m_used;
        const std::uint32_t offset = std::uint32_t(m_next);
        m_next += kPageSize;
        return offset;
    }

    Status flush()
    {
        if (m_used == 0)
            return {};
        const std::uint64_t at = m_next - m_used * kPageSize;
        Status s = m_file.write(at, m_buffer.data(), m_used * kPageSize);
        m_used = 0;
        return s;
    }

    File& m_file;
    const Header& m_g;
    const KeyList& m_keys;
    const std::vector<std::uint32_t>& m_order;
    std::vector<std::uint64_t> m_cap, m_minc;
    std::vector<char> m_buffer;
    std::size_t m_used = 0;
    std::uint64_t m_next = kPageSize;
    Status m_status;
};

}  // namespace

Status collectKeys(DbfFile& table, const std::vector<const KeySource*>& sources, std::vector<KeyList>* out)
{
    STORAGE_TRY(table.flushBuffer());
    if (table.shared())
        STORAGE_TRY(table.refreshCount());
    const std::uint32_t count = table.count();
    out->assign(sources.size(), KeyList{});
    for (std::size_t i = 0; i < sources.size(); ++i) {
        (*out)[i].keySize = sources[i]->size();
        (*out)[i].count = count;
        (*out)[i].keys.resize(std::size_t(count) * std::size_t(sources[i]->size()));
    }
    const std::size_t rl = table.layout().recordLength();
    const std::uint32_t chunk = std::uint32_t(std::max<std::size_t>(1, kScanChunkBytes / rl));
    std::vector<char> buf(std::size_t(chunk) * rl);
    std::string key;
    for (std::uint32_t first = 1; first <= count; first += chunk) {
        const std::uint32_t want = std::min(chunk, count - first + 1);
        std::uint32_t got = 0;
        STORAGE_TRY(table.readMany(first, want, buf.data(), &got));
        if (got != want)
            return Status::corrupt(table.path() + ": records end early at " + std::to_string(first + got));
        for (std::uint32_t r = 0; r < got; ++r) {
            const char* rec = buf.data() + std::size_t(r) * rl;
            for (std::size_t i = 0; i < sources.size(); ++i) {
                KeyList& list = (*out)[i];
                sources[i]->key(rec, key);
                std::memcpy(list.keys.data() + std::size_t(first - 1 + r) * std::size_t(list.keySize), key.data(),
                            std::size_t(list.keySize));
            }
        }
    }
    return {};
}

void sortKeys(const KeyList& keys, bool descending, std::vector<std::uint32_t>* order)
{
    const int ks = keys.keySize;
    std::vector<SortItem> items(keys.count);
    for (std::uint32_t i = 0; i < keys.count; ++i) {
        const char* k = keys.key(i + 1);
        std::uint64_t a = loadBigEndian(k, ks), b = ks > 8 ? loadBigEndian(k + 8, ks - 8) : 0;
        if (descending) {
            a = ~a;
            b = ~b;
        }
        items[i] = {a, b, i + 1};
    }
    const char* base = keys.keys.data();
    const std::size_t tail = ks > 16 ? std::size_t(ks - 16) : 0;
    std::sort(items.begin(), items.end(), [&](const SortItem& x, const SortItem& y) {
        if (x.a != y.a)
            return x.a < y.a;
        if (x.b != y.b)
            return x.b < y.b;
        if (tail) {
            int c = std::memcmp(base + std::size_t(x.rec - 1) * std::size_t(ks) + 16,
                                base + std::size_t(y.rec - 1) * std::size_t(ks) + 16, tail);
            if (descending)
                c = -c;
            if (c != 0)
                return c < 0;
        }
        return x.rec < y.rec;
    });
    order->resize(keys.count);
    for (std::uint32_t i = 0; i < keys.count; ++i)
        (*order)[i] = items[i].rec;
}

Status writeTree(File& file, const Header& geometry, const KeyList& keys, const std::vector<std::uint32_t>& order,
                 std::uint32_t* root, std::uint64_t* end)
{
    TreeWriter w(file, geometry, keys, order);
    return w.run(root, end);
}

}  // namespace storage::ntx
