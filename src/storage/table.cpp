#include "storage/table.h"

#include <algorithm>
#include <cerrno>
#include <functional>

#include "storage/field_codec.h"
#include "storage/ntx_build.h"

namespace storage {
namespace {

bool g_hardCommit = true;

}  // namespace

void setHardCommit(bool on)
{
    g_hardCommit = on;
}

Status Table::openWait(const std::string& path, ShareMode mode, int timeoutMs, std::unique_ptr<Table>* out)
{
    return retryWhileLocked([&] { return open(path, mode, out); }, timeoutMs);
}

Status Table::lockWait(int timeoutMs)
{
    return retryWhileLocked([&] { return lock(); }, timeoutMs);
}

Status Table::appendWait(int timeoutMs, const char* record)
{
    return retryWhileLocked([&] { return append(record); }, timeoutMs);
}

Table::~Table()
{
    (void)close();
}

Status Table::create(const std::string& path, const std::vector<FieldSpec>& fields, bool overwrite)
{
    return DbfFile::create(fileSystem().resolve(path), fields, overwrite);
}

Status Table::open(const std::string& path, ShareMode mode, std::unique_ptr<Table>* out)
{
    std::unique_ptr<Table> t(new Table);
    STORAGE_TRY(DbfFile::open(fileSystem().resolve(path), mode, &t->m_dbf));
    STORAGE_TRY(t->goTop());
    *out = std::move(t);
    return {};
}

Status Table::close()
{
    if (!m_dbf)
        return {};
    Status s = unlock();
    // The held-back records first: the orders keep their marks when some of them were lost.
    Status u = m_dbf->flushBuffer();
    if (s.ok())
        s = u;
    for (Order& o : m_orders) {
        if (m_dbf->lostRecords())
            o.index->keepMark();
        u = o.index->close();
        if (s.ok())
            s = u;
    }
    m_orders.clear();
    u = m_dbf->close();
    if (s.ok())
        s = u;
    m_dbf.reset();
    return s;
}

// ---- Orders

Status Table::addOrder(const std::string& path, const std::string& expectedExpression)
{
    FileSystem& fs = fileSystem();
    const std::string resolved = fs.resolve(path);
    const ShareMode mode = m_dbf->mode();
    std::string reason;
    std::unique_ptr<NtxIndex> ix;
    std::unique_ptr<KeySource> key;
    if (!fs.exists(resolved)) {
        if (expectedExpression.empty())
            return Status::notFound(resolved + ": no such index");
        reason = "built: the file was missing";
    } else if (Status s = NtxIndex::open(resolved, mode, &ix); !s.ok()) {
        if (expectedExpression.empty() || s.is(Status::Code::Locked) || s.is(Status::Code::IoError) ||
            s.is(Status::Code::NotFound))
            return s;
        reason = "rebuilt: " + s.message();
    } else {
        const std::string& stored = ix->header().expression;
        const std::string& expr = expectedExpression.empty() ? stored : expectedExpression;
        if (normalizeKeyExpression(stored) != normalizeKeyExpression(expr)) {
            reason = "rebuilt: the file was made for the key \"" + stored + "\"";
        } else {
            STORAGE_TRY(compileKey(expr, layout(), &key).withContext(resolved));
            const int natural = std::min(key->naturalSize(), kMaxKeySize);
            const bool fits = natural == ix->header().keySize &&
                              (key->type() != 'N' || key->naturalDecimals() == ix->header().keyDecimals);
            if (!fits && !expectedExpression.empty()) {
                reason = "rebuilt: key length " + std::to_string(ix->header().keySize) + " in the file, " +
                         std::to_string(natural) + " from the table";
            } else {
                ix->bind(key.get(), m_dbf.get());
                STORAGE_TRY(ix->repairIfInterrupted());
                if (ix->takeRebuilt())
                    m_notes.push_back({resolved, "rebuilt: an update was interrupted"});
                m_orders.push_back({std::move(ix), std::move(key), {}, {}});
                if (m_active == 0)
                    m_active = 1;
                return {};
            }
        }
        ix.reset();  // closed before the file is built again
    }
    STORAGE_TRY(compileKey(expectedExpression, layout(), &key).withContext(resolved));
    STORAGE_TRY(NtxIndex::create(resolved, mode, expectedExpression, *key, *m_dbf, &ix));
    m_notes.push_back({resolved, reason});
    m_orders.push_back({std::move(ix), std::move(key), {}, {}});
    if (m_active == 0)
        m_active = 1;
    return {};
}

Status Table::createOrder(const std::string& path, const std::string& expression)
{
    STORAGE_TRY(writePending());
    const std::string resolved = fileSystem().resolve(path);
    std::unique_ptr<KeySource> key;
    STORAGE_TRY(compileKey(expression, layout(), &key).withContext(resolved));
    // An order of this table on the same file is closed first: the file is rebuilt under it.
    for (auto it = m_orders.begin(); it != m_orders.end(); ++it) {
        if (it->index->path() == resolved) {
            m_orders.erase(it);
            m_active = 0;
            break;
        }
    }
    std::unique_ptr<NtxIndex> ix;
    STORAGE_TRY(NtxIndex::create(resolved, m_dbf->mode(), expression, *key, *m_dbf, &ix));
    m_orders.push_back({std::move(ix), std::move(key), {}, {}});
    m_active = int(m_orders.size());
    return {};
}

void Table::clearOrders()
{
    (void)writePending();
    for (Order& o : m_orders)
        (void)o.index->close();
    m_orders.clear();
    m_active = 0;
}

Status Table::setOrder(int n)
{
    if (n < 0 || n > orderCount())
        return Status::invalidArgument(path() + ": no order " + std::to_string(n));
    STORAGE_TRY(writePending());
    m_active = n;
    if (Order* o = active())
        o->index->unposition();
    return {};
}

void Table::gatherNotes()
{
    for (Order& o : m_orders)
        if (o.index->takeRebuilt())
            m_notes.push_back({o.index->path(), "rebuilt: an update by another process was interrupted"});
}

std::vector<Table::Note> Table::takeNotes()
{
    gatherNotes();
    std::vector<Note> n;
    n.swap(m_notes);
    return n;
}

// ---- The current record

Status Table::load()
{
    if (m_loaded)
        return {};
    if (m_eof) {
        m_buf = layout().blankRecord();
    } else {
        m_buf.resize(layout().recordLength());
        STORAGE_TRY(m_dbf->read(m_recno, m_buf.data()));
    }
    m_loaded = true;
    return {};
}

Status Table::deleted(bool* out)
{
    *out = false;
    STORAGE_TRY(load());
    *out = !m_eof && m_buf[0] == dbf::kDeletedFlag;
    return {};
}

bool Table::deleted()
{
    bool d = false;
    (void)deleted(&d);
    return d;
}

Status Table::record(const char** out)
{
    STORAGE_TRY(load());
    *out = m_buf.data();
    return {};
}

Status Table::value(int fieldNo, core::Value* out)
{
    if (fieldNo < 0 || fieldNo >= int(layout().fields().size()))
        return Status::notFound(path() + ": no field " + std::to_string(fieldNo + 1));
    STORAGE_TRY(load());
    *out = field::value(layout().fields()[std::size_t(fieldNo)], m_buf.data());
    return {};
}

Status Table::get(std::string_view name, core::Value* out)
{
    const int i = fieldIndex(name);
    if (i < 0)
        return Status::notFound(path() + ": no field " + std::string(name));
    return value(i, out);
}

Status Table::raw(int fieldNo, std::string_view* out)
{
    if (fieldNo < 0 || fieldNo >= int(layout().fields().size()))
        return Status::notFound(path() + ": no field " + std::to_string(fieldNo + 1));
    STORAGE_TRY(load());
    *out = field::raw(layout().fields()[std::size_t(fieldNo)], m_buf.data());
    return {};
}

bool Table::isLocked(std::uint32_t recno) const
{
    return std::find(m_locks.begin(), m_locks.end(), recno) != m_locks.end();
}

Status Table::canChange()
{
    if (m_eof)
        return Status::invalidArgument(path() + ": no record at the end of the file");
    if (m_dbf->shared() && !m_fileLocked && !isLocked(m_recno))
        return Status::notLocked(path() + ": record " + std::to_string(m_recno) + " is not locked");
    return {};
}

Status Table::beginChange()
{
    STORAGE_TRY(canChange());
    STORAGE_TRY(load());
    if (!m_dirty)
        m_orig = m_buf;
    return {};
}

Status Table::put(int fieldNo, const core::Value& v)
{
    if (fieldNo < 0 || fieldNo >= int(layout().fields().size()))
        return Status::notFound(path() + ": no field " + std::to_string(fieldNo + 1));
    STORAGE_TRY(beginChange());
    STORAGE_TRY(field::putValue(layout().fields()[std::size_t(fieldNo)], m_buf.data(), v));
    m_dirty = true;
    return {};
}

Status Table::put(std::string_view name, const core::Value& v)
{
    const int i = fieldIndex(name);
    if (i < 0)
        return Status::notFound(path() + ": no field " + std::string(name));
    return put(i, v);
}

#define STORAGE_PUT(call)                                                                        \
    if (fieldNo < 0 || fieldNo >= int(layout().fields().size()))                                 \
        return Status::notFound(path() + ": no field " + std::to_string(fieldNo + 1));           \
    STORAGE_TRY(beginChange());                                                                  \
    STORAGE_TRY(call);                                                                           \
    m_dirty = true;                                                                              \
    return {}

Status Table::putText(int fieldNo, std::string_view text)
{
    STORAGE_PUT(field::putText(layout().fields()[std::size_t(fieldNo)], m_buf.data(), text));
}

Status Table::putNumber(int fieldNo, double v)
{
    STORAGE_PUT(field::putNumber(layout().fields()[std::size_t(fieldNo)], m_buf.data(), v));
}

Status Table::putDate(int fieldNo, core::Date d)
{
    STORAGE_PUT(field::putDate(layout().fields()[std::size_t(fieldNo)], m_buf.data(), d));
}

Status Table::putLogical(int fieldNo, bool b)
{
    STORAGE_PUT(field::putLogical(layout().fields()[std::size_t(fieldNo)], m_buf.data(), b));
}

#undef STORAGE_PUT

Status Table::deleteRecord()
{
    STORAGE_TRY(beginChange());
    m_buf[0] = dbf::kDeletedFlag;
    m_dirty = true;
    return {};
}

Status Table::recall()
{
    STORAGE_TRY(beginChange());
    m_buf[0] = dbf::kLiveFlag;
    m_dirty = true;
    return {};
}

// ---- Writes

Status Table::updateOrders(std::vector<Order*>& changed, bool idempotent, const std::function<Status()>& write,
                           const std::function<Status()>& undo, bool* wroteTable, bool* restored)
{
    // Every index the record touches is write-locked, its crash mark set (ntx_index.cpp), before
    // the record is written, and released after its keys are in; the locks are taken in one order
    // for every process (by file path) so that no two writers wait on each other in a cycle.
    std::sort(changed.begin(), changed.end(),
              [](const Order* a, const Order* b) { return a->index->path() < b->index->path(); });
    std::size_t begun = 0;
    Status s;
    for (Order* o : changed) {
        s = o->index->beginUpdate(m_recno);
        if (!s.ok())
            break;
        ++begun;
    }
    bool wrote = false;
    if (s.ok()) {
        wrote = true;
        s = write();
    }
    if (wroteTable)
        *wroteTable = wrote;
    // Every index gets its pages written before any is finished, so that a write refused on the
    // way (a full disk) can still be taken back everywhere.
    for (std::size_t i = 0; s.ok() && i < begun; ++i) {
        Order* o = changed[i];
        const bool fresh = m_new || o->pending;
        if (!fresh) {
            Status r = o->index->remove(o->oldKey, m_recno);
            if (!r.ok() && !r.is(Status::Code::NotFound))
                s = r;
        }
        if (s.ok() && (idempotent || o->index->repairedInUpdate() || (o->pending && o->index->markedInUpdate()))) {
            // Rebuilt from the table just now, or left halfway by a failed attempt: the record may
            // already be listed, under its blank or its new key. Make sure it ends up listed once.
            for (const std::string* k : {&o->oldKey, &o->newKey}) {
                Status r = o->index->remove(*k, m_recno);
                if (!r.ok() && !r.is(Status::Code::NotFound))
                    s = r;
            }
        }
        if (s.ok())
            s = o->index->insert(o->newKey, m_recno);
        if (s.ok())
            s = o->index->writePages();
    }
    bool back = false;
    if (s.ok()) {
        for (std::size_t i = 0; i < begun; ++i) {
            Status e = changed[i]->index->endUpdate();
            if (s.ok())
                s = e;
        }
    } else {
        // The table first: the indexes keep their marks until it is as it was, and keep them
        // (to be rebuilt at their next use) when it cannot be put back.
        back = !wrote || undo().ok();
        for (std::size_t i = 0; i < begun; ++i) {
            if (back)
                back = changed[i]->index->rollbackUpdate().ok();
            else
                changed[i]->index->abortUpdate(wrote);
        }
    }
    if (restored)
        *restored = back;
    gatherNotes();
    return s;
}

Status Table::writePending()
{
    if (!m_dirty)
        return {};
    std::vector<Order*> changed;
    for (Order& o : m_orders) {
        o.key->key(m_buf.data(), o.newKey);
        if (!m_new) {
            o.key->key(m_orig.data(), o.oldKey);
            if (o.oldKey == o.newKey && !m_uncertain && !o.pending)
                continue;
        }
        changed.push_back(&o);
    }
    bool wrote = false, restored = false;
    const Status s = updateOrders(
        changed, m_uncertain, [&] { return m_dbf->write(m_recno, m_buf.data()); },
        [&] { return m_dbf->write(m_recno, m_orig.data()); }, &wrote, &restored);
    if (!s.ok()) {
        // Tried again at the next write: unless everything was put back, some orders may hold the
        // new key already by then.
        m_uncertain = m_uncertain || (wrote && !restored);
        m_rolledBack = restored || !wrote;
        return s;
    }
    m_uncertain = false;
    m_rolledBack = false;
    m_unsynced = true;
    m_dirty = false;
    m_new = false;
    for (Order& o : m_orders)
        o.pending = false;
    if (Order* a = active())
        a->index->setCurrent(a->newKey, m_recno);
    return {};
}

Status Table::releaseRecordLocks()
{
    Status s;
    for (std::uint32_t r : m_locks) {
        Status u = m_dbf->unlockRecord(r);
        if (s.ok())
            s = u;
    }
    m_locks.clear();
    return s;
}

Status Table::lock()
{
    STORAGE_TRY(writePending());
    if (m_eof)
        return Status::invalidArgument(path() + ": no record to lock at the end of the file");
    m_loaded = false;
    if (!m_dbf->shared() || m_fileLocked || isLocked(m_recno))
        return {};
    STORAGE_TRY(releaseRecordLocks());
    STORAGE_TRY(m_dbf->lockRecord(m_recno));
    m_locks.push_back(m_recno);
    return {};
}

Status Table::lockFile()
{
    STORAGE_TRY(writePending());
    m_loaded = false;
    if (!m_dbf->shared() || m_fileLocked)
        return {};
    STORAGE_TRY(releaseRecordLocks());
    STORAGE_TRY(m_dbf->lockFile());
    m_fileLocked = true;
    return {};
}

Status Table::dropFailedAppend()
{
    // The record is ours (locked) and no index lists it: its slots say so. Cut off the table
    // first, then withdraw the slots, so that no moment leaves a record that nobody would find.
    STORAGE_TRY(m_dbf->undoAppend(m_recno));
    Status s;
    for (Order& o : m_orders) {
        if (o.pending) {
            Status r = o.index->releasePending(m_recno);
            if (s.ok())
                s = r;
            o.pending = false;
        }
    }
    return s;
}

Status Table::unlock()
{
    Status s = writePending();
    if (!s.ok() && m_rolledBack && !m_eof && m_dbf->shared()) {
        // The change cannot be written; its lock goes now, so it goes too. A record this work area
        // appended leaves the table again (when all its indexes wait for its keys).
        const bool appended = !m_orders.empty() && isLocked(m_recno) &&
                              std::all_of(m_orders.begin(), m_orders.end(), [](const Order& o) { return o.pending; });
        if (appended && dropFailedAppend().ok())
            (void)positionAt(0);
        for (Order& o : m_orders)
            o.pending = false;
        m_dirty = false;
        m_loaded = false;
        m_rolledBack = false;
    }
    Status u = releaseRecordLocks();
    if (s.ok())
        s = u;
    if (m_fileLocked) {
        u = m_dbf->unlockFile();
        m_fileLocked = false;
        if (s.ok())
            s = u;
    }
    return s;
}

Status Table::append()
{
    return append(nullptr);
}

Status Table::append(const char* record)
{
    STORAGE_TRY(writePending());
    if (m_dbf->shared() && !m_fileLocked)
        STORAGE_TRY(releaseRecordLocks());
    std::uint32_t n = 0;
    STORAGE_TRY(m_dbf->beginAppend(&n));
    std::string blank = layout().blankRecord();
    if (record) {
        blank.assign(record, blank.size());
        blank[0] = char(dbf::kLiveFlag);
    }
    const std::uint32_t previous = m_recno;
    m_recno = n;
    for (Order& o : m_orders)
        o.key->key(blank.data(), o.oldKey);
    Status s;
    if (m_dbf->shared()) {
        // The record is marked pending in every index before it reaches the table (ntx_index.cpp);
        // its keys go in at its commit. An index whose slots are all taken gets the blank keys now,
        // inside the usual bracket.
        std::vector<Order*> sorted;
        for (Order& o : m_orders)
            sorted.push_back(&o);
        std::sort(sorted.begin(), sorted.end(),
                  [](const Order* a, const Order* b) { return a->index->path() < b->index->path(); });
        std::vector<Order*> now;
        bool attempted = false;  // the record may be in the table
        bool restored = false;   // ... and was taken out again
        for (Order* o : sorted) {
            s = o->index->reservePending(n, &o->pending);
            if (!s.ok())
                break;
            if (!o->pending) {
                o->newKey = o->oldKey;
                now.push_back(o);
            }
        }
        if (s.ok()) {
            if (now.empty()) {
                attempted = true;
                s = m_dbf->finishAppend(n, blank.data(), &restored);
            } else {
                bool counted = false, cut = false;
                s = updateOrders(
                    now, false,
                    [&] {
                        Status w = m_dbf->finishAppend(n, blank.data(), &cut);
                        counted = w.ok();
                        return w;
                    },
                    [&] { return counted ? m_dbf->undoAppend(n) : cut ? Status() : Status::ioError("not cut back", EIO); },
                    &attempted, &restored);
            }
            for (Order* o : now)
                o->pending = false;
        }
        m_dbf->abortAppend();
        if (!s.ok()) {
            // Slots stay where the record may still be in the table: once its lock is released
            // they belong to nobody, and the next user of each index rebuilds it.
            for (Order& o : m_orders) {
                if (o.pending && (!attempted || restored))
                    (void)o.index->releasePending(n);
                o.pending = false;
            }
            (void)m_dbf->unlockRecord(n);
            m_recno = previous;
            return s;
        }
        m_locks.push_back(n);
        m_unsynced = true;
        // Pending keys go in at the next write, even when nothing is assigned.
        m_dirty = std::any_of(m_orders.begin(), m_orders.end(), [](const Order& o) { return o.pending; });
        m_new = false;
    } else {
        s = m_dbf->finishAppend(n, blank.data());
        if (!s.ok()) {
            m_recno = previous;
            return s;
        }
        // Its keys go in at the next write, like those of any change.
        m_dirty = true;
        m_new = true;
    }
    m_buf = blank;
    m_orig = blank;
    m_loaded = true;
    m_eof = m_bof = false;
    if (Order* a = active()) {
        if (a->pending || m_new)
            a->index->unposition();
        else
            a->index->setCurrent(a->oldKey, n);
    }
    moved();
    return {};
}

Status Table::commit()
{
    STORAGE_TRY(writePending());
    if (!g_hardCommit)
        return {};
    std::vector<File*> files;
    if (m_unsynced) {
        STORAGE_TRY(m_dbf->flushBuffer());
        files.push_back(&m_dbf->file());
    }
    for (Order& o : m_orders)
        if (o.index->unsynced())
            files.push_back(&o.index->file());
    STORAGE_TRY(syncFiles(files));
    m_unsynced = false;
    for (Order& o : m_orders)
        o.index->syncedElsewhere();
    return {};
}

Status Table::rewrite(bool (*keep)(const char* record))
{
    if (m_dbf->shared())
        return Status::invalidArgument(path() + ": pack needs exclusive use");
    STORAGE_TRY(writePending());
    FileSystem& fs = fileSystem();
    const auto temporary = [](const std::string& p) { return p + ".pack"; };
    std::unique_ptr<DbfFile> packed;
    std::vector<Order> orders;
    const auto build = [&]() -> Status {
        STORAGE_TRY(m_dbf->packTo(temporary(path()), [keep](std::uint32_t, const char* rec) { return keep(rec); },
                                  &packed));
        for (const Order& o : m_orders) {
            const std::string& expression = o.index->header().expression;
            Order n;
            STORAGE_TRY(compileKey(expression, layout(), &n.key).withContext(o.index->path()));
            STORAGE_TRY(NtxIndex::create(temporary(o.index->path()), ShareMode::Exclusive, expression, *n.key,
                                         *packed, &n.index));
            STORAGE_TRY(n.index->sync());
            orders.push_back(std::move(n));
        }
        return {};
    };
    if (Status s = build(); !s.ok()) {
        // Nothing of the table was touched yet: the new files go, the old table stays as it was.
        orders.clear();
        packed.reset();
        (void)fs.remove(temporary(path()));
        for (const Order& o : m_orders)
            (void)fs.remove(temporary(o.index->path()));
        return s;
    }
    // The order of the renames is what makes a crash harmless: old indexes go first (the old table
    // alone is whole; its orders are built at the next open), then the table, then its new indexes.
    for (const Order& o : m_orders)
        STORAGE_TRY(fs.remove(o.index->path()));
    const std::string tablePath = path();
    STORAGE_TRY(fs.rename(packed->path(), tablePath));
    packed->renamed(tablePath);
    for (std::size_t i = 0; i < orders.size(); ++i) {
        const std::string final = m_orders[i].index->path();
        STORAGE_TRY(fs.rename(orders[i].index->path(), final));
        orders[i].index->renamed(final);
    }
    // The old handles now name files that are gone; the new ones were held exclusively throughout.
    std::vector<Order> old = std::move(m_orders);
    m_orders = std::move(orders);
    for (Order& o : old)
        (void)o.index->close();
    old.clear();
    (void)m_dbf->close();
    m_dbf = std::move(packed);
    m_active = std::min(m_active, int(m_orders.size()));
    m_locks.clear();
    m_fileLocked = false;
    m_unsynced = false;
    return goTop();
}

Status Table::pack()
{
    return rewrite([](const char* rec) { return rec[0] != dbf::kDeletedFlag; });
}

Status Table::zap()
{
    return rewrite([](const char*) { return false; });
}

}  // namespace storage
