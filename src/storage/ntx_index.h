// NtxIndex: one open NTX index file of one work area - its header, a cache of its pages, a cursor
// (the work area's position in this order), and the B-tree updates that keep it equal to the table.
// Owned by a Table, which binds it to the table and the compiled key (so it can rebuild itself).
//
// Shared use follows the reference runtime's protocol: every access takes the index read lock and
// re-reads the header, dropping the page cache when version, root, free head or signature changed;
// an update holds the write lock from beginUpdate() to endUpdate(), which writes the changed pages,
// increments the version and rewrites the header. Exclusive use takes no locks and reads the header
// once. Pages stay cached across calls while the header says nothing changed, so a skip costs a
// lock, a header read and an unlock; skipMany() takes any number of keys under one lock.
//
// Crash safety: see "CRASH MARKS" in ntx_index.cpp.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "storage/dbf_file.h"
#include "storage/key_source.h"
#include "storage/ntx_build.h"
#include "storage/ntx_format.h"
#include "storage/os.h"
#include "storage/status.h"

namespace storage {

class NtxIndex {
public:
    struct Entry {
        std::uint32_t recno = 0;
        std::string key;
    };

    ~NtxIndex();
    NtxIndex(const NtxIndex&) = delete;
    NtxIndex& operator=(const NtxIndex&) = delete;

    // Opens an existing index and reads its header (under the read lock in shared use).
    static Status open(const std::string& path, ShareMode mode, std::unique_ptr<NtxIndex>* out);
    // Creates the file when missing (replacing what it held) and builds it from every record of the
    // table; keys is shaped to the new header.
    static Status create(const std::string& path, ShareMode mode, const std::string& expression, KeySource& keys,
                         DbfFile& table, std::unique_ptr<NtxIndex>* out);

    // Clears this engine's mark when exclusive use changed the file; closes it.
    Status close();

    const std::string& path() const { return m_path; }
    // The file now lives under another name (after a rename).
    void renamed(const std::string& path) { m_path = path; }
    const ntx::Header& header() const { return m_header; }
    ShareMode mode() const { return m_mode; }

    // The key and table this index is kept from; needed to rebuild after a writer died. The key is
    // shaped to this file's key size and decimals.
    void bind(KeySource* keys, DbfFile* table);
    // Rebuilds the tree in place from the bound table (write lock held, or exclusive use), or
    // from keys already gathered (record n's key at n - 1), leaving out the records of pending.
    Status rebuild();
    Status rebuildFrom(const ntx::KeyList& keys, const std::vector<std::uint32_t>& pending = {});
    // At open: a file a writer that died left marked is rebuilt. takeRebuilt(): true once when
    // this object rebuilt its file since the last call (at open or during any access).
    Status repairIfInterrupted();
    bool takeRebuilt();

    // ---- The cursor. Each call positions it and returns the record number, 0 when off the end.
    Status goTop(std::uint32_t* recno);
    Status goBottom(std::uint32_t* recno);
    // First key whose first value.size() bytes are >= value; with last, the last key whose prefix
    // equals value, or the first greater one. found: the prefix equals value.
    Status seek(std::string_view value, bool last, std::uint32_t* recno, bool* found);
    // One step forward (+1) or back (-1) from the current entry. A cursor that lost its entry (the
    // tree changed) first finds it again by key and record number.
    Status skip(int direction, std::uint32_t* recno);
    // Puts the cursor on (key, recno); found false leaves it on the first key >= key.
    Status locate(std::string_view key, std::uint32_t recno, bool* found, std::uint32_t* at);
    // Up to n entries after (direction +1) or before (-1) the current one, under one lock and one
    // header check (a browse page, a report's read-ahead); the cursor ends on the last one returned.
    Status skipMany(std::size_t n, std::vector<Entry>* out, int direction = 1);
    // For a scroll bar, without moving the cursor: about where (key, recno) - or the first key
    // after it when it is not there - stands in the index, 0 (first) to 1 (last); and the entry
    // standing about there (recno 0 when the index is empty).
    Status fractionOf(std::string_view key, std::uint32_t recno, double* fraction);
    Status entryAt(double fraction, Entry* out);
    bool positioned() const { return m_state == State::At; }
    const std::string& currentKey() const { return m_curKey; }
    std::uint32_t currentRecno() const { return m_curRec; }
    // Forgets the position (the table moved by record number).
    void unposition() { m_state = State::None; }
    // Moves the cursor's remembered entry without touching the file (a key this work area changed).
    void setCurrent(std::string_view key, std::uint32_t recno);

