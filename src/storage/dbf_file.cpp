#include "storage/dbf_file.h"

#include <algorithm>
#include <cstring>

#include "core/clock.h"

namespace storage {
namespace {

constexpr std::size_t kBufferBytes = 1 << 20;

}  // namespace

DbfFile::~DbfFile()
{
    (void)close();
}

Status DbfFile::create(const std::string& path, const std::vector<FieldSpec>& fields, bool overwrite)
{
    Layout layout;
    STORAGE_TRY(Layout::fromSpecs(fields, &layout).withContext(path));
    FileSystem& fs = fileSystem();
    if (!overwrite && fs.exists(path))
        return Status::exists(path + ": table exists");
    std::unique_ptr<File> f;
    // Created without truncation, held exclusive, and only then emptied (another process that has
    // it open keeps it intact: the exclusive flock is refused first).
    STORAGE_TRY(fs.open(path, ShareMode::Exclusive, OpenFlags::Create, &f));
    std::string bytes = layout.encodeHeader(0, core::clock().today());
    bytes.push_back(char(dbf::kEndOfFile));
    STORAGE_TRY(f->truncate(0));
    STORAGE_TRY(f->write(0, bytes.data(), bytes.size()));
    return {};
}

Status DbfFile::open(const std::string& path, ShareMode mode, std::unique_ptr<DbfFile>* out)
{
    std::unique_ptr<DbfFile> d(new DbfFile);
    d->m_path = path;
    d->m_mode = mode;
    STORAGE_TRY(fileSystem().open(path, mode, OpenFlags::Existing, &d->m_file));
    // The fixed header says how long the whole header is; read that much.
    char fixed[dbf::kHeaderSize];
    std::size_t got = 0;
    STORAGE_TRY(d->m_file->read(0, fixed, sizeof fixed, &got));
    std::string header(fixed, got);
    if (got == sizeof fixed) {
        const std::size_t hl = std::size_t((unsigned char)fixed[8] | (unsigned char)fixed[9] << 8);
        if (hl > got) {
            header.resize(hl);
            STORAGE_TRY(d->m_file->read(0, header.data(), hl, &got));
            header.resize(got);
        }
    }
    STORAGE_TRY(Layout::decode(header, &d->m_layout).withContext(path));
    STORAGE_TRY(d->refreshCount());
    *out = std::move(d);
    return {};
}

Status DbfFile::close()
{
    if (!m_file)
        return {};
    Status result = flushBuffer();
    if (m_headerLocked)
        abortAppend();
    if (result.ok() && m_mode == ShareMode::Exclusive && m_changed) {
        // Count and date in the header, one 0x1A after the last record, nothing after it.
        result = writeHeaderCount(m_count);
        const std::uint64_t end = recordOffset(m_count + 1);
        const char eof = char(dbf::kEndOfFile);
        if (result.ok())
            result = m_file->write(end, &eof, 1);
        if (result.ok())
            result = m_file->truncate(end + 1);
    }
    m_probe.reset();
    m_file.reset();
    return result.withContext(m_path);
}

Status DbfFile::refreshCount()
{
    if (m_mode == ShareMode::Exclusive && m_countKnown)
        return {};  // nobody else changes the file; the count is ours (buffered records included)
    std::uint64_t size = 0;
    STORAGE_TRY(m_file->size(&size));
    const std::uint64_t hl = m_layout.headerLength(), rl = m_layout.recordLength();
    if (size < hl) {
        m_count = 0;
        m_trailing = 0;
        return Status::corrupt(m_path + ": file shorter than its header");
    }
    const std::uint64_t records = (size - hl) / rl;
    if (records > 0xFFFFFFFEull)
        return Status::corrupt(m_path + ": more records than a table can count");
    m_count = std::uint32_t(records);
    m_trailing = (size - hl) % rl;
    m_countKnown = true;
    return {};
}

Status DbfFile::read(std::uint32_t n, char* buf)
{
    if (n == 0)
        return Status::invalidArgument(m_path + ": record 0");
    if (n > m_count && m_mode == ShareMode::Shared)
        STORAGE_TRY(refreshCount());
    if (n > m_count)
        return Status::notFound(m_path + ": record " + std::to_string(n) + " beyond the last (" +
                                std::to_string(m_count) + ")");
    const std::size_t rl = m_layout.recordLength();
    if (m_bufCount > 0 && n >= m_bufFirst && n < m_bufFirst + m_bufCount) {
        std::memcpy(buf, m_buffer.data() + std::size_t(n - m_bufFirst) * rl, rl);
        return {};
    }
    return m_file->readExact(recordOffset(n), buf, rl);
}

Status DbfFile::readMany(std::uint32_t first, std::uint32_t n, char* buf, std::uint32_t* got)
{
    *got = 0;
    if (first == 0)
        return Status::invalidArgument(m_path + ": record 0");
    STORAGE_TRY(flushBuffer());
    if (first + std::uint64_t(n) - 1 > m_count && m_mode == ShareMode::Shared)
        STORAGE_TRY(refreshCount());
    if (first > m_count)
        return {};
    n = std::min<std::uint32_t>(n, m_count - first + 1);
    const std::size_t rl = m_layout.recordLength();
    std::size_t bytes = 0;
    STORAGE_TRY(m_file->read(recordOffset(first), buf, std::size_t(n) * rl, &bytes));
    *got = std::uint32_t(bytes / rl);
    return {};
}

Status DbfFile::write(std::uint32_t n, const char* buf)
{
    if (n > m_count && m_mode == ShareMode::Shared)
        STORAGE_TRY(refreshCount());
    if (n == 0 || n > m_count)
        return Status::invalidArgument(m_path + ": write of record " + std::to_string(n) + " beyond the last");
    const std::size_t rl = m_layout.recordLength();
    if (m_mode == ShareMode::Exclusive) {
        m_changed = true;
        if (m_bufCount > 0 && n >= m_bufFirst && n < m_bufFirst + m_bufCount) {
            std::memcpy(m_buffer.data() + std::size_t(n - m_bufFirst) * rl, buf, rl);
            return {};
        }
    }
    return m_file->write(recordOffset(n), buf, rl);
}

Status DbfFile::flushBuffer()
{
    if (m_bufCount == 0)
        return {};
    const std::size_t bytes = std::size_t(m_bufCount) * m_layout.recordLength();
    Status s = m_file->write(recordOffset(m_bufFirst), m_buffer.data(), bytes);
    if (!s.ok()) {
        // Held-back records that cannot all be written (a full disk) are lost: the file keeps the
        // records before them, counted in the header, and nothing of the failed write.
        m_count = m_bufFirst - 1;
        m_lostRecords = true;
        if (writeHeaderCount(m_count).ok())
            (void)cutBackTo(m_count, true);
    }
    m_bufCount = 0;
    return s;
}

Status DbfFile::beginAppend(std::uint32_t* n)
{
    if (m_mode == ShareMode::Exclusive) {
        if (m_count == 0xFFFFFFFEu)
            return Status::invalidArgument(m_path + ": table full");
        *n = m_count + 1;
        return {};
    }
    STORAGE_TRY(lockWait(*m_file, lockmap::kHeader, 1, LockKind::Write));
    m_headerLocked = true;
    Status s = refreshCount();
    if (s.ok() && m_count == 0xFFFFFFFEu)
        s = Status::invalidArgument(m_path + ": table full");
    if (s.ok()) {
        *n = m_count + 1;
        s = lockRecord(*n);
    }
    if (!s.ok())
        abortAppend();
    return s;
}

Status DbfFile::finishAppend(std::uint32_t n, const char* record, bool* restored)
{
    if (restored)
        *restored = false;
    const std::size_t rl = m_layout.recordLength();
    if (m_mode == ShareMode::Exclusive) {
        m_changed = true;
        const std::size_t capacity = std::max<std::size_t>(1, kBufferBytes / rl);
        if (m_bufCount > 0 && (n != m_bufFirst + m_bufCount || m_bufCount >= capacity))
            STORAGE_TRY(flushBuffer());
        if (m_bufCount == 0) {
            m_buffer.resize(capacity * rl);
            m_bufFirst = n;
        }
        std::memcpy(m_buffer.data() + std::size_t(m_bufCount) * rl, record, rl);
        ++m_bufCount;
        m_count = n;
        return {};
    }
    // The record first, then the count: a count never names a record that is not in the file.
    const bool endMark = m_trailing > 0;  // the bytes after the last record, as read under the lock
    Status s = m_file->write(recordOffset(n), record, rl);
    bool headerWritten = false;
    if (s.ok()) {
        m_count = n;
        headerWritten = true;
        s = writeHeaderCount(n);
    }
    if (!s.ok()) {
        // Still under the header lock: nobody has counted the record yet. What this append wrote
        // goes again (a failed write may have left part of it, growing the file).
        m_count = n - 1;
        Status t = headerWritten ? writeHeaderCount(n - 1) : Status();
        if (t.ok())
            t = cutBackTo(n - 1, endMark);
        if (restored)
            *restored = t.ok();
    }
    abortAppend();
    return s;
}

Status DbfFile::cutBackTo(std::uint32_t count, bool endMark)
{
    const std::uint64_t end = recordOffset(count + 1);
    if (endMark) {
        const char eof = char(dbf::kEndOfFile);
        STORAGE_TRY(m_file->write(end, &eof, 1));
    }
    STORAGE_TRY(m_file->truncate(end + (endMark ? 1 : 0)));
    m_trailing = endMark ? 1 : 0;
    return {};
}

Status DbfFile::undoAppend(std::uint32_t n)
{
    if (m_mode == ShareMode::Exclusive)
        return Status::invalidArgument(m_path + ": undoAppend in exclusive use");
    STORAGE_TRY(lockWait(*m_file, lockmap::kHeader, 1, LockKind::Write));
    m_headerLocked = true;
    Status s = refreshCount();
    if (s.ok() && m_count != n)
        s = Status::locked(m_path + ": record " + std::to_string(n) + " is no longer the last");
    if (s.ok())
        s = writeHeaderCount(n - 1);
    if (s.ok())
        s = cutBackTo(n - 1, false);
    if (s.ok())
        m_count = n - 1;
    abortAppend();
    return s;
}

void DbfFile::abortAppend()
{
    if (m_headerLocked) {
        (void)m_file->unlock(lockmap::kHeader, 1);
        m_headerLocked = false;
    }
}

Status DbfFile::writeHeaderCount(std::uint32_t count)
{
    // Bytes 0-7 only (version, date, count; the rest never changes after the file is made):
    // stored through the mapping that is one 8-byte store, so a process killed there leaves the
    // old count or the new one.
    char h[dbf::kHeaderSize];
    m_layout.encodeFixedHeader(count, core::clock().today(), h);
    return m_file->writeMapped(0, h, 8);
}

Status DbfFile::lockRecord(std::uint32_t n)
{
    if (m_mode == ShareMode::Exclusive)
        return {};
    return m_file->tryLock(lockmap::record(n), 1, LockKind::Write);
}

Status DbfFile::unlockRecord(std::uint32_t n)
{
    if (m_mode == ShareMode::Exclusive)
        return {};
    return m_file->unlock(lockmap::record(n), 1);
}

Status DbfFile::lockFile()
{
    if (m_mode == ShareMode::Exclusive)
        return {};
    return m_file->tryLock(lockmap::kFileStart, lockmap::kFileLength, LockKind::Write);
}

Status DbfFile::unlockFile()
{
    if (m_mode == ShareMode::Exclusive)
        return {};
    return m_file->unlock(lockmap::kFileStart, lockmap::kFileLength);
}

Status DbfFile::recordHeldElsewhere(std::uint32_t n, bool* held)
{
    *held = false;
    if (m_mode == ShareMode::Exclusive)
        return {};
    if (!m_probe)
        STORAGE_TRY(fileSystem().open(m_path, ShareMode::Shared, OpenFlags::Existing, &m_probe));
    const Status s = m_probe->tryLock(lockmap::record(n), 1, LockKind::Write);
    if (s.is(Status::Code::Locked)) {
        *held = true;
        return {};
    }
    STORAGE_TRY(s);
    return m_probe->unlock(lockmap::record(n), 1);
}

Status DbfFile::sync()
{
    STORAGE_TRY(flushBuffer());
    return m_file->sync();
}

Status DbfFile::packWith(const std::string& target, bool (*keep)(void*, std::uint32_t, const char*), void* ctx,
                         std::unique_ptr<DbfFile>* out)
{
    if (m_mode != ShareMode::Exclusive)
        return Status::invalidArgument(m_path + ": pack needs exclusive use");
    STORAGE_TRY(flushBuffer());
    std::unique_ptr<DbfFile> d(new DbfFile);
    d->m_path = target;
    d->m_mode = ShareMode::Exclusive;
    d->m_layout = m_layout;
    STORAGE_TRY(fileSystem().open(target, ShareMode::Exclusive, OpenFlags::Create, &d->m_file));
    STORAGE_TRY(d->m_file->truncate(0));
    const std::size_t rl = m_layout.recordLength();
    const std::uint32_t chunk = std::uint32_t(std::max<std::size_t>(1, kBufferBytes / rl));
    std::vector<char> in(std::size_t(chunk) * rl), kept;
    std::uint32_t count = 0;
    for (std::uint32_t first = 1; first <= m_count; first += chunk) {
        const std::uint32_t n = std::min(chunk, m_count - first + 1);
        STORAGE_TRY(m_file->readExact(recordOffset(first), in.data(), std::size_t(n) * rl));
        kept.clear();
        for (std::uint32_t i = 0; i < n; ++i) {
            const char* rec = in.data() + std::size_t(i) * rl;
            if (keep(ctx, first + i, rec))
                kept.insert(kept.end(), rec, rec + rl);
        }
        if (!kept.empty()) {
            STORAGE_TRY(d->m_file->write(d->recordOffset(count + 1), kept.data(), kept.size()));
            count += std::uint32_t(kept.size() / rl);
        }
    }
    // The old header as it is (descriptors byte for byte), with the new count and date.
    std::string header(m_layout.headerLength(), '\0');
    STORAGE_TRY(m_file->readExact(0, header.data(), header.size()));
    m_layout.encodeFixedHeader(count, core::clock().today(), header.data());
    STORAGE_TRY(d->m_file->write(0, header.data(), header.size()));
    const char eof = char(dbf::kEndOfFile);
    STORAGE_TRY(d->m_file->write(d->recordOffset(count + 1), &eof, 1));
    STORAGE_TRY(d->m_file->sync());
    d->m_count = count;
    d->m_countKnown = true;
    *out = std::move(d);
    return {};
}

}  // namespace storage
