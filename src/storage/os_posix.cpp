// The Linux implementation of the engine's file and lock seam.
//
// LOCK PROTOCOL (shared with the reference runtime, which uses the same bytes)
//
//   Share modes. Every DBF and NTX is opened O_RDWR and, right after open(), flock()ed for as long
//   as it stays open: LOCK_SH|LOCK_NB for a shared open, LOCK_EX|LOCK_NB for an exclusive open or a
//   file being created. A refused flock closes the file and the open fails with Locked at once -
//   opens never wait; callers retry. flock and byte-range locks are independent on local Linux file
//   systems, so the share mode never blocks a record lock.
//
//   Byte-range locks (storage/os.h has the byte map) are open-file-description locks
//   (F_OFD_SETLK). They conflict with the reference runtime's classic fcntl() locks in both
//   directions on the same bytes, and avoid the two POSIX traps of classic locks:
//     1. closing ANY descriptor of a file drops EVERY classic lock the process holds on it, so a
//        second open()/close() of a table (a check, a dump, a second alias) would silently unlock
//        the records of the first;
//     2. classic locks never conflict inside one process, so two work areas of one program could
//        both "hold" record 5.
//   OFD locks belong to the open file description and die only with its last descriptor.
//
//   One descriptor per file per process. Handles of several work areas to the same file (same
//   device and inode) share one descriptor and therefore one open file description: the flock is
//   taken once, and the kernel sees all their byte-range locks as one owner. This file keeps a lock
//   table per descriptor so that the work areas still exclude each other (another handle's
//   conflicting lock answers Locked without asking the kernel) and so that releasing one handle's
//   range never releases bytes another handle of the process still holds: only the gaps are
//   unlocked, and bytes still held for reading are downgraded, which never fails.
//   A second open of a file this process already has open follows the share rules too: shared +
//   shared shares the descriptor; anything with exclusive is refused with Locked.
//
//   fork(): a child inherits the descriptors and with them the parent's open file descriptions -
//   locks taken through them would be the parent's locks. An atfork handler marks every handle of
//   the parent stale in the child (operations answer IoError); the child's first open closes the
//   inherited descriptors (which releases nothing while the parent keeps its own) and starts afresh.
//
//   Mapped reads and stores (File::readMapped, File::writeMapped). On local file systems a file is
//   also mapped shared, so that the index header check made under every lock, and index pages read
//   again, copy memory instead of making a system call; on Linux a shared mapping and pread/pwrite
//   see the same page-cache pages, and fdatasync and syncfs write out pages dirtied either way. A
//   copy that faults (the file cut short under us, an I/O error, a page that cannot be allocated)
//   raises SIGBUS; a handler catches it during that one copy only and the call falls back to pread
//   or pwrite, which reports what happened. Stores wait until a file has been written often since
//   its last sync (kWritesBeforeStores says why).
//
//   Waits. The reference runtime waits for the header and index locks with F_SETLKW. Here every
//   wait polls F_OFD_SETLK with short sleeps of the clock seam (1 ms at first, up to 20 ms) and
//   calls core::idle() in between, so a window stays responsive and no core spins; the header and
//   index locks are held for microseconds, so the first short sleep nearly always ends the wait.
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <linux/magic.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <mutex>
#include <map>

#include "core/clock.h"
#include "core/paths.h"
#include "core/seam.h"
#include "storage/os.h"

