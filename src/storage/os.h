// The operating system as the table engine sees it: files opened under a share mode, positioned
// reads and writes, sync, and byte-range locks at the shared lock offsets. One interface so tests
// can fail the n-th write or hold a lock "from another process"; os_posix.cpp implements it for
// Linux and writes down the lock protocol.
//
// A File is one handle of one work area (its "owner"). Handles to the same file in one process share
// one descriptor, and their locks are kept apart by the implementation, so two work areas of one
// process exclude each other exactly as two processes do. Not thread-safe: one thread per process
// uses the engine. A child process must not use handles its parent opened before fork() (they answer
// IoError there); it opens its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "storage/status.h"

namespace storage {

// The lock byte map shared with the reference runtime (its default "Clipper" scheme). All locks lie
// far beyond the data so they never block reads or writes.
//
//   DBF  1,000,000,000                         1 byte    append/header lock (write)
//   DBF  1,000,000,000 + n                     1 byte    record n (write)
//   DBF  1,000,000,001 .. 2,000,000,000   1e9 bytes     file lock (write): covers every record byte
//   NTX  1,000,000,000                         1 byte    index lock: read (shared) or write
namespace lockmap {
inline constexpr std::uint64_t kBase = 1'000'000'000;
inline constexpr std::uint64_t kHeader = kBase;
inline constexpr std::uint64_t record(std::uint32_t n) { return kBase + n; }
inline constexpr std::uint64_t kFileStart = kBase + 1;
inline constexpr std::uint64_t kFileLength = kBase;
inline constexpr std::uint64_t kIndex = kBase;
}  // namespace lockmap

enum class ShareMode { Shared, Exclusive };
enum class LockKind { Read, Write };

class File {
public:
    virtual ~File() = default;
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    virtual const std::string& path() const = 0;
    virtual ShareMode shareMode() const = 0;

    // Reads up to n bytes at offset; *got tells how many were there (fewer only at the end).
    virtual Status read(std::uint64_t offset, void* buf, std::size_t n, std::size_t* got) = 0;
    virtual Status write(std::uint64_t offset, const void* buf, std::size_t n) = 0;
    // Pieces that follow one another in the file from offset on, written in order (as one pwritev
    // where the system allows; the pieces before a failure may be on the file).
    struct Piece {
        const void* bytes;
        std::size_t size;
    };
    virtual Status writeGather(std::uint64_t offset, const std::vector<Piece>& pieces);
    // Like read(), for reads the engine repeats under every lock (an index header) or for pages it
    // may have dropped from its cache: on a local file system the bytes come from a shared
    // read-only mapping of the file - the page cache's own bytes, as fresh as pread's - without a
    // system call. On a network file system (whose client may keep a mapping stale across another
    // machine's writes), past the end of the file, or when the mapping cannot be read, it reads.
    virtual Status readMapped(std::uint64_t offset, void* buf, std::size_t n, std::size_t* got)
    {
        return read(offset, buf, n, got);
    }
    // Like write(), for bytes the caller knows to lie inside the file (an index's header and the
    // pages it read, under its lock): on a local file system they are stored into the same shared
    // mapping's page-cache pages - seen by other processes at once, made durable by sync() as
    // pwrite's are - without a system call. Beyond the part of the file known and mapped, on a
    // network file system, or when a page cannot be stored (SIGBUS), it writes. Unlike one pwrite
    // within a page, a process killed during the copy may leave part of the bytes stored, so
    // callers order their stores (ntx_index.cpp says how).
    virtual Status writeMapped(std::uint64_t offset, const void* buf, std::size_t n)
    {
        return write(offset, buf, n);
    }
    virtual Status size(std::uint64_t* out) = 0;
    virtual Status truncate(std::uint64_t size) = 0;
    virtual Status sync() = 0;  // data (and the size) on disk before returning
    // The device of a file on a local file system, else 0 (a network file system, a test double).
    // Files of one local device are made durable together by one syncFileSystem().
    virtual std::uint64_t localDevice() { return 0; }
    // Every file of this file's file system on disk (syncfs) before returning.
    virtual Status syncFileSystem() { return sync(); }

    // One try; Locked when another process or another handle of this process holds a conflicting
    // lock. Taking a range this handle already holds changes its kind.
    virtual Status tryLock(std::uint64_t start, std::uint64_t length, LockKind kind) = 0;
    virtual Status unlock(std::uint64_t start, std::uint64_t length) = 0;

    // Reads exactly n bytes or fails (Corrupt when the file ends first).
    Status readExact(std::uint64_t offset, void* buf, std::size_t n);
    // The same through readMapped().
    Status readExactMapped(std::uint64_t offset, void* buf, std::size_t n);
};

enum class OpenFlags : unsigned {
    Existing = 0,  // the file must exist
    Create = 1,    // created when missing (never truncated here)
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Opens path (already resolved) under a share mode taken for as long as the handle lives;
    // NotFound when missing and not created, Locked when the share mode is refused.
    virtual Status open(const std::string& path, ShareMode mode, OpenFlags flags,
                        std::unique_ptr<File>* out) = 0;
    virtual bool exists(const std::string& path) = 0;
    virtual Status remove(const std::string& path) = 0;
    // Puts `from` in the place of `to` in one step (rename(2): atomic on one file system; a handle
    // open on either file stays valid and keeps its share mode).
    virtual Status rename(const std::string& from, const std::string& to) = 0;
    // Names (not paths) of the entries of a folder.
    virtual Status list(const std::string& folder, std::vector<std::string>* names) = 0;
    // The existing path that matches without regard to letter case (or the path as given).
    virtual std::string resolve(const std::string& path) = 0;
};

// Makes several files durable, as sync() on each would. Two or more files on one local file system
// take one syncfs() instead: a journalling file system commits its journal and flushes the disk's
// cache once rather than once a file, and an fdatasync there that commits the journal writes out
// the other files' pending data anyway.
Status syncFiles(const std::vector<File*>& files);

// The file system in force. Installable so tests can put a fault-injecting one in front of the
// real one, which realFileSystem() always reaches.
FileSystem& fileSystem();
FileSystem* setFileSystem(FileSystem* fs);  // nullptr restores the real one; returns the previous
FileSystem& realFileSystem();

// How the engine waits for what another process holds (an open, a record, the header and index
// locks): runs op until it answers anything but Locked, polling with short sleeps of the clock seam
// (1 ms at first, up to 20 ms) and calling core::idle() between tries, never spinning a core.
// timeoutMs < 0 waits without limit.
Status retryWhileLocked(const std::function<Status()>& op, int timeoutMs);
Status lockWait(File& file, std::uint64_t start, std::uint64_t length, LockKind kind, int timeoutMs = -1);

}  // namespace storage
