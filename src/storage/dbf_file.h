// DbfFile: one open DBF table file - its layout, the record count as the file size gives it, whole
// record reads and writes (one pread/pwrite each, so a concurrent reader never sees half a record),
// the shared append protocol, the record/file/header locks, the packed copy, and the close rules of
// the two share modes. Owned by one Table; the file itself may be shared with other processes
// (shared mode) as the lock protocol in os_posix.cpp describes.
//
// Share-mode rules (those of the reference runtime):
//   shared     the count is re-read from the file size whenever it matters; each append rewrites
//              the 32-byte header (count, date) under the header lock; no 0x1A, no truncation.
//   exclusive  no locks; appends are buffered and the header count is written at close, followed
//              by one 0x1A and a truncation right after it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/dbf_format.h"
#include "storage/os.h"
#include "storage/status.h"

namespace storage {

class DbfFile {
public:
    ~DbfFile();
    DbfFile(const DbfFile&) = delete;
    DbfFile& operator=(const DbfFile&) = delete;

    // Creates (or, with overwrite, replaces) a table with no records: header, descriptors, 0x0D,
    // 0x00 and one 0x1A. The file is held exclusive while it is written, then closed.
    static Status create(const std::string& path, const std::vector<FieldSpec>& fields, bool overwrite);
    static Status open(const std::string& path, ShareMode mode, std::unique_ptr<DbfFile>* out);

    // Writes what exclusive use keeps back (buffered records, header, 0x1A) and closes the file.
    // Also done by the destructor, which cannot report a failure.
    Status close();

    const Layout& layout() const { return m_layout; }
    ShareMode mode() const { return m_mode; }
    bool shared() const { return m_mode == ShareMode::Shared; }
    const std::string& path() const { return m_path; }
    File& file() { return *m_file; }

    // The number of records last seen; refreshCount() re-reads it from the file size (shared use).
    std::uint32_t count() const { return m_count; }
    Status refreshCount();
    // Bytes after the last whole record (a trailing 0x1A or a partial record), as of the last refresh.
    std::uint64_t trailingBytes() const { return m_trailing; }

    // Record n (1-based, n <= count after a refresh) into buf (record length bytes).
    Status read(std::uint32_t n, char* buf);
    // Records first .. first + n - 1 in one read (a sequential scan); n may be cut to the count.
    Status readMany(std::uint32_t first, std::uint32_t n, char* buf, std::uint32_t* got);
    // The whole record n (n <= count) in one write.
    Status write(std::uint32_t n, const char* buf);

    // Shared append, in two steps so that the caller can prepare its indexes in between:
    //   beginAppend: header lock (waits), n = records in the file + 1, record lock of n
    //                (Locked when another process holds it: the header lock is released again);
    //   finishAppend: writes the record at n and the header with count n and today's date, then
    //                releases the header lock. The record stays locked. When a write fails
    //                (a full disk, an I/O error) the file is cut back to its n - 1 records (one
    //                0x1A after them when there was an end mark) and the header count is kept;
    //                *restored tells whether that succeeded, i.e. the table is as before.
    // abortAppend releases the header lock without writing. Exclusive use: beginAppend only counts
    // (the record is written by the next write of n).
    Status beginAppend(std::uint32_t* n);
    Status finishAppend(std::uint32_t n, const char* record, bool* restored = nullptr);
    void abortAppend();
    // Shared use: takes back record n, appended by this work area (still locked) whose keys could
    // not be put in: under the header lock, when n is still the last record, the file is cut back
    // to n - 1 records and the header counts them. Locked when another append came after it.
    Status undoAppend(std::uint32_t n);

    Status lockRecord(std::uint32_t n);  // one try
    Status unlockRecord(std::uint32_t n);
    Status lockFile();  // one try; the caller releases its record locks first
    Status unlockFile();
    // Whether anyone - another process, or another work area or this one in this process - holds
    // the lock of record n (or the file lock), tried through a handle of its own (shared use).
    Status recordHeldElsewhere(std::uint32_t n, bool* held);

    // Writes buffered records and makes the file's data durable (fdatasync).
    Status sync();
    // Writes the records exclusive use holds back. When that fails they are dropped and the file
    // is cut back to the records before them; lostRecords() then stays true (indexes kept beside
    // the table may list records it no longer holds).
    Status flushBuffer();
    bool lostRecords() const { return m_lostRecords; }

    // Exclusive use only. packTo writes the records for which keep(n) is true, in order, as a new
    // table at `target` (replaced when there) with this table's header, syncs it and returns it
    // open exclusively; this file is not changed. The caller renames the new file into place.
    template <typename Keep>
    Status packTo(const std::string& target, Keep keep, std::unique_ptr<DbfFile>* out);
    // The file now lives under another name (after a rename): messages name that one.
    void renamed(const std::string& path) { m_path = path; }

private:
    DbfFile() = default;
    Status packWith(const std::string& target, bool (*keep)(void*, std::uint32_t, const char*), void* ctx,
                    std::unique_ptr<DbfFile>* out);
    Status writeHeaderCount(std::uint32_t count);
    Status cutBackTo(std::uint32_t count, bool endMark);
    std::uint64_t recordOffset(std::uint32_t n) const
    {
        return m_layout.headerLength() + std::uint64_t(n - 1) * m_layout.recordLength();
    }

    std::string m_path;
    ShareMode m_mode = ShareMode::Shared;
    std::unique_ptr<File> m_file;
    std::unique_ptr<File> m_probe;  // a second handle that tries others' record locks
    Layout m_layout;
    std::uint32_t m_count = 0;
    std::uint64_t m_trailing = 0;
    bool m_countKnown = false;
    bool m_changed = false;        // exclusive: header to rewrite at close
    bool m_headerLocked = false;
    bool m_lostRecords = false;
    // Exclusive use: records m_bufFirst .. m_bufFirst + m_bufCount - 1 waiting to be written.
    std::vector<char> m_buffer;
    std::uint32_t m_bufFirst = 0;
    std::uint32_t m_bufCount = 0;
};

template <typename Keep>
Status DbfFile::packTo(const std::string& target, Keep keep, std::unique_ptr<DbfFile>* out)
{
    return packWith(
        target, [](void* ctx, std::uint32_t n, const char* rec) { return (*static_cast<Keep*>(ctx))(n, rec); }, &keep,
        out);
}

}  // namespace storage
