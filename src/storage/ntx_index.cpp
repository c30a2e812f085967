// CRASH MARKS - why a process killed in the middle of an append or an index update cannot leave an
// index that disagrees with its table unnoticed.
//
// A writer that dies halfway through an update may leave a torn tree (some pages new, some old),
// or a table record whose keys are not in the index yet. This engine marks both cases in header
// bytes the reference runtime leaves zero at creation and never rewrites (ntx_format.h):
//
//   Pending-record slots (shared use). A slot holds a record number n; it means "record n's keys
//   in this index may not match the table, and the process holding record n's lock is on it".
//   Every writer of this engine holds the record's lock (or the file lock) for as long as its slot
//   is set, and a process's locks die with it. So a slot whose record lock nobody holds - tried
//   through a handle of our own, which other work areas of our process exclude too - belongs to
//   a writer that died.
//     - An append sets slot n in every index (each under the index write lock, briefly) before the
//       blank record is written to the table; the record stays out of the indexes, as the
//       reference runtime's appends do, until its commit.
//     - A commit takes the write lock of every index whose key changed (in one order for every
//       process), sets slot n where it is not set yet, writes the record, changes the pages, and
//       writes each header page with the version + 1 and slot n cleared, then unlocks.
//   A kill anywhere in there leaves slot n set in every index not yet finished, with its record
//   lock gone; before the slot was set nothing had changed, after the header write the index is
//   complete.
//
//   The mark ("MVUPDATE", one per file) stands for a writer holding no record lock: a rebuild, an
//   update that failed half-written, an exclusive session (set before the first change, cleared at
//   close), or a commit finding every slot taken. Nobody else can hold the index lock while its
//   writer is alive, so a mark seen under the index lock means the writer died.
//
// Whoever takes the index lock re-reads the header (as the reference protocol demands) and, on a
// mark or a dead slot, rebuilds the index from the table under the write lock, leaving out the
// records of live slots (which stay set), and tells its caller. The rebuild reads the table
// without a lock: every writer of this engine changes a record only while its slot or the mark
// is set in every index it keeps. Single-page writes of 1024 aligned bytes are never torn by a
// kill; the marks cover the rest.
//
// A write the system refuses while the writer lives (a full disk, an I/O error) needs no mark: the
// writer still holds the locks, so it puts back what it wrote - the former bytes of each page it
// changed (kept from the first change in the update), the file cut to its former end, the header
// as before the update (rollbackUpdate) - and only when that fails too does the mark stay.
#include "storage/ntx_index.h"

#include <algorithm>
#include <cstring>

#include "storage/ntx_build.h"