namespace storage {

namespace {

Status wholeRead(const File& file, std::uint64_t offset, std::size_t n, std::size_t got)
{
    if (got != n)
        return Status::corrupt(file.path() + ": file ends at " + std::to_string(offset + got) + ", " +
                               std::to_string(n) + " bytes expected at " + std::to_string(offset));
    return {};
}

// Runs a system call again while a signal interrupts it; false (errno set) when it failed.
template <class Call>
bool uninterrupted(Call call)
{
    while (call() != 0)
        if (errno != EINTR)
            return false;
    return true;
}

}  // namespace

Status File::readExact(std::uint64_t offset, void* buf, std::size_t n)
{
    std::size_t got = 0;
    STORAGE_TRY(read(offset, buf, n, &got));
    return wholeRead(*this, offset, n, got);
}

Status File::readExactMapped(std::uint64_t offset, void* buf, std::size_t n)
{
    std::size_t got = 0;
    STORAGE_TRY(readMapped(offset, buf, n, &got));
    return wholeRead(*this, offset, n, got);
}

Status File::writeGather(std::uint64_t offset, const std::vector<Piece>& pieces)
{
    for (const Piece& p : pieces) {
        STORAGE_TRY(write(offset, p.bytes, p.size));
        offset += p.size;
    }
    return {};
}

Status syncFiles(const std::vector<File*>& files)
{
    const std::uint64_t device = files.empty() ? 0 : files.front()->localDevice();
    const bool together = files.size() >= 2 && device != 0 &&
                          std::all_of(files.begin(), files.end(), [&](File* f) { return f->localDevice() == device; });
    if (together)
        return files.front()->syncFileSystem();
    for (File* f : files)
        STORAGE_TRY(f->sync());
    return {};
}

namespace {

struct HeldLock {
    const void* owner;
    std::uint64_t start;
    std::uint64_t end;  // exclusive
    LockKind kind;
};

struct SharedFd {
    int fd = -1;
    ShareMode mode = ShareMode::Shared;
    int refs = 0;
    std::vector<HeldLock> locks;
    int local = -1;                // on a local file system: 1, 0; -1 not looked at yet
    char* map = nullptr;           // the file mapped from its start (readMapped, writeMapped)
    std::size_t mapSize = 0;
    std::uint64_t knownSize = 0;   // the file's size when last looked at or written to
    unsigned writesSinceSync = 0;  // writes and stores since the file was last made durable
};

// A store through the mapping into a page that a sync (or the kernel's writeback) has cleaned
// faults to make it writable again, and here that costs about five pwrites; into a page already
// dirty it costs nothing. So a file takes stores only once it has been written this many times
// since it was last made durable: a stream of appends without a commit's sync between them gains,
// while a save that syncs at its commit (a few writes a file) keeps to pwrite.
constexpr unsigned kWritesBeforeStores = 32;

// ---- Reading a mapped page without dying of SIGBUS

thread_local sigjmp_buf* t_busJump = nullptr;
struct sigaction g_previousBus;

void onBus(int sig, siginfo_t* info, void* context)
{
    if (sigjmp_buf* jump = t_busJump) {
        t_busJump = nullptr;
        siglongjmp(*jump, 1);
    }
    // Not a read of ours: whoever handled it before, else the default (the process ends).
    if (g_previousBus.sa_flags & SA_SIGINFO) {
        g_previousBus.sa_sigaction(sig, info, context);
        return;
    }
    if (g_previousBus.sa_handler != SIG_DFL && g_previousBus.sa_handler != SIG_IGN) {
        g_previousBus.sa_handler(sig);
        return;
    }
    ::signal(SIGBUS, SIG_DFL);
    ::raise(SIGBUS);
}

void catchBusOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction sa{};
        sa.sa_sigaction = onBus;
        sigemptyset(&sa.sa_mask);
        // NODEFER: the jump out of the handler does not restore the signal mask (that would cost a
        // system call per copy), so SIGBUS must not be blocked while the handler runs.
        sa.sa_flags = SA_SIGINFO | SA_NODEFER;
        ::sigaction(SIGBUS, &sa, &g_previousBus);
    });
}

// Copies n bytes out of or into a mapping; false when the pages are no longer there (or, storing,
// cannot be allocated).
bool copyWithMapping(void* to, const void* from, std::size_t n)
{
    sigjmp_buf jump;
    if (sigsetjmp(jump, 0) != 0)
        return false;  // the handler cleared t_busJump
    t_busJump = &jump;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    std::memcpy(to, from, n);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    t_busJump = nullptr;
    return true;
}