    // ---- Updates of record recno's keys: beginUpdate(recno); insert/remove ...; endUpdate() (or
    // abortUpdate() on failure). The caller holds that record's lock (or the file lock) throughout.
    Status beginUpdate(std::uint32_t recno);
    Status insert(std::string_view key, std::uint32_t recno);
    // NotFound when (key, recno) is not in the index.
    Status remove(std::string_view key, std::uint32_t recno);
    Status endUpdate();
    // Writes the changed pages of the update begun, leaving the header and the lock for
    // endUpdate(): a table whose record touches several indexes gets every page in before any
    // index is finished, so a failed write can still be taken back everywhere.
    Status writePages();
    // Takes back an update that failed (its pages written or not): the pages it changed get their
    // former bytes again, pages it added are cut off, and the header is as it was before
    // beginUpdate() (a slot beginUpdate() set is clear again; an append's slot stays). The caller
    // has put its table back first. When any of that cannot be written it falls back to the mark
    // (abortUpdate(true)) and answers the failure.
    Status rollbackUpdate();
    // Ends an update that failed. The file is marked (so the next access rebuilds) when pages may
    // have been written, or when the caller's table may have changed meanwhile.
    void abortUpdate(bool tableMayHaveChanged = false);
    // True when beginUpdate() had to rebuild the file first (its writer had died): the tree then
    // shows the table as it was read, which may already hold the caller's record.
    bool repairedInUpdate() const { return m_repairedInUpdate; }

    // An append (shared use, its record locked) marks its record pending in this index before
    // the blank record reaches the table; the record's keys go in at its commit. reserved is
    // false when every slot is taken (the caller then puts the blank keys in at once).
    // releasePending() withdraws the mark of an append that failed.
    Status reservePending(std::uint32_t recno, bool* reserved);
    Status releasePending(std::uint32_t recno);
    // The record is marked pending in this index (as of the last header read).
    bool hasPending(std::uint32_t recno) const;
    // beginUpdate() found no slot of its record and set one (or the mark): an append's slot was
    // lost to a rebuild that did not know of it, which may have put the blank record's keys in.
    bool markedInUpdate() const { return m_slotWritten || m_markWritten; }

    // fdatasync when pages changed since the last sync.
    Status sync();
    // Pages changed since the last sync; syncedElsewhere() after the file was made durable by
    // syncFiles().
    bool unsynced() const { return m_unsynced; }
    void syncedElsewhere() { m_unsynced = false; }
    // The table lost records this index may list: in exclusive use the mark stays at close, so
    // the next open rebuilds the index.
    void keepMark() { m_torn = true; }

    // ---- For the checker: the header as on disk now, any page (checked against the format), the
    // read lock held across a whole walk.
    Status readPage(std::uint32_t offset, const char** page);
    Status lockRead();
    void unlockRead();
    File& file() { return *m_file; }

private:
    enum class State { None, At, Eof, Bof };
    struct Page {
        char bytes[ntx::kPageSize];
    };
    struct Frame {
        std::uint32_t page;
        int slot;
    };
    using Path = std::vector<Frame>;
    // The items of one page taken out of it, in key order, each as the page stores it (child,
    // record number, key: item size bytes), and the page's rightmost child.
    class Node {
    public:
        explicit Node(int itemSize) : m_itemSize(std::size_t(itemSize)) {}
        std::size_t size() const { return m_data.size() / m_itemSize; }
        char* item(std::size_t i) { return m_data.data() + i * m_itemSize; }
        const char* item(std::size_t i) const { return m_data.data() + i * m_itemSize; }
        std::uint32_t child(std::size_t i) const { return ntx::get32(item(i)); }
        void setChild(std::size_t i, std::uint32_t c) { ntx::put32(item(i), c); }
        // Record number and key of item i taken from another item.
        void setEntry(std::size_t i, const char* from) { std::memcpy(item(i) + 4, from + 4, m_itemSize - 4); }
        void insert(std::size_t i, const char* from)
        {
            m_data.insert(m_data.begin() + std::ptrdiff_t(i * m_itemSize), from, from + m_itemSize);
        }
        void append(const Node& other, std::size_t first, std::size_t end)
        {
            m_data.insert(m_data.end(), other.m_data.begin() + std::ptrdiff_t(first * m_itemSize),
                          other.m_data.begin() + std::ptrdiff_t(end * m_itemSize));
        }
        void erase(std::size_t i)
        {
            m_data.erase(m_data.begin() + std::ptrdiff_t(i * m_itemSize),
                         m_data.begin() + std::ptrdiff_t((i + 1) * m_itemSize));
        }
        void clear() { m_data.clear(); }
        std::uint32_t rightmost = 0;

