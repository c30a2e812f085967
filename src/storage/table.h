// Table: one open DBF table of a work area with its open NTX orders - the record pointer, the record
// buffer, field access by name, locks, appends and commits, kept the way the reference runtime
// keeps them so both can work on the same files at once. Owned by a Workspace (or a tool); one
// thread; other processes are excluded by the lock protocol of os_posix.cpp.
//
// States of an open table:
//   pointer     on record 1..lastRec, or at EOF (recNo() = lastRec + 1, a blank phantom record);
//               bof() after skipping back past the first record (the pointer stays on it).
//   buffer      read lazily at the first access after a move (so it is fresh), kept until the
//               next move; a change makes it pending.
//   pending     written (one pwrite) with every order whose key bytes changed updated, at the next
//               move, lock, unlock, commit or close; commit() then syncs to disk unless hard
//               commit is switched off.
//   locks       shared use: changing a record needs its record lock (or the file lock); append
//               leaves the new record locked; lock() releases this table's other record locks.
//               Exclusive use: no locks at all.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"
#include "storage/dbf_file.h"
#include "storage/key_source.h"
#include "storage/ntx_index.h"
#include "storage/status.h"

namespace storage {

// Hard commit (on by default): commit() makes the DBF and every changed index durable with
// fdatasync, as the reference runtime does. Switched off only by benchmarks and tests that measure
// or hammer the lock protocol itself.
void setHardCommit(bool on);

class Table {
public:
    // Something the caller should be told about an order: built because its file was missing,
    // rebuilt because it did not match the table or an update of it was interrupted.
    struct Note {
        std::string indexPath;
        std::string reason;
    };

    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // Creates a table with no records. Exists when the file is there and overwrite is false.
    static Status create(const std::string& path, const std::vector<FieldSpec>& fields, bool overwrite = false);
    // Opens an existing table (the name is matched without regard to letter case; never created).
    static Status open(const std::string& path, ShareMode mode, std::unique_ptr<Table>* out);
    // open() retried while another process holds the table in a conflicting mode.
    static Status openWait(const std::string& path, ShareMode mode, int timeoutMs, std::unique_ptr<Table>* out);
    // Writes what is pending, releases the locks and closes the files.
    Status close();

    const std::string& path() const { return m_dbf->path(); }
    bool exclusive() const { return !m_dbf->shared(); }
    const Layout& layout() const { return m_dbf->layout(); }
    DbfFile& dbf() { return *m_dbf; }

    // ---- Orders (NTX indexes); order 0 is record-number order.
    // Opens an index of this table. With an expected expression, a missing file, or one that is
    // unreadable or made for another key or key length, is built from the table (and a Note says
    // so); without one the file's own expression is used and such a file is an error.
    Status addOrder(const std::string& path, const std::string& expectedExpression = {});
    // Builds an index from a key expression (replacing the file) and opens it.
    Status createOrder(const std::string& path, const std::string& expression);
    void clearOrders();
    int orderCount() const { return int(m_orders.size()); }
    Status setOrder(int n);  // 0 .. orderCount(); the position is kept
    int order() const { return m_active; }
    NtxIndex& orderIndex(int n) { return *m_orders[std::size_t(n - 1)].index; }
    // Notes gathered since the last call (at open and during any access).
    std::vector<Note> takeNotes();

    // ---- The record pointer
    Status goTop();
    Status goBottom();
    Status skip(long n = 1);
    Status goTo(std::uint32_t recno);
    // Seek in the active order: key bytes compared over their own length (a prefix); soft leaves
    // the pointer on the next greater key when there is no match, else it goes to EOF.
    Status seek(std::string_view key, bool soft = false, bool last = false);
    // The key made from a value as the active order stores it (text, number, date, logical).
    Status seekValue(const core::Value& v, bool soft = false, bool last = false);
    // Up to n records after the current one in the active order (or record order), under one
    // index lock: for browses and report read-ahead. The pointer ends on the last one.
    Status skipMany(std::size_t n, std::vector<std::uint32_t>* recnos);
    // Up to |n| entries after (n > 0) or before (n < 0) the current one in the active order, with
    // their keys, under one index lock and one header check (in record order: record numbers,
    // keys empty). The pointer ends on the last one returned; when none is, a forward batch ends
    // at EOF and a backward one sets bof() on the record it started from.
    Status skipBatch(long n, std::vector<NtxIndex::Entry>* out);
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    bool found() const { return m_found; }
    std::uint32_t recNo() const { return m_recno; }
    // The number of records (re-read from the file size in shared use).
    std::uint32_t recCount();