// Local file systems: a shared mapping reads the same page-cache pages pread does, and syncfs()
// reaches the disk the file is on. A network file system is left out: its client may serve a
// mapping from pages another machine's writes made stale, and its syncfs need not reach the server.
bool onLocalFileSystem(int fd)
{
    struct statfs fs{};
    if (::fstatfs(fd, &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case EXT4_SUPER_MAGIC:  // ext2, ext3 and ext4 share it
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case F2FS_SUPER_MAGIC:
    case OVERLAYFS_SUPER_MAGIC: return true;
    default: return false;
    }
}

using FileId = std::pair<dev_t, ino_t>;

// Bumped in a forked child; handles from before the fork compare their generation with it.
volatile unsigned g_forkGeneration = 0;

void afterForkInChild()
{
    g_forkGeneration = g_forkGeneration + 1;
}

class Registry {
public:
    Registry() { ::pthread_atfork(nullptr, nullptr, afterForkInChild); }

    std::map<FileId, SharedFd*>& files()
    {
        if (m_generation != g_forkGeneration) {
            // First use in a forked child: the inherited descriptors are the parent's.
            for (auto& [id, shared] : m_files) {
                ::close(shared->fd);
                shared->fd = -1;  // handles still pointing here are stale; they check generation
            }
            m_files.clear();
            m_generation = g_forkGeneration;
        }
        return m_files;
    }
    unsigned generation() const { return m_generation; }

private:
    std::map<FileId, SharedFd*> m_files;
    unsigned m_generation = 0;
};

Registry& registry()
{
    static Registry r;
    return r;
}

Status osError(const std::string& what, const std::string& path)
{
    const int e = errno;
    return Status::ioError(path + ": " + what, e);
}

bool setOfdLock(int fd, short type, std::uint64_t start, std::uint64_t length, int* err)
{
    struct flock fl{};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = off_t(start);
    fl.l_len = off_t(length);
    fl.l_pid = 0;
    if (uninterrupted([&] { return ::fcntl(fd, F_OFD_SETLK, &fl); }))
        return true;
    *err = errno;
    return false;
}

class PosixFile final : public File {
public:
    PosixFile(std::string path, ShareMode mode, FileId id, SharedFd* shared)
        : m_path(std::move(path)), m_mode(mode), m_id(id), m_shared(shared),
          m_generation(registry().generation())
    {
    }

    ~PosixFile() override
    {
        if (stale())
            return;
        // Release this handle's ranges (leaving other handles' bytes held), then the descriptor.
        while (true) {
            auto it = std::find_if(m_shared->locks.begin(), m_shared->locks.end(),
                                   [&](const HeldLock& l) { return l.owner == this; });
            if (it == m_shared->locks.end())
                break;
            (void)unlock(it->start, it->end - it->start);
        }
        if (--m_shared->refs == 0) {
            if (m_shared->map)
                ::munmap(m_shared->map, m_shared->mapSize);
            ::close(m_shared->fd);  // also ends the flock and every OFD lock of the description
            registry().files().erase(m_id);
            delete m_shared;
        }
    }

    const std::string& path() const override { return m_path; }
    ShareMode shareMode() const override { return m_mode; }

    Status read(std::uint64_t offset, void* buf, std::size_t n, std::size_t* got) override
    {
        if (stale())
            return staleStatus();
        std::size_t done = 0;
        while (done < n) {
            const ssize_t r = ::pread(m_shared->fd, static_cast<char*>(buf) + done, n - done, off_t(offset + done));
            if (r < 0) {
                if (errno == EINTR)
                    continue;
                return osError("read at " + std::to_string(offset), m_path);
            }
            if (r == 0)
                break;
            done += std::size_t(r);
        }
        *got = done;
        return {};
    }

    Status write(std::uint64_t offset, const void* buf, std::size_t n) override
    {
        if (stale())
            return staleStatus();
        std::size_t done = 0;
        while (done < n) {
            const ssize_t r = ::pwrite(m_shared->fd, static_cast<const char*>(buf) + done, n - done, off_t(offset + done));
            if (r < 0) {
                if (errno == EINTR)
                    continue;
                return osError("write at " + std::to_string(offset), m_path);
            }
            done += std::size_t(r);
        }
        wrote(offset + n);
        return {};
    }

    Status writeGather(std::uint64_t offset, const std::vector<Piece>& pieces) override
    {
        if (stale())
            return staleStatus();
        std::vector<iovec> iov;
        iov.reserve(pieces.size());
        for (const Piece& p : pieces)
            if (p.size > 0)
                iov.push_back({const_cast<void*>(p.bytes), p.size});
        std::size_t first = 0;
        std::uint64_t at = offset;
        while (first < iov.size()) {
            const int count = int(std::min<std::size_t>(iov.size() - first, IOV_MAX));
            const ssize_t r = ::pwritev(m_shared->fd, iov.data() + first, count, off_t(at));
            if (r < 0) {
                if (errno == EINTR)
                    continue;
                return osError("write at " + std::to_string(at), m_path);
            }
            if (r == 0)
                return Status::ioError(m_path + ": write at " + std::to_string(at) + " wrote nothing", EIO);
            at += std::uint64_t(r);
            for (std::size_t left = std::size_t(r); left > 0;) {
                if (left >= iov[first].iov_len) {
                    left -= iov[first].iov_len;
                    ++first;
                } else {
                    iov[first].iov_base = static_cast<char*>(iov[first].iov_base) + left;
                    iov[first].iov_len -= left;
                    left = 0;
                }
            }
        }
        wrote(at);
        return {};
    }

    Status readMapped(std::uint64_t offset, void* buf, std::size_t n, std::size_t* got) override
    {
        if (stale())
            return staleStatus();
        SharedFd& f = *m_shared;
        const std::uint64_t end = offset + n;
        if (!onLocalDisk() || end < offset)
            return read(offset, buf, n, got);
        // Bytes past the end of the file would read as zeros or fault: past the size last seen,
        // look again, and read what is not there yet.
        if (end > f.knownSize && (!size(&f.knownSize).ok() || end > f.knownSize))
            return read(offset, buf, n, got);
        if (end > f.mapSize && !remap(f))
            return read(offset, buf, n, got);
        if (copyWithMapping(buf, f.map + offset, n)) {
            *got = n;
            return {};
        }
        f.knownSize = 0;  // cut short under us: look again next time
        return read(offset, buf, n, got);
    }

    Status writeMapped(std::uint64_t offset, const void* buf, std::size_t n) override
    {
        if (stale())
            return staleStatus();
        SharedFd& f = *m_shared;
        const std::uint64_t end = offset + n;
        // Only below the size last seen: a store past the end of the file in its last page would
        // be lost without a fault.
        if (f.writesSinceSync < kWritesBeforeStores || !onLocalDisk() || end < offset || end > f.knownSize ||
            (end > f.mapSize && !remap(f)))
            return write(offset, buf, n);
        if (copyWithMapping(f.map + offset, buf, n)) {
            ++f.writesSinceSync;
            return {};
        }
        f.knownSize = 0;
        return write(offset, buf, n);
    }

    std::uint64_t localDevice() override
    {
        return !stale() && onLocalDisk() ? std::uint64_t(m_id.first) + 1 : 0;
    }

    Status syncFileSystem() override
    {
        if (stale())
            return staleStatus();
        if (!uninterrupted([&] { return ::syncfs(m_shared->fd); }))
            return osError("syncfs", m_path);
        for (auto& [id, shared] : registry().files())
            if (id.first == m_id.first)
                shared->writesSinceSync = 0;
        return {};
    }

    Status size(std::uint64_t* out) override
    {
        if (stale())
            return staleStatus();
        struct stat st;
        if (::fstat(m_shared->fd, &st) != 0)
            return osError("fstat", m_path);
        *out = std::uint64_t(st.st_size);
        m_shared->knownSize = *out;
        return {};
    }

    Status truncate(std::uint64_t size) override
    {
        if (stale())
            return staleStatus();
        if (!uninterrupted([&] { return ::ftruncate(m_shared->fd, off_t(size)); }))
            return osError("truncate", m_path);
        m_shared->knownSize = size;
        return {};
    }

    Status sync() override
    {
        if (stale())
            return staleStatus();
        if (!uninterrupted([&] { return ::fdatasync(m_shared->fd); }))
            return osError("fdatasync", m_path);
        m_shared->writesSinceSync = 0;
        return {};
    }

    Status tryLock(std::uint64_t start, std::uint64_t length, LockKind kind) override
    {
        if (stale())
            return staleStatus();
        if (length == 0)
            return Status::invalidArgument(m_path + ": empty lock range");
        const std::uint64_t end = start + length;
        for (const HeldLock& l : m_shared->locks) {
            if (l.owner != this && l.start < end && start < l.end &&
                (kind == LockKind::Write || l.kind == LockKind::Write))
                return Status::locked(m_path + ": bytes " + std::to_string(start) + " held by another work area");
        }
        int err = 0;
        if (!setOfdLock(m_shared->fd, kind == LockKind::Write ? F_WRLCK : F_RDLCK, start, length, &err)) {
            errno = err;
            if (err == EAGAIN || err == EACCES)
                return Status::locked(m_path + ": bytes " + std::to_string(start) + " locked by another process");
            return osError("lock", m_path);
        }
        for (HeldLock& l : m_shared->locks) {
            if (l.owner == this && l.start == start && l.end == end) {
                l.kind = kind;
                return {};
            }
        }
        m_shared->locks.push_back({this, start, end, kind});
        return {};
    }

    Status unlock(std::uint64_t start, std::uint64_t length) override
    {
        if (stale())
            return staleStatus();
        const std::uint64_t end = start + length;
        auto& locks = m_shared->locks;
        locks.erase(std::remove_if(locks.begin(), locks.end(),
                                   [&](const HeldLock& l) { return l.owner == this && l.start >= start && l.end <= end; }),
                    locks.end());
        // Bytes of [start, end) other handles still hold, in order; unlock only the gaps between them.
        std::vector<HeldLock> keep;
        for (const HeldLock& l : locks)
            if (l.start < end && start < l.end)
                keep.push_back({l.owner, std::max(l.start, start), std::min(l.end, end), l.kind});
        std::sort(keep.begin(), keep.end(), [](const HeldLock& a, const HeldLock& b) { return a.start < b.start; });
        std::uint64_t pos = start;
        int err = 0;
        Status result;
        for (const HeldLock& k : keep) {
            if (k.start > pos && !setOfdLock(m_shared->fd, F_UNLCK, pos, k.start - pos, &err)) {
                errno = err;
                result = osError("unlock", m_path);
            }
            // A range another handle holds for reading: make sure it is not left as our write lock.
            if (k.kind == LockKind::Read)
                (void)setOfdLock(m_shared->fd, F_RDLCK, k.start, k.end - k.start, &err);
            pos = std::max(pos, k.end);
        }
        if (pos < end && !setOfdLock(m_shared->fd, F_UNLCK, pos, end - pos, &err)) {
            errno = err;
            result = osError("unlock", m_path);
        }
        return result;
    }

private:
    bool stale() const { return m_generation != g_forkGeneration; }
    // A write that succeeded up to end: the file reaches at least that far, and one more write
    // waits for the next sync.
    void wrote(std::uint64_t end)
    {
        m_shared->knownSize = std::max(m_shared->knownSize, end);
        ++m_shared->writesSinceSync;
    }
    // Maps the file as far as its known size, in steps of 1 MB (indexes grow a page at a time).
    static bool remap(SharedFd& f)
    {
        constexpr std::uint64_t kStep = 1 << 20;
        const std::uint64_t want = (f.knownSize + kStep - 1) / kStep * kStep;
        if (want > std::uint64_t(SIZE_MAX / 2))
            return false;
        void* p = f.map ? ::mremap(f.map, f.mapSize, std::size_t(want), MREMAP_MAYMOVE)
                        : ::mmap(nullptr, std::size_t(want), PROT_READ | PROT_WRITE, MAP_SHARED, f.fd, 0);
        if (p == MAP_FAILED) {
            if (f.map)
                ::munmap(f.map, f.mapSize);
            f.map = nullptr;
            f.mapSize = 0;
            return false;
        }
        catchBusOnce();
        f.map = static_cast<char*>(p);
        f.mapSize = std::size_t(want);
        return true;
    }
    bool onLocalDisk()
    {
        if (m_shared->local < 0)
            m_shared->local = onLocalFileSystem(m_shared->fd) ? 1 : 0;
        return m_shared->local == 1;
    }
    Status staleStatus() const
    {
        return Status::ioError(m_path + ": handle opened by the parent process is not usable after fork", EBADF);
    }

    std::string m_path;
    ShareMode m_mode;
    FileId m_id;
    SharedFd* m_shared;
    unsigned m_generation;
};

class PosixFileSystem final : public FileSystem {
public:
    Status open(const std::string& path, ShareMode mode, OpenFlags flags, std::unique_ptr<File>* out) override
    {
        auto& files = registry().files();
        struct stat st;
        if (::stat(path.c_str(), &st) == 0) {
            if (!S_ISREG(st.st_mode))
                return Status::invalidArgument(path + ": not a regular file");
            auto it = files.find({st.st_dev, st.st_ino});
            if (it != files.end())
                return share(path, mode, it->first, it->second, out);
        } else if (flags == OpenFlags::Existing) {
            return Status::notFound(path + ": no such file");
        }

        int oflags = O_RDWR | O_CLOEXEC;
        if (flags == OpenFlags::Create)
            oflags |= O_CREAT;
        const int fd = ::open(path.c_str(), oflags, 0666);
        if (fd < 0) {
            if (errno == ENOENT)
                return Status::notFound(path + ": no such file");
            return osError("open", path);
        }
        if (::fstat(fd, &st) != 0) {
            Status s = osError("fstat", path);
            ::close(fd);
            return s;
        }
        const FileId id{st.st_dev, st.st_ino};
        if (auto it = files.find(id); it != files.end()) {
            ::close(fd);  // a second description of a file we hold: closing it releases nothing of ours
            return share(path, mode, id, it->second, out);
        }
        const int op = (mode == ShareMode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB;
        if (!uninterrupted([&] { return ::flock(fd, op); })) {
            const int e = errno;
            ::close(fd);
            if (e == EWOULDBLOCK)
                return Status::locked(path + (mode == ShareMode::Shared ? ": open exclusive elsewhere"
                                                                        : ": open elsewhere"));
            errno = e;
            return osError("flock", path);
        }
        auto* shared = new SharedFd{fd, mode, 1, {}};
        files[id] = shared;
        *out = std::make_unique<PosixFile>(path, mode, id, shared);
        return {};
    }

    bool exists(const std::string& path) override
    {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0;
    }

    Status remove(const std::string& path) override
    {
        if (::unlink(path.c_str()) != 0 && errno != ENOENT)
            return osError("remove", path);
        return {};
    }

    Status rename(const std::string& from, const std::string& to) override
    {
        if (::rename(from.c_str(), to.c_str()) != 0)
            return osError("rename to " + to, from);
        return {};
    }

    Status list(const std::string& folder, std::vector<std::string>* names) override
    {
        names->clear();
        DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
        if (!d)
            return errno == ENOENT ? Status::notFound(folder + ": no such folder") : osError("opendir", folder);
        while (dirent* e = ::readdir(d)) {
            const std::string n = e->d_name;
            if (n != "." && n != "..")
                names->push_back(n);
        }
        ::closedir(d);
        std::sort(names->begin(), names->end());
        return {};
    }

    std::string resolve(const std::string& path) override { return core::paths::resolve(path); }

private:
    static Status share(const std::string& path, ShareMode mode, FileId id, SharedFd* shared,
                        std::unique_ptr<File>* out)
    {
        if (mode == ShareMode::Exclusive || shared->mode == ShareMode::Exclusive)
            return Status::locked(path + ": already open in this process");
        ++shared->refs;
        *out = std::make_unique<PosixFile>(path, mode, id, shared);
        return {};
    }
};

PosixFileSystem g_posix;
core::Seam<FileSystem> g_fs(&g_posix);

}  // namespace

FileSystem& fileSystem()
{
    return g_fs.get();
}

FileSystem& realFileSystem()
{
    return g_posix;
}

FileSystem* setFileSystem(FileSystem* fs)
{
    return g_fs.install(fs);
}

namespace {

// The wait after a first try that answered s.
Status keepTrying(Status s, const std::function<Status()>& op, int timeoutMs)
{
    if (!s.is(Status::Code::Locked))
        return s;
    core::Clock& clock = core::clock();
    const std::int64_t begin = clock.monotonicMs();
    int pause = 1;
    for (;;) {
        if (timeoutMs >= 0 && clock.monotonicMs() - begin >= timeoutMs)
            return s;
        core::idle();
        clock.sleepMs(pause);
        pause = std::min(pause * 2, 20);
        s = op();
        if (!s.is(Status::Code::Locked))
            return s;
    }
}

}  // namespace

Status retryWhileLocked(const std::function<Status()>& op, int timeoutMs)
{
    return keepTrying(op(), op, timeoutMs);
}

Status lockWait(File& file, std::uint64_t start, std::uint64_t length, LockKind kind, int timeoutMs)
{
    // The lock is nearly always free: the first try is made without making the retried function.
    Status s = file.tryLock(start, length, kind);
    if (!s.is(Status::Code::Locked))
        return s;
    return keepTrying(std::move(s), [&] { return file.tryLock(start, length, kind); }, timeoutMs);
}

}  // namespace storage