    private:
        std::size_t m_itemSize;
        std::vector<char> m_data;
    };

    NtxIndex() = default;

    // Locking and the header check.
    Status beginRead();
    void endRead();
    Status refreshHeader();
    Status checkHeader(bool writeLocked);
    Status repairLocked();
    Status livePending(std::vector<std::uint32_t>* live);
    Status setSlot(std::uint32_t recno, bool* set);
    // Clears recno's slots in the header page held here and in the pending list; with `store`,
    // on the file too, each slot by one 4-byte store.
    Status clearSlots(std::uint32_t recno, bool store);
    Status writeHeaderPage(bool mark);
    void keepUndo(std::uint32_t offset);

    // Pages.
    Status page(std::uint32_t offset, const char** out);
    Status mutablePage(std::uint32_t offset, char** out);
    Status validatePage(std::uint32_t offset, const char* p) const;
    void dropCache();
    Status allocatePage(std::uint32_t* offset);
    Status freePage(std::uint32_t offset);
    int keyCount(const char* p) const { return ntx::get16(p); }
    const char* item(const char* p, int slot) const { return p + ntx::get16(p + 2 + 2 * slot); }
    std::uint32_t child(const char* p, int slot) const { return ntx::get32(item(p, slot)); }
    std::uint32_t recnoAt(const char* p, int slot) const { return ntx::get32(item(p, slot) + 4); }
    const char* keyAt(const char* p, int slot) const { return item(p, slot) + 8; }
    int compare(const char* a, const char* b, std::size_t n) const;
    Status readNode(std::uint32_t offset, Node* node);
    Status writeNode(std::uint32_t offset, const Node& node);

    // Navigation over a path of frames (a frame's slot is the key it is on, or the child it went into).
    Status descendEdge(std::uint32_t from, bool rightmost, Path* path);
    Status normalizeForward(Path* path);
    Status normalizeBackward(Path* path);
    Status stepForward(Path* path);
    Status stepBackward(Path* path);
    Status lowerBound(std::string_view value, bool strict, Path* path);
    Status findExact(std::string_view key, std::uint32_t recno, Path* path, bool* found);
    Status settle(const Path& path, std::uint32_t* recno);  // cursor := path's position
    Status pathFraction(const Path& path, double* out);
    Status settleCursor(std::uint32_t* recno);               // the cursor's own path moved
    Status restoreCursor();

    // Tree updates (write lock held).
    Status insertAt(Path& path, const char* item);
    Status rebalance(Path& path);

    std::string m_path;
    ShareMode m_mode = ShareMode::Shared;
    std::unique_ptr<File> m_file;
    ntx::Header m_header;
    char m_headerPage[ntx::kPageSize] = {};
    std::unordered_map<std::uint32_t, std::unique_ptr<Page>> m_cache;
    std::uint32_t m_lastPage = 0;  // the page page() found last, and its bytes
    const char* m_lastBytes = nullptr;
    std::uint64_t m_generation = 0;  // changes whenever cached pages may differ from before
    int m_readDepth = 0;

    KeySource* m_keys = nullptr;
    DbfFile* m_table = nullptr;
    bool m_rebuilt = false;

    State m_state = State::None;
    Path m_cursor;
    std::uint64_t m_cursorGeneration = ~std::uint64_t(0);
    std::string m_curKey;
    std::uint32_t m_curRec = 0;

    bool m_inUpdate = false;
    bool m_repairedInUpdate = false;
    bool m_needRepair = false;   // the last header check found a dead writer's mark or slot
    std::uint32_t m_updateRecord = 0;
    bool m_slotWritten = false;  // this update set its record's slot
    bool m_markWritten = false;  // this update set the mark (every slot was taken)
    bool m_markOnDisk = false;   // exclusive use: the mark stays set until close
    bool m_changed = false;      // pages changed in this update
    bool m_unsynced = false;     // pages changed since the last sync
    std::vector<std::uint32_t> m_dirty;
    std::uint64_t m_fileEnd = 0;  // the file's end, a whole number of pages; 0: not known (looked up at the next allocation)
    // What the update began from, for rollbackUpdate(): the header page, the file end (0 until a
    // page is added at the end) and the former bytes of every existing page it changed.
    char m_headerBefore[ntx::kPageSize] = {};
    std::uint64_t m_endBefore = 0;
    std::vector<std::pair<std::uint32_t, std::unique_ptr<Page>>> m_undo;  // the first m_undoUsed are this update's
    std::size_t m_undoUsed = 0;
    bool m_undoLost = false;  // a page's former bytes could not be read: no rollback
    bool m_torn = false;  // exclusive use: a failed update left pages it could not take back
};

}  // namespace storage