namespace storage {
namespace {

constexpr std::size_t kCacheLimit = 65536;  // pages (64 MB); beyond that the cache starts afresh

}  // namespace

NtxIndex::~NtxIndex()
{
    (void)close();
}

Status NtxIndex::open(const std::string& path, ShareMode mode, std::unique_ptr<NtxIndex>* out)
{
    std::unique_ptr<NtxIndex> ix(new NtxIndex);
    ix->m_path = path;
    ix->m_mode = mode;
    STORAGE_TRY(fileSystem().open(path, mode, OpenFlags::Existing, &ix->m_file));
    if (mode == ShareMode::Shared)
        STORAGE_TRY(lockWait(*ix->m_file, lockmap::kIndex, 1, LockKind::Read));
    Status s = ix->refreshHeader();
    if (mode == ShareMode::Shared)
        (void)ix->m_file->unlock(lockmap::kIndex, 1);
    STORAGE_TRY(s);
    if (mode == ShareMode::Exclusive) {
        std::uint64_t size = 0;
        STORAGE_TRY(ix->m_file->size(&size));
        ix->m_fileEnd = (size + ntx::kPageSize - 1) / ntx::kPageSize * ntx::kPageSize;
    }
    *out = std::move(ix);
    return {};
}

Status NtxIndex::create(const std::string& path, ShareMode mode, const std::string& expression, KeySource& keys,
                        DbfFile& table, std::unique_ptr<NtxIndex>* out)
{
    if (expression.empty() || expression.size() >= ntx::kExpressionSize)
        return Status::invalidArgument(path + ": key expression length");
    std::unique_ptr<NtxIndex> ix(new NtxIndex);
    ix->m_path = path;
    ix->m_mode = mode;
    STORAGE_TRY(fileSystem().open(path, mode, OpenFlags::Create, &ix->m_file));
    if (mode == ShareMode::Shared)
        STORAGE_TRY(lockWait(*ix->m_file, lockmap::kIndex, 1, LockKind::Write));
    ntx::Header& h = ix->m_header;
    h.keySize = std::min(keys.naturalSize(), ntx::kMaxKeySize);
    h.keyDecimals = keys.naturalDecimals();
    h.itemSize = h.keySize + 8;
    h.maxItems = ntx::maxItems(h.keySize);
    h.halfPage = h.maxItems / 2;
    h.expression = expression;
    h.version = 0;  // +1 below
    // A file that held an index keeps counting versions, so no process mistakes its cached pages
    // for the new tree's.
    char old[ntx::kPageSize];
    std::size_t got = 0;
    ntx::Header previous;
    if (ix->m_file->read(0, old, sizeof old, &got).ok() && got == sizeof old && ntx::Header::decode(old, &previous).ok())
        h.version = previous.version;
    keys.setShape(h.keySize, h.keyDecimals);
    ix->bind(&keys, &table);
    Status s = ix->rebuild();
    ix->m_rebuilt = false;
    if (mode == ShareMode::Shared)
        (void)ix->m_file->unlock(lockmap::kIndex, 1);
    STORAGE_TRY(s);
    *out = std::move(ix);
    return {};
}

Status NtxIndex::close()
{
    if (!m_file)
        return {};
    Status s;
    if (m_inUpdate)
        abortUpdate();
    if (m_mode == ShareMode::Exclusive && m_markOnDisk && !m_torn) {
        ++m_header.version;
        m_header.encodeFixed(m_headerPage);
        std::memset(m_headerPage + ntx::kMarkOffset, 0, sizeof ntx::kMark);
        s = m_file->write(0, m_headerPage, ntx::kPageSize);
        m_markOnDisk = false;
    }
    m_file.reset();
    return s.withContext(m_path);
}

void NtxIndex::bind(KeySource* keys, DbfFile* table)
{
    m_keys = keys;
    m_table = table;
    if (m_keys)
        m_keys->setShape(m_header.keySize, m_header.keyDecimals);
}

bool NtxIndex::takeRebuilt()
{
    const bool r = m_rebuilt;
    m_rebuilt = false;
    return r;
}

Status NtxIndex::refreshHeader()
{
    char page[ntx::kPageSize];
    std::size_t got = 0;
    STORAGE_TRY(m_file->read(0, page, sizeof page, &got));
    if (got < sizeof page)
        return Status::corrupt(m_path + ": shorter than an index header (" + std::to_string(got) + " bytes)");
    ntx::Header h;
    STORAGE_TRY(ntx::Header::decode(page, &h).withContext(m_path));
    m_header = std::move(h);
    std::memcpy(m_headerPage, page, sizeof page);
    dropCache();
    return {};
}

// ---- Locking and the header check

Status NtxIndex::lockRead()
{
    return beginRead();
}

void NtxIndex::unlockRead()
{
    endRead();
}

Status NtxIndex::beginRead()
{
    if (m_readDepth++ > 0 || m_inUpdate || m_mode == ShareMode::Exclusive)
        return {};
    for (;;) {
        Status s = lockWait(*m_file, lockmap::kIndex, 1, LockKind::Read);
        if (!s.ok()) {
            --m_readDepth;
            return s;
        }
        s = checkHeader(false);
        if (s.ok() && !m_needRepair)
            return {};
        (void)m_file->unlock(lockmap::kIndex, 1);
        if (!s.ok()) {
            --m_readDepth;
            return s;
        }
        // A writer died (a mark, or a slot whose record lock nobody holds): repair under the
        // write lock, then read again.
        s = lockWait(*m_file, lockmap::kIndex, 1, LockKind::Write);
        if (s.ok()) {
            s = checkHeader(true);
            (void)m_file->unlock(lockmap::kIndex, 1);
        }
        if (!s.ok()) {
            --m_readDepth;
            return s;
        }
    }
}

void NtxIndex::endRead()
{
    if (--m_readDepth > 0 || m_inUpdate || m_mode == ShareMode::Exclusive)
        return;
    (void)m_file->unlock(lockmap::kIndex, 1);
}

Status NtxIndex::checkHeader(bool writeLocked)
{
    char page[ntx::kPageSize];
    STORAGE_TRY(m_file->readExactMapped(0, page, sizeof page).withContext("index header"));
    if (std::memcmp(page, m_headerPage, sizeof page) != 0) {
        ntx::Header h;
        STORAGE_TRY(ntx::Header::decode(page, &h).withContext(m_path));
        if (h.keySize != m_header.keySize || h.keyDecimals != m_header.keyDecimals || h.maxItems != m_header.maxItems ||
            normalizeKeyExpression(h.expression) != normalizeKeyExpression(m_header.expression))
            return Status::corrupt(m_path + ": rebuilt by another process for the key \"" + h.expression + "\"");
        if (std::memcmp(page, m_headerPage, ntx::kFixedHeaderSize) != 0) {
            dropCache();
            ++m_generation;
        }
        // Another process wrote: the file may have grown. While the header stays as this handle
        // last saw or wrote it, nobody else changed the index, so the end found before still holds.
        if (m_mode == ShareMode::Shared)
            m_fileEnd = 0;
        m_header = std::move(h);
        std::memcpy(m_headerPage, page, sizeof page);
    }
    m_needRepair = m_header.updating;
    if (!m_needRepair && !m_header.pending.empty() && m_table) {
        std::vector<std::uint32_t> live;
        STORAGE_TRY(livePending(&live));
        m_needRepair = live.size() != m_header.pending.size();
    }
    if (m_needRepair && writeLocked)
        return repairLocked();
    return {};
}

Status NtxIndex::livePending(std::vector<std::uint32_t>* live)
{
    live->clear();
    for (std::uint32_t n : m_header.pending) {
        bool held = true;
        if (m_table)
            STORAGE_TRY(m_table->recordHeldElsewhere(n, &held));
        if (held)
            live->push_back(n);
    }
    return {};
}

Status NtxIndex::repairLocked()
{
    if (!m_keys || !m_table)
        return Status::corrupt(m_path + ": an update was interrupted; the index must be rebuilt");
    std::vector<std::uint32_t> live;
    STORAGE_TRY(livePending(&live));
    std::vector<ntx::KeyList> lists;
    STORAGE_TRY(ntx::collectKeys(*m_table, {m_keys}, &lists));
    STORAGE_TRY(rebuildFrom(lists[0], live));
    m_needRepair = false;
    return {};
}

Status NtxIndex::repairIfInterrupted()
{
    if (m_mode == ShareMode::Shared) {
        STORAGE_TRY(beginRead());  // repairs a marked file on the way
        endRead();
        return {};
    }
    // Held exclusive, nobody else can be writing: any mark or slot was left by a writer that died.
    if (m_header.updating || !m_header.pending.empty()) {
        if (!m_keys || !m_table)
            return Status::corrupt(m_path + ": an update was interrupted; the index must be rebuilt");
        return rebuild();
    }
    return {};
}

bool NtxIndex::hasPending(std::uint32_t recno) const
{
    return std::find(m_header.pending.begin(), m_header.pending.end(), recno) != m_header.pending.end();
}

Status NtxIndex::setSlot(std::uint32_t recno, bool* set)
{
    *set = false;
    for (std::size_t i = 0; i < ntx::kSlotCount; ++i) {
        char* slot = m_headerPage + ntx::kSlotOffset + 4 * i;
        if (ntx::get32(slot) != 0)
            continue;
        ntx::put32(slot, recno);
        Status s = m_file->writeMapped(ntx::kSlotOffset + 4 * i, slot, 4);
        if (!s.ok()) {
            ntx::put32(slot, 0);
            return s;
        }
        m_header.pending.push_back(recno);
        *set = true;
        return {};
    }
    return {};  // every slot taken
}

Status NtxIndex::clearSlots(std::uint32_t recno, bool store)
{
    Status s;
    for (std::size_t i = 0; i < ntx::kSlotCount && s.ok(); ++i) {
        char* slot = m_headerPage + ntx::kSlotOffset + 4 * i;
        if (ntx::get32(slot) != recno)
            continue;
        ntx::put32(slot, 0);
        if (store)
            s = m_file->writeMapped(ntx::kSlotOffset + 4 * i, slot, 4);
    }
    std::erase(m_header.pending, recno);
    return s;
}

Status NtxIndex::reservePending(std::uint32_t recno, bool* reserved)
{
    *reserved = false;
    if (m_mode == ShareMode::Exclusive)
        return {};
    STORAGE_TRY(lockWait(*m_file, lockmap::kIndex, 1, LockKind::Write));
    const bool rebuiltBefore = m_rebuilt;
    Status s = checkHeader(true);
    m_rebuilt = m_rebuilt || rebuiltBefore;
    if (s.ok())
        s = setSlot(recno, reserved);
    (void)m_file->unlock(lockmap::kIndex, 1);
    return s.withContext(m_path);
}

Status NtxIndex::releasePending(std::uint32_t recno)
{
    if (m_mode == ShareMode::Exclusive)
        return {};
    STORAGE_TRY(lockWait(*m_file, lockmap::kIndex, 1, LockKind::Write));
    Status s = checkHeader(true);
    if (s.ok() && hasPending(recno)) {
        (void)clearSlots(recno, false);
        s = m_file->write(0, m_headerPage, ntx::kPageSize);
    }
    (void)m_file->unlock(lockmap::kIndex, 1);
    return s.withContext(m_path);
}

Status NtxIndex::writeHeaderPage(bool mark)
{
    m_header.updating = mark;
    m_header.encodeFixed(m_headerPage);
    if (mark)
        std::memcpy(m_headerPage + ntx::kMarkOffset, ntx::kMark, sizeof ntx::kMark);
    else
        std::memset(m_headerPage + ntx::kMarkOffset, 0, sizeof ntx::kMark);
    return m_file->write(0, m_headerPage, ntx::kPageSize);
}

Status NtxIndex::rebuild()
{
    if (!m_keys || !m_table)
        return Status::invalidArgument(m_path + ": no table bound to rebuild from");
    std::vector<ntx::KeyList> lists;
    STORAGE_TRY(ntx::collectKeys(*m_table, {m_keys}, &lists));
    return rebuildFrom(lists[0]);
}

Status NtxIndex::rebuildFrom(const ntx::KeyList& keys, const std::vector<std::uint32_t>& pending)
{
    if (keys.keySize != m_header.keySize)
        return Status::invalidArgument(m_path + ": keys of another size");
    if (m_header.unique || !m_header.forExpression.empty())
        return Status::unsupported(m_path + ": UNIQUE or FOR indexes are not built here");
    // The mark first, so a rebuild that is itself interrupted is found and redone.
    ntx::Header h = m_header;
    h.updating = true;
    h.root = ntx::kPageSize;
    h.freeHead = 0;
    h.signature = ntx::kSignature;
    h.pending = pending;
    h.encode(m_headerPage);
    STORAGE_TRY(m_file->write(0, m_headerPage, ntx::kPageSize));
    STORAGE_TRY(m_file->truncate(ntx::kPageSize));
    dropCache();
    ++m_generation;

    std::vector<std::uint32_t> order;
    ntx::sortKeys(keys, h.descending, &order);
    if (!pending.empty())  // records still being appended stay out, under their slots
        order.erase(std::remove_if(order.begin(), order.end(),
                                   [&](std::uint32_t r) {
                                       return std::find(pending.begin(), pending.end(), r) != pending.end();
                                   }),
                    order.end());
    std::uint32_t root = 0;
    std::uint64_t end = 0;
    STORAGE_TRY(ntx::writeTree(*m_file, h, keys, order, &root, &end));
    h.root = root;
    h.version = std::uint16_t(h.version + 1);
    h.updating = m_mode == ShareMode::Exclusive && m_markOnDisk;
    m_header = h;
    m_header.encode(m_headerPage);
    STORAGE_TRY(m_file->write(0, m_headerPage, ntx::kPageSize));
    m_fileEnd = end;
    m_unsynced = true;
    m_rebuilt = true;
    m_state = State::None;
    return {};
}

// ---- Pages

void NtxIndex::dropCache()
{
    m_cache.clear();
    m_lastBytes = nullptr;
}

int NtxIndex::compare(const char* a, const char* b, std::size_t n) const
{
    const int c = std::memcmp(a, b, n);
    return m_header.descending ? -c : c;
}

Status NtxIndex::validatePage(std::uint32_t offset, const char* p) const
{
    const int max = m_header.maxItems, itemSize = m_header.itemSize;
    const int base = 2 * (max + 2);
    const int k = ntx::get16(p);
    if (k > max)
        return Status::corrupt(m_path + ": page " + std::to_string(offset) + " holds " + std::to_string(k) +
                               " keys, at most " + std::to_string(max) + " fit");
    unsigned char seen[ntx::kPageSize / 8] = {};
    for (int j = 0; j <= max; ++j) {
        const int o = ntx::get16(p + 2 + 2 * j);
        const int pos = (o - base) / itemSize;
        if (o < base || (o - base) % itemSize != 0 || pos > max || (seen[pos / 8] >> (pos % 8) & 1))
            return Status::corrupt(m_path + ": page " + std::to_string(offset) + ": offset table slot " +
                                   std::to_string(j) + " is broken");
        seen[pos / 8] |= std::uint8_t(1u << (pos % 8));
    }
    return {};
}

Status NtxIndex::readPage(std::uint32_t offset, const char** out)
{
    return page(offset, out);
}

Status NtxIndex::page(std::uint32_t offset, const char** out)
{
    if (offset == m_lastPage && m_lastBytes) {  // walks touch one page many times in a row
        *out = m_lastBytes;
        return {};
    }
    if (offset == 0 || offset % ntx::kPageSize != 0)
        return Status::corrupt(m_path + ": page reference " + std::to_string(offset));
    auto it = m_cache.find(offset);
    if (it != m_cache.end()) {
        m_lastPage = offset;
        m_lastBytes = it->second->bytes;
        *out = m_lastBytes;
        return {};
    }
    if (m_cache.size() >= kCacheLimit && !m_inUpdate)
        dropCache();
    auto p = std::make_unique<Page>();
    STORAGE_TRY(m_file->readExactMapped(offset, p->bytes, ntx::kPageSize).withContext(m_path + ": page " + std::to_string(offset)));
    STORAGE_TRY(validatePage(offset, p->bytes));
    *out = p->bytes;
    m_cache.emplace(offset, std::move(p));
    return {};
}

Status NtxIndex::mutablePage(std::uint32_t offset, char** out)
{
    const char* p = nullptr;
    STORAGE_TRY(page(offset, &p));
    if (std::find(m_dirty.begin(), m_dirty.end(), offset) == m_dirty.end()) {
        keepUndo(offset);
        m_dirty.push_back(offset);
    }
    m_changed = true;
    *out = const_cast<char*>(p);
    return {};
}

Status NtxIndex::allocatePage(std::uint32_t* offset)
{
    auto fresh = std::make_unique<Page>();
    if (m_header.freeHead != 0) {
        const std::uint32_t off = m_header.freeHead;
        keepUndo(off);
        // A page freed earlier in this update is only in the cache so far.
        if (auto it = m_cache.find(off); it != m_cache.end())
            std::memcpy(fresh->bytes, it->second->bytes, ntx::kPageSize);
        else
            STORAGE_TRY(m_file->readExact(off, fresh->bytes, ntx::kPageSize).withContext(m_path + ": free page"));
        const int base = 2 * (m_header.maxItems + 2);
        const int slot0 = ntx::get16(fresh->bytes + 2);
        if (slot0 < base || slot0 + m_header.itemSize > int(ntx::kPageSize))
            return Status::corrupt(m_path + ": free page " + std::to_string(off) + " has a broken slot 0");
        const std::uint32_t next = ntx::get32(fresh->bytes + slot0);
        if (next % ntx::kPageSize != 0 || next == off)
            return Status::corrupt(m_path + ": free page chain broken at " + std::to_string(off));
        m_header.freeHead = next;
        *offset = off;
    } else {
        if (m_fileEnd == 0) {
            std::uint64_t size = 0;
            STORAGE_TRY(m_file->size(&size));
            m_fileEnd = std::max<std::uint64_t>(2 * ntx::kPageSize,
                                                (size + ntx::kPageSize - 1) / ntx::kPageSize * ntx::kPageSize);
        }
        if (m_endBefore == 0)
            m_endBefore = m_fileEnd;
        if (m_fileEnd > 0xFFFFFC00ull)
            return Status::invalidArgument(m_path + ": index file full (4 GB)");
        *offset = std::uint32_t(m_fileEnd);
        m_fileEnd += ntx::kPageSize;
    }
    // A fresh, empty page: k = 0 and the offset table in position order.
    const int max = m_header.maxItems, base = 2 * (max + 2);
    std::memset(fresh->bytes, 0, ntx::kPageSize);
    for (int j = 0; j <= max; ++j)
        ntx::put16(fresh->bytes + 2 + 2 * j, std::uint32_t(base + j * m_header.itemSize));
    m_cache[*offset] = std::move(fresh);
    m_lastBytes = nullptr;  // the page may have been cached before, at another address
    m_dirty.push_back(*offset);
    m_changed = true;
    return {};
}

Status NtxIndex::freePage(std::uint32_t offset)
{
    const Node empty(m_header.itemSize);
    STORAGE_TRY(writeNode(offset, empty));
    char* p = nullptr;
    STORAGE_TRY(mutablePage(offset, &p));
    ntx::put32(p + 2 * (m_header.maxItems + 2), m_header.freeHead);  // slot 0's child: the next free page
    m_header.freeHead = offset;
    return {};
}

Status NtxIndex::readNode(std::uint32_t offset, Node* node)
{
    const char* p = nullptr;
    STORAGE_TRY(page(offset, &p));
    const int k = keyCount(p);
    node->clear();
    for (int i = 0; i < k; ++i)
        node->insert(std::size_t(i), item(p, i));
    node->rightmost = child(p, k);
    return {};
}

Status NtxIndex::writeNode(std::uint32_t offset, const Node& node)
{
    const int max = m_header.maxItems, itemSize = m_header.itemSize, base = 2 * (max + 2);
    if (int(node.size()) > max)
        return Status::invalidArgument(m_path + ": page overfilled");
    if (std::find(m_dirty.begin(), m_dirty.end(), offset) == m_dirty.end())
        keepUndo(offset);
    auto it = m_cache.find(offset);
    if (it == m_cache.end())
        it = m_cache.emplace(offset, std::make_unique<Page>()).first;
    char* p = it->second->bytes;
    std::memset(p, 0, ntx::kPageSize);
    const int k = int(node.size());
    ntx::put16(p, std::uint32_t(k));
    for (int j = 0; j <= max; ++j)
        ntx::put16(p + 2 + 2 * j, std::uint32_t(base + j * itemSize));
    if (k > 0)
        std::memcpy(p + base, node.item(0), std::size_t(k * itemSize));
    ntx::put32(p + base + k * itemSize, node.rightmost);
    if (std::find(m_dirty.begin(), m_dirty.end(), offset) == m_dirty.end())
        m_dirty.push_back(offset);
    m_changed = true;
    return {};
}

// ---- Updates

Status NtxIndex::beginUpdate(std::uint32_t recno)
{
    if (m_inUpdate)
        return Status::invalidArgument(m_path + ": update already begun");
    if (m_header.unique || !m_header.forExpression.empty())
        return Status::unsupported(m_path + ": UNIQUE or FOR indexes are not maintained here");
    m_repairedInUpdate = false;
    m_slotWritten = false;
    m_markWritten = false;
    m_updateRecord = recno;
    if (m_mode == ShareMode::Shared) {
        STORAGE_TRY(lockWait(*m_file, lockmap::kIndex, 1, LockKind::Write));
        const bool rebuiltBefore = m_rebuilt;
        m_rebuilt = false;
        Status s = checkHeader(true);
        m_repairedInUpdate = m_rebuilt;
        m_rebuilt = m_rebuilt || rebuiltBefore;
        if (s.ok())
            std::memcpy(m_headerBefore, m_headerPage, ntx::kPageSize);
        // The record's slot protects the update: set at its append, or set now. With every slot
        // taken, the mark does.
        if (s.ok() && !hasPending(recno)) {
            s = setSlot(recno, &m_slotWritten);
            if (s.ok() && !m_slotWritten) {
                s = m_file->write(ntx::kMarkOffset, ntx::kMark, sizeof ntx::kMark);
                if (s.ok()) {
                    std::memcpy(m_headerPage + ntx::kMarkOffset, ntx::kMark, sizeof ntx::kMark);
                    m_header.updating = true;
                    m_markWritten = true;
                }
            }
        }
        if (!s.ok()) {
            (void)m_file->unlock(lockmap::kIndex, 1);
            return s.withContext(m_path);
        }
    } else if (!m_markOnDisk) {
        STORAGE_TRY(m_file->write(ntx::kMarkOffset, ntx::kMark, sizeof ntx::kMark));
        std::memcpy(m_headerPage + ntx::kMarkOffset, ntx::kMark, sizeof ntx::kMark);
        m_header.updating = true;
        m_markOnDisk = true;
    }
    if (m_mode == ShareMode::Exclusive)
        std::memcpy(m_headerBefore, m_headerPage, ntx::kPageSize);
    m_endBefore = m_mode == ShareMode::Exclusive ? m_fileEnd : 0;
    m_undoUsed = 0;
    m_undoLost = false;
    m_inUpdate = true;
    m_changed = false;
    m_dirty.clear();
    return {};
}

void NtxIndex::keepUndo(std::uint32_t offset)
{
    if (!m_inUpdate || (m_endBefore != 0 && offset >= m_endBefore))
        return;  // a page this update added: cut off, not restored
    for (std::size_t i = 0; i < m_undoUsed; ++i)
        if (m_undo[i].first == offset)
            return;
    // The pages earlier updates kept are used again; a new one only when this update needs more.
    if (m_undoUsed == m_undo.size())
        m_undo.emplace_back(0, std::make_unique<Page>());
    auto& [at, before] = m_undo[m_undoUsed];
    // Cached pages are the bytes on disk until this update first changes them.
    if (auto it = m_cache.find(offset); it != m_cache.end()) {
        std::memcpy(before->bytes, it->second->bytes, ntx::kPageSize);
    } else if (!m_file->readExact(offset, before->bytes, ntx::kPageSize).ok()) {
        m_undoLost = true;
        return;
    }
    at = offset;
    ++m_undoUsed;
}

Status NtxIndex::writePages()
{
    if (!m_inUpdate)
        return Status::invalidArgument(m_path + ": no update begun");
    std::sort(m_dirty.begin(), m_dirty.end());
    // Pages already in the file are stored through the mapping; pages this update added at the
    // end, beyond it, are written, those that follow one another (a split's) in one write.
    std::vector<File::Piece> run;
    std::uint32_t runStart = 0;
    for (std::size_t i = 0; i < m_dirty.size(); ++i) {
        const std::uint32_t off = m_dirty[i];
        auto it = m_cache.find(off);
        if (it == m_cache.end())
            continue;
        if (m_endBefore == 0 || off + ntx::kPageSize <= m_endBefore) {
            STORAGE_TRY(m_file->writeMapped(off, it->second->bytes, ntx::kPageSize).withContext(m_path));
            continue;
        }
        if (!run.empty() && off != runStart + run.size() * ntx::kPageSize) {
            STORAGE_TRY(m_file->writeGather(runStart, run).withContext(m_path));
            run.clear();
        }
        if (run.empty())
            runStart = off;
        run.push_back({it->second->bytes, ntx::kPageSize});
    }
    if (!run.empty())
        STORAGE_TRY(m_file->writeGather(runStart, run).withContext(m_path));
    m_dirty.clear();
    return {};
}

Status NtxIndex::rollbackUpdate()
{
    if (!m_inUpdate)
        return {};
    // Under the write lock (or exclusive use) nobody has seen the pages this update wrote, so
    // putting the former bytes back is invisible to other processes, the version included.
    Status s;
    if (m_undoLost)
        s = Status::ioError(m_path + ": a changed page could not be read before the change", EIO);
    for (std::size_t i = 0; i < m_undoUsed && s.ok(); ++i)
        s = m_file->write(m_undo[i].first, m_undo[i].second->bytes, ntx::kPageSize);
    if (s.ok() && m_endBefore != 0 && m_fileEnd > m_endBefore)
        s = m_file->truncate(m_endBefore);
    if (s.ok())
        s = m_file->write(0, m_headerBefore, ntx::kPageSize);
    ntx::Header h;
    if (s.ok())
        s = ntx::Header::decode(m_headerBefore, &h);
    if (!s.ok()) {
        abortUpdate(true);
        return s.withContext(m_path);
    }
    m_header = std::move(h);
    std::memcpy(m_headerPage, m_headerBefore, ntx::kPageSize);
    m_dirty.clear();
    m_undoUsed = 0;
    dropCache();
    ++m_generation;
    m_unsynced = true;
    if (m_mode == ShareMode::Shared) {
        m_fileEnd = 0;
        (void)m_file->unlock(lockmap::kIndex, 1);
    } else {
        m_fileEnd = m_endBefore;
    }
    m_inUpdate = false;
    return {};
}

Status NtxIndex::endUpdate()
{
    if (!m_inUpdate)
        return Status::invalidArgument(m_path + ": no update begun");
    Status s = writePages();
    if (!s.ok()) {
        abortUpdate();
        return s;
    }
    m_undoUsed = 0;
    if (m_changed) {
        ++m_header.version;
        ++m_generation;
        m_unsynced = true;
    }
    if (m_mode == ShareMode::Shared) {
        // The new version, root and free head first, then what protected the update taken off
        // (the record's slot, or the mark when every slot was taken), each one store through the
        // mapping: a process killed before the last store leaves the protection on, so the next
        // access repairs the index whatever part of the header got stored.
        m_header.encodeFixed(m_headerPage);
        s = m_file->writeMapped(0, m_headerPage, ntx::kFixedHeaderSize);
        if (s.ok())
            s = clearSlots(m_updateRecord, true);
        if (s.ok() && m_header.updating) {
            std::memset(m_headerPage + ntx::kMarkOffset, 0, sizeof ntx::kMark);
            s = m_file->writeMapped(ntx::kMarkOffset, m_headerPage + ntx::kMarkOffset, sizeof ntx::kMark);
        }
        m_header.updating = false;
        (void)m_file->unlock(lockmap::kIndex, 1);
        if (!s.ok()) {
            dropCache();
            ++m_generation;
        }
    } else if (m_changed) {
        m_header.encodeFixed(m_headerPage);  // the mark on the file stays until close
        s = m_file->writeMapped(0, m_headerPage, ntx::kFixedHeaderSize);
    }
    m_inUpdate = false;
    return s.withContext(m_path);
}

void NtxIndex::abortUpdate(bool tableMayHaveChanged)
{
    if (!m_inUpdate)
        return;
    // Pages may be half changed: forget them. When anything may have been written - here or in
    // the table - the mark goes on, so the next access rebuilds; otherwise the slot set for this
    // update (not one an append set) is cleared again.
    const bool touched = m_changed || tableMayHaveChanged;
    m_dirty.clear();
    dropCache();
    ++m_generation;
    m_undoUsed = 0;
    if (m_mode == ShareMode::Exclusive && touched)
        m_torn = true;  // the mark stays at close: the next open rebuilds
    if (m_mode == ShareMode::Shared) {
        m_fileEnd = 0;  // pages may have been allocated and not written
        if (refreshHeader().ok()) {
            if (touched) {
                (void)writeHeaderPage(true);
            } else if (m_slotWritten || m_markWritten) {
                if (m_slotWritten)
                    (void)clearSlots(m_updateRecord, false);
                (void)writeHeaderPage(false);
            }
        }
        (void)m_file->unlock(lockmap::kIndex, 1);
    }
    m_inUpdate = false;
}

Status NtxIndex::sync()
{
    if (!m_unsynced)
        return {};
    STORAGE_TRY(m_file->sync());
    m_unsynced = false;
    return {};
}

}  // namespace storage
