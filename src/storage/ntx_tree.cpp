// The B-tree of an NTX file: walking it (the cursor's paths of page and slot), and inserting and
// removing keys with the page splits, borrowings and joins that keep it balanced. Pages come from
// NtxIndex's cache; the locking and the crash marks around all this are in ntx_index.cpp.
//
// A path is the list of (page, slot) from the root down: at the last frame the slot is the key the
// path stands on; at the frames above it, the child it went down into. In a page with k keys, child
// i holds the keys before key i and child k those after key k - 1.
#include <algorithm>
#include <cstring>

#include "storage/ntx_index.h"

namespace storage {

// ---- Navigation

Status NtxIndex::descendEdge(std::uint32_t from, bool rightmost, Path* path)
{
    std::uint32_t off = from;
    for (;;) {
        if (path->size() >= std::size_t(ntx::kMaxDepth))
            return Status::corrupt(m_path + ": tree deeper than " + std::to_string(ntx::kMaxDepth) + " levels");
        const char* p = nullptr;
        STORAGE_TRY(page(off, &p));
        const int slot = rightmost ? keyCount(p) : 0;
        path->push_back({off, slot});
        const std::uint32_t c = child(p, slot);
        if (c == 0)
            return {};
        off = c;
    }
}

Status NtxIndex::normalizeForward(Path* path)
{
    while (!path->empty()) {
        const char* p = nullptr;
        STORAGE_TRY(page(path->back().page, &p));
        if (path->back().slot < keyCount(p))
            return {};
        path->pop_back();
    }
    return {};
}

Status NtxIndex::normalizeBackward(Path* path)
{
    while (!path->empty()) {
        if (path->back().slot > 0) {
            --path->back().slot;
            return {};
        }
        path->pop_back();
    }
    return {};
}

Status NtxIndex::stepForward(Path* path)
{
    Frame& f = path->back();
    const char* p = nullptr;
    STORAGE_TRY(page(f.page, &p));
    const std::uint32_t c = child(p, f.slot + 1);
    ++f.slot;
    if (c != 0)
        STORAGE_TRY(descendEdge(c, false, path));
    return normalizeForward(path);
}

Status NtxIndex::stepBackward(Path* path)
{
    const Frame& f = path->back();
    const char* p = nullptr;
    STORAGE_TRY(page(f.page, &p));
    const std::uint32_t c = child(p, f.slot);
    if (c != 0)
        STORAGE_TRY(descendEdge(c, true, path));
    return normalizeBackward(path);
}

Status NtxIndex::lowerBound(std::string_view value, bool strict, Path* path)
{
    path->clear();
    const std::size_t n = std::min<std::size_t>(value.size(), std::size_t(m_header.keySize));
    std::uint32_t off = m_header.root;
    for (;;) {
        if (path->size() >= std::size_t(ntx::kMaxDepth))
            return Status::corrupt(m_path + ": tree deeper than " + std::to_string(ntx::kMaxDepth) + " levels");
        const char* p = nullptr;
        STORAGE_TRY(page(off, &p));
        int lo = 0, hi = keyCount(p);
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            const int c = compare(keyAt(p, mid), value.data(), n);
            if (strict ? c <= 0 : c < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        path->push_back({off, lo});
        const std::uint32_t c = child(p, lo);
        if (c == 0)
            break;
        off = c;
    }
    return normalizeForward(path);
}

Status NtxIndex::findExact(std::string_view key, std::uint32_t recno, Path* path, bool* found)
{
    *found = false;
    STORAGE_TRY(lowerBound(key, false, path));
    const std::size_t n = std::size_t(m_header.keySize);
    while (!path->empty()) {
        const char* p = nullptr;
        STORAGE_TRY(page(path->back().page, &p));
        const int slot = path->back().slot;
        if (key.size() < n || std::memcmp(keyAt(p, slot), key.data(), n) != 0)
            return {};
        if (recnoAt(p, slot) == recno) {
            *found = true;
            return {};
        }
        STORAGE_TRY(stepForward(path));
    }
    return {};
}

Status NtxIndex::settleCursor(std::uint32_t* recno)
{
    if (m_cursor.empty()) {
        *recno = 0;
        return {};
    }
    const char* p = nullptr;
    STORAGE_TRY(page(m_cursor.back().page, &p));
    m_curKey.assign(keyAt(p, m_cursor.back().slot), std::size_t(m_header.keySize));
    m_curRec = recnoAt(p, m_cursor.back().slot);
    m_cursorGeneration = m_generation;
    m_state = State::At;
    *recno = m_curRec;
    return {};
}

Status NtxIndex::settle(const Path& path, std::uint32_t* recno)
{
    if (path.empty()) {
        *recno = 0;
        m_cursor.clear();
        return {};
    }
    const char* p = nullptr;
    STORAGE_TRY(page(path.back().page, &p));
    m_curKey.assign(keyAt(p, path.back().slot), std::size_t(m_header.keySize));
    m_curRec = recnoAt(p, path.back().slot);
    m_cursor = path;
    m_cursorGeneration = m_generation;
    m_state = State::At;
    *recno = m_curRec;
    return {};
}

Status NtxIndex::goTop(std::uint32_t* recno)
{
    STORAGE_TRY(beginRead());
    Path path;
    Status s = descendEdge(m_header.root, false, &path);
    if (s.ok())
        s = normalizeForward(&path);
    if (s.ok())
        s = settle(path, recno);
    if (s.ok() && path.empty())
        m_state = State::Eof;
    endRead();
    return s;
}

Status NtxIndex::goBottom(std::uint32_t* recno)
{
    STORAGE_TRY(beginRead());
    Path path;
    Status s = descendEdge(m_header.root, true, &path);
    if (s.ok())
        s = normalizeBackward(&path);
    if (s.ok())
        s = settle(path, recno);
    if (s.ok() && path.empty())
        m_state = State::Bof;
    endRead();
    return s;
}

Status NtxIndex::seek(std::string_view value, bool last, std::uint32_t* recno, bool* found)
{
    *found = false;
    STORAGE_TRY(beginRead());
    const std::size_t n = std::min<std::size_t>(value.size(), std::size_t(m_header.keySize));
    Path path;
    Status s = lowerBound(value, last, &path);
    if (s.ok() && last) {
        // The entry before the first greater key is the last one that may match.
        Path before = path;
        if (before.empty())
            s = descendEdge(m_header.root, true, &before), s = s.ok() ? normalizeBackward(&before) : s;
        else
            s = stepBackward(&before);
        if (s.ok() && !before.empty()) {
            const char* p = nullptr;
            s = page(before.back().page, &p);
            if (s.ok() && std::memcmp(keyAt(p, before.back().slot), value.data(), n) == 0)
                path = before;
        }
    }
    if (s.ok() && !path.empty()) {
        const char* p = nullptr;
        s = page(path.back().page, &p);
        if (s.ok())
            *found = std::memcmp(keyAt(p, path.back().slot), value.data(), n) == 0;
    }
    if (s.ok())
        s = settle(path, recno);
    if (s.ok() && path.empty())
        m_state = State::Eof;
    endRead();
    return s;
}

Status NtxIndex::restoreCursor()
{
    if (m_cursorGeneration == m_generation)
        return {};
    Path path;
    bool found = false;
    STORAGE_TRY(findExact(m_curKey, m_curRec, &path, &found));
    if (!found)
        return Status::notFound("entry gone");
    m_cursor = path;
    m_cursorGeneration = m_generation;
    return {};
}

Status NtxIndex::skip(int direction, std::uint32_t* recno)
{
    if (m_state == State::Eof && direction < 0)
        return goBottom(recno);
    if (m_state == State::Bof && direction > 0)
        return goTop(recno);
    if (m_state != State::At)
        return Status::invalidArgument(m_path + ": skip without a position");
    STORAGE_TRY(beginRead());
    Status s = restoreCursor();
    Path path;
    if (s.is(Status::Code::NotFound)) {
        // Our entry left the index (another process changed or removed it): continue from where
        // its key would be.
        s = lowerBound(m_curKey, false, &path);
        if (s.ok() && direction < 0) {
            if (path.empty())
                s = descendEdge(m_header.root, true, &path), s = s.ok() ? normalizeBackward(&path) : s;
            else
                s = stepBackward(&path);
        }
    } else if (s.ok()) {
        // The common case: one step from where the cursor is, on its own path (no copy).
        s = direction > 0 ? stepForward(&m_cursor) : stepBackward(&m_cursor);
        if (s.ok())
            s = settleCursor(recno);
        if (s.ok() && m_cursor.empty())
            m_state = direction > 0 ? State::Eof : State::Bof;
        if (!s.ok())
            m_state = State::None;
        endRead();
        return s;
    }
    if (s.ok())
        s = settle(path, recno);
    if (s.ok() && path.empty())
        m_state = direction > 0 ? State::Eof : State::Bof;
    endRead();
    return s;
}

Status NtxIndex::skipMany(std::size_t n, std::vector<Entry>* out, int direction)
{
    out->clear();
    if (n == 0)
        return {};
    const bool forward = direction >= 0;
    std::uint32_t recno = 0;
    if (m_state != State::At) {
        if (m_state == (forward ? State::Bof : State::Eof))
            STORAGE_TRY(forward ? goTop(&recno) : goBottom(&recno));
        if (recno == 0)
            return {};
        out->push_back({recno, m_curKey});
        if (--n == 0)
            return {};
    }
    STORAGE_TRY(beginRead());
    Status s = restoreCursor();
    Path path;
    bool stepFirst = true;
    if (s.is(Status::Code::NotFound)) {
        // Our entry left the index: go on from where its key would be (as skip() does).
        s = lowerBound(m_curKey, false, &path);
        if (s.ok() && !forward) {
            if (path.empty())
                s = descendEdge(m_header.root, true, &path), s = s.ok() ? normalizeBackward(&path) : s;
            else
                s = stepBackward(&path);
        }
        stepFirst = false;
    } else if (s.ok()) {
        path = m_cursor;
    }
    while (s.ok() && n > 0) {
        if (stepFirst)
            s = forward ? stepForward(&path) : stepBackward(&path);
        stepFirst = true;
        if (!s.ok())
            break;
        if (path.empty()) {
            m_state = forward ? State::Eof : State::Bof;
            m_cursor.clear();
            break;
        }
        s = settle(path, &recno);
        if (s.ok())
            out->push_back({recno, m_curKey});
        --n;
    }
    endRead();
    return s;
}

// The share of the tree before a path, for a scroll bar: at each level the child (or key) it
// took, as a fraction of the page's children, within the share of its parent. Exact for a full
// tree, close for the trees bulk builds and updates leave.
Status NtxIndex::pathFraction(const Path& path, double* out)
{
    double at = 0, width = 1;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char* p = nullptr;
        STORAGE_TRY(page(path[i].page, &p));
        const int k = keyCount(p);
        const bool leaf = child(p, 0) == 0;
        if (i + 1 == path.size()) {
            // The key itself: after its left child's keys in an inner page, among the keys of a leaf.
            at += leaf ? width * path[i].slot / std::max(k, 1) : width * (path[i].slot + 1) / (k + 1);
            break;
        }
        at += width * path[i].slot / (k + 1);
        width /= (k + 1);
    }
    *out = std::clamp(at, 0.0, 1.0);
    return {};
}

Status NtxIndex::fractionOf(std::string_view key, std::uint32_t recno, double* fraction)
{
    *fraction = 0;
    STORAGE_TRY(beginRead());
    Path path;
    bool found = false;
    Status s = findExact(key, recno, &path, &found);
    if (s.ok() && !found)
        s = lowerBound(key, false, &path);
    if (s.ok())
        s = path.empty() ? Status() : pathFraction(path, fraction);
    if (s.ok() && path.empty())
        *fraction = 1;
    endRead();
    return s;
}

Status NtxIndex::entryAt(double fraction, Entry* out)
{
    *out = {};
    fraction = std::clamp(fraction, 0.0, 1.0);
    STORAGE_TRY(beginRead());
    Path path;
    Status s;
    std::uint32_t off = m_header.root;
    for (;;) {
        if (path.size() >= std::size_t(ntx::kMaxDepth)) {
            s = Status::corrupt(m_path + ": tree deeper than " + std::to_string(ntx::kMaxDepth) + " levels");
            break;
        }
        const char* p = nullptr;
        s = page(off, &p);
        if (!s.ok())
            break;
        const int k = keyCount(p);
        if (child(p, 0) == 0) {
            path.push_back({off, std::min(int(fraction * k), std::max(k - 1, 0))});
            if (k == 0)
                path.back().slot = 0;
            break;
        }
        const double x = fraction * (k + 1);
        const int slot = std::min(int(x), k);
        fraction = std::clamp(x - slot, 0.0, 1.0);
        path.push_back({off, slot});
        off = child(p, slot);
    }
    if (s.ok())
        s = normalizeForward(&path);
    if (s.ok() && !path.empty()) {
        const char* p = nullptr;
        s = page(path.back().page, &p);
        if (s.ok()) {
            out->recno = recnoAt(p, path.back().slot);
            out->key.assign(keyAt(p, path.back().slot), std::size_t(m_header.keySize));
        }
    }
    endRead();
    return s;
}

Status NtxIndex::locate(std::string_view key, std::uint32_t recno, bool* found, std::uint32_t* at)
{
    STORAGE_TRY(beginRead());
    Path path;
    Status s = findExact(key, recno, &path, found);
    if (s.ok() && !*found)
        s = lowerBound(key, false, &path);
    if (s.ok())
        s = settle(path, at);
    if (s.ok() && path.empty())
        m_state = State::Eof;
    endRead();
    return s;
}

void NtxIndex::setCurrent(std::string_view key, std::uint32_t recno)
{
    m_curKey.assign(key);
    m_curRec = recno;
    m_state = State::At;
    m_cursorGeneration = ~std::uint64_t(0);
}

Status NtxIndex::insert(std::string_view key, std::uint32_t recno)
{
    if (!m_inUpdate)
        return Status::invalidArgument(m_path + ": insert outside an update");
    if (key.size() != std::size_t(m_header.keySize))
        return Status::invalidArgument(m_path + ": key of " + std::to_string(key.size()) + " bytes");
    // Down to a leaf, after every equal key (a new key goes behind its equals).
    Path path;
    std::uint32_t off = m_header.root;
    for (;;) {
        if (path.size() >= std::size_t(ntx::kMaxDepth))
            return Status::corrupt(m_path + ": tree deeper than " + std::to_string(ntx::kMaxDepth) + " levels");
        const char* p = nullptr;
        STORAGE_TRY(page(off, &p));
        int lo = 0, hi = keyCount(p);
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            if (compare(keyAt(p, mid), key.data(), key.size()) <= 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        path.push_back({off, lo});
        const std::uint32_t c = child(p, lo);
        if (c == 0)
            break;
        off = c;
    }
    char item[8 + ntx::kMaxKeySize];
    ntx::put32(item, 0);
    ntx::put32(item + 4, recno);
    std::memcpy(item + 8, key.data(), key.size());
    return insertAt(path, item);
}

Status NtxIndex::insertAt(Path& path, const char* item)
{
    const Frame f = path.back();
    const int max = m_header.maxItems;
    char* p = nullptr;
    STORAGE_TRY(mutablePage(f.page, &p));
    const int k = keyCount(p);
    if (k < max) {
        // Room in the page: the spare item position in slot k + 1 takes the new item, and the slots
        // from the insertion point on move one up (the offset table stays a permutation).
        const std::uint16_t spare = ntx::get16(p + 2 + 2 * (k + 1));
        std::memmove(p + 2 + 2 * (f.slot + 1), p + 2 + 2 * f.slot, std::size_t(2 * (k + 1 - f.slot)));
        ntx::put16(p + 2 + 2 * f.slot, spare);
        std::memcpy(p + spare, item, std::size_t(m_header.itemSize));
        ntx::put16(p, std::uint32_t(k + 1));
        return {};
    }
    // Full: split. The new page takes the lower half, this page keeps the upper half, and the
    // middle item moves up pointing at the new page.
    Node node(m_header.itemSize);
    STORAGE_TRY(readNode(f.page, &node));
    node.insert(std::size_t(f.slot), item);
    const std::size_t left = std::size_t(max + 1) / 2;
    Node lower(m_header.itemSize), upper(m_header.itemSize);
    lower.append(node, 0, left);
    lower.rightmost = node.child(left);
    upper.append(node, left + 1, node.size());
    upper.rightmost = node.rightmost;
    std::uint32_t lowerOff = 0;
    STORAGE_TRY(allocatePage(&lowerOff));
    STORAGE_TRY(writeNode(lowerOff, lower));
    STORAGE_TRY(writeNode(f.page, upper));
    node.setChild(left, lowerOff);
    const char* up = node.item(left);
    path.pop_back();
    if (path.empty()) {
        std::uint32_t rootOff = 0;
        STORAGE_TRY(allocatePage(&rootOff));
        Node root(m_header.itemSize);
        root.insert(0, up);
        root.rightmost = f.page;
        STORAGE_TRY(writeNode(rootOff, root));
        m_header.root = rootOff;
        return {};
    }
    return insertAt(path, up);
}

Status NtxIndex::remove(std::string_view key, std::uint32_t recno)
{
    if (!m_inUpdate)
        return Status::invalidArgument(m_path + ": remove outside an update");
    Path path;
    bool found = false;
    STORAGE_TRY(findExact(key, recno, &path, &found));
    if (!found)
        return Status::notFound(m_path + ": no key for record " + std::to_string(recno));
    const Frame f = path.back();
    const char* cp = nullptr;
    STORAGE_TRY(page(f.page, &cp));
    std::uint32_t leaf = f.page;
    int slot = f.slot;
    if (child(cp, f.slot) != 0) {
        // A key in a branch page takes the place of its predecessor, the last key of the rightmost
        // leaf of its left subtree; that leaf loses one key.
        STORAGE_TRY(descendEdge(child(cp, f.slot), true, &path));
        leaf = path.back().page;
        const char* lp = nullptr;
        STORAGE_TRY(page(leaf, &lp));
        slot = keyCount(lp) - 1;
        if (slot < 0)
            return Status::corrupt(m_path + ": empty page " + std::to_string(leaf) + " below a branch");
        char predecessor[8 + ntx::kMaxKeySize];
        std::memcpy(predecessor, item(lp, slot) + 4, std::size_t(4 + m_header.keySize));
        char* bp = nullptr;
        STORAGE_TRY(mutablePage(f.page, &bp));
        std::memcpy(const_cast<char*>(item(bp, f.slot)) + 4, predecessor, std::size_t(4 + m_header.keySize));
        path.back().slot = slot;
    }
    char* p = nullptr;
    STORAGE_TRY(mutablePage(leaf, &p));
    const int k = keyCount(p);
    const std::uint16_t removed = ntx::get16(p + 2 + 2 * slot);
    std::memmove(p + 2 + 2 * slot, p + 2 + 2 * (slot + 1), std::size_t(2 * (k - slot)));
    ntx::put16(p + 2 + 2 * k, removed);
    ntx::put16(p, std::uint32_t(k - 1));
    return rebalance(path);
}

Status NtxIndex::rebalance(Path& path)
{
    const std::uint32_t x = path.back().page;
    const char* px = nullptr;
    STORAGE_TRY(page(x, &px));
    if (path.size() == 1) {
        // The root: an empty root over one child gives way to that child.
        if (keyCount(px) == 0 && child(px, 0) != 0) {
            m_header.root = child(px, 0);
            STORAGE_TRY(freePage(x));
        }
        return {};
    }
    // A page is joined with or balanced against a sibling only below a quarter full (never empty),
    // not already below half as a split leaves it: so a key added and removed again at the same
    // place - the blank key of every append - does not split and join the same pages each time.
    const int half = m_header.maxItems / 2;
    if (keyCount(px) >= std::max(1, half / 2))
        return {};
    const std::size_t itemSize = std::size_t(m_header.itemSize);
    const Frame parent = path[path.size() - 2];
    Node pa(m_header.itemSize), node(m_header.itemSize);
    STORAGE_TRY(readNode(parent.page, &pa));
    STORAGE_TRY(readNode(x, &node));
    const std::size_t j = std::size_t(parent.slot), pk = pa.size();
    auto childAt = [&](std::size_t i) { return i < pk ? pa.child(i) : pa.rightmost; };
    const std::uint32_t left = j > 0 ? childAt(j - 1) : 0;
    const std::uint32_t right = j < pk ? childAt(j + 1) : 0;
    char down[8 + ntx::kMaxKeySize];
    Node sib(m_header.itemSize);
    if (left != 0) {
        STORAGE_TRY(readNode(left, &sib));
        if (int(sib.size()) > half) {
            // Borrow through the parent: its separator comes down in front, the left sibling's
            // last key goes up.
            std::memcpy(down, pa.item(j - 1), itemSize);
            ntx::put32(down, sib.rightmost);
            node.insert(0, down);
            const std::size_t last = sib.size() - 1;
            sib.rightmost = sib.child(last);
            pa.setEntry(j - 1, sib.item(last));
            sib.erase(last);
            STORAGE_TRY(writeNode(left, sib));
            STORAGE_TRY(writeNode(x, node));
            return writeNode(parent.page, pa);
        }
    }
    Node rsib(m_header.itemSize);
    if (right != 0) {
        STORAGE_TRY(readNode(right, &rsib));
        if (int(rsib.size()) > half) {
            std::memcpy(down, pa.item(j), itemSize);
            ntx::put32(down, node.rightmost);
            node.insert(node.size(), down);
            node.rightmost = rsib.child(0);
            pa.setEntry(j, rsib.item(0));
            rsib.erase(0);
            STORAGE_TRY(writeNode(right, rsib));
            STORAGE_TRY(writeNode(x, node));
            return writeNode(parent.page, pa);
        }
    }
    Node merged(m_header.itemSize);
    if (left != 0 && sib.size() + 1 + node.size() <= std::size_t(m_header.maxItems)) {
        // Join with the left sibling around their separator; this page keeps the result.
        merged.append(sib, 0, sib.size());
        std::memcpy(down, pa.item(j - 1), itemSize);
        ntx::put32(down, sib.rightmost);
        merged.insert(merged.size(), down);
        merged.append(node, 0, node.size());
        merged.rightmost = node.rightmost;
        STORAGE_TRY(writeNode(x, merged));
        STORAGE_TRY(freePage(left));
        pa.erase(j - 1);
    } else if (right != 0 && node.size() + 1 + rsib.size() <= std::size_t(m_header.maxItems)) {
        merged.append(node, 0, node.size());
        std::memcpy(down, pa.item(j), itemSize);
        ntx::put32(down, node.rightmost);
        merged.insert(merged.size(), down);
        merged.append(rsib, 0, rsib.size());
        merged.rightmost = rsib.rightmost;
        STORAGE_TRY(writeNode(right, merged));
        STORAGE_TRY(freePage(x));
        pa.erase(j);
    } else {
        return {};
    }
    STORAGE_TRY(writeNode(parent.page, pa));
    path.pop_back();
    return rebalance(path);
}

}  // namespace storage