    // ---- The current record
    Status deleted(bool* out);
    bool deleted();
    int fieldIndex(std::string_view name) const { return layout().find(name); }
    Status get(std::string_view name, core::Value* out);
    Status value(int field, core::Value* out);
    // The stored bytes of a field (TIS-620, blank-padded). Valid until the next call.
    Status raw(int field, std::string_view* out);
    // The whole record buffer (flag byte first). Valid until the next call.
    Status record(const char** out);
    Status put(std::string_view name, const core::Value& v);
    Status put(int field, const core::Value& v);
    Status putText(int field, std::string_view text);
    Status putNumber(int field, double v);
    Status putDate(int field, core::Date d);
    Status putLogical(int field, bool b);
    Status deleteRecord();
    Status recall();

    // ---- Locks and writes
    // RLOCK: writes what is pending, releases this table's other record locks, locks the current
    // record (one try: Locked when held elsewhere) and re-reads it.
    Status lock();
    // FLOCK: releases the record locks, then locks the whole file (one try).
    Status lockFile();
    // lock() and append() retried while the record is held elsewhere (timeoutMs < 0: no limit).
    Status lockWait(int timeoutMs = -1);
    Status appendWait(int timeoutMs = -1, const char* record = nullptr);
    bool isLocked(std::uint32_t recno) const;
    // Writes what is pending and releases every lock of this table. A change that cannot be
    // written (a full disk) is dropped with its lock, and a record appended by this work area whose
    // keys could not be put in is taken out of the table again while it is still the last.
    Status unlock();
    // A blank record at the end, made current (and locked in shared use). Locked when another
    // process holds that record number's lock.
    Status append();
    // The same with a whole record of this layout (its flag made live): it reaches the file in the
    // one write that counts it, so a process killed at any point leaves it whole or not at all.
    Status append(const char* record);
    // Writes what is pending and, with hard commit, syncs the table and the changed indexes.
    Status commit();
    // Exclusive use only: removes the deleted records / every record, rebuilding every order.
    // Crash-safe: the packed table and its orders are written to new files beside the old ones
    // (name + ".pack"), made durable, and renamed into place while the table stays held - the old
    // index files are removed just before the table's rename, so at every moment the folder holds
    // either the old table or the new one whole, and any index file present fits the table beside
    // it (a missing one is built at the next open).
    Status pack();
    Status zap();

    // Called after every move of the pointer (relations use it).
    using MoveHook = void (*)(Table& table, void* context);
    void setMoveHook(MoveHook hook, void* context)
    {
        m_moveHook = hook;
        m_moveContext = context;
    }

private:
    struct Order {
        std::unique_ptr<NtxIndex> index;
        std::unique_ptr<KeySource> key;
        std::string oldKey, newKey;  // scratch buffers
        bool pending = false;        // the current record was appended: its keys are not in yet
    };

    Table() = default;
    Status load();
    Status writePending();
    Status releaseRecordLocks();
    Status canChange();
    Status beginChange();
    Status positionAt(std::uint32_t recno);  // 0 = EOF
    Status skipOne(int direction);
    Status syncCursor(Order& o, bool* onCurrent, std::uint32_t* at);
    Status updateOrders(std::vector<Order*>& changed, bool idempotent, const std::function<Status()>& write,
                        const std::function<Status()>& undo, bool* wroteTable, bool* restored);
    Status dropFailedAppend();
    Status rewrite(bool (*keep)(const char* record));
    void gatherNotes();
    void moved();
    Order* active() { return m_active > 0 ? &m_orders[std::size_t(m_active - 1)] : nullptr; }

    std::unique_ptr<DbfFile> m_dbf;
    std::vector<Order> m_orders;
    int m_active = 0;
    std::vector<Note> m_notes;

    std::uint32_t m_recno = 1;
    bool m_eof = true;
    bool m_bof = false;
    bool m_found = false;
    std::string m_buf;
    bool m_loaded = false;
    bool m_dirty = false;
    bool m_new = false;   // exclusive append: its keys are not in the orders yet (shared: Order::pending)
    bool m_uncertain = false;  // a failed write may have reached some orders: the next one re-lists
    bool m_rolledBack = false;  // the last write failed and the table and its orders are as before it
    std::string m_orig;   // the record as the orders know it (valid while m_dirty)
    std::vector<std::uint32_t> m_locks;
    bool m_fileLocked = false;
    bool m_unsynced = false;  // written since the last sync

    MoveHook m_moveHook = nullptr;
    void* m_moveContext = nullptr;
};

}  // namespace storage
